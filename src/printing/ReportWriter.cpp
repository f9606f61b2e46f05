#include "printing/ReportWriter.h"

#include "model/PrintServices.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"
#include "printing/Net2Print.h"

#include <filesystem>

int32_t WordTableCount = 0;
float FigureWidth = 0, FigureHeight = 0;
float FigureScale = 1.0f;
int32_t CurrentNet = 0;

namespace {

DocWriter::TDocWriter& Doc()
{
    static DocWriter::TDocWriter doc;
    return doc;
}

std::string FullPath(const std::string& name)
{
    std::error_code ec;
    std::filesystem::path p = std::filesystem::absolute(name, ec);
    return ec ? name : p.lexically_normal().string();
}

DocWriter::ParagraphFormat Centred(double spaceBefore = 0)
{
    DocWriter::ParagraphFormat f;
    f.centred = true;
    f.spaceBeforePt = spaceBefore;
    return f;
}

DocWriter::PictureBox NetworkBox(int32_t network, double border)
{
    DocWriter::PictureBox box;
    if (network >= 0 && network <= MaxNet2Print) {
        box.widthIn = Net2Print[network].Ancho > 0 ? Net2Print[network].Ancho : 0;
        box.heightIn = Net2Print[network].Alto > 0 ? Net2Print[network].Alto : 0;
    }
    box.borderPt = border;
    return box;
}

void Break(uint8_t kind)
{
    if (kind == 1)
        Doc().PageBreak();
    else if (kind == 2)
        Doc().SectionBreak();
}

// A picture that cannot be read would leave a hole in the report: say which one.
void ReportPicture(bool ok)
{
    if (!ok)
        Services().ShowMessage(Doc().LastError());
}

} // namespace

namespace ReportWriter {
DocWriter::TDocWriter& Document() { return Doc(); }

DocWriter::PageSetup OptionsPageSetup()
{
    DocWriter::PageSetup setup;
    setup.paperCode = WordPaperSize;
    setup.orientation = WordOrientation;
    setup.marginTop = MarginTop;
    setup.marginBottom = MarginBottom;
    setup.marginLeft = MarginLeft;
    setup.marginRight = MarginRight;
    return setup;
}
} // namespace ReportWriter

void WordOpen(TPrintSettings& pages)
{
    Doc().Open(ReportWriter::OptionsPageSetup());
    // The printer turns with the document, so pages rendered at the printer's size match it.
    PrintHooks().SetPrinterOrientation(WordOrientation == 1);
    pages.PrintCustomWidth = ZelUtils::Round(8 * Doc().PageWidthPt());
    pages.PrintCustomHeight = ZelUtils::Round(8 * Doc().PageHeightPt());
}

void WordAddTable(int32_t rows, int32_t columns, const std::string& title)
{
    Doc().AddTable(rows, columns, title);
}

void WordTablePlain(int32_t table) { Doc().TablePlain(table); }

void WordCellPicture(const std::string& fileName, int32_t table, int32_t row, int32_t column,
                     const std::string& caption)
{
    ReportPicture(Doc().CellPicture(table, row, column, FullPath(fileName), caption, NetworkBox(CurrentNet, 0.5)));
}

void WordAddFigure(const std::string& fileName, uint8_t breakKind, const std::string& title)
{
    if (title != "null")
        Doc().AddParagraph(title, Centred(18));
    DocWriter::PictureBox box;
    box.widthIn = FigureWidth > 0 ? FigureWidth : 0;
    box.heightIn = FigureHeight > 0 ? FigureHeight : 0;
    box.scale = FigureScale;
    box.borderPt = 0.5;
    ReportPicture(Doc().AddPicture(FullPath(fileName), box));
    Break(breakKind);
}

void WordPicture(const std::string& fileName, int32_t network, const std::string& heading)
{
    Doc().AddParagraph(heading == "null" ? fileName : heading, Centred());
    ReportPicture(Doc().AddPicture(FullPath(fileName), NetworkBox(network, 1.5), "Fuente: Elaboraci\xC3\xB3n Propia"));
    Doc().NewParagraph();
    if (network >= 0 && network <= MaxNet2Print)
        Break(Net2Print[network].SaltoPagina);
}

void WordNewParagraph() { Doc().NewParagraph(); }
void WordPageBreak() { Doc().PageBreak(); }
void WordSectionBreak() { Doc().SectionBreak(); }
void WordAddText(const std::string& text) { Doc().AddParagraph(text, Centred()); }

bool WordSaveAs(const std::string& fileName)
{
    const std::string full = FullPath(fileName);
    std::string saved;
    if (!Doc().SaveAs(full, &saved)) {
        Services().ShowMessage("ERROR - No se pudo grabar archivo: " + full);
        return false;
    }
    if (saved != full)
        Services().ShowMessage("ERROR - No se pudo grabar archivo: " + full + "\r        Se guard\xC3\xB3 una copia en: " + saved);
    return true;
}
