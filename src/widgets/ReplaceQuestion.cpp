// The question before a command replaces files the user did not name.
#include "widgets/ReplaceQuestion.h"

#include "model/ProgramOptions.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"

#include <filesystem>

bool MayReplaceBeside(const std::string& named, const std::vector<std::string>& set)
{
    namespace fs = std::filesystem;
    std::vector<std::string> there;
    bool beside = false; // a file there other than the one named
    for (const std::string& file : set) {
        std::error_code ec;
        // A link under the name counts, whether or not it leads to a file: the
        // command would write through it.
        if (fs::symlink_status(file, ec).type() == fs::file_type::not_found)
            continue;
        there.push_back(file);
        if (named.empty() || (file != named && !fs::equivalent(file, named, ec)))
            beside = true;
    }
    if (there.empty() || (!beside && !ProgramOptions().Overwrite))
        return true;
    if (there.size() == 1)
        return Services().AskYesNo(
            ZelUtils::Format("El archivo %s ya existe.\r\xC2\xBF Desea reemplazarlo ?", there.front()));
    std::string list = there.front();
    for (size_t i = 1; i < there.size(); ++i)
        list += (i + 1 == there.size() ? " y " : ", ") + there[i];
    return Services().AskYesNo(ZelUtils::Format("Los archivos %s ya existen.\r\xC2\xBF Desea reemplazarlos ?", list));
}
