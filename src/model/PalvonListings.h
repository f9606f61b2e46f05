#pragma once
// Readers of what a run of the modelling suite leaves beside a network: the
// assignment listing (.lpa), the inspection listing (.lpl), counts files and the
// database listing (.lpd). They only add values to the network already loaded;
// elements that the network does not have are passed over.
#include "model/RecordArray.h"

#include <cstdint>
#include <string>

// One origin-destination pair that uses one link or one turning movement, as the
// PIJA tables of the assignment listing give it.
struct TPija {
    int32_t Elem = 0;  // index of the link in Arcos, or of the movement in Movims
    int32_t A = 0;     // node numbers of the table header (C = 0 for a link)
    int32_t B = 0;
    int32_t C = 0;
    int32_t ZoIdx = 0; // origin zone index in Zonas (0 when the network has no such zone)
    int32_t ZdIdx = 0; // destination zone index
    int32_t Zo = 0;    // origin zone number
    int32_t Zd = 0;    // destination zone number
    float Pij = 0.0f;  // PIJA factor
    float Tij = 0.0f;  // trips
};

constexpr int MaxPija = 900;
// Records 1..count; the records of one element are stored one after the other.
extern RecordArray<TPija, MaxPija> PijaLinks;
extern int32_t PijaLinkCount;
extern RecordArray<TPija, MaxPija> PijaMovs;
extern int32_t PijaMovCount;

namespace PalvonRead {

// Options of the assignment listing reader (from the options dialog).
struct TLpaOptions {
    bool ReadPijas = false;       // read the PIJA tables when the listing has them
    bool ComposeMovements = true; // add the flow-weighted turn delays to the link times
};

// How far a reading of the assignment listing got.
struct TLpaResult {
    bool Opened = false;      // the file could be read
    bool FlowsFound = false;  // the flow listing was found: values were stored
    bool ClassesReached = false; // the per-class blocks were reached: the entries/exits menus apply
    bool Completed = false;   // read to its end (LpaLoaded set)
};

// Assignment listing: link, movement and zone-connector flows, user-class flows,
// generalised costs and, when asked, the PIJA records.
TLpaResult ReadLpa(const std::string& fileName, const TLpaOptions& options);
// The turn-delay step: link time plus the flow-weighted delays of the movements
// that enter the junction through the link, then the operating speed.
void ReadLpaHelper(bool composeMovements);
// Empties both PIJA arrays (a new network: the records name another network's elements).
void ClearPijas();

// Inspection listing version: 10, or 11 once a "PALVON Suite 11" banner is met.
extern int32_t LplVersion;
// Inspection listing: delays, queues and capacities of movements and links.
// False when the file cannot be read (nothing changes then).
bool ReadLpl(const std::string& fileName);

// Counts file: the observed flows of links and movements, replacing the previous
// ones. False when the file cannot be read, or none of its counts is of a link or
// movement of this network (nothing changes then).
bool ReadCounts(const std::string& fileName);
// Database listing: accepted, nothing in it is read.
int32_t ReadLpd();

} // namespace PalvonRead
