// The data grids: their creation, the column layout of the loaded network (titles,
// column-to-variable tables, the variable menus), the fills from the network
// records and from the listings and counts, and the rows the grids register.
#include "mainwindow/GridsLayout.h"
#include "mainwindow/PalvonViewer.h"
#include "map/gui/DataLayers.h"
#include "map/gui/OxrImage.h"

#include "mainwindow/GridsController.h"
#include "map/DisplayStyles.h"
#include "map/Ranges.h"
#include "model/KDVlib.h"
#include "model/KDVlibPaths.h"
#include "model/KDVvars.h"
#include "model/PalvonRead.h"
#include "model/ProgramOptions.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"
#include "widgets/CommandRegistry.h"
#include "widgets/StringAlignGrid.h"
#include "widgets/WindowHost.h"

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QMenu>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>

using ZelUtils::Format;

namespace GridLayout {

std::vector<TColumnDef> LinkBaseColumns(int32_t knobs, int32_t transitBlocks)
{
    std::vector<TColumnDef> c = {
        {"NodoA", "Nodo A", 0, 0},
        {"NodoB", "Nodo B", 0, 0},
        {"Calle", "Calle", 0, 0},
        {"Orden", "Orden", 0, 0},
        {"V0", "Vel. Flujo Libre", 1, 0},
        {"Vc", "Vel. a Capacidad", 2, 0},
        {"T0", "Tpo. Flujo Libre", 3, 0},
        {"Tc", "Tpo. a Capacidad", 4, 0},
        {"Cap", "Capacidad", 5, 0},
        {"NP", "Número Pistas", 6, 0},
        {"Long", "Longitud", 7, 0},
        {"n", "Exponente \"n\"", 8, 1},
        {"Cat", "Categoría", 9, 0},
        {"Conteo", "Flujo Observado", 10, 0},
    };
    for (int32_t j = 1; j <= knobs; ++j)
        c.push_back({Format("XD%d", j), Format("ExtraData %d", j), 27 + j, 2});
    for (int32_t j = 1; j <= transitBlocks; ++j)
        c.push_back({Format("Veh%d", j), Format("Vehiculos %d", j), 40 + j, 2});
    return c;
}

std::vector<TColumnDef> LinkLpaColumns(int32_t preloadShift, int32_t users)
{
    std::vector<TColumnDef> c = {
        {"Tiempo", "Tiempo Operación", 11, 2},
        {"Veloc", "Velocidad Operación", 12, 2},
        {"F.Asig", "Flujo Asignado", 13, 2},
    };
    if (preloadShift == 1)
        c.push_back({"F.Plod", "Flujo Precarga", 65, 2});
    c.push_back({"F.Fijo", "Flujo Fijo", 14, 2});
    c.push_back({"F.Tot.", "Flujo Total", 15, 2});
    c.push_back({"G.Sat", "Grado Saturación", 16, 2});
    if (users > 1) {
        for (int32_t j = 1; j <= users; ++j)
            c.push_back({Format("C.Gen%d", j), Format("Función Costo %d", j), 50 + j, 2});
        for (int32_t j = 1; j <= users; ++j)
            c.push_back({Format("F.Usu%d", j), Format("Flujo Usuario %d", j), 65 + j, 2});
    }
    return c;
}

std::vector<TColumnDef> LinkLplColumns()
{
    return {
        {"Delay", "Demoras", 18, 2},          {"QuedUp", "QuedUp", 19, 2},
        {"Arrive", "Llegadas", 20, 2},        {"MeanQueue", "Cola Media", 21, 2},
        {"Flow", "Flujo Simulado", 22, 2},    {"Capacity", "Capacidad", 23, 2},
        {"GradoSat", "Grado Saturacion", 24, 2}, {"StackCap", "Stack Capacity", 25, 2},
        {"BlockBac", "Blocking Back", 26, 2},
    };
}

std::vector<TColumnDef> MovimBaseColumns(int32_t transitBlocks)
{
    std::vector<TColumnDef> c = {
        {"NodoA", "Nodo A", 0, 0},
        {"NodoB", "Nodo B", 0, 0},
        {"NodoC", "Nodo C", 0, 0},
        {"Orden", "", 0, 0},
        {"Fl.Sat", "Flujo Saturación", 1, 0},
        {"Pistas", "Numero Pistas", 2, 0},
        {"FLS P.", "FlSat por Pista", 3, 0},
        {"Uso P.", "Uso de Pistas", 0, 0},
        {"Señ.", "Señales", 0, 0},
        {"Conteo", "Flujo Observado", 4, 0},
    };
    for (int32_t j = 1; j <= transitBlocks; ++j)
        c.push_back({Format("Veh%d", j), Format("Vehiculos %d", j), 100 + j, 2});
    return c;
}

std::vector<TColumnDef> MovimLpaColumns(int32_t preloadShift, int32_t users)
{
    std::vector<TColumnDef> c = {
        {"Tiempo", "Tiempo Operación", 5, 2},
        {"F.Asig", "Flujo Asignado", 6, 2},
    };
    if (preloadShift == 1)
        c.push_back({"F.Plod", "Flujo Precarga", 20, 2});
    c.push_back({"F.Fijo", "Flujo Fijo", 7, 2});
    c.push_back({"F.Tot.", "Flujo Total", 8, 2});
    if (users > 1)
        for (int32_t j = 1; j <= users; ++j)
            c.push_back({Format("F.Usu%d", j), Format("Flujo Usuario %d", j), 20 + j, 2});
    return c;
}

std::vector<TColumnDef> MovimLplColumns()
{
    return {
        {"Delay", "Delay", 9, 2},       {"QuedUp", "QuedUp", 10, 2}, {"Arrive", "Arrive", 11, 2},
        {"QuedHere", "QuedHere", 12, 2}, {"Flow", "Flow", 13, 2},     {"Capacity", "Capacity", 14, 2},
        {"GradoSat", "GradoSat", 15, 2},
    };
}

std::string_view FixedText(char* buf, size_t size, double v, int decimals)
{
    // Most values of a network are whole numbers: their text is their digits and
    // the zeros of the decimals, written without the general conversion (a grid
    // holds hundreds of thousands of them). Rounding to no decimals is exact in
    // binary, and rounds halves to even as the general conversion does. A zero
    // with a sign ("-0") takes the general way.
    if (decimals >= 0 && decimals < 16 && std::fabs(v) < 1e15) {
        const double whole = decimals == 0 ? std::nearbyint(v) : v;
        if (whole == std::trunc(whole) && (whole != 0.0 || !std::signbit(v))) {
            auto r = std::to_chars(buf, buf + size, static_cast<int64_t>(whole));
            if (r.ec != std::errc() || static_cast<size_t>(r.ptr - buf) + 1 + static_cast<size_t>(decimals) > size)
                return {};
            char* end = r.ptr;
            if (decimals > 0) {
                *end++ = '.';
                end = std::fill_n(end, decimals, '0');
            }
            return {buf, static_cast<size_t>(end - buf)};
        }
    }
    auto r = std::to_chars(buf, buf + size, v, std::chars_format::fixed, decimals);
    if (r.ec != std::errc())
        return {};
    return {buf, static_cast<size_t>(r.ptr - buf)};
}

} // namespace GridLayout

using namespace GridLayout;

namespace {

// A variable can be shown only with a positive maximum (a kept scale maximum
// belongs to another variable and says nothing about this one).
bool LinkVarShowable(int32_t k) { return k >= 1 && k <= NumLinkVars && Arcos[ArcosMaxRec].Var[k] > 0.0f; }

bool MovimVarShowable(int32_t k) { return k >= 1 && k <= NumMovVars && Movims[MovimsMaxRec].Var[k] > 0.0f; }

bool FileExists(const std::string& name)
{
    std::error_code ec;
    return !name.empty() && name != "null" && std::filesystem::is_regular_file(name, ec);
}

bool OpenListings() { return ProgramOptions().OpenLP; }

QString Qs(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<int>(s.size())); }

// Empties a variable menu. Its items may also sit in a toolbar's drop-down, where
// QMenu::clear would leave them alive: each is removed and deleted here.
void ClearMenu(QMenu* menu)
{
    for (QAction* a : menu->actions()) {
        menu->removeAction(a);
        a->deleteLater();
    }
}

// Writes a block of column definitions at `first` of a grid and its tables.
template <size_t N>
void LayColumns(TStringAlignGrid* grid, int first, const std::vector<TColumnDef>& defs,
                std::array<int32_t, N>& colVar, std::array<std::string, N>& titles)
{
    for (size_t i = 0; i < defs.size(); ++i) {
        const size_t c = static_cast<size_t>(first) + i;
        if (c >= N)
            break;
        grid->setCell(static_cast<int>(c), 0, defs[i].Title);
        colVar[c] = defs[i].Var;
        titles[c] = defs[i].LongTitle;
    }
}

} // namespace

void TGridsController::RegisterCommands(TCommandRegistry& registry)
{
    registry.Register(CommandTable::TOwner::Grids, Cmd::Crearcolumna1, this, &TGridsController::Crearcolumna1Click);
    registry.Register(CommandTable::TOwner::Grids, Cmd::Crearcolumna2, this, &TGridsController::Crearcolumna2Click);
    const std::pair<TCommandId, int> fits[] = {{Cmd::Autojustar1, 1}, {Cmd::Autojustar2, 2}, {Cmd::Autojustar3, 3},
                                               {Cmd::Autojustar4, 4}, {Cmd::Autojustar5, 5}};
    for (const auto& [id, tag] : fits)
        registry.Register(CommandTable::TOwner::Grids, id, [this, tag = tag] { Autojustar(tag); });
    // The ranges and colours of the map's right-button menu, the variables' colours
    // and the junction outline's colour of the intersection analysis.
    const std::pair<TCommandId, int> colours[] = {{Cmd::Color2, 1},
                                                  {Cmd::Color1, 3},
                                                  {Cmd::ColorNormal, 6},
                                                  {Cmd::ColorSobrerango, 7},
                                                  {Cmd::BordeColor1, 21}};
    for (const auto& [id, tag] : colours)
        registry.Register(CommandTable::TOwner::Grids, id, [this, tag = tag] { ColoresClick(tag); });
    for (int i = 0; i < 10; ++i)
        registry.Register(CommandTable::TOwner::Grids, TPalvonViewer::CommandOf(QStringLiteral("cv%1").arg(i)),
                          [this, i] { ColoresClick(100 + i); });
    registry.Register(CommandTable::TOwner::Grids, Cmd::Rangos1, this, &TGridsController::Rangos1Click);
    registry.Register(CommandTable::TOwner::Grids, Cmd::ColorNode, this, &TGridsController::ColorNodeClick);
}

void TGridsController::CreateGrids()
{
    if (sagArcos)
        return;
    auto make = [](QWidget* page, const char* name) {
        auto* layout = qobject_cast<QVBoxLayout*>(page->layout());
        if (!layout) {
            layout = new QVBoxLayout(page);
            layout->setContentsMargins(0, 0, 0, 0);
        }
        auto* grid = new TStringAlignGrid(page);
        grid->setObjectName(QString::fromLatin1(name));
        grid->SetFixedRows(1);
        grid->SetAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->SetColCount(1);
        grid->SetRowCount(2);
        layout->addWidget(grid);
        return grid;
    };
    sagZonas = make(tsZonas, "sagZonas");
    sagNodos = make(tsNodos, "sagNodos");
    sagArcos = make(tsArcos, "sagArcos");
    sagMovim = make(tsMovim, "sagMovim");
    sagLineas = make(tsLineas, "sagLineas");

    VarArcos = new QMenu(QStringLiteral("Variables"), viewer_.DialogParent());
    VarArcos->setObjectName("VarArcos");
    VarMovim = new QMenu(QStringLiteral("Variables"), viewer_.DialogParent());
    VarMovim->setObjectName("VarMovim");
    ConfigurarRmin = new QMenu(QStringLiteral("Configurar"), viewer_.DialogParent());
    ConfigurarRmin->setObjectName("ConfigurarRmin");
    viewer_.Action(Cmd::ConfigurarRminItem)->setMenu(ConfigurarRmin);

    // Each data-layer button drops down the variable menu of its kind; opening it
    // tells the pick which layer to turn on.
    struct Drop {
        TCommandId button;
        int tag;
        QMenu* menu;
        QToolBar* bar;
    };
    QToolBar* tbarArcos = viewer_.tbarArcos;
    QToolBar* tbarMovimientos = viewer_.tbarMovimientos;
    const Drop drops[] = {{Cmd::tbAtributos, 1, VarArcos, tbarArcos},
                          {Cmd::tbColores, 2, VarArcos, tbarArcos},
                          {Cmd::tbValues, 3, VarArcos, tbarArcos},
                          {Cmd::tbMovimLinks, 4, VarMovim, tbarMovimientos},
                          {Cmd::tbMovimValues, 5, VarMovim, tbarMovimientos}};
    for (const Drop& d : drops) {
        QAction* button = viewer_.Action(d.button);
        if (d.bar && !d.bar->actions().contains(button)) {
            button->setVisible(true);
            d.bar->addAction(button);
        }
        auto* drop = new QMenu(viewer_.DialogParent());
        QMenu* source = d.menu;
        const int tag = d.tag;
        QObject::connect(drop, &QMenu::aboutToShow, drop, [this, drop, source, tag] {
            tbDropdown(tag);
            drop->clear();
            drop->addActions(source->actions());
        });
        button->setMenu(drop);
        if (d.bar)
            if (auto* tb = qobject_cast<QToolButton*>(d.bar->widgetForAction(button)))
                tb->setPopupMode(button->isCheckable() ? QToolButton::MenuButtonPopup : QToolButton::InstantPopup);
    }

    // The range legends over the map, made once with the grids.
    viewer_.sym = new TLegendImage(viewer_.img);
    viewer_.sym->setObjectName("sym");
    viewer_.Scl = new TLegendImage(viewer_.img);
    viewer_.Scl->setObjectName("Scl");
}

void TGridsController::ConfigureGrids()
{
    CreateGrids();
    // A new network: the legends go back to their corners at their next drawing.
    viewer_.sym->PlaceAfresh = viewer_.Scl->PlaceAfresh = true;
    // Every column is laid out afresh: blocks reserved for an earlier layout are gone.
    LpaFirstCol = LplFirstCol = LpaMovFirstCol = LplMovFirstCol = CompFirstCol = 0;
    ColVarArcos.fill(0);
    ColVarArcosMenu.fill(0);
    ColVarMovim.fill(0);
    for (auto& t : TitArcos)
        t.clear();
    for (auto& t : TitMovim)
        t.clear();

    // Zones and nodes.
    int32_t maxAccess = 0;
    for (int32_t z = 1; z <= Network.ZoneCount; ++z)
        maxAccess = std::max(maxAccess, Zonas[z].ConnectorCount);
    sagZonas->ClearCells();
    sagZonas->SetRowCount(Network.ZoneCount + 1);
    sagZonas->SetColCount(3 + maxAccess);
    sagZonas->setCell(0, 0, "Zona");
    sagZonas->setCell(1, 0, "X");
    sagZonas->setCell(2, 0, "Y");
    for (int32_t k = 1; k <= maxAccess; ++k)
        sagZonas->setCell(2 + k, 0, Format("Acceso %d", k));

    sagNodos->ClearCells();
    sagNodos->SetRowCount(Network.NodeCount + 1);
    sagNodos->SetColCount(5);
    const char* nodeTitles[5] = {"Nodo", "X", "Y", "Tipo", "Desfase"};
    for (int c = 0; c < 5; ++c)
        sagNodos->setCell(c, 0, nodeTitles[c]);

    // Links.
    const std::vector<TColumnDef> linkCols = LinkBaseColumns(Network.Options.KNOBS, Network.TransitBlockCount);
    NumColArcos = static_cast<int32_t>(std::min<size_t>(linkCols.size(), NumArcosColumns));
    sagArcos->ClearCells();
    sagArcos->SetRowCount(Network.LinkCount + 1);
    sagArcos->SetColCount(NumColArcos);
    for (int c = 0; c < sagArcos->ColCount(); ++c)
        sagArcos->SetAlignCol(c, Qt::AlignRight | Qt::AlignVCenter);
    sagArcos->SetAlignCol(2, Qt::AlignLeft | Qt::AlignVCenter);
    LayColumns(sagArcos, 0, linkCols, ColVarArcos, TitArcos);
    ClearMenu(VarArcos);
    // The cost menu is rebuilt with the link menu: items of an earlier network would
    // otherwise pile up under it.
    ClearMenu(ConfigurarRmin);
    for (int c = 2; c < NumColArcos; ++c)
        AgregarItemArcos(c);
    // No link of a network just read is selected.
    if (sagArcosSel) {
        sagArcosSel->ClearCells();
        sagArcosSel->SetRowCount(1);
        sagArcosSel->hide();
        viewer_.Action(Cmd::VerSeleccion)->setChecked(false);
        viewer_.Action(Cmd::VerSeleccion)->setEnabled(false);
    }

    // Transit lines. The anchor of a Shift range was a line of the network laid
    // out before.
    LastLine = 0;
    if (Network.LineCount > 0) {
        int32_t maxStops = 0;
        for (int32_t l = 1; l <= Network.LineCount; ++l)
            if (!Lineas[l].Stops.empty())
                maxStops = std::max(maxStops, Lineas[l].Stops[0]);
        sagLineas->ClearCells();
        sagLineas->SetRowCount(Network.LineCount + 1);
        sagLineas->SetColCount(7 + maxStops);
        const char* lineTitles[7] = {"Ok", "Linea", "Snt", "Grp", "Ord", "Frec", "num"};
        for (int c = 0; c < 7; ++c)
            sagLineas->setCell(c, 0, lineTitles[c]);
        for (int32_t k = 1; k <= maxStops; ++k)
            sagLineas->setCell(6 + k, 0, Format("%d", k));
        tnDatos->setTabVisible(tnDatos->indexOf(tsLineas), true);
    } else {
        // Hidden is not enough: exports and lookups read the grid, tab or not.
        sagLineas->ClearCells();
        sagLineas->SetColCount(1);
        sagLineas->SetRowCount(1);
        tnDatos->setTabVisible(tnDatos->indexOf(tsLineas), false);
    }

    // Movements.
    ClearMenu(VarMovim);
    if (Network.MovementCount > 0) {
        tnDatos->setTabVisible(tnDatos->indexOf(tsMovim), true);
        viewer_.tbarMovimientos->show();
        const std::vector<TColumnDef> movCols = MovimBaseColumns(Network.TransitBlockCount);
        NumColMovim = static_cast<int32_t>(std::min<size_t>(movCols.size(), NumMovimColumns));
        sagMovim->ClearCells();
        sagMovim->SetRowCount(Network.MovementCount + 1);
        sagMovim->SetColCount(NumColMovim);
        LayColumns(sagMovim, 0, movCols, ColVarMovim, TitMovim);
        for (int c = 4; c < NumColMovim; ++c)
            AgregarItemMovim(c);
    } else {
        // The worksheets write this grid whatever the tab shows: the rows of an
        // earlier network must not stay in it.
        sagMovim->ClearCells();
        sagMovim->SetColCount(1);
        sagMovim->SetRowCount(1);
        NumColMovim = 0;
        tnDatos->setTabVisible(tnDatos->indexOf(tsMovim), false);
        viewer_.tbarMovimientos->hide();
    }

    if (OpenListings()) {
        if (FileExists(LpaFileName))
            ReserveLpaColumns(*this);
        if (FileExists(LplFileName))
            ReserveLplColumns(*this);
    }
}

// The assignment block of the link grid (and of the movement grid when there are
// movements), once per layout; false when the tables have no room left for it.
bool GridLayout::ReserveLpaColumns(TGridsController& w)
{
    const int32_t s = PreloadShift == 1 ? 1 : 0;
    const int32_t users = Network.Options.NOMADS;
    if (LpaFirstCol == 0) {
        const std::vector<TColumnDef> cols = LinkLpaColumns(s, users);
        if (NumColArcos + static_cast<int32_t>(cols.size()) > NumArcosColumns) {
            Services().ShowMessage(Format("La grilla de arcos no admite más de %d columnas:\r"
                                          "los resultados de asignación no se muestran.",
                                          NumArcosColumns));
            return false;
        }
        LpaFirstCol = NumColArcos;
        NumColArcos += static_cast<int32_t>(cols.size());
        w.sagArcos->SetColCount(NumColArcos);
        LayColumns(w.sagArcos, LpaFirstCol, cols, ColVarArcos, TitArcos);
        for (int c = LpaFirstCol; c < NumColArcos; ++c)
            w.AgregarItemArcos(c);
    }
    if (Network.MovementCount > 0 && LpaMovFirstCol == 0) {
        const std::vector<TColumnDef> cols = MovimLpaColumns(s, users);
        if (NumColMovim + static_cast<int32_t>(cols.size()) <= NumMovimColumns) {
            LpaMovFirstCol = NumColMovim;
            NumColMovim += static_cast<int32_t>(cols.size());
            w.sagMovim->SetColCount(NumColMovim);
            LayColumns(w.sagMovim, LpaMovFirstCol, cols, ColVarMovim, TitMovim);
            for (int c = LpaMovFirstCol; c < NumColMovim; ++c)
                w.AgregarItemMovim(c);
        }
    }
    return true;
}

bool GridLayout::ReserveLplColumns(TGridsController& w)
{
    if (LplFirstCol == 0) {
        const std::vector<TColumnDef> cols = LinkLplColumns();
        if (NumColArcos + static_cast<int32_t>(cols.size()) > NumArcosColumns) {
            Services().ShowMessage(Format("La grilla de arcos no admite más de %d columnas:\r"
                                          "los resultados de inspección no se muestran.",
                                          NumArcosColumns));
            return false;
        }
        LplFirstCol = NumColArcos;
        NumColArcos += static_cast<int32_t>(cols.size());
        w.sagArcos->SetColCount(NumColArcos);
        LayColumns(w.sagArcos, LplFirstCol, cols, ColVarArcos, TitArcos);
        for (int c = LplFirstCol; c < NumColArcos; ++c)
            w.AgregarItemArcos(c);
    }
    if (Network.MovementCount > 0 && LplMovFirstCol == 0) {
        const std::vector<TColumnDef> cols = MovimLplColumns();
        if (NumColMovim + static_cast<int32_t>(cols.size()) <= NumMovimColumns) {
            LplMovFirstCol = NumColMovim;
            NumColMovim += static_cast<int32_t>(cols.size());
            w.sagMovim->SetColCount(NumColMovim);
            LayColumns(w.sagMovim, LplMovFirstCol, cols, ColVarMovim, TitMovim);
            for (int c = LplMovFirstCol; c < NumColMovim; ++c)
                w.AgregarItemMovim(c);
        }
    }
    return true;
}

namespace {
// Whether the link variable `k` is the one of the column the data layers show
// (the column a pick of its item chooses).
bool LinkVarChosen(int32_t k)
{
    const int32_t c = UserView().RangeVarArcos;
    return k != 0 && c > 0 && c < NumColArcos && ColVarArcos[static_cast<size_t>(c)] == k;
}
} // namespace

void TGridsController::AgregarItemArcos(int column)
{
    CreateGrids();
    if (column < 0 || column >= NumArcosColumns)
        return;
    const size_t c = static_cast<size_t>(column);
    const int32_t k = ColVarArcos[c];
    const bool enabled = LinkVarShowable(k);
    ColVarArcosMenu[c] = k;

    QAction* item = VarArcos->addAction(Qs(TitArcos[c]));
    item->setData(k);
    item->setCheckable(true);
    item->setEnabled(enabled);
    // A menu laid out again ticks the variable the data layers show.
    item->setChecked(LinkVarChosen(k));
    QObject::connect(item, &QAction::triggered, item, [this, item] { VarArcosClick(item); });

    auto* group = ConfigurarRmin->findChild<QActionGroup*>(QString(), Qt::FindDirectChildrenOnly);
    if (!group) {
        group = new QActionGroup(ConfigurarRmin);
        group->setExclusive(true);
    }
    QAction* cost = ConfigurarRmin->addAction(Qs(TitArcos[c]));
    cost->setData(k);
    cost->setCheckable(true);
    cost->setEnabled(enabled);
    group->addAction(cost);
    QObject::connect(cost, &QAction::triggered, cost, [cost] {
        KDVlib::CostVar = cost->data().toInt();
        cost->setChecked(true);
    });
    if (k == 7) {
        cost->setChecked(true);
        KDVlib::CostVar = 7;
        viewer_.Action(Cmd::ConfigurarRminItem)->setText(Qs(Format("Configurar (%s)", sagArcos->cell(column, 0))));
    }
}

void TGridsController::NameCostInCaption()
{
    int col = 0;
    const int count = std::min<int>(sagArcos ? sagArcos->ColCount() : NumColArcos, NumArcosColumns);
    for (int c = 2; c < count; ++c)
        if (ColVarArcos[static_cast<size_t>(c)] == KDVlib::CostVar)
            col = c;
    const std::string title = sagArcos ? sagArcos->cell(col, 0) : std::string();
    viewer_.Action(Cmd::ConfigurarRminItem)->setText(Qs(Format("Configurar (%s)", title)));
}

void TGridsController::AgregarItemMovim(int column)
{
    CreateGrids();
    if (column < 0 || column >= NumMovimColumns)
        return;
    // Listing a column changes nothing of what the map shows.
    const int32_t k = column < NumColMovim ? ColVarMovim[static_cast<size_t>(column)] : 0;
    const bool enabled = MovimVarShowable(k);

    QAction* item = VarMovim->addAction(Qs(Format("%2d  %s", column, TitMovim[static_cast<size_t>(column)])));
    item->setData(column);
    item->setCheckable(true);
    item->setEnabled(enabled);
    item->setChecked(column > 0 && column == UserView().RangeVarMovim);
    QObject::connect(item, &QAction::triggered, item, [this, item] { VarMovimClick(item); });
}

void TGridsController::TickChosenVariables()
{
    CreateGrids();
    const TViewState& v = UserView();
    for (QAction* a : VarArcos->actions())
        a->setChecked(LinkVarChosen(a->data().toInt()));
    for (QAction* a : VarMovim->actions())
        a->setChecked(v.RangeVarMovim > 0 && a->data().toInt() == v.RangeVarMovim);
    MarkShownTitles();
}

namespace {
// Every title of the grid back to the title row's own colour.
void ClearTitleMarks(TStringAlignGrid& grid)
{
    for (int col = 0; col < grid.ColCount(); ++col)
        grid.SetColorCell(col, 0, QColor());
}
} // namespace

void TGridsController::MarkShownTitles()
{
    MarkLinkTitles();
    MarkMovimTitles();
}

void TGridsController::MarkLinkTitles()
{
    if (!sagArcos)
        return;
    const TViewState& v = UserView();
    ClearTitleMarks(*sagArcos);
    // The current mode's column is the variable shown (a click on the grid
    // points the mode at another column without showing it).
    const size_t mode = static_cast<size_t>(std::clamp(v.RangeMode, 0, MaxRangeModes));
    if (mode > 0 && v.RangeVarArcos > 1 && v.RangeVarArcos < NumColArcos)
        for (size_t m = 1; m <= mode; ++m)
            if (const int32_t c = m == mode ? v.RangeVarArcos : v.RangeVarByMode[m]; c > 0 && c < sagArcos->ColCount())
                sagArcos->SetColorCell(c, 0, DisplayStyles::ToQColor(v.ModePenColors[mode]));
}

void TGridsController::MarkMovimTitles()
{
    if (!sagMovim)
        return;
    const TViewState& v = UserView();
    ClearTitleMarks(*sagMovim);
    const int32_t c = v.RangeVarMovim;
    const int32_t k = c > 0 && c < NumColMovim && c < NumMovimColumns ? ColVarMovim[static_cast<size_t>(c)] : 0;
    if (k >= 1 && k <= NumMovVars && c < sagMovim->ColCount())
        sagMovim->SetColorCell(c, 0, DisplayStyles::ToQColor(v.ModePenColors[1]));
}

void TGridsController::RefreshVarItems()
{
    CreateGrids();
    for (QMenu* links : {VarArcos, ConfigurarRmin})
        for (QAction* a : links->actions())
            a->setEnabled(LinkVarShowable(a->data().toInt()));
    for (QAction* a : VarMovim->actions()) {
        const int column = a->data().toInt();
        a->setEnabled(column >= 0 && column < NumColMovim && MovimVarShowable(ColVarMovim[static_cast<size_t>(column)]));
    }
}

void TGridsController::DrawDataDat()
{
    CreateGrids();
    tnDatos->setCurrentWidget(tsArcos);
    CountJunctionTypes();
    // The grids are filled once the map of the new network is on screen (the
    // user sees the network first), or when first shown or read before that.
    // Their titles are known already, and so are the names of their columns.
    // Without a map on its way (a batch, a map out of sight) the grid in sight is
    // filled at once.
    const bool mapComing =
        !BatchMode && DrawEnabled && viewer_.img->isVisible() && !viewer_.img->size().isEmpty();
    struct Fill {
        TStringAlignGrid* grid;
        void (*fill)(TStringAlignGrid*);
        std::vector<std::string>& campos;
        bool wanted;
    };
    const Fill fills[] = {{sagZonas, FillZones, CamposZonas, true},
                          {sagNodos, FillNodes, CamposNodos, true},
                          {sagArcos, FillLinks, CamposArcos, true},
                          {sagLineas, FillLines, CamposLineas, Network.LineCount > 0},
                          {sagMovim, FillMovements, CamposMovims, Network.MovementCount > 0}};
    for (const Fill& f : fills)
        if (f.wanted) {
            RebuildCampos(f.grid, f.campos);
            f.grid->DeferFill([grid = f.grid, fill = f.fill] { fill(grid); }, mapComing);
        } else {
            // A network without lines or movements has no such columns to search:
            // the titles of an earlier network's grid are not offered.
            f.campos.clear();
        }
    FillAfterMap = true;
}

void TGridsController::FillDeferredGrids()
{
    FillAfterMap = false;
    for (TStringAlignGrid* grid : {sagZonas, sagNodos, sagArcos, sagLineas, sagMovim})
        if (grid)
            grid->Ready();
}

void TGridsController::DrawDataLpa()
{
    CreateGrids();
    if (LpaFirstCol == 0 && !ReserveLpaColumns(*this))
        return;
    const int32_t s = PreloadShift == 1 ? 1 : 0;
    const std::vector<TColumnDef> linkCols = LinkLpaColumns(s, Network.Options.NOMADS);
    FillBlock(sagArcos, LpaFirstCol, linkCols, false);
    SortAgainIfOn(false, LpaFirstCol, LpaFirstCol + static_cast<int>(linkCols.size()) - 1);
    if (Network.MovementCount > 0 && LpaMovFirstCol > 0) {
        const std::vector<TColumnDef> movCols = MovimLpaColumns(s, Network.Options.NOMADS);
        FillBlock(sagMovim, LpaMovFirstCol, movCols, true);
        SortAgainIfOn(true, LpaMovFirstCol, LpaMovFirstCol + static_cast<int>(movCols.size()) - 1);
    }
    sagArcos->FitColWidths();
    RebuildCampos(sagArcos, CamposArcos);
    if (Network.MovementCount > 0)
        RebuildCampos(sagMovim, CamposMovims);
    viewer_.Selection().RefreshSelectedLinks();
}

void TGridsController::DrawDataLpl()
{
    CreateGrids();
    if (LplFirstCol == 0 && !ReserveLplColumns(*this))
        return;
    const std::vector<TColumnDef> linkCols = LinkLplColumns();
    FillBlock(sagArcos, LplFirstCol, linkCols, false);
    SortAgainIfOn(false, LplFirstCol, LplFirstCol + static_cast<int>(linkCols.size()) - 1);
    if (Network.MovementCount > 0 && LplMovFirstCol > 0) {
        const std::vector<TColumnDef> movCols = MovimLplColumns();
        FillBlock(sagMovim, LplMovFirstCol, movCols, true);
        SortAgainIfOn(true, LplMovFirstCol, LplMovFirstCol + static_cast<int>(movCols.size()) - 1);
    }
    RebuildCampos(sagArcos, CamposArcos);
    if (Network.MovementCount > 0)
        RebuildCampos(sagMovim, CamposMovims);
    viewer_.Selection().RefreshSelectedLinks();
}

void TGridsController::DrawDataCnt()
{
    CreateGrids();
    char buf[64];
    if (sagArcos->ColCount() > 13)
        for (int32_t i = 1; i <= Network.LinkCount && i < sagArcos->RowCount(); ++i)
            sagArcos->setCell(13, sagArcos->RowOfRecord(i), FixedText(buf, sizeof buf, Arcos[i].Var[10], 0));
    if (sagMovim->ColCount() > 9)
        for (int32_t m = 1; m <= Network.MovementCount && m < sagMovim->RowCount(); ++m)
            sagMovim->setCell(9, sagMovim->RowOfRecord(m), FixedText(buf, sizeof buf, Movims[m].Var[4], 0));
    SortAgainIfOn(false, 13, 13);
    SortAgainIfOn(true, 9, 9);
    viewer_.Selection().RefreshSelectedLinks();
}

void TGridsController::Autojustar(int tag)
{
    TStringAlignGrid* grids[] = {nullptr, sagZonas, sagNodos, sagArcos, sagLineas, sagMovim};
    if (tag < 1 || tag > 5 || !grids[tag])
        return;
    grids[tag]->FitColWidths();
    grids[tag]->FitRowHeights();
}
