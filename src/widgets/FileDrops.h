#pragma once
// Files dragged over a text box of the program's windows. Qt's text boxes take
// a dragged file as text and type its address where it is dropped: into the
// network text, the map's title box, a dialog's name, value or formula. A file
// is not text for any of them: the drag goes on to the window under the box,
// which opens it as a network where it takes dropped files (the main window),
// or refuses it (the other windows, and the main window while a dialog shows).
class QApplication;

// Every text box of the application passes dragged files on to the window it
// sits in; text dragged into one is typed as before. Called once, where the
// application is made.
void PassFileDropsToWindows(QApplication& app);
