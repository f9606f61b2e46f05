// Zones, entries and exits, transit lines, user polygons and background layers of
// the map. Called by TPalvonViewer::DrawPalvon in its layer order; they draw
// nothing yet.
#include "map/gui/MapLayers.h"

void DrawZonas(TMapPainter&) {}

void DrawPoligonos(TMapPainter&) {}

void DrawSolera(TMapPainter&) {}

void DrawPuntos(TMapPainter&) {}

void DrawEntSal(TMapPainter&) {}

void DrawLineas(TMapPainter&) {}

void DrawNamePoligonos(TMapPainter&) {}
