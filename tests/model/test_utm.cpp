#include "model/ZelUtm.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace ZelUtm;

namespace {

// Ground distance in metres between two geographic positions a few mm apart.
double GroundError(double lat1, double lon1, double lat2, double lon2)
{
    const double m = 111320.0;
    double dy = (lat2 - lat1) * m;
    double dx = (lon2 - lon1) * m * std::cos(lat1 * M_PI / 180.0);
    return std::hypot(dx, dy);
}

double RoundTripError(double lat, double lon, int zone = 0)
{
    TUtmPoint u;
    GeoToUtm(zone, u, lat, lon);
    TGeografica g;
    UtmToGeo(u.Zone, lat < 0 ? "S" : "N", g, u.Easting, u.Northing);
    return GroundError(lat, lon, g.Latitude, g.Longitude);
}

// Independent forward projection: Krueger's series in the third flattening,
// accurate to well below a millimetre within a zone.
void Krueger(double lat, double lon, int zone, double& e, double& n)
{
    const double a = 6378137.0, f = 1 / 298.257223563, k0 = 0.9996;
    const double t3 = f / (2 - f);
    const double A = a / (1 + t3) * (1 + t3 * t3 / 4 + t3 * t3 * t3 * t3 / 64);
    const double al[4] = {0, t3 / 2 - 2 * t3 * t3 / 3 + 5 * t3 * t3 * t3 / 16, 13 * t3 * t3 / 48 - 3 * t3 * t3 * t3 / 5,
                          61 * t3 * t3 * t3 / 240};
    const double phi = lat * M_PI / 180, lam = (lon - (6 * zone - 183)) * M_PI / 180;
    const double ecc = std::sqrt(f * (2 - f));
    const double t = std::sinh(std::atanh(std::sin(phi)) - ecc * std::atanh(ecc * std::sin(phi)));
    const double xi = std::atan(t / std::cos(lam)), eta = std::atanh(std::sin(lam) / std::sqrt(1 + t * t));
    double x = eta, y = xi;
    for (int j = 1; j <= 3; ++j) {
        x += al[j] * std::cos(2 * j * xi) * std::sinh(2 * j * eta);
        y += al[j] * std::sin(2 * j * xi) * std::cosh(2 * j * eta);
    }
    e = 500000 + k0 * A * x;
    n = k0 * A * y + (lat < 0 ? 1e7 : 0);
}

} // namespace

TEST(ZelUtm, KnownPointsAndZoneChoice)
{
    TUtmPoint u;
    GeoToUtm(0, u, 0.0, -69.0);
    EXPECT_EQ(u.Zone, 19);
    EXPECT_NEAR(u.Easting, 500000.0, 1e-6);
    EXPECT_NEAR(u.Northing, 0.0, 1e-6);

    GeoToUtm(0, u, 10.0, -72.0); // -72/6 + 31 = 19 exactly
    EXPECT_EQ(u.Zone, 19);
    GeoToUtm(0, u, 10.0, -71.99); // integer part, not the nearest integer
    EXPECT_EQ(u.Zone, 19);
    GeoToUtm(0, u, 40.4, -3.7);
    EXPECT_EQ(u.Zone, 30);

    GeoToUtm(0, u, -33.45, -70.66);
    EXPECT_EQ(u.Zone, 19);
    EXPECT_GT(u.Northing, 6000000.0);
    EXPECT_LT(u.Easting, 500000.0); // west of the central meridian

    // A zone given by the caller is kept even outside the longitude's own zone.
    GeoToUtm(18, u, -33.45, -70.66);
    EXPECT_EQ(u.Zone, 18);
    EXPECT_GT(u.Easting, 500000.0);
}

TEST(ZelUtm, ForwardAgreesWithKruegerSeries)
{
    // The closed formulas are an approximation: within a zone they stay within a
    // few centimetres of the exact projection.
    for (double lat : {-60.0, -33.45, -5.0, 0.0, 20.0, 45.0, 70.0})
        for (double dl : {-3.0, -1.66, 0.0, 0.5, 2.5}) {
            TUtmPoint u;
            GeoToUtm(19, u, lat, -69.0 + dl);
            double e, n;
            Krueger(lat, -69.0 + dl, 19, e, n);
            EXPECT_LT(std::hypot(u.Easting - e, u.Northing - n), 0.03) << lat << " " << dl;
        }
}

TEST(ZelUtm, RoundTrips)
{
    // Near the central meridian in both hemispheres: under a millimetre.
    for (double lat : {-70.0, -45.0, -33.45, -20.0, -1.0, 0.0, 1.0, 20.0, 33.45, 45.0, 70.0})
        for (double dl : {-0.4, 0.0, 0.3}) {
            EXPECT_LT(RoundTripError(lat, -69.0 + dl, 19), 0.001) << lat << " " << dl;
            EXPECT_LT(RoundTripError(lat, 3.0 + dl), 0.001) << lat << " " << dl; // zone 31
        }
    // Further out the inverse formulas drift by a few millimetres at most.
    EXPECT_LT(RoundTripError(-33.45, -70.66), 0.003);
    for (double lat : {-45.0, -10.0, 10.0, 45.0})
        EXPECT_LT(RoundTripError(lat, -69.0 + 2.99, 19), 0.005) << lat;
}

TEST(ZelUtm, HemisphereText)
{
    TUtmPoint u;
    GeoToUtm(0, u, 10.0, -69.5);
    TGeografica north, empty, lower;
    UtmToGeo(19, "N", north, u.Easting, u.Northing);
    UtmToGeo(19, "", empty, u.Easting, u.Northing);
    EXPECT_DOUBLE_EQ(north.Latitude, empty.Latitude);
    EXPECT_NEAR(north.Latitude, 10.0, 1e-8);
    // Only "S" means south: "s" leaves the northing as given.
    UtmToGeo(19, "s", lower, u.Easting, u.Northing);
    EXPECT_DOUBLE_EQ(lower.Latitude, north.Latitude);
    TGeografica south;
    UtmToGeo(19, "S", south, u.Easting, u.Northing + 10000000.0 - 2 * u.Northing);
    EXPECT_NEAR(south.Latitude, -10.0, 1e-6);
    EXPECT_TRUE(south.LatitudeHms.Text.empty());
}

TEST(ZelUtm, EllipsoidTable)
{
    ASSERT_EQ(Elipsoides.size(), 22u);
    EXPECT_STREQ(Elipsoides[0].Name, "Airy 1830");
    EXPECT_STREQ(Elipsoides[Wgs84 - 1].Name, "WGS84");
    EXPECT_EQ(Elipsoides[Wgs84 - 1].A, 6378137.0L);
    EXPECT_EQ(Elipsoides[Wgs84 - 1].B, 6356752.31424518L);
}
