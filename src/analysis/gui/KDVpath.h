#pragma once
// The window that lists least-cost paths link by link, with its export.
#include <QDialog>

class TStringAlignGrid;
class QGroupBox;

class TFrmPath : public QDialog {
    Q_OBJECT
public:
    explicit TFrmPath(QWidget* parent = nullptr);

    QGroupBox* gb1 = nullptr;
    TStringAlignGrid* sagPath = nullptr;

    // Export of the grid: 1 comma-, 2 tab-, 3 blank-separated text.
    static bool ExportGrid(const TStringAlignGrid& grid, const std::string& fileName, int filterIndex);
    void ToolbarButton972Click();
    void ToolbarButton971Click() { close(); }
    void Salir1Click() { close(); }
};
extern TFrmPath* FrmPath;
