#include "analysis/KDVMixStacks.h"

#include "model/KDVlib.h"
#include "model/PalvonVars.h"
#include "model/ZelUtils.h"

#include <algorithm>

namespace KDVMixStacks {

double MovValue(int32_t m, int32_t v)
{
    if (m < 1 || m > Network.MovementCount || v < 0 || v > NumMovVars)
        return 0.0;
    return Movims[m].Var[v];
}

double ArmTotal(int32_t node, int32_t k, int32_t v, bool in)
{
    if (node < 1 || node > Network.NodeCount || k < 0 || k >= MaxArms || v < 0 || v > NumMovVars)
        return 0.0;
    const std::vector<float>& t = in ? Nodos[node].Arms[k].InTotals : Nodos[node].Arms[k].OutTotals;
    return static_cast<size_t>(v) < t.size() ? t[static_cast<size_t>(v)] : 0.0;
}

TStacks Build(int32_t node, int32_t v, double sed1, double sewv)
{
    TStacks s;
    if (node < 1 || node > Network.NodeCount)
        return s;
    const TNodo& junction = Nodos[node];
    const int32_t n = std::clamp<int32_t>(junction.ArmCount, 0, MaxArms);
    s.n = n;
    for (int32_t k = 0; k < n; ++k) {
        const TConector& arm = junction.Arms[k];
        if (arm.EntryMark != 0)
            s.Max = std::max(s.Max, ArmTotal(node, k, v, true));
        if (arm.ExitMark > 0)
            s.Max = std::max(s.Max, ArmTotal(node, k, v, false));
    }
    auto cyc = [n](int32_t a) { return ((a - 1) % n + n) % n + 1; };
    auto movement = [&](int32_t from, int32_t to) {
        return KDVlib::FindMovim(junction.Arms[from - 1].OtherNode, junction.Number, junction.Arms[to - 1].OtherNode);
    };
    const int32_t base = ZelUtils::Round(sed1);
    s.Arms.resize(static_cast<size_t>(n) + 1);
    for (int32_t k = 1; k <= n; ++k) {
        TArmStack& a = s.Arms[static_cast<size_t>(k)];
        a.InArms.assign(static_cast<size_t>(n) + 1, 0);
        a.OutArms.assign(static_cast<size_t>(n) + 1, 0);
        a.InMov.assign(static_cast<size_t>(n) + 1, 0);
        a.OutMov.assign(static_cast<size_t>(n) + 1, 0);
        // Without a positive largest total the stacks have no width: edges 1..n lie on the axis.
        a.E.assign(static_cast<size_t>(n) + 1, 0);
        a.F.assign(static_cast<size_t>(n) + 1, 0);
        a.E[0] = a.F[0] = base;
        double cumIn = 0.0, cumOut = 0.0;
        for (int32_t j = 1; j <= n; ++j) {
            const int32_t to = cyc(k - j + 1), from = cyc(k + j - 1);
            a.InArms[static_cast<size_t>(j)] = to;
            a.OutArms[static_cast<size_t>(j)] = from;
            a.InMov[static_cast<size_t>(j)] = movement(k, to);
            a.OutMov[static_cast<size_t>(j)] = movement(from, k);
            if (s.Max > 0.0) {
                const double vin = MovValue(a.InMov[static_cast<size_t>(j)], v);
                const double vout = MovValue(a.OutMov[static_cast<size_t>(j)], v);
                a.E[static_cast<size_t>(j)] = ZelUtils::Round(sewv * (cumIn + vin) / s.Max) + base;
                a.F[static_cast<size_t>(j)] = ZelUtils::Round(sewv * (cumOut + vout) / s.Max) + base;
                cumIn += vin;
                cumOut += vout;
            }
        }
    }
    return s;
}

} // namespace KDVMixStacks
