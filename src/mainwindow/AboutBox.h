#pragma once
// The about box "Acerca de ...": the program's icon, version, a short description
// and where it comes from. It has no behaviour beyond its OK button.
#include <QDialog>

class QLabel;
class QPushButton;

class TKDVaboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TKDVaboutBox(QWidget* parent = nullptr);

    QLabel* ProgramIcon;
    QLabel* Version;   // version and build date, two lines
    QLabel* Comments;  // what the program is, in a large font
    QLabel* Copyright; // maker and address
    QPushButton* OKButton;
};

extern TKDVaboutBox* KDVaboutBox;
