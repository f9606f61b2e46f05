#pragma once
// Answers a file dialog the way a user does, for tests that run a command which
// opens one modally.
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QTimer>

#include <functional>

namespace testutil {

// Runs `answer` on the next file dialog once it is the modal window (polling: the
// command may handle events before it opens the dialog).
inline void WhenFileDialogShown(QObject* owner, std::function<void(QFileDialog*)> answer)
{
    auto* timer = new QTimer(owner);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, answer] {
        if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            answer(dialog);
        }
    });
    timer->start(10);
}

// Chooses the filter at `filter` (when not negative), types the file's full name
// into the name field and presses Open. selectFile() alone leaves the name field
// as it was when that field has the focus, and the dialog then opens nothing.
inline void TypeFileAndAccept(QFileDialog* dialog, const QString& file, int filter = -1)
{
    if (filter >= 0)
        dialog->selectNameFilter(dialog->nameFilters().at(filter));
    dialog->selectFile(file);
    if (auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        edit->setText(file);
    QMetaObject::invokeMethod(dialog, "accept");
}

} // namespace testutil
