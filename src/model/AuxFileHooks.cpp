#include "model/AuxFileHooks.h"
#include "model/ServiceSlot.h"

namespace {
ServiceSlot<AuxFileServices> slot;
} // namespace

AuxFileServices& AuxFileHooks() { return slot.Get(); }

AuxFileServices* SetAuxFileServices(AuxFileServices* services) { return slot.Set(services); }
