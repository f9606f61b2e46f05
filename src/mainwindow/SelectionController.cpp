// The selection's handlers (see SelectionController.h): the two-list choices of
// links, nodes, zones and transit lines, the region drawn on the map, the selection
// files, the link marks, the nodes and links inside the user polygons, the list of
// selected links and the opening of the find dialog.
#include "mainwindow/SelectionController.h"

#include "export/DelimitedText.h"
#include "mainwindow/DlgFind.h"
#include "mainwindow/PalvonViewer.h"
#include "mainwindow/SecondaryWindows.h"
#include "map/DisplayStyles.h"
#include "map/LineLayers.h"
#include "map/Polygons.h"
#include "map/Ranges.h"
#include "map/gui/DataLayers.h"
#include "map/gui/MapLayers.h"
#include "map/gui/OxrImage.h"
#include "model/FileUtils.h"
#include "model/SafeFile.h"
#include "model/KDVlib.h"
#include "model/KDVvars.h"
#include "model/PalvonVars.h"
#include "model/PolygonFile.h"
#include "model/ProgramOptions.h"
#include "model/SelectionFiles.h"
#include "model/TextCodec.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"
#include "widgets/CommandRegistry.h"
#include "widgets/DualListDialog.h"
#include "widgets/ReplaceQuestion.h"
#include "widgets/StringAlignGrid.h"

#include <QAction>
#include <QFileDialog>
#include <QMenu>
#include <QPainter>
#include <QSplitter>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QStringList>

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <set>

using ZelUtils::Format;

namespace {

QString Qs(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<int>(s.size())); }

const char* const SelFilter = "Archivos de selección [*.sel] (*.sel)";

// The font colour of a mark: its class colour, black outside the classes.
QColor ClassColor(int32_t mark)
{
    return mark > 0 && mark <= MaxClasses ? DisplayStyles::ToQColor(UserView().ClassColors[static_cast<size_t>(mark)])
                                          : QColor(Qt::black);
}

// A whole number or decimal, blanks around allowed.
bool AsNumber(const std::string& text, double& value)
{
    if (text.empty())
        return false;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (*first == '+')
        ++first;
    auto r = std::from_chars(first, last, value);
    return r.ec == std::errc() && r.ptr == last;
}

// Elements of a selection file that the network lacks, told in one message: a
// file of another network would otherwise ask for a click per line.
class MissingList {
public:
    explicit MissingList(const char* what) : what_(what) {}
    void Add(const std::string& line)
    {
        if (++count_ <= MaxListed)
            text_ += (text_.empty() ? "" : "\r") + line;
    }
    void Show() const
    {
        if (count_ == 0)
            return;
        std::string text = text_;
        if (count_ > MaxListed)
            text += ZelUtils::Format("\r(y %d %s)", count_ - MaxListed, what_);
        Services().ShowMessage(text);
    }

private:
    static constexpr int MaxListed = 20;
    const char* what_;
    std::string text_;
    int count_ = 0;
};

// A mark read from a file: outside the colour classes it would index past the
// class colours, so it becomes class 1.
int32_t FileMark(int32_t m)
{
    return m < 0 || m > MaxClasses ? 1 : m;
}

// Grid row of the transit line record k (column 4 holds it); -1 when no row does.
int LineRow(TStringAlignGrid* grid, int32_t k)
{
    if (!grid)
        return -1;
    if (k < grid->RowCount() && ZelUtils::ParseInt(grid->cellView(4, k)) == k)
        return k;
    for (int r = 1; r < grid->RowCount(); ++r)
        if (ZelUtils::ParseInt(grid->cellView(4, r)) == k)
            return r;
    return -1;
}

void SetCellColor(TStringAlignGrid* grid, int col, int row, const QColor& color)
{
    if (grid && row >= 1 && row < grid->RowCount() && col < grid->ColCount())
        grid->SetFontColorCell(col, row, color);
}

// The cell of the row showing `record` (a node or zone), wherever a sort put it.
void SetRecordColor(TStringAlignGrid* grid, int col, int record, const QColor& color)
{
    if (grid)
        SetCellColor(grid, col, grid->RowOfRecord(record), color);
}

// The file name with its extension (if any) replaced by `suffix`.
std::string WithSuffix(const std::string& name, const std::string& suffix)
{
    const size_t slash = name.find_last_of('/');
    const size_t dot = name.find_last_of('.');
    const bool hasExt = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return (hasExt ? name.substr(0, dot) : name) + suffix;
}

// Every line led by three numbers or more: the file is a selection of links (node
// A, node B, class), not the list of nodes or zones it was opened as; a name after
// a number and its class is no such line. Said once, naming what was left alone.
bool IsLinkSelection(const std::vector<SelectionFiles::TNumberMark>& entries, const std::string& fileName,
                     const char* kind, const char* leftAlone)
{
    if (entries.empty() || !std::all_of(entries.begin(), entries.end(), [](const auto& e) { return e.Numbers >= 3; }))
        return false;
    Services().ShowMessage(Format("El archivo %s no es una selección de %s: sus líneas empiezan por tres números o más, "
                                  "como las de una selección de arcos (nodo A, nodo B y clase).\r%s",
                                  fileName, kind, leftAlone));
    return true;
}

} // namespace

// ---------------------------------------------------------------- rows

void TSelectionController::RegisterCommands(TCommandRegistry& registry)
{
    using C = TSelectionController;
    registry.Register(CommandTable::TOwner::Selection,
                      {{Cmd::SelArco, this, &C::SelArcoClick},
                       {Cmd::SelNombre, this, &C::SelNombreClick},
                       {Cmd::SeleccionPorDatos, this, &C::SeleccionPorDatosClick},
                       {Cmd::AnulaSel, this, &C::AnulaSelClick},
                       {Cmd::VerSeleccion, this, &C::VerSeleccionClick},
                       {Cmd::ExportaSeleccin1, this, &C::ExportaSeleccin1Click},
                       {Cmd::ImportaSeleccin1, this, &C::ImportaSeleccin1Click},
                       {Cmd::aBuscar, this, &C::BuscarClick},
                       {Cmd::SelecccinporArco1, this, &C::SelecccinporArco1Click},
                       {Cmd::AnulaSeleccin1, this, &C::AnulaSeleccin1Click},
                       {Cmd::ExportaSeleccin2, this, &C::ExportaSeleccin2Click},
                       {Cmd::ImportaSeleccin2, this, &C::ImportaSeleccin2Click},
                       {Cmd::SeleccinporZona1, this, &C::SeleccinporZona1Click},
                       {Cmd::AnulaSeleccin3, this, &C::AnulaSeleccin3Click},
                       {Cmd::ExpotaSeleccin1, this, &C::ExpotaSeleccin1Click},
                       {Cmd::ImportaSeleccin4, this, &C::ImportaSeleccin4Click},
                       {Cmd::SeleccionGrilla, this, &C::SeleccionGrillaClick},
                       {Cmd::InvierteSeleccin1, this, &C::InvierteSeleccin1Click},
                       {Cmd::MarcarNODibujar1, this, &C::MarcarNODibujar1Click},
                       {Cmd::Invierteselccin1, this, &C::Invierteselccin1Click},
                       {Cmd::AnularMarcas1, this, &C::AnularMarcas1Click},
                       {Cmd::SeleccionPorLinea, this, &C::SeleccionPorLineaClick},
                       {Cmd::SeleccionPorGrupo, this, &C::SeleccionPorGrupoClick},
                       {Cmd::Anulaseleccin2, this, &C::Anulaseleccin2Click},
                       {Cmd::Seleccionarnodos1, this, &C::Seleccionarnodos1Click},
                       {Cmd::SeleccionarArcos1, this, &C::SeleccionarArcos1Click}});
    // The three region items differ by their data (1 zones, 2 nodes, 3 links).
    for (TCommandId id : {Cmd::SeleccinporRegin1, Cmd::SeleccinporRegin3, Cmd::SeleccinporRegin2})
        registry.Register(CommandTable::TOwner::Selection, id, [this, id] { SeleccionPorRegion(viewer_.Action(id)); });
}

// ---------------------------------------------------------------- the two-list chooser

TDualListDialog* TSelectionController::LinkDualList()
{
    if (!dld)
        dld = new TDualListDialog(viewer_.DialogParent());
    dld->Clear();
    dld->SetLabels(QStringLiteral("Dsiponibles"), QStringLiteral("Seleccionados"));
    return dld;
}

TDualListDialog* TSelectionController::DualList(const QString& title)
{
    if (!dld)
        dld = new TDualListDialog(viewer_.DialogParent());
    dld->Clear();
    dld->SetTitle(title);
    dld->SetSorted(false);
    return dld;
}

// The two-list choice of links: the selected links start in the chosen list. After
// a confirmed dialog the chosen links take the current class and the links moved out
// of it are deselected; a cancelled dialog changes nothing.
void TSelectionController::ChooseLinks(const QString& title, bool sorted,
                                       const std::function<std::string(const TArcos&)>& entry)
{
    TStringAlignGrid* links = viewer_.sagArcos;
    TDualListDialog* d = LinkDualList();
    d->SetTitle(title);
    d->SetSorted(sorted);
    for (int r = 1; r < links->RowCount(); ++r) {
        const int32_t i = viewer_.Grids().LinkOfRow(r);
        if (i == 0)
            continue;
        d->AddItem(Arcos[i].Mark == 0 ? 1 : 2, TextCodec::Decode(entry(Arcos[i])),
                   QVariant::fromValue(TIntPair{r, i}));
    }
    if (!d->Execute())
        return;
    for (int k = 0; k < d->Count(1); ++k) {
        const TIntPair p = d->Data(1, k).value<TIntPair>();
        if (Arcos[p.Index].Mark != 0) {
            Arcos[p.Index].Mark = 0;
            viewer_.Grids().ColorLinkRow(p.Row, 0);
        }
    }
    for (int k = 0; k < d->Count(2); ++k) {
        const TIntPair p = d->Data(2, k).value<TIntPair>();
        Arcos[p.Index].Mark = CurrentClass;
        viewer_.Grids().ColorLinkRow(p.Row, CurrentClass);
    }
    if (d->Count(2) > 0)
        viewer_.Action(Cmd::tbSel)->setEnabled(true);
    viewer_.RedrawMap();
    ListSelectedLinks();
}

// ---------------------------------------------------------------- the selected-links grid

void TSelectionController::PrepareSelectionGrid()
{
    viewer_.Grids().CreateGrids();
    TStringAlignGrid* links = viewer_.sagArcos;
    TStringAlignGrid* selected = SelectedLinksGrid(true);
    const int cols = std::max(links->ColCount(), 1);
    selected->ClearCells();
    selected->SetColCount(cols);
    selected->SetRowCount(1);
    // The columns in the order the user sees them above (a dragged title included).
    for (int p = 0; p < links->ColCount(); ++p) {
        const int c = links->ColAtPosition(p);
        selected->setCell(p, 0, links->cellView(c, 0));
        selected->SetColWidths(p, links->ColWidths(c));
        selected->SetAlignCol(p, links->AlignCol(c));
    }
}

int TSelectionController::FillSelectedLinks()
{
    PrepareSelectionGrid();
    TStringAlignGrid* links = viewer_.sagArcos;
    TStringAlignGrid* selected = SelectedLinksGrid(false);
    const int cols = links->ColCount();
    selected->SetRowCount(std::max(links->RowCount(), 1));
    int n = 0;
    for (int r = 1; r < links->RowCount(); ++r) {
        const int32_t i = viewer_.Grids().LinkOfRow(r);
        if (i == 0 || Arcos[i].Mark <= 0)
            continue;
        ++n;
        for (int p = 0; p < cols; ++p)
            selected->setCell(p, n, links->cellView(links->ColAtPosition(p), r));
        const QColor color = ClassColor(Arcos[i].Mark);
        selected->SetFontColorCell(0, n, color);
        selected->SetFontColorCell(1, n, color);
    }
    selected->SetRowCount(n + 1);
    return n;
}

void TSelectionController::ListSelectedLinks()
{
    const int n = FillSelectedLinks();
    TStringAlignGrid* selected = SelectedLinksGrid(false);
    QAction* show = viewer_.Action(Cmd::VerSeleccion);
    show->setCheckable(true);
    if (n > 0) {
        selected->show();
        show->setEnabled(true);
        show->setChecked(true);
        viewer_.Action(Cmd::tbSel)->setEnabled(true);
    } else {
        selected->hide();
        show->setEnabled(false);
        show->setChecked(false);
    }
}

void TSelectionController::RefreshSelectedLinks()
{
    // The list holds copies of the link grid's rows: a value loaded onto a link, a
    // new column or a dragged title would otherwise leave it (and its export)
    // telling another story than the rows above.
    TStringAlignGrid* selected = SelectedLinksGrid(false);
    if (!selected || selected->RowCount() <= 1)
        return;
    if (FillSelectedLinks() > 0)
        return;
    selected->hide();
    QAction* show = viewer_.Action(Cmd::VerSeleccion);
    show->setEnabled(false);
    show->setChecked(false);
}

void TSelectionController::VerSeleccionClick(bool checked)
{
    if (TStringAlignGrid* selected = SelectedLinksGrid(false))
        selected->setVisible(checked);
}

// ---------------------------------------------------------------- the two-list choices

void TSelectionController::SelArcoClick()
{
    ChooseLinks(QStringLiteral("Selección de Arcos por Arco"), true, [](const TArcos& a) {
        return Format("%7d", a.A) + "-" + Format("%7d", a.B) + "  " + ZelUtils::Trim(a.StreetName);
    });
}

void TSelectionController::SelNombreClick()
{
    ChooseLinks(QStringLiteral("Selección de Arcos por Nombre"), true, [](const TArcos& a) {
        return Format("%20s", ZelUtils::Trim(a.StreetName) + std::string(32, ' ')) + Format("  %7d-%7d", a.A, a.B);
    });
}

void TSelectionController::SeleccionPorDatosClick()
{
    const int32_t c = UserView().RangeVarByMode[static_cast<size_t>(std::clamp(UserView().RangeMode, 0, MaxRangeModes))];
    TStringAlignGrid* links = viewer_.sagArcos;
    if (c < 0 || c >= links->ColCount() || links->RowCount() < 2)
        return;
    // The distinct values of the column: texts in byte order; numbers by value (blank
    // cells first, words after the numbers).
    std::set<std::string> distinct;
    for (int r = 1; r < links->RowCount(); ++r)
        if (viewer_.Grids().LinkOfRow(r) > 0)
            distinct.insert(ZelUtils::Trim(links->cellView(c, r)));
    std::vector<std::string> values(distinct.begin(), distinct.end());
    if ((links->AlignCol(c) & Qt::AlignHorizontal_Mask) != Qt::AlignLeft) {
        auto rank = [](const std::string& s, double& v) { return s.empty() ? 0 : (AsNumber(s, v) ? 1 : 2); };
        std::stable_sort(values.begin(), values.end(), [&](const std::string& a, const std::string& b) {
            double x = 0.0, y = 0.0;
            const int ra = rank(a, x), rb = rank(b, y);
            if (ra != rb)
                return ra < rb;
            return ra == 1 ? x < y : a < b;
        });
    }
    TDualListDialog* d = LinkDualList();
    d->SetTitle(Qs(Format("Selección de Arcos por \"%s\"", links->cell(c, 0))));
    d->SetSorted(false);
    for (const std::string& v : values)
        d->AddItem(1, TextCodec::Decode(v), QByteArray::fromStdString(v));
    if (!d->Execute())
        return;
    std::set<std::string> chosen;
    for (int k = 0; k < d->Count(2); ++k)
        chosen.insert(d->Data(2, k).toByteArray().toStdString());
    for (int r = 1; r < links->RowCount(); ++r) {
        const int32_t i = viewer_.Grids().LinkOfRow(r);
        if (i == 0 || !chosen.count(ZelUtils::Trim(links->cellView(c, r))))
            continue;
        Arcos[i].Mark = CurrentClass;
        viewer_.Grids().ColorLinkRow(r, CurrentClass);
    }
    if (!chosen.empty())
        viewer_.Action(Cmd::tbSel)->setEnabled(true);
    viewer_.RedrawMap();
    ListSelectedLinks();
}

// ---------------------------------------------------------------- clearing, files

void TSelectionController::AnulaSelArcos()
{
    for (int32_t k = 1; k <= Network.LinkCount; ++k)
        Arcos[k].Mark = 0;
    if (TStringAlignGrid* links = viewer_.sagArcos)
        for (int r = 1; r < links->RowCount(); ++r)
            viewer_.Grids().ColorLinkRow(r, 0);
    viewer_.Action(Cmd::tbSel)->setEnabled(true);
    if (TStringAlignGrid* selected = SelectedLinksGrid(false))
        selected->hide();
    QAction* show = viewer_.Action(Cmd::VerSeleccion);
    show->setEnabled(false);
    show->setChecked(false);
    viewer_.RedrawMap();
}

void TSelectionController::AnulaSelClick() { AnulaSelArcos(); }

bool TSelectionController::ExportaSeleccion(const std::string& fileName)
{
    if (SelectionFiles::WriteSelection(fileName))
        return true;
    Services().ShowMessage(FileUtils::WriteFailure(fileName));
    return false;
}

void TSelectionController::ExportaSeleccin1Click()
{
    QFileDialog dialog(viewer_.DialogParent(), QStringLiteral("Exportar selección ..."));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("sel"));
    dialog.setNameFilter(QString::fromUtf8(SelFilter));
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !ProgramOptions().Overwrite);
    if (!SelFileName.empty())
        dialog.selectFile(Qs(SelFileName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    // The selection is known by the new name only once it is written there.
    if (const std::string name = dialog.selectedFiles().front().toStdString(); ExportaSeleccion(name))
        SelFileName = name;
}

void TSelectionController::ImportaSeleccionArcos(const std::string& fileName)
{
    viewer_.Grids().CreateGrids();
    if (!SelectionFiles::ImportSelection(fileName))
        return;
    TStringAlignGrid* links = viewer_.sagArcos;
    for (int r = 1; r < links->RowCount(); ++r)
        if (const int32_t i = viewer_.Grids().LinkOfRow(r); i > 0 && Arcos[i].Mark > 0)
            viewer_.Grids().ColorLinkRow(r, Arcos[i].Mark);
    // The imported links are listed as after any other selection.
    ListSelectedLinks();
    viewer_.MapView().ZoomSel();
}

void TSelectionController::ImportaSelecciones(const QStringList& files)
{
    // Files none of which names a link of this network (unreadable, lists of
    // another kind, selections of another network) are refused whole, each said
    // once: the selection shown is not cleared for them. An empty file is the
    // selection of no link saved: it clears the selection.
    const bool anyLink = std::any_of(files.begin(), files.end(), [](const QString& f) {
        return SelectionFiles::SelectsOnNetwork(f.toStdString());
    });
    if (!anyLink) {
        for (const QString& f : files)
            SelectionFiles::ImportSelection(f.toStdString());
        return;
    }
    PrepareSelectionGrid();
    AnulaSelArcos();
    for (const QString& f : files) {
        const std::string name = f.toStdString();
        ImportaSeleccionArcos(name);
        // Only a file read onto the network is the selection's file (as for nodes):
        // one refused among them is not offered to the next export.
        if (SelectionFiles::SelectsOnNetwork(name))
            SelFileName = name;
    }
}

void TSelectionController::ImportaSeleccin1Click()
{
    QFileDialog dialog(viewer_.DialogParent(), QStringLiteral("Importar selección ..."));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setDefaultSuffix(QStringLiteral("sel"));
    dialog.setNameFilter(QString::fromUtf8(SelFilter));
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        ImportaSelecciones(dialog.selectedFiles());
    viewer_.RedrawMap();
}

// ---------------------------------------------------------------- region selection

void TSelectionController::SeleccionPorRegion(QAction* item)
{
    if (item)
        SeleccionPorRegionKind(item->data().toInt(), ZelUtils::ShiftDown());
}

void TSelectionController::SeleccionPorRegionKind(int32_t kind, bool deselect)
{
    if (kind < 1 || kind > 3)
        return;
    regionSelectClass_ = deselect ? 0 : CurrentClass;
    regionOutlineColor_ = deselect ? clBlack : clRed;
    viewer_.img->setCursor(MapToolCursor(1));
    PolySelectKind = kind;
    viewer_.HideLegends();
    viewer_.SetCommandOn(Cmd::tbMove, false);
    viewer_.SetCommandOn(Cmd::tbZoom, false);
    PolyPoints.clear();
}

void TSelectionController::AddRegionPoint(double x, double y)
{
    TOxrImage& img = *viewer_.img;
    PolyPoints << QPointF(x, y);
    if (QPainter* c = img.Canvas()) {
        c->save();
        c->setPen(QPen(DisplayStyles::ToQColor(regionOutlineColor_), 1, Qt::DashLine));
        if (PolyPoints.size() == 1)
            img.MoveToW(x, y);
        else
            img.LineToW(x, y);
        c->restore();
    }
}

void TSelectionController::CloseSelectionRegion()
{
    const int32_t kind = PolySelectKind;
    if (kind < 1 || kind > 3)
        return;
    PolySelectKind = 0;
    TOxrImage& img = *viewer_.img;
    img.unsetCursor();
    std::vector<TPoint> points;
    for (const QPointF& p : PolyPoints)
        points.push_back(TPoint{p.x(), p.y()});
    if (!points.empty()) {
        if (QPainter* c = img.Canvas()) {
            c->save();
            c->setPen(QPen(DisplayStyles::ToQColor(regionOutlineColor_), 1, Qt::DashLine));
            img.LineToW(points.front().x, points.front().y);
            c->restore();
        }
    }
    SelectionRegion = img.AddPolygonRegion(points, static_cast<int32_t>(points.size()) - 1, 1);
    PolyPoints.clear();
    auto inside = [this, &img](double x, double y) { return img.PtInRegionW(SelectionRegion, x, y); };
    const int32_t cls = regionSelectClass_;
    const QColor color = ClassColor(cls);

    if (kind == 1) {
        TStringAlignGrid* zones = viewer_.sagZonas;
        for (int32_t z = 1; z <= Network.ZoneCount; ++z) {
            TZona& zone = Zonas[z];
            if (!zone.HasCentroid || !inside(zone.CentroidX, zone.CentroidY))
                continue;
            zone.Class = cls;
            if (zones && z < zones->RowCount())
                zones->SetFontColorCell(0, zones->RowOfRecord(z), color);
        }
    } else if (kind == 2) {
        TStringAlignGrid* nodes = viewer_.sagNodos;
        for (int32_t n = 1; n <= Network.NodeCount; ++n) {
            TNodo& node = Nodos[n];
            if (!node.HasXY || !inside(node.X, node.Y))
                continue;
            node.Mark = cls;
            if (nodes && n < nodes->RowCount())
                nodes->SetFontColorCell(0, nodes->RowOfRecord(n), color);
        }
    } else {
        const bool bothEnds = ProgramOptions().SeleccionGrafica != 0;
        std::vector<char> hit(static_cast<size_t>(Network.LinkCount) + 1, 0);
        for (int32_t i = 1; i <= Network.LinkCount; ++i) {
            TArcos& a = Arcos[i];
            if (a.AIndex <= 0 || a.BIndex <= 0)
                continue;
            const TNodo& na = Nodos[a.AIndex];
            const TNodo& nb = Nodos[a.BIndex];
            const bool inA = na.HasXY && inside(na.X, na.Y);
            const bool inB = nb.HasXY && inside(nb.X, nb.Y);
            if (bothEnds ? (inA && inB) : (inA || inB)) {
                a.Mark = cls;
                hit[static_cast<size_t>(i)] = 1;
            }
        }
        TStringAlignGrid* links = viewer_.sagArcos;
        for (int r = 1; r < links->RowCount(); ++r)
            if (const int32_t i = viewer_.Grids().LinkOfRow(r); i > 0 && hit[static_cast<size_t>(i)])
                viewer_.Grids().ColorLinkRow(r, cls);
        ListSelectedLinks();
    }
    viewer_.RedrawMap();
}

void TSelectionController::ListFoundLinks()
{
    viewer_.Action(Cmd::tbSel)->setEnabled(true);
    ListSelectedLinks();
}

// ---------------------------------------------------------------- find

void TSelectionController::BuscarClick()
{
    TDlgFind& find = Secondary::DlgFind();
    find.Buscaren->SetItemIndex(ShownGrid());
    find.BuscarenClick();
    find.show();
    find.raise();
    find.activateWindow();
}

std::string TSelectionController::ChooseSelectionFile(bool save)
{
    const QString title = save ? QStringLiteral("Exportar selección ...") : QStringLiteral("Importar selección ...");
    if (ChooseSelFile)
        return ChooseSelFile(title, save);
    QFileDialog dialog(viewer_.DialogParent(), title);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QStringLiteral("sel"));
    dialog.setNameFilter(QString::fromUtf8(SelFilter));
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    if (save)
        dialog.setOption(QFileDialog::DontConfirmOverwrite, !ProgramOptions().Overwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().front().toStdString();
}

// ---------------------------------------------------------------- nodes

void TSelectionController::SelecccinporArco1Click()
{
    TDualListDialog* d = DualList(QStringLiteral("Selección de Nodos por Nodo"));
    for (int32_t n = 1; n <= Network.NodeCount; ++n)
        if (Nodos[n].HasXY && Nodos[n].Mark <= 0)
            d->AddItem(1, QString::fromStdString(Format("%7d", Nodos[n].Number)), n);
    // Nothing to offer ends the command, said rather than left to a menu that did nothing.
    if (d->Count(1) == 0) {
        Services().ShowMessage("No hay nodos que ofrecer: todos los nodos con posición ya están seleccionados.");
        return;
    }
    if (!d->Execute())
        return;
    for (int k = 0; k < d->Count(2); ++k) {
        const int32_t n = d->Data(2, k).toInt();
        Nodos[n].Mark = CurrentClass;
        SetRecordColor(viewer_.sagNodos, 0, n, ClassColor(CurrentClass));
    }
    viewer_.RedrawMap();
}

void TSelectionController::AnulaSeleccin1Click()
{
    for (int32_t n = 1; n <= Network.NodeCount; ++n)
        if (Nodos[n].HasXY) {
            Nodos[n].Mark = 0;
            SetRecordColor(viewer_.sagNodos, 0, n, QColor(Qt::black));
        }
    viewer_.RedrawMap();
}

bool TSelectionController::ExportaSeleccionNodos(const std::string& fileName)
{
    std::string text;
    for (int32_t n = 1; n <= Network.NodeCount; ++n)
        if (Nodos[n].Mark > 0)
            text += Format("%10d\r\n", Nodos[n].Number);
    if (FileUtils::WriteTextFile(fileName, text))
        return true;
    Services().ShowMessage(FileUtils::WriteFailure(fileName));
    return false;
}

void TSelectionController::ExportaSeleccin2Click()
{
    const std::string name = ChooseSelectionFile(true);
    if (name.empty())
        return;
    if (ExportaSeleccionNodos(name))
        SelFileName = name;
}

bool TSelectionController::ImportaSeleccionNodos(const std::string& fileName)
{
    std::vector<SelectionFiles::TNumberMark> entries;
    if (!SelectionFiles::ReadNumberMarks(fileName, entries)) {
        Services().ShowMessage(Format("No se puede leer el archivo %s.", fileName));
        return false;
    }
    // A selection of links (node A, node B, class), whose B would be read as a
    // class: refused, nothing marked.
    if (IsLinkSelection(entries, fileName, "nodos", "No se marcó ningún nodo."))
        return false;
    MissingList missing("nodos más no encontrados");
    for (const auto& e : entries) {
        const int32_t n = e.Readable ? KDVlib::FindNodo(e.Number) : 0;
        if (n == 0) {
            missing.Add(e.Readable ? Format("Nodo %d no encontrado", e.Number)
                                   : Format("\"%s\" no es un número de nodo", e.Text));
            continue;
        }
        Nodos[n].Mark = e.HasMark ? FileMark(e.Mark) : CurrentClass;
        SetRecordColor(viewer_.sagNodos, 0, n, ClassColor(Nodos[n].Mark));
    }
    missing.Show();
    return true;
}

void TSelectionController::ImportaSeleccin2Click()
{
    const std::string name = ChooseSelectionFile(false);
    if (name.empty())
        return;
    const bool read = ImportaSeleccionNodos(name);
    // A file not read or refused is not the selection's file: the next export
    // does not offer to write over it.
    if (read)
        SelFileName = name;
    // Polygons kept beside the selection under the same name come with it, in the
    // place of those shown (asked about when in no file; kept on Cancelar); a
    // selection not read or refused brings none.
    const std::string plg = WithSuffix(name, ".plg");
    std::error_code ec;
    if (read && std::filesystem::is_regular_file(plg, ec) &&
        viewer_.Files().ConfirmUnsavedEdits(false, false, false, true)) {
        const std::string earlier = viewer_.Polygons().PolygonFileName;
        viewer_.Polygons().PolygonFileName = plg;
        if (!viewer_.Polygons().ImportarPoligonosPlg())
            viewer_.Polygons().PolygonFileName = earlier; // refused: the polygons shown keep their name
    }
    viewer_.RedrawMap();
}

// ---------------------------------------------------------------- zones

void TSelectionController::SeleccinporZona1Click()
{
    TDualListDialog* d = DualList(QStringLiteral("Selección de Zonas por Zona"));
    for (int32_t z = 1; z <= Network.ZoneCount; ++z)
        d->AddItem(Zonas[z].Class > 0 ? 2 : 1, QString::fromStdString(Format("%7d", Zonas[z].Number)), z);
    if (d->Count(1) == 0) {
        Services().ShowMessage("No hay zonas que ofrecer: todas las zonas ya están seleccionadas "
                               "(\"Anula Selección\" las deja libres).");
        return;
    }
    if (!d->Execute())
        return;
    for (int k = 0; k < d->Count(2); ++k) {
        const int32_t z = d->Data(2, k).toInt();
        if (Zonas[z].Class == 0)
            Zonas[z].Class = CurrentClass;
        SetRecordColor(viewer_.sagZonas, 0, z, ClassColor(Zonas[z].Class));
    }
    viewer_.RedrawMap();
}

void TSelectionController::AnulaSeleccin3Click()
{
    for (int32_t z = 1; z <= Network.ZoneCount; ++z) {
        Zonas[z].Class = 0;
        SetRecordColor(viewer_.sagZonas, 0, z, QColor(Qt::black));
    }
    viewer_.RedrawMap();
}

bool TSelectionController::ExportaSeleccionZonas(const std::string& fileName)
{
    std::string text;
    for (int32_t z = 1; z <= Network.ZoneCount; ++z)
        if (Zonas[z].Class > 0)
            text += Format("%10d%5d\r\n", Zonas[z].Number, Zonas[z].Class);
    if (FileUtils::WriteTextFile(fileName, text))
        return true;
    Services().ShowMessage(FileUtils::WriteFailure(fileName));
    return false;
}

void TSelectionController::ExpotaSeleccin1Click()
{
    const std::string name = ChooseSelectionFile(true);
    if (name.empty())
        return;
    if (ExportaSeleccionZonas(name))
        SelFileName = name;
}

bool TSelectionController::ImportaSeleccionZonas(const std::string& fileName)
{
    std::vector<SelectionFiles::TNumberMark> entries;
    if (!SelectionFiles::ReadNumberMarks(fileName, entries)) {
        Services().ShowMessage(Format("No se puede leer el archivo %s.", fileName));
        return false;
    }
    // No line gives a class (a list of nodes, say): each zone would be read as
    // unselected. Refused, nothing changed.
    if (!entries.empty() && std::none_of(entries.begin(), entries.end(), [](const auto& e) { return e.HasMark; })) {
        Services().ShowMessage(Format("El archivo %s no es una selección de zonas: ninguna línea da la clase "
                                      "(número de zona y clase).\rNo se cambió ninguna zona.",
                                      fileName));
        return false;
    }
    // A selection of links, whose node A would be read as a zone and node B as its
    // class: refused as well.
    if (IsLinkSelection(entries, fileName, "zonas", "No se cambió ninguna zona."))
        return false;
    MissingList missing("zonas más no encontradas");
    for (const auto& e : entries) {
        const int32_t z = e.Readable ? KDVlib::FindZona(e.Number) : 0;
        if (z == 0) {
            missing.Add(e.Readable ? Format("Zona %d no encontrada", e.Number)
                                   : Format("\"%s\" no es un número de zona", e.Text));
            continue;
        }
        Zonas[z].Class = e.HasMark ? FileMark(e.Mark) : 0;
        SetRecordColor(viewer_.sagZonas, 0, z, ClassColor(Zonas[z].Class));
    }
    missing.Show();
    return true;
}

void TSelectionController::ImportaSeleccin4Click()
{
    const std::string name = ChooseSelectionFile(false);
    if (name.empty())
        return;
    if (ImportaSeleccionZonas(name))
        SelFileName = name; // as for nodes
    viewer_.RedrawMap();
}

// ---------------------------------------------------------------- links

void TSelectionController::SeleccionGrillaClick()
{
    viewer_.Grids().CreateGrids();
    TStringAlignGrid* links = viewer_.sagArcos;
    const TGridRect block = links->Selection();
    if (block.Top < 0)
        return;
    links->SetSelection({block.Right, block.Bottom, block.Right, block.Bottom});
    for (int r = std::max(block.Top, 1); r <= block.Bottom; ++r)
        if (const int32_t i = viewer_.Grids().LinkOfRow(r))
            Arcos[i].Mark = CurrentClass;
    viewer_.RedrawMap();
    for (int r = 1; r < links->RowCount(); ++r)
        if (const int32_t i = viewer_.Grids().LinkOfRow(r); i > 0 && Arcos[i].Mark > 0)
            viewer_.Grids().ColorLinkRow(r, Arcos[i].Mark);
    ListSelectedLinks();
}

// The two inversions of the link grid's menu differ on purpose: "Invierte Selección"
// flips every link between unmarked and class 1 (its rows red); "Invierte selcción"
// (the "Selección" submenu) flips between unmarked and the current class. Both show
// the selection they leave at once: the grid rows, the list of selected links below
// and the map.
void TSelectionController::InvierteSeleccin1Click() { InvertLinkMarksToRed(); }
void TSelectionController::Invierteselccin1Click() { InvertLinkMarksToCurrentClass(); }

void TSelectionController::InvertLinkMarksToRed()
{
    // Any mark, negative ones included, is cleared.
    for (int32_t i = 1; i <= Network.LinkCount; ++i)
        Arcos[i].Mark = Arcos[i].Mark != 0 ? 0 : 1;
    TStringAlignGrid* links = viewer_.sagArcos;
    if (!links)
        return;
    for (int r = 1; r < links->RowCount(); ++r)
        if (const int32_t i = viewer_.Grids().LinkOfRow(r)) {
            const QColor color = Arcos[i].Mark != 0 ? DisplayStyles::ToQColor(clRed) : QColor(Qt::black);
            links->SetFontColorCell(0, r, color);
            links->SetFontColorCell(1, r, color);
        }
    ListSelectedLinks();
    viewer_.RedrawMap();
}

void TSelectionController::InvertLinkMarksToCurrentClass()
{
    // Only positive marks are cleared; a negative one takes the current class.
    for (int32_t i = 1; i <= Network.LinkCount; ++i)
        Arcos[i].Mark = Arcos[i].Mark > 0 ? 0 : CurrentClass;
    TStringAlignGrid* links = viewer_.sagArcos;
    if (!links)
        return;
    for (int r = 1; r < links->RowCount(); ++r)
        if (const int32_t i = viewer_.Grids().LinkOfRow(r))
            viewer_.Grids().ColorLinkRow(r, Arcos[i].Mark);
    ListSelectedLinks();
    viewer_.RedrawMap();
}

int32_t TSelectionController::MarcarNoDibujar()
{
    int32_t hidden = 0;
    for (int32_t i = 1; i <= Network.LinkCount; ++i)
        if (Arcos[i].Mark > 0) {
            Arcos[i].Active = 0;
            ++hidden;
        }
    const std::string name = DatDir + DatFileName;
    viewer_.setWindowTitle(QString::fromStdString(hidden == 0 ? name : Format("%s    [%d arcos ocultos]", name, hidden)));
    return hidden;
}

void TSelectionController::MarcarNODibujar1Click() { MarcarNoDibujar(); }

void TSelectionController::ShowPutBackMarks(bool listShown)
{
    viewer_.Grids().FillDeferredGrids();
    TStringAlignGrid* links = viewer_.sagArcos;
    for (int r = 1; links && r < links->RowCount(); ++r)
        if (const int32_t i = viewer_.Grids().LinkOfRow(r); i > 0 && Arcos[i].Mark > 0)
            viewer_.Grids().ColorLinkRow(r, Arcos[i].Mark);
    for (int32_t n = 1; n <= Network.NodeCount; ++n)
        if (Nodos[n].Mark > 0)
            SetRecordColor(viewer_.sagNodos, 0, n, ClassColor(Nodos[n].Mark));
    for (int32_t z = 1; z <= Network.ZoneCount; ++z)
        if (Zonas[z].Class > 0)
            SetRecordColor(viewer_.sagZonas, 0, z, ClassColor(Zonas[z].Class));
    // The lines' names take back their colours with the grids' order
    // (TGridsController::PutBackGridOrder), each as the user left it.
    VisibleLinesChanged = true;
    ListSelectedLinks();
    if (!listShown) {
        viewer_.Action(Cmd::VerSeleccion)->setChecked(false);
        VerSeleccionClick(false);
    }
    int32_t hidden = 0;
    for (int32_t i = 1; i <= Network.LinkCount; ++i)
        hidden += Arcos[i].Active ? 0 : 1;
    if (hidden > 0)
        viewer_.setWindowTitle(QString::fromStdString(Format("%s    [%d arcos ocultos]", DatDir + DatFileName, hidden)));
}

void TSelectionController::AnularMarcas1Click()
{
    for (int32_t i = 1; i <= Network.LinkCount; ++i)
        Arcos[i].Active = 1;
    viewer_.setWindowTitle(QString::fromStdString(DatDir + DatFileName));
}

// ---------------------------------------------------------------- transit lines

void TSelectionController::ShowChosenLines(const std::function<bool(const TLinea&)>& chosen)
{
    // Each chosen line record becomes visible and its row, wherever the grid's sorting
    // put it, shows the name in red.
    TStringAlignGrid* lineGrid = viewer_.sagLineas;
    for (int32_t k = 1; k <= Network.LineCount; ++k) {
        if (!chosen(Lineas[k]))
            continue;
        Lineas[k].Visible = 1;
        SetCellColor(lineGrid, 1, LineRow(lineGrid, k), DisplayStyles::ToQColor(clRed));
    }
    VisibleLinesChanged = true;
    viewer_.RedrawMap();
}

void TSelectionController::SeleccionPorLineaClick()
{
    std::set<std::string> names;
    for (int32_t k = 1; k <= Network.LineCount; ++k)
        names.insert(ZelUtils::Trim(Lineas[k].Name));
    TDualListDialog* d = DualList(QStringLiteral("Selección de Líneas por Línea"));
    for (const std::string& n : names)
        d->AddItem(1, TextCodec::Decode(n), QByteArray::fromStdString(n));
    if (!d->Execute())
        return;
    std::set<std::string> chosen;
    for (int k = 0; k < d->Count(2); ++k)
        chosen.insert(d->Data(2, k).toByteArray().toStdString());
    ShowChosenLines([&](const TLinea& l) { return chosen.count(ZelUtils::Trim(l.Name)) > 0; });
}

void TSelectionController::SeleccionPorGrupoClick()
{
    std::set<std::string> groups;
    for (int32_t k = 1; k <= Network.LineCount; ++k)
        groups.insert(Format("%d", Lineas[k].Group));
    TDualListDialog* d = DualList(QStringLiteral("Selección de Líneas por Grupo"));
    for (const std::string& g : groups)
        d->AddItem(1, QString::fromStdString(g), QByteArray::fromStdString(g));
    if (!d->Execute())
        return;
    std::set<std::string> chosen;
    for (int k = 0; k < d->Count(2); ++k)
        chosen.insert(d->Data(2, k).toByteArray().toStdString());
    ShowChosenLines([&](const TLinea& l) { return chosen.count(Format("%d", l.Group)) > 0; });
}

void TSelectionController::Anulaseleccin2Click()
{
    TStringAlignGrid* lineGrid = viewer_.sagLineas;
    for (int32_t k = 1; k <= Network.LineCount; ++k) {
        Lineas[k].Visible = 0;
        SetCellColor(lineGrid, 1, LineRow(lineGrid, k), QColor(Qt::black));
    }
    std::fill(LinkBusCount.begin(), LinkBusCount.end(), 0.0f);
    VisibleLinesChanged = true;
    viewer_.RedrawMap();
}

// ---------------------------------------------------------------- user polygons

// Every active polygon in turn: the records inside it (nodes, or links with both
// ends inside) are marked and listed under the polygon's name. The marks left are
// those of the last polygon.
bool TSelectionController::SelectByUserPolygons(bool links)
{
    // The list goes under a name made up here, beside the polygons' file: one that
    // cannot be written is said before anything is marked, and one already there
    // (the user may have edited it) is replaced only on a yes.
    const std::string fileName = WithSuffix(viewer_.Polygons().PolygonFileName, links ? "_a.csv" : "_n.csv");
    {
        const SafeFile::TProgramNamed ownName;
        if (const std::string why = SafeFile::Refusal(fileName); !why.empty()) {
            Services().ShowMessage(FileUtils::WriteFailure(fileName, why));
            return false;
        }
    }
    if (!MayReplaceBeside({}, {fileName}))
        return false;
    // The marks are taken here and given to the records only once the list is
    // written: a write refused leaves the selection as it was.
    const int32_t count = links ? Network.LinkCount : Network.NodeCount;
    std::vector<uint8_t> marks(static_cast<size_t>(count) + 1, 0);
    std::string text;
    for (int32_t p = 0; p < NumPoligonos; ++p) {
        const TPoligono& poly = Poligonos[static_cast<size_t>(p)];
        std::fill(marks.begin(), marks.end(), 0);
        if (!poly.Visible)
            continue;
        // A name holding a comma or a quote is quoted: each line keeps its fields.
        std::string name;
        DelimitedText::AppendCell(name, poly.Name, ',');
        TPolygonRecord shape;
        for (int32_t k = 1; k <= poly.VertexCount(); ++k)
            shape.Points.push_back(poly.Points[static_cast<size_t>(k)]);
        auto inside = [&](const TNodo& node) { return node.HasXY && PolygonFile::Contains(shape, node.X, node.Y); };
        if (links) {
            for (int32_t i = 1; i <= Network.LinkCount; ++i) {
                const TArcos& a = Arcos[i];
                if (a.AIndex > 0 && a.BIndex > 0 && inside(Nodos[a.AIndex]) && inside(Nodos[a.BIndex])) {
                    marks[static_cast<size_t>(i)] = 1;
                    text += Format("%d,%d,%s\r\n", a.A, a.B, name);
                }
            }
        } else {
            for (int32_t n = 1; n <= Network.NodeCount; ++n)
                if (inside(Nodos[n])) {
                    marks[static_cast<size_t>(n)] = 1;
                    text += Format("%d,%s\r\n", Nodos[n].Number, name);
                }
        }
    }
    const SafeFile::TProgramNamed ownName; // a name made up here: a link under it is not followed
    if (!FileUtils::WriteTextFile(fileName, text)) {
        Services().ShowMessage(FileUtils::WriteFailure(fileName));
        return false;
    }
    // The marks left are those of the last polygon (none when it is not active).
    if (NumPoligonos > 0)
        for (int32_t i = 1; i <= count; ++i)
            (links ? Arcos[i].Mark : Nodos[i].Mark) = marks[static_cast<size_t>(i)];
    return true;
}

void TSelectionController::Seleccionarnodos1Click() { SelectByUserPolygons(false); }

void TSelectionController::SeleccionarArcos1Click() { SelectByUserPolygons(true); }

TStringAlignGrid* TSelectionController::SelectedLinksGrid(bool make)
{
    if (viewer_.sagArcosSel || !make)
        return viewer_.sagArcosSel;
    // The link grid above, the selected links below, in the links page.
    auto* layout = qobject_cast<QVBoxLayout*>(viewer_.tsArcos->layout());
    auto* split = new QSplitter(Qt::Vertical, viewer_.tsArcos);
    split->setObjectName("SplitArcos");
    if (layout) {
        layout->removeWidget(viewer_.sagArcos);
        layout->addWidget(split);
    }
    split->addWidget(viewer_.sagArcos);
    TStringAlignGrid* grid = new TStringAlignGrid(split);
    viewer_.sagArcosSel = grid;
    grid->setObjectName("sagArcosSel");
    grid->SetFixedRows(1);
    grid->SetAlignment(Qt::AlignRight | Qt::AlignVCenter);
    split->addWidget(grid);
    grid->hide();
    split->show(); // made after its page may have been shown
    if (QMenu* menu = viewer_.pupArcos) {
        grid->setContextMenuPolicy(Qt::CustomContextMenu);
        TPalvonViewer& w = viewer_;
        QObject::connect(grid, &QWidget::customContextMenuRequested, &viewer_, [menu, grid, &w](const QPoint& pos) {
            w.Grids().LinkGridMouseOver = false; // the menu is this grid's, however it was opened
            menu->popup(grid->mapToGlobal(pos));
        });
    }
    TPalvonViewer& w = viewer_;
    QObject::connect(grid, &TStringAlignGrid::mouseMoved, &viewer_, [&w] { w.Grids().LinkGridMouseOver = false; });
    return grid;
}

int TSelectionController::ShownGrid() const
{
    QWidget* page = viewer_.tnDatos->currentWidget();
    if (page == viewer_.tsZonas)
        return 0;
    if (page == viewer_.tsNodos)
        return 1;
    if (page == viewer_.tsLineas)
        return 3;
    if (page == viewer_.tsMovim)
        return 4;
    return 2;
}
