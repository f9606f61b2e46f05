// The colour chart and the generation/attraction pictures (TBatchPrintController).
#include "printing/gui/BatchPrintController.h"

#include "map/Ranges.h"
#include "map/ViewSnapshot.h"
#include "model/FileUtils.h"
#include "model/KDVvars.h"
#include "model/ProgramOptions.h"
#include "model/SafeFile.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"
#include "printing/ColourChart.h"
#include "printing/ZelPrinter.h"
#include "printing/gui/FrmPreview.h"
#include "printing/gui/PrintController.h"
#include "widgets/ReplaceQuestion.h"
#include "widgets/WaitCursor.h"
#include "widgets/WindowHost.h"

#include <QAction>
#include <QFileDialog>
#include <QMenu>
#include <algorithm>
#include <filesystem>
#include <set>

void TBatchPrintController::ImprimirColores1Click()
{
    // A name typed without extension is the chart's metafile under it, as the
    // filter says; the overwrite question is the user's choice in the options.
    QFileDialog dialog(window_.DialogParent(), QStringLiteral("Cuadro de colores"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("emf"));
    dialog.setNameFilter(QStringLiteral("Metarchivo [*.emf] (*.emf)"));
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !ProgramOptions().Overwrite);
    dialog.selectFile(QStringLiteral("colores.emf"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString name = dialog.selectedFiles().front();
    TWaitCursor wait;
    const QSize page = PrinterPageSize();
    // The chart has a window of its own: the map's view window is left as it was.
    const std::string error = ColourChart::WriteChart(name.toStdString(), page.width(), page.height(),
                                                       Printer().resolution());
    wait.Restore();
    if (!error.empty())
        Services().ShowMessage(error);
}

void TBatchPrintController::ImprimirGenAtr1Click()
{
    QMenu* menu = window_.Action(Cmd::GenAtrZona)->menu();
    // Each picture is about its column's bars: they are drawn whatever the
    // zone layer and "Mostrar" show on the user's map, which stays as it is: the
    // column of each picture is set in the pictures' own view.
    TViewSnapshot view = printing_.ViewSnapshot();
    view.State.Zonas = true;
    view.GenAtrZona = true;
    // Two titles may make one file name (short, equal, or equal but for a slash):
    // every column keeps its own picture, the later one under the next numbered
    // name this run has not taken. The names are the same on every run, so that a
    // run again replaces its pictures (after the question below) rather than
    // leaving them and adding new numbers.
    std::vector<std::pair<int, std::string>> pictures;
    std::set<std::string> written;
    for (QAction* item : menu ? menu->actions() : QList<QAction*>()) {
        bool isColumn = false;
        const int column = item->data().toInt(&isColumn);
        if (!isColumn || column < 1 || item->isSeparator())
            continue;
        // Counted in characters, not bytes: a title with accents keeps whole letters.
        const QString caption = item->text().remove(QLatin1Char('&'));
        std::string name = ZelUtils::Trim(caption.mid(3, 20).toStdString());
        // The caption is the column's title in the user's file: a slash in it
        // names no folder, the picture stays beside the others.
        std::replace(name.begin(), name.end(), '/', '_');
        std::string file = ZelUtils::Format("ga%s.emf", name);
        for (int n = 2; written.count(file); ++n) {
            const std::string numbered = ZelUtils::Format("ga%s_%d.emf", name, n);
            if (!written.count(numbered))
                file = numbered;
        }
        written.insert(file);
        pictures.emplace_back(column, file);
    }
    // The names are made up here, beside the network: a picture that cannot be
    // written is said before any is drawn, and pictures already there are
    // replaced only on a yes.
    const SafeFile::TProgramNamed ownNames; // a link under a name is not followed
    std::vector<std::string> files;
    for (const auto& [column, file] : pictures) {
        std::error_code ec;
        files.push_back(std::filesystem::absolute(file, ec).string());
        // Said with its folder, as a failure while writing says it.
        if (const std::string why = SafeFile::Refusal(file); !why.empty()) {
            Services().ShowMessage(FileUtils::WriteFailure(files.back(), why));
            return;
        }
    }
    if (!MayReplaceBeside({}, files))
        return;
    // The pictures go in as one set: one that cannot be written leaves every
    // picture of an earlier run whole, said once, and no further one is drawn.
    // Each goes beside its file as soon as it is drawn.
    SafeFile::TSetWriter set(true);
    for (size_t k = 0; k < pictures.size(); ++k) {
        view.State.GenatrCol = pictures[k].first;
        printing_.DrawView(view, printing_.Settings());
        if (!set.Add(files[k], PrintPictureEmfBytes(printing_.Page())))
            break;
    }
    if (!set.Commit())
        Services().ShowMessage(FileUtils::WriteFailure(set.FailedPath(), set.Why()));
}
