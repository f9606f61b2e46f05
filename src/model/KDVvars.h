#pragma once
// Process-wide viewer state beside the network model: the view window and zoom
// history, file names of the open network and its companions, drawing flags,
// and grid column tables. (The map's mouse state belongs to the window's
// controllers and tools.)
// (Shared by several subsystems; add to it with small, separate declarations.)
#include <array>
#include <cstdint>
#include <string>
#include <vector>

// ---- A window in world units (the view window and its history are the user's
// view, map/ViewState.h) ----
constexpr int MaxZoomHistory = 500;
struct TZoomSlot {
    double MinX = 0, MinY = 0, MaxX = 0, MaxY = 0;
};

// ---- Drawing state ----
extern bool DrawEnabled; // the map is drawn only while true
extern bool BatchMode;   // a command-line batch runs: no redraw after opening
extern int32_t CurrentClass;
extern bool JtypeSelected[6];

// ---- File names ("null" when there is no such file) ----
extern std::string DatFileName; // the .dat name without folder
extern std::string DatDir;      // its folder, with the trailing separator
extern std::string LpaFileName, LplFileName, SigFileName, CountsFileName;
extern std::string ComplementaryFileName, ComplementaryMovFileName, TraceFileName;
extern std::string ZoningFileName, SoleraFileName, PuntosFileName, PrintFileName, CoordinatesFileName;
extern uint8_t OpenInteractive;
extern std::string CmdFile1, CmdFile2;
extern std::string GeneratedBy;
// The application's title (message box captions); "Velmora: " + the network once one is open.
extern std::string ApplicationTitle;
extern std::string TempEmfName;
extern std::string UserName;

// ---- Grid column tables ----
constexpr int NumArcosColumns = 131; // ColVarArcos/TitArcos entries 0..130
constexpr int NumMovimColumns = 111; // ColVarMovim/TitMovim entries 0..110
extern int32_t NumColArcos, NumColMovim;
extern std::array<int32_t, NumArcosColumns> ColVarArcos;   // link variable per links-grid column (0 or less: text)
extern std::array<std::string, NumArcosColumns> TitArcos;  // long title per links-grid column
extern std::array<int32_t, NumMovimColumns> ColVarMovim;
extern std::array<std::string, NumMovimColumns> TitMovim;
extern int32_t NumUserVarArcos, NumUserVarMovim;

// ---- Grid layout of the open network (set by ConfigureGrids) ----
// First column of the assignment (.lpa) and inspection (.lpl) blocks in the link and
// movement grids and of the complementary-data block; 0 = not reserved yet. The
// opening of a network resets all five to 0.
extern int32_t LpaFirstCol, LplFirstCol, LpaMovFirstCol, LplMovFirstCol, CompFirstCol;
// First column of the complementary-data block of the movement grid (0 = not placed);
// a block left from an earlier grid layout is recognised and placed afresh.
extern int32_t CompFirstColMovim;
// Column names of the complementary-data file read last (1..40, at most 20 characters).
extern std::array<std::string, 41> ComplementaryNames;
// 1 when the assignment listing holds preloaded flows ("F.Plod" column), else 0.
extern int32_t PreloadShift;
// Row-0 titles of each grid's columns after its last fill (the find dialog lists them).
extern std::vector<std::string> CamposZonas, CamposNodos, CamposArcos, CamposLineas, CamposMovims;
// Link variable per link-grid column as the column menus were built.
extern std::array<int32_t, NumArcosColumns> ColVarArcosMenu;

// Format of the coordinates in the grids.
inline constexpr char XYFormat[] = "%.5f";

// Puts the records above, and the program options, back to what a fresh program
// start has: the start of the program and of each test window begin here, so no
// view or file name of an earlier window is carried over.
void ResetModelState();
