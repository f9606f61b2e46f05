#pragma once
// KMZ archives for a web globe: transit lines (all or the selected ones), the
// visible background line layers, and the packing of a written KML file.
// The options dialog is read by the caller and handed in; nothing here touches
// widgets.
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

// Copies the conversion settings into the KML writer (the offsets in metres).
void ApplyConversion(const TKmzConversion& conv);

// The KML file that goes beside an archive: the same name with ".kml".
std::string KmlNameFor(const std::string& kmzPath);

// Packs kmlPath as the only (deflated) entry of a new archive kmzPath and deletes
// kmlPath. On failure returns false with a Spanish message in error; the KML file
// is then left in place so nothing is lost.
bool PackKmz(const std::string& kmlPath, const std::string& kmzPath, std::string& error);

// Writes the transit-line documents into the open KML file: every line when
// allLines, else the lines whose selection flag is set.
void KmzLineasNodos(bool allLines);

// Style classes 1 (traces) and 2 (line nodes) of the line exports.
void SetLineClassStyles();

// Whole exports: KML beside the archive, packed, KML removed. False with a
// Spanish message in error when a file could not be written.
bool ExportLinesKmz(const std::string& kmzPath, const TKmzConversion& conv, bool allLines, std::string& error);
bool ExportGeoLayersKmz(const std::string& kmzPath, const TKmzConversion& conv, std::string& error);

// The selected lines as delimited text: name, "Snt", frequency, node count, then
// the node numbers without sign, separated by sep.
bool WriteSelectedLinesText(const std::string& path, char sep);

} // namespace KmzExport
