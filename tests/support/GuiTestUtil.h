#pragma once
// Small helpers of the widget tests: counting repaints and letting queued events run.
#include <QApplication>
#include <QEvent>
#include <QObject>

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

// Runs the pending events (and those they post) a few rounds.
inline void settle()
{
    for (int i = 0; i < 3; ++i)
        QApplication::processEvents();
}

} // namespace testutil
