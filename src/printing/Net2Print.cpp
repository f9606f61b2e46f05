#include "printing/Net2Print.h"

#include "map/DisplayStyles.h"
#include "map/Ranges.h"
#include "model/KDVvars.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"
#include "platform/DocWriter.h"
#include "platform/IniFile.h"

#include <algorithm>
#include <filesystem>
#include <optional>

namespace {

constexpr int32_t MaxPrintColumns = 63;   // columns of the picture table
constexpr int32_t MaxAnchoAtributo = 500; // pixels, as the scale dialog allows

// The paper key is written with an eñe; files come both in UTF-8 and in Latin-1.
int32_t ReadPaper(const TIniFile& ini)
{
    if (ini.ValueExists("General", "Tama\xC3\xB1oPapel"))
        return ini.ReadInteger("General", "Tama\xC3\xB1oPapel", -1);
    return ini.ReadInteger("General", "Tama\xF1oPapel", -1);
}

void ReadGeneral(const TIniFile& ini, const std::string& folder, TPrintGeneral& general, float& ancho, float& alto,
                 TPrintDefinition& d, TPrintSettings& pages)
{
    d.WordOrientation = ini.ReadInteger("General", "Orientacion", 0) == 1 ? 1 : 0;
    pages.PrintOnPrinterPage = false;
    switch (ReadPaper(ini)) {
    case -1: d.WordPaperSize = 2; pages.PrintOnPrinterPage = true; break;
    case 1: d.WordPaperSize = 7; break;
    case 2: d.WordPaperSize = 23; break;
    case 3: d.WordPaperSize = 1; break;
    case 4: d.WordPaperSize = 4; break;
    default: d.WordPaperSize = 2; break;
    }
    // The metafile pages take the paper named here (8 pixels a point, as the
    // report's own page): with no report document to give them its page they
    // would otherwise have no size at all.
    if (!pages.PrintOnPrinterPage) {
        double widthPt = 0, heightPt = 0;
        DocWriter::PaperSizePt(d.WordPaperSize, d.WordOrientation, widthPt, heightPt);
        pages.PrintCustomWidth = ZelUtils::Round(8 * widthPt);
        pages.PrintCustomHeight = ZelUtils::Round(8 * heightPt);
    }
    d.MarginTop = ini.ReadFloat("General", "MargenSup", 1.0);
    d.MarginBottom = ini.ReadFloat("General", "MargenInf", 1.0);
    d.MarginLeft = ini.ReadFloat("General", "MargenIzq", 1.0);
    d.MarginRight = ini.ReadFloat("General", "MargenDer", 1.0);
    d.PrintColumns = ini.ReadInteger("General", "NumeroColumnas", 0);
    d.PrintInColumns = d.PrintColumns > 0;
    UserView().LinkShift = ini.ReadInteger("General", "DesplazamientoValor", 0);
    d.WordDocumentName = Net2PrintFile::FullPathOrNull(ini.ReadString("General", "DocumentoWord", "null"), folder);
    d.WordDocumentDefinitionFolder = d.WordDocumentName == "null" ? std::string() : folder;
    d.DefinitionFolder = folder;
    ancho = static_cast<float>(ini.ReadFloat("General", "Ancho", 0));
    alto = static_cast<float>(ini.ReadFloat("General", "Alto", 0));
    general.LineaSoleras = Net2PrintFile::FullPathOrNull(ini.ReadString("General", "LineaSoleras", "null"), folder);
    general.TemaVelmora = ini.ReadString("General", "TemaVelmora", "null");
}

void ReadTheme(const TIniFile& ini, Net2PrintView& view, TPrintTheme& theme)
{
    std::string zoom = ini.ReadString("Tema", "Zoom", "");
    // A window of fewer than four numbers would leave the view half set: ignored.
    if (!zoom.empty() && Net2PrintFile::ParseFields(zoom, 4, theme.Zoom)) {
        theme.HasZoom = true;
        UserView().WorldMinX = theme.Zoom[0];
        UserView().WorldMinY = theme.Zoom[1];
        UserView().WorldMaxX = theme.Zoom[2];
        UserView().WorldMaxY = theme.Zoom[3];
    }
    theme.ValorMaximo = ini.ReadFloat("Tema", "ValorMaximo", 0);
    const int32_t width = ini.ReadInteger("Tema", "AnchoAtributo", UserView().PixsVol);
    if (width >= 1 && width <= MaxAnchoAtributo)
        UserView().PixsVol = width;
    else
        Services().ShowMessage(ZelUtils::Format("AnchoAtributo=%d en la definición de impresión está fuera de rango "
                                                "(1 a %d); se mantiene %d",
                                                width, MaxAnchoAtributo, UserView().PixsVol));
    theme.AnchoAtributo = UserView().PixsVol;
    theme.VerNombreNodos = ini.ReadInteger("Tema", "VerNombreNodos", 0) == 1;
    theme.Fixed = ini.ReadInteger("Tema", "Fixed", 0) == 1;
    int32_t left = 0, top = 0;
    view.LegendPosition(left, top);
    double pos[2];
    if (Net2PrintFile::ParseFields(ini.ReadString("Tema", "Vineta", ZelUtils::Format("%d;%d", left, top)), 2, pos)) {
        left = ZelUtils::Round(pos[0]);
        top = ZelUtils::Round(pos[1]);
    }
    theme.VinetaLeft = left;
    theme.VinetaTop = top;
    std::string soleras = ini.ReadString("Tema", "ColorSoleras", "null");
    if (soleras != "null") {
        theme.HasColorSoleras = true;
        theme.ColorSoleras = static_cast<uint32_t>(ZelUtils::ParseNumber(ZelUtils::Trim(soleras)).asInt());
        UserView().Items[11].Color = theme.ColorSoleras;
    }
    std::string color = ini.ReadString("Tema", "Color", "null");
    if (color != "null") {
        double pb[2];
        if (!Net2PrintFile::ParseFields(color, 2, pb))
            Net2PrintFile::ParseFields("8454143;8421631", 2, pb);
        theme.HasColor = true;
        theme.Pen = static_cast<uint32_t>(ZelUtils::Round(pb[0]));
        theme.Brush = static_cast<uint32_t>(ZelUtils::Round(pb[1]));
        if (UserView().RangeMode >= 0 && UserView().RangeMode <= MaxRangeModes) {
            UserView().ModePenColors[UserView().RangeMode] = theme.Pen;
            UserView().ModeBrushColors[UserView().RangeMode] = theme.Brush;
        }
    }
}

void ReadNetwork(const TIniFile& ini, const std::string& folder, const std::string& s, TNet2Print& e, float ancho,
                 float alto, int32_t legendLeft, int32_t legendTop)
{
    e.Section = s;
    e.RedPalvon = ini.ReadString(s, "RedPalvon", "null");
    e.NetworkFile = Net2PrintFile::FullPathOrNull(e.RedPalvon, folder);
    e.DatosComplementarios = Net2PrintFile::FullPathOrNull(ini.ReadString(s, "DatosComplementarios", "null"), folder);
    e.DatosComplementariosMovs = Net2PrintFile::FullPathOrNull(ini.ReadString(s, "DatosComplementariosMovs", "null"), folder);
    e.SeleccionArcos = Net2PrintFile::FullPathOrNull(ini.ReadString(s, "SeleccionArcos", "null"), folder);
    e.OcultaSeleccion = ini.ReadInteger(s, "OcultaSeleccion", 0);
    e.AnulaSeleccion = ini.ReadInteger(s, "AnulaSeleccion", 0);
    e.Vineta = ini.ReadString(s, "Vineta", ZelUtils::Format("%d;%d", legendLeft, legendTop));
    e.Poligonos = Net2PrintFile::FullPathOrNull(ini.ReadString(s, "Poligonos", "null"), folder);
    e.Zoom = ini.ReadString(s, "Zoom", "");
    e.Titulos = ini.ReadString(s, "Titulos", "");
    e.SaltoPagina = static_cast<uint8_t>(ini.ReadInteger(s, "SaltoPagina", 0));
    e.VarMultiple = ini.ReadInteger(s, "VarMultiple", 1);
    e.Vars[0] = ini.ReadString(s, "Variables", "");
    e.Vars[1] = ini.ReadString(s, "VarVolumen", "");
    e.Vars[2] = ini.ReadString(s, "VarColores", "");
    e.Vars[3] = ini.ReadString(s, "VarMovim", "");
    e.VarTitles[1] = ini.ReadString(s, "TitVolumen", e.Vars[1]);
    e.VarTitles[2] = ini.ReadString(s, "TitColores", e.Vars[2]);
    e.VarTitles[3] = ini.ReadString(s, "TitMovim", e.Vars[3]);
    e.Ancho = static_cast<float>(ini.ReadFloat(s, "Ancho", ancho));
    e.Alto = static_cast<float>(ini.ReadFloat(s, "Alto", alto));
    e.Color = ini.ReadString(s, "Color", "null");
}

// What a key of the definition holds, so that a value the reader cannot take is
// told rather than silently replaced by the key's default.
enum class TValue { Text, Integer, Decimal, Zoom, Pair, PairOrNull, NumberOrNull };

struct TKey {
    const char* name;
    TValue value;
};

constexpr TKey GeneralKeys[] = {
    {"Orientacion", TValue::Integer}, {"Tama\xC3\xB1oPapel", TValue::Integer}, {"Tama\xF1oPapel", TValue::Integer},
    {"MargenSup", TValue::Decimal}, {"MargenInf", TValue::Decimal}, {"MargenIzq", TValue::Decimal},
    {"MargenDer", TValue::Decimal}, {"NumeroColumnas", TValue::Integer}, {"DesplazamientoValor", TValue::Integer},
    {"DocumentoWord", TValue::Text}, {"Ancho", TValue::Decimal}, {"Alto", TValue::Decimal},
    {"LineaSoleras", TValue::Text}, {"TemaVelmora", TValue::Text}};

constexpr TKey ThemeKeys[] = {
    {"Zoom", TValue::Zoom}, {"ValorMaximo", TValue::Decimal}, {"AnchoAtributo", TValue::Integer},
    {"VerNombreNodos", TValue::Integer}, {"Fixed", TValue::Integer}, {"Vineta", TValue::Pair},
    {"ColorSoleras", TValue::NumberOrNull}, {"Color", TValue::PairOrNull}};

constexpr TKey NetworkKeys[] = {
    {"RedPalvon", TValue::Text}, {"DatosComplementarios", TValue::Text}, {"DatosComplementariosMovs", TValue::Text},
    {"SeleccionArcos", TValue::Text}, {"OcultaSeleccion", TValue::Integer}, {"AnulaSeleccion", TValue::Integer},
    {"Vineta", TValue::Pair}, {"Poligonos", TValue::Text}, {"Zoom", TValue::Zoom}, {"Titulos", TValue::Text},
    {"SaltoPagina", TValue::Integer}, {"VarMultiple", TValue::Integer}, {"Variables", TValue::Text},
    {"VarVolumen", TValue::Text}, {"VarColores", TValue::Text}, {"VarMovim", TValue::Text},
    {"TitVolumen", TValue::Text}, {"TitColores", TValue::Text}, {"TitMovim", TValue::Text},
    {"Ancho", TValue::Decimal}, {"Alto", TValue::Decimal}, {"Color", TValue::PairOrNull}};

// Why the reader cannot take the value of `key` in `section`; empty when it can.
std::string ValueFault(const TIniFile& ini, const std::string& section, const std::string& key, TValue kind)
{
    const std::string value = ZelUtils::Trim(ini.ReadString(section, key, ""));
    double fields[4];
    switch (kind) {
    case TValue::Text: return {};
    // Read twice with two defaults: a value the reader takes gives the same both times.
    case TValue::Integer:
        return value.empty() || ini.ReadInteger(section, key, 0) == ini.ReadInteger(section, key, 1)
                   ? std::string()
                   : "no es un n\xC3\xBAmero entero";
    case TValue::Decimal:
        return value.empty() || ini.ReadFloat(section, key, 0) == ini.ReadFloat(section, key, 1)
                   ? std::string()
                   : "no es un n\xC3\xBAmero con punto decimal";
    case TValue::Zoom:
        return value.empty() || Net2PrintFile::ParseFields(value, 4, fields)
                   ? std::string()
                   : "no son cuatro n\xC3\xBAmeros separados por \xC2\xAB;\xC2\xBB";
    case TValue::PairOrNull:
        if (value == "null")
            return {};
        [[fallthrough]];
    case TValue::Pair:
        return Net2PrintFile::ParseFields(value, 2, fields) ? std::string()
                                                            : "no son dos n\xC3\xBAmeros separados por \xC2\xAB;\xC2\xBB";
    case TValue::NumberOrNull:
        return value == "null" || ZelUtils::IsNumber(value) ? std::string() : "no es un n\xC3\xBAmero";
    }
    return {};
}

// The lines of the definition the reader leaves aside (a key it does not know, a
// value it cannot take), one a line, each named by its number, section and text.
std::string LinesLeftAside(const TIniFile& ini, const std::vector<std::string>& sections)
{
    std::string out;
    for (const std::string& section : sections) {
        const std::string upper = ZelUtils::UpperCase(section);
        const bool general = upper == "GENERAL", theme = upper == "TEMA";
        const TKey* first = general ? std::begin(GeneralKeys) : theme ? std::begin(ThemeKeys) : std::begin(NetworkKeys);
        const TKey* last = general ? std::end(GeneralKeys) : theme ? std::end(ThemeKeys) : std::end(NetworkKeys);
        for (const std::string& key : ini.ReadSection(section)) {
            // Known when one of the section's names finds the same line (the
            // reader's own comparison of names decides).
            const size_t line = ini.LineOf(section, key);
            const TKey* known = std::find_if(first, last, [&](const TKey& k) { return ini.LineOf(section, k.name) == line; });
            const std::string why = known == last ? "no es una clave de la secci\xC3\xB3n"
                                                  : ValueFault(ini, section, key, known->value);
            if (!why.empty())
                out += ZelUtils::Format("\rl\xC3\xADnea %d, [%s] %s=%s: %s", static_cast<int>(line),
                                        section, key, ini.ReadString(section, key, ""), why);
        }
    }
    return out;
}

} // namespace

namespace Net2PrintFile {

bool ParseFields(const std::string& value, int count, double* out)
{
    std::vector<std::string> fields = ZelUtils::SplitString(value, ';');
    if (static_cast<int>(fields.size()) != count)
        return false;
    for (int i = 0; i < count; ++i) {
        std::string f = ZelUtils::Trim(fields[i]);
        if (!ZelUtils::IsNumber(f))
            return false;
        out[i] = ZelUtils::ParseReal(f);
    }
    return true;
}

std::string FullPathOrNull(const std::string& name, const std::string& folder)
{
    if (name == "null" || name.empty())
        return name.empty() ? std::string("null") : name;
    std::error_code ec;
    const std::filesystem::path given(name);
    std::filesystem::path p = given.is_relative() && !folder.empty() ? std::filesystem::path(folder) / given
                                                                      : std::filesystem::absolute(given, ec);
    return ec ? name : p.lexically_normal().string();
}

bool InsideFolder(const std::string& path, const std::string& folder)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path file = fs::weakly_canonical(fs::absolute(path, ec), ec);
    if (ec)
        return false;
    const fs::path base = fs::weakly_canonical(fs::absolute(folder, ec), ec);
    if (ec)
        return false;
    const fs::path inside = file.lexically_relative(base);
    return !inside.empty() && *inside.begin() != ".." && *inside.begin() != "." && !inside.is_absolute();
}

std::optional<std::string> DocumentTarget(const TPrintDefinition& definition)
{
    if (definition.WordDocumentName == "null" || definition.WordDocumentName.empty()
        || definition.WordDocumentDefinitionFolder.empty()
        || InsideFolder(definition.WordDocumentName, definition.WordDocumentDefinitionFolder))
        return definition.WordDocumentName;
    // The document and the pictures beside it would be written where the user
    // never chose: the definition is refused whole.
    Services().ShowMessage(ZelUtils::Format("El documento %s queda fuera de la carpeta de la definici\xC3\xB3n "
                                            "de impresi\xC3\xB3n (%s): no se imprimi\xC3\xB3 nada.",
                                            definition.WordDocumentName, definition.WordDocumentDefinitionFolder));
    return std::nullopt;
}

std::string FilesNotThere(const TPrintDefinition& definition, bool ownFiles)
{
    std::string gone;
    const int count = std::min<int>(definition.Net2PrintCount, MaxNet2Print + 1);
    for (int i = 0; i < count; ++i) {
        const TNet2Print& e = definition.Net2Print[size_t(i)];
        if (e.NetworkFile == "null" || e.NetworkFile.empty())
            continue;
        const std::pair<const char*, const std::string*> files[] = {
            {"RedPalvon", &e.NetworkFile},
            {"DatosComplementarios", &e.DatosComplementarios},
            {"DatosComplementariosMovs", &e.DatosComplementariosMovs},
            {"SeleccionArcos", &e.SeleccionArcos},
            {"Poligonos", &e.Poligonos}};
        for (const auto& [key, file] : files) {
            std::error_code ec;
            if (*file != "null" && !file->empty() && !std::filesystem::is_regular_file(*file, ec))
                gone += ZelUtils::Format("\r[%s] %s: no se encuentra %s", e.Section, key, *file);
            if (!ownFiles)
                break;
        }
    }
    return gone;
}

} // namespace Net2PrintFile

bool ReadWriteNet2Print(const std::string& fileName, TPrintDefinition& definition, TPrintSettings& pages,
                        Net2PrintView* view)
{
    std::error_code ec;
    if (fileName.empty() || !std::filesystem::is_regular_file(fileName, ec)) {
        Services().ShowMessage(ZelUtils::Format("No se encuentra la definición de impresión %s.", fileName));
        return false;
    }
    Net2PrintView none;
    Net2PrintView& v = view ? *view : none;
    // The file checked above is the file read, whatever folder it lies in; the
    // names it gives without a folder lie beside it, whichever folder is current.
    const std::filesystem::path file = std::filesystem::absolute(fileName, ec);
    const std::string folder = file.parent_path().string();
    TIniFile ini(file.string());
    // A table of billions of cells would exhaust memory long before it is printed.
    const int32_t columns = ini.ReadInteger("General", "NumeroColumnas", 0);
    if (columns < 0 || columns > MaxPrintColumns) {
        Services().ShowMessage(ZelUtils::Format("NumeroColumnas=%d en la definición de impresión %s está fuera de "
                                                "rango (0 a %d); la definición no se lee.",
                                                columns, fileName, MaxPrintColumns));
        return false;
    }
    std::vector<std::string> sections = ini.ReadSections();
    // The table has room for 301 sections. A definition with more is refused
    // before anything of it is applied: a batch that left the further networks
    // out would print less than the user defined, and say nothing of it.
    if (sections.size() > static_cast<size_t>(MaxNet2Print + 1)) {
        Services().ShowMessage(ZelUtils::Format("La definición de impresión %s tiene %d secciones y caben %d; "
                                                "la definición no se lee.",
                                                fileName, static_cast<int>(sections.size()), MaxNet2Print + 1));
        return false;
    }
    definition.Net2PrintCount = static_cast<int32_t>(sections.size());

    TPrintGeneral general;
    float ancho = 0, alto = 0;
    ReadGeneral(ini, folder, general, ancho, alto, definition, pages);
    // A layer file that is not there replaces none of the user's layers.
    std::string aside;
    if (std::error_code gone; general.LineaSoleras != "null" && !std::filesystem::is_regular_file(general.LineaSoleras, gone)) {
        aside += ZelUtils::Format("\rl\xC3\xADnea %d, [General] LineaSoleras=%s: no se encuentra %s",
                                  static_cast<int>(ini.LineOf("General", "LineaSoleras")),
                                  ini.ReadString("General", "LineaSoleras", ""), general.LineaSoleras);
        general.LineaSoleras = "null";
    }
    v.ApplyGeneral(general);

    TPrintTheme theme;
    ReadTheme(ini, v, theme);
    v.ApplyTheme(theme);
    // Networks without their own legend place keep it where the theme put it.
    int32_t legendLeft = 0, legendTop = 0;
    v.LegendPosition(legendLeft, legendTop);

    for (size_t i = 0; i < sections.size(); ++i) {
        TNet2Print& e = definition.Net2Print[i];
        std::string upper = ZelUtils::UpperCase(sections[i]);
        if (upper == "GENERAL" || upper == "TEMA") {
            e.RedPalvon = "null";
            e.NetworkFile = "null";
            continue;
        }
        ReadNetwork(ini, folder, sections[i], e, ancho, alto, legendLeft, legendTop);
    }
    aside = LinesLeftAside(ini, sections) + aside;
    if (!aside.empty())
        Services().ShowMessage(ZelUtils::Format("La definici\xC3\xB3n de impresi\xC3\xB3n %s tiene l\xC3\xADneas que "
                                                "no se pueden tomar en cuenta; se dejan de lado:",
                                                fileName) + aside);
    return true;
}
