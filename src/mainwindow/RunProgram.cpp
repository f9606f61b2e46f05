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
#include "widgets/FileDrops.h"

#include <QApplication>
#include <QScreen>
#include <QFileInfo>
#include <clocale>
#include <filesystem>
#include <csignal>

namespace {
// As the opening names the file it is given.
std::string AbsolutePath(const QString& name)
{
    return std::filesystem::absolute(QFileInfo(name).absoluteFilePath().toStdString()).string();
}
} // namespace

int RunVelmora(int argc, char* argv[])
{
    // One network named, nothing else: its text is read at once, and the network
    // from it while the windows are made.
    std::unique_ptr<PalvonRead::TReadAhead> readAhead;
    if (argc == 2 && argv[1][0] != '-')
        readAhead = std::make_unique<PalvonRead::TReadAhead>(AbsolutePath(QString::fromLocal8Bit(argv[1])));
    QApplication app(argc, argv);
    // Numbers in files never follow the user's locale.
    std::setlocale(LC_NUMERIC, "C");
    // A file-size limit makes the write that passes it fail (and be reported, the
    // earlier file kept) instead of ending the program with the user's edits.
    std::signal(SIGXFSZ, SIG_IGN);
    QApplication::setApplicationName(QStringLiteral("Velmora"));
    InstallSpanishQtTexts();
    // A file dragged onto any text box goes to the window under it, not into the text.
    PassFileDropsToWindows(app);
    QStringList args = QApplication::arguments();
    args.removeFirst();
    ResetProgramState();
    // The network is read now that numbers parse as in files and the records are
    // as at start, with the options the window will read when shown.
    if (readAhead && args.size() == 1) {
        TProgramOptions options;
        ProgramSettings::ReadOptions(TIniFile(ProgramSettings::FileName), options);
        PalvonRead::TReadSettings settings;
        settings.ReadTransitLines = options.ReadsTransitLines();
        settings.RefuseIncomplete = true; // as the window's openings read
        readAhead->Start(settings, options.UtmZone(), options.Hemisphere());
    } else {
        readAhead.reset();
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
