#pragma once
// The program's options: one record of the values the options dialog edits and
// every feature reads (drawing, selection, zoom, printing, export, the settings
// file). It exists from the start of the run, whether or not the dialog was ever
// made; its start values are those of the dialog's controls. Values keep the
// ranges of the controls that edit them (the Clamp helpers below), so a value
// read from the settings file is stored as the control would hold it.
#include <array>
#include <cstdint>
#include <functional>

struct TProgramOptions {
    // ---- "General" ----
    bool OpenLP = true;       // open related files automatically
    bool Overwrite = false;   // confirm overwriting files
    bool DrawLayout = true;   // apply the last saved layout when a network opens
    bool SaveFNames = true;   // keep recently used files
    int FnameSaved = 20;      // how many (1..50)
    bool SaveGeos = false;    // write geographic coordinates automatically
    bool ReadPijas = false;   // analyse junction files when available
    bool DrawNull = false;    // draw zeros
    bool FullDxf = false;     // full DXF
    bool SaveLayout = true;   // save the last layout used

    // ---- "Preferencias" ----
    int SeleccionGrafica = 1; // 0 one end inside, 1 both ends inside
    // What a drawing refreshes ("Actualización").
    bool Sentidos = false;
    bool Nodos = false;
    bool NombreNodos = false;
    bool Calles = false;
    bool Centroides = false;
    bool Atributos = true;
    bool Valores = false;
    bool Poligonos = false;
    bool Arcos = false;
    int RutasFijas = 1;       // 0 read the transit lines, 1 omit them
    std::array<bool, 3> Giros{true, true, true}; // left turn, straight on, right turn
    bool WheelActive = true;
    int Zoom = 1;             // " Factor Zoom ": 1x, 2x, 3x
    int Tpo = 1;              // inner link time: 0 pure time, 1 compose movements

    // ---- "Colores" (TColor 0x00BBGGRR) ----
    uint32_t SeleccionColor = 0x0000FF;
    int SeleccionAncho = 1;   // 1..5
    uint32_t PoliBordeColor = 0x008000;
    int PoliBordeAncho = 1;   // 1..5
    uint32_t PoliRellenoColor = 13887443;
    bool PoliRellenoClear = false;
    uint32_t ZonaBordeColor = 0x008000;
    int ZonaBordeAncho = 1;   // 1..5
    uint32_t ZonaRellenoColor = 13887443;
    bool ZonaRellenoClear = false;
    uint32_t ArcosColor = 0x000000;
    uint32_t BlockedColor = 0x0000FF;
    uint32_t AccesoColor = 0x008000;
    uint32_t TrazaColor = 13816530;
    uint32_t ArrowsColor = 0x000000;
    uint32_t NodosColor = 0x808080;
    uint32_t SoleraColor = 0xC0C0C0;

    // ---- "Ampliación" ----
    uint32_t VisorZoomColor = 12320767;
    int VisorZoomSize = 300;  // 100..500
    bool ZoomPermanente = false;
    int EscalaZoom = 2;       // index into 2x 4x 6x 8x 10x 15x 20x 30x
    bool zArrows = false;
    bool zNodes = true;
    bool zNameNodes = true;
    bool zCalles = false;
    bool zAtributos = false;
    bool zValues = false;

    // ---- "Impresión" ----
    int Huso = 18;            // UTM zone index 0..59 (zone 19)
    int Hemisferio = 0;       // 0 south, 1 north
    double ShiftVert = 0.0;   // km, 6 decimals
    double ShiftHorz = 0.0;
    double Screen2Print = 1.0; // printer/screen size ratio, 1..50, 4 decimals
    bool KeepView = false;    // keep the view's proportions
    int Fix = 0;              // refer to 0 width, 1 height
    bool PrintCaption = false;
    bool PrintDate = false;

    // ---- Values derived from the options ----
    // Blocked links, hidden nodes and hidden zones are not drawn while the blocked colour is white.
    bool HideBlocked() const { return BlockedColor == 0xFFFFFF; }
    // Zoom step chosen in " Factor Zoom ".
    float ZoomFactorValue() const;
    // Magnifier scale (2, 4, 6, 8, 10, 15, 20 or 30).
    int MagnifierScale() const;
    // Caption of the magnifier scale ("6x"); empty when none is chosen.
    const char* MagnifierScaleCaption() const;
    // UTM zone 1..60 and hemisphere of the geographic output.
    int UtmZone() const { return Huso + 1; }
    bool NorthernHemisphere() const { return Hemisferio == 1; }
    // What a network is read with: its transit lines or not, and the zone and
    // hemisphere of the geographic positions kept beside the UTM ones.
    bool ReadsTransitLines() const { return RutasFijas == 0; }
    const char* Hemisphere() const { return NorthernHemisphere() ? "N" : "S"; }
    // False-origin shifts in kilometres.
    double ShiftVertKm() const { return ShiftVert; }
    double ShiftHorzKm() const { return ShiftHorz; }

    // ---- The ranges of the controls ----
    // A spin box's whole value kept in its range.
    static int ClampInt(int value, int minimum, int maximum);
    // A real value rounded to the decimals shown and kept in its range.
    static double ClampReal(double value, int decimals, double minimum, double maximum);
    // A choice among `count` items; -1 (none chosen) for anything else.
    static int Choice(int index, int count) { return index >= 0 && index < count ? index : -1; }
    // A colour holds 24 bits.
    static uint32_t Colour(uint32_t color) { return color & 0xFFFFFF; }
    // Sets the printer/screen ratio as its control would hold it.
    void SetScreen2Print(double ratio) { Screen2Print = ClampReal(ratio, 4, 1.0, 50.0); }
    // Sets the ratio to page width / screen width; an unknown (zero) width keeps the value.
    void SetScreen2PrintRatio(double pageWidthPixels, double screenWidthPixels);
};

// The options of this run.
TProgramOptions& ProgramOptions();

// Called after code other than the options dialog changed the options (the settings
// file read, a menu of the map): the dialog, when made, shows the new values. Empty
// until a dialog is made.
extern std::function<void()> ProgramOptionsChanged;
void NotifyProgramOptionsChanged();
