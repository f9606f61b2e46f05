#pragma once
// The layers of the map as the main window draws them: each takes the canvas to
// draw on (the main map `img`, a print preview page...) and reads the model, the
// options dialog and the main window's toolbar buttons and menu items.
// TPalvonViewer::DrawPalvon calls them in their fixed order.
#include "map/DrawLayers.h"

#include <QCursor>

class TMapPainter;

// The options and toggles the layers read, as they stand now. Hit regions are
// kept only when the target is the main map.
TNetworkOptions CurrentLayerOptions(const TMapPainter& target);

// ---- Network layers ----
void DrawNetWork(TMapPainter& Img);
void DrawNetWorkLanes(TMapPainter& Img);
void DrawArrows(TMapPainter& Img);
void DrawNodes(TMapPainter& Img);
void DrawCents(TMapPainter& Img);
void DrawNameNodes(TMapPainter& Img);
void DrawCalles(TMapPainter& Img);
// The title block from the lines and font of the title box `tit` at TitlePos.
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
