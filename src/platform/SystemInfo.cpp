#include "platform/SystemInfo.h"

#include <QString>
#include <QSysInfo>
#include <QtGlobal>

#include <pwd.h>
#include <unistd.h>

namespace SystemInfo {

std::string BuildVersion()
{
#ifdef VELMORA_VERSION
    return VELMORA_VERSION;
#else
    return std::string();
#endif
}

std::string UserName()
{
    // The account of the process first: the environment can be set to anything.
    if (const passwd* pw = ::getpwuid(::geteuid()); pw && pw->pw_name && *pw->pw_name)
        return pw->pw_name;
    for (const char* var : {"USER", "LOGNAME", "USERNAME"}) {
        QString v = qEnvironmentVariable(var);
        if (!v.isEmpty())
            return v.toStdString();
    }
    return std::string();
}

std::string ComputerName()
{
    return QSysInfo::machineHostName().toStdString();
}

} // namespace SystemInfo
