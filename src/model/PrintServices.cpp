#include "model/PrintServices.h"
#include "model/ServiceSlot.h"

namespace {
ServiceSlot<PrintServices> slot;
} // namespace

PrintServices& PrintHooks() { return slot.Get(); }

PrintServices* SetPrintServices(PrintServices* services) { return slot.Set(services); }
