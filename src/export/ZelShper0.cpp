#include "export/ZelShper0.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <memory>
#include <set>
#include <tuple>

#include <shapefil.h>

#include "model/KDVvars.h"
#include "model/PalvonRead.h"
#include "model/ZelUtils.h"

#include <algorithm>

namespace ZelShper0 {

std::vector<TFieldDefs> ShpFields;
std::vector<TFieldValues> ShpValues;

namespace {
SHPHandle shp = nullptr;
DBFHandle dbf = nullptr;
std::unique_ptr<QTemporaryDir> tmpDir;
QString targetBase; // target path without extension
QString tmpBase;

void WriteValues(int32_t recNo, const std::vector<TFieldValues>& values)
{
    for (size_t i = 0; i < values.size(); ++i) {
        const TFieldValues& v = values[i];
        const int f = static_cast<int>(i);
        switch (v.Kind) {
        case 1:
            DBFWriteStringAttribute(dbf, recNo, f, v.Text.c_str());
            break;
        case 2:
            DBFWriteIntegerAttribute(dbf, recNo, f, v.Int);
            break;
        case 3:
            DBFWriteDoubleAttribute(dbf, recNo, f, v.Real);
            break;
        default:
            break;
        }
    }
}

void WriteShape(int type, int n, const double* x, const double* y)
{
    std::vector<double> zero(static_cast<size_t>(n), 0.0);
    SHPObject* o = SHPCreateObject(type, -1, 0, nullptr, nullptr, n, x, y, zero.data(), zero.data());
    SHPWriteObject(shp, -1, o);
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
} // namespace

bool ShpCreate(const std::string& fileName, int32_t shapeType, const std::vector<TFieldDefs>& fields,
               std::string& error)
{
    CloseHandles();
    const QFileInfo info(QString::fromStdString(fileName));
    targetBase = info.dir().filePath(info.completeBaseName());
    tmpDir = std::make_unique<QTemporaryDir>(info.dir().filePath(QStringLiteral(".shp-XXXXXX")));
    if (!tmpDir->isValid()) {
        error = "No se puede crear el archivo " + fileName;
        tmpDir.reset();
        return false;
    }
    tmpBase = tmpDir->filePath(info.completeBaseName());
    const QByteArray base = QFile::encodeName(tmpBase);
    shp = SHPCreate(base.constData(), shapeType);
    dbf = DBFCreate(base.constData());
    if (!shp || !dbf) {
        CloseHandles();
        tmpDir.reset();
        error = "No se puede crear el archivo " + fileName;
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
    if (!tmpDir)
        return false;
    CloseHandles();
    bool ok = true;
    for (const char* ext : {".shp", ".shx", ".dbf"}) {
        const QString from = tmpBase + QLatin1String(ext), to = targetBase + QLatin1String(ext);
        if (QFile::exists(to) && !QFile::remove(to))
            ok = false;
        else if (!QFile::rename(from, to))
            ok = false;
        if (!ok) {
            error = "No se pudo escribir el archivo " + to.toStdString();
            break;
        }
    }
    tmpDir.reset();
    return ok;
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

bool WriteLinkShapefile(const std::string& fileName, const std::vector<int32_t>& links, int32_t knobs,
                        int32_t vehClasses, bool hasPreload, int32_t nomads, std::string& error)
{
    // Ordered by A, then B, then record: the fixed-width key of the suite.
    std::set<std::tuple<int32_t, int32_t, int32_t>> keys;
    for (int32_t l : links)
        if (l >= 1 && l <= Network.LinkCount && Arcos[l].AIndex > 0 && Arcos[l].BIndex > 0)
            keys.insert({Arcos[l].A, Arcos[l].B, l});
    ShpFields = LinkFields(knobs, vehClasses, hasPreload, nomads);
    ShpValues.assign(ShpFields.size(), TFieldValues{});
    std::string base = fileName;
    const QFileInfo info(QString::fromStdString(fileName));
    base = info.dir().filePath(info.completeBaseName() + QStringLiteral(".shp")).toStdString();
    if (!ShpCreate(base, SHPT_ARC, ShpFields, error))
        return false;
    int32_t position = 0, written = 0;
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
    }
    return ShpClose(error);
}

bool WriteNetworkLinkShapefile(const std::string& fileName, const std::vector<int32_t>& links, std::string& error)
{
    const int32_t vehClasses = std::clamp(PalvonRead::TransitBlockCount, 0, PalvonRead::MaxTransitBlocks);
    return WriteLinkShapefile(fileName, links, std::max(PalvonRead::KNOBS, 0), vehClasses, PreloadShift == 1,
                              PalvonRead::NOMADS, error);
}

} // namespace ZelShper0
