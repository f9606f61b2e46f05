#include "map/GeoLayers.h"
#include <algorithm>

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
        GeoLayerSource[n] = TGeoLayerFile();
    }
    GeoNameKeys.clear();
}

bool TGeoLayers::AnyUnsaved() const
{
    for (int n = 1; n <= std::min(NumGeoLayers, MaxGeoLayers); ++n)
        if (GeoLayerSource[n].Unsaved)
            return true;
    return false;
}

uint64_t GeoFileDigest(std::string_view bytes)
{
    uint64_t h = 1469598103934665603ull;
    for (const char c : bytes)
        h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    return h ^ bytes.size();
}
