#pragma once
// Geographic <-> UTM conversion (WGS84, scale factor 0.9996).
#include <cstdint>
#include <string>

namespace ZelUtm {

struct TUtmPoint {
    double Easting = 0.0;
    double Northing = 0.0;
    int32_t Zone = 0;
};

struct Thms {
    std::string Text;
    double Degrees = 0.0;
    double Minutes = 0.0;
    double Seconds = 0.0;
};

struct TGeografica {
    Thms LatitudeHms;
    Thms LongitudeHms;
    double Longitude = 0.0;
    double Latitude = 0.0;
};

// zone 0 = chosen from the longitude.
void GeoToUtm(int32_t zone, TUtmPoint& result, double latitude, double longitude);
void UtmToGeo(int32_t zone, const std::string& hemisphere, TGeografica& result, double easting, double northing);

} // namespace ZelUtm
