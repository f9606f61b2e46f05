// The program's windows: the main window and the ones it needs from the start,
// created once at start, and the place that knows how every other window is made
// when first used.
#include "mainwindow/Aptta.h"
#include "mainwindow/DlgCfg.h"
#include "mainwindow/MessageFrm.h"
#include "mainwindow/PalvonViewer.h"
#include "mainwindow/SecondaryWindows.h"
#include "map/DrawState.h"
#include "map/Ranges.h"
#include "map/gui/DlgSize.h"
#include "model/gui/FrmDat.h"
#include "platform/IniFile.h"

#include "export/GeoWriters.h"
#include "model/FileUtils.h"
#include "model/KDVvars.h"
#include "model/PalvonVars.h"
#include "model/ProgramOptions.h"
#include "model/SafeFile.h"
#include "model/ViewerServices.h"
#include "printing/Net2Print.h"
#include "printing/ReportWriter.h"
#include "printing/ZelPrinter.h"
#include "widgets/ReplaceQuestion.h"

#include <QApplication>
#include <QCheckBox>
#include <QMenu>
#include <QSettings>
#include <QSignalBlocker>
#include <QToolBar>
#include <QToolButton>

#include <cstdio>
#include <filesystem>

TDlgSize* DlgSize = nullptr;
TFrmFases* FrmFases = nullptr;
TDlgFormula* DlgFormula = nullptr;
TFrmAerial* FrmAerial = nullptr;
TForm1* Form1 = nullptr;
TStreetView* StreetView = nullptr;
TFrmMix* FrmMix = nullptr;
TDlgFind* DlgFind = nullptr;
TKDVaboutBox* KDVaboutBox = nullptr;
TKDVscale* KDVscale = nullptr;
TDlgRngs* DlgRngs = nullptr;
TDlgTemas* DlgTemas = nullptr;

namespace {

// The phase window's print button also holds the phase report of every network
// of the print definition ("Definir Redes"), beside the print of the junction shown.
void WirePhaseReport(TFrmFases& fases, TPalvonViewer* viewer)
{
    auto* menu = new QMenu(&fases);
    menu->setObjectName(QStringLiteral("pupImprimirFases"));
    QAction* one = menu->addAction(QStringLiteral("Imprimir intersección"));
    QObject::connect(one, &QAction::triggered, fases.tbPrint, &QAction::trigger);
    QAction* all = menu->addAction(QStringLiteral("Imprimir fases de las redes definidas"));
    all->setObjectName(QStringLiteral("ImprimirFases"));
    QObject::connect(all, &QAction::triggered, viewer, [viewer] {
        if (viewer->BatchPrinting().Definition().Net2PrintCount <= 0) {
            Services().ShowMessage("Defina primero las redes a imprimir con Archivo > Impresion de Redes > Definir Redes.");
            return;
        }
        viewer->Analysis().ImprimirFases(viewer->BatchPrinting().Definition());
    });
    fases.tbPrint->setMenu(menu);
    for (QToolBar* bar : fases.findChildren<QToolBar*>())
        if (auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(fases.tbPrint)))
            button->setPopupMode(QToolButton::MenuButtonPopup);
}

// Dialogs and windows of their own (Qt::Window), each a child of the main window
// so that it closes with it.
enum class Kind { Dialog, Window };

// `window` made on first call, by `make` when given, as a child of the program's
// main window.
template <class W, class Make>
W& Made(W*& window, Kind kind, Make make)
{
    if (!window) {
        TPalvonViewer* viewer = ProgramWindow();
        Q_ASSERT(viewer);
        window = make(viewer);
        // A window beside the map reaches the main window through its host.
        if constexpr (requires { window->SetHost(&viewer->Hosts()); })
            window->SetHost(&viewer->Hosts());
        if (kind == Kind::Window)
            window->setWindowFlag(Qt::Window);
    }
    return *window;
}

template <class W>
W& Made(W*& window, Kind kind = Kind::Dialog)
{
    return Made(window, kind, [](TPalvonViewer* viewer) { return new W(viewer); });
}

} // namespace

void ResetProgramState()
{
    ResetMapState();
    RecentFiles.clear();
    InteractiveRun = 0;
    AppendSoleraLayer = 0;
    ImageSizeFactor = 1.0f;
    Network.PositionsUnsaved = false;
    Network.ZoningUnsaved = false;

}

TPalvonViewer* CreateProgramWindows(bool showSplash, TAptta** splashOut)
{
    TAptta* splash = new TAptta();
    if (showSplash) {
        splash->show();
        splash->repaint();
        QApplication::processEvents();
    }
    // The file dialogs remember their folders and history in the program's
    // settings folder, not in a file of the user's home the user never chose.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QString::fromStdString(TIniFile::SettingsFolder()));
    auto* viewer = new TPalvonViewer();
    viewer->setAttribute(Qt::WA_DeleteOnClose, false);
    viewer->SetSplash(splash);
    // Secondary windows belong to the main window so they close with it.
    FrmDat = new TFrmDat(viewer);
    InstallPreviewPrintServices();
    if (splashOut)
        *splashOut = splash;
    return viewer;
}

TPalvonViewer* ProgramWindow(const TPalvonViewer* leaving)
{
    TPalvonViewer* found = nullptr;
    int count = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* viewer = qobject_cast<TPalvonViewer*>(w); viewer && viewer != leaving) {
            found = viewer;
            ++count;
        }
    // The program makes one; a second would leave the windows' parent to chance.
    if (count > 1)
        std::fprintf(stderr, "Velmora: error interno: hay %d ventanas principales\n", count);
    return found;
}

void ForgetProgramWindows()
{
    DlgSize = nullptr;
    FrmFases = nullptr;
    DlgFormula = nullptr;
    FrmAerial = nullptr;
    MessageFrm = nullptr;
    Form1 = nullptr;
    StreetView = nullptr;
    FrmMix = nullptr;
    DlgFind = nullptr;
    KDVaboutBox = nullptr;
    KDVscale = nullptr;
    DlgCfg = nullptr;
    DlgRngs = nullptr;
    FrmDat = nullptr;
    DlgTemas = nullptr;
}

namespace Secondary {

TDlgSize& DlgSize() { return Made(::DlgSize); }
TDlgFormula& DlgFormula() { return Made(::DlgFormula); }
TFrmAerial& FrmAerial() { return Made(::FrmAerial, Kind::Window); }
TMessageFrm& MessageFrm() { return Made(::MessageFrm); }
TForm1& Form1() { return Made(::Form1, Kind::Window); }
TStreetView& StreetView() { return Made(::StreetView, Kind::Window); }
TFrmMix& FrmMix() { return Made(::FrmMix, Kind::Window); }
TDlgFind& DlgFind() { return Made(::DlgFind); }
TKDVaboutBox& KDVaboutBox() { return Made(::KDVaboutBox); }
TDlgRngs& DlgRngs() { return Made(::DlgRngs); }
TDlgTemas& DlgTemas() { return Made(::DlgTemas); }

TDlgCfg& DlgCfg()
{
    return Made(::DlgCfg, Kind::Dialog, [](TPalvonViewer* viewer) {
        auto* options = new TDlgCfg(viewer);
        // The geographic buttons write the UTM files of the network and its layers.
        options->Hooks.WriteGeo = [] {
            // The names are made up beside the network: a set that cannot be
            // written whole is said before any question, and files already there
            // (the user may have edited them) are replaced only on a yes. Without
            // a network there is nothing to write, and no folder of its own: the
            // program's working folder is not one the user chose.
            if (!Network.Loaded) {
                Services().ShowMessage("No hay una red abierta: abra primero una red Palvon.");
                return;
            }
            const std::string folder = DatDir.empty() ? "." : DatDir;
            std::vector<std::string> files;
            {
                const SafeFile::TProgramNamed ownNames; // a link under a name is not followed
                for (const std::string& file : KDVlib::UtmFileNames(folder)) {
                    if (const std::string why = SafeFile::Refusal(file); !why.empty()) {
                        Services().ShowMessage(FileUtils::WriteFailure(file, why));
                        return;
                    }
                    std::error_code ec;
                    files.push_back(std::filesystem::absolute(file, ec).lexically_normal().string());
                }
            }
            if (!MayReplaceBeside({}, files))
                return;
            // Shifts are given in kilometres. A failed write is said once, by the writer.
            KDVlib::WriteUtmFiles(folder, ProgramOptions().ShiftHorzKm() * 1000.0,
                                  ProgramOptions().ShiftVertKm() * 1000.0);
        };
        return options;
    });
}

TFrmFases& FrmFases()
{
    return Made(::FrmFases, Kind::Window, [](TPalvonViewer* viewer) {
        auto* fases = new TFrmFases(viewer);
        WirePhaseReport(*fases, viewer);
        return fases;
    });
}

TKDVscale& KDVscale()
{
    return Made(::KDVscale, Kind::Dialog, [](TPalvonViewer* viewer) {
        auto* scale = new TKDVscale(viewer);
        // The keep-the-maximum box shows the setting in force (read with the
        // network's view); ticking it here changes nothing else.
        const QSignalBlocker quiet(scale->Fixed);
        scale->Fixed->setChecked(UserView().ScaleFixed);
        return scale;
    });
}


} // namespace Secondary
