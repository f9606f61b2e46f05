#include "platform/DocWriter.h"

#include "model/FileUtils.h"
#include "model/SafeFile.h"
#include "model/TextCodec.h"

#include <QBuffer>
#include <QImage>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace DocWriter {

struct Picture {
    std::string kind;   // "emfblip", "pngblip", "jpegblip"
    std::string bytes;
    long picW = 0, picH = 0;     // EMF: 0.01 mm; bitmaps: pixels
    double widthPt = 0, heightPt = 0;
    double borderPt = 0;
};

struct Item {                     // one paragraph inside a cell or the body
    std::string text;
    std::shared_ptr<Picture> picture;
    ParagraphFormat format;
};

struct Cell {
    std::vector<Item> items;
    bool mergeFirstH = false, mergedH = false;
    bool mergeFirstV = false, mergedV = false;
    bool centreV = false;
};

struct Table {
    int rows = 0, columns = 0;
    bool plain = false;
    std::vector<Cell> cells;
    Cell& at(int r, int c) { return cells[static_cast<size_t>((r - 1) * columns + (c - 1))]; }
};

struct Block {
    enum Kind { Paragraph, TableRef, PageBreakKind, SectionBreakKind } kind = Paragraph;
    Item item;
    std::shared_ptr<Table> table;
};

namespace {

constexpr double kTwipsPerPt = 20.0;

long Twips(double pt) { return std::lround(pt * kTwipsPerPt); }

std::string Num(long v) { return std::to_string(v); }

// The width in points of the longest word of a text in a sans-serif face at
// `sizePt`, reckoned from the face's advance widths on the generous side
// (capitals 0.72 em, small letters 0.56 em, wide letters 0.84 em): a header
// cell as wide as its longest word never breaks that word.
double LongestWordPt(const std::string& bytes, double sizePt, bool bold)
{
    const QString text = TextCodec::Decode(bytes);
    double widest = 0, word = 0;
    for (QChar ch : text) {
        if (ch.isSpace()) {
            word = 0;
            continue;
        }
        const char16_t u = ch.unicode();
        double em = 0.6;
        if (u == 'm' || u == 'w' || u == 'M' || u == 'W')
            em = 0.84;
        else if (u == 'i' || u == 'l' || u == 'j' || u == 'I' || u == '.' || u == ',' || u == ':')
            em = 0.28;
        else if (ch.isUpper())
            em = 0.72;
        else if (ch.isLower() || ch.isDigit())
            em = 0.56;
        word += em * sizePt * (bold ? 1.06 : 1.0);
        widest = std::max(widest, word);
    }
    return widest;
}

// Text bytes as RTF: ASCII kept, RTF specials escaped, anything else as \uN.
std::string EscapeText(const std::string& bytes)
{
    const QString text = TextCodec::Decode(bytes);
    std::string out;
    for (QChar ch : text) {
        const char16_t u = ch.unicode();
        if (u == '\\' || u == '{' || u == '}') {
            out += '\\';
            out += static_cast<char>(u);
        } else if (u == '\t') {
            out += "\\tab ";
        } else if (u == '\r' || u == '\n') {
            out += "\\line ";
        } else if (u >= 0x20 && u < 0x80) {
            out += static_cast<char>(u);
        } else if (u >= 0x20) {
            out += "\\u" + std::to_string(static_cast<int16_t>(u)) + "?";
        }
    }
    return out;
}

std::string Hex(const std::string& bytes)
{
    static const char* digits = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2 + bytes.size() / 64 + 2);
    for (size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        out += digits[b >> 4];
        out += digits[b & 15];
        if (i % 64 == 63) out += "\r\n";
    }
    return out;
}

uint32_t U32(const std::string& b, size_t at)
{
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[at + static_cast<size_t>(i)]);
    return v;
}

std::string ParagraphStart(const ParagraphFormat& f, bool inTable)
{
    std::string s = "\\pard\\plain";
    if (inTable) s += "\\intbl";
    s += f.centred ? "\\qc" : "\\ql";
    s += "\\sb" + Num(Twips(f.spaceBeforePt)) + "\\sa" + Num(Twips(f.spaceAfterPt)) + "\\sl0";
    s += "\\f0\\fs" + Num(std::lround(f.fontSizePt * 2));
    if (f.bold) s += "\\b";
    if (f.italic) s += "\\i";
    return s + " ";
}

std::string PictureRtf(const Picture& p)
{
    std::string s = "{\\pict";
    if (p.borderPt > 0) {
        const std::string w = Num(Twips(p.borderPt));
        for (const char* side : {"t", "l", "b", "r"})
            s += std::string("\\brdr") + side + "\\brdrs\\brdrw" + w + "\\brdrcf1";
    }
    s += "\\" + p.kind;
    if (p.kind == "emfblip") s += "\\picw" + Num(p.picW) + "\\pich" + Num(p.picH);
    else s += "\\picw" + Num(p.picW) + "\\pich" + Num(p.picH);
    s += "\\picwgoal" + Num(Twips(p.widthPt)) + "\\pichgoal" + Num(Twips(p.heightPt)) + "\r\n";
    s += Hex(p.bytes);
    s += "}";
    return s;
}

std::string ItemContent(const Item& item)
{
    if (item.picture) return PictureRtf(*item.picture);
    return EscapeText(item.text);
}

} // namespace

void PaperSizePt(int paperCode, int orientation, double& widthPt, double& heightPt)
{
    switch (paperCode) {
    case 1:  // 11 x 17
    case 23: // Tabloid
        widthPt = 792; heightPt = 1224; break;
    case 4:  // Legal
        widthPt = 612; heightPt = 1008; break;
    case 7:  // A4
        widthPt = 595.3; heightPt = 841.9; break;
    default: // Letter
        widthPt = 612; heightPt = 792; break;
    }
    if (orientation == 1) std::swap(widthPt, heightPt);
}

std::string NumberedCopyName(const std::string& fileName, int n)
{
    const size_t slash = fileName.find_last_of("/\\");
    const size_t dot = fileName.rfind('.');
    const bool hasExt = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    const std::string stem = hasExt ? fileName.substr(0, dot) : fileName;
    return stem + "(" + std::to_string(n) + ").doc";
}

TDocWriter::TDocWriter() = default;
TDocWriter::~TDocWriter() = default;

void TDocWriter::Open(const PageSetup& setup)
{
    setup_ = setup;
    PaperSizePt(setup.paperCode, setup.orientation, pageW_, pageH_);
    blocks_.clear();
    tables_.clear();
    error_.clear();
    open_ = true;
}

void TDocWriter::AddParagraph(const std::string& text, const ParagraphFormat& format)
{
    Block b;
    b.item.text = text;
    b.item.format = format;
    blocks_.push_back(std::move(b));
}

void TDocWriter::NewParagraph() { AddParagraph(""); }

void TDocWriter::PageBreak()
{
    Block b;
    b.kind = Block::PageBreakKind;
    blocks_.push_back(std::move(b));
}

void TDocWriter::SectionBreak()
{
    Block b;
    b.kind = Block::SectionBreakKind;
    blocks_.push_back(std::move(b));
}

int TDocWriter::AddTable(int rows, int columns, const std::string& title)
{
    if (!title.empty() && title != "null") AddParagraph(title);
    auto t = std::make_shared<Table>();
    t->rows = std::max(rows, 1);
    t->columns = std::max(columns, 1);
    t->cells.resize(static_cast<size_t>(t->rows * t->columns));
    tables_.push_back(t);
    Block b;
    b.kind = Block::TableRef;
    b.table = t;
    blocks_.push_back(std::move(b));
    return static_cast<int>(tables_.size());
}

int TDocWriter::TableCount() const { return static_cast<int>(tables_.size()); }

Table* TDocWriter::TableAt(int table)
{
    if (table < 1 || table > static_cast<int>(tables_.size())) return nullptr;
    return tables_[static_cast<size_t>(table - 1)].get();
}

Cell* TDocWriter::CellAt(int table, int row, int column)
{
    Table* t = TableAt(table);
    if (!t || row < 1 || row > t->rows || column < 1 || column > t->columns) return nullptr;
    return &t->at(row, column);
}

void TDocWriter::TablePlain(int table)
{
    if (Table* t = TableAt(table)) t->plain = true;
}

void TDocWriter::CellText(int table, int row, int column, const std::string& text)
{
    Cell* c = CellAt(table, row, column);
    if (!c) return;
    c->items.clear();
    Item it;
    it.text = text;
    c->items.push_back(std::move(it));
}

void TDocWriter::MergeCells(int table, int row, int column, int row2, int column2)
{
    Table* t = TableAt(table);
    if (!t || !CellAt(table, row, column) || !CellAt(table, row2, column2)) return;
    if (row == row2 && column != column2) {
        const int a = std::min(column, column2), b = std::max(column, column2);
        t->at(row, a).mergeFirstH = true;
        for (int c = a + 1; c <= b; ++c) t->at(row, c).mergedH = true;
    } else if (column == column2 && row != row2) {
        const int a = std::min(row, row2), b = std::max(row, row2);
        t->at(a, column).mergeFirstV = true;
        for (int r = a + 1; r <= b; ++r) t->at(r, column).mergedV = true;
    }
}

void TDocWriter::CellCentredVertically(int table, int row, int column)
{
    if (Cell* c = CellAt(table, row, column)) c->centreV = true;
}

std::shared_ptr<Picture> TDocWriter::LoadPicture(const std::string& file, const PictureBox& box)
{
    std::string bytes;
    if (!FileUtils::ReadFile(file, bytes) || bytes.empty()) {
        error_ = "No se pudo leer la imagen: " + file;
        return nullptr;
    }
    auto p = std::make_shared<Picture>();
    double natW = 0, natH = 0; // points
    if (bytes.size() >= 88 && U32(bytes, 0) == 1 && std::memcmp(bytes.data() + 40, " EMF", 4) == 0) {
        const auto l = static_cast<int32_t>(U32(bytes, 24)), t = static_cast<int32_t>(U32(bytes, 28));
        const auto r = static_cast<int32_t>(U32(bytes, 32)), b = static_cast<int32_t>(U32(bytes, 36));
        p->kind = "emfblip";
        // Any bounds a file gives: the width is taken in 64 bits.
        p->picW = std::max<long>(1, static_cast<long>(r) - l);
        p->picH = std::max<long>(1, static_cast<long>(b) - t);
        natW = p->picW / 2540.0 * 72.0;
        natH = p->picH / 2540.0 * 72.0;
        p->bytes = std::move(bytes);
    } else {
        QImage img;
        if (!img.loadFromData(reinterpret_cast<const uchar*>(bytes.data()), static_cast<int>(bytes.size()))) {
            error_ = "Formato de imagen no reconocido: " + file;
            return nullptr;
        }
        const double dpmX = img.dotsPerMeterX() > 0 ? img.dotsPerMeterX() : 96 / 0.0254;
        const double dpmY = img.dotsPerMeterY() > 0 ? img.dotsPerMeterY() : 96 / 0.0254;
        p->picW = img.width();
        p->picH = img.height();
        natW = img.width() / dpmX / 0.0254 * 72.0;
        natH = img.height() / dpmY / 0.0254 * 72.0;
        if (bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") == 0) {
            p->kind = "pngblip";
            p->bytes = std::move(bytes);
        } else if (bytes.size() > 2 && static_cast<unsigned char>(bytes[0]) == 0xFF
                   && static_cast<unsigned char>(bytes[1]) == 0xD8) {
            p->kind = "jpegblip";
            p->bytes = std::move(bytes);
        } else {
            QByteArray png;
            QBuffer buf(&png);
            buf.open(QIODevice::WriteOnly);
            img.save(&buf, "PNG");
            p->kind = "pngblip";
            p->bytes.assign(png.constData(), static_cast<size_t>(png.size()));
        }
    }
    // Box rule: both given -> the box; one given -> proportions kept; none -> scale.
    if (box.widthIn > 0 && box.heightIn > 0) {
        p->widthPt = box.widthIn * 72.0;
        p->heightPt = box.heightIn * 72.0;
    } else {
        double w = natW * box.scale, h = natH * box.scale;
        if (box.heightIn > 0 && h > 0) {
            w = box.heightIn * 72.0 * w / h;
            h = box.heightIn * 72.0;
        } else if (box.widthIn > 0 && w > 0) {
            h = box.widthIn * 72.0 * h / w;
            w = box.widthIn * 72.0;
        }
        p->widthPt = w;
        p->heightPt = h;
    }
    p->borderPt = box.borderPt;
    return p;
}

namespace {

// A picture larger than the room it stands in is shrunk, proportions kept, so
// that it is never cut at a cell's or the page's edge.
void FitPicture(Picture& p, double maxWidthPt, double maxHeightPt)
{
    double k = 1.0;
    if (maxWidthPt > 0 && p.widthPt > maxWidthPt)
        k = maxWidthPt / p.widthPt;
    if (maxHeightPt > 0 && p.heightPt * k > maxHeightPt)
        k = maxHeightPt / p.heightPt;
    p.widthPt *= k;
    p.heightPt *= k;
}

} // namespace

double TDocWriter::TextWidthPt() const { return std::max(72.0, pageW_ - (setup_.marginLeft + setup_.marginRight) * 72); }

double TDocWriter::TextHeightPt() const
{
    return std::max(72.0, pageH_ - (setup_.marginTop + setup_.marginBottom) * 72);
}

bool TDocWriter::CellPicture(int table, int row, int column, const std::string& pictureFile,
                             const std::string& caption, const PictureBox& box)
{
    Cell* c = CellAt(table, row, column);
    if (!c) return false;
    auto pic = LoadPicture(pictureFile, box);
    if (!pic) return false;
    // The cell's width less the gap on each side (60 twips) and the border.
    if (const Table* t = TableAt(table))
        FitPicture(*pic, TextWidthPt() / std::max(1, t->columns) - 2 * 3.0 - 2 * pic->borderPt, TextHeightPt() * 0.9);
    Item p;
    p.picture = pic;
    c->items.push_back(std::move(p));
    if (caption != "null" && !caption.empty()) {
        Item cap;
        cap.text = caption;
        cap.format.fontSizePt = 9;
        c->items.push_back(std::move(cap));
    }
    return true;
}

bool TDocWriter::AddPicture(const std::string& pictureFile, const PictureBox& box, const std::string& caption)
{
    auto pic = LoadPicture(pictureFile, box);
    if (!pic) return false;
    FitPicture(*pic, TextWidthPt() - 2 * pic->borderPt, TextHeightPt() * 0.9);
    Block b;
    b.item.picture = pic;
    blocks_.push_back(std::move(b));
    if (caption != "null" && !caption.empty()) {
        ParagraphFormat f;
        f.fontSizePt = 9;
        AddParagraph(caption, f);
    }
    return true;
}

std::string TDocWriter::Rtf() const
{
    std::string s = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\r\n";
    s += "{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}}\r\n";
    s += "{\\colortbl;\\red0\\green0\\blue0;\\red217\\green217\\blue217;}\r\n";
    s += "\\paperw" + Num(Twips(pageW_)) + "\\paperh" + Num(Twips(pageH_));
    s += "\\margl" + Num(Twips(setup_.marginLeft * 72)) + "\\margr" + Num(Twips(setup_.marginRight * 72));
    s += "\\margt" + Num(Twips(setup_.marginTop * 72)) + "\\margb" + Num(Twips(setup_.marginBottom * 72));
    if (setup_.orientation == 1) s += "\\landscape";
    s += "\r\n\\sectd";
    if (setup_.orientation == 1) s += "\\lndscpsxn";
    s += "\r\n";

    const double textW = TextWidthPt();
    for (const Block& b : blocks_) {
        switch (b.kind) {
        case Block::Paragraph:
            s += ParagraphStart(b.item.format, false) + ItemContent(b.item) + "\\par\r\n";
            break;
        case Block::PageBreakKind:
            s += "\\pard\\plain\\page\\par\r\n";
            break;
        case Block::SectionBreakKind:
            s += "\\sect\\sectd\\sbkpage";
            if (setup_.orientation == 1) s += "\\lndscpsxn";
            s += "\r\n";
            break;
        case Block::TableRef: {
            const Table& t = *b.table;
            // Columns share the text width; one whose text would break inside a
            // word ("Nod/o") takes the width of its longest word, the others
            // share what is left, when the page has room for that.
            const double equalW = textW / t.columns, gapPt = 2 * 3.0 + 1.0;
            std::vector<double> need(static_cast<size_t>(t.columns), 0.0);
            for (int r = 1; r <= t.rows; ++r)
                for (int c = 1; c <= t.columns; ++c) {
                    const Cell& cell = const_cast<Table&>(t).at(r, c);
                    if (cell.mergeFirstH || cell.mergedH)
                        continue;
                    for (const Item& it : cell.items)
                        if (!it.picture)
                            need[size_t(c - 1)] = std::max(need[size_t(c - 1)],
                                                           LongestWordPt(it.text, it.format.fontSizePt, it.format.bold) + gapPt);
                }
            std::vector<double> width(static_cast<size_t>(t.columns), equalW);
            std::vector<bool> fixed(static_cast<size_t>(t.columns), false);
            for (bool changed = true; changed;) {
                changed = false;
                double rest = textW;
                int free = 0;
                for (size_t c = 0; c < need.size(); ++c) {
                    if (fixed[c])
                        rest -= need[c];
                    else
                        ++free;
                }
                if (free == 0 || rest <= 0)
                    break;
                for (size_t c = 0; c < need.size(); ++c)
                    if (!fixed[c] && need[c] > rest / free) {
                        fixed[c] = true;
                        changed = true;
                    }
                if (!changed)
                    for (size_t c = 0; c < need.size(); ++c)
                        width[c] = fixed[c] ? need[c] : rest / free;
            }
            double used = 0;
            for (double w : width)
                used += w;
            const bool fitted = std::find(fixed.begin(), fixed.end(), true) != fixed.end() && used <= textW + 0.5;
            std::vector<double> edge(width.size() + 1, 0.0);
            for (size_t c = 0; c < width.size(); ++c)
                edge[c + 1] = fitted ? edge[c] + width[c] : equalW * double(c + 1); // no room: even columns
            for (int r = 1; r <= t.rows; ++r) {
                s += "\\trowd\\trgaph60\\trqc";
                for (int c = 1; c <= t.columns; ++c) {
                    const Cell& cell = const_cast<Table&>(t).at(r, c);
                    if (cell.mergeFirstH) s += "\\clmgf";
                    if (cell.mergedH) s += "\\clmrg";
                    if (cell.mergeFirstV) s += "\\clvmgf";
                    if (cell.mergedV) s += "\\clvmrg";
                    if (cell.centreV) s += "\\clvertalc";
                    for (const char* side : {"t", "l", "b", "r"})
                        s += std::string("\\clbrdr") + side + "\\brdrs\\brdrw10";
                    if (!t.plain && r == 1) s += "\\clcbpat2";
                    s += "\\cellx" + Num(Twips(edge[size_t(c)]));
                }
                s += "\r\n";
                for (int c = 1; c <= t.columns; ++c) {
                    const Cell& cell = const_cast<Table&>(t).at(r, c);
                    if (cell.items.empty()) {
                        s += ParagraphStart(ParagraphFormat(), true) + "\\cell\r\n";
                        continue;
                    }
                    for (size_t i = 0; i < cell.items.size(); ++i) {
                        s += ParagraphStart(cell.items[i].format, true) + ItemContent(cell.items[i]);
                        s += i + 1 < cell.items.size() ? "\\par\r\n" : "\\cell\r\n";
                    }
                }
                s += "\\row\r\n";
            }
            s += "\\pard\\plain\r\n";
            break;
        }
        }
    }
    s += "}\r\n";
    return s;
}

bool TDocWriter::SaveAs(const std::string& fileName, std::string* savedAs)
{
    const std::string rtf = Rtf();
    if (FileUtils::WriteFileAtomic(fileName, rtf)) {
        if (savedAs) *savedAs = fileName;
        return true;
    }
    // The copies' names are made up here: one that is taken (a file of the user's,
    // a link to one, a folder) is passed over, never replaced.
    const SafeFile::TProgramNamed ownNames;
    for (int i = 1; i <= 99; ++i) {
        const std::string candidate = NumberedCopyName(fileName, i);
        struct stat st {};
        if (::lstat(candidate.c_str(), &st) == 0)
            continue;
        if (FileUtils::WriteFileAtomic(candidate, rtf)) {
            if (savedAs) *savedAs = candidate;
            error_.clear();
            return true;
        }
    }
    error_ = "No se pudo grabar archivo: " + fileName;
    return false;
}

} // namespace DocWriter
