#include "model/ViewerServices.h"
#include "model/ServiceSlot.h"

namespace {
ServiceSlot<ViewerServices> slot;
} // namespace

ViewerServices& Services() { return slot.Get(); }

ViewerServices* SetServices(ViewerServices* services) { return slot.Set(services); }
