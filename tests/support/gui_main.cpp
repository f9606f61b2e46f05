#include "mainwindow/CommandTable.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <clocale>
#include <cstdlib>

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
    return RUN_ALL_TESTS();
}
