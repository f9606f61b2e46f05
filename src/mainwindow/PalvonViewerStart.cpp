// Start-up of the main window: defaults, first showing, command line, batch modes.
#include "mainwindow/Aptta.h"
#include "mainwindow/PalvonViewer.h"
#include "map/gui/OxrImage.h"
#include "widgets/ToolIcons.h"
#include "mainwindow/SecondaryWindows.h"
#include "map/DisplayStyles.h"
#include "export/ExportServices.h"
#include "export/GeoWriters.h"
#include "model/KDVlib.h"
#include "model/PrintServices.h"
#include "printing/gui/BatchPrintController.h"
#include "model/ProgramOptions.h"
#include "model/gui/FrmDat.h"
#include "map/ViewState.h"
#include "model/KDVvars.h"
#include "model/PalvonRead.h"
#include "model/ZelUtils.h"
#include "model/ViewerServices.h"
#include "platform/SystemInfo.h"

#include <QAction>
#include <QApplication>
#include <QGuiApplication>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QProgressBar>
#include <QCloseEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>

void TPalvonViewer::FormCreate()
{
    TempEmfName = "Velmora___.EMF";
    UserView().PixsVol = 25;
    UserView().PixsCol = 5;
    UserView().GenatrBarWidth = 20;
    UserView().FMov = 1.0;
    UserView().Lanes.AnchoPista = 3.5f;
    UserView().Lanes.LaneOffset = 1.5f * UserView().Lanes.AnchoPista;
    DisplayStyles::SetDefaultStyles();
    UserView().StreetLabelPos = 1;
    UserView().StreetLabelOffset = 0.5f;
    UserView().ZoomFactor = 0.1f;
    BatchMode = false;
    UserName = SystemInfo::UserName();
    KDVlib::SetMessages("ES");

    for (int i = 0; i < 4; ++i)
        StatusPanels[i]->setText(i == 0 ? QStringLiteral("Inactivo") : QStringLiteral(" "));
    ProgressBar->setValue(0);
    ProgressBar->setVisible(false);

    // Help stays the last menu, whatever order the menus were built in.
    for (QAction* menu : menuBar()->actions())
        if (menu->text().remove(QLatin1Char('&')) == QStringLiteral("Ayuda")) {
            menuBar()->removeAction(menu);
            menuBar()->addAction(menu);
            break;
        }
    // Buttons with a drawing show it; the others keep their caption.
    for (QToolBar* bar : findChildren<QToolBar*>()) {
        bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
        bar->setIconSize(QSize(24, 24));
        for (QAction* a : bar->actions())
            if (HasToolIcon(a->objectName()))
                a->setIcon(ToolIcon(a->objectName(), a->text()));
    }
    qApp->installEventFilter(this);
    setAcceptDrops(true);
    tnDatos->setTabVisible(tnDatos->indexOf(tsLineas), false);
    tnDatos->setTabVisible(tnDatos->indexOf(tsEdit), false);
    // Items that other commands, or the opening of a network, show.
    ApplyStartVisibility();
}

namespace {
// The export writers ask the options whether coordinates are saved.
class ExportServicesImpl : public ExportServices {
public:
    bool SaveGeos() override { return ProgramOptions().SaveGeos; }
};
ExportServicesImpl exportServices;
} // namespace

// The windows made at start are connected to the main window.
void TPalvonViewer::ConnectOptions()
{
    SetExportServices(&exportServices);
    if (FrmDat)
    {
        // Once, however often the options are connected.
        disconnect(FrmDat, &TFrmDat::ReloadRequested, this, nullptr);
        connect(FrmDat, &TFrmDat::ReloadRequested, this, [this] { files_.ReloadFromText(); });
        // Closed by its own title bar: the menu item shows it is no longer on show.
        connect(FrmDat, &TFrmDat::ShownChanged, Action(Cmd::RedPalvon1), &QAction::setChecked, Qt::UniqueConnection);
    }
}

namespace {

// For the launch benchmark: once the map of the network named on the command line
// (or the empty map, when none is) is on screen, prints the wall clock (ns since
// the epoch), the peak resident memory and how many times a network was read,
// then ends the program.
class TFirstDrawReport : public QObject {
public:
    explicit TFirstDrawReport(QWidget* canvas) : QObject(canvas)
    {
        canvas->installEventFilter(this);
        canvas->update();
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // Reported once the paint event, the flush that follows it and the display
        // server's work on it are done: an event posted now, ahead of whatever else
        // waits (the grids, filled once the map is on screen), then a round trip
        // to the server.
        if (event->type() == QEvent::Paint && !done_) {
            done_ = true;
            QCoreApplication::postEvent(this, new QEvent(QEvent::User), Qt::HighEventPriority);
        }
        return QObject::eventFilter(watched, event);
    }

    void customEvent(QEvent* event) override
    {
        if (event->type() == QEvent::User) {
            QGuiApplication::sync();
            const auto now = std::chrono::system_clock::now().time_since_epoch();
            std::string peak;
            std::ifstream status("/proc/self/status");
            for (std::string line; std::getline(status, line);)
                if (line.rfind("VmHWM:", 0) == 0)
                    peak = line.substr(6);
            std::printf("first-draw %lld peak%s reads %d\n",
                        (long long)std::chrono::duration_cast<std::chrono::nanoseconds>(now).count(),
                        peak.c_str(), PalvonRead::NetworkReads());
            std::fflush(stdout);
            QCoreApplication::exit(0);
        }
    }

private:
    bool done_ = false;
};

} // namespace

void TPalvonViewer::FormShow()
{
    InteractiveRun = 1;
    ConnectOptions();
    DrawEnabled = true;
    GeneratedBy = "Generado por Velmora (" + SystemInfo::BuildVersion() + ")";
    DisplayStyles::SetDefaultClassStyles();
    if (TFrmPreview* preview = printing_.Preview())
        preview->FitToPrinterPage();
    // Paper looks the same whatever monitor the program starts on: the ratio
    // starts fixed, and only the printer setup or the options change it. The
    // options show it, so closing them keeps it.
    UserView().SizeFactor = 5.0f;
    ProgramOptions().SetScreen2Print(UserView().SizeFactor);
    NotifyProgramOptionsChanged();
    Settings().LeerVelmora();
    files_.RebuildRecentMenus();
    Timer1->start();
    // The splash stays in front of the main window until its time is up.
    if (splash_ && splash_->isVisible())
        splash_->raise();

    if (commandLine_.empty() && qEnvironmentVariableIsSet("VELMORA_REPORT_FIRST_DRAW"))
        new TFirstDrawReport(img); // the empty window, as the floor of a launch
    if (commandLine_.size() == 1) {
        // One parameter: an interactive start on that network (as a dropped file).
        if (files_.OpenFromCommandLine(QFileInfo(commandLine_[0]).absoluteFilePath().toStdString()) &&
            qEnvironmentVariableIsSet("VELMORA_REPORT_FIRST_DRAW"))
            new TFirstDrawReport(img);
        return;
    }
    if (commandLine_.size() != 2)
        return;
    // Two parameters: a batch job on the network of the first, then close.
    CmdFile1 = QFileInfo(commandLine_[0]).absoluteFilePath().toStdString();
    CmdFile2 = QFileInfo(commandLine_[1]).absoluteFilePath().toStdString();
    InteractiveRun = 0;
    if (splash_)
        splash_->close();
    DrawEnabled = false;
    BatchMode = true;
    SetBatchQuiet(true);
    std::string ext = ZelUtils::UpperCase(std::filesystem::path(CmdFile2).extension().string());
    if (ext == ".PLG") {
        if (!files_.AbrirRedPalvon(CmdFile1) || !grids_.BatchSelectByPolygons(CmdFile2))
            BatchExitCode = 1;
    } else {
        // A print definition: its networks are named relative to its folder. One that
        // is not there is said at once, before a network is read for nothing.
        InstallBatchPrintServices(batchPrinting_);
        if (!std::filesystem::is_regular_file(CmdFile2)) {
            Services().ShowMessage("La impresión por lotes no encuentra la definición " + CmdFile2 + ".");
            BatchExitCode = 1;
        } else if (!files_.AbrirRedPalvon(CmdFile1)) {
            BatchExitCode = 1;
        } else {
            SetCurrentDirectory(std::filesystem::path(CmdFile2).parent_path().string());
            if (!PrintHooks().ReadWriteNet2Print(CmdFile2)) {
                BatchExitCode = 1; // the reader has said why
            } else {
                PrintHooks().ImprimirRedes1Click();
                if (BatchPrintFailed())
                    BatchExitCode = 1;
            }
        }
    }
    close();
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
}

void TPalvonViewer::SetCurrentDirectory(const std::string& path)
{
    if (!path.empty())
        std::filesystem::current_path(path);
}
