// Selection of links (and of zones and nodes by region): by link, by street name
// or by the values of a grid column in the two-list dialog, by a region drawn on
// the map, and from selection files; the list of selected links under the link
// grid; and the opening of the find dialog.
#include "model/FileUtils.h"
#include "mainwindow/DlgFind.h"
#include "widgets/DualListDialog.h"
#include "mainwindow/PalvonViewer.h"
#include "mainwindow/SecondaryWindows.h"
#include "widgets/StringAlignGrid.h"
#include "map/DisplayStyles.h"
#include "map/Ranges.h"
#include "map/gui/DataLayers.h"
#include "map/gui/MapLayers.h"
#include "map/gui/OxrImage.h"
#include "model/KDVvars.h"
#include "model/PalvonVars.h"
#include "model/ProgramOptions.h"
#include "model/SelectionFiles.h"
#include "model/TextCodec.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QSplitter>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <charconv>
#include <functional>
#include <set>

using ZelUtils::Format;

namespace {

QString Qs(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<int>(s.size())); }

const char* const SelFilter = "Archivos de selección [*.sel] (*.sel)";

TDualListDialog* DualList(TPalvonViewer& w)
{
    if (!w.dld)
        w.dld = new TDualListDialog(&w);
    w.dld->Clear();
    w.dld->SetLabels(QStringLiteral("Dsiponibles"), QStringLiteral("Seleccionados"));
    return w.dld;
}

QColor ClassColor(int32_t mark)
{
    return mark > 0 && mark <= MaxClasses ? DisplayStyles::ToQColor(ClassColors[static_cast<size_t>(mark)])
                                          : QColor(Qt::black);
}

// The two-list choice of links: the selected links start in the chosen list. After
// a confirmed dialog the chosen links take the current class and the links moved out
// of it are deselected; a cancelled dialog changes nothing.
void ChooseLinks(TPalvonViewer& w, const QString& title, bool sorted,
                 const std::function<std::string(const TArcos&)>& entry)
{
    TDualListDialog* d = DualList(w);
    d->SetTitle(title);
    d->SetSorted(sorted);
    for (int r = 1; r < w.sagArcos->RowCount(); ++r) {
        const int32_t i = w.LinkOfRow(r);
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
            w.ColorLinkRow(p.Row, 0);
        }
    }
    for (int k = 0; k < d->Count(2); ++k) {
        const TIntPair p = d->Data(2, k).value<TIntPair>();
        Arcos[p.Index].Mark = CurrentClass;
        w.ColorLinkRow(p.Row, CurrentClass);
    }
    if (d->Count(2) > 0)
        w.Action(Cmd::tbSel)->setEnabled(true);
    w.DrawPalvon();
    w.ListSelectedLinks();
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

} // namespace

// ---------------------------------------------------------------- menus

void TPalvonViewer::CreateSelectionMenus()
{
    QMenu* menu = menuBar()->addMenu(QStringLiteral("&Selección"));
    menu->setObjectName("Seleccion");
    pupArcos = new QMenu(this);
    pupArcos->setObjectName("pupArcos");
    pupZonas = new QMenu(this);
    pupZonas->setObjectName("pupZonas");
    pupNodos = new QMenu(this);
    pupNodos->setObjectName("pupNodos");

    QAction* byLink = AddAction(menu, Cmd::SelArco);
    QAction* byName = AddAction(menu, Cmd::SelNombre);
    QAction* byData = AddAction(menu, Cmd::SeleccionPorDatos);
    QAction* byRegion = AddAction(menu, Cmd::SeleccinporRegin1);
    byRegion->setData(3);
    menu->addSeparator();
    QAction* clear = AddAction(menu, Cmd::AnulaSel);
    QAction* show = AddAction(menu, Cmd::VerSeleccion);
    show->setEnabled(false);
    menu->addSeparator();
    QAction* exportSel = AddAction(menu, Cmd::ExportaSeleccin1);
    QAction* importSel = AddAction(menu, Cmd::ImportaSeleccin1);
    menu->addSeparator();
    QAction* find = AddAction(menu, Cmd::aBuscar);
    find->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_B));
    pupArcos->addActions({byLink, byName, byData, byRegion});
    pupArcos->addSeparator();
    pupArcos->addActions({clear, show});
    pupArcos->addSeparator();
    pupArcos->addActions({exportSel, importSel});
    QAction* zoneRegion = AddAction(pupZonas, Cmd::SeleccinporRegin3);
    zoneRegion->setData(1);
    QAction* nodeRegion = AddAction(pupNodos, Cmd::SeleccinporRegin2);
    nodeRegion->setData(2);

    Registry().Register(CommandTable::TOwner::Selection, Cmd::SelArco, this, &TPalvonViewer::SelArcoClick);
    Registry().Register(CommandTable::TOwner::Selection, Cmd::SelNombre, this, &TPalvonViewer::SelNombreClick);
    Registry().Register(CommandTable::TOwner::Selection, Cmd::SeleccionPorDatos, this,
                        &TPalvonViewer::SeleccionPorDatosClick);
    for (QAction* a : {byRegion, zoneRegion, nodeRegion})
        Registry().Register(CommandTable::TOwner::Selection, CommandOf(a), [this, a] { SeleccionPorRegion(a); });
    Registry().Register(CommandTable::TOwner::Selection, Cmd::AnulaSel, this, &TPalvonViewer::AnulaSelClick);
    Registry().Register(CommandTable::TOwner::Selection, Cmd::VerSeleccion, this, &TPalvonViewer::VerSeleccionClick);
    Registry().Register(CommandTable::TOwner::Selection, Cmd::ExportaSeleccin1, this,
                        &TPalvonViewer::ExportaSeleccin1Click);
    Registry().Register(CommandTable::TOwner::Selection, Cmd::ImportaSeleccin1, this,
                        &TPalvonViewer::ImportaSeleccin1Click);
    Registry().Register(CommandTable::TOwner::Selection, Cmd::aBuscar, this, &TPalvonViewer::BuscarClick);
}

// ---------------------------------------------------------------- the selected-links grid

void TPalvonViewer::PrepareSelectionGrid()
{
    CreateGrids();
    if (!sagArcosSel) {
        auto* layout = qobject_cast<QVBoxLayout*>(tsArcos->layout());
        SplitArcos = new QSplitter(Qt::Vertical, tsArcos);
        SplitArcos->setObjectName("SplitArcos");
        if (layout) {
            layout->removeWidget(sagArcos);
            layout->addWidget(SplitArcos);
        }
        SplitArcos->addWidget(sagArcos);
        sagArcosSel = new TStringAlignGrid(SplitArcos);
        sagArcosSel->setObjectName("sagArcosSel");
        sagArcosSel->SetFixedRows(1);
        sagArcosSel->SetAlignment(Qt::AlignRight | Qt::AlignVCenter);
        SplitArcos->addWidget(sagArcosSel);
        sagArcosSel->hide();
        SplitArcos->show(); // made after its page may have been shown
        if (pupArcos) {
            sagArcosSel->setContextMenuPolicy(Qt::CustomContextMenu);
            connect(sagArcosSel, &QWidget::customContextMenuRequested, this,
                    [this](const QPoint& pos) { pupArcos->popup(sagArcosSel->mapToGlobal(pos)); });
        }
        connect(sagArcosSel, &TStringAlignGrid::mouseMoved, this, [this] { LinkGridMouseOver = false; });
    }
    const int cols = std::max(sagArcos->ColCount(), 1);
    sagArcosSel->ClearCells();
    sagArcosSel->SetColCount(cols);
    sagArcosSel->SetRowCount(1);
    for (int c = 0; c < sagArcos->ColCount(); ++c) {
        sagArcosSel->setCell(c, 0, sagArcos->cellView(c, 0));
        sagArcosSel->SetColWidths(c, sagArcos->ColWidths(c));
        sagArcosSel->SetAlignCol(c, sagArcos->AlignCol(c));
    }
}

void TPalvonViewer::ListSelectedLinks()
{
    PrepareSelectionGrid();
    const int cols = sagArcos->ColCount();
    sagArcosSel->SetRowCount(std::max(sagArcos->RowCount(), 1));
    int n = 0;
    for (int r = 1; r < sagArcos->RowCount(); ++r) {
        const int32_t i = LinkOfRow(r);
        if (i == 0 || Arcos[i].Mark <= 0)
            continue;
        ++n;
        for (int c = 0; c < cols; ++c)
            sagArcosSel->setCell(c, n, sagArcos->cellView(c, r));
        const QColor color = ClassColor(Arcos[i].Mark);
        sagArcosSel->SetFontColorCell(0, n, color);
        sagArcosSel->SetFontColorCell(1, n, color);
    }
    sagArcosSel->SetRowCount(n + 1);
    QAction* show = Action(Cmd::VerSeleccion);
    show->setCheckable(true);
    if (n > 0) {
        sagArcosSel->show();
        show->setEnabled(true);
        show->setChecked(true);
        Action(Cmd::tbSel)->setEnabled(true);
    } else {
        sagArcosSel->hide();
        show->setEnabled(false);
        show->setChecked(false);
    }
}

void TPalvonViewer::VerSeleccionClick(bool checked)
{
    if (sagArcosSel)
        sagArcosSel->setVisible(checked);
}

// ---------------------------------------------------------------- the two-list choices

void TPalvonViewer::SelArcoClick()
{
    ChooseLinks(*this, QStringLiteral("Selección de Arcos por Arco"), true, [](const TArcos& a) {
        return Format("%7d", a.A) + "-" + Format("%7d", a.B) + "  " + ZelUtils::Trim(a.StreetName);
    });
}

void TPalvonViewer::SelNombreClick()
{
    ChooseLinks(*this, QStringLiteral("Selección de Arcos por Nombre"), true, [](const TArcos& a) {
        return Format("%20s", ZelUtils::Trim(a.StreetName) + std::string(32, ' ')) + Format("  %7d-%7d", a.A, a.B);
    });
}

void TPalvonViewer::SeleccionPorDatosClick()
{
    const int32_t c = RangeVarByMode[static_cast<size_t>(std::clamp(RangeMode, 0, MaxRangeModes))];
    if (c < 0 || c >= sagArcos->ColCount() || sagArcos->RowCount() < 2)
        return;
    // The distinct values of the column: texts in byte order; numbers by value (blank
    // cells first, words after the numbers).
    std::set<std::string> distinct;
    for (int r = 1; r < sagArcos->RowCount(); ++r)
        if (LinkOfRow(r) > 0)
            distinct.insert(ZelUtils::Trim(sagArcos->cellView(c, r)));
    std::vector<std::string> values(distinct.begin(), distinct.end());
    if ((sagArcos->AlignCol(c) & Qt::AlignHorizontal_Mask) != Qt::AlignLeft) {
        auto rank = [](const std::string& s, double& v) { return s.empty() ? 0 : (AsNumber(s, v) ? 1 : 2); };
        std::stable_sort(values.begin(), values.end(), [&](const std::string& a, const std::string& b) {
            double x = 0.0, y = 0.0;
            const int ra = rank(a, x), rb = rank(b, y);
            if (ra != rb)
                return ra < rb;
            return ra == 1 ? x < y : a < b;
        });
    }
    TDualListDialog* d = DualList(*this);
    d->SetTitle(Qs(Format("Selección de Arcos por \"%s\"", sagArcos->cell(c, 0))));
    d->SetSorted(false);
    for (const std::string& v : values)
        d->AddItem(1, TextCodec::Decode(v), QByteArray::fromStdString(v));
    if (!d->Execute())
        return;
    std::set<std::string> chosen;
    for (int k = 0; k < d->Count(2); ++k)
        chosen.insert(d->Data(2, k).toByteArray().toStdString());
    for (int r = 1; r < sagArcos->RowCount(); ++r) {
        const int32_t i = LinkOfRow(r);
        if (i == 0 || !chosen.count(ZelUtils::Trim(sagArcos->cellView(c, r))))
            continue;
        Arcos[i].Mark = CurrentClass;
        ColorLinkRow(r, CurrentClass);
    }
    if (!chosen.empty())
        Action(Cmd::tbSel)->setEnabled(true);
    DrawPalvon();
    ListSelectedLinks();
}

// ---------------------------------------------------------------- clearing, files

void TPalvonViewer::AnulaSelArcos()
{
    for (int32_t k = 1; k <= Network.LinkCount; ++k)
        Arcos[k].Mark = 0;
    if (sagArcos)
        for (int r = 1; r < sagArcos->RowCount(); ++r)
            ColorLinkRow(r, 0);
    Action(Cmd::tbSel)->setEnabled(true);
    if (sagArcosSel)
        sagArcosSel->hide();
    QAction* show = Action(Cmd::VerSeleccion);
    show->setEnabled(false);
    show->setChecked(false);
    DrawPalvon();
}

void TPalvonViewer::AnulaSelClick() { AnulaSelArcos(); }

bool TPalvonViewer::ExportaSeleccion(const std::string& fileName)
{
    if (SelectionFiles::WriteSelection(fileName))
        return true;
    Services().ShowMessage(FileUtils::WriteFailure(fileName));
    return false;
}

void TPalvonViewer::ExportaSeleccin1Click()
{
    QFileDialog dialog(this, QStringLiteral("Exportar selección ..."));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("sel"));
    dialog.setNameFilter(QString::fromUtf8(SelFilter));
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !ProgramOptions().Overwrite);
    if (!SelFileName.empty())
        dialog.selectFile(Qs(SelFileName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    SelFileName = dialog.selectedFiles().front().toStdString();
    ExportaSeleccion(SelFileName);
}

void TPalvonViewer::ImportaSeleccionArcos(const std::string& fileName)
{
    CreateGrids();
    if (!SelectionFiles::ImportSelection(fileName))
        return;
    for (int r = 1; r < sagArcos->RowCount(); ++r)
        if (const int32_t i = LinkOfRow(r); i > 0 && Arcos[i].Mark > 0)
            ColorLinkRow(r, Arcos[i].Mark);
    // The imported links are listed as after any other selection.
    ListSelectedLinks();
    MapView().ZoomSel();
}

void TPalvonViewer::ImportaSelecciones(const QStringList& files)
{
    PrepareSelectionGrid();
    AnulaSelArcos();
    for (const QString& f : files) {
        SelFileName = f.toStdString();
        ImportaSeleccionArcos(SelFileName);
    }
}

void TPalvonViewer::ImportaSeleccin1Click()
{
    QFileDialog dialog(this, QStringLiteral("Importar selección ..."));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setDefaultSuffix(QStringLiteral("sel"));
    dialog.setNameFilter(QString::fromUtf8(SelFilter));
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        ImportaSelecciones(dialog.selectedFiles());
    DrawPalvon();
}

// ---------------------------------------------------------------- region selection

void TPalvonViewer::SeleccionPorRegion(QAction* item)
{
    if (item)
        SeleccionPorRegionKind(item->data().toInt(), ZelUtils::ShiftDown());
}

void TPalvonViewer::SeleccionPorRegionKind(int32_t kind, bool deselect)
{
    if (kind < 1 || kind > 3)
        return;
    RegionSelectClass = deselect ? 0 : CurrentClass;
    RegionOutlineColor = deselect ? clBlack : clRed;
    img->setCursor(MapToolCursor(1));
    PolySelectKind = kind;
    if (sym)
        sym->hide();
    if (Scl)
        Scl->hide();
    SetDown(Cmd::tbMove, false);
    SetDown(Cmd::tbZoom, false);
    PolyPoints.clear();
}

void TPalvonViewer::CloseSelectionRegion()
{
    const int32_t kind = PolySelectKind;
    if (kind < 1 || kind > 3)
        return;
    PolySelectKind = 0;
    img->unsetCursor();
    std::vector<TPoint> points;
    for (const QPointF& p : PolyPoints)
        points.push_back(TPoint{p.x(), p.y()});
    if (!points.empty()) {
        if (QPainter* c = img->Canvas()) {
            c->save();
            c->setPen(QPen(DisplayStyles::ToQColor(RegionOutlineColor), 1, Qt::DashLine));
            img->LineToW(points.front().x, points.front().y);
            c->restore();
        }
    }
    SelectionRegion = img->AddPolygonRegion(points, static_cast<int32_t>(points.size()) - 1, 1);
    PolyPoints.clear();
    auto inside = [this](double x, double y) { return img->PtInRegionW(SelectionRegion, x, y); };
    const int32_t cls = RegionSelectClass;
    const QColor color = ClassColor(cls);

    if (kind == 1) {
        for (int32_t z = 1; z <= Network.ZoneCount; ++z) {
            TZona& zone = Zonas[z];
            if (!zone.HasCentroid || !inside(zone.CentroidX, zone.CentroidY))
                continue;
            zone.Class = cls;
            if (sagZonas && z < sagZonas->RowCount())
                sagZonas->SetFontColorCell(0, z, color);
        }
    } else if (kind == 2) {
        for (int32_t n = 1; n <= Network.NodeCount; ++n) {
            TNodo& node = Nodos[n];
            if (!node.HasXY || !inside(node.X, node.Y))
                continue;
            node.Mark = cls;
            if (sagNodos && n < sagNodos->RowCount())
                sagNodos->SetFontColorCell(0, n, color);
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
        for (int r = 1; r < sagArcos->RowCount(); ++r)
            if (const int32_t i = LinkOfRow(r); i > 0 && hit[static_cast<size_t>(i)])
                ColorLinkRow(r, cls);
        ListSelectedLinks();
    }
    DrawPalvon();
}

// ---------------------------------------------------------------- find

void TPalvonViewer::BuscarClick()
{
    QWidget* page = tnDatos->currentWidget();
    int kind = 2;
    if (page == tsZonas)
        kind = 0;
    else if (page == tsNodos)
        kind = 1;
    else if (page == tsLineas)
        kind = 3;
    else if (page == tsMovim)
        kind = 4;
    TDlgFind& find = Secondary::DlgFind();
    find.Buscaren->SetItemIndex(kind);
    find.BuscarenClick();
    find.show();
    find.raise();
    find.activateWindow();
}
