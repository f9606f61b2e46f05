#pragma once
// The loaded network as four EMME/2 batch-input files sharing one base name:
// base.cents (zone centroids), base.network (nodes and links), base.links (link
// data table) and base.fixed (transit lines). Reads the model, changes nothing.
#include <string>

namespace Emme2Export {

// Text of each file (CR LF line ends).
std::string CentsText();
std::string NetworkText();
std::string LinksText();
std::string FixedText();

// Writes the four files in that order; false with a Spanish message in error
// when one cannot be written (the files written before it stay).
bool WriteEmme2(const std::string& base, std::string& error);

} // namespace Emme2Export
