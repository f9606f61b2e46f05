// The inspection listing (.lpl) of the suite's network-inspection module: per
// junction the simulated delays, queues and capacities of its movements and entry
// arms, and a summary line per link; read with a small state machine.
#include "model/PalvonListings.h"

#include "model/KDVlib.h"
#include "model/ListingLines.h"
#include "model/PalvonRead.h"
#include "model/PalvonVars.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"

#include <filesystem>
#include <vector>

namespace PalvonRead {

int32_t LplVersion = 10;

using ZelUtils::Copy;
using ZelUtils::Format;
using Listing::IntField;
using Listing::RealField;

namespace {

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

// The seven values of an arm or movement line, in the order of the variables they
// go to (link 18..24, movement 9..15).
template <class Values>
void ReadSharedLayout(const std::string& line, Values& var, int firstVar)
{
    static const int cols[7][2] = {{14, 6}, {36, 6}, {42, 7}, {49, 6}, {55, 7}, {62, 7}, {69, 6}};
    for (int i = 0; i < 7; ++i)
        var[firstVar + i] = RealField(line, cols[i][0], cols[i][1]);
}

void ReadLplBlockA(int32_t link, const std::string& line) { ReadSharedLayout(line, Arcos[link].Var, 18); }

void ReadLplBlockC(int32_t movement, const std::string& line) { ReadSharedLayout(line, Movims[movement].Var, 9); }

// A link summary line of the link table, its values stored when `store`; false
// when its link is not in the network.
bool ReadLplBlockB(const std::string& line, bool store)
{
    const int32_t a = IntField(line, 2, 5);
    const int32_t b = LplVersion == 11 ? IntField(line, 7, 6) : IntField(line, 7, 5);
    const int32_t k = KDVlib::FindArco(a, b);
    if (k <= 0)
        return false;
    if (!store)
        return true;
    TLinkVars& var = Arcos[k].Var;
    var[22] = RealField(line, 28, 7);
    var[23] = RealField(line, 49, 7);
    var[24] = RealField(line, 56, 6);
    var[21] = RealField(line, 62, 6);
    var[25] = RealField(line, 68, 6);
    var[26] = RealField(line, 74, 6);
    return true;
}

} // namespace

bool ReadLpl(const std::string& fileName)
{
    std::vector<std::string> lines;
    if (!Listing::OpenLines(fileName, lines))
        return false;
    ViewerServices& ui = Services();
    const std::string name = std::filesystem::path(fileName).filename().string();

    // What one pass over the lines met: lines whose link or movement is in this
    // network (`found`) and lines that name one it lacks (`missing`).
    struct TPass {
        bool tables = false;      // a junction's table or the link table seen
        bool inLinkTable = false; // the file ended inside the link table
        int32_t node = 0;         // the junction whose table was being read at the end
        bool unfinished = false;  // ... with its last arm pending
        int found = 0, missing = 0;
    };
    Listing::TUnreadableLines unreadable;
    // The state machine over every line; values are stored only with `store`.
    auto scan = [&](bool store) {
        TPass p;
        LplVersion = 10;
        int32_t pendingA = 0; // entry node of the arm whose last line is pending, 0 = none
        size_t pendingLine = 0;
        auto tally = [&p](bool ours) { ++(ours ? p.found : p.missing); };
        // The seven values of an arm or movement line, the six of a link summary line.
        auto check = [&](size_t i, bool summary) {
            if (!store)
                return;
            if (summary)
                unreadable.Check(lines[i], i, {{28, 7}, {49, 7}, {56, 6}, {62, 6}, {68, 6}, {74, 6}});
            else
                unreadable.Check(lines[i], i, {{14, 6}, {36, 6}, {42, 7}, {49, 6}, {55, 7}, {62, 7}, {69, 6}});
        };
        // An entry arm takes the values of its last movement line.
        auto flushPending = [&](int32_t unlessA) {
            if (pendingA > 0 && pendingA != unlessA)
                if (int32_t k = KDVlib::FindArco(pendingA, p.node); k > 0) {
                    if (store) {
                        ReadLplBlockA(k, lines[pendingLine]);
                        check(pendingLine, false);
                    }
                    ++p.found;
                }
        };
        for (size_t i = 0; i < lines.size(); ++i) {
            const std::string& s = lines[i];
            if (Copy(s, 45, 15) == "PALVON Suite 11")
                LplVersion = 11;
            if (StartsWith(s, "     LINK       "))
                p.inLinkTable = p.tables = true;
            if (StartsWith(s, " N.B."))
                p.inLinkTable = false;
            if (p.inLinkTable && s.size() >= 13 && s[12] == 'S') {
                const bool ours = ReadLplBlockB(s, store);
                tally(ours);
                if (ours)
                    check(i, true);
            }
            if (StartsWith(s, "           EXTERNAL NODE"))
                p.node = 0;
            if (StartsWith(s, "  OVERALL")) {
                if (p.node > 0)
                    flushPending(0);
                p.node = 0;
                pendingA = 0;
            }
            if (StartsWith(s, "     NODE ")) {
                p.tables = true;
                p.node = IntField(s, 11, 5);
                pendingA = 0;
            }
            if (p.node > 0 && ZelUtils::IsNumber(ZelUtils::RemoveBlanks(Copy(s, 1, 6)))) {
                const int32_t a = IntField(s, 1, 6);
                const int32_t c = IntField(s, 7, 6);
                if (a > 0) {
                    // A movement always has an exit node: 0 would make the finder take any exit.
                    if (c > 0) {
                        const int32_t m = KDVlib::FindMovim(a, p.node, c);
                        if (m > 0 && store) {
                            ReadLplBlockC(m, s);
                            check(i, false);
                        }
                        // A turn between two links of this network at a junction it
                        // gives without movements is no sign of another network.
                        if (m > 0 || KDVlib::FindArco(a, p.node) <= 0 || KDVlib::FindArco(p.node, c) <= 0)
                            tally(m > 0);
                    }
                    flushPending(a);
                    pendingA = a;
                    pendingLine = i;
                }
            }
            if (StartsWith(s, " FROM") && p.node > 0) {
                const int32_t a = LplVersion == 11 ? IntField(s, 6, 6) : IntField(s, 6, 5);
                const int32_t k = KDVlib::FindArco(a, p.node);
                if (k > 0 && store) {
                    ReadLplBlockA(k, s);
                    check(i, false);
                }
                tally(k > 0);
                pendingA = 0;
            }
            if (store && ((i & 511u) == 0 || i + 1 == lines.size()))
                ui.SetProgressPosition(static_cast<int>(i + 1));
        }
        p.unfinished = p.node > 0 && pendingA > 0;
        return p;
    };

    // Looked over first: any other file (a network, a listing of another kind)
    // would stand as a listing of zeros in the grids, with nothing said, and the
    // listing of another network, read over the one before, would leave the grids
    // a mixture of the two (a network shares a few link numbers with many
    // another): neither is read, and the caption must not name it.
    const TPass look = scan(false);
    auto refuse = [&](const std::string& why) {
        ui.SetProgressPosition(0);
        ui.SetProgressVisible(false);
        ui.ShowMessage(why);
        return false;
    };
    if (!look.tables)
        return refuse(Format("El archivo %s no tiene tablas de nodos ni de arcos de un listado de "
                             "inspección:\rno se leyó ningún valor.",
                             name));
    if (look.found == 0)
        return refuse(Format("El archivo %s no tiene ningún arco ni movimiento de esta red:\r"
                             "no se leyó ningún valor.",
                             name));
    if (look.missing > look.found)
        return refuse(Format("El archivo %s es de otra red: %d de sus %d arcos y movimientos no son de esta red.\r"
                             "No se leyó ningún valor.",
                             name, look.missing, look.found + look.missing));
    const TPass read = scan(true);
    ui.SetProgressPosition(0);
    ui.SetProgressVisible(false);
    Network.LplLoaded = 1;

    for (int32_t k = 1; k <= Network.LinkCount; ++k) {
        TLinkVars& var = Arcos[k].Var;
        if (var[24] == 0.0f)
            var[24] = var[16] * 100.0f;
    }
    unreadable.Tell(fileName);
    if (read.unfinished)
        ui.ShowMessage(Format("El archivo %s termina dentro de la tabla del nodo %d:\r"
                              "el último acceso de ese nodo queda sin valores.",
                              name, read.node));
    // The link table ends with its " N.B." line: without it the file was cut, and
    // the links after the last line read keep the values they had.
    if (read.inLinkTable)
        ui.ShowMessage(Format("El archivo %s termina dentro de la tabla de arcos:\r"
                              "se guardaron sólo los valores de los arcos leídos hasta allí.",
                              name));
    return true;
}

} // namespace PalvonRead
