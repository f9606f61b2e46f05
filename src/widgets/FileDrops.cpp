#include "widgets/FileDrops.h"

#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace {
// A widget that types what is dropped on it: a line of text (the boxes of spin
// boxes and editable lists are lines too), a text area or the viewport a text
// area takes its drops on.
bool TakesText(const QObject* w)
{
    auto isText = [](const QObject* o) {
        return qobject_cast<const QLineEdit*>(o) || qobject_cast<const QTextEdit*>(o)
               || qobject_cast<const QPlainTextEdit*>(o) || qobject_cast<const QAbstractSpinBox*>(o);
    };
    if (auto* area = qobject_cast<const QAbstractScrollArea*>(w->parent()); area && area->viewport() == w)
        return isText(area);
    return isText(w);
}

bool HoldsLocalFiles(const QMimeData* mime)
{
    if (!mime || !mime->hasUrls())
        return false;
    for (const QUrl& url : mime->urls())
        if (url.isLocalFile())
            return true;
    return false;
}

class TFileDropPass : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
            if (TakesText(watched) && HoldsLocalFiles(static_cast<QDropEvent*>(event)->mimeData())) {
                event->ignore(); // on to the widgets under it
                return true;
            }
            break;
        default:
            break;
        }
        return QObject::eventFilter(watched, event);
    }
};
} // namespace

void PassFileDropsToWindows(QApplication& app)
{
    app.installEventFilter(new TFileDropPass(&app));
}
