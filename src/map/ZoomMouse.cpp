#include "map/ZoomMouse.h"

bool Panning = false;
int32_t PanOriginX = 0, PanOriginY = 0;
int32_t PanImageOriginX = 0, PanImageOriginY = 0;
bool ZoomFollow = false;
TPoint PressPoint, LastPoint, AuxPoint;
