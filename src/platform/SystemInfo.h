#pragma once
// What the program asks of the operating system about itself and its user.
#include <string>

namespace SystemInfo {

// Version text the program was built with ("0.1.0"); empty when the build set none.
std::string BuildVersion();
// Name of the logged-on user; empty when it cannot be found.
std::string UserName();
// Network name of this computer; empty when it cannot be found.
std::string ComputerName();

} // namespace SystemInfo
