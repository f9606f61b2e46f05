#include "printing/ReportWriter.h"

#include "model/PrintServices.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"
#include "printing/Net2Print.h"

#include <filesystem>

namespace {

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

DocWriter::PictureBox NetworkBox(const TPrintDefinition& definition, int32_t network, double border)
{
    DocWriter::PictureBox box;
    if (network >= 0 && network <= MaxNet2Print) {
        const TNet2Print& e = definition.Net2Print[size_t(network)];
        box.widthIn = e.Ancho > 0 ? e.Ancho : 0;
        box.heightIn = e.Alto > 0 ? e.Alto : 0;
    }
    box.borderPt = border;
    return box;
}

} // namespace

void TReportWriter::Break(uint8_t kind)
{
    if (kind == 1)
        doc_.PageBreak();
    else if (kind == 2)
        doc_.SectionBreak();
}

void TReportWriter::ReportPicture(bool ok)
{
    if (!ok)
        Services().ShowMessage(doc_.LastError());
}

namespace ReportWriter {

DocWriter::PageSetup OptionsPageSetup(const TPrintDefinition& definition)
{
    DocWriter::PageSetup setup;
    setup.paperCode = definition.WordPaperSize;
    setup.orientation = definition.WordOrientation;
    setup.marginTop = definition.MarginTop;
    setup.marginBottom = definition.MarginBottom;
    setup.marginLeft = definition.MarginLeft;
    setup.marginRight = definition.MarginRight;
    return setup;
}
} // namespace ReportWriter

void TReportWriter::WordOpen(TPrintSettings& pages)
{
    doc_.Open(ReportWriter::OptionsPageSetup(definition_));
    // The printer turns with the document, so pages rendered at the printer's size match it.
    PrintHooks().SetPrinterOrientation(definition_.WordOrientation == 1);
    pages.PrintCustomWidth = ZelUtils::Round(8 * doc_.PageWidthPt());
    pages.PrintCustomHeight = ZelUtils::Round(8 * doc_.PageHeightPt());
}

void TReportWriter::WordAddTable(int32_t rows, int32_t columns, const std::string& title)
{
    doc_.AddTable(rows, columns, title);
}

void TReportWriter::WordTablePlain(int32_t table) { doc_.TablePlain(table); }

void TReportWriter::WordCellPicture(const std::string& fileName, int32_t table, int32_t row, int32_t column,
                                    const std::string& caption)
{
    ReportPicture(doc_.CellPicture(table, row, column, FullPath(fileName), caption, NetworkBox(definition_, CurrentNet, 0.5)));
}

void TReportWriter::WordAddFigure(const std::string& fileName, uint8_t breakKind, const std::string& title)
{
    if (title != "null")
        doc_.AddParagraph(title, Centred(18));
    DocWriter::PictureBox box;
    box.widthIn = FigureWidth > 0 ? FigureWidth : 0;
    box.heightIn = FigureHeight > 0 ? FigureHeight : 0;
    box.scale = FigureScale;
    box.borderPt = 0.5;
    ReportPicture(doc_.AddPicture(FullPath(fileName), box));
    Break(breakKind);
}

void TReportWriter::WordPicture(const std::string& fileName, int32_t network, const std::string& heading)
{
    doc_.AddParagraph(heading == "null" ? fileName : heading, Centred());
    ReportPicture(doc_.AddPicture(FullPath(fileName), NetworkBox(definition_, network, 1.5), "Fuente: Elaboraci\xC3\xB3n Propia"));
    doc_.NewParagraph();
    if (network >= 0 && network <= MaxNet2Print)
        Break(definition_.Net2Print[size_t(network)].SaltoPagina);
}

void TReportWriter::WordNewParagraph() { doc_.NewParagraph(); }
void TReportWriter::WordPageBreak() { doc_.PageBreak(); }
void TReportWriter::WordSectionBreak() { doc_.SectionBreak(); }
void TReportWriter::WordAddText(const std::string& text) { doc_.AddParagraph(text, Centred()); }

bool TReportWriter::WordSaveAs(const std::string& fileName)
{
    const std::string full = FullPath(fileName);
    std::string saved;
    if (!doc_.SaveAs(full, &saved)) {
        Services().ShowMessage("ERROR - No se pudo grabar archivo: " + full);
        return false;
    }
    if (saved != full)
        Services().ShowMessage("ERROR - No se pudo grabar archivo: " + full + "\r        Se guard\xC3\xB3 una copia en: " + saved);
    return true;
}
