#pragma once
// The live menus of the main window as a user reaches them: a command found by
// walking the menu bar, a pop-up or a toolbar, then checked and triggered.
#include "mainwindow/PalvonViewer.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <gtest/gtest.h>

namespace livemenus {

inline QString Bare(QString s) { return s.remove(QLatin1Char('&')); }

// The menu or toolbar a place names, walked the way a user would: menu titles,
// then submenu captions ("#Name" for a submenu whose caption shows a value).
inline QWidget* Container(TPalvonViewer* w, const QString& place)
{
    const int colon = place.indexOf(QLatin1Char(':'));
    const QString kind = place.left(colon);
    const QStringList path = place.mid(colon + 1).split(QLatin1Char('>'));
    if (kind == "toolbar")
        return w->findChild<QToolBar*>(path.front());
    QMenu* menu = nullptr;
    if (kind == "menu") {
        for (QAction* a : w->menuBar()->actions())
            if (a->menu() && Bare(a->text()) == path.front())
                menu = a->menu();
    } else if (kind == "popup") {
        menu = w->findChild<QMenu*>(path.front());
    }
    for (int i = 1; menu && i < path.size(); ++i) {
        QMenu* next = nullptr;
        for (QAction* a : menu->actions())
            if (a->menu() && (path[i].startsWith('#') ? a->objectName() == path[i].mid(1) : Bare(a->text()) == path[i]))
                next = a->menu();
        menu = next;
    }
    return menu;
}

inline QAction* ItemAt(QWidget* where, const QString& name)
{
    if (!where)
        return nullptr;
    for (QAction* a : where->actions())
        if (a->objectName() == name)
            return a;
    return nullptr;
}

// The item `name` at `place` ("popup:BDerecho>Zonas", "menu:Archivo", "toolbar:tbarEstandar"),
// visible and enabled as a user would need it; nullptr (with a test failure) otherwise.
inline QAction* Reach(TPalvonViewer* w, const QString& place, const QString& name)
{
    QAction* a = ItemAt(Container(w, place), name);
    EXPECT_NE(a, nullptr) << name.toStdString() << " not at " << place.toStdString();
    if (!a)
        return nullptr;
    EXPECT_TRUE(a->isVisible()) << name.toStdString();
    EXPECT_TRUE(a->isEnabled()) << name.toStdString();
    return a;
}

// Reaches the item and runs it as a click would.
inline bool Click(TPalvonViewer* w, const QString& place, const QString& name)
{
    QAction* a = Reach(w, place, name);
    if (!a || !a->isVisible() || !a->isEnabled())
        return false;
    a->trigger();
    return true;
}

} // namespace livemenus
