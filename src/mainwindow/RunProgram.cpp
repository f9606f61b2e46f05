// The program as the user starts it: the windows, the command line, the event loop.
#include "mainwindow/RunProgram.h"

#include "mainwindow/Aptta.h"
#include "mainwindow/PalvonViewer.h"
#include "mainwindow/SecondaryWindows.h"
#include "widgets/DialogButtons.h"

#include <QApplication>
#include <QScreen>
#include <clocale>
#include <csignal>

int RunVelmora(int argc, char* argv[])
{
    QApplication app(argc, argv);
    // Numbers in files never follow the user's locale.
    std::setlocale(LC_NUMERIC, "C");
    // A file-size limit makes the write that passes it fail (and be reported, the
    // earlier file kept) instead of ending the program with the user's edits.
    std::signal(SIGXFSZ, SIG_IGN);
    QApplication::setApplicationName(QStringLiteral("Velmora"));
    InstallSpanishQtTexts();
    QStringList args = QApplication::arguments();
    args.removeFirst();
    ResetProgramState();
    TAptta* splash = nullptr;
    TPalvonViewer* viewer = CreateProgramWindows(args.isEmpty(), &splash);
    viewer->SetCommandLine(args);
    // Without a window manager "maximised" means nothing: take the screen's size.
    if (QScreen* screen = QGuiApplication::primaryScreen())
        viewer->setGeometry(screen->availableGeometry());
    viewer->showMaximized();
    int rc = app.exec();
    // A command-line batch whose job could not be done does not end as a success.
    if (viewer->BatchExitCode != 0)
        rc = viewer->BatchExitCode;
    delete viewer;
    delete splash;
    return rc;
}
