#pragma once
// Pictures saved as files (BMP, JPG, PNG...) go through the safe path of
// model/SafeFile.h like every other user file: encoded in memory, then written
// beside the target and renamed over it.
#include <string>

class QImage;

namespace ImageFile {

// Encodes image in `format` (from the file's extension when null) and writes it.
// False when it cannot be encoded or written (FileUtils::WriteFailure says why).
bool Save(const QImage& image, const std::string& fileName, const char* format = nullptr, int quality = -1);
// The bytes Save would write (format given); false when it cannot be encoded.
bool Encode(const QImage& image, const char* format, std::string& bytes, int quality = -1);

} // namespace ImageFile
