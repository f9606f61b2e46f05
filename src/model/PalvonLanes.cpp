// The lanes pass: reverse links, straight geometry, turn directions and lane use.
#include "model/PalvonRead.h"

namespace PalvonRead {

void ReportUnusedLanes() {}

} // namespace PalvonRead
