#include "export/ZelShper0.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <set>
#include <tuple>

#include <shapefil.h>

#include "model/FileUtils.h"
#include "model/KDVvars.h"
#include "model/PalvonRead.h"
#include "model/SafeFile.h"
#include "model/TextCodec.h"
#include "model/ZelUtils.h"

#include <unistd.h>

#include <algorithm>

namespace ZelShper0 {

namespace {
SHPHandle shp = nullptr;
DBFHandle dbf = nullptr;
std::unique_ptr<SafeFile::TScratchDir> scratch;
std::string shownName;                // the .shp as the user named it
std::string scratchBase;              // the set's path in the scratch folder, without extension
SafeFile::TTarget targets[3];         // .shp, .shx, .dbf
constexpr const char* Members[3] = {".shp", ".shx", ".dbf"};
int32_t shapesWritten = 0;
int32_t recordsWritten = 0;
int firstError = 0;                   // errno of the first failed write, flush or close
int32_t unfitCount = 0;               // real values too wide for their column, left empty
int unfitField = -1;                  // the field of the first of them
std::string unfitNote;                // said after the last link export, empty when all fitted

void NoteError(int err)
{
    if (!firstError)
        firstError = err ? err : EIO;
}

// The library's file access, with every write, flush and close checked: its own
// calls do not report a full disk.
SAFile HookOpen(const char* name, const char* access) { return reinterpret_cast<SAFile>(std::fopen(name, access)); }
SAOffset HookRead(void* p, SAOffset size, SAOffset n, SAFile f)
{
    return std::fread(p, size, n, reinterpret_cast<FILE*>(f));
}
SAOffset HookWrite(void* p, SAOffset size, SAOffset n, SAFile f)
{
    if (size == 0 || n == 0)
        return n; // nothing to write (fwrite would answer 0)
    const SAOffset done = std::fwrite(p, size, n, reinterpret_cast<FILE*>(f));
    if (done != n)
        NoteError(errno);
    return done;
}
SAOffset HookSeek(SAFile f, SAOffset offset, int whence)
{
    // A seek writes out what was buffered: a full disk or the file-size limit shows here first.
    const int rc = std::fseek(reinterpret_cast<FILE*>(f), static_cast<long>(offset), whence);
    if (rc != 0)
        NoteError(errno);
    return static_cast<SAOffset>(rc);
}
SAOffset HookTell(SAFile f) { return static_cast<SAOffset>(std::ftell(reinterpret_cast<FILE*>(f))); }
int HookFlush(SAFile f)
{
    const int rc = std::fflush(reinterpret_cast<FILE*>(f));
    if (rc != 0)
        NoteError(errno);
    return rc;
}
int HookClose(SAFile f)
{
    FILE* file = reinterpret_cast<FILE*>(f);
    if (std::fflush(file) != 0 || ::fsync(fileno(file)) != 0)
        NoteError(errno);
    const int rc = std::fclose(file);
    if (rc != 0)
        NoteError(errno);
    return rc;
}
int HookRemove(const char* name) { return std::remove(name); }
void HookError(const char*) {} // reported once, in Spanish, by ShpClose

SAHooks CheckedHooks()
{
    SAHooks h;
    SASetupDefaultHooks(&h);
    h.FOpen = HookOpen;
    h.FRead = HookRead;
    h.FWrite = HookWrite;
    h.FSeek = HookSeek;
    h.FTell = HookTell;
    h.FFlush = HookFlush;
    h.FClose = HookClose;
    h.Remove = HookRemove;
    h.Error = HookError;
    return h;
}

// The table declares Windows-1252 (language driver 87): a text kept as UTF-8 is
// written in that code page (characters outside it become '?'), and a UTF-8 text
// cut at its column width inside a character loses the broken character, not
// the whole text's reading.
QString DbfLetters(const std::string& bytes)
{
    std::string_view v = bytes;
    if (!TextCodec::IsValidUtf8(v)) {
        for (size_t back = 1; back <= 3 && back <= v.size(); ++back) {
            const auto c = static_cast<unsigned char>(v[v.size() - back]);
            if ((c & 0xC0) != 0xC0)
                continue;
            const size_t need = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
            if (need > back && TextCodec::IsValidUtf8(v.substr(0, v.size() - back)))
                v = v.substr(0, v.size() - back);
            break;
        }
    }
    return TextCodec::Decode(v);
}

std::string DbfText(const std::string& bytes) { return TextCodec::EncodeCp1252(DbfLetters(bytes)); }

// A real in its numeric column: with the column's decimals when it fits, with
// fewer when only they make it fit (123456.78 as "123456.8"), and empty (the
// library's asterisks, which readers take for no value) when not even its integer
// digits fit: the library would cut the text on the right, and 123456789 would be
// read as 12345678.
void WriteReal(int32_t recNo, int field, double value)
{
    int width = 0, decimals = 0;
    DBFGetFieldInfo(dbf, field, nullptr, &width, &decimals);
    if (std::isfinite(value))
        for (int d = std::max(decimals, 0); d >= 0; --d) {
            char text[400];
            const int n = std::snprintf(text, sizeof text, "%*.*f", width, d, value);
            if (n < 0 || n > width)
                continue;
            if (d == decimals)
                DBFWriteDoubleAttribute(dbf, recNo, field, value);
            else
                DBFWriteAttributeDirectly(dbf, recNo, field, text);
            return;
        }
    DBFWriteNULLAttribute(dbf, recNo, field);
    if (unfitCount++ == 0)
        unfitField = field;
}

void WriteValues(int32_t recNo, const std::vector<TFieldValues>& values)
{
    for (size_t i = 0; i < values.size(); ++i) {
        const TFieldValues& v = values[i];
        const int f = static_cast<int>(i);
        // A false return also means a value wider than its column (cut or starred),
        // which is no write failure: those are found by the checked file access.
        switch (v.Kind) {
        case 1:
            DBFWriteStringAttribute(dbf, recNo, f, DbfText(v.Text).c_str());
            break;
        case 2:
            DBFWriteIntegerAttribute(dbf, recNo, f, v.Int);
            break;
        case 3:
            WriteReal(recNo, f, v.Real);
            break;
        default:
            break;
        }
    }
    recordsWritten = std::max(recordsWritten, recNo + 1);
}

void WriteShape(int type, int n, const double* x, const double* y)
{
    std::vector<double> zero(static_cast<size_t>(n), 0.0);
    SHPObject* o = SHPCreateObject(type, -1, 0, nullptr, nullptr, n, x, y, zero.data(), zero.data());
    if (SHPWriteObject(shp, -1, o) < 0)
        NoteError(0);
    else
        ++shapesWritten;
    SHPDestroyObject(o);
}

void CloseHandles()
{
    if (shp)
        SHPClose(shp);
    if (dbf)
        DBFClose(dbf);
    shp = nullptr;
    dbf = nullptr;
}

void Discard()
{
    CloseHandles();
    scratch.reset();
}

// The finished set read back: as many shapes and records as were written.
bool ReadsBack()
{
    SAHooks h = CheckedHooks();
    SHPHandle s = SHPOpenLL((scratchBase + Members[0]).c_str(), "rb", &h);
    DBFHandle d = DBFOpenLL((scratchBase + Members[2]).c_str(), "rb", &h);
    int entities = -1;
    if (s)
        SHPGetInfo(s, &entities, nullptr, nullptr, nullptr);
    const int records = d ? DBFGetRecordCount(d) : -1;
    if (s)
        SHPClose(s);
    if (d)
        DBFClose(d);
    return entities == shapesWritten && records == std::max(recordsWritten, shapesWritten);
}

} // namespace

bool ShpCreate(const std::string& fileName, int32_t shapeType, const std::vector<TFieldDefs>& fields,
               std::string& error)
{
    Discard();
    const std::string base = FileUtils::ChangeFileExt(fileName, "");
    shownName = base + ".shp";
    for (int i = 0; i < 3; ++i) {
        const std::string why = SafeFile::Prepare(base + Members[i], targets[i]);
        if (!why.empty()) {
            error = FileUtils::WriteFailure(base + Members[i], why);
            return false;
        }
    }
    scratch = std::make_unique<SafeFile::TScratchDir>(targets[0].real);
    if (!scratch->Ok()) {
        error = FileUtils::WriteFailure(shownName, scratch->Why());
        scratch.reset();
        return false;
    }
    scratchBase = scratch->Path() + "/" + std::filesystem::path(base).filename().string();
    firstError = 0;
    shapesWritten = recordsWritten = 0;
    unfitCount = 0;
    unfitField = -1;
    SAHooks h = CheckedHooks();
    // The library takes what follows a name's last dot for an extension of its
    // own: given with theirs, names with a dot inside ("red.v2") keep it.
    shp = SHPCreateLL((scratchBase + Members[0]).c_str(), shapeType, &h);
    dbf = DBFCreateLL((scratchBase + Members[2]).c_str(), "LDID/87", &h); // as DBFCreate
    if (!shp || !dbf) {
        error = FileUtils::WriteFailure(shownName, SafeFile::Reason(firstError ? firstError : errno));
        Discard();
        return false;
    }
    for (const TFieldDefs& f : fields) {
        const DBFFieldType t = f.Type == 1 ? FTString : f.Type == 2 ? FTInteger : f.Type == 3 ? FTDouble : FTLogical;
        DBFAddField(dbf, f.Name.c_str(), t, f.Width, f.Decimals);
    }
    return true;
}

void ShpWriteArc(int32_t recNo, const std::vector<TFieldValues>& values, double x1, double y1, double x2, double y2)
{
    if (!shp)
        return;
    WriteValues(recNo, values);
    const double x[2] = {x1, x2}, y[2] = {y1, y2};
    WriteShape(SHPT_ARC, 2, x, y);
}

void ShpWritePolygon(int32_t recNo, const std::vector<TPoint>& points, const std::vector<TFieldValues>& values)
{
    if (!shp)
        return;
    WriteValues(recNo, values);
    std::vector<double> x, y;
    for (const TPoint& p : points) {
        x.push_back(p.x);
        y.push_back(p.y);
    }
    WriteShape(SHPT_POLYGON, static_cast<int>(points.size()), x.data(), y.data());
}

bool ShpClose(std::string& error)
{
    if (!scratch)
        return false;
    CloseHandles();
    std::string why;
    if (firstError)
        why = SafeFile::Reason(firstError);
    else if (!ReadsBack())
        why = "el archivo escrito no se puede leer completo";
    if (why.empty())
        SafeFile::ReplaceSet({scratchBase + Members[0], scratchBase + Members[1], scratchBase + Members[2]},
                             {targets[0], targets[1], targets[2]}, why);
    scratch.reset();
    if (!why.empty()) {
        error = FileUtils::WriteFailure(shownName, why);
        return false;
    }
    return true;
}

std::vector<TFieldDefs> LinkFields(int32_t knobs, int32_t vehClasses, bool hasPreload, int32_t nomads)
{
    using ZelUtils::Format;
    std::vector<TFieldDefs> f = {{"Id", 2, 5, 0, 0},       {"NodoA", 2, 10, 0, 0},  {"NodoB", 2, 10, 0, 0},
                                 {"Calle", 1, 40, 0, 0},   {"Tipo", 2, 1, 0, 0},    {"V0   ", 3, 8, 2, 1},
                                 {"Vc   ", 3, 8, 2, 2},    {"T0   ", 3, 8, 2, 3},  {"Tc   ", 3, 8, 2, 4},
                                 {"Cap  ", 3, 8, 2, 5},    {"Np   ", 3, 8, 2, 6},  {"Long ", 3, 8, 2, 7},
                                 {"n    ", 3, 8, 2, 8},    {"Cat  ", 3, 8, 2, 9}};
    auto real = [&](std::string name, int32_t var) { f.push_back({std::move(name), 3, 8, 2, var}); };
    for (int32_t j = 1; j <= knobs; ++j)
        real(Format("XDat%d", j), 27 + j);
    for (int32_t j = 1; j <= vehClasses; ++j)
        real(Format("Vehs%d", j), 40 + j);
    real("TpoOp", 11);
    real("VelOp", 12);
    real("FAsig", 13);
    real("FFijo", 14);
    real("FTotal", 15);
    if (hasPreload)
        real("FPlod", 65);
    if (nomads > 1) {
        for (int32_t j = 1; j <= nomads; ++j)
            real(Format("CGen%d", j), 50 + j);
        for (int32_t j = 1; j <= nomads; ++j)
            real(Format("FUsu%d", j), 65 + j);
    }
    const std::pair<const char*, int32_t> tail[] = {{"GSatA", 16},    {"Demora", 18},    {"LCola", 19},
                                                    {"Llegadas", 20}, {"MeanQueue", 21}, {"Flow", 22},
                                                    {"CapEf", 23},    {"GSatM", 24}};
    for (const auto& [name, var] : tail)
        real(name, var);
    return f;
}

std::vector<std::string> SetFiles(const std::string& fileName)
{
    const QFileInfo info(QString::fromStdString(fileName));
    const std::string base = info.dir().filePath(info.completeBaseName()).toStdString();
    std::vector<std::string> files;
    for (const char* member : Members)
        files.push_back(base + member);
    return files;
}

bool WriteLinkShapefile(const std::string& fileName, const std::vector<int32_t>& links, int32_t knobs,
                        int32_t vehClasses, bool hasPreload, int32_t nomads, std::string& error)
{
    unfitNote.clear();
    // Ordered by A, then B, then record: the fixed-width key of the suite.
    std::set<std::tuple<int32_t, int32_t, int32_t>> keys;
    for (int32_t l : links)
        if (l >= 1 && l <= Network.LinkCount && Arcos[l].AIndex > 0 && Arcos[l].BIndex > 0)
            keys.insert({Arcos[l].A, Arcos[l].B, l});
    const std::vector<TFieldDefs> ShpFields = LinkFields(knobs, vehClasses, hasPreload, nomads);
    std::vector<TFieldValues> ShpValues(ShpFields.size());
    if (!ShpCreate(SetFiles(fileName).front(), SHPT_ARC, ShpFields, error))
        return false;
    int32_t position = 0, written = 0;
    std::string firstUnfit, firstName;
    int32_t names = 0; // street names with letters the table's code page lacks
    for (const auto& [a, b, l] : keys) {
        ++position;
        const TArcos& arc = Arcos[l];
        const TNodo& na = Nodos[arc.AIndex];
        const TNodo& nb = Nodos[arc.BIndex];
        if (!na.HasXY || !nb.HasXY)
            continue;
        ShpValues[0] = {2, position, {}, 0.0};
        ShpValues[1] = {2, a, {}, 0.0};
        ShpValues[2] = {2, b, {}, 0.0};
        ShpValues[3] = {1, 0, arc.StreetName, 0.0};
        ShpValues[4] = {2, 1, {}, 0.0};
        for (size_t i = 5; i < ShpFields.size(); ++i) {
            const int32_t v = ShpFields[i].Var;
            ShpValues[i] = {3, 0, {}, v >= 1 && v <= NumLinkVars ? static_cast<double>(arc.Var[v]) : 0.0};
        }
        ShpWriteArc(written++, ShpValues, na.X, na.Y, nb.X, nb.Y);
        if (const QString letters = DbfLetters(arc.StreetName);
            !TextCodec::OutsideCp1252(letters).isEmpty() && names++ == 0)
            firstName = letters.toStdString();
        if (unfitCount > 0 && firstUnfit.empty())
            firstUnfit = ZelUtils::Format("%s del arco %d-%d, %s", ZelUtils::Trim(ShpFields[unfitField].Name),
                                          a, b, ZelUtils::Format("%.2f", ShpValues[unfitField].Real));
    }
    const int32_t unfit = unfitCount;
    if (!ShpClose(error))
        return false;
    std::vector<std::string> said;
    if (unfit == 1)
        said.push_back(ZelUtils::Format("un valor no cabe en su campo de 8 caracteres y quedó vacío (%s)", firstUnfit));
    else if (unfit > 1)
        said.push_back(ZelUtils::Format("%d valores no caben en su campo de 8 caracteres y quedaron vacíos (el "
                                        "primero, %s)",
                                        unfit, firstUnfit));
    if (names == 1)
        said.push_back(ZelUtils::Format("la calle \"%s\" tiene letras que la tabla (Windows-1252) no tiene y que se "
                                        "escribieron como \"?\"",
                                        firstName));
    else if (names > 1)
        said.push_back(ZelUtils::Format("%d calles tienen letras que la tabla (Windows-1252) no tiene y que se "
                                        "escribieron como \"?\" (la primera, \"%s\")",
                                        names, firstName));
    if (!said.empty())
        unfitNote = "El shapefile se escribió, pero " + said.front() + (said.size() > 1 ? "; y " + said.back() : "") + ".";
    return true;
}

std::string UnfitNotice() { return unfitNote; }

bool WriteNetworkLinkShapefile(const std::string& fileName, const std::vector<int32_t>& links, std::string& error)
{
    const int32_t vehClasses = std::clamp(Network.TransitBlockCount, 0, PalvonRead::MaxTransitBlocks);
    // The preload flow has its field while the link grid shows the listing's
    // preload column: not after another network, nor after a listing refused.
    const bool preload = PreloadShift == 1 && LpaFirstCol > 0;
    return WriteLinkShapefile(fileName, links, std::max(Network.Options.KNOBS, 0), vehClasses, preload,
                              Network.Options.NOMADS, error);
}

} // namespace ZelShper0
