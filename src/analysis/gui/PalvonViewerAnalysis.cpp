// The main window's least-cost path, PIJA, statistics, centroid and flow-diagram
// commands.
#include "analysis/KDVanalysis.h"
#include "analysis/gui/KDVMix.h"
#include "analysis/gui/KDVpath.h"
#include "analysis/gui/KDVstat.h"
#include "analysis/gui/KdvPija.h"
#include "export/GeoWriters.h"
#include "widgets/GaugeRun.h"
#include "mainwindow/PalvonViewer.h"
#include "mainwindow/SecondaryWindows.h"
#include "widgets/StringAlignGrid.h"
#include "model/FileUtils.h"
#include "model/HitGrid.h"
#include "model/KDVlib.h"
#include "model/KDVlibPaths.h"
#include "model/KDVvars.h"
#include "model/PalvonVars.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"
#include "widgets/WaitCursor.h"

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
        AddAction(rutaMinimaMenu_, Cmd::InteractivaRmin);
        Registry().Register(CommandTable::TOwner::Analysis, Cmd::InteractivaRmin, this,
                            &TPalvonViewer::InteractivaRminClick);
        AddAction(rutaMinimaMenu_, Cmd::batchRmin);
        Registry().Register(CommandTable::TOwner::Analysis, Cmd::batchRmin, this, &TPalvonViewer::batchRminClick);
    }
    if (procesos) {
        auto* pijas = new QMenu(CommandTable::Caption(Cmd::AnalisisdePIJAs), procesos);
        QAction* pijasItem = AddAction(procesos, Cmd::AnalisisdePIJAs);
        pijasItem->setMenu(pijas);
        pijasItem->setEnabled(false);
        AddAction(pijas, Cmd::NivelArco);
        Registry().Register(CommandTable::TOwner::Analysis, Cmd::NivelArco, this, &TPalvonViewer::NivelArcoClick);
        AddAction(pijas, Cmd::NIvelMovimiento);
        Registry().Register(CommandTable::TOwner::Analysis, Cmd::NIvelMovimiento, this,
                            &TPalvonViewer::NIvelMovimientoClick);
        Action(Cmd::NivelArco)->setEnabled(false);
        Action(Cmd::NIvelMovimiento)->setEnabled(false);
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
            Action(Cmd::ConfigurarRminItem)->setText(ConfigurarRmin->title());
        });
    QMenu* ayuda = nullptr;
    for (QAction* a : menuBar()->actions())
        if (a->menu() && a->text().remove(QLatin1Char('&')) == QLatin1String("Ayuda"))
            ayuda = a->menu();
    if (!ayuda)
        ayuda = menuBar()->addMenu(QStringLiteral("A&yuda"));
    AddAction(ayuda, Cmd::Estadsticas1);
    Registry().Register(CommandTable::TOwner::Analysis, Cmd::Estadsticas1, this, &TPalvonViewer::Estadsticas1Click);
    if (pupZonas)
        AddAction(pupZonas, Cmd::CrearCentroides1);
    Registry().Register(CommandTable::TOwner::Analysis, Cmd::CrearCentroides1, this,
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
    {
        TWaitCursor wait;
        KDVlib::RutaMinima(KDVlib::PathFrom, KDVlib::PathTo, 0);
    }
    FillPathGrid(false);
    RedrawMap();
}

void TPalvonViewer::batchRminClick()
{
    QFileDialog dlg(this, QStringLiteral("Importar pares ..."));
    dlg.setFileMode(QFileDialog::ExistingFile);
    dlg.setDefaultSuffix(QStringLiteral("csv"));
    dlg.setNameFilter(QStringLiteral("Archivos de pares (*.csv)"));
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return;
    BatchPathsFromFile(dlg.selectedFiles().first().toStdString());
}

void TPalvonViewer::BatchPathsFromFile(const std::string& fileName)
{
    std::vector<std::string> lines;
    if (!FileUtils::ReadLines(fileName, lines)) {
        Services().ShowMessage(Format("No se pudo leer el archivo %s", fileName));
        return;
    }
    KDVlib::PairsList = std::move(lines);
    // Each link is marked once, however many paths take it.
    std::vector<uint8_t> marked(static_cast<size_t>(Network.LinkCount) + 1, 0);
    size_t done = 0, total = 0;
    bool complete = true;
    {
        TGaugeRun run(pbc, QStringLiteral("Calculando rutas mínimas ..."));
        complete = KDVanalysis::RunPairPaths(
            [&](size_t d, size_t t) {
                done = d;
                total = t;
                return run.Step(d, t);
            },
            [&](int32_t link) {
                if (!marked[static_cast<size_t>(link)]) {
                    marked[static_cast<size_t>(link)] = 1;
                    MarkPathLink(link);
                }
            });
    }
    if (!complete)
        Services().SetStatusText(1, Format("Cálculo de rutas detenido: %d de %d pares calculados", static_cast<int>(done),
                                      static_cast<int>(total)));
    FillPathGrid(true);
}

void TPalvonViewer::MarkPathLink(int32_t link)
{
    Arcos[link].Mark = CurrentClass;
    Action(Cmd::tbSel)->setEnabled(true);
    if (sagArcos && link < sagArcos->RowCount()) {
        sagArcos->SetFontColorCell(0, link, Qt::red);
        sagArcos->SetFontColorCell(1, link, Qt::red);
    }
}

void TPalvonViewer::FillPathGrid(bool Batch)
{
    TFrmPath& path = Secondary::FrmPath();
    std::vector<int32_t> links;
    std::vector<size_t> rowPair;
    if (Batch) {
        const auto rows = KDVanalysis::PairPathRows(&rowPair);
        path.ShowListing(KDVanalysis::PathTitles(true), rows, 2, std::move(rowPair));
    } else
        path.ShowListing(KDVanalysis::PathTitles(false), KDVanalysis::PathRows(1, &links), 1);
    for (int32_t link : links)
        MarkPathLink(link);
    RedrawMap();
    path.exec();
}

void TPalvonViewer::NivelArcoClick()
{
    TFrmPija& pija = Secondary::FrmPija();
    if (!pija.FillElements())
        return;
    pija.exec();
    RedrawMap();
}

void TPalvonViewer::NIvelMovimientoClick()
{
    TFrmPijm& pijm = Secondary::FrmPijm();
    if (!pijm.FillElements())
        return;
    pijm.exec();
    RedrawMap();
}

void TPalvonViewer::Estadsticas1Click()
{
    TDlgStat& stat = Secondary::DlgStat();
    const auto rows = KDVanalysis::StatisticsRows();
    TStringAlignGrid* g = stat.sagStat;
    for (size_t r = 0; r < rows.size() && static_cast<int>(r) + 1 < g->RowCount(); ++r) {
        g->setCell(0, static_cast<int>(r) + 1, rows[r].first);
        g->setCell(1, static_cast<int>(r) + 1, rows[r].second);
    }
    g->FitColWidths();
    stat.exec();
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
    Action(Cmd::tbCents)->setEnabled(true);
    SetDown(Cmd::tbCents, true);
    RedrawMap();
}

void TPalvonViewer::ShowFlowDiagram(int32_t node)
{
    if (node < 1 || node > Network.NodeCount)
        return;
    TFrmMix& mix = Secondary::FrmMix();
    if (!MixListOk)
        mix.MakeMixNodos();
    MixPos = -1;
    if (varMix)
        for (QAction* a : varMix->actions())
            if (a->isChecked())
                FlMixVar = a->data().toInt();
    mix.DrawMix(node, FlMixVar);
    mix.exec();
}
