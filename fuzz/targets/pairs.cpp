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
    // The batch listing, made row by row as it is shown, then the last path found.
    KDVanalysis::TBatchRows rows;
    std::vector<std::string> cells;
    for (int k = 0; k < rows.Count(); ++k)
        rows.Row(k, cells);
    for (size_t pair = KDVanalysis::PairPaths.size(); pair-- > 0;)
        if (KDVanalysis::PairPaths[pair].Links > 0) {
            KDVanalysis::PairPath(pair);
            KDVanalysis::PathRows(1);
            break;
        }
    KDVanalysis::PathListing(true);
    return 0;
}
