// The assignment listing, the inspection listing and counts, opened with the
// network or on their own.
#include "mainwindow/FilesController.h"
#include "mainwindow/PalvonViewer.h"
#include "map/gui/DisplayController.h"
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

#include <cstdlib>
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
// Item `j` of the entries/exits family ("EntSal%d"); a name missing from the table
// is a programming error.
TCommandId EntSalItem(int j)
{
    const QString name = Qs(Format("EntSal%d", j));
    if (const CommandTable::TCommand* row = CommandTable::Find(name))
        return row->Id;
    CommandTable::UnknownCommand(name, "SetEntSalMenus");
    std::abort();
}

void SetEntSalMenus(TWindowHost& w, int32_t classes)
{
    w.Action(Cmd::EntSal_)->setVisible(false);
    for (int j = 1; j <= 15; ++j)
        w.Action(EntSalItem(j))->setVisible(classes > 1 && j <= classes);
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
        SetEntSalMenus(w, Network.Options.NOMADS);
    // A file without the flow listing gave nothing: it is refused as one that
    // cannot be read.
    return r.Opened && r.FlowsFound;
}

bool ReadLplFile(TPalvonViewer& w, const std::string& fileName)
{
    w.setWindowTitle(
        Qs(Format("%s (%s/%s)", DatDir + DatFileName, BaseName(LpaFileName), BaseName(LplFileName))));
    TWaitCursor wait;
    return PalvonRead::ReadLpl(fileName);
}

} // namespace

void TFilesController::ReadCompanionListings()
{
    // A new network: PIJA records and class menus of the previous one name
    // elements that no longer exist.
    PalvonRead::ClearPijas();
    for (TCommandId name : {Cmd::AnalisisdePIJAs, Cmd::NivelArco, Cmd::NIvelMovimiento})
        viewer_.Action(name)->setEnabled(false);
    SetEntSalMenus(viewer_, 0);
    if (OpenListings()) {
        // The caption names a listing only when it was read; a companion refused
        // (of another network, or no listing) is none of this network's: the grids
        // get no columns for it, and a reload does not read it back.
        const QString network = viewer_.windowTitle();
        if (FileExists(LpaFileName) && !ReadLpaFile(viewer_, LpaFileName)) {
            viewer_.setWindowTitle(network);
            LpaFileName = "null";
        }
        const QString withLpa = viewer_.windowTitle();
        if (FileExists(LplFileName) && !ReadLplFile(viewer_, LplFileName)) {
            viewer_.setWindowTitle(withLpa);
            LplFileName = "null";
        }
    }
    // The entries/exits class chosen stays where this network's listing offers it.
    viewer_.Display().FollowEntSalItems();
}

void TFilesController::ShowCompanionListings()
{
    if (!OpenListings())
        return;
    if (FileExists(LpaFileName))
        viewer_.Grids().DrawDataLpa();
    if (FileExists(LplFileName))
        viewer_.Grids().DrawDataLpl();
}

// A listing opened on its own: the extremes are worked out again so that the
// variable menus of its new columns know their maxima.
void TFilesController::OpenLpaFile(const std::string& fileName)
{
    if (!NetworkOpen())
        return;
    // A refused listing leaves the name and the caption of the one before it.
    const std::string earlier = LpaFileName;
    const QString earlierTitle = viewer_.windowTitle();
    LpaFileName = fileName;
    if (!ReadLpaFile(viewer_, fileName)) {
        LpaFileName = earlier;
        viewer_.setWindowTitle(earlierTitle);
        return;
    }
    PalvonRead::ComputeLinkDataExtremes();
    viewer_.Grids().DrawDataLpa();
    viewer_.Grids().RefreshVarItems();
    ConstruyeMixs(true); // the flow diagrams draw the values just read
}

void TFilesController::OpenLplFile(const std::string& fileName)
{
    if (!NetworkOpen())
        return;
    const std::string earlier = LplFileName;
    const QString earlierTitle = viewer_.windowTitle();
    LplFileName = fileName;
    if (!ReadLplFile(viewer_, fileName)) {
        LplFileName = earlier;
        viewer_.setWindowTitle(earlierTitle);
        return;
    }
    PalvonRead::ComputeLinkDataExtremes();
    viewer_.Grids().DrawDataLpl();
    viewer_.Grids().RefreshVarItems();
    ConstruyeMixs(true); // the flow diagrams draw the values just read
}

void TFilesController::OpenCountsFile(const std::string& fileName)
{
    if (!NetworkOpen())
        return;
    const std::string earlier = CountsFileName;
    CountsFileName = fileName;
    bool ok;
    {
        TWaitCursor wait;
        ok = PalvonRead::ReadCounts(fileName);
    }
    if (!ok) {
        CountsFileName = earlier; // unread: the counts read before stay, and are the ones read back
        return;
    }
    // The counts' own extremes decide whether "Flujo Observado" can be shown.
    PalvonRead::ComputeLinkDataExtremes();
    viewer_.Grids().DrawDataCnt();
    viewer_.Grids().RefreshVarItems();
    ConstruyeMixs(true); // the flow diagrams draw the values just read
}
