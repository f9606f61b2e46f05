// Closing the window: it asks, then the settings are written (TSettingsController).
#include "mainwindow/PalvonViewer.h"

#include <QCloseEvent>
#include <QMessageBox>

std::vector<std::string> RecentFiles;
uint8_t InteractiveRun = 0;

void TPalvonViewer::closeEvent(QCloseEvent* event)
{
    if (!InteractiveRun || !AskOnClose) {
        event->accept();
        return;
    }
    if (QMessageBox::question(this, QStringLiteral("Velmora"), QStringLiteral("¿ Desea finalizar la aplicación ?"),
                              QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes ||
        !Files().ConfirmUnsavedEdits(true, true, true, true)) {
        event->ignore();
        return;
    }
    try {
        Settings().SaveAtClose();
    } catch (const std::exception& e) {
        // The settings could not be written: say so once; the program closes all the same.
        QMessageBox::warning(this, QStringLiteral("Velmora"),
                             QString::fromStdString(std::string(e.what()) + "\rLa aplicación se cierra igualmente."));
    }
    event->accept();
}
