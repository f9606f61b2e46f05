// Complementary link and movement data files.
#include "model/ComplementaryData.h"

#include "model/AuxFileText.h"
#include "model/FileUtils.h"
#include "model/KDVlib.h"
#include "model/KDVvars.h"
#include "model/LinkGeometry.h"
#include "model/PalvonVars.h"
#include "model/TextCodec.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"

#include <algorithm>

int32_t CompFirstColMovim = 0;
std::array<std::string, 41> ComplementaryNames;
int32_t CompWidthArcos = 0, CompWidthMovim = 0;

using ZelUtils::Format;

namespace KDVlib {

namespace {

// A street name keeps its first 30 characters; one written in UTF-8 is cut
// between characters, not inside one.
std::string StreetField(const std::string& text)
{
    if (!TextCodec::IsValidUtf8(text))
        return ZelUtils::Copy(text, 1, 30);
    size_t end = 0;
    for (int chars = 0; end < text.size() && chars < 30; ++chars)
        do
            ++end;
        while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80);
    return text.substr(0, end);
}

// The header decides the separator: more than two ';' (or else ',') as the file
// format has it; a header of one value column has only two, which also serve.
char HeaderSeparator(const std::string& header)
{
    const auto semicolons = std::count(header.begin(), header.end(), ';');
    const auto commas = std::count(header.begin(), header.end(), ',');
    if (semicolons > 2)
        return ';';
    if (commas > 2)
        return ',';
    if (semicolons == 2)
        return ';';
    if (commas == 2)
        return ',';
    return '\0';
}

struct TCompFile {
    std::vector<std::string> Lines; // header first
    char Sep = '\0';
    std::vector<std::string> Header;
};

// Reads the file and its header; false (after a message) when it cannot be used.
bool OpenCompFile(const std::string& fileName, TCompFile& file)
{
    const std::string base = AuxFileText::BaseName(fileName);
    if (!FileUtils::ReadLines(fileName, file.Lines)) {
        Services().ShowMessage(FileUtils::ReadFailure(fileName));
        return false;
    }
    while (!file.Lines.empty() && ZelUtils::Trim(file.Lines.back()).empty())
        file.Lines.pop_back();
    file.Sep = file.Lines.empty() ? '\0' : HeaderSeparator(file.Lines.front());
    if (file.Sep == '\0') {
        Services().ShowMessage(Format("Archivo %s con formato no reconocido:\rla primera línea debe nombrar "
                                      "las columnas separadas por ',' o ';'",
                                      base));
        return false;
    }
    AuxFileText::JoinQuotedLines(file.Lines, file.Sep);
    if (file.Lines.size() < 2) {
        Services().ShowMessage(Format("Archivo %s sin datos", base));
        return false;
    }
    file.Header = AuxFileText::QuotedFields(file.Lines.front(), file.Sep);
    return true;
}

// Value names from header field `first` (0-based) on; at most 40 (a message says so).
int32_t TakeNames(const std::vector<std::string>& header, size_t first)
{
    int32_t n = header.size() > first ? static_cast<int32_t>(header.size() - first) : 0;
    if (n > MaxComplementaryColumns) {
        Services().ShowMessage("Esta versión sólo admite hasta 40 variables,\rse considerarán sólo las 40 primeras");
        n = MaxComplementaryColumns;
    }
    for (auto& name : ComplementaryNames)
        name.clear();
    for (int32_t k = 1; k <= n; ++k)
        ComplementaryNames[static_cast<size_t>(k)] =
            ZelUtils::Copy(ZelUtils::Trim(header[first + static_cast<size_t>(k) - 1]), 1, 20);
    return n;
}

// Values 1..n of a data line from field `first` on: missing ones read as 0, text
// that is not a number too (counted, to be reported once).
template <class Values>
void ReadValues(const std::vector<std::string>& f, size_t first, int32_t n, Values var, int& unreadable)
{
    for (int32_t k = 1; k <= n; ++k) {
        const size_t i = first + static_cast<size_t>(k) - 1;
        float v = 0.0f;
        if (i < f.size()) {
            if (AuxFileText::NumberOrEmpty(f[i]))
                v = static_cast<float>(ZelUtils::ParseReal(f[i]));
            else
                ++unreadable;
        }
        var[k] = v;
    }
}

// What a load passed over or read as 0, told once at its end.
struct TLineFaults {
    int unreadable = 0; // values that are no number, read as 0
    int longer = 0;     // lines with more values than the header names, not read
    int repeated = 0;   // lines of a link or movement already read (the last one stands)
    int shortLines = 0; // lines lacking more than five trailing values, read as 0
};

// Up to five values missing at the end of a line read as 0 as a matter of course;
// a line short of more is told.
void CountShort(const std::vector<std::string>& f, size_t first, int32_t n, TLineFaults& faults)
{
    const size_t wanted = first + static_cast<size_t>(n);
    faults.shortLines += f.size() + 5 < wanted ? 1 : 0;
}

// A line holding text past the header's last column: a decimal comma splits each
// value in two, and its values would be read shifted.
bool LongerThanHeader(const std::vector<std::string>& f, size_t headerFields)
{
    for (size_t i = headerFields; i < f.size(); ++i)
        if (!ZelUtils::Trim(f[i]).empty())
            return true;
    return false;
}

void ReportFaults(const std::string& fileName, const TLineFaults& faults, const char* what)
{
    if (faults.unreadable == 0 && faults.longer == 0 && faults.repeated == 0 && faults.shortLines == 0)
        return;
    std::string said = Format("Archivo %s:", AuxFileText::BaseName(fileName));
    if (faults.longer > 0)
        said += Format("\r%d líneas con más valores que columnas en la cabecera no se leyeron", faults.longer);
    if (faults.unreadable > 0)
        said += Format("\r%d valores no numéricos se leyeron como 0", faults.unreadable);
    if (faults.shortLines > 0)
        said += Format("\r%d líneas con más de 5 valores de menos que la cabecera: los que faltan se leyeron como 0",
                       faults.shortLines);
    if (faults.repeated > 0)
        said += Format("\r%d líneas repiten %s ya leído; vale la última", faults.repeated, what);
    Services().ShowMessage(said);
}

template <size_t N>
TCompPlacement Place(int32_t& first, int32_t& width, int32_t& numCols, std::array<int32_t, N>& colVar,
                     std::array<std::string, N>& titles, int32_t firstVar, int32_t n, const char* gridName)
{
    TCompPlacement p;
    if (numCols <= 0) {
        first = width = 0;
        return p;
    }
    auto clear = [&](int32_t c, bool report) {
        colVar[static_cast<size_t>(c)] = 0;
        titles[static_cast<size_t>(c)].clear();
        if (report)
            p.Cleared.push_back(c);
    };
    // A block of an earlier layout (the grids were laid out afresh since) is gone.
    bool placed = first > 0 && width > 0 && first + width <= numCols &&
                  colVar[static_cast<size_t>(first)] == firstVar;
    if (placed && first + width != numCols && n > width) {
        // Another block follows: growing in place would overwrite it.
        for (int32_t c = first; c < first + width; ++c)
            clear(c, true);
        placed = false;
    }
    if (!placed) {
        first = numCols;
        width = 0;
    }
    const bool last = first + width == numCols;
    int32_t shown = std::min<int32_t>(n, static_cast<int32_t>(N) - first);
    if (shown < n)
        Services().ShowMessage(Format("La grilla de %s no admite más de %d columnas:\r"
                                      "se muestran %d de las %d columnas de datos complementarios.",
                                      gridName, static_cast<int>(N), std::max(shown, 0), n));
    shown = std::max(shown, 0);
    for (int32_t c = first + shown; c < first + width; ++c)
        clear(c, !last);
    if (last) {
        width = shown;
        numCols = first + shown;
    }
    for (int32_t k = 0; k < shown; ++k) {
        colVar[static_cast<size_t>(first + k)] = firstVar + k;
        titles[static_cast<size_t>(first + k)] = ComplementaryNames[static_cast<size_t>(k + 1)];
    }
    if (width == 0)
        first = 0;
    p.First = first;
    p.Count = shown;
    return p;
}

// The refusal of a file none of whose lines names a link (or movement) of this
// network: `named` lines gave its nodes; with none, the file is of no form known
// here rather than another network's.
std::string NotOfThisNetwork(const std::string& path, int named, const char* nodes, const char* one,
                             const char* many)
{
    if (named == 0)
        return Format("Archivo %s con formato no reconocido:\rcada línea debe dar %s y sus valores",
                      AuxFileText::BaseName(path), nodes);
    return AuxFileText::NoneOfThisNetwork(path, named, one, many);
}

// The movement of this network a line names by nodes A, B (the junction) and C,
// 0 for none. An exit node below 1 would make the finder take the first movement
// of the approach: such lines name no movement.
int32_t MovementOf(const std::vector<std::string>& f)
{
    if (f.size() < 3)
        return 0;
    const int32_t a = ZelUtils::ParseInt(f[0]), b = ZelUtils::ParseInt(f[1]), c = ZelUtils::ParseInt(f[2]);
    return a < 1 || b < 1 || c < 1 ? 0 : std::max(FindMovim(a, b, c), 0);
}

} // namespace

TCompPlacement PlaceComplementaryColumns(bool movements, int32_t n)
{
    if (movements)
        return Place(CompFirstColMovim, CompWidthMovim, NumColMovim, ColVarMovim, TitMovim,
                     FirstComplementaryMovVar, n, "movimientos");
    return Place(CompFirstCol, CompWidthArcos, NumColArcos, ColVarArcos, TitArcos, FirstComplementaryLinkVar, n,
                 "arcos");
}

bool LoadDatosComplementarios()
{
    TCompFile file;
    if (!OpenCompFile(ComplementaryFileName, file))
        return false;
    // The street column is there when field 3 of the first data line is no number
    // (an empty field counts as a street name; a signed number is a number).
    const std::vector<std::string> first = AuxFileText::QuotedFields(file.Lines[1], file.Sep);
    const bool street = first.size() >= 3 && (ZelUtils::Trim(first[2]).empty() ||
                                               !AuxFileText::NumberOrEmpty(first[2]));
    const size_t valuesFrom = street ? 3 : 2;
    // The data of another network would only clear the columns read before: with
    // no link of this network the file is not read, and the user is told why.
    // The links it names are counted by its lines of two fields or more: a blank
    // or a note line names none.
    int named = 0;
    const bool ours = std::any_of(file.Lines.begin() + 1, file.Lines.end(), [&](const std::string& line) {
        const std::vector<std::string> f = AuxFileText::QuotedFields(line, file.Sep);
        named += f.size() >= 2 ? 1 : 0;
        return f.size() >= 2 && FindArco(ZelUtils::ParseInt(f[0]), ZelUtils::ParseInt(f[1])) > 0;
    });
    if (!ours) {
        Services().ShowMessage(NotOfThisNetwork(ComplementaryFileName, named, "los nodos A, B",
                                                "su arco no es de esta red", "ninguno de sus %d arcos es de esta red"));
        return false;
    }
    const int32_t n = TakeNames(file.Header, valuesFrom);

    for (int32_t i = 1; i <= Network.LinkCount; ++i)
        std::fill(Arcos[i].Var.begin() + FirstComplementaryLinkVar,
                  Arcos[i].Var.begin() + FirstComplementaryLinkVar + MaxComplementaryColumns, 0.0f);
    TLineFaults faults;
    std::vector<uint8_t> read(static_cast<size_t>(Network.LinkCount) + 1, 0);
    for (size_t l = 1; l < file.Lines.size(); ++l) {
        const std::vector<std::string> f = AuxFileText::QuotedFields(file.Lines[l], file.Sep);
        if (f.size() < 2)
            continue;
        const int32_t link = FindArco(ZelUtils::ParseInt(f[0]), ZelUtils::ParseInt(f[1]));
        if (link <= 0 || link > Network.LinkCount)
            continue;
        if (LongerThanHeader(f, file.Header.size())) {
            ++faults.longer;
            continue;
        }
        faults.repeated += read[static_cast<size_t>(link)];
        read[static_cast<size_t>(link)] = 1;
        TArcos& a = Arcos[link];
        if (street && f.size() > 2)
            a.StreetName = StreetField(ZelUtils::Trim(f[2]));
        CountShort(f, valuesFrom, n, faults);
        ReadValues(f, valuesFrom, n, a.Var.begin() + FirstComplementaryLinkVar - 1, faults.unreadable);
    }
    // Every complementary variable was cleared: all of their extremes are renewed.
    PalvonRead::ComputeLinkVarExtremes(FirstComplementaryLinkVar,
                                       FirstComplementaryLinkVar + MaxComplementaryColumns - 1);
    const TCompPlacement p = PlaceComplementaryColumns(false, n);
    AuxFileHooks().ShowComplementaryColumns(false, p);
    ReportFaults(ComplementaryFileName, faults, "un arco");
    return true;
}

bool LoadDatosComplementariosMovs()
{
    TCompFile file;
    if (!OpenCompFile(ComplementaryMovFileName, file))
        return false;
    // As for the links' data: a file naming no movement of this network would
    // only clear the columns read before, so it is not read, and the user is told.
    int named = 0;
    const bool ours = std::any_of(file.Lines.begin() + 1, file.Lines.end(), [&](const std::string& line) {
        const std::vector<std::string> f = AuxFileText::QuotedFields(line, file.Sep);
        named += f.size() >= 3 ? 1 : 0;
        return MovementOf(f) > 0;
    });
    if (!ours) {
        Services().ShowMessage(NotOfThisNetwork(ComplementaryMovFileName, named, "los nodos A, B, C",
                                                "su movimiento no es de esta red",
                                                "ninguno de sus %d movimientos es de esta red"));
        return false;
    }
    const int32_t n = TakeNames(file.Header, 3);

    for (int32_t m = 1; m <= Network.MovementCount; ++m)
        std::fill(Movims[m].Var + FirstComplementaryMovVar,
                  Movims[m].Var + FirstComplementaryMovVar + MaxComplementaryColumns, 0.0f);
    TLineFaults faults;
    std::vector<uint8_t> read(static_cast<size_t>(Network.MovementCount) + 1, 0);
    for (size_t l = 1; l < file.Lines.size(); ++l) {
        const std::vector<std::string> f = AuxFileText::QuotedFields(file.Lines[l], file.Sep);
        const int32_t m = MovementOf(f);
        if (m <= 0 || m > Network.MovementCount)
            continue;
        if (LongerThanHeader(f, file.Header.size())) {
            ++faults.longer;
            continue;
        }
        faults.repeated += read[static_cast<size_t>(m)];
        read[static_cast<size_t>(m)] = 1;
        CountShort(f, 3, n, faults);
        ReadValues(f, 3, n, Movims[m].Var + FirstComplementaryMovVar - 1, faults.unreadable);
    }
    PalvonRead::ComputeMovementVarExtremes(FirstComplementaryMovVar,
                                           FirstComplementaryMovVar + MaxComplementaryColumns - 1);
    if (Network.MovementCount > 0) {
        const TCompPlacement p = PlaceComplementaryColumns(true, n);
        AuxFileHooks().ShowComplementaryColumns(true, p);
    }
    ReportFaults(ComplementaryMovFileName, faults, "un movimiento");
    return true;
}

} // namespace KDVlib
