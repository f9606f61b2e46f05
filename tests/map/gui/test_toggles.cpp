// Display toggles, styles, fonts and the title box of the main window, and the
// map's double click, driven through the window's own actions.
#include "mainwindow/Aptta.h"
#include "mainwindow/DlgCfg.h"
#include "map/gui/DlgQuickView.h"
#include "mainwindow/PalvonViewer.h"
#include "mainwindow/SecondaryWindows.h"
#include "mainwindow/MapEditController.h"
#include "mainwindow/tools/MapTools.h"
#include "map/DisplayStyles.h"
#include "map/DrawState.h"
#include "map/GeoLayers.h"
#include "map/Polygons.h"
#include "map/gui/OxrImage.h"
#include "model/HitGrid.h"
#include "model/KDVlib.h"
#include "model/KDVvars.h"
#include "model/LinkGeometry.h"
#include "model/PalvonRead.h"
#include "model/ZelUtils.h"
#include "support/LiveMenus.h"
#include "support/RecordingServices.h"
#include "support/TestUtil.h"
#include "support/ViewerFixture.h"
#include "widgets/StringAlignGrid.h"

#include <QMouseEvent>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QDoubleSpinBox>
#include <QMenu>
#include <QSpinBox>
#include <QTest>
#include <QTabWidget>
#include <QTextEdit>
#include <QToolBar>
#include <gtest/gtest.h>

#include <filesystem>

using ZelUtils::Format;

namespace {

class Toggles : public ViewerFixture {
protected:
    void SetUp() override
    {
        ViewerFixture::SetUp();
        viewer->img->resize(400, 400);
        UserView().WorldMinX = UserView().WorldMinY = 0;
        UserView().WorldMaxX = UserView().WorldMaxY = 2000;
        DrawEnabled = true;
        viewer->img->Clear();
    }
    void TearDown() override
    {
        // What the window's creation does not set back.
        DrawEnabled = false;
        UserView().NumFormat = Tfmt{};
        UserView().TitlePos = 2;
        UserView().IntersectionBorderWidth = 1.0f;
        LanesReady = false;
        UserView().ShowLanes = false;
        DisplayStyles::SetDefaultStyles();
        ViewerFixture::TearDown();
    }
    // A redraw empties the picture: a dot put there tells whether one happened.
    void Mark()
    {
        viewer->img->Canvas()->fillRect(QRect(0, 0, 2, 2), Qt::red);
        ASSERT_FALSE(Redrawn());
    }
    bool Redrawn() const { return viewer->img->Picture().pixelColor(0, 0) != QColor(Qt::red); }
    void Trigger(const char* name) { livemenus::Find(viewer, QString::fromLatin1(name))->trigger(); }
    bool On(const char* name) { return livemenus::Find(viewer, QString::fromLatin1(name))->isChecked(); }
    static QList<TDlgQuickView*> findQuickViews()
    {
        QList<TDlgQuickView*> out;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* v = qobject_cast<TDlgQuickView*>(w))
                out << v;
        return out;
    }
};

} // namespace

TEST_F(Toggles, LayersRedrawOnlyWhenTheirUpdateBoxIsTicked)
{
    Secondary::DlgCfg().cbNodos->setChecked(false);
    Mark();
    Trigger("tbNodes");
    EXPECT_TRUE(On("tbNodes"));
    EXPECT_TRUE(On("Nodos1")); // the menu item follows its button
    EXPECT_FALSE(Redrawn());
    livemenus::Find(viewer, "aRedibujar")->setEnabled(true); // as after an opening
    Trigger("aRedibujar");
    EXPECT_TRUE(Redrawn());

    Secondary::DlgCfg().cbNodos->setChecked(true);
    Mark();
    Trigger("Nodos1"); // the menu item moves its button
    EXPECT_FALSE(On("tbNodes"));
    EXPECT_TRUE(Redrawn());

    // Twins without a redraw of their own.
    Mark();
    Trigger("Zonificacin2");
    EXPECT_TRUE(On("tbZonas"));
    Trigger("tbSolera");
    EXPECT_TRUE(On("Soleras1"));
    EXPECT_FALSE(Redrawn());

    // Lanes and the data grids always redraw.
    Trigger("tbLanes");
    EXPECT_TRUE(UserView().ShowLanes);
    EXPECT_TRUE(Redrawn());
    Trigger("tbLanes");
    Mark();
    ASSERT_TRUE(On("aDataGrid1"));
    Trigger("tbDatos");
    EXPECT_TRUE(viewer->tnDatos->isHidden());
    EXPECT_FALSE(On("aDataGrid1"));
    EXPECT_TRUE(Redrawn());
}

TEST_F(Toggles, LinkAndMovementDataLayersExcludeEachOther)
{
    Trigger("tbAtributos");
    Trigger("colores1"); // colour map by its menu item
    EXPECT_TRUE(On("tbColores"));
    EXPECT_FALSE(On("tbAtributos"));
    EXPECT_FALSE(On("Atributos1"));

    Trigger("tbMovimLinks");
    EXPECT_TRUE(On("Atributos2"));
    EXPECT_FALSE(On("tbColores"));
    Trigger("tbMovimValues");
    EXPECT_TRUE(On("Valores2"));
    Trigger("Atributos2"); // movement links off: movement values go too
    EXPECT_FALSE(On("Atributos2"));
    EXPECT_FALSE(On("tbMovimLinks"));
    EXPECT_FALSE(On("tbMovimValues"));

    Trigger("tbMovimValues"); // values bring the movement links back
    EXPECT_TRUE(On("Atributos2"));
    Trigger("Valores1"); // link values turn both movement layers off
    EXPECT_FALSE(On("Atributos2"));
    EXPECT_FALSE(On("tbMovimValues"));
    EXPECT_TRUE(On("tbValues"));
}

TEST_F(Toggles, NumberFormatLabelPositionsShiftAndLanes)
{
    Trigger("NumDec2");
    EXPECT_EQ(UserView().NumFormat.NumDec, 8);
    EXPECT_EQ(UserView().NumFormat.Decimals, 2);
    EXPECT_EQ(UserView().NumFormat.Format, "%.2f");
    EXPECT_EQ(livemenus::Find(viewer, "Decimales1")->text(), "Decimales (2)");
    EXPECT_EQ(Format(UserView().NumFormat.Format.c_str(), 3.14159), "3.14");

    EXPECT_TRUE(On("UbiNodo3"));
    Trigger("UbiNodo9"); // "Inf - Der"
    EXPECT_EQ(UserView().NodeLabelPos, 0);
    EXPECT_FALSE(On("UbiNodo3"));
    Trigger("UbiNodo1");
    EXPECT_EQ(UserView().NodeLabelPos, 8);
    const struct {
        const char* item;
        int32_t code;
        float offset;
    } streets[] = {{"UbiCalles1", 6, 0.95f}, {"UbiCalles5", 4, 0.5f}, {"UbiCalles9", 2, 0.05f}, {"UbiCalles4", 3, 0.95f}};
    for (const auto& s : streets) {
        Trigger(s.item);
        EXPECT_EQ(UserView().StreetLabelPos, s.code) << s.item;
        EXPECT_FLOAT_EQ(UserView().StreetLabelOffset, s.offset) << s.item;
    }

    Trigger("DesplazamientoC");
    EXPECT_EQ(UserView().LinkShift, -1); // "Completo"
    Trigger("Desplazamiento6");
    EXPECT_EQ(UserView().LinkShift, 6);
    Trigger("Desplazamiento1");
    EXPECT_EQ(UserView().LinkShift, 1); // "Ninguno" is 1, not 0

    LanesReady = false;
    viewer->Display().seAnchoPista->setValue(4.0);
    EXPECT_FLOAT_EQ(UserView().Lanes.AnchoPista, 4.0f);
    EXPECT_FLOAT_EQ(UserView().Lanes.LaneOffset, 6.0f);
    EXPECT_TRUE(LanesReady);
    viewer->Display().seFMov->setValue(2.5);
    EXPECT_DOUBLE_EQ(UserView().FMov, 2.5);

    Trigger("Jtype2");
    EXPECT_TRUE(JtypeSelected[2]);
    Trigger("BordePuntos3");
    EXPECT_FLOAT_EQ(UserView().IntersectionBorderWidth, 1.5f);
    EXPECT_EQ(livemenus::Find(viewer, "BordeAncho")->text(), "Borde ancho (1.5)");
}

TEST_F(Toggles, FontsColoursAndWidthsOfTheLayers)
{
    TLabelFont offered;
    bool accept = true;
    viewer->Display().Dialogs.ChooseFont = [&](TLabelFont& f) {
        offered = f;
        if (accept)
            f = TLabelFont{"Courier", 12, clBlue, fsBold};
        return accept;
    };
    Mark();
    Trigger("Letra4");
    EXPECT_EQ(offered.Color, clRed); // the values' font as it stood
    EXPECT_EQ(UserView().LabelFonts[4].Name, "Courier");
    EXPECT_EQ(UserView().LabelFonts[4].Size, 12);
    EXPECT_EQ(UserView().LabelFonts[4].Color, clBlue);
    EXPECT_EQ(UserView().LabelFonts[4].Style, fsBold);
    EXPECT_EQ(livemenus::Find(viewer, "Letra4")->text(), "Letra (Courier 12)");
    EXPECT_TRUE(Redrawn());
    accept = false;
    Trigger("Letra2");
    EXPECT_EQ(UserView().LabelFonts[2].Name, "Arial");
    EXPECT_EQ(livemenus::Find(viewer, "Letra2")->text(), "Letra (Arial  8)");

    // The generation/attraction font and the layer styles change without a redraw.
    accept = true;
    Mark();
    Trigger("Letra3");
    EXPECT_EQ(UserView().LabelFonts[3].Name, "Courier");
    int asked = 0;
    viewer->Display().Dialogs.ChooseColor = [&](uint32_t& c) {
        ++asked;
        c = 0x123456;
        return true;
    };
    viewer->Display().Color(15);
    EXPECT_EQ(UserView().Items[15].Color, 0x123456u);
    viewer->Display().Color(20); // not a layer style
    EXPECT_EQ(asked, 1);
    viewer->Display().SetWidth(153);
    EXPECT_EQ(UserView().Items[15].Width, 3);
    viewer->Display().SetWidth(110);
    EXPECT_EQ(UserView().Items[11].Width, 0);
    EXPECT_FALSE(Redrawn());
}

TEST_F(Toggles, GenerationBarWidthAsksForANumber)
{
    RecordingServices ui;
    std::string answer = "12.5";
    viewer->Display().Dialogs.InputText = [&](const std::string& caption, const std::string& prompt, std::string& text) {
        EXPECT_EQ(caption, "Ancho barra ...");
        EXPECT_EQ(prompt, "Nodo");
        EXPECT_EQ(text, "20");
        text = answer;
        return true;
    };
    livemenus::Click(viewer, "popup:BDerecho>Generación/Atracción", "AnchoBarra1");
    EXPECT_EQ(UserView().GenatrBarWidth, 12); // halves go to even
    UserView().GenatrBarWidth = 20;
    answer = "ancho";
    livemenus::Click(viewer, "popup:BDerecho>Generación/Atracción", "AnchoBarra1");
    EXPECT_EQ(UserView().GenatrBarWidth, 20);
    EXPECT_TRUE(ui.anyMessageContains("ancho"));
}

TEST_F(Toggles, TitleBoxButtonFontAndCorner)
{
    viewer->show();
    // "Ver > Titulos" presses the button and shows the box with its toolbar; a
    // second time it hides them; the button then does the same.
    Trigger("Titulos1");
    EXPECT_TRUE(On("tbTit"));
    EXPECT_FALSE(viewer->tit->isHidden());
    EXPECT_FALSE(viewer->Display().tbarTitulos->isHidden());
    Trigger("Titulos1");
    EXPECT_FALSE(On("tbTit"));
    EXPECT_TRUE(viewer->tit->isHidden());
    EXPECT_TRUE(viewer->Display().tbarTitulos->isHidden());
    Trigger("tbTit");
    EXPECT_TRUE(On("Titulos1"));
    EXPECT_FALSE(viewer->tit->isHidden());
    EXPECT_FALSE(viewer->Display().tbarTitulos->isHidden());
    EXPECT_TRUE(On("Ttulos1"));

    viewer->Display().FontSize->setValue(20);
    EXPECT_EQ(viewer->tit->font().pointSize(), 20);
    Trigger("aTitBold");
    EXPECT_TRUE(viewer->tit->font().bold());
    viewer->Display().FontColor->setCurrentIndex(viewer->Display().FontColor->findText(QStringLiteral("Rojo")));
    EXPECT_EQ(viewer->tit->palette().color(QPalette::Text), QColor(255, 0, 0));
    // What is typed and styled in the box is the view's title block, which the
    // outputs copy.
    QTest::keyClicks(viewer->tit, QStringLiteral("Red"));
    QTest::keyClick(viewer->tit, Qt::Key_Return);
    QTest::keyClicks(viewer->tit, QStringLiteral("vial"));
    const TViewSnapshot titled = viewer->Drawing().SnapshotView();
    EXPECT_EQ(titled.TitleLines, (std::vector<std::string>{"Red", "vial"}));
    EXPECT_EQ(titled.TitleFont.pointSize(), 20);
    EXPECT_TRUE(titled.TitleFont.bold());
    EXPECT_EQ(titled.TitleColor, QColor(255, 0, 0));
    EXPECT_EQ(UserView().TitleText, "Red\nvial");
    viewer->Display().UpdatingTitFont = true;
    viewer->Display().FontSize->setValue(30);
    Trigger("aTitItalic");
    EXPECT_EQ(viewer->tit->font().pointSize(), 20);
    EXPECT_FALSE(viewer->tit->font().italic());
    viewer->Display().UpdatingTitFont = false;

    viewer->img->resize(801, 600);
    viewer->tit->resize(200, 40);
    Trigger("TitPos5"); // "Inferior - Centro"
    EXPECT_EQ(UserView().TitlePos, 5);
    EXPECT_EQ(viewer->tit->x(), 300); // Round(300.5) keeps the even neighbour
    EXPECT_EQ(viewer->tit->y(), 550);
    Trigger("TitPos3");
    EXPECT_EQ(viewer->tit->pos(), QPoint(591, 10));
    Trigger("TitPos4");
    EXPECT_EQ(viewer->tit->pos(), QPoint(10, 550));

    // Toolbars shown and hidden from their menu, and by any other means.
    Trigger("Arcos2");
    EXPECT_FALSE(viewer->tbarArcos->isHidden());
    viewer->tbarArcos->hide();
    EXPECT_FALSE(On("Arcos2"));
    Trigger("Ttulos1");
    EXPECT_TRUE(viewer->Display().tbarTitulos->isHidden());
}

TEST_F(Toggles, QuickViewIsANewStillCopyOfTheMap)
{
    TDlgQuickView::AskTitle = [] { return QStringLiteral("Centro"); };
    struct Restore {
        ~Restore() { TDlgQuickView::AskTitle = nullptr; }
    } restore;
    livemenus::Find(viewer, "tbQuickView")->setEnabled(true);
    Trigger("tbQuickView");
    Trigger("tbQuickView");
    const QList<TDlgQuickView*> views = findQuickViews();
    ASSERT_EQ(views.size(), 2);
    for (TDlgQuickView* v : views) {
        EXPECT_EQ(v->windowTitle(), "Centro");
        EXPECT_EQ(v->img->Picture().size(), viewer->img->size());
        EXPECT_DOUBLE_EQ(v->img->MinX(), UserView().WorldMinX);
        v->close(); // each snapshot goes when closed
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(findQuickViews().isEmpty());
}

// ---- The map's double click ----

namespace {

// Nodes 1 (500,1000), 2 (1500,1000), 3 (1500,1800); two-way links 1-2 and 2-3 and a
// transit line over them. On the 400 x 400 map (5 m a pixel) link 1-2 runs along
// pixel row 200 from column 100 to 300.
class DblClick : public Toggles {
protected:
    void SetUp() override
    {
        Toggles::SetUp();
        PalvonRead::TReadSettings settings;
        settings.NetworkDatFile = tmp.file("doble.dat");
        settings.ErrorListFile = tmp.file("Errores.txt");
        auto link = [](int a, int b) { return Format("%5d%5d%5d%5d%5d  2  %5d%5d%5d", a, b, 60, 80, 1000, 1000, 4, 1); };
        auto node = [](int n, double x, double y) { return Format("%5d%15.1f%15.1f", n, x, y); };
        std::vector<std::string> lines = {" &OPTION &END", "DOBLE", " &PARAM XYFORM='2F15.1', &END", "33333",
                                          link(1, 2), link(2, 3), "99999", "55555", node(1, 500, 1000),
                                          node(2, 1500, 1000), node(3, 1500, 1800), "99999", "66666",
                                          Format("%-4sA %4d%5d%5d%5d%5d", "L1", 10, 3, 1, 2, 3), "99999", "99999"};
        ASSERT_TRUE(PalvonRead::ReadNetwork(lines, settings));
        KDVlib::BuildHitGrid();
        viewer->Grids().ConfigureGrids();
        viewer->Grids().DrawDataDat();
        DrawEnabled = false; // the layers are not what is tested here
        // Shift and Ctrl are read from the keyboard: no key may stay held from earlier tests.
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_Shift, Qt::NoModifier);
        QApplication::sendEvent(viewer, &release);
        ASSERT_FALSE(ZelUtils::ShiftDown() || ZelUtils::CtrlDown());
    }
    void TearDown() override
    {
        PalvonRead::ClearNetwork();
        NumPoligonos = 0;
        viewer->Selection().PolySelectKind = 0;
        viewer->Polygons().UserPolygonActive = false;
        Toggles::TearDown();
    }
    void DoubleClickAt(int x, int y)
    {
        viewer->MapView().ClickPixX = x;
        viewer->MapView().ClickPixY = y;
        viewer->MapEdit().DblClickHandled = false;
        QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(x, y), viewer->img->mapToGlobal(QPointF(x, y)),
                        Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewer->img, &dbl);
        EXPECT_TRUE(viewer->MapEdit().DblClickHandled);
    }
    int32_t LinkRow(int32_t a, int32_t b) const
    {
        const int32_t i = KDVlib::FindArco(a, b);
        for (int r = 1; r < viewer->sagArcos->RowCount(); ++r)
            if (ZelUtils::ParseInt(viewer->sagArcos->cellView(3, r)) == i)
                return r;
        return -1;
    }
};

} // namespace

TEST_F(DblClick, PlainStateShowsTheLinkUnderThePointer)
{
    viewer->tnDatos->setCurrentWidget(viewer->tsArcos);
    TStringAlignGrid* grid = viewer->sagArcos;
    // Rows sorted the other way round: the row is found by the link it lists.
    grid->SortColumn(3, true);
    grid->SetSelection({0, LinkRow(3, 2), 0, LinkRow(3, 2)});
    DoubleClickAt(200, 204); // 4 pixels off the link
    EXPECT_EQ(grid->Row(), LinkRow(3, 2));
    DoubleClickAt(200, 202); // 2 pixels off: the direction leaving the lower node
    EXPECT_EQ(grid->Row(), LinkRow(1, 2));
    DoubleClickAt(301, 120);
    EXPECT_EQ(grid->Row(), LinkRow(2, 3));

    // Measuring takes the double click: nothing is looked up.
    livemenus::Find(viewer, "Regla1")->setEnabled(true); // as after an opening
    livemenus::Find(viewer, "Regla1")->trigger();
    QTest::mouseClick(viewer->img, Qt::LeftButton, Qt::NoModifier, QPoint(150, 150));
    QTest::mouseClick(viewer->img, Qt::LeftButton, Qt::NoModifier, QPoint(250, 150));
    DoubleClickAt(200, 200);
    EXPECT_EQ(grid->Row(), LinkRow(2, 3));
    QTest::keyClick(viewer, Qt::Key_Escape);

    // On the lines page the lines over the link are shown.
    Lineas[1].Visible = 0;
    viewer->tnDatos->setCurrentWidget(viewer->tsLineas);
    DoubleClickAt(200, 201);
    EXPECT_EQ(Lineas[1].Visible, 1);
    EXPECT_EQ(viewer->sagLineas->FontColorCell(1, 1), QColor(255, 0, 0));
}

TEST_F(DblClick, ClosingAUserPolygonStoresItUnderItsName)
{
    std::vector<std::string> proposed;
    std::string answer;
    viewer->Display().Dialogs.InputText = [&](const std::string& caption, const std::string& prompt, std::string& text) {
        EXPECT_EQ(caption, "Construcción de Polígonos");
        EXPECT_EQ(prompt, "Ingrese el nombre del polígono");
        proposed.push_back(text);
        if (answer.empty())
            return false; // cancelled
        text = answer;
        return true;
    };
    Secondary::DlgCfg().PoliBordeColor->SetColor(0x0000FF);
    Secondary::DlgCfg().PoliBordeAncho->setValue(3);
    Secondary::DlgCfg().PoliRellenoClear->setChecked(true);

    // A user polygon wins over a selection region being drawn.
    viewer->Selection().PolySelectKind = 2;
    viewer->Polygons().UserPolygonActive = true;
    viewer->Selection().PolyPoints = QPolygonF({QPointF(100, 100), QPointF(300, 100), QPointF(200, 400)});
    DoubleClickAt(10, 10);
    ASSERT_EQ(NumPoligonos, 1);
    const TPoligono& p = Poligonos[0];
    EXPECT_EQ(p.Name, "Plgn1"); // cancelling keeps the proposed name
    EXPECT_EQ(p.Id, 1);
    EXPECT_EQ(p.PointCount, 3);
    ASSERT_EQ(p.Points.size(), 4u);
    EXPECT_DOUBLE_EQ(p.Points[3].y, 400.0);
    EXPECT_EQ(p.PenColor, 0x0000FFu);
    EXPECT_EQ(p.PenWidth, 3);
    EXPECT_EQ(p.BrushClear, 1);
    EXPECT_FALSE(viewer->Polygons().UserPolygonActive);
    EXPECT_TRUE(viewer->Selection().PolyPoints.isEmpty());
    EXPECT_TRUE(viewer->Down(Cmd::tbPoligonos));
    for (const char* menu : {"EliminarPoligonos", "pupRedefinirPoligonos", "ReconfigurarPoligonos"}) {
        QMenu* m = viewer->findChild<QMenu*>(QString::fromLatin1(menu));
        ASSERT_TRUE(m) << menu;
        ASSERT_EQ(m->actions().size(), 1) << menu;
        EXPECT_EQ(m->actions()[0]->text(), "Plgn1");
        EXPECT_EQ(m->actions()[0]->data().toInt(), 0);
    }

    answer = "Parque";
    viewer->Polygons().UserPolygonActive = true;
    viewer->Selection().PolyPoints = QPolygonF({QPointF(0, 0), QPointF(10, 0), QPointF(10, 10)});
    DoubleClickAt(10, 10);
    EXPECT_EQ(Poligonos[1].Name, "Parque");
    answer.clear();
    viewer->Polygons().UserPolygonActive = true;
    viewer->Selection().PolyPoints = QPolygonF({QPointF(0, 0), QPointF(10, 0), QPointF(10, 10)});
    DoubleClickAt(10, 10);
    EXPECT_EQ(proposed, (std::vector<std::string>{"Plgn1", "Plgn2", "Plgn3"}));

    // With polygon selection ticked, the polygon under the pointer is named.
    RecordingServices ui;
    viewer->Selection().PolySelectKind = 0;
    viewer->SetDown(Cmd::SeleccionarPoligono, true);
    viewer->MapEdit().PolygonUnderCursor = 2;
    DoubleClickAt(10, 10);
    EXPECT_EQ(ui.messages, (std::vector<std::string>{"Poligono: 2 - Parque"}));
    viewer->MapEdit().PolygonUnderCursor = 0;
    viewer->SetDown(Cmd::SeleccionarPoligono, false);

    // A full table takes no more polygons.
    NumPoligonos = MaxPoligonos + 1;
    viewer->Polygons().UserPolygonActive = true;
    viewer->Selection().PolyPoints = QPolygonF({QPointF(0, 0), QPointF(10, 0), QPointF(10, 10)});
    DoubleClickAt(10, 10);
    EXPECT_EQ(NumPoligonos, MaxPoligonos + 1);
    EXPECT_EQ(ui.messages.size(), 2u);
}

TEST_F(DblClick, BackgroundLinesInsideTheRegionAreMarkedDeleted)
{
    GeoLayers().NumGeoLayers = 1;
    GeoLayers().GeoLayerEnd[1] = 2;
    GeoLayers().GeoLinks[1] = GeoLink{1, 2, {TPoint{100, 100}, TPoint{900, 900}}, {}, 0, "calle"};
    GeoLayers().GeoLinks[2] = GeoLink{2, 2, {TPoint{100, 100}, TPoint{1900, 900}}, {}, 0, "borde"};
    viewer->Selection().PolySelectKind = 4;
    viewer->Selection().PolyPoints =
        QPolygonF({QPointF(0, 0), QPointF(1000, 0), QPointF(1000, 1000), QPointF(0, 1000)});
    DoubleClickAt(10, 10);
    EXPECT_EQ(GeoLayers().GeoLinks[1].Name, GeoDeletedName);
    EXPECT_EQ(GeoLayers().GeoLinks[2].Name, "borde"); // one point outside
    EXPECT_EQ(viewer->Selection().PolySelectKind, 0);
    EXPECT_TRUE(viewer->Selection().SelectionRegion.contains(QPoint(100, 300)));
    GeoLayers().NumGeoLayers = 0;
    GeoLayers().GeoLayerEnd[1] = 0;
}
