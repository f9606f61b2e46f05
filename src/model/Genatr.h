#pragma once
// Trip generation and attraction per zone: a csv file of rows "zone,x,y" followed
// by one generation and one attraction value per variable, and optionally the
// zones' outlines from a boundary-arc file of the same name with extension .geo.
// The records (Genatr, NumGenatr, GenatrMax, GenatrNames) are in PalvonVars.h.
#include <string>

namespace KDVlib {

// Replaces the rows, the column maxima, GenatrMax and the variable names, asks the
// main window to rebuild its generation/attraction menu, then reads the outlines
// of the .geo file beside it when there is one. False when the file cannot be read
// (nothing changes).
bool LoadGenatr(const std::string& fileName);

// Gives each row the outline of its zone from a boundary-arc file; geographic
// files (first point within +-180) are converted to UTM, in one zone for the file.
bool LoadPoligonosGenatr(const std::string& fileName);

} // namespace KDVlib
