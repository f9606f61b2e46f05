#include "map/GeoLayers.h"

RecordArray<GeoLink, MaxGeoLinks> GeoLinks;
int32_t NumGeoLayers = 0;
int32_t GeoLayerEnd[MaxGeoLayers + 1] = {};
std::string GeoLayerNames[MaxGeoLayers + 1];
std::string GeoLayerDirs[MaxGeoLayers + 1];
std::string GeoLayerFiles[MaxGeoLayers + 1];
uint8_t GeoLayerVisible[MaxGeoLayers + 1] = {};
uint8_t GeoLayerSelected[MaxGeoLayers + 1] = {};
std::vector<TGeoNameKey> GeoNameKeys;
