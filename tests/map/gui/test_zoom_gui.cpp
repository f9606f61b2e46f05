// Zoom and navigation on the main window with the sample network: the zoom box,
// pan and magnifier driven by the mouse, the wheel, the aerial overview's drag,
// the street-level address, and the size and scale dialogs.
#include "mainwindow/Aptta.h"
#include "mainwindow/DlgCfg.h"
#include "mainwindow/PalvonViewer.h"
#include "mainwindow/SecondaryWindows.h"
#include "map/DrawState.h"
#include "map/Ranges.h"
#include "map/ZoomHistory.h"
#include "map/ZoomMouse.h"
#include "map/gui/DataLayers.h"
#include "map/gui/FrmAerial.h"
#include "map/gui/OxrImage.h"
#include "model/KDVlib.h"
#include "model/KDVvars.h"
#include "model/PalvonRead.h"
#include "model/PalvonVars.h"
#include "model/ZelUtils.h"
#include "model/ZelUtm.h"
#include "support/FileDialogAnswer.h"
#include "support/GuiTestUtil.h"
#include "support/LiveMenus.h"
#include "support/RecordingServices.h"
#include "support/TestUtil.h"
#include "support/ViewerFixture.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QElapsedTimer>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScrollArea>
#include <QSlider>
#include <QSpinBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTest>
#include <QSignalSpy>
#include <QTimer>
#include <QToolBar>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <fstream>
#include <functional>

namespace {

class ZoomWindow : public ViewerFixture {
protected:
    void SetUp() override
    {
        ViewerFixture::SetUp();
        viewer->show();
        QApplication::processEvents();
        ASSERT_TRUE(viewer->Files().AbrirRedPalvon(std::string(VELMORA_SOURCE_DIR) + "/samples/ejemplo.dat"));
        map = viewer->img;
    }
    void Drag(QWidget* w, Qt::MouseButton button, QPoint from, QPoint to)
    {
        QTest::mousePress(w, button, {}, from);
        QTest::mouseMove(w, to);
        QTest::mouseRelease(w, button, {}, to);
    }
    // Answers the next modal dialogs in turn (each step gets the dialog).
    void AnswerModals(std::vector<std::function<void(QWidget*)>> steps)
    {
        auto* timer = new QTimer(viewer);
        auto pending = std::make_shared<std::vector<std::function<void(QWidget*)>>>(std::move(steps));
        QObject::connect(timer, &QTimer::timeout, timer, [timer, pending] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || pending->empty())
                return;
            auto step = pending->front();
            pending->erase(pending->begin());
            step(modal);
            if (pending->empty())
                timer->stop();
        });
        timer->start(10);
    }
    static void TypeAndAccept(QWidget* dialog, const QString& text)
    {
        dialog->findChild<QLineEdit*>()->setText(text);
        QMetaObject::invokeMethod(dialog, "accept");
    }

    TOxrImage* map = nullptr;
};

} // namespace

TEST_F(ZoomWindow, ZoomBoxDraggedOnTheMapBecomesTheViewAndTheNextSlot)
{
    const TZoomSlot whole = Zoom::CurrentView();
    EXPECT_FALSE(livemenus::Find(viewer, "aVistaAnterior")->isEnabled());
    const double x1 = map->PixelToWorldX(100), y1 = map->PixelToWorldY(100);
    const double x2 = map->PixelToWorldX(300), y2 = map->PixelToWorldY(260);
    Drag(map, Qt::LeftButton, {100, 100}, {300, 260});
    EXPECT_EQ(UserView().ZoomIndex, 2);
    EXPECT_DOUBLE_EQ(UserView().WorldMinX, x1);
    EXPECT_DOUBLE_EQ(UserView().WorldMaxX, x2);
    EXPECT_DOUBLE_EQ(UserView().WorldMinY, y2);
    EXPECT_DOUBLE_EQ(UserView().WorldMaxY, y1);
    EXPECT_DOUBLE_EQ(UserView().ZoomHistory[2].MinY, y2);
    EXPECT_DOUBLE_EQ(map->MinX(), x1); // the map was redrawn over the new window
    EXPECT_FALSE(viewer->MapView().RubberBand);
    EXPECT_TRUE(livemenus::Find(viewer, "aVistaAnterior")->isEnabled());

    // Along a row (10 pixels up or down at most) nothing zooms; the rubber box goes.
    const QImage before = map->Picture();
    Drag(map, Qt::LeftButton, {100, 100}, {400, 110});
    EXPECT_EQ(UserView().ZoomIndex, 2);
    EXPECT_DOUBLE_EQ(UserView().WorldMinX, x1);
    EXPECT_EQ(map->Picture(), before);

    livemenus::Find(viewer, "aVistaAnterior")->trigger();
    EXPECT_EQ(UserView().ZoomIndex, 1);
    EXPECT_DOUBLE_EQ(UserView().WorldMinX, whole.MinX);
    EXPECT_DOUBLE_EQ(UserView().WorldMaxY, whole.MaxY);
}

TEST_F(ZoomWindow, PanMovesTheViewByTheDragAtTheSameScaleWheelZoomsOnlyWhenActive)
{
    viewer->SetDown(Cmd::tbMove, true);
    const double upp = map->UnitsPerPixel();
    const double minX = map->MinX(), minY = map->MinY();
    Drag(map, Qt::LeftButton, {200, 200}, {250, 230});
    EXPECT_FALSE(viewer->MapView().Panning);
    EXPECT_NEAR(UserView().WorldMinX, minX - 50 * upp, 1e-6 * upp);
    EXPECT_NEAR(UserView().WorldMinY, minY + 30 * upp, 1e-6 * upp);
    EXPECT_NEAR(map->UnitsPerPixel(), upp, 1e-9 * upp);
    EXPECT_EQ(UserView().ZoomIndex, 1);
    viewer->SetDown(Cmd::tbMove, false);

    const TZoomSlot v = Zoom::CurrentView();
    auto wheel = [&](int delta) {
        QWheelEvent e(QPointF(50, 50), map->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(map, &e);
    };
    wheel(120);
    const double w = v.MaxX - v.MinX;
    EXPECT_NEAR(UserView().WorldMinX, v.MinX + w * UserView().ZoomFactor, 1e-6 * w);
    EXPECT_NEAR(UserView().WorldMaxX, v.MaxX - w * UserView().ZoomFactor, 1e-6 * w);
    Secondary::DlgCfg().WheelActive->setChecked(false);
    const TZoomSlot zoomed = Zoom::CurrentView();
    wheel(-120);
    EXPECT_DOUBLE_EQ(UserView().WorldMinX, zoomed.MinX);
    // A region pick under way keeps the view: zoom steps wait for it.
    Secondary::DlgCfg().WheelActive->setChecked(true);
    viewer->Selection().PolySelectKind = 1;
    livemenus::Find(viewer, "aAcercar1")->trigger();
    EXPECT_DOUBLE_EQ(UserView().WorldMinX, zoomed.MinX);
    viewer->Selection().PolySelectKind = 0;
}

TEST_F(ZoomWindow, MagnifierFollowsThePointerAndRightClickNeverMovesIt)
{
    Secondary::DlgCfg().VisorZoomSize->setValue(200);
    Secondary::DlgCfg().EscalaZoom->SetItemIndex(4); // 10x
    viewer->SetDown(Cmd::tbZoom, true);
    TOxrImage* lens = viewer->MapView().zimg;
    QTest::mousePress(map, Qt::LeftButton, {}, QPoint(300, 200));
    EXPECT_TRUE(lens->isVisible());
    EXPECT_EQ(lens->size(), QSize(200, 200));
    EXPECT_EQ(lens->pos(), QPoint(200, 100));
    // 20 x 20 pixels of the map fill the lens.
    EXPECT_DOUBLE_EQ(lens->MinX(), map->PixelToWorldX(290));
    EXPECT_DOUBLE_EQ(lens->MaxX(), map->PixelToWorldX(310));
    QTest::mouseMove(map, QPoint(320, 210));
    EXPECT_EQ(lens->pos(), QPoint(220, 110));
    QTest::mouseRelease(map, Qt::LeftButton, {}, QPoint(320, 210));
    EXPECT_FALSE(lens->isVisible());
    EXPECT_FALSE(viewer->MapView().ZoomFollow);

    // Kept on show, the lens is dragged with the left button; the right one opens
    // the options on the magnifier page only.
    Secondary::DlgCfg().ZoomPermanente->setChecked(true);
    QTest::mousePress(map, Qt::LeftButton, {}, QPoint(300, 200));
    QTest::mouseRelease(map, Qt::LeftButton, {}, QPoint(300, 200));
    ASSERT_TRUE(lens->isVisible());
    int visibleTabs = -1;
    AnswerModals({[&](QWidget* d) {
        visibleTabs = 0;
        for (int k = 0; k < Secondary::DlgCfg().CfgPaginas->count(); ++k)
            visibleTabs += Secondary::DlgCfg().CfgPaginas->isTabVisible(k);
        QMetaObject::invokeMethod(d, "reject");
    }});
    QTest::mousePress(lens, Qt::RightButton, {}, QPoint(50, 50));
    QTest::mouseMove(lens, QPoint(90, 90));
    QTest::mouseRelease(lens, Qt::RightButton, {}, QPoint(90, 90));
    EXPECT_EQ(visibleTabs, 1);
    EXPECT_EQ(lens->pos(), QPoint(200, 100));
    EXPECT_TRUE(Secondary::DlgCfg().CfgPaginas->isTabVisible(0));
    Drag(lens, Qt::LeftButton, {50, 50}, {90, 70});
    EXPECT_EQ(lens->pos(), QPoint(240, 120));
    EXPECT_EQ(viewer->MapView().ClickPixX, 340);
}

// A magnifier kept on show over the map shows the map as it is after every redraw
// (a colour map chosen, another view, another network opened),
// the same picture a look at its place draws anew.
TEST_F(ZoomWindow, MagnifierKeptOnShowsTheMapRedrawnUnderIt)
{
    std::filesystem::copy_file(testutil::realDataPath("siouxfalls.dat"), tmp.file("sioux.dat"));
    Secondary::DlgCfg().VisorZoomSize->setValue(120);
    Secondary::DlgCfg().ZoomPermanente->setChecked(true);
    livemenus::Find(viewer, "tbZoom")->trigger();
    const QPoint node(map->WorldToPixelX(Nodos[1].X), map->WorldToPixelY(Nodos[1].Y)); // under the lens
    QTest::mousePress(map, Qt::LeftButton, {}, node);
    QTest::mouseRelease(map, Qt::LeftButton, {}, node);
    TOxrImage* lens = viewer->MapView().zimg;
    const std::vector<std::pair<const char*, std::function<void()>>> steps = {
        {"colores",
         [&] {
             QAction* colores = livemenus::Find(viewer, "tbColores");
             emit colores->menu()->aboutToShow();
             for (QAction* v : colores->menu()->actions())
                 if (v->isEnabled() && v->data().toInt() == 5)
                     v->trigger();
         }},
        {"acercar", [&] { livemenus::Find(viewer, "aAcercar1")->trigger(); }},
        {"otra red",
         [&] {
             testutil::AnswerFileDialog(viewer, tmp.file("sioux.dat"));
             ASSERT_TRUE(livemenus::Click(viewer, "menu:Archivo>Abrir", "aFileOpenItem"));
         }},
    };
    for (const auto& [name, step] : steps) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(lens->isVisible());
        const QImage before = lens->Picture().copy();
        step();
        testutil::settle();
        ASSERT_TRUE(lens->isVisible());
        const QImage shown = lens->Picture().copy();
        viewer->MapView().ZoomViewPalvon(); // a look at the same place, drawn anew
        EXPECT_TRUE(shown == lens->Picture());
        EXPECT_FALSE(before == lens->Picture()) << "the step changes what the magnifier shows";
    }
}

TEST_F(ZoomWindow, DraggingTheAerialRectangleMovesTheMainViewByTheSameDistance)
{
    viewer->MapView().ZoomIn();
    livemenus::Find(viewer, "tbAerial")->trigger(); // down: the window shows
    ASSERT_TRUE(FrmAerial->isVisible());
    QApplication::processEvents();
    viewer->MapView().DrawNetWorkAerial();
    TOxrImage* a = FrmAerial->aimg;
    const double width = FrmAerial->XTo - FrmAerial->XFrom, height = FrmAerial->YTo - FrmAerial->YFrom;
    const double xFrom = FrmAerial->XFrom, yFrom = FrmAerial->YFrom;
    const QPoint c = FrmAerial->ViewRegion.boundingRect().center();
    ASSERT_TRUE(FrmAerial->ViewRegion.contains(c));
    const double dx = a->PixelToWorldX(c.x() + 12) - a->PixelToWorldX(c.x());
    const double dy = a->PixelToWorldY(c.y() + 7) - a->PixelToWorldY(c.y());
    Drag(a, Qt::LeftButton, c, c + QPoint(12, 7));
    EXPECT_NEAR(UserView().WorldMinX, xFrom + dx, 1e-6 * width);
    EXPECT_NEAR(UserView().WorldMinY, yFrom + dy, 1e-6 * width);
    EXPECT_NEAR(UserView().WorldMaxX - UserView().WorldMinX, width, 1e-6 * width);
    EXPECT_NEAR(UserView().WorldMaxY - UserView().WorldMinY, height, 1e-6 * width);
    EXPECT_EQ(UserView().ZoomIndex, 1);
    // The overview then shows the new view; a press outside it does nothing.
    EXPECT_NEAR(FrmAerial->XFrom, xFrom + dx, 1e-6 * width);
    const TZoomSlot moved = Zoom::CurrentView();
    Drag(a, Qt::LeftButton, {1, 1}, {30, 30});
    EXPECT_DOUBLE_EQ(UserView().WorldMinX, moved.MinX);
}

// The aerial overview shows the links of the network open, whatever the one before
// it: another network of the same extent, and the same file read again after it
// changed, both opened from the menu, leave no link of the earlier one in it.
TEST_F(ZoomWindow, AerialOverviewShowsTheNetworkOpenedSinceOfTheSameExtent)
{
    namespace fs = std::filesystem;
    const std::string text = testutil::readFile(testutil::realDataPath("siouxfalls.dat"));
    const std::string link = "    8    9  600  690 5050  2  10000    4    1\r\n"; // both ways of 8-9
    ASSERT_NE(text.find(link), std::string::npos);
    std::string without = text;
    without.erase(without.find(link), link.size());
    const std::vector<std::pair<const char*, const char*>> rows = {{"sioux.dat", "menos.dat"}, {"sioux.dat", "sioux.dat"}};
    for (const auto& [first, then] : rows) {
        SCOPED_TRACE(then);
        testutil::writeFile(tmp.file("sioux.dat"), text);
        testutil::writeFile(tmp.file("menos.dat"), without);
        testutil::AnswerFileDialog(viewer, tmp.file(first));
        ASSERT_TRUE(livemenus::Click(viewer, "menu:Archivo>Abrir", "aFileOpenItem"));
        if (!livemenus::Find(viewer, "tbAerial")->isChecked())
            livemenus::Find(viewer, "tbAerial")->trigger();
        ASSERT_TRUE(FrmAerial->isVisible());
        QApplication::processEvents();
        // Ink of the overview around the middle of link 8-9.
        const auto ink = [] {
            const TOxrImage* a = FrmAerial->aimg;
            const int32_t n8 = KDVlib::FindNodo(8), n9 = KDVlib::FindNodo(9);
            const QImage& picture = a->Picture();
            const QPoint mid(a->WorldToPixelX((double(Nodos[n8].X) + Nodos[n9].X) / 2),
                             a->WorldToPixelY((double(Nodos[n8].Y) + Nodos[n9].Y) / 2));
            int dark = 0;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    dark += qGray(picture.pixel(mid + QPoint(dx, dy))) < 240;
            return dark;
        };
        ASSERT_GT(ink(), 0);
        if (std::string(then) == first)
            testutil::writeFile(tmp.file("sioux.dat"), without);
        testutil::AnswerFileDialog(viewer, tmp.file(then));
        ASSERT_TRUE(livemenus::Click(viewer, "menu:Archivo>Abrir", "aFileOpenItem"));
        QApplication::processEvents();
        ASSERT_EQ(KDVlib::FindArco(8, 9), 0);
        EXPECT_EQ(ink(), 0);
    }
}

TEST_F(ZoomWindow, StreetViewOfTheClickedPointWritesItsAddressOnce)
{
    EXPECT_EQ(StreetViewUrl(10.5, -20.25),
              std::string(StreetViewHost) + "/maps?q=&layer=c&cbll=10.500000,-20.250000&cbp=10,0,0,0,0");

    std::filesystem::current_path(tmp.path());
    QStringList opened;
    Secondary::StreetView().OnNavigate = [&](const QString& url) { opened << url; };
    viewer->MapView().ClickPixX = 200;
    viewer->MapView().ClickPixY = 150;
    Secondary::DlgCfg().cbHuso->setCurrentIndex(18);  // UTM 19
    Secondary::DlgCfg().cbHemisf->setCurrentIndex(0); // "S: Hemisferio Sur"
    viewer->MapView().StreetViewPalvon();
    ZelUtm::TGeografica south;
    ZelUtm::UtmToGeo(19, "S", south, map->PixelToWorldX(200), map->PixelToWorldY(150));
    EXPECT_LT(south.Latitude, 0.0);
    const std::string first = StreetViewUrl(south.Latitude, south.Longitude);
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0].toStdString(), first);
    EXPECT_TRUE(StreetView->isVisible());

    Secondary::DlgCfg().cbHemisf->setCurrentIndex(1);
    viewer->MapView().StreetViewPalvon();
    ZelUtm::TGeografica north;
    ZelUtm::UtmToGeo(19, "N", north, map->PixelToWorldX(200), map->PixelToWorldY(150));
    EXPECT_GT(north.Latitude, 0.0);
    // One line, the last address shown.
    EXPECT_EQ(testutil::readFile(tmp.file("addr.txt")), StreetViewUrl(north.Latitude, north.Longitude) + "\r\n");

    // A link put under the name the program chose is not followed: what it leads
    // to stays as it was, and the user is told once, not at every click after.
    testutil::writeFile(tmp.file("notas.txt"), "del usuario");
    std::filesystem::remove(tmp.file("addr.txt"));
    std::filesystem::create_symlink(tmp.file("notas.txt"), tmp.file("addr.txt"));
    {
        RecordingServices ui;
        viewer->MapView().StreetViewPalvon();
        viewer->MapView().StreetViewPalvon();
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_NE(ui.messages[0].find("addr.txt en la carpeta"), std::string::npos) << ui.messages[0];
    }
    EXPECT_TRUE(std::filesystem::is_symlink(tmp.file("addr.txt")));
    EXPECT_EQ(testutil::readFile(tmp.file("notas.txt")), "del usuario");
    StreetView->OnNavigate = nullptr;
}

// The browser engine and OpenGL are loaded only when the street view first shows
// a page; the aerial view needs neither.
TEST_F(ZoomWindow, StreetAndAerialViewsOpenFromTheirItemsLoadingTheBrowserOnlyThen)
{
    auto engineLoaded = [] {
        const std::string maps = testutil::readFile("/proc/self/maps");
        return maps.find("libQt6WebEngine") != std::string::npos || maps.find("libLLVM") != std::string::npos ||
               maps.find("swrast") != std::string::npos;
    };
    // An earlier street view of the same process may have loaded it already.
    const bool loadedBefore = engineLoaded();
    // Neither window is made before its item is used.
    EXPECT_EQ(FrmAerial, nullptr);
    EXPECT_EQ(StreetView, nullptr);

    ASSERT_TRUE(livemenus::Click(viewer, "menu:Ver", "tbAerial"));
    ASSERT_TRUE(FrmAerial->isVisible());
    const QImage aerial = FrmAerial->aimg->Picture();
    const QRgb paper = aerial.pixel(0, 0);
    int ink = 0;
    for (int y = 0; y < aerial.height(); ++y)
        for (int x = 0; x < aerial.width(); ++x)
            ink += aerial.pixel(x, y) != paper;
    EXPECT_GT(ink, 200);
    EXPECT_EQ(engineLoaded(), loadedBefore);

    std::filesystem::current_path(tmp.path());
    ASSERT_TRUE(livemenus::Click(viewer, "toolbar:tbarEstandar", "tbStreet"));
    QTest::mouseClick(map, Qt::LeftButton, {}, {200, 150});
    ASSERT_TRUE(StreetView->isVisible());
    QWidget* page = StreetView->browserStreetView;
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(page->inherits("QWebEngineView"));
    EXPECT_TRUE(engineLoaded());
    const std::string url = testutil::readFile(tmp.file("addr.txt"));
    EXPECT_EQ(page->property("url").toUrl().toString().toStdString() + "\r\n", url);
    // The service is out of reach here: a page of our own shows that the browser
    // draws, and "Copiar" puts what it shows, at the browser's size, on the clipboard.
    QSignalSpy loaded(page, SIGNAL(loadFinished(bool)));
    page->setProperty("url", QUrl("data:text/html,<body style='background:%23ff0000'></body>"));
    ASSERT_TRUE(loaded.wait(20000));
    QImage copied;
    for (int i = 0; i < 100; ++i, QTest::qWait(50)) {
        StreetView->Copiar->trigger();
        copied = QApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(copied.size(), QSize(800, 580));
        if (copied.pixel(400, 290) == qRgb(255, 0, 0))
            break;
    }
    EXPECT_EQ(copied.pixel(400, 290), qRgb(255, 0, 0));
}

TEST_F(ZoomWindow, SizeDialogSampleAndSizeOnOk)
{
    QAction* item = livemenus::Find(viewer, "Tamano2");
    AnswerModals({[&](QWidget* d) {
        // The node sample: a circle of the size's radius about the centre (120, 35),
        // the figure boxed at the centre.
        QImage pic = DlgSize->sz->Picture();
        auto inkColumns = [](const QImage& img) {
            int left = img.width(), right = -1;
            for (int y = 0; y < img.height(); ++y)
                for (int x = 0; x < img.width(); ++x)
                    if (img.pixelColor(x, y) != Qt::white) {
                        left = std::min(left, x);
                        right = std::max(right, x);
                    }
            return std::make_pair(left, right);
        };
        EXPECT_EQ(inkColumns(pic), std::make_pair(111, 129));
        DlgSize->tbSize->setValue(10);
        EXPECT_EQ(inkColumns(DlgSize->sz->Picture()), std::make_pair(110, 130));
        QMetaObject::invokeMethod(d, "accept");
    }});
    UserView().NodeSize = 9;
    viewer->MapView().Tamano(item, 2);
    EXPECT_EQ(UserView().NodeSize, 10);
    EXPECT_EQ(item->text(), "Tamaño (10)");
    AnswerModals({[&](QWidget* d) {
        DlgSize->tbSize->setValue(15);
        QMetaObject::invokeMethod(d, "reject");
    }});
    viewer->MapView().Tamano(item, 2);
    EXPECT_EQ(UserView().NodeSize, 10);
    UserView().NodeSize = 3;
}

TEST_F(ZoomWindow, ScaleDialogShowsOneToNAndStoresOnOk)
{
    UserView().RangeMax = 250.0f;
    UserView().PixsVol = 25;
    UserView().NumFormat = Tfmt{};
    AnswerModals({[&](QWidget* d) {
        EXPECT_EQ(KDVscale->vMax->text(), "250");
        EXPECT_EQ(KDVscale->Panel2->text(), "   10.00");
        KDVscale->spPixsVol->setValue(1);
        EXPECT_EQ(KDVscale->Panel2->text(), "  250.00"); // 1 pixel: the maximum itself
        KDVscale->Fixed->setChecked(true);
        EXPECT_TRUE(viewer->MapView().Fixed->isVisibleTo(viewer));
        KDVscale->vMax->setText("400");
        QMetaObject::invokeMethod(d, "accept");
    }});
    livemenus::Click(viewer, "menu:Ver", "Escala1");
    EXPECT_EQ(UserView().PixsVol, 1);
    EXPECT_FLOAT_EQ(UserView().RangeMax, 400.0f);

    // Cancel keeps everything, the keep-the-maximum box included.
    AnswerModals({[&](QWidget* d) {
        KDVscale->Fixed->setChecked(false);
        KDVscale->spPixsVol->setValue(60);
        QMetaObject::invokeMethod(d, "reject");
    }});
    livemenus::Click(viewer, "menu:Ver", "Escala1");
    EXPECT_EQ(UserView().PixsVol, 1);
    EXPECT_TRUE(KDVscale->Fixed->isChecked());
    KDVscale->Fixed->setChecked(false);

    // A maximum shown rounded and left as it is stays whole.
    UserView().RangeMax = 0.4f;
    AnswerModals({[&](QWidget* d) {
        EXPECT_EQ(KDVscale->vMax->text(), "0");
        KDVscale->spPixsVol->setValue(30);
        EXPECT_EQ(KDVscale->Panel2->text().trimmed(), "0.01"); // 0.4 / 30, not 0 / 30
        QTest::mouseClick(KDVscale->Buttons->buttons().front(), Qt::LeftButton);
        (void)d;
    }});
    livemenus::Click(viewer, "menu:Ver", "Escala1");
    EXPECT_EQ(UserView().PixsVol, 30);
    EXPECT_FLOAT_EQ(UserView().RangeMax, 0.4f);
}

TEST_F(ZoomWindow, KeepMaximumBoxHoldsTheScaleWhenAnotherVariableIsPicked)
{
    QAction* escala = livemenus::Find(viewer, QStringLiteral("Escala1"));
    ASSERT_NE(escala, nullptr);
    QAction* pick = nullptr;
    for (QAction* a : viewer->Grids().VarArcos->actions())
        if (a->text() == QStringLiteral("Capacidad"))
            pick = a;
    ASSERT_NE(pick, nullptr);
    UserView().RangeMode = 1;

    // The user types a maximum, ticks "keep", and accepts.
    AnswerModals({[&](QWidget* d) {
        KDVscale->vMax->setText("777");
        QTest::mouseClick(KDVscale->Fixed, Qt::LeftButton);
        QMetaObject::invokeMethod(d, "accept");
    }});
    escala->trigger();
    EXPECT_TRUE(KDVscale->Fixed->isChecked());
    EXPECT_TRUE(viewer->MapView().Fixed->isVisibleTo(viewer));
    EXPECT_TRUE(UserView().ScaleFixed);
    // Another variable keeps the scale's maximum as typed, pick after pick (the
    // classes reach just past it).
    for (int again = 0; again < 2; ++again)
        pick->trigger();
    EXPECT_EQ(UserView().RangeName, "Cap");
    EXPECT_FLOAT_EQ(UserView().RangeMax, 777.0f);
    EXPECT_FLOAT_EQ(UserView().RangeTable[size_t(UserView().NumRanges)].High, 777.0f * 1.001f);

    // Unticked, the next pick takes the variable's own maximum.
    AnswerModals({[&](QWidget* d) {
        QTest::mouseClick(KDVscale->Fixed, Qt::LeftButton);
        QMetaObject::invokeMethod(d, "accept");
    }});
    escala->trigger();
    EXPECT_FALSE(UserView().ScaleFixed);
    EXPECT_FALSE(viewer->MapView().Fixed->isVisibleTo(viewer));
    pick->trigger();
    const int32_t capColumn = UserView().RangeVarArcos;
    ASSERT_GT(capColumn, 1);
    EXPECT_FLOAT_EQ(UserView().RangeMax, Arcos[ArcosMaxRec].Var[ColVarArcos[static_cast<size_t>(capColumn)]] * 1.001f);
    EXPECT_NE(UserView().RangeMax, 777.0f * 1.001f);
}

TEST_F(ZoomWindow, BarLegendStaysInsideTheMapWhenASecondVariableIsAdded)
{
    QAction* first = nullptr;
    QAction* second = nullptr;
    for (QAction* a : viewer->Grids().VarArcos->actions()) {
        if (a->text() == QStringLiteral("Capacidad"))
            first = a;
        if (a->text() == QStringLiteral("Longitud"))
            second = a;
    }
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    // Nothing chosen yet: the variable colours are not offered.
    EXPECT_FALSE(livemenus::Find(viewer, "cvs")->isVisible());
    EXPECT_FALSE(livemenus::Find(viewer, "cv0")->isVisible());
    UserView().RangeMode = 1;
    UserView().DataLayerKind = 1;
    UserView().ShownVarList.clear();

    first->trigger();
    viewer->RedrawMap();
    QApplication::processEvents();
    ASSERT_TRUE(viewer->Scl->isVisible());
    const QRect before = viewer->Scl->geometry();
    EXPECT_TRUE(map->rect().contains(before)) << before.bottom() << " " << map->height();
    EXPECT_FALSE(livemenus::Find(viewer, "cvs")->isVisible());

    // The second variable with Ctrl held: the legend gets a row per variable.
    QTest::keyPress(viewer->windowHandle(), Qt::Key_Control, Qt::ControlModifier);
    second->trigger();
    QTest::keyRelease(viewer->windowHandle(), Qt::Key_Control, Qt::NoModifier);
    ASSERT_EQ(UserView().ShownVarList.size(), 2u);
    EXPECT_TRUE(livemenus::Find(viewer, "cvs")->isVisible());
    EXPECT_TRUE(livemenus::Find(viewer, "cv1")->isVisible());
    EXPECT_FALSE(livemenus::Find(viewer, "cv2")->isVisible());
    viewer->RedrawMap();
    QApplication::processEvents();
    const QRect after = viewer->Scl->geometry();
    EXPECT_GT(after.height(), before.height());
    EXPECT_TRUE(map->rect().contains(after)) << after.bottom() << " " << map->height();
    EXPECT_EQ(after.left(), before.left());
    // On screen: the legend's frame closes at its bottom inside the map.
    const QImage shot = map->grab().toImage();
    const QRgb ink = shot.pixel(after.left() + after.width() / 2, after.bottom());
    EXPECT_LT(qGray(ink), 128);
    UserView().ShownVarList.clear();
}

TEST_F(ZoomWindow, MagnifierSizeIsBoundedAndTheImageFactorIsAskedUntilNonZero)
{
    AnswerModals({[](QWidget* d) { TypeAndAccept(d, "1000"); }});
    livemenus::Click(viewer, "popup:varLupa", "amao1");
    EXPECT_EQ(Secondary::DlgCfg().VisorZoomSize->value(), 500);

    AnswerModals({[](QWidget* d) { TypeAndAccept(d, "0"); }, [](QWidget* d) { TypeAndAccept(d, "2.5"); }});
    livemenus::Click(viewer, "menu:Procesos>Análisis de Intersecciones>Configurar", "FactorTamano");
    EXPECT_FLOAT_EQ(ImageSizeFactor, 2.5f);
    EXPECT_EQ(livemenus::Find(viewer, "FactorTamano")->text(), "Factor tamaño (2.50)");
    // The factor offered as the box shows it, in brackets and two decimals, is taken
    // as it stands: the factor stays whole and is not asked again, one offered as
    // "(0.00)" included.
    for (const float whole : {2.5f, 1.255f, 0.001f}) {
        ImageSizeFactor = whole;
        QString offered;
        int asked = 0;
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, [&] {
            if (QWidget* d = QApplication::activeModalWidget()) {
                if (++asked == 1)
                    offered = d->findChild<QLineEdit*>()->text();
                QMetaObject::invokeMethod(d, asked == 1 ? "accept" : "reject");
            }
        });
        answer.start(10);
        livemenus::Click(viewer, "menu:Procesos>Análisis de Intersecciones>Configurar", "FactorTamano");
        EXPECT_EQ(asked, 1) << whole;
        EXPECT_EQ(offered, QString::asprintf("(%.2f)", double(whole)));
        EXPECT_FLOAT_EQ(ImageSizeFactor, whole);
    }
    ImageSizeFactor = 1.0f;
}

// Turning the wheel steps the view at once and shows the last drawing scaled to
// it over the map; the map is drawn anew only once the wheel rests.
TEST_F(ZoomWindow, WheelShowsTheDrawingScaledAndRedrawsWhenItRests)
{
    ASSERT_TRUE(QTest::qWaitForWindowExposed(viewer));
    const QImage before = map->Picture();
    const TZoomSlot v = Zoom::CurrentView();
    const double upp = map->UnitsPerPixel();
    auto wheel = [&](int delta) {
        QWheelEvent e(QPointF(50, 50), map->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(map, &e);
    };
    // The sharp picture comes about twice the last redraw's shapes (its labels
    // left out) after the last notch (never under 40 ms), not after a fixed
    // quarter second.
    const int rest =
        std::max(40, 2 * int(map->LastDrawing.LastMapRedrawMs - map->LastDrawing.LastMapLabelMs));
    wheel(120);
    wheel(120);
    QElapsedTimer sinceNotch;
    sinceNotch.start();
    const double w = v.MaxX - v.MinX;
    const double w1 = w - 2 * w * UserView().ZoomFactor;
    EXPECT_NEAR(UserView().WorldMaxX - UserView().WorldMinX, w1 - 2 * w1 * UserView().ZoomFactor, 1e-6 * w);
    // Not drawn yet: the map keeps its drawing and scale, the layer over it shows
    // the drawing enlarged about the centre.
    EXPECT_EQ(map->Picture(), before);
    EXPECT_DOUBLE_EQ(map->UnitsPerPixel(), upp);
    QWidget* preview = map->findChild<QWidget*>(QStringLiteral("PanView"));
    ASSERT_NE(preview, nullptr);
    EXPECT_TRUE(preview->isVisible());
    const QImage shown = preview->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const TWorldWindow then = map->World();

    // Once the wheel rests the map is drawn over the new window (timed before the
    // scaled picture is examined, so that the examination cannot delay it).
    ASSERT_TRUE(QTest::qWaitFor([&] { return !preview->isVisible(); }, 1000));
    EXPECT_GE(sinceNotch.elapsed(), rest);
    EXPECT_LT(sinceNotch.elapsed(), rest + map->LastDrawing.LastMapRedrawMs + 150) << rest;
    EXPECT_NEAR(map->UnitsPerPixel(), upp * (UserView().WorldMaxX - UserView().WorldMinX) / w, 1e-6 * upp);
    EXPECT_NE(map->Picture(), before);
    // Where the drawing had ink at a node, the layer has ink where the node now lies.
    TWorldWindow now = then;
    now.SetWorld(UserView().WorldMinX, UserView().WorldMinY, UserView().WorldMaxX, UserView().WorldMaxY);
    auto inkNear = [](const QImage& image, QPoint p, int r) {
        for (int dy = -r; dy <= r; ++dy)
            for (int dx = -r; dx <= r; ++dx)
                if (image.rect().contains(p + QPoint(dx, dy)) && image.pixel(p + QPoint(dx, dy)) != qRgb(255, 255, 255))
                    return true;
        return false;
    };
    int inked = 0, same = 0;
    for (int32_t n = 1; n <= Network.NodeCount; ++n) {
        const TNodo& node = Nodos[n];
        const QPoint was(then.WorldToPixelX(node.X), then.WorldToPixelY(node.Y));
        const QPoint is(now.WorldToPixelX(node.X), now.WorldToPixelY(node.Y));
        if (!inkNear(before, was, 1) || !shown.rect().adjusted(3, 3, -3, -3).contains(is))
            continue;
        ++inked;
        same += inkNear(shown, is, 3);
    }
    EXPECT_GT(inked, 5);
    EXPECT_GT(same, inked * 9 / 10);

}

// berlin-center-truncated, whose file names no street, with a name after every
// link record (both directions of a street alike), written to `to`.
void WriteNamedBerlin(const std::string& to)
{
    constexpr const char* names[] = {"Karl-Marx-Allee", "Friedrichstrasse", "Unter den Linden", "Torstrasse",
                                        "Leipziger Strasse", "Invalidenstrasse", "Prenzlauer Allee", "Sonnenallee",
                                        "Kurfuerstendamm", "Potsdamer Strasse", "Frankfurter Allee", "Seestrasse"};
    std::istringstream in(testutil::readFile(testutil::realDataPath("berlin-center-truncated.dat")));
    std::string out;
    bool links = false;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.rfind("33333", 0) == 0 || line.rfind("99999", 0) == 0)
            links = line[0] == '3';
        else if (links && line.size() >= 10 && line[0] != 'C') {
            const int a = std::atoi(line.substr(0, 5).c_str()), b = std::atoi(line.substr(5, 5).c_str());
            line.resize(45, ' ');
            line += names[unsigned(std::min(a, b) * 31 + std::max(a, b)) % std::size(names)];
        }
        out += line + "\r\n";
    }
    testutil::writeFile(to, out);
}

// On berlin with a street name on every link, opened from the menu: turning the
// wheel with node numbers and street names on waits for the sharp picture no
// longer than with them off and one pass of the labels: the rest after the last
// notch is measured on the shapes alone.
TEST_F(ZoomWindow, WheelWaitsWithLabelsNoLongerThanOneLabelPassMore)
{
    ASSERT_TRUE(std::filesystem::exists(testutil::realDataPath("berlin-center-truncated.dat")))
        << "real networks not available";
    WriteNamedBerlin(tmp.file("berlin.dat"));
    testutil::AnswerFileDialog(viewer, tmp.file("berlin.dat"));
    ASSERT_TRUE(livemenus::Click(viewer, "menu:Archivo>Abrir", "aFileOpenItem"));
    ASSERT_EQ(DatFileName, "berlin.dat");
    ASSERT_TRUE(QTest::qWaitForWindowExposed(viewer));
    QWidget* preview = nullptr;
    const QPoint at = map->rect().center();
    auto wheel = [&](int delta) {
        QWheelEvent e(at, map->mapToGlobal(QPointF(at)), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(map, &e);
    };
    // Two notches in, the sharp picture, two notches out, the sharp picture: the
    // waits after the last notch, and the label passes of those two redraws.
    auto turn = [&](int& waited, int& labelMs) {
        waited = labelMs = 0;
        for (int delta : {120, -120}) {
            wheel(delta);
            wheel(delta);
            QElapsedTimer sinceNotch;
            sinceNotch.start();
            preview = map->findChild<QWidget*>(QStringLiteral("PanView"));
            EXPECT_TRUE(preview && QTest::qWaitFor([&] { return !preview->isVisible(); }, 5000));
            waited += int(sinceNotch.elapsed());
            labelMs += map->LastDrawing.LastMapLabelMs;
        }
    };
    auto median = [](std::vector<int> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    struct Measure {
        std::vector<int> waits, labels;
    } measures[2];
    for (int round = 0; round < 5; ++round)
        for (int on = 0; on < 2; ++on) { // alternated: a busy moment weighs on both alike
            for (TCommandId button : {Cmd::tbNameNodes, Cmd::tbCalles})
                if (viewer->Down(button) != bool(on)) {
                    ASSERT_TRUE(livemenus::Click(viewer, "toolbar:tbarArcos", CommandTable::Name(button)));
                }
            int waited = 0, labelMs = 0;
            turn(waited, labelMs);
            measures[on].waits.push_back(waited);
            measures[on].labels.push_back(labelMs);
        }
    const int off = median(measures[0].waits), on = median(measures[1].waits), pass = median(measures[1].labels);
    EXPECT_GT(pass, 0);
    EXPECT_LE(on, off + pass + 20) << "off " << off << " ms, on " << on << " ms, label passes " << pass << " ms";
}

namespace {

// The process's resident memory in kB (VmRSS), or its peak since the last reset (VmHWM).
long StatusKb(const char* key)
{
    std::ifstream in("/proc/self/status");
    for (std::string line; std::getline(in, line);)
        if (line.rfind(key, 0) == 0)
            return std::atol(line.c_str() + std::strlen(key));
    return -1;
}

// Picks the variable captioned `caption` (the first one when empty) from a
// data-layer button's drop-down, as the user does.
void PickFromDropDown(TPalvonViewer* viewer, QToolBar* bar, const char* button, const QString& caption)
{
    QAction* b = livemenus::ItemAt(bar, QString::fromLatin1(button));
    ASSERT_TRUE(b && b->menu()) << button;
    emit b->menu()->aboutToShow();
    for (QAction* item : b->menu()->actions())
        if (item->isEnabled() && (caption.isEmpty() || item->text() == caption)) {
            item->trigger();
            return;
        }
    ADD_FAILURE() << "nothing to pick under " << button;
}

} // namespace

// Small zoom boxes at the map's centre, one after another down to the deepest
// zoom the window allows, with every label layer on (the link values and the
// movement values, which exclude each other, in turn): memory and time stay
// bounded, and where the coordinates still resolve pixels the links of the node
// in the middle leave it in their own directions.
TEST_F(ZoomWindow, DeepZoomBoxesWithEveryLabelLayerStayBoundedAndTrue)
{
    // A zoning whose one zone covers the middle of the network, opened from the menu.
    const double w = Network.MaxX - Network.MinX, h = Network.MaxY - Network.MinY;
    const double x0 = Network.MinX + 0.2 * w, x1 = Network.MaxX - 0.2 * w;
    const double y0 = Network.MinY + 0.2 * h, y1 = Network.MaxY - 0.2 * h;
    const std::string zoning = tmp.file("zonas.geo");
    testutil::writeFile(zoning, ZelUtils::Format("%d,0,5,%.3f,%.3f,%.3f,%.3f,%.3f,%.3f,%.3f,%.3f,%.3f,%.3f\r\n",
                                                 Zonas[1].Number, x0, y0, x1, y0, x1, y1, x0, y1, x0, y0));
    testutil::AnswerFileDialog(viewer, zoning);
    ASSERT_TRUE(livemenus::Click(viewer, "menu:Archivo>Abrir", "aOpenZonif"));
    ASSERT_GT(Zonas[1].PolygonCount, 0);
    ASSERT_TRUE(livemenus::Click(viewer, "popup:BDerecho>Zonas>Etiquetas", "CodZona"));
    for (const char* button : {"tbNameNodes", "tbCalles", "tbCents"})
        ASSERT_TRUE(livemenus::Click(viewer, "toolbar:tbarArcos", button));
    PickFromDropDown(viewer, viewer->tbarArcos, "tbValues", QStringLiteral("ExtraData 1"));
    ASSERT_TRUE(viewer->Down(Cmd::tbValues));

    // The node nearest the map's centre.
    const QPoint centre = map->rect().center();
    int32_t node = 0;
    double best = INFINITY;
    for (int32_t n = 1; n <= Network.NodeCount; ++n) {
        const double d =
            std::hypot(map->WorldToPixelX(Nodos[n].X) - centre.x(), map->WorldToPixelY(Nodos[n].Y) - centre.y());
        if (Nodos[n].HasXY && d < best) {
            best = d;
            node = n;
        }
    }
    ASSERT_GT(node, 0);
    const TNodo& n = Nodos[node];
    const double resolution = std::max(std::nextafter(std::abs(double(n.X)), INFINITY) - std::abs(double(n.X)),
                                       std::nextafter(std::abs(double(n.Y)), INFINITY) - std::abs(double(n.Y)));

    // Boxes about the node until one zooms no deeper. Kept: the picture of the
    // deepest zoom whose pixels the coordinates still resolve (deeper, the node's
    // place is off by many pixels) and the node's place in it.
    QImage picture;
    QPointF c;
    double pictureScale = 0;
    auto zoomDown = [&] {
        std::ofstream("/proc/self/clear_refs") << "5"; // the peak starts again from here
        const long before = StatusKb("VmRSS:");
        QElapsedTimer clock;
        clock.start();
        int boxes = 0;
        for (double scale = map->UnitsPerPixel(); boxes < 60; ++boxes) {
            const QPoint at(std::clamp(map->WorldToPixelX(n.X), 20, map->width() - 20),
                            std::clamp(map->WorldToPixelY(n.Y), 20, map->height() - 20));
            Drag(map, Qt::LeftButton, at - QPoint(8, 8), at + QPoint(8, 8));
            if (!(map->UnitsPerPixel() < scale))
                break; // the window allows no deeper zoom
            scale = map->UnitsPerPixel();
            if (scale > 16 * resolution) {
                picture = map->Picture();
                c = QPointF(map->World().PixelX(n.X), map->World().Height - map->World().PixelUp(n.Y));
                pictureScale = scale;
            }
        }
        const double seconds = clock.elapsed() / 1000.0;
        EXPECT_LT(boxes, 60);
        EXPECT_GE(boxes, 7);
        EXPECT_LT(seconds, 30.0) << boxes << " boxes";
        EXPECT_LT(StatusKb("VmHWM:") - before, 150 * 1024) << "kB more at the peak after " << boxes << " boxes";
    };
    zoomDown();

    // There the network reaches far beyond the integer pixel range, the node sits
    // in the picture, and each straight link leaving it shows ink along its own
    // direction.
    ASSERT_GT(pictureScale, 0.0);
    EXPECT_GT(w / pictureScale, 4.0 * INT32_MAX);
    ASSERT_TRUE(picture.rect().contains(c.toPoint()));
    std::vector<double> bearings;
    for (int32_t l = 1; l <= Network.LinkCount; ++l)
        if (Arcos[l].AIndex == node && Arcos[l].PointCount == 2)
            bearings.push_back(std::atan2(-(Arcos[l].Points[2].y - Arcos[l].Points[1].y),
                                          Arcos[l].Points[2].x - Arcos[l].Points[1].x));
    ASSERT_FALSE(bearings.empty());
    const QRgb background = picture.pixel(5, picture.height() - 5);
    auto inkNear = [&](double a, double d) {
        for (int s = -1; s <= 1; ++s) {
            const QPoint p = (c + QPointF(d * std::cos(a) - s * std::sin(a), d * std::sin(a) + s * std::cos(a))).toPoint();
            if (picture.rect().contains(p) && picture.pixel(p) != background)
                return true;
        }
        return false;
    };
    for (double a : bearings)
        for (double d : {120.0, 180.0})
            EXPECT_TRUE(inkNear(a, d)) << "no link drawn at bearing " << a << ", " << d << " px out";

    // The whole network again, now with the movement values.
    ASSERT_TRUE(livemenus::Click(viewer, "toolbar:tbarEstandar", "tbZoomFirst"));
    PickFromDropDown(viewer, viewer->tbarMovimientos, "tbMovimLinks", QString());
    ASSERT_TRUE(livemenus::Click(viewer, "toolbar:tbarMovimientos", "tbMovimValues"));
    ASSERT_TRUE(viewer->Down(Cmd::tbMovimValues));
    zoomDown();
}
