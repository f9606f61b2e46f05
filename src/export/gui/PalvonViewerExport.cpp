// The export commands of the main window: DXF drawings of the map and of the
// street names, the link shapefile, the EMME/2 files and the data grids as
// delimited text or transit-line files. The writers are headless (src/export);
// this file asks for file names and reads the buttons and options.
#include "export/DxfMapExport.h"
#include "export/Emme2Export.h"
#include "export/TextExports.h"
#include "export/ZelDxfer.h"
#include "export/ZelShper0.h"
#include "export/gui/ExportDialogs.h"
#include "mainwindow/PalvonViewer.h"
#include "widgets/StringAlignGrid.h"
#include "map/ViewSnapshot.h"
#include "map/ViewTiles.h"
#include "model/ComplementaryData.h"
#include "model/FileUtils.h"
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

#include <QFileDialog>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>

#include <cmath>
#include <filesystem>

namespace {

// The DXF drawings hold the whole network whatever the view: every tile is
// walked, then the view's tiles are marked again.
struct WholeNetworkGrid {
    WholeNetworkGrid() { KDVlib::SetGrid(Network.MinX, Network.MaxX, Network.MinY, Network.MaxY); }
    ~WholeNetworkGrid() { KDVlib::SetGrid(WorldMinX, WorldMaxX, WorldMinY, WorldMaxY); }
};

void Fail(QWidget* parent, const std::string& error)
{
    QMessageBox::warning(parent, QStringLiteral("Exportar"), QString::fromStdString(error));
}

using ExportDialogs::SaveDialog;

QString NetworkNameWith(const char* ext)
{
    if (DatFileName.empty())
        return {};
    const QFileInfo info(QString::fromStdString(DatFileName));
    return info.completeBaseName() + QLatin1String(ext);
}

// The "DXF Completo" option reaches the writer.
void ConnectFullDxf() { ZelDxfer::FullDxf = ProgramOptions().FullDxf; }

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
    const int grp = FindColumn(grid, "Grp"), linea = FindColumn(grid, "Linea"), frec = FindColumn(grid, "Frec"),
              num = FindColumn(grid, "num");
    if (num < 0)
        return rows;
    for (int r = grid->FixedRows(); r < grid->RowCount(); ++r) {
        TextExports::TLineRow row{CellNumber(grid, grp, r), CellNumber(grid, linea, r), CellNumber(grid, frec, r),
                                  {}};
        const int n = CellNumber(grid, num, r);
        for (int k = 1; k <= n && num + k < grid->ColCount(); ++k)
            row.Nodes.push_back(CellNumber(grid, num + k, r));
        rows.push_back(std::move(row));
    }
    return rows;
}

} // namespace

void TPalvonViewer::CreateKmzMenus(QMenu* archivo)
{
    QMenu* menu = menuBar()->findChild<QMenu*>(QStringLiteral("Exportar"));
    if (!menu)
        menu = findChild<QMenu*>(QStringLiteral("Exportar"));
    if (!menu) {
        menu = archivo->addMenu(QStringLiteral("Google Earth"));
        menu->setObjectName(QStringLiteral("GoogleEarth"));
    }
    // The selected lines from the line grid's menu, the layers from the layer menu
    // (both placed by the command table).
    AddAction(nullptr, Cmd::ExportaSeleccin3);
    AddAction(nullptr, Cmd::GenerarKMZ1);
    kmz_.RegisterCommands(Registry());
}

QWidget* TPalvonViewer::DialogParent()
{
    return this;
}

TViewSnapshot TPalvonViewer::MainMapSnapshot()
{
    return Drawing().SnapshotView();
}

void TPalvonViewer::CreateExportMenus()
{
    QMenu* menu = menuBar()->addMenu(QStringLiteral("E&xportar"));
    menu->setObjectName(QStringLiteral("Exportar"));
    AddAction(menu, Cmd::ExportarMapaDxf);
    Registry().Register(CommandTable::TOwner::Export, Cmd::ExportarMapaDxf, [this] {
        std::string name;
        int filter = 0;
        if (SaveDialog(this, QStringLiteral("Exportar DXF ..."), QStringLiteral("dxf"),
                       {QStringLiteral("Drawing interchange format [*.dxf] (*.dxf)")}, NetworkNameWith(".dxf"), name,
                       filter))
            PrintDxfFile(name);
    });
    AddAction(menu, Cmd::ExportarShp);
    Registry().Register(CommandTable::TOwner::Export, Cmd::ExportarShp, [this] {
        std::string name;
        int filter = 0;
        if (SaveDialog(this, QStringLiteral("Exportar shapefile ..."), QStringLiteral("shp"),
                       {QStringLiteral("Shapefile [*.shp] (*.shp)")}, NetworkNameWith(".shp"), name, filter))
            PrintShpFile(name);
    });
    // Hidden items: shown where the program offers them.
    const bool emmeShown = Action(Cmd::ExportaraEMME2)->isVisible();
    QAction* emme = AddAction(menu, Cmd::ExportaraEMME2);
    emme->setVisible(emmeShown);
    Registry().Register(CommandTable::TOwner::Export, Cmd::ExportaraEMME2, this, &TPalvonViewer::ExportaraEMME2Click);
    QAction* calles = AddAction(menu, Cmd::ExportarDXF1);
    calles->setVisible(false);
    Registry().Register(CommandTable::TOwner::Export, Cmd::ExportarDXF1, this, &TPalvonViewer::ExportarDXF1Click);
    const bool planillasShown = Action(Cmd::GenerarPlanillas1)->isVisible();
    QAction* planillas = AddAction(menu, Cmd::GenerarPlanillas1);
    planillas->setVisible(planillasShown);
    Registry().Register(CommandTable::TOwner::Export, Cmd::GenerarPlanillas1, this,
                        &TPalvonViewer::GenerarPlanillas1Click);
    menu->addSeparator();

    // "Exportar datos ..." of the grids' popup menus.
    const std::pair<QMenu*, int> popups[] = {{pupZonas, 1}, {pupNodos, 2}, {pupArcos, 3}, {pupLineas, 4}, {pupMovim, 5}};
    for (const auto& [popup, tag] : popups) {
        if (!popup)
            continue;
        const TCommandId id = tag == 3 ? Cmd::ExportarArcos : CommandOf(QStringLiteral("ExportarDatos%1").arg(tag));
        QAction* a = AddAction(popup, id);
        a->setData(tag);
        // The link grids' item writes the grid its menu was opened over (pupArcosPopup sets the tag).
        Registry().Register(CommandTable::TOwner::Export, id, [this, a] { ExportarDatos(a->data().toInt()); });
    }
    ConnectFullDxf();
}

TDxfMapOptions TPalvonViewer::DxfOptions()
{
    TDxfMapOptions o = DxfMapExport::MapOptions(Drawing().SnapshotView());
    o.ArcosRangeValues = [this] { ArcosRangeValues(); };
    o.MovimRangeValues = [this] { return MovimRangeValues(); };
    o.MovimTitle = [this](int32_t c) {
        return sagMovim && c < sagMovim->ColCount() ? ZelUtils::Trim(sagMovim->cell(c, 0))
                                                     : TitMovim[static_cast<size_t>(c)];
    };
    return o;
}

bool TPalvonViewer::PrintDxfFile(const std::string& fileName)
{
    ConnectFullDxf();
    bool ok = false;
    {
        TWaitCursor wait;
        WholeNetworkGrid grid;
        ok = DxfMapExport::PrintDxfFile(fileName, DxfOptions());
    }
    if (!ok)
        Fail(this, FileUtils::WriteFailure(fileName));
    return ok;
}

void TPalvonViewer::PrintCallesDxf(const std::string& fileName)
{
    bool ok = false;
    {
        TWaitCursor wait;
        WholeNetworkGrid grid;
        ok = DxfMapExport::PrintCallesDxf(fileName, DxfOptions());
    }
    if (!ok)
        Fail(this, FileUtils::WriteFailure(fileName));
}

void TPalvonViewer::ExportarDXF1Click()
{
    std::string name;
    int filter = 0;
    if (SaveDialog(this, QStringLiteral("Exportar calles ..."), QStringLiteral("dxf"),
                   {QStringLiteral("Drawing interchange format [*.dxf] (*.dxf)")}, {}, name, filter))
        PrintCallesDxf(name);
}

bool TPalvonViewer::PrintShpFile(const std::string& fileName)
{
    std::string error;
    bool ok = false;
    {
        TWaitCursor wait;
        std::vector<int32_t> links;
        ViewTiles::ForEachLink([&](int32_t l, const TArcos&) { links.push_back(l); });
        ok = ZelShper0::WriteNetworkLinkShapefile(fileName, links, error);
    }
    if (!ok)
        Fail(this, error);
    return ok;
}

void TPalvonViewer::ExportaraEMME2Click()
{
    std::string name;
    int filter = 0;
    if (!SaveDialog(this, QStringLiteral("Exportar EMME2"), QStringLiteral("network"),
                    {QStringLiteral("EMME2-ZEL format [*.network] (*.network)")}, NetworkNameWith(".network"), name,
                    filter))
        return;
    const QFileInfo info(QString::fromStdString(name));
    const std::string base = info.dir().filePath(info.completeBaseName()).toStdString();
    std::string error;
    bool ok = false;
    {
        TWaitCursor wait;
        ok = Emme2Export::WriteEmme2(base, error);
    }
    if (!ok)
        Fail(this, error);
}

void TPalvonViewer::ExportarDatos(int tag)
{
    TStringAlignGrid* grid = tag == 1   ? sagZonas
                             : tag == 2 ? sagNodos
                             : tag == 3 ? sagArcos
                             : tag == 4 ? sagLineas
                             : tag == 5 ? sagMovim
                             : tag == 31 ? sagArcosSel
                                         : nullptr;
    if (!grid)
        return;
    QStringList filters = {QStringLiteral("Texto delimitado por comas [*.csv] (*.csv)"),
                           QStringLiteral("Texto delimitado por tabuladores [*.tab] (*.tab)"),
                           QStringLiteral("Texto delimitado por espacios [*.prn] (*.prn)")};
    if (grid == sagLineas)
        filters << QStringLiteral("Trazado en líneas de dibujo [*.geo] (*.geo)")
                << QStringLiteral("Formato líneas Palvon [*.*] (*)")
                << QStringLiteral("Compressed Keyhole Markup Language [*.kmz] (*.kmz)");
    std::string name;
    int filter = 0;
    if (!SaveDialog(this, QStringLiteral("Exportar datos ..."), QStringLiteral("csv"), filters, {}, name, filter))
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
        case 4:
            ok = FileUtils::WriteFileAtomic(name, TextExports::LineSectionText(LineRows(grid), PalvonRead::DUTCH != 0));
            break;
        case 5:
            kmz_.ExportarLineasKmz(name); // tells the user itself
            return;
        default:
            return;
        }
    }
    if (!ok)
        Fail(this, FileUtils::WriteFailure(name));
}

// Worksheets of many networks in one go: each chosen network is opened as the
// program opens any network and its link and movement grids are written beside it
// as "<name>_arcos.csv" and "<name>_movim.csv"; the network open before the
// command is opened again at the end, with its auxiliary files and its view.
void TPalvonViewer::GenerarPlanillas1Click()
{
    QFileDialog dialog(this, QStringLiteral("Open data file"));
    dialog.setNameFilters({QStringLiteral("Red Palvon DAT         (*.dat)")});
    dialog.setFileMode(QFileDialog::ExistingFiles);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QStringList files = dialog.selectedFiles();
    // The networks are opened in turn and the open one again from its file.
    if (!ConfirmUnsavedEdits())
        return;

    // What is put back afterwards.
    const bool hadNetwork = Network.Loaded != 0 && !DatFileName.empty();
    const std::string keptDat = DatFileName, keptDir = DatDir, keptLpa = LpaFileName, keptLpl = LplFileName;
    const std::string earlier = hadNetwork ? (std::filesystem::path(DatDir) / DatFileName).string() : std::string();
    const std::string comp = ComplementaryFileName, compMovs = ComplementaryMovFileName, traces = TraceFileName,
                      zoning = ZoningFileName;
    const double view[4] = {WorldMinX, WorldMaxX, WorldMinY, WorldMaxY};
    const uint8_t interactive = OpenInteractive;

    std::vector<std::string> failed;
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
        bool ok = SetFileNames(path);
        if (ok) {
            OpenInteractive = 0;
            ok = RunOpening();
        }
        if (ok) {
            const std::string base = FileUtils::ChangeFileExt(path, "");
            if (!sagArcos->GridTextExport(base + "_arcos.csv", ','))
                failed.push_back(base + "_arcos.csv");
            if (!sagMovim->GridTextExport(base + "_movim.csv", ','))
                failed.push_back(base + "_movim.csv");
        } else {
            failed.push_back(path);
        }
    }
    Services().SetProgressVisible(false);
    Services().SetStatusText(0, std::string());

    if (hadNetwork) {
        bool ok = SetFileNames(earlier);
        if (ok) {
            // The listings the earlier network had, even when not its companions.
            LpaFileName = keptLpa;
            LplFileName = keptLpl;
            OpenInteractive = 0;
            const bool batch = BatchMode;
            BatchMode = true; // drawn once, with its own view, below
            ok = RunOpening();
            BatchMode = batch;
        }
        if (ok) {
            auto given = [](const std::string& f) { return !f.empty() && f != "null"; };
            if (given(comp)) {
                ComplementaryFileName = comp;
                KDVlib::LoadDatosComplementarios();
            }
            if (given(compMovs)) {
                ComplementaryMovFileName = compMovs;
                KDVlib::LoadDatosComplementariosMovs();
            }
            if (given(traces)) {
                TraceFileName = traces;
                KDVlib::LoadTrazas();
            }
            if (zoning != "null" && !zoning.empty()) {
                ZoningFileName = zoning;
                KDVlib::LoadZonificacion(false);
            }
            WorldMinX = view[0];
            WorldMaxX = view[1];
            WorldMinY = view[2];
            WorldMaxY = view[3];
            DatFileName = keptDat;
            DatDir = keptDir;
            LpaFileName = keptLpa;
            LplFileName = keptLpl;
            try {
                if (!DatDir.empty())
                    SetCurrentDirectory(DatDir);
            } catch (const std::exception&) {
                // The folder went away meanwhile: the working folder stays where it is.
            }
        } else {
            // The names keep naming the network that is in memory.
            failed.push_back(earlier);
        }
        if (!BatchMode)
            RedrawMap();
    }
    // Without an earlier network the last one read stays open.
    OpenInteractive = interactive;
    if (!failed.empty()) {
        std::string list;
        for (const std::string& f : failed)
            list += "\r" + f;
        Services().ShowMessage("No se pudieron leer o escribir estos archivos:" + list);
    }
}
