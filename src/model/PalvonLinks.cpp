// Section 33333 (links) and the passes that tie links to their nodes.
#include "model/PalvonRead.h"

namespace PalvonRead {

void ReadLinkLine(std::string& line) { (void)line; }
void LinkNodesPass() {}
void PostLinkPass() {}

} // namespace PalvonRead
