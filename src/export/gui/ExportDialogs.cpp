#include "export/gui/ExportDialogs.h"

#include "model/ProgramOptions.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"
#include "widgets/SaveDialogSuffix.h"

#include <QCheckBox>
#include <QFileDialog>

#include <filesystem>

namespace ExportDialogs {

bool SaveDialog(QWidget* parent, const QString& title, const QString& suffix, const QStringList& filters,
                const QString& initial, std::string& fileName, int& filter)
{
    QFileDialog dialog(parent, title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(suffix);
    dialog.setNameFilters(filters);
    SuffixFollowsFilter(dialog);
    if (!initial.isEmpty())
        dialog.selectFile(initial);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !ProgramOptions().Overwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    fileName = dialog.selectedFiles().front().toStdString();
    filter = static_cast<int>(filters.indexOf(dialog.selectedNameFilter()));
    return true;
}

bool MayReplaceBeside(const std::string& named, const std::vector<std::string>& set)
{
    namespace fs = std::filesystem;
    std::vector<std::string> there;
    for (const std::string& file : set) {
        std::error_code ec;
        // A link under the name counts, whether or not it leads to a file: the
        // export would write through it.
        if (fs::symlink_status(file, ec).type() == fs::file_type::not_found)
            continue;
        if (file == named || fs::equivalent(file, named, ec))
            continue;
        there.push_back(file);
    }
    if (there.empty())
        return true;
    if (there.size() == 1)
        return Services().AskYesNo(
            ZelUtils::Format("El archivo %s ya existe.\r\xC2\xBF Desea reemplazarlo ?", there.front()));
    std::string list = there.front();
    for (size_t i = 1; i < there.size(); ++i)
        list += (i + 1 == there.size() ? " y " : ", ") + there[i];
    return Services().AskYesNo(ZelUtils::Format("Los archivos %s ya existen.\r\xC2\xBF Desea reemplazarlos ?", list));
}

} // namespace ExportDialogs
