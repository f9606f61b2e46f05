#pragma once
// The layers of the map as the main window draws them: each takes the canvas to
// draw on (the main map `img`, a print preview page...) and the view snapshot to
// draw (map/ViewSnapshot.h), and reads the model. TMapRenderer::DrawPalvon and
// the printed page call them in MapLayerOrder. A layer drawn on the main map
// (a canvas marked MainMap) keeps the hit regions of what it draws.
#include "map/DrawLayers.h"
#include "map/ViewSnapshot.h"
#include "map/gui/DataLayers.h"

#include <QCursor>

class TMapPainter;

// The options and toggles the network layers take from a view. Hit regions are
// kept only when the target is the main map.
TNetworkOptions LayerOptions(const TViewSnapshot& view, const TMapPainter& target);

// ---- Network layers ----
void DrawNetWork(TMapPainter& Img, const TViewSnapshot& view);
void DrawNetWorkLanes(TMapPainter& Img, const TViewSnapshot& view);
void DrawArrows(TMapPainter& Img, const TViewSnapshot& view);
void DrawNodes(TMapPainter& Img, const TViewSnapshot& view);
void DrawCents(TMapPainter& Img, const TViewSnapshot& view);
void DrawNameNodes(TMapPainter& Img, const TViewSnapshot& view);
void DrawCalles(TMapPainter& Img, const TViewSnapshot& view);
// The title block of a view (the lines and font of the title box `tit`) at TitlePos.
void DrawTitulos(TMapPainter& Img, const TViewSnapshot& view);

// ---- Zones, transit lines, polygons and background layers ----
void DrawZonas(TMapPainter& Img, const TViewSnapshot& view);
void DrawPoligonos(TMapPainter& Img, const TViewSnapshot& view);
void DrawSolera(TMapPainter& Img, const TViewSnapshot& view);
void DrawPuntos(TMapPainter& Img, const TViewSnapshot& view);
void DrawEntSal(TMapPainter& Img, const TViewSnapshot& view);
// Both return the bar legend of the load bands when the main map shows them.
DataLayers::TLegendRequest DrawLineas(TMapPainter& Img, const TViewSnapshot& view);
// The load bands of the transit lines alone (DrawLineas draws the routes, then these).
DataLayers::TLegendRequest DrawLineLoads(TMapPainter& Img, const TViewSnapshot& view);
void DrawNamePoligonos(TMapPainter& Img, const TViewSnapshot& view);

// The program's stamp in the bottom left corner of a map picture saved as a file.
void DrawStamp(TMapPainter& Img);

// The map cursor of a tool: 1 region selection, 2 magnifier, 3 pan; others the arrow.
QCursor MapToolCursor(int tool);
