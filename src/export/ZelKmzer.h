#pragma once
// KML 2.2 writer for every KML/KMZ export: one document file at a time, module-wide
// style and conversion settings filled by the caller, a table of numbered style
// classes, and a few map symbols drawn as polygons. Coordinates handed in are
// planar UTM metres; they are shifted by the false-origin offsets and converted to
// longitude/latitude on output.
#include "model/PalvonVars.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace ZelKmzer {

struct TKmlClassStyle {
    int32_t Id = 0; // a style pair is written only when Id > 0
    std::string LineColor;
    float LineWidth = 0.0f;
    std::string PolyColor;
    int32_t IconIndex = 0;
    float IconScale = 0.0f;
    std::string IconColor;
    float LabelScale = 0.0f;
    std::string LabelColor;
};

constexpr int MaxKmlClass = 100;

extern std::string KmlDocName;
extern std::string KmlStyleMapId;
extern int32_t KmlClass;
extern bool KmlVisible;
extern std::string KmlLineColor;
extern float KmlLineWidth;
extern std::string KmlPolyColor;
extern std::string KmlIconColor;
extern float KmlIconScale;
extern int32_t KmlIconIndex;
extern std::string KmlLabelColor;
extern float KmlLabelScale;
extern const int32_t KmlHeight;
extern int32_t KmlUtmZone;
extern std::string KmlHemisphere;
extern float KmlOffsetX;
extern float KmlOffsetY;
extern const int32_t KmlListItemType;
extern const std::array<const char*, 2> KmlIcons;
extern const std::array<const char*, 2> KmlListItemTypes;
extern std::array<TKmlClassStyle, MaxKmlClass + 1> KmlClassStyles;

using TPoints = std::vector<TPoint>;

// Starts a new file (held in memory until KmlEnd). DocName "null" = the file name.
void KmlBegin(const std::string& fileName, const std::string& docName);
void KmlBeginDocument(const std::string& name, bool visible);
void KmlEndDocument();
void KmlBeginFolder(const std::string& name, bool radio);
void KmlEndFolder();
// Closes the outer document and writes the file (CR LF, replaced atomically).
// False when the file could not be written; the previous file is then untouched.
bool KmlEnd(std::string* why = nullptr);
// The text written so far (for tests and for callers that want it).
const std::string& KmlText();

void KmlPoint(const std::string& name, const std::string& description, double x, double y);
void KmlSegment(const std::string& name, const std::string& description, double x1, double y1, double x2,
                double y2);
void KmlLineString(const std::string& name, TPoints points, double offset, const std::string& description);
void KmlPolygon(const std::string& name, const TPoints& points, const std::string& description);
void KmlRegularPolygon(const std::string& name, int32_t n, int32_t a, double x, double y, double r);
void KmlTriangle(const std::string& name, double x, double y, double r);
void KmlBand(const std::string& name, int32_t w0, int32_t w1, const std::string& description, double x1,
             double y1, double x2, double y2);
void KmlBandLabel(const std::string& name, int32_t w, double x1, double y1, double x2, double y2);
void KmlLaneArrow(const std::string& name, TPoint a, TPoint b, double s, const std::array<int32_t, 3>& turns);
void KmlWedge(const std::string& name, TPoint a, TPoint b);
void KmlNotchedWedge(const std::string& name, TPoint a, TPoint b);

// "aabbggrr" of a colour value 0x00BBGGRR with Alpha in percent.
std::string KmlColor(uint32_t color, int32_t alpha);

// The points the symbol writers produce (exposed for tests).
TPoints LaneArrowPoints(TPoint a, TPoint b, double s, const std::array<int32_t, 3>& turns);

} // namespace ZelKmzer
