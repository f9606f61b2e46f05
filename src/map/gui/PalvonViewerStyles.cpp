// Styles of the map: number format of the values, label fonts, colours and widths
// of the background layers, label positions, the parallel shift of two-way links,
// lane width, the title box `tit` with its font and corner, and the display menus.
// Style handlers only set state; those that say so redraw the map.
#include "analysis/Fases.h"
#include "mainwindow/PalvonViewer.h"
#include "mainwindow/SecondaryWindows.h"
#include "map/DisplayStyles.h"
#include "map/DrawState.h"
#include "map/gui/OxrImage.h"
#include "model/KDVvars.h"
#include "model/LinkGeometry.h"
#include "model/ProgramOptions.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"
#include "model/gui/ZelUtilsGui.h"
#include "widgets/Calculator.h"

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFontComboBox>
#include <QFormLayout>
#include <QMenu>
#include <QMenuBar>
#include <QSpinBox>
#include <QTextEdit>

using ZelUtils::Format;

namespace {

QString Qs(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<int>(s.size())); }

QString LetraCaption(int tag)
{
    const TLabelFont& f = LabelFonts[static_cast<size_t>(tag)];
    return Qs(Format("Letra (%s %2d)", f.Name, f.Size));
}

// The program's font dialog: name, size, colour and style of a label font.
bool FontDialog(QWidget* parent, TLabelFont& font)
{
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("Fuente"));
    auto* form = new QFormLayout(&dialog);
    auto* name = new QFontComboBox(&dialog);
    name->setCurrentFont(QFont(Qs(font.Name)));
    auto* size = new QSpinBox(&dialog);
    size->setRange(1, 200);
    size->setValue(std::max(1, font.Size));
    QCheckBox* styles[4] = {new QCheckBox(QStringLiteral("Negrita"), &dialog),
                            new QCheckBox(QStringLiteral("Cursiva"), &dialog),
                            new QCheckBox(QStringLiteral("Subrayado"), &dialog),
                            new QCheckBox(QStringLiteral("Tachado"), &dialog)};
    const uint8_t bits[4] = {fsBold, fsItalic, fsUnderline, fsStrikeOut};
    uint32_t color = font.Color;
    auto* colorButton = new QComboBox(&dialog);
    colorButton->addItem(QStringLiteral("Elegir..."));
    auto paint = [&] {
        QPixmap swatch(24, 12);
        swatch.fill(DisplayStyles::ToQColor(color));
        colorButton->setItemIcon(0, QIcon(swatch));
    };
    paint();
    QObject::connect(colorButton, QOverload<int>::of(&QComboBox::activated), &dialog, [&](int) {
        const QColor c = QColorDialog::getColor(DisplayStyles::ToQColor(color), &dialog);
        if (c.isValid()) {
            color = DisplayStyles::FromQColor(c);
            paint();
        }
    });
    form->addRow(QStringLiteral("Fuente:"), name);
    form->addRow(QStringLiteral("Tamaño:"), size);
    for (int i = 0; i < 4; ++i) {
        styles[i]->setChecked(font.Style & bits[i]);
        form->addRow(QString(), styles[i]);
    }
    form->addRow(QStringLiteral("Color:"), colorButton);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    font.Name = name->currentFont().family().toStdString();
    font.Size = size->value();
    font.Color = color;
    font.Style = 0;
    for (int i = 0; i < 4; ++i)
        if (styles[i]->isChecked())
            font.Style = static_cast<uint8_t>(font.Style | bits[i]);
    return true;
}

// A top-level menu of the menu bar by its title, made when there is none yet.
QMenu* TopMenu(QMenuBar* bar, const QString& title)
{
    for (QAction* a : bar->actions())
        if (a->menu() && a->text() == title)
            return a->menu();
    return bar->addMenu(title);
}

// A submenu by its object name, made (with the title) when there is none yet.
QMenu* SubMenu(QMenu* parent, const char* name, const QString& title)
{
    const QString objectName = QString::fromLatin1(name);
    if (auto* m = parent->findChild<QMenu*>(objectName))
        return m;
    QMenu* m = parent->addMenu(title);
    m->setObjectName(objectName);
    return m;
}

// The codes of the label positions of the "Ubicación" menus (tags 1..9): node numbers are placed by the corner of the label that touches the
// node, street names by the point of the label on the link.
constexpr int32_t NodePosCodes[10] = {0, 8, 7, 6, 5, 4, 3, 2, 1, 0};
constexpr int32_t StreetPosCodes[10] = {0, 6, 7, 8, 3, 4, 5, 0, 1, 2};

} // namespace

void TPalvonViewer::CreateDisplayMenus()
{
    // ---- The layers of the map, under "Ver" ----
    QMenu* ver = TopMenu(menuBar(), QStringLiteral("&Ver"));
    ver->addSeparator();
    for (TCommandId id : {Cmd::Sentidos1, Cmd::Nodos1, Cmd::Nombres1, Cmd::Calles1, Cmd::Centroides1})
        AddAction(ver, id);
    ver->addSeparator();
    for (TCommandId id : {Cmd::Atributos1, Cmd::colores1, Cmd::Valores1})
        AddAction(ver, id);
    QMenu* movimientos = SubMenu(ver, "VerMovimientos", QStringLiteral("Movimientos"));
    AddAction(movimientos, Cmd::Atributos2);
    AddAction(movimientos, Cmd::Valores2);
    ver->addSeparator();
    for (TCommandId id : {Cmd::Zonificacin2, Cmd::Poligonos2, Cmd::Lineas1, Cmd::Seleccion1, Cmd::Titulos1,
                          Cmd::Soleras1})
        AddAction(ver, id);
    AddAction(ver, Cmd::aDataGrid1)->setChecked(true);
    ver->addSeparator();

    Barras = SubMenu(ver, "Barras", QStringLiteral("Barras de herramientas"));
    const TCommandId bars[6] = {Cmd::Estandar1, Cmd::Arcos2, Cmd::Movimientos1, Cmd::Adicionales1, Cmd::Ttulos1,
                                Cmd::Abrir1};
    for (int tag = 1; tag <= 6; ++tag) {
        AddAction(Barras, bars[tag - 1])->setData(tag);
        Registry().Register(CommandTable::TOwner::Window, bars[tag - 1], [this, tag] { BarrasClick(tag); });
    }

    // The layers drawn in the magnifier besides those shown on the map.
    QMenu* lupa = findChild<QMenu*>(QStringLiteral("varLupa"));
    if (!lupa) {
        lupa = new QMenu(QStringLiteral("Lupa"), this);
        lupa->setObjectName("varLupa");
    }
    ver->addMenu(lupa);
    const struct {
        TCommandId id;
        bool TProgramOptions::*box;
        bool on;
    } zoomItems[] = {{Cmd::Sentidos2, &TProgramOptions::zArrows, false},
                     {Cmd::Nodos2, &TProgramOptions::zNodes, true},
                     {Cmd::Nmeronodos1, &TProgramOptions::zNameNodes, true},
                     {Cmd::Calles2, &TProgramOptions::zCalles, false},
                     {Cmd::Atributos3, &TProgramOptions::zAtributos, false},
                     {Cmd::Valores3, &TProgramOptions::zValues, false}};
    for (const auto& z : zoomItems) {
        AddAction(lupa, z.id)->setChecked(z.on);
        bool TProgramOptions::*box = z.box;
        Registry().Register(CommandTable::TOwner::MapView, z.id, [box](bool checked) {
            ProgramOptions().*box = checked;
            NotifyProgramOptionsChanged();
        });
    }

    // ---- Fonts, label positions and formats: the map's right-button menu ----
    QMenu* zonas = SubMenu(BDerecho, "BDZonas", QStringLiteral("Zonas"));
    QMenu* nodos = SubMenu(BDerecho, "BDNodos", QStringLiteral("Nodos"));
    QMenu* valores = SubMenu(BDerecho, "BDValores", QStringLiteral("Valores"));
    QMenu* calles = SubMenu(BDerecho, "BDCalles", QStringLiteral("Calles"));
    QMenu* titulos = SubMenu(BDerecho, "BDTitulos", QStringLiteral("Títulos"));
    QMenu* genatr = SubMenu(BDerecho, "BDGenatr", QStringLiteral("Generación/Atracción"));
    const std::pair<int, QMenu*> letras[] = {{1, zonas}, {2, nodos}, {4, valores}, {5, calles}, {6, titulos}};
    for (const auto& [tag, menu] : letras) {
        QAction* item = AddAction(menu, CommandOf(QStringLiteral("Letra%1").arg(tag)), LetraCaption(tag));
        item->setData(tag);
        Registry().Register(CommandTable::TOwner::MapView, CommandOf(item), [this, tag] { LetraClick(tag); });
    }
    QAction* letra3 = AddAction(genatr, Cmd::Letra3, LetraCaption(3));
    letra3->setData(3);
    Registry().Register(CommandTable::TOwner::MapView, Cmd::Letra3, [this, letra3] { Letra(letra3); });
    AddAction(genatr, Cmd::AnchoBarra1);
    Registry().Register(CommandTable::TOwner::MapView, Cmd::AnchoBarra1, this, &TPalvonViewer::AnchoBarra1Click);

    // Zone labels: the drawing reads which item is ticked.
    QMenu* varZonas = SubMenu(zonas, "varZonas", QStringLiteral("Etiquetas"));
    auto* zoneGroup = new QActionGroup(varZonas);
    for (TCommandId id : {Cmd::MenuItem4, Cmd::CodZona}) {
        zoneGroup->addAction(AddAction(varZonas, id));
        Registry().Register(CommandTable::TOwner::MapView, id, this, &TPalvonViewer::RedrawMap);
    }
    Action(Cmd::MenuItem4)->setChecked(true);

    auto positionMenu = [this](QMenu* parent, const char* menuName, const char* itemPrefix, int checkedTag,
                               void (TPalvonViewer::*handler)(int)) {
        QMenu* menu = SubMenu(parent, menuName, QStringLiteral("Ubicación"));
        auto* group = new QActionGroup(menu);
        for (int tag = 1; tag <= 9; ++tag) {
            QAction* item = AddAction(menu, QStringLiteral("%1%2").arg(QLatin1String(itemPrefix)).arg(tag));
            item->setData(tag);
            group->addAction(item);
            Registry().Register(CommandTable::TOwner::MapView, CommandOf(item),
                                [this, handler, tag] { (this->*handler)(tag); });
        }
        Action(QStringLiteral("%1%2").arg(QLatin1String(itemPrefix)).arg(checkedTag))->setChecked(true);
    };
    positionMenu(nodos, "UbicacionNodos", "UbiNodo", 3, &TPalvonViewer::UbiNodoClick);
    positionMenu(calles, "UbicacionCalles", "UbiCalles", 5, &TPalvonViewer::UbiCallesClick);

    // Items that carry a submenu are actions of the window, so they are found by name.
    auto* decimales = new QMenu(this);
    decimales->setObjectName("Decimales");
    AddAction(valores, Cmd::Decimales1, Qs(Format("Decimales (%d)", NumFormat.Decimals)))->setMenu(decimales);
    for (int d = 0; d <= 4; ++d) {
        QAction* item = AddAction(decimales, QStringLiteral("NumDec%1").arg(d));
        item->setData(d);
        Registry().Register(CommandTable::TOwner::MapView, CommandOf(item), [this, d] { NumDec(d); });
    }

    QMenu* shift = SubMenu(BDerecho, "Desplazamiento", QStringLiteral("Desplazamiento"));
    auto* shiftGroup = new QActionGroup(shift);
    for (int tag : {1, -1, 2, 4, 6, 8, 10}) {
        const QString name = tag < 0 ? QStringLiteral("DesplazamientoC") : QStringLiteral("Desplazamiento%1").arg(tag);
        QAction* item = AddAction(shift, name);
        item->setData(tag);
        shiftGroup->addAction(item);
        Registry().Register(CommandTable::TOwner::MapView, CommandOf(item), [this, tag] { Desplazamiento(tag); });
    }
    Action(Cmd::Desplazamiento1)->setChecked(true);

    // Colour and width of each background line layer, in its entry of "Cobertura Lineas".
    for (int k = 1; k <= 9; ++k) {
        QMenu* entry = findChild<QMenu*>(QStringLiteral("S11%1").arg(k));
        if (!entry)
            continue;
        const int tag = 10 + k;
        QAction* color = AddAction(entry, QStringLiteral("LineaColor%1").arg(tag));
        color->setData(tag);
        Registry().Register(CommandTable::TOwner::MapView, CommandOf(color), [this, tag] { Color(tag); });
        auto* widths = new QMenu(this);
        widths->setObjectName(QStringLiteral("LineaAnchoMenu%1").arg(tag));
        AddAction(entry, QStringLiteral("LineaAncho%1").arg(tag))->setMenu(widths);
        auto* widthGroup = new QActionGroup(widths);
        for (int w = 0; w <= 5; ++w) {
            const int widthTag = tag * 10 + w;
            QAction* item = AddAction(widths, QStringLiteral("Ancho%1").arg(widthTag));
            item->setData(widthTag);
            widthGroup->addAction(item);
            Registry().Register(CommandTable::TOwner::MapView, CommandOf(item),
                                [this, widthTag] { SetWidth(widthTag); });
        }
        Action(QStringLiteral("Ancho%1").arg(tag * 10 + 1))->setChecked(true);
    }

    // ---- Intersection views: border width and the phases window ----
    auto* intersecciones = new QMenu(CommandTable::Caption(Cmd::AnalisisIntersecciones), this);
    intersecciones->setObjectName("AnalisisInterseccionesMenu");
    Action(Cmd::AnalisisIntersecciones)->setMenu(intersecciones);
    QMenu* configurar = SubMenu(intersecciones, "ConfigurarIntersecciones", QStringLiteral("Configurar"));
    auto* borde = new QMenu(this);
    borde->setObjectName("BordeAnchoMenu");
    AddAction(configurar, Cmd::BordeAncho, Qs(Format("Borde ancho (%.1f)", IntersectionBorderWidth)))->setMenu(borde);
    auto* bordeGroup = new QActionGroup(borde);
    for (int tag = 0; tag <= 4; ++tag) {
        QAction* item = AddAction(borde, QStringLiteral("BordePuntos%1").arg(tag));
        item->setData(tag);
        bordeGroup->addAction(item);
        Registry().Register(CommandTable::TOwner::Analysis, CommandOf(item), [this, tag] { Puntos(tag); });
    }
    AddAction(intersecciones, Cmd::Visualizacion);
    Registry().Register(CommandTable::TOwner::Analysis, Cmd::Visualizacion, this, &TPalvonViewer::VisualizacionClick);

    // Junction types picked for the intersection analyses.
    for (int t = 1; t <= 5; ++t) {
        Action(QStringLiteral("Jtype%1").arg(t))->setCheckable(true);
        Registry().Register(CommandTable::TOwner::Analysis, CommandOf(QStringLiteral("Jtype%1").arg(t)),
                            [t](bool checked) { JtypeSelected[t] = checked; });
    }

    // The map's double click (the press before it records the pixel).
    connect(img, &TOxrImage::OnDblClick, this, &TPalvonViewer::imgDblClick);

    // ---- Tools and help ----
    QMenu* herramientas = TopMenu(menuBar(), QStringLiteral("&Herramientas"));
    AddAction(herramientas, Cmd::aCalculator1);
    Registry().Register(CommandTable::TOwner::Window, Cmd::aCalculator1, this, &TPalvonViewer::Calculator1Click);
    QMenu* temas = SubMenu(herramientas, "Temas", QStringLiteral("Temas"));
    AddAction(temas, Cmd::aAplicar1);
    QMenu* ayuda = TopMenu(menuBar(), QStringLiteral("A&yuda"));
    // Help contents and mail have nothing behind them: shown disabled, and the
    // hint says why.
    ayuda->setToolTipsVisible(true);
    const QString why = QStringLiteral("No disponible: esta versión no incluye %1");
    const std::pair<TCommandId, const char*> items[] = {{Cmd::aContenido1, "archivo de ayuda"},
                                                        {Cmd::aemail1, "envío de correo"}};
    for (const auto& [id, what] : items) {
        QAction* item = AddAction(ayuda, id);
        item->setEnabled(false);
        item->setToolTip(why.arg(QString::fromUtf8(what)));
        item->setStatusTip(item->toolTip());
    }
    ayuda->addSeparator();
    AddAction(ayuda, Cmd::AcercaDe1);
    Registry().Register(CommandTable::TOwner::Window, Cmd::AcercaDe1, this, &TPalvonViewer::AcercaDe1Click);
}

// ---- Number format and fonts ----

void TPalvonViewer::NumDec(int decimals)
{
    NumFormat.NumDec = decimals + 6;
    NumFormat.Decimals = decimals;
    NumFormat.Format = Format("%%.%df", decimals);
    Action(Cmd::Decimales1)->setText(Qs(Format("Decimales (%d)", decimals)));
    RedrawMap();
}

namespace {
bool ChooseFontWith(TPalvonViewer& w, TLabelFont& font)
{
    if (w.DisplayDialogs.ChooseFont)
        return w.DisplayDialogs.ChooseFont(font);
    return FontDialog(&w, font);
}

// Lets the user choose label font `tag` (1..MaxLabelFonts); true when it was replaced.
bool ChooseLabelFont(TPalvonViewer& w, int tag)
{
    if (tag < 1 || tag > MaxLabelFonts)
        return false;
    TLabelFont font = LabelFonts[static_cast<size_t>(tag)];
    if (!ChooseFontWith(w, font))
        return false;
    LabelFonts[static_cast<size_t>(tag)] = font;
    return true;
}
} // namespace

void TPalvonViewer::LetraClick(int tag)
{
    if (!ChooseLabelFont(*this, tag))
        return;
    Action(QStringLiteral("Letra%1").arg(tag))->setText(LetraCaption(tag));
    RedrawMap();
}

void TPalvonViewer::Letra(QAction* item)
{
    if (!item)
        return;
    const int tag = item->data().toInt();
    if (ChooseLabelFont(*this, tag))
        item->setText(LetraCaption(tag));
}

// ---- Background layer styles ----

void TPalvonViewer::Color(int tag)
{
    if (tag < 0 || tag >= 20)
        return;
    uint32_t color = Items[static_cast<size_t>(tag)].Color;
    bool accepted = false;
    if (DisplayDialogs.ChooseColor) {
        accepted = DisplayDialogs.ChooseColor(color);
    } else {
        const QColor c = QColorDialog::getColor(DisplayStyles::ToQColor(color), this);
        accepted = c.isValid();
        if (accepted)
            color = DisplayStyles::FromQColor(c);
    }
    if (accepted)
        Items[static_cast<size_t>(tag)].Color = color;
}

void TPalvonViewer::SetWidth(int tag)
{
    const int item = tag / 10;
    if (tag < 0 || item > MaxItems)
        return;
    Items[static_cast<size_t>(item)].Width = tag % 10;
}

// ---- Label positions, link shift, lanes ----

void TPalvonViewer::UbiNodoClick(int tag)
{
    if (tag < 1 || tag > 9)
        return;
    NodeLabelPos = NodePosCodes[tag];
    Action(QStringLiteral("UbiNodo%1").arg(tag))->setChecked(true);
    RedrawMap();
}

void TPalvonViewer::UbiCallesClick(int tag)
{
    if (tag < 1 || tag > 9)
        return;
    StreetLabelPos = StreetPosCodes[tag];
    // Left column near the start of the link, right column near its end.
    static const float offsets[3] = {0.95f, 0.5f, 0.05f};
    StreetLabelOffset = offsets[(tag - 1) % 3];
    Action(QStringLiteral("UbiCalles%1").arg(tag))->setChecked(true);
    RedrawMap();
}

void TPalvonViewer::Desplazamiento(int tag)
{
    LinkShift = tag;
    RedrawMap();
}

void TPalvonViewer::seAnchoPistaChange()
{
    AnchoPista = static_cast<float>(seAnchoPista->value());
    LaneOffset = 1.5f * AnchoPista;
    // The lane bands are rebuilt at the next redraw.
    LanesReady = true;
}

void TPalvonViewer::seFMovChange() { FMov = seFMov->value(); }

void TPalvonViewer::AnchoBarra1Click()
{
    std::string text = Format("%d", GenatrBarWidth);
    bool accepted = false;
    if (DisplayDialogs.InputText) {
        accepted = DisplayDialogs.InputText("Ancho barra ...", "Nodo", text);
    } else {
        QVariant value(Qs(text));
        accepted = ZelUtils::InputInteger("Ancho barra ...", "Nodo", value, ZelUtils::FieldText);
        text = value.toString().toStdString();
    }
    if (!accepted)
        return;
    const std::string typed = ZelUtils::Trim(text);
    if (!ZelUtils::IsNumber(typed)) {
        Services().ShowMessage("Valor no válido: " + typed);
        return;
    }
    GenatrBarWidth = ZelUtils::Round(ZelUtils::ParseReal(typed));
}

void TPalvonViewer::Puntos(int tag)
{
    IntersectionBorderWidth = static_cast<float>(tag * 0.5);
    Action(Cmd::BordeAncho)->setText(Qs(Format("Borde ancho (%.1f)", IntersectionBorderWidth)));
}

void TPalvonViewer::VisualizacionClick()
{
    SetDown(Cmd::tbShow, false);
    SetDown(Cmd::tbMixs, false);
    TFrmFases& fases = Secondary::FrmFases();
    NodoActual = 0;
    if (FasesListOk == 0)
        fases.MakePupNodos();
    if (KDVFases::ListedCount() == 0) {
        // Nothing to draw: say why instead of opening an empty window.
        FasesListOk = 0;
        Services().ShowMessage(Action(Cmd::jtSel)->isChecked()
                                   ? "No hay nodos seleccionados que mostrar en \"Fases\".\r"
                                     "Seleccione nodos o desmarque \"Selección\" en \"Seleccionar\"."
                                   : "La red no tiene intersecciones de los tipos marcados en \"Seleccionar\":\r"
                                     "no hay nada que mostrar en \"Fases\".");
        return;
    }
    fases.show();
    fases.raise();
}

void TPalvonViewer::Calculator1Click()
{
    auto* calc = findChild<TCalculator*>(QStringLiteral("Calc"), Qt::FindDirectChildrenOnly);
    if (!calc)
        calc = new TCalculator(this);
    calc->exec();
}

// ---- The title box ----

namespace {
// One property of the title's font changed from the title toolbar (nothing
// while UpdatingTitFont holds).
template <class F>
void ChangeTitFont(TPalvonViewer& w, F&& change)
{
    if (w.UpdatingTitFont)
        return;
    QFont f = w.tit->font();
    change(f);
    w.tit->setFont(f);
}
} // namespace

void TPalvonViewer::FontName_Change()
{
    ChangeTitFont(*this, [&](QFont& f) { f.setFamily(FontName->currentFont().family()); });
}

void TPalvonViewer::FontSize_Change()
{
    ChangeTitFont(*this, [&](QFont& f) { f.setPointSize(std::max(1, ZelUtils::Round(FontSize->value()))); });
}

void TPalvonViewer::FontColor_Change()
{
    if (UpdatingTitFont)
        return;
    QPalette p = tit->palette();
    p.setColor(QPalette::Text, FontColor->currentData().value<QColor>());
    tit->setPalette(p);
}

void TPalvonViewer::aTitBoldExecute()
{
    ChangeTitFont(*this, [&](QFont& f) { f.setBold(Down(Cmd::aTitBold)); });
}

void TPalvonViewer::aTitUnderExecute()
{
    ChangeTitFont(*this, [&](QFont& f) { f.setUnderline(Down(Cmd::aTitUnder)); });
}

void TPalvonViewer::aTitItalicExecute()
{
    ChangeTitFont(*this, [&](QFont& f) { f.setItalic(Down(Cmd::aTitItalic)); });
}

void TPalvonViewer::titSelectionChange()
{
    UpdatingTitFont = true;
    // The caret's line and column; nothing else follows from them.
    const QTextCursor caret = tit->textCursor();
    [[maybe_unused]] const int line = caret.blockNumber();
    [[maybe_unused]] const int column = caret.positionInBlock();
    UpdatingTitFont = false;
}

void TPalvonViewer::TitPosition(int tag)
{
    if (tag < 1 || tag > 6)
        return;
    TitlePos = tag;
    int top = tit->y();
    int left = tit->x();
    if (tag <= 3)
        top = 10;
    else
        top = img->height() - tit->height() - 10;
    if (tag == 1 || tag == 4)
        left = 10;
    else if (tag == 2 || tag == 5)
        left = ZelUtils::Round((img->width() - tit->width()) / 2.0);
    else
        left = img->width() - tit->width() - 10;
    tit->move(left, top);
}
