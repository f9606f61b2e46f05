#pragma once
// The themes window: the themes of a themes file on the left, the lines
// ("key=value") of the one clicked on the right, OK to apply it, Cancel to leave.
// The main window fills it before showing it modally (TPalvonViewer::Aplicar1Click).
#include <QDialog>

#include <string>
#include <vector>

class QListWidget;
class QPushButton;

class TDlgTemas : public QDialog {
    Q_OBJECT
public:
    explicit TDlgTemas(QWidget* parent = nullptr);

    QListWidget* lbSects;  // theme names
    QListWidget* lbValues; // lines of the theme clicked
    QPushButton* OKBtn;
    QPushButton* CancelBtn;

    // lbValues := a copy of ThemeSectionValues[the clicked row] (nothing for no row).
    void lbSectsClick();
};

extern TDlgTemas* DlgTemas;
// While the themes window is filled: per listed theme (same order as lbSects) the
// lines of its section, "key=value" in file order.
extern std::vector<std::vector<std::string>> ThemeSectionValues;
// The theme last defined or applied during the run; empty at start.
extern std::string ThemeName;
