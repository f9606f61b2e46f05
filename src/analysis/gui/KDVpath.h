#pragma once
// The window that lists least-cost paths link by link, with its export.
#include <QDialog>

#include <string>
#include <vector>

class TStringAlignGrid;
class QGroupBox;

class TFrmPath : public QDialog {
    Q_OBJECT
public:
    explicit TFrmPath(QWidget* parent = nullptr);

    QGroupBox* gb1 = nullptr;
    TStringAlignGrid* sagPath = nullptr;
    // The links of one pair of a batch listing, filled when the user double-clicks
    // the pair's row (the listing keeps only each path's totals).
    TStringAlignGrid* sagRuta = nullptr;

    // Fills sagPath (row 0 the titles); rowPair: for a batch listing, the pair of
    // each data row (sagRuta is offered then, else hidden).
    void ShowListing(const std::vector<std::string>& titles, const std::vector<std::vector<std::string>>& rows,
                     int fixedCols, std::vector<size_t> rowPair = {});
    // Lists the links of the pair on data row `row` of a batch listing in sagRuta.
    void ShowPairPath(int row);

    // Export of the grid: 1 comma-, 2 tab-, 3 blank-separated text.
    static bool ExportGrid(const TStringAlignGrid& grid, const std::string& fileName, int filterIndex);
    void ToolbarButton972Click();
    void ToolbarButton971Click() { close(); }
    void Salir1Click() { close(); }

private:
    std::vector<size_t> rowPair_;
};
extern TFrmPath* FrmPath;
