// The archive component's questions on screen: the main window installs the
// boxes, and a question without a handler shows its text and buttons there.
#include "archive/ZipDialogs.h"
#include "archive/ZipDirectory.h"
#include "archive/ZipForge.h"
#include "archive/gui/ZipDialogsGui.h"
#include "support/TestUtil.h"
#include "support/ViewerFixture.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

using namespace testutil;

namespace {

// Runs `act` on the first modal box that opens (polling, as a user would look).
void OnNextModal(std::function<void(QWidget*)> act)
{
    auto* timer = new QTimer;
    timer->setInterval(20);
    int tries = 0;
    QObject::connect(timer, &QTimer::timeout, [timer, act, tries]() mutable {
        if (QWidget* w = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            act(w);
        } else if (++tries > 250) {
            timer->stop();
            timer->deleteLater();
            ADD_FAILURE() << "no box was shown";
        }
    });
    timer->start();
}

} // namespace

using ZipDialogsWindow = ViewerFixture;

TEST_F(ZipDialogsWindow, TheMainWindowAsksThroughBoxesOnScreen)
{
    EXPECT_EQ(&ArchiveDialogs(), &ZipDialogsOnScreen());

    TempDir dir;
    writeFile(dir.file("a.txt"), "uno");
    TZipForge zip;
    zip.FileName = dir.file("o.zip");
    zip.BaseDir = dir.path().string();
    zip.OpenArchiveMode(65535);
    zip.AddFiles(dir.file("a.txt"));
    zip.Options.OverwriteMode = omPrompt;
    writeFile(dir.file("a.txt"), "dos!");

    QString shown;
    QStringList buttons;
    OnNextModal([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        shown = box->text();
        for (QAbstractButton* b : box->buttons()) buttons << b->text();
        box->button(QMessageBox::YesToAll)->click();
    });
    zip.AddFiles(dir.file("a.txt"));
    EXPECT_EQ(shown, QString::fromStdString("Overwrite file \"a.txt\" with \"" + dir.file("a.txt") + "\""));
    EXPECT_EQ(buttons.size(), 4);
    EXPECT_EQ(zip.Options.OverwriteMode, omAlways);
    ASSERT_EQ(zip.FileCount(), 1);
    EXPECT_EQ(zip.Item(0).UncompressedSize(), 4u);
    zip.CloseArchive();

    // The password form: its caption and prompt, a hidden edit of 255 characters.
    QString caption;
    bool hidden = false;
    int maxLength = 0;
    OnNextModal([&](QWidget* w) {
        caption = w->windowTitle();
        auto* edit = w->findChild<QLineEdit*>("edPassword");
        ASSERT_NE(edit, nullptr);
        hidden = edit->echoMode() == QLineEdit::Password;
        maxLength = edit->maxLength();
        edit->setText("s3creto");
        for (QAbstractButton* b : w->findChild<QDialogButtonBox*>()->buttons())
            if (b->text() == "OK") b->click();
    });
    std::string password;
    bool skip = true;
    zip.DoOnPassword("red.kml", password, skip);
    EXPECT_EQ(caption, "Password for \"red.kml\"");
    EXPECT_TRUE(hidden);
    EXPECT_EQ(maxLength, 255);
    EXPECT_FALSE(skip);
    EXPECT_EQ(password, "s3creto");

    // Closing the window gives the questions back to the unattended answers.
    delete viewer;
    viewer = nullptr;
    EXPECT_NE(&ArchiveDialogs(), &ZipDialogsOnScreen());
}
