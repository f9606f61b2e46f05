#pragma once
// What every fuzz target shares: a private working folder for the files a reader
// is given, the split of one input into several files, and a small network read
// before the readers that add to a loaded network.
#include "model/FileUtils.h"
#include "model/PalvonRead.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fuzz {

// Once per process: a working folder of its own (the error list and whatever a
// reader writes beside its input land there), removed at exit.
void Init();
const std::string& Dir();

// What a read of the network file is told: the file, and an error list kept in
// the working folder.
PalvonRead::TReadSettings ReadSettings(const std::string& networkDatFile);

// Writes bytes to a file of the working folder; returns its path.
std::string WriteFile(const std::string& name, const std::string& bytes);

// The input cut at lines that hold only "%%%%" into `count` files (the last one
// keeps any further separators); missing parts are empty.
std::vector<std::string> Parts(const uint8_t* data, size_t size, size_t count);

// Lines as the program's file reader makes them (LF or CR LF ends removed).
using FileUtils::SplitLines;

// Reads a network of fuzz/base ("siouxfalls.dat", "lst_net.dat"...) into the
// model as the program does; the file's lines are read once and kept.
void LoadBaseNetwork(const char* name);

} // namespace fuzz
