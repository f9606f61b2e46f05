#include "model/ZelUtils.h"

#include <gtest/gtest.h>

#include <vector>

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>

using namespace ZelUtils;

TEST(ParseNumber, IntegersAndTheirLimits)
{
    EXPECT_TRUE(ParseNumber("  12  ").isInteger());
    EXPECT_EQ(ParseNumber("  12  ").intValue, 12);
    EXPECT_EQ(ParseNumber("").intValue, 0);
    EXPECT_EQ(ParseNumber("     ").intValue, 0);
    EXPECT_EQ(ParseNumber("-3").intValue, -3);
    EXPECT_EQ(ParseNumber("3-").intValue, 0);
    EXPECT_EQ(ParseNumber("-").intValue, 0);
    EXPECT_EQ(ParseNumber("2147483647").intValue, 2147483647);
    EXPECT_EQ(ParseNumber("-2147483648").intValue, INT32_MIN);
    // Digits only are never read as a real: beyond Int32 the result is 0.
    EXPECT_EQ(ParseNumber("2147483648").asReal(), 0.0);
    EXPECT_EQ(ParseNumber("99999999999999999999").asReal(), 0.0);
}

TEST(ParseNumber, RealsAreSinglePrecisionAndStrict)
{
    for (const char* s : {"1.5", "1.5E0", "1.5e0", "15E-1", " 1.5 "}) {
        NumberValue v = ParseNumber(s);
        EXPECT_FALSE(v.isInteger()) << s;
        EXPECT_DOUBLE_EQ(v.asReal(), 1.5) << s;
    }
    for (const char* s : {"1,5", "+1.5", "1.5D0", "1. 5", "1.5.2", "E5", ".", "1.5X"})
        EXPECT_EQ(ParseNumber(s).asReal(), 0.0) << s;
    EXPECT_EQ(ParseNumber("0.1").asReal(), double(0.1f));
    EXPECT_NE(ParseNumber("0.1").asReal(), 0.1);
    EXPECT_EQ(ParseNumber("123456789.0").asReal(), double(123456789.0f));
    EXPECT_EQ(ParseNumber("1E6").asInt(), 1000000);
    EXPECT_EQ(ParseNumber("-.5").asReal(), -0.5);
}

// A number typed into a box: the decimal comma reads as the point; what is no
// number is refused and leaves the value as it was (files keep ParseNumber's rules).
TEST(ParseTyped, DecimalCommaReadsAsThePointAndTheRestIsRefused)
{
    struct Case {
        const char* text;
        bool number;
        double value;
    };
    for (const Case& c : {Case{"1,5", true, 1.5}, Case{"1.5", true, 1.5}, Case{" -0,25 ", true, -0.25},
                          Case{"3", true, 3.0}, Case{"1E3", true, 1000.0}, Case{"2,5e-1", true, 0.25}, Case{"2.5e+09", true, 2.5e9},
                          Case{"3.40282347e+38", true, 3.40282347e38}, Case{"3.4028236e38", false, 0},
                          Case{"1e+", false, 0}, Case{"1+2", false, 0},
                          Case{",5", true, 0.5}, Case{"3,4028234e38", true, 3.4028234e38}, Case{"3.5e38", false, 0}, Case{"abc", false, 0},
                          Case{"", false, 0}, Case{"  ", false, 0}, Case{"1.234,5", false, 0},
                          Case{"1,2,3", false, 0}, Case{"+1", false, 0}, Case{"1 5", false, 0},
                          Case{"inf", false, 0}, Case{"nan", false, 0}, Case{"0x10", false, 0},
                          Case{"1e39", false, 0}, Case{"-", false, 0}, Case{",", false, 0}}) {
        double v = 7.0;
        EXPECT_EQ(ParseTyped(c.text, v), c.number) << c.text;
        EXPECT_DOUBLE_EQ(v, c.number ? c.value : 7.0) << c.text;
    }
}

// Every real is the single-precision rounding of the correctly rounded double, as
// from_chars reads the text: also around the limits of the short way the usual
// fields take (15 digits, powers of ten up to 22, a point without digits after it).
TEST(ParseNumber, RealsReadAsFromCharsReadsThem)
{
    auto reference = [](std::string text) {
        std::string t = text;
        bool neg = !t.empty() && t[0] == '-';
        if (neg)
            t.erase(0, 1);
        if (!t.empty() && t[0] == '.')
            t.insert(0, "0");
        double v = 0.0;
        auto r = std::from_chars(t.data(), t.data() + t.size(), v);
        EXPECT_EQ(r.ptr, t.data() + t.size()) << text;
        return neg ? -v : v;
    };
    std::mt19937 random(17);
    int checked = 0;
    for (int digits = 1; digits <= 17; ++digits)
        for (int round = 0; round < 400; ++round) {
            std::string mantissa;
            for (int k = 0; k < digits; ++k)
                mantissa += static_cast<char>('0' + random() % 10);
            const int point = static_cast<int>(random() % (digits + 1));
            std::string text = (random() % 4 == 0 ? "-" : "") + mantissa.substr(0, point) + "." + mantissa.substr(point);
            if (point == digits && random() % 2)
                text.pop_back(); // "12" is an integer: keep the point, or an exponent, to make it a real
            if (text.back() != '.' && random() % 3 == 0)
                text += (random() % 2 ? "E" : "e") + std::string(random() % 2 ? "-" : "") + std::to_string(random() % 30);
            else if (text.find('.') == std::string::npos)
                text += "E" + std::to_string(random() % 30);
            const NumberValue v = ParseNumber("  " + text + " ");
            const double exact = reference(text);
            if (std::fabs(exact) > std::numeric_limits<float>::max()) {
                // Beyond single precision: the failure value.
                EXPECT_TRUE(v.isInteger() && v.intValue == 0) << text;
                continue;
            }
            ASSERT_FALSE(v.isInteger()) << text;
            const float expected = static_cast<float>(exact);
            ASSERT_EQ(std::memcmp(&v.realValue, &expected, sizeof expected), 0)
                << text << ": " << v.realValue << " instead of " << expected;
            ++checked;
        }
    EXPECT_GT(checked, 17 * 300);
    // Ties and near-ties of single precision, written with few digits.
    EXPECT_EQ(ParseNumber("16777217").intValue, 16777217);
    EXPECT_EQ(ParseNumber("16777217.0").realValue, 16777216.0f);
    EXPECT_EQ(ParseNumber("0.30000001").realValue, 0.30000001f);
    EXPECT_EQ(ParseNumber("-0.0").realValue, 0.0f);
    EXPECT_TRUE(std::signbit(ParseNumber("-0.0").realValue));
}

// ParseReal and ParseInt give ParseNumber's value to the bit, whatever the field:
// fields like a network's (padded digits, reals, exponents) and stray texts.
TEST(ParseNumber, RealAndIntReadAsParseNumber)
{
    std::mt19937 random(29);
    const std::string alphabet = " 0123456789-+.Ee\t,x";
    auto check = [](const std::string& text) {
        const NumberValue n = ParseNumber(text);
        const double real = ParseReal(text), expected = n.asReal();
        ASSERT_EQ(std::memcmp(&real, &expected, sizeof real), 0) << "[" << text << "]";
        ASSERT_EQ(ParseInt(text), n.asInt()) << "[" << text << "]";
    };
    for (const char* text : {"", " ", "     ", "0", "    0", "000000000", "999999999", " 999999999", "1000000000",
                             "2147483647", "2147483648", "4294967296", "99999999999", "  1E6", "120.333", " -12", "-0",
                             "12 ", " 1 2", "\t12", "12\t", "+5", "0x10", "١٢", "12.", ".5", "12.E3", "1E", "1E+2",
                             "1e22", "1E99", "1.5E-3", "123456789012345.6", "1234567890123456", "0.0000000000000000000001",
                             "4595671.123", "9.99999999999999E22", "E5", "."})
        check(text);
    for (int round = 0; round < 150000; ++round) {
        std::string text;
        if (round % 3 == 2) {
            // A real as the fixed columns hold it: digits, a point, digits, an exponent.
            const auto digits = [&](size_t most) {
                std::string d;
                for (size_t k = random() % (most + 1); k > 0; --k)
                    d += static_cast<char>('0' + random() % 10);
                return d;
            };
            text = std::string(random() % 4, ' ') + digits(10);
            if (random() % 3)
                text += "." + digits(9);
            if (random() % 3 == 0)
                text += std::string(random() % 2 ? "E" : "e") + (random() % 5 ? "" : "-") + digits(3);
            if (random() % 10 == 0)
                text += ' ';
        } else if (round % 3 == 1) {
            // Right-aligned digits in a field of up to 15 columns.
            const int width = 1 + static_cast<int>(random() % 15);
            const int digits = static_cast<int>(random() % (width + 1));
            text.assign(static_cast<size_t>(width - digits), ' ');
            for (int k = 0; k < digits; ++k)
                text += static_cast<char>('0' + random() % 10);
            if (random() % 8 == 0 && !text.empty())
                text[random() % text.size()] = alphabet[random() % alphabet.size()];
        } else {
            const size_t length = random() % 13;
            for (size_t k = 0; k < length; ++k)
                text += alphabet[random() % alphabet.size()];
        }
        check(text);
    }
}

TEST(ParseNumber, RealToIntegerRoundsHalvesToEven)
{
    EXPECT_EQ(ParseInt("2.5"), 2);
    EXPECT_EQ(ParseInt("3.5"), 4);
    EXPECT_EQ(ParseInt("-2.5"), -2);
    EXPECT_EQ(ParseInt("65.43"), 65);
    EXPECT_EQ(Round(0.5), 0);
    EXPECT_EQ(Round(1.5), 2);
}

// Round answers as nearbyint (halves to even) saturated to Int32, over halves,
// near-halves, tiny and huge values, both signs and the range's edges.
TEST(ParseNumber, RoundAsNearbyintSaturated)
{
    auto reference = [](double v) -> int32_t {
        if (std::isnan(v))
            return 0;
        const double r = std::nearbyint(v);
        if (r >= 2147483647.0)
            return std::numeric_limits<int32_t>::max();
        if (r <= -2147483648.0)
            return std::numeric_limits<int32_t>::min();
        return int32_t(r);
    };
    std::vector<double> values = {0.0, -0.0, 0.49999999999999994, -0.49999999999999994, 1e-300, -1e-300,
                                  2147483646.5, 2147483646.4999998, 2147483647.0, 2147483647.5, -2147483647.5,
                                  -2147483648.4, -2147483648.5, -2147483649.0, 1e10, -1e10, 4503599627370497.0,
                                  std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                                  std::numeric_limits<double>::quiet_NaN()};
    for (int k = -3000; k <= 3000; ++k) {
        values.push_back(k + 0.5);
        values.push_back(std::nextafter(k + 0.5, 1e9));
        values.push_back(std::nextafter(k + 0.5, -1e9));
    }
    uint64_t seed = 99;
    for (int k = 0; k < 200000; ++k) {
        seed = seed * 6364136223846793005ull + 1442695040888963407ull;
        const double scale = std::ldexp(1.0, int(seed >> 59) - 2); // 1/4 .. 2^29
        values.push_back((double(int64_t(seed >> 11)) / double(1ull << 52) - 1.0) * scale * 4.0);
    }
    int wrong = 0;
    for (double v : values)
        wrong += Round(v) != reference(v);
    EXPECT_EQ(wrong, 0);
}

TEST(TextRoutines, SplitTabsKeepsOnlyWords)
{
    std::vector<std::string> w{"stale"};
    SplitTabs("\tuno  dos\t\ttres ", w);
    EXPECT_EQ(w, (std::vector<std::string>{"uno", "dos", "tres"}));
    SplitTabs("", w);
    EXPECT_TRUE(w.empty());
    EXPECT_EQ(RemoveBlanks(" a b\tc "), "ab\tc");
}

TEST(TextRoutines, NumbersAfterKeys)
{
    EXPECT_EQ(IntAfterKey("NOMADS=12,3", "NOMADS="), 12);
    EXPECT_EQ(IntAfterKey("X=1", "NOMADS="), 0);
    // Text that is not an integer gives its leading number, not a failure.
    EXPECT_EQ(IntAfterKey("NOMADS=2&END", "NOMADS="), 2);
    EXPECT_EQ(IntAfterKey("KNOBS=", "KNOBS="), 0);
    EXPECT_EQ(IntAfterKey("KNOBS=,", "KNOBS="), 0);
    EXPECT_FLOAT_EQ(RealAfterKey("ALEX=-1.5X", "ALEX="), -1.5f);
    EXPECT_FLOAT_EQ(RealAfterKey("ALEX=X1", "ALEX="), 0.0f);
    EXPECT_FLOAT_EQ(RealAfterKey("ALEX=1", "FLAREX="), 0.0f);
    // Only the leading number counts when more follows it.
    EXPECT_FLOAT_EQ(RealAfterKey("ALEX=1.5-2", "ALEX="), 1.5f);
    EXPECT_FLOAT_EQ(RealAfterKey("ALEX=1.5.2&END", "ALEX="), 1.5f);
    EXPECT_FLOAT_EQ(RealAfterKey("ALEX=-.5", "ALEX="), -0.5f);
    EXPECT_FLOAT_EQ(RealAfterKey("ALEX=-", "ALEX="), 0.0f);
    EXPECT_FLOAT_EQ(RealAfterKey("ALEX=.", "ALEX="), 0.0f);
}

TEST(TextRoutines, FlagAndCaseStrings)
{
    EXPECT_EQ(FlagsToStr4(5), "1010");
    EXPECT_EQ(StrToFlags4("1010"), 5);
    EXPECT_EQ(StrToFlags4("1"), 1);
    EXPECT_EQ(StrToFlags4("11111111"), 15);
    EXPECT_EQ(CaseToStr(2), "0010000");
    EXPECT_EQ(CaseToStr(0), "1000000");
    EXPECT_EQ(CaseToStr(7), "0000000");
    EXPECT_EQ(StrToCase("0010000"), 2);
    EXPECT_EQ(StrToCase("1000000"), 0);
    EXPECT_EQ(StrToCase("0110000"), 2);
    EXPECT_FALSE(IsNumber(""));
    EXPECT_TRUE(IsNumber("12"));
    EXPECT_FALSE(IsNumber("-12"));
}

TEST(TextRoutines, FormatIgnoresTheLocaleAndTakesStrings)
{
    EXPECT_EQ(Format("%9d%9d", 1, 22), "        1       22");
    EXPECT_EQ(Format("%.5f,%s", 3.5, std::string("x")), "3.50000,x");
    std::string longText(600, 'a');
    EXPECT_EQ(Format("%s!", longText).size(), 601u);
}
