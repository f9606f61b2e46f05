#pragma once
// Paint devices that record what is painted on them as a metafile file, so
// printing code draws once for the screen, the printer and the metafile:
// TEmfDevice writes an enhanced metafile (EMF), TWmfDevice a placeable Windows
// metafile (WMF, 16-bit coordinates). Lines, polygons, rectangles, ellipses,
// paths (as polygons) and text are written as records; images are left out.
//
// Everything is clipped to the device's page: every point of a record lies in
// the bounds the header gives (0, 0)-(width - 1, height - 1); a text whose
// reference point falls outside the page is left out.
//
//   TEmfDevice emf(width, height);
//   QPainter p(&emf); ... draw ...; p.end();
//   std::string error = emf.Save("map.emf");   // empty on success
#include <QPaintDevice>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TMetaPaintEngine;

// A page recorded as metafile records: the enhanced and the old format share
// everything but their records.
class TMetafileDevice : public QPaintDevice {
public:
    ~TMetafileDevice() override;
    TMetafileDevice(const TMetafileDevice&) = delete;
    TMetafileDevice& operator=(const TMetafileDevice&) = delete;

    QPaintEngine* paintEngine() const override;

    // Writes the records painted so far (header and end record added) to the
    // file, through a temporary file and a rename. Returns an empty string on
    // success, else a Spanish message.
    std::string Save(const std::string& fileName) const;
    // The whole metafile as it would be written.
    std::vector<uint8_t> Bytes() const;

protected:
    TMetafileDevice(int32_t width, int32_t height, int32_t dpi);
    int metric(PaintDeviceMetric metric) const override;

    int32_t width_, height_, dpi_;
    std::unique_ptr<TMetaPaintEngine> engine_;
};

class TEmfDevice : public TMetafileDevice {
public:
    // Size in device pixels; dpi sets the physical size written in the header
    // and the pixel size of fonts given in points.
    TEmfDevice(int32_t width, int32_t height, int32_t dpi = 600);
};

// The old format keeps its coordinates in 16 bits: sizes are held to 32767.
class TWmfDevice : public TMetafileDevice {
public:
    TWmfDevice(int32_t width, int32_t height, int32_t dpi = 600);
};
