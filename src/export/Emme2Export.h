#pragma once
// The loaded network as four EMME/2 batch-input files sharing one base name:
// base.cents (zone centroids), base.network (nodes and links), base.links (link
// data table) and base.fixed (transit lines). Reads the model, changes nothing.
#include <cstdint>
#include <string>
#include <vector>

namespace Emme2Export {

// What is added to every zone number to make its centroid number: 0 when no node
// has a zone's number, else the first power of ten above the largest node number.
int32_t CentroidOffset();

// Text of each file (CR LF line ends).
std::string CentsText();
std::string NetworkText();
std::string LinksText();
std::string FixedText();

// The four files under base, in the order they are written.
std::vector<std::string> SetFiles(const std::string& base);

// False with the Spanish message in error when the network cannot go to EMME/2
// at all: the centroids find no free numbers below EMME/2's largest, or a link
// joins a node to itself (EMME/2 refuses the whole set).
bool Exportable(std::string& error);

// Writes the four files in that order; false with a Spanish message in error
// when one cannot be written (none replaces an earlier file), when the centroids
// find no free numbers below EMME/2's largest, or when a link joins a node to
// itself (EMME/2 refuses the whole set).
bool WriteEmme2(const std::string& base, std::string& error);

// Empty when every zone with a centroid has an access link in the files and every
// centroid has its zone's number; else the one Spanish notice that the zones
// without one (connected along links, as section 22222 gives them) cannot load
// their demand from these files, and of the number added to every zone to make
// its centroid's.
std::string DemandNotice();

} // namespace Emme2Export
