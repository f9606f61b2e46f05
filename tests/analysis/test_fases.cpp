#include "analysis/Fases.h"
#include "map/ViewState.h"
#include "model/KDVvars.h"
#include "model/LinkShapes.h"
#include "model/PalvonRead.h"
#include "model/PalvonVars.h"
#include "platform/DocWriter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

using namespace KDVFases;

namespace {

// A signalised junction (node 1 at the origin) with arms to nodes 2 (east),
// 3 (north) and 4 (west), a link each way, and a two-stage signal.
struct PhaseNet {
    int32_t linkIn[5] = {}, linkOut[5] = {};

    PhaseNet()
    {
        PalvonRead::ClearNetwork();
        Network.LengthScale = 1.0f;
        UserView().Lanes.LaneOffset = 4.5f;
        const double xy[5][2] = {{0, 0}, {0, 0}, {100, 0}, {0, 100}, {-100, 0}};
        for (int n = 1; n <= 4; ++n) {
            const int k = PalvonRead::NodeIndex(n);
            Nodos[k].X = static_cast<float>(xy[n][0]);
            Nodos[k].Y = static_cast<float>(xy[n][1]);
        }
        Nodos[1].JunctionType = 3;
        for (int n = 2; n <= 4; ++n) {
            linkOut[n] = AddLink(1, n, xy[1], xy[n]);
            linkIn[n] = AddLink(n, 1, xy[n], xy[1]);
        }
        const int s = PalvonRead::NewSignal();
        Fases[s].Node = 1;
        Fases[s].StageCount = 2;
        Fases[s].Cycle = 90;
        Fases[s].Offset = 5;
        Fases[s].Stages[1].Green = 30;
        Fases[s].Stages[1].Intergreen = 3;
        Fases[s].Stages[2].Green = 40;
        Fases[s].Stages[2].Intergreen = 4;
        Nodos[1].SignalIndex = s;
    }

    static int32_t AddLink(int a, int b, const double* pa, const double* pb)
    {
        const int32_t i = PalvonRead::NewLink();
        TArcos& l = Arcos[i];
        l.A = a;
        l.B = b;
        l.AIndex = a;
        l.BIndex = b;
        l.PointCount = 2;
        l.Points[1] = {pa[0], pa[1]};
        l.Points[2] = {pb[0], pb[1]};
        l.SetLanes(2);
        l.LaneEdgeCount = 2;
        const double dx = pb[0] - pa[0], dy = pb[1] - pa[1], len = std::hypot(dx, dy);
        const double nx = -dy / len, ny = dx / len;
        l.LaneEdgeNear[0] = {pa[0] + nx, pa[1] + ny};
        l.LaneEdgeNear[1] = {pb[0] + nx, pb[1] + ny};
        l.LaneEdgeFar[0] = {pa[0] + 7 * nx, pa[1] + 7 * ny};
        l.LaneEdgeFar[1] = {pb[0] + 7 * nx, pb[1] + 7 * ny};
        l.BearingA = static_cast<int32_t>(std::lround(std::atan2(dy, dx) * 1800.0 / M_PI + 3600)) % 3600;
        return i;
    }

    // Movements must be added in (junction, entry node) order.
    void AddMovement(int from, int to, int turn, std::initializer_list<int> stages)
    {
        const int32_t m = PalvonRead::NewMovement();
        TMovimiento& mv = Movims[m];
        mv.Node = 1;
        mv.A = from;
        mv.AIndex = from;
        mv.C = to;
        mv.EntryLink = linkIn[from];
        mv.TurnDir = turn;
        for (int s : stages)
            mv.InStage[s] = 1;
    }
};

} // namespace

TEST(Fases, JunctionListBySelectionOrTypeAndNavigation)
{
    PhaseNet net;
    Nodos[2].JunctionType = 1;
    Nodos[4].JunctionType = 1;
    Nodos[3].Mark = 1;
    for (bool& b : JtypeSelected)
        b = false;
    JtypeSelected[1] = true;

    EXPECT_EQ(BuildJunctionList(true), std::vector<int32_t>({3}));
    EXPECT_EQ(BuildJunctionList(false), std::vector<int32_t>({2, 4}));
    EXPECT_EQ(FasesListOk, 1);
    EXPECT_EQ(FirstListed(), 2);
    EXPECT_EQ(LastListed(), 4);
    EXPECT_EQ(NextListed(2), 4);
    EXPECT_EQ(NextListed(4), 0);  // on the last: nothing
    EXPECT_EQ(PrevListed(2), 0);  // on the first: nothing
    EXPECT_EQ(PrevListed(4), 2);

    JtypeSelected[1] = false;
    EXPECT_TRUE(BuildJunctionList(false).empty());
    EXPECT_EQ(FirstListed(), 0);
    EXPECT_EQ(LastListed(), 0);
}

TEST(Fases, DiagramPlacesNeighboursOnTheCircleAndCutsBands)
{
    PhaseNet net;
    PrepareJunction(1);
    const TJunctionDiagram& d = Diagram;
    EXPECT_DOUBLE_EQ(d.Radius, 50.0);
    EXPECT_DOUBLE_EQ(d.LaneCut, 45.5);
    EXPECT_DOUBLE_EQ(d.MaxArmDistance, 100.0);
    EXPECT_NEAR(d.MaxX - d.MinX, 115.0, 1e-9);
    ASSERT_EQ(d.Links.size(), 6u);
    EXPECT_NEAR(DiagramX[2], 50.0f, 1e-4);
    EXPECT_NEAR(DiagramY[3], 50.0f, 1e-4);
    EXPECT_NEAR(DiagramX[4], -50.0f, 1e-4);
    EXPECT_NEAR(DiagramX[1], 0.0f, 1e-6);
    // Leaving link 1 -> 2: measured from point 0; entering link 2 -> 1: from point 1.
    const TArcos& out = d.Links[0];
    EXPECT_NEAR(out.LaneEdgeNear[1].x, 45.5, 1e-9);
    EXPECT_NEAR(out.LaneEdgeFar[1].x, 45.5, 1e-9);
    const TArcos& in = d.Links[1];
    EXPECT_NEAR(in.LaneEdgeNear[0].x, 45.5, 1e-9);
    // The model's links stay untouched.
    EXPECT_NEAR(Arcos[net.linkOut[2]].LaneEdgeNear[1].x, 100.0, 1e-9);

    // A link whose first segment has no length leaves its neighbour where it was.
    Arcos[net.linkOut[3]].Points[2] = Arcos[net.linkOut[3]].Points[1];
    Arcos[net.linkIn[3]].Points[1] = Arcos[net.linkIn[3]].Points[2];
    DiagramX[3] = 7.0f;
    PrepareJunction(1);
    EXPECT_FLOAT_EQ(DiagramX[3], 7.0f);
}

TEST(Fases, StageLinesFollowMovementsAndShareApproachesByBearing)
{
    PhaseNet net;
    net.AddMovement(2, 4, 0, {1, 2, 3});  // one movement in three stages
    net.AddMovement(3, 2, -1, {2});
    net.AddMovement(3, 4, 1, {2});
    net.AddMovement(4, 2, 0, {8});        // stage beyond the thumbnails
    PrepareJunction(1);
    const TJunctionDiagram& d = Diagram;
    ASSERT_EQ(d.StageLines.size(), 6u);
    EXPECT_EQ(d.Approaches.size(), 4u);
    int stage2 = 0;
    for (const TStageLine& l : d.StageLines)
        if (l.Stage == 2) ++stage2;
    EXPECT_EQ(stage2, 3);
    EXPECT_EQ(d.StageLines[3].Left, 1);
    EXPECT_EQ(d.StageLines[4].Right, 1);
    EXPECT_EQ(EntryNodeOf(d.StageLines[3], d.Approaches), 3);
    EXPECT_EQ(StageCount(d), 2);

    // Two approaches with the same bearing: the first movement's entry node wins.
    Arcos[net.linkIn[4]].BearingA = Arcos[net.linkIn[2]].BearingA;
    PrepareJunction(1);
    EXPECT_EQ(EntryNodeOf(Diagram.StageLines.back(), Diagram.Approaches), 2);

    // A signal index out of range shows no stages instead of reading past the records.
    Nodos[1].SignalIndex = 500;
    PrepareJunction(1);
    EXPECT_EQ(StageCount(Diagram), 0);
}

namespace {

// Cell texts of each table row of the RTF (plain text cells only).
std::vector<std::vector<std::string>> Rows(const std::string& rtf)
{
    std::vector<std::vector<std::string>> rows;
    size_t pos = 0;
    for (;;) {
        const size_t end = rtf.find("\\row\r\n", pos);
        if (end == std::string::npos) break;
        std::vector<std::string> cells;
        size_t c = rtf.find("\\cellx", pos);
        c = rtf.find("\r\n", c) + 2;
        while (c < end) {
            const size_t ce = rtf.find("\\cell\r\n", c);
            if (ce == std::string::npos || ce > end) break;
            const std::string cell = rtf.substr(c, ce - c);
            cells.push_back(cell.substr(cell.rfind("\\fs20 ") + 6));
            c = ce + 7;
        }
        rows.push_back(cells);
        pos = end + 6;
    }
    return rows;
}

} // namespace

TEST(Fases, StageTableOfTheNodeList)
{
    PhaseNet net;
    const int s2 = PalvonRead::NewSignal();
    Fases[s2].StageCount = 6;
    Fases[s2].Cycle = 120;
    for (int s = 1; s <= 6; ++s) {
        Fases[s2].Stages[s].Green = 10 * s;
        Fases[s2].Stages[s].Intergreen = s;
    }
    Nodos[2].JunctionType = 3;
    Nodos[2].SignalIndex = s2;
    NodeList[1] = 1;
    NodeList[2] = 99;  // no such node: no row
    NodeList[3] = 2;
    NodeList[4] = 3;   // no signalised junction: its number alone
    NodeList[5] = 0;
    for (int i = 0; i <= MaxNodos; ++i)
        NodoEnLista[i] = 0;

    DocWriter::TDocWriter doc;
    doc.Open(DocWriter::PageSetup());
    EXPECT_EQ(WriteStageTable(doc, "Centro"), 3);
    EXPECT_EQ(NodoEnLista[1], 1);
    EXPECT_EQ(NodoEnLista[2], 1);
    const std::string rtf = doc.Rtf();
    EXPECT_NE(rtf.find("Red: Centro"), std::string::npos);
    const auto rows = Rows(rtf);
    ASSERT_EQ(rows.size(), 5u);
    ASSERT_EQ(rows[2].size(), 16u);
    EXPECT_EQ(rows[0][4], "Inicio Verde");
    EXPECT_EQ(rows[1][5], "F2");
    // Two stages: green start, green and intergreen of stages 1-2, the rest empty.
    const std::vector<std::string> two = {"1", "90", "2", "5", "33", "44", "", "", "30", "40", "", "", "3", "4", "", ""};
    EXPECT_EQ(rows[2], two);
    // Six stages: count 6, stages 1 to 4 reported.
    EXPECT_EQ(rows[3][2], "6");
    EXPECT_EQ(rows[3][7], "44");
    EXPECT_EQ(rows[3][15], "4");
    EXPECT_EQ(rows[4], (std::vector<std::string>{"3", "", "", "", "", "", "", "", "", "", "", "", "", "", "", ""}));
    EXPECT_NE(rtf.find("\\clmgf"), std::string::npos);
    EXPECT_NE(rtf.find("\\clvmgf\\clvertalc"), std::string::npos);
}

TEST(Fases, PictureTableRows)
{
    EXPECT_EQ(PictureRows(7, 3), 3);
    EXPECT_EQ(PictureRows(5, 2), 3);
    EXPECT_EQ(PictureRows(6, 3), 2);
    int32_t row = 1, column = 0;
    for (int i = 0; i < 7; ++i)
        NextCell(row, column, 3);
    EXPECT_EQ(row, 3);
    EXPECT_EQ(column, 1);
}
