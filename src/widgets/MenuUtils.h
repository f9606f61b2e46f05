#pragma once
// Small helpers that several features' menus share.
class QMenu;
class QString;

// Removes and deletes a menu's items (they may also sit in a toolbar drop-down,
// where QMenu::clear would leave them alive); named items are commands of the
// window and are only removed.
void ClearMenu(QMenu* menu);
// A submenu by its object name, made (with the title) when there is none yet.
QMenu* SubMenu(QMenu* parent, const char* name, const QString& title);
