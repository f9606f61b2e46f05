// The analyses (TAnalysisController): least-cost paths, PIJA lists, statistics,
// centroids and flow diagrams, with the windows only they show.
#include "analysis/gui/AnalysisController.h"

#include "analysis/Fases.h"
#include "analysis/KDVanalysis.h"
#include "analysis/gui/FrmFases.h"
#include "analysis/gui/KDVMix.h"
#include "analysis/gui/KDVpath.h"
#include "analysis/gui/KDVstat.h"
#include "analysis/gui/KdvPija.h"
#include "export/GeoWriters.h"
#include "map/gui/MapHost.h"
#include "model/AuxFileText.h"
#include "model/FileUtils.h"
#include "model/HitGrid.h"
#include "model/KDVlib.h"
#include "model/KDVlibPaths.h"
#include "map/ViewState.h"
#include "model/KDVvars.h"
#include "model/PalvonVars.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"
#include "widgets/TypedNumber.h"
#include "widgets/CommandRegistry.h"
#include "widgets/GaugeRun.h"
#include "widgets/StringAlignGrid.h"
#include "widgets/WaitCursor.h"
#include "widgets/WindowHost.h"

#include <QAction>
#include <QFileDialog>
#include <QInputDialog>
#include <QMenu>

#include <algorithm>
#include <cmath>
#include <memory>
#include <utility>

using ZelUtils::Format;

namespace {

// `window` made on first call as a child of `parent` (a window of its own when
// `ownWindow`); the PIJA windows also get the map's host.
template <class W>
W& Made(W*& window, QWidget* parent, TMapHost& map, bool ownWindow)
{
    if (!window) {
        window = new W(parent);
        if constexpr (requires { window->SetHost(&map); })
            window->SetHost(&map);
        if (ownWindow)
            window->setWindowFlag(Qt::Window);
    }
    return *window;
}

} // namespace

TFrmPath& TAnalysisController::PathWindow() { return Made(pathWindow_, window_.DialogParent(), map_, true); }
TFrmPija& TAnalysisController::LinkPijaWindow() { return Made(linkPijaWindow_, window_.DialogParent(), map_, true); }
TFrmPijm& TAnalysisController::MovementPijaWindow()
{
    return Made(movementPijaWindow_, window_.DialogParent(), map_, true);
}
TDlgStat& TAnalysisController::StatisticsWindow() { return Made(statisticsWindow_, window_.DialogParent(), map_, false); }

void TAnalysisController::RegisterCommands(TCommandRegistry& registry)
{
    registry.Register(CommandTable::TOwner::Analysis,
                      {{Cmd::InteractivaRmin, this, &TAnalysisController::InteractivaRminClick},
                       {Cmd::batchRmin, this, &TAnalysisController::batchRminClick},
                       {Cmd::NivelArco, this, &TAnalysisController::NivelArcoClick},
                       {Cmd::NIvelMovimiento, this, &TAnalysisController::NIvelMovimientoClick},
                       {Cmd::Estadsticas1, this, &TAnalysisController::Estadsticas1Click},
                       {Cmd::CrearCentroides1, this, &TAnalysisController::CrearCentroides1Click},
                       {Cmd::Visualizacion, this, &TAnalysisController::VisualizacionClick}});
    // The border widths of the intersection views, and the junction types the
    // intersection analyses take.
    const TCommandId widths[] = {Cmd::BordePuntos0, Cmd::BordePuntos1, Cmd::BordePuntos2, Cmd::BordePuntos3,
                                 Cmd::BordePuntos4};
    for (int tag = 0; tag <= 4; ++tag)
        registry.Register(CommandTable::TOwner::Analysis, widths[tag], [this, tag] { Puntos(tag); });
    const TCommandId types[] = {Cmd::Jtype1, Cmd::Jtype2, Cmd::Jtype3, Cmd::Jtype4, Cmd::Jtype5};
    for (int t = 1; t <= 5; ++t)
        registry.Register(CommandTable::TOwner::Analysis, types[t - 1], [t](bool checked) { JtypeSelected[t] = checked; });
}

namespace {
// The node of the number typed (rounded, as every node number is looked up). One
// that names no node is said at once, by the number looked up: a path window with
// no rows would not say why.
int32_t NodeTyped(const QString& typed)
{
    double number = 0.0;
    if (!ReadTypedNumber(typed, number))
        return 0;
    // Beyond whole numbers' range the lookup would take the range's end: no node,
    // named as typed, not as a number the user did not type.
    if (!(std::fabs(number) < 2147483647.5)) {
        Services().ShowMessage(Format("Nodo %s no encontrado", typed.trimmed().toStdString()));
        return 0;
    }
    const int32_t index = KDVlib::FindNodo(number);
    if (index <= 0)
        Services().ShowMessage(Format("Nodo %d no encontrado", ZelUtils::Round(number)));
    return index;
}
} // namespace

bool TAnalysisController::CostUsable()
{
    // A least-cost search over negative costs lists paths that are not the least:
    // said, and nothing is listed.
    const int32_t l = KDVanalysis::NegativeCostLink();
    if (l == 0)
        return true;
    Services().ShowMessage(Format("El costo elegido en \"Configurar\" tiene valores negativos (arco %d-%d: %.2f): "
                                  "con ellos la ruta hallada no sería la mínima.\rElija otro costo.",
                                  Arcos[l].A, Arcos[l].B, double(Arcos[l].Var[KDVlib::CostVar])));
    return false;
}

void TAnalysisController::InteractivaRminClick()
{
    if (!CostUsable())
        return;
    QWidget* parent = window_.DialogParent();
    bool ok = false;
    const QString first = QInputDialog::getText(parent, QStringLiteral("Construcción de Rutas Mínimas"),
                                                QStringLiteral("Ingrese Número Primer Nodo"), QLineEdit::Normal,
                                                QString(), &ok);
    if (!ok || first.isEmpty())
        return;
    KDVlib::PathFrom = NodeTyped(first);
    if (KDVlib::PathFrom <= 0)
        return;
    const QString second = QInputDialog::getText(parent, QStringLiteral("Construcción de Rutas Mínimas"),
                                                 QStringLiteral("Ingrese Número Segundo Nodo"), QLineEdit::Normal,
                                                 QString(), &ok);
    if (!ok || second.isEmpty())
        return;
    KDVlib::PathTo = NodeTyped(second);
    if (KDVlib::PathTo <= 0)
        return;
    {
        TWaitCursor wait;
        KDVlib::RutaMinima(KDVlib::PathFrom, KDVlib::PathTo, 0);
    }
    FillPathGrid(false);
    window_.RedrawMap();
}

void TAnalysisController::batchRminClick()
{
    QFileDialog dlg(window_.DialogParent(), QStringLiteral("Importar pares ..."));
    dlg.setFileMode(QFileDialog::ExistingFile);
    dlg.setDefaultSuffix(QStringLiteral("csv"));
    dlg.setNameFilter(QStringLiteral("Archivos de pares (*.csv)"));
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return;
    BatchPathsFromFile(dlg.selectedFiles().first().toStdString());
}

void TAnalysisController::BatchPathsFromFile(const std::string& fileName)
{
    std::vector<std::string> lines;
    if (!FileUtils::ReadLines(fileName, lines)) {
        Services().ShowMessage(Format("No se pudo leer el archivo %s", fileName));
        return;
    }
    // A file none of whose lines names two nodes of this network (another
    // network's pairs, or pairs not separated by commas) would only open an empty
    // listing without a word: it is refused, and the pairs read before stay.
    int written = 0;
    bool named = false;
    for (const std::string& line : lines) {
        if (ZelUtils::Trim(line).empty())
            continue;
        ++written;
        int32_t from = 0, to = 0;
        if (KDVanalysis::ParsePair(line, from, to) && KDVlib::FindNodo(from) > 0 && KDVlib::FindNodo(to) > 0) {
            named = true;
            break;
        }
    }
    if (!named) {
        // A file with no pair at all is said to be empty, not "none of its 0 lines".
        Services().ShowMessage(written == 0 ? Format("Archivo %s sin datos", AuxFileText::BaseName(fileName))
                                            : AuxFileText::NoneOfThisNetwork(
                                                  fileName, written, "su línea no da dos nodos de esta red (origen,destino)",
                                                  "ninguna de sus %d líneas da dos nodos de esta red (origen,destino)"));
        return;
    }
    if (!CostUsable())
        return;
    KDVlib::PairsList = std::move(lines);
    // Each link is marked once, however many paths take it; its row turns red after the run.
    std::vector<uint8_t> marked(static_cast<size_t>(Network.LinkCount) + 1, 0);
    size_t done = 0, total = 0;
    bool complete = true;
    {
        TGaugeRun run(host_.CaptionGauge(), QStringLiteral("Calculando rutas mínimas ..."));
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
    ColorPathRows(marked);
    // Lines naming no two nodes of this network (letters, an unknown node, a
    // missing comma) get no path: they are named, not dropped without a word.
    // A first line of titles ("Origen,Destino") names no pair and is no fault.
    int skipped = 0, firstSkipped = 0;
    bool firstLine = true;
    for (size_t i = 0; i < KDVlib::PairsList.size(); ++i) {
        const std::string& line = KDVlib::PairsList[i];
        if (ZelUtils::Trim(line).empty())
            continue;
        if (const std::vector<std::string> f = ZelUtils::SplitString(line, ',');
            std::exchange(firstLine, false) && f.size() >= 2 && !AuxFileText::NumberOrEmpty(f[0]) &&
            !AuxFileText::NumberOrEmpty(f[1]))
            continue;
        int32_t from = 0, to = 0;
        if (KDVanalysis::ParsePair(line, from, to) && KDVlib::FindNodo(from) > 0 && KDVlib::FindNodo(to) > 0)
            continue;
        if (skipped++ == 0)
            firstSkipped = static_cast<int>(i) + 1;
    }
    // Pairs of two nodes that no path joins (or a node to itself) list no row:
    // said with the lines above, in the one message, or the listing would look whole.
    int unjoined = 0;
    const KDVanalysis::TPairPath* firstUnjoined = nullptr;
    for (const KDVanalysis::TPairPath& p : KDVanalysis::PairPaths)
        if (p.Done && p.Links <= 0 && unjoined++ == 0)
            firstUnjoined = &p;
    std::string said;
    if (complete && skipped > 0)
        said = skipped == 1 ? Format("La línea %d de %s no da dos nodos de esta red (origen,destino): no tiene ruta", firstSkipped,
                                     AuxFileText::BaseName(fileName))
                            : Format("%d líneas de %s no dan dos nodos de esta red (origen,destino) y no tienen ruta; la primera es la %d",
                                     skipped, AuxFileText::BaseName(fileName), firstSkipped);
    if (complete && firstUnjoined)
        said += (said.empty() ? "" : "\r") +
                (unjoined == 1 ? Format("El par de la línea %d de %s (nodo %d a nodo %d) no tiene ruta", firstUnjoined->Line + 1,
                                        AuxFileText::BaseName(fileName), firstUnjoined->From, firstUnjoined->To)
                               : Format("%d pares de %s no tienen ruta; el primero es el de la línea %d (nodo %d a nodo %d)",
                                        unjoined, AuxFileText::BaseName(fileName), firstUnjoined->Line + 1,
                                        firstUnjoined->From, firstUnjoined->To));
    if (!said.empty())
        Services().ShowMessage(said);
    if (!complete)
        Services().SetStatusText(1, Format("Cálculo de rutas detenido: %d de %d pares calculados", static_cast<int>(done),
                                      static_cast<int>(total)));
    FillPathGrid(true);
}

void TAnalysisController::MarkPathLink(int32_t link)
{
    Arcos[link].Mark = CurrentClass;
    window_.Action(Cmd::tbSel)->setEnabled(true);
}

void TAnalysisController::ColorPathRows(const std::vector<uint8_t>& marked)
{
    TStringAlignGrid* links = host_.LinkGrid();
    if (!links)
        return;
    host_.LinksMarked();
    // A sorted grid lists a link on any row: the row's record index (column 3)
    // names it. One pass over the rows, however many links the paths took.
    for (int r = links->FixedRows(); r < links->RowCount(); ++r) {
        const int32_t link = ZelUtils::ParseInt(links->cellView(3, r));
        if (link >= 1 && static_cast<size_t>(link) < marked.size() && marked[static_cast<size_t>(link)]) {
            links->SetFontColorCell(0, r, Qt::red);
            links->SetFontColorCell(1, r, Qt::red);
        }
    }
}

void TAnalysisController::FillPathGrid(bool Batch)
{
    if (!Batch && !CostUsable()) { // the path picked on the map
        window_.RedrawMap();
        return;
    }
    // Two nodes that no path joins (or a node to itself) list no row: the window
    // shows its titles alone, which is the answer.
    TFrmPath& path = PathWindow();
    std::vector<int32_t> links;
    if (Batch)
        path.ShowBatch(KDVanalysis::PathTitles(true), std::make_shared<KDVanalysis::TBatchRows>(), 3);
    else
        path.ShowListing(KDVanalysis::PathTitles(false), KDVanalysis::PathRows(1, &links), 1);
    std::vector<uint8_t> marked(static_cast<size_t>(Network.LinkCount) + 1, 0);
    for (int32_t link : links)
        if (link >= 1 && link <= Network.LinkCount) {
            MarkPathLink(link);
            marked[static_cast<size_t>(link)] = 1;
        }
    if (!links.empty())
        ColorPathRows(marked);
    window_.RedrawMap();
    path.exec();
}

void TAnalysisController::NivelArcoClick()
{
    TFrmPija& pija = LinkPijaWindow();
    if (!pija.FillElements())
        return;
    pija.exec();
    window_.RedrawMap();
}

void TAnalysisController::NIvelMovimientoClick()
{
    TFrmPijm& pijm = MovementPijaWindow();
    if (!pijm.FillElements())
        return;
    pijm.exec();
    window_.RedrawMap();
}

void TAnalysisController::Estadsticas1Click()
{
    TDlgStat& stat = StatisticsWindow();
    const auto rows = KDVanalysis::StatisticsRows();
    TStringAlignGrid* g = stat.sagStat;
    for (size_t r = 0; r < rows.size() && static_cast<int>(r) + 1 < g->RowCount(); ++r) {
        g->setCell(0, static_cast<int>(r) + 1, rows[r].first);
        g->setCell(1, static_cast<int>(r) + 1, rows[r].second);
    }
    g->FitColWidths();
    stat.FitContents(static_cast<int>(rows.size()) + 1);
    stat.exec();
}

void TAnalysisController::CrearCentroides1Click()
{
    TStringAlignGrid* zones = host_.ZoneGrid();
    const std::vector<int32_t> made = KDVanalysis::CrearCentroides();
    for (int32_t z : made)
        if (zones && z < zones->RowCount()) {
            zones->setCell(1, z, Format(XYFormat, double(Zonas[z].CentroidX)));
            zones->setCell(2, z, Format(XYFormat, double(Zonas[z].CentroidY)));
        }
    if (zones) {
        zones->FitColWidths();
        zones->FitRowHeights();
    }
    KDVlib::BuildHitGrid();
    // No zone took a centroid: no position changed, so there is nothing to save
    // and nothing to ask about on leaving.
    if (!made.empty())
        KDVlib::WriteCoords(); // a failed write is told by the writer, once
    window_.Action(Cmd::tbCents)->setEnabled(true);
    window_.SetCommandOn(Cmd::tbCents, true);
    window_.RedrawMap();
}

void TAnalysisController::ShowFlowDiagram(int32_t node)
{
    if (node < 1 || node > Network.NodeCount)
        return;
    TFrmMix& mix = host_.FlowDiagramWindow();
    if (!mix.MixListOk)
        mix.MakeMixNodos();
    mix.MixPos = -1;
    mix.DrawMix(node, FlowVariable());
    mix.exec();
}

int32_t TAnalysisController::FlowVariable()
{
    // A menu with nothing ticked (a network with no flow to offer) names no
    // variable: the diagram then draws none, not one of an earlier network.
    FlMixVar = 0;
    if (QMenu* varMix = host_.FlowVariableMenu())
        for (QAction* a : varMix->actions())
            if (a->isChecked())
                FlMixVar = a->data().toInt();
    return FlMixVar;
}

void TAnalysisController::Puntos(int tag)
{
    UserView().IntersectionBorderWidth = static_cast<float>(tag * 0.5);
    window_.Action(Cmd::BordeAncho)
        ->setText(QString::fromStdString(ZelUtils::Format("Borde ancho (%.1f)", UserView().IntersectionBorderWidth)));
}

void TAnalysisController::VisualizacionClick()
{
    window_.SetCommandOn(Cmd::tbShow, false);
    window_.SetCommandOn(Cmd::tbMixs, false);
    TFrmFases& fases = host_.PhaseWindow();
    NodoActual = 0;
    if (FasesListOk == 0)
        fases.MakePupNodos();
    if (KDVFases::ListedCount() == 0) {
        // Nothing to draw: say why instead of opening an empty window.
        FasesListOk = 0;
        Services().ShowMessage(window_.CommandOn(Cmd::jtSel)
                                   ? "No hay nodos seleccionados que mostrar en \"Fases\".\r"
                                     "Seleccione nodos o desmarque \"Selección\" en \"Seleccionar\"."
                                   : "La red no tiene intersecciones de los tipos marcados en \"Seleccionar\":\r"
                                     "no hay nada que mostrar en \"Fases\".");
        return;
    }
    fases.show();
    fases.raise();
}
