#pragma once
// Bytes of the model's files as text for display, and back. Files are kept as
// the bytes read; street names and titles may be UTF-8 or Windows-1252.
#include <QString>

#include <string>
#include <string_view>

class TTextLines;

namespace TextCodec {

bool IsValidUtf8(std::string_view bytes);
// Every line valid UTF-8 (the text is then shown and kept as UTF-8).
bool IsValidUtf8(const TTextLines& lines);
// UTF-8 when the bytes are valid UTF-8, else Windows-1252.
QString Decode(std::string_view bytes);
QString DecodeCp1252(std::string_view bytes);
// Characters outside Windows-1252 become '?'.
std::string EncodeCp1252(const QString& text);

} // namespace TextCodec
