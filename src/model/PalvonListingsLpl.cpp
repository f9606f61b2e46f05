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

// A link summary line of the link table; false when its link is not in the network.
bool ReadLplBlockB(const std::string& line)
{
    const int32_t a = IntField(line, 2, 5);
    const int32_t b = LplVersion == 11 ? IntField(line, 7, 6) : IntField(line, 7, 5);
    const int32_t k = KDVlib::FindArco(a, b);
    if (k <= 0)
        return false;
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
    LplVersion = 10;

    int32_t node = 0;           // junction whose table is being read, 0 = none
    int32_t pendingA = 0;       // entry node of the arm whose last line is pending, 0 = none
    size_t pendingLine = 0;
    bool inLinkTable = false;
    bool tables = false; // a junction's table or the link table seen
    int found = 0;       // lines whose link or movement is in this network
    // An entry arm takes the values of its last movement line.
    auto flushPending = [&](int32_t unlessA) {
        if (pendingA > 0 && pendingA != unlessA)
            if (int32_t k = KDVlib::FindArco(pendingA, node); k > 0) {
                ReadLplBlockA(k, lines[pendingLine]);
                ++found;
            }
    };

    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string& s = lines[i];
        if (Copy(s, 45, 15) == "PALVON Suite 11")
            LplVersion = 11;
        if (StartsWith(s, "     LINK       "))
            inLinkTable = tables = true;
        if (StartsWith(s, " N.B."))
            inLinkTable = false;
        if (inLinkTable && s.size() >= 13 && s[12] == 'S' && ReadLplBlockB(s))
            ++found;
        if (StartsWith(s, "           EXTERNAL NODE"))
            node = 0;
        if (StartsWith(s, "  OVERALL")) {
            if (node > 0)
                flushPending(0);
            node = 0;
            pendingA = 0;
        }
        if (StartsWith(s, "     NODE ")) {
            tables = true;
            node = IntField(s, 11, 5);
            pendingA = 0;
        }
        if (node > 0 && ZelUtils::IsNumber(ZelUtils::RemoveBlanks(Copy(s, 1, 6)))) {
            const int32_t a = IntField(s, 1, 6);
            const int32_t c = IntField(s, 7, 6);
            if (a > 0) {
                // A movement always has an exit node: 0 would make the finder take any exit.
                if (c > 0)
                    if (int32_t m = KDVlib::FindMovim(a, node, c); m > 0) {
                        ReadLplBlockC(m, s);
                        ++found;
                    }
                flushPending(a);
                pendingA = a;
                pendingLine = i;
            }
        }
        if (StartsWith(s, " FROM") && node > 0) {
            const int32_t a = LplVersion == 11 ? IntField(s, 6, 6) : IntField(s, 6, 5);
            if (int32_t k = KDVlib::FindArco(a, node); k > 0) {
                ReadLplBlockA(k, s);
                ++found;
            }
            pendingA = 0;
        }
        if ((i & 511u) == 0 || i + 1 == lines.size())
            ui.SetProgressPosition(static_cast<int>(i + 1));
    }
    const bool unfinished = node > 0 && pendingA > 0;
    ui.SetProgressPosition(0);
    ui.SetProgressVisible(false);
    // Any other file (a network, a listing of another kind) would stand as a
    // listing of zeros in the grids, with nothing said.
    if (!tables) {
        Services().ShowMessage(Format("El archivo %s no tiene tablas de nodos ni de arcos de un listado de "
                                      "inspección:\rno se leyó ningún valor.",
                                      std::filesystem::path(fileName).filename().string()));
        return false;
    }
    // The listing of another network: nothing of it was stored, and the caption
    // must not name it over the values of the one read before.
    if (found == 0) {
        Services().ShowMessage(Format("El archivo %s no tiene ningún arco ni movimiento de esta red:\r"
                                      "no se leyó ningún valor.",
                                      std::filesystem::path(fileName).filename().string()));
        return false;
    }
    Network.LplLoaded = 1;

    for (int32_t k = 1; k <= Network.LinkCount; ++k) {
        TLinkVars& var = Arcos[k].Var;
        if (var[24] == 0.0f)
            var[24] = var[16] * 100.0f;
    }
    if (unfinished)
        Services().ShowMessage(Format("El archivo %s termina dentro de la tabla del nodo %d:\r"
                                      "el último acceso de ese nodo queda sin valores.",
                                      std::filesystem::path(fileName).filename().string(), node));
    return true;
}

} // namespace PalvonRead
