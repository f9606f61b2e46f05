#include "export/gui/ExportDialogs.h"

#include "model/ProgramOptions.h"
#include "widgets/SaveDialogSuffix.h"

#include <QCheckBox>
#include <QFileDialog>

namespace ExportDialogs {

bool SaveDialog(QWidget* parent, const QString& title, const QString& suffix, const QStringList& filters,
                const QString& initial, std::string& fileName, int& filter, bool setAsks)
{
    QFileDialog dialog(parent, title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(suffix);
    dialog.setNameFilters(filters);
    SuffixFollowsFilter(dialog);
    if (!initial.isEmpty())
        dialog.selectFile(initial);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, setAsks || !ProgramOptions().Overwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    fileName = dialog.selectedFiles().front().toStdString();
    filter = static_cast<int>(filters.indexOf(dialog.selectedNameFilter()));
    return true;
}

} // namespace ExportDialogs
