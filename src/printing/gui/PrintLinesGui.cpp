// Map sheets of transit lines from a line-print settings file (TBatchPrintController).
#include "printing/gui/BatchPrintController.h"

#include "printing/PrintLines.h"
#include "printing/ZelPrinter.h"
#include "printing/gui/PrintController.h"
#include "printing/gui/PrintHost.h"
#include "widgets/WindowHost.h"

#include <QAction>
#include <QFileDialog>

void TBatchPrintController::Parmetros1Click()
{
    const QString name = QFileDialog::getOpenFileName(nullptr, QStringLiteral("Configuración de impresión de líneas"),
                                                      QString(),
                                                      QStringLiteral("Archivos de configuración (*.ini)"));
    if (!name.isEmpty()) {
        for (const TLineSheet& sheet : PrintLines::ReadLineSheets(name.toStdString())) {
            QStringList lines;
            for (const std::string& t : sheet.Titles)
                lines << QString::fromStdString(t);
            host_.SetTitles(lines.join(QLatin1Char('\n')));
            PrintLines::ShowSheetLines(sheet);
            PrintMetafileName = sheet.MetafileName;
            window_.Action(Cmd::Lineas1)->setChecked(true);
            // A sheet is about the routes of its lines: they are shown.
            window_.Action(Cmd::linnone)->setChecked(true);
            window_.SetCommandOn(Cmd::tbLineas, true);
            // A sheet that cannot be written ends the series (the message names it).
            if (!printing_.PrintViewToMetafile(PrintMetafileName))
                return;
        }
    }
    PrintMetafileName = ScratchMetafileName();
}
