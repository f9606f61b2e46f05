#pragma once
// The report document of the batch printing and of the phase reports: one
// document per writer, built in the order of the calls and written by WordSaveAs.
// The inputs of the page setup (paper, orientation, margins) are the print
// definition's (Net2Print.h).
#include "platform/DocWriter.h"
#include "printing/ZelPrinter.h"

#include <cstdint>
#include <string>

struct TPrintDefinition;

namespace ReportWriter {
// The page of the document as the print definition gives it (paper, orientation, margins).
DocWriter::PageSetup OptionsPageSetup(const TPrintDefinition& definition);
}

class TReportWriter {
public:
    // A document of that definition's paper, its pictures boxed by its entries.
    explicit TReportWriter(const TPrintDefinition& definition) : definition_(definition) {}

    // The document being built (for callers that need more than the routines below).
    DocWriter::TDocWriter& Document() { return doc_; }

    // Starts a new empty document with the page setup; sets the PrintCustomWidth and
    // PrintCustomHeight of the pictures' pages to 8 times the page size in points.
    void WordOpen(TPrintSettings& pages);
    void WordAddTable(int32_t rows, int32_t columns, const std::string& title);
    void WordTablePlain(int32_t table);
    void WordCellPicture(const std::string& fileName, int32_t table, int32_t row, int32_t column,
                         const std::string& caption);
    void WordAddFigure(const std::string& fileName, uint8_t breakKind, const std::string& title);
    void WordPicture(const std::string& fileName, int32_t network, const std::string& heading);
    void WordNewParagraph();
    void WordPageBreak();
    void WordSectionBreak();
    void WordAddText(const std::string& text);
    // Writes the document; when the name cannot be written a numbered copy is written
    // and named in a message. False (with a message) when nothing could be written.
    bool WordSaveAs(const std::string& fileName);

    int32_t WordTableCount = 0;           // number of the table added last (the caller counts)
    float FigureWidth = 0, FigureHeight = 0; // box of WordAddFigure, inches; 0 = not given
    float FigureScale = 1.0f;             // scale of a figure without a box
    int32_t CurrentNet = 0;               // Net2Print entry whose box sizes cell pictures

private:
    void Break(uint8_t kind);
    // A picture that cannot be read would leave a hole in the report: say which one.
    void ReportPicture(bool ok);

    const TPrintDefinition& definition_;
    DocWriter::TDocWriter doc_;
};
