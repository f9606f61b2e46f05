#pragma once
// The question before a command replaces files the user did not name.
#include <string>
#include <vector>

// A command that writes a set of files under one name (the name given among them
// or not): the files of the set already there, other than the one the user named
// (which the save dialog is for), are replaced only on a yes to one question
// naming them. True when none is there or the user said yes.
bool MayReplaceBeside(const std::string& named, const std::vector<std::string>& set);
