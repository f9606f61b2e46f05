#include "map/GeoLayers.h"

TGeoLayers& GeoLayers()
{
    static TGeoLayers layers;
    return layers;
}

void TGeoLayers::Clear()
{
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
}
