#pragma once
// What the program asks of the operating system about itself and its user, and
// the ZelUtils routines that format those answers (version text, short names).
#include <string>

namespace SystemInfo {

// Version text the program was built with ("0.1.0"); empty when the build set none.
std::string BuildVersion();
// Name of the logged-on user; empty when it cannot be found.
std::string UserName();
// Network name of this computer; empty when it cannot be found.
std::string ComputerName();

} // namespace SystemInfo

namespace ZelUtils {

// "major.minor.release.build" of the running program. Throws std::runtime_error
// when the build carries no usable version.
std::string GetVersionString();
// Logged-on user (at most 20 characters) and computer name (at most 15); empty
// text when the system cannot tell.
std::string GetUserNameStr();
std::string GetComputerNameStr();

} // namespace ZelUtils
