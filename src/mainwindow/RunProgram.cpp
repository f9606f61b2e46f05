// The program as the user starts it: the windows, the command line, the event loop.
#include "mainwindow/RunProgram.h"

#include "mainwindow/Aptta.h"
#include "mainwindow/PalvonViewer.h"
#include "map/ProgramSettings.h"
#include "model/ProgramOptions.h"
#include "model/ReadAhead.h"
#include "platform/IniFile.h"
#include "mainwindow/SecondaryWindows.h"
#include "widgets/DialogButtons.h"

#include <QApplication>
#include <QScreen>
#include <QFileInfo>
#include <clocale>
#include <filesystem>
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
    // One network named: it is read while the windows are made, with the options
    // the window will read when shown.
    std::unique_ptr<PalvonRead::TReadAhead> readAhead;
    if (args.size() == 1) {
        TProgramOptions options;
        ProgramSettings::ReadOptions(TIniFile(ProgramSettings::FileName), options);
        PalvonRead::TReadSettings settings;
        settings.ReadTransitLines = options.ReadsTransitLines();
        readAhead = std::make_unique<PalvonRead::TReadAhead>(
            std::filesystem::absolute(QFileInfo(args.front()).absoluteFilePath().toStdString()).string(), settings,
            options.UtmZone(), options.Hemisphere());
    }
    TAptta* splash = nullptr;
    TPalvonViewer* viewer = CreateProgramWindows(args.isEmpty(), &splash);
    viewer->SetCommandLine(args);
    viewer->Files().SetReadAhead(std::move(readAhead));
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
