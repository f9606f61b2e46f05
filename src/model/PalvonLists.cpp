// The zone pass (zones and their connectors from the zone-connector entries of
// sections 22222 and 33333), the data-list file named by FILKNB, section 44444
// (link marks) and section 88888 (cost coefficients per user class).
#include "model/FileUtils.h"
#include "model/KDVlib.h"
#include "model/PalvonRead.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"

#include <algorithm>
#include <map>

using ZelUtils::Format;

namespace PalvonRead {

// Reset hooks of the other section files.
void ResetCoordinateState();
void ResetTransitState();

namespace {

int32_t IntField(const std::string& s, int first, int width) { return ZelUtils::ParseInt(Field(s, first, width)); }

// First link leaving node a in key order (links are sorted by A, then B), 0 if none.
int32_t FirstLinkFrom(int32_t a)
{
    int32_t lo = 1, hi = Network.LinkCount, found = 0;
    while (lo <= hi) {
        int32_t mid = (lo + hi) / 2;
        if (Arcos[mid].A >= a) {
            if (Arcos[mid].A == a)
                found = mid;
            hi = mid - 1;
        } else {
            lo = mid + 1;
        }
    }
    return found;
}

// Zones that had more connectors than a zone record holds.
std::vector<int32_t> overfullZones;
bool sections88888Reported = false;
bool sections88888Unreadable = false;

// A value whose text is no number (a letter, a comma for the point) reads as 0:
// each goes to the error list with where it stood, so the 0 is not taken for data.
double ValueOrNote(const std::string& text, const std::string& where, int& unreadable)
{
    const double value = ZelUtils::ParseReal(text);
    if (value == 0.0 && !SaysZero(text)) {
        ++unreadable;
        AddError(Format("%s: \"%s\" no es un número; se leyó como 0", where, ZelUtils::Trim(text)));
    }
    return value;
}

class ZonePass {
public:
    void Run()
    {
        for (const std::string& s : ZoneConnectorList)
            Entry(s);
        Report();
    }

private:
    void Entry(const std::string& s)
    {
        int32_t number = IntField(s, 1, 5);
        if (number <= 0) {
            // An entry without a zone number (a blank line in the link section, say)
            // belongs to no zone; it must not land in the previous one.
            AddError("Conector de zona sin número de zona válido, se omite: \"" + s + "\"");
            ++skippedEntries_;
            return;
        }
        if (!haveZone_ || number != last_) {
            auto it = byNumber_.find(number);
            if (it != byNumber_.end()) {
                zone_ = it->second;
            } else {
                zone_ = NewZone();
                TZona& z = Zonas[zone_];
                z.Number = number;
                z.CentroidX = z.CentroidY = UnsetLow;
                z.HasCentroid = 0;
                z.ConnectorCount = 0;
                z.Connectors.assign(1, TZoneConnector()); // index 0 unused
                byNumber_[number] = zone_;
            }
            last_ = number;
            haveZone_ = true;
        }
        char kind = s.size() >= 6 ? s[5] : ' ';
        if (kind == '1')
            PairEntry(s);
        else
            ConnectorLineEntry(s);
    }

    // Section 22222: a node pair (A, B), or one node and 0 for every link at it.
    void PairEntry(const std::string& s)
    {
        int32_t a = IntField(s, 7, 5);
        int32_t b = IntField(s, 12, 5);
        if (a > 0 && b > 0 && a != b) {
            AddLinkConnector(a, b, KDVlib::FindArco(a, b));
            return;
        }
        if (a > 0) {
            int32_t na = KDVlib::FindNodo(a);
            if (na > 0 && Nodos[na].JunctionType != 0) {
                const TNodo& node = Nodos[na];
                for (int32_t k = 0; k < node.ArmCount && k < MaxArms; ++k) {
                    int32_t other = node.Arms[k].OtherNode;
                    int32_t l = KDVlib::FindArco(a, other);
                    if (l > 0)
                        AddLinkConnector(a, other, l);
                }
            } else {
                for (int32_t l = FirstLinkFrom(a); l >= 1 && l <= Network.LinkCount && Arcos[l].A == a; ++l) {
                    int32_t to = Arcos[l].B;
                    AddLinkConnector(a, to, l);
                    if (KDVlib::FindArco(to, a) > 0)
                        AddLinkConnector(to, a, -l);
                }
            }
        }
        if (b > 0) {
            int32_t nb = KDVlib::FindNodo(b);
            if (nb > 0) {
                const TNodo& node = Nodos[nb];
                for (int32_t k = 0; k < node.ArmCount && k < MaxArms; ++k) {
                    int32_t other = node.Arms[k].OtherNode;
                    int32_t l = KDVlib::FindArco(other, b);
                    if (l > 0)
                        AddLinkConnector(other, b, l);
                }
            }
        }
    }

    // Section 33333: a connector line to one node, with its time or speed and length.
    void ConnectorLineEntry(const std::string& s)
    {
        TZoneConnector* c = AddConnector();
        if (!c)
            return;
        int w = Network.Options.NodeWidth;
        c->Kind = 1;
        c->ConnNode = IntField(s, 7, w);
        c->NodeIndex = KDVlib::FindNodo(c->ConnNode);
        c->ConnLength = IntField(s, w + 15, 5);
        c->ConnTwoWay = Field(s, w + 12, 1);
        c->ConnSpeedTag = Field(s, w + 13, 1);
        int32_t first = IntField(s, w + 7, 5);
        if (c->ConnSpeedTag == "S") {
            c->LinkIndex = first; // the speed, km/h
            c->ConnTime = first > 0 ? ZelUtils::Round(3.6 * c->ConnLength / first) : 0;
        } else {
            c->ConnTime = first;
            c->LinkIndex = first > 0 ? ZelUtils::Round(3.6 * c->ConnLength / first) : 0;
        }
    }

    void AddLinkConnector(int32_t from, int32_t to, int32_t link)
    {
        TZoneConnector* c = AddConnector();
        if (!c)
            return;
        c->Kind = 0;
        c->ConnNode = from;
        c->NodeIndex = to;
        c->LinkIndex = link;
    }

    // The next connector of the current zone, or nullptr when the zone is full.
    TZoneConnector* AddConnector()
    {
        TZona& z = Zonas[zone_];
        if (z.ConnectorCount >= MaxZoneConnectors) {
            if (overfullZones.empty() || overfullZones.back() != z.Number) {
                overfullZones.push_back(z.Number);
                AddError(Format("Zona %d: más de %d conectores; se omiten los siguientes", z.Number, MaxZoneConnectors));
            }
            return nullptr;
        }
        if (z.Connectors.empty())
            z.Connectors.resize(1);
        z.ConnectorCount += 1;
        z.Connectors.resize(static_cast<size_t>(z.ConnectorCount) + 1);
        TZoneConnector& c = z.Connectors[static_cast<size_t>(z.ConnectorCount)];
        c = TZoneConnector();
        return &c;
    }

    void Report()
    {
        if (overfullZones.empty() && skippedEntries_ == 0)
            return;
        std::string msg;
        if (!overfullZones.empty()) {
            msg = Format("Zonas con más de %d conectores (se conservan los %d primeros):", MaxZoneConnectors,
                         MaxZoneConnectors);
            for (size_t i = 0; i < overfullZones.size() && i < 20; ++i)
                msg += Format("\r  zona %d", overfullZones[i]);
            if (overfullZones.size() > 20)
                msg += Format("\r  ... y %d más", static_cast<int>(overfullZones.size() - 20));
        }
        if (skippedEntries_ > 0) {
            if (!msg.empty())
                msg += "\r";
            msg += Format("%d conectores de zona sin número de zona válido se omitieron (ver Errores.txt)",
                          skippedEntries_);
        }
        Services().ShowMessage(msg);
    }

    std::map<int32_t, int32_t> byNumber_;
    bool haveZone_ = false;
    int32_t last_ = 0;
    int32_t zone_ = 0;
    int skippedEntries_ = 0;
};

// The user classes give link variables 50+j and 65+j, movement variables 20+j and
// the entries of the class tables: beyond MaxUserClasses they would overwrite
// other variables.
void BoundUserClasses()
{
    if (Network.Options.NOMADS >= 0 && Network.Options.NOMADS <= MaxUserClasses)
        return;
    std::string msg = Format("NOMADS=%d: el número de clases de usuario debe estar entre 0 y %d; se usa %d",
                             Network.Options.NOMADS, MaxUserClasses, Network.Options.NOMADS < 0 ? 0 : MaxUserClasses);
    Network.Options.NOMADS = Network.Options.NOMADS < 0 ? 0 : MaxUserClasses;
    AddError(msg);
    Services().ShowMessage(msg);
}

} // namespace

void ResetSectionState()
{
    for (int k = 0; k <= MaxUserClasses; ++k) {
        Network.Options.ClassTimeCost[k] = 0.0f;
        Network.Options.ClassDistanceCost[k] = 0.0f;
        for (int j = 0; j <= MaxKnobValues; ++j)
            Network.Options.ClassKnobCost[k][j] = 0.0f;
    }
    // The frame resets only the first factor; the others would otherwise keep the
    // values of the previous network.
    for (int k = 2; k <= 9; ++k)
        Network.Options.BUSPCU[k] = 1.0f;
    // XYFORM widths come from the namelist of each network.
    Network.Options.XWidth = Network.Options.YWidth = 15;
    overfullZones.clear();
    sections88888Reported = false;
    sections88888Unreadable = false;
    ResetCoordinateState();
    ResetTransitState();
}

void ReadNodeDataList()
{
    // The first pass after the namelists that every read runs: the class count is
    // bounded here, before anything numbers variables by it.
    BoundUserClasses();
    ZonePass().Run();
}

void ReadDataLists()
{
    std::vector<std::string> fileLines;
    const std::string& name = Network.Options.FilknbFileName;
    if (name.empty() || !FileUtils::ReadLines(name, fileLines)) {
        std::string why = name.empty() ? std::string() : FileUtils::DataFileProblem(name);
        std::string msg = Format("FILKNB: no se puede leer el archivo de datos \"%s\"%s; no se cargan sus datos",
                                 name, why.empty() ? std::string() : " (" + why + ")");
        AddError(msg);
        Services().ShowMessage(msg);
        return;
    }
    if (fileLines.empty())
        return;
    bool comma = fileLines[0].find(',') != std::string::npos;
    int w = Network.Options.NodeWidth;
    std::vector<std::string> unknown;
    int extraDropped = 0, unreadable = 0;
    std::vector<std::string> words;
    for (const std::string& line : fileLines) {
        int32_t a = IntField(line, 1, w);
        int32_t b = IntField(line, w + 1, w);
        int32_t c = IntField(line, 2 * w + 1, w);
        if (a <= 0 || b <= 0)
            continue;
        std::string values = Field(line, 3 * w + 1, 80);
        if (comma) {
            words = ZelUtils::SplitString(values, ',');
            // A line ending in a comma has no value after it.
            if (!words.empty() && ZelUtils::Trim(words.back()).empty())
                words.pop_back();
        } else {
            ZelUtils::SplitTabs(values, words);
        }
        if (c == 0) {
            int32_t l = KDVlib::FindArco(a, b);
            if (l == 0) {
                unknown.push_back(Format("%8d%8d", a, b));
                continue;
            }
            for (size_t j = 1; j <= words.size(); ++j) {
                if (j > static_cast<size_t>(MaxKnobValues)) {
                    ++extraDropped;
                    break;
                }
                Arcos[l].Var[27 + j] = static_cast<float>(
                    ValueOrNote(words[j - 1], Format("Archivo de datos, arco %d - %d, valor %d", a, b, j), unreadable));
            }
        } else {
            int32_t m = KDVlib::FindMovim(a, b, c);
            if (m == 0) {
                unknown.push_back(Format("%8d%8d%8d", a, b, c));
                continue;
            }
            for (size_t j = 1; j <= words.size(); ++j) {
                if (j > static_cast<size_t>(MaxMovementExtraValues)) {
                    ++extraDropped;
                    break;
                }
                Movims[m].Var[30 + j] = static_cast<float>(ValueOrNote(
                    words[j - 1], Format("Archivo de datos, movimiento %d - %d - %d, valor %d", a, b, c, j), unreadable));
            }
        }
    }
    if (unreadable > 0)
        Services().ShowMessage(unreadable == 1 ? std::string("Archivo de datos: un valor que no es un número se leyó como "
                                                             "0 (detalle en Errores.txt)")
                                               : Format("Archivo de datos: %d valores que no son números se leyeron "
                                                        "como 0 (detalle en Errores.txt)",
                                                        unreadable));
    if (extraDropped > 0) {
        std::string msg = Format("Archivo de datos: %d líneas con más valores de los que caben (%d por arco, "
                                 "%d por movimiento); se ignoran los sobrantes",
                                 extraDropped, MaxKnobValues, MaxMovementExtraValues);
        AddError(msg);
        Services().ShowMessage(msg);
    }
    if (!unknown.empty()) {
        // The message lists the first keys; all of them go to the error list.
        constexpr size_t MaxListed = 40;
        std::string msg = "datos no reconocidos\r";
        for (size_t i = 0; i < unknown.size(); ++i) {
            AddError("dato no reconocido: " + unknown[i]);
            if (i < MaxListed)
                msg += "\r" + unknown[i];
        }
        if (unknown.size() > MaxListed)
            msg += Format("\r... y %d más (ver Errores.txt)", static_cast<int>(unknown.size() - MaxListed));
        Services().ShowMessage(msg);
    }
}

void ReadSection44444Line(std::string& line)
{
    int w = Network.Options.NodeWidth;
    int32_t a = IntField(line, 1, w);
    int32_t b = IntField(line, w + 1, w);
    int32_t code = IntField(line, 3 * w + 1, 5);
    int32_t l = KDVlib::FindArco(a, b);
    if (l == 0)
        return;
    Arcos[l].SetFlag(code == -2 ? 9 : 8);
    Network.LinksByClass[2] += 1;
}

void ReadSection88888Line(std::string& line)
{
    int32_t k = IntField(line, 1, 5);
    if (k < 1 || k > MaxUserClasses) {
        std::string msg = Format("Sección 88888: clase de usuario %d fuera de 1..%d, línea omitida: %s", k,
                                 MaxUserClasses, line);
        AddError(msg);
        if (!sections88888Reported) {
            sections88888Reported = true;
            Services().ShowMessage(msg);
        }
        return;
    }
    int unreadable = 0;
    auto value = [&](int first) {
        return static_cast<float>(ValueOrNote(Field(line, first, 5),
                                              Format("Sección 88888, clase %d, columnas %d-%d", k, first, first + 4),
                                              unreadable));
    };
    Network.Options.ClassTimeCost[k] = value(16);
    Network.Options.ClassDistanceCost[k] = value(21);
    int32_t knobs = std::min(Network.Options.KNOBS, MaxKnobValues);
    for (int32_t j = 1; j <= knobs; ++j)
        Network.Options.ClassKnobCost[k][j] = value(21 + 5 * j);
    if (unreadable > 0 && !sections88888Unreadable) {
        sections88888Unreadable = true; // once a read: each value is in the error list
        Services().ShowMessage("Sección 88888: costos que no son números se leyeron como 0 (detalle en Errores.txt)");
    }
}

} // namespace PalvonRead
