// Map sheets of transit lines from a line-print settings file (TBatchPrintController).
#include "printing/gui/BatchPrintController.h"

#include "map/ViewSnapshot.h"
#include "model/FileUtils.h"
#include "model/KDVvars.h"
#include "model/PalvonVars.h"
#include "model/ProgramOptions.h"
#include "model/SafeFile.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"
#include "printing/PrintLines.h"
#include "printing/ZelPrinter.h"
#include "printing/gui/FrmPreview.h"
#include "printing/gui/PrintController.h"
#include "printing/gui/PrintHost.h"
#include "widgets/WindowHost.h"

#include <QAction>
#include <QFileDialog>

#include <algorithm>
#include <filesystem>

void TBatchPrintController::Parmetros1Click()
{
    const QString name = QFileDialog::getOpenFileName(nullptr, QStringLiteral("Configuración de impresión de líneas"),
                                                      QString(),
                                                      QStringLiteral("Archivos de configuración (*.ini)"));
    if (name.isEmpty())
        return;
    std::string refused;
    const std::vector<TLineSheet> sheets = PrintLines::ReadLineSheets(name.toStdString(), &refused);
    if (!refused.empty()) {
        Services().ShowMessage(refused);
        return;
    }
    if (sheets.empty()) {
        Services().ShowMessage(ZelUtils::Format("El archivo %s no tiene hojas de l\xC3\xADneas.", name.toStdString()));
        return;
    }
    // Sheets without routes would be printed for nothing: say why there are none.
    if (Network.LineCount < 1) {
        std::string text = "La red abierta no tiene l\xC3\xADneas de transporte p\xC3\xBA" "blico: no se imprimi\xC3\xB3 "
                           "ninguna hoja.";
        // Lines are read with the network only when the options say so.
        if (ProgramOptions().RutasFijas != 0)
            text += "\rPara leerlas, elija \xC2\xABIncluir rutas fijas\xC2\xBB en las opciones y abra la red de nuevo.";
        Services().ShowMessage(text);
        return;
    }

    // The sheets draw from a view of their own (the routes shown, the sheet's
    // title): the user's buttons, title and lines shown stay as they were.
    TViewSnapshot view = printing_.ViewSnapshot();
    view.State.Lineas = true;
    view.linnone = true;
    view.HasTitle = true;
    const int32_t lineCount = std::min(Network.LineCount, MaxLineas);
    std::vector<uint8_t> shown(size_t(lineCount) + 1, 0);
    for (int32_t i = 1; i <= lineCount; ++i)
        shown[size_t(i)] = Lineas[i].Visible;

    // The sheets go in as one set: one that cannot be written leaves every sheet
    // of an earlier series whole, the user is told that alone, and no further
    // sheet is drawn. Each sheet goes beside its file as soon as it is drawn; a
    // sheet named again replaces the earlier one of the series, as it would on
    // disk, and the count is of the files written.
    std::string missing;
    SafeFile::TSetWriter set;
    for (const TLineSheet& sheet : sheets) {
        view.TitleLines = sheet.Titles;
        std::vector<std::string> unmatched;
        const int matched = PrintLines::ShowSheetLines(sheet, &unmatched);
        if (matched == 0)
            unmatched.insert(unmatched.begin(), "(ninguna l\xC3\xADnea de la red)");
        if (!unmatched.empty()) {
            std::string names;
            for (const std::string& n : unmatched)
                names += (names.empty() ? "" : ", ") + n;
            missing += "\r" + sheet.MetafileName + ": " + names;
        }
        printing_.DrawView(view, printing_.Settings());
        std::error_code ec;
        const std::string file = std::filesystem::absolute(sheet.MetafileName, ec).string();
        if (!set.Add(file, PrintPictureEmfBytes(printing_.Page())))
            break;
    }
    PrintLines::EndSheets();
    for (int32_t i = 1; i <= lineCount; ++i)
        Lineas[i].Visible = shown[size_t(i)];
    if (!set.Commit()) {
        Services().ShowMessage(FileUtils::WriteFailure(set.FailedPath(), set.Why()));
        return;
    }
    if (!missing.empty())
        Services().ShowMessage(ZelUtils::Format("%d hojas impresas. L\xC3\xADneas no encontradas en la red "
                                                "(nombres exactos, may\xC3\xBA" "sculas incluidas):%s",
                                                int(set.Count()), missing));
}
