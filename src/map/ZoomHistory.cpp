#include "map/ZoomHistory.h"

#include "model/PalvonVars.h"
#include "model/ZelUtils.h"

#include <algorithm>

namespace Zoom {

TZoomSlot CurrentView() { return {WorldMinX, WorldMinY, WorldMaxX, WorldMaxY}; }

void SetView(const TZoomSlot& view)
{
    WorldMinX = view.MinX;
    WorldMinY = view.MinY;
    WorldMaxX = view.MaxX;
    WorldMaxY = view.MaxY;
}

void StartHistory(const TZoomSlot& extent)
{
    ZoomIndex = 1;
    ZoomHistory[1] = extent;
    SetView(extent);
}

void PushView(double x1, double y1, double x2, double y2)
{
    const TZoomSlot view{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
    SetView(view);
    int32_t next = std::clamp(ZoomIndex, 1, MaxZoomHistory) + 1;
    if (next > MaxZoomHistory) {
        // Full: drop slot 2, the oldest zoom, and keep the rest in order.
        std::copy(ZoomHistory.begin() + 3, ZoomHistory.end(), ZoomHistory.begin() + 2);
        next = MaxZoomHistory;
    }
    ZoomIndex = next;
    ZoomHistory[static_cast<size_t>(ZoomIndex)] = view;
}

bool PreviousView()
{
    if (ZoomIndex <= 1)
        return false;
    ZoomIndex = std::min(ZoomIndex, MaxZoomHistory + 1) - 1;
    SetView(ZoomHistory[static_cast<size_t>(ZoomIndex)]);
    return true;
}

void FirstView()
{
    ZoomIndex = 1;
    SetView(ZoomHistory[1]);
}

void ZoomInView(double factor)
{
    const double w = WorldMaxX - WorldMinX;
    const double h = WorldMaxY - WorldMinY;
    WorldMinX += w * factor;
    WorldMaxX -= w * factor;
    WorldMinY += h * factor;
    WorldMaxY -= h * factor;
}

void ZoomOutView(double factor) { ZoomInView(-factor); }

bool SelectionView()
{
    double minX = Network.MaxX, maxX = Network.MinX, minY = Network.MaxY, maxY = Network.MinY;
    int32_t count = 0;
    auto widen = [&](int32_t node) {
        if (node < 1 || node > Network.NodeCount || !Nodos[node].HasXY)
            return;
        minX = std::min(minX, double(Nodos[node].X));
        maxX = std::max(maxX, double(Nodos[node].X));
        minY = std::min(minY, double(Nodos[node].Y));
        maxY = std::max(maxY, double(Nodos[node].Y));
    };
    for (int32_t k = 1; k <= Network.LinkCount; ++k) {
        const TArcos& link = Arcos[k];
        if (link.Mark <= 0)
            continue;
        ++count;
        widen(link.AIndex);
        widen(link.BIndex);
    }
    // A selection whose nodes have no position has nothing to show either.
    if (count == 0 || minX > maxX || minY > maxY)
        return false;
    const double mx = (maxX - minX) * 0.2;
    const double my = (maxY - minY) * 0.2;
    SetView({minX - mx, minY - my, maxX + mx, maxY + my});
    return true;
}

TZoomSlot PannedView(const TWorldWindow& canvas, int32_t dx, int32_t dy)
{
    return {canvas.PixelToWorldX(-dx), canvas.PixelToWorldY(canvas.Height - dy), canvas.PixelToWorldX(canvas.Width - dx),
            canvas.PixelToWorldY(-dy)};
}

TZoomSlot ShownView(const TWorldWindow& canvas, double minX, double minY)
{
    return {minX, minY, minX + (canvas.PixelToWorldX(canvas.Width) - canvas.PixelToWorldX(0)),
            minY - (canvas.PixelToWorldY(canvas.Height) - canvas.PixelToWorldY(0))};
}

TZoomSlot MagnifierView(const TWorldWindow& canvas, int32_t clickX, int32_t clickY, double size, double factor)
{
    const double half = size / 2.0 / factor;
    using ZelUtils::Round;
    return {canvas.PixelToWorldX(Round(clickX - half)), canvas.PixelToWorldY(Round(clickY + half)),
            canvas.PixelToWorldX(Round(clickX + half)), canvas.PixelToWorldY(Round(clickY - half))};
}

} // namespace Zoom
