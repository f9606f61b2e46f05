#pragma once
// The program's windows. The main window and the network text window (its
// controls come when it is first shown) are made at start; every other window,
// the options dialog included (the options themselves live in
// model/ProgramOptions.h), is made the first time it is used, so a launch pays
// only for what it shows.
#include <QDialog>
#include <QWidget>

#include "mainwindow/AboutBox.h"
#include "mainwindow/DlgCfg.h"
#include "mainwindow/DlgFind.h"
#include "mainwindow/DlgRngs.h"
#include "mainwindow/MessageFrm.h"
#include "map/gui/DlgSize.h"
#include "map/gui/FrmAerial.h"
#include "map/gui/KDVscale.h"
#include "map/gui/StreetView.h"
#include "mainwindow/DlgTemas.h"
#include "analysis/gui/DlgFormula.h"
#include "analysis/gui/FrmFases.h"
#include "printing/gui/DlgPrint.h"
#include "printing/gui/FrmPreview.h"
#include "analysis/gui/KDVMix.h"
#include "analysis/gui/KDVpath.h"
#include "analysis/gui/KDVstat.h"
#include "analysis/gui/KdvPija.h"

// Creates the main window, then the window whose state every opening needs: the
// network text window (FrmDat), which holds the text every opening reads (its
// controls are made when it is first shown). With no command-line parameter the
// splash shows meanwhile.
class TPalvonViewer;
class TAptta;
TPalvonViewer* CreateProgramWindows(bool showSplash, TAptta** splashOut);
// The windows belong to the main window and go with it: their globals are cleared.
void ForgetProgramWindows();
// The program's main window, found among the application's top-level windows
// (null before it is made); the one other than `leaving` when one is closing.
TPalvonViewer* ProgramWindow(const TPalvonViewer* leaving = nullptr);
// Puts every process-wide record of the program (the model's, the map's display
// state and the main window's own: recent files, themes) back
// to what a fresh program start has. The program calls it before making its
// windows; so does each test that makes them, whatever earlier tests left behind.
void ResetProgramState();

// The other windows, made on first call as children of the main window (with
// their window flag and their wiring to it) and kept for the run. Their globals
// stay null until then, so a check such as `FrmFases && FrmFases->isVisible()`
// makes nothing; whatever shows or fills a window goes through these. The windows
// only the analyses show (paths, PIJA lists, statistics) are made the same way by
// the analysis controller (TAnalysisController::PathWindow ...).
namespace Secondary {
TDlgSize& DlgSize();
TFrmFases& FrmFases();
TDlgFormula& DlgFormula();
TFrmAerial& FrmAerial();
TMessageFrm& MessageFrm();
TForm1& Form1();
TStreetView& StreetView();
TFrmMix& FrmMix();
TDlgFind& DlgFind();
TKDVaboutBox& KDVaboutBox();
TKDVscale& KDVscale();
TDlgRngs& DlgRngs();
TDlgTemas& DlgTemas();
TDlgCfg& DlgCfg();
} // namespace Secondary
