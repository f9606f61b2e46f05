// Auxiliary data files of an open network: coordinates, complementary data and
// zoning; and the hooks through which their loaders reach the window (the
// complementary grid columns, the generation/attraction menu, redraws).
#include "mainwindow/FilesController.h"
#include "mainwindow/PalvonViewer.h"
#include "widgets/MenuUtils.h"
#include "model/AuxFileHooks.h"
#include "model/ComplementaryData.h"
#include "model/CoordinatesFiles.h"
#include "model/FileUtils.h"
#include "model/KDVlibPaths.h"
#include "model/KDVvars.h"
#include "model/PalvonVars.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"
#include "model/ZoningLoaders.h"
#include "widgets/WaitCursor.h"

#include <QAction>
#include <QActionGroup>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMenu>
#include <QTemporaryDir>

#include <filesystem>

using ZelUtils::Format;

namespace {

QString Qs(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<int>(s.size())); }

// The generation/attraction menu: one radio item per variable, then "Mover".
void BuildGenatrMenu(TPalvonViewer& w)
{
    QAction* root = w.Action(Cmd::GenAtrZona);
    QMenu* menu = root->menu();
    if (!menu) {
        menu = new QMenu(w.DialogParent());
        menu->setObjectName(QStringLiteral("GenAtrZonaMenu"));
        root->setMenu(menu);
    }
    ClearMenu(menu);
    for (QActionGroup* old : menu->findChildren<QActionGroup*>(QString(), Qt::FindDirectChildrenOnly))
        delete old;
    auto* radio = new QActionGroup(menu);
    radio->setExclusive(true);
    for (size_t k = 1; k < GenatrNames.size(); ++k) {
        QAction* item = menu->addAction(Qs(GenatrNames[k]));
        item->setData(static_cast<int>(k));
        item->setCheckable(true);
        // Laid out again (the data read again), the menu ticks the variable shown.
        item->setChecked(static_cast<int32_t>(k) == UserView().GenatrCol);
        radio->addAction(item);
        QObject::connect(item, &QAction::triggered, item, [&w, item] { w.Grids().CheckGenatr(item); });
    }
    menu->addSeparator();
    QAction* move = w.Action(Cmd::MoveGenatr);
    move->setCheckable(true);
    menu->addAction(move);
    root->setEnabled(GenatrNames.size() > 1);
}

class AuxFilesImpl : public AuxFileServices {
public:
    explicit AuxFilesImpl(TPalvonViewer& viewer) : viewer_(viewer) {}
    void ShowComplementaryColumns(bool movements, const TCompPlacement& placement) override
    {
        viewer_.Grids().ShowComplementaryColumns(movements, placement);
    }
    void BuildGenatrMenu() override { ::BuildGenatrMenu(viewer_); }
    void Redraw() override { viewer_.RedrawMap(); }

private:
    TPalvonViewer& viewer_;
};

// Reads a coordinates file onto the network being read, with the reader `kind`
// (the dialog's filter). The network stays open whatever the file held: one that
// placed no node leaves nothing to draw yet, which the user is told; nodes can
// still be placed with the mouse or another coordinates file.
// `shownName`: the file named to the user, when another file holds its bytes.
void ReadCoordinates(const std::string& file, int kind, const std::string& shownName = {})
{
    bool read = false;
    {
        TWaitCursor wait;
        read = KDVlib::LoadCoordinatesFile(file, kind);
    }
    // A file that could not be read was said so by its reader, once.
    if (read && !Network.HasCoordinates)
        Services().ShowMessage(Format("El archivo %s no da coordenadas a ningún nodo de la red.",
                                      std::filesystem::path(shownName.empty() ? file : shownName).filename().string()));
}

} // namespace

// The loaders reach the newest main window through these hooks; with none they do nothing.
void TFilesController::InstallAuxFileServices()
{
    auxFiles_ = std::make_unique<AuxFilesImpl>(viewer_);
    SetAuxFileServices(auxFiles_.get());
}

void TFilesController::RemoveAuxFileServices()
{
    if (auxFiles_ && &AuxFileHooks() == auxFiles_.get())
        SetAuxFileServices(nullptr);
    auxFiles_.reset();
}

bool TFilesController::OpenCoordinatesFile()
{
    // A batch run, or a run without a screen, has nobody to choose a file: as if
    // the dialog were cancelled.
    if (BatchMode ||
        (QGuiApplication::platformName() == QLatin1String("offscreen") && !AskCoordinatesWithoutScreen)) {
        KDVlib::FinishCoordinates();
        return false;
    }
    QFileDialog dialog(viewer_.DialogParent(), QStringLiteral("Open coordinates file"));
    const QStringList filters = {QStringLiteral("TransCAD exported text [*.geo] (*.geo)"),
                                 QStringLiteral("Drawing interchange file [*.dxf] (*.dxf)")};
    dialog.setNameFilters(filters);
    const QStringList shown = dialog.nameFilters();
    dialog.selectNameFilter(shown.front());
    dialog.setDefaultSuffix(QStringLiteral("geo"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    const bool chosen = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
    if (!chosen) {
        KDVlib::FinishCoordinates();
        return false;
    }
    // The file chosen is only read: positions moved later go to the network's own
    // positions file (CoordinatesFileName), never over a drawing or a file that
    // other networks share.
    const std::string chosenFile = dialog.selectedFiles().front().toStdString();
    // The reader is the one of the filter chosen, whatever the file's extension.
    const int kind = static_cast<int>(shown.indexOf(dialog.selectedNameFilter())) + 1;
    ReadCoordinates(chosenFile, kind);
    // Its bytes are kept too: a network read again after the file went (a batch
    // coming back to it) is still placed as the user placed it.
    chosenCoordinates_ = {DatDir + DatFileName, chosenFile, kind, {}};
    if (!FileUtils::ReadFile(chosenFile, chosenCoordinates_.bytes))
        chosenCoordinates_.bytes.clear();
    return true;
}

bool TFilesController::ReadChosenCoordinatesAgain()
{
    // The user opening the network again by hand is asked, as at its first opening;
    // a run over many networks asks nobody.
    TChosenCoordinates& chosen = chosenCoordinates_;
    std::error_code ec;
    if (!(rereadingText_ || BatchMode || unplaced_) || chosen.file.empty() || chosen.network != DatDir + DatFileName)
        return false;
    if (std::filesystem::is_regular_file(chosen.file, ec)) {
        ReadCoordinates(chosen.file, chosen.kind); // as the file chosen in the dialog is
        // The file as edited since is the one that placed the network now.
        std::string bytes;
        if (FileUtils::ReadFile(chosen.file, bytes))
            chosen.bytes = std::move(bytes);
        return true;
    }
    // The file is gone: its bytes as last read, through a scratch copy.
    if (chosen.bytes.empty())
        return false;
    QTemporaryDir scratch;
    const std::string copy =
        (std::filesystem::path(scratch.path().toStdString()) / std::filesystem::path(chosen.file).filename()).string();
    if (!scratch.isValid() || !FileUtils::WriteFileAtomic(copy, chosen.bytes))
        return false;
    ReadCoordinates(copy, chosen.kind, chosen.file);
    return true;
}

// A refused file leaves the name of the one read before: a reload of the network
// or a batch print reads that one again, not the file that was refused.
void TFilesController::OpenComplementaryFile(const std::string& fileName)
{
    const std::string earlier = ComplementaryFileName;
    ComplementaryFileName = fileName;
    TWaitCursor wait;
    if (!KDVlib::LoadDatosComplementarios())
        ComplementaryFileName = earlier;
    else
        viewer_.RedrawMap(); // a variable of the file shown on the map shows its values now
}

void TFilesController::OpenZoningFile(const std::string& fileName)
{
    if (!ConfirmMapEdits(false, true))
        return;
    const std::string earlier = ZoningFileName;
    ZoningFileName = fileName;
    if (!KDVlib::LoadZonificacion())
        ZoningFileName = earlier;
}

void TFilesController::LoadZoning(const std::string& fileName)
{
    // Named by the network's "Velmora.ini" while the network opens: the opening
    // draws the map once it is complete. A batch printing the networks of one
    // folder opens some the folder's zoning is not of: it says nothing of them.
    ZoningFileName = fileName;
    KDVlib::LoadZonificacion(false, !BatchMode);
}
