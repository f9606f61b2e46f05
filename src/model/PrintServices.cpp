#include "model/PrintServices.h"

namespace {
PrintServices defaultPrintServices;
PrintServices* currentPrintServices = &defaultPrintServices;
} // namespace

PrintServices& PrintHooks() { return *currentPrintServices; }

PrintServices* SetPrintServices(PrintServices* services)
{
    PrintServices* previous = currentPrintServices;
    currentPrintServices = services ? services : &defaultPrintServices;
    return previous == &defaultPrintServices ? nullptr : previous;
}
