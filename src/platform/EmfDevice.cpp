#include "platform/EmfDevice.h"

#include "model/FileUtils.h"

#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontInfo>
#include <QPaintEngine>
#include <QPainterPath>
#include <QTemporaryFile>
#include <QTextItem>
#include <QTextLayout>
#include <QTransform>

#include <uemf.h>
#include <uemf_utf.h>
#include <uwmf.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <numbers>

namespace {

U_COLORREF ColorRef(const QColor& c) { return colorref3_set(uint8_t(c.red()), uint8_t(c.green()), uint8_t(c.blue())); }

U_POINTL PointL(int32_t x, int32_t y)
{
    U_POINTL p;
    p.x = x;
    p.y = y;
    return p;
}

U_POINT16 Point16(int32_t x, int32_t y)
{
    U_POINT16 p;
    p.x = int16_t(std::clamp(x, -32768, 32767));
    p.y = int16_t(std::clamp(y, -32768, 32767));
    return p;
}

using TPts = std::vector<QPoint>;

// Liang-Barsky: the part of the segment inside [0, w] x [0, h]; false when none.
bool ClipSegment(QPointF& a, QPointF& b, double w, double h)
{
    const double dx = b.x() - a.x(), dy = b.y() - a.y();
    double t0 = 0, t1 = 1;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x(), w - a.x(), a.y(), h - a.y()};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0)
                return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1)
            return false;
    }
    const QPointF a0 = a;
    a = QPointF(a0.x() + t0 * dx, a0.y() + t0 * dy);
    b = QPointF(a0.x() + t1 * dx, a0.y() + t1 * dy);
    return true;
}

QPoint Rounded(const QPointF& p, double w, double h)
{
    return QPoint(int(std::clamp(std::nearbyint(p.x()), 0.0, w)), int(std::clamp(std::nearbyint(p.y()), 0.0, h)));
}

// The runs of a polyline that lie on the page.
std::vector<TPts> ClipPolyline(const std::vector<QPointF>& pts, double w, double h)
{
    std::vector<TPts> runs;
    if (pts.size() == 1) {
        if (pts[0].x() >= 0 && pts[0].y() >= 0 && pts[0].x() <= w && pts[0].y() <= h)
            runs.push_back({Rounded(pts[0], w, h)});
        return runs;
    }
    bool open = false;
    for (size_t i = 0; i + 1 < pts.size(); ++i) {
        QPointF a = pts[i], b = pts[i + 1];
        if (!ClipSegment(a, b, w, h)) {
            open = false;
            continue;
        }
        const bool startClipped = a != pts[i];
        if (!open || startClipped) {
            runs.push_back({Rounded(a, w, h)});
            open = true;
        }
        runs.back().push_back(Rounded(b, w, h));
        if (b != pts[i + 1])
            open = false;
    }
    return runs;
}

// Sutherland-Hodgman against the four page edges.
TPts ClipPolygon(const std::vector<QPointF>& pts, double w, double h)
{
    std::vector<QPointF> poly = pts;
    for (int edge = 0; edge < 4 && !poly.empty(); ++edge) {
        const auto inside = [&](const QPointF& p) {
            switch (edge) {
            case 0: return p.x() >= 0;
            case 1: return p.x() <= w;
            case 2: return p.y() >= 0;
            default: return p.y() <= h;
            }
        };
        const auto cross = [&](const QPointF& a, const QPointF& b) {
            double t = 0;
            switch (edge) {
            case 0: t = (0 - a.x()) / (b.x() - a.x()); break;
            case 1: t = (w - a.x()) / (b.x() - a.x()); break;
            case 2: t = (0 - a.y()) / (b.y() - a.y()); break;
            default: t = (h - a.y()) / (b.y() - a.y()); break;
            }
            return a + (b - a) * t;
        };
        std::vector<QPointF> out;
        out.reserve(poly.size() + 4);
        for (size_t i = 0; i < poly.size(); ++i) {
            const QPointF& cur = poly[i];
            const QPointF& prev = poly[(i + poly.size() - 1) % poly.size()];
            const bool ci = inside(cur), pi = inside(prev);
            if (ci) {
                if (!pi)
                    out.push_back(cross(prev, cur));
                out.push_back(cur);
            } else if (pi) {
                out.push_back(cross(prev, cur));
            }
        }
        poly.swap(out);
    }
    TPts result;
    result.reserve(poly.size());
    for (const QPointF& p : poly)
        result.push_back(Rounded(p, w, h));
    return result;
}

} // namespace

// The geometry common to both metafile kinds: the painter's state, the
// transform to device pixels and the clipping to the page. The records are the
// subclass's.
class TMetaPaintEngine : public QPaintEngine {
public:
    TMetaPaintEngine(int32_t width, int32_t height, int32_t dpi)
        : QPaintEngine(PaintEngineFeatures(AllFeatures & ~ObjectBoundingModeGradients)), width_(width),
          height_(height), dpi_(dpi)
    {
    }

    bool begin(QPaintDevice*) override
    {
        penDirty_ = brushDirty_ = true;
        return true;
    }
    bool end() override { return true; }
    Type type() const override { return User; }

    void updateState(const QPaintEngineState& state) override
    {
        const DirtyFlags f = state.state();
        if (f & DirtyPen) {
            pen_ = state.pen();
            penDirty_ = true;
        }
        if (f & DirtyBrush) {
            brush_ = state.brush();
            brushDirty_ = true;
        }
        if (f & DirtyFont)
            font_ = state.font();
        if (f & DirtyTransform)
            transform_ = state.transform();
    }

    void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override
    {
        if (count < 1)
            return;
        std::vector<QPointF> pts(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i)
            pts[size_t(i)] = transform_.map(points[i]);
        const double w = width_ - 1, h = height_ - 1;
        if (mode == PolylineMode) {
            if (pen_.style() == Qt::NoPen)
                return;
            for (const TPts& run : ClipPolyline(pts, w, h))
                if (run.size() >= 2)
                    Poly(run, false);
            return;
        }
        const TPts clipped = ClipPolygon(pts, w, h);
        if (clipped.size() >= 3)
            Poly(clipped, true);
    }

    void drawPolygon(const QPoint* points, int count, PolygonDrawMode mode) override
    {
        std::vector<QPointF> f(points, points + count);
        drawPolygon(f.data(), count, mode);
    }

    void drawEllipse(const QRectF& r) override
    {
        const QRectF m = transform_.mapRect(r);
        const QRectF page(0, 0, width_ - 1, height_ - 1);
        if (transform_.type() <= QTransform::TxScale && page.contains(m)) {
            Ellipse(QRect(QPoint(int(std::nearbyint(m.left())), int(std::nearbyint(m.top()))),
                          QPoint(int(std::nearbyint(m.right())), int(std::nearbyint(m.bottom())))));
            return;
        }
        if (!page.intersects(m))
            return;
        QPainterPath path;
        path.addEllipse(r);
        drawPath(path);
    }

    void drawRects(const QRectF* rects, int count) override
    {
        for (int i = 0; i < count; ++i) {
            const QPolygonF poly = QPolygonF(rects[i]);
            drawPolygon(poly.constData(), 4, OddEvenMode);
        }
    }

    void drawLines(const QLineF* lines, int count) override
    {
        for (int i = 0; i < count; ++i) {
            const QPointF pts[2] = {lines[i].p1(), lines[i].p2()};
            drawPolygon(pts, 2, PolylineMode);
        }
    }

    void drawPath(const QPainterPath& path) override
    {
        if (brush_.style() != Qt::NoBrush) {
            const QPen saved = pen_;
            pen_ = QPen(Qt::NoPen);
            penDirty_ = true;
            for (const QPolygonF& poly : path.toFillPolygons())
                drawPolygon(poly.constData(), int(poly.size()), OddEvenMode);
            pen_ = saved;
            penDirty_ = true;
        }
        if (pen_.style() != Qt::NoPen)
            for (const QPolygonF& poly : path.toSubpathPolygons())
                drawPolygon(poly.constData(), int(poly.size()), PolylineMode);
    }

    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}

    void drawTextItem(const QPointF& p, const QTextItem& item) override
    {
        const QString text = item.text();
        if (text.isEmpty())
            return;
        const QPointF at = transform_.map(p);
        if (at.x() < 0 || at.y() < 0 || at.x() > width_ - 1 || at.y() > height_ - 1)
            return;
        const QFont font = item.font();
        // Rotation of the text from the painter's transform (tenths of a degree, counter-clockwise).
        const double angle = std::atan2(-transform_.m12(), transform_.m11()) * 1800 / std::numbers::pi;
        const double scale = std::hypot(transform_.m11(), transform_.m12());
        const double pixels = font.pixelSize() > 0 ? font.pixelSize() : font.pointSizeF() * dpi_ / 72.0;
        TText t;
        t.at = QPoint(int(std::nearbyint(at.x())), int(std::nearbyint(at.y())));
        t.text = text;
        t.height = std::max(1, int32_t(std::lround(pixels * scale)));
        QFont used = font;
        used.setPixelSize(std::max(1, int(std::lround(pixels))));
        t.advances = Advances(text, used, scale);
        // The face the advances were measured with, so a reader draws the glyphs
        // they belong to.
        t.face = QFontInfo(used).family();
        t.escapement = int32_t(std::lround(angle));
        t.weight = font.bold() ? 700 : 400;
        t.italic = font.italic();
        t.underline = font.underline();
        t.strikeOut = font.strikeOut();
        t.color = pen_.color();
        Text(t);
    }

    virtual std::vector<uint8_t> Build() const = 0;

protected:
    struct TText {
        QPoint at;
        QString text;
        std::vector<int32_t> advances; // device pixels from each UTF-16 unit to the next
        int32_t height = 1, escapement = 0, weight = 400;
        bool italic = false, underline = false, strikeOut = false;
        QString face;
        QColor color;
    };

    // The advance of every character as the font lays the text out (kerning
    // included), rounded so that their running sum stays on the true positions.
    static std::vector<int32_t> Advances(const QString& text, const QFont& font, double scale)
    {
        QTextLayout layout(text, font);
        layout.beginLayout();
        QTextLine line = layout.createLine();
        layout.endLayout();
        std::vector<int32_t> dx(size_t(text.size()), 0);
        if (!line.isValid())
            return dx;
        long previous = 0;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const long next = std::lround(line.cursorToX(int(i + 1)) * scale);
            dx[size_t(i)] = int32_t(std::max(0L, next - previous));
            previous = std::max(previous, next);
        }
        return dx;
    }

    virtual void Poly(const TPts& pts, bool closed) = 0;
    virtual void Ellipse(const QRect& r) = 0;
    virtual void Text(const TText& t) = 0;

    uint32_t PenStyle() const
    {
        switch (pen_.style()) {
        case Qt::DashLine: return U_PS_DASH;
        case Qt::DotLine: return U_PS_DOT;
        case Qt::DashDotLine: return U_PS_DASHDOT;
        case Qt::DashDotDotLine: return U_PS_DASHDOTDOT;
        default: return U_PS_SOLID;
        }
    }
    // A hatched brush keeps its hatch (-1: solid).
    int32_t Hatch() const
    {
        switch (brush_.style()) {
        case Qt::HorPattern: return U_HS_HORIZONTAL;
        case Qt::VerPattern: return U_HS_VERTICAL;
        case Qt::FDiagPattern: return U_HS_FDIAGONAL;
        case Qt::BDiagPattern: return U_HS_BDIAGONAL;
        case Qt::CrossPattern: return U_HS_CROSS;
        case Qt::DiagCrossPattern: return U_HS_DIAGCROSS;
        default: return -1;
        }
    }
    int32_t PenWidth() const
    {
        const double scale = std::hypot(transform_.m11(), transform_.m12());
        return std::max(1, int32_t(std::lround(pen_.widthF() * scale)));
    }

    int32_t width_, height_, dpi_;
    QPen pen_;
    QBrush brush_;
    QFont font_;
    QTransform transform_;
    bool penDirty_ = true, brushDirty_ = true, brushSelected_ = false;
};

namespace {

// Records are built with libUEMF into an in-memory list (each record a byte
// block); Build puts the header and the end record around them.
class TEmfPaintEngine : public TMetaPaintEngine {
public:
    TEmfPaintEngine(int32_t width, int32_t height, int32_t dpi) : TMetaPaintEngine(width, height, dpi)
    {
        emf_htable_create(128, 128, &handles_);
    }
    ~TEmfPaintEngine() override
    {
        if (handles_)
            emf_htable_free(&handles_);
    }

    std::vector<uint8_t> Build() const override
    {
        std::vector<uint8_t> out;
        EMFTRACK* et = nullptr;
        // libUEMF wants a file to stream to; the bytes are taken from its buffer instead.
        if (emf_start("/dev/null", 1 << 16, 1 << 16, &et) != 0 || !et)
            return out;
        const U_RECTL bounds = rectl_set(PointL(0, 0), PointL(width_ - 1, height_ - 1));
        // The frame in hundredths of a millimetre.
        const auto hmm = [this](int32_t px) { return int32_t(std::lround(px * 2540.0 / dpi_)); };
        const U_RECTL frame = rectl_set(PointL(0, 0), PointL(hmm(width_), hmm(height_)));
        const U_SIZEL device = sizel_set(width_, height_);
        const U_SIZEL mm = sizel_set(std::max(1, hmm(width_) / 100), std::max(1, hmm(height_) / 100));
        char* header = U_EMRHEADER_set(bounds, frame, nullptr, 0, nullptr, device, mm, 0);
        emf_append(reinterpret_cast<U_ENHMETARECORD*>(header), et, U_REC_FREE);
        for (const std::vector<char>& rec : records_) {
            std::vector<char> copy = rec;
            emf_append(reinterpret_cast<U_ENHMETARECORD*>(copy.data()), et, 0);
        }
        char* eof = U_EMREOF_set(0, nullptr, et);
        emf_append(reinterpret_cast<U_ENHMETARECORD*>(eof), et, U_REC_FREE);
        // The header counts the records, the bytes and the handles in use.
        auto* h = reinterpret_cast<U_EMRHEADER*>(et->buf);
        h->nBytes = uint32_t(et->used);
        h->nRecords = et->records;
        h->nHandles = maxHandles_ + 1;
        out.assign(et->buf, et->buf + et->used);
        emf_free(&et);
        return out;
    }

protected:
    void Poly(const TPts& pts, bool closed) override
    {
        std::vector<U_POINTL> p(pts.size());
        int32_t x0 = pts[0].x(), y0 = pts[0].y(), x1 = x0, y1 = y0;
        for (size_t i = 0; i < pts.size(); ++i) {
            p[i] = PointL(pts[i].x(), pts[i].y());
            x0 = std::min(x0, pts[i].x());
            x1 = std::max(x1, pts[i].x());
            y0 = std::min(y0, pts[i].y());
            y1 = std::max(y1, pts[i].y());
        }
        const U_RECTL bounds = rectl_set(PointL(x0, y0), PointL(x1, y1));
        SelectObjects(closed);
        if (closed)
            Add(U_EMRPOLYGON_set(bounds, uint32_t(p.size()), p.data()));
        else
            Add(U_EMRPOLYLINE_set(bounds, uint32_t(p.size()), p.data()));
    }

    void Ellipse(const QRect& r) override
    {
        SelectObjects(true);
        Add(U_EMRELLIPSE_set(rectl_set(PointL(r.left(), r.top()), PointL(r.right(), r.bottom()))));
    }

    void Text(const TText& t) override
    {
        const std::u16string face = t.face.toStdU16String();
        std::vector<uint16_t> faceName(32, 0);
        for (size_t i = 0; i < face.size() && i < 31; ++i)
            faceName[i] = uint16_t(face[i]);
        const U_LOGFONT lf = logfont_set(-t.height, 0, t.escapement, t.escapement, t.weight, t.italic ? 1 : 0,
                                         t.underline ? 1 : 0, t.strikeOut ? 1 : 0, 1 /*default charset*/, 0, 0, 0,
                                         0, faceName.data());
        uint32_t ihFont = 0;
        Add(extcreatefontindirectw_set(&ihFont, handles_, reinterpret_cast<const char*>(&lf), nullptr));
        Add(selectobject_set(ihFont, handles_));
        Add(U_EMRSETTEXTCOLOR_set(ColorRef(t.color)));
        Add(U_EMRSETBKMODE_set(U_TRANSPARENT));
        Add(U_EMRSETTEXTALIGN_set(U_TA_BASELINE));

        const QByteArray utf8 = t.text.toUtf8();
        size_t len = 0;
        uint16_t* utf16 = U_Utf8ToUtf16le(utf8.constData(), 0, &len);
        if (utf16 && len > 0) {
            std::vector<uint32_t> dx(len, 0);
            for (size_t i = 0; i < len && i < t.advances.size(); ++i)
                dx[i] = uint32_t(t.advances[i]);
            const U_POINTL ref = PointL(t.at.x(), t.at.y());
            char* emrtext = emrtext_set(ref, uint32_t(len), 2, utf16, U_ETO_NONE,
                                        rectl_set(PointL(0, 0), PointL(-1, -1)), dx.data());
            const U_RECTL bounds = rectl_set(ref, ref);
            Add(U_EMREXTTEXTOUTW_set(bounds, U_GM_COMPATIBLE, 1.0f, 1.0f, reinterpret_cast<PU_EMRTEXT>(emrtext)));
            std::free(emrtext);
        }
        std::free(utf16);
        // The font is released at once; the next text makes its own.
        Add(selectobject_set(U_DEVICE_DEFAULT_FONT, handles_));
        Add(deleteobject_set(&ihFont, handles_));
    }

private:
    void Add(char* rec)
    {
        if (!rec)
            return;
        const uint32_t size = reinterpret_cast<U_EMR*>(rec)->nSize;
        records_.emplace_back(rec, rec + size);
        std::free(rec);
        if (handles_)
            maxHandles_ = std::max(maxHandles_, handles_->peak);
    }

    void SelectObjects(bool filled)
    {
        if (penDirty_) {
            if (ihPen_) {
                Add(selectobject_set(U_NULL_PEN, handles_));
                Add(deleteobject_set(&ihPen_, handles_));
            }
            if (pen_.style() == Qt::NoPen) {
                Add(selectobject_set(U_NULL_PEN, handles_));
            } else {
                U_POINT width = PointL(PenWidth(), 0);
                Add(createpen_set(&ihPen_, handles_, logpen_set(PenStyle(), width, ColorRef(pen_.color()))));
                Add(selectobject_set(ihPen_, handles_));
            }
            penDirty_ = false;
        }
        const bool wantBrush = filled && brush_.style() != Qt::NoBrush;
        if (brushDirty_ || wantBrush != brushSelected_) {
            if (ihBrush_) {
                Add(selectobject_set(U_NULL_BRUSH, handles_));
                Add(deleteobject_set(&ihBrush_, handles_));
            }
            if (wantBrush) {
                const int32_t hatch = Hatch();
                Add(createbrushindirect_set(&ihBrush_, handles_,
                                            logbrush_set(hatch < 0 ? U_BS_SOLID : U_BS_HATCHED,
                                                         ColorRef(brush_.color()), hatch < 0 ? 0 : uint32_t(hatch))));
                Add(selectobject_set(ihBrush_, handles_));
            } else {
                Add(selectobject_set(U_NULL_BRUSH, handles_));
            }
            brushSelected_ = wantBrush;
            brushDirty_ = false;
        }
    }

    std::vector<std::vector<char>> records_;
    EMFHANDLES* handles_ = nullptr;
    uint32_t maxHandles_ = 0;
    uint32_t ihPen_ = 0, ihBrush_ = 0;
};

// Windows metafile records. WMF has no stock objects: the current pen, brush
// and font are always objects of the file, replaced (new one selected, old one
// deleted) when they change.
class TWmfPaintEngine : public TMetaPaintEngine {
public:
    TWmfPaintEngine(int32_t width, int32_t height, int32_t dpi) : TMetaPaintEngine(width, height, dpi)
    {
        wmf_htable_create(128, 128, &handles_);
    }
    ~TWmfPaintEngine() override
    {
        if (handles_)
            wmf_htable_free(&handles_);
    }

    std::vector<uint8_t> Build() const override
    {
        std::vector<uint8_t> out;
        QTemporaryFile tmp(QDir::tempPath() + QStringLiteral("/velmora_wmf_XXXXXX"));
        if (!tmp.open())
            return out;
        const std::string name = tmp.fileName().toStdString();
        tmp.close();
        WMFTRACK* wt = nullptr;
        if (wmf_start(name.c_str(), 1 << 16, 1 << 16, &wt) != 0 || !wt)
            return out;
        wmf_highwater(U_HIGHWATER_CLEAR);
        // Placeable header: the page in inches at dpi logical units per inch.
        U_PAIRF* size = U_PAIRF_set(float(double(width_) / dpi_), float(double(height_) / dpi_));
        char* header = U_WMRHEADER_set(size, unsigned(dpi_));
        std::free(size);
        wmf_header_append(reinterpret_cast<U_METARECORD*>(header), wt, U_REC_FREE);
        std::vector<char*> fixed = {U_WMRSETMAPMODE_set(U_MM_ANISOTROPIC),
                                    U_WMRSETWINDOWORG_set(Point16(0, 0)),
                                    U_WMRSETWINDOWEXT_set(Point16(width_, height_)),
                                    U_WMRSETBKMODE_set(U_TRANSPARENT), U_WMRSETTEXTALIGN_set(U_TA_BASELINE)};
        for (char* rec : fixed)
            wmf_append(reinterpret_cast<U_METARECORD*>(rec), wt, U_REC_FREE);
        for (const std::vector<char>& rec : records_) {
            std::vector<char> copy = rec;
            wmf_append(reinterpret_cast<U_METARECORD*>(copy.data()), wt, 0);
        }
        wmf_append(reinterpret_cast<U_METARECORD*>(U_WMREOF_set()), wt, U_REC_FREE);
        const uint32_t peak = std::max<uint32_t>(wmf_highwater(U_HIGHWATER_READ), handles_ ? handles_->peak : 0);
        wmf_highwater(peak);
        const int rc = wmf_finish(wt);
        wmf_free(&wt);
        QFile f(QString::fromStdString(name));
        if (rc == 0 && f.open(QIODevice::ReadOnly)) {
            const QByteArray bytes = f.readAll();
            out.assign(bytes.begin(), bytes.end());
        }
        f.remove();
        return out;
    }

protected:
    void Poly(const TPts& pts, bool closed) override
    {
        std::vector<U_POINT16> p(pts.size());
        for (size_t i = 0; i < pts.size(); ++i)
            p[i] = Point16(pts[i].x(), pts[i].y());
        SelectObjects(closed);
        // A WMF polyline or polygon holds at most 16-bit counts; long ones are split.
        const size_t maxPoints = 8000;
        for (size_t start = 0; start < p.size(); start += maxPoints - 1) {
            const size_t n = std::min(maxPoints, p.size() - start);
            if (n < 2)
                break;
            if (closed)
                Add(U_WMRPOLYGON_set(uint16_t(n), p.data() + start));
            else
                Add(U_WMRPOLYLINE_set(uint16_t(n), p.data() + start));
            if (closed)
                break;
        }
    }

    void Ellipse(const QRect& r) override
    {
        SelectObjects(true);
        Add(U_WMRELLIPSE_set(U_RECT16_set(Point16(r.left(), r.top()), Point16(r.right(), r.bottom()))));
    }

    void Text(const TText& t) override
    {
        QByteArray face = t.face.toLatin1().left(31);
        face.append('\0');
        U_FONT* uf = U_FONT_set(int16_t(-std::min(t.height, 32767)), 0, int16_t(t.escapement), int16_t(t.escapement),
                                int16_t(t.weight), t.italic ? 1 : 0, t.underline ? 1 : 0, t.strikeOut ? 1 : 0,
                                U_DEFAULT_CHARSET, U_OUT_DEFAULT_PRECIS, U_CLIP_DEFAULT_PRECIS, U_DEFAULT_QUALITY,
                                U_DEFAULT_PITCH | U_FF_DONTCARE, face.data());
        uint32_t ih = 0;
        Add(wcreatefontindirect_set(&ih, handles_, uf));
        std::free(uf);
        Add(wselectobject_set(ih, handles_));
        if (ihFont_)
            Add(wdeleteobject_set(&ihFont_, handles_));
        ihFont_ = ih;
        Add(U_WMRSETTEXTCOLOR_set(ColorRef(t.color)));
        // Windows-1252 text, as the suite's tools read it.
        QByteArray bytes;
        std::vector<int16_t> dx;
        for (qsizetype i = 0; i < t.text.size(); ++i) {
            const QChar c = t.text.at(i);
            bytes.append(c.unicode() < 256 ? char(c.unicode()) : '?');
            dx.push_back(int16_t(std::min<int32_t>(size_t(i) < t.advances.size() ? t.advances[size_t(i)] : 0, 32767)));
        }
        if (bytes.size() > 0 && bytes.size() < 8000)
            Add(U_WMREXTTEXTOUT_set(Point16(t.at.x(), t.at.y()), int16_t(bytes.size()), 0, bytes.constData(),
                                    dx.data(), U_RECT16_set(Point16(0, 0), Point16(0, 0))));
    }

private:
    void Add(char* rec)
    {
        if (!rec)
            return;
        const uint32_t size = U_wmr_size(reinterpret_cast<const U_METARECORD*>(rec));
        records_.emplace_back(rec, rec + size);
        std::free(rec);
    }

    void SelectObjects(bool filled)
    {
        if (penDirty_ || !ihPen_) {
            uint32_t ih = 0;
            const uint16_t style = pen_.style() == Qt::NoPen ? U_PS_NULL : uint16_t(PenStyle());
            Add(wcreatepenindirect_set(&ih, handles_,
                                       U_PEN_set(style, uint16_t(std::min(PenWidth(), 32767)), ColorRef(pen_.color()))));
            Add(wselectobject_set(ih, handles_));
            if (ihPen_)
                Add(wdeleteobject_set(&ihPen_, handles_));
            ihPen_ = ih;
            penDirty_ = false;
        }
        const bool wantBrush = filled && brush_.style() != Qt::NoBrush;
        if (brushDirty_ || wantBrush != brushSelected_ || !ihBrush_) {
            uint32_t ih = 0;
            Add(wcreatebrushindirect_set(&ih, handles_,
                                         U_WLOGBRUSH_set(!wantBrush ? U_BS_NULL : Hatch() < 0 ? U_BS_SOLID : U_BS_HATCHED,
                                                         ColorRef(brush_.color()),
                                                         uint16_t(std::max<int32_t>(0, Hatch())))));
            Add(wselectobject_set(ih, handles_));
            if (ihBrush_)
                Add(wdeleteobject_set(&ihBrush_, handles_));
            ihBrush_ = ih;
            brushSelected_ = wantBrush;
            brushDirty_ = false;
        }
    }

    std::vector<std::vector<char>> records_;
    WMFHANDLES* handles_ = nullptr;
    uint32_t ihPen_ = 0, ihBrush_ = 0, ihFont_ = 0;
};

int Metric(QPaintDevice::PaintDeviceMetric metric, int32_t width, int32_t height, int32_t dpi)
{
    switch (metric) {
    case QPaintDevice::PdmWidth: return width;
    case QPaintDevice::PdmHeight: return height;
    case QPaintDevice::PdmWidthMM: return int(std::lround(width * 25.4 / dpi));
    case QPaintDevice::PdmHeightMM: return int(std::lround(height * 25.4 / dpi));
    case QPaintDevice::PdmDpiX:
    case QPaintDevice::PdmDpiY:
    case QPaintDevice::PdmPhysicalDpiX:
    case QPaintDevice::PdmPhysicalDpiY: return dpi;
    case QPaintDevice::PdmNumColors: return 0x7fffffff;
    case QPaintDevice::PdmDepth: return 24;
    case QPaintDevice::PdmDevicePixelRatio: return 1;
    case QPaintDevice::PdmDevicePixelRatioScaled: return int(QPaintDevice::devicePixelRatioFScale());
    default: return 0;
    }
}

std::string SaveBytes(const std::vector<uint8_t>& bytes, const std::string& fileName)
{
    if (bytes.empty())
        return "No se pudo crear el metarchivo " + fileName;
    return FileUtils::WriteFileAtomic(fileName, std::string(bytes.begin(), bytes.end()))
               ? std::string()
               : FileUtils::WriteFailure(fileName);
}

} // namespace

TMetafileDevice::TMetafileDevice(int32_t width, int32_t height, int32_t dpi)
    : width_(width), height_(height), dpi_(std::max(1, dpi))
{
}

TMetafileDevice::~TMetafileDevice() = default;

QPaintEngine* TMetafileDevice::paintEngine() const { return engine_.get(); }

int TMetafileDevice::metric(PaintDeviceMetric metric) const { return Metric(metric, width_, height_, dpi_); }

std::vector<uint8_t> TMetafileDevice::Bytes() const { return engine_->Build(); }

std::string TMetafileDevice::Save(const std::string& fileName) const { return SaveBytes(Bytes(), fileName); }

TEmfDevice::TEmfDevice(int32_t width, int32_t height, int32_t dpi)
    : TMetafileDevice(std::max(1, width), std::max(1, height), dpi)
{
    engine_ = std::make_unique<TEmfPaintEngine>(width_, height_, dpi_);
}

TWmfDevice::TWmfDevice(int32_t width, int32_t height, int32_t dpi)
    : TMetafileDevice(std::clamp(width, 1, 32767), std::clamp(height, 1, 32767), dpi)
{
    engine_ = std::make_unique<TWmfPaintEngine>(width_, height_, dpi_);
}
