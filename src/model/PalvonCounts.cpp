// Traffic counts: the suite's counts file gives the observed flows of links and
// turning movements; the database listing is accepted without being read.
#include "model/PalvonListings.h"

#include "model/AuxFileText.h"
#include "model/KDVlib.h"
#include "model/ListingLines.h"
#include "model/PalvonRead.h"
#include "model/PalvonVars.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"

#include <algorithm>
#include <filesystem>
#include <vector>

namespace PalvonRead {

using ZelUtils::Format;
using Listing::IntField;
using Listing::RealField;

namespace {

// A message box taller than the screen cannot be closed: a long list is cut here.
constexpr size_t MaxListedCounts = 40;

// What a count line names by its nodes A, B and C (fields w wide): a link when C
// is 0, a movement when it is above 0 (the finder would take an exit 0 or below as
// "any exit"). Record 0 each when it is none of this network's; a line whose A or
// B is not above 0 names nothing.
struct TCounted {
    int32_t A = 0, B = 0;
    int32_t Link = 0, Movement = 0;
    bool Named() const { return A > 0 && B > 0; }
};

TCounted CountedOf(const std::string& s, int w)
{
    TCounted at;
    at.A = IntField(s, 1, w);
    at.B = IntField(s, 1 + w, w);
    if (!at.Named())
        return at;
    const int32_t c = IntField(s, 1 + 2 * w, w);
    if (c == 0)
        at.Link = std::max(KDVlib::FindArco(at.A, at.B), 0);
    else if (c > 0)
        at.Movement = std::max(KDVlib::FindMovim(at.A, at.B, c), 0);
    return at;
}

} // namespace

bool ReadCounts(const std::string& fileName)
{
    std::vector<std::string> lines;
    if (!Listing::OpenLines(fileName, lines))
        return false;
    ViewerServices& ui = Services();
    // A network file is a ".dat" too: read as counts its link lines would put
    // their times on the links as observed flows. Any other file that does not
    // open with a namelist header (" &COUNTS", or "$" as a namelist may also
    // begin) would only wipe the counts read before. Blank lines may come first.
    const auto opening = std::find_if(lines.begin(), lines.end(),
                                      [](const std::string& l) { return !ZelUtils::Trim(l).empty(); });
    const std::string head = opening == lines.end()
                                 ? std::string()
                                 : ZelUtils::UpperCase(ZelUtils::RemoveBlanks(ZelUtils::Trim(*opening)));
    const std::string base = std::filesystem::path(fileName).filename().string();
    const bool network = head.rfind("&OPTION", 0) == 0 || head.rfind("$OPTION", 0) == 0;
    if (network || head.empty() || (head[0] != '&' && head[0] != '$')) {
        ui.ShowMessage(network ? Format("El archivo %s es una red, no un archivo de conteos: no se ha leído.", base)
                               : Format("El archivo %s no es un archivo de conteos: no empieza con su cabecera "
                                        "(\"&COUNTS\"). No se ha leído.",
                                        base));
        ui.SetProgressVisible(false);
        return false;
    }

    // The header runs up to its first line holding "END" in any case ("&END").
    size_t first = lines.size();
    for (size_t i = 0; i < lines.size(); ++i)
        if (ZelUtils::UpperCase(lines[i]).find("END") != std::string::npos) {
            first = i + 1;
            break;
        }
    const bool wide = Network.Options.DUTCH != 0;
    const int w = wide ? 10 : 5;
    // The counts of another network would only clear the counts read before: a
    // file none of whose counts is of a link or movement of this network is not
    // read, and the user is told why. A line whose nodes do not read in this
    // network's field widths (counts written for the other width) names none of
    // its links either.
    int named = 0;
    bool ours = false;
    for (size_t i = first; i < lines.size() && !ours; ++i) {
        if (ZelUtils::Trim(lines[i]).empty())
            continue;
        ++named;
        const TCounted at = CountedOf(lines[i], w);
        ours = at.Link > 0 || at.Movement > 0;
    }
    if (named > 0 && !ours) {
        ui.ShowMessage(AuxFileText::NoneOfThisNetwork(fileName, named, "su conteo no es de esta red",
                                                      "ninguno de sus %d conteos es de esta red"));
        ui.SetProgressVisible(false);
        return false;
    }

    for (int32_t k = 1; k <= Network.LinkCount; ++k)
        Arcos[k].Var[10] = 0.0f;
    for (int32_t m = 1; m <= Network.MovementCount; ++m)
        Movims[m].Var[4] = 0.0f;

    float& linkMin = Arcos[0].Var[10];
    float& linkMax = Arcos[ArcosMaxRec].Var[10];
    float& movMin = Movims[0].Var[4];
    float& movMax = Movims[MovimsMaxRec].Var[4];
    linkMin = movMin = UnsetHigh;
    linkMax = movMax = UnsetLow;

    std::vector<std::string> unmatched;
    Listing::TUnreadableLines unreadable;
    for (size_t i = first; i < lines.size(); ++i) {
        const std::string& s = lines[i];
        const TCounted at = CountedOf(s, w);
        const float count = RealField(s, 1 + 3 * w, 5);
        if ((i & 511u) == 0)
            ui.SetProgressPosition(static_cast<int>(i));
        if (!at.Named())
            continue;
        if (at.Link > 0 || at.Movement > 0)
            unreadable.Check(s, i, {{1 + 3 * w, 5}});
        if (at.Link > 0) {
            Arcos[at.Link].Var[10] = count;
            linkMin = std::min(linkMin, count);
            linkMax = std::max(linkMax, count);
        } else if (at.Movement > 0) {
            Movims[at.Movement].Var[4] = count;
            movMin = std::min(movMin, count);
            movMax = std::max(movMax, count);
        } else {
            unmatched.push_back(Format("%8d%8d", at.A, at.B));
        }
    }

    if (!unmatched.empty()) {
        std::string msg = "Conteos no reconocidos\r";
        for (size_t i = 0; i < unmatched.size() && i < MaxListedCounts; ++i)
            msg += "\r" + unmatched[i];
        if (unmatched.size() > MaxListedCounts)
            msg += Format("\r... y %d más", static_cast<int>(unmatched.size() - MaxListedCounts));
        Services().ShowMessage(msg);
    }
    unreadable.Tell(fileName);
    Network.CountsLoaded = 1;
    ui.SetProgressPosition(0);
    ui.SetProgressVisible(false);
    return true;
}

int32_t ReadLpd() { return 0; }

} // namespace PalvonRead
