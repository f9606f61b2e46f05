// The double click's own parts: the element under the pointer brought into view
// in the grid of the page on show, and the region drawn closed (of the background
// lines here, of the selection by the selection).
#include "mainwindow/MapEditController.h"
#include "mainwindow/DlgFind.h"
#include "mainwindow/PalvonViewer.h"
#include "map/GeoLayers.h"
#include "map/gui/OxrImage.h"
#include "model/KDVlib.h"
#include "model/KDVvars.h"
#include "model/PalvonVars.h"
#include "model/ZelUtils.h"
#include "model/gui/ZelUtilsGui.h"
#include "widgets/StringAlignGrid.h"

#include <QTabWidget>

#include <algorithm>
#include <vector>

namespace {

bool Placed(int32_t node) { return node >= 1 && node <= Network.NodeCount && Nodos[node].HasXY; }

// Whether the click pixel lies within 3 pixels of the segment between two nodes.
bool ClickOnSegment(const TOxrImage& img, const QPoint& click, int32_t a, int32_t b)
{
    if (!Placed(a) || !Placed(b))
        return false;
    const TPoint p1{Nodos[a].X, Nodos[a].Y};
    const TPoint p2{Nodos[b].X, Nodos[b].Y};
    // Segments nowhere near the click need no region (unrounded pixels: the
    // nodes may lie far beyond the window).
    const TWorldWindow& world = img.World();
    const double x1 = world.PixelX(p1.x), x2 = world.PixelX(p2.x);
    const double y1 = world.Height - world.PixelUp(p1.y), y2 = world.Height - world.PixelUp(p2.y);
    constexpr double reach = 6;
    if (!(click.x() >= std::min(x1, x2) - reach && click.x() <= std::max(x1, x2) + reach &&
          click.y() >= std::min(y1, y2) - reach && click.y() <= std::max(y1, y2) + reach))
        return false;
    return img.PolygonRegion(p1, p2, 3, 0).contains(click);
}

// The first link (in index order) whose segment the click hits; 0 when none.
int32_t LinkUnderClick(const TOxrImage& img, const QPoint& click)
{
    for (int32_t i = 1; i <= Network.LinkCount; ++i)
        if (ClickOnSegment(img, click, Arcos[i].AIndex, Arcos[i].BIndex))
            return i;
    return 0;
}

// The grid row that lists record `index` in column `col`; the grids may be sorted,
// so the row is looked up when it is not the record's own.
int RowOfRecord(const TStringAlignGrid* grid, int col, int32_t index)
{
    if (!grid || index < 1)
        return -1;
    if (index < grid->RowCount() && ZelUtils::ParseInt(grid->cellView(col, index)) == index)
        return index;
    for (int r = grid->FixedRows(); r < grid->RowCount(); ++r)
        if (ZelUtils::ParseInt(grid->cellView(col, r)) == index)
            return r;
    return -1;
}

void ShowRow(TStringAlignGrid* grid, int row)
{
    if (!grid || row < grid->FixedRows() || row >= grid->RowCount())
        return;
    const int col = std::max(grid->Col(), 0);
    grid->SetSelection({col, row, col, row});
    grid->scrollTo(grid->currentIndex());
}

// The lines over a link are shown on the map and their names turn red in the grid.
void ShowLinesOfLink(TPalvonViewer& w, int32_t link)
{
    if (link < 1 || link > Network.LinkCount)
        return;
    for (int32_t ref = Arcos[link].LineRefFirst; ref >= 0 && ref < static_cast<int32_t>(LinkLineRefs.size());
         ref = LinkLineRefs[static_cast<size_t>(ref)].Next) {
        const int32_t line = LinkLineRefs[static_cast<size_t>(ref)].Line;
        if (line < 1 || line > Network.LineCount)
            continue;
        Lineas[line].Visible = 1;
        const int row = RowOfRecord(w.sagLineas, 4, line);
        if (row > 0)
            w.sagLineas->SetFontColorCell(1, row, QColor(255, 0, 0));
    }
}

std::vector<TPoint> WorldPoints(const QPolygonF& points)
{
    std::vector<TPoint> out;
    out.reserve(static_cast<size_t>(points.size()));
    for (const QPointF& p : points)
        out.push_back(TPoint{p.x(), p.y()});
    return out;
}

} // namespace

// The plain double click: the element under the pointer in the grid of the page on show.
void TMapEditController::FindUnderClick()
{
    viewer_.MapView().RubberBand = false;
    const TOxrImage& img = *viewer_.img;
    const QPoint click(viewer_.MapView().ClickPixX, viewer_.MapView().ClickPixY);
    QWidget* page = viewer_.tnDatos->currentWidget();
    const bool shift = ZelUtils::ShiftDown();
    if (page == viewer_.tsArcos) {
        if (const int32_t i = LinkUnderClick(img, click)) {
            const TArcos& a = Arcos[i];
            // The direction that leaves the lower-numbered node, or with Shift the other one.
            const bool ascending = Nodos[a.AIndex].Number < Nodos[a.BIndex].Number;
            int32_t chosen = ascending != shift ? i : a.ReverseIndex;
            if (chosen == 0)
                chosen = i;
            ShowRow(viewer_.sagArcos, RowOfRecord(viewer_.sagArcos, 3, chosen));
        }
    }
    if (page == viewer_.tsMovim) {
        for (int32_t m = 1; m <= Network.MovementCount; ++m) {
            const TMovimiento& mv = Movims[m];
            if (KDVlib::FindArco(mv.Node, mv.C) <= 0 || !ClickOnSegment(img, click, mv.JunctionIndex, mv.CIndex))
                continue;
            const bool descending = Nodos[mv.JunctionIndex].Number > Nodos[mv.CIndex].Number;
            const int32_t other = KDVlib::FindMovim(mv.C, mv.Node, 0);
            int32_t chosen = descending != shift ? m : other;
            if (chosen <= 0)
                chosen = m;
            ShowRow(viewer_.sagMovim, RowOfRecord(viewer_.sagMovim, 3, chosen));
            break;
        }
    }
    if (page == viewer_.tsLineas) {
        if (const int32_t i = LinkUnderClick(img, click)) {
            const TArcos& a = Arcos[i];
            const bool ascending = Nodos[a.AIndex].Number < Nodos[a.BIndex].Number;
            const int32_t first = ascending ? i : a.ReverseIndex;
            const int32_t second = ascending ? a.ReverseIndex : i;
            if (!shift)
                ShowLinesOfLink(viewer_, first);
            if (!ZelUtils::CtrlDown())
                ShowLinesOfLink(viewer_, second);
        }
    }
    viewer_.RedrawMap();
}

// The region of the background lines closed: it marks the polylines that lie
// wholly inside it as deleted.
void TMapEditController::CloseLayerRegion()
{
    TOxrImage& img = *viewer_.img;
    img.unsetCursor();
    const std::vector<TPoint> points = WorldPoints(viewer_.Selection().PolyPoints);
    if (!points.empty())
        img.LineToW(points.front().x, points.front().y);
    viewer_.Selection().SelectionRegion = img.AddPolygonRegion(points, static_cast<int32_t>(points.size()) - 1, 1);
    const int32_t last = std::clamp(GeoLayers().NumGeoLayers, 0, MaxGeoLayers);
    const int32_t count = std::min(GeoLayers().GeoLayerEnd[last], static_cast<int32_t>(MaxGeoLinks));
    for (int32_t r = 1; r <= count; ++r) {
        GeoLink& g = GeoLayers().GeoLinks[r];
        const int32_t n = std::min(g.Count, static_cast<int32_t>(g.Points.size()));
        if (n < 1)
            continue;
        bool inside = true;
        for (int32_t k = 0; k < n && inside; ++k)
            inside = img.PtInRegionW(viewer_.Selection().SelectionRegion, g.Points[static_cast<size_t>(k)].x,
                                     g.Points[static_cast<size_t>(k)].y);
        if (inside && g.Name != GeoDeletedName) {
            g.Name = GeoDeletedName;
            // The layer's file still has the polyline until the layer is saved.
            int32_t layer = 1;
            while (layer < last && r > GeoLayers().GeoLayerEnd[layer])
                ++layer;
            GeoLayers().GeoLayerUnsaved[std::clamp(layer, 1, MaxGeoLayers)] = 1;
        }
    }
    viewer_.Selection().PolyPoints.clear();
    viewer_.Selection().PolySelectKind = 0;
    viewer_.RedrawMap();
}

void TMapEditController::CloseDrawnRegion()
{
    if (viewer_.Selection().PolySelectKind == 4)
        CloseLayerRegion();
    else
        viewer_.Selection().CloseSelectionRegion();
}

bool TMapEditController::CloseFindDialog()
{
    if (!DlgFind || !DlgFind->isVisible())
        return false;
    DlgFind->close();
    return true;
}
