#include "analysis/gui/KDVpath.h"
#include "model/FileUtils.h"

#include "analysis/KDVanalysis.h"
#include "widgets/StringAlignGrid.h"
#include "widgets/SaveDialogSuffix.h"

#include <QFileDialog>
#include <QFontMetrics>
#include <QStyle>
#include <QGroupBox>
#include <QMenuBar>
#include <QMessageBox>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>

TFrmPath::TFrmPath(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TFrmPath"));
    setWindowTitle(QStringLiteral("Rutas Mínimas"));
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    resize(408, 329);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* menu = new QMenuBar(this);
    menu->setObjectName(QStringLiteral("MainMenu1"));
    QMenu* archivo = menu->addMenu(QStringLiteral("Archivo"));
    // "Guardar" keeps the rows shown, as the toolbar's export does.
    QAction* save = archivo->addAction(QStringLiteral("Guardar"));
    save->setObjectName(QStringLiteral("Guardar1"));
    connect(save, &QAction::triggered, this, &TFrmPath::ToolbarButton972Click);
    archivo->addSeparator();
    connect(archivo->addAction(QStringLiteral("Cerrar")), &QAction::triggered, this, &TFrmPath::Salir1Click);
    layout->setMenuBar(menu);
    auto* bar = new QToolBar(this);
    QAction* exp = bar->addAction(QStringLiteral("Exportar"));
    exp->setObjectName(QStringLiteral("ToolbarButton972"));
    connect(exp, &QAction::triggered, this, &TFrmPath::ToolbarButton972Click);
    QAction* cls = bar->addAction(QStringLiteral("Cerrar"));
    cls->setObjectName(QStringLiteral("ToolbarButton971"));
    connect(cls, &QAction::triggered, this, &TFrmPath::ToolbarButton971Click);
    layout->addWidget(bar);
    gb1 = new QGroupBox(QStringLiteral("   Rutas Mínimas   "), this);
    gb1->setObjectName(QStringLiteral("gb1"));
    auto* inner = new QVBoxLayout(gb1);
    sagPath = new TStringAlignGrid(gb1);
    sagPath->setObjectName(QStringLiteral("sagPath"));
    sagPath->SetDefaultRowHeight(16);
    inner->addWidget(sagPath);
    layout->addWidget(gb1);
}

namespace {

void SetLayout(TStringAlignGrid* g, const std::vector<std::string>& titles, int fixedCols)
{
    g->ClearCells();
    g->SetColCount(static_cast<int>(titles.size()));
    g->SetRowCount(1);
    g->SetFixedRows(1);
    g->SetFixedCols(fixedCols);
    for (size_t c = 0; c < titles.size(); ++c)
        g->setCell(static_cast<int>(c), 0, titles[c]);
}

} // namespace

void TFrmPath::ShowListing(const std::vector<std::string>& titles, const std::vector<std::vector<std::string>>& rows,
                           int fixedCols)
{
    TStringAlignGrid* g = sagPath;
    SetLayout(g, titles, fixedCols);
    g->SetRowCount(static_cast<int>(rows.size()) + 1);
    for (size_t r = 0; r < rows.size(); ++r)
        for (size_t c = 0; c < rows[r].size(); ++c)
            g->setCell(static_cast<int>(c), static_cast<int>(r) + 1, rows[r][c]);
    g->FitColWidths();
}

void TFrmPath::ShowBatch(const std::vector<std::string>& titles, std::shared_ptr<KDVanalysis::TBatchRows> rows,
                         int fixedCols)
{
    TStringAlignGrid* g = sagPath;
    SetLayout(g, titles, fixedCols);
    g->FitColWidths(); // the titles
    // The widths fit the titles and the first rows: every row measured would
    // make them all.
    constexpr int Measured = 2000;
    std::vector<std::string> cells;
    const QFontMetrics fm(g->font());
    std::vector<int> widest(titles.size(), 0);
    for (int k = 0; k < std::min(rows->Count(), Measured); ++k) {
        rows->Row(k, cells);
        for (size_t c = 0; c < cells.size() && c < widest.size(); ++c)
            widest[c] = std::max(widest[c], fm.horizontalAdvance(QString::fromStdString(cells[c])));
    }
    const int pad = 2 * (g->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, g) + 1) + 2;
    for (size_t c = 0; c < widest.size(); ++c)
        g->SetColWidths(static_cast<int>(c), std::max(g->ColWidths(static_cast<int>(c)), widest[c] + pad));
    g->SetRowSource(rows->Count(), [rows](int k, std::vector<std::string>& out) { rows->Row(k, out); });
}

bool TFrmPath::ExportGrid(const TStringAlignGrid& grid, const std::string& fileName, int filterIndex)
{
    const char sep = filterIndex == 2 ? '\t' : filterIndex == 3 ? ' ' : ',';
    return grid.GridTextExport(fileName, sep);
}

void TFrmPath::ToolbarButton972Click()
{
    QFileDialog dlg(this, QStringLiteral("Exportar datos ..."));
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setDefaultSuffix(QStringLiteral("csv"));
    const QStringList filters = {QStringLiteral("Texto delimitado por comas (*.csv)"),
                                 QStringLiteral("Texto delimitado por tabuladores (*.tab)"),
                                 QStringLiteral("Texto delimitado por espacios (*.prn)")};
    dlg.setNameFilters(filters);
    SuffixFollowsFilter(dlg);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return;
    const int index = static_cast<int>(filters.indexOf(dlg.selectedNameFilter())) + 1;
    const std::string file = dlg.selectedFiles().first().toStdString();
    if (!ExportGrid(*sagPath, file, index < 1 ? 1 : index))
        QMessageBox::warning(this, windowTitle(), QString::fromStdString(FileUtils::WriteFailure(file)));
}
