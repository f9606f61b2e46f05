#pragma once
// The statistics window: a two-column grid the main window fills.
#include <QDialog>

class TStringAlignGrid;

class TDlgStat : public QDialog {
    Q_OBJECT
public:
    explicit TDlgStat(QWidget* parent = nullptr);
    TStringAlignGrid* sagStat = nullptr;
};
extern TDlgStat* DlgStat;
