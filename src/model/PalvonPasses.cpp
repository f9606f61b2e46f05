// Passes of the reader that derive records from what the sections gave: links
// from junction arms, movements from turn groups, signal stages, isolation marks.
#include "model/KDVlib.h"
#include "model/PalvonRead.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"

using ZelUtils::Format;

namespace PalvonRead {

void MakeLinksFromArms()
{
    for (int32_t n = 1; n <= Network.NodeCount; ++n) {
        TNodo& node = Nodos[n];
        for (int32_t i = 0; i < node.ArmCount && i < MaxArms; ++i) {
            const TConector& arm = node.Arms[i];
            if (arm.Lanes == 0)
                continue;
            int32_t k = NewLink();
            TArcos& a = Arcos[k];
            a.A = arm.OtherNode;
            a.B = node.Number;
            a.Key = LinkKey(a.A, a.B);
            a.Flags = 0;
            a.SetFlag(1);
            Network.LinksByClass[1] += 1;
            if (arm.Lanes < 0) {
                a.SetFlag(10);
                Network.LinksByClass[3] += 1;
            }
            if (node.JunctionType >= 0 && node.JunctionType <= 5)
                a.SetFlag(2 + node.JunctionType);
            a.StreetTag = "1";
            a.SpeedTag.clear();
            a.PointCount = 0;
            a.Var[1] = static_cast<float>(arm.Speed);
            a.Var[3] = static_cast<float>(arm.Time);
            a.Var[7] = static_cast<float>(arm.Distance);
        }
    }
}

void MakeMovementsFromTurns()
{
    for (int32_t n = 1; n <= Network.NodeCount; ++n) {
        const TNodo& node = Nodos[n];
        int32_t arms = std::min(node.ArmCount, MaxArms);
        for (int32_t i = 0; i < arms; ++i) {
            const TConector& arm = node.Arms[i];
            if (arm.Lanes == 0)
                continue;
            for (int32_t j = 0; j <= arms - 2; ++j) {
                int32_t t = i + j + 1;
                if (t > arms - 1)
                    t -= arms;
                const TTurnGroup& g = arm.Turns[j];
                if (g.SatFlow == 0)
                    continue;
                int32_t k = NewMovement();
                TMovimiento& m = Movims[k];
                m.A = arm.OtherNode;
                m.Node = node.Number;
                m.C = node.Arms[t].OtherNode;
                m.Key = MovementKey(m.Node, m.A, m.C);
                m.FirstLane = g.FirstLane;
                m.LastLane = g.LastLane;
                m.TurnCode = g.TurnCode;
                m.Var[2] = static_cast<float>(g.LastLane - g.FirstLane + 1);
                m.Var[1] = static_cast<float>(g.SatFlow);
                m.Var[3] = m.Var[2] > 0 ? static_cast<float>(ZelUtils::Round(double(m.Var[1]) / double(m.Var[2]))) : 0.0f;
            }
        }
    }
}

void StagePass()
{
    // Pairs that name no movement of their junction (a node number typed wrong)
    // give the stage nothing: each is named in the error list and they are said
    // once, so a stage drawn without its arrows is not taken for the data.
    int32_t unmatched = 0;
    auto noMovement = [&unmatched](const TNodo& node, int32_t s, int32_t entry, int32_t exit) {
        ++unmatched;
        AddError(Format("Intersección %d, etapa %d: el par %d %d no es un movimiento de la intersección; se omite",
                        node.Number, s, entry, exit));
    };
    for (int32_t n = 1; n <= Network.NodeCount; ++n) {
        const TNodo& node = Nodos[n];
        if (node.JunctionType != 3 || node.SignalIndex < 0 || node.SignalIndex >= Network.SignalCount)
            continue;
        const TFase& f = Fases[node.SignalIndex];
        for (int32_t s = 1; s <= f.StageCount && s <= MaxStages; ++s) {
            const TStage& st = f.Stages[s];
            int32_t pairs = ZelUtils::Round(st.ValueCount / 2.0);
            for (int32_t p = 0; p < pairs; ++p) {
                int32_t vi = 2 * p + 1;
                if (vi + 1 > MaxStageValues)
                    break;
                int32_t entry = st.Values[vi];
                int32_t exit = st.Values[vi + 1];
                auto mark = [s](TMovimiento& m) {
                    m.StageMask += 1 << (s - 1);
                    m.InStage[s] = 1;
                };
                if (exit == 0) {
                    int32_t first = KDVlib::FindMovimFirst(entry, node.Number);
                    if (first == 0) {
                        noMovement(node, s, entry, exit);
                        continue;
                    }
                    for (int32_t m = first; m <= Network.MovementCount; ++m) {
                        TMovimiento& mv = Movims[m];
                        if (mv.A != entry || mv.Node != node.Number)
                            break;
                        mark(mv);
                    }
                } else {
                    // A negative exit would make the lookup a prefix search and mark
                    // some other movement of the approach: only an exact match counts.
                    int32_t m = KDVlib::FindMovim(entry, node.Number, exit);
                    if (m > 0 && Movims[m].C == exit)
                        mark(Movims[m]);
                    else
                        noMovement(node, s, entry, exit);
                }
            }
        }
    }
    if (unmatched > 0)
        Services().ShowMessage(Format("Etapas de semáforos con pares de nodos que no son movimientos de su "
                                      "intersección: %d; se omiten (detalle en Errores.txt)",
                                      unmatched));
}

void MarkIsolatedNodes()
{
    std::vector<uint8_t> isolated(static_cast<size_t>(Network.NodeCount) + 1, 1);
    for (int32_t k = 1; k <= Network.LinkCount; ++k) {
        const TArcos& a = Arcos[k];
        if (a.HasFlag(9))
            continue;
        if (a.AIndex >= 0 && a.AIndex <= Network.NodeCount)
            isolated[static_cast<size_t>(a.AIndex)] = 0;
        if (a.BIndex >= 0 && a.BIndex <= Network.NodeCount)
            isolated[static_cast<size_t>(a.BIndex)] = 0;
    }
    for (int32_t n = 1; n <= Network.NodeCount; ++n)
        if (isolated[static_cast<size_t>(n)])
            Nodos[n].Flags |= 16;
}

void MarkIsolatedZones()
{
    for (int32_t z = 1; z <= Network.ZoneCount; ++z) {
        TZona& zone = Zonas[z];
        bool isolated = true;
        for (int32_t c = 1; c <= zone.ConnectorCount && c < static_cast<int32_t>(zone.Connectors.size()); ++c) {
            const TZoneConnector& con = zone.Connectors[static_cast<size_t>(c)];
            if (con.Kind == 0) {
                int32_t l = std::abs(con.LinkIndex);
                if (l >= 1 && l <= Network.LinkCount && !Arcos[l].HasFlag(9))
                    isolated = false;
            } else {
                int32_t n = std::abs(con.NodeIndex);
                if (n >= 1 && n <= Network.NodeCount && !(Nodos[n].Flags & 16))
                    isolated = false;
            }
        }
        if (isolated)
            zone.Flags |= 8;
    }
}

} // namespace PalvonRead
