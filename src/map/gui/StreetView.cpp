// The street-level imagery window and the plain browser window.
#include "map/gui/StreetView.h"

#include "map/gui/OxrImage.h"
#include "model/FileUtils.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QUrl>
#include <QVBoxLayout>
#include <QWebEngineView>

#include <filesystem>

std::array<int32_t, 5> StreetViewParams = {10, 0, 0, 0, 0};
const char* const StreetViewHost = "https://maps.google.com";

std::string StreetViewUrl(double latitude, double longitude)
{
    const auto& p = StreetViewParams;
    return std::string(StreetViewHost) + ZelUtils::Format("/maps?q=&layer=c&cbll=%.6f,%.6f&cbp=%d,%d,%d,%d,%d", latitude,
                                                          longitude, p[0], p[1], p[2], p[3], p[4]);
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
    if (!FileUtils::WriteFileAtomic("addr.txt", url + "\r\n")) {
        std::error_code ec;
        const std::string folder = std::filesystem::current_path(ec).string();
        Services().ShowMessage("No se pudo escribir el archivo addr.txt en la carpeta " + folder + ".");
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
        browserStreetView = new QWebEngineView(this);
        browserStreetView->setObjectName(QStringLiteral("browserStreetView"));
        browserStreetView->resize(800, 580);
        layout()->addWidget(browserStreetView);
    }
    browserStreetView->setUrl(QUrl(url));
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
        WebBrowser1 = new QWebEngineView(this);
        WebBrowser1->setObjectName(QStringLiteral("WebBrowser1"));
        layout()->addWidget(WebBrowser1);
    }
    QWidget::showEvent(event);
}
