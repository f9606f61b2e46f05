// Section 11111 (junctions) and section 22222 (zone connectors).
#include "model/PalvonRead.h"

namespace PalvonRead {

void ReadJunctionLine(std::string& line) { (void)line; }
void ReadSection22222Line(std::string& line) { (void)line; }

} // namespace PalvonRead
