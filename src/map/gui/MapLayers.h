#pragma once
// The layers of the map as the main window draws them: each takes the canvas to
// draw on (the main map `img`, a print preview page...) and reads the model and
// the view snapshot in force (map/ViewSnapshot.h). TPalvonViewer::DrawPalvon and
// the printed page call them in MapLayerOrder.
#include "map/DrawLayers.h"
#include "map/ViewSnapshot.h"

#include <QCursor>

class TMapPainter;

// The snapshot the layers draw with: the one in force, or else the main
// window's view as it stands now (a layer drawn on its own), or else an empty
// view without the options dialog's values when there is no main window.
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
// The title block of the view (the lines and font of the title box `tit`) at TitlePos.
void DrawTitulos(TMapPainter& Img);

// ---- Zones, transit lines, polygons and background layers ----
void DrawZonas(TMapPainter& Img);
void DrawPoligonos(TMapPainter& Img);
void DrawSolera(TMapPainter& Img);
void DrawPuntos(TMapPainter& Img);
void DrawEntSal(TMapPainter& Img);
void DrawLineas(TMapPainter& Img);
// The load bands of the transit lines alone (DrawLineas draws the routes, then these).
void DrawLineLoads(TMapPainter& Img);
void DrawNamePoligonos(TMapPainter& Img);

// ---- Map picture as a file ----
// Asks for a bitmap file and saves the map into it with the title block and the
// program's stamp, then redraws the map without them.
void DrawFilePalvonx();
// The saving step of DrawFilePalvonx; false (and a message) when the file could not be written.
bool SaveMapBitmap(const std::string& fileName);

// The map cursor of a tool: 1 region selection, 2 magnifier, 3 pan; others the arrow.
QCursor MapToolCursor(int tool);
