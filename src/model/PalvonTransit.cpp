// Section 66666 (transit lines).
#include "model/PalvonRead.h"

namespace PalvonRead {

void ReadTransitLine(std::string& line, int block) { (void)line; (void)block; }

} // namespace PalvonRead
