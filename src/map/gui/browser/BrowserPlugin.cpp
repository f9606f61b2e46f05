// The embedded web browser, in a library of its own that the program loads the
// first time a page is shown: a session that never shows a page does not start
// the browser engine nor load OpenGL.
#include <QWebEngineView>

extern "C" Q_DECL_EXPORT QWidget* VelmoraCreateBrowser(QWidget* parent)
{
    return new QWebEngineView(parent);
}
