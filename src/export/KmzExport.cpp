#include "export/KmzExport.h"
#include "export/DelimitedText.h"

#include "archive/ZipForge.h"
#include "export/ZelKmzer.h"
#include "map/DisplayStyles.h"
#include "map/GeoLayers.h"
#include "map/ViewState.h"
#include "model/FileUtils.h"
#include "model/SafeFile.h"
#include "model/KDVlib.h"
#include "model/PalvonVars.h"
#include "model/ZelUtils.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace KmzExport {

using namespace ZelKmzer;
using ZelUtils::Format;
namespace fs = std::filesystem;

namespace {
constexpr uint32_t clCyan = 0xFFFF00;    // (0, 255, 255) as 0x00BBGGRR
constexpr uint32_t clDarkRed = 0x000080; // (128, 0, 0)
constexpr uint32_t clYellowC = 0x00FFFF; // (255, 255, 0)
constexpr uint32_t clCream = 0xF0FBFF;   // (255, 251, 240)
} // namespace

TKmlOptions KmlOptions(const TKmzConversion& conv)
{
    TKmlOptions o;
    o.KmlUtmZone = conv.UtmZone;
    o.KmlHemisphere = conv.Hemisphere;
    o.KmlOffsetX = static_cast<float>(conv.OffsetXKm * 1000.0);
    o.KmlOffsetY = static_cast<float>(conv.OffsetYKm * 1000.0);
    return o;
}

struct TKmzBuild::Scratch {
    explicit Scratch(const std::string& beside) : dir(beside) {}
    SafeFile::TScratchDir dir;
};

TKmzBuild::TKmzBuild(const std::string& kmzPath, const TKmlOptions& options) : kmz_(kmzPath), writer_(options)
{
    SafeFile::TTarget target;
    problem_ = SafeFile::Prepare(kmzPath, target);
    if (!problem_.empty())
        return;
    scratch_ = new Scratch(target.real);
    if (!scratch_->dir.Ok()) {
        problem_ = scratch_->dir.Why();
        return;
    }
    // Absolute: the archive resolves what it adds against its base folder, and a
    // relative name would be taken twice.
    std::error_code ec;
    kml_ = fs::absolute(fs::path(scratch_->dir.Path()) / fs::path(kmzPath).filename().replace_extension(".kml"), ec)
               .lexically_normal()
               .string();
}

TKmzBuild::~TKmzBuild() { delete scratch_; }

bool TKmzBuild::Ok(std::string& error) const
{
    if (problem_.empty())
        return true;
    error = FileUtils::WriteFailure(kmz_, problem_);
    return false;
}

bool TKmzBuild::Finish(std::string& error)
{
    if (!Ok(error))
        return false;
    std::string why;
    if (!writer_.KmlEnd(&why)) {
        error = FileUtils::WriteFailure(kmz_, why);
        return false;
    }
    int added = 0;
    TZipForge zip;
    try {
        std::error_code ec;
        zip.FileName = fs::absolute(fs::path(kmz_), ec).lexically_normal().string();
        zip.BaseDir = fs::path(kml_).parent_path().string();
        zip.SetCompressionLevel(clNormal); // deflate level 6
        // A failure ends the packing: the message below is the only one the user reads.
        zip.OnProcessFileFailure = [](const std::string&, int, int, int, const std::string&, int& action) {
            action = 2;
        };
        zip.OpenArchiveMode(65535);
        zip.AddFiles(kml_, 10431, std::string());
        added = zip.FileCount();
        zip.CloseArchive();
        if (!zip.LeftOut().empty()) {
            error = FileUtils::WriteFailure(kmz_, "quedó fuera del archivo comprimido " + zip.LeftOut().front());
            return false;
        }
    } catch (const std::exception&) {
        why = zip.WriteProblem().empty() ? "no se pudo completar el archivo comprimido" : zip.WriteProblem();
        error = FileUtils::WriteFailure(kmz_, why);
        return false;
    }
    if (added < 1) {
        error = FileUtils::WriteFailure(kmz_, "no se pudo completar el archivo comprimido");
        return false;
    }
    return true;
}

void SetLineClassStyles(TKmlOptions& options)
{
    TKmlClassStyle& c1 = options.KmlClassStyles[1];
    c1.Id = 1;
    c1.LineColor = KmlColor(clCyan, 100);
    c1.LineWidth = 3.0f;
    c1.PolyColor = c1.LineColor;
    c1.IconIndex = 0;
    c1.IconScale = 0.0f;
    c1.LabelScale = 0.7f;
    TKmlClassStyle& c2 = options.KmlClassStyles[2];
    c2.Id = 2;
    c2.LineColor = KmlColor(clDarkRed, 100);
    c2.LineWidth = 1.0f;
    c2.PolyColor = c2.LineColor;
    c2.IconIndex = 1;
    c2.IconScale = 0.5f;
    c2.IconColor = KmlColor(clDarkRed, 100);
    c2.LabelScale = 0.6f;
    c2.LabelColor = KmlColor(clYellowC, 100);
}

void KmzLineasNodos(TKmlWriter& kml, bool allLines)
{
    for (int32_t li = 1; li <= Network.LineCount; ++li) {
        const TLinea& line = Lineas[li];
        if (!allLines && line.Visible == 0)
            continue;
        kml.KmlBeginDocument(Format("%s", line.Name), true);
        kml.KmlClass = 2;
        kml.KmlBeginFolder(line.Name + ".Nodos", false);
        TPoints trace;
        const int32_t count = line.Stops.empty() ? 0 : line.Stops[0];
        for (int32_t k = 1; k <= count && k < int32_t(line.Stops.size()); ++k) {
            const int32_t number = line.Stops[k];
            // A negative number marks a stop passed without halting: it is not placed;
            // nor is a node without a position on the map.
            const int32_t nd = number > 0 ? KDVlib::FindNodo(number) : 0;
            if (nd <= 0 || !Nodos[nd].HasXY)
                continue;
            kml.KmlPoint(Format("%d", Nodos[nd].Number), "", Nodos[nd].X, Nodos[nd].Y);
            trace.push_back(TPoint{Nodos[nd].X, Nodos[nd].Y});
        }
        kml.KmlEndFolder();
        kml.KmlClass = 1;
        if (trace.size() >= 2)
            kml.KmlLineString(Format("%s.Trazado", line.Name), trace, 0, "");
        kml.KmlEndDocument();
    }
    kml.KmlClass = 0;
}

bool ExportLinesKmz(const std::string& kmzPath, const TKmzConversion& conv, bool allLines, std::string& error)
{
    TKmlOptions options = KmlOptions(conv);
    SetLineClassStyles(options);
    TKmzBuild build(kmzPath, options);
    if (!build.Ok(error))
        return false;
    TKmlWriter& kml = build.Kml();
    kml.KmlBegin(build.KmlPath(), "null");
    if (allLines) {
        kml.KmlLineColor = KmlColor(clCyan, 100);
        kml.KmlPolyColor = KmlColor(clCream, 100);
        kml.KmlIconColor = KmlColor(clDarkRed, 100);
        kml.KmlLineWidth = 3.0f;
        kml.KmlIconScale = 0.7f;
        kml.KmlLabelScale = 0.7f;
        kml.KmlIconIndex = 1;
    }
    KmzLineasNodos(kml, allLines);
    return build.Finish(error);
}

bool ExportGeoLayersKmz(const std::string& kmzPath, const TKmzConversion& conv, std::string& error)
{
    TKmzBuild build(kmzPath, KmlOptions(conv));
    if (!build.Ok(error))
        return false;
    TKmlWriter& kml = build.Kml();
    kml.KmlBegin(build.KmlPath(), "null");
    for (int32_t l = 1; l <= GeoLayers().NumGeoLayers && l <= MaxGeoLayers; ++l) {
        if (GeoLayers().GeoLayerVisible[l] == 0)
            continue;
        kml.KmlLineColor = KmlColor(UserView().Items[10 + l].Color, 100);
        kml.KmlLineWidth = 1.5f;
        kml.KmlBeginDocument(GeoLayers().GeoLayerNames[l], true);
        kml.KmlClass = 0;
        for (int32_t g = GeoLayers().GeoLayerEnd[l - 1] + 1; g <= GeoLayers().GeoLayerEnd[l]; ++g) {
            const GeoLink& gl = GeoLayers().GeoLinks[g];
            const int32_t n = std::min<int32_t>(gl.Count, int32_t(gl.Points.size()));
            if (n < 1)
                continue;
            kml.KmlLineString(Format("%d", gl.Id), TPoints(gl.Points.begin(), gl.Points.begin() + n), 0, "");
        }
        kml.KmlEndDocument();
    }
    return build.Finish(error);
}

bool WriteSelectedLinesText(const std::string& path, char sep)
{
    const std::string s(1, sep);
    std::vector<std::string> out;
    for (int32_t li = 1; li <= Network.LineCount; ++li) {
        const TLinea& line = Lineas[li];
        if (line.Visible == 0)
            continue;
        const int32_t count = line.Stops.empty() ? 0 : std::min<int32_t>(line.Stops[0], int32_t(line.Stops.size()) - 1);
        std::string text = Format("%s%s%s%s%d%s%d", DelimitedText::Cell(line.Name, sep), s,
                                  DelimitedText::Cell(line.LineCode, sep), s, ZelUtils::Round(line.Frequency), s, count);
        for (int32_t k = 1; k <= count; ++k)
            text += Format("%s%d", s, std::abs(line.Stops[k]));
        out.push_back(std::move(text));
    }
    return FileUtils::WriteFileAtomic(path, FileUtils::JoinCrLf(out));
}

} // namespace KmzExport
