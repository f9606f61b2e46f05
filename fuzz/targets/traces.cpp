// Link traces (first part), the link drawing order (second) and a node list (third).
#include "FuzzSupport.h"

#include "model/KDVvars.h"
#include "model/LinkShapes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Init();
    fuzz::LoadBaseNetwork("siouxfalls.dat");
    std::vector<std::string> parts = fuzz::Parts(data, size, 3);
    TraceFileName = fuzz::WriteFile("trazas.geo", parts[0]);
    KDVlib::LoadTrazas();
    LinkOrderFileName = fuzz::WriteFile("orden.csv", parts[1]);
    KDVlib::LoadOrdenArcos();
    KDVlib::LoadNodeList(fuzz::WriteFile("nodos.txt", parts[2]));
    return 0;
}
