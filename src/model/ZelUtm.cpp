// Geographic <-> UTM conversion. All arithmetic is carried in long double, the
// extended precision the formulas were tuned with.
#include "model/ZelUtm.h"

#include <cmath>

namespace ZelUtm {

const std::array<TElipsoide, NumElipsoides> Elipsoides = {{
    {"Airy 1830", 6377563.396L, 6356256.91L},
    {"Airy Modificado 1965", 6377340.189L, 6356034.4479L},
    {"Bessel 1841", 6377397.155L, 6356078.96284L},
    {"Clarke 1866", 6378206.4L, 6356583.8L},
    {"Clarke 1880", 6378249.145L, 6356514.86955L},
    {"Fischer 1960", 6378166.0L, 6356784.28L},
    {"Fischer 1968", 6378150.0L, 6356768.33L},
    {"GRS80", 6378137.0L, 6356752.31414L},
    {"Hayford 1909", 6378388.0L, 6356911.94613L},
    {"Helmert 1906", 6378200.0L, 6356818.17L},
    {"Hough 1960", 6378270.0L, 6356794.343479L},
    {"Internacional 1909", 6378388.0L, 6356911.94613L},
    {"Internacional 1924", 6378388.0L, 6356911.94613L},
    {"Krasovsky 1940", 6378245.0L, 6356863.0188L},
    {"Mercury 1960", 6378166.0L, 6356784.283666L},
    {"Mercury Modificado 1968", 6378150.0L, 6356768.337303L},
    {"Nuevo International 1967", 6378157.5L, 6356772.2L},
    {"Sudamericano 1969", 6378160.0L, 6356774.72L},
    {"Walbeck 1817", 6376896.0L, 6355834.8467L},
    {"WGS66", 6378145.0L, 6356759.769356L},
    {"WGS72", 6378135.0L, 6356750.519915L},
    {"WGS84", 6378137.0L, 6356752.31424518L},
}};

namespace {

using real = long double;

constexpr real Pi = 3.141592653589793238462643383279502884L;
constexpr real K0 = 0.9996L;
constexpr real FootpointRadius = 6363651.2449104L;

// Constants of one ellipsoid used by both directions.
struct Shape {
    real e2;    // second eccentricity squared
    real c;     // polar radius of curvature
    real alpha;
    real beta;
    real gamma;
};

Shape MakeShape(const TElipsoide& el)
{
    Shape s;
    s.e2 = (el.A * el.A - el.B * el.B) / (el.B * el.B);
    s.c = el.A * el.A / el.B;
    s.alpha = 0.75L * s.e2;
    s.beta = 5.0L / 3.0L * s.alpha * s.alpha;
    s.gamma = 35.0L / 27.0L * s.alpha * s.alpha * s.alpha;
    return s;
}

const Shape& WgsShape()
{
    static const Shape s = MakeShape(Elipsoides[Wgs84 - 1]);
    return s;
}

// Meridian arc (scaled by k0) of latitude phi in radians.
real MeridianArc(const Shape& s, real phi)
{
    real a1 = std::sin(2.0L * phi);
    real cos2 = std::cos(phi) * std::cos(phi);
    real a2 = phi + a1 / 2.0L;
    real j4 = (3.0L * a2 + a1 * cos2) / 4.0L;
    real j6 = (5.0L * j4 + a1 * cos2 * cos2) / 3.0L;
    return K0 * s.c * (phi - s.alpha * a2 + s.beta * j4 - s.gamma * j6);
}

} // namespace

void GeoToUtm(int32_t zone, TUtmPoint& result, double latitude, double longitude)
{
    const Shape& s = WgsShape();
    real phi = real(latitude) * Pi / 180.0L;
    real lambda = real(longitude) * Pi / 180.0L;
    if (zone == 0)
        zone = static_cast<int32_t>(std::trunc(real(longitude) / 6.0L + 31.0L));
    real lambda0 = real(6 * zone - 183) * Pi / 180.0L;
    real dl = lambda - lambda0;

    real cosPhi = std::cos(phi);
    real cos2 = cosPhi * cosPhi;
    real a = cosPhi * std::sin(dl);
    real xi = 0.5L * std::log((1.0L + a) / (1.0L - a));
    real eta = std::atan(std::tan(phi) / std::cos(dl)) - phi;
    real nu = K0 * s.c / std::sqrt(1.0L + s.e2 * cos2);
    real zeta = s.e2 / 2.0L * xi * xi * cos2;

    real easting = xi * nu * (1.0L + zeta / 3.0L) + 500000.0L;
    real northing = eta * nu * (1.0L + zeta) + MeridianArc(s, phi);
    if (latitude < 0.0)
        northing += 10000000.0L;

    result.Easting = static_cast<double>(easting);
    result.Northing = static_cast<double>(northing);
    result.Zone = zone;
}

void UtmToGeo(int32_t zone, const std::string& hemisphere, TGeografica& result, double easting, double northing)
{
    const Shape& s = WgsShape();
    real n = northing;
    if (hemisphere == "S")
        n -= 10000000.0L;
    real lambda0 = real(6 * zone - 183);

    real phi1 = n / FootpointRadius;
    real cosPhi1 = std::cos(phi1);
    real cos2 = cosPhi1 * cosPhi1;
    real nu = K0 * s.c / std::sqrt(1.0L + s.e2 * cos2);
    real a = (real(easting) - 500000.0L) / nu;
    real b = (n - MeridianArc(s, phi1)) / nu;
    real zeta = s.e2 * a * a / 2.0L * cos2;
    real xi = a * (1.0L - zeta / 3.0L);
    real eta = b * (1.0L - zeta) + phi1;

    real sinhXi = (std::exp(xi) - std::exp(-xi)) / 2.0L;
    real dl = std::atan(sinhXi / std::cos(eta));
    real tau = std::atan(std::cos(dl) * std::tan(eta));
    real phi = phi1 + (1.0L + s.e2 * cos2 - 1.5L * s.e2 * std::sin(phi1) * cosPhi1 * (tau - phi1)) * (tau - phi1);

    result.Longitude = static_cast<double>(dl * 180.0L / Pi + lambda0);
    result.Latitude = static_cast<double>(phi * 180.0L / Pi);
}

} // namespace ZelUtm
