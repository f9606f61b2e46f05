#pragma once
// The widget side of ZelUtils: the generic input dialog, character metrics of a
// font, and the routines that render a window or a menu's structure to bitmaps.
#include <QSize>
#include <QVariant>

#include <cstdint>
#include <string>
#include <vector>

class QAction;
class QFont;
class QPaintDevice;
class QTreeWidget;
class QWidget;

namespace ZelUtils {

// Field kinds of the input dialog; any other kind shows its prompt without an editor.
constexpr int32_t FieldText = 0;     // one-line text box, at most 255 characters
constexpr int32_t FieldFileName = 1; // text box with a browse button
constexpr int32_t FieldColour = 2;   // colour drop-down; value 0x00BBGGRR as an int

// Average width of the letters A-Z a-z and the character height, in pixels of the
// device (the screen when none is given).
QSize AverageCharSize(const QFont& font, QPaintDevice* device = nullptr);

// Modal dialog with one prompt and editor per field. On "Ok" every value of a
// field with an editor is replaced (text as a QString, colour as an int) and the
// result is true; otherwise nothing is written. Missing kinds count as text boxes.
bool InputFieldsDialog(const std::string& title, const std::vector<std::string>& prompts,
                       const std::vector<int32_t>& kinds, std::vector<QVariant>& values);
bool InputInteger(const std::string& title, const std::string& prompt, QVariant& value, int32_t kind);
bool InputIntegerEx(const std::string& title, const std::string& prompt1, const std::string& prompt2,
                    QVariant& value1, QVariant& value2, int32_t kind1, int32_t kind2);

// Writes a BMP file of the whole control; false when it cannot be written.
bool SaveBitmap(QWidget* control, const std::string& fileName);
// Writes the structure of a menu (a menu bar or a menu) as BMP files in the
// current folder: <name>_full.BMP, <name>.BMP and one <caption>.BMP per top item.
void SaveFullBitmap(QWidget* menu, QWidget* parent);
// Adds a root named after the menu and its items (without '&'), separators skipped;
// sub-items too when allLevels is set.
void MenuWalk(QWidget* menu, QTreeWidget* tree, bool allLevels);
// Adds a root for the item and all its sub-items below it.
void MenuWalk2(QAction* item, QTreeWidget* tree);

} // namespace ZelUtils
