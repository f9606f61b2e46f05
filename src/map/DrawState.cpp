#include "map/DrawState.h"

#include "map/DisplayStyles.h"
#include "map/GeoLayers.h"
#include "map/LineLayers.h"
#include "map/PointLayers.h"
#include "map/Polygons.h"
#include "map/Ranges.h"
#include "model/KDVvars.h"

#include <QRect>


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

    // The user's view as at start: variables, range sets, sizes and styles.
    const TViewState fresh;
    UserView() = fresh;
    DisplayStyles::SetDefaultStyles();
    DisplayStyles::SetDefaultClassStyles();
    Ranges::SetDefaults();
    UserView().NumRanges = 5;

    // The polyline, point and polygon layers of an earlier window.
    GeoLayers().Clear();
    NumDots = -1;
    NumPoligonos = 0;
    LinkBusCount.clear();
    LinkBusMax = 0.0f;
    VisibleLinesChanged = true;
}
