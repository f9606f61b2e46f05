#pragma once
// World-coordinate drawing on any QPainter: the map canvas widget draws its
// off-screen picture with it, and printing and image export draw pages with it.
// The caller sets pen, brush and font on the painter (and PenMode and FontColor
// here) before calling an operation; operations restore what they change.
// On a device of its own (a printer page, an image): begin the QPainter, then
// SetPainter, SetDeviceSize (the device's pixels) and SetWorld.
//
// Point lists are given as a list and N, the index of the last point used, so
// points[0..N] are drawn; N is clamped to the list, never read beyond it.
// Label angles are tenths of a degree counter-clockwise (0 = text running right).
#include "map/HitRegions.h"
#include "map/LabelBands.h"
#include "map/LabelStore.h"
#include "map/WorldWindow.h"
#include "model/PalvonVars.h"

#include <QColor>
#include <QFont>
#include <QGlyphRun>
#include <QImage>
#include <QList>
#include <QLine>
#include <QPainter>
#include <QPoint>
#include <QPointF>
#include <QRectF>
#include <QPolygon>
#include <QRawFont>
#include <QTransform>
#include <QRegion>
#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <unordered_map>
#include <string>
#include <vector>

// How shapes combine with the pixels below them. Text is always written plainly,
// whatever the mode. Devices without raster operations (printers) draw the
// combining modes as plain copies.
enum class TPenMode { Copy, Nop, Not, NotXor, Xor };

// Branch flags of the lane-turn glyphs: left, straight, right (0 removes a branch).
using TTurnFlags = std::array<int32_t, 3>;

class TMapPainter {
public:
    TMapPainter() = default;
    virtual ~TMapPainter() = default;
    TMapPainter(const TMapPainter&) = delete;
    TMapPainter& operator=(const TMapPainter&) = delete;

    // The painter drawn on (not owned; null draws nothing). Call again after the
    // painter is begun on another device.
    void SetPainter(QPainter* painter);
    QPainter* Canvas() const { return painter_; }

    TPenMode PenMode = TPenMode::Copy;
    QColor FontColor = Qt::black;
    // True: labels are written without the overlap test. False: a label whose box
    // meets an earlier label's box is left out.
    bool AllowLabelOverlap = true;
    // The main window's map: the layers drawn on it keep the hit regions of what
    // they draw and show their legends over it.
    bool MainMap = false;
    // What the last drawing of the network on this painter left behind.
    TLastDrawing LastDrawing;

    // ---- World window and pixel mapping ----
    const TWorldWindow& World() const { return world_; }
    void SetDeviceSize(int32_t width, int32_t height);
    void SetWorld(double minX, double minY, double maxX, double maxY);
    void SetMinX(double value);
    void SetMaxX(double value);
    void SetMinY(double value);
    void SetMaxY(double value);
    double MinX() const { return world_.MinX; }
    double MaxX() const { return world_.MaxX; }
    double MinY() const { return world_.MinY; }
    double MaxY() const { return world_.MaxY; }
    double UnitsPerPixel() const { return world_.UnitsPerPixel; }
    double PixelsPerUnit() const { return world_.PixelsPerUnit; }

    double PixelToWorldX(int32_t i) const { return world_.PixelToWorldX(i); }
    double PixelToWorldY(int32_t j) const { return world_.PixelToWorldY(j); }
    int32_t WorldToPixelX(double x) const { return world_.WorldToPixelX(x); }
    int32_t WorldToPixelY(double y) const { return world_.WorldToPixelY(y); }
    QPoint WorldToPoint(double x, double y) const { return QPoint(WorldToPixelX(x), WorldToPixelY(y)); }
    QPoint PointRecToPoint(const TPoint& p) const { return WorldToPoint(p.x, p.y); }
    static void MakePoint(TPoint& p, double x, double y) { p.x = x; p.y = y; }
    static double LineAngle(double x1, double y1, double x2, double y2)
    {
        return TWorldWindow::LineAngle(x1, y1, x2, y2);
    }

    // Geometry is clipped in floating point to the device widened by FarPixels on
    // every side before it becomes integer pixels: whatever lies within is drawn
    // exactly as given, nothing beyond can show, and at any zoom the integers stay
    // far from overflow. Labels anchored beyond are left out, and so are labels
    // larger than that (nothing a screen can show).
    static constexpr double FarPixels = 1 << 20;
    // Hit regions keep only what lies within RegionPixels of the device: the mouse
    // never reaches beyond, and a region's cost grows with its rows.
    static constexpr double RegionPixels = 1 << 10;
    // The rasteriser walks a circle's whole outline: larger ones are drawn as the
    // arc that meets the far box.
    static constexpr double MaxEllipsePixels = 1 << 14;
    // Lane texts sized to the lanes at a deep zoom would outgrow every screen.
    static constexpr double MaxGlyphPixels = 1 << 14;
    // The segment between two world points in pixels, clipped as above; false when
    // nothing of it is left.
    bool SegmentPixels(const TPoint& a, const TPoint& b, QLine& line) const
    {
        QPoint p, q;
        if (NearPixel(a.x, a.y, p) && NearPixel(b.x, b.y, q)) {
            line = QLine(p, q);
            return true;
        }
        return ClippedSegmentPixels(a, b, line);
    }

    // ---- Labels drawn so far ----
    // Both forget every label box; ResetLabels turns the overlap test off,
    // ResetLabelsOff turns it on.
    void ResetLabels();
    void ResetLabelsOff();
    const TLabelStore& Labels() const { return labels_; }

    // ---- Plain shapes (world coordinates) ----
    void MoveToW(double x, double y);
    void LineToW(double x, double y);
    void LineW(double x1, double y1, double x2, double y2);
    void LinePts(const TPoint& p1, const TPoint& p2) { LineW(p1.x, p1.y, p2.x, p2.y); }
    // Segments already in pixels, drawn with the current pen in one call (a layer
    // of thousands of lines costs what the rasteriser needs, not a call per line).
    void LinesPixels(std::span<const QLine> lines);
    // The picture's pixels when writing opaque pixels into them gives what drawing
    // them would: an RGB32 image under no clip, transform, antialiasing or raster
    // mode, with PenMode Copy. Null otherwise (printers, vector files).
    QImage* DirectPixels();
    // DirectPixels when the pen also draws thin opaque lines that can be written
    // directly (solid, at most one pixel wide, not flat-capped, an opaque colour).
    QImage* ThinLinePixels();
    // After pixels were written through DirectPixels: the canvas shows them.
    void PixelsWritten() { Changed(); }
    // Pen outline and brush fill between the two corners.
    void RectangleW(double x1, double y1, double x2, double y2);
    // r >= 0: radius in world units; r < 0: radius of -r pixels at any zoom.
    void Circle(double x, double y, double r);
    void CirclePt(const TPoint& p, double r) { Circle(p.x, p.y, r); }
    void PolygonPtArray(std::span<const TPoint> points, int32_t n);
    // Polyline shifted sideways by w pixels (to the right of the direction of
    // travel on screen), one shift for all points taken from the chord.
    void PolylinePtArray(std::span<const TPoint> points, int32_t n, int32_t w = 0);
    // Filled band of width w2 pixels lying w1 pixels to the right of the polyline.
    void PolygonPtArrayB(std::span<const TPoint> points, int32_t n, int32_t w2, int32_t w1);
    // Filled band of width w2 pixels lying w1 pixels to the right of the segment.
    void PolygonRectW(int32_t w2, int32_t w1, double x1, double y1, double x2, double y2);
    // Regular polygon of `sides` vertices, radius in pixels; rotation 90 puts the
    // first vertex straight above the centre. 0 sides: a circle; 1 or 2: nothing.
    void PolylineArrays(int32_t sides, int32_t rotation, double x, double y, int32_t radius);
    // The corners PolylineArrays draws about pixel `centre`, the first repeated last.
    static void ArrayCorners(int32_t sides, int32_t rotation, const QPoint& centre, int32_t radius, QPolygon& corners);
    void PolylineArraysA(int32_t sides, int32_t rotation, const TPoint& p, int32_t radius)
    {
        PolylineArrays(sides, rotation, p.x, p.y, radius);
    }
    // Triangle standing on its base, pointing up.
    void PolylineArraysB(int32_t radius, double x, double y) { PolylineArrays(3, 90, x, y, radius); }

    // ---- Traffic glyphs ----
    // Filled arrowhead with its tip at (x, y) pointing along `angle` (tenths of a
    // degree); s is half the barb length in pixels.
    void PolygonPts(double s, int32_t angle, double x, double y);
    // The open chevron of the same arrowhead.
    void PolylinePts(double s, int32_t angle, double x, double y);
    // Triangle arrow (A) and six-point arrow (B) with the tip at p1, opening towards p2.
    void ArrowA(const TPoint& p1, const TPoint& p2);
    void ArrowB(const TPoint& p1, const TPoint& p2);
    // Traffic-light symbol: s >= 0 world units, s < 0 pixels.
    void DrawCursorMark(double s, double x, double y);
    // Eleven-point curve about `centre` from `start` to `end` the short way round,
    // with the text written at both ends along the curve.
    void CurveWithLabels(const TPoint& centre, const TPoint& start, const TPoint& end, const std::string& text);
    // Lane-turn arrows of lane k (0 = first) with the stem from p2 towards p1:
    // thin strokes, with an optional text on the stem.
    void TextAngleW(const TPoint& p2, const TPoint& p1, const TTurnFlags& flags, int32_t k, const std::string& text);
    void TextAlongW(const TPoint& p2, const TPoint& p1, const TTurnFlags& flags, int32_t k, const std::string& text);
    // Filled lane-turn arrow from p2 towards p1; scale widens the figure.
    void DrawSymbolW(const TPoint& p2, const TPoint& p1, const TTurnFlags& flags, double scale);

    // ---- Labels ----
    // Alignment 0..8 says which point of the label box lies on the anchor:
    // 0 start/top, 1 middle/top, 2 end/top, 3 start/middle, 4 centre, 5 end/middle,
    // 6 start/bottom, 7 middle/bottom, 8 end/bottom. A positive offset (pixels)
    // moves the box away from the anchor, below the text line.
    void LabelAt(int32_t angle, const std::string& text, double x, double y, int32_t alignment, int32_t offset);
    void LabelW(const TPoint& p, int32_t angle, const std::string& text, int32_t alignment, int32_t offset)
    {
        LabelAt(angle, text, p.x, p.y, alignment, offset);
    }
    // The same placement; returns the region of the label's box.
    QRegion LabelAtPts(const TPoint& p, int32_t angle, const std::string& text, int32_t alignment, int32_t offset);

    // A pass of labels (node numbers, street names...): on a raster picture the
    // labels kept are written together when the pass ends, by several threads
    // (see LabelBands), onto the same pixels as one by one. Any other drawing
    // through this painter writes the labels waiting first; drawing on the
    // QPainter directly must wait for the end of the pass. Passes may nest.
    void BeginLabelPass();
    void EndLabelPass();
    class TLabelPass {
    public:
        explicit TLabelPass(TMapPainter& painter) : painter_(painter) { painter_.BeginLabelPass(); }
        ~TLabelPass() { painter_.EndLabelPass(); }
        TLabelPass(const TLabelPass&) = delete;
        TLabelPass& operator=(const TLabelPass&) = delete;

    private:
        TMapPainter& painter_;
    };

    // ---- Hit-test regions (pixels of the current window) ----
    QRegion CircleRegion(const TPoint& p, int32_t r) const;
    // fillMode 1 = alternate, 2 = winding.
    QRegion AddPolygonRegion(std::span<const TPoint> points, int32_t n, int32_t fillMode) const;
    // Rectangle reaching w pixels to both sides of the segment p1-p2 extended by e
    // pixels beyond each end; an empty region when the ends share a pixel.
    QRegion PolygonRegion(const TPoint& p1, const TPoint& p2, int32_t w, int32_t e) const;
    bool PtInRegionW(const QRegion& region, double x, double y) const
    {
        return region.contains(WorldToPoint(x, y));
    }

    // Text of the model (bytes) for display: UTF-8 when valid, else Windows-1252.
    static QString DisplayText(const std::string& text);

protected:
    // Lets a widget canvas follow its own size before the window is set.
    virtual void UpdateDeviceSize() {}
    // Called after the world window changed.
    virtual void WorldChanged() {}
    // Called after something was drawn.
    virtual void Changed() {}

    TWorldWindow world_;
    TLabelStore labels_;

    // Writes the labels waiting in a pass (nothing when none wait).
    void FlushLabels()
    {
        if (!level_.glyphs.empty())
            WriteLevelLabels();
        if (!pending_.labels.empty())
            WritePendingLabels();
    }

private:
    // Applies PenMode for a shape; false when nothing is to be drawn.
    bool BeginShape();
    void BeginText();
    bool BrushSolid() const;
    int32_t LastIndex(std::span<const TPoint> points, int32_t n) const;
    // The pixel of a world point when it lies within FarPixels of the device
    // (the point PointRecToPoint gives); false otherwise.
    // Inline: the layers place every node and shape point through them.
    bool NearPixel(double x, double y, QPoint& out) const
    {
        const double px = world_.PixelX(x), up = world_.PixelUp(y);
        if (!(px >= -FarPixels && px <= world_.Width + FarPixels && up >= -FarPixels && up <= world_.Height + FarPixels))
            return false;
        // As WorldToPixelX and WorldToPixelY round them (both are numbers well
        // inside the int range here, where Round's guards have nothing to do).
        constexpr double Shift = 6755399441055744.0;
        out = QPoint(int32_t((px + Shift) - Shift), world_.Height - int32_t((up + Shift) - Shift));
        return true;
    }
    bool NearPixel(double x, double y) const
    {
        const double px = world_.PixelX(x), up = world_.PixelUp(y);
        return px >= -FarPixels && px <= world_.Width + FarPixels && up >= -FarPixels && up <= world_.Height + FarPixels;
    }
    // SegmentPixels of a segment with an end beyond the far box.
    bool ClippedSegmentPixels(const TPoint& a, const TPoint& b, QLine& line) const;
    QRectF FarBox() const;
    QPointF PixelF(double x, double y) const
    {
        return QPointF(world_.PixelX(x), double(world_.Height) - world_.PixelUp(y));
    }
    // Points to pixels; false (out unusable) when one lies beyond FarPixels.
    bool ToPixels(std::span<const TPoint> points, int32_t n, QPolygon& out) const;
    void ToPixelsF(std::span<const TPoint> points, int32_t n, std::vector<QPointF>& out) const;
    // Unrounded pixel shapes, clipped to the far box and drawn (or made regions).
    void DrawFarPolygon(std::vector<QPointF>& points);
    void DrawFarPolyline(const std::vector<QPointF>& points);
    void DrawFarEllipse(double x, double y, double r);
    QRegion FarRegion(std::vector<QPointF>& points, Qt::FillRule rule) const;
    void FarArrowhead(double s, int32_t angle, double x, double y, bool closed);
    bool NearRegion(const QPointF& p) const;
    void DrawPixelPolygon(const QPolygon& polygon);
    void DrawPixelPolyline(const QPolygon& polygon);
    void PixelRectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
    void PixelEllipse(int32_t x, int32_t y, int32_t r);
    void LaneGlyph(const TPoint& p2, const TPoint& p1, const TTurnFlags& flags, int32_t k, const std::string& text,
                   double c, double d, const int32_t* along);
    // Places (and writes, when kept) a label; `region` (when given) receives its box's region.
    void PlaceLabel(int32_t angle, const std::string& text, double x, double y, int32_t alignment, int32_t offset,
                    QRegion* region);
    // Width of a text in the painter's font on its device, remembered per font:
    // a redraw measures the same node numbers and street names again. `layout`
    // receives the text's slot for its laid-out runs (see DrawLabelText), valid
    // until the next call.
    int TextWidth(const std::string& text, const QString* shown, int32_t** layout = nullptr);
    // Writes a label's text with its baseline starting at the given point of the
    // painter's current coordinates; `layout` is the slot TextWidth gave.
    void DrawLabelText(const std::string& text, const QPoint& baseline, int32_t* layout);
    // The text laid out once as glyph runs (baseline at y = 0) for the painter's
    // font, or null where it must be drawn as text (see DrawLabelText).
    const QList<QGlyphRun>* ShapedText(const std::string& text, int32_t* layout);

    // Whether a label may wait for the end of the pass, in the current state of
    // the painter; starts a new list when the text's look changed.
    bool DeferLabel();
    void WritePendingLabels();
    // The labels of a pass written one by one by this painter, as they would
    // have been without the pass.
    void WriteLabelsInPlace(const std::vector<TBandLabel>& labels, const std::vector<std::string>& texts);
    // The same a label at a time: the painter's state as it was is given back at
    // the end.
    struct TInPlace {
        QFont font;
        QPen pen;
        QTransform transform;
        bool otherFont = false;
    };
    TInPlace BeginLabelsInPlace();
    void WriteLabelInPlace(const TBandLabel& label, const std::string& text);
    void EndLabelsInPlace(const TInPlace& saved);

    QPainter* painter_ = nullptr;
    bool rasterOps_ = false;
    int labelPass_ = 0; // depth of nested passes
    uint64_t labelPasses_ = 0; // outermost passes begun so far
    uint64_t textPass_ = 0;    // the pass in which text_ was last found whole (0: none)
    struct TPendingLabels {
        TBandStyle style;
        const void* cache = nullptr; // the text cache (font and device) they were measured with
        std::vector<TBandLabel> labels;
        std::vector<std::string> texts; // as given, for writing them in place
        std::vector<int32_t> angles;
        void Clear()
        {
            labels.clear();
            texts.clear();
            angles.clear();
        }
    };
    TPendingLabels pending_;
    TLabelStamps stamps_; // the rotated labels' glyphs as written before
    // Level labels of a pass laid out as glyph runs, gathered into one run and
    // written in one call when the pass ends or anything else is drawn: the same
    // glyphs at the same positions in the same order, without the cost of a call
    // per label. They come before any label of pending_.
    struct TLevelLabels {
        QRawFont font;
        QTransform transform;
        QPen pen;
        QPainter::RenderHints hints;
        QList<quint32> glyphs;
        QList<QPointF> positions;
    };
    TLevelLabels level_;
    TGlyphStamps glyphStamps_; // the level labels' glyphs as written before
    void WriteLevelLabels();
    uint64_t labelWrites_ = 0;
    TPoint penPos_; // world point
    std::vector<QPointF> farScratch_;
    std::vector<QLine> lineScratch_; // lines left to the painter
    QPolygon scratch_;
    QPolygon scratch2_;
    QPen fontPen_; // FontColor's pen, built when the colour changes
    // Per text: its width and its layout slot: NotLaidOut, PlainText (always
    // drawn as text) or an index in the cache's layouts.
    static constexpr int32_t NotLaidOut = -1, PlainText = -2;
    struct TTextLook {
        int width = 0;
        int32_t layout = NotLaidOut;
    };
    // Texts of up to seven bytes (node and zone numbers), packed with their
    // length into one word: an open-addressing table, key 0 for a free slot.
    struct TShortWidth {
        uint64_t key = 0;
        TTextLook look;
    };
    // What is remembered of texts for one font on one device. A redraw goes
    // through the label layers in turn, each with a font of its own: one cache
    // per font lets every layer find its texts again at the next redraw.
    struct TTextCache {
        QFont font;
        const QPaintDevice* device = nullptr;
        int dpiX = 0, dpiY = 0; // a device made where an earlier one was may differ
        int height = 0, ascent = 0;
        std::unordered_map<std::string, TTextLook> widths;
        // The entry of widths found last: the links along a street come one after
        // another and bear the same name (entries never move; Forget clears it).
        std::pair<const std::string, TTextLook>* lastLong = nullptr;
        // Entries of widths met lately, by a few bytes of their text: a street
        // name found again without hashing it whole (Forget clears them too).
        std::array<std::pair<const std::string, TTextLook>*, 1024> recentLong{};
        std::vector<TShortWidth> shortWidths;
        size_t shortCount = 0;
        std::vector<QList<QGlyphRun>> layouts; // laid-out texts, named by index
        // The same as one run of glyphs and positions, as a level label joins
        // the pass's gathered run (by the same index).
        struct TLevelRun {
            bool oneFont = false; // all its runs in one font: else it cannot join
            QRawFont font;
            QList<quint32> glyphs;
            QList<QPointF> positions;
        };
        std::vector<TLevelRun> levelRuns;
        void Forget();
    };
    static constexpr size_t MaxTextCaches = 4;
    std::vector<std::unique_ptr<TTextCache>> textCaches_; // most recently used first
    TTextCache* text_ = nullptr;
    int fontHeight_ = 0;
    int fontAscent_ = 0;
    double labelDepth_ = 0; // a label box's depth across its text line: 5/6 of fontHeight_
    // Makes text_ the cache of the painter's font and device.
    void UseTextCache();
    // Adds a level label's glyphs at baseline; false when they cannot wait.
    bool QueueLevelLabel(const TTextCache::TLevelRun& run, const QPoint& baseline);

public:
    // Rotated labels written from the glyphs kept from earlier drawings.
    int64_t LabelStampsReused() const { return stamps_.Reused(); }
    void ForgetLabelStamps() { stamps_.Clear(); }
    // False draws every label as text (the reference the laid-out runs are
    // checked against).
    static inline bool ReuseLayouts = true;
};
