// The open commands of the data files of a network: one menu item per kind under
// "Abrir", the open buttons of the toolbar and the "Importar ..." items of the
// grids' menus. Each asks for the file, records its name and calls the loader.
#include "mainwindow/FilesController.h"
#include "mainwindow/PalvonViewer.h"
#include "export/GeoWriters.h"
#include "export/gui/ExportDialogs.h"
#include "model/ComplementaryData.h"
#include "model/Genatr.h"
#include "model/KDVlib.h"
#include "model/KDVvars.h"
#include "model/LinkShapes.h"
#include "model/ZelUtilsGeometry.h"
#include "widgets/CommandRegistry.h"
#include "widgets/WaitCursor.h"

#include <QAction>
#include <QFileDialog>
#include <QKeySequence>
#include <QMenu>
#include <QToolBar>

#include <filesystem>
#include <utility>

uint8_t AppendSoleraLayer = 0;

namespace {

// "Texto|*.a|Otro|*.b;*.c|" (the suite's filter syntax) as the dialog's name filters:
// "Texto (*.a)", "Otro (*.b *.c)".
QStringList NameFilters(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (int k = 0; k + 1 < parts.size(); k += 2) {
        QString patterns = parts[k + 1].trimmed();
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        if (patterns.isEmpty())
            continue;
        out << parts[k].trimmed() + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return out;
}

struct TOpenKind {
    TCommandId button;     // toolbar button (tag = index + 1)
    const char* filter;    // filter of the toolbar button
};

// Tags 1..9 of AbrirClick.
const TOpenKind OpenKinds[9] = {
    {Cmd::tbOpenRed, "Red Palvon DAT         |*.dat|"},
    {Cmd::tbOpenLpa, "Salida pvass          |*.lpa|"},
    {Cmd::tbOpenLpl, "Salida pvlook         |*.lpl|"},
    {Cmd::tbOpenCnt, "Conteos palvon         |*.dat|"},
    {Cmd::tbOpenAds, "Datos complementarios  |*.csv|"},
    {Cmd::tbOpenTrz, "Trazas de arcos        |*.geo|"},
    {Cmd::tbOpenZnf, "Zonificación           |*.geo;*.shp|"},
    {Cmd::tbOpenSlr, "Lineas de soleras      |*.geo|"},
    {Cmd::tbOpenGA, "Generación/Atracción   |*.csv|"},
};

} // namespace

QStringList TFilesController::ChooseDataFiles(const QString& title, const QString& filter, bool several,
                                           const QString& defaultSuffix)
{
    if (ChooseOpenFiles)
        return ChooseOpenFiles(title, filter, several);
    QFileDialog dialog(viewer_.DialogParent(), title);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // Several files are chosen only among existing ones; a single name is taken as typed
    // and its loader reports a missing file.
    dialog.setFileMode(several ? QFileDialog::ExistingFiles : QFileDialog::AnyFile);
    dialog.setNameFilters(NameFilters(filter));
    if (!defaultSuffix.isEmpty())
        dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

std::string TFilesController::ChooseDataFile(const QString& title, const QString& filter, const QString& defaultSuffix)
{
    const QStringList files = ChooseDataFiles(title, filter, false, defaultSuffix);
    return files.isEmpty() ? std::string() : files.front().toStdString();
}

// ---------------------------------------------------------------- the commands

void TFilesController::aFileOpenItemExecute()
{
    const std::string name =
        ChooseDataFile(QString::fromStdString(KDVlib::MsgOpenData), QStringLiteral("Red Palvon DAT (*.dat)|*.dat|"));
    if (name.empty())
        return;
    AbrirRedPalvon(name);
}

void TFilesController::aOpenLPAExecute()
{
    const std::string name = ChooseDataFile(QStringLiteral("Open assignment file"),
                                            QStringLiteral("Pvass output file [*.lpa]|*.lpa"), QStringLiteral("lpa"));
    if (!name.empty())
        OpenLpaFile(name);
}

void TFilesController::aOpenLPLExecute()
{
    const std::string name =
        ChooseDataFile(QStringLiteral("Open Pvlook output file"), QStringLiteral("Pvlook output file [*.lpl]|*.lpl"));
    if (!name.empty())
        OpenLplFile(name);
}

void TFilesController::aOpenCntExecute()
{
    const std::string name =
        ChooseDataFile(QStringLiteral("Open data file"), QStringLiteral("Palvon count data file [*.dat]|*.dat"));
    if (!name.empty())
        OpenCountsFile(name);
}

void TFilesController::aOpenCompExecute()
{
    const std::string name = ChooseDataFile(
        QStringLiteral("Open data file"),
        QStringLiteral("Formato CSV (*.csv)|*.csv|Formato fijo (*.dat,*.prn)|*.dat;*.prn"));
    if (!name.empty())
        OpenComplementaryFile(name);
}

void TFilesController::aOpenZonifExecute()
{
    // A zoning is read from its text form or from a shapefile: the dialog offers both.
    const std::string name = ChooseDataFile(QStringLiteral("Abrir zonificación"), QStringLiteral("Text file |*.geo|Shapefile |*.shp"));
    if (!name.empty())
        OpenZoningFile(name);
}

void TFilesController::OpenTrazasFile(const std::string& fileName)
{
    // The traces read give their links' shapes: those edited on the map are asked about.
    if (!ConfirmMapEdits(true, false))
        return;
    const std::string earlier = TraceFileName;
    TraceFileName = fileName;
    bool ok;
    {
        TWaitCursor wait;
        ok = KDVlib::LoadTrazas();
    }
    if (!ok) {
        TraceFileName = earlier; // unread: the traces read before are the ones read back
        return;
    }
    tracesRead_.push_back(fileName);
    shapesSavedAfterTraces_ = false;
    viewer_.RedrawMap();
}

void TFilesController::aOpenTrazaExecute()
{
    const std::string name =
        ChooseDataFile(QStringLiteral("Open geo file"), QStringLiteral("Trazas de arcos        |*.geo|"));
    if (!name.empty())
        OpenTrazasFile(name);
}

void TFilesController::OpenSoleraFiles(const QStringList& files)
{
    // The first file replaces the layers unless Shift was held; the rest of the same
    // choice are added to it. Layers about to be replaced whose edits their files
    // do not hold are asked about first: cancelled, or not saved, nothing opens.
    if (!files.isEmpty() && AppendSoleraLayer != 1 && !ConfirmUnsavedEdits(false, true, false))
        return;
    for (const QString& f : files) {
        SoleraFileName = f.toStdString();
        viewer_.Display().OpenLineLayerFile(SoleraFileName, AppendSoleraLayer == 1);
        AppendSoleraLayer = 1;
    }
}

void TFilesController::aOpenSoleraExecute()
{
    AppendSoleraLayer = ZelUtils::ShiftDown() ? 1 : 0;
    OpenSoleraFiles(
        ChooseDataFiles(QStringLiteral("Open geo file"), QStringLiteral("Lineas de soleras      |*.geo|"), true));
}

void TFilesController::OpenGenatrFile(const std::string& fileName)
{
    {
        TWaitCursor wait;
        if (!KDVlib::LoadGenatr(fileName))
            return; // the rows read before stay, and so does the map
    }
    // The variable shown may be one the new file does not have: no bars then, and
    // no item ticked, rather than bars of nothing under a tick of nothing.
    if (UserView().GenatrCol >= static_cast<int32_t>(GenatrNames.size()))
        UserView().GenatrCol = 0;
    // The bars and outlines on the map are the file's just read, not the earlier one's.
    viewer_.RedrawMap();
}

void TFilesController::GeneracinAtraccin1Click()
{
    const std::string name =
        ChooseDataFile(QStringLiteral("Open csv file"), QStringLiteral("Generación/Atracción   |*.csv|"));
    if (!name.empty())
        OpenGenatrFile(name);
}

void TFilesController::AbrirOrdenArcos()
{
    const std::string name =
        ChooseDataFile(QStringLiteral("Open data file"), QStringLiteral("Formato CSV (*.csv)|*.csv"));
    if (name.empty())
        return;
    const std::string earlier = LinkOrderFileName;
    LinkOrderFileName = name;
    if (!KDVlib::LoadOrdenArcos())
        LinkOrderFileName = earlier; // the order read before stands, and is the one read again
    else
        viewer_.RedrawMap();
}

void TFilesController::ImportarColsArcosClick()
{
    const std::string name =
        ChooseDataFile(QStringLiteral("Open data file"), QStringLiteral("Datos complementarios  |*.csv|"));
    if (!name.empty())
        OpenComplementaryFile(name);
}

void TFilesController::ImportarColsMovimClick()
{
    const std::string name =
        ChooseDataFile(QStringLiteral("Open data file"), QStringLiteral("Datos complementarios  |*.csv|"));
    if (name.empty())
        return;
    const std::string earlier = ComplementaryMovFileName;
    ComplementaryMovFileName = name;
    TWaitCursor wait;
    if (!KDVlib::LoadDatosComplementariosMovs())
        ComplementaryMovFileName = earlier; // as for the links' data
    else
        viewer_.RedrawMap();
}

void TFilesController::AbrirClick(int tag)
{
    if (tag < 1 || tag > 9)
        return;
    // Shift is read before the dialog, whatever the kind (only soleras use it).
    AppendSoleraLayer = ZelUtils::ShiftDown() ? 1 : 0;
    const QString filter = QString::fromUtf8(OpenKinds[tag - 1].filter);
    const QStringList files = ChooseDataFiles(QStringLiteral("Open data file"), filter, tag == 8);
    if (files.isEmpty())
        return;
    OpenDataOfKind(tag, files);
}

void TFilesController::OpenDataOfKind(int kind, const QStringList& files)
{
    if (files.isEmpty())
        return;
    const std::string name = files.front().toStdString();
    switch (kind) {
    case 1:
        AbrirRedPalvon(name);
        break;
    case 2:
        OpenLpaFile(name);
        break;
    case 3:
        OpenLplFile(name);
        break;
    case 4:
        OpenCountsFile(name);
        break;
    case 5:
        OpenComplementaryFile(name);
        break;
    case 6:
        OpenTrazasFile(name);
        break;
    case 7:
        OpenZoningFile(name);
        break;
    case 8:
        OpenSoleraFiles(files);
        break;
    case 9:
        OpenGenatrFile(name);
        break;
    default:
        break;
    }
}

TCommandId TFilesController::OpenButton(int tag) { return OpenKinds[tag - 1].button; }

void TFilesController::RegisterCommands(TCommandRegistry& registry)
{
    using T = TFilesController;
    registry.Register(CommandTable::TOwner::Files,
                      {{Cmd::aFileOpen, this, &T::aFileOpenExecute},
                       {Cmd::tbOpenDat, this, &T::tbOpenDatExecute},
                       {Cmd::RedPalvon1, this, &T::RedPalvon1Click},
                       {Cmd::aFileOpenItem, this, &T::aFileOpenItemExecute},
                       {Cmd::aOpenLPA, this, &T::aOpenLPAExecute},
                       {Cmd::aOpenLPL, this, &T::aOpenLPLExecute},
                       {Cmd::aOpenCnt, this, &T::aOpenCntExecute},
                       {Cmd::aOpenComp, this, &T::aOpenCompExecute},
                       {Cmd::aOpenZonif, this, &T::aOpenZonifExecute},
                       {Cmd::aOpenTraza, this, &T::aOpenTrazaExecute},
                       {Cmd::aOpenSolera, this, &T::aOpenSoleraExecute},
                       {Cmd::GeneracinAtraccin1, this, &T::GeneracinAtraccin1Click},
                       {Cmd::AbrirOrden, this, &T::AbrirOrdenArcos},
                       {Cmd::Importarorden1, this, &T::AbrirOrdenArcos},
                       {Cmd::ImportarColsArcos, this, &T::ImportarColsArcosClick},
                       {Cmd::ImportarColsMovim, this, &T::ImportarColsMovimClick},
                       {Cmd::GrabarSIG, this, &T::GrabarSIGClick}});
    // One open button per kind, all through AbrirClick.
    for (int tag = 1; tag <= 9; ++tag)
        registry.Register(CommandTable::TOwner::Files, OpenButton(tag), [this, tag] { AbrirClick(tag); });
}

void TFilesController::GrabarSIGClick()
{
    std::string name;
    int filter = 0;
    // The name kept after a save is whole; the one set at opening lies beside the network.
    const QString initial = SigFileName == "null"
                                ? QString()
                                : QString::fromStdString((std::filesystem::path(DatDir) / SigFileName).string());
    if (!ExportDialogs::SaveDialog(viewer_.DialogParent(), QStringLiteral("Grabar SIG"), QStringLiteral("sig"),
                                   {QStringLiteral("Velmora SIG format [*.sig] (*.sig)")}, initial, name, filter))
        return; // the edited shapes are still unsaved: the item stays
    bool ok = false;
    {
        TWaitCursor wait;
        ok = KDVlib::WriteSigFile(name);
    }
    if (!ok)
        return; // the writer said why, once; the shapes stay unsaved
    SigFileName = name;
    shapesSavedAfterTraces_ = !tracesRead_.empty();
    viewer_.Action(Cmd::GrabarSIG)->setVisible(false);
}
