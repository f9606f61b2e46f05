#pragma once
// Least-cost paths over the forward star of the loaded network.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace KDVlib {

constexpr int NumPathTables = 10;
constexpr int PathTableEntries = 12400; // entries 1..12400 after the count

// Link variable used as cost (7 = length by default). A number outside 1..130
// gives empty paths.
extern int32_t CostVar;
// Slots 1..10, each of 0..12400: element 0 = node count n, then the node numbers
// from origin to destination; n = 0 means no path. Slot 0 is unused.
extern std::array<std::vector<int32_t>, NumPathTables + 1> PathTables;
// A pairs list may have more lines than there are slots: line i (0-based) always
// goes to slot i+1, and slots beyond 10 are kept here (slot 11 = element 0), sized
// to their path, so every listed pair stays available.
extern std::vector<std::vector<int32_t>> ExtraPathTables;
// Slot s of any size: PathTables[s] for 1..10, the extra slots after them, and an
// empty path for a slot that was never written.
const std::vector<int32_t>& PathTable(int32_t slot);

// Lines of the pairs file of the batch command: origin and destination node
// numbers as the first two comma-separated fields.
extern std::vector<std::string> PairsList;
// Batch mode stores the node numbers of the line being processed here; the
// interactive callers and the map's path tool keep their node indexes here.
extern int32_t PathFrom;
extern int32_t PathTo;

// mode 0: one least-cost path from origin to destination (node record indexes)
// into slot 1. mode != 0: origin and destination are ignored and each line i of
// PairsList whose two nodes exist gets its path in slot i+1; other slots are kept.
void RutaMinima(int32_t origin, int32_t destination, int32_t mode);
// Many paths over one unchanged network (the gaps of the transit lines): the
// graph is built once and every search stops at its destination. Each path is
// the one RutaMinima(origin, destination, 0) writes to slot 1.
class PathSession {
public:
    PathSession();
    ~PathSession();
    PathSession(const PathSession&) = delete;
    PathSession& operator=(const PathSession&) = delete;
    // table := count, then the node numbers from origin to destination (count 0: none).
    void Path(int32_t origin, int32_t destination, std::vector<int32_t>& table);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Record index of the node nearest to a world point (0 when there are no nodes);
// ties go to the lower index.
int32_t NearestNode(double x, double y);

} // namespace KDVlib
