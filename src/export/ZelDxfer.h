#pragma once
// Writer of R12 ASCII drawing-interchange files. One drawing is built at a time:
// DxfOpen starts it, the section/table/entity routines append group pairs (code
// line, value line, CR LF each), DxfClose ends it and writes the whole file at
// once through a temporary file, so a failed export never leaves a half file
// over the user's previous one. A writer object holds one drawing and its
// current style.
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "model/PalvonVars.h"

namespace ZelDxfer {

class TDxfWriter {
public:
    // The style of the entities written after it is set; DxfOpen puts it back to
    // the defaults below, so that no drawing inherits the previous one's.
    std::string DxfFileName;
    int32_t DxfHandle = 4096;
    std::string DxfTextStyle = "STANDARD";
    double DxfTextHeight = 10.0;
    int32_t DxfTextColor = 0;
    int32_t DxfLineColor = 0;
    int32_t DxfLineWidth = 0;
    int32_t DxfSolidColor = 0;
    std::string DxfLineType = "ByLayer";

    // Text of the drawing written so far (between DxfOpen and DxfClose).
    const std::string& DxfText() const { return out_; }

    void DxfOpen(const std::string& fileName);
    // Writes "EOF" and the file; false when the file could not be written.
    bool DxfClose();
    void DxfSection(const std::string& name);
    void DxfEndSection();
    void DxfExtMin(double x, double y);
    void DxfExtMax(double x, double y);
    // The header variable naming the drawing's code page (Windows-1252, in which
    // every text and name of the file is written).
    void DxfCodePage();
    void DxfPdMode(double size);
    void DxfVport(double xmin, double ymin, double xmax, double ymax);
    void DxfLtypes(std::span<const std::string> names, std::span<const double> totals, std::span<const double> dashes,
                   std::span<const double> gaps);
    void DxfLayers(std::span<const std::string> names, std::span<const bool> visible,
                   std::span<const int32_t> colours);
    void DxfLine(const std::string& layer, double x1, double y1, double x2, double y2);
    void DxfPolyline(const std::string& layer, std::span<const TPoint> points);
    void DxfPoint(const std::string& layer, double x, double y);
    void DxfRegularPolygon(const std::string& layer, int32_t sides, int32_t startAngle, double cx, double cy,
                           double r);
    void DxfTriangle(const std::string& layer, double cx, double cy, double r);
    void DxfSolid(const std::string& layer, const std::array<TPoint, 4>& corners);
    void DxfSolidRec(const std::string& layer, int32_t width, double x1, double y1, double x2, double y2);
    // angle in tenths of a degree; position 0..8 (top-left .. bottom-right).
    void DxfText(const std::string& layer, int32_t angle, const std::string& text, double x, double y,
                 uint8_t position);
    void DxfArrowHead(const std::string& layer, int32_t angle, double x, double y, double size);
    void DxfArrow(const std::string& layer, int32_t angle, double x, double y, double size);
    void DxfLinkFigure(const std::string& layer, const TPoint& p1, const TPoint& p2,
                       const std::array<int32_t, 3>& show, int32_t offset, const std::string& label);

private:
    std::string out_;

    void Pair(const char* code, const std::string& value);
    void Xy(const char* cx, const char* cy, double x, double y);
    std::string NextHandle();
};

} // namespace ZelDxfer
