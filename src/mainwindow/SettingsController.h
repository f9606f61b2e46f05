#pragma once
// Settings: the program keys of the settings file (read at start, written at
// close with the network's section), the view configuration of a network as the
// keys of one section (layers, window, legends, fonts, sizes, styles, range sets
// and display options), "Configurar" (the polygons' colours), the about box, and
// the theme items of "Temas" and "&Editar". Owns whether the next background line
// layer of a configuration replaces the loaded ones. Reaches the window through
// TWindowHost and TSettingsHost.
#include "widgets/CommandTable.h"

#include <cstdint>
#include <string>

class QAction;
class QMenu;
class QString;
class QTextEdit;
class QWidget;
class TIniFile;
class TLegendImage;
class TOxrImage;
class TStringAlignGrid;
class TThemesController;
class TWindowHost;

// What the settings ask of the window beyond TWindowHost.
class TSettingsHost {
public:
    // The action of a command whose name is computed ("Letra%1").
    virtual QAction* ActionNamed(const QString& name) = 0;
    // The menu "&Editar" (made after "&Archivo" when absent).
    virtual QMenu* EditMenu() = 0;
    // The map title, the legends over the map, the link grid and the map canvas.
    virtual QTextEdit* MapTitle() = 0;
    virtual TLegendImage* RangeLegend() = 0;
    virtual TLegendImage* BarLegend() = 0;
    virtual TStringAlignGrid* LinkGrid() = 0;
    virtual TOxrImage* MapImage() = 0;
    // The range values of the link variable shown.
    virtual void LinkRangeValues() = 0;
    // The padlock beside the legend that says the scale's maximum is kept.
    virtual void ShowScaleKept(bool kept) = 0;
    // A background line layer: added to the loaded ones or replacing them.
    virtual void LoadLineLayer(const std::string& fileName, bool add) = 0;

protected:
    ~TSettingsHost() = default;
};

class TSettingsController {
public:
    TSettingsController(TWindowHost& window, TSettingsHost& host) : window_(window), host_(host) {}

    // The program keys: read into the options record, and written (on their own or
    // into a file held open).
    void LeerVelmora();
    void GrabarVelmora();
    void GrabarVelmora(TIniFile& ini);
    // The saving part of closing (program keys and the network's section); throws
    // when the settings file cannot be written.
    void SaveAtClose();
    // The view configuration of a section: read (applied, without a redraw) and written.
    void LeerConfiguracion(TIniFile& ini, const std::string& section);
    void GrabarConfiguracion(TIniFile& ini, const std::string& section);
    // "Configurar" (the colour settings of polygons) and the about box.
    void Configurar1Click();
    void AcercaDe1Click();
    // "Definir" in the menu "Temas", the two theme entries of "&Editar"; the themes
    // register their handlers.
    void CreateThemeMenus(TThemesController& themes);

    // 0: the next background line layer loaded from a configuration replaces the
    // loaded ones; 1: it is added.
    uint8_t GeoLayersLoaded = 0;

private:
    TWindowHost& window_;
    TSettingsHost& host_;
};
