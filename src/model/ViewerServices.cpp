#include "model/ViewerServices.h"

namespace {
ViewerServices defaultServices;
ViewerServices* current = &defaultServices;
} // namespace

ViewerServices& Services() { return *current; }

ViewerServices* SetServices(ViewerServices* services)
{
    ViewerServices* previous = current == &defaultServices ? nullptr : current;
    current = services ? services : &defaultServices;
    return previous;
}
