// The program's windows, created once in their fixed order.
#include "mainwindow/Aptta.h"
#include "mainwindow/DlgCfg.h"
#include "mainwindow/MessageFrm.h"
#include "mainwindow/PalvonViewer.h"
#include "mainwindow/SecondaryWindows.h"
#include "model/gui/FrmDat.h"

#include "model/ViewerServices.h"
#include "printing/Net2Print.h"

#include <QApplication>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>

TDlgSize* DlgSize = nullptr;
TFrmPijm* FrmPijm = nullptr;
TFrmPija* FrmPija = nullptr;
TFrmFases* FrmFases = nullptr;
TDlgFormula* DlgFormula = nullptr;
TDlgPrint* DlgPrint = nullptr;
TFrmPath* FrmPath = nullptr;
TFrmAerial* FrmAerial = nullptr;
TDlgStat* DlgStat = nullptr;
TForm1* Form1 = nullptr;
TStreetView* StreetView = nullptr;
TFrmMix* FrmMix = nullptr;
TDlgFind* DlgFind = nullptr;
TKDVaboutBox* KDVaboutBox = nullptr;
TKDVscale* KDVscale = nullptr;
TDlgRngs* DlgRngs = nullptr;
TDlgTemas* DlgTemas = nullptr;
TFrmPreview* FrmPreview = nullptr;

namespace {

// The phase window's print button also holds the phase report of every network
// of the print definition ("Definir Redes"), beside the print of the junction shown.
void WirePhaseReport(TPalvonViewer* viewer)
{
    auto* menu = new QMenu(FrmFases);
    menu->setObjectName(QStringLiteral("pupImprimirFases"));
    QAction* one = menu->addAction(QStringLiteral("Imprimir intersección"));
    QObject::connect(one, &QAction::triggered, FrmFases->tbPrint, &QAction::trigger);
    QAction* all = menu->addAction(QStringLiteral("Imprimir fases de las redes definidas"));
    all->setObjectName(QStringLiteral("ImprimirFases"));
    QObject::connect(all, &QAction::triggered, viewer, [viewer] {
        if (Net2PrintCount <= 0) {
            Services().ShowMessage("Defina primero las redes a imprimir con Archivo > Impresion de Redes > Definir Redes.");
            return;
        }
        viewer->ImprimirFases();
    });
    FrmFases->tbPrint->setMenu(menu);
    for (QToolBar* bar : FrmFases->findChildren<QToolBar*>())
        if (auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(FrmFases->tbPrint)))
            button->setPopupMode(QToolButton::MenuButtonPopup);
}

} // namespace

TPalvonViewer* CreateProgramWindows(bool showSplash, TAptta** splashOut)
{
    TAptta* splash = new TAptta();
    if (showSplash) {
        splash->show();
        splash->repaint();
        QApplication::processEvents();
    }
    auto* viewer = new TPalvonViewer();
    viewer->setAttribute(Qt::WA_DeleteOnClose, false);
    // Secondary windows belong to the main window so they close with it.
    DlgSize = new TDlgSize(viewer);
    FrmPijm = new TFrmPijm(viewer);
    FrmPija = new TFrmPija(viewer);
    FrmFases = new TFrmFases(viewer);
    WirePhaseReport(viewer);
    DlgFormula = new TDlgFormula(viewer);
    DlgPrint = new TDlgPrint(*viewer, viewer);
    FrmPath = new TFrmPath(viewer);
    FrmAerial = new TFrmAerial(viewer);
    DlgStat = new TDlgStat(viewer);
    MessageFrm = new TMessageFrm(viewer);
    Form1 = new TForm1(viewer);
    StreetView = new TStreetView(viewer);
    FrmMix = new TFrmMix(viewer);
    for (QWidget* w : std::initializer_list<QWidget*>{FrmPijm, FrmPija, FrmFases, FrmPath, FrmAerial, Form1,
                                                      StreetView, FrmMix})
        w->setWindowFlag(Qt::Window);
    viewer->SetSplash(splash);
    DlgFind = new TDlgFind(viewer);
    KDVaboutBox = new TKDVaboutBox(viewer);
    KDVscale = new TKDVscale(viewer);
    DlgCfg = new TDlgCfg(viewer);
    DlgRngs = new TDlgRngs(viewer);
    FrmDat = new TFrmDat(viewer);
    DlgTemas = new TDlgTemas(viewer);
    FrmPreview = new TFrmPreview(viewer);
    FrmPreview->setWindowFlag(Qt::Window);
    if (splashOut)
        *splashOut = splash;
    return viewer;
}

void ForgetProgramWindows()
{
    DlgSize = nullptr;
    FrmPijm = nullptr;
    FrmPija = nullptr;
    FrmFases = nullptr;
    DlgFormula = nullptr;
    DlgPrint = nullptr;
    FrmPath = nullptr;
    FrmAerial = nullptr;
    DlgStat = nullptr;
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
    FrmPreview = nullptr;
}
