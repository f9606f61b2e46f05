#pragma once
// A recorded page: a paint device that keeps what is painted on it (shapes with
// their pen, brush and transform, text with its font) in device pixels, and
// plays it back on any painter without rescaling. Printing renders a view once
// into a page picture at the printer's resolution, then plays it on the printer,
// a metafile, the preview or a page image; the painter's own transform decides
// the size on the target (a picture played on a 1200-dpi printer stays the size
// it was recorded at, unlike a QPicture, which rescales by the device's dpi).
//
// Fonts given in points are recorded in pixels at the picture's dpi, so text
// keeps its size wherever the picture is played.
#include <QBrush>
#include <QFont>
#include <QImage>
#include <QPaintDevice>
#include <QPainterPath>
#include <QPen>
#include <QPolygonF>
#include <QTransform>

#include <cstdint>
#include <memory>
#include <vector>

class TPageRecorderEngine;

class TPagePicture : public QPaintDevice {
public:
    struct Op {
        enum Kind { Polygon, Polyline, Ellipse, Text, Image } kind = Polygon;
        QPen pen;
        QBrush brush;
        QTransform transform;
        QPolygonF points;
        bool winding = false;
        QRectF rect;
        QString text;
        QFont font;
        QImage image;
    };

    TPagePicture(int32_t width = 1, int32_t height = 1, int32_t dpi = 96);
    ~TPagePicture() override;
    TPagePicture(const TPagePicture& other);
    TPagePicture& operator=(const TPagePicture& other);

    // Forgets every recorded operation and takes a new size.
    void Reset(int32_t width, int32_t height, int32_t dpi);
    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    int32_t Dpi() const { return dpi_; }
    bool IsEmpty() const { return ops_.empty(); }
    const std::vector<Op>& Ops() const { return ops_; }

    // Plays the page on the painter, in the painter's current coordinates
    // (one unit = one recorded pixel). The painter's state is restored.
    void Play(QPainter& painter) const;
    // Plays the page stretched over the rectangle.
    void PlayInto(QPainter& painter, const QRectF& target) const;

    QPaintEngine* paintEngine() const override;

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    friend class TPageRecorderEngine;
    int32_t width_ = 1, height_ = 1, dpi_ = 96;
    std::vector<Op> ops_;
    std::unique_ptr<TPageRecorderEngine> engine_;
};
