#pragma once
// Pieces of the batch printing of a print definition that need no window: the
// names of the picture files, the captions, the table cells and the pairing of
// variable names with their titles.
#include <string>
#include <vector>

namespace BatchPrint {

// Caption of a picture in the document.
std::string PictureCaption(const std::string& redPalvon, const std::string& attributeTitle);

// Metafile of a network's picture: beside the document (when there is none, beside
// the definition; the current folder for one not read from a file), named after
// the network file with the extension ".emf".
std::string NetworkMetafile(const std::string& wordDocumentName, const std::string& networkFile,
                            const std::string& definitionFolder = std::string());

// Metafile of one variable's picture: the network file with its extension replaced
// by "_<header>.emf".
std::string VariableMetafile(const std::string& baseName, const std::string& header);

// Rows of the picture table: the nearest integer to count / columns, at least one.
int TableRows(int count, int columns);

// Moves to the next cell, filling the table row by row (row 1, column 0 before the
// first picture). False when the cell lies beyond the table's rows.
bool NextCell(int& row, int& column, int columns, int rows);

// Names of a ','-separated list paired with their titles: a missing or empty title
// is the name itself.
struct NamedVariable {
    std::string Name;
    std::string Title;
};
std::vector<NamedVariable> PairTitles(const std::string& names, const std::string& titles);

} // namespace BatchPrint

// ---- The batch itself ----
#include "printing/ZelPrinter.h"

struct TNet2Print;
struct TPrintDefinition;

namespace BatchPrint {

// What the batch needs of the main window.
class Hooks {
public:
    virtual ~Hooks() = default;
    // Before anything is done: the user keeps or gives up what the batch's
    // openings would lose. False: the batch does not start.
    virtual bool MayStart() { return true; }
    // Keeps the open network, its files and the view, to be given back by RestoreState.
    virtual void SaveState() {}
    virtual void RestoreState() {}
    // The caption gauge: caption, position and maximum.
    virtual void Gauge(const std::string& caption, int position, int maximum) { (void)caption; (void)position; (void)maximum; }
    virtual void HideGauge() {}
    // Opens the network of an entry with its auxiliary files and sets its view.
    // False: the network could not be opened (the window has said why).
    virtual bool OpenEntry(int index, const TNet2Print& entry) { (void)index; (void)entry; return true; }
    // Drawing mode of a variable group: 1 bands, 2 colour classes, 3 movement
    // attributes, 0 as it is. The legend is shown. A group drawn together
    // (`multiple`) starts with no variable: it shows its own and nothing left
    // from the picture before.
    virtual void SetGroupMode(int group, bool multiple) { (void)group; (void)multiple; }
    // A picture without variable ("none").
    virtual void ClearMode() {}
    // Draws by the variable of that name; the headers of the link and movement
    // columns chosen (empty when the name is not a variable of that kind).
    struct Choice {
        std::string LinkHeader;
        std::string MovementHeader;
        bool Searched = false; // a grid was searched for the name (a mode draws variables)
    };
    virtual Choice SelectVariable(const std::string& name, const std::string& title, bool multiple)
    {
        (void)name; (void)title; (void)multiple;
        return {};
    }
    // The five fixed colours of variables drawn together.
    virtual void SetMultipleColors() {}
    // Title of the variable drawn (for the caption): the movement variable's for
    // a picture of movements, else the link variable's.
    virtual std::string AttributeTitle(bool movement)
    {
        (void)movement;
        return std::string();
    }
    // Prints the view into the metafile on the page the settings choose; false
    // when nothing was written.
    virtual bool PrintView(const std::string& metafile, const TPrintSettings& pages)
    {
        (void)metafile; (void)pages;
        return false;
    }
    // Pictures whose files were there before the run are drawn aside and replace
    // those files at its end, after the document is written. A run the user gave
    // from the window replaces them only on a yes to MayReplace, asked once naming
    // them all; a run from the command line replaces them unasked.
    virtual bool AsksBeforeReplacing() { return false; }
    virtual bool MayReplace(const std::vector<std::string>& files)
    {
        (void)files;
        return true;
    }
};

// Prints every network of the print definition, into metafiles and,
// when a document is named, into the document. False when a network could not be
// opened, a picture could not be printed or the document could not be written.
// A name that is no variable of the kind its group draws gives no picture (nor
// a place in a picture drawn together): the batch says so once, at its end.
// The pictures take their pages from a copy of `pages` (the user's settings):
// each one the map's window at the printer's scale, on the document's paper
// when a document is written; the user's settings stay as they were.
bool Run(Hooks& hooks, const TPrintDefinition& definition, TPrintSettings pages);

} // namespace BatchPrint
