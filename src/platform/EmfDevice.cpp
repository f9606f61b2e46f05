#include "platform/EmfDevice.h"

#include "model/FileUtils.h"

#include <QFont>
#include <QPaintEngine>
#include <QPainterPath>
#include <QTextItem>
#include <QTransform>

#include <uemf.h>
#include <uemf_utf.h>

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

int32_t Clamp32(double v) { return int32_t(std::clamp(std::lround(v), -100000000L, 100000000L)); }

} // namespace

// Records are built with libUEMF into an in-memory list (each record a byte
// block); Save puts the header and the end record around them.
class TEmfPaintEngine : public QPaintEngine {
public:
    TEmfPaintEngine() : QPaintEngine(PaintEngineFeatures(AllFeatures & ~ObjectBoundingModeGradients)) {}

    bool begin(QPaintDevice*) override
    {
        penDirty_ = brushDirty_ = fontDirty_ = true;
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
        if (f & DirtyFont) {
            font_ = state.font();
            fontDirty_ = true;
        }
        if (f & DirtyTransform)
            transform_ = state.transform();
    }

    void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override
    {
        if (count < 1)
            return;
        std::vector<U_POINTL> pts(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i) {
            const QPointF p = transform_.map(points[i]);
            pts[size_t(i)] = PointL(Clamp32(p.x()), Clamp32(p.y()));
        }
        const U_RECTL bounds = Bounds(pts);
        if (mode == PolylineMode) {
            SelectObjects(false);
            Add(U_EMRPOLYLINE_set(bounds, uint32_t(count), pts.data()));
        } else {
            SelectObjects(true);
            Add(U_EMRPOLYGON_set(bounds, uint32_t(count), pts.data()));
        }
    }

    void drawPolygon(const QPoint* points, int count, PolygonDrawMode mode) override
    {
        std::vector<QPointF> f(points, points + count);
        drawPolygon(f.data(), count, mode);
    }

    void drawEllipse(const QRectF& r) override
    {
        if (transform_.type() > QTransform::TxScale) {
            QPainterPath path;
            path.addEllipse(r);
            drawPath(path);
            return;
        }
        const QRectF m = transform_.mapRect(r);
        SelectObjects(true);
        Add(U_EMRELLIPSE_set(rectl_set(PointL(Clamp32(m.left()), Clamp32(m.top())),
                                       PointL(Clamp32(m.right()), Clamp32(m.bottom())))));
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
        const QFont font = item.font();
        // Rotation of the text from the painter's transform (tenths of a degree, counter-clockwise).
        const double angle = std::atan2(-transform_.m12(), transform_.m11()) * 1800 / std::numbers::pi;
        const int32_t escapement = int32_t(std::lround(angle));
        const double scale = std::hypot(transform_.m11(), transform_.m12());
        const int32_t height = std::max(1, int32_t(std::lround(
            (font.pixelSize() > 0 ? font.pixelSize() : font.pointSizeF() * 96.0 / 72.0) * scale)));
        const std::u16string face = font.family().toStdU16String();
        std::vector<uint16_t> faceName(32, 0);
        for (size_t i = 0; i < face.size() && i < 31; ++i)
            faceName[i] = uint16_t(face[i]);
        const U_LOGFONT lf = logfont_set(-height, 0, escapement, escapement, font.bold() ? 700 : 400,
                                         font.italic() ? 1 : 0, font.underline() ? 1 : 0, font.strikeOut() ? 1 : 0,
                                         1 /*default charset*/, 0, 0, 0, 0, faceName.data());
        uint32_t ihFont = 0;
        Add(extcreatefontindirectw_set(&ihFont, handles_, reinterpret_cast<const char*>(&lf), nullptr));
        Add(selectobject_set(ihFont, handles_));
        Add(U_EMRSETTEXTCOLOR_set(ColorRef(pen_.color())));
        Add(U_EMRSETBKMODE_set(U_TRANSPARENT));
        Add(U_EMRSETTEXTALIGN_set(U_TA_BASELINE));

        const QByteArray utf8 = text.toUtf8();
        size_t len = 0;
        uint16_t* utf16 = U_Utf8ToUtf16le(utf8.constData(), 0, &len);
        if (utf16 && len > 0) {
            const QPointF at = transform_.map(p);
            uint32_t* dx = dx_set(-height, font.bold() ? 700 : 400, uint32_t(len));
            const U_POINTL ref = PointL(Clamp32(at.x()), Clamp32(at.y()));
            char* emrtext = emrtext_set(ref, uint32_t(len), 2, utf16, U_ETO_NONE,
                                        rectl_set(PointL(0, 0), PointL(-1, -1)), dx);
            const U_RECTL bounds = rectl_set(ref, ref);
            Add(U_EMREXTTEXTOUTW_set(bounds, U_GM_COMPATIBLE, 1.0f, 1.0f, reinterpret_cast<PU_EMRTEXT>(emrtext)));
            std::free(emrtext);
            std::free(dx);
        }
        std::free(utf16);
        // The font is released at once; the next text makes its own.
        Add(selectobject_set(U_DEVICE_DEFAULT_FONT, handles_));
        Add(deleteobject_set(&ihFont, handles_));
    }

    // Records with header and end, as a file.
    std::vector<uint8_t> Build(int32_t width, int32_t height, int32_t dpi) const
    {
        std::vector<uint8_t> out;
        EMFTRACK* et = nullptr;
        // libUEMF wants a file to stream to; the bytes are taken from its buffer instead.
        if (emf_start("/dev/null", 1 << 16, 1 << 16, &et) != 0 || !et)
            return out;
        const U_RECTL bounds = rectl_set(PointL(0, 0), PointL(width - 1, height - 1));
        // The frame in hundredths of a millimetre.
        const auto hmm = [dpi](int32_t px) { return int32_t(std::lround(px * 2540.0 / dpi)); };
        const U_RECTL frame = rectl_set(PointL(0, 0), PointL(hmm(width), hmm(height)));
        const U_SIZEL device = sizel_set(width, height);
        const U_SIZEL mm = sizel_set(std::max(1, hmm(width) / 100), std::max(1, hmm(height) / 100));
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

    TEmfPaintEngine* Init()
    {
        emf_htable_create(128, 128, &handles_);
        return this;
    }
    ~TEmfPaintEngine() override
    {
        if (handles_)
            emf_htable_free(&handles_);
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

    static U_RECTL Bounds(const std::vector<U_POINTL>& pts)
    {
        int32_t x0 = pts[0].x, y0 = pts[0].y, x1 = x0, y1 = y0;
        for (const U_POINTL& p : pts) {
            x0 = std::min(x0, p.x);
            x1 = std::max(x1, p.x);
            y0 = std::min(y0, p.y);
            y1 = std::max(y1, p.y);
        }
        return rectl_set(PointL(x0, y0), PointL(x1, y1));
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
                uint32_t style = U_PS_SOLID;
                switch (pen_.style()) {
                case Qt::DashLine: style = U_PS_DASH; break;
                case Qt::DotLine: style = U_PS_DOT; break;
                case Qt::DashDotLine: style = U_PS_DASHDOT; break;
                case Qt::DashDotDotLine: style = U_PS_DASHDOTDOT; break;
                default: break;
                }
                const double scale = std::hypot(transform_.m11(), transform_.m12());
                U_POINT width = PointL(std::max(1, int32_t(std::lround(pen_.widthF() * scale))), 0);
                Add(createpen_set(&ihPen_, handles_, logpen_set(style, width, ColorRef(pen_.color()))));
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
                Add(createbrushindirect_set(&ihBrush_, handles_, logbrush_set(U_BS_SOLID, ColorRef(brush_.color()), 0)));
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
    QPen pen_;
    QBrush brush_;
    QFont font_;
    QTransform transform_;
    bool penDirty_ = true, brushDirty_ = true, fontDirty_ = true, brushSelected_ = false;
};

TEmfDevice::TEmfDevice(int32_t width, int32_t height, int32_t dpi)
    : width_(std::max(1, width)), height_(std::max(1, height)), dpi_(std::max(1, dpi)),
      engine_((new TEmfPaintEngine)->Init())
{
}

TEmfDevice::~TEmfDevice() = default;

QPaintEngine* TEmfDevice::paintEngine() const { return engine_.get(); }

int TEmfDevice::metric(PaintDeviceMetric metric) const
{
    switch (metric) {
    case PdmWidth: return width_;
    case PdmHeight: return height_;
    case PdmWidthMM: return int(std::lround(width_ * 25.4 / dpi_));
    case PdmHeightMM: return int(std::lround(height_ * 25.4 / dpi_));
    case PdmDpiX:
    case PdmDpiY:
    case PdmPhysicalDpiX:
    case PdmPhysicalDpiY: return dpi_;
    case PdmNumColors: return 0x7fffffff;
    case PdmDepth: return 24;
    case PdmDevicePixelRatio: return 1;
    case PdmDevicePixelRatioScaled: return int(QPaintDevice::devicePixelRatioFScale());
    default: return 0;
    }
}

std::vector<uint8_t> TEmfDevice::Bytes() const { return engine_->Build(width_, height_, dpi_); }

std::string TEmfDevice::Save(const std::string& fileName) const
{
    const std::vector<uint8_t> bytes = Bytes();
    if (bytes.empty())
        return "No se pudo crear el metarchivo " + fileName;
    return FileUtils::WriteFileAtomic(fileName, std::string(bytes.begin(), bytes.end()))
               ? std::string()
               : "No se pudo escribir el archivo " + fileName;
}
