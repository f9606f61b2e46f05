// Styles of the map: number format of the values, label fonts, colours and widths
// of the background layers, label positions, the parallel shift of two-way links,
// lane width, the title box `tit` with its font and corner, and the display menus.
// Style handlers only set state; those that say so redraw the map.
#include "map/gui/DisplayController.h"
#include "widgets/MenuUtils.h"

#include "map/DisplayStyles.h"
#include "map/DrawState.h"
#include "map/gui/MapCommands.h"
#include "map/gui/MapHost.h"
#include "map/gui/MapViewController.h"
#include "map/gui/MapViewHost.h"
#include "map/gui/OxrImage.h"
#include "model/KDVvars.h"
#include "model/LinkGeometry.h"
#include "model/ProgramOptions.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"
#include "model/gui/ZelUtilsGui.h"
#include "widgets/TypedNumber.h"
#include "widgets/CommandPlaces.h"
#include "widgets/WindowHost.h"

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
#include <QSpinBox>
#include <QTextEdit>

using MapCommands::Named;
using ZelUtils::Format;

namespace {

QString Qs(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<int>(s.size())); }

// The program's font dialog: name, size, colour and style of a label font.
bool FontDialog(QWidget* parent, TLabelFont& font)
{
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("Fuente"));
    auto* form = new QFormLayout(&dialog);
    auto* name = new QFontComboBox(&dialog);
    name->setCurrentFont(QFont(Qs(font.Name)));
    auto* size = new TWholeSpinBox(&dialog);
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

// The codes of the label positions of the "Ubicación" menus (tags 1..9): node numbers are placed by the corner of the label that touches the
// node, street names by the point of the label on the link.
constexpr int32_t NodePosCodes[10] = {0, 8, 7, 6, 5, 4, 3, 2, 1, 0};
constexpr int32_t StreetPosCodes[10] = {0, 6, 7, 8, 3, 4, 5, 0, 1, 2};

} // namespace

void TDisplayController::CreateDisplayMenus()
{
    QWidget* const window = window_.DialogParent();
    // ---- The layers of the map, under "Ver" ----
    // ---- The layers of the map, under "Ver" (the table places them) ----
    QMenu* ver = host_.ViewMenu();
    QMenu* movimientos = SubMenu(ver, "VerMovimientos", QStringLiteral("Movimientos"));
    ver->insertAction(CommandPlaces::After(ver, window_.Action(Cmd::Valores1)), movimientos->menuAction());
    CommandPlaces::Fill(window_, movimientos, QStringLiteral("menu:Ver>Movimientos"));
    window_.Action(Cmd::aDataGrid1)->setChecked(true);
    ver->addSeparator();

    Barras = SubMenu(ver, "Barras", QStringLiteral("Barras de herramientas"));
    CommandPlaces::Fill(window_, Barras, QStringLiteral("menu:Ver>Barras de herramientas"));
    const TCommandId bars[6] = {Cmd::Estandar1, Cmd::Arcos2, Cmd::Movimientos1, Cmd::Adicionales1, Cmd::Ttulos1,
                                Cmd::Abrir1};
    for (int tag = 1; tag <= 6; ++tag)
        window_.Action(bars[tag - 1])->setData(tag);

    // The layers drawn in the magnifier besides those shown on the map.
    QMenu* lupa = view_.MagnifierMenu();
    ver->addMenu(lupa);
    const std::pair<TCommandId, bool> zoomItems[] = {{Cmd::Sentidos2, false}, {Cmd::Nodos2, true},
                                                     {Cmd::Nmeronodos1, true}, {Cmd::Calles2, false},
                                                     {Cmd::Atributos3, false}, {Cmd::Valores3, false}};
    for (const auto& [id, on] : zoomItems)
        window_.Action(id)->setChecked(on);

    // ---- Fonts, label positions and formats: the map's right-button menu ----
    QMenu* BDerecho = host_.MapMenu();
    QMenu* zonas = SubMenu(BDerecho, "BDZonas", QStringLiteral("Zonas"));
    QMenu* nodos = SubMenu(BDerecho, "BDNodos", QStringLiteral("Nodos"));
    QMenu* valores = SubMenu(BDerecho, "BDValores", QStringLiteral("Valores"));
    QMenu* calles = SubMenu(BDerecho, "BDCalles", QStringLiteral("Calles"));
    QMenu* titulos = SubMenu(BDerecho, "BDTitulos", QStringLiteral("Títulos"));
    QMenu* genatr = SubMenu(BDerecho, "BDGenatr", QStringLiteral("Generación/Atracción"));
    // The label fonts (one per submenu) show their font in the caption.
    for (int tag = 1; tag <= 6; ++tag) {
        QAction* letra = window_.Action(Named(QStringLiteral("Letra%1").arg(tag)));
        letra->setText(Qs(LetraCaption(tag)));
        letra->setData(tag);
    }
    window_.Action(Cmd::Decimales1)->setText(Qs(Format("Decimales (%d)", UserView().NumFormat.Decimals)));
    for (const auto& [place, menu] : {std::pair{"Zonas", zonas}, std::pair{"Nodos", nodos},
                                      std::pair{"Valores", valores}, std::pair{"Calles", calles},
                                      std::pair{"Títulos", titulos}, std::pair{"Generación/Atracción", genatr}})
        CommandPlaces::Fill(window_, menu, QStringLiteral("popup:BDerecho>") + QString::fromUtf8(place));

    // Zone labels (after the font): the drawing reads which item is ticked.
    QMenu* varZonas = SubMenu(zonas, "varZonas", QStringLiteral("Etiquetas"));
    zonas->insertAction(CommandPlaces::After(zonas, window_.Action(Cmd::Letra1)), varZonas->menuAction());
    CommandPlaces::Fill(window_, varZonas, QStringLiteral("popup:BDerecho>Zonas>Etiquetas"));
    auto* zoneGroup = new QActionGroup(varZonas);
    for (TCommandId id : {Cmd::MenuItem4, Cmd::CodZona})
        zoneGroup->addAction(window_.Action(id));
    window_.Action(Cmd::MenuItem4)->setChecked(true);

    // The label positions, after the font.
    auto positionMenu = [this](QMenu* parent, TCommandId font, const char* menuName, const char* itemPrefix,
                               int checkedTag) {
        QMenu* menu = SubMenu(parent, menuName, QStringLiteral("Ubicación"));
        parent->insertAction(CommandPlaces::After(parent, window_.Action(font)), menu->menuAction());
        CommandPlaces::Fill(window_, menu, QStringLiteral("popup:BDerecho>%1>Ubicación").arg(parent->title()));
        auto* group = new QActionGroup(menu);
        for (int tag = 1; tag <= 9; ++tag) {
            QAction* item = window_.Action(Named(QStringLiteral("%1%2").arg(QLatin1String(itemPrefix)).arg(tag)));
            item->setData(tag);
            group->addAction(item);
        }
        window_.Action(Named(QStringLiteral("%1%2").arg(QLatin1String(itemPrefix)).arg(checkedTag)))->setChecked(true);
    };
    positionMenu(nodos, Cmd::Letra2, "UbicacionNodos", "UbiNodo", 3);
    positionMenu(calles, Cmd::Letra5, "UbicacionCalles", "UbiCalles", 5);

    // Items that carry a submenu are actions of the window, so they are found by name.
    auto* decimales = new QMenu(window);
    decimales->setObjectName("Decimales");
    window_.Action(Cmd::Decimales1)->setMenu(decimales);
    CommandPlaces::Fill(window_, decimales, QStringLiteral("popup:BDerecho>Valores>#Decimales1"));
    for (int d = 0; d <= 4; ++d)
        window_.Action(Named(QStringLiteral("NumDec%1").arg(d)))->setData(d);

    QMenu* shift = SubMenu(BDerecho, "Desplazamiento", QStringLiteral("Desplazamiento"));
    CommandPlaces::Fill(window_, shift, QStringLiteral("popup:BDerecho>Desplazamiento"));
    auto* shiftGroup = new QActionGroup(shift);
    for (int tag : {1, -1, 2, 4, 6, 8, 10}) {
        const QString name = tag < 0 ? QStringLiteral("DesplazamientoC") : QStringLiteral("Desplazamiento%1").arg(tag);
        QAction* item = window_.Action(Named(name));
        item->setData(tag);
        shiftGroup->addAction(item);
    }
    window_.Action(Cmd::Desplazamiento1)->setChecked(true);

    // Colour and width of each background line layer, in its entry of "Cobertura Lineas".
    for (int k = 1; k <= 9; ++k) {
        QMenu* entry = layerEntries_[k];
        if (!entry)
            continue;
        const int tag = 10 + k;
        window_.Action(Named(QStringLiteral("LineaColor%1").arg(tag)))->setData(tag);
        auto* widths = new QMenu(window);
        widths->setObjectName(QStringLiteral("LineaAnchoMenu%1").arg(tag));
        window_.Action(Named(QStringLiteral("LineaAncho%1").arg(tag)))->setMenu(widths);
        CommandPlaces::Fill(window_, widths,
                            QStringLiteral("popup:BDerecho>Cobertura Lineas>Solera %1>Línea Ancho").arg(k));
        auto* widthGroup = new QActionGroup(widths);
        for (int w = 0; w <= 5; ++w) {
            const int widthTag = tag * 10 + w;
            QAction* item = window_.Action(Named(QStringLiteral("Ancho%1").arg(widthTag)));
            item->setData(widthTag);
            widthGroup->addAction(item);
        }
        window_.Action(Named(QStringLiteral("Ancho%1").arg(tag * 10 + 1)))->setChecked(true);
    }
}

// ---- Number format and fonts ----

void TDisplayController::NumDec(int decimals)
{
    UserView().NumFormat.NumDec = decimals + 6;
    UserView().NumFormat.Decimals = decimals;
    UserView().NumFormat.Format = Format("%%.%df", decimals);
    window_.Action(Cmd::Decimales1)->setText(Qs(Format("Decimales (%d)", decimals)));
    window_.RedrawMap();
}

// Lets the user choose label font `tag` (1..MaxLabelFonts); true when it was replaced.
bool TDisplayController::ChooseLabelFont(int tag)
{
    if (tag < 1 || tag > MaxLabelFonts)
        return false;
    TLabelFont font = UserView().LabelFonts[static_cast<size_t>(tag)];
    if (!(Dialogs.ChooseFont ? Dialogs.ChooseFont(font) : FontDialog(window_.DialogParent(), font)))
        return false;
    UserView().LabelFonts[static_cast<size_t>(tag)] = font;
    return true;
}

void TDisplayController::LetraClick(int tag)
{
    if (!ChooseLabelFont(tag))
        return;
    window_.Action(Named(QStringLiteral("Letra%1").arg(tag)))->setText(Qs(LetraCaption(tag)));
    window_.RedrawMap();
}

std::string TDisplayController::LetraCaption(int tag) const
{
    const TLabelFont& f = window_.View().LabelFonts[static_cast<size_t>(tag)];
    return Format("Letra (%s %2d)", f.Name, f.Size);
}

void TDisplayController::Letra(QAction* item)
{
    if (!item)
        return;
    const int tag = item->data().toInt();
    if (ChooseLabelFont(tag))
        item->setText(Qs(LetraCaption(tag)));
}

// ---- Background layer styles ----

void TDisplayController::Color(int tag)
{
    if (tag < 0 || tag >= 20)
        return;
    uint32_t color = UserView().Items[static_cast<size_t>(tag)].Color;
    bool accepted = false;
    if (Dialogs.ChooseColor) {
        accepted = Dialogs.ChooseColor(color);
    } else {
        const QColor c = QColorDialog::getColor(DisplayStyles::ToQColor(color), window_.DialogParent());
        accepted = c.isValid();
        if (accepted)
            color = DisplayStyles::FromQColor(c);
    }
    if (accepted)
        UserView().Items[static_cast<size_t>(tag)].Color = color;
}

void TDisplayController::SetWidth(int tag)
{
    const int item = tag / 10;
    if (tag < 0 || item > MaxItems)
        return;
    UserView().Items[static_cast<size_t>(item)].Width = tag % 10;
}

// ---- Label positions, link shift, lanes ----

void TDisplayController::UbiNodoClick(int tag)
{
    if (tag < 1 || tag > 9)
        return;
    UserView().NodeLabelPos = NodePosCodes[tag];
    window_.Action(Named(QStringLiteral("UbiNodo%1").arg(tag)))->setChecked(true);
    window_.RedrawMap();
}

void TDisplayController::UbiCallesClick(int tag)
{
    if (tag < 1 || tag > 9)
        return;
    UserView().StreetLabelPos = StreetPosCodes[tag];
    // Left column near the start of the link, right column near its end.
    static const float offsets[3] = {0.95f, 0.5f, 0.05f};
    UserView().StreetLabelOffset = offsets[(tag - 1) % 3];
    window_.Action(Named(QStringLiteral("UbiCalles%1").arg(tag)))->setChecked(true);
    window_.RedrawMap();
}

void TDisplayController::Desplazamiento(int tag)
{
    UserView().LinkShift = tag;
    window_.RedrawMap();
}

void TDisplayController::seAnchoPistaChange()
{
    UserView().Lanes.AnchoPista = static_cast<float>(seAnchoPista->value());
    UserView().Lanes.LaneOffset = 1.5f * UserView().Lanes.AnchoPista;
    // The lane bands are rebuilt at the next redraw.
    LanesReady = true;
}

void TDisplayController::seFMovChange() { UserView().FMov = seFMov->value(); }

void TDisplayController::AnchoBarra1Click()
{
    std::string text = Format("%d", UserView().GenatrBarWidth);
    bool accepted = false;
    if (Dialogs.InputText) {
        accepted = Dialogs.InputText("Ancho barra ...", "Nodo", text);
    } else {
        QVariant value(Qs(text));
        accepted = ZelUtils::InputInteger("Ancho barra ...", "Nodo", value, ZelUtils::FieldText);
        text = value.toString().toStdString();
    }
    if (!accepted)
        return;
    double width = 0.0;
    if (!ReadTypedNumber(Qs(text), width))
        return;
    UserView().GenatrBarWidth = ZelUtils::Round(width);
}

// ---- The title box ----

// Nothing while UpdatingTitFont holds.
template <class F>
void TDisplayController::ChangeTitFont(F&& change)
{
    if (UpdatingTitFont)
        return;
    QTextEdit* tit = host_.TitleBox();
    QFont f = tit->font();
    change(f);
    tit->setFont(f);
}

void TDisplayController::FontName_Change()
{
    ChangeTitFont([&](QFont& f) { f.setFamily(FontName->currentFont().family()); });
}

void TDisplayController::FontSize_Change()
{
    ChangeTitFont([&](QFont& f) { f.setPointSize(std::max(1, ZelUtils::Round(FontSize->value()))); });
}

void TDisplayController::FontColor_Change()
{
    if (UpdatingTitFont)
        return;
    QTextEdit* tit = host_.TitleBox();
    QPalette p = tit->palette();
    p.setColor(QPalette::Text, FontColor->currentData().value<QColor>());
    tit->setPalette(p);
}

void TDisplayController::aTitBoldExecute()
{
    ChangeTitFont([&](QFont& f) { f.setBold(window_.CommandOn(Cmd::aTitBold)); });
}

void TDisplayController::aTitUnderExecute()
{
    ChangeTitFont([&](QFont& f) { f.setUnderline(window_.CommandOn(Cmd::aTitUnder)); });
}

void TDisplayController::aTitItalicExecute()
{
    ChangeTitFont([&](QFont& f) { f.setItalic(window_.CommandOn(Cmd::aTitItalic)); });
}

void TDisplayController::titSelectionChange()
{
    UpdatingTitFont = true;
    // The caret's line and column; nothing else follows from them.
    const QTextCursor caret = host_.TitleBox()->textCursor();
    [[maybe_unused]] const int line = caret.blockNumber();
    [[maybe_unused]] const int column = caret.positionInBlock();
    UpdatingTitFont = false;
}

void TDisplayController::TitPosition(int tag)
{
    if (tag < 1 || tag > 6)
        return;
    UserView().TitlePos = tag;
    QTextEdit* tit = host_.TitleBox();
    const TOxrImage* img = map_.MapImage();
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
