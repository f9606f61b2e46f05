#pragma once
// Small text, number and formatting routines on which every file reader rests.
// Numbers never depend on the user's locale: the decimal separator is always '.'.
#include <cmath>
#include <cstdint>
#include <limits>
#include <cstdio>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace ZelUtils {

// Result of ParseNumber: an integer, a single-precision real, or the failure value 0.
struct NumberValue {
    enum class Kind { Integer, Real };
    Kind kind = Kind::Integer;
    int32_t intValue = 0;
    float realValue = 0.0f;

    bool isInteger() const { return kind == Kind::Integer; }
    double asReal() const { return kind == Kind::Integer ? double(intValue) : double(realValue); }
    // Integers convert exactly; reals go to the nearest integer, halves to even.
    int32_t asInt() const;
};

// Rounds to the nearest integer with halves to even, saturating at the Int32 range.
// Drawing rounds every point it places: inline, and without a library call.
inline int32_t Round(double v)
{
    if (std::isnan(v))
        return 0;
    if (v >= 2147483647.0)
        return std::numeric_limits<int32_t>::max();
    if (v <= -2147483648.0)
        return std::numeric_limits<int32_t>::min();
    // Within the Int32 range, adding and taking away 1.5 * 2^52 leaves the
    // nearest integer, halves to even (the default rounding mode): nearbyint.
    constexpr double Shift = 6755399441055744.0;
    return static_cast<int32_t>((v + Shift) - Shift);
}

NumberValue ParseNumber(std::string_view text);

// The usual fixed-column field, right-aligned blanks and up to nine digits (or
// blanks alone, which read as 0), as ParseNumber reads it; false for any other
// text. Inline: the readers take every field of every record through here.
inline bool PlainDigitsField(std::string_view text, int32_t& value)
{
    const char* p = text.data();
    const char* const end = p + text.size();
    while (p < end && *p == ' ')
        ++p;
    const char* const digits = p;
    uint32_t v = 0;
    while (p < end && static_cast<unsigned char>(*p - '0') < 10) {
        v = v * 10 + static_cast<uint32_t>(*p - '0');
        ++p;
    }
    if (p != end || p - digits > 9)
        return false;
    value = static_cast<int32_t>(v);
    return true;
}

int32_t ParseIntOther(std::string_view text);
double ParseRealOther(std::string_view text);

// ParseNumber as an integer (reals rounded, halves to even).
inline int32_t ParseInt(std::string_view text)
{
    int32_t v = 0;
    return PlainDigitsField(text, v) ? v : ParseIntOther(text);
}
// ParseNumber as a real (the common call of the fixed-column readers). Besides
// plain digits, the usual real fields ("120.333", "1E6": right-aligned, at most 15
// digits, a point with digits after it, an exponent of one or two digits) are read
// here as ParseNumber reads them: the digits exactly, one multiplication or
// division by an exact power of ten, single precision.
inline double ParseReal(std::string_view text)
{
    static constexpr double Pow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                       1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    const char* p = text.data();
    const char* const end = p + text.size();
    while (p < end && *p == ' ')
        ++p;
    const char* const first = p;
    uint64_t mantissa = 0;
    while (p < end && static_cast<unsigned char>(*p - '0') < 10)
        mantissa = mantissa * 10 + static_cast<uint64_t>(*p++ - '0');
    const long whole = p - first;
    if (p == end && whole <= 9)
        return double(mantissa); // an integer, blanks alone included
    long fraction = 0;
    if (p < end && *p == '.') {
        const char* const point = ++p;
        while (p < end && static_cast<unsigned char>(*p - '0') < 10)
            mantissa = mantissa * 10 + static_cast<uint64_t>(*p++ - '0');
        fraction = p - point;
    }
    long exponent = 0;
    if (p < end && (*p == 'E' || *p == 'e') && p + 1 < end && static_cast<unsigned char>(p[1] - '0') < 10) {
        exponent = p[1] - '0';
        p += 2;
        if (p < end && static_cast<unsigned char>(*p - '0') < 10)
            exponent = exponent * 10 + (*p++ - '0');
    } else if (fraction == 0) {
        return ParseRealOther(text);
    }
    // A point without digits after it, and what the usual forms leave, the general way.
    if (p != end || whole + fraction == 0 || whole + fraction > 15 || (fraction == 0 && first[whole] == '.') ||
        exponent - fraction > 22 || exponent - fraction < -22)
        return ParseRealOther(text);
    const long scale = exponent - fraction;
    const double v = scale >= 0 ? double(mantissa) * Pow10[scale] : double(mantissa) / Pow10[-scale];
    return double(static_cast<float>(v)); // at most 1e37: within single precision
}

std::string RemoveBlanks(std::string_view text);
void SplitTabs(std::string_view text, std::vector<std::string>& words);
bool IsNumber(std::string_view text);

// A number the user typed into a box: blanks around it, an optional minus sign,
// digits with a decimal point or one decimal comma (what a Spanish keyboard
// gives), an exponent (signed or not). False, value untouched, for anything else, empty text and
// values beyond single precision included: files never go through here, their
// numbers keep ParseNumber's rules.
bool ParseTyped(std::string_view text, double& value);
// Number after the first occurrence of key; 0 when the key is absent. Text that is
// not a number gives its leading number (0 when there is none) instead of failing.
int32_t IntAfterKey(std::string_view line, std::string_view key);
float RealAfterKey(std::string_view line, std::string_view key);

std::string FlagsToStr4(uint8_t flags);
uint8_t StrToFlags4(std::string_view text);
std::string CaseToStr(uint8_t selector);
uint8_t StrToCase(std::string_view text);

// Byte-level text helpers (files are bytes; only ASCII letters change case).
std::string UpperCase(std::string_view s);
std::string LowerCase(std::string_view s);
std::string Trim(std::string_view s);      // removes characters with code <= 32 at both ends
std::string TrimLeft(std::string_view s);
std::string TrimRight(std::string_view s);
// Copy(s, index, count) with 1-based index, clamped as the classic string routine does.
std::string Copy(std::string_view s, int index, int count);
// 1-based position of sub in s, 0 when absent.
int Pos(std::string_view sub, std::string_view s);
bool SameText(std::string_view a, std::string_view b); // ASCII case-insensitive
std::vector<std::string> SplitString(std::string_view s, char sep); // empty fields kept

namespace detail {
template <class T>
auto fmtArg(const T& v)
{
    // A view has no terminating NUL: pass a std::string.
    static_assert(!std::is_same_v<std::decay_t<T>, std::string_view>);
    if constexpr (std::is_same_v<std::decay_t<T>, std::string>)
        return v.c_str();
    else
        return v;
}
std::string vformat(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
} // namespace detail

// printf-style formatting with the program's format strings; std::string arguments
// may be passed for %s. Always uses '.' as decimal separator.
template <class... Args>
std::string Format(const char* fmt, const Args&... args)
{
    return detail::vformat(fmt, detail::fmtArg(args)...);
}

} // namespace ZelUtils

#include "model/ZelUtilsGeometry.h"
