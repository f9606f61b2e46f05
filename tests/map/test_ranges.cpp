// Value ranges: range list texts, the default rule from a variable's extremes,
// saved range sets (in memory and in a settings section), class membership, the
// colours of several variables shown together and the bar width rule.
#include "map/Ranges.h"
#include "platform/IniFile.h"
#include "support/TestUtil.h"

#include <QColor>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

namespace {

class RangesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Ranges::SetDefaults();
        UserView().RangeSetKeys.clear();
        UserView().RangeNames.clear();
    }
};

float High(int c) { return UserView().RangeTable[static_cast<size_t>(c)].High; }
float Low(int c) { return UserView().RangeTable[static_cast<size_t>(c)].Low; }

} // namespace

TEST_F(RangesTest, RangeListTextsAndTheirDefault)
{
    // Three fields: the whole default set.
    KDVlib::ParseRanges(UserView(), "1;2;1");
    const float highs[6] = {0, 0.25f, 0.5f, 0.75f, 1, 1.25f};
    const uint32_t colors[6] = {65535, 16776960, 8454016, 16744703, 33023, 255};
    for (int c = 0; c < 6; ++c) {
        EXPECT_FLOAT_EQ(High(c), highs[c]) << c;
        EXPECT_EQ(UserView().RangeTable[static_cast<size_t>(c)].Color, colors[c]) << c;
        EXPECT_EQ(UserView().RangeTable[static_cast<size_t>(c)].Active, c > 0) << c;
    }
    EXPECT_FLOAT_EQ(Low(0), 0.0f);
    EXPECT_FLOAT_EQ(Low(3), 0.5f);

    // 18 fields: "2" is off, colours rounded, each low is the class below's high.
    KDVlib::ParseRanges(UserView(), "5;1;1;10;2.6;1;20;3;2;30;4;1;40;5;0;1E3;6;1");
    EXPECT_FLOAT_EQ(Low(0), 5.0f);
    EXPECT_FLOAT_EQ(High(0), 5.0f);
    EXPECT_TRUE(UserView().RangeTable[0].Active);
    EXPECT_EQ(UserView().RangeTable[1].Color, 3u);
    EXPECT_FALSE(UserView().RangeTable[2].Active);
    EXPECT_FALSE(UserView().RangeTable[4].Active);
    EXPECT_FLOAT_EQ(Low(5), 40.0f);
    EXPECT_FLOAT_EQ(High(5), 1000.0f);

    // The text of a table reads back to the same table, bit for bit.
    Ranges::FillDefaultRanges(UserView(), 0.0f, 10.01f);
    UserView().RangeTable[3].Active = false;
    UserView().RangeTable[0].High = 1.0e-5f;
    UserView().RangeTable[5].High = 3.0e15f;
    const std::string text = Ranges::RangeListText();
    EXPECT_EQ(text.find('+'), std::string::npos) << text; // no "e+15"
    const auto before = UserView().RangeTable;
    KDVlib::ParseRanges(UserView(), text);
    for (int c = 0; c < 6; ++c) {
        EXPECT_EQ(High(c), before[static_cast<size_t>(c)].High) << c << " " << text;
        EXPECT_EQ(UserView().RangeTable[static_cast<size_t>(c)].Color, before[static_cast<size_t>(c)].Color);
        EXPECT_EQ(UserView().RangeTable[static_cast<size_t>(c)].Active, before[static_cast<size_t>(c)].Active);
    }
    EXPECT_EQ(text.substr(0, 5), "1E-5;");
    EXPECT_NE(text.find(";3E15;"), std::string::npos) << text;
    EXPECT_NE(text.find(";2.00201;"), std::string::npos) << text;
}

TEST_F(RangesTest, DefaultClassesFromTheExtremes)
{
    // A variable of 0..10, its maximum raised by 0.1 percent as the pick does it.
    Ranges::FillDefaultRanges(UserView(), 0.0f, 10.0f * 1.001f);
    EXPECT_FLOAT_EQ(Low(0), 0.0f);
    EXPECT_FLOAT_EQ(High(0), 0.0f);
    const double highs[5] = {2.00201, 4.00401, 6.00601, 8.00801, 10.01001};
    for (int c = 1; c <= 5; ++c) {
        EXPECT_NEAR(High(c), highs[c - 1], 1e-5) << c;
        EXPECT_NEAR(Low(c), c == 1 ? 0.0 : highs[c - 2], 1e-5) << c; // the bottom class starts at the minimum
        EXPECT_TRUE(UserView().RangeTable[static_cast<size_t>(c)].Active);
    }
    // The divisor stays 5 whatever NumRanges says; classes beyond it are untouched.
    UserView().NumRanges = 3;
    UserView().RangeTable[4].High = 99.0f;
    Ranges::FillDefaultRanges(UserView(), 100.0f, 200.0f);
    EXPECT_NEAR(High(3), 160.00001, 1e-4);
    EXPECT_FLOAT_EQ(High(4), 99.0f);
    // A maximum equal to the minimum gives one class holding the value, never a
    // division by zero; the legend lists that class alone.
    UserView().NumRanges = 5;
    Ranges::FillDefaultRanges(UserView(), 7.0f, 7.0f);
    EXPECT_TRUE(std::isfinite(Low(1)));
    EXPECT_EQ(Ranges::LegendClasses(UserView().RangeTable, 5), std::vector<int32_t>{1});
    uint32_t color = 0;
    EXPECT_EQ(Ranges::ClassifyValue(UserView(), 7.0f, color), Ranges::TRangeHit::Drawn);
    EXPECT_EQ(color, UserView().RangeTable[1].Color);
    // The minimum class switched on takes that value: the legend lists it alone.
    UserView().RangeTable[0].Active = true;
    EXPECT_EQ(Ranges::LegendClasses(UserView().RangeTable, 5), std::vector<int32_t>{0});
}

TEST_F(RangesTest, SavedRangeSetsAreKeptOnePerVariable)
{
    KDVlib::ParseRanges(UserView(), "0;1;0;1;2;1;2;3;1;3;4;1;4;5;1;5;6;1");
    Ranges::StoreRangeSet("F.Asig");
    KDVlib::ParseRanges(UserView(), "");
    Ranges::StoreRangeSet("Long");
    EXPECT_EQ(KDVlib::RangeName(UserView(), "f.asig"), 0);
    EXPECT_EQ(KDVlib::RangeName(UserView(), "LONG"), 1);
    EXPECT_EQ(KDVlib::RangeName(UserView(), "Cap"), -1);
    // Storing again replaces the old set: one per variable, moved to the end.
    UserView().RangeTable[2].High = 2.5f;
    Ranges::StoreRangeSet("F.ASIG");
    ASSERT_EQ(UserView().RangeSetKeys.size(), 2u);
    ASSERT_EQ(UserView().RangeNames.size(), 2u);
    EXPECT_EQ(UserView().RangeSetKeys[1], "Rangos_F.ASIG");

    // A pick applies the saved set, or the default rule when there is none.
    Ranges::PrepareRanges(UserView(), "f.asig", 0.0f, 1000.0f);
    EXPECT_FLOAT_EQ(High(2), 2.5f);
    EXPECT_FALSE(Ranges::ApplySavedRangeSet(UserView(), "Cap"));
    Ranges::PrepareRanges(UserView(), "Cap", 0.0f, 1000.0f);
    EXPECT_NEAR(High(2), 400.00001, 1e-3);

    // In a settings section: written one key per set, read back replacing the lists
    // and keeping only the keys that begin "Rangos_" in any letter case.
    testutil::TempDir tmp;
    const std::string path = tmp.file("tema.ini");
    testutil::writeFile(path, "[Tema]\r\nZoom=0;0;1;1\r\nRANGOS_Cap=1;2;1\r\nRangosLimites=0;1;2;3;4;5\r\n");
    {
        TIniFile ini(path);
        Ranges::WriteRangeSets(ini, "Tema");
    }
    const std::vector<std::string> keys = UserView().RangeSetKeys, names = UserView().RangeNames;
    UserView().RangeSetKeys = {"Rangos_Otro"};
    UserView().RangeNames = {"x"};
    TIniFile ini(path);
    Ranges::ReadRangeSets(ini, "tema");
    ASSERT_EQ(UserView().RangeSetKeys.size(), 3u);
    EXPECT_EQ(UserView().RangeSetKeys[0], "RANGOS_Cap");
    EXPECT_EQ(UserView().RangeNames[0], "1;2;1");
    EXPECT_EQ(UserView().RangeSetKeys[1], keys[0]);
    EXPECT_EQ(UserView().RangeNames[1], names[0]);
    EXPECT_EQ(UserView().RangeNames[2], names[1]);
    EXPECT_EQ(KDVlib::RangeName(UserView(), "Otro"), -1);
}

TEST_F(RangesTest, ClassOfAValue)
{
    Ranges::FillDefaultRanges(UserView(), 0.0f, 10.0f); // highs 2.00001, 4.00001, ...
    uint32_t color = 0;
    // At the edges: every value from the minimum to the maximum is in a class the
    // legend lists, and one step past either end in none.
    const std::vector<int32_t> listed = Ranges::LegendClasses(UserView().RangeTable, UserView().NumRanges);
    const struct {
        float v;
        int cls; // -1 none
    } edges[] = {{0.0f, 1},
                 {std::nextafter(0.0f, -1.0f), -1},
                 {Low(3), 2},
                 {std::nextafter(Low(3), 99.0f), 3},
                 {10.0f, 5},
                 {High(5), 5},
                 {std::nextafter(High(5), 99.0f), -1}};
    for (const auto& e : edges) {
        color = 0;
        const Ranges::TRangeHit hit = Ranges::ClassifyValue(UserView(), e.v, color);
        EXPECT_EQ(hit, e.cls < 0 ? Ranges::TRangeHit::None : Ranges::TRangeHit::Drawn) << e.v;
        if (e.cls >= 0) {
            EXPECT_EQ(color, UserView().RangeTable[size_t(e.cls)].Color) << e.v;
            EXPECT_NE(std::find(listed.begin(), listed.end(), e.cls), listed.end()) << e.v;
        }
    }
    EXPECT_EQ(Ranges::ClassifyValue(UserView(), 3.0f, color), Ranges::TRangeHit::Drawn);
    EXPECT_EQ(color, UserView().RangeTable[2].Color);
    // A value equal to a class's lower bound belongs to the class below.
    EXPECT_EQ(Ranges::ClassifyValue(UserView(), Low(3), color), Ranges::TRangeHit::Drawn);
    EXPECT_EQ(color, UserView().RangeTable[2].Color);
    // A value exactly on a class's upper bound is in that class.
    EXPECT_EQ(Ranges::ClassifyValue(UserView(), UserView().RangeTable[3].High, color), Ranges::TRangeHit::Drawn);
    EXPECT_EQ(color, UserView().RangeTable[3].Color);
    EXPECT_EQ(Ranges::LastClassOf(UserView(), UserView().RangeTable[3].High), &UserView().RangeTable[3]);
    // Outside every class: none (the colour map draws it white).
    color = 0;
    EXPECT_EQ(Ranges::ClassifyValue(UserView(), 50.0f, color), Ranges::TRangeHit::None);
    EXPECT_EQ(Ranges::ClassifyValue(UserView(), -1.0f, color), Ranges::TRangeHit::None);
    EXPECT_EQ(color, 0u);
    // An inactive class suppresses its values.
    UserView().RangeTable[4].Active = false;
    EXPECT_EQ(Ranges::ClassifyValue(UserView(), 7.0f, color), Ranges::TRangeHit::Suppressed);
    // Overlapping classes (as the range dialog allows): an inactive class leaves the
    // value out even when a later active class also holds it; of two active classes
    // the later gives the colour.
    UserView().RangeTable[5].Low = 6.0f;
    EXPECT_EQ(Ranges::ClassifyValue(UserView(), 7.0f, color), Ranges::TRangeHit::Suppressed);
    UserView().RangeTable[4].Active = true;
    EXPECT_EQ(Ranges::ClassifyValue(UserView(), 7.0f, color), Ranges::TRangeHit::Drawn);
    EXPECT_EQ(color, UserView().RangeTable[5].Color);
    // The minimum class switched on (as the range dialog lets the user do) takes
    // the least value in its own colour, the one its legend entry shows; the
    // bottom class keeps the rest.
    UserView().RangeTable[0].Active = true;
    UserView().RangeTable[0].Color = 0x123456;
    EXPECT_EQ(Ranges::LegendClasses(UserView().RangeTable, UserView().NumRanges).front(), 0);
    EXPECT_EQ(Ranges::ClassifyValue(UserView(), 0.0f, color), Ranges::TRangeHit::Drawn);
    EXPECT_EQ(color, 0x123456u);
    EXPECT_EQ(Ranges::LastClassOf(UserView(), 0.0f), &UserView().RangeTable[0]);
    EXPECT_EQ(Ranges::ClassifyValue(UserView(), 1.0f, color), Ranges::TRangeHit::Drawn);
    EXPECT_EQ(color, UserView().RangeTable[1].Color);
}

TEST_F(RangesTest, ColoursOfVariablesShownTogether)
{
    const uint32_t base = 0x0000C0; // dark red
    EXPECT_EQ(Ranges::AjustaColor(base, 0), base);
    auto lightness = [](uint32_t c) {
        return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)).lightnessF();
    };
    EXPECT_NEAR(lightness(Ranges::AjustaColor(base, 1)), lightness(base) + 50.0 / 240, 0.01);
    EXPECT_NEAR(lightness(Ranges::AjustaColor(base, 2)), lightness(base) + 70.0 / 240, 0.01);
    // A step that would make the colour nearly white darkens it instead, and the
    // variables shown together still differ from one another.
    std::set<uint32_t> seen;
    for (uint32_t light : {0xF0F0F0u, 0x80FFFFu, 0xEAFFFFu})
        for (int i = 1; i < 10; ++i) {
            const uint32_t c = Ranges::AjustaColor(light, i);
            EXPECT_LE(lightness(c), 0.86) << std::hex << light << " " << i;
            if (light == 0x80FFFFu && i <= 3) {
                EXPECT_TRUE(seen.insert(c).second) << i;
            }
        }

    // At most ten columns, none twice.
    for (int c = 2; c < 12; ++c)
        EXPECT_TRUE(Ranges::AddShownVar(c)) << c;
    EXPECT_FALSE(Ranges::AddShownVar(12));
    UserView().ShownVarList.resize(3);
    EXPECT_FALSE(Ranges::AddShownVar(3));
    EXPECT_EQ(UserView().ShownVarList.size(), 3u);
    EXPECT_TRUE(Ranges::AddShownVar(40));
    EXPECT_EQ(Ranges::ListColumn(UserView().ShownVarList, 3), 40);
    EXPECT_EQ(Ranges::ListColumn({"x"}, 0), 0);
    EXPECT_EQ(Ranges::ListColumn({"1"}, 1), 0);
}

TEST_F(RangesTest, BarWidths)
{
    bool negative = false;
    EXPECT_DOUBLE_EQ(Ranges::BarWidth(50, 100, 20, negative), 10.0);
    EXPECT_FALSE(negative);
    EXPECT_DOUBLE_EQ(Ranges::BarWidth(500, 100, 20, negative), 22.0); // 1.1 x PixsVol
    EXPECT_DOUBLE_EQ(Ranges::BarWidth(-50, 100, 20, negative), 10.0);
    EXPECT_TRUE(negative);
    EXPECT_DOUBLE_EQ(Ranges::BarWidth(-5000, 100, 20, negative), 22.0);
    // A scale maximum of 0 (or less) draws no bar instead of dividing by it.
    EXPECT_DOUBLE_EQ(Ranges::BarWidth(50, 0, 20, negative), 0.0);
    EXPECT_DOUBLE_EQ(Ranges::BarWidth(50, -3, 20, negative), 0.0);
}
