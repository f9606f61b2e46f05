// The map's mouse: mode choice, the zoom box, node drags and grid-started
// placements, and shape editing of one link with the curve tool and its handles.
#include "mainwindow/DlgCfg.h"
#include "mainwindow/PalvonViewer.h"
#include "mainwindow/tools/MapTools.h"
#include "widgets/StringAlignGrid.h"
#include "map/DisplayStyles.h"
#include "map/Ranges.h"
#include "map/ZoomMouse.h"
#include "map/gui/OxrImage.h"
#include "model/FileUtils.h"
#include "model/HitGrid.h"
#include "model/KDVlib.h"
#include "model/LinkShapes.h"
#include "model/KDVvars.h"
#include "model/PalvonRead.h"
#include "model/ZelUtils.h"
#include "model/ZelUtilsGeometry.h"
#include "support/RecordingServices.h"
#include "support/FileDialogAnswer.h"
#include "support/GridsNetwork.h"
#include "support/LiveMenus.h"
#include "support/TestUtil.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

namespace {

class MapMouse : public GridsViewerFixture {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(testutil::ReadGridsNetwork(tmp));
        LpaFileName = LplFileName = "null";
        Ranges::SetDefaults();
        DisplayStyles::SetDefaultClassStyles();
        OpenViewer([](TPalvonViewer& v) { DlgCfg = new TDlgCfg(&v); });
        w->Grids().ConfigureGrids();
        w->Grids().DrawDataDat();
        ASSERT_TRUE(testutil::ShowWholeNetwork(*w));
        KDVlib::BuildHitGrid(); // the drawing walks the tiles
        w->SetDown(Cmd::tbNodes, true);
        w->RedrawMap();
    }
    void TearDown() override
    {
        GridsViewerFixture::TearDown();
        DlgCfg = nullptr;
    }
    int Px(double x) const { return w->img->WorldToPixelX(x); }
    int Py(double y) const { return w->img->WorldToPixelY(y); }
    // Hover, press, one move and release of the left button, at world points.
    void Drag(double x0, double y0, double x1, double y1, TShiftState shift = {})
    {
        w->MapEdit().imgMouseMove(Px(x0), Py(y0));
        w->MapEdit().imgOxrMouseDown(Qt::LeftButton, shift, Px(x0), Py(y0), x0, y0);
        w->MapEdit().imgOxrMouseMove(shift, Px(x1), Py(y1), x1, y1);
        w->MapEdit().imgOxrMouseUp(Qt::LeftButton, shift, Px(x1), Py(y1), x1, y1);
    }
    static int32_t Node(int32_t number) { return KDVlib::FindNodo(number); }
    static int32_t Link(int32_t a, int32_t b) { return KDVlib::FindArco(a, b); }
};

TEST_F(MapMouse, ZoomBoxNeedsMoreThanTenPixelsUpOrDown)
{
    const double minX = UserView().WorldMinX, maxY = UserView().WorldMaxY;
    const int i0 = 100, j0 = 100;
    auto box = [&](int i1, int j1) {
        w->MapEdit().imgOxrMouseDown(Qt::LeftButton, {}, i0, j0, w->img->PixelToWorldX(i0), w->img->PixelToWorldY(j0));
        EXPECT_TRUE(w->MapView().RubberBand);
        w->MapEdit().imgOxrMouseMove({}, i1, j1, w->img->PixelToWorldX(i1), w->img->PixelToWorldY(j1));
        w->MapEdit().imgOxrMouseUp(Qt::LeftButton, {}, i1, j1, w->img->PixelToWorldX(i1), w->img->PixelToWorldY(j1));
        EXPECT_FALSE(w->MapView().RubberBand);
    };
    box(300, 110); // 10 pixels: no zoom
    EXPECT_DOUBLE_EQ(UserView().WorldMinX, minX);
    EXPECT_DOUBLE_EQ(UserView().WorldMaxY, maxY);
    const double x0 = w->img->PixelToWorldX(i0), y0 = w->img->PixelToWorldY(j0);
    const double x1 = w->img->PixelToWorldX(300), y1 = w->img->PixelToWorldY(111);
    box(300, 111);
    EXPECT_DOUBLE_EQ(UserView().WorldMinX, x0);
    EXPECT_DOUBLE_EQ(UserView().WorldMaxX, x1);
    EXPECT_DOUBLE_EQ(UserView().WorldMinY, y1);
    EXPECT_DOUBLE_EQ(UserView().WorldMaxY, y0);
}

TEST_F(MapMouse, NodeDragWinsOverThePanToolAndCarriesItsLinks)
{
    w->SetDown(Cmd::tbMove, true);
    livemenus::Find(w.get(), "NodeMove")->setChecked(true);
    const int32_t n = Node(100);
    w->MapEdit().imgMouseMove(Px(1200), Py(1000));
    ASSERT_EQ(w->MapEdit().HoverNode, n);
    EXPECT_FALSE(w->Down(Cmd::tbMove)); // one tool armed at a time
    EXPECT_EQ(w->MapEdit().MapTools().ToolForPress({Qt::LeftButton, {}, Px(1200), Py(1000)}).Mode(),
              TMapToolMode::MoveNode);

    const TPoint far72 = Arcos[Link(7, 200)].Points[1];
    Drag(1200, 1000, 1250, 1060);
    EXPECT_FLOAT_EQ(Nodos[n].X, 1250.0f);
    EXPECT_FLOAT_EQ(Nodos[n].Y, 1060.0f);
    const TArcos& in = Arcos[Link(1, 100)];
    EXPECT_DOUBLE_EQ(in.Points[in.PointCount].x, 1250.0);
    const TArcos& out = Arcos[Link(100, 200)];
    EXPECT_DOUBLE_EQ(out.Points[1].y, 1060.0);
    EXPECT_DOUBLE_EQ(Arcos[Link(7, 200)].Points[1].x, far72.x);
    EXPECT_FALSE(w->MapView().Panning);
    EXPECT_EQ(w->MapEdit().MapTools().MoveNode().DraggedNode(), 0);
    // Chosen plainly, "Mover" served one drag.
    EXPECT_FALSE(livemenus::Find(w.get(), "NodeMove")->isChecked());
}

TEST_F(MapMouse, PressOnEmptyMapMovesNothingAndStickyMoverStaysOn)
{
    livemenus::Find(w.get(), "NodeMove")->setChecked(true);
    w->MapEdit().NodeMoveSticky = true;
    const float x = Nodos[Node(1)].X;
    Drag(1050, 1200, 1000, 1000); // nothing at the press
    EXPECT_EQ(w->MapEdit().MapTools().MoveNode().DraggedNode(), 0);
    EXPECT_FLOAT_EQ(Nodos[Node(1)].X, x);
    // Still on: the node of the highest record is found and dragged too.
    const int32_t last = Network.NodeCount;
    const double lx = Nodos[last].X, ly = Nodos[last].Y;
    Drag(lx, ly, lx + 20, ly - 30);
    EXPECT_FLOAT_EQ(Nodos[last].X, float(lx + 20));
    EXPECT_FLOAT_EQ(Nodos[last].Y, float(ly - 30));
    Drag(lx + 20, ly - 30, lx, ly);
    EXPECT_FLOAT_EQ(Nodos[last].X, float(lx));
    EXPECT_TRUE(livemenus::Find(w.get(), "NodeMove")->isChecked());
    // "Mover Selección" answered Yes: the selected nodes move by the same vector.
    livemenus::Find(w.get(), "MoverSeleccion")->setChecked(true);
    Nodos[Node(200)].Mark = 1;
    ui->answerYes = true;
    Drag(1000, 1000, 1010, 990);
    EXPECT_FLOAT_EQ(Nodos[Node(1)].X, 1010.0f);
    EXPECT_FLOAT_EQ(Nodos[Node(200)].X, 1410.0f);
    EXPECT_FLOAT_EQ(Nodos[Node(200)].Y, 890.0f);
    // Both nodes' grid rows show where they now stand.
    EXPECT_EQ(w->sagNodos->cell(1, Node(1)), ZelUtils::Trim(ZelUtils::Format(XYFormat, 1010.0)));
    EXPECT_EQ(w->sagNodos->cell(1, Node(200)), ZelUtils::Trim(ZelUtils::Format(XYFormat, 1410.0)));
    EXPECT_EQ(w->sagNodos->cell(2, Node(200)), ZelUtils::Trim(ZelUtils::Format(XYFormat, 890.0)));
    EXPECT_EQ(ui->questions.size(), 1u);
    EXPECT_DOUBLE_EQ(Arcos[Link(100, 200)].Points[2].x, 1410.0);
    EXPECT_TRUE(livemenus::Find(w.get(), "NodeMove")->isChecked());
}

// The ruler adds each click's segment; "Regla" chosen again measures afresh.
TEST_F(MapMouse, SecondRulerMeasurementTotalsItsOwnLength)
{
    QAction* ruler = livemenus::Find(w.get(), "Regla1");
    ruler->setEnabled(true); // as after an opening
    auto measure = [&](std::initializer_list<std::pair<double, double>> points) {
        ruler->trigger();
        for (const auto& [x, y] : points) {
            w->MapEdit().imgOxrMouseDown(Qt::LeftButton, {}, Px(x), Py(y), x, y);
            w->MapEdit().imgOxrMouseUp(Qt::LeftButton, {}, Px(x), Py(y), x, y);
        }
        return w->StatusPanels[3]->text().toStdString();
    };
    EXPECT_EQ(measure({{1000, 1000}, {1300, 1400}, {1300, 1500}}), "distancia: 100.00, acumulada: 600.00");
    EXPECT_EQ(measure({{1000, 1000}, {1060, 1080}}), "distancia: 100.00, acumulada: 100.00");
    QTest::keyClick(w.get(), Qt::Key_Escape);
    EXPECT_EQ(w->MapEdit().MapTools().Armed().Mode(), TMapToolMode::ZoomBox);
}

TEST_F(MapMouse, ShiftClickAfterGridDoubleClickPlacesTheNode)
{
    const int32_t n = Node(7);
    w->Grids().NodeMoving = true;
    w->Grids().PickedItem = -n;
    TShiftState shift;
    shift.Keys = Qt::ShiftModifier;
    EXPECT_EQ(w->MapEdit().MapTools().ToolForPress({Qt::LeftButton, shift, Px(1300), Py(900)}).Mode(),
              TMapToolMode::GridNodePlace);
    w->MapEdit().imgOxrMouseDown(Qt::LeftButton, shift, Px(1300), Py(900), 1300, 900);
    w->MapEdit().imgOxrMouseUp(Qt::LeftButton, shift, Px(1300), Py(900), 1300, 900);
    EXPECT_FLOAT_EQ(Nodos[n].X, 1300.0f);
    EXPECT_FLOAT_EQ(Nodos[n].Y, 900.0f);
    EXPECT_FALSE(w->Grids().NodeMoving);
    EXPECT_EQ(w->Grids().PickedItem, -1);
    // The links at the node end where it now stands.
    EXPECT_DOUBLE_EQ(Arcos[Link(7, 200)].Points[1].x, 1300.0);
}

TEST_F(MapMouse, CurveToolInsertsAndGridHandlesMoveAndShift)
{
    const int32_t k = Link(1, 100);
    w->MapEdit().CurveLink = k;
    ASSERT_FALSE(w->Down(Cmd::tbCurve));
    ASSERT_TRUE(livemenus::Click(w.get(), "toolbar:tbarEstandar", "tbCurve"));
    ASSERT_TRUE(w->Down(Cmd::tbCurve));
    ASSERT_EQ(w->MapEdit().CurveRegions.size(), 601u);

    // The tool offers the midpoint, never an end handle.
    w->MapEdit().imgMouseMove(Px(1000), Py(1000));
    EXPECT_EQ(w->MapEdit().HoverCurveLink, 0);
    EXPECT_EQ(w->MapEdit().CurveVertex, 0); // the grid-started handles include the ends
    w->MapEdit().CurveVertex = -1;
    w->MapEdit().imgMouseMove(Px(1100), Py(1000));
    ASSERT_EQ(w->MapEdit().HoverCurveLink, k);
    ASSERT_EQ(w->MapEdit().HoverCurveHandle, 1);
    w->MapEdit().imgOxrMouseDown(Qt::LeftButton, {}, Px(1100), Py(1000), 1100, 1000);
    w->MapEdit().imgOxrMouseMove({}, Px(1100), Py(1080), 1100, 1080);
    w->MapEdit().imgOxrMouseUp(Qt::LeftButton, {}, Px(1100), Py(1080), 1100, 1080);
    const TArcos& a = Arcos[k];
    ASSERT_EQ(a.PointCount, 3);
    EXPECT_DOUBLE_EQ(a.Points[2].y, 1080.0);
    EXPECT_EQ(a.BearingB, ZelUtils::Round(ZelUtils::PointAngle(a.Points[2], a.Points[3]) * 1800.0 / 3.14159265358979));
    EXPECT_EQ(w->MapEdit().CurveDrag, 0);

    // Without the tool: the new point's handle (2) drags the point.
    ASSERT_TRUE(livemenus::Click(w.get(), "toolbar:tbarEstandar", "tbCurve"));
    ASSERT_FALSE(w->Down(Cmd::tbCurve));
    w->MapEdit().StartCurving();
    w->MapEdit().imgMouseMove(Px(1100), Py(1080));
    ASSERT_EQ(w->MapEdit().CurveVertex, 2);
    w->MapEdit().imgOxrMouseDown(Qt::LeftButton, {}, Px(1100), Py(1080), 1100, 1080);
    EXPECT_TRUE(w->MapEdit().CurveVertexDrag);
    w->MapEdit().imgOxrMouseUp(Qt::LeftButton, {}, Px(1120), Py(1050), 1120, 1050);
    EXPECT_DOUBLE_EQ(a.Points[2].x, 1120.0);
    EXPECT_DOUBLE_EQ(a.Points[2].y, 1050.0);
    EXPECT_FALSE(w->MapEdit().CurveVertexDrag);

    // The edited shape is offered for saving in the link grid's menu; a cancelled
    // save keeps the offer, a written file reads back with the edited points.
    QAction* save = livemenus::Reach(w.get(), "popup:pupArcos", "GrabarSIG");
    ASSERT_NE(save, nullptr);
    testutil::CancelFileDialog(w.get());
    save->trigger();
    EXPECT_TRUE(save->isVisible());
    const QString file = QString::fromStdString(tmp.file("formas.sig"));
    testutil::WhenFileDialogShown(w.get(), [file](QFileDialog* dialog) {
        EXPECT_EQ(dialog->windowTitle(), "Grabar SIG");
        testutil::TypeFileAndAccept(dialog, file);
    });
    save->trigger();
    EXPECT_FALSE(save->isVisible());
    EXPECT_EQ(SigFileName, file.toStdString());
    Arcos[k].PointCount = 2;
    Arcos[k].Points[2] = Arcos[k].Points[3];
    ASSERT_TRUE(KDVlib::ReadSigFile(file.toStdString()));
    ASSERT_EQ(a.PointCount, 3);
    EXPECT_NEAR(a.Points[2].x, 1120.0, 1e-4);
    EXPECT_NEAR(a.Points[2].y, 1050.0, 1e-4);
}

} // namespace
