#pragma once
// Least-cost paths over the forward star of the loaded network.
#include <array>
#include <cstdint>
#include <vector>

namespace KDVlib {

constexpr int NumPathTables = 10;
// Link variable used as cost (7 = length by default).
extern int32_t CostVar;
// Slots 1..10, each of 0..12400: element 0 = node count, then node numbers from
// origin to destination. Slot 0 is unused.
extern std::array<std::vector<int32_t>, NumPathTables + 1> PathTables;

// One least-cost path from origin to destination (node record indexes); writes slot 1.
void RutaMinima(int32_t origin, int32_t destination, int32_t mode);
// Record index of the node nearest to a world point (0 when there are no nodes).
int32_t NearestNode(double x, double y);

} // namespace KDVlib
