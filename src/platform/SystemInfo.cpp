#include "platform/SystemInfo.h"

#include "model/ZelUtils.h"

#include <QString>
#include <QSysInfo>
#include <QtGlobal>

#include <charconv>
#include <stdexcept>

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

namespace ZelUtils {

namespace {

std::string Truncated(const std::string& text, int maxChars)
{
    return QString::fromStdString(text).left(maxChars).toStdString();
}

} // namespace

std::string GetVersionString()
{
    const std::string text = SystemInfo::BuildVersion();
    // Up to four 16-bit parts separated by points; missing parts are 0.
    int parts[4] = {0, 0, 0, 0};
    const char* p = text.data();
    const char* end = p + text.size();
    int n = 0;
    while (p < end) {
        if (n == 4)
            throw std::runtime_error("Versión del programa no válida: " + text);
        unsigned value = 0;
        auto [next, ec] = std::from_chars(p, end, value);
        if (ec != std::errc() || value > 0xFFFF)
            throw std::runtime_error("Versión del programa no válida: " + text);
        parts[n++] = static_cast<int>(value);
        p = next;
        if (p < end) {
            if (*p != '.' || p + 1 == end)
                throw std::runtime_error("Versión del programa no válida: " + text);
            ++p;
        }
    }
    if (n == 0)
        throw std::runtime_error("El programa no tiene información de versión");
    return Format("%d.%d.%d.%d", parts[0], parts[1], parts[2], parts[3]);
}

std::string GetUserNameStr() { return Truncated(SystemInfo::UserName(), 20); }

std::string GetComputerNameStr() { return Truncated(SystemInfo::ComputerName(), 15); }

} // namespace ZelUtils
