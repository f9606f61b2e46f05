// The export commands (TExportController): DXF drawings of the map and of the
// street names, the link shapefile, the EMME/2 files, the worksheets of many
// networks and the data grids as delimited text or transit-line files.
#include "export/gui/ExportController.h"

#include "export/DxfMapExport.h"
#include "export/Emme2Export.h"
#include "export/TextExports.h"
#include "export/ZelShper0.h"
#include "export/gui/ExportDialogs.h"
#include "export/gui/ExportHost.h"
#include "widgets/CommandRegistry.h"
#include "widgets/ReplaceQuestion.h"
#include "widgets/StringAlignGrid.h"
#include "map/ViewSnapshot.h"
#include "map/ViewState.h"
#include "map/ViewTiles.h"
#include "model/ComplementaryData.h"
#include "model/FileUtils.h"
#include "model/SafeFile.h"
#include "model/LinkShapes.h"
#include "model/ProgramOptions.h"
#include "model/ViewerServices.h"
#include "model/ZoningLoaders.h"
#include "model/HitGrid.h"
#include "model/KDVvars.h"
#include "model/PalvonRead.h"
#include "model/PalvonVars.h"
#include "model/ZelUtils.h"
#include "widgets/WaitCursor.h"
#include "widgets/WindowHost.h"

#include <QAction>
#include <QFileDialog>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>

#include <cmath>
#include <filesystem>

namespace {

// The DXF drawings hold the whole network whatever the view: every tile is
// walked, then the view's tiles are marked again.
struct WholeNetworkGrid {
    WholeNetworkGrid() { KDVlib::SetGrid(Network.MinX, Network.MaxX, Network.MinY, Network.MaxY); }
    ~WholeNetworkGrid() { KDVlib::SetGrid(UserView().WorldMinX, UserView().WorldMaxX, UserView().WorldMinY, UserView().WorldMaxY); }
};

void Fail(QWidget* parent, const std::string& error)
{
    QMessageBox::warning(parent, QStringLiteral("Exportar"), QString::fromStdString(error));
}

// A set of files that cannot all be written where they go (a folder missing or
// read-only, a member read-only or no file) is refused, once, before the user is
// asked about replacing any of them.
bool SetRefused(QWidget* parent, const std::vector<std::string>& set)
{
    for (const std::string& file : set)
        if (const std::string why = SafeFile::Refusal(file); !why.empty()) {
            Fail(parent, FileUtils::WriteFailure(file, why));
            return true;
        }
    return false;
}

// The map and link exports write the network open; without one they would write
// a file holding nothing under a name the user was asked for.
bool NetworkOpen()
{
    if (Network.Loaded)
        return true;
    Services().ShowMessage("No hay una red abierta: abra primero una red Palvon.");
    return false;
}

using ExportDialogs::SaveDialog;

QString NetworkNameWith(const char* ext)
{
    if (DatFileName.empty())
        return {};
    const QFileInfo info(QString::fromStdString(DatFileName));
    return info.completeBaseName() + QLatin1String(ext);
}

int32_t CellNumber(const TStringAlignGrid* grid, int col, int row)
{
    if (col < 0)
        return 0;
    return ZelUtils::Round(ZelUtils::ParseReal(ZelUtils::Trim(grid->cell(col, row))));
}

int FindColumn(const TStringAlignGrid* grid, const char* title)
{
    for (int c = 0; c < grid->ColCount(); ++c)
        if (ZelUtils::Trim(grid->cell(c, 0)) == title)
            return c;
    return -1;
}

// The data rows of the transit-line grid: group, line, frequency and nodes.
std::vector<TextExports::TLineRow> LineRows(const TStringAlignGrid* grid)
{
    std::vector<TextExports::TLineRow> rows;
    const int grp = FindColumn(grid, "Grp"), linea = FindColumn(grid, "Linea"), snt = FindColumn(grid, "Snt"),
              ord = FindColumn(grid, "Ord"), frec = FindColumn(grid, "Frec"), num = FindColumn(grid, "num");
    if (num < 0)
        return rows;
    // The name and code as shown: a line named "L01" is not the number 0.
    auto text = [&](int col, int r) { return col < 0 ? std::string() : ZelUtils::Trim(grid->cell(col, r)); };
    for (int r = grid->FixedRows(); r < grid->RowCount(); ++r) {
        TextExports::TLineRow row{CellNumber(grid, grp, r), text(linea, r),           text(snt, r),
                                  CellNumber(grid, ord, r), CellNumber(grid, frec, r), {}};
        const int n = CellNumber(grid, num, r);
        for (int k = 1; k <= n && num + k < grid->ColCount(); ++k)
            row.Nodes.push_back(CellNumber(grid, num + k, r));
        rows.push_back(std::move(row));
    }
    return rows;
}

} // namespace

void TExportController::RegisterCommands(TCommandRegistry& registry)
{
    registry.Register(CommandTable::TOwner::Export, Cmd::ExportarMapaDxf, [this] {
        if (!NetworkOpen())
            return;
        std::string name;
        int filter = 0;
        if (SaveDialog(window_.DialogParent(), QStringLiteral("Exportar DXF ..."), QStringLiteral("dxf"),
                       {QStringLiteral("Drawing interchange format [*.dxf] (*.dxf)")}, NetworkNameWith(".dxf"), name,
                       filter))
            PrintDxfFile(name);
    });
    registry.Register(CommandTable::TOwner::Export, Cmd::ExportarShp, [this] {
        if (!NetworkOpen())
            return;
        std::string name;
        int filter = 0;
        if (SaveDialog(window_.DialogParent(), QStringLiteral("Exportar shapefile ..."), QStringLiteral("shp"),
                       {QStringLiteral("Shapefile [*.shp] (*.shp)")}, NetworkNameWith(".shp"), name, filter, true))
            PrintShpFile(name);
    });
    registry.Register(CommandTable::TOwner::Export,
                      {{Cmd::ExportaraEMME2, this, &TExportController::ExportaraEMME2Click},
                       {Cmd::ExportarDXF1, this, &TExportController::ExportarDXF1Click},
                       {Cmd::GenerarPlanillas1, this, &TExportController::GenerarPlanillas1Click}});

    // "Exportar datos ..." of the grids' popup menus: the item's data is the grid's tag.
    const std::pair<TCommandId, int> items[] = {{Cmd::ExportarDatos1, 1},
                                                {Cmd::ExportarDatos2, 2},
                                                {Cmd::ExportarArcos, 3},
                                                {Cmd::ExportarDatos4, 4},
                                                {Cmd::ExportarDatos5, 5}};
    for (const auto& [id, tag] : items) {
        QAction* a = window_.Action(id);
        a->setData(tag);
        // The link grids' item writes the grid its menu was opened over (its popup sets the tag).
        registry.Register(CommandTable::TOwner::Export, id, [this, a] { ExportarDatos(a->data().toInt()); });
    }
    kmz_.RegisterCommands(registry);
}

TDxfMapOptions TExportController::DxfOptions()
{
    TDxfMapOptions o = DxfMapExport::MapOptions(host_.MainMapSnapshot());
    o.FullDxf = ProgramOptions().FullDxf;
    o.MovimTitle = [this](int32_t c) {
        const TStringAlignGrid* movim = host_.DataGrid(5);
        return movim && c < movim->ColCount() ? ZelUtils::Trim(movim->cell(c, 0)) : TitMovim[static_cast<size_t>(c)];
    };
    o.LinkTitle = [this](int32_t c) {
        const TStringAlignGrid* arcos = host_.DataGrid(3);
        return arcos && c < arcos->ColCount() ? arcos->cell(c, 0) : TitArcos[static_cast<size_t>(c)];
    };
    return o;
}

bool TExportController::PrintDxfFile(const std::string& fileName)
{
    bool ok = false;
    {
        TWaitCursor wait;
        WholeNetworkGrid grid;
        ok = DxfMapExport::PrintDxfFile(fileName, DxfOptions());
    }
    if (!ok)
        Fail(window_.DialogParent(), FileUtils::WriteFailure(fileName));
    return ok;
}

void TExportController::PrintCallesDxf(const std::string& fileName)
{
    bool ok = false;
    {
        TWaitCursor wait;
        WholeNetworkGrid grid;
        ok = DxfMapExport::PrintCallesDxf(fileName, DxfOptions());
    }
    if (!ok)
        Fail(window_.DialogParent(), FileUtils::WriteFailure(fileName));
}

void TExportController::ExportarDXF1Click()
{
    std::string name;
    int filter = 0;
    if (SaveDialog(window_.DialogParent(), QStringLiteral("Exportar calles ..."), QStringLiteral("dxf"),
                   {QStringLiteral("Drawing interchange format [*.dxf] (*.dxf)")}, {}, name, filter))
        PrintCallesDxf(name);
}

bool TExportController::PrintShpFile(const std::string& fileName)
{
    const std::vector<std::string> set = ZelShper0::SetFiles(fileName);
    if (SetRefused(window_.DialogParent(), set) || !MayReplaceBeside(fileName, set))
        return false;
    std::string error;
    bool ok = false;
    {
        TWaitCursor wait;
        std::vector<int32_t> links;
        ViewTiles::ForEachLink([&](int32_t l, const TArcos&) { links.push_back(l); });
        ok = ZelShper0::WriteNetworkLinkShapefile(fileName, links, error);
    }
    if (!ok)
        Fail(window_.DialogParent(), error);
    else if (const std::string note = ZelShper0::UnfitNotice(); !note.empty())
        Services().ShowMessage(note);
    return ok;
}

void TExportController::ExportaraEMME2Click()
{
    std::string name;
    int filter = 0;
    if (!SaveDialog(window_.DialogParent(), QStringLiteral("Exportar EMME2"), QStringLiteral("network"),
                    {QStringLiteral("EMME2-ZEL format [*.network] (*.network)")}, NetworkNameWith(".network"), name,
                    filter, true))
        return;
    const QFileInfo info(QString::fromStdString(name));
    const std::string base = info.dir().filePath(info.completeBaseName()).toStdString();
    // A network EMME/2 cannot take is said before any question about the files.
    std::string error;
    if (!Emme2Export::Exportable(error)) {
        Fail(window_.DialogParent(), error);
        return;
    }
    const std::vector<std::string> set = Emme2Export::SetFiles(base);
    if (SetRefused(window_.DialogParent(), set) || !MayReplaceBeside(name, set))
        return;
    bool ok = false;
    {
        TWaitCursor wait;
        ok = Emme2Export::WriteEmme2(base, error);
    }
    if (!ok)
        Fail(window_.DialogParent(), error);
    else if (const std::string note = Emme2Export::DemandNotice(); !note.empty())
        Services().ShowMessage(note);
}

void TExportController::ExportarDatos(int tag)
{
    TStringAlignGrid* grid = host_.DataGrid(tag);
    if (!grid)
        return;
    QStringList filters = {QStringLiteral("Texto delimitado por comas [*.csv] (*.csv)"),
                           QStringLiteral("Texto delimitado por tabuladores [*.tab] (*.tab)"),
                           QStringLiteral("Texto delimitado por espacios [*.prn] (*.prn)")};
    if (tag == 4)
        filters << QStringLiteral("Trazado en líneas de dibujo [*.geo] (*.geo)")
                << QStringLiteral("Formato líneas Palvon [*.*] (*)")
                << QStringLiteral("Compressed Keyhole Markup Language [*.kmz] (*.kmz)");
    std::string name;
    int filter = 0;
    if (!SaveDialog(window_.DialogParent(), QStringLiteral("Exportar datos ..."), QStringLiteral("csv"), filters, {}, name,
                    filter))
        return;
    bool ok = true;
    {
        TWaitCursor wait;
        switch (filter) {
        case 0:
        case 1:
        case 2:
            ok = grid->GridTextExport(name, filter == 0 ? ',' : filter == 1 ? '\t' : ' ');
            break;
        case 3:
            ok = FileUtils::WriteFileAtomic(name, TextExports::LineTraceText(LineRows(grid)));
            break;
        case 4: {
            const auto rows = LineRows(grid);
            std::string error;
            if (!TextExports::SectionRowsFit(rows, error)) {
                wait.Restore();
                Fail(window_.DialogParent(), error);
                return;
            }
            ok = FileUtils::WriteFileAtomic(name, TextExports::LineSectionText(rows, Network.Options.DUTCH != 0));
            break;
        }
        case 5:
            kmz_.ExportarLineasKmz(name); // tells the user itself
            return;
        default:
            return;
        }
    }
    if (!ok)
        Fail(window_.DialogParent(), FileUtils::WriteFailure(name));
}

// Worksheets of many networks in one go: each chosen network is opened as the
// program opens any network and its link and movement grids are written beside it
// as "<name>_arcos.csv" and "<name>_movim.csv"; the network open before the
// command is opened again at the end, with its auxiliary files and its view.
void TExportController::GenerarPlanillas1Click()
{
    QFileDialog dialog(window_.DialogParent(), QStringLiteral("Open data file"));
    dialog.setNameFilters({QStringLiteral("Red Palvon DAT         (*.dat)")});
    dialog.setFileMode(QFileDialog::ExistingFiles);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QStringList files = dialog.selectedFiles();
    // Nothing is asked or written when the network open now could not be read again at the end.
    if (const std::string gone = FileUtils::NetworkToReopenGone(DatFileName.empty() ? "" : DatDir + DatFileName);
        !gone.empty()) {
        Services().ShowMessage(gone);
        return;
    }
    // The worksheets go under names made up here, beside their networks: the whole
    // set must be writable, and worksheets already there (which the user may have
    // edited since) are replaced only on a yes, before any network is opened.
    std::vector<std::string> sheets;
    for (const QString& file : files) {
        const std::string path = QFileInfo(file).absoluteFilePath().toStdString();
        if (std::filesystem::path(path).filename() == "null")
            continue;
        const std::string base = FileUtils::ChangeFileExt(path, "");
        sheets.push_back(base + "_arcos.csv");
        sheets.push_back(base + "_movim.csv");
    }
    {
        const SafeFile::TProgramNamed ownNames;
        for (const std::string& sheet : sheets)
            if (const std::string why = SafeFile::Refusal(sheet); !why.empty()) {
                Services().ShowMessage(FileUtils::WriteFailure(sheet, why));
                return;
            }
    }
    if (!MayReplaceBeside({}, sheets))
        return;
    // The networks are opened in turn and the open one is read again at the end,
    // as the batch printing does: the question is asked once, before the first,
    // and what the user had loaded onto the open network (listings, counts,
    // complementary data, layers, unsaved moves) and the window and zoom steps
    // come back with it.
    const uint8_t interactive = OpenInteractive;
    std::vector<std::string> failed;
    host_.KeepingUserNetwork([&] {
        bool opened = false;
        const int count = static_cast<int>(files.size());
        Services().SetProgressRange(0, count);
        Services().SetProgressVisible(true);
        for (int i = 1; i <= count; ++i) {
            const std::string path = QFileInfo(files[i - 1]).absoluteFilePath().toStdString();
            const std::string name = std::filesystem::path(path).filename().string();
            if (name == "null")
                continue;
            Services().SetProgressPosition(i);
            Services().SetStatusText(0, ZelUtils::Format("%s (%d/%d)", name, i, count));
            Services().ProcessEvents();
            bool ok = host_.SetFileNames(path);
            std::string unplaced;
            if (ok) {
                OpenInteractive = 0;
                ok = host_.RunOpening(unplaced);
            }
            opened = opened || ok;
            if (ok) {
                // The worksheets' names are made up here: a link put under one is
                // not followed into whatever file it leads to.
                const SafeFile::TProgramNamed ownNames;
                const std::string base = FileUtils::ChangeFileExt(path, "");
                if (!host_.DataGrid(3)->GridTextExport(base + "_arcos.csv", ','))
                    failed.push_back(base + "_arcos.csv");
                if (!host_.DataGrid(5)->GridTextExport(base + "_movim.csv", ','))
                    failed.push_back(base + "_movim.csv");
            } else {
                failed.push_back(unplaced.empty() ? path : path + ": " + unplaced);
            }
        }
        Services().SetProgressVisible(false);
        return opened;
    });
    // Without an earlier network the last one read stays open.
    OpenInteractive = interactive;
    if (!failed.empty()) {
        std::string list;
        for (const std::string& f : failed)
            list += "\r" + f;
        Services().ShowMessage("No se pudieron leer o escribir estos archivos:" + list);
    }
}
