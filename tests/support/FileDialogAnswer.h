#pragma once
// Answers a file dialog the way a user does, for tests that run a command which
// opens one modally. Every test that answers a file dialog goes through here, so
// that none can wait forever on a dialog that stays open.
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

namespace testutil {

// Runs `answer` on the next file dialog once it is the modal window (polling: the
// command may handle events before it opens the dialog). A dialog that has not
// shown within `waitMs` is a failure, and the poll stops so that it cannot answer
// a dialog a later step opens.
inline void WhenFileDialogShown(QObject* owner, std::function<void(QFileDialog*)> answer, int waitMs = 10000)
{
    auto* timer = new QTimer(owner);
    auto polls = std::make_shared<int>(waitMs / 10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, answer, polls] {
        if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            dialog && dialog->isVisible()) {
            timer->stop();
            timer->deleteLater();
            answer(dialog);
        } else if (--*polls <= 0) {
            timer->stop();
            timer->deleteLater();
            ADD_FAILURE() << "no file dialog showed";
        }
    });
    timer->start(10);
}

// Presses Open (or Save). Should the dialog still be the one waiting for the user
// a while later (a name it does not take), the test fails and the dialog is
// cancelled instead of leaving the test waiting.
inline void AcceptOrGiveUp(QFileDialog* dialog)
{
    QPointer<QFileDialog> guard(dialog);
    QTimer::singleShot(5000, dialog, [guard] {
        if (guard && guard->isVisible() && QApplication::activeModalWidget() == guard) {
            const auto* edit = guard->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            ADD_FAILURE() << "the file dialog did not take the answer: "
                          << (edit ? edit->text().toStdString() : std::string("?"));
            guard->reject();
        }
    });
    QMetaObject::invokeMethod(dialog, "accept");
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
    AcceptOrGiveUp(dialog);
}

// Several files of one folder: the folder is opened, then the names are typed
// quoted, as the user picks more than one.
inline void TypeFilesAndAccept(QFileDialog* dialog, const QString& folder, const QStringList& files, int filter = -1)
{
    if (files.size() == 1) {
        TypeFileAndAccept(dialog, QDir(folder).absoluteFilePath(files.front()), filter);
        return;
    }
    if (filter >= 0)
        dialog->selectNameFilter(dialog->nameFilters().at(filter));
    dialog->setDirectory(folder);
    QStringList quoted;
    for (const QString& f : files)
        quoted << QLatin1Char('"') + f + QLatin1Char('"');
    const QString typed = quoted.join(QLatin1Char(' '));
    dialog->selectFile(typed);
    if (auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        edit->setText(typed);
    AcceptOrGiveUp(dialog);
}

// The usual case: the next file dialog is answered with `file` (and the filter at
// `filter`).
inline void AnswerFileDialog(QObject* owner, const QString& file, int filter = -1)
{
    WhenFileDialogShown(owner, [file, filter](QFileDialog* dialog) { TypeFileAndAccept(dialog, file, filter); });
}

inline void AnswerFileDialog(QObject* owner, const std::string& file, int filter = -1)
{
    AnswerFileDialog(owner, QString::fromStdString(file), filter);
}

inline void AnswerFilesDialog(QObject* owner, const QString& folder, const QStringList& files, int filter = -1)
{
    WhenFileDialogShown(owner, [folder, files, filter](QFileDialog* dialog) {
        TypeFilesAndAccept(dialog, folder, files, filter);
    });
}

// The user cancels the next file dialog.
inline void CancelFileDialog(QObject* owner)
{
    WhenFileDialogShown(owner, [](QFileDialog* dialog) { dialog->reject(); });
}

} // namespace testutil
