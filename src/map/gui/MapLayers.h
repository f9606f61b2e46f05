#pragma once
// The layers of the map as the main window draws them: each takes the canvas to
// draw on (the main map `img`, a print preview page...) and reads the model and
// the view snapshot in force (map/ViewSnapshot.h). TMapRenderer::DrawPalvon and
// the printed page call them in MapLayerOrder. A layer drawn on the main map
// (a canvas marked MainMap) keeps the hit regions of what it draws.
#include "map/DrawLayers.h"
#include "map/ViewSnapshot.h"
#include "map/gui/DataLayers.h"

#include <QCursor>

class TMapPainter;

// The snapshot the layers draw with: the one in force, or else an empty view
// without the options dialog's values (a layer drawn with no view put in force).
TViewSnapshot CurrentView();

// The options and toggles the network layers take from a view. Hit regions are
// kept only when the target is the main map.
TNetworkOptions LayerOptions(const TViewSnapshot& view, const TMapPainter& target);
TNetworkOptions CurrentLayerOptions(const TMapPainter& target);

// ---- Network layers ----
void DrawNetWork(TMapPainter& Img);
void DrawNetWorkLanes(TMapPainter& Img);
void DrawArrows(TMapPainter& Img);
void DrawNodes(TMapPainter& Img);
void DrawCents(TMapPainter& Img);
void DrawNameNodes(TMapPainter& Img);
void DrawCalles(TMapPainter& Img);
// The title block of a view (the lines and font of the title box `tit`) at TitlePos.
void DrawTitulos(TMapPainter& Img, const TViewSnapshot& view);

// ---- Zones, transit lines, polygons and background layers ----
void DrawZonas(TMapPainter& Img);
void DrawPoligonos(TMapPainter& Img);
void DrawSolera(TMapPainter& Img);
void DrawPuntos(TMapPainter& Img);
void DrawEntSal(TMapPainter& Img);
// Both return the bar legend of the load bands when the main map shows them.
DataLayers::TLegendRequest DrawLineas(TMapPainter& Img);
// The load bands of the transit lines alone (DrawLineas draws the routes, then these).
DataLayers::TLegendRequest DrawLineLoads(TMapPainter& Img);
void DrawNamePoligonos(TMapPainter& Img);

// The program's stamp in the bottom left corner of a map picture saved as a file.
void DrawStamp(TMapPainter& Img);

// The map cursor of a tool: 1 region selection, 2 magnifier, 3 pan; others the arrow.
QCursor MapToolCursor(int tool);
