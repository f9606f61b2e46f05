#include "widgets/FileDrops.h"

#include <QAbstractScrollArea>
#include <QDropEvent>
#include <QMimeData>

namespace {
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
            if (static_cast<QDropEvent*>(event)->mimeData()->hasUrls()) {
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

void PassFileDropsOn(QWidget* textBox)
{
    auto* pass = new TFileDropPass(textBox);
    textBox->installEventFilter(pass);
    if (auto* area = qobject_cast<QAbstractScrollArea*>(textBox))
        area->viewport()->installEventFilter(pass);
}
