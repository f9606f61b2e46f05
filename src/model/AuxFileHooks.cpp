#include "model/AuxFileHooks.h"

namespace {
AuxFileServices defaultServices;
AuxFileServices* current = &defaultServices;
} // namespace

AuxFileServices& AuxFileHooks() { return *current; }

AuxFileServices* SetAuxFileServices(AuxFileServices* services)
{
    AuxFileServices* previous = current == &defaultServices ? nullptr : current;
    current = services ? services : &defaultServices;
    return previous;
}
