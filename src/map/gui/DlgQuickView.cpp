#include "map/gui/DlgQuickView.h"

#include "map/gui/OxrImage.h"

#include <QInputDialog>
#include <QKeyEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

std::function<QString()> TDlgQuickView::AskTitle;

TDlgQuickView::TDlgQuickView(QWidget* parent) : QDialog(parent)
{
    setObjectName("TDlgQuickView");
    setWindowTitle(QStringLiteral("Vista Estática"));
    resize(414, 336);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    sbimg = new QScrollArea(this);
    sbimg->setObjectName("sbimg");
    // The arrow keys belong to the window, which scrolls the box itself.
    sbimg->setFocusPolicy(Qt::NoFocus);
    img = new TOxrImage();
    img->setObjectName("img");
    img->resize(400, 293);
    img->SetDeviceSize(400, 293);
    sbimg->setWidget(img);
    layout->addWidget(sbimg);
    connect(img, &TOxrImage::onMouseDown, this,
            [this](Qt::MouseButton button, TShiftState, int, int) { imgOxrMouseDown(button); });
}

QString TDlgQuickView::Title()
{
    if (AskTitle)
        return AskTitle();
    bool ok = false;
    const QString text = QInputDialog::getText(this, QStringLiteral("Vista Estática"), QStringLiteral("Título: "),
                                               QLineEdit::Normal, QString(), &ok);
    return ok ? text : QString();
}

void TDlgQuickView::FormShow() { setWindowTitle(Title()); }

void TDlgQuickView::imgOxrMouseDown(Qt::MouseButton button)
{
    if (button == Qt::RightButton)
        setWindowTitle(Title());
}

void TDlgQuickView::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Asked each time the window is shown, not when the system re-shows it.
    if (!event->spontaneous())
        FormShow();
}

void TDlgQuickView::keyPressEvent(QKeyEvent* event)
{
    QScrollBar* h = sbimg->horizontalScrollBar();
    QScrollBar* v = sbimg->verticalScrollBar();
    switch (event->key()) {
    case Qt::Key_Left:
        h->setValue(h->value() - h->singleStep());
        break;
    case Qt::Key_Right:
        h->setValue(h->value() + h->singleStep());
        break;
    case Qt::Key_Up:
        v->setValue(v->value() - v->singleStep());
        break;
    case Qt::Key_Down:
        v->setValue(v->value() + v->singleStep());
        break;
    default:
        QDialog::keyPressEvent(event);
        return;
    }
    event->accept();
}
