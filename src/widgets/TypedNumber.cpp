#include "widgets/TypedNumber.h"

#include "model/ViewerServices.h"
#include "model/ZelUtils.h"

bool ReadTypedNumber(const QString& text, double& value)
{
    const std::string typed = text.trimmed().toStdString();
    if (ZelUtils::ParseTyped(typed, value))
        return true;
    Services().ShowMessage(typed.empty() ? std::string("Falta el número: el campo está vacío.")
                                         : ZelUtils::Format("\"%s\" no es un número.", typed));
    return false;
}
