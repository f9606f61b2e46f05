#include "export/ZelDxfer.h"

#include <cmath>
#include <numbers>

#include "model/FileUtils.h"
#include "model/TextCodec.h"
#include "model/ZelUtils.h"

namespace ZelDxfer {

namespace {

using ZelUtils::Format;

// A drawing holds one encoding, the one its header declares: Windows-1252.
// Street names read from the network are already in it; titles and names that
// are valid UTF-8 (the program's own texts) are converted.
void AppendText(std::string& out, const std::string& value)
{
    bool plain = true;
    for (char c : value)
        if (static_cast<unsigned char>(c) >= 0x80) {
            plain = false;
            break;
        }
    if (plain || !TextCodec::IsValidUtf8(value))
        out += value;
    else
        out += TextCodec::EncodeCp1252(QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size())));
}

std::string R5(double v) { return Format("%.5f", v); }
std::string I5(int32_t v) { return Format("%5d", v); }
std::string I(int32_t v) { return Format("%d", v); }
std::string F51(double v) { return Format("%5.1f", v); }
} // namespace

void TDxfWriter::Pair(const char* code, const std::string& value)
{
    out_ += code;
    out_ += "\r\n";
    AppendText(out_, value);
    out_ += "\r\n";
}

std::string TDxfWriter::NextHandle() { return Format("%.4X", ++DxfHandle); }

void TDxfWriter::Xy(const char* cx, const char* cy, double x, double y)
{
    Pair(cx, R5(x));
    Pair(cy, R5(y));
}

void TDxfWriter::DxfOpen(const std::string& fileName)
{
    out_.clear();
    DxfFileName = fileName;
    DxfHandle = 4096;
    DxfTextStyle = "STANDARD";
    DxfTextHeight = 10.0;
    DxfTextColor = 0;
    DxfLineColor = 0;
    DxfLineWidth = 0;
    DxfSolidColor = 0;
    DxfLineType = "ByLayer";
}

bool TDxfWriter::DxfClose()
{
    Pair("  0", "EOF");
    const bool ok = FileUtils::WriteFileAtomic(DxfFileName, out_);
    out_.clear();
    out_.shrink_to_fit();
    return ok;
}

void TDxfWriter::DxfSection(const std::string& name)
{
    Pair("  0", "SECTION");
    Pair("  2", name);
}

void TDxfWriter::DxfEndSection() { Pair("  0", "ENDSEC"); }

void TDxfWriter::DxfCodePage()
{
    Pair("  9", "$DWGCODEPAGE");
    Pair("  3", "ANSI_1252");
}

void TDxfWriter::DxfExtMin(double x, double y)
{
    Pair("  9", "$EXTMIN");
    Xy(" 10", " 20", x, y);
    Pair(" 30", "0.00000");
}

void TDxfWriter::DxfExtMax(double x, double y)
{
    Pair("  9", "$EXTMAX");
    Xy(" 10", " 20", x, y);
    Pair(" 30", "0.00000");
}

void TDxfWriter::DxfPdMode(double size)
{
    Pair("  9", "$PDMODE");
    Pair(" 70", I5(33));
    Pair("  9", "$PDSIZE");
    Pair(" 40", R5(size));
    Pair("  9", "$PLINEWID");
    Pair(" 40", "4.00000");
}

void TDxfWriter::DxfVport(double xmin, double ymin, double xmax, double ymax)
{
    Pair("  0", "TABLE");
    Pair("  2", "VPORT");
    Pair(" 70", I5(1));
    Pair("  0", "VPORT");
    Pair("  2", "*ACTIVE");
    Pair(" 70", I5(0));
    Xy(" 10", " 20", 0.0, 0.0);
    Xy(" 11", " 21", 1.0, 1.0);
    Xy(" 12", " 22", (xmin + xmax) * 0.5, (ymin + ymax) * 0.5);
    Xy(" 13", " 23", 0.0, 0.0);
    Xy(" 14", " 24", 1.0, 1.0);
    Xy(" 15", " 25", 0.0, 0.0);
    Xy(" 16", " 26", 0.0, 0.0);
    Pair(" 36", R5(1.0));
    Pair(" 17", R5(0.0));
    Pair(" 27", R5(0.0));
    Pair(" 37", R5(0.0));
    const double h = ymax - ymin;
    Pair(" 40", R5(h * 1.01));
    // A window without height has no aspect ratio: write 1 rather than a
    // division by zero that no reader accepts.
    Pair(" 41", R5(h != 0.0 ? (xmax - xmin) / h : 1.0));
    Pair(" 42", R5(50.0));
    Pair(" 43", R5(0.0));
    Pair(" 44", R5(0.0));
    Pair(" 50", R5(0.0));
    Pair(" 51", R5(0.0));
    const char* codes[] = {" 71", " 72", " 73", " 74", " 75", " 76", " 77", " 78"};
    const int32_t values[] = {0, 100, 1, 1, 0, 0, 0, 0};
    for (int i = 0; i < 8; ++i)
        Pair(codes[i], I5(values[i]));
    Pair("  0", "ENDTAB");
}

void TDxfWriter::DxfLtypes(std::span<const std::string> names, std::span<const double> totals,
                           std::span<const double> dashes, std::span<const double> gaps)
{
    Pair("  0", "TABLE");
    Pair("  2", "LTYPE");
    Pair(" 70", I5(static_cast<int32_t>(names.size())));
    for (size_t i = 0; i < names.size(); ++i) {
        Pair("  0", "LTYPE");
        Pair("  2", names[i]);
        Pair(" 70", I5(0));
        std::string lower = names[i];
        for (char& c : lower)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        Pair("  3", lower);
        Pair(" 72", I5(65));
        const double total = i < totals.size() ? totals[i] : 0.0;
        Pair(" 73", I5(total == 0.0 ? 0 : 2));
        Pair(" 40", F51(total));
        if (total > 0.0) {
            Pair(" 49", F51(i < dashes.size() ? dashes[i] : 0.0));
            Pair(" 49", F51(i < gaps.size() ? gaps[i] : 0.0));
        }
    }
    Pair("  0", "ENDTAB");
}

void TDxfWriter::DxfLayers(std::span<const std::string> names, std::span<const bool> visible,
                           std::span<const int32_t> colours)
{
    Pair("  0", "TABLE");
    Pair("  2", "LAYER");
    Pair(" 70", I5(static_cast<int32_t>(names.size())));
    for (size_t i = 0; i < names.size(); ++i) {
        const int32_t colour = i < colours.size() ? colours[i] : 0;
        const bool on = i < visible.size() ? visible[i] : true;
        Pair("  0", "LAYER");
        Pair("  2", names[i]);
        Pair(" 70", I5(0));
        Pair(" 62", I5(on ? colour : -colour));
        Pair("  6", "CONTINUA");
    }
    Pair("  0", "ENDTAB");
}

void TDxfWriter::DxfLine(const std::string& layer, double x1, double y1, double x2, double y2)
{
    Pair("  0", "LINE");
    Pair("  5", NextHandle());
    if (DxfLineType != "ByLayer")
        Pair("  6", DxfLineType);
    Pair("  8", layer);
    Xy(" 10", " 20", x1, y1);
    Xy(" 11", " 21", x2, y2);
    if (DxfLineColor > 0)
        Pair(" 62", I(DxfLineColor));
}

void TDxfWriter::DxfPolyline(const std::string& layer, std::span<const TPoint> points)
{
    Pair("  0", "POLYLINE");
    Pair("  5", NextHandle());
    if (DxfLineType != "ByLayer")
        Pair("  6", DxfLineType);
    Pair("  8", layer);
    Pair(" 66", Format("%6d", 1));
    Pair(" 10", "0.0");
    Pair(" 20", "0.0");
    Pair(" 30", "0.0");
    if (DxfLineWidth > 0) {
        Pair(" 40", I(DxfLineWidth));
        Pair(" 41", I(DxfLineWidth));
    }
    Pair(" 70", Format("%6d", 0));
    if (DxfLineColor > 0)
        Pair(" 62", I(DxfLineColor));
    for (const TPoint& p : points) {
        Pair("  0", "VERTEX");
        Pair("  5", NextHandle());
        Pair("  8", layer);
        Xy(" 10", " 20", p.x, p.y);
        Pair(" 30", "0.00000");
    }
    Pair("  0", "SEQEND");
    Pair("  5", NextHandle());
    Pair("  8", layer);
}

void TDxfWriter::DxfPoint(const std::string& layer, double x, double y)
{
    Pair("  0", "POINT");
    Pair("  5", NextHandle());
    Pair("  8", layer);
    Xy(" 10", " 20", x, y);
    if (DxfLineColor > 0)
        Pair(" 62", I(DxfLineColor));
}

void TDxfWriter::DxfRegularPolygon(const std::string& layer, int32_t sides, int32_t startAngle, double cx, double cy,
                                   double r)
{
    if (sides <= 2)
        return;
    std::vector<TPoint> pts(static_cast<size_t>(sides) + 1);
    for (int32_t k = 0; k < sides; ++k) {
        const double deg = k * 360.0 / sides + (360.0 - startAngle);
        const double a = deg * std::numbers::pi / 180.0;
        pts[k] = {cx + r * std::cos(a), cy + r * std::sin(a)};
    }
    pts[sides] = pts[0];
    DxfPolyline(layer, pts);
}

void TDxfWriter::DxfTriangle(const std::string& layer, double cx, double cy, double r)
{
    DxfRegularPolygon(layer, 3, -90, cx, cy, r);
}

void TDxfWriter::DxfSolid(const std::string& layer, const std::array<TPoint, 4>& c)
{
    Pair("  0", "SOLID");
    Pair("  5", NextHandle());
    Pair("  8", layer);
    if (DxfSolidColor > 0)
        Pair(" 62", I(DxfSolidColor));
    Xy(" 10", " 20", c[0].x, c[0].y);
    Xy(" 11", " 21", c[1].x, c[1].y);
    Xy(" 12", " 22", c[3].x, c[3].y);
    Xy(" 13", " 23", c[2].x, c[2].y);
}

void TDxfWriter::DxfSolidRec(const std::string& layer, int32_t width, double x1, double y1, double x2, double y2)
{
    const double dx = x2 - x1, dy = y2 - y1;
    const double len = std::hypot(dx, dy);
    std::array<TPoint, 4> c{TPoint{x1, y1}, TPoint{x2, y2}, TPoint{x1, y1}, TPoint{x1, y1}};
    if (len != 0.0) {
        const double ox = width * dy / len, oy = -width * dx / len;
        c[2] = {x2 + ox, y2 + oy};
        c[3] = {x1 + ox, y1 + oy};
    }
    DxfSolid(layer, c);
}

void TDxfWriter::DxfText(const std::string& layer, int32_t angle, const std::string& text, double x, double y,
                         uint8_t position)
{
    Pair("  0", "TEXT");
    Pair("  1", text);
    Pair("  5", NextHandle());
    Pair("  7", DxfTextStyle);
    Pair("  8", layer);
    Xy(" 10", " 20", x, y);
    Pair(" 40", Format("%.2f", DxfTextHeight));
    Pair(" 50", R5(angle / 10.0));
    Xy(" 11", " 21", x, y);
    if (DxfTextColor > 0)
        Pair(" 62", I(DxfTextColor));
    if (position <= 8) {
        Pair(" 72", I(position % 3));
        Pair(" 73", I(3 - position / 3));
    }
}

namespace {
struct ArrowPts {
    TPoint t, b1, n, b2;
};
ArrowPts ArrowGeometry(int32_t angle, double x, double y, double s)
{
    const double a = angle * std::numbers::pi / 1800.0;
    const double h = std::numbers::pi / 12.0;
    ArrowPts p;
    p.t = {x, y};
    p.b1 = {x - s * std::cos(a + h), y - s * std::sin(a + h)};
    const double k = s * (std::cos(h) - std::sin(h));
    p.n = {x - k * std::cos(a), y - k * std::sin(a)};
    p.b2 = {x - s * std::cos(a - h), y - s * std::sin(a - h)};
    return p;
}
} // namespace

void TDxfWriter::DxfArrowHead(const std::string& layer, int32_t angle, double x, double y, double size)
{
    const ArrowPts p = ArrowGeometry(angle, x, y, size);
    // The solid fills first, second, fourth, third: hand the corners over so
    // that 12/22 is B2 and 13/23 the notch.
    DxfSolid(layer, {p.t, p.b1, p.n, p.b2});
    const TPoint outline[] = {p.t, p.b1, p.n, p.b2, p.t};
    DxfPolyline(layer, outline);
}

void TDxfWriter::DxfArrow(const std::string& layer, int32_t angle, double x, double y, double size)
{
    const ArrowPts p = ArrowGeometry(angle, x, y, size);
    const TPoint mark[] = {p.b1, p.n, p.b2};
    DxfPolyline(layer, mark);
}

void TDxfWriter::DxfLinkFigure(const std::string& layer, const TPoint& p1, const TPoint& p2,
                               const std::array<int32_t, 3>& show, int32_t offset, const std::string& label)
{
    static constexpr int A[19] = {0, 9, 3, 3, -9, 3, -9, 0, 4, -4, -4, 4, 0, -9, 3, -9, 3, 3, 9};
    static constexpr int B[19] = {60, 9, -3, 9, -3, -3, -9, 15, 0, 9, -9, 0, -15, 9, 3, 3, -9, 3, -9};
    const TPoint n{-(p2.y - p1.y) / 10.0, (p2.x - p1.x) / 10.0};
    const TPoint t{(p2.x - p1.x) / 10.0, (p2.y - p1.y) / 10.0};
    std::array<TPoint, 20> v;
    v[0] = {p1.x - 2.5 * offset * n.x, p1.y - 2.5 * offset * n.y};
    const TPoint base{p1.x - 2.5 * (offset + 1) * n.x, p1.y - 2.5 * (offset + 1) * n.y};
    for (int k = 0; k < 19; ++k)
        v[k + 1] = {v[k].x + A[k] / 9.0 * n.x + B[k] / 9.0 * t.x, v[k].y + A[k] / 9.0 * n.y + B[k] / 9.0 * t.y};
    if (show[0] == 0)
        for (int k = 2; k <= 7; ++k)
            v[k] = v[1];
    if (show[1] == 0)
        for (int k = 8; k <= 13; ++k)
            v[k] = v[7];
    if (show[2] == 0)
        for (int k = 14; k <= 19; ++k)
            v[k] = v[13];
    DxfPolyline(layer, v);
    if (ZelUtils::Trim(label).empty())
        return;
    const int32_t angle =
        static_cast<int32_t>(std::trunc(ZelUtils::Angle(p1.x, p1.y, p2.x, p2.y) * 1800.0 / std::numbers::pi));
    const double saved = DxfTextHeight;
    DxfTextHeight = std::hypot(v[0].x - base.x, v[0].y - base.y) / 96.0 * 72.0 * 0.8;
    DxfText(layer, angle, label, (v[0].x + v[1].x) / 2.0, (v[0].y + v[1].y) / 2.0, 4);
    DxfTextHeight = saved;
}

} // namespace ZelDxfer
