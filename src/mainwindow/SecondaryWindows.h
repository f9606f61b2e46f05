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
#include "analysis/gui/FrmFases.h"
#include "printing/gui/DlgPrint.h"
#include "printing/gui/FrmPreview.h"
#include "analysis/gui/KDVMix.h"
#include "analysis/gui/KDVpath.h"
#include "analysis/gui/KDVstat.h"
#include "analysis/gui/KdvPija.h"

#define VELMORA_WINDOW(Class, Base, Title)                                                                            \
    class Class : public Base {                                                                                     \
    public:                                                                                                         \
        explicit Class(QWidget* parent = nullptr) : Base(parent)                                                   \
        {                                                                                                           \
            setObjectName(QStringLiteral(#Class));                                                                 \
            setWindowTitle(QStringLiteral(Title));                                                                 \
        }                                                                                                           \
    }


#undef VELMORA_WINDOW


// Creates every window in the program's fixed order (the main window first).
// With no command-line parameter the splash is shown while they are created.
class TPalvonViewer;
class TAptta;
TPalvonViewer* CreateProgramWindows(bool showSplash, TAptta** splashOut);
// The windows belong to the main window and go with it: their globals are cleared.
void ForgetProgramWindows();
