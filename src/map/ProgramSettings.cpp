#include "map/ProgramSettings.h"

#include "map/DisplayStyles.h"
#include "map/ViewState.h"
#include "model/ProgramOptions.h"
#include "model/ZelUtils.h"
#include "platform/IniFile.h"

#include <QDateTime>

#include <algorithm>

namespace ProgramSettings {

int FieldInt(const std::string& f) { return ZelUtils::ParseInt(f); }

std::vector<std::string> BuildRecentFiles(const TIniFile& ini)
{
    std::vector<std::string> entries;
    for (const std::string& section : ini.ReadSections()) {
        std::string file = ini.ReadString(section, "FileName", "null");
        std::string date = ini.ReadString(section, "Fecha", "null");
        entries.push_back(ZelUtils::Format("%s;%s;%s", date, file, section));
    }
    std::stable_sort(entries.begin(), entries.end(), [](const std::string& a, const std::string& b) {
        return ZelUtils::UpperCase(a) < ZelUtils::UpperCase(b);
    });
    return entries;
}

RecentEntry SplitRecentEntry(const std::string& entry)
{
    const size_t first = entry.find(';');
    if (first == std::string::npos)
        return {entry, std::string(), std::string()};
    const size_t last = entry.rfind(';');
    if (last == first)
        return {entry.substr(0, first), entry.substr(first + 1), std::string()};
    return {entry.substr(0, first), entry.substr(first + 1, last - first - 1), entry.substr(last + 1)};
}

std::vector<RecentItem> RecentMenuItems(const std::vector<std::string>& recentFiles, int limit)
{
    std::vector<RecentItem> items;
    int n = 0;
    for (int i = static_cast<int>(recentFiles.size()) - 1; i >= 0; --i) {
        if (++n > limit)
            break;
        const std::string file = SplitRecentEntry(recentFiles[static_cast<size_t>(i)]).fileName;
        if (file != "null" && !file.empty())
            items.push_back({i, file});
    }
    return items;
}

std::string SectionForNetwork(const TIniFile& ini, const std::vector<std::string>& recentFiles,
                              const std::string& fullName)
{
    std::string key = ZelUtils::UpperCase(fullName);
    for (const std::string& entry : recentFiles) {
        const RecentEntry f = SplitRecentEntry(entry);
        if (ZelUtils::UpperCase(f.fileName) == key)
            return f.section; // as it is spelled in the file
    }
    for (size_t d = 1; d <= recentFiles.size() + 1; ++d) {
        std::string name = ZelUtils::Format("File%d", static_cast<int>(d));
        if (!ini.SectionExists(name))
            return name;
    }
    return ZelUtils::Format("File%d", static_cast<int>(recentFiles.size() + 2));
}

std::string NowStamp()
{
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy/MM/dd hh:mm:ss")).toStdString();
}

namespace {
// Values kept as the dialog's controls hold them.
int Spin(const std::string& field, int minimum, int maximum)
{
    return TProgramOptions::ClampInt(FieldInt(field), minimum, maximum);
}
uint32_t Colour(const std::string& field) { return TProgramOptions::Colour(static_cast<uint32_t>(FieldInt(field))); }
} // namespace

void ReadOptions(const TIniFile& ini, TProgramOptions& o)
{
    auto g = ReadFields(ini, Section, "General", GeneralDefault, 8);
    o.OpenLP = FieldBool(g[0]);
    o.Overwrite = FieldBool(g[1]);
    o.SaveLayout = FieldBool(g[2]);
    o.DrawLayout = FieldBool(g[3]);
    o.SaveFNames = FieldBool(g[4]);
    o.FnameSaved = Spin(g[5], 1, 50);
    o.ReadPijas = FieldBool(g[6]);
    o.SaveGeos = FieldBool(g[7]);

    auto p = ReadFields(ini, Section, "Preferencias", PreferenciasDefault, 16);
    bool TProgramOptions::*prefs[9] = {&TProgramOptions::Sentidos,    &TProgramOptions::Nodos,
                                       &TProgramOptions::Arcos,       &TProgramOptions::NombreNodos,
                                       &TProgramOptions::Calles,      &TProgramOptions::Centroides,
                                       &TProgramOptions::Atributos,   &TProgramOptions::Valores,
                                       &TProgramOptions::Poligonos};
    for (int i = 0; i < 9; ++i)
        o.*prefs[i] = FieldBool(p[static_cast<size_t>(i)]);
    for (int i = 0; i < 3; ++i)
        o.Giros[static_cast<size_t>(i)] = FieldBool(p[static_cast<size_t>(9 + i)]);
    o.SeleccionGrafica = TProgramOptions::Choice(FieldInt(p[14]), 2);
    o.RutasFijas = TProgramOptions::Choice(FieldInt(p[15]), 2);

    auto c = ReadFields(ini, Section, "Colores", ColoresDefault, 17);
    o.ArcosColor = Colour(c[0]);
    o.BlockedColor = Colour(c[1]);
    o.AccesoColor = Colour(c[2]);
    o.TrazaColor = Colour(c[3]);
    o.ArrowsColor = Colour(c[4]);
    o.NodosColor = Colour(c[5]);
    o.SoleraColor = Colour(c[6]);
    o.SeleccionColor = Colour(c[7]);
    // A new selection width is every class's width.
    const int selectionWidth = Spin(c[8], 1, 5);
    if (selectionWidth != o.SeleccionAncho) {
        o.SeleccionAncho = selectionWidth;
        for (int k = 1; k <= NumSelClasses; ++k)
            UserView().ClassWidths[k] = selectionWidth;
    }
    o.ZonaBordeColor = Colour(c[9]);
    o.ZonaBordeAncho = Spin(c[10], 1, 5);
    o.ZonaRellenoColor = Colour(c[11]);
    o.ZonaRellenoClear = FieldBool(c[12]);
    o.PoliBordeColor = Colour(c[13]);
    o.PoliBordeAncho = Spin(c[14], 1, 5);
    o.PoliRellenoColor = Colour(c[15]);
    o.PoliRellenoClear = FieldBool(c[16]);

    auto a = ReadFields(ini, Section, "Ampliacion", AmpliacionDefault, 10);
    o.VisorZoomColor = Colour(a[0]);
    o.VisorZoomSize = Spin(a[1], 100, 500);
    o.ZoomPermanente = FieldBool(a[2]);
    o.EscalaZoom = TProgramOptions::Choice(FieldInt(a[3]), 8);
    bool TProgramOptions::*z[6] = {&TProgramOptions::zArrows, &TProgramOptions::zNodes,    &TProgramOptions::zNameNodes,
                                   &TProgramOptions::zCalles, &TProgramOptions::zAtributos, &TProgramOptions::zValues};
    for (int i = 0; i < 6; ++i)
        o.*z[i] = FieldBool(a[static_cast<size_t>(4 + i)]);
}

} // namespace ProgramSettings
