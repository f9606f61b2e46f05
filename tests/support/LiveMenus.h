#pragma once
// The live menus of a window as a user reaches them: a command found by walking
// the menu bar, a pop-up or a toolbar, then checked and triggered.
#include "mainwindow/PalvonViewer.h"
#include "widgets/CommandPlaces.h"

#include <QAction>
#include <QApplication>
#include <QTimer>
#include <QtTest/QTest>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSet>
#include <QToolBar>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>

namespace livemenus {

// The window a toolbar or a pop-up menu belongs to (a pop-up is a window of its own).
inline QWidget* OwnerWindow(QWidget* w)
{
    QWidget* p = w->parentWidget();
    while (qobject_cast<QMenu*>(p))
        p = p->parentWidget();
    return qobject_cast<QMenu*>(w) ? (p ? p->window() : nullptr) : w->window();
}

// A menu as the user finds it once opened: one whose rows wait for its first
// showing gets them as its opening gives them.
inline QMenu* Opened(QMenu* menu)
{
    if (CommandPlaces::IsPending(menu))
        emit menu->aboutToShow();
    return menu;
}

// Every action a user reaches in the live window (not in the windows it owns): its menu
// bar, its toolbars and their buttons' drop-downs, its pop-up menus, down every submenu.
inline QList<QAction*> Reachable(QWidget* window)
{
    QList<QAction*> pending;
    if (auto* main = qobject_cast<QMainWindow*>(window))
        pending << main->menuBar()->actions();
    for (QToolBar* bar : window->findChildren<QToolBar*>())
        if (OwnerWindow(bar) == window)
            pending << bar->actions();
    for (QMenu* popup : window->findChildren<QMenu*>())
        if (OwnerWindow(popup) == window)
            pending << Opened(popup)->actions();
    QSet<QAction*> seen;
    QList<QAction*> out;
    while (!pending.isEmpty()) {
        QAction* a = pending.takeLast();
        if (seen.contains(a))
            continue;
        seen.insert(a);
        out << a;
        if (a->menu())
            pending << Opened(a->menu())->actions();
    }
    return out;
}

// The reachable action `name`. None (or two under one name) fails the test loudly and ends it.
inline QAction* Find(QWidget* window, const QString& name)
{
    QAction* found = nullptr;
    for (QAction* a : Reachable(window)) {
        if (a->objectName() != name)
            continue;
        if (found) {
            ADD_FAILURE() << "two live actions are named " << name.toStdString();
            throw std::logic_error("ambiguous action name");
        }
        found = a;
    }
    if (!found) {
        ADD_FAILURE() << "no live menu, toolbar or pop-up holds " << name.toStdString();
        throw std::logic_error("action not reachable");
    }
    return found;
}

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
        for (QAction* a : Opened(menu)->actions())
            if (a->menu() && (path[i].startsWith('#') ? a->objectName() == path[i].mid(1) : Bare(a->text()) == path[i]))
                next = a->menu();
        menu = next;
    }
    return Opened(menu);
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

// Runs `answer` on the next modal window once it shows (the command opens it
// after handling events of its own); a window that never shows fails the test.
inline void WhenModalShown(QObject* owner, std::function<void(QWidget*)> answer)
{
    auto* timer = new QTimer(owner);
    auto polls = std::make_shared<int>(1000);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, answer, polls] {
        QWidget* w = QApplication::activeModalWidget();
        if (w && w->isVisible()) {
            timer->stop();
            timer->deleteLater();
            answer(w);
        } else if (--*polls <= 0) {
            timer->stop();
            timer->deleteLater();
            ADD_FAILURE() << "no modal window showed";
        }
    });
    timer->start(10);
}

// Clicks the button a toolbar shows for the action.
inline void ClickToolButton(QWidget* window, const QString& action)
{
    QAction* a = Find(window, action);
    for (QToolBar* bar : window->findChildren<QToolBar*>())
        if (QWidget* button = bar->widgetForAction(a); button && button->isVisible()) {
            QTest::mouseClick(button, Qt::LeftButton);
            return;
        }
    ADD_FAILURE() << "no visible button for " << action.toStdString();
}

} // namespace livemenus
