#pragma once
// KML 2.2 writer for every KML/KMZ export: one document file per writer object,
// its current style set by the caller, the export's conversion settings and table
// of numbered style classes handed in, and a few map symbols drawn as polygons.
// Coordinates handed in are planar UTM metres; they are shifted by the
// false-origin offsets and converted to longitude/latitude on output.
#include "model/PalvonVars.h"

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace ZelKmzer {

// Text as markup holds it: '&', '<', '>' (and, with quotes, '"') as entities.
std::string EscapeMarkup(const std::string& s, bool quotes = true);

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
constexpr int32_t KmlHeight = 100;
constexpr int32_t KmlListItemType = 0;
constexpr std::array<const char*, 2> KmlIcons = {"", "http://maps.google.com/mapfiles/kml/shapes/shaded_dot.png"};
constexpr std::array<const char*, 2> KmlListItemTypes = {"checkHideChildren", "radioFolder"};

using TPoints = std::vector<TPoint>;

// What an export sets before writing: the conversion of its planar positions and
// its numbered style classes.
struct TKmlOptions {
    int32_t KmlUtmZone = 19;
    std::string KmlHemisphere = "S";
    float KmlOffsetX = 0.0f; // metres added to every position before conversion
    float KmlOffsetY = 0.0f;
    std::array<TKmlClassStyle, MaxKmlClass + 1> KmlClassStyles{};
};

// One KML file being written. The style fields apply to the documents and
// placemarks written after they are set; a new writer starts with none.
class TKmlWriter {
public:
    explicit TKmlWriter(TKmlOptions options = {}) : options_(std::move(options)) {}

    std::string KmlDocName;
    std::string KmlStyleMapId;
    int32_t KmlClass = 0;
    bool KmlVisible = false;
    std::string KmlLineColor;
    float KmlLineWidth = 0.0f;
    std::string KmlPolyColor;
    std::string KmlIconColor;
    float KmlIconScale = 0.0f;
    int32_t KmlIconIndex = 0;
    std::string KmlLabelColor;
    float KmlLabelScale = 0.0f;

    const TKmlOptions& Options() const { return options_; }

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
    const std::string& KmlText() const { return text_; }

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

private:
    TKmlOptions options_;
    std::string path_;
    std::string text_;

    void Line(const std::string& s);
    std::string Geo(double x, double y) const;
    void ColorLine(const std::string& color);
    void StyleBody(const std::string& lineColor, float lineWidth, const std::string& polyColor,
                   const std::string& iconColor, double iconScale, const char* iconScaleFmt, int32_t iconIndex);
    void DocumentStyle(const std::string& id, bool highlight);
    void ClassStyle(const std::string& id, const TKmlClassStyle& e, bool highlight);
    void PlacemarkHead(const std::string& name, const std::string& description);
    void Steps(const std::string& name, TPoint a, TPoint b, const double* c, const double* d, int n);
};

// "aabbggrr" of a colour value 0x00BBGGRR with Alpha in percent.
std::string KmlColor(uint32_t color, int32_t alpha);

// The points the symbol writers produce (exposed for tests).
TPoints LaneArrowPoints(TPoint a, TPoint b, double s, const std::array<int32_t, 3>& turns);

} // namespace ZelKmzer
