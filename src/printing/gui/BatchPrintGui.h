#pragma once
// The main window's side of the print definition and the batch printing.

#include <string>

class TPalvonViewer;

// Renders the current view (as printed) into an enhanced metafile; false, after
// telling the user, when the file cannot be written.
bool PrintViewToMetafile(TPalvonViewer& viewer, const std::string& fileName);

// Installs the printing services of the batch for that window (keeps the ones
// installed before for the rest). Later calls only change the window served.
void InstallBatchPrintServices(TPalvonViewer& viewer);
// True when the last batch printing did not print what it was asked to.
bool BatchPrintFailed();
