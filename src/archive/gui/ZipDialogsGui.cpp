#include "archive/gui/ZipDialogsGui.h"

#include "archive/ZipDialogs.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

struct ButtonMap {
    int Ours;
    QMessageBox::StandardButton Qt;
};
const ButtonMap kButtons[] = {
    {ZipDialogs::mbYes, QMessageBox::Yes},       {ZipDialogs::mbNo, QMessageBox::No},
    {ZipDialogs::mbOK, QMessageBox::Ok},         {ZipDialogs::mbCancel, QMessageBox::Cancel},
    {ZipDialogs::mbAbort, QMessageBox::Abort},   {ZipDialogs::mbRetry, QMessageBox::Retry},
    {ZipDialogs::mbIgnore, QMessageBox::Ignore}, {ZipDialogs::mbYesToAll, QMessageBox::YesToAll},
    {ZipDialogs::mbNoToAll, QMessageBox::NoToAll},
};

class ZipDialogsGui : public ZipDialogs {
public:
    int Confirm(const std::string& text, int buttons, int defaultButton) override
    {
        QMessageBox box(QMessageBox::Question, QApplication::applicationName(), QString::fromStdString(text),
                        QMessageBox::NoButton, QApplication::activeWindow());
        box.setObjectName("ZipConfirmBox");
        for (const ButtonMap& b : kButtons) {
            if (!(buttons & b.Ours)) continue;
            QPushButton* button = box.addButton(b.Qt);
            if (b.Ours == defaultButton) box.setDefaultButton(button);
        }
        box.exec();
        const QMessageBox::StandardButton pressed = box.standardButton(box.clickedButton());
        for (const ButtonMap& b : kButtons)
            if (b.Qt == pressed) return b.Ours;
        // Closed without a button: the box's Cancel, or its default.
        return (buttons & mbCancel) ? int(mbCancel) : defaultButton;
    }

    bool AskPassword(const std::string& caption, const std::string& prompt, std::string& password) override
    {
        QDialog form(QApplication::activeWindow());
        form.setObjectName("ZipPasswordForm");
        form.setWindowTitle(QString::fromStdString(caption));
        auto* layout = new QVBoxLayout(&form);
        layout->addWidget(new QLabel(QString::fromStdString(prompt), &form));
        auto* edit = new QLineEdit(&form);
        edit->setObjectName("edPassword");
        edit->setMaxLength(255);
        edit->setEchoMode(QLineEdit::Password);
        layout->addWidget(edit);
        auto* buttons = new QDialogButtonBox(&form);
        buttons->addButton("OK", QDialogButtonBox::AcceptRole);
        buttons->addButton("Cancel", QDialogButtonBox::RejectRole);
        QObject::connect(buttons, &QDialogButtonBox::accepted, &form, &QDialog::accept);
        QObject::connect(buttons, &QDialogButtonBox::rejected, &form, &QDialog::reject);
        layout->addWidget(buttons);
        if (form.exec() != QDialog::Accepted) return false;
        password = edit->text().toStdString();
        return true;
    }
};

} // namespace

ZipDialogs& ZipDialogsOnScreen()
{
    static ZipDialogsGui dialogs;
    return dialogs;
}

void InstallArchiveDialogs() { SetArchiveDialogs(&ZipDialogsOnScreen()); }
