// The main window's least-cost path, PIJA, statistics, centroid and flow-diagram
// commands.
#include "analysis/KDVanalysis.h"
#include "analysis/KDVlibPaths.h"
#include "analysis/gui/KDVMix.h"
#include "analysis/gui/KDVpath.h"
#include "analysis/gui/KDVstat.h"
#include "analysis/gui/KdvPija.h"
#include "export/GeoWriters.h"
#include "mainwindow/PalvonViewer.h"
#include "mainwindow/StringAlignGrid.h"
#include "model/FileUtils.h"
#include "model/HitGrid.h"
#include "model/KDVlib.h"
#include "model/KDVvars.h"
#include "model/PalvonVars.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMenu>
#include <QMenuBar>

#include <algorithm>

using ZelUtils::Format;

void TPalvonViewer::CreateAnalysisMenus()
{
    QMenu* procesos = rutaMinimaMenu_ ? qobject_cast<QMenu*>(rutaMinimaMenu_->parent()) : nullptr;
    if (rutaMinimaMenu_) {
        connect(AddAction(rutaMinimaMenu_, "InteractivaRmin", QStringLiteral("Interactiva")), &QAction::triggered,
                this, &TPalvonViewer::InteractivaRminClick);
        connect(AddAction(rutaMinimaMenu_, "batchRmin", QStringLiteral("Batch")), &QAction::triggered, this,
                &TPalvonViewer::batchRminClick);
    }
    if (procesos) {
        auto* pijas = new QMenu(QStringLiteral("Analisis de PIJAs"), procesos);
        QAction* pijasItem = AddAction(procesos, "AnalisisdePIJAs", QStringLiteral("Analisis de PIJAs"));
        pijasItem->setMenu(pijas);
        pijasItem->setEnabled(false);
        connect(AddAction(pijas, "NivelArco", QStringLiteral("Nivel Arco")), &QAction::triggered, this,
                &TPalvonViewer::NivelArcoClick);
        connect(AddAction(pijas, "NIvelMovimiento", QStringLiteral("NIvel Movimiento")), &QAction::triggered, this,
                &TPalvonViewer::NIvelMovimientoClick);
        Action("NivelArco")->setEnabled(false);
        Action("NIvelMovimiento")->setEnabled(false);
    }
    // The chosen cost variable shows in the item's caption, by the title of the
    // last links-grid column that shows it (column 0 when none does).
    CreateGrids();
    if (ConfigurarRmin)
        connect(ConfigurarRmin, &QMenu::triggered, this, [this] {
            int col = 0;
            const int count = std::min<int>(sagArcos ? sagArcos->ColCount() : NumColArcos, NumArcosColumns);
            for (int c = 2; c < count; ++c)
                if (ColVarArcos[static_cast<size_t>(c)] == KDVlib::CostVar)
                    col = c;
            const std::string title = sagArcos ? sagArcos->cell(col, 0) : std::string();
            ConfigurarRmin->setTitle(QString::fromStdString(Format("Configurar (%s)", title)));
            Action("ConfigurarRminItem")->setText(ConfigurarRmin->title());
        });
    QMenu* ayuda = nullptr;
    for (QAction* a : menuBar()->actions())
        if (a->menu() && a->text().remove(QLatin1Char('&')) == QLatin1String("Ayuda"))
            ayuda = a->menu();
    if (!ayuda)
        ayuda = menuBar()->addMenu(QStringLiteral("A&yuda"));
    connect(AddAction(ayuda, "Estadsticas1", QStringLiteral("Estadísticas")), &QAction::triggered, this,
            &TPalvonViewer::Estadsticas1Click);
    if (pupZonas)
        connect(AddAction(pupZonas, "CrearCentroides1", QStringLiteral("Crear Centroides")), &QAction::triggered, this,
                &TPalvonViewer::CrearCentroides1Click);
}

void TPalvonViewer::InteractivaRminClick()
{
    bool ok = false;
    const QString first = QInputDialog::getText(this, QStringLiteral("Construcción de Rutas Mínimas"),
                                                QStringLiteral("Ingrese Número Primer Nodo"), QLineEdit::Normal,
                                                QString(), &ok);
    if (!ok || first.isEmpty())
        return;
    KDVlib::PathFrom = KDVlib::FindNodo(ZelUtils::ParseReal(first.trimmed().toStdString()));
    const QString second = QInputDialog::getText(this, QStringLiteral("Construcción de Rutas Mínimas"),
                                                 QStringLiteral("Ingrese Número Segundo Nodo"), QLineEdit::Normal,
                                                 QString(), &ok);
    if (!ok || second.isEmpty())
        return;
    KDVlib::PathTo = KDVlib::FindNodo(ZelUtils::ParseReal(second.trimmed().toStdString()));
    QApplication::setOverrideCursor(Qt::WaitCursor);
    KDVlib::RutaMinima(KDVlib::PathFrom, KDVlib::PathTo, 0);
    QApplication::restoreOverrideCursor();
    FillPathGrid(false);
    DrawPalvon();
}

void TPalvonViewer::batchRminClick()
{
    QFileDialog dlg(this, QStringLiteral("Importar pares ..."));
    dlg.setFileMode(QFileDialog::ExistingFile);
    dlg.setDefaultSuffix(QStringLiteral("csv"));
    dlg.setNameFilter(QStringLiteral("Archivos de pares (*.csv)"));
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return;
    std::vector<std::string> lines;
    if (!FileUtils::ReadLines(dlg.selectedFiles().first().toStdString(), lines)) {
        Services().ShowMessage(Format("No se pudo leer el archivo %s", dlg.selectedFiles().first().toStdString()));
        return;
    }
    KDVlib::PairsList = lines;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    KDVlib::RutaMinima(0, 0, 1);
    QApplication::restoreOverrideCursor();
    FillPathGrid(true);
}

void TPalvonViewer::FillPathGrid(bool Batch)
{
    if (!FrmPath)
        return;
    TStringAlignGrid* g = FrmPath->sagPath;
    const std::vector<std::string> titles = KDVanalysis::PathTitles(Batch);
    std::vector<int32_t> links;
    const std::vector<std::vector<std::string>> rows = KDVanalysis::PathListing(Batch, &links);
    g->ClearCells();
    g->SetColCount(static_cast<int>(titles.size()));
    g->SetRowCount(static_cast<int>(rows.size()) + 1);
    g->SetFixedRows(1);
    g->SetFixedCols(Batch ? 3 : 1);
    for (size_t c = 0; c < titles.size(); ++c)
        g->setCell(static_cast<int>(c), 0, titles[c]);
    for (size_t r = 0; r < rows.size(); ++r)
        for (size_t c = 0; c < rows[r].size(); ++c)
            g->setCell(static_cast<int>(c), static_cast<int>(r) + 1, rows[r][c]);
    for (int32_t link : links) {
        Arcos[link].Mark = CurrentClass;
        Action(QStringLiteral("tbSel"))->setEnabled(true);
        if (sagArcos && link < sagArcos->RowCount()) {
            sagArcos->SetFontColorCell(0, link, Qt::red);
            sagArcos->SetFontColorCell(1, link, Qt::red);
        }
    }
    g->FitColWidths();
    DrawPalvon();
    FrmPath->exec();
}

void TPalvonViewer::NivelArcoClick()
{
    if (!FrmPija || !FrmPija->FillElements())
        return;
    FrmPija->exec();
    DrawPalvon();
}

void TPalvonViewer::NIvelMovimientoClick()
{
    if (!FrmPijm || !FrmPijm->FillElements())
        return;
    FrmPijm->exec();
    DrawPalvon();
}

void TPalvonViewer::Estadsticas1Click()
{
    if (!DlgStat)
        return;
    const auto rows = KDVanalysis::StatisticsRows();
    TStringAlignGrid* g = DlgStat->sagStat;
    for (size_t r = 0; r < rows.size() && static_cast<int>(r) + 1 < g->RowCount(); ++r) {
        g->setCell(0, static_cast<int>(r) + 1, rows[r].first);
        g->setCell(1, static_cast<int>(r) + 1, rows[r].second);
    }
    g->FitColWidths();
    DlgStat->exec();
}

void TPalvonViewer::CrearCentroides1Click()
{
    for (int32_t z : KDVanalysis::CrearCentroides())
        if (sagZonas && z < sagZonas->RowCount()) {
            sagZonas->setCell(1, z, Format(XYFormat.c_str(), double(Zonas[z].CentroidX)));
            sagZonas->setCell(2, z, Format(XYFormat.c_str(), double(Zonas[z].CentroidY)));
        }
    if (sagZonas) {
        sagZonas->FitColWidths();
        sagZonas->FitRowHeights();
    }
    KDVlib::BuildHitGrid();
    if (!KDVlib::WriteCoords())
        Services().ShowMessage(FileUtils::WriteFailure(CoordinatesFileName));
    Action(QStringLiteral("tbCents"))->setEnabled(true);
    SetDown(QStringLiteral("tbCents"), true);
    DrawPalvon();
}

void TPalvonViewer::ShowFlowDiagram(int32_t node)
{
    if (!FrmMix || node < 1 || node > Network.NodeCount)
        return;
    if (!MixListOk)
        FrmMix->MakeMixNodos();
    MixPos = -1;
    if (varMix)
        for (QAction* a : varMix->actions())
            if (a->isChecked())
                FlMixVar = a->data().toInt();
    FrmMix->DrawMix(node, FlMixVar);
    FrmMix->exec();
}
