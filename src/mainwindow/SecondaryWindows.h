#pragma once
// Secondary windows created once at start and kept for the whole run. Those
// whose own work is not built yet are plain windows of their class, so the
// start-up order and the globals already hold.
#include <QDialog>
#include <QWidget>

#include "mainwindow/AboutBox.h"
#include "mainwindow/DlgFind.h"
#include "mainwindow/DlgRngs.h"
#include "map/gui/DlgSize.h"
#include "map/gui/FrmAerial.h"
#include "map/gui/KDVscale.h"
#include "map/gui/StreetView.h"
#include "mainwindow/DlgTemas.h"
#include "analysis/gui/DlgFormula.h"

#define VELMORA_WINDOW(Class, Base, Title)                                                                            \
    class Class : public Base {                                                                                     \
    public:                                                                                                         \
        explicit Class(QWidget* parent = nullptr) : Base(parent)                                                   \
        {                                                                                                           \
            setObjectName(QStringLiteral(#Class));                                                                 \
            setWindowTitle(QStringLiteral(Title));                                                                 \
        }                                                                                                           \
    }

VELMORA_WINDOW(TFrmPijm, QWidget, "Pares OD del movimiento");
VELMORA_WINDOW(TFrmPija, QWidget, "Pares OD del arco");
VELMORA_WINDOW(TFrmFases, QWidget, "Fases");
VELMORA_WINDOW(TDlgPrint, QDialog, "Imprimir");
VELMORA_WINDOW(TFrmPath, QWidget, "Rutas mínimas");
VELMORA_WINDOW(TDlgStat, QDialog, "Estadísticas");
VELMORA_WINDOW(TFrmMix, QWidget, "Diagrama de giros");
VELMORA_WINDOW(TFrmPreview, QWidget, "Vista preliminar");

#undef VELMORA_WINDOW

extern TFrmPijm* FrmPijm;
extern TFrmPija* FrmPija;
extern TFrmFases* FrmFases;
extern TDlgPrint* DlgPrint;
extern TFrmPath* FrmPath;
extern TDlgStat* DlgStat;
extern TFrmMix* FrmMix;
extern TFrmPreview* FrmPreview;

// Creates every window in the program's fixed order (the main window first).
// With no command-line parameter the splash is shown while they are created.
class TPalvonViewer;
class TAptta;
TPalvonViewer* CreateProgramWindows(bool showSplash, TAptta** splashOut);
// The windows belong to the main window and go with it: their globals are cleared.
void ForgetProgramWindows();
