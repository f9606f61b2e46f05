#pragma once
// Geographic <-> UTM conversion (WGS84, scale factor 0.9996), with the transverse
// Mercator formulas of Coticchia and Surace.
#include <array>
#include <cstdint>
#include <string>

namespace ZelUtm {

struct TUtmPoint {
    double Easting = 0.0;
    double Northing = 0.0;
    int32_t Zone = 0;
};

// An angle in sexagesimal form; the conversions here neither read nor fill it.
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

struct TElipsoide {
    const char* Name;
    long double A; // semi-major axis, metres
    long double B; // semi-minor axis, metres
};

constexpr int NumElipsoides = 22;
// The reference ellipsoids, numbered 1..22 as index 0..21; both conversions use
// the last one (WGS84).
extern const std::array<TElipsoide, NumElipsoides> Elipsoides;
constexpr int Wgs84 = 22;

// zone 0 = chosen from the longitude.
void GeoToUtm(int32_t zone, TUtmPoint& result, double latitude, double longitude);
// Only the hemisphere text "S" (exactly) means south; anything else is north.
void UtmToGeo(int32_t zone, const std::string& hemisphere, TGeografica& result, double easting, double northing);

} // namespace ZelUtm
