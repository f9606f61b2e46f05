// Layer toggles of the map: toolbar buttons and menu items that switch drawing
// layers on and off, each button kept in step with its menu item. A layer toggle
// redraws at once only when the options dialog's "Actualización" box for its layer
// is ticked; otherwise the change shows at the next redraw. Also here: which
// toolbars are shown, the title toolbar, and the commands that open windows.
#include "mainwindow/PalvonViewer.h"
#include "map/DisplayStyles.h"
#include "map/DrawState.h"
#include "map/gui/OxrImage.h"
#include "model/KDVvars.h"
#include "model/ProgramOptions.h"
#include "model/ZelUtils.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QEvent>
#include <QFontComboBox>
#include <QLabel>
#include <QMenu>
#include <QSpinBox>
#include <QTabWidget>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>

#include <functional>

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

// Runs a function after every resize of the watched widget.
class TResizeWatcher : public QObject {
public:
    TResizeWatcher(QObject* parent, std::function<void()> onResize) : QObject(parent), onResize_(std::move(onResize)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Resize)
            onResize_();
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> onResize_;
};

} // namespace

void TPalvonViewer::ConnectToggles()
{
    // ---- Layers that redraw when their update box is ticked ----
    const struct {
        TCommandId button;
        TCommandId item;
        bool TProgramOptions::*update;
    } toggles[] = {{Cmd::tbArrows, Cmd::Sentidos1, &TProgramOptions::Sentidos},
                   {Cmd::tbNodes, Cmd::Nodos1, &TProgramOptions::Nodos},
                   {Cmd::tbNameNodes, Cmd::Nombres1, &TProgramOptions::NombreNodos},
                   {Cmd::tbCalles, Cmd::Calles1, &TProgramOptions::Calles},
                   {Cmd::tbCents, Cmd::Centroides1, &TProgramOptions::Centroides},
                   {Cmd::tbAtributos, Cmd::Atributos1, &TProgramOptions::Atributos},
                   {Cmd::tbColores, Cmd::colores1, &TProgramOptions::Atributos},
                   {Cmd::tbValues, Cmd::Valores1, &TProgramOptions::Valores}};
    for (const auto& t : toggles) {
        const TCommandId name = t.button;
        QAction* button = Action(name);
        QAction* item = Action(t.item);
        Twin(button, item);
        bool TProgramOptions::*update = t.update;
        auto handler = [this, name, update] {
            const bool down = Down(name);
            // Bars and colour classes exclude each other; link data layers exclude the
            // movement ones.
            if (down && name == Cmd::tbAtributos)
                SetDown(Cmd::tbColores, false);
            if (down && name == Cmd::tbColores)
                SetDown(Cmd::tbAtributos, false);
            if (down && (name == Cmd::tbAtributos || name == Cmd::tbColores || name == Cmd::tbValues)) {
                Action(Cmd::aAtributos2)->setChecked(false);
                SetDown(Cmd::tbMovimValues, false);
            }
            if (UpdateTicked(update))
                RedrawMap();
        };
        Registry().Register(CommandTable::TOwner::MapView, t.button, handler);
        Registry().Register(CommandTable::TOwner::MapView, t.item, handler);
    }

    // ---- Movement layers ----
    // aAtributos2 holds the state of the movement links; its button and menu item follow it.
    QAction* movLinks = Action(Cmd::aAtributos2);
    Twin(movLinks, Action(Cmd::tbMovimLinks));
    Twin(movLinks, Action(Cmd::Atributos2));
    auto atributos2 = [this] {
        if (Action(Cmd::aAtributos2)->isChecked()) {
            SetDown(Cmd::tbAtributos, false);
            SetDown(Cmd::tbColores, false);
            SetDown(Cmd::tbValues, false);
        } else {
            SetDown(Cmd::tbMovimValues, false);
        }
        if (UpdateTicked(&TProgramOptions::Atributos))
            RedrawMap();
    };
    for (TCommandId id : {Cmd::aAtributos2, Cmd::tbMovimLinks, Cmd::Atributos2})
        Registry().Register(CommandTable::TOwner::MapView, id, atributos2);
    Twin(Action(Cmd::tbMovimValues), Action(Cmd::Valores2));
    auto valores2 = [this] {
        if (Down(Cmd::tbMovimValues))
            Action(Cmd::aAtributos2)->setChecked(true);
    };
    Registry().Register(CommandTable::TOwner::MapView, Cmd::tbMovimValues, valores2);
    Registry().Register(CommandTable::TOwner::MapView, Cmd::Valores2, valores2);

    // ---- The data grids beside the map ----
    QAction* dataGrid = Action(Cmd::aDataGrid1);
    dataGrid->setCheckable(true);
    dataGrid->setChecked(true);
    QAction* tbDatos = AddAction(tbarEstandar, Cmd::tbDatos);
    Twin(dataGrid, tbDatos);
    auto dataGrid1 = [this] {
        tnDatos->setVisible(Action(Cmd::aDataGrid1)->isChecked());
        RedrawMap();
    };
    Registry().Register(CommandTable::TOwner::Window, Cmd::aDataGrid1, dataGrid1);
    Registry().Register(CommandTable::TOwner::Window, Cmd::tbDatos, dataGrid1);

    // ---- Layers that show at the next redraw ----
    const std::pair<TCommandId, TCommandId> twins[] = {{Cmd::tbZonas, Cmd::Zonificacin2}, {Cmd::tbPoligonos,
                                                       Cmd::Poligonos2},
                                                       {Cmd::tbLineas, Cmd::Lineas1},      {Cmd::tbSel,
                                                        Cmd::Seleccion1},
                                                       {Cmd::tbTit, Cmd::Titulos1},        {Cmd::tbSolera,
                                                        Cmd::Soleras1}};
    for (const auto& [button, item] : twins)
        Twin(Action(button), Action(item));

    Registry().Register(CommandTable::TOwner::MapView, Cmd::tbLanes, [this](bool down) {
        ShowLanes = down;
        RedrawMap();
    });
    Registry().Register(CommandTable::TOwner::MapView, Cmd::aRedibujar, this, &TPalvonViewer::RedrawMap);
    ConnectZoom();

    // ---- Lane width and the scale of the movement drawings ----
    seAnchoPista = new QDoubleSpinBox(tbarArcos);
    seAnchoPista->setObjectName("seAnchoPista");
    seAnchoPista->setRange(0.5, 20.0);
    seAnchoPista->setSingleStep(0.5);
    seAnchoPista->setDecimals(2);
    seAnchoPista->setValue(3.5);
    seAnchoPista->setToolTip(QStringLiteral("Ancho de pista"));
    // Hidden until a network is open.
    tbarArcos->addWidget(seAnchoPista)->setVisible(false);
    connect(seAnchoPista, &QDoubleSpinBox::valueChanged, this, &TPalvonViewer::seAnchoPistaChange);
    seFMov = new QDoubleSpinBox(tbarMovimientos);
    seFMov->setObjectName("seFMov");
    // It also shows the network's length scale (map units per unit of link length).
    seFMov->setRange(0.001, 1000000.0);
    seFMov->setSingleStep(0.1);
    seFMov->setDecimals(3);
    seFMov->setValue(1.0);
    seFMov->setToolTip(QStringLiteral("Escala de los movimientos"));
    tbarMovimientos->addWidget(seFMov);
    connect(seFMov, &QDoubleSpinBox::valueChanged, this, &TPalvonViewer::seFMovChange);

    // ---- The title toolbar ----
    tbarTitulos = addToolBar(QStringLiteral("Títulos"));
    tbarTitulos->setObjectName("tbarTitulos");
    FontName = new QFontComboBox(tbarTitulos);
    FontName->setObjectName("FontName");
    FontName->setCurrentFont(tit->font());
    tbarTitulos->addWidget(FontName);
    FontSize = new QSpinBox(tbarTitulos);
    FontSize->setObjectName("FontSize");
    FontSize->setRange(1, 200);
    FontSize->setValue(std::max(1, tit->font().pointSize()));
    tbarTitulos->addWidget(FontSize);
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
    tbarTitulos->addWidget(FontColor);
    for (TCommandId id : {Cmd::aTitBold, Cmd::aTitItalic, Cmd::aTitUnder})
        AddAction(tbarTitulos, id);
    PupTit = new QMenu(this);
    PupTit->setObjectName("PupTit");
    for (int tag = 1; tag <= 6; ++tag) {
        QAction* item = AddAction(PupTit, QStringLiteral("TitPos%1").arg(tag));
        item->setData(tag);
        Registry().Register(CommandTable::TOwner::MapTools, CommandOf(item), [this, tag] { TitPosition(tag); });
    }
    QAction* position = AddAction(tbarTitulos, Cmd::tbTitPos);
    position->setMenu(PupTit);
    if (auto* b = qobject_cast<QToolButton*>(tbarTitulos->widgetForAction(position)))
        b->setPopupMode(QToolButton::InstantPopup);
    tbarTitulos->hide();
    connect(FontName, &QFontComboBox::currentFontChanged, this, &TPalvonViewer::FontName_Change);
    connect(FontSize, &QSpinBox::valueChanged, this, &TPalvonViewer::FontSize_Change);
    connect(FontColor, &QComboBox::currentIndexChanged, this, &TPalvonViewer::FontColor_Change);
    Registry().Register(CommandTable::TOwner::MapView, Cmd::aTitBold, this, &TPalvonViewer::aTitBoldExecute);
    Registry().Register(CommandTable::TOwner::MapView, Cmd::aTitItalic, this, &TPalvonViewer::aTitItalicExecute);
    Registry().Register(CommandTable::TOwner::MapView, Cmd::aTitUnder, this, &TPalvonViewer::aTitUnderExecute);
    connect(tit, &QTextEdit::cursorPositionChanged, this, &TPalvonViewer::titSelectionChange);
    // The title button shows the title box with its toolbar; the menu item only moves the button.
    Registry().Register(CommandTable::TOwner::MapView, Cmd::tbTit, [this](bool down) {
        tit->setVisible(down);
        tbarTitulos->setVisible(down);
    });

    // ---- The open toolbar: the recent networks ----
    tbarOpen = addToolBar(QStringLiteral("Abrir"));
    tbarOpen->setObjectName("tbarOpen");
    QAction* recent = AddAction(tbarOpen, Cmd::tbRecientes);
    recent->setMenu(Recientes);
    if (auto* b = qobject_cast<QToolButton*>(tbarOpen->widgetForAction(recent)))
        b->setPopupMode(QToolButton::InstantPopup);
    tbarOpen->hide();

    // ---- Which toolbars are shown ----
    const std::pair<QToolBar*, TCommandId> bars[] = {{tbarEstandar, Cmd::Estandar1},    {tbarArcos, Cmd::Arcos2},
                                                     {tbarMovimientos, Cmd::Movimientos1}, {tbarAdicionales, Cmd::Adicionales1},
                                                     {tbarTitulos, Cmd::Ttulos1},       {tbarOpen, Cmd::Abrir1}};
    for (const auto& [bar, item] : bars)
        Action(item)->setChecked(!bar->isHidden());
    for (const auto& [bar, item] : {bars[1], bars[2], bars[3], bars[4]}) {
        QToolBar* b = bar;
        QAction* a = Action(item);
        // Shown or hidden by any means (its own close button included), the item follows.
        connect(b, &QToolBar::visibilityChanged, this, [b, a] { a->setChecked(!b->isHidden()); });
    }

    // ---- Windows ----
    AddAction(tbarEstandar, Cmd::tbQuickView);
    Registry().Register(CommandTable::TOwner::MapView, Cmd::tbQuickView, this, &TPalvonViewer::QuickViewPalvon);

    // The map's size ratio in the status bar.
    img->installEventFilter(new TResizeWatcher(this, [this] {
        if (img->height() > 0)
            StatusPanels[0]->setText(QString::fromStdString(
                ZelUtils::Format("%.4f", double(img->width()) / double(img->height()))));
    }));
}

void TPalvonViewer::BarrasClick(int tag)
{
    QToolBar* bars[7] = {nullptr, tbarEstandar, tbarArcos, tbarMovimientos, tbarAdicionales, tbarTitulos, tbarOpen};
    const TCommandId items[7] = {Cmd::Estandar1, Cmd::Estandar1, Cmd::Arcos2, Cmd::Movimientos1,
                                 Cmd::Adicionales1, Cmd::Ttulos1, Cmd::Abrir1};
    if (tag < 1 || tag > 6 || !bars[tag])
        return;
    bars[tag]->setVisible(Action(items[tag])->isChecked());
}
