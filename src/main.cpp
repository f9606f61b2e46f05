#include "mainwindow/Aptta.h"
#include "mainwindow/PalvonViewer.h"
#include "mainwindow/SecondaryWindows.h"

#include <QApplication>
#include <clocale>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    // Numbers in files never follow the user's locale.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName(QStringLiteral("Velmora"));
    QStringList args = QApplication::arguments();
    args.removeFirst();
    TAptta* splash = nullptr;
    TPalvonViewer* viewer = CreateProgramWindows(args.isEmpty(), &splash);
    viewer->SetCommandLine(args);
    viewer->showMaximized();
    int rc = app.exec();
    delete viewer;
    delete splash;
    return rc;
}
