// The assignment listing, the inspection listing and counts, opened with the
// network or on their own.
#include "mainwindow/PalvonViewer.h"
#include "model/KDVvars.h"
#include "model/LinkGeometry.h"
#include "model/PalvonListings.h"
#include "model/PalvonRead.h"
#include "model/PalvonVars.h"
#include "model/ProgramOptions.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"
#include "widgets/WaitCursor.h"

#include <QAction>
#include <QCheckBox>

#include <filesystem>

using ZelUtils::Format;

namespace {

bool FileExists(const std::string& name)
{
    std::error_code ec;
    return !name.empty() && name != "null" && std::filesystem::is_regular_file(name, ec);
}

std::string BaseName(const std::string& path) { return std::filesystem::path(path).filename().string(); }

QString Qs(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<int>(s.size())); }

// The options dialog's "open related files": the companion listings of a network.
bool OpenListings() { return ProgramOptions().OpenLP; }

// The listings add to an open network; without one they would have nothing to name.
bool NetworkOpen()
{
    if (Network.Loaded)
        return true;
    Services().ShowMessage("No hay una red abierta: abra primero una red Palvon.");
    return false;
}

// The entries/exits menus: one item per user class when there are several.
void SetEntSalMenus(TPalvonViewer& w, int32_t classes)
{
    w.Action(Cmd::EntSal_)->setVisible(false);
    for (int j = 1; j <= 15; ++j)
        w.Action(Qs(Format("EntSal%d", j)))->setVisible(classes > 1 && j <= classes);
}

bool ReadLpaFile(TPalvonViewer& w, const std::string& fileName)
{
    w.setWindowTitle(Qs(Format("%s (%s)", DatDir + DatFileName, BaseName(LpaFileName))));
    PalvonRead::TLpaOptions options;
    options.ReadPijas = ProgramOptions().ReadPijas;
    options.ComposeMovements = ProgramOptions().Tpo == 1;
    TWaitCursor wait;
    const PalvonRead::TLpaResult r = PalvonRead::ReadLpa(fileName, options);
    if (r.ClassesReached)
        SetEntSalMenus(w, PalvonRead::NOMADS);
    return r.Opened;
}

bool ReadLplFile(TPalvonViewer& w, const std::string& fileName)
{
    w.setWindowTitle(
        Qs(Format("%s (%s/%s)", DatDir + DatFileName, BaseName(LpaFileName), BaseName(LplFileName))));
    TWaitCursor wait;
    return PalvonRead::ReadLpl(fileName);
}

} // namespace

void TPalvonViewer::ReadCompanionListings()
{
    // A new network: PIJA records and class menus of the previous one name
    // elements that no longer exist.
    PalvonRead::ClearPijas();
    for (TCommandId name : {Cmd::AnalisisdePIJAs, Cmd::NivelArco, Cmd::NIvelMovimiento})
        Action(name)->setEnabled(false);
    SetEntSalMenus(*this, 0);
    if (!OpenListings())
        return;
    if (FileExists(LpaFileName))
        ReadLpaFile(*this, LpaFileName);
    if (FileExists(LplFileName))
        ReadLplFile(*this, LplFileName);
}

void TPalvonViewer::ShowCompanionListings()
{
    if (!OpenListings())
        return;
    if (FileExists(LpaFileName))
        Grids().DrawDataLpa();
    if (FileExists(LplFileName))
        Grids().DrawDataLpl();
}

// A listing opened on its own: the extremes are worked out again so that the
// variable menus of its new columns know their maxima.
void TPalvonViewer::OpenLpaFile(const std::string& fileName)
{
    if (!NetworkOpen())
        return;
    LpaFileName = fileName;
    if (!ReadLpaFile(*this, fileName))
        return;
    PalvonRead::ComputeLinkDataExtremes();
    Grids().DrawDataLpa();
    Grids().RefreshVarItems();
}

void TPalvonViewer::OpenLplFile(const std::string& fileName)
{
    if (!NetworkOpen())
        return;
    LplFileName = fileName;
    if (!ReadLplFile(*this, fileName))
        return;
    PalvonRead::ComputeLinkDataExtremes();
    Grids().DrawDataLpl();
    Grids().RefreshVarItems();
}

void TPalvonViewer::OpenCountsFile(const std::string& fileName)
{
    if (!NetworkOpen())
        return;
    CountsFileName = fileName;
    bool ok;
    {
        TWaitCursor wait;
        ok = PalvonRead::ReadCounts(fileName);
    }
    if (!ok)
        return;
    // The counts' own extremes decide whether "Flujo Observado" can be shown.
    PalvonRead::ComputeLinkDataExtremes();
    Grids().DrawDataCnt();
    Grids().RefreshVarItems();
}
