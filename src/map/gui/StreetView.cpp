// The street-level imagery window and the plain browser window.
#include "map/gui/StreetView.h"

#include "map/gui/OxrImage.h"
#include "model/FileUtils.h"
#include "model/SafeFile.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QOpenGLContext>
#include <QPainter>
#include <QPixmap>
#include <QUrl>
#include <QVBoxLayout>

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

std::array<int32_t, 5> StreetViewParams = {10, 0, 0, 0, 0};
const char* const StreetViewHost = "https://maps.google.com";

std::string StreetViewUrl(double latitude, double longitude)
{
    const auto& p = StreetViewParams;
    return std::string(StreetViewHost) + ZelUtils::Format("/maps?q=&layer=c&cbll=%.6f,%.6f&cbp=%d,%d,%d,%d,%d", latitude,
                                                          longitude, p[0], p[1], p[2], p[3], p[4]);
}

// Qt's own hook for the context every OpenGL context of the process shares with;
// the application makes it at start only when asked to before it exists.
Q_GUI_EXPORT QOpenGLContext* qt_gl_global_share_context();
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext* context);

QWidget* CreateBrowserView(QWidget* parent)
{
    using Factory = QWidget* (*)(QWidget*);
    static Factory factory = nullptr;
    if (!factory) {
        // The browser engine draws through OpenGL contexts shared with the
        // program's: make the shared one now, as the application would have at
        // start, before the engine's library initialises itself on loading.
        // The engine refuses to start as root inside its sandbox (the whole
        // program would end): run it without one then.
        if (::geteuid() == 0)
            setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
        if (!qt_gl_global_share_context()) {
            auto* shared = new QOpenGLContext;
            shared->setFormat(QSurfaceFormat::defaultFormat());
            shared->create();
            qt_gl_set_global_share_context(shared);
        }
        // Beside the program first, then where it was built.
        const QString name = QFileInfo(QString::fromUtf8(VELMORA_BROWSER_PLUGIN)).fileName();
        QLibrary lib(QDir(QCoreApplication::applicationDirPath()).filePath(name));
        if (!lib.load())
            lib.setFileName(QString::fromUtf8(VELMORA_BROWSER_PLUGIN));
        factory = reinterpret_cast<Factory>(lib.resolve("VelmoraCreateBrowser"));
        if (!factory) {
            Services().ShowMessage("No se pudo cargar el navegador integrado (" + name.toStdString() +
                                   "): no se pueden mostrar páginas web.");
            return nullptr;
        }
    }
    return factory(parent);
}

TStreetView::TStreetView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("TStreetView"));
    setWindowTitle(QStringLiteral("StreetView"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    MainMenu = new QMenuBar(this);
    QMenu* comandos = MainMenu->addMenu(QStringLiteral("Comandos"));
    Copiar = comandos->addAction(QStringLiteral("Copiar"));
    Copiar->setObjectName(QStringLiteral("Copiar"));
    Imprimir = comandos->addAction(QStringLiteral("Imprimir"));
    Imprimir->setObjectName(QStringLiteral("Imprimir"));
    layout->setMenuBar(MainMenu);
    // The copy buffer: never on show, always the browser's size.
    img = new TOxrImage(this);
    img->setObjectName(QStringLiteral("img"));
    img->setFixedSize(800, 580);
    img->hide();
    img->Clear();
    resize(800, 580 + MainMenu->sizeHint().height());
    connect(Copiar, &QAction::triggered, this, &TStreetView::CopiarClick);
}

void TStreetView::ShowSV(double latitude, double longitude)
{
    const std::string url = StreetViewUrl(latitude, longitude);
    // A name the program chose: a link under it is not followed. Written unasked at
    // every click: a folder that refuses it is said once, until a write there goes in.
    std::string why;
    std::error_code ec;
    const std::string folder = std::filesystem::current_path(ec).string();
    if (SafeFile::Write("addr.txt", url + "\r\n", &why, true, true)) {
        addressRefusedIn_.clear();
    } else if (folder != addressRefusedIn_) {
        addressRefusedIn_ = folder;
        Services().ShowMessage("No se pudo escribir el archivo addr.txt en la carpeta " + folder +
                               (why.empty() ? std::string() : ": " + why) + ".");
    }
    Navigate(QString::fromStdString(url));
}

void TStreetView::Navigate(const QString& url)
{
    if (OnNavigate) {
        OnNavigate(url);
        return;
    }
    if (!browserStreetView) {
        browserStreetView = CreateBrowserView(this);
        if (!browserStreetView)
            return;
        browserStreetView->setObjectName(QStringLiteral("browserStreetView"));
        browserStreetView->resize(800, 580);
        layout()->addWidget(browserStreetView);
    }
    browserStreetView->setProperty("url", QUrl(url));
}

void TStreetView::CopiarClick()
{
    if (browserStreetView) {
        const QPixmap page = browserStreetView->grab();
        img->Clear();
        if (QPainter* c = img->Canvas())
            c->drawPixmap(img->rect(), page);
        img->update();
    }
    QGuiApplication::clipboard()->setImage(img->Picture());
}

TForm1::TForm1(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("TForm1"));
    setWindowTitle(QStringLiteral("Navegador"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    resize(800, 600);
}

void TForm1::showEvent(QShowEvent* event)
{
    // The browser engine starts only for a window that is really shown.
    if (!WebBrowser1) {
        WebBrowser1 = CreateBrowserView(this);
        if (WebBrowser1) {
            WebBrowser1->setObjectName(QStringLiteral("WebBrowser1"));
            layout()->addWidget(WebBrowser1);
        }
    }
    QWidget::showEvent(event);
}
