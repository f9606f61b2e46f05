#include "model/TextCodec.h"
#include "model/TextLines.h"

#include <cstdint>
#include <cstring>

namespace TextCodec {

namespace {
// Windows-1252 characters of the bytes 0x80..0x9F; the rest of the code page is
// Latin-1. The five bytes the code page leaves undefined map to themselves.
constexpr char16_t Cp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                     0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                     0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                     0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
} // namespace

// No byte with the high bit set (valid UTF-8 however the bytes are cut into lines),
// a few words a step.
bool IsAscii(std::string_view bytes)
{
    const char* p = bytes.data();
    const size_t n = bytes.size();
    size_t i = 0;
    uint64_t high = 0;
    for (; i + 32 <= n; i += 32) {
        uint64_t w[4];
        std::memcpy(w, p + i, sizeof w);
        high |= w[0] | w[1] | w[2] | w[3];
    }
    for (; i < n; ++i)
        high |= static_cast<unsigned char>(p[i]);
    return (high & 0x8080808080808080ull) == 0;
}

bool IsValidUtf8(std::string_view bytes)
{
    size_t i = 0;
    const size_t n = bytes.size();
    while (i < n) {
        // Runs of ASCII, nearly all of any network, eight bytes a step.
        for (uint64_t w; i + 8 <= n; i += 8) {
            std::memcpy(&w, bytes.data() + i, 8);
            if (w & 0x8080808080808080ull)
                break;
        }
        if (i >= n)
            break;
        auto c = static_cast<unsigned char>(bytes[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        int len = 0;
        uint32_t cp = 0;
        if (c >= 0xC2 && c <= 0xDF) {
            len = 1;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            len = 2;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + static_cast<size_t>(len) >= n)
            return false;
        for (int k = 1; k <= len; ++k) {
            auto d = static_cast<unsigned char>(bytes[i + static_cast<size_t>(k)]);
            if ((d & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (d & 0x3F);
        }
        // No overlong forms, no surrogates, nothing beyond U+10FFFF.
        if ((len == 2 && cp < 0x800) || (len == 3 && cp < 0x10000) || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += static_cast<size_t>(len) + 1;
    }
    return true;
}

QString DecodeCp1252(std::string_view bytes)
{
    QString out;
    out.reserve(static_cast<qsizetype>(bytes.size()));
    for (char c : bytes) {
        auto b = static_cast<unsigned char>(c);
        out += (b >= 0x80 && b <= 0x9F) ? QChar(Cp1252High[b - 0x80]) : QChar(char16_t(b));
    }
    return out;
}

QString Decode(std::string_view bytes)
{
    if (IsAscii(bytes))
        return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
    if (IsValidUtf8(bytes))
        return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    return DecodeCp1252(bytes);
}

QString DecodeMixed(std::string_view bytes)
{
    if (IsValidUtf8(bytes))
        return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QString out;
    size_t i = 0;
    while (i < bytes.size()) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        const size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 ? 2 : 1;
        if (length > 1 && i + length <= bytes.size() && IsValidUtf8(bytes.substr(i, length))) {
            out += QString::fromUtf8(bytes.data() + i, static_cast<qsizetype>(length));
            i += length;
        } else {
            out += DecodeCp1252(bytes.substr(i, 1));
            ++i;
        }
    }
    return out;
}

namespace {
// The byte of a character in Windows-1252, 0 when the code page has none.
char Cp1252Byte(char16_t u)
{
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return static_cast<char>(u);
    for (int k = 0; k < 32; ++k)
        if (Cp1252High[k] == u)
            return static_cast<char>(0x80 + k);
    return 0;
}
} // namespace

std::string EncodeCp1252(const QString& text)
{
    std::string out;
    out.reserve(static_cast<size_t>(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        // A character outside the code page is one '?', also when it takes two
        // UTF-16 units.
        if (QChar::isHighSurrogate(u) && i + 1 < text.size() && QChar::isLowSurrogate(text[i + 1].unicode()))
            ++i;
        const char b = Cp1252Byte(u);
        out.push_back(b != 0 || u == 0 ? b : '?');
    }
    return out;
}

QString OutsideCp1252(const QString& text)
{
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        const qsizetype n =
            QChar::isHighSurrogate(u) && i + 1 < text.size() && QChar::isLowSurrogate(text[i + 1].unicode()) ? 2 : 1;
        if (u != 0 && Cp1252Byte(u) == 0 && !out.contains(text.mid(i, n)))
            out += text.mid(i, n);
        i += n - 1;
    }
    return out;
}

// "Peñalolén" is "PEÑALOLÉN", in UTF-8 or in Windows-1252 alike: the same letters
// either way, those of Windows-1252 whose capitals it has.
void UpperAccented(std::string& name)
{
    if (IsAscii(name))
        return;
    if (IsValidUtf8(name)) {
        // à..þ (but ÷) and ÿ follow 0xC3, š, œ and ž follow 0xC5: lead bytes, which
        // never continue a character. Each capital is two bytes as well.
        for (size_t i = 0; i + 1 < name.size(); ++i) {
            const unsigned char lead = static_cast<unsigned char>(name[i]);
            if (lead != 0xC3 && lead != 0xC5)
                continue;
            const unsigned char b = static_cast<unsigned char>(name[++i]);
            if (lead == 0xC3 && b >= 0xA0 && b <= 0xBE && b != 0xB7)
                name[i] = static_cast<char>(b - 0x20);
            else if (lead == 0xC3 && b == 0xBF) { // ÿ: Ÿ is U+0178
                name[i - 1] = static_cast<char>(0xC5);
                name[i] = static_cast<char>(0xB8);
            } else if (lead == 0xC5 && (b == 0xA1 || b == 0x93 || b == 0xBE))
                name[i] = static_cast<char>(b - 1);
        }
        return;
    }
    for (char& c : name) {
        const unsigned char b = static_cast<unsigned char>(c);
        if (b >= 0xE0 && b <= 0xFE && b != 0xF7)
            c = static_cast<char>(b - 0x20);
        else if (b == 0x9A || b == 0x9C || b == 0x9E) // š, œ, ž
            c = static_cast<char>(b - 0x10);
        else if (b == 0xFF)
            c = static_cast<char>(0x9F);
    }
}

bool IsAscii(const TTextLines& lines)
{
    if (lines.empty())
        return true;
    const std::string_view first = lines[0], last = lines[lines.size() - 1];
    return IsAscii(std::string_view(first.data(), static_cast<size_t>(last.data() + last.size() - first.data())));
}

bool IsValidUtf8(const TTextLines& lines)
{
    // The lines lie one after the other in one block: a block of ASCII alone,
    // nearly every network, is looked at in one run instead of line by line.
    if (IsAscii(lines))
        return true;
    for (size_t i = 0; i < lines.size(); ++i)
        if (!IsValidUtf8(lines[i]))
            return false;
    return true;
}

} // namespace TextCodec
