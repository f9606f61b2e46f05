// The view configuration of a network (layers, window, legends, fonts, sizes,
// styles, range sets and display options) as the keys of one INI section, and the
// themes: named configurations kept one per section of the themes file, listed in
// the themes window and applied to the network that is open; and the about box.
#include "mainwindow/AboutBox.h"
#include "mainwindow/DlgCfg.h"
#include "mainwindow/DlgTemas.h"
#include "mainwindow/PalvonViewer.h"
#include "mainwindow/ProgramSettings.h"
#include "mainwindow/StringAlignGrid.h"
#include "map/DisplayStyles.h"
#include "map/DrawState.h"
#include "map/GeoLayers.h"
#include "map/Ranges.h"
#include "map/gui/DataLayers.h"
#include "map/gui/KDVscale.h"
#include "map/gui/OxrImage.h"
#include "model/KDVvars.h"
#include "model/PalvonVars.h"
#include "model/TextCodec.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"
#include "platform/IniFile.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QSpinBox>
#include <QTabWidget>
#include <QTextEdit>

#include <algorithm>
#include <filesystem>

using ZelUtils::Format;

namespace {

constexpr const char* ThemesFileName = "Velmorat.INI";
// The section that passes a configuration from one network to another; not a theme.
constexpr const char* ThemeClipboard = "_Tema_Velmora";

constexpr const char* PreferenciasDefault =
    "1;1;1;1;1;1;1;1;1;1;1;0;0;255;8388736;2;16739583;0;8404992;3;16755801;1;1;100;1;1;1;1;1;0;0;0";

// The layer toggles in the order of "Opciones" and "Botones"; an empty name is the
// unused field 3, "aAtributos2" an action rather than a toolbar button.
constexpr const char* LayerButtons[17] = {"tbArrows", "tbNodes", "", "tbNameNodes", "tbCalles", "tbCents",
                                          "tbAtributos", "tbColores", "tbValues", "aAtributos2",
                                          "tbMovimValues", "tbPoligonos", "tbLineas", "tbSel", "tbTit",
                                          "tbZonas", "tbSolera"};

QString Qs(const std::string& s) { return TextCodec::Decode(s); }
std::string Std(const QString& s) { return s.toUtf8().toStdString(); }

std::string Bool(bool b) { return b ? "1" : "0"; }
std::string Real(double v) { return Format("%.15g", v); }
int32_t FieldInt(const std::string& f) { return ZelUtils::ParseNumber(f).asInt(); }
double FieldNum(const std::string& f) { return ZelUtils::ParseNumber(f).asReal(); }
uint32_t FieldColor(const std::string& f) { return static_cast<uint32_t>(FieldInt(f)); }

std::vector<std::string> Fields(const TIniFile& ini, const std::string& section, const char* key,
                                const char* defaultValue, size_t count)
{
    return ProgramSettings::ReadFields(ini, section, key, defaultValue, count);
}

std::string Join(const std::vector<std::string>& parts)
{
    std::string out;
    for (size_t i = 0; i < parts.size(); ++i)
        out += (i ? ";" : "") + parts[i];
    return out;
}

// Name; size; colour; style as four "0"/"1" (bold, italic, underline, strike-out).
std::string FontFields(const TLabelFont& f)
{
    std::string style;
    for (uint8_t bit : {fsBold, fsItalic, fsUnderline, fsStrikeOut})
        style += (f.Style & bit) ? '1' : '0';
    return Format("%s;%d;%d;%s", f.Name, f.Size, f.Color, style);
}

void ReadFont(TLabelFont& f, const std::vector<std::string>& v)
{
    f.Name = v[0];
    f.Size = FieldInt(v[1]);
    f.Color = FieldColor(v[2]);
    f.Style = 0;
    const uint8_t bits[4] = {fsBold, fsItalic, fsUnderline, fsStrikeOut};
    for (size_t i = 0; i < 4 && i < v[3].size(); ++i)
        if (v[3][i] == '1')
            f.Style = static_cast<uint8_t>(f.Style | bits[i]);
}

// Seven characters with a "1" at the position of the style.
std::string PenStyleField(uint8_t style)
{
    std::string s(7, '0');
    s[std::min<size_t>(style, 6)] = '1';
    return s;
}

// The last "1" among positions 2..7 gives the style; none gives 0.
uint8_t ReadPenStyle(const std::string& f)
{
    uint8_t style = 0;
    for (size_t k = 1; k < 7 && k < f.size(); ++k)
        if (f[k] == '1')
            style = static_cast<uint8_t>(k);
    return style;
}

// The title lines as plain text lines; an empty title has no line.
std::vector<std::string> TitleLines(const QTextEdit* tit)
{
    std::vector<std::string> lines;
    if (!tit || tit->toPlainText().isEmpty())
        return lines;
    for (const QString& line : tit->toPlainText().split(QLatin1Char('\n')))
        lines.push_back(Std(line));
    return lines;
}

} // namespace

void TPalvonViewer::AcercaDe1Click()
{
    if (KDVaboutBox)
        KDVaboutBox->exec();
}

void TPalvonViewer::CreateThemeMenus()
{
    QMenu* temas = findChild<QMenu*>(QStringLiteral("Temas"));
    if (temas) {
        QAction* definir = AddAction(nullptr, "aDefinir1", QStringLiteral("Definir"));
        temas->insertAction(Action("aAplicar1"), definir);
        connect(definir, &QAction::triggered, this, &TPalvonViewer::Definir1Click);
    }
    QMenu* editar = nullptr;
    for (QAction* a : menuBar()->actions())
        if (a->menu() && a->text() == QLatin1String("&Editar"))
            editar = a->menu();
    if (!editar) {
        // After "&Archivo".
        const QList<QAction*> top = menuBar()->actions();
        editar = new QMenu(QStringLiteral("&Editar"), this);
        menuBar()->insertMenu(top.size() > 1 ? top[1] : nullptr, editar);
    }
    QAction* copiar = AddAction(editar, "CopiarTema1", QStringLiteral("Copiar Tema"));
    copiar->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_C));
    connect(copiar, &QAction::triggered, this, &TPalvonViewer::CopiarTema1Click);
    QAction* pegar = AddAction(editar, "PegarTema1", QStringLiteral("Pegar Tema"));
    pegar->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_V));
    connect(pegar, &QAction::triggered, this, &TPalvonViewer::PegarTema1Click);
    // The polygons menu shows this entry under its own name.
    connect(Action("aConfigurar1"), &QAction::triggered, this, &TPalvonViewer::Configurar1Click);
}

void TPalvonViewer::Definir1Click()
{
    TIniFile ini(ThemesFileName);
    std::string name = ThemeName;
    const std::string caption = "Definición de Temas", prompt = "Ingrese el nombre del tema";
    if (DisplayDialogs.InputText) {
        if (!DisplayDialogs.InputText(caption, prompt, name))
            name = ThemeName;
    } else {
        bool ok = false;
        const QString answer = QInputDialog::getText(this, Qs(caption), Qs(prompt), QLineEdit::Normal, Qs(ThemeName), &ok);
        name = ok ? Std(answer) : ThemeName;
    }
    ThemeName = name;
    if (ThemeName.empty())
        return;
    if (ini.SectionExists(ThemeName) && !Services().AskYesNo("Tema ya existe. Desea sobrescribirlo"))
        return;
    // A themes file that cannot be written (read-only, say) is reported, not fatal.
    try {
        GrabarConfiguracion(ini, ThemeName);
    } catch (const std::exception& e) {
        Services().ShowMessage(e.what());
    }
}

void TPalvonViewer::Aplicar1Click()
{
    if (!DlgTemas)
        return;
    TIniFile ini(ThemesFileName);
    std::vector<std::string> names = ini.ReadSections();
    const auto clipboard = std::find(names.begin(), names.end(), ThemeClipboard);
    if (clipboard != names.end())
        names.erase(clipboard);

    DlgTemas->lbSects->clear();
    DlgTemas->lbValues->clear();
    ThemeSectionValues.clear();
    for (const std::string& name : names) {
        ThemeSectionValues.push_back(ini.ReadSectionValues(name));
        DlgTemas->lbSects->addItem(TextCodec::Decode(name));
    }
    if (!ThemeSectionValues.empty())
        for (const std::string& line : ThemeSectionValues.front())
            DlgTemas->lbValues->addItem(TextCodec::Decode(line));

    const bool ok = DlgTemas->exec() == QDialog::Accepted;
    const int row = DlgTemas->lbSects->currentRow();
    const bool selected = row >= 0 && row < static_cast<int>(names.size()) && DlgTemas->lbSects->item(row)->isSelected();
    ThemeSectionValues.clear();
    if (!ok || !selected)
        return;
    ThemeName = names[static_cast<size_t>(row)];
    LeerConfiguracion(ini, ThemeName);
    DrawPalvon();
}

void TPalvonViewer::CopiarTema1Click()
{
    TIniFile ini(ThemesFileName);
    try {
        GrabarConfiguracion(ini, ThemeClipboard);
    } catch (const std::exception& e) {
        Services().ShowMessage(e.what());
        return;
    }
    if (QClipboard* clip = QGuiApplication::clipboard())
        clip->setText(Qs(Format("%.2f;%.2f;%.2f;%.2f", WorldMinX, WorldMinY, WorldMaxX, WorldMaxY)));
}

void TPalvonViewer::PegarTema1Click()
{
    TIniFile ini(ThemesFileName);
    if (!ini.SectionExists(ThemeClipboard))
        return;
    LeerConfiguracion(ini, ThemeClipboard);
    DrawPalvon();
}

void TPalvonViewer::Configurar1Click()
{
    if (!DlgCfg)
        return;
    TDlgCfg& d = *DlgCfg;
    QTabWidget* pages = d.CfgPaginas;
    QGroupBox* groups[2] = {d.ArcosSeleccionados, d.Zonificacion};
    pages->setTabVisible(pages->indexOf(d.CfgAmpliacion), false);
    pages->setTabVisible(pages->indexOf(d.CfgPreferencias), false);
    for (QGroupBox* g : groups)
        if (g)
            g->setStyleSheet(QStringLiteral("QGroupBox::title { color: #808080; }"));
    pages->setCurrentWidget(d.CfgColores);
    d.exec();
    pages->setTabVisible(pages->indexOf(d.CfgAmpliacion), true);
    pages->setTabVisible(pages->indexOf(d.CfgPreferencias), true);
    for (QGroupBox* g : groups)
        if (g) {
            g->setEnabled(true);
            g->setStyleSheet(QString());
        }
    pages->setCurrentWidget(d.CfgPreferencias);
}

void TPalvonViewer::GrabarConfiguracion(TIniFile& ini, const std::string& section)
{
    auto put = [&](const std::string& key, const std::string& value) { ini.WriteString(section, key, value); };

    put("Variable", Format("%s;%d", RangeName, RangeVarArcos));
    put("Variables", ShownVarList.empty() ? "null" : Join(ShownVarList));
    const std::vector<std::string> title = TitleLines(tit);
    put("Titulo", title.empty() ? "null" : Join(title));
    put("Zoom", Join({Real(WorldMinX), Real(WorldMinY), Real(WorldMaxX), Real(WorldMaxY)}));

    std::vector<std::string> enabled, pressed;
    for (const char* name : LayerButtons) {
        if (!*name) {
            enabled.push_back("0");
            pressed.push_back("0");
            continue;
        }
        QAction* a = Action(name);
        enabled.push_back(Bool(a->isEnabled()));
        pressed.push_back(Bool(a->isChecked()));
    }
    put("Botones", Join(enabled));
    put("Opciones", Join(pressed));
    put("Vineta", sym ? Format("%d;%d", sym->x(), sym->y()) : std::string("53;355"));
    const bool fixed = KDVscale ? KDVscale->Fixed->isChecked() : ScaleFixed;
    put("Escala", Format("%s;%s;%d;%d", Real(RangeMax), Bool(fixed), PixsVol, PixsCol));
    put("Zonas", Format("%s;%d;%d", FontFields(LabelFonts[1]), CentroidSize, SymbolColors[0]));
    put("Nodos", Format("%s;%d", FontFields(LabelFonts[2]), NodeSize));
    put("Flechas", Format("%d;%d", ArrowSize, SymbolColors[2]));
    put("Atributos", Format("%s;%d;%d", FontFields(LabelFonts[4]), NumFormat.NumDec, NumFormat.Decimals));
    put("Calles", FontFields(LabelFonts[5]));
    const size_t mode = static_cast<size_t>(std::clamp(RangeMode, 0, MaxRangeModes));
    put("Color", Format("%d;%d", ModePenColors[mode], ModeBrushColors[mode]));

    const int layers = std::clamp(NumGeoLayers, 0, MaxGeoLayers);
    std::vector<std::string> soleras{Format("%d", layers)};
    for (int n = 1; n <= layers; ++n)
        soleras.push_back(GeoLayerFiles[n]);
    put("Soleras", Join(soleras));

    for (int i = 0; i <= MaxItems; ++i) {
        const TItems& it = Items[static_cast<size_t>(i)];
        put(Format("Item%2.2d", i),
            Format("%s;%d;%d;%s;%s", it.Name, it.Color, it.Width, Bool(it.ShowNames), PenStyleField(it.PenStyle)));
    }
    Ranges::WriteRangeSets(ini, section);

    if (DlgCfg) {
        const TDlgCfg& d = *DlgCfg;
        std::vector<std::string> p;
        for (QCheckBox* c : {d.cbSentidos, d.cbNodos, d.cbArcos, d.cbNombreNodos, d.cbCalles, d.cbCentroides,
                             d.cbAtributos, d.cbValores, d.cbPoligonos})
            p.push_back(Bool(c->isChecked()));
        p.insert(p.end(), {"1", "1"});
        p.push_back(Format("%d", d.SeleccionGrafica->ItemIndex()));
        p.push_back(Format("%d", d.RutasFijas->ItemIndex()));
        p.push_back(Format("%d", d.SeleccionColor->Color()));
        p.push_back(Format("%d", d.ZonaBordeColor->Color()));
        p.push_back(Format("%d", d.ZonaBordeAncho->value()));
        p.push_back(Format("%d", d.ZonaRellenoColor->Color()));
        p.push_back(Bool(d.ZonaRellenoClear->isChecked()));
        p.push_back(Format("%d", d.PoliBordeColor->Color()));
        p.push_back(Format("%d", d.PoliBordeAncho->value()));
        p.push_back(Format("%d", d.PoliRellenoColor->Color()));
        p.push_back(Bool(d.PoliRellenoClear->isChecked()));
        p.push_back(Format("%d", d.VisorZoomColor->Color()));
        p.push_back(Format("%d", d.VisorZoomSize->value()));
        p.push_back(Bool(d.ZoomPermanente->isChecked()));
        p.push_back(Format("%d", d.EscalaZoom->ItemIndex()));
        for (QCheckBox* c : {d.zArrows, d.zNodes, d.zNameNodes, d.zCalles, d.zAtributos, d.zValues})
            p.push_back(Bool(c->isChecked()));
        put("Preferencias", Join(p));
        put("GoogleEarth", Format("%d;%d;%s;%s", d.cbHuso->currentIndex(), d.cbHemisf->currentIndex(),
                                  Real(d.ceVert->value()), Real(d.ceHorz->value())));
    }
}

void TPalvonViewer::LeerConfiguracion(TIniFile& ini, const std::string& section)
{
    std::vector<std::string> v;
    const size_t mode = static_cast<size_t>(std::clamp(RangeMode, 0, MaxRangeModes));

    // The link variable: the current mode's variable supersedes the one read, and is
    // dropped when the link grid of the open network does not have it.
    v = Fields(ini, section, "Variable", "null;0", 2);
    RangeName = v[0];
    RangeVarArcos = FieldInt(v[1]);
    ArcosRangeValues();
    ShownVarList = {Format("%d", RangeVarArcos)};
    VarColors[0] = ModePenColors[mode];
    if (RangeVarArcos >= 0 && RangeVarArcos < NumArcosColumns) {
        const int32_t k = ColVarArcos[static_cast<size_t>(RangeVarArcos)];
        if (k >= 1 && k <= NumLinkVars) {
            RangeMin = Arcos[0].Var[k];
            RangeMax = Arcos[ArcosMaxRec].Var[k];
        }
    }
    if (RangeVarArcos < 0 || RangeVarArcos >= NumColArcos || !sagArcos || RangeVarArcos >= sagArcos->ColCount() ||
        sagArcos->cell(RangeVarArcos, 0) != RangeName) {
        RangeName = "null";
        RangeVarArcos = 0;
    }

    if (tit) {
        tit->clear();
        const std::string title = ini.ReadString(section, "Titulo", "null");
        if (title != "null") {
            QStringList lines;
            for (const std::string& line : ProgramSettings::SplitValue(title))
                lines << Qs(line);
            tit->setPlainText(lines.join(QLatin1Char('\n')));
        }
    }

    v = Fields(ini, section, "Zoom", "0.0;0.0;0.0;0.0", 4);
    WorldMinX = FieldNum(v[0]);
    WorldMinY = FieldNum(v[1]);
    WorldMaxX = FieldNum(v[2]);
    WorldMaxY = FieldNum(v[3]);
    // Without a network there is no extent to clamp into (its bounds are still unset).
    if (Network.MinX <= Network.MaxX && Network.MinY <= Network.MaxY) {
        WorldMinX = std::max(WorldMinX, double(Network.MinX));
        WorldMaxX = std::min(WorldMaxX, double(Network.MaxX));
        WorldMinY = std::max(WorldMinY, double(Network.MinY));
        WorldMaxY = std::min(WorldMaxY, double(Network.MaxY));
    }

    v = Fields(ini, section, "Opciones", "0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0", 17);
    for (size_t i = 0; i < 17; ++i)
        if (*LayerButtons[i])
            SetDown(LayerButtons[i], v[i] == "1");
    if (sym)
        sym->setVisible(Down("tbColores"));
    if (Scl)
        Scl->setVisible(Down("tbAtributos"));

    v = Fields(ini, section, "Vineta", "53;355", 2);
    for (TLegendImage* legend : {sym, Scl})
        if (legend) {
            legend->move(FieldInt(v[0]), FieldInt(v[1]));
            legend->PlaceAfresh = false;
        }

    v = Fields(ini, section, "Escala", "0;0;25;5", 4);
    RangeMax = static_cast<float>(FieldNum(v[0]));
    ScaleFixed = v[1] == "1";
    if (KDVscale)
        KDVscale->Fixed->setChecked(ScaleFixed);
    if (Fixed)
        Fixed->setVisible(ScaleFixed);
    PixsVol = FieldInt(v[2]);
    PixsCol = FieldInt(v[3]);

    auto letra = [this](int tag) {
        const TLabelFont& f = LabelFonts[static_cast<size_t>(tag)];
        Action(QStringLiteral("Letra%1").arg(tag))->setText(Qs(Format("Letra (%s %2d)", f.Name, f.Size)));
    };
    auto tamano = [this](int tag, int32_t size) {
        Action(QStringLiteral("Tamano%1").arg(tag))->setText(Qs(Format("Tamaño (%d)", size)));
    };
    v = Fields(ini, section, "Zonas", "Arial;8;0;0000;10;8454143", 6);
    ReadFont(LabelFonts[1], v);
    letra(1);
    CentroidSize = FieldInt(v[4]);
    tamano(1, CentroidSize);
    SymbolColors[0] = FieldColor(v[5]);

    v = Fields(ini, section, "Nodos", "Arial;8;0;0000;2", 5);
    ReadFont(LabelFonts[2], v);
    letra(2);
    NodeSize = FieldInt(v[4]);
    tamano(2, NodeSize);

    v = Fields(ini, section, "Flechas", "4;8454143", 2);
    ArrowSize = FieldInt(v[0]);
    tamano(3, ArrowSize);
    SymbolColors[2] = FieldColor(v[1]);

    v = Fields(ini, section, "Atributos", "Arial;8;255;0000;6;0", 6);
    ReadFont(LabelFonts[4], v);
    letra(4);
    NumFormat.NumDec = FieldInt(v[4]);
    NumFormat.Decimals = FieldInt(v[5]);
    NumFormat.Format = Format("%%.%df", NumFormat.Decimals);
    Action("Decimales1")->setText(Qs(Format("Decimales (%d)", NumFormat.Decimals)));

    v = Fields(ini, section, "Calles", "Arial;8;16711680;0000", 4);
    ReadFont(LabelFonts[5], v);
    letra(5);

    v = Fields(ini, section, "Color", "8454143;8421631", 2);
    ModePenColors[mode] = FieldColor(v[0]);
    ModeBrushColors[mode] = FieldColor(v[1]);

    // The first layer found replaces those loaded before, the others are added;
    // files that are gone are passed over.
    v = ProgramSettings::SplitValue(ini.ReadString(section, "Soleras", "0;null"));
    if (v.size() >= 2) {
        const int n = FieldInt(v[0]);
        GeoLayersLoaded = 0;
        for (int i = 1; i <= n && i < static_cast<int>(v.size()); ++i) {
            std::error_code ec;
            if (!std::filesystem::is_regular_file(v[static_cast<size_t>(i)], ec))
                continue;
            LineaSoleras(v[static_cast<size_t>(i)], GeoLayersLoaded != 0);
            GeoLayersLoaded = 1;
        }
    }

    for (int i = 0; i <= MaxItems; ++i) {
        v = ProgramSettings::SplitValue(ini.ReadString(section, Format("Item%2.2d", i), "null"));
        if (v.size() != 5)
            continue;
        TItems& it = Items[static_cast<size_t>(i)];
        it.Name = v[0];
        it.Color = FieldColor(v[1]);
        it.Width = FieldInt(v[2]);
        it.ShowNames = false;
        it.PenStyle = ReadPenStyle(v[4]);
    }

    // Stored range sets replace those of the run only in interactive openings; batch
    // runs keep their own.
    if (OpenInteractive != 0)
        Ranges::ReadRangeSets(ini, section);

    v = Fields(ini, section, "RangosLimites", "0;0.25;0.5;0.75;1;1.25", 6);
    for (size_t k = 0; k < 6; ++k) {
        RangeTable[k].High = static_cast<float>(FieldNum(v[k]));
        RangeTable[k].Low = k == 0 ? RangeTable[0].High : RangeTable[k - 1].High;
    }
    v = Fields(ini, section, "RangosColores", "65535;16776960;8454016;16744703;33023;255", 6);
    for (size_t k = 0; k < 6; ++k)
        RangeTable[k].Color = FieldColor(v[k]);
    v = Fields(ini, section, "RangosActivos", "0;1;1;1;1;1", 6);
    for (size_t k = 0; k < 6; ++k)
        RangeTable[k].Active = v[k] == "1";
    // A section without explicit classes gives the variable shown its stored set.
    if (OpenInteractive != 0 && RangeName != "null" && !ini.ValueExists(section, "RangosLimites") &&
        !ini.ValueExists(section, "RangosColores") && !ini.ValueExists(section, "RangosActivos"))
        Ranges::ApplySavedRangeSet(RangeName);

    if (DlgCfg) {
        TDlgCfg& d = *DlgCfg;
        v = Fields(ini, section, "Preferencias", PreferenciasDefault, 32);
        QCheckBox* checks[9] = {d.cbSentidos, d.cbNodos, d.cbArcos, d.cbNombreNodos, d.cbCalles,
                                d.cbCentroides, d.cbAtributos, d.cbValores, d.cbPoligonos};
        for (size_t i = 0; i < 9; ++i)
            checks[i]->setChecked(v[i] == "1");
        d.SeleccionGrafica->SetItemIndex(FieldInt(v[11]));
        d.RutasFijas->SetItemIndex(FieldInt(v[12]));
        d.SeleccionColor->SetColor(FieldColor(v[13]));
        d.ZonaBordeColor->SetColor(FieldColor(v[14]));
        d.ZonaBordeAncho->setValue(FieldInt(v[15]));
        d.ZonaRellenoColor->SetColor(FieldColor(v[16]));
        d.ZonaRellenoClear->setChecked(v[17] == "1");
        d.PoliBordeColor->SetColor(FieldColor(v[18]));
        d.PoliBordeAncho->setValue(FieldInt(v[19]));
        d.PoliRellenoColor->SetColor(FieldColor(v[20]));
        d.PoliRellenoClear->setChecked(v[21] == "1");
        d.VisorZoomColor->SetColor(FieldColor(v[22]));
        d.VisorZoomSize->setValue(FieldInt(v[23]));
        d.ZoomPermanente->setChecked(v[24] == "1");
        d.EscalaZoom->SetItemIndex(FieldInt(v[25]));
        QCheckBox* zoom[6] = {d.zArrows, d.zNodes, d.zNameNodes, d.zCalles, d.zAtributos, d.zValues};
        for (size_t i = 0; i < 6; ++i)
            zoom[i]->setChecked(v[26 + i] == "1");
    }

    if (img) {
        ClickPixX = ZelUtils::Round(img->width() / 2.0);
        ClickPixY = ZelUtils::Round(img->height() / 2.0);
    }

    if (DlgCfg) {
        TDlgCfg& d = *DlgCfg;
        v = Fields(ini, section, "GoogleEarth", "18;0;0.000;0.000", 4);
        d.cbHuso->setCurrentIndex(FieldInt(v[0]));
        d.cbHemisf->setCurrentIndex(FieldInt(v[1]));
        d.ceVert->setValue(FieldNum(v[2]));
        d.ceHorz->setValue(FieldNum(v[3]));
    }
}
