#pragma once
// The statistics window: a two-column grid the main window fills.
#include <QDialog>

class TStringAlignGrid;

class TDlgStat : public QDialog {
    Q_OBJECT
public:
    explicit TDlgStat(QWidget* parent = nullptr);
    TStringAlignGrid* sagStat = nullptr;
    // Grows the window (within the screen) until the first `rows` rows and both
    // columns show whole: the paths of the files are longer than its first width.
    void FitContents(int rows);
};
