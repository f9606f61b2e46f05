// A pairs file of the batch path run: origin and destination node numbers, one
// pair a line, over a network; the listing of the paths found.
#include "FuzzSupport.h"

#include "analysis/KDVanalysis.h"
#include "model/KDVlibPaths.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Init();
    fuzz::LoadBaseNetwork("siouxfalls.dat");
    std::vector<std::string> lines;
    if (!FileUtils::ReadLines(fuzz::WriteFile("pares.csv", std::string(reinterpret_cast<const char*>(data), size)),
                              lines))
        return 0;
    KDVlib::PairsList = std::move(lines);
    KDVanalysis::RunPairPaths([](size_t, size_t) { return true; });
    // The listing's rows, first and last asked out of order, as the grid may.
    KDVanalysis::TBatchRows rows;
    std::vector<std::string> cells;
    if (rows.Count() > 0) {
        rows.Row(rows.Count() - 1, cells);
        rows.Row(0, cells);
    }
    if (!KDVanalysis::PairPaths.empty()) {
        KDVanalysis::PairPath(KDVanalysis::PairPaths.size() - 1);
        KDVanalysis::PathRows(1);
    }
    KDVanalysis::PathListing(true);
    return 0;
}
