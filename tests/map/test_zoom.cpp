// The view window and its history, and the pixel arithmetic of the views drawn
// beside the map, without a screen.
#include "map/ZoomHistory.h"
#include "map/ViewState.h"
#include "map/ZoomMouse.h"
#include "model/KDVvars.h"
#include "model/PalvonRead.h"
#include "model/PalvonVars.h"

#include <gtest/gtest.h>

namespace {

class ZoomHistoryTest : public ::testing::Test {
protected:
    void SetUp() override { Zoom::StartHistory({0, 0, 1000, 800}); }
    static void ExpectView(const TZoomSlot& v, double minX, double minY, double maxX, double maxY)
    {
        EXPECT_DOUBLE_EQ(v.MinX, minX);
        EXPECT_DOUBLE_EQ(v.MinY, minY);
        EXPECT_DOUBLE_EQ(v.MaxX, maxX);
        EXPECT_DOUBLE_EQ(v.MaxY, maxY);
    }
};

TWorldWindow Canvas(int w, int h, double minX, double minY, double maxX, double maxY)
{
    TWorldWindow c;
    c.Width = w;
    c.Height = h;
    c.SetWorld(minX, minY, maxX, maxY);
    return c;
}

} // namespace

TEST_F(ZoomHistoryTest, ZoomBoxesFillSlotsAndPreviousStepsBackToTheWholeNetwork)
{
    // Corners in any order become min and max.
    Zoom::PushView(300, 400, 100, 200);
    EXPECT_EQ(UserView().ZoomIndex, 2);
    ExpectView(UserView().ZoomHistory[2], 100, 200, 300, 400);
    ExpectView(Zoom::CurrentView(), 100, 200, 300, 400);
    Zoom::PushView(150, 250, 200, 300);
    EXPECT_EQ(UserView().ZoomIndex, 3);

    EXPECT_TRUE(Zoom::PreviousView());
    EXPECT_EQ(UserView().ZoomIndex, 2);
    ExpectView(Zoom::CurrentView(), 100, 200, 300, 400);
    // Going back keeps the later slot until the next zoom box overwrites it.
    ExpectView(UserView().ZoomHistory[3], 150, 250, 200, 300);
    Zoom::PushView(10, 20, 30, 40);
    EXPECT_EQ(UserView().ZoomIndex, 3);
    ExpectView(UserView().ZoomHistory[3], 10, 20, 30, 40);

    EXPECT_TRUE(Zoom::PreviousView());
    EXPECT_TRUE(Zoom::PreviousView());
    EXPECT_EQ(UserView().ZoomIndex, 1);
    ExpectView(Zoom::CurrentView(), 0, 0, 1000, 800);
    EXPECT_FALSE(Zoom::PreviousView()); // never below slot 1
    EXPECT_EQ(UserView().ZoomIndex, 1);
}

TEST_F(ZoomHistoryTest, FullHistoryKeepsTheNewestAndTheWholeNetworkWithinFiveHundredSlots)
{
    for (int k = 1; k <= 620; ++k)
        Zoom::PushView(k, k, k + 10, k + 10);
    EXPECT_EQ(UserView().ZoomIndex, MaxZoomHistory);
    ExpectView(UserView().ZoomHistory[1], 0, 0, 1000, 800);
    ExpectView(UserView().ZoomHistory[MaxZoomHistory], 620, 620, 630, 630);
    ExpectView(UserView().ZoomHistory[MaxZoomHistory - 1], 619, 619, 629, 629);
    // Slot 2 now holds the oldest view still kept: 620 - 498.
    ExpectView(UserView().ZoomHistory[2], 122, 122, 132, 132);
    EXPECT_TRUE(Zoom::PreviousView());
    ExpectView(Zoom::CurrentView(), 619, 619, 629, 629);

    // Three zoom steps in, then the whole network: exactly slot 1.
    Zoom::ZoomInView(0.1);
    Zoom::ZoomInView(0.1);
    Zoom::ZoomInView(0.1);
    Zoom::FirstView();
    EXPECT_EQ(UserView().ZoomIndex, 1);
    ExpectView(Zoom::CurrentView(), 0, 0, 1000, 800);
}

TEST_F(ZoomHistoryTest, ZoomStepsMoveEachSideByTheFactorAndDoNotUndoEachOther)
{
    Zoom::ZoomInView(0.25);
    ExpectView(Zoom::CurrentView(), 250, 200, 750, 600);
    Zoom::ZoomOutView(0.25);
    // w -> w(1 - 2f) -> w(1 - 2f)(1 + 2f): 1000 -> 500 -> 750.
    ExpectView(Zoom::CurrentView(), 125, 100, 875, 700);
    EXPECT_EQ(UserView().ZoomIndex, 1); // steps never touch the history
}

TEST(ZoomSelection, SelectedLinksWithAFifthOfMarginOrNothingWithoutSelection)
{
    PalvonRead::ClearNetwork();
    Network.MinX = 0;
    Network.MaxX = 1000;
    Network.MinY = 0;
    Network.MaxY = 1000;
    Network.NodeCount = 4;
    const float xy[5][2] = {{0, 0}, {100, 200}, {300, 200}, {300, 700}, {900, 900}};
    for (int n = 1; n <= 4; ++n) {
        Nodos[n].X = xy[n][0];
        Nodos[n].Y = xy[n][1];
        Nodos[n].HasXY = 1;
    }
    Nodos[4].HasXY = 0; // a node without a position adds nothing
    Network.LinkCount = 3;
    const int ends[4][2] = {{0, 0}, {1, 2}, {2, 3}, {3, 4}};
    for (int k = 1; k <= 3; ++k) {
        Arcos[k].AIndex = ends[k][0];
        Arcos[k].BIndex = ends[k][1];
        Arcos[k].Mark = 0;
    }
    Zoom::SetView({1, 2, 3, 4});
    EXPECT_FALSE(Zoom::SelectionView());
    EXPECT_DOUBLE_EQ(UserView().WorldMaxY, 4.0);

    Arcos[2].Mark = 3;
    Arcos[3].Mark = 1;
    ASSERT_TRUE(Zoom::SelectionView());
    // Nodes 2 and 3: x 300..300 (no width, no margin), y 200..700 (margin 100).
    EXPECT_DOUBLE_EQ(UserView().WorldMinX, 300);
    EXPECT_DOUBLE_EQ(UserView().WorldMaxX, 300);
    EXPECT_DOUBLE_EQ(UserView().WorldMinY, 100);
    EXPECT_DOUBLE_EQ(UserView().WorldMaxY, 800);
    PalvonRead::ClearNetwork();
}

TEST(ZoomViews, PanMagnifierAndShownAreaFollowTheCanvasScale)
{
    // 200 x 100 pixels over 0..400 x 0..100: 2 units per pixel, 200 units shown upwards.
    const TWorldWindow c = Canvas(200, 100, 0, 0, 400, 100);
    const TZoomSlot shown = Zoom::ShownView(c, 0, 0);
    EXPECT_DOUBLE_EQ(shown.MaxX, 400);
    EXPECT_DOUBLE_EQ(shown.MaxY, 200);

    // The picture dragged 10 pixels right and 5 down shows what lay left and above.
    const TZoomSlot pan = Zoom::PannedView(c, 10, 5);
    EXPECT_DOUBLE_EQ(pan.MinX, -20);
    EXPECT_DOUBLE_EQ(pan.MaxX, 380);
    EXPECT_DOUBLE_EQ(pan.MinY, 10);
    EXPECT_DOUBLE_EQ(pan.MaxY, 210);

    // A 200-pixel magnifier at 10x shows the 20 x 20 pixels around the click.
    const TZoomSlot m = Zoom::MagnifierView(c, 50, 40, 200, 10);
    EXPECT_DOUBLE_EQ(m.MinX, c.PixelToWorldX(40));
    EXPECT_DOUBLE_EQ(m.MaxX, c.PixelToWorldX(60));
    EXPECT_DOUBLE_EQ(m.MinY, c.PixelToWorldY(50));
    EXPECT_DOUBLE_EQ(m.MaxY, c.PixelToWorldY(30));
    EXPECT_DOUBLE_EQ(m.MaxX - m.MinX, 40.0);
}

TEST(ZoomBox, OnlyAVerticalDragOfMoreThanTenPixelsZooms)
{
    EXPECT_FALSE(ZoomBoxAccepted(100, 110));
    EXPECT_FALSE(ZoomBoxAccepted(100, 90));
    EXPECT_TRUE(ZoomBoxAccepted(100, 111));
    EXPECT_TRUE(ZoomBoxAccepted(100, 89));
}
