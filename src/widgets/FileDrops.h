#pragma once
// Files dragged over a text box of the program's windows. Qt's text boxes take
// a dragged file as text and type its address where it is dropped: into the
// network text, the map's title box or its font's name, the find window's box,
// the boxes of the formula, scale and classes dialogs. A file is not text for
// them: the drag goes on to the window under the box, which opens it as a
// network where it takes dropped files (the main window), or refuses it (the
// other windows, and the main window while a dialog shows).
class QWidget;

// The text box passes dragged files on to the window it sits in; text dragged
// into it is typed as before.
void PassFileDropsOn(QWidget* textBox);
