#include "NetworkGenerator.h"

#include "model/FileUtils.h"
#include "model/PalvonRead.h"
#include "model/ZelUtils.h"

#include <cmath>
#include <cstdio>
#include <iterator>
#include <cstdlib>
#include <filesystem>
#include <fstream>

using ZelUtils::Format;

namespace benchgen {

namespace {

struct Grid {
    int cols, rows;
    int node(int r, int c) const { return r * cols + c + 1; }
    // Vertical roads run along the first, the middle and the last column.
    bool verticalColumn(int c) const { return c == 0 || c == cols / 2 || c == cols - 1; }
};

std::vector<int> Neighbours(const Grid& g, int r, int c)
{
    // Clockwise from north: up, right, down, left.
    std::vector<int> out;
    if (g.verticalColumn(c) && r + 1 < g.rows)
        out.push_back(g.node(r + 1, c));
    if (c + 1 < g.cols)
        out.push_back(g.node(r, c + 1));
    if (g.verticalColumn(c) && r > 0)
        out.push_back(g.node(r - 1, c));
    if (c > 0)
        out.push_back(g.node(r, c - 1));
    return out;
}

const char* const StreetNames[] = {"AV. LIBERTADOR", "CALLE MAYOR", "PASEO DEL RIO", "AV. CENTRAL",
                                   "CALLE DEL SOL", "CAMINO REAL", "AV. DEL PUERTO", "CALLE ANCHA"};

const char* const VariedNames[] = {
    "AV. DE LA CONSTITUCION", "CALLE DE ALCALA", "GRAN VIA", "PASEO DE LA CASTELLANA", "CALLE SERRANO",
    "RONDA DE VALENCIA", "CALLE TOLEDO", "AV. DE AMERICA", "CALLE BRAVO MURILLO", "PASEO DEL PRADO",
    "CALLE ATOCHA", "CALLE DE SEGOVIA", "AV. DEL MEDITERRANEO", "CALLE PRINCESA", "CALLE ARENAL",
    "CARRERA DE SAN JERONIMO", "CALLE MAYOR", "RONDA DE TOLEDO", "CALLE EMBAJADORES", "CALLE LAVAPIES",
    "AV. REINA VICTORIA", "CALLE DE FUENCARRAL", "CALLE HORTALEZA", "PASEO DE RECOLETOS", "CALLE GOYA",
    "CALLE VELAZQUEZ", "CALLE DE O'DONNELL", "AV. DE MENENDEZ PELAYO", "CALLE IBIZA", "CALLE NARVAEZ",
    "CALLE SOL", "VIA LIMITE", "CALLE DE LOPEZ DE HOYOS", "AV. DE BURGOS", "CALLE ORENSE",
    "PASEO DE EXTREMADURA", "CALLE GENERAL RICARDOS", "AV. DE OPORTO", "CALLE ANTONIO LOPEZ", "CALLE PIZARRO",
};

// The grid bent by slow waves, so that its streets turn through many angles.
double BendX(int r, int c) { return 48.0 * std::sin(r * 0.23 + c * 0.05) + 30.0 * std::sin(c * 0.41); }
double BendY(int r, int c) { return 48.0 * std::sin(c * 0.19 + r * 0.07) + 30.0 * std::cos(r * 0.37); }

} // namespace

std::vector<std::string> GenerateNetworkLines(const Options& o)
{
    Grid g{o.cols, o.rows};
    std::vector<std::string> L;
    L.push_back(" &OPTION PLOD=F &END");
    L.push_back("RED DE PRUEBA DE CAPACIDAD - GENERADA");
    L.push_back(" &PARAM NOMADS=2, KNOBS=0, XYFORM='2F15.2',");
    L.push_back(" &END");

    if (o.junctions) {
        L.push_back("11111");
        // Junctions of 3 and 4 arms, then a share of the 2-arm nodes until the
        // movement budget is spent.
        std::vector<std::pair<int, int>> chosen;
        int movements = 0;
        for (int r = 0; r < g.rows; ++r)
            for (int c = 0; c < g.cols; ++c) {
                int arms = static_cast<int>(Neighbours(g, r, c).size());
                if (arms >= 3) {
                    chosen.emplace_back(r, c);
                    movements += arms * (arms - 1);
                }
            }
        for (int r = 0; r < g.rows && movements + 2 <= o.maxMovements; ++r)
            for (int c = 1; c + 1 < g.cols && movements + 2 <= o.maxMovements; ++c) {
                if (g.verticalColumn(c) || (g.node(r, c) % 3) != 0)
                    continue;
                chosen.emplace_back(r, c);
                movements += 2;
            }
        for (auto [r, c] : chosen) {
            std::vector<int> nb = Neighbours(g, r, c);
            int arms = static_cast<int>(nb.size());
            int n = g.node(r, c);
            bool signal = arms == 4 && (r % 5) < 2;
            int type = signal ? 3 : (arms == 4 ? 2 : (arms == 3 ? 1 : 4));
            if (signal)
                L.push_back(Format("%5d%5d%5d%5d%5d%5d", n, arms, type, 2, 90, n % 60));
            else
                L.push_back(Format("%5d%5d%5d", n, arms, type));
            for (int i = 0; i < arms; ++i) {
                int lanes = arms == 4 ? 2 : 1;
                std::string laneCode = (signal && i == 1) ? "F2" : std::to_string(lanes);
                std::string line = Format("     %5d %4s%5d%5d", nb[i], laneCode, 10, 120);
                for (int j = 0; j < arms - 1; ++j) {
                    const char* code = type == 2 ? " G" : (type == 1 && i % 2 ? " G" : "  ");
                    line += Format("%5d%2s%1d %1d", 1800 * lanes, code, 1, lanes);
                }
                L.push_back(line);
            }
            if (signal) {
                // Stage 1: the east-west road; stage 2: the north-south road.
                L.push_back(Format("          %5d%5d%5d%5d%5d%5d%5d", 40, 4, 4, nb[1], 0, nb[3], 0));
                L.push_back(Format("          %5d%5d%5d%5d%5d%5d%5d", 40, 4, 4, nb[0], 0, nb[2], 0));
            }
        }
        L.push_back("99999");
    }

    L.push_back("33333");
    int street = 0;
    for (int r = 0; r < g.rows; ++r)
        for (int c = 0; c < g.cols; ++c) {
            int a = g.node(r, c);
            auto record = [&](int b, bool vertical) {
                double time = vertical ? 12.5 : 10.0;
                std::string name = o.variedStreets
                                        ? std::string(VariedNames[((vertical ? c * 7 : r * 13) + street++ / 5) % std::size(VariedNames)])
                                        : Format("%s %d", StreetNames[(street++ / 7) % 8], vertical ? c : r);
                L.push_back(Format("%5d%5d%5.1f%5.1f%5d  2  %5d%5.1f%5d%-25s", a, b, time, time * 1.6,
                                   vertical ? 1200 : 1800, 120, 4.0, vertical ? 2 : 1, name));
            };
            if (c + 1 < g.cols)
                record(g.node(r, c + 1), false);
            if (g.verticalColumn(c) && r + 1 < g.rows)
                record(g.node(r + 1, c), true);
        }
    int nodes = g.cols * g.rows;
    for (int z = 1; z <= o.zones; ++z) {
        int node = 1 + static_cast<int>((static_cast<long long>(z) * 7919) % nodes);
        L.push_back(Format("C%4d%5d%5d%5d  2  %5d", z, node, 0, 0, 0, 0));
    }
    L.push_back("99999");

    if (o.coordinates) {
        L.push_back("55555");
        for (int r = 0; r < g.rows; ++r)
            for (int c = 0; c < g.cols; ++c) {
                double x = 440000.0 + c * 120.0 + ((r * 37 + c * 11) % 13);
                double y = 4470000.0 + r * 120.0 + ((r * 17 + c * 29) % 11);
                if (o.variedStreets) {
                    x += BendX(r, c);
                    y += BendY(r, c);
                }
                L.push_back(Format("%5d%15.2f%15.2f", g.node(r, c), x, y));
            }
        for (int z = 1; z <= o.zones; ++z) {
            int node = 1 + static_cast<int>((static_cast<long long>(z) * 7919) % nodes);
            int r = (node - 1) / g.cols, c = (node - 1) % g.cols;
            const double bx = o.variedStreets ? BendX(r, c) : 0.0, by = o.variedStreets ? BendY(r, c) : 0.0;
            L.push_back(Format("C%4d%15.2f%15.2f", z, 440000.0 + c * 120.0 + 40.0 + bx, 4470000.0 + r * 120.0 + 40.0 + by));
        }
        L.push_back("99999");
    }

    if (o.transit) {
        L.push_back("66666");
        for (int k = 0; k < o.transitLines; ++k) {
            int r = (k * 7) % g.rows;
            int c0 = (k * 13) % (g.cols - 40);
            std::vector<int> stops;
            for (int c = c0; c < c0 + 40; ++c)
                stops.push_back(g.node(r, c));
            std::string line = Format("L%03d %4d%5d", k + 1, 4 + k % 8, static_cast<int>(stops.size()));
            for (size_t i = 0; i < stops.size(); ++i) {
                if (i > 0 && i % 13 == 0) {
                    L.push_back(line);
                    line = std::string(15, ' ');
                }
                line += Format("%5d", stops[i]);
            }
            L.push_back(line);
        }
        L.push_back("99999");
    }
    L.push_back("99999");
    return L;
}

bool WriteNetworkFile(const std::string& path, const Options& options)
{
    return FileUtils::WriteFileAtomic(path, FileUtils::JoinCrLf(GenerateNetworkLines(options)));
}

bool LoadGeneratedNetwork(const Options& options, const std::string& errorListFile)
{
    std::vector<std::string> lines = GenerateNetworkLines(options);
    PalvonRead::TReadSettings settings;
    settings.ErrorListFile = errorListFile;
    return PalvonRead::ReadNetwork(lines, settings);
}

long PeakMemoryKb()
{
    std::ifstream f("/proc/self/status");
    std::string line;
    while (std::getline(f, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return 0;
}

long CurrentMemoryKb()
{
    std::ifstream f("/proc/self/status");
    std::string line;
    while (std::getline(f, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return 0;
}

std::string RealDataPath(const std::string& name)
{
    const char* env = std::getenv("VELMORA_REAL_DATA");
    const std::filesystem::path dir = (env && *env)
        ? std::filesystem::path(env)
        : std::filesystem::path(VELMORA_SOURCE_DIR) / ".." / "shared" / "data" / "real";
    if (!std::filesystem::is_directory(dir)) {
        std::fprintf(stderr,
                     "the real test networks are missing: no folder %s (place them at ../shared/data/real beside "
                     "the checkout or name their folder in VELMORA_REAL_DATA)\n",
                     dir.lexically_normal().string().c_str());
        std::exit(2);
    }
    return (dir.lexically_normal() / name).string();
}

} // namespace benchgen
