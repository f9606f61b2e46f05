#include "map/Ranges.h"

#include "model/ZelUtils.h"
#include "platform/IniFile.h"

#include <QColor>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace {

constexpr const char* RangeKeyPrefix = "Rangos_";

// Lightness added to the n-th variable's colour, in 240ths.
constexpr int32_t LightnessSteps[MaxShownVars] = {0, 50, 70, 85, 94, 95, 97, 97, 99, 99};

// A bound as the shortest general text that reads back to the same single value
// (never more than 15 significant digits), exponent written "E" without a plus sign
// or leading zeros (1E15, 1E-5), as the suite's settings files carry them.
std::string GeneralFloat(float v)
{
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general);
    std::string s(buf, r.ptr);
    size_t e = s.find('e');
    if (e == std::string::npos)
        return s;
    std::string mantissa = s.substr(0, e);
    std::string exponent = s.substr(e + 1);
    bool negative = !exponent.empty() && exponent[0] == '-';
    if (!exponent.empty() && (exponent[0] == '-' || exponent[0] == '+'))
        exponent.erase(0, 1);
    exponent.erase(0, std::min(exponent.find_first_not_of('0'), exponent.size() - 1));
    return mantissa + "E" + (negative ? "-" : "") + exponent;
}

} // namespace

namespace KDVlib {

int32_t RangeName(const TViewState& view, const std::string& name)
{
    const std::string key = ZelUtils::UpperCase(RangeKeyPrefix + name);
    for (size_t i = 0; i < view.RangeSetKeys.size(); ++i)
        if (ZelUtils::UpperCase(view.RangeSetKeys[i]) == key)
            return static_cast<int32_t>(i);
    return -1;
}

void ParseRanges(TViewState& view, const std::string& text)
{
    std::vector<std::string> f = ZelUtils::SplitString(text, ';');
    if (f.size() != RangeListFields)
        f = ZelUtils::SplitString(Ranges::DefaultRangeText, ';');
    for (int c = 0; c < RangeListClasses; ++c) {
        TRangeClass& r = view.RangeTable[static_cast<size_t>(c)];
        r.High = static_cast<float>(ZelUtils::ParseReal(f[static_cast<size_t>(3 * c)]));
        r.Color = static_cast<uint32_t>(ZelUtils::Round(ZelUtils::ParseReal(f[static_cast<size_t>(3 * c + 1)])));
        r.Active = f[static_cast<size_t>(3 * c + 2)] == "1";
    }
    view.RangeTable[0].Low = view.RangeTable[0].High;
    for (int c = 1; c < RangeListClasses; ++c)
        view.RangeTable[static_cast<size_t>(c)].Low = view.RangeTable[static_cast<size_t>(c - 1)].High;
}

} // namespace KDVlib

namespace Ranges {

void SetDefaultRangeTable()
{
    static const uint32_t colors[7] = {0x00FFFF, 0xFFFF00, 0x80FF80, 0xFF80FF, 0x0080FF, 0x0000FF, 0x00FFFF};
    for (auto& r : UserView().RangeTable)
        r = TRangeClass{};
    for (int i = 0; i <= 6; ++i)
        UserView().RangeTable[static_cast<size_t>(i)].Color = colors[i];
    for (int i = 1; i <= 5; ++i) {
        TRangeClass& r = UserView().RangeTable[static_cast<size_t>(i)];
        r.Active = true;
        r.Low = static_cast<float>((i - 1) * 0.25);
        r.High = static_cast<float>(i * 0.25);
    }
    UserView().NumRanges = 5;
    UserView().MovimRangeTable = UserView().RangeTable;
}

void SetDefaults()
{
    SetDefaultRangeTable();
    UserView().RangeMin = UserView().RangeMax = 0.0f;
    UserView().RangeMovimMin = UserView().RangeMovimMax = 0.0f;
    UserView().RangeName = UserView().RangeMovimName = "null";
    UserView().RangeMode = 1;
    UserView().RangeVarByMode.fill(0);
    // Only mode 1 has colours of its own; the other modes start with the same pair.
    UserView().ModePenColors.fill(0x80FFFF);
    UserView().ModeBrushColors.fill(0x8080FF);
    UserView().RangeVarArcos = UserView().RangeItemMovim = UserView().RangeVarMovim = UserView().AttrColumn = 0;
    UserView().ShownVarList.clear();
    UserView().SelectedMovimVars.clear();
    for (int i = 0; i < MaxShownVars; ++i)
        UserView().VarColors[static_cast<size_t>(i)] = UserView().MovimVarColors[static_cast<size_t>(i)] =
            AjustaColor(UserView().ModePenColors[1], i);
    UserView().DataLayerKind = 1;
    UserView().RangeSymbolSize = 15;
    UserView().ScaleFixed = false;
    UserView().GenatrCol = 0;
    UserView().MovimDrawMode = false;
}

void FillDefaultClasses(TRangeArray& table, int32_t numRanges, float minimum, float maximum)
{
    table[0].Low = table[0].High = minimum;
    const int last = std::clamp(numRanges, 0, MaxRangeClasses);
    const bool constant = !(maximum > minimum);
    for (int c = 1; c <= last; ++c) {
        TRangeClass& r = table[static_cast<size_t>(c)];
        if (constant) {
            // One value, one class: five classes of no width would all read "v - v".
            r.Low = r.High = minimum;
            r.Active = c == 1;
            continue;
        }
        r.Active = true;
        const double span = double(maximum) - double(minimum);
        // The bottom class starts at the minimum itself (it is closed below).
        r.Low = c == 1 ? minimum : static_cast<float>(span * (c - 1) / 5.0 + (0.00001 + double(minimum)));
        r.High = static_cast<float>(span * c / 5.0 + (0.00001 + double(minimum)));
    }
}

void FillDefaultRanges(TViewState& view, float minimum, float maximum)
{
    FillDefaultClasses(view.RangeTable, view.NumRanges, minimum, maximum);
}

std::string RangeListText()
{
    std::string s;
    for (int c = 0; c < RangeListClasses; ++c) {
        const TRangeClass& r = UserView().RangeTable[static_cast<size_t>(c)];
        if (c > 0)
            s += ';';
        s += GeneralFloat(r.High) + ';' + std::to_string(r.Color) + ';' + (r.Active ? "1" : "0");
    }
    return s;
}

void StoreRangeSet(const std::string& name)
{
    int32_t i = KDVlib::RangeName(UserView(), name);
    if (i >= 0) {
        UserView().RangeSetKeys.erase(UserView().RangeSetKeys.begin() + i);
        if (static_cast<size_t>(i) < UserView().RangeNames.size())
            UserView().RangeNames.erase(UserView().RangeNames.begin() + i);
    }
    UserView().RangeSetKeys.push_back(RangeKeyPrefix + name);
    UserView().RangeNames.resize(UserView().RangeSetKeys.size() - 1);
    UserView().RangeNames.push_back(RangeListText());
}

bool ApplySavedRangeSet(TViewState& view, const std::string& name)
{
    int32_t i = KDVlib::RangeName(view, name);
    if (i < 0 || static_cast<size_t>(i) >= view.RangeNames.size())
        return false;
    KDVlib::ParseRanges(view, view.RangeNames[static_cast<size_t>(i)]);
    return true;
}

void PrepareRanges(TViewState& view, const std::string& name, float minimum, float maximum)
{
    if (!ApplySavedRangeSet(view, name))
        FillDefaultRanges(view, minimum, maximum);
}

void ReadRangeSets(const TIniFile& ini, const std::string& section)
{
    UserView().RangeSetKeys.clear();
    UserView().RangeNames.clear();
    for (const std::string& key : ini.ReadSection(section)) {
        if (ZelUtils::UpperCase(key.substr(0, 7)) != "RANGOS_")
            continue;
        UserView().RangeSetKeys.push_back(key);
        UserView().RangeNames.push_back(ini.ReadString(section, key, "null"));
    }
}

void WriteRangeSets(TIniFile& ini, const std::string& section)
{
    for (size_t i = 0; i < UserView().RangeSetKeys.size() && i < UserView().RangeNames.size(); ++i)
        ini.WriteString(section, UserView().RangeSetKeys[i], UserView().RangeNames[i]);
}

bool ClassHolds(const TRangeArray& table, int32_t c, float v)
{
    if (c < 0 || c > MaxRangeClasses)
        return false;
    const TRangeClass& r = table[static_cast<size_t>(c)];
    if (c == 0)
        return r.Active && v == r.High; // off, the minimum goes to the bottom class
    if (c == 1) // its Low too, unless the minimum class, switched on, takes it
        return (r.Low < v || (r.Low == v && !ClassHolds(table, 0, v))) && v <= r.High;
    return r.Low < v && v <= r.High;
}

TRangeHit ClassifyValue(const TRangeArray& table, int32_t numRanges, float v, uint32_t& color)
{
    // Classes edited in the range dialog may overlap: every class holding the value
    // is applied in order, an active one giving its colour, an inactive one leaving
    // the value out for good (a later active class does not bring it back).
    TRangeHit hit = TRangeHit::None;
    const int last = std::clamp(numRanges, 0, MaxRangeClasses);
    for (int c = 0; c <= last; ++c) {
        const TRangeClass& r = table[static_cast<size_t>(c)];
        if (ClassHolds(table, c, v)) {
            if (r.Active) {
                color = r.Color;
                if (hit != TRangeHit::Suppressed)
                    hit = TRangeHit::Drawn;
            } else {
                hit = TRangeHit::Suppressed;
            }
        }
    }
    return hit;
}

TRangeHit ClassifyValue(const TViewState& view, float v, uint32_t& color)
{
    return ClassifyValue(view.RangeTable, view.NumRanges, v, color);
}

const TRangeClass* LastClassOf(const TRangeArray& table, int32_t numRanges, float v)
{
    const TRangeClass* found = nullptr;
    const int last = std::clamp(numRanges, 0, MaxRangeClasses);
    for (int c = 0; c <= last; ++c)
        if (ClassHolds(table, c, v))
            found = &table[static_cast<size_t>(c)];
    return found;
}

const TRangeClass* LastClassOf(const TViewState& view, float v) { return LastClassOf(view.RangeTable, view.NumRanges, v); }

std::vector<int32_t> LegendClasses(const TRangeArray& table, int32_t numRanges)
{
    std::vector<int32_t> listed;
    const int last = std::clamp(numRanges, 0, MaxRangeClasses);
    for (int c = 0; c <= last; ++c) {
        const TRangeClass& r = table[static_cast<size_t>(c)];
        // Class 1 of no span (a constant variable) holds nothing once the minimum
        // class, switched on, takes its one value.
        const bool bottom = c == 1 && (r.Low < r.High || !ClassHolds(table, 0, r.Low));
        if (c == 0 ? r.Active : (bottom || (c > 1 && (r.Active || r.Low < r.High))))
            listed.push_back(c);
    }
    return listed;
}

int32_t LegendDecimals(const TRangeArray& table, const std::vector<int32_t>& classes, int32_t decimals)
{
    std::vector<double> bounds;
    for (int32_t c : classes)
        if (c >= 0 && c <= MaxRangeClasses)
            for (float b : {table[static_cast<size_t>(c)].Low, table[static_cast<size_t>(c)].High})
                if (std::isfinite(b))
                    bounds.push_back(b);
    std::sort(bounds.begin(), bounds.end());
    bounds.erase(std::unique(bounds.begin(), bounds.end()), bounds.end());
    int32_t d = std::max(decimals, 0);
    for (; d < std::max(decimals, 6); ++d) {
        const std::string f = "%." + std::to_string(d) + "f";
        bool apart = true;
        for (size_t i = 1; i < bounds.size() && apart; ++i)
            apart = ZelUtils::Format(f.c_str(), bounds[i - 1]) != ZelUtils::Format(f.c_str(), bounds[i]);
        if (apart)
            break;
    }
    return d;
}

std::string LegendEntryFormat(const TRangeArray& table, const std::vector<int32_t>& classes, int32_t decimals)
{
    const std::string f = "%." + std::to_string(LegendDecimals(table, classes, decimals)) + "f";
    return f + " - " + f;
}

uint32_t AjustaColor(uint32_t color, int32_t index)
{
    if (index <= 0)
        return color;
    const int32_t step = LightnessSteps[std::min(index, MaxShownVars - 1)];
    QColor c(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
    float h, s, l;
    c.getHslF(&h, &s, &l);
    if (h < 0)
        h = 0; // achromatic
    // Lighter while the colour stays readable; past that, as much darker: a bar
    // nearly white shows only its outline.
    const float lighter = l + step / 240.0f;
    l = lighter <= 0.85f ? lighter : std::max(0.1f, l - step / 240.0f);
    QColor out = QColor::fromHslF(h, s, l);
    return uint32_t(out.red()) | (uint32_t(out.green()) << 8) | (uint32_t(out.blue()) << 16);
}

bool AddShownVar(int32_t column)
{
    const std::string text = std::to_string(column);
    if (std::find(UserView().ShownVarList.begin(), UserView().ShownVarList.end(), text) != UserView().ShownVarList.end())
        return false;
    if (UserView().ShownVarList.size() >= static_cast<size_t>(MaxShownVars))
        return false;
    UserView().ShownVarList.push_back(text);
    return true;
}

int32_t ListColumn(const std::vector<std::string>& list, size_t i)
{
    if (i >= list.size())
        return 0;
    int32_t v = 0;
    const std::string& s = list[i];
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    return ec == std::errc() && p == s.data() + s.size() ? v : 0;
}

double BarWidth(double v, double scaleMax, int32_t pixsVol, bool& negative)
{
    negative = false;
    if (!(scaleMax > 0.0) || !std::isfinite(v))
        return 0.0;
    const double cap = 1.1 * pixsVol;
    double w = std::min(cap, pixsVol * v / scaleMax);
    if (w < 0) {
        negative = true;
        w = std::min(cap, -w);
    }
    return w;
}

} // namespace Ranges

namespace {
// The range settings hold their start values before any window exists.
struct RangeDefaults {
    RangeDefaults() { Ranges::SetDefaults(); }
} rangeDefaults;
} // namespace
