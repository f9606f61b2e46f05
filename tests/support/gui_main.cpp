#include "mainwindow/CommandTable.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QTest>
#include <QWindow>
#include <clocale>
#include <cstdlib>

namespace {

// Every test starts with no mouse button and no key held, whatever the test
// before it did. QTest's widget double click presses the button without
// releasing it, and its window moves afterwards carry that button (the next
// test's hover would arrive as a drag). The application takes its modifier keys
// from the last input event, so after a Shift click a command that asks the
// keyboard would still see Shift: a key release with no modifier clears them.
class ReleaseInputBetweenTests : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override
    {
        QTestPrivate::qtestMouseButtons = Qt::NoButton;
        QWindow neutral;
        QTest::keyRelease(&neutral, Qt::Key_Shift, Qt::NoModifier);
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
