#pragma once
// The dialog "Escala": the scale of the data layers (pixels per unit of the
// bars, width of the colour bands and of movement drawings) and the value the
// scale refers to.
#include <QDialog>

class QCheckBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class TMapHost;

class TKDVscale : public QDialog {
    Q_OBJECT
public:
    explicit TKDVscale(QWidget* parent = nullptr);

    QLabel* Attr;      // name of the variable shown
    QLineEdit* vMax;   // the value the scale refers to
    QLabel* Panel1;    // "1 : "
    QLabel* Panel2;    // n of the scale "1 : n"
    QSpinBox* spPixsVol;
    QSpinBox* spPixsCol;
    QSpinBox* spPixsMov;
    // Checked: the scale keeps its maximum when the variable changes.
    QCheckBox* Fixed;
    QDialogButtonBox* Buttons;

    void FormShow();
    void vMaxChange();
    void spPixsVolChange();
    void FixedClick();
    // The main window whose padlock follows the box.
    void SetHost(TMapHost* host) { host_ = host; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    TMapHost* host_ = nullptr;
};

extern TKDVscale* KDVscale;
// The maximum typed in the scale dialog while it is open.
extern double ScaleMaxValue;
