#pragma once
// Generator of capacity-size networks for the benchmarks: a grid town of about
// 11,800 nodes, 23,900 links, 9,900 turning movements and 800 zones, with a
// junction section (signals included), coordinates and transit lines.
#include <string>
#include <vector>

namespace benchgen {

struct Options {
    int cols = 108;
    int rows = 109;
    int zones = 800;
    int maxMovements = 9900;
    bool junctions = true;
    bool coordinates = true;
    bool transit = true;
    int transitLines = 60;
    // Street names of many lengths, and the grid bent so that links run at many
    // angles (for the drawing of street names); off: a few names on a square grid.
    bool variedStreets = false;
};

// The network data file as lines (no line ends).
std::vector<std::string> GenerateNetworkLines(const Options& options = Options());
// Writes the file with CR LF line ends; false on failure.
bool WriteNetworkFile(const std::string& path, const Options& options = Options());
// Generates and reads the network into the model, its error list written to
// errorListFile; false when the reader refused it.
bool LoadGeneratedNetwork(const Options& options = Options(), const std::string& errorListFile = "/dev/null");
// Peak resident memory of the process in kilobytes (VmHWM), 0 when unknown.
long PeakMemoryKb();
// Resident memory of the process now in kilobytes (VmRSS), 0 when unknown.
long CurrentMemoryKb();
// Path of a file of the real test networks: in $VELMORA_REAL_DATA, else in
// ../shared/data/real beside the checkout; ends the program with a message
// naming the folder when it is missing.
std::string RealDataPath(const std::string& name);

} // namespace benchgen
