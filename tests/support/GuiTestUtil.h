#pragma once
// Small helpers of the widget tests: counting repaints and letting queued events run.
#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QComboBox>
#include <QEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <QObject>
#include <QToolBar>

#include <string>

namespace testutil {

// Counts the paint events of the widget it is installed on.
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// A file dragged onto `target` and dropped there, the drop sent only when the
// drag is taken on entering and still taken as it moves there, as a real drag
// does (`asText`: offered as its address too, as file managers offer it).
// Whether the target, or a window under it, took the drag.
inline bool DropFile(QWidget* target, const std::string& file, bool asText = false)
{
    QMimeData mime;
    const QUrl url = QUrl::fromLocalFile(QString::fromStdString(file));
    mime.setUrls({url});
    if (asText)
        mime.setText(url.toString());
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return false;
    QDragMoveEvent move(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    move.accept(); // a move keeps the answer its entering had unless someone changes it
    QApplication::sendEvent(target, &move);
    if (!move.isAccepted())
        return false;
    QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return true;
}

// Reads and closes every message box shown while it lives: `said` holds what
// the program said, in order.
class SaidInBoxes {
public:
    QStringList said;
    SaidInBoxes()
    {
        QObject::connect(&watch_, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); box && box->isVisible()) {
                said << box->text();
                box->buttons().front()->click();
            }
        });
        watch_.start(10);
    }

private:
    QTimer watch_;
};

// Answers the next message box shown with `button` and keeps its text in
// `asked`; the watch lives until then (or until `owner` goes).
inline QTimer* AnswerNextBox(QObject* owner, QMessageBox::StandardButton button, QString& asked)
{
    auto* poll = new QTimer(owner);
    QObject::connect(poll, &QTimer::timeout, poll, [&asked, poll, button] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box && box->isVisible()) {
            asked = box->text();
            poll->stop();
            poll->deleteLater();
            box->button(button)->click();
        }
    });
    poll->start(10);
    return poll;
}

// Runs the pending events (and those they post) a few rounds.
inline void settle()
{
    for (int i = 0; i < 3; ++i)
        QApplication::processEvents();
}

// The controls a user cannot reach in the window at its present size: a toolbar
// command folded behind the toolbar's overflow arrow, or a button, box or field
// lying outside the window's area. Object names (captions when unnamed).
inline QStringList ControlsOutOfReach(QWidget* window)
{
    QStringList out;
    auto label = [](QObject* o, const QString& text) { return o->objectName().isEmpty() ? text : o->objectName(); };
    for (QToolBar* bar : window->findChildren<QToolBar*>())
        for (QAction* a : bar->actions()) {
            QWidget* w = a->isVisible() && !a->isSeparator() ? bar->widgetForAction(a) : nullptr;
            if (a->isVisible() && !a->isSeparator() && (!w || !w->isVisible()))
                out << label(a, a->text());
        }
    const QRect area = window->rect();
    for (QWidget* w : window->findChildren<QWidget*>()) {
        const bool control = qobject_cast<QAbstractButton*>(w) || qobject_cast<QAbstractSpinBox*>(w)
                             || qobject_cast<QComboBox*>(w) || qobject_cast<QLineEdit*>(w);
        if (control && w->isVisible() && !area.contains(QRect(w->mapTo(window, QPoint(0, 0)), w->size())))
            out << label(w, w->property("text").toString());
    }
    return out;
}

} // namespace testutil
