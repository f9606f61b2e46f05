// Complementary data of links (first part) and of turning movements (second part).
#include "FuzzSupport.h"

#include "model/ComplementaryData.h"
#include "model/KDVvars.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Init();
    fuzz::LoadBaseNetwork("lst_net.dat");
    std::vector<std::string> parts = fuzz::Parts(data, size, 2);
    ComplementaryFileName = fuzz::WriteFile("arcos.csv", parts[0]);
    ComplementaryMovFileName = fuzz::WriteFile("movs.csv", parts[1]);
    KDVlib::LoadDatosComplementarios();
    KDVlib::LoadDatosComplementariosMovs();
    return 0;
}
