// The hourglass over a long job, for the windows of every folder: set when made,
// given back when the scope ends however it ends (a return, an exception), so no path
// leaves the wait cursor on. Restore() gives it back early, before a message box the
// user must answer, say; the end of the scope then does nothing more.
#pragma once

#include <QCursor>
#include <QGuiApplication>

class TWaitCursor {
public:
    TWaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TWaitCursor() { Restore(); }
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;

    void Restore()
    {
        if (active_)
            QGuiApplication::restoreOverrideCursor();
        active_ = false;
    }

private:
    bool active_ = true;
};
