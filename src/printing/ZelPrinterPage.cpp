#include "printing/ZelPrinterPage.h"

#include "model/ZelUtils.h"

#include <cmath>

namespace ZelPrinter {

QSize PictureSize(int32_t pageW, int32_t pageH, bool keepView, bool fixWidth, int32_t canvasW, int32_t canvasH)
{
    if (!keepView || canvasW <= 0 || canvasH <= 0)
        return QSize(pageW, pageH);
    if (fixWidth)
        return QSize(pageW, ZelUtils::Round(double(pageW) * canvasH / canvasW));
    return QSize(ZelUtils::Round(double(pageH) * canvasW / canvasH), pageH);
}

QSize PageMargins(int32_t pageW, int32_t pageH, int32_t boxW, int32_t boxH)
{
    if (pageW <= 0 || pageH <= 0 || boxW <= 0 || boxH <= 0)
        return QSize(0, 0);
    const double a = double(pageW) / pageH, b = double(boxW) / boxH;
    if (b > a)
        return QSize(ZelUtils::Round((boxW - double(pageW) * boxH / pageH) * 0.5), 0);
    return QSize(0, ZelUtils::Round((boxH - double(pageH) * boxW / pageW) * 0.5));
}

QSize GifSize(int32_t w, int32_t h, double megaPixels)
{
    if (w <= 0 || h <= 0)
        return QSize(0, 0);
    const double s = std::sqrt(megaPixels * 1000 * 1000 / (double(w) * h));
    return QSize(ZelUtils::Round(w * s), ZelUtils::Round(h * s));
}

} // namespace ZelPrinter
