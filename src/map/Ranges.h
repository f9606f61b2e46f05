#pragma once
// Value ranges (colour classes) of the data layers and the choice of the link and
// movement variables they show.
//
// A link or movement value v belongs to a class c when Low < v <= High; the bottom
// class 1 also holds its Low, so the least value is drawn too. Class 0 is the
// minimum class (Low = High): switched on, it takes the values equal to its bound,
// and class 1 leaves them to it. The table is filled from a variable's extremes by
// the default rule, or from a saved range set: one ';'-separated text of 18 fields
// per variable, three per class 0..5 (high;colour;active), kept in RangeSetKeys /
// RangeNames under the key "Rangos_" + the variable's grid title.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

class TIniFile;
struct TViewState;

struct TRangeClass {
    float Low = 0.0f;
    float High = 0.0f;
    uint32_t Color = 0; // TColor 0x00BBGGRR
    bool Active = false;
};

constexpr int MaxRangeClasses = 10; // RangeTable[0..10]
using TRangeArray = std::array<TRangeClass, MaxRangeClasses + 1>;
constexpr int RangeListClasses = 6; // classes 0..5 travel in a range list text
constexpr int RangeListFields = 3 * RangeListClasses;
constexpr int MaxRangeModes = 5;    // RangeMode 0..5
constexpr int MaxShownVars = 10;    // VarColors[0..9]: at most ten variables shown together

namespace KDVlib {

// Index in RangeSetKeys of the key "Rangos_" + name (compared in upper case); -1 when none.
int32_t RangeName(const TViewState& view, const std::string& name);
// Fills classes 0..5 of RangeTable from a range list text; a text without exactly
// 18 fields gives the default set.
void ParseRanges(TViewState& view, const std::string& text);

} // namespace KDVlib

namespace Ranges {

// The default range set as a range list text.
inline constexpr const char* DefaultRangeText = "0;65535;0;0.25;16776960;1;0.5;8454016;1;0.75;16744703;1;1;33023;1;1.25;255;1";

// The start-up table: classes 0..6 with their colours, 1..5 on with bounds of 0.25.
void SetDefaultRangeTable();
// Start-up values of every range and variable-choice setting above.
void SetDefaults();

// The default rule from a variable's extremes: class 0 := [min, min]; classes
// 1..NumRanges on, evenly over [min, max] in fifths (the divisor stays 5), each
// upper bound lifted by 0.00001. A constant variable (max <= min) gets one class,
// class 1 = [min, min]; the others are switched off and hold nothing.
void FillDefaultRanges(TViewState& view, float minimum, float maximum);
void FillDefaultClasses(TRangeArray& table, int32_t numRanges, float minimum, float maximum);
// Classes 0..5 of the table as a range list text (highs in the shortest general text
// of up to 15 digits, colours in decimal, active "1"/"0").
std::string RangeListText();
// Replaces the saved set of this variable title by the current table.
void StoreRangeSet(const std::string& name);
// Loads the saved set of this title into the table; false (table untouched) when none.
bool ApplySavedRangeSet(TViewState& view, const std::string& name);
// Fills the table for a variable: its saved set when there is one, else the default
// rule over (minimum, maximum].
void PrepareRanges(TViewState& view, const std::string& name, float minimum, float maximum);

// Range sets in a settings section: reading replaces both lists with the keys that
// begin "Rangos_" (any case), in file order; writing writes one key per set.
void ReadRangeSets(const TIniFile& ini, const std::string& section);
void WriteRangeSets(TIniFile& ini, const std::string& section);

// The colour a class map gives v: None when no class holds it (drawn white by the
// colour map), Suppressed when any inactive class holds it; otherwise Drawn in the
// colour of the last active class that holds it.
enum class TRangeHit { None, Drawn, Suppressed };
TRangeHit ClassifyValue(const TViewState& view, float v, uint32_t& color);
TRangeHit ClassifyValue(const TRangeArray& table, int32_t numRanges, float v, uint32_t& color);

// Whether class c of the table holds v (the rule at the top of this file).
bool ClassHolds(const TRangeArray& table, int32_t c, float v);

// The last class of 0..NumRanges that holds v (active or not); null when none does.
const TRangeClass* LastClassOf(const TViewState& view, float v);
const TRangeClass* LastClassOf(const TRangeArray& table, int32_t numRanges, float v);

// The classes a legend lists, in order: each one that can hold a value (class 0
// only when switched on; class 1 of no span holds nothing once class 0, switched
// on, takes its value; a class above 1 switched off with no span holds nothing),
// so that every value drawn is in a listed class and no listed class lies.
std::vector<int32_t> LegendClasses(const TRangeArray& table, int32_t numRanges);
// The printf format of a legend entry's bounds ("%.Nf - %.Nf"): the view's
// decimals, or as many more (up to 6) as make the different bounds of the
// classes listed read differently, so that no class reads empty or equal to
// its neighbour ("1 - 1", "1 - 1", "1 - 2" for classes of fifths between 1 and 2).
std::string LegendEntryFormat(const TRangeArray& table, const std::vector<int32_t>& classes, int32_t decimals);
// The number of decimals of that format.
int32_t LegendDecimals(const TRangeArray& table, const std::vector<int32_t>& classes, int32_t decimals);

// Colour of the n-th of several variables shown together: the base colour lightened
// by a table of offsets (0 leaves it unchanged); lightness is clamped to 1.
uint32_t AjustaColor(uint32_t color, int32_t index);

// Adds a link-grid column to ShownVarList. Returns false, leaving the list as it
// was, when the column is already listed or the list already holds MaxShownVars.
bool AddShownVar(int32_t column);
// Grid column of entry i of a column list ("%d" texts); 0 when not a number.
int32_t ListColumn(const std::vector<std::string>& list, size_t i);

// Width in pixels of a bar for value v: min(1.1 x pixsVol, pixsVol x v / scaleMax),
// the magnitude of a negative value (over = true then). A scale maximum that is
// not positive draws no bar (0).
double BarWidth(double v, double scaleMax, int32_t pixsVol, bool& negative);

} // namespace Ranges

// The user's view holds the class table and the choices of variables; every user of
// this header reaches them.
#include "map/ViewState.h"
