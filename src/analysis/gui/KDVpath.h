#pragma once
// The window that lists least-cost paths link by link, with its export.
#include <QDialog>

#include <memory>
#include <string>
#include <vector>

class TStringAlignGrid;
namespace KDVanalysis {
class TBatchRows;
}
class QGroupBox;

class TFrmPath : public QDialog {
    Q_OBJECT
public:
    explicit TFrmPath(QWidget* parent = nullptr);

    QGroupBox* gb1 = nullptr;
    TStringAlignGrid* sagPath = nullptr;

    // Fills sagPath (row 0 the titles) with the rows given.
    void ShowListing(const std::vector<std::string>& titles, const std::vector<std::vector<std::string>>& rows,
                     int fixedCols);
    // The batch listing: its rows are made as they are shown or exported.
    void ShowBatch(const std::vector<std::string>& titles, std::shared_ptr<KDVanalysis::TBatchRows> rows,
                   int fixedCols);

    // Export of the grid: 1 comma-, 2 tab-, 3 blank-separated text.
    static bool ExportGrid(const TStringAlignGrid& grid, const std::string& fileName, int filterIndex);
    void ToolbarButton972Click();
    void ToolbarButton971Click() { close(); }
    void Salir1Click() { close(); }
};
