// Section 11111 (junctions: header, arms with lanes and turn groups, signal stages)
// and section 22222 (zone connectors given as node pairs).
#include "model/KDVvars.h"
#include "model/PalvonRead.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"

#include <algorithm>
#include <cstdlib>

using ZelUtils::Format;

namespace PalvonRead {

namespace {

constexpr int MaxValuesPerStageLine = 10;

int32_t IntField(const std::string& s, int first, int width) { return ZelUtils::ParseInt(Field(s, first, width)); }

// Where a field of a junction stands: its header, one of its arms or one of its stages.
struct Place {
    int32_t junction;
    const char* kind = nullptr; // "brazo", "etapa", or none for the header
    int index = 0;
};

// A field whose text is no number (a letter, a comma for the point) reads as 0, as
// in the link section: each goes to the error list with its text and columns, so
// the 0 is not taken for data. A 0 written as such says nothing.
void NoteIfUnreadable(double value, std::string_view text, const Place& at, int first, int width)
{
    // A junction without a number is left out whole, and said so, with its lines.
    if (value != 0.0 || SaysZero(text) || at.junction == 0)
        return;
    const std::string where = at.kind ? Format("Intersección %d, %s %d", at.junction, at.kind, at.index)
                                      : Format("Intersección %d", at.junction);
    NoteUnreadable("Valores que no son números en la sección 11111",
                   Format("%s: \"%s\" en las columnas %d-%d no es un número; se leyó como 0", where,
                          ZelUtils::Trim(text), first, first + width - 1));
}

int32_t IntField(const std::string& s, int first, int width, const Place& at)
{
    const std::string text = Field(s, first, width);
    const int32_t value = ZelUtils::ParseInt(text);
    // A number below one half rounds to 0 and is still a number.
    NoteIfUnreadable(value != 0 ? value : ZelUtils::ParseReal(text), text, at, first, width);
    return value;
}

double RealField(const std::string& s, int first, int width, const Place& at)
{
    const std::string text = Field(s, first, width);
    const double value = ZelUtils::ParseReal(text);
    NoteIfUnreadable(value, text, at, first, width);
    return value;
}

// Reads the next line that belongs to the junction being parsed. A terminator is
// not taken as one of its lines, nor the next junction's header (no arm or stage
// line has another number in columns 1-5): it is left for the section loop to read
// again, so a junction with fewer lines than announced cannot swallow the
// junctions after it. The line passed over after a "*" arm is taken as it comes.
bool NextJunctionLine(TNetworkReader& r, std::string& line, int32_t junction, bool passedOver = false)
{
    line = ReadLine(r);
    if (r.AtEnd)
        return false;
    const bool terminator = IsTerminator(line);
    // Columns 1-5 are not read on an arm or stage line: a file that tags its
    // lines there with their junction's own number reads as it always did.
    const std::string tag = Field(line, 1, 5);
    const bool otherJunction = !IsBlank(tag) && ZelUtils::ParseInt(tag) != junction;
    if (terminator || (!passedOver && otherJunction)) {
        --r.LineIndex;
        NoteUnreadable("Intersecciones con menos líneas de las anunciadas en la sección 11111",
                       Format(terminator ? "Intersección %d incompleta: la sección termina antes de todas sus "
                                           "líneas (línea %d)"
                                         : "Intersección %d incompleta: la línea %d empieza otra intersección "
                                           "antes de todas sus líneas",
                              junction, r.LineIndex + 2));
        return false;
    }
    return true;
}

// Lane count written in a lane code: its number once every "B" and "F" is removed.
int32_t LaneCount(const std::string& code, const Place& at)
{
    std::string digits;
    for (char c : code)
        if (c != 'B' && c != 'F')
            digits.push_back(c);
    const int32_t lanes = ZelUtils::ParseInt(digits);
    if (lanes == 0 && !SaysZero(digits))
        NoteIfUnreadable(lanes, code, at, 12, 4);
    return lanes;
}

void ParseTurnGroup(const std::string& line, int column, TTurnGroup& g, int32_t junction, int arm)
{
    const Place at{junction, "brazo", arm + 1};
    g.SatFlow = ZelUtils::ParseInt(ZelUtils::RemoveBlanks(Field(line, column, 5)));
    NoteIfUnreadable(g.SatFlow, Field(line, column, 5), at, column, 5);
    g.TurnCode = ZelUtils::Trim(Field(line, column + 5, 2));
    g.FirstLane = IntField(line, column + 7, 1, at);
    g.LastLane = IntField(line, column + 9, 1, at);
    if (g.FirstLane > MaxLanes || g.LastLane > MaxLanes) {
        NoteLimit("Giros por pistas mayores que 6 (se toma la 6)",
                  Format("Intersección %d, brazo %d: giro por las pistas %d a %d; se toma como máximo la pista %d",
                         junction, arm + 1, g.FirstLane, g.LastLane, MaxLanes));
        g.FirstLane = std::min(g.FirstLane, MaxLanes);
        g.LastLane = std::min(g.LastLane, MaxLanes);
    }
}

// One arm line. fileArms is the arm count of the header; when it exceeds the seven
// arms a node can hold, only turns between kept arms are stored, each under the
// group that points to the same arm among the kept ones.
void ParseArm(const std::string& line, TConector& arm, int i, int32_t fileArms, int32_t junction)
{
    const Place at{junction, "brazo", i + 1};
    arm.OtherNode = IntField(line, 6, 5, at);
    arm.ArmCode = Field(line, 11, 1);
    arm.LaneCode = ZelUtils::Trim(ZelUtils::UpperCase(Field(line, 12, 4)));
    const std::string& code = arm.LaneCode;
    int32_t lanes = LaneCount(code, at);
    if (std::abs(lanes) > MaxLanes) {
        NoteLimit("Brazos con más de 6 pistas (se toman 6)",
                  Format("Intersección %d, brazo %d: %d pistas; se toman %d", junction, i + 1, lanes, MaxLanes));
        lanes = lanes > 0 ? MaxLanes : -MaxLanes;
    }
    arm.Lanes = lanes;
    arm.HasB = code.find('B') != std::string::npos;
    arm.FlareFirst = !code.empty() && code.front() == 'F';
    arm.FlareLast = !code.empty() && code.back() == 'F';

    // A "B" marks the lane it stands on; a digit moves on by that many lanes.
    for (int k = 1; k <= MaxLanes; ++k)
        arm.LaneIsB[k] = 0;
    int k = 1;
    for (int32_t rep = 0, p = 0; rep < lanes; ++rep, ++p) {
        char c = p < static_cast<int32_t>(code.size()) ? code[static_cast<size_t>(p)] : ' ';
        if (c == 'B') {
            if (k <= MaxLanes) {
                arm.LaneIsB[k] = 1;
            } else {
                NoteLimit("Códigos de pistas que marcan pistas más allá de la 6 (no se marcan)",
                          Format("Intersección %d, brazo %d: el código de pistas \"%s\" marca la pista %d; "
                                 "se ignora",
                                 junction, i + 1, code, k));
            }
        }
        k += (c >= '0' && c <= '9') ? std::max(c - '0', 1) : 1;
    }

    if (lanes != 0) {
        double first = RealField(line, 16, 5, at);
        double distance = RealField(line, 21, 5, at) * (Network.Options.KERMIT ? 1000.0 : 1.0);
        arm.Distance = ZelUtils::Round(distance);
        if (Network.Options.SPEEDS) {
            arm.Speed = ZelUtils::Round(first);
            arm.Time = arm.Speed > 0 ? ZelUtils::Round(arm.Distance * 3.6 / arm.Speed) : 0;
        } else {
            arm.Time = ZelUtils::Round(first * (Network.Options.KERMIT ? 60.0 : 1.0));
            arm.Speed = arm.Time > 0 ? ZelUtils::Round(arm.Distance * 3.6 / arm.Time) : 0;
        }
    }

    int32_t groups = (static_cast<int32_t>(line.size()) - 25) / 10; // whole groups only
    for (int32_t j = 0; j <= fileArms - 2; ++j) {
        if (j >= groups)
            break; // the arm's groups were cleared with it
        int target = j;
        if (fileArms > MaxArms) {
            int32_t t = (i + j + 1) % fileArms;
            if (t >= MaxArms)
                continue;
            target = (t - i - 1 + MaxArms) % MaxArms;
        }
        ParseTurnGroup(line, 26 + 10 * j, arm.Turns[target], junction, i);
    }
}

// One stage and its continuation lines; false when the junction's lines ended early.
bool ParseStage(TNetworkReader& r, const std::string& line, TStage* stage, int s, int32_t junction)
{
    const Place at{junction, "etapa", s};
    int32_t count = std::max(IntField(line, 21, 5, at), 0);
    if (count % 2 != 0)
        ++count; // values come in (entry, exit) pairs
    if (stage) {
        stage->Number = s;
        stage->Green = IntField(line, 11, 5, at);
        stage->Intergreen = IntField(line, 16, 5, at);
        stage->ValueCount = std::min(count, MaxStageValues);
        for (int v = 1; v <= MaxStageValues; ++v)
            stage->Values[v] = 0;
    }
    // Ten values a line, from column 26: the stage line holds values 1-10 and each
    // continuation line the next ten (value 10 stays the one of the stage line).
    std::string cur = line;
    for (int32_t v = 1; v <= count; ++v) {
        int32_t onLine = (v - 1) / MaxValuesPerStageLine;
        if (onLine > 0 && (v - 1) % MaxValuesPerStageLine == 0 && !NextJunctionLine(r, cur, junction))
            return false;
        if (stage && v <= MaxStageValues)
            stage->Values[v] = IntField(cur, 26 + 5 * ((v - 1) % MaxValuesPerStageLine), 5, at);
    }
    // Said once the values are all there: a count the lines do not hold is the
    // short junction said above, not a stage of too many values.
    if (stage && count > MaxStageValues)
        NoteLimit("Etapas con más de 20 valores (se leen los 20 primeros)",
                  Format("Intersección %d, etapa %d: %d valores; se leen los %d primeros", junction, s, count,
                         MaxStageValues));
    return true;
}

// Keeps the first `to` of a junction's `from` arms (a junction whose lines ended
// early): each kept arm's turns into kept arms move to the group that points to
// the same arm among `to` arms; turns into the lost arms are dropped.
void KeepFirstArms(TNodo& node, int32_t from, int32_t to)
{
    for (int32_t i = 0; i < to; ++i) {
        TConector& arm = node.Arms[i];
        TTurnGroup kept[MaxArms - 1];
        for (int32_t j = 0; j <= from - 2; ++j) {
            int32_t t = (i + j + 1) % from;
            if (t < to)
                kept[(t - i - 1 + to) % to] = arm.Turns[j];
        }
        for (int j = 0; j < MaxArms - 1; ++j)
            arm.Turns[j] = kept[j];
    }
    for (int32_t i = to; i < MaxArms; ++i)
        node.Arms[i] = TConector();
    node.ArmCount = to;
}

} // namespace

void ParseJunction(TNetworkReader& r, const std::string& header)
{
    // A blank line is not a junction (it would make a node numbered 0).
    if (IsBlank(header))
        return;
    const int32_t number = IntField(header, 1, 5);
    const Place at{number};
    const int32_t fileArms = std::max(IntField(header, 6, 5, at), 0);
    const int32_t type = IntField(header, 11, 5, at);
    const int32_t fileStages = type == 3 ? std::max(IntField(header, 16, 5, at), 0) : 0;

    TNodo* node = nullptr;
    if (number == 0) {
        AddError(Format("Línea %d: intersección sin número de nodo; se ignora con sus líneas", r.LineIndex + 1));
    } else {
        node = &Nodos[NodeIndex(number)];
        if (node->Flags & 4)
            NoteRepeat("Intersecciones repetidas",
                       Format("Intersección %d repetida: sus últimos datos reemplazan a los anteriores", number));
        node->Flags = 4;
        node->Number = number;
        node->ArmCount = std::min(fileArms, MaxArms);
        node->JunctionType = type;
        // Arms keep nothing of an earlier network or an earlier header.
        for (auto& arm : node->Arms)
            arm = TConector();
        if (type < 0 || type > 5)
            AddError(Format("Intersección %d: tipo %d desconocido (los tipos van de 0 a 5)", number, type));
        if (fileArms > MaxArms)
            NoteLimit("Intersecciones con más de 7 brazos (se leen los 7 primeros)",
                      Format("Intersección %d: %d brazos; se leen los %d primeros", number, fileArms, MaxArms));
    }

    if (node && type >= 0 && type <= 5) {
        static const std::string items[6] = {"Jtype0", "Jtype1", "Jtype2", "Jtype3", "Jtype4", "Jtype5"};
        Services().SetMenuItemEnabled(items[type], true);
        Services().SetMenuItemChecked(items[type], JtypeSelected[type]);
    }

    TFase* signal = nullptr;
    if (node && type == 3) {
        Services().SetMenuItemEnabled("AnalisisIntersecciones", true);
        int32_t s = NewSignal();
        signal = &Fases[s];
        signal->Node = number;
        signal->StageCount = std::min(fileStages, MaxStages);
        signal->Offset = IntField(header, 21, 5, at);
        signal->Cycle = IntField(header, 26, 5, at);
        node->SignalIndex = s;
        if (fileStages > MaxStages)
            NoteLimit("Intersecciones con más de 6 etapas (se leen las 6 primeras)",
                      Format("Intersección %d: %d etapas; se leen las %d primeras", number, fileStages, MaxStages));
    }

    // Lines that end before all arms were read leave the junction with the arms read.
    auto armsEnded = [&](int32_t read) {
        if (node && read < node->ArmCount)
            KeepFirstArms(*node, node->ArmCount, read);
        if (signal)
            signal->StageCount = 0;
    };
    std::string line;
    for (int32_t i = 0; i < fileArms; ++i) {
        if (!NextJunctionLine(r, line, number)) {
            armsEnded(i);
            return;
        }
        if (node && i < MaxArms) {
            TConector& arm = node->Arms[i];
            ParseArm(line, arm, i, fileArms, number);
            // The far node exists from here on, so the arm's link always has both ends.
            if (arm.OtherNode != 0)
                arm.OtherIndex = NodeIndex(arm.OtherNode);
            else if (arm.Lanes != 0)
                AddError(Format("Intersección %d, brazo %d: sin nodo en el otro extremo", number, i + 1));
        }
        if (Field(line, 11, 1) == "*") {
            std::string ignored;
            if (!NextJunctionLine(r, ignored, number, true)) {
                armsEnded(i + 1);
                return;
            }
        }
    }

    // A stage whose lines are cut short is left out with the ones after it.
    for (int32_t s = 1; s <= fileStages; ++s) {
        TStage* stage = (signal && s <= MaxStages) ? &signal->Stages[s] : nullptr;
        if (!NextJunctionLine(r, line, number) || !ParseStage(r, line, stage, s, number)) {
            if (signal)
                signal->StageCount = std::min(s - 1, signal->StageCount);
            return;
        }
    }
}

void ParseSection22222(const std::string& line)
{
    const int len = static_cast<int>(line.size());
    std::string zone = Field(line, 1, 5);
    zone.resize(5, ' ');
    for (int k = 1; len >= 10 * k; ++k) {
        std::string pair = Field(line, 10 * k - 4, 10);
        pair.resize(10, ' ');
        // A node number that is no number reads as 0, which stands for every link
        // at the other node: said, so the connectors made for it are not taken
        // for the pair written.
        for (int half = 0; half < 2; ++half) {
            const std::string text = pair.substr(static_cast<size_t>(5 * half), 5);
            if (ZelUtils::ParseInt(text) == 0 && !SaysZero(text))
                NoteUnreadable("Valores que no son números en la sección 22222",
                               Format("Zona %s: \"%s\" en las columnas %d-%d no es un número; se leyó como 0",
                                      ZelUtils::Trim(zone), ZelUtils::Trim(text), 10 * k - 4 + 5 * half,
                                      10 * k + 5 * half));
        }
        if (IntField(pair, 1, 5) > 0 || IntField(pair, 6, 5) > 0)
            ZoneConnectorList.insert(zone + "1" + pair);
    }
}

void ReadJunctionLine(TNetworkReader& r, std::string& line) { ParseJunction(r, line); }

void ReadSection22222Line(std::string& line) { ParseSection22222(line); }

} // namespace PalvonRead
