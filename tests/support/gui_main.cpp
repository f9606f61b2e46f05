#include "widgets/CommandTable.h"
#include "mainwindow/SecondaryWindows.h"
#include "widgets/FileDrops.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFontDatabase>
#include <QPointer>
#include <QStandardPaths>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <clocale>
#include <cstdlib>

namespace {

// Every test starts with no mouse button and no key held, whatever the test
// before it did. QTest's widget double click presses the button without
// releasing it; window events afterwards carry that button, and the application
// keeps the buttons and modifier keys of the last input event: the next test's
// hover would arrive as a drag, and a command that asks the keyboard would still
// see the Shift of an earlier Shift click. A release of each, with nothing held,
// on a window of its own clears both. The pointer then goes to a screen corner:
// QTest's widget moves set the cursor, and a move to where an earlier test left
// it sends no event at all.
class ReleaseInputBetweenTests : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override
    {
        QWindow neutral;
        neutral.create();
        QTestPrivate::qtestMouseButtons = Qt::LeftButton;
        QTest::mouseRelease(&neutral, Qt::LeftButton);
        QTestPrivate::qtestMouseButtons = Qt::NoButton;
        QTest::keyRelease(&neutral, Qt::Key_Shift, Qt::NoModifier);
        if (QScreen* screen = QGuiApplication::primaryScreen())
            QCursor::setPos(screen, screen->geometry().bottomRight());
    }
};

// Every test starts with the options and display state of a fresh run, as each
// new program does, and with the fonts as a new program finds them. FreeType
// keeps one size state per font file for every size drawn from it, and the
// outlines of large text (a page's legend, its titles) come out of it with edges
// shaded by whatever sizes were drawn before: the same page played onto an image
// differed in a few grey levels at its letters' edges from one test order to
// another, and its pixel digest with them. The font cache is emptied by adding
// and taking away an application font, so every font file is opened afresh.
class FreshStateBetweenTests : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override
    {
        ResetProgramState();
        if (fontData_.isEmpty())
            fontData_ = AnyFontFile();
        const int id = QFontDatabase::addApplicationFontFromData(fontData_);
        if (id >= 0)
            QFontDatabase::removeApplicationFont(id);
    }

    static QByteArray AnyFontFile()
    {
        for (const QString& dir : QStandardPaths::standardLocations(QStandardPaths::FontsLocation)) {
            QDirIterator it(dir, {QStringLiteral("*.ttf")}, QDir::Files, QDirIterator::Subdirectories);
            if (it.hasNext()) {
                QFile file(it.next());
                if (file.open(QIODevice::ReadOnly))
                    return file.readAll();
            }
        }
        return {};
    }

    QByteArray fontData_;
};

// A dialog that a test opened and nothing answers would keep the run waiting
// for ever: the same modal window open for StuckAfterMs fails the test and is
// cancelled, so the test goes on to its own assertions and the run ends.
class CancelStuckDialogs : public ::testing::EmptyTestEventListener {
public:
    static constexpr int StuckAfterMs = 30000;

    void OnTestStart(const ::testing::TestInfo&) override
    {
        if (!timer_) {
            timer_ = new QTimer(qApp);
            QObject::connect(timer_, &QTimer::timeout, timer_, [this] { Check(); });
        }
        seen_ = nullptr;
        timer_->start(500);
    }
    void OnTestEnd(const ::testing::TestInfo&) override
    {
        if (timer_)
            timer_->stop();
        seen_ = nullptr;
    }

private:
    void Check()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal != seen_) {
            seen_ = modal;
            since_.start();
            return;
        }
        if (!modal || since_.elapsed() < StuckAfterMs)
            return;
        ADD_FAILURE() << "a modal window stayed open unanswered: \"" << modal->windowTitle().toStdString() << "\" ("
                      << modal->metaObject()->className() << ")";
        seen_ = nullptr;
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
    }

    QTimer* timer_ = nullptr;
    QPointer<QWidget> seen_;
    QElapsedTimer since_;
};

} // namespace

// The QApplication is created here, after gtest has taken its flags, so that test
// discovery (which only lists tests) and offscreen runs both work without a display.
int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    PassFileDropsToWindows(app); // as the program does
    // A command looked up by a name never built fails the run at once.
    CommandTable::SetStrict(true);
    ::testing::UnitTest::GetInstance()->listeners().Append(new ReleaseInputBetweenTests);
    ::testing::UnitTest::GetInstance()->listeners().Append(new FreshStateBetweenTests);
    ::testing::UnitTest::GetInstance()->listeners().Append(new CancelStuckDialogs);
    return RUN_ALL_TESTS();
}
