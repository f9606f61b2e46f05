#pragma once
// A paint device that records what is painted on it as an enhanced metafile
// (EMF) file, so printing code draws once for the screen, the printer and the
// metafile. Lines, polygons, rectangles, ellipses, paths (as polygons) and text
// are written as EMF records; images are left out.
//
//   TEmfDevice emf(width, height);
//   QPainter p(&emf); ... draw ...; p.end();
//   std::string error = emf.Save("map.emf");   // empty on success
#include <QPaintDevice>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TEmfPaintEngine;

class TEmfDevice : public QPaintDevice {
public:
    // Size in device pixels; dpi sets the physical size written in the header.
    TEmfDevice(int32_t width, int32_t height, int32_t dpi = 600);
    ~TEmfDevice() override;
    TEmfDevice(const TEmfDevice&) = delete;
    TEmfDevice& operator=(const TEmfDevice&) = delete;

    QPaintEngine* paintEngine() const override;

    // Writes the records painted so far (header and end record added) to the
    // file, through a temporary file and a rename. Returns an empty string on
    // success, else a Spanish message.
    std::string Save(const std::string& fileName) const;
    // The whole metafile as it would be written.
    std::vector<uint8_t> Bytes() const;

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    int32_t width_, height_, dpi_;
    std::unique_ptr<TEmfPaintEngine> engine_;
};
