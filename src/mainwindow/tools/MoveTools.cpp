// The drags that move many things by one vector (the zoning, the background
// layers) and the collapse circle that gathers polygon vertices onto its centre.
#include "mainwindow/tools/MapTools.h"
#include "mainwindow/tools/ToolFeedback.h"
#include "export/GeoWriters.h"
#include "map/GeoLayers.h"
#include "map/Polygons.h"
#include "model/KDVvars.h"
#include "model/PalvonVars.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"

#include <algorithm>
#include <cmath>

using namespace MapToolFeedback;

void TVectorDragTool::DrawLine()
{
    TOxrImage& img = *viewer_.img;
    XorDraw(img, RedPen(Qt::DashLine), [&] { img.LineW(press_.x, press_.y, last_.x, last_.y); });
}

void TVectorDragTool::Press(const TMapMouse& m)
{
    if (dragging_)
        return;
    dragging_ = true;
    press_ = last_ = {m.x, m.y};
    DrawLine();
}

void TVectorDragTool::Move(const TMapMouse& m)
{
    if (!dragging_)
        return;
    DrawLine();
    last_ = {m.x, m.y};
    DrawLine();
    viewer_.SetStatusPanel(3, SegmentText(press_, last_));
}

void TVectorDragTool::Release(const TMapMouse& m)
{
    dragging_ = false;
    // A one-time move: the command is off again.
    viewer_.SetCommandOn(*Command(), false);
    DrawLine();
    viewer_.SetStatusPanel(3, QString());
    Apply(m.x - press_.x, m.y - press_.y);
}

void TMoveZoningTool::Apply(double dx, double dy)
{
    // The outline and the point each zone keeps after it move together.
    for (int32_t z = 1; z <= Network.ZoneCount; ++z) {
        TZona& zone = Zonas[z];
        const size_t last = std::min(static_cast<size_t>(std::max(zone.PolygonCount, 0)) + 1,
                                     zone.Polygon.empty() ? 0 : zone.Polygon.size() - 1);
        for (size_t k = 1; k <= last; ++k) {
            zone.Polygon[k].x += dx;
            zone.Polygon[k].y += dy;
        }
        // Until "Guardar" writes it (or the question before leaving the network).
        if (last > 0 && (dx != 0.0 || dy != 0.0))
            Network.ZoningUnsaved = true;
    }
    viewer_.RedrawMap();
}

void TMoveLayersTool::Apply(double dx, double dy)
{
    // Which layers move: "Qué mover" (later items override); none by default.
    int which = 0;
    if (viewer_.CommandOn(Cmd::mSoleraTodo))
        which = 1;
    if (viewer_.CommandOn(Cmd::mSoleraVisi))
        which = 2;
    if (viewer_.CommandOn(Cmd::mSoleraSele))
        which = 3;
    // A click that moved nothing changes nothing, on the map or on disk.
    std::vector<int> moved;
    for (int32_t layer = 1; which > 0 && (dx != 0.0 || dy != 0.0) && layer <= GeoLayers().NumGeoLayers; ++layer) {
        if ((which == 2 && !GeoLayers().GeoLayerVisible[layer]) || (which == 3 && !GeoLayers().GeoLayerSelected[layer]))
            continue;
        for (int32_t k = GeoLayers().GeoLayerEnd[layer - 1] + 1; k <= GeoLayers().GeoLayerEnd[layer]; ++k) {
            GeoLink& g = GeoLayers().GeoLinks[k];
            for (TPoint& p : g.Points) {
                p.x += dx;
                p.y += dy;
            }
            // The name goes with its polyline.
            g.LabelPos.x += dx;
            g.LabelPos.y += dy;
        }
        moved.push_back(layer);
        // Until its file holds the move (a write refused or kept from a file changed
        // on disk leaves it pending, asked about before leaving).
        GeoLayers().GeoLayerSource[layer].Unsaved = true;
        GeoLayers().GeoLayerSource[layer].ShiftX += dx;
        GeoLayers().GeoLayerSource[layer].ShiftY += dy;
    }
    // Only the layers moved are written back (a failure is said once, by the writer,
    // and not again at the next move while the file still refuses it).
    if (!moved.empty())
        KDVlib::WriteGeo(moved, true);
    viewer_.RedrawMap();
}

void TCollapseTool::DrawCircle()
{
    TOxrImage& img = *viewer_.img;
    XorDraw(img, RedPen(Qt::DotLine), [&] { img.Circle(centre_.x, centre_.y, radius_); });
}

bool TCollapseTool::Takes(const TMapMouse&) { return ZelUtils::CtrlDown() || ZelUtils::ShiftDown(); }

void TCollapseTool::Press(const TMapMouse& m)
{
    on_ = true;
    centre_ = {m.x, m.y};
    radius_ = 0.0;
}

void TCollapseTool::Move(const TMapMouse& m)
{
    if (!on_)
        return;
    DrawCircle();
    radius_ = std::hypot(m.x - centre_.x, m.y - centre_.y);
    DrawCircle();
}

void TCollapseTool::Release(const TMapMouse&)
{
    DrawCircle();
    on_ = false;
    for (int32_t k = 0; k < NumPoligonos; ++k) {
        TPoligono& p = Poligonos[static_cast<size_t>(k)];
        const int32_t n = p.VertexCount();
        for (int32_t v = 1; v <= n; ++v) {
            TPoint& q = p.Points[static_cast<size_t>(v)];
            if (std::hypot(q.x - centre_.x, q.y - centre_.y) <= radius_)
                q = centre_;
        }
    }
    viewer_.RedrawMap();
}
