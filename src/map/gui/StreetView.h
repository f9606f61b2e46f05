#pragma once
// Street-level photographs of a place in an embedded web browser, addressed by
// a URL of a map web service, and the plain browser window of the program.
#include <QString>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <string>

class QAction;
class QMenuBar;
class TOxrImage;

// The street-level viewer's five view parameters, in order (heading first).
extern std::array<int32_t, 5> StreetViewParams;
// Host of the street-level service; the path and query follow it.
extern const char* const StreetViewHost;
// The address of the street-level view at a place (decimal degrees) with the
// view parameters.
std::string StreetViewUrl(double latitude, double longitude);

class TStreetView : public QWidget {
    Q_OBJECT
public:
    explicit TStreetView(QWidget* parent = nullptr);

    QMenuBar* MainMenu;
    QAction* Copiar;
    QAction* Imprimir; // no behaviour
    TOxrImage* img;    // what "Copiar" puts on the clipboard
    // The embedded browser, made the first time a page is shown (null when the
    // browser library could not be loaded).
    QWidget* browserStreetView = nullptr;
    // Where a page opens; when empty, in the embedded browser.
    std::function<void(const QString& url)> OnNavigate;

    // Shows the street-level view at the place: builds the URL, writes it as the
    // only line of "addr.txt" in the current folder, and opens it.
    void ShowSV(double latitude, double longitude);
    // Copies the page on show (rendered at img's size) to the clipboard; img
    // unchanged when there is no page.
    void CopiarClick();

private:
    void Navigate(const QString& url);
    std::string addressRefusedIn_; // the folder that last refused "addr.txt"
};

// A window holding only a web browser (made when the window is first shown).
class TForm1 : public QWidget {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);
    QWidget* WebBrowser1 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
};

// A new embedded web browser (its "url" property is the page shown), or null with
// the reason told to the user when the browser library cannot be loaded. The
// library, and with it the browser engine and OpenGL, is loaded on the first call.
QWidget* CreateBrowserView(QWidget* parent);

extern TStreetView* StreetView;
extern TForm1* Form1;
