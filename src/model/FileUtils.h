#pragma once
// File helpers shared by every reader and writer.
#include <string>
#include <vector>

namespace FileUtils {

// Largest file the readers take in: far above any network or listing, far below
// what would exhaust memory.
constexpr unsigned long long MaxDataFileBytes = 512ull << 20;

// Why a file cannot be read as a data file ("" when it can): it is missing, is no
// regular file (a folder, a device such as /dev/zero, a pipe) or is larger than
// MaxDataFileBytes. The text completes a sentence naming the file.
std::string DataFileProblem(const std::string& path);

// Byte lines of a file's contents (LF or CR LF line ends; the ends are removed).
std::vector<std::string> SplitLines(const std::string& bytes);
// Reads a text file as byte lines (LF or CR LF line ends; the ends are removed).
// Returns false when the file cannot be opened or DataFileProblem refuses it.
bool ReadLines(const std::string& path, std::vector<std::string>& lines);
bool ReadFile(const std::string& path, std::string& bytes);

// Writes bytes to a temporary file in the target's folder and renames it over the
// target, so a failed write never destroys the previous file. False on failure.
bool WriteFileAtomic(const std::string& path, const std::string& bytes);
// Joins lines with CR LF (each line, the last included, ends with CR LF).
std::string JoinCrLf(const std::vector<std::string>& lines);

// The path itself when it exists; otherwise a path whose elements match it
// case-insensitively; otherwise the path unchanged.
std::string FindFileCaseInsensitive(const std::string& path);

// Replaces the extension ("red.dat", ".lpa" -> "red.lpa").
std::string ChangeFileExt(const std::string& path, const std::string& ext);

} // namespace FileUtils
