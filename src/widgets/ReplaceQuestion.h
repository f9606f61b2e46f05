#pragma once
// The question before a command replaces files the user did not name.
#include <string>
#include <vector>

// A command that writes a set of files under one name (the name given among them
// or not, or none when the program makes every name): the files of the set
// already there are replaced only on a yes to one question naming every one of
// them, the named one included. It is asked when a file other than the named one
// is there, or when the named one is and the options ask before overwriting (the
// save dialog then asks nothing, so that the user is asked once). True when
// nothing is to be asked or the user said yes.
bool MayReplaceBeside(const std::string& named, const std::vector<std::string>& set);
