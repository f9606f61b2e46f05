#pragma once
// KMZ archives for a web globe: transit lines (all or the selected ones), the
// visible background line layers, and the packing of the KML into the archive.
// The options dialog is read by the caller and handed in; nothing here touches
// widgets.
#include "export/ZelKmzer.h"

#include <cstdint>
#include <string>

namespace KmzExport {

// The conversion settings taken from the options dialog.
struct TKmzConversion {
    int32_t UtmZone = 19;          // cbHuso item index + 1
    std::string Hemisphere = "S";  // first character of cbHemisf
    double OffsetXKm = 0.0;        // ceHorz
    double OffsetYKm = 0.0;        // ceVert
};

// The KML writer's options with these conversion settings (the offsets in metres)
// and no style class.
ZelKmzer::TKmlOptions KmlOptions(const TKmzConversion& conv);

// An archive being made: its KML, written by Kml(), goes as "<name>.kml" into a
// scratch folder beside the archive (removed with this object, whatever happens),
// and Finish puts it into a new archive built aside, which replaces kmzPath only
// when complete.
class TKmzBuild {
public:
    TKmzBuild(const std::string& kmzPath, const ZelKmzer::TKmlOptions& options);
    ~TKmzBuild();
    TKmzBuild(const TKmzBuild&) = delete;
    TKmzBuild& operator=(const TKmzBuild&) = delete;
    // False with the Spanish message in error when kmzPath cannot be written.
    bool Ok(std::string& error) const;
    const std::string& KmlPath() const { return kml_; }
    ZelKmzer::TKmlWriter& Kml() { return writer_; }
    // Ends the KML and packs it as the archive's only (deflated) entry. False with one
    // Spanish message in error; the earlier archive is then as it was.
    bool Finish(std::string& error);

private:
    std::string kmz_, kml_, problem_;
    ZelKmzer::TKmlWriter writer_;
    struct Scratch;
    Scratch* scratch_ = nullptr;
};

// Writes the transit-line documents into the open KML file: every line when
// allLines, else the lines whose selection flag is set.
void KmzLineasNodos(ZelKmzer::TKmlWriter& kml, bool allLines);

// Style classes 1 (traces) and 2 (line nodes) of the line exports.
void SetLineClassStyles(ZelKmzer::TKmlOptions& options);

// Whole exports: KML beside the archive, packed, KML removed. False with a
// Spanish message in error when a file could not be written.
bool ExportLinesKmz(const std::string& kmzPath, const TKmzConversion& conv, bool allLines, std::string& error);
bool ExportGeoLayersKmz(const std::string& kmzPath, const TKmzConversion& conv, std::string& error);

// The selected lines as delimited text: name, "Snt", frequency, node count, then
// the node numbers without sign, separated by sep.
bool WriteSelectedLinesText(const std::string& path, char sep);

} // namespace KmzExport
