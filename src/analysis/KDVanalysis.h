#pragma once
// Headless side of the analysis windows: the path listing, the grouping and
// export of the PIJA records, the statistics rows and centroid creation. The
// windows only copy these tables into their grids.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace KDVanalysis {

// ---- least-cost path listing ----

// Row 0 titles of the path grid: "Sec", "NodoA", ... and one "XDATAj" per extra
// link column; batch: "Desde", "Hasta" before them.
std::vector<std::string> PathTitles(bool batch);
// One row per link of the path in slot s: "Sec", "NodoA", "NodoB", "Costo",
// "Tiempo", "Long", extra data. Steps whose nodes are not joined by a link are
// passed over. linksOut (optional) receives the link indexes, in order.
std::vector<std::vector<std::string>> PathRows(int32_t slot, std::vector<int32_t>* linksOut = nullptr);
// The whole listing of the mode, as rows of text (for a batch: TBatchRows all
// made; a large batch is listed through TBatchRows row by row instead).
std::vector<std::vector<std::string>> PathListing(bool batch, std::vector<int32_t>* linksOut = nullptr);
// The first link whose cost (link variable CostVar) is negative; 0 when none is.
// Over such costs the search would settle a node before a cheaper way to it.
int32_t NegativeCostLink();
// Origin and destination node numbers of one pairs-file line; false when the
// line does not hold two numbers.
bool ParsePair(const std::string& line, int32_t& from, int32_t& to);

// One pair of a batch run: what its listing needs to find its rows, not the path
// (60,000 whole paths took gigabytes). The path is found again when its rows
// are shown or exported.
struct TPairPath {
    int32_t Line = 0;  // index of the line in PairsList
    int32_t From = 0;  // node numbers as the line gives them
    int32_t To = 0;
    int32_t Nodes = 0; // nodes on the path; 0: no path
    int32_t Links = 0; // links on the path (its rows in the listing)
    bool Done = false;
};
// The pairs of the last batch run, in the order of PairsList (lines whose nodes
// do not both exist are left out).
extern std::vector<TPairPath> PairPaths;
// Runs the batch over PairsList: one search per origin, each path counted and let
// go. onLink (optional) receives every link of every path. progress(done, total)
// is called after each pair; when it returns false the run stops there, the
// pairs not reached keep Done false. False when stopped.
bool RunPairPaths(const std::function<bool(size_t, size_t)>& progress,
                  const std::function<void(int32_t)>& onLink = nullptr);
// Puts the path of PairPaths[pair] in slot 1 (PathRows(1) lists it).
void PairPath(size_t pair);

// The batch listing of the pairs done that have a path, in PairsList order:
// one row per link of each path, "Desde" and "Hasta" on the pair's first row,
// then the columns of the interactive listing. Rows are made when asked for,
// from the pairs as the run left them; the path of a pair is searched again
// when its first row is asked for (a few pairs are kept).
class TBatchRows {
public:
    TBatchRows();
    ~TBatchRows();
    TBatchRows(const TBatchRows&) = delete;
    TBatchRows& operator=(const TBatchRows&) = delete;
    int Count() const { return count_; }
    // Row k (0 .. Count()-1); empty cells when the network no longer gives it.
    void Row(int k, std::vector<std::string>& cells);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    int count_ = 0;
};

// ---- PIJA records ----

// Group starts (1-based record numbers) of the link (movements=false) or
// movement records: entry g-1 = first record of group g, plus one final entry
// count+1. Empty when there are no records. Every run of the listing is kept
// (no 99-group ceiling).
std::vector<int32_t> PijaGroups(bool movements);
// The lines of the comma-separated export, header first, without line ends.
std::vector<std::string> PijaCsvLines(bool movements);
// Writes them with CR LF through an atomic replace; false when it failed.
bool WritePijaCsv(const std::string& fileName, bool movements);
// Per zone index 1..zone count: trips leaving (origin) and arriving
// (destination) over records first..last; element 0 unused.
void PijaZoneSums(bool movements, int32_t first, int32_t last, std::vector<double>& origin,
                  std::vector<double>& destination);
// Triangle radius in pixels for a zone sum: 15 for the largest; 0 when the
// largest is not positive (nothing to scale against).
int32_t PijaRadius(double sum, double top);

// ---- statistics and centroids ----

// Rows 1..21 of the statistics grid: (label, value). Row 21 is empty.
std::vector<std::pair<std::string, std::string>> StatisticsRows();
// Gives every zone without a centroid one derived from its connectors; returns
// the zone indexes that received one.
std::vector<int32_t> CrearCentroides();

} // namespace KDVanalysis
