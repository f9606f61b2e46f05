// Built-in functions of the formula language: variables, numbers, statistics,
// texts and dates. Every routine gets its evaluated arguments in order.
#include "analysis/ArtFormula.h"
#include "model/ZelUtils.h"

#include <QString>

#include <algorithm>
#include <chrono>
#include <climits>
#include <charconv>
#include <cmath>
#include <ctime>
#include <random>

namespace {

using Args = TCalcArray;
using Item = TCalcItem;

double N(const Args& a, size_t i) { return ArtFormulaNum(a[i]); }
std::string S(const Args& a, size_t i) { return ArtFormulaStr(a[i]); }

int64_t WholeArg(const Args& a, size_t i)
{
    double t = std::trunc(N(a, i));
    if (!(t >= -9.2233720368547758e18 && t < 9.2233720368547758e18))
        throw FormulaException("Número fuera del rango de los enteros: " + ArtFormulaFloatToStr(N(a, i)));
    return int64_t(t);
}

int ClampInt(int64_t v) { return int(std::clamp<int64_t>(v, INT_MIN, INT_MAX)); }

void SetNum(Item& r, double x, const char* fn)
{
    if (!std::isfinite(x))
        throw FormulaException(std::string("Resultado no válido en la función ") + fn);
    TArtFormula::SetN(r, x);
}

std::mt19937_64& Rng()
{
    static std::mt19937_64 rng(5489u);
    return rng;
}

// ---- variables ----
void fSet(TArtFormula& e, const Args& a, Item& r) { e.SetVar(S(a, 0), a[1]); r = a[1]; }
void fVal(TArtFormula& e, const Args& a, Item& r) { r = e.GetVar(S(a, 0)); }
void fDefine(TArtFormula& e, const Args& a, Item& r) { e.AddVar(S(a, 0), a[1]); r = a[1]; }
void fBlock(TArtFormula&, const Args& a, Item& r)
{
    if (a.empty())
        TArtFormula::SetN(r, 0);
    else
        r = a.back();
}
void fDefines(TArtFormula& e, const Args& a, Item& r)
{
    for (size_t i = 0; i < a.size(); ++i)
        e.AddVar(S(a, i), Item{});
    TArtFormula::SetN(r, double(a.size()));
}
void fInc(TArtFormula& e, const Args& a, Item& r) { r = e.IncVar(S(a, 0)); }
void fDec(TArtFormula& e, const Args& a, Item& r) { r = e.DecVar(S(a, 0)); }

// ---- numbers ----
#define MATH1(NAME, EXPR)                                   \
    void f##NAME(TArtFormula&, const Args& a, Item& r)       \
    {                                                        \
        double x = N(a, 0);                                  \
        SetNum(r, (EXPR), #NAME);                            \
    }
MATH1(SIN, std::sin(x))
MATH1(COS, std::cos(x))
MATH1(TAN, std::tan(x))
MATH1(LOG, x > 0 ? std::log(x) : NAN)
MATH1(LG, x > 0 ? std::log10(x) : NAN)
MATH1(EXP, std::exp(x))
MATH1(SQRT, x >= 0 ? std::sqrt(x) : NAN)
MATH1(INT, std::trunc(x))
MATH1(FRAC, x - std::trunc(x))
MATH1(ABS, std::fabs(x))
MATH1(ATAN, std::atan(x))
MATH1(ASIN, std::asin(x))
MATH1(ACOS, std::acos(x))
MATH1(ASINH, std::asinh(x))
MATH1(ACOSH, std::acosh(x))
MATH1(ATANH, std::fabs(x) < 1 ? std::atanh(x) : NAN)
MATH1(COSH, std::cosh(x))
MATH1(SINH, std::sinh(x))
MATH1(TANH, std::tanh(x))
MATH1(SIGN, x > 0 ? 1.0 : (x < 0 ? -1.0 : 0.0))
#undef MATH1

void fRnd(TArtFormula&, const Args&, Item& r)
{
    TArtFormula::SetN(r, std::uniform_real_distribution<double>(0.0, 1.0)(Rng()));
}
void fRandomize(TArtFormula&, const Args&, Item& r)
{
    Rng().seed(uint64_t(std::chrono::steady_clock::now().time_since_epoch().count()));
    TArtFormula::SetN(r, 0);
}

// ---- statistics ----
struct Sums {
    double n = 0, s = 0, s2 = 0;
};
Sums Gather(const Args& a, const char* fn, size_t minimum)
{
    if (a.size() < minimum)
        throw FormulaException(std::string("La función ") + fn + " necesita al menos " +
                               std::to_string(minimum) + (minimum == 1 ? " valor" : " valores"));
    Sums r;
    r.n = double(a.size());
    for (size_t i = 0; i < a.size(); ++i) {
        double x = N(a, i);
        r.s += x;
        r.s2 += x * x;
    }
    return r;
}
// n·Σx² − (Σx)², never below 0 through rounding.
double Spread(const Sums& t) { return std::max(0.0, t.n * t.s2 - t.s * t.s); }

void fMax(TArtFormula&, const Args& a, Item& r)
{
    Gather(a, "MAX", 1);
    double m = N(a, 0);
    for (size_t i = 1; i < a.size(); ++i)
        m = std::max(m, N(a, i));
    TArtFormula::SetN(r, m);
}
void fMin(TArtFormula&, const Args& a, Item& r)
{
    Gather(a, "MIN", 1);
    double m = N(a, 0);
    for (size_t i = 1; i < a.size(); ++i)
        m = std::min(m, N(a, i));
    TArtFormula::SetN(r, m);
}
void fAvg(TArtFormula&, const Args& a, Item& r) { Sums t = Gather(a, "AVG", 1); SetNum(r, t.s / t.n, "AVG"); }
void fStdDev(TArtFormula&, const Args& a, Item& r)
{
    Sums t = Gather(a, "STDDEV", 2);
    SetNum(r, std::sqrt(Spread(t) / (t.n * (t.n - 1))), "STDDEV");
}
void fStdDevP(TArtFormula&, const Args& a, Item& r)
{
    Sums t = Gather(a, "STDDEVP", 1);
    SetNum(r, std::sqrt(Spread(t)) / t.n, "STDDEVP");
}
void fSum(TArtFormula&, const Args& a, Item& r) { SetNum(r, Gather(a, "SUM", 0).s, "SUM"); }
void fSumSq(TArtFormula&, const Args& a, Item& r) { SetNum(r, Gather(a, "SUMOFSQUARES", 0).s2, "SUMOFSQUARES"); }
void fCount(TArtFormula&, const Args& a, Item& r) { TArtFormula::SetN(r, double(a.size())); }
void fVariance(TArtFormula&, const Args& a, Item& r)
{
    Sums t = Gather(a, "VARIANCE", 2);
    SetNum(r, Spread(t) / (t.n * (t.n - 1)), "VARIANCE");
}
void fVarianceP(TArtFormula&, const Args& a, Item& r)
{
    Sums t = Gather(a, "VARIANCEP", 1);
    SetNum(r, Spread(t) / (t.n * t.n), "VARIANCEP");
}
void fIff(TArtFormula&, const Args& a, Item& r) { r = N(a, 0) != 0 ? a[1] : a[2]; }

// ---- texts ----
void CheckLength(int64_t n)
{
    if (n > int64_t(TArtFormula::MaxTextLength))
        throw FormulaException("Texto demasiado largo en la fórmula");
}

void fChr(TArtFormula&, const Args& a, Item& r)
{
    int64_t c = WholeArg(a, 0);
    if (c < 0 || c > 255)
        throw FormulaException("Código de carácter fuera de rango (0 a 255): " + std::to_string(c));
    TArtFormula::SetS(r, std::string(1, char(c)));
}
void fLength(TArtFormula&, const Args& a, Item& r) { TArtFormula::SetN(r, double(S(a, 0).size())); }
void fTrim(TArtFormula&, const Args& a, Item& r) { TArtFormula::SetS(r, ZelUtils::Trim(S(a, 0))); }
void fTrimLeft(TArtFormula&, const Args& a, Item& r) { TArtFormula::SetS(r, ZelUtils::TrimLeft(S(a, 0))); }
void fTrimRight(TArtFormula&, const Args& a, Item& r) { TArtFormula::SetS(r, ZelUtils::TrimRight(S(a, 0))); }

// Case conversion of accented letters too: UTF-8 text stays UTF-8; other bytes are
// taken as Latin-1 and only changed where the other case exists in one byte.
std::string ChangeCase(const std::string& s, bool upper)
{
    QByteArray bytes(s.data(), qsizetype(s.size()));
    QString u = QString::fromUtf8(bytes);
    if (u.toUtf8() == bytes) {
        QByteArray out = (upper ? u.toUpper() : u.toLower()).toUtf8();
        return std::string(out.constData(), size_t(out.size()));
    }
    std::string out = s;
    for (char& c : out) {
        QChar q = QChar(uchar(c));
        QChar t = upper ? q.toUpper() : q.toLower();
        if (t.unicode() < 256)
            c = char(t.unicode());
    }
    return out;
}
void fUpper(TArtFormula&, const Args& a, Item& r) { TArtFormula::SetS(r, ChangeCase(S(a, 0), true)); }
void fLower(TArtFormula&, const Args& a, Item& r) { TArtFormula::SetS(r, ChangeCase(S(a, 0), false)); }

void fMidStr(TArtFormula&, const Args& a, Item& r)
{
    TArtFormula::SetS(r, ZelUtils::Copy(S(a, 0), ClampInt(WholeArg(a, 1)), ClampInt(WholeArg(a, 2))));
}
void fLeftStr(TArtFormula&, const Args& a, Item& r)
{
    TArtFormula::SetS(r, ZelUtils::Copy(S(a, 0), 1, ClampInt(WholeArg(a, 1))));
}
void fRightStr(TArtFormula&, const Args& a, Item& r)
{
    std::string s = S(a, 0);
    int64_t n = WholeArg(a, 1);
    if (n <= 0)
        s.clear();
    else if (size_t(n) < s.size())
        s = s.substr(s.size() - size_t(n));
    TArtFormula::SetS(r, s);
}
void fPos(TArtFormula&, const Args& a, Item& r) { TArtFormula::SetN(r, ZelUtils::Pos(S(a, 0), S(a, 1))); }
void fIsNumber(TArtFormula&, const Args& a, Item& r)
{
    bool ok = !a[0].isText;
    if (!ok) {
        try {
            ArtFormulaNum(a[0]);
            ok = true;
        } catch (const FormulaException&) {
        }
    }
    TArtFormula::SetN(r, ok ? 1 : 0);
}
void fCode(TArtFormula&, const Args& a, Item& r)
{
    std::string s = S(a, 0);
    TArtFormula::SetN(r, s.empty() ? 0 : double(uint8_t(s[0])));
}
void fStringOfChar(TArtFormula&, const Args& a, Item& r)
{
    std::string s = S(a, 0);
    int64_t n = WholeArg(a, 1);
    CheckLength(n);
    TArtFormula::SetS(r, s.empty() || n <= 0 ? std::string() : std::string(size_t(n), s[0]));
}

// ---- dates: day numbers since 1899-12-30, the time as the fraction ----
constexpr int64_t DaysTo1970 = 25569;
constexpr double MinDate = -693593.0;  // 0001-01-01
constexpr double MaxDate = 2958466.0;  // 10000-01-01

int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d)
{
    y -= m <= 2;
    int64_t era = (y >= 0 ? y : y - 399) / 400;
    int64_t yoe = y - era * 400;
    int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468 + DaysTo1970;
}

void CivilFromDays(int64_t z, int& y, int& m, int& d)
{
    z += 719468 - DaysTo1970;
    int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    int64_t doe = z - era * 146097;
    int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    int64_t mp = (5 * doy + 2) / 153;
    d = int(doy - (153 * mp + 2) / 5 + 1);
    m = int(mp < 10 ? mp + 3 : mp - 9);
    y = int(yoe + era * 400 + (m <= 2));
}

bool IsLeap(int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }
int DaysInMonth(int64_t y, int m)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : days[m - 1];
}

struct DateParts {
    int year, month, day, hour, minute, second, ms, dow;
};

DateParts Decode(double dt)
{
    if (!(dt >= MinDate && dt < MaxDate))
        throw FormulaException("Fecha fuera de rango: " + ArtFormulaFloatToStr(dt));
    DateParts p{};
    double whole = std::trunc(dt);
    int64_t days = int64_t(whole);
    int64_t ms = int64_t(std::llround(std::fabs(dt - whole) * 86400000.0));
    if (ms >= 86400000)
        ms = 86399999;
    CivilFromDays(days, p.year, p.month, p.day);
    p.hour = int(ms / 3600000);
    p.minute = int(ms / 60000 % 60);
    p.second = int(ms / 1000 % 60);
    p.ms = int(ms % 1000);
    p.dow = int(((days + 5) % 7 + 7) % 7) + 1;
    return p;
}

double Encode(int64_t y, int64_t m, int64_t d)
{
    if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1 || d > DaysInMonth(y, int(m)))
        throw FormulaException("Fecha no válida: " + std::to_string(d) + "/" + std::to_string(m) + "/" +
                               std::to_string(y));
    return double(DaysFromCivil(y, m, d));
}

// Date text as the Spanish system writes it: d/m/yyyy (or yyyy-mm-dd), optionally
// followed by h:mm or h:mm:ss.
void fDate(TArtFormula&, const Args& a, Item& r)
{
    std::string text = ZelUtils::Trim(S(a, 0));
    auto bad = [&]() { return FormulaException("'" + text + "' no es una fecha válida"); };
    std::vector<int64_t> num;
    std::vector<char> seps;
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] < '0' || text[i] > '9')
            throw bad();
        int64_t v = 0;
        size_t start = i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9' && i - start < 6)
            v = v * 10 + (text[i++] - '0');
        num.push_back(v);
        if (i < text.size()) {
            char c = text[i++];
            if (c == ' ')
                while (i < text.size() && text[i] == ' ')
                    ++i;
            seps.push_back(c);
        }
    }
    if (num.size() < 3 || num.size() > 6 || seps.size() != num.size() - 1)
        throw bad();
    int64_t y, m, d;
    if (seps[0] == '-' && seps[1] == '-') {
        y = num[0], m = num[1], d = num[2];
    } else if ((seps[0] == '/' && seps[1] == '/') || (seps[0] == '-' && seps[1] == '-')) {
        d = num[0], m = num[1], y = num[2];
        if (y < 100)
            y += y < 50 ? 2000 : 1900;
    } else {
        throw bad();
    }
    double time = 0;
    if (num.size() > 3) {
        if (seps[2] != ' ' || num.size() < 5 || seps[3] != ':' || (num.size() == 6 && seps[4] != ':'))
            throw bad();
        int64_t h = num[3], mi = num[4], s = num.size() == 6 ? num[5] : 0;
        if (h > 23 || mi > 59 || s > 59)
            throw bad();
        time = double(h * 3600 + mi * 60 + s) / 86400.0;
    }
    double day;
    try {
        day = Encode(y, m, d);
    } catch (const FormulaException&) {
        throw bad();
    }
    TArtFormula::SetN(r, day + time);
}

void fNow(TArtFormula&, const Args&, Item& r)
{
    auto now = std::chrono::system_clock::now();
    std::time_t t = std::chrono::system_clock::to_time_t(now);
    std::tm tm{};
    localtime_r(&t, &tm);
    int ms = int(std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000);
    double day = double(DaysFromCivil(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday));
    TArtFormula::SetN(r, day + (tm.tm_hour * 3600.0 + tm.tm_min * 60.0 + tm.tm_sec + ms / 1000.0) / 86400.0);
}

void fDayOfWeek(TArtFormula&, const Args& a, Item& r) { TArtFormula::SetN(r, Decode(N(a, 0)).dow); }
void fYear(TArtFormula&, const Args& a, Item& r) { TArtFormula::SetN(r, Decode(N(a, 0)).year); }
void fMonth(TArtFormula&, const Args& a, Item& r) { TArtFormula::SetN(r, Decode(N(a, 0)).month); }
void fDay(TArtFormula&, const Args& a, Item& r) { TArtFormula::SetN(r, Decode(N(a, 0)).day); }
void fHour(TArtFormula&, const Args& a, Item& r) { TArtFormula::SetN(r, Decode(N(a, 0)).hour); }
void fMinute(TArtFormula&, const Args& a, Item& r) { TArtFormula::SetN(r, Decode(N(a, 0)).minute); }
void fSecond(TArtFormula&, const Args& a, Item& r) { TArtFormula::SetN(r, Decode(N(a, 0)).second); }
void fMillisecond(TArtFormula&, const Args& a, Item& r) { TArtFormula::SetN(r, Decode(N(a, 0)).ms); }
void fIsLeapYear(TArtFormula&, const Args& a, Item& r) { TArtFormula::SetN(r, IsLeap(WholeArg(a, 0)) ? 1 : 0); }
void fEncodeDate(TArtFormula&, const Args& a, Item& r)
{
    TArtFormula::SetN(r, Encode(WholeArg(a, 0), WholeArg(a, 1), WholeArg(a, 2)));
}

// ---- formatting ----

// A non-negative number as decimal digits: value = 0.d1d2d3... x 10^exp (no
// digits for zero). The shortest digits that read back as the same double, so a
// number written 2.5 or 1234567.25 rounds as written, not as its binary value.
struct DecimalDigits {
    std::string digits;
    int exp = 0;
};

DecimalDigits ToDecimal(double v)
{
    DecimalDigits d;
    if (!(v > 0) || !std::isfinite(v))
        return d;
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific);
    std::string_view text(buf, static_cast<size_t>(res.ptr - buf));
    size_t e = text.find('e');
    for (char c : text.substr(0, e))
        if (c != '.')
            d.digits += c;
    int ex = 0;
    std::from_chars(text.data() + e + 1 + (text[e + 1] == '+'), text.data() + text.size(), ex);
    d.exp = ex + 1;
    while (!d.digits.empty() && d.digits.back() == '0')
        d.digits.pop_back();
    return d;
}

// Keeps `keep` significant digits, an exact half going away from zero.
void RoundDigits(DecimalDigits& d, int keep)
{
    if (d.digits.empty() || keep >= static_cast<int>(d.digits.size()))
        return;
    if (keep < 0) {
        d.digits.clear();
        return;
    }
    bool up = d.digits[static_cast<size_t>(keep)] >= '5';
    d.digits.resize(static_cast<size_t>(keep));
    if (up) {
        int k = keep - 1;
        while (k >= 0 && d.digits[static_cast<size_t>(k)] == '9')
            d.digits[static_cast<size_t>(k--)] = '0';
        if (k >= 0)
            ++d.digits[static_cast<size_t>(k)];
        else {
            d.digits.insert(d.digits.begin(), '1');
            ++d.exp;
        }
    }
    while (!d.digits.empty() && d.digits.back() == '0')
        d.digits.pop_back();
}

// Digits from position `from` (0 = the first significant digit) for `count`
// places, zeros where the number has none.
std::string DigitRun(const DecimalDigits& d, int from, int count)
{
    std::string out;
    for (int k = from; k < from + count; ++k)
        out += k >= 0 && k < static_cast<int>(d.digits.size()) ? d.digits[static_cast<size_t>(k)] : '0';
    return out;
}

// Number picture: literal text around a run of '0', '#', ',' and '.'; '0' forces a
// digit, '#' an optional one, a ',' in the integer part groups thousands; "E+00",
// "E-00" (or "e") after the run write the number in scientific form with at least
// that many exponent digits, the sign always with '+' and only when negative with
// '-'. A second section after ';' is used for negative numbers. Halves round away
// from zero.
std::string FormatPicture(std::string pic, double x)
{
    if (pic.empty())
        return ArtFormulaFloatToStr(x);
    size_t semi = pic.find(';');
    bool negSection = false;
    if (semi != std::string::npos) {
        if (x < 0 && semi + 1 < pic.size() && pic.find(';', semi + 1) != semi + 1) {
            size_t end = pic.find(';', semi + 1);
            pic = pic.substr(semi + 1, end == std::string::npos ? std::string::npos : end - semi - 1);
            negSection = true;
        } else {
            pic = pic.substr(0, semi);
        }
    }
    std::string prefix, suffix;
    int intZeros = 0, intPlaces = 0, decZeros = 0, decimals = 0;
    bool thousands = false, point = false, inRun = false, runDone = false;
    char expChar = 0, expSign = 0;
    int expDigits = 0;
    for (size_t i = 0; i < pic.size(); ++i) {
        char c = pic[i];
        bool placeholder = c == '0' || c == '#' || ((c == ',' || c == '.') && !runDone);
        if (c == '"' || c == '\'') {
            size_t close = pic.find(c, i + 1);
            std::string lit = pic.substr(i + 1, (close == std::string::npos ? pic.size() : close) - i - 1);
            (inRun || runDone ? suffix : prefix) += lit;
            if (inRun)
                runDone = true, inRun = false;
            i = close == std::string::npos ? pic.size() : close;
            continue;
        }
        if (inRun && (c == 'E' || c == 'e') && i + 1 < pic.size() && (pic[i + 1] == '+' || pic[i + 1] == '-')) {
            expChar = c;
            expSign = pic[i + 1];
            i += 2;
            while (i < pic.size() && pic[i] == '0' && expDigits < 4)
                ++expDigits, ++i;
            --i;
            runDone = true, inRun = false;
            continue;
        }
        if (placeholder && !runDone) {
            inRun = true;
            if (c == '.')
                point = true;
            else if (c == ',')
                thousands = thousands || !point;
            else if (point)
                ++decimals, decZeros += c == '0';
            else
                ++intPlaces, intZeros += c == '0';
        } else {
            if (inRun)
                runDone = true, inRun = false;
            (runDone ? suffix : prefix) += c;
        }
    }
    if (!inRun && !runDone)
        return prefix;
    double v = negSection ? std::fabs(x) : x;
    DecimalDigits d = ToDecimal(std::fabs(v));
    std::string ip, fp, exponent;
    if (expChar) {
        // As many integer digits as the picture has places (at least one).
        const int lead = std::max(intPlaces, 1);
        RoundDigits(d, lead + decimals);
        int e = d.digits.empty() ? 0 : d.exp - lead;
        ip = DigitRun(d, 0, lead);
        fp = DigitRun(d, lead, decimals);
        size_t nz = ip.find_first_not_of('0');
        ip = nz == std::string::npos ? "0" : ip.substr(nz);
        std::string ed = std::to_string(std::abs(e));
        while (static_cast<int>(ed.size()) < expDigits)
            ed.insert(ed.begin(), '0');
        exponent = std::string(1, expChar) + (e < 0 ? "-" : expSign == '+' ? "+" : "") + ed;
    } else {
        RoundDigits(d, d.exp + decimals);
        ip = d.exp > 0 ? DigitRun(d, 0, d.exp) : "0";
        if (d.digits.empty())
            ip = "0";
        fp = DigitRun(d, d.exp, decimals);
    }
    bool negative = v < 0 && !d.digits.empty();
    while (int(fp.size()) > decZeros && !fp.empty() && fp.back() == '0')
        fp.pop_back();
    if (ip == "0" && intZeros == 0)
        ip.clear();
    while (int(ip.size()) < intZeros)
        ip.insert(ip.begin(), '0');
    if (thousands)
        for (int k = int(ip.size()) - 3; k > 0; k -= 3)
            ip.insert(size_t(k), ",");
    std::string out = ip;
    if (!fp.empty())
        out += "." + fp;
    if (out.empty())
        out = "0";
    return prefix + (negative ? "-" : "") + out + exponent + suffix;
}

void fFormat(TArtFormula&, const Args& a, Item& r) { TArtFormula::SetS(r, FormatPicture(S(a, 0), N(a, 1))); }

// printf-style format with exactly one floating placeholder (%f, %e, %g, %E, %G or
// %n with thousands grouping); anything else is refused rather than handed to printf.
void fFormatF(TArtFormula&, const Args& a, Item& r)
{
    std::string fmt = S(a, 0);
    double x = N(a, 1);
    std::string out;
    int placeholders = 0;
    for (size_t i = 0; i < fmt.size(); ++i) {
        if (fmt[i] != '%') {
            out += fmt[i];
            continue;
        }
        if (i + 1 < fmt.size() && fmt[i + 1] == '%') {
            out += '%';
            ++i;
            continue;
        }
        size_t j = i + 1;
        std::string flags;
        while (j < fmt.size() && (fmt[j] == '-' || fmt[j] == '+' || fmt[j] == ' ' || fmt[j] == '0'))
            flags += fmt[j++];
        int width = 0, prec = -1;
        while (j < fmt.size() && isdigit(uchar(fmt[j])) && width < 1000)
            width = width * 10 + (fmt[j++] - '0');
        if (j < fmt.size() && fmt[j] == '.') {
            prec = 0;
            ++j;
            while (j < fmt.size() && isdigit(uchar(fmt[j])) && prec < 1000)
                prec = prec * 10 + (fmt[j++] - '0');
        }
        char conv = j < fmt.size() ? fmt[j] : '\0';
        if (conv == 'n' && prec < 0)
            prec = 2;
        if (std::string("feEgGn").find(conv) == std::string::npos || conv == '\0' || width > 100 || prec > 50 ||
            ++placeholders > 1)
            throw FormulaException("Formato no válido para FORMATF: \"" + fmt +
                                   "\" (se espera un solo campo real, como %.2f)");
        std::string field = "%" + flags + (width ? std::to_string(width) : "") +
                           (prec >= 0 ? "." + std::to_string(prec) : "") + (conv == 'n' ? 'f' : conv);
        std::string piece = ZelUtils::detail::vformat(field.c_str(), x);
        if (conv == 'n') {
            size_t first = piece.find_first_of("0123456789");
            size_t end = piece.find_first_not_of("0123456789", first);
            if (end == std::string::npos)
                end = piece.size();
            for (int k = int(end) - 3; k > int(first); k -= 3)
                piece.insert(size_t(k), ",");
        }
        out += piece;
        i = j;
    }
    if (placeholders == 0)
        throw FormulaException("Formato no válido para FORMATF: \"" + fmt +
                               "\" (se espera un solo campo real, como %.2f)");
    TArtFormula::SetS(r, out);
}

const char* const MonthShort[] = {"ene", "feb", "mar", "abr", "may", "jun", "jul", "ago", "sep", "oct", "nov", "dic"};
const char* const MonthLong[] = {"enero", "febrero", "marzo", "abril", "mayo", "junio", "julio",
                                 "agosto", "septiembre", "octubre", "noviembre", "diciembre"};
const char* const DayShort[] = {"lun", "mar", "mié", "jue", "vie", "sáb", "dom"};
const char* const DayLong[] = {"lunes", "martes", "miércoles", "jueves", "viernes", "sábado", "domingo"};

// Date picture: yyyy yy m mm mmm mmmm d dd ddd dddd h hh n nn s ss z zzz; an m right
// after an hour means minutes; text in quotes is copied.
std::string FormatDate(const std::string& pic, double dt)
{
    DateParts p = Decode(dt);
    std::string out;
    bool lastWasHour = false;
    auto two = [](int v) { return ZelUtils::Format("%02d", v); };
    for (size_t i = 0; i < pic.size();) {
        char c = char(std::tolower(uchar(pic[i])));
        size_t n = 1;
        while (i + n < pic.size() && std::tolower(uchar(pic[i + n])) == c)
            ++n;
        if (pic[i] == '"' || pic[i] == '\'') {
            size_t close = pic.find(pic[i], i + 1);
            out += pic.substr(i + 1, (close == std::string::npos ? pic.size() : close) - i - 1);
            i = close == std::string::npos ? pic.size() : close + 1;
            continue;
        }
        bool hour = false;
        switch (c) {
        case 'y': out += n <= 2 ? two(p.year % 100) : ZelUtils::Format("%04d", p.year); break;
        case 'm':
            if (lastWasHour && n <= 2)
                out += n == 1 ? std::to_string(p.minute) : two(p.minute);
            else
                out += n == 1 ? std::to_string(p.month) : n == 2 ? two(p.month)
                     : n == 3 ? MonthShort[p.month - 1] : MonthLong[p.month - 1];
            break;
        case 'd':
            out += n == 1 ? std::to_string(p.day) : n == 2 ? two(p.day)
                 : n == 3 ? DayShort[p.dow - 1] : DayLong[p.dow - 1];
            break;
        case 'h': out += n == 1 ? std::to_string(p.hour) : two(p.hour); hour = true; break;
        case 'n': out += n == 1 ? std::to_string(p.minute) : two(p.minute); break;
        case 's': out += n == 1 ? std::to_string(p.second) : two(p.second); break;
        case 'z': out += n >= 3 ? ZelUtils::Format("%03d", p.ms) : std::to_string(p.ms); break;
        default: out.append(pic, i, n); break;
        }
        if (c != ' ' && c != ':')
            lastWasHour = hour;
        i += n;
    }
    return out;
}

void fFormatDate(TArtFormula&, const Args& a, Item& r) { TArtFormula::SetS(r, FormatDate(S(a, 0), N(a, 1))); }

// ---- user interface ----
void fInput(TArtFormula& e, const Args& a, Item& r)
{
    std::string text = S(a, 2);
    if (!e.InputHook || !e.WaitingForUser([&] { return e.InputHook(S(a, 0), S(a, 1), text); }))
        text.clear();
    TArtFormula::SetS(r, text);
}
void fMsg(TArtFormula& e, const Args& a, Item& r)
{
    int flags = ClampInt(WholeArg(a, 2));
    TArtFormula::SetN(r, e.MsgHook ? e.WaitingForUser([&] { return e.MsgHook(S(a, 0), S(a, 1), flags); }) : 0);
}

} // namespace

const std::vector<TArtFormula::ATableItem>& TArtFormula::Functions()
{
    static const std::vector<ATableItem> table = {
        {"SET", 2, fSet}, {"VAL", 1, fVal}, {"DEFINE", 2, fDefine}, {"BLOCK", -1, fBlock},
        {"DEFINES", -1, fDefines}, {"INC", 1, fInc}, {"DEC", 1, fDec},
        {"SIN", 1, fSIN}, {"COS", 1, fCOS}, {"TAN", 1, fTAN},
        {"LOG", 1, fLOG}, {"LG", 1, fLG}, {"EXP", 1, fEXP}, {"SQRT", 1, fSQRT},
        {"INT", 1, fINT}, {"FRAC", 1, fFRAC}, {"ABS", 1, fABS},
        {"ATAN", 1, fATAN}, {"ASIN", 1, fASIN}, {"ACOS", 1, fACOS},
        {"ASINH", 1, fASINH}, {"ACOSH", 1, fACOSH}, {"ATANH", 1, fATANH},
        {"COSH", 1, fCOSH}, {"SINH", 1, fSINH}, {"TANH", 1, fTANH}, {"SIGN", 1, fSIGN},
        {"RND", 0, fRnd}, {"RANDOMIZE", 0, fRandomize},
        {"MAX", -1, fMax}, {"MIN", -1, fMin}, {"AVG", -1, fAvg}, {"STDDEV", -1, fStdDev},
        {"STDDEVP", -1, fStdDevP}, {"SUM", -1, fSum}, {"SUMOFSQUARES", -1, fSumSq},
        {"COUNT", -1, fCount}, {"VARIANCE", -1, fVariance}, {"VARIANCEP", -1, fVarianceP},
        {"IFF", 3, fIff}, {"CHR", 1, fChr}, {"LENGTH", 1, fLength},
        {"TRIM", 1, fTrim}, {"TRIMLEFT", 1, fTrimLeft}, {"TRIMRIGHT", 1, fTrimRight},
        {"UPPERCASE", 1, fUpper}, {"LOWERCASE", 1, fLower},
        {"MIDSTR", 3, fMidStr}, {"LEFTSTR", 2, fLeftStr}, {"RIGHTSTR", 2, fRightStr}, {"POS", 2, fPos},
        {"DATE", 1, fDate}, {"NOW", 0, fNow}, {"DAYOFWEEK", 1, fDayOfWeek},
        {"YEAR", 1, fYear}, {"MONTH", 1, fMonth}, {"DAY", 1, fDay}, {"HOUR", 1, fHour},
        {"MINUTE", 1, fMinute}, {"SECOND", 1, fSecond}, {"MILLISECOND", 1, fMillisecond},
        {"ISLEAPYEAR", 1, fIsLeapYear}, {"ENCODEDATE", 3, fEncodeDate},
        {"FORMAT", 2, fFormat}, {"FORMATF", 2, fFormatF}, {"FORMATDATE", 2, fFormatDate},
        {"ISNUMBER", 1, fIsNumber}, {"CODE", 1, fCode}, {"STRINGOFCHAR", 2, fStringOfChar},
        {"INPUT", 3, fInput}, {"MSG", 3, fMsg},
    };
    return table;
}
