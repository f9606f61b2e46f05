#include "model/ZelUtils.h"

#include <cfenv>
#include <charconv>
#include <clocale>
#include <cstdarg>
#include <limits>
#include <locale.h>

namespace ZelUtils {

int32_t NumberValue::asInt() const
{
    return kind == Kind::Integer ? intValue : Round(double(realValue));
}

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Strict integer: optional leading '-', then at least one digit, within Int32.
bool strictInt(std::string_view s, int32_t& out)
{
    if (s.empty())
        return false;
    size_t i = 0;
    bool neg = false;
    if (s[0] == '-') {
        neg = true;
        i = 1;
    }
    if (i >= s.size())
        return false;
    int64_t v = 0;
    for (; i < s.size(); ++i) {
        if (!isDigit(s[i]))
            return false;
        v = v * 10 + (s[i] - '0');
        if (v > 2147483648LL)
            return false;
    }
    if (neg)
        v = -v;
    if (v > std::numeric_limits<int32_t>::max() || v < std::numeric_limits<int32_t>::min())
        return false;
    out = static_cast<int32_t>(v);
    return true;
}

// Strict real: optional '-', digits with at most one '.', at least one mantissa digit,
// optional exponent 'E' with optional sign and at least one digit.
bool strictReal(std::string_view s, double& out)
{
    size_t i = 0;
    if (i < s.size() && s[i] == '-')
        ++i;
    size_t mantDigits = 0;
    while (i < s.size() && isDigit(s[i])) {
        ++i;
        ++mantDigits;
    }
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && isDigit(s[i])) {
            ++i;
            ++mantDigits;
        }
    }
    if (mantDigits == 0)
        return false;
    if (i < s.size() && (s[i] == 'E' || s[i] == 'e')) {
        ++i;
        if (i < s.size() && (s[i] == '-' || s[i] == '+'))
            ++i;
        size_t expDigits = 0;
        while (i < s.size() && isDigit(s[i])) {
            ++i;
            ++expDigits;
        }
        if (expDigits == 0)
            return false;
    }
    if (i != s.size())
        return false;
    std::string buf(s);
    for (char& c : buf)
        if (c == 'e')
            c = 'E';
    // from_chars does not take a leading '.', nor does it depend on the locale.
    double v = 0.0;
    const char* b = buf.data();
    const char* e = buf.data() + buf.size();
    bool neg = false;
    if (b < e && *b == '-') {
        neg = true;
        ++b;
    }
    std::string tmp;
    if (b < e && *b == '.') {
        tmp = "0" + std::string(b, e);
        b = tmp.data();
        e = tmp.data() + tmp.size();
    }
    auto res = std::from_chars(b, e, v, std::chars_format::general);
    if (res.ec != std::errc() || res.ptr != e)
        return false;
    out = neg ? -v : v;
    return true;
}

// The usual fixed-column number ("   12", "12.5", "-.25", "1E6", "3.5E-2") read in
// one pass, without the general parsers: every field of every record of a network
// comes through here. An integer of at most 9 digits always fits. For a real, at
// most 15 digits make the mantissa exact in a double, and a power of ten up to
// 1e22 is exact as well, so the one multiplication or division rounds the decimal
// value once, to the same double that from_chars gives. Anything else (more
// digits, a point without digits after it, a wide exponent, other characters) is
// left to the general path: false means "not taken", not "not a number".
[[gnu::always_inline]] inline bool fastNumber(std::string_view s, NumberValue& result)
{
    static constexpr double Pow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                       1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    const char* p = s.data();
    const char* const e = p + s.size();
    const bool neg = p < e && *p == '-';
    if (neg)
        ++p;
    uint64_t mantissa = 0;
    const char* const intStart = p;
    while (p < e && isDigit(*p)) {
        mantissa = mantissa * 10 + static_cast<uint64_t>(*p - '0');
        ++p;
    }
    const long intDigits = p - intStart;
    if (p == e) {
        if (intDigits == 0 || intDigits > 9)
            return false;
        result.intValue = neg ? -static_cast<int32_t>(mantissa) : static_cast<int32_t>(mantissa);
        return true;
    }
    long fraction = 0;
    if (*p == '.') {
        const char* const fracStart = ++p;
        while (p < e && isDigit(*p)) {
            mantissa = mantissa * 10 + static_cast<uint64_t>(*p - '0');
            ++p;
        }
        fraction = p - fracStart;
        if (fraction == 0)
            return false;
    }
    if (intDigits + fraction == 0 || intDigits + fraction > 15)
        return false;
    long exponent = 0;
    if (p < e && (*p == 'E' || *p == 'e')) {
        ++p;
        const bool negExp = p < e && *p == '-';
        if (negExp)
            ++p;
        const char* const expStart = p;
        while (p < e && isDigit(*p) && p - expStart < 4) {
            exponent = exponent * 10 + (*p - '0');
            ++p;
        }
        if (p == expStart)
            return false;
        if (negExp)
            exponent = -exponent;
    }
    if (p != e)
        return false;
    const long scale = exponent - fraction;
    if (scale < -22 || scale > 22)
        return false;
    double v = static_cast<double>(mantissa);
    v = scale >= 0 ? v * Pow10[scale] : v / Pow10[-scale];
    if (neg)
        v = -v;
    if (std::fabs(v) <= double(std::numeric_limits<float>::max())) {
        result.kind = NumberValue::Kind::Real;
        result.realValue = static_cast<float>(v);
    }
    return true;
}

// Texts the short way does not take: integers and reals as the strict routines
// read them, the failure value otherwise.
[[gnu::noinline]] NumberValue generalNumber(std::string_view t)
{
    NumberValue result; // failure value: integer 0
    bool intChars = true;
    bool realChars = true;
    for (char raw : t) {
        const char c = raw >= 'a' && raw <= 'z' ? static_cast<char>(raw - 'a' + 'A') : raw;
        bool digitOrMinus = isDigit(c) || c == '-';
        if (!digitOrMinus)
            intChars = false;
        if (!(digitOrMinus || c == '.' || c == 'E'))
            realChars = false;
    }
    if (intChars) {
        int32_t v = 0;
        if (strictInt(t, v))
            result.intValue = v;
        return result;
    }
    if (realChars) {
        double v = 0.0;
        if (strictReal(t, v)) {
            if (std::fabs(v) <= double(std::numeric_limits<float>::max())) {
                result.kind = NumberValue::Kind::Real;
                result.realValue = static_cast<float>(v);
            }
        }
    }
    return result;
}

// Made part of each entry point below, so that the usual number reaches the
// caller in a register: returned as a whole, the value is packed through memory,
// and reading it back waits for every store before it to be written.
[[gnu::always_inline]] inline NumberValue readNumber(std::string_view text)
{
    // Trimmed in place; the only letter a number may hold is the exponent mark,
    // which the real parser takes in either case, so no upper-cased copy is made
    // (the fixed-column readers parse every field of every record through here).
    size_t first = 0, end = text.size();
    while (first < end && static_cast<unsigned char>(text[first]) <= 32)
        ++first;
    while (end > first && static_cast<unsigned char>(text[end - 1]) <= 32)
        --end;
    std::string_view t = text.substr(first, end - first);
    if (t.empty())
        t = "0";
    NumberValue result; // failure value: integer 0
    if (fastNumber(t, result))
        return result;
    return generalNumber(t);
}

} // namespace

NumberValue ParseNumber(std::string_view text) { return readNumber(text); }

int32_t ParseIntOther(std::string_view text) { return readNumber(text).asInt(); }

double ParseRealOther(std::string_view text) { return readNumber(text).asReal(); }

std::string RemoveBlanks(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (c != ' ')
            out.push_back(c);
    return out;
}

void SplitTabs(std::string_view text, std::vector<std::string>& words)
{
    words.clear();
    std::string s(text);
    for (char& c : s)
        if (c == '\t')
            c = ' ';
    size_t p;
    while ((p = s.find(' ')) != std::string::npos) {
        if (p > 0)
            words.push_back(s.substr(0, p));
        s = Trim(std::string_view(s).substr(p + 1));
    }
    if (!s.empty())
        words.push_back(s);
}

bool ParseTyped(std::string_view text, double& value)
{
    std::string t = Trim(text);
    const size_t comma = t.find(',');
    if (comma != std::string::npos) {
        if (t.find(',', comma + 1) != std::string::npos || t.find('.') != std::string::npos)
            return false; // "1.234,5" or "1,2,3": not one number
        t[comma] = '.';
    }
    if (t.empty() || t.find_first_not_of("-+0123456789.eE") != std::string::npos)
        return false; // no "inf", "nan" or hexadecimal
    // A plus sign only in an exponent ("2.5e+09", as a full value is shown).
    for (size_t plus = t.find('+'); plus != std::string::npos; plus = t.find('+', plus + 1))
        if (plus == 0 || (t[plus - 1] != 'e' && t[plus - 1] != 'E'))
            return false;
    double v = 0.0;
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    // Up to what single precision holds, the largest value as shown in nine digits
    // ("3.40282347e+38", a hair above it) included: it rounds to that value.
    const double largest = double(std::numeric_limits<float>::max()) + std::ldexp(1.0, 103);
    if (ec != std::errc() || end != t.data() + t.size() || !(std::fabs(v) < largest))
        return false;
    value = v;
    return true;
}

bool IsNumber(std::string_view text)
{
    if (text.empty())
        return false;
    for (char c : text)
        if (!isDigit(c) && c != '.')
            return false;
    return true;
}

int32_t IntAfterKey(std::string_view line, std::string_view key)
{
    size_t p = line.find(key);
    if (p == std::string_view::npos)
        return 0;
    size_t i = p + key.size();
    size_t j = i;
    while (j < line.size() && line[j] != ',' && line[j] != '.')
        ++j;
    std::string_view field = line.substr(i, j - i);
    // Leading blanks are allowed; the number ends at the first character that
    // cannot continue it ("2&END" gives 2, "" gives 0).
    size_t k = 0;
    while (k < field.size() && field[k] == ' ')
        ++k;
    size_t start = k;
    if (k < field.size() && (field[k] == '-' || field[k] == '+'))
        ++k;
    while (k < field.size() && isDigit(field[k]))
        ++k;
    std::string_view num = field.substr(start, k - start);
    if (!num.empty() && num[0] == '+')
        num.remove_prefix(1);
    int32_t v = 0;
    if (strictInt(num, v))
        return v;
    return 0;
}

float RealAfterKey(std::string_view line, std::string_view key)
{
    size_t p = line.find(key);
    if (p == std::string_view::npos)
        return 0.0f;
    size_t i = p + key.size();
    size_t j = i;
    while (j < line.size() && (isDigit(line[j]) || line[j] == '-' || line[j] == '.'))
        ++j;
    std::string_view field = line.substr(i, j - i);
    // Only the leading number counts ("1.5-" or "1.5.2" give 1.5): a stray sign or
    // point after it must not turn the whole value into 0.
    size_t k = 0;
    if (k < field.size() && field[k] == '-')
        ++k;
    while (k < field.size() && isDigit(field[k]))
        ++k;
    if (k < field.size() && field[k] == '.') {
        ++k;
        while (k < field.size() && isDigit(field[k]))
            ++k;
    }
    return static_cast<float>(ParseNumber(field.substr(0, k)).asReal());
}

std::string FlagsToStr4(uint8_t flags)
{
    std::string s(4, '0');
    for (int k = 0; k < 4; ++k)
        if (flags & (1u << k))
            s[k] = '1';
    return s;
}

uint8_t StrToFlags4(std::string_view text)
{
    uint8_t f = 0;
    for (size_t k = 0; k < 4 && k < text.size(); ++k)
        if (text[k] == '1')
            f = static_cast<uint8_t>(f | (1u << k));
    return f;
}

std::string CaseToStr(uint8_t selector)
{
    std::string s(7, '0');
    if (selector <= 6)
        s[selector] = '1';
    return s;
}

uint8_t StrToCase(std::string_view text)
{
    uint8_t sel = 0;
    for (size_t p = 2; p <= 7 && p <= text.size(); ++p)
        if (text[p - 1] == '1')
            sel = static_cast<uint8_t>(p - 1);
    return sel;
}

std::string UpperCase(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return out;
}

std::string LowerCase(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::string TrimLeft(std::string_view s)
{
    size_t i = 0;
    while (i < s.size() && static_cast<unsigned char>(s[i]) <= 32)
        ++i;
    return std::string(s.substr(i));
}

std::string TrimRight(std::string_view s)
{
    size_t n = s.size();
    while (n > 0 && static_cast<unsigned char>(s[n - 1]) <= 32)
        --n;
    return std::string(s.substr(0, n));
}

std::string Trim(std::string_view s)
{
    size_t i = 0;
    size_t n = s.size();
    while (i < n && static_cast<unsigned char>(s[i]) <= 32)
        ++i;
    while (n > i && static_cast<unsigned char>(s[n - 1]) <= 32)
        --n;
    return std::string(s.substr(i, n - i));
}

std::string Copy(std::string_view s, int index, int count)
{
    if (index < 1)
        index = 1;
    if (count <= 0 || index > static_cast<int>(s.size()))
        return std::string();
    return std::string(s.substr(static_cast<size_t>(index - 1), static_cast<size_t>(count)));
}

int Pos(std::string_view sub, std::string_view s)
{
    if (sub.empty())
        return 0;
    size_t p = s.find(sub);
    return p == std::string_view::npos ? 0 : static_cast<int>(p) + 1;
}

bool SameText(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z')
            x = static_cast<char>(x - 32);
        if (y >= 'a' && y <= 'z')
            y = static_cast<char>(y - 32);
        if (x != y)
            return false;
    }
    return true;
}

std::vector<std::string> SplitString(std::string_view s, char sep)
{
    std::vector<std::string> out;
    size_t start = 0;
    for (;;) {
        size_t p = s.find(sep, start);
        if (p == std::string_view::npos) {
            out.emplace_back(s.substr(start));
            break;
        }
        out.emplace_back(s.substr(start, p - start));
        start = p + 1;
    }
    return out;
}

namespace detail {
std::string vformat(const char* fmt, ...)
{
    // "%f" writes a point whatever LC_NUMERIC holds: a Spanish locale set by anyone
    // after start-up would make it a comma in every file written.
    static const locale_t cNumeric = newlocale(LC_NUMERIC_MASK, "C", locale_t(0));
    const locale_t previous = uselocale(cNumeric);
    char buf[512];
    va_list ap;
    va_start(ap, fmt);
    va_list ap2;
    va_copy(ap2, ap);
    int n = std::vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    std::string out;
    if (n >= 0 && static_cast<size_t>(n) < sizeof buf) {
        out.assign(buf, static_cast<size_t>(n));
    } else if (n >= 0) {
        out.resize(static_cast<size_t>(n) + 1);
        std::vsnprintf(out.data(), out.size(), fmt, ap2);
        out.resize(static_cast<size_t>(n));
    }
    va_end(ap2);
    uselocale(previous);
    return out;
}
} // namespace detail

} // namespace ZelUtils
