#pragma once
// Auxiliary files that complete the network model after it was read: link shape
// points (".sig"), link traces, the link drawing order and node lists.
#include "model/KDVvars.h"
#include "model/PalvonVars.h"

#include <cstdint>
#include <string>

constexpr int MaxNodeList = 1000;

// Link order file chosen by the user ("null" when none). The trace file name
// TraceFileName is one of the file names of KDVvars.h.
extern std::string LinkOrderFileName;

// Node numbers of a node list from entry 1; 0 after the last.
extern int32_t NodeList[MaxNodeList + 1];
// One flag per node index: the node is in the junction list of the phase tools.
extern uint8_t NodoEnLista[MaxNodos + 1];

namespace KDVlib {

// Replaces the point lists of the links that a shape-point file names. Lines
// whose point count does not fit a link (more than 12 points) or whose fields
// are fewer than the count requires are left out and counted in one message.
// False when the file cannot be read.
bool ReadSigFile(const std::string& fileName);

// Replaces the point lists of the links of the trace file TraceFileName; the
// last trace point is repeated as the link's last point. Enables aArcos1. False
// when the file is no trace file or none of its links is in the network. That
// none or some of its traces are of another network is said when sayOtherNetwork:
// a batch applying the user's traces to each of its networks does not ask for it.
bool LoadTrazas(bool sayOtherNetwork = true);

// Reads the link drawing order of LinkOrderFileName (first line drawn last) and
// relists the hit grid's links in that order. Each link found is numbered once,
// at its first line; links not named keep array order underneath.
bool LoadOrdenArcos();

// Reads one node number per line into NodeList (at most 1000) and clears NodoEnLista.
bool LoadNodeList(const std::string& fileName);

// A coordinate field as a double: the forms ParseNumber accepts, without its
// single-precision rounding (shape points keep every decimal written).
double ParseCoordinate(const std::string& text);

} // namespace KDVlib
