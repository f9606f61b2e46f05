#pragma once
// Small drawn icons of the toolbar buttons (the caption stays as tooltip).
#include <QIcon>
#include <QString>

// The icon of the button of that name; buttons without a drawing of their own
// get the first letters of their caption.
QIcon ToolIcon(const QString& name, const QString& text);
bool HasToolIcon(const QString& name);
