// Link geometry after node moves, and the shape-point edits of one link.
#include "geom_fixture.h"
#include "model/KDVvars.h"
#include "model/NodeMoves.h"
#include "model/ZelUtils.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

// Bearing in tenths of a degree, 0..3600 as the point-angle routine gives it.
int32_t Tenths(double dx, double dy)
{
    double a = std::atan2(dy, dx);
    if (a < 0)
        a += 2 * std::numbers::pi;
    return ZelUtils::Round(a * 1800.0 / std::numbers::pi);
}

class NodeMoves : public ::testing::Test {
protected:
    void SetUp() override
    {
        geomfix::Clear();
        n1 = geomfix::Node(1, 0, 0);
        n2 = geomfix::Node(2, 100, 0);
        n3 = geomfix::Node(3, 100, 100);
        for (int32_t k = 4; k <= 30; ++k)
            geomfix::Node(k, 10.0 * k, -50);
        geomfix::Link(1, 2);
        geomfix::Link(2, 3);
        geomfix::Link(4, 5);
        geomfix::Finish();
        l12 = geomfix::LinkIndex(1, 2);
        l23 = geomfix::LinkIndex(2, 3);
        l45 = geomfix::LinkIndex(4, 5);
        MovedNodes.clear();
    }
    int32_t n1 = 0, n2 = 0, n3 = 0, l12 = 0, l23 = 0, l45 = 0;
};

TEST_F(NodeMoves, MovedNodeCarriesTheEndsAndBearingsOfItsLinksOnly)
{
    // A bent link 2-3: the interior point stays, the ends follow the node.
    geomfix::Shape(l23, {{100, 0}, {150, 50}, {100, 100}});
    Arcos[l45].BearingA = 777;
    double dx = 0, dy = 0;
    KDVlib::PlaceNode(n2, 100, 40, dx, dy);
    EXPECT_DOUBLE_EQ(dx, 0.0);
    EXPECT_DOUBLE_EQ(dy, 40.0);
    MovedNodes.assign(1, ZelUtils::Format("%10d", 2));
    TZoomSlot extent{1, 2, 3, 4};
    EXPECT_FALSE(KDVlib::NewAngles(TLaneWidth{}, extent)); // one node of 30: the extent stays
    EXPECT_DOUBLE_EQ(extent.MinX, 1.0);

    const TArcos& a = Arcos[l12];
    EXPECT_DOUBLE_EQ(a.Points[2].x, 100.0);
    EXPECT_DOUBLE_EQ(a.Points[2].y, 40.0);
    EXPECT_EQ(a.BearingA, Tenths(100, 40));
    EXPECT_NEAR(a.CosA, std::cos(a.BearingA * std::numbers::pi / 1800.0), 1e-6);
    const TArcos& b = Arcos[l23];
    EXPECT_EQ(b.PointCount, 3);
    EXPECT_DOUBLE_EQ(b.Points[1].y, 40.0);
    EXPECT_DOUBLE_EQ(b.Points[2].x, 150.0);
    EXPECT_EQ(b.BearingA, Tenths(0, 60));   // chord of the whole shape
    EXPECT_EQ(b.BearingB, Tenths(-50, 50)); // last segment
    EXPECT_EQ(Arcos[l45].BearingA, 777);
}

TEST_F(NodeMoves, SelectionMovesAlongAndManyMovesRecomputeTheExtent)
{
    for (int32_t k = 4; k <= 10; ++k)
        Nodos[k].Mark = 1;
    Nodos[n2].Mark = 1; // the dragged node is not shifted twice
    double dx = 0, dy = 0;
    KDVlib::PlaceNode(n2, 110, 0, dx, dy);
    MovedNodes.assign(1, ZelUtils::Format("%10d", 2));
    EXPECT_EQ(KDVlib::ShiftSelectedNodes(n2, dx, dy), 7);
    EXPECT_FLOAT_EQ(Nodos[n2].X, 110.0f);
    EXPECT_FLOAT_EQ(Nodos[4].X, 50.0f);
    ASSERT_EQ(MovedNodes.size(), 8u); // more than a tenth of 30

    TZoomSlot extent;
    EXPECT_TRUE(KDVlib::NewAngles(TLaneWidth{}, extent));
    EXPECT_DOUBLE_EQ(Arcos[l45].Points[1].x, 50.0);
    // Nodes span x 0..300, y -50..100: a margin of 0.025 of the span each side.
    EXPECT_NEAR(extent.MinX, -7.5, 1e-9);
    EXPECT_NEAR(extent.MaxX, 307.5, 1e-9);
    EXPECT_NEAR(extent.MinY, -53.75, 1e-9);
    EXPECT_NEAR(extent.MaxY, 103.75, 1e-9);
    EXPECT_FLOAT_EQ(Network.MinX, -7.5f);
    EXPECT_FLOAT_EQ(Network.MaxY, 103.75f);
}

TEST_F(NodeMoves, ShapeHandlesInsertMoveDeleteAndShift)
{
    TArcos& a = Arcos[l12];
    ASSERT_EQ(KDVlib::ShapeHandleCount(a), 3);
    const TPoint mid = KDVlib::ShapeHandlePoint(a, 1);
    EXPECT_DOUBLE_EQ(mid.x, 50.0);

    // A midpoint inserts between its neighbours, a point handle moves its point.
    ASSERT_TRUE(KDVlib::DropShapeHandle(a, 1, {50, 20}));
    ASSERT_EQ(a.PointCount, 3);
    EXPECT_DOUBLE_EQ(a.Points[2].y, 20.0);
    EXPECT_DOUBLE_EQ(a.Points[3].x, 100.0);
    ASSERT_TRUE(KDVlib::DropShapeHandle(a, 2, {60, 30}));
    EXPECT_DOUBLE_EQ(a.Points[2].x, 60.0);
    KDVlib::SetBearingB(a);
    EXPECT_EQ(a.BearingB, Tenths(40, -30));

    // Deletion: midpoints and the two ends are refused.
    EXPECT_FALSE(KDVlib::DeleteShapePoint(a, 1));
    EXPECT_FALSE(KDVlib::DeleteShapePoint(a, 0));
    EXPECT_FALSE(KDVlib::DeleteShapePoint(a, 4));
    EXPECT_TRUE(KDVlib::DeleteShapePoint(a, 2));
    EXPECT_EQ(a.PointCount, 2);
    EXPECT_DOUBLE_EQ(a.Points[2].x, 100.0);
    EXPECT_FALSE(KDVlib::DeleteShapePoint(a, 2));

    // A full link refuses a further point and keeps its shape.
    while (a.PointCount < MaxShapePoints)
        ASSERT_TRUE(KDVlib::DropShapeHandle(a, 1, {1, 1}));
    EXPECT_FALSE(KDVlib::DropShapeHandle(a, 3, {5, 5}));
    EXPECT_EQ(a.PointCount, MaxShapePoints);
    EXPECT_DOUBLE_EQ(a.Points[MaxShapePoints].x, 100.0);

    KDVlib::ShiftShape(a, 5, -5);
    EXPECT_DOUBLE_EQ(a.Points[1].x, 5.0);
    EXPECT_DOUBLE_EQ(a.Points[MaxShapePoints].y, -5.0);
}

} // namespace
