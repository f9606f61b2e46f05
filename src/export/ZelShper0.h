#pragma once
// Shapefile output through shapelib: one output (shape file, index and dBase
// table under one name) at a time. The set is made in a scratch folder beside the
// target with every write checked, read back, and only then moved into place as a
// whole by ShpClose: a failed export leaves the user's earlier set untouched.
#include <cstdint>
#include <string>
#include <vector>

#include "model/PalvonVars.h"

namespace ZelShper0 {

struct TFieldDefs {
    std::string Name;     // passed on unchanged, trailing blanks included
    int32_t Type = 0;     // 1 text, 2 integer, 3 real, other logical
    int32_t Width = 0;
    int32_t Decimals = 0;
    int32_t Var = 0;      // link variable that fills the column, 0 otherwise
};

struct TFieldValues {
    int32_t Kind = 0;     // 1 text, 2 integer, 3 real, other: nothing written
    int32_t Int = 0;
    std::string Text;
    double Real = 0.0;
};

// Opens the output (fileName with any extension; .shp/.shx/.dbf are derived).
// False with a Spanish message in error when the files cannot be created.
bool ShpCreate(const std::string& fileName, int32_t shapeType, const std::vector<TFieldDefs>& fields,
               std::string& error);
void ShpWriteArc(int32_t recNo, const std::vector<TFieldValues>& values, double x1, double y1, double x2, double y2);
void ShpWritePolygon(int32_t recNo, const std::vector<TPoint>& points, const std::vector<TFieldValues>& values);
// Closes the output and moves the files into place; false with a Spanish message
// when a write failed or the files could not be moved (the earlier set is kept).
bool ShpClose(std::string& error);

// The link fields: fixed ones, extra data, vehicle classes, results, preload and
// user classes (nomads > 1) in the suite's order.
std::vector<TFieldDefs> LinkFields(int32_t knobs, int32_t vehClasses, bool hasPreload, int32_t nomads);

// The files the link export writes for fileName: the .shp, .shx and .dbf under
// its name.
std::vector<std::string> SetFiles(const std::string& fileName);

// Every given link (record indexes, duplicates allowed) whose end nodes are both
// positive, in ascending order of (A, B), as a two-point arc with its data;
// links whose end nodes have no coordinates are skipped, keeping their "Id".
bool WriteLinkShapefile(const std::string& fileName, const std::vector<int32_t>& links, int32_t knobs,
                        int32_t vehClasses, bool hasPreload, int32_t nomads, std::string& error);

// Empty when every value of the last link export fitted its column and every
// street name its code page; else the one Spanish notice of how many real values
// were too wide for their column and were left empty (readers take the library's
// asterisks for no value), and of how many names lost letters to "?", naming the
// first of each.
std::string UnfitNotice();

// The same with the columns of the open network: its extra data columns (KNOBS),
// its transit vehicle columns (one per transit-line block), the preload column when
// the assignment listing carries preloaded flows, and its user classes (NOMADS).
bool WriteNetworkLinkShapefile(const std::string& fileName, const std::vector<int32_t>& links, std::string& error);

} // namespace ZelShper0
