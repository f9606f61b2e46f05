#pragma once
// The toolbar the two junction windows (turning flows and signal phases) share:
// print, copy, document, stepping through the junction list, the list itself and
// the two toggles. Buttons show small glyphs with the Spanish hint as tooltip, so
// the whole row fits the windows' 500-pixel picture width.
#include <QString>

class QAction;
class QMenu;
class QToolBar;
class QToolButton;
class QWidget;

struct TJunctionToolbar {
    QToolBar* bar = nullptr;
    QAction* tbPrint = nullptr;
    QAction* tbCopy = nullptr;
    QAction* tbWord = nullptr;
    QAction* tbFirst = nullptr;
    QAction* tbPrev = nullptr;
    QAction* tbNext = nullptr;
    QAction* tbLast = nullptr;
    QToolButton* list = nullptr; // drops down pupNodos
    QMenu* pupNodos = nullptr;
    QAction* tbSync = nullptr;
    QAction* tbRepartos = nullptr; // down at start
};

TJunctionToolbar BuildJunctionToolbar(QWidget* owner);
