// The files controller made and unmade, and the recent networks: the menus that
// list them (from the program settings file) and the opening of one of them with
// the view it had when it was last closed.
#include "mainwindow/FilesController.h"
#include "model/ReadAhead.h"
#include "mainwindow/PalvonViewer.h"

#include "map/GeoLayers.h"
#include "map/gui/DisplayController.h"
#include "map/ProgramSettings.h"
#include "map/ViewState.h"
#include "model/AuxFileHooks.h"
#include "model/ProgramOptions.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"
#include "platform/IniFile.h"

#include <QAction>
#include <QMenu>

#include <filesystem>

using namespace ProgramSettings;
using ZelUtils::Format;

TFilesController::TFilesController(TPalvonViewer& viewer) : viewer_(viewer)
{
    // A network file cut short is refused whole: the network open stays.
    readSettings_.RefuseIncomplete = true;
    // The gauge of the read stays up until the opening has filled the grids and
    // drawn the map.
    readSettings_.KeepGauge = true;
}

TFilesController::~TFilesController() = default;

void TFilesController::SetReadAhead(std::unique_ptr<PalvonRead::TReadAhead> readAhead) { readAhead_ = std::move(readAhead); }

void TFilesController::RebuildRecentMenus()
{
    TIniFile ini(FileName);
    RecentFiles = BuildRecentFiles(ini);
    int limit = static_cast<int>(RecentFiles.size());
    if (ProgramOptions().SaveFNames)
        limit = ProgramOptions().FnameSaved;
    const std::vector<QMenu*> menus = std::vector<QMenu*>{viewer_.ArchivosRecientes, viewer_.Recientes};
    for (QMenu* menu : menus)
        menu->clear();
    for (const RecentItem& item : RecentMenuItems(RecentFiles, limit)) {
        for (QMenu* menu : menus) {
            QAction* a = menu->addAction(QString::fromStdString(item.fileName));
            int tag = item.index;
            a->setData(tag);
            QObject::connect(a, &QAction::triggered, a, [this, tag, a] {
                clickedRecent_ = a;
                FilesClick(tag);
                clickedRecent_ = nullptr;
            });
        }
    }
}

void TFilesController::FilesClick(int tag)
{
    if (tag < 0 || tag >= static_cast<int>(RecentFiles.size()))
        return;
    const ProgramSettings::RecentEntry f = ProgramSettings::SplitRecentEntry(RecentFiles[static_cast<size_t>(tag)]);
    const std::string& file = f.fileName;
    const std::string& section = f.section;
    std::error_code ec;
    if (std::filesystem::is_regular_file(file, ec)) {
        // The layers of the view applied below take the place of those loaded,
        // even when the network is the one open, whose opening keeps them: their
        // edits are asked about with the rest.
        bool layoutLayers = false;
        if (ProgramOptions().DrawLayout) {
            TIniFile ini(FileName);
            for (const std::string& named : ViewConfig::LineLayerFileList(ini.ReadString(section, "Soleras", "")))
                layoutLayers = layoutLayers || std::filesystem::is_regular_file(named, ec);
        }
        const std::filesystem::path p = std::filesystem::absolute(file);
        const bool sameNetwork = (p.parent_path() / p.filename()).string() == viewChoicesOf_;
        if (!AbrirRedPalvon(file, layoutLayers))
            return;
        // The view the network had when it was last closed.
        if (ProgramOptions().DrawLayout) {
            TIniFile ini(FileName);
            // The layers the same network keeps (the layout names none of its own
            // in their place) keep their styles and switch too.
            const bool keptLayers = sameNetwork && !layoutLayers && GeoLayers().NumGeoLayers > 0;
            const auto styles = UserView().Items;
            const bool layersOn = viewer_.CommandOn(Cmd::tbSolera);
            viewer_.Settings().LeerConfiguracion(ini, section);
            if (keptLayers) {
                for (int k = 11; k <= MaxItems; ++k)
                    UserView().Items[size_t(k)] = styles[size_t(k)];
                viewer_.Display().ShowLineLayerMenus();
                viewer_.SetCommandOn(Cmd::tbSolera, layersOn);
            }
            // The layers it read named themselves in the status bar: the opening
            // ends on the map's proportions all the same.
            viewer_.ShowMapProportions();
            viewer_.RedrawMap();
        }
        return;
    }
    Services().ShowMessage(Format("Archivo %s no existe.\rEntrada Eliminada.", file));
    try {
        TIniFile ini(FileName);
        ini.EraseSection(section);
    } catch (const std::exception& e) {
        Services().ShowMessage(e.what());
    }
    if (clickedRecent_)
        clickedRecent_->setEnabled(false);
}
