#pragma once
// Settings: the program keys of the settings file (read at start, written at
// close with the network's section), the view configuration of a network as the
// keys of one section (layers, window, legends, fonts, sizes, styles, range sets
// and display options), "Configurar" (the polygons' colours), the about box, and
// the theme items of "Temas" and "&Editar". Owns whether the next background line
// layer of a configuration replaces the loaded ones. Reads and sets the window's
// title box, legends and link grid directly.
#include "widgets/CommandTable.h"

#include <cstdint>
#include <string>

class QAction;
class QMenu;
class QString;
class TIniFile;
class TThemesController;
class TPalvonViewer;

class TSettingsController {
public:
    explicit TSettingsController(TPalvonViewer& viewer) : viewer_(viewer) {}

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
    // Whether reading `section` would replace the loaded line layers: it names a
    // layer file that is there.
    static bool ReplacesLineLayers(TIniFile& ini, const std::string& section);
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
    // The menu "&Editar" (made after "&Archivo" when absent).
    QMenu* EditMenu();

    TPalvonViewer& viewer_;
};
