#pragma once
// A small word-processor document builder. It keeps the document in memory
// (paragraphs, tables with merged cells, inline pictures, breaks) and writes it
// as RTF, which every word processor opens, under whatever name the caller
// gives (".doc" names included). Pictures are embedded: EMF files as metafile
// pictures, PNG and JPEG as they are, any other image Qt reads as PNG.
//
// Tables are numbered from 1 in the order they are added, so callers can keep
// the number of the last table as the word-processor automation does.
#include <memory>
#include <string>
#include <vector>

namespace DocWriter {

// Paper codes of the word processor (2 Letter, 7 A4, 23 Tabloid, 1 11x17, 4 Legal).
struct PageSetup {
    int paperCode = 2;
    int orientation = 0;          // 0 portrait, 1 landscape
    double marginTop = 1.0;       // inches
    double marginBottom = 1.0;
    double marginLeft = 1.0;
    double marginRight = 1.0;
};

// Page size in points of a paper code and orientation (unknown codes give Letter).
void PaperSizePt(int paperCode, int orientation, double& widthPt, double& heightPt);

struct ParagraphFormat {
    bool centred = true;
    double spaceBeforePt = 0;
    double spaceAfterPt = 0;
    double fontSizePt = 10;
    bool bold = false;
    bool italic = false;
    std::string fontName = "Arial";
};

// Box of an inline picture in inches; 0 means "not given". With both given the
// picture takes the box; with one, the other follows the picture's proportions;
// with none it keeps its natural size times scale.
struct PictureBox {
    double widthIn = 0;
    double heightIn = 0;
    double scale = 1.0;
    double borderPt = 0.5;        // border line weight, black; 0 = none
};

struct Picture;
struct Cell;
struct Table;
struct Block;

class TDocWriter {
public:
    TDocWriter();
    ~TDocWriter();
    TDocWriter(const TDocWriter&) = delete;
    TDocWriter& operator=(const TDocWriter&) = delete;

    // Starts a new empty document with this page setup.
    void Open(const PageSetup& setup);
    bool IsOpen() const { return open_; }
    double PageWidthPt() const { return pageW_; }
    double PageHeightPt() const { return pageH_; }
    // Width and height of the text area (the page less its margins).
    double TextWidthPt() const;
    double TextHeightPt() const;

    // A new paragraph holding text (UTF-8 or Windows-1252 bytes).
    void AddParagraph(const std::string& text, const ParagraphFormat& format = ParagraphFormat());
    // An empty paragraph.
    void NewParagraph();
    void PageBreak();
    void SectionBreak(); // starts a new page

    // An optional centred title paragraph ("null" or empty for none) and a table
    // of rows x columns spread over the text width. Returns its number (from 1).
    int AddTable(int rows, int columns, const std::string& title);
    int TableCount() const;
    // Plain table (no shading of the header). Unknown table numbers are ignored.
    void TablePlain(int table);
    // Replaces the text of a cell (row and column from 1). Out-of-range cells are ignored.
    void CellText(int table, int row, int column, const std::string& text);
    // Merges the cell (row, column) with (row2, column2) along one row or one column.
    void MergeCells(int table, int row, int column, int row2, int column2);
    void CellCentredVertically(int table, int row, int column);
    // A picture in a cell, with an optional caption paragraph ("null" for none)
    // before it. False when the picture cannot be read.
    bool CellPicture(int table, int row, int column, const std::string& pictureFile,
                     const std::string& caption, const PictureBox& box);
    // A picture as its own centred paragraph, followed by an optional caption
    // paragraph of size 9 ("null" for none). False when the picture cannot be read.
    bool AddPicture(const std::string& pictureFile, const PictureBox& box,
                    const std::string& caption = "null");

    // The document as RTF.
    std::string Rtf() const;
    // Writes the document (temporary file + rename). On failure a numbered copy
    // is tried under the first free name ("report.doc" -> "report(1).doc",
    // "report(2).doc", ... up to 99; a name already taken is never replaced);
    // savedAs gets the name written. False when nothing could be written.
    bool SaveAs(const std::string& fileName, std::string* savedAs = nullptr);

    // Text of the last error (picture unreadable, file not writable).
    const std::string& LastError() const { return error_; }

private:
    Table* TableAt(int table);
    Cell* CellAt(int table, int row, int column);
    std::shared_ptr<Picture> LoadPicture(const std::string& file, const PictureBox& box);

    bool open_ = false;
    PageSetup setup_;
    double pageW_ = 612, pageH_ = 792;
    std::vector<Block> blocks_;
    std::vector<std::shared_ptr<Table>> tables_;
    std::string error_;
};

// Candidate name for the n-th numbered copy: extension (from the last '.')
// replaced by "(n).doc", or appended when the name has none.
std::string NumberedCopyName(const std::string& fileName, int n);

} // namespace DocWriter
