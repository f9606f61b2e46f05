#pragma once
// Reader of the network data file: namelists, title, sections, include files,
// post-passes and the error list, plus the record-creation and sort operations.
#include "model/PalvonVars.h"
#include "model/TextLines.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace PalvonRead {

// ---- Reader state ---------------------------------------------------------
// What the caller tells a read.
struct TReadSettings {
    std::string NetworkDatFile;                // folder of this file resolves include names
    std::string ErrorListFile = "Errores.txt"; // in the current directory
    bool ReadTransitLines = true;              // off: the lines of sections 66666 are read over
    // On: a text that ends inside a section is refused whole (an opening keeps the
    // network it had); off: what was read up to there is kept, with a warning.
    bool RefuseIncomplete = false;
    // On: a read that succeeds leaves the gauge shown where it got to; the caller
    // hides it once the rest of its work (grids, map) is done.
    bool KeepGauge = false;
};

// One read of a network text: its place in the text, and what its includes and
// notes have done to the text so far. ReadNetwork makes one for each read and
// hands it to the routines that read further lines.
struct TNetworkReader {
    TReadSettings Settings;
    TTextLines* Lines = nullptr; // the network text being read
    int32_t LineIndex = -1;      // current line, -1 before the first read
    std::string CurrentLine;     // last line returned by ReadLine (upper-cased)
    bool AtEnd = false;          // ReadLine ran past the last line

    // An include whose lines stand in the text from first to last (marker lines included).
    struct IncludeRange {
        std::string path;
        int32_t first;
        int32_t last;
    };
    std::vector<IncludeRange> IncludeRanges;
    unsigned long long IncludedBytes = 0;
    int32_t IncludedFiles = 0;
    // Notes go into the text only when the read ends, all in one pass (see
    // InsertNotes). Each edit replaces `remove` lines at `at` (an index into the
    // text as it stands while reading) by `lines`.
    struct PendingEdit {
        int32_t at;
        int32_t remove;
        std::vector<std::string> lines;
    };
    std::vector<PendingEdit> PendingEdits;
    // Lines the pending edits add before the current line: line numbers shown to
    // the user count them, as they are in the text the user sees afterwards.
    int32_t PendingShift = 0;
    int TabWarnings = 0;  // lines with a TAB met so far (the first few get a message)
    int ProgressStep = 0; // lines read since the progress bar last moved
};

constexpr int32_t MaxXyFormWidth = 100; // widest XYFORM coordinate field accepted

using ::MaxKnobValues;
using ::MaxMovementExtraValues;
using ::MaxTransitBlocks;
using ::MaxUserClasses;

// The zone and hemisphere the network's positions are in: those the reader chose
// when it projected a network given in degrees, else the ones passed in (the
// options'), left as they are.
void ZoneOfPositions(int32_t& zone, std::string& hemisphere);

// Raised when input would overflow a record array; the read refuses the network.
class CapacityError : public std::runtime_error {
public:
    explicit CapacityError(const std::string& what) : std::runtime_error(what) {}
};

// ---- Reading --------------------------------------------------------------
// Reads the network text into the model. Returns false when the network was
// refused (capacity exceeded, includes past their limits, or a text that ends
// before its namelists do: an empty file, one cut inside them), after one message:
// the model is then left empty, never half-loaded.
bool ReadNetwork(TTextLines& lines, const TReadSettings& settings);
// The same over a list of strings (the lines after the read: includes expanded, notes written).
bool ReadNetwork(std::vector<std::string>& lines, const TReadSettings& settings);
// How many network texts this process has read (for the launch report, which
// tells whether the read ahead of the named network was taken up).
int NetworkReads();

// Next line that does not begin with '*', upper-cased; sets AtEnd (and returns "")
// when the text has no more lines.
std::string ReadLine(TNetworkReader& r);
// ReadLine without the copy: the line stays valid until the next read.
const std::string& NextLine(TNetworkReader& r);
// A line of the text as ReadLine returns it: without a final CR, upper-cased.
void LineAsRead(std::string_view raw, std::string& out);
void InsertLine(TNetworkReader& r, const std::string& text);
// Puts notes after the current line, in place of the notes an earlier read of the
// same text left there; they reach the text when the read ends, all in one pass.
void InsertNotes(TNetworkReader& r, std::vector<std::string> notes);
// When line begins with '$', expands the include file it names into the text and
// moves to the first included line (repeatedly). Returns the new current line.
std::string ExpandIncludes(TNetworkReader& r, std::string line);
bool IsTerminator(const std::string& line);
// Adds a line to the network's error list (and so to "Errores.txt").
void AddError(const std::string& text);
// Writes the network's error list to its file (Network.ErrorListFile).
void SaveErrorList();

// ---- Key routines ---------------------------------------------------------
bool KeyInLine(std::string& s, const std::string& key);
bool Contains(const std::string& key, const std::string& s);
std::string ValueAfterKey(const std::string& s, const std::string& key);
bool IsBlank(const std::string& s);
bool IsNumber(const std::string& s, int32_t& value, int width);
std::string BlankParentheses(const std::string& s);
void ParseXyForm(const std::string& value);
// Column field of a fixed-column line: Copy(line, first, width).
std::string Field(const std::string& line, int first, int width);
// The same field without a copy, for the records read by the thousand.
std::string_view FieldView(std::string_view line, int first, int width);
// True when a field that reads 0 says 0 (blanks, zeros, a point, a sign), false
// when its text is no number at all and the 0 only stands for it.
bool SaysZero(std::string_view text);

// ---- Record creation (capacity-checked) ------------------------------------
void ClearNetwork();
int32_t NodeIndex(int32_t number);
int32_t NewLink();
// A read about to make its links clears the values of every link record in bulk
// (start); NewLink then leaves them alone until the read ends (!start).
void ClearLinkValuesForRead(bool start);
int32_t NewMovement();
int32_t NewZone();   // ZoneCount+1, record cleared
int32_t NewSignal(); // SignalCount+1; returns the record index SignalCount-1
int32_t NewLine();   // LineCount+1, record cleared

// Link and movement keys as the files and grids show them.
std::string LinkKey(int32_t a, int32_t b);
// LinkKey written straight into a link's key.
void SetLinkKey(TShortText<23>& key, int32_t a, int32_t b);
std::string MovementKey(int32_t node, int32_t a, int32_t c);

// ---- Sorts -----------------------------------------------------------------
void SortNodes();
void SortLinks();
void SortMovements();

// ---- Post-passes -------------------------------------------------------------
void MakeLinksFromArms();
void MakeMovementsFromTurns();
void StagePass();
void MarkIsolatedNodes();
void MarkIsolatedZones();
// The conversion of geographic coordinates and the extent, after section 55555.
// The latitude and longitude of nodes positioned in projected coordinates are
// worked out when first needed: CompleteGeographicPositions fills those fields
// of every node still waiting for them (nothing else reads them before).
// DropGeographicPositions forgets the waiting nodes (the network is cleared).
void GeographicTestAndExtent();
void CompleteGeographicPositions();
void DropGeographicPositions();
void ReportUnusedLanes();

// ---- Section line routines (each gets the current line, includes expanded) ----
void ReadJunctionLine(TNetworkReader& r, std::string& line); // 11111
void ReadSection22222Line(std::string& line); // 22222
void ReadLinkLine(TNetworkReader& r, std::string& line);     // 33333
// Makes the records of the links read in section 33333, kept until the nodes
// are sorted (SortNodes first: the records are made in the order of their nodes).
// True when they are all the links, made in the order SortLinks gives and with
// the indices of their nodes' records (as LinkNodesPass gives them).
bool MakePendingLinks(const TNetworkReader& r);
// Gets the memory of the link records that section 33333 will make mapped by a
// thread while the text is read up to there (mapping fresh memory is a good part
// of making thousands of large records); FinishLinkStorage waits for it.
// It also has another thread work out the data columns of the section's lines
// meanwhile, for MakePendingLinks.
void PrepareLinkStorage(const TNetworkReader& r);
void FinishLinkStorage();
// Stops the thread that works the link lines out ahead and waits for it: to be
// called before the text changes.
void FinishReadingAhead();
// Ties arms and movements to their records, and links too unless linksIndexed
// (their node indices set already, as MakePendingLinks sets them).
void LinkNodesPass(bool linksIndexed = false);
void PostLinkPass();
void ReadNodeDataList();
void ReadDataLists();
void ReadSection44444Line(std::string& line);
void ReadCoordinateLine(std::string& line);
void ReadFreeCoordinateLine(std::string& line);
void ReadTransitLine(TNetworkReader& r, std::string& line, int block);
// After the transit sections: one message for all the lines read without nodes
// (each is named in the error list).
void ReportTransitSummary();
void ReadSection88888Line(std::string& line);
// Called at the start of every read so one network's values never leak into the next.
void ResetSectionState();

// ---- Parsers of sections 11111, 22222 and 33333 (on the current line) ----------
void ParseJunction(TNetworkReader& r, const std::string& line); // header; reads its arm and stage lines
void ParseSection22222(const std::string& line);
void ParseLinkRecord(TNetworkReader& r, const std::string& line); // may read the extra-data line
// Input that the fixed records cannot hold (more than 7 arms, lanes beyond 6, more
// than 6 stages or 20 stage values, more than 8 extra values) is clamped: each case
// goes to the error list at once, and PostLinkPass sums them up in one message.
void NoteLimit(const std::string& summary, const std::string& detail);
// A record given twice: to the error list at once, summed up in one message by
// PostLinkPass.
void NoteRepeat(const std::string& summary, const std::string& detail);
// A data field whose text is no number, read as 0: the same way.
void NoteUnreadable(const std::string& summary, const std::string& detail);

} // namespace PalvonRead
