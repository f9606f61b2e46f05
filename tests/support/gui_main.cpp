#include "mainwindow/CommandTable.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QCursor>
#include <QScreen>
#include <QTest>
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
    // A command looked up by a name never built fails the run at once.
    CommandTable::SetStrict(true);
    ::testing::UnitTest::GetInstance()->listeners().Append(new ReleaseInputBetweenTests);
    return RUN_ALL_TESTS();
}
