// Layer toggles of the map: toolbar buttons and menu items that switch drawing
// layers on and off, each button kept in step with its menu item. A layer toggle
// redraws at once only when the options dialog's "Actualización" box for its layer
// is ticked; otherwise the change shows at the next redraw. Also here: which
// toolbars are shown, the lane and movement boxes and the title toolbar.
#include "map/gui/DisplayController.h"

#include "map/gui/MapCommands.h"
#include "map/gui/MapHost.h"
#include "map/gui/MapViewHost.h"
#include "map/DisplayStyles.h"
#include "map/DrawState.h"
#include "map/gui/OxrImage.h"
#include "model/KDVvars.h"
#include "model/PalvonVars.h"
#include "model/ProgramOptions.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"
#include "widgets/CommandPlaces.h"
#include "widgets/CommandRegistry.h"
#include "widgets/WindowHost.h"
#include "widgets/TypedNumber.h"

#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFontComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QSpinBox>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>

using MapCommands::Named;

namespace {

// Two checkable actions kept in the same state, whoever changes one of them.
void Twin(QAction* a, QAction* b)
{
    a->setCheckable(true);
    b->setCheckable(true);
    b->setChecked(a->isChecked());
    QObject::connect(a, &QAction::toggled, b, &QAction::setChecked);
    QObject::connect(b, &QAction::toggled, a, &QAction::setChecked);
}

bool UpdateTicked(bool TProgramOptions::*box) { return ProgramOptions().*box; }

// The layers that redraw when their update box is ticked: button, menu item, box.
const struct {
    TCommandId button;
    TCommandId item;
    bool TProgramOptions::*update;
} Toggles[] = {{Cmd::tbArrows, Cmd::Sentidos1, &TProgramOptions::Sentidos},
               {Cmd::tbNodes, Cmd::Nodos1, &TProgramOptions::Nodos},
               {Cmd::tbNameNodes, Cmd::Nombres1, &TProgramOptions::NombreNodos},
               {Cmd::tbCalles, Cmd::Calles1, &TProgramOptions::Calles},
               {Cmd::tbCents, Cmd::Centroides1, &TProgramOptions::Centroides},
               {Cmd::tbAtributos, Cmd::Atributos1, &TProgramOptions::Atributos},
               {Cmd::tbColores, Cmd::colores1, &TProgramOptions::Atributos},
               {Cmd::tbValues, Cmd::Valores1, &TProgramOptions::Valores}};

} // namespace

TDisplayController::TDisplayController(TWindowHost& window, TMapHost& map, TMapViewHost& host,
                                       TMapViewController& view)
    : window_(window), map_(map), host_(host), view_(view)
{
}

void TDisplayController::RegisterCommands(TCommandRegistry& registry)
{
    using TOwner = CommandTable::TOwner;
    // ---- Layer toggles ----
    for (const auto& t : Toggles) {
        const TCommandId name = t.button;
        bool TProgramOptions::*update = t.update;
        auto handler = [this, name, update] {
            const bool down = window_.CommandOn(name);
            // Bars and colour classes exclude each other; link data layers exclude the
            // movement ones.
            if (down && name == Cmd::tbAtributos)
                window_.SetCommandOn(Cmd::tbColores, false);
            if (down && name == Cmd::tbColores)
                window_.SetCommandOn(Cmd::tbAtributos, false);
            if (down && (name == Cmd::tbAtributos || name == Cmd::tbColores || name == Cmd::tbValues)) {
                window_.Action(Cmd::aAtributos2)->setChecked(false);
                window_.SetCommandOn(Cmd::tbMovimValues, false);
            }
            if (UpdateTicked(update))
                window_.RedrawMap();
        };
        registry.Register(TOwner::MapView, t.button, handler);
        registry.Register(TOwner::MapView, t.item, handler);
    }
    auto atributos2 = [this] {
        if (window_.Action(Cmd::aAtributos2)->isChecked()) {
            window_.SetCommandOn(Cmd::tbAtributos, false);
            window_.SetCommandOn(Cmd::tbColores, false);
            window_.SetCommandOn(Cmd::tbValues, false);
        } else {
            window_.SetCommandOn(Cmd::tbMovimValues, false);
        }
        if (UpdateTicked(&TProgramOptions::Atributos))
            window_.RedrawMap();
    };
    for (TCommandId id : {Cmd::aAtributos2, Cmd::tbMovimLinks, Cmd::Atributos2})
        registry.Register(TOwner::MapView, id, atributos2);
    auto valores2 = [this] {
        if (window_.CommandOn(Cmd::tbMovimValues))
            window_.Action(Cmd::aAtributos2)->setChecked(true);
    };
    registry.Register(TOwner::MapView, Cmd::tbMovimValues, valores2);
    registry.Register(TOwner::MapView, Cmd::Valores2, valores2);
    registry.Register(TOwner::MapView, Cmd::tbLanes, [this](bool down) {
        UserView().ShowLanes = down;
        window_.RedrawMap();
    });
    registry.Register(TOwner::MapView, Cmd::aRedibujar, [this] { window_.RedrawMap(); });
    // The layers drawn in the magnifier besides those shown on the map.
    const std::pair<TCommandId, bool TProgramOptions::*> zoomItems[] = {
        {Cmd::Sentidos2, &TProgramOptions::zArrows},   {Cmd::Nodos2, &TProgramOptions::zNodes},
        {Cmd::Nmeronodos1, &TProgramOptions::zNameNodes}, {Cmd::Calles2, &TProgramOptions::zCalles},
        {Cmd::Atributos3, &TProgramOptions::zAtributos}, {Cmd::Valores3, &TProgramOptions::zValues}};
    for (const auto& [id, box] : zoomItems) {
        bool TProgramOptions::*field = box;
        registry.Register(TOwner::MapView, id, [field](bool checked) {
            ProgramOptions().*field = checked;
            NotifyProgramOptionsChanged();
        });
    }

    // ---- Which toolbars are shown ----
    const TCommandId bars[6] = {Cmd::Estandar1, Cmd::Arcos2, Cmd::Movimientos1, Cmd::Adicionales1, Cmd::Ttulos1,
                                Cmd::Abrir1};
    for (int tag = 1; tag <= 6; ++tag)
        registry.Register(TOwner::Window, bars[tag - 1], [this, tag] { BarrasClick(tag); });

    // ---- The title box ----
    registry.Register(TOwner::MapView, {{Cmd::aTitBold, this, &TDisplayController::aTitBoldExecute},
                                        {Cmd::aTitItalic, this, &TDisplayController::aTitItalicExecute},
                                        {Cmd::aTitUnder, this, &TDisplayController::aTitUnderExecute}});
    // The title button shows the title box with its toolbar; the menu item
    // "Titulos" presses the button, and the box follows it (ConnectToggles).
    registry.Register(TOwner::MapView, Cmd::tbTit, [this](bool down) { ShowTitleBox(down); });
    for (int tag = 1; tag <= 6; ++tag)
        registry.Register(TOwner::MapTools, Named(QStringLiteral("TitPos%1").arg(tag)),
                          [this, tag] { TitPosition(tag); });

    // ---- Label styles of the map's right-button menu ----
    for (int tag : {1, 2, 4, 5, 6})
        registry.Register(TOwner::MapView, Named(QStringLiteral("Letra%1").arg(tag)), [this, tag] { LetraClick(tag); });
    QAction* letra3 = window_.Action(Cmd::Letra3);
    registry.Register(TOwner::MapView, Cmd::Letra3, [this, letra3] { Letra(letra3); });
    registry.Register(TOwner::MapView, Cmd::AnchoBarra1, this, &TDisplayController::AnchoBarra1Click);
    // Zone labels: the drawing reads which item is ticked.
    for (TCommandId id : {Cmd::MenuItem4, Cmd::CodZona})
        registry.Register(TOwner::MapView, id, [this] { window_.RedrawMap(); });
    for (int tag = 1; tag <= 9; ++tag) {
        registry.Register(TOwner::MapView, Named(QStringLiteral("UbiNodo%1").arg(tag)),
                          [this, tag] { UbiNodoClick(tag); });
        registry.Register(TOwner::MapView, Named(QStringLiteral("UbiCalles%1").arg(tag)),
                          [this, tag] { UbiCallesClick(tag); });
    }
    for (int d = 0; d <= 4; ++d)
        registry.Register(TOwner::MapView, Named(QStringLiteral("NumDec%1").arg(d)), [this, d] { NumDec(d); });
    for (int tag : {1, -1, 2, 4, 6, 8, 10}) {
        const QString name = tag < 0 ? QStringLiteral("DesplazamientoC") : QStringLiteral("Desplazamiento%1").arg(tag);
        registry.Register(TOwner::MapView, Named(name), [this, tag] { Desplazamiento(tag); });
    }

    // ---- Background layers: visibility, font, names, colour and width of each ----
    for (int k = 1; k <= 9; ++k) {
        const int tag = 10 + k;
        registry.Register(TOwner::MapView, Named(QStringLiteral("s1%1").arg(k)),
                          [this, k](bool checked) { soleraClick(k, checked); });
        QAction* letra = window_.Action(Named(QStringLiteral("Letra%1").arg(tag)));
        registry.Register(TOwner::MapView, Named(letra->objectName()), [this, letra] { Letra(letra); });
        registry.Register(TOwner::MapView, Named(QStringLiteral("Nombres%1").arg(tag)),
                          [this, tag](bool checked) { Nombres(tag, checked); });
        registry.Register(TOwner::MapView, Named(QStringLiteral("LineaColor%1").arg(tag)), [this, tag] { Color(tag); });
        for (int w = 0; w <= 5; ++w) {
            const int widthTag = tag * 10 + w;
            registry.Register(TOwner::MapView, Named(QStringLiteral("Ancho%1").arg(widthTag)),
                              [this, widthTag] { SetWidth(widthTag); });
        }
    }
    for (TCommandId id : {Cmd::mSoleraTodo, Cmd::mSoleraVisi, Cmd::mSoleraSele}) {
        QAction* item = window_.Action(id);
        registry.Register(TOwner::MapTools, id, [this, item] { QueSolerasMover(item); });
    }
    registry.Register(TOwner::MapView, Cmd::GuardarSoleras, this, &TDisplayController::GuardarSolerasClick);
    registry.Register(TOwner::Files, Cmd::Puntos5, this, &TDisplayController::Puntos5Click);

    // Drawing options that only change what the next drawing shows.
    for (TCommandId id : {Cmd::SimpleArrow, Cmd::Sobreescrito1, Cmd::Semaforos})
        registry.Register(TOwner::MapView, id, [this] { window_.RedrawMap(); });
    // The transit-line pictures: ticked on a network read without its lines, they
    // would draw nothing without a word; the user is told why, once per tick.
    for (TCommandId id : {Cmd::linnone, Cmd::linveh, Cmd::linvehval})
        registry.Register(TOwner::MapView, id, [this](bool checked) {
            window_.RedrawMap();
            if (!checked || !Network.Loaded || Network.LineCount > 0)
                return;
            Services().ShowMessage(
                Network.SectionPresent[5]
                    ? "Las líneas de transporte público de esta red no se leyeron: se abrió con \"Omitir rutas "
                      "fijas\".\rPara ver sus recorridos, marque \"Incluir rutas fijas\" en Opciones y "
                      "Preferencias y abra la red de nuevo."
                    : "Esta red no tiene líneas de transporte público: no hay recorridos que dibujar.");
        });
    // Zone fill: one of three.
    auto* fill = new QActionGroup(window_.DialogParent());
    for (TCommandId id : {Cmd::ColorEstandard, Cmd::ColorSeleccion, Cmd::ColorMultiple}) {
        fill->addAction(window_.Action(id));
        registry.Register(TOwner::MapView, id, [this] { window_.RedrawMap(); });
    }
    window_.Action(Cmd::ColorEstandard)->setChecked(true);

    // Entries and exits of the zones: none, the totals, or one user class.
    auto* entSal = new QActionGroup(window_.DialogParent());
    QAction* none = EntSalItem(-1);
    for (int j = -1; j <= 15; ++j) {
        QAction* item = EntSalItem(j);
        item->setData(j);
        entSal->addAction(item);
        registry.Register(TOwner::MapView, CommandTable::Find(item->objectName())->Id,
                          [this, item] { EntSalClick(item); });
    }
    none->setChecked(UserView().EntSalVar < 0);
}

void TDisplayController::ConnectToggles()
{
    // Each layer's toolbar button and menu item keep one state.
    for (const auto& t : Toggles)
        Twin(window_.Action(t.button), window_.Action(t.item));
    // aAtributos2 holds the state of the movement links; its button and menu item follow it.
    QAction* movLinks = window_.Action(Cmd::aAtributos2);
    Twin(movLinks, window_.Action(Cmd::tbMovimLinks));
    Twin(movLinks, window_.Action(Cmd::Atributos2));
    Twin(window_.Action(Cmd::tbMovimValues), window_.Action(Cmd::Valores2));
    // Layers that show at the next redraw.
    const std::pair<TCommandId, TCommandId> twins[] = {{Cmd::tbZonas, Cmd::Zonificacin2}, {Cmd::tbPoligonos,
                                                       Cmd::Poligonos2},
                                                       {Cmd::tbLineas, Cmd::Lineas1},      {Cmd::tbSel,
                                                        Cmd::Seleccion1},
                                                       {Cmd::tbTit, Cmd::Titulos1},        {Cmd::tbSolera,
                                                        Cmd::Soleras1}};
    for (const auto& [button, item] : twins)
        Twin(window_.Action(button), window_.Action(item));
    // However the title button goes down or up (its click, "Ver > Titulos", a view
    // read back), the title box and its toolbar show as it says.
    QAction* tit = window_.Action(Cmd::tbTit);
    QObject::connect(tit, &QAction::toggled, tit, [this](bool down) { ShowTitleBox(down); });
}

void TDisplayController::ShowTitleBox(bool down)
{
    if (QWidget* box = host_.TitleBox())
        box->setVisible(down);
    if (tbarTitulos)
        tbarTitulos->setVisible(down);
}

void TDisplayController::CreateToolbars()
{
    QToolBar* tbarArcos = host_.ToolBarOf(Cmd::Arcos2);
    QToolBar* tbarMovimientos = host_.ToolBarOf(Cmd::Movimientos1);
    // ---- Lane width and the scale of the movement drawings ----
    seAnchoPista = new TRealSpinBox(tbarArcos);
    seAnchoPista->setObjectName("seAnchoPista");
    seAnchoPista->setRange(0.5, 20.0);
    seAnchoPista->setSingleStep(0.5);
    seAnchoPista->setDecimals(2);
    seAnchoPista->setValue(3.5);
    seAnchoPista->setToolTip(QStringLiteral("Ancho de pista"));
    // Hidden until a network is open.
    tbarArcos->addWidget(seAnchoPista)->setVisible(false);
    QObject::connect(seAnchoPista, &QDoubleSpinBox::valueChanged, seAnchoPista, [this] { seAnchoPistaChange(); });
    seFMov = new TRealSpinBox(tbarMovimientos);
    seFMov->setObjectName("seFMov");
    // It also shows the network's length scale (map units per unit of link length).
    seFMov->setRange(0.001, 1000000.0);
    seFMov->setSingleStep(0.1);
    seFMov->setDecimals(3);
    seFMov->setValue(1.0);
    seFMov->setToolTip(QStringLiteral("Escala de los movimientos"));
    tbarMovimientos->insertWidget(window_.Action(Cmd::tbMovimLinks), seFMov);
    QObject::connect(seFMov, &QDoubleSpinBox::valueChanged, seFMov, [this] { seFMovChange(); });

    // ---- The title toolbar ----
    QTextEdit* tit = host_.TitleBox();
    tbarTitulos = host_.AddToolBar(QStringLiteral("Títulos"));
    tbarTitulos->setObjectName("tbarTitulos");
    CommandPlaces::Fill(window_, tbarTitulos, QStringLiteral("toolbar:tbarTitulos"));
    // The font boxes go before the style buttons.
    QAction* const styles = window_.Action(Cmd::aTitBold);
    FontName = new QFontComboBox(tbarTitulos);
    FontName->setObjectName("FontName");
    FontName->setCurrentFont(tit->font());
    tbarTitulos->insertWidget(styles, FontName);
    FontSize = new TWholeSpinBox(tbarTitulos);
    FontSize->setObjectName("FontSize");
    FontSize->setRange(1, 200);
    FontSize->setValue(std::max(1, tit->font().pointSize()));
    tbarTitulos->insertWidget(styles, FontSize);
    FontColor = new QComboBox(tbarTitulos);
    FontColor->setObjectName("FontColor");
    const std::pair<uint32_t, const char*> colors[] = {
        {clBlack, "Negro"},   {clMaroon, "Granate"}, {clGreen, "Verde"},    {clOlive, "Oliva"},
        {clNavy, "Marino"},   {clPurple, "Púrpura"}, {clTeal, "Verde azulado"}, {clGray, "Gris"},
        {clSilver, "Plata"},  {clRed, "Rojo"},       {clLime, "Lima"},      {clYellow, "Amarillo"},
        {clBlue, "Azul"},     {clFuchsia, "Fucsia"}, {clAqua, "Aguamarina"}, {clWhite, "Blanco"}};
    for (const auto& [color, text] : colors) {
        QPixmap swatch(16, 12);
        swatch.fill(DisplayStyles::ToQColor(color));
        FontColor->addItem(QIcon(swatch), QString::fromUtf8(text), DisplayStyles::ToQColor(color));
    }
    tbarTitulos->insertWidget(styles, FontColor);
    PupTit = new QMenu(window_.DialogParent());
    PupTit->setObjectName("PupTit");
    CommandPlaces::Fill(window_, PupTit, QStringLiteral("popup:PupTit"));
    for (int tag = 1; tag <= 6; ++tag)
        window_.Action(Named(QStringLiteral("TitPos%1").arg(tag)))->setData(tag);
    QAction* position = window_.Action(Cmd::tbTitPos);
    position->setMenu(PupTit);
    if (auto* b = qobject_cast<QToolButton*>(tbarTitulos->widgetForAction(position)))
        b->setPopupMode(QToolButton::InstantPopup);
    tbarTitulos->hide();
    QObject::connect(FontName, &QFontComboBox::currentFontChanged, FontName, [this] { FontName_Change(); });
    QObject::connect(FontSize, &QSpinBox::valueChanged, FontSize, [this] { FontSize_Change(); });
    QObject::connect(FontColor, &QComboBox::currentIndexChanged, FontColor, [this] { FontColor_Change(); });
    QObject::connect(tit, &QTextEdit::cursorPositionChanged, tit, [this] { titSelectionChange(); });

    // ---- The open toolbar: the recent networks ----
    QToolBar* tbarOpen = host_.AddOpenToolBar();

    // ---- Which toolbars are shown ----
    const std::pair<QToolBar*, TCommandId> bars[] = {{host_.ToolBarOf(Cmd::Estandar1), Cmd::Estandar1},
                                                     {tbarArcos, Cmd::Arcos2},
                                                     {tbarMovimientos, Cmd::Movimientos1},
                                                     {host_.ToolBarOf(Cmd::Adicionales1), Cmd::Adicionales1},
                                                     {tbarTitulos, Cmd::Ttulos1},
                                                     {tbarOpen, Cmd::Abrir1}};
    for (const auto& [bar, item] : bars)
        window_.Action(item)->setChecked(!bar->isHidden());
    for (const auto& [bar, item] : {bars[1], bars[2], bars[3], bars[4]}) {
        QToolBar* b = bar;
        QAction* a = window_.Action(item);
        // Shown or hidden by any means (its own close button included), the item follows.
        QObject::connect(b, &QToolBar::visibilityChanged, a, [b, a] { a->setChecked(!b->isHidden()); });
    }
}

void TDisplayController::BarrasClick(int tag)
{
    QToolBar* bars[7] = {nullptr,
                         host_.ToolBarOf(Cmd::Estandar1),
                         host_.ToolBarOf(Cmd::Arcos2),
                         host_.ToolBarOf(Cmd::Movimientos1),
                         host_.ToolBarOf(Cmd::Adicionales1),
                         tbarTitulos,
                         host_.ToolBarOf(Cmd::Abrir1)};
    const TCommandId items[7] = {Cmd::Estandar1, Cmd::Estandar1, Cmd::Arcos2, Cmd::Movimientos1,
                                 Cmd::Adicionales1, Cmd::Ttulos1, Cmd::Abrir1};
    if (tag < 1 || tag > 6 || !bars[tag])
        return;
    bars[tag]->setVisible(window_.Action(items[tag])->isChecked());
}

void TDisplayController::EntSalClick(QAction* item)
{
    UserView().EntSalVar = item->data().toInt();
    item->setChecked(true);
    window_.RedrawMap();
}

QAction* TDisplayController::EntSalItem(int32_t j) const
{
    if (j < 0)
        return window_.Action(Cmd::EntSalN);
    return window_.Action(CommandTable::Find(QStringLiteral("EntSal%1").arg(j))->Id);
}

void TDisplayController::FollowEntSalItems()
{
    const int32_t j = UserView().EntSalVar;
    if (j <= 0 || j > 15 || EntSalItem(j)->isVisible())
        return;
    UserView().EntSalVar = -1;
    EntSalItem(-1)->setChecked(true);
}

void TDisplayController::PutBackEntSal(int32_t j)
{
    if (j < 0 || j > 15 || j == UserView().EntSalVar || !EntSalItem(j)->isVisible())
        return;
    UserView().EntSalVar = j;
    EntSalItem(j)->setChecked(true);
}
