// Data-list sections 44444 and 88888, the node data list and the zone pass.
#include "model/PalvonRead.h"

namespace PalvonRead {

void ResetSectionState() {}
void ReadNodeDataList() {}
void ReadDataLists() {}
void ReadSection44444Line(std::string& line) { (void)line; }
void ReadSection88888Line(std::string& line) { (void)line; }

} // namespace PalvonRead
