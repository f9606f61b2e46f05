#pragma once
// For the tests that fingerprint pictures of networks: where a case's network
// lies, and the digest of a picture's pixels.
#include "map/DisplayStyles.h"
#include "map/DrawState.h"
#include "model/FileUtils.h"
#include "model/HitGrid.h"
#include "model/JunctionOutlines.h"
#include "model/LinkGeometry.h"
#include "model/PalvonRead.h"
#include "support/TestUtil.h"

#include <QByteArrayView>
#include <QCryptographicHash>
#include <QImage>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace testutil {

// The display state a fresh program starts with.
inline void ResetDisplayState()
{
    DisplayStyles::SetDefaultStyles();
    DisplayStyles::SetDefaultClassStyles();
    UserView().SymbolColors.fill(0x00FFFF);
    UserView().NodeSize = 3;
    UserView().CentroidSize = 10;
    UserView().ArrowSize = 8;
    UserView().SignalSize = 10;
    UserView().NodeLabelPos = 6;
    UserView().StreetLabelPos = 1;
    UserView().StreetLabelOffset = 0.5f;
    UserView().Lanes.AnchoPista = 3.5f;
    UserView().Lanes.LaneOffset = 1.5f * UserView().Lanes.AnchoPista;
    UserView().FMov = 1.0;
    UserView().ShowLanes = false;
    LanesReady = false;
    UserView().ZoomIndex = 1;
}

// The sample network when the name begins with '/' (a path below the sources),
// else the real network of that name; empty when the real networks are absent.
inline std::string CaseNetworkPath(const char* file)
{
    if (file[0] == '/')
        return std::string(VELMORA_SOURCE_DIR) + file;
    const std::string path = realDataPath(file);
    return std::filesystem::exists(path) ? path : std::string();
}

// Reads the network and prepares it for drawing (hit grid, link and lane
// geometry, junction arms, data extremes), its error list written to
// `errorListFile`; `edit` changes the records first.
inline bool ReadCaseNetwork(const std::string& path, const std::string& errorListFile,
                            const std::function<void()>& edit = {})
{
    PalvonRead::TReadSettings settings;
    settings.NetworkDatFile = path;
    settings.ErrorListFile = errorListFile;
    std::vector<std::string> lines;
    if (!FileUtils::ReadLines(path, lines) || !PalvonRead::ReadNetwork(lines, settings))
        return false;
    if (edit)
        edit();
    KDVlib::BuildHitGrid();
    PalvonRead::ComputeLinkGeometry(UserView().Lanes);
    PalvonRead::OrderArms();
    PalvonRead::ComputeLinkDataExtremes();
    return true;
}

// The first 16 hex digits of the SHA1 of a 32-bit picture's pixels, row by row.
inline std::string PixelDigest(const QImage& image)
{
    QCryptographicHash h(QCryptographicHash::Sha1);
    for (int y = 0; y < image.height(); ++y)
        h.addData(QByteArrayView(reinterpret_cast<const char*>(image.constScanLine(y)), image.width() * 4));
    return h.result().toHex().left(16).toStdString();
}

} // namespace testutil
