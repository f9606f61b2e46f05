// A formula compiled and run over three numeric fields, as a formula column does.
#include "FuzzSupport.h"

#include "analysis/ArtFormula.h"
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Init();
    static const StringArray names = {"A", "B", "FLUJO"};
    static const std::vector<double> values = {1.5, -2.0, 1200.0};
    TArtFormula engine;
    engine.CaseSensitive = size % 3 == 0;
    try {
        engine.ComputeN(std::string(reinterpret_cast<const char*>(data), size), 3, values, names);
        engine.Result();
    } catch (const FormulaException& e) {
        if (getenv("FUZZ_DEBUG")) fprintf(stderr, "%s\n", e.what());
    }
    return 0;
}
