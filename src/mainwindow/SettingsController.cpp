// The program keys of the settings file, the view configuration of a network as
// the keys of one INI section, "Configurar", the about box and the theme items.
#include "mainwindow/SettingsController.h"
#include "mainwindow/AboutBox.h"
#include "mainwindow/DlgCfg.h"
#include "mainwindow/FilesController.h"
#include "mainwindow/PalvonViewer.h"
#include "map/ProgramSettings.h"
#include "mainwindow/SecondaryWindows.h"
#include "mainwindow/ThemesController.h"
#include "map/DisplayStyles.h"
#include "map/DrawState.h"
#include "map/GeoLayers.h"
#include "map/Ranges.h"
#include "map/ViewConfig.h"
#include "map/ViewState.h"
#include "map/gui/DataLayers.h"
#include "map/gui/KDVscale.h"
#include "map/gui/OxrImage.h"
#include "map/gui/ViewBinding.h"
#include "model/KDVvars.h"
#include "model/PalvonVars.h"
#include "model/ProgramOptions.h"
#include "model/TextCodec.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"
#include "platform/IniFile.h"
#include "widgets/CommandPlaces.h"
#include "widgets/CommandRegistry.h"
#include "widgets/StringAlignGrid.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QSpinBox>
#include <QTabWidget>
#include <QTextEdit>

#include <algorithm>
#include <filesystem>
#include <optional>

using namespace ProgramSettings;
using ZelUtils::Format;

namespace {

// The layer toggles in the order of "Opciones" and "Botones"; an empty name is the
// unused field 3, "aAtributos2" an action rather than a toolbar button.
constexpr std::optional<TCommandId> LayerButtons[17] = {
    Cmd::tbArrows, Cmd::tbNodes,     std::nullopt,  Cmd::tbNameNodes, Cmd::tbCalles, Cmd::tbCents,
    Cmd::tbAtributos, Cmd::tbColores, Cmd::tbValues, Cmd::aAtributos2, Cmd::tbMovimValues, Cmd::tbPoligonos,
    Cmd::tbLineas, Cmd::tbSel,       Cmd::tbTit,    Cmd::tbZonas,     Cmd::tbSolera};

QString Qs(const std::string& s) { return TextCodec::Decode(s); }

std::string Bool(bool b) { return b ? "1" : "0"; }
std::string Real(double v) { return Format("%.15g", v); }

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

// Seven characters with a "1" at the position of the style.
std::string PenStyleField(uint8_t style)
{
    std::string s(7, '0');
    s[std::min<size_t>(style, 6)] = '1';
    return s;
}

// The title lines of a view as plain text lines; an empty title has no line.
std::vector<std::string> TitleLines(const TViewState& view)
{
    if (view.TitleText.empty())
        return {};
    return ZelUtils::SplitString(view.TitleText, '\n');
}

std::string B(bool v) { return v ? "1" : "0"; }
std::string C(uint32_t color) { return std::to_string(color); }


} // namespace

QMenu* TSettingsController::EditMenu()
{
    for (QAction* a : viewer_.menuBar()->actions())
        if (a->menu() && a->text() == QLatin1String("&Editar"))
            return a->menu();
    // After "&Archivo".
    const QList<QAction*> top = viewer_.menuBar()->actions();
    QMenu* editar = new QMenu(QStringLiteral("&Editar"), &viewer_);
    viewer_.menuBar()->insertMenu(top.size() > 1 ? top[1] : nullptr, editar);
    return editar;
}

void TSettingsController::AcercaDe1Click()
{
    Secondary::KDVaboutBox().exec();
}

void TSettingsController::CreateThemeMenus(TThemesController& themes)
{
    CommandPlaces::FillWhenShown(viewer_, EditMenu(), QStringLiteral("menu:Editar"), &viewer_);
    themes.RegisterCommands(viewer_.Registry());
    // The polygons menu shows this entry under its own name.
    viewer_.Registry().Register(CommandTable::TOwner::Polygons, Cmd::aConfigurar1, this,
                                &TSettingsController::Configurar1Click);
}

void TSettingsController::Configurar1Click()
{
    TDlgCfg& d = Secondary::DlgCfg();
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

void TSettingsController::GrabarConfiguracion(TIniFile& ini, const std::string& section)
{
    TLegendImage* const sym = viewer_.sym;
    auto put = [&](const std::string& key, const std::string& value) { ini.WriteString(section, key, value); };

    put("Variable", Format("%s;%d", UserView().RangeName, UserView().RangeVarArcos));
    put("Variables", UserView().ShownVarList.empty() ? "null" : Join(UserView().ShownVarList));
    const std::vector<std::string> title = TitleLines(UserView());
    put("Titulo", title.empty() ? "null" : Join(title));
    put("Zoom", Join({Real(UserView().WorldMinX), Real(UserView().WorldMinY), Real(UserView().WorldMaxX), Real(UserView().WorldMaxY)}));

    std::vector<std::string> enabled, pressed;
    for (const std::optional<TCommandId>& id : LayerButtons) {
        if (!id) {
            enabled.push_back("0");
            pressed.push_back("0");
            continue;
        }
        QAction* a = viewer_.Action(*id);
        enabled.push_back(Bool(a->isEnabled()));
        bool TViewState::*field = ViewBinding::FieldOf(*id);
        pressed.push_back(Bool(field ? viewer_.View().*field : a->isChecked()));
    }
    put("Botones", Join(enabled));
    put("Opciones", Join(pressed));
    // A legend not drawn since the network opened has no place of its own yet:
    // its corner (0;0) would bring it back over the map's top-left corner.
    const bool legendPlaced = sym && !(sym->PlaceAfresh && sym->pos() == QPoint(0, 0));
    put("Vineta", legendPlaced ? Format("%d;%d", sym->x(), sym->y()) : std::string("53;355"));
    const bool fixed = KDVscale ? KDVscale->Fixed->isChecked() : UserView().ScaleFixed;
    put("Escala", Format("%s;%s;%d;%d", Real(UserView().RangeMax), Bool(fixed), UserView().PixsVol, UserView().PixsCol));
    put("Zonas", Format("%s;%d;%d", FontFields(UserView().LabelFonts[1]), UserView().CentroidSize, UserView().SymbolColors[0]));
    put("Nodos", Format("%s;%d", FontFields(UserView().LabelFonts[2]), UserView().NodeSize));
    put("Flechas", Format("%d;%d", UserView().ArrowSize, UserView().SymbolColors[2]));
    put("Atributos", Format("%s;%d;%d", FontFields(UserView().LabelFonts[4]), UserView().NumFormat.NumDec, UserView().NumFormat.Decimals));
    put("Calles", FontFields(UserView().LabelFonts[5]));
    const size_t mode = static_cast<size_t>(std::clamp(UserView().RangeMode, 0, MaxRangeModes));
    put("Color", Format("%d;%d", UserView().ModePenColors[mode], UserView().ModeBrushColors[mode]));

    // A layer whose name holds a line break cannot stand on one line of the file:
    // it is not remembered, and the rest is saved all the same.
    const auto oneLine = [](const std::string& s) { return s.find_first_of("\r\n") == std::string::npos; };
    const int layers = std::clamp(GeoLayers().NumGeoLayers, 0, MaxGeoLayers);
    std::vector<std::string> soleras{std::string()};
    for (int n = 1; n <= layers; ++n)
        if (oneLine(GeoLayers().GeoLayerFiles[n]))
            soleras.push_back(GeoLayers().GeoLayerFiles[n]);
    soleras[0] = Format("%d", static_cast<int>(soleras.size()) - 1);
    put("Soleras", Join(soleras));

    for (int i = 0; i <= MaxItems; ++i) {
        const TItems& it = UserView().Items[static_cast<size_t>(i)];
        std::string name = it.Name; // a layer's style is named after its file
        std::replace_if(name.begin(), name.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
        put(Format("Item%2.2d", i),
            Format("%s;%d;%d;%s;%s", name, it.Color, it.Width, Bool(it.ShowNames), PenStyleField(it.PenStyle)));
    }
    Ranges::WriteRangeSets(ini, section);

    {
        const TProgramOptions& o = ProgramOptions();
        std::vector<std::string> p;
        for (bool on : {o.Sentidos, o.Nodos, o.Arcos, o.NombreNodos, o.Calles, o.Centroides, o.Atributos, o.Valores,
                        o.Poligonos})
            p.push_back(Bool(on));
        p.insert(p.end(), {"1", "1"});
        p.push_back(Format("%d", o.SeleccionGrafica));
        p.push_back(Format("%d", o.RutasFijas));
        p.push_back(Format("%d", o.SeleccionColor));
        p.push_back(Format("%d", o.ZonaBordeColor));
        p.push_back(Format("%d", o.ZonaBordeAncho));
        p.push_back(Format("%d", o.ZonaRellenoColor));
        p.push_back(Bool(o.ZonaRellenoClear));
        p.push_back(Format("%d", o.PoliBordeColor));
        p.push_back(Format("%d", o.PoliBordeAncho));
        p.push_back(Format("%d", o.PoliRellenoColor));
        p.push_back(Bool(o.PoliRellenoClear));
        p.push_back(Format("%d", o.VisorZoomColor));
        p.push_back(Format("%d", o.VisorZoomSize));
        p.push_back(Bool(o.ZoomPermanente));
        p.push_back(Format("%d", o.EscalaZoom));
        for (bool on : {o.zArrows, o.zNodes, o.zNameNodes, o.zCalles, o.zAtributos, o.zValues})
            p.push_back(Bool(on));
        put("Preferencias", Join(p));
        put("GoogleEarth", Format("%d;%d;%s;%s", o.Huso, o.Hemisferio, Real(o.ShiftVert), Real(o.ShiftHorz)));
    }
}

bool TSettingsController::ReplacesLineLayers(TIniFile& ini, const std::string& section)
{
    for (const std::string& file : ViewConfig::LineLayerFileList(ini.ReadString(section, "Soleras", ""))) {
        std::error_code ec;
        if (std::filesystem::is_regular_file(file, ec))
            return true;
    }
    return false;
}

void TSettingsController::LeerConfiguracion(TIniFile& ini, const std::string& section)
{
    QTextEdit* const tit = viewer_.tit;
    TLegendImage* const sym = viewer_.sym;
    TLegendImage* const Scl = viewer_.Scl;
    TStringAlignGrid* const sagArcos = viewer_.sagArcos;
    const size_t mode = static_cast<size_t>(std::clamp(UserView().RangeMode, 0, MaxRangeModes));

    // Read first, with the sizes in use as the fallback of refused values.
    TViewConfig c;
    c.PixsVol = UserView().PixsVol;
    c.PixsCol = UserView().PixsCol;
    for (int tag : {1, 2, 4, 5})
        c.Fonts[static_cast<size_t>(tag)] = UserView().LabelFonts[static_cast<size_t>(tag)];
    c.CentroidSize = UserView().CentroidSize;
    c.NodeSize = UserView().NodeSize;
    c.ArrowSize = UserView().ArrowSize;
    c.Decimals = UserView().NumFormat.Decimals;
    for (int i = 0; i <= MaxItems; ++i)
        c.Items[static_cast<size_t>(i)].Width = UserView().Items[static_cast<size_t>(i)].Width;
    ViewConfig::Read(ini, section, c);

    // The link variable: the one read, while the link grid of the open network
    // has its column under its title, becomes the current mode's (a network just
    // opened shows none); otherwise the current mode's variable stays, and is
    // dropped when the grid does not have it.
    UserView().RangeName = c.VariableName;
    UserView().RangeVarArcos = c.VariableColumn;
    if (c.VariableName != "null" && c.VariableColumn > 1 && c.VariableColumn < NumColArcos && sagArcos &&
        c.VariableColumn < sagArcos->ColCount() && sagArcos->cell(c.VariableColumn, 0) == c.VariableName)
        UserView().RangeVarByMode[mode] = c.VariableColumn;
    viewer_.Grids().ArcosRangeValues(UserView());
    UserView().ShownVarList = {Format("%d", UserView().RangeVarArcos)};
    // The items of colour of the link variables shown together go with them.
    if (!viewer_.Grids().colourItemsMovim_)
        viewer_.Grids().ShowColourItems(false, UserView().ShownVarList);
    if (UserView().RangeVarArcos >= 0 && UserView().RangeVarArcos < NumArcosColumns) {
        const int32_t k = ColVarArcos[static_cast<size_t>(UserView().RangeVarArcos)];
        if (k >= 1 && k <= NumLinkVars) {
            UserView().RangeMin = Arcos[0].Var[k];
            UserView().RangeMax = Arcos[ArcosMaxRec].Var[k];
        }
    }
    if (UserView().RangeVarArcos < 0 || UserView().RangeVarArcos >= NumColArcos || !sagArcos || UserView().RangeVarArcos >= sagArcos->ColCount() ||
        sagArcos->cell(UserView().RangeVarArcos, 0) != UserView().RangeName) {
        UserView().RangeName = "null";
        UserView().RangeVarArcos = 0;
    }

    if (tit) {
        tit->clear();
        if (c.HasTitle) {
            QStringList lines;
            for (const std::string& line : c.TitleLines)
                lines << Qs(line);
            tit->setPlainText(lines.join(QLatin1Char('\n')));
        }
    }

    UserView().WorldMinX = c.Zoom[0];
    UserView().WorldMinY = c.Zoom[1];
    UserView().WorldMaxX = c.Zoom[2];
    UserView().WorldMaxY = c.Zoom[3];
    // Without a network there is no extent to clamp into (its bounds are still unset).
    if (Network.MinX <= Network.MaxX && Network.MinY <= Network.MaxY) {
        UserView().WorldMinX = std::max(UserView().WorldMinX, double(Network.MinX));
        UserView().WorldMaxX = std::min(UserView().WorldMaxX, double(Network.MaxX));
        UserView().WorldMinY = std::max(UserView().WorldMinY, double(Network.MinY));
        UserView().WorldMaxY = std::min(UserView().WorldMaxY, double(Network.MaxY));
        // A window beside this network (a theme of another one, a view without
        // its window) would leave nothing of it to see: the whole network is shown.
        if (UserView().WorldMaxX <= UserView().WorldMinX || UserView().WorldMaxY <= UserView().WorldMinY) {
            UserView().WorldMinX = Network.MinX;
            UserView().WorldMaxX = Network.MaxX;
            UserView().WorldMinY = Network.MinY;
            UserView().WorldMaxY = Network.MaxY;
        }
    }

    // The layer switches go to the view state, and the state to its buttons.
    TViewState& view = viewer_.View();
    for (size_t i = 0; i < ViewOptionCount; ++i) {
        if (!LayerButtons[i])
            continue;
        if (bool TViewState::*field = ViewBinding::FieldOf(*LayerButtons[i]))
            view.*field = c.Options[i];
        else
            viewer_.SetCommandOn(*LayerButtons[i], c.Options[i]);
    }
    ViewBinding::Reflect(viewer_, view);
    // The variable saved not there, the layers that would show it show nothing:
    // they are not left pressed, nor its legends up, nor an item of it ticked.
    if (UserView().RangeVarArcos == 0 && c.VariableName != "null") {
        UserView().ShownVarList.clear();
        for (TCommandId layer : {Cmd::tbAtributos, Cmd::tbColores, Cmd::tbValues})
            viewer_.SetCommandOn(layer, false);
    }
    viewer_.Grids().TickChosenVariables();
    if (sym)
        sym->setVisible(viewer_.CommandOn(Cmd::tbColores));
    if (Scl)
        Scl->setVisible(viewer_.CommandOn(Cmd::tbAtributos));

    for (TLegendImage* legend : {sym, Scl})
        if (legend) {
            legend->move(c.LegendLeft, c.LegendTop);
            // 0;0 is what earlier versions saved for a legend never placed.
            legend->PlaceAfresh = c.LegendLeft == 0 && c.LegendTop == 0;
        }

    UserView().RangeMax = c.ScaleMax;
    UserView().ScaleFixed = c.ScaleFixed;
    if (KDVscale)
        KDVscale->Fixed->setChecked(UserView().ScaleFixed);
    viewer_.MapView().ShowScaleKept(UserView().ScaleFixed);
    UserView().PixsVol = c.PixsVol;
    UserView().PixsCol = c.PixsCol;

    auto letra = [this, &c](int tag) {
        TLabelFont& f = UserView().LabelFonts[static_cast<size_t>(tag)];
        f = c.Fonts[static_cast<size_t>(tag)];
        viewer_.Action(QStringLiteral("Letra%1").arg(tag))->setText(Qs(Format("Letra (%s %2d)", f.Name, f.Size)));
    };
    auto tamano = [this](int tag, int32_t size) {
        viewer_.Action(QStringLiteral("Tamano%1").arg(tag))->setText(Qs(Format("Tamaño (%d)", size)));
    };
    letra(1);
    UserView().CentroidSize = c.CentroidSize;
    tamano(1, UserView().CentroidSize);
    UserView().SymbolColors[0] = c.CentroidColor;

    letra(2);
    UserView().NodeSize = c.NodeSize;
    tamano(2, UserView().NodeSize);

    UserView().ArrowSize = c.ArrowSize;
    tamano(3, UserView().ArrowSize);
    UserView().SymbolColors[2] = c.ArrowColor;

    letra(4);
    UserView().NumFormat.NumDec = c.NumDec;
    UserView().NumFormat.Decimals = c.Decimals;
    UserView().NumFormat.Format = Format("%%.%df", UserView().NumFormat.Decimals);
    viewer_.Action(Cmd::Decimales1)->setText(Qs(Format("Decimales (%d)", UserView().NumFormat.Decimals)));

    letra(5);

    // The bars take the mode's colour read, as a colour chosen for the mode
    // gives it them: the link variable alone, and the movement variables when
    // the colour changes (the legend of one draws its bars in it).
    if (UserView().ModePenColors[mode] != c.Pen)
        for (size_t i = 0; i < UserView().SelectedMovimVars.size() && i < UserView().MovimVarColors.size(); ++i)
            UserView().MovimVarColors[i] = Ranges::AjustaColor(c.Pen, static_cast<int32_t>(i));
    UserView().ModePenColors[mode] = c.Pen;
    UserView().ModeBrushColors[mode] = c.Brush;
    UserView().VarColors[0] = UserView().ModePenColors[mode];

    // The first layer found replaces those loaded before, the others are added;
    // files that are gone are passed over.
    if (c.HasLineLayers) {
        GeoLayersLoaded = 0;
        for (const std::string& file : c.LineLayerFiles) {
            std::error_code ec;
            if (!std::filesystem::is_regular_file(file, ec))
                continue;
            viewer_.Display().LineaSoleras(file, GeoLayersLoaded != 0);
            GeoLayersLoaded = 1;
        }
    }

    for (int i = 0; i <= MaxItems; ++i) {
        const TViewItem& from = c.Items[static_cast<size_t>(i)];
        if (!from.Present)
            continue;
        TItems& it = UserView().Items[static_cast<size_t>(i)];
        it.Name = from.Name;
        it.Color = from.Color;
        it.Width = from.Width;
        it.ShowNames = false;
        it.PenStyle = from.PenStyle;
    }

    // Stored range sets replace those of the run only in interactive openings; batch
    // runs keep their own.
    if (OpenInteractive != 0)
        Ranges::ReadRangeSets(ini, section);

    for (size_t k = 0; k < ViewRangeClasses; ++k) {
        UserView().RangeTable[k].High = c.RangeHighs[k];
        UserView().RangeTable[k].Low = k == 0 ? UserView().RangeTable[0].High : UserView().RangeTable[k - 1].High;
        UserView().RangeTable[k].Color = c.RangeColors[k];
        UserView().RangeTable[k].Active = c.RangeActive[k];
    }
    // A section without explicit classes gives the variable shown its stored set.
    if (OpenInteractive != 0 && UserView().RangeName != "null" && !c.HasRangeKeys)
        Ranges::ApplySavedRangeSet(UserView(), UserView().RangeName);

    {
        TProgramOptions& o = ProgramOptions();
        bool TProgramOptions::*checks[9] = {&TProgramOptions::Sentidos,   &TProgramOptions::Nodos,
                                            &TProgramOptions::Arcos,      &TProgramOptions::NombreNodos,
                                            &TProgramOptions::Calles,     &TProgramOptions::Centroides,
                                            &TProgramOptions::Atributos,  &TProgramOptions::Valores,
                                            &TProgramOptions::Poligonos};
        for (size_t i = 0; i < 9; ++i)
            o.*checks[i] = c.ShowChecks[i];
        o.SeleccionGrafica = TProgramOptions::Choice(c.SeleccionGrafica, 2);
        o.RutasFijas = TProgramOptions::Choice(c.RutasFijas, 2);
        o.SeleccionColor = TProgramOptions::Colour(c.SeleccionColor);
        o.ZonaBordeColor = TProgramOptions::Colour(c.ZonaBordeColor);
        o.ZonaBordeAncho = TProgramOptions::ClampInt(c.ZonaBordeAncho, 1, 5);
        o.ZonaRellenoColor = TProgramOptions::Colour(c.ZonaRellenoColor);
        o.ZonaRellenoClear = c.ZonaRellenoClear;
        o.PoliBordeColor = TProgramOptions::Colour(c.PoliBordeColor);
        o.PoliBordeAncho = TProgramOptions::ClampInt(c.PoliBordeAncho, 1, 5);
        o.PoliRellenoColor = TProgramOptions::Colour(c.PoliRellenoColor);
        o.PoliRellenoClear = c.PoliRellenoClear;
        o.VisorZoomColor = TProgramOptions::Colour(c.VisorZoomColor);
        o.VisorZoomSize = TProgramOptions::ClampInt(c.VisorZoomSize, 100, 500);
        o.ZoomPermanente = c.ZoomPermanente;
        o.EscalaZoom = TProgramOptions::Choice(c.EscalaZoom, 8);
        bool TProgramOptions::*zoom[6] = {&TProgramOptions::zArrows, &TProgramOptions::zNodes,
                                          &TProgramOptions::zNameNodes, &TProgramOptions::zCalles,
                                          &TProgramOptions::zAtributos, &TProgramOptions::zValues};
        for (size_t i = 0; i < 6; ++i)
            o.*zoom[i] = c.ZoomChecks[i];
    }

    if (TOxrImage* img = viewer_.img) {
        viewer_.MapView().ClickPixX = ZelUtils::Round(img->width() / 2.0);
        viewer_.MapView().ClickPixY = ZelUtils::Round(img->height() / 2.0);
    }

    {
        TProgramOptions& o = ProgramOptions();
        o.Huso = TProgramOptions::Choice(c.Huso, 60);
        o.Hemisferio = TProgramOptions::Choice(c.Hemisferio, 2);
        o.ShiftVert = TProgramOptions::ClampReal(c.ShiftVert, 6, -1.0e6, 1.0e6);
        o.ShiftHorz = TProgramOptions::ClampReal(c.ShiftHorz, 6, -1.0e6, 1.0e6);
        NotifyProgramOptionsChanged();
    }

    if (!c.Refused.empty()) {
        std::string text = "La configuración \"" + section + "\" tiene valores fuera de rango:";
        for (const std::string& r : c.Refused)
            text += "\r" + r;
        Services().ShowMessage(text);
    }
}

void TSettingsController::LeerVelmora()
{
    TProgramOptions& o = ProgramOptions();
    TIniFile ini(FileName);

    ProgramSettings::ReadOptions(ini, o);
    NotifyProgramOptionsChanged();
}

void TSettingsController::GrabarVelmora()
{
    TIniFile ini(FileName);
    ini.HoldWrites();
    GrabarVelmora(ini);
    ini.UpdateFile();
}

void TSettingsController::GrabarVelmora(TIniFile& ini)
{
    const TProgramOptions& o = ProgramOptions();
    ini.WriteString(Section, "General",
                    Join({B(o.OpenLP), B(o.Overwrite), B(o.SaveLayout), B(o.DrawLayout), B(o.SaveFNames),
                          std::to_string(o.FnameSaved), B(o.ReadPijas), B(o.SaveGeos)}));
    std::vector<std::string> p = {B(o.Sentidos), B(o.Nodos),      B(o.Arcos),     B(o.NombreNodos), B(o.Calles),
                                  B(o.Centroides), B(o.Atributos), B(o.Valores), B(o.Poligonos)};
    for (int i = 0; i < 3; ++i)
        p.push_back(B(o.Giros[static_cast<size_t>(i)]));
    p.push_back("1");
    p.push_back("1");
    p.push_back(std::to_string(o.SeleccionGrafica));
    p.push_back(std::to_string(o.RutasFijas));
    ini.WriteString(Section, "Preferencias", Join(p));
    ini.WriteString(Section, "Colores",
                    Join({C(o.ArcosColor), C(o.BlockedColor), C(o.AccesoColor), C(o.TrazaColor), C(o.ArrowsColor),
                          C(o.NodosColor), C(o.SoleraColor), C(o.SeleccionColor), std::to_string(o.SeleccionAncho),
                          C(o.ZonaBordeColor), std::to_string(o.ZonaBordeAncho), C(o.ZonaRellenoColor),
                          B(o.ZonaRellenoClear), C(o.PoliBordeColor), std::to_string(o.PoliBordeAncho),
                          C(o.PoliRellenoColor), B(o.PoliRellenoClear)}));
    ini.WriteString(Section, "Ampliacion",
                    Join({C(o.VisorZoomColor), std::to_string(o.VisorZoomSize), B(o.ZoomPermanente),
                          std::to_string(o.EscalaZoom), B(o.zArrows), B(o.zNodes), B(o.zNameNodes), B(o.zCalles),
                          B(o.zAtributos), B(o.zValues)}));
}

void TSettingsController::SaveAtClose()
{
    if (DatFileName.empty() || !ProgramOptions().SaveLayout)
        return;
    std::string full = DatDir + DatFileName;
    // The settings file does not live in the network's folder: a folder that is gone
    // (a removed drive, say) must not keep the program from saving and closing.
    try {
        if (!DatDir.empty())
            std::filesystem::current_path(DatDir);
    } catch (const std::exception&) {
    }
    // Every key in one write of the file.
    TIniFile ini(FileName);
    ini.HoldWrites();
    GrabarVelmora(ini);
    // A name holding a line break cannot stand on one line of the file: that
    // network is not remembered, and the program's own settings are saved all the same.
    if (full.find_first_of("\r\n") == std::string::npos) {
        std::string section = SectionForNetwork(ini, RecentFiles, full);
        ini.WriteString(section, "FileName", full);
        ini.WriteString(section, "Fecha", NowStamp());
        GrabarConfiguracion(ini, section);
    }
    ini.UpdateFile();
}
