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
        const char* button;
        const char* item;
        bool TProgramOptions::*update;
    } toggles[] = {{"tbArrows", "Sentidos1", &TProgramOptions::Sentidos},
                   {"tbNodes", "Nodos1", &TProgramOptions::Nodos},
                   {"tbNameNodes", "Nombres1", &TProgramOptions::NombreNodos},
                   {"tbCalles", "Calles1", &TProgramOptions::Calles},
                   {"tbCents", "Centroides1", &TProgramOptions::Centroides},
                   {"tbAtributos", "Atributos1", &TProgramOptions::Atributos},
                   {"tbColores", "colores1", &TProgramOptions::Atributos},
                   {"tbValues", "Valores1", &TProgramOptions::Valores}};
    for (const auto& t : toggles) {
        const QString name = QString::fromLatin1(t.button);
        QAction* button = Action(name);
        QAction* item = Action(QString::fromLatin1(t.item));
        Twin(button, item);
        bool TProgramOptions::*update = t.update;
        auto handler = [this, name, update] {
            const bool down = Down(name);
            // Bars and colour classes exclude each other; link data layers exclude the
            // movement ones.
            if (down && name == QLatin1String("tbAtributos"))
                SetDown("tbColores", false);
            if (down && name == QLatin1String("tbColores"))
                SetDown("tbAtributos", false);
            if (down && (name == QLatin1String("tbAtributos") || name == QLatin1String("tbColores") ||
                         name == QLatin1String("tbValues"))) {
                Action("aAtributos2")->setChecked(false);
                SetDown("tbMovimValues", false);
            }
            if (UpdateTicked(update))
                DrawPalvon();
        };
        connect(button, &QAction::triggered, this, handler);
        connect(item, &QAction::triggered, this, handler);
    }

    // ---- Movement layers ----
    // aAtributos2 holds the state of the movement links; its button and menu item follow it.
    QAction* movLinks = Action("aAtributos2");
    Twin(movLinks, Action("tbMovimLinks"));
    Twin(movLinks, Action("Atributos2"));
    auto atributos2 = [this] {
        if (Action("aAtributos2")->isChecked()) {
            SetDown("tbAtributos", false);
            SetDown("tbColores", false);
            SetDown("tbValues", false);
        } else {
            SetDown("tbMovimValues", false);
        }
        if (UpdateTicked(&TProgramOptions::Atributos))
            DrawPalvon();
    };
    for (const char* name : {"aAtributos2", "tbMovimLinks", "Atributos2"})
        connect(Action(name), &QAction::triggered, this, atributos2);
    Twin(Action("tbMovimValues"), Action("Valores2"));
    auto valores2 = [this] {
        if (Down("tbMovimValues"))
            Action("aAtributos2")->setChecked(true);
    };
    connect(Action("tbMovimValues"), &QAction::triggered, this, valores2);
    connect(Action("Valores2"), &QAction::triggered, this, valores2);

    // ---- The data grids beside the map ----
    QAction* dataGrid = Action("aDataGrid1");
    dataGrid->setCheckable(true);
    dataGrid->setChecked(true);
    QAction* tbDatos = AddAction(tbarEstandar, "tbDatos", QStringLiteral("Datos"), true);
    Twin(dataGrid, tbDatos);
    auto dataGrid1 = [this] {
        tnDatos->setVisible(Action("aDataGrid1")->isChecked());
        DrawPalvon();
    };
    connect(dataGrid, &QAction::triggered, this, dataGrid1);
    connect(tbDatos, &QAction::triggered, this, dataGrid1);

    // ---- Layers that show at the next redraw ----
    const std::pair<const char*, const char*> twins[] = {{"tbZonas", "Zonificacin2"}, {"tbPoligonos", "Poligonos2"},
                                                         {"tbLineas", "Lineas1"},      {"tbSel", "Seleccion1"},
                                                         {"tbTit", "Titulos1"},        {"tbSolera", "Soleras1"}};
    for (const auto& [button, item] : twins)
        Twin(Action(button), Action(item));

    connect(Action("tbLanes"), &QAction::triggered, this, [this](bool down) {
        ShowLanes = down;
        DrawPalvon();
    });
    connect(Action("aRedibujar"), &QAction::triggered, this, &TPalvonViewer::DrawPalvon);
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
    const std::pair<const char*, const char*> styles[] = {{"aTitBold", "Negrita"}, {"aTitItalic", "Cursiva"},
                                                          {"aTitUnder", "Subrayado"}};
    for (const auto& [name, text] : styles)
        AddAction(tbarTitulos, QString::fromLatin1(name), QString::fromUtf8(text), true);
    PupTit = new QMenu(this);
    PupTit->setObjectName("PupTit");
    const char* corners[6] = {"Superior - Izquierda", "Superior - Centro", "Superior - Derecha",
                              "Inferior - Izquierda", "Inferior - Centro", "Inferior - Derecha"};
    for (int tag = 1; tag <= 6; ++tag) {
        QAction* item = AddAction(PupTit, QStringLiteral("TitPos%1").arg(tag), QString::fromLatin1(corners[tag - 1]));
        item->setData(tag);
        connect(item, &QAction::triggered, this, [this, tag] { TitPosition(tag); });
    }
    QAction* position = AddAction(tbarTitulos, "tbTitPos", QStringLiteral("Posición"));
    position->setMenu(PupTit);
    if (auto* b = qobject_cast<QToolButton*>(tbarTitulos->widgetForAction(position)))
        b->setPopupMode(QToolButton::InstantPopup);
    tbarTitulos->hide();
    connect(FontName, &QFontComboBox::currentFontChanged, this, &TPalvonViewer::FontName_Change);
    connect(FontSize, &QSpinBox::valueChanged, this, &TPalvonViewer::FontSize_Change);
    connect(FontColor, &QComboBox::currentIndexChanged, this, &TPalvonViewer::FontColor_Change);
    connect(Action("aTitBold"), &QAction::triggered, this, &TPalvonViewer::aTitBoldExecute);
    connect(Action("aTitItalic"), &QAction::triggered, this, &TPalvonViewer::aTitItalicExecute);
    connect(Action("aTitUnder"), &QAction::triggered, this, &TPalvonViewer::aTitUnderExecute);
    connect(tit, &QTextEdit::cursorPositionChanged, this, &TPalvonViewer::titSelectionChange);
    // The title button shows the title box with its toolbar; the menu item only moves the button.
    connect(Action("tbTit"), &QAction::triggered, this, [this](bool down) {
        tit->setVisible(down);
        tbarTitulos->setVisible(down);
    });

    // ---- The open toolbar: the recent networks ----
    tbarOpen = addToolBar(QStringLiteral("Abrir"));
    tbarOpen->setObjectName("tbarOpen");
    QAction* recent = AddAction(tbarOpen, "tbRecientes", QStringLiteral("Recientes"));
    recent->setMenu(Recientes);
    if (auto* b = qobject_cast<QToolButton*>(tbarOpen->widgetForAction(recent)))
        b->setPopupMode(QToolButton::InstantPopup);
    tbarOpen->hide();

    // ---- Which toolbars are shown ----
    const std::pair<QToolBar*, const char*> bars[] = {{tbarEstandar, "Estandar1"},    {tbarArcos, "Arcos2"},
                                                      {tbarMovimientos, "Movimientos1"}, {tbarAdicionales, "Adicionales1"},
                                                      {tbarTitulos, "Ttulos1"},       {tbarOpen, "Abrir1"}};
    for (const auto& [bar, item] : bars)
        Action(item)->setChecked(!bar->isHidden());
    for (const auto& [bar, item] : {bars[1], bars[2], bars[3], bars[4]}) {
        QToolBar* b = bar;
        QAction* a = Action(item);
        // Shown or hidden by any means (its own close button included), the item follows.
        connect(b, &QToolBar::visibilityChanged, this, [b, a] { a->setChecked(!b->isHidden()); });
    }

    // ---- Windows ----
    connect(AddAction(tbarEstandar, "tbQuickView", QStringLiteral("Vista estática")), &QAction::triggered, this,
            &TPalvonViewer::QuickViewPalvon);

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
    const char* items[7] = {nullptr, "Estandar1", "Arcos2", "Movimientos1", "Adicionales1", "Ttulos1", "Abrir1"};
    if (tag < 1 || tag > 6 || !bars[tag])
        return;
    bars[tag]->setVisible(Action(items[tag])->isChecked());
}
