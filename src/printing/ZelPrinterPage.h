#pragma once
// Page arithmetic of printing and of the print preview, apart from any device.
#include <QSize>

#include <cstdint>

namespace ZelPrinter {

// Size of the rendered picture for a page of pageW x pageH pixels. keepView
// keeps the proportions of the map canvas (canvasW x canvasH): fixWidth keeps
// the page width, otherwise the page height. A canvas without area keeps the page.
QSize PictureSize(int32_t pageW, int32_t pageH, bool keepView, bool fixWidth, int32_t canvasW, int32_t canvasH);

// Margins (added to the 10-pixel frame on each side) that give a box of
// boxW x boxH the proportions of a page of pageW x pageH: x is the left/right
// surplus, y the top/bottom one; one of them is 0.
QSize PageMargins(int32_t pageW, int32_t pageH, int32_t boxW, int32_t boxH);

// Bitmap of about megaPixels million pixels in the proportions of w x h.
QSize GifSize(int32_t w, int32_t h, double megaPixels);

} // namespace ZelPrinter
