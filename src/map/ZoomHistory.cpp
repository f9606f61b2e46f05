#include "map/ZoomHistory.h"

#include "map/ViewState.h"
#include "model/PalvonVars.h"
#include "model/ZelUtils.h"

#include <algorithm>

namespace Zoom {

TZoomSlot CurrentView() { return {UserView().WorldMinX, UserView().WorldMinY, UserView().WorldMaxX, UserView().WorldMaxY}; }

void SetView(const TZoomSlot& view)
{
    UserView().WorldMinX = view.MinX;
    UserView().WorldMinY = view.MinY;
    UserView().WorldMaxX = view.MaxX;
    UserView().WorldMaxY = view.MaxY;
}

void StartHistory(const TZoomSlot& extent)
{
    UserView().ZoomIndex = 1;
    UserView().ZoomHistory[1] = extent;
    SetView(extent);
}

void NetworkExtentChanged(const TZoomSlot& extent)
{
    SetView(extent);
    UserView().ZoomHistory[1] = extent;
}

void PushView(double x1, double y1, double x2, double y2)
{
    const TZoomSlot view{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
    SetView(view);
    int32_t next = std::clamp(UserView().ZoomIndex, 1, MaxZoomHistory) + 1;
    if (next > MaxZoomHistory) {
        // Full: drop slot 2, the oldest zoom, and keep the rest in order.
        std::copy(UserView().ZoomHistory.begin() + 3, UserView().ZoomHistory.end(), UserView().ZoomHistory.begin() + 2);
        next = MaxZoomHistory;
    }
    UserView().ZoomIndex = next;
    UserView().ZoomHistory[static_cast<size_t>(UserView().ZoomIndex)] = view;
}

bool PreviousView()
{
    if (UserView().ZoomIndex <= 1)
        return false;
    UserView().ZoomIndex = std::min(UserView().ZoomIndex, MaxZoomHistory + 1) - 1;
    SetView(UserView().ZoomHistory[static_cast<size_t>(UserView().ZoomIndex)]);
    return true;
}

void FirstView()
{
    UserView().ZoomIndex = 1;
    SetView(UserView().ZoomHistory[1]);
}

void ZoomInView(double factor)
{
    const double w = UserView().WorldMaxX - UserView().WorldMinX;
    const double h = UserView().WorldMaxY - UserView().WorldMinY;
    UserView().WorldMinX += w * factor;
    UserView().WorldMaxX -= w * factor;
    UserView().WorldMinY += h * factor;
    UserView().WorldMaxY -= h * factor;
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
