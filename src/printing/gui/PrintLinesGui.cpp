// Map sheets of transit lines from a line-print settings file.
#include "mainwindow/PalvonViewer.h"
#include "printing/PrintLines.h"
#include "printing/ZelPrinter.h"
#include "printing/gui/BatchPrintGui.h"

#include <QAction>
#include <QFileDialog>
#include <QTextEdit>

void TPalvonViewer::Parmetros1Click()
{
    const QString name = QFileDialog::getOpenFileName(nullptr, QStringLiteral("Configuración de impresión de líneas"),
                                                      QString(),
                                                      QStringLiteral("Archivos de configuración (*.ini)"));
    if (!name.isEmpty()) {
        for (const TLineSheet& sheet : PrintLines::ReadLineSheets(name.toStdString())) {
            if (tit) {
                QStringList lines;
                for (const std::string& t : sheet.Titles)
                    lines << QString::fromStdString(t);
                tit->setPlainText(lines.join(QLatin1Char('\n')));
            }
            PrintLines::ShowSheetLines(sheet);
            PrintMetafileName = sheet.MetafileName;
            Action(Cmd::Lineas1)->setChecked(true);
            // A sheet is about the routes of its lines: they are shown.
            Action(Cmd::linnone)->setChecked(true);
            SetDown(Cmd::tbLineas, true);
            // A sheet that cannot be written ends the series (the message names it).
            if (!PrintViewToMetafile(*this, PrintMetafileName))
                return;
        }
    }
    PrintMetafileName = ScratchMetafileName();
}
