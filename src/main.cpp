#include "mainwindow/PalvonViewer.h"

#include <QApplication>
#include <clocale>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    // Numbers in files never follow the user's locale.
    std::setlocale(LC_NUMERIC, "C");
    TPalvonViewer viewer;
    viewer.show();
    return app.exec();
}
