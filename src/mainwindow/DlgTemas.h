#pragma once
// The themes window: the themes of a themes file on the left, the lines
// ("key=value") of the one clicked on the right, OK to apply it, Cancel to leave.
// The themes fill it before showing it modally (TThemesController::Aplicar1Click).
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

    // While the window is filled: per listed theme (same order as lbSects) the lines
    // of its section, "key=value" in file order.
    std::vector<std::vector<std::string>> SectionValues;

    // lbValues := a copy of SectionValues[the clicked row] (nothing for no row).
    void lbSectsClick();
};

extern TDlgTemas* DlgTemas;
