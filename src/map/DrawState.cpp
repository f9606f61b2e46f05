#include "map/DrawState.h"

#include "map/DisplayStyles.h"
#include "map/GeoLayers.h"
#include "map/LineLayers.h"
#include "map/PointLayers.h"
#include "map/Polygons.h"
#include "map/Ranges.h"
#include "model/KDVvars.h"

#include <QRect>

bool ShowLanes = false;
float PickLength = 0.0f;
std::array<uint32_t, MaxSymbolColors + 1> SymbolColors = [] {
    std::array<uint32_t, MaxSymbolColors + 1> c{};
    c.fill(0x00FFFF);
    return c;
}();
int32_t TitlePos = 2;

bool THitCircle::Contains(int32_t px, int32_t py) const
{
    if (R < 0)
        return false;
    // The elliptic region spans pixels X-R .. X+R-1: its centre is X - 0.5.
    const double dx = px + 0.5 - X;
    const double dy = py + 0.5 - Y;
    return dx * dx + dy * dy <= double(R) * R;
}

QRegion THitCircle::Region() const
{
    if (R < 0)
        return QRegion();
    return QRegion(QRect(X - R, Y - R, 2 * R, 2 * R), QRegion::Ellipse);
}

void ResetMapState()
{
    ResetModelState();
    ShowLanes = false;
    PickLength = 0.0f;
    SymbolColors.fill(0x00FFFF);
    TitlePos = 2;

    DisplayStyles::SetDefaultStyles();
    ClassColors.fill(0);
    ClassWidths.fill(0);
    DisplayStyles::SetDefaultClassStyles();
    // The user's view as at start: variables, range sets, sizes and styles.
    UserView() = TViewState{};
    Ranges::SetDefaults();
    NumRanges = 5;

    // The polyline, point and polygon layers of an earlier window.
    GeoLinks.reset();
    NumGeoLayers = 0;
    for (int n = 0; n <= MaxGeoLayers; ++n) {
        GeoLayerEnd[n] = 0;
        GeoLayerNames[n].clear();
        GeoLayerDirs[n].clear();
        GeoLayerFiles[n].clear();
        GeoLayerVisible[n] = GeoLayerSelected[n] = 0;
    }
    GeoNameKeys.clear();
    NumDots = -1;
    NumPoligonos = 0;
    LinkBusCount.clear();
    LinkBusMax = 0.0f;
    VisibleLinesChanged = true;
}
