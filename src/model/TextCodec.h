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
// Each UTF-8 character as UTF-8 and every other byte as Windows-1252: a message of
// the program's own that quotes a name from a Windows-1252 file.
QString DecodeMixed(std::string_view bytes);
// The accented letters of a name in capitals, as the upper-cased line around it
// reads (ASCII letters are the caller's): UTF-8 when the name is valid UTF-8, else
// Windows-1252, and only letters whose capitals that code page has, so a name
// reads alike in either encoding and keeps its length.
void UpperAccented(std::string& name);
// Characters outside Windows-1252 become '?'.
std::string EncodeCp1252(const QString& text);
// The characters of text that Windows-1252 has no byte for, each once, in order.
QString OutsideCp1252(const QString& text);
// No byte above 0x7F (in any line).
bool IsAscii(std::string_view bytes);
bool IsAscii(const TTextLines& lines);

} // namespace TextCodec
