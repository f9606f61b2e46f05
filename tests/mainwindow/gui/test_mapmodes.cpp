// The map tools and grid gestures driven the way a user drives them: commands found
// in the live menus and toolbars, then mouse and key events on the map and the
// grids of a network opened through the program.
#include "analysis/ArtFormula.h"
#include "analysis/Fases.h"
#include "analysis/gui/FrmFases.h"
#include "analysis/gui/KDVMix.h"
#include "analysis/gui/KDVpath.h"
#include "analysis/gui/DlgFormula.h"
#include "mainwindow/DlgCfg.h"
#include "mainwindow/PalvonViewer.h"
#include "map/gui/KDVscale.h"
#include <QCheckBox>
#include <QLabel>
#include "mainwindow/SecondaryWindows.h"
#include "mainwindow/tools/MapTools.h"
#include "map/ZoomHistory.h"
#include "map/DrawState.h"
#include "map/GeoLayers.h"
#include "map/PointLayers.h"
#include "map/Polygons.h"
#include "map/Ranges.h"
#include "map/gui/DataLayers.h"
#include "map/DisplayStyles.h"
#include "map/gui/OxrImage.h"
#include "analysis/gui/KDVstat.h"
#include "model/ComplementaryData.h"
#include "model/KDVlib.h"
#include "model/KDVlibPaths.h"
#include "model/KDVvars.h"
#include "model/LinkShapes.h"
#include "model/ProgramOptions.h"
#include "model/PalvonVars.h"
#include "model/ZelUtils.h"
#include "model/gui/FrmDat.h"
#include "platform/IniFile.h"
#include "support/GridsNetwork.h"
#include "support/FileDialogAnswer.h"
#include "support/GuiTestUtil.h"
#include "support/FormulaColumn.h"
#include "support/DrawnOnTop.h"
#include "support/LiveMenus.h"
#include "support/RecordingServices.h"
#include "support/TestUtil.h"
#include "support/ViewerFixture.h"
#include "widgets/DlgCfgWidgets.h"
#include "widgets/DualListDialog.h"
#include "widgets/StringAlignGrid.h"
#include "widgets/gaugeCaption.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QFileDialog>
#include <QColorDialog>
#include <QHeaderView>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTest>
#include <QProcess>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <csignal>
#include <sys/resource.h>

namespace {

// Runs f on the next modal window once it shows (tried every 20 ms for 4 s).
void WhenModal(std::function<void(QWidget*)> f, int tries = 200)
{
    QTimer::singleShot(20, [f, tries] {
        QWidget* w = QApplication::activeModalWidget();
        if (w && w->isVisible())
            f(w);
        else if (tries > 0)
            WhenModal(f, tries - 1);
    });
}

// "Interactiva" from the live menus with the two node numbers typed into its
// boxes; onWindow runs on the path window once it shows (and closes it).
void TypedPath(QWidget* viewer, const char* from, const char* to, std::function<void(QWidget*)> onWindow)
{
    auto answer = [](const char* text) {
        WhenModal([text](QWidget* w) {
            auto* d = qobject_cast<QInputDialog*>(w);
            ASSERT_NE(d, nullptr);
            d->setTextValue(QString::fromLatin1(text));
            d->accept();
        });
    };
    answer(from);
    QTimer::singleShot(300, [answer, to, onWindow] {
        answer(to);
        QTimer::singleShot(300, [onWindow] {
            WhenModal([onWindow](QWidget* w) {
                onWindow(w);
                w->close();
            });
        });
    });
    livemenus::Find(viewer, "InteractivaRmin")->trigger();
}

std::vector<double> Numbers(const std::string& line)
{
    std::vector<double> out;
    std::string field;
    // A layer file is written back with its own separator.
    std::istringstream in(line);
    const char sep = line.find(';') != std::string::npos ? ';' : ',';
    while (std::getline(in, field, sep))
        out.push_back(std::strtod(field.c_str(), nullptr));
    return out;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty())
            out.push_back(line);
    }
    return out;
}

class MapModes : public ViewerFixture {
protected:
    void SetUp() override
    {
        ViewerFixture::SetUp();
        NumPoligonos = 0; // no polygon of an earlier test to snap to
        std::filesystem::copy_file(std::string(VELMORA_SOURCE_DIR) + "/samples/ejemplo.dat", tmp.file("red.dat"));
        testutil::writeFile(tmp.file("Velmora.ini"), "[File Names]\r\nZonificacion=zonas.geo\r\n");
        testutil::writeFile(tmp.file("zonas.geo"),
                            "1,0,4,299700,6125500,299900,6125500,299900,6125700,299700,6125500\r\n"
                            "2,0,4,300500,6126300,300700,6126300,300700,6126400,300500,6126300\r\n");
        viewer->resize(1200, 800);
        viewer->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(viewer));
        ASSERT_TRUE(viewer->Files().AbrirRedPalvon(tmp.file("red.dat")));
        testutil::settle();
        ASSERT_GT(Zonas[KDVlib::FindZona(1)].PolygonCount, 0);
    }

    // A file opened through a command of the live menus, the question it raises
    // (if any) answered: returns the question's text, empty when none was asked.
    std::string OpenAnswering(const char* command, const std::string& file, QMessageBox::StandardButton answer)
    {
        QString asked;
        QPointer<QTimer> watch = testutil::AnswerNextBox(viewer, answer, asked);
        testutil::AnswerFileDialog(viewer, file);
        livemenus::Find(viewer, command)->trigger();
        testutil::settle();
        delete watch.data();
        return asked.toStdString();
    }

    QPoint Pix(double x, double y) const
    {
        return {viewer->img->WorldToPixelX(x), viewer->img->WorldToPixelY(y)};
    }
    double Wx(const QPoint& p) const { return viewer->img->PixelToWorldX(p.x()); }
    double Wy(const QPoint& p) const { return viewer->img->PixelToWorldY(p.y()); }

    void Drag(QPoint from, QPoint to, Qt::KeyboardModifiers keys = Qt::NoModifier)
    {
        QWidget* map = viewer->img;
        QTest::mouseMove(map, from);
        QTest::mousePress(map, Qt::LeftButton, keys, from);
        QTest::mouseMove(map, (from + to) / 2);
        QTest::mouseMove(map, to);
        QTest::mouseRelease(map, Qt::LeftButton, keys, to);
    }
    void Click(QPoint at, Qt::KeyboardModifiers keys = Qt::NoModifier)
    {
        QTest::mouseMove(viewer->img, at);
        QTest::mouseClick(viewer->img, Qt::LeftButton, keys, at);
    }
    // A file dragged onto the window and dropped there: opened when the window takes the drag.
    void DropFile(const std::string& file) { testutil::DropFile(viewer, file); }
    // A double click as the mouse makes it: press and release, then the second press
    // (the double click) and its release.
    void DoubleClickMap(QPoint at)
    {
        Click(at);
        QTest::mouseDClick(viewer->img, Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseRelease(viewer->img, Qt::LeftButton, Qt::NoModifier, at);
    }
    // Holds or lets go of a modifier key as the keyboard reports it.
    void HoldKey(Qt::Key key, Qt::KeyboardModifiers mods)
    {
        QTest::keyPress(viewer->windowHandle(), key, mods);
    }
    void ReleaseKey(Qt::Key key) { QTest::keyRelease(viewer->windowHandle(), key, Qt::NoModifier); }
    // The layer's line around the south-west block is taken away on the map: its
    // editing command, then a click on three corners and a double click on the last.
    void DeleteLayerLineOnMap()
    {
        livemenus::Find(viewer, "pupsedit")->trigger();
        for (const auto& [x, y] : {std::pair{299950.0, 6125450.0}, std::pair{300550.0, 6125450.0},
                                   std::pair{300550.0, 6125950.0}})
            Click(Pix(x, y));
        DoubleClickMap(Pix(299950, 6125950));
    }

    // The names of the transit lines drawn (every line's with `every`), each drawn
    // one of a few written in red in the lines grid.
    std::string ShownLines(bool every = false) const
    {
        std::string names;
        int32_t drawn = 0;
        for (int32_t l = 1; l <= Network.LineCount; ++l)
            drawn += Lineas[l].Visible ? 1 : 0;
        for (int32_t l = 1; l <= Network.LineCount; ++l)
            if (every || Lineas[l].Visible) {
                names += (names.empty() ? "" : ",") + ZelUtils::Trim(Lineas[l].Name);
                if (!every && drawn < Network.LineCount && viewer->sagLineas->FontColorCell(1, l) != QColor(Qt::red))
                    names += " (not red)";
            }
        return names;
    }

    static QPoint CellCentre(TStringAlignGrid* g, int col, int row)
    {
        const QRect r = g->visualRect(g->model()->index(row - g->FixedRows(), col));
        return g->viewport()->mapTo(g, r.center());
    }

    // A Shift double click on the row of link a-b offers its shape handles; its
    // midpoint handle dragged by `by` pixels inserts a point there (returned).
    QPoint InsertShapePoint(int32_t a, int32_t b, QPoint by)
    {
        OfferHandles(a, b);
        const TArcos& link = Arcos[KDVlib::FindArco(a, b)];
        const TPoint p = link.Points[1], q = link.Points[2];
        const QPoint mid = Pix((p.x + q.x) / 2, (p.y + q.y) / 2);
        QTest::mouseMove(viewer->img, mid);
        EXPECT_EQ(viewer->MapEdit().CurveVertex, 1);
        Drag(mid, mid + by);
        return mid + by;
    }
    // A Shift double click on the row of link a-b: its shape handles are offered.
    void OfferHandles(int32_t a, int32_t b)
    {
        TStringAlignGrid* links = viewer->sagArcos;
        viewer->tnDatos->setCurrentWidget(viewer->tsArcos);
        testutil::settle();
        int row = -1;
        for (int r = 1; r < links->RowCount(); ++r)
            if (links->cell(0, r) == std::to_string(a) && links->cell(1, r) == std::to_string(b))
                row = r;
        EXPECT_GT(row, 0);
        links->scrollTo(links->model()->index(row - links->FixedRows(), 0));
        const QPoint cell = CellCentre(links, 0, row);
        QTest::mouseMove(links, cell);
        QTest::mouseDClick(links->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                           links->viewport()->mapFrom(links, cell));
        EXPECT_EQ(viewer->MapEdit().CurveLink, KDVlib::FindArco(a, b));
    }
};

} // namespace

TEST_F(MapModes, ZoningMoveShiftsEveryZoneAndTheSavedZoningHoldsIt)
{
    const TZona before1 = Zonas[KDVlib::FindZona(1)];
    const TZona before2 = Zonas[KDVlib::FindZona(2)];
    QAction* move = livemenus::Find(viewer, "MoveZon");
    EXPECT_EQ(move->text(), "Mover");
    move->trigger();
    ASSERT_TRUE(move->isChecked());

    const QPoint from = Pix(300600, 6125600), to = Pix(300700, 6125550);
    Drag(from, to);
    const double dx = Wx(to) - Wx(from), dy = Wy(to) - Wy(from);
    ASSERT_GT(std::abs(dx), 10.0);
    EXPECT_FALSE(move->isChecked()) << "the move serves one drag";
    for (const TZona* z : {&before1, &before2}) {
        const TZona& now = Zonas[KDVlib::FindZona(z->Number)];
        ASSERT_EQ(now.PolygonCount, z->PolygonCount);
        for (int32_t k = 1; k <= now.PolygonCount; ++k) {
            EXPECT_NEAR(now.Polygon[k].x, z->Polygon[k].x + dx, 1e-6);
            EXPECT_NEAR(now.Polygon[k].y, z->Polygon[k].y + dy, 1e-6);
        }
    }
    // Network nodes stay where they are.
    EXPECT_FLOAT_EQ(Nodos[KDVlib::FindNodo(103)].X, 300600.0f);

    // "Recarga" reads the zoning file again: the moved outlines are asked about
    // first. "Cancelar", or "Sí" with a save that fails, keeps them and the
    // network as they are; once saved, the network read again shows them.
    ASSERT_TRUE(livemenus::Click(viewer, "menu:Archivo", "RedPalvon1"));
    auto reload = [&](QMessageBox::StandardButton answer, const std::string& file) {
        QString asked;
        QPointer<QTimer> watch = testutil::AnswerNextBox(viewer, answer, asked);
        if (!file.empty())
            testutil::AnswerFileDialog(viewer, file);
        FrmDat->findChild<QToolButton*>("tbReload")->click();
        testutil::settle();
        delete watch.data();
        return asked.toStdString();
    };
    auto movedStill = [&] {
        const TZona& now = Zonas[KDVlib::FindZona(1)];
        return now.PolygonCount == before1.PolygonCount &&
               std::abs(now.Polygon[1].x - (before1.Polygon[1].x + dx)) < 1e-4 &&
               std::abs(now.Polygon[1].y - (before1.Polygon[1].y + dy)) < 1e-4;
    };
    EXPECT_EQ(reload(QMessageBox::Cancel, ""),
              "Hay cambios sin grabar en la zonificación de red.dat.\n¿ Desea grabarlos ahora ?");
    EXPECT_TRUE(movedStill());
    // So does a zoning file opened in their place.
    EXPECT_EQ(OpenAnswering("aOpenZonif", tmp.file("zonas.geo"), QMessageBox::Cancel),
              "Hay cambios sin grabar en la zonificación de red.dat.\n¿ Desea grabarlos ahora ?");
    EXPECT_TRUE(movedStill());
    std::filesystem::create_directory(tmp.file("ro"));
    std::filesystem::permissions(tmp.file("ro"), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    {
        RecordingServices quiet;
        EXPECT_FALSE(reload(QMessageBox::Yes, tmp.file("ro/z.geo")).empty());
        EXPECT_EQ(quiet.messages.size(), 1u);
    }
    std::filesystem::permissions(tmp.file("ro"), std::filesystem::perms::owner_all);
    EXPECT_TRUE(movedStill());

    // The zoning saved from the zones pop-up holds the moved outlines.
    const std::string out = tmp.file("movida.geo");
    testutil::AnswerFileDialog(viewer, out);
    livemenus::Find(viewer, "SaveZon")->trigger();
    EXPECT_EQ(reload(QMessageBox::Cancel, ""), "");
    EXPECT_TRUE(movedStill());
    FrmDat->hide();
    const std::vector<std::string> lines = Lines(testutil::readFile(out));
    ASSERT_GE(lines.size(), 2u);
    const std::vector<double> first = Numbers(lines[0]);
    ASSERT_EQ(first.size(), 3u + 2u * static_cast<size_t>(before1.PolygonCount));
    EXPECT_EQ(first[0], 1);
    for (int32_t k = 1; k <= before1.PolygonCount; ++k) {
        EXPECT_NEAR(first[1 + 2 * k], before1.Polygon[k].x + dx, 1e-4);
        EXPECT_NEAR(first[2 + 2 * k], before1.Polygon[k].y + dy, 1e-4);
    }
}

// A traces file read over link shapes edited on the map asks about them first:
// "Cancelar" keeps the shape drawn.
TEST_F(MapModes, TracesReadOverEditedShapesAskFirst)
{
    InsertShapePoint(104, 105, QPoint(0, -25));
    const TArcos& link = Arcos[KDVlib::FindArco(104, 105)];
    const int32_t points = link.PointCount;
    const double y = link.Points[2].y;
    testutil::writeFile(tmp.file("tr.geo"), "104,105,2,300000,6125000,300100,6125100\n");
    EXPECT_EQ(OpenAnswering("aOpenTraza", tmp.file("tr.geo"), QMessageBox::Cancel),
              "Hay cambios sin grabar en el trazado de arcos de red.dat.\n¿ Desea grabarlos ahora ?");
    EXPECT_EQ(link.PointCount, points);
    EXPECT_EQ(link.Points[2].y, y);
    EXPECT_TRUE(livemenus::Find(viewer, "GrabarSIG")->isVisible());

    // Read over the shape on a "No", reshaped and saved: "Recarga" reads the
    // traces again, and the shapes saved after them last.
    OpenAnswering("aOpenTraza", tmp.file("tr.geo"), QMessageBox::No);
    ASSERT_EQ(link.Points[1].y, 6125000.0);
    InsertShapePoint(104, 105, QPoint(0, -25));
    std::vector<TPoint> shown;
    for (int32_t k = 1; k <= link.PointCount; ++k)
        shown.push_back(link.Points[k]);
    testutil::AnswerFileDialog(viewer, tmp.file("red.sig"));
    livemenus::Find(viewer, "GrabarSIG")->trigger();
    ASSERT_FALSE(livemenus::Find(viewer, "GrabarSIG")->isVisible());
    ASSERT_TRUE(livemenus::Click(viewer, "menu:Archivo", "RedPalvon1"));
    FrmDat->findChild<QToolButton*>("tbReload")->click();
    testutil::settle();
    FrmDat->hide();
    const TArcos& again = Arcos[KDVlib::FindArco(104, 105)];
    ASSERT_EQ(again.PointCount, static_cast<int32_t>(shown.size()));
    for (size_t k = 1; k + 1 < shown.size(); ++k) // the ends lie on the nodes
        EXPECT_NEAR(again.Points[k + 1].y, shown[k].y, 1e-4) << k;
}

TEST_F(MapModes, CollapseCirclePullsPolygonVerticesInsideOntoItsCentre)
{
    testutil::writeFile(tmp.file("p.plg"), "1;A;3;32768;1;13887443;0;300000;6125000;300040;6125010;300600;6125000\r\n"
                                           "2;B;3;32768;1;13887443;0;299990;6124970;301000;6125500;301000;6125000\r\n");
    viewer->Polygons().PolygonFileName = tmp.file("p.plg");
    ASSERT_TRUE(viewer->Polygons().ImportarPoligonosPlg());
    viewer->RedrawMap();
    const int32_t link = KDVlib::FindArco(102, 103);
    ASSERT_GT(link, 0);
    const TArcos shape = Arcos[link];

    QAction* colapsar = livemenus::Find(viewer, "tbColapsar");
    {
        // The button arms the drag and says how to use it, without a box.
        RecordingServices said;
        colapsar->trigger();
        EXPECT_TRUE(said.messages.empty());
        EXPECT_NE(said.status[1].find("Ctrl"), std::string::npos);
    }
    ASSERT_TRUE(viewer->Down(Cmd::tbColapsar));

    // Without Ctrl or Shift the button alone does not collapse: a plain press.
    const QPoint centre = Pix(300010, 6125000), edge = Pix(300110, 6125000);
    Drag(centre, edge);
    EXPECT_DOUBLE_EQ(Poligonos[0].Points[1].x, 300000.0);

    HoldKey(Qt::Key_Control, Qt::ControlModifier);
    QTest::mouseMove(viewer->img, centre);
    QTest::mousePress(viewer->img, Qt::LeftButton, Qt::ControlModifier, centre);
    EXPECT_TRUE(viewer->MapEdit().MapTools().Collapse().Dragging());
    QTest::mouseMove(viewer->img, edge);
    const double r = std::hypot(Wx(edge) - Wx(centre), Wy(edge) - Wy(centre));
    EXPECT_NEAR(viewer->MapEdit().MapTools().Collapse().Radius(), r, 1e-6) << "the radius follows the pointer";
    QTest::mouseRelease(viewer->img, Qt::LeftButton, Qt::ControlModifier, edge);
    ReleaseKey(Qt::Key_Control);
    EXPECT_FALSE(viewer->MapEdit().MapTools().Collapse().Dragging());

    const double cx = Wx(centre), cy = Wy(centre);
    const TPoligono& a = Poligonos[0];
    const TPoligono& b = Poligonos[1];
    EXPECT_DOUBLE_EQ(a.Points[1].x, cx);
    EXPECT_DOUBLE_EQ(a.Points[1].y, cy);
    EXPECT_DOUBLE_EQ(a.Points[2].x, cx);
    EXPECT_DOUBLE_EQ(b.Points[1].x, cx);
    EXPECT_DOUBLE_EQ(a.Points[3].x, 300600.0) << "outside the circle";
    EXPECT_DOUBLE_EQ(b.Points[2].x, 301000.0);
    // Link shapes inside the circle stay.
    for (int32_t k = 1; k <= shape.PointCount; ++k)
        EXPECT_DOUBLE_EQ(Arcos[link].Points[k].x, shape.Points[k].x);

    // The polygon file written afterwards holds the collapsed vertices.
    const std::string out = tmp.file("salida.plg");
    testutil::AnswerFileDialog(viewer, out);
    livemenus::Find(viewer, "aExportar1")->trigger();
    const std::vector<std::string> lines = Lines(testutil::readFile(out));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].rfind(ZelUtils::Format("1;A;3;32768;1;13887443;0;%.2f;%.2f;%.2f;%.2f;300600.00", cx, cy, cx, cy), 0),
              0u)
        << lines[0];
}

TEST_F(MapModes, BackgroundLineEditsWithTheMouseAreSavedInTheLayerFile)
{
    testutil::writeFile(tmp.file("bordes.geo"), "7;3;300000;6125100;300300;6125150;300600;6125100\r\n"
                                                "8;2;301000;6124800;301100;6124850\r\n");
    // The north kerb's label stands where the name file puts it, the south one's on
    // its line; the file's extension is in capitals, as files copied from other
    // systems often have it.
    testutil::writeFile(tmp.file("bordes.NAME"), "7;Borde norte;300310;6125160\r\n8;Borde sur;0;0\r\n");
    viewer->Display().OpenLineLayerFile(tmp.file("bordes.geo"), false);
    ASSERT_EQ(GeoLayers().NumGeoLayers, 1);
    viewer->RedrawMap();

    // "Mover" of the layer menu with "Todo": every vertex of the layer follows the drag.
    livemenus::Find(viewer, "mSoleraTodo")->trigger();
    QAction* move = livemenus::Find(viewer, "smove");
    move->trigger();
    ASSERT_TRUE(move->isChecked());
    const QPoint from = Pix(300300, 6125150), to = Pix(300340, 6125190);
    const TPoint label = GeoLayers().GeoLinks[1].LabelPos;
    ASSERT_EQ(GeoLayers().GeoLinks[1].Name, "Borde norte");
    Drag(from, to);
    const double dx = Wx(to) - Wx(from), dy = Wy(to) - Wy(from);
    EXPECT_FALSE(move->isChecked());
    // The names travel with their polylines.
    EXPECT_NEAR(GeoLayers().GeoLinks[1].LabelPos.x, label.x + dx, 1e-6);
    EXPECT_NEAR(GeoLayers().GeoLinks[1].LabelPos.y, label.y + dy, 1e-6);
    std::vector<std::string> lines = Lines(testutil::readFile(tmp.file("bordes.geo")));
    ASSERT_EQ(lines.size(), 2u);
    std::vector<double> f = Numbers(lines[0]);
    ASSERT_EQ(f.size(), 8u);
    EXPECT_EQ(f[0], 7);
    EXPECT_NEAR(f[4], 300300 + dx, 0.006);
    EXPECT_NEAR(f[5], 6125150 + dy, 0.006);
    // ... and so does the name file: the label point it gives goes with the move.
    lines = Lines(testutil::readFile(tmp.file("bordes.NAME")));
    ASSERT_EQ(lines.size(), 2u);
    f = Numbers(lines[0]);
    ASSERT_EQ(f.size(), 4u);
    EXPECT_NEAR(f[2], 300310 + dx, 1e-6);
    EXPECT_NEAR(f[3], 6125160 + dy, 1e-6);
    EXPECT_EQ(lines[1], "8;Borde sur;0;0");
    // A name file another program changed since is left as that program wrote it.
    const std::string theirs = "7;Borde norte;300000;6125000\r\n8;Borde sur;0;0\r\n";
    testutil::writeFile(tmp.file("bordes.NAME"), theirs);
    move->trigger();
    Drag(to, from);
    EXPECT_EQ(testutil::readFile(tmp.file("bordes.NAME")), theirs);
    const TPoint moved = GeoLayers().GeoLinks[1].LabelPos;

    // "Editar": the polyline inside the region drawn on the map is deleted, and the
    // next save leaves it out.
    QAction* edit = livemenus::Find(viewer, "pupsedit");
    EXPECT_EQ(edit->text(), "Editar");
    edit->trigger();
    EXPECT_EQ(viewer->Selection().PolySelectKind, 4);
    for (const auto& [x, y] : {std::pair{300950.0, 6124750.0}, std::pair{301200.0, 6124750.0},
                               std::pair{301200.0, 6124950.0}})
        Click(Pix(x, y));
    DoubleClickMap(Pix(300950, 6124950));
    EXPECT_EQ(viewer->Selection().PolySelectKind, 0);
    testutil::AnswerFileDialog(viewer, tmp.file("bordes.geo"));
    livemenus::Find(viewer, "GuardarSoleras")->trigger();
    testutil::settle();
    lines = Lines(testutil::readFile(tmp.file("bordes.geo")));
    ASSERT_EQ(lines.size(), 1u) << "the deleted polyline is not written";
    EXPECT_EQ(Numbers(lines[0])[0], 7);

    // Saved under another name, the layer opens there with its names.
    testutil::AnswerFileDialog(viewer, tmp.file("copia.geo"));
    livemenus::Find(viewer, "GuardarSoleras")->trigger();
    testutil::settle();
    viewer->Display().OpenLineLayerFile(tmp.file("copia.geo"), false);
    ASSERT_EQ(GeoLayers().NumGeoLayers, 1);
    EXPECT_EQ(GeoLayers().GeoLinks[1].Name, "Borde norte");
    EXPECT_NEAR(GeoLayers().GeoLinks[1].LabelPos.x, moved.x, 1e-6);
    EXPECT_NEAR(GeoLayers().GeoLinks[1].LabelPos.y, moved.y, 1e-6);

    // A names file standing alone under the name chosen is another's: "No" writes nothing.
    testutil::writeFile(tmp.file("sola.name"), "7;Otra;0;0\r\n");
    RecordingServices ui;
    testutil::AnswerFileDialog(viewer, tmp.file("sola.geo"));
    livemenus::Find(viewer, "GuardarSoleras")->trigger();
    testutil::settle();
    ASSERT_EQ(ui.questions.size(), 1u);
    EXPECT_NE(ui.questions[0].find("sola.name ya existe"), std::string::npos) << ui.questions[0];
    EXPECT_FALSE(std::filesystem::exists(tmp.file("sola.geo")));
    EXPECT_EQ(testutil::readFile(tmp.file("sola.name")), "7;Otra;0;0\r\n");
}

// The layer's file is the user's: a click of "Mover" that moves nothing writes
// nothing, the lines the reader did not take stay, a file changed on disk since
// it was read is replaced only on a yes, and "Guardar como ..." writes under the
// name the user gives, leaving the layer's own file as it is.
TEST_F(MapModes, BackgroundLayerFilesKeepWhatTheProgramDidNotRead)
{
    const std::string file = tmp.file("bordes.geo");
    const std::string original = "7;3;300000;6125100;300300;6125150;300600;6125100\r\n"
                                 "* trazado por el topógrafo\r\n"
                                 "8;3;301000;6124800\r\n";
    testutil::writeFile(file, original);
    {
        RecordingServices ui;
        viewer->Display().OpenLineLayerFile(file, false);
    }
    ASSERT_EQ(GeoLayers().NumGeoLayers, 1);
    viewer->RedrawMap();
    livemenus::Find(viewer, "mSoleraTodo")->trigger();
    QAction* move = livemenus::Find(viewer, "smove");
    const QPoint from = Pix(300300, 6125150), to = Pix(300340, 6125190);
    struct Step {
        const char* name;
        QPoint to;
        const char* otherProgram; // what another program wrote meanwhile ("" nothing)
        bool yes;
        bool written;
    };
    const Step steps[] = {
        {"click", from, "", false, false},
        {"changed on disk, kept", to, "9;1;1;1\r\n", false, false},
        {"changed on disk, replaced", to, "9;1;1;1\r\n", true, true},
        {"drag", to, "", false, true},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        const std::string before = testutil::readFile(file) + step.otherProgram;
        testutil::writeFile(file, before);
        RecordingServices ui;
        ui.answerYes = step.yes;
        move->trigger();
        Drag(from, step.to);
        EXPECT_EQ(ui.questions.size(), std::string(step.otherProgram).empty() ? 0u : 1u);
        const std::string after = testutil::readFile(file);
        if (!step.written) {
            EXPECT_EQ(after, before);
            continue;
        }
        const std::vector<std::string> lines = Lines(after);
        ASSERT_EQ(lines.size(), 3u) << after;
        EXPECT_NE(lines[0], Lines(before)[0]) << "moved";
        EXPECT_EQ(lines[1], "* trazado por el topógrafo");
        EXPECT_EQ(lines[2], "8;3;301000;6124800");
    }

    // A write refused (a read-only file) keeps the move pending: asked about
    // before the layers go, it is written once the file takes it.
    namespace fs = std::filesystem;
    fs::permissions(file, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    const std::string kept = testutil::readFile(file);
    {
        // Said at the first move, not again at the next while the file refuses it.
        RecordingServices ui;
        for (int moves = 0; moves < 2; ++moves) {
            move->trigger();
            Drag(from, to);
        }
        EXPECT_EQ(ui.messages.size(), 1u);
    }
    struct Ask {
        bool writable;
        const char* otherProgram; // what another program wrote meanwhile ("" nothing)
        bool replace; // the answer to "¿ Desea reemplazarlo ...?" for a file changed on disk
        bool asked;   // "las capas de soleras" in the question
        bool goesOn;  // the step that asked goes on
        size_t told;  // messages
        bool written;
    };
    // A file changed on disk and kept on a "No" is a save the user asked for and
    // did not get: the step stops with the move pending, as for a failed write.
    const Ask asks[] = {{false, "", false, true, false, 1, false},
                        {true, "9;1;1;1\r\n", false, true, false, 0, false},
                        {true, "", true, true, true, 0, true},
                        {true, "", false, false, true, 0, false}};
    for (const Ask& ask : asks) {
        if (ask.writable)
            fs::permissions(file, fs::perms::owner_write, fs::perm_options::add);
        const std::string before = testutil::readFile(file) + ask.otherProgram;
        if (*ask.otherProgram)
            testutil::writeFile(file, before);
        // The question shows at once: the answer is looked for once, and none is
        // left waiting when nothing is asked.
        QStringList asked;
        WhenModal(
            [&asked](QWidget* w) {
                if (auto* box = qobject_cast<QMessageBox*>(w)) {
                    asked << box->text();
                    box->button(QMessageBox::Yes)->click();
                }
            },
            0);
        RecordingServices ui;
        ui.answerYes = ask.replace;
        EXPECT_EQ(viewer->Files().ConfirmUnsavedEdits(), ask.goesOn);
        testutil::settle();
        EXPECT_EQ(asked.filter("las capas de soleras").size(), ask.asked ? 1 : 0) << asked.join('|').toStdString();
        EXPECT_EQ(ui.messages.size(), ask.told);
        EXPECT_EQ(testutil::readFile(file) != before, ask.written);
    }
    EXPECT_NE(testutil::readFile(file), kept);
    EXPECT_EQ(Lines(testutil::readFile(file))[1], "* trazado por el topógrafo");

    const std::string own = testutil::readFile(file);
    testutil::AnswerFileDialog(viewer, tmp.file("copia.geo"));
    livemenus::Find(viewer, "GuardarSoleras")->trigger();
    testutil::settle();
    EXPECT_EQ(testutil::readFile(tmp.file("copia.geo")), own);
    EXPECT_EQ(testutil::readFile(file), own);

    // A names file of another layer beside the name chosen would name this layer's
    // polylines there: "No" keeps both files, "Sí" writes the layer and takes it away.
    testutil::writeFile(tmp.file("otra.geo"), "7;2;1;1;2;2\r\n");
    testutil::writeFile(tmp.file("otra.name"), "7;Calle de otra capa;0;0\r\n");
    for (const bool yes : {false, true}) {
        RecordingServices ui;
        ui.answerYes = yes;
        testutil::AnswerFileDialog(viewer, tmp.file("otra.geo"));
        livemenus::Find(viewer, "GuardarSoleras")->trigger();
        testutil::settle();
        ASSERT_EQ(ui.questions.size(), 1u);
        EXPECT_NE(ui.questions[0].find("otra.name con nombres de otras l\xC3\xADneas"), std::string::npos)
            << ui.questions[0];
        EXPECT_EQ(testutil::readFile(tmp.file("otra.geo")), yes ? own : "7;2;1;1;2;2\r\n");
        EXPECT_EQ(std::filesystem::exists(tmp.file("otra.name")), !yes);
    }
    viewer->Display().OpenLineLayerFile(tmp.file("otra.geo"), false);
    EXPECT_EQ(GeoLayers().GeoLinks[1].Name, "");
}

TEST_F(MapModes, PathPickedWithTwoClicksIsThePathOfTheTypedNodes)
{
    auto rows = [this] {
        std::vector<std::string> out;
        TStringAlignGrid* g = viewer->Analysis().PathWindow().sagPath;
        for (int r = 1; r < g->RowCount(); ++r)
            out.push_back(g->cell(1, r) + "-" + g->cell(2, r) + ":" + g->cell(3, r));
        return out;
    };
    QAction* pick = livemenus::Find(viewer, "RminMapa");
    EXPECT_EQ(pick->text(), "Sobre el mapa");
    // Escape gives up the pick: a click then is a plain press.
    pick->trigger();
    Click(Pix(299975, 6125590));
    EXPECT_TRUE(viewer->MapEdit().MapTools().Path().FirstEndPicked());
    QTest::keyClick(viewer->img, Qt::Key_Escape);
    EXPECT_FALSE(viewer->MapEdit().MapTools().Path().Armed());
    EXPECT_FALSE(viewer->MapEdit().MapTools().Path().FirstEndPicked());
    pick->trigger();
    // Near node 101 (not on it), then near node 106.
    Click(Pix(299975, 6125590));
    EXPECT_TRUE(viewer->MapEdit().MapTools().Path().FirstEndPicked());
    EXPECT_EQ(KDVlib::PathFrom, KDVlib::FindNodo(101));
    std::vector<std::string> picked;
    WhenModal([&](QWidget* w) {
        picked = rows();
        w->close();
    });
    Click(Pix(301530, 6125640));
    EXPECT_EQ(KDVlib::PathTo, KDVlib::FindNodo(106));
    EXPECT_FALSE(viewer->MapEdit().MapTools().Path().Armed());
    ASSERT_GE(picked.size(), 3u);
    EXPECT_EQ(picked.front().substr(0, 8), "101-102:");

    // The same ends typed into "Interactiva".
    std::vector<std::string> typed;
    TypedPath(viewer, "101", "106", [&](QWidget*) { typed = rows(); });
    EXPECT_EQ(picked, typed);

    // The window's "Archivo > Guardar" writes the rows it shows over the file the
    // user names (asked first); a disk that cannot take them leaves that file whole
    // and says so once.
    const std::string saved = tmp.file("ruta.csv");
    testutil::writeFile(saved, "antes\r\n");
    QStringList replaced, warned;
    QTimer boxes;
    QObject::connect(&boxes, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        if (QAbstractButton* yes = box->button(QMessageBox::Yes)) {
            replaced << box->text();
            yes->click();
        } else if (QAbstractButton* ok = box->button(QMessageBox::Ok)) {
            warned << box->text();
            ok->click();
        }
    });
    boxes.start(10);
    std::vector<std::string> shown;
    for (const bool diskFull : {false, true}) {
        SCOPED_TRACE(diskFull);
        replaced.clear();
        warned.clear();
        const std::string before = testutil::readFile(saved);
        TypedPath(viewer, "101", "106", [&](QWidget* w) {
            TStringAlignGrid* g = viewer->Analysis().PathWindow().sagPath;
            shown.clear();
            for (int r = 0; r < g->RowCount(); ++r) {
                std::string line;
                for (int c = 0; c < g->ColCount(); ++c)
                    line += g->cell(c, r) + ",";
                shown.push_back(line);
            }
            testutil::AnswerFileDialog(viewer, saved);
            rlimit limit{};
            ::getrlimit(RLIMIT_FSIZE, &limit);
            const rlimit full{2, limit.rlim_max};
            const auto handler = std::signal(SIGXFSZ, SIG_IGN);
            if (diskFull)
                ::setrlimit(RLIMIT_FSIZE, &full);
            livemenus::Find(w, QStringLiteral("Guardar1"))->trigger();
            ::setrlimit(RLIMIT_FSIZE, &limit);
            std::signal(SIGXFSZ, handler);
        });
        EXPECT_EQ(replaced.size(), 1);
        ASSERT_GE(shown.size(), 3u);
        if (diskFull) {
            EXPECT_EQ(testutil::readFile(saved), before);
            EXPECT_EQ(warned.size(), 1);
            EXPECT_TRUE(warned.join("").contains(QStringLiteral("No se pudo grabar")));
        } else {
            EXPECT_EQ(Lines(testutil::readFile(saved)), shown);
            EXPECT_TRUE(warned.isEmpty()) << warned.join('|').toStdString();
        }
    }
    boxes.stop();

    // A number that names no node, first or second, is said once by the number
    // looked up (typed with decimals, it is rounded as every node number is), and
    // no empty window shows.
    const std::pair<std::vector<const char*>, const char*> cases[] = {
        {{"999999"}, "Nodo 999999 no encontrado"},
        {{"101", "999999"}, "Nodo 999999 no encontrado"},
        {{" 999999.4 "}, "Nodo 999999 no encontrado"},
        {{"3000000000"}, "Nodo 3000000000 no encontrado"},
    };
    for (const auto& [typedNodes, said] : cases) {
        SCOPED_TRACE(typedNodes.back());
        RecordingServices ui;
        size_t next = 0;
        bool windowShown = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            QWidget* w = QApplication::activeModalWidget();
            if (auto* d = qobject_cast<QInputDialog*>(w); d && d->isVisible()) {
                if (next < typedNodes.size()) {
                    d->setTextValue(QString::fromLatin1(typedNodes[next++]));
                    d->accept();
                } else {
                    ADD_FAILURE() << "asked again";
                    d->reject();
                }
            } else if (auto* p = qobject_cast<TFrmPath*>(w); p && p->isVisible()) {
                windowShown = true;
                p->close();
            }
        });
        poll.start(20);
        livemenus::Find(viewer, "InteractivaRmin")->trigger();
        poll.stop();
        EXPECT_EQ(next, typedNodes.size());
        EXPECT_FALSE(windowShown);
        EXPECT_EQ(ui.messages, std::vector<std::string>{said});
    }
    // A node to itself has no path: the window lists its titles alone, unsaid.
    RecordingServices ui;
    int listed = -1;
    TypedPath(viewer, "101", "101", [&](QWidget*) { listed = viewer->Analysis().PathWindow().sagPath->RowCount(); });
    EXPECT_EQ(listed, 1);
    EXPECT_TRUE(ui.messages.empty());
}

// The batch lists every link of each pair's path, the pair on its first row; the
// export holds the same rows (read back by python's csv). A run stops on Escape
// or the stop button and lists the pairs done by then; a network dropped on the
// window while it runs is not opened: the run ends on this network's links.
TEST_F(MapModes, BatchListsEachPathLinkByLinkStopsWhenAskedAndExportsTheRows)
{
    std::string pairs;
    for (int32_t a = 1; a <= Network.NodeCount; ++a)
        for (int32_t b = 1; b <= Network.NodeCount; ++b)
            if (a != b)
                pairs += ZelUtils::Format("%d,%d\r\n", Nodos[a].Number, Nodos[b].Number);
    testutil::writeFile(tmp.file("pares.csv"), pairs);
    const int total = Network.NodeCount * (Network.NodeCount - 1);
    // stop: 0 lets the run end, 1 presses Escape, 2 the stop button, 3 drops
    // another network on the window, once the gauge shows.
    testutil::writeFile(tmp.file("otra.dat"), testutil::readFile(testutil::dataPath("grids_net.dat")));
    auto run = [&](int stop, const std::function<void(TStringAlignGrid*)>& inWindow) {
        auto* poll = new QTimer(viewer);
        bool stopped = false;
        QObject::connect(poll, &QTimer::timeout, poll, [&, poll] {
            if (stop && !stopped && viewer->pbc->isVisible()) {
                stopped = true;
                if (stop == 1)
                    QTest::keyClick(viewer->img, Qt::Key_Escape);
                else if (stop == 2)
                    QTest::mouseClick(viewer->img->findChild<QAbstractButton*>("btnDetener"), Qt::LeftButton);
                else
                    DropFile(tmp.file("otra.dat"));
            }
            auto* path = dynamic_cast<TFrmPath*>(QApplication::activeModalWidget());
            if (path && path->isVisible()) {
                poll->stop();
                poll->deleteLater();
                inWindow(path->sagPath);
                path->close();
            }
        });
        poll->start(0);
        testutil::AnswerFileDialog(viewer, tmp.file("pares.csv"));
        livemenus::Find(viewer, "batchRmin")->trigger();
        EXPECT_FALSE(viewer->pbc->isVisible());
    };
    int joined = 0;
    run(0, [&](TStringAlignGrid* g) {
        ASSERT_EQ(g->cell(0, 0), "Desde");
        ASSERT_EQ(g->cell(2, 0), "Sec");
        EXPECT_EQ(g->FixedCols(), 3);
        // Each pair's rows: from its origin to its destination, link after link.
        int pairs = 0;
        std::string to, lastB;
        for (int r = 1; r < g->RowCount(); ++r) {
            if (!g->cell(0, r).empty()) {
                EXPECT_EQ(lastB, to) << "row " << r;
                ++pairs;
                to = g->cell(1, r);
                EXPECT_EQ(g->cell(3, r), g->cell(0, r)) << "row " << r;
                EXPECT_EQ(g->cell(2, r), "1");
            } else {
                EXPECT_EQ(g->cell(3, r), lastB) << "row " << r;
                EXPECT_EQ(g->cell(1, r), "");
            }
            const int32_t link = KDVlib::FindArco(ZelUtils::ParseInt(g->cell(3, r)), ZelUtils::ParseInt(g->cell(4, r)));
            ASSERT_GT(link, 0) << "row " << r;
            EXPECT_EQ(g->cell(7, r), ZelUtils::Format("%.0f", double(Arcos[link].Var[7])));
            lastB = g->cell(4, r);
        }
        EXPECT_EQ(lastB, to);
        EXPECT_GT(pairs, total / 2); // most pairs are joined
        joined = pairs;
        // Scrolled to the end and exported, the rows read back the same.
        g->scrollToBottom();
        QApplication::processEvents();
        const std::string csv = tmp.file("rutas.csv");
        ASSERT_TRUE(TFrmPath::ExportGrid(*g, csv, 1));
        QProcess py;
        py.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-c"), QStringLiteral("import csv,sys\n"
                                                       "rows=list(csv.reader(open(sys.argv[1],newline='')))\n"
                                                       "print(len(rows))\n"
                                                       "for r in rows[:3]+rows[-2:]: print('|'.join(r))"),
                  QString::fromStdString(csv)});
        ASSERT_TRUE(py.waitForFinished(30000));
        const QStringList out = QString::fromUtf8(py.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        ASSERT_EQ(out.size(), 6) << py.readAllStandardError().toStdString();
        EXPECT_EQ(out[0].toInt(), g->RowCount());
        auto line = [&](int r) {
            QStringList cells;
            for (int c = 0; c < g->ColCount(); ++c)
                cells << QString::fromStdString(g->cell(c, r));
            return cells.join('|') + '|'; // every cell is followed by the separator
        };
        EXPECT_EQ(out[1], line(0));
        EXPECT_EQ(out[2], line(1));
        EXPECT_EQ(out[3], line(2));
        EXPECT_EQ(out[4], line(g->RowCount() - 2));
        EXPECT_EQ(out[5], line(g->RowCount() - 1));
    });
    for (int stop : {1, 2}) {
        RecordingServices ui;
        int listed = -1;
        run(stop, [&](TStringAlignGrid* g) {
            listed = 0;
            for (int r = 1; r < g->RowCount(); ++r)
                listed += !g->cell(0, r).empty();
        });
        EXPECT_GE(listed, 0) << stop;
        EXPECT_LT(listed, total) << stop;
        EXPECT_EQ(ui.status[1].rfind("Cálculo de rutas detenido", 0), 0u) << ui.status[1];
    }
    int listed = 0, foreign = 0;
    run(3, [&](TStringAlignGrid* g) {
        for (int r = 1; r < g->RowCount(); ++r) {
            listed += !g->cell(0, r).empty();
            foreign += KDVlib::FindArco(ZelUtils::ParseInt(g->cell(3, r)), ZelUtils::ParseInt(g->cell(4, r))) <= 0;
        }
    });
    EXPECT_EQ(DatFileName, "red.dat");
    EXPECT_EQ(listed, joined);
    EXPECT_EQ(foreign, 0);

    // Runs the batch on a file from the menu; true when the path window came up
    // (closed at once).
    const auto runBatch = [&](const std::string& file) {
        bool shown = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (auto* path = dynamic_cast<TFrmPath*>(QApplication::activeModalWidget()); path && path->isVisible()) {
                shown = true;
                path->close();
            }
        });
        poll.start(10);
        testutil::AnswerFileDialog(viewer, tmp.file(file));
        livemenus::Find(viewer, "batchRmin")->trigger();
        return shown;
    };

    // Pairs that name no two nodes of this network (another network's, or written
    // with semicolons) are refused with one message, and no empty listing opens;
    // so is a file without pairs, said to be empty.
    const std::pair<const char*, const char*> refused[] = {
        {"na,nb\r\n90001,90002\r\n90003,90004\r\n", "ninguna de sus 3 líneas da dos nodos de esta red"},
        {"102;203\r\n", "su línea no da dos nodos de esta red"},
        {"", "ajenos.csv sin datos"},
        {"\r\n  \r\n", "ajenos.csv sin datos"}};
    for (const auto& [text, said] : refused) {
        SCOPED_TRACE(text);
        testutil::writeFile(tmp.file("ajenos.csv"), text);
        RecordingServices ui;
        EXPECT_FALSE(runBatch("ajenos.csv"));
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_NE(ui.messages[0].find(said), std::string::npos) << ui.messages[0];
    }

    // Among good pairs, the lines that name no two nodes are named once; blank lines
    // and a first line of titles are not. A pair no path joins is said in the same message.
    testutil::writeFile(tmp.file("mixtos.csv"), "Origen,Destino\r\n102,103\r\nabc,103\r\n\r\n102,99999\r\n103,103\r\n");
    RecordingServices ui;
    EXPECT_TRUE(runBatch("mixtos.csv"));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].find("2 líneas de mixtos.csv no dan dos nodos de esta red"), std::string::npos) << ui.messages[0];
    EXPECT_NE(ui.messages[0].find("la primera es la 3"), std::string::npos) << ui.messages[0];
    EXPECT_NE(ui.messages[0].find("El par de la línea 6 de mixtos.csv (nodo 103 a nodo 103) no tiene ruta"),
              std::string::npos)
        << ui.messages[0];
}

// A cost chosen with negative values on some link (an extra data column) would
// list paths that are not the least: the typed path and the batch say so once,
// before asking anything, and list nothing.
TEST_F(MapModes, NegativeCostIsSaidAndListsNoPath)
{
    testutil::writeFile(tmp.file("otra.dat"), testutil::readFile(testutil::dataPath("grids_net.dat")));
    ASSERT_TRUE(viewer->Files().AbrirRedPalvon(tmp.file("otra.dat")));
    for (QAction* a : viewer->Grids().ConfigurarRmin->actions())
        if (a->data().toInt() == 28)
            a->trigger();
    ASSERT_EQ(KDVlib::CostVar, 28);
    testutil::writeFile(tmp.file("pares.csv"), "1,7\r\n");
    for (const char* command : {"InteractivaRmin", "batchRmin"}) {
        SCOPED_TRACE(command);
        RecordingServices ui;
        bool asked = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (QWidget* w = QApplication::activeModalWidget(); w && w->isVisible() && !qobject_cast<QFileDialog*>(w)) {
                asked = true;
                w->close();
            }
        });
        poll.start(10);
        if (command == std::string("batchRmin"))
            testutil::AnswerFileDialog(viewer, tmp.file("pares.csv"));
        livemenus::Find(viewer, command)->trigger();
        poll.stop();
        EXPECT_FALSE(asked);
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_NE(ui.messages[0].find("tiene valores negativos (arco 7-100: -3.50)"), std::string::npos) << ui.messages[0];
    }
}

TEST_F(MapModes, PhaseToolShowsTheClickedJunctionAlone)
{
    // Junctions are picked where they lie, with the Nodos layer off as at start.
    ASSERT_FALSE(viewer->Down(Cmd::tbNodes));
    QAction* show = livemenus::Find(viewer, "tbShow");
    ASSERT_TRUE(show->isEnabled());
    show->trigger();
    const int32_t j = KDVlib::FindNodo(103);
    const QPoint at = Pix(300600, 6125600);
    QTest::mouseMove(viewer->img, at);
    ASSERT_EQ(viewer->MapEdit().HoverNode, j);
    int32_t shown = 0, listed = 0;
    bool stepping = true;
    WhenModal([&](QWidget* w) {
        shown = NodoActual;
        for (int32_t i = 1; i <= Network.NodeCount; ++i)
            listed += NodoEnLista[i];
        stepping = livemenus::Find(FrmFases, "tbNext")->isVisible();
        w->close();
    });
    QTest::mouseClick(viewer->img, Qt::LeftButton, Qt::NoModifier, at);
    EXPECT_EQ(shown, j);
    EXPECT_EQ(listed, 1);
    EXPECT_EQ(NodoEnLista[j], 1);
    EXPECT_FALSE(stepping);
    EXPECT_TRUE(livemenus::Find(FrmFases, "tbNext")->isVisible()) << "the stepping buttons come back";
}

TEST_F(MapModes, PolygonDrawingSurvivesEscapeAndShiftDragsAMidpoint)
{
    const int32_t before = NumPoligonos;
    livemenus::Find(viewer, "aConstruir1")->trigger();
    const std::pair<double, double> pts[] = {{300000, 6125000}, {300400, 6125000}, {300400, 6125400}};
    for (const auto& [x, y] : pts)
        Click(Pix(x, y));
    QTest::keyClick(viewer->img, Qt::Key_Escape);
    testutil::settle();
    EXPECT_TRUE(viewer->Polygons().UserPolygonActive) << "Escape leaves the polygon being drawn";
    // The double click opens the name box, which takes the button's release; the
    // name is typed and Enter pressed.
    WhenModal([](QWidget* w) {
        QTest::mouseRelease(w, Qt::LeftButton);
        auto* edit = w->findChild<QLineEdit*>();
        ASSERT_NE(edit, nullptr);
        edit->selectAll();
        QTest::keyClicks(edit, "Plaza");
        QTest::keyClick(edit, Qt::Key_Return);
    });
    const QPoint last = Pix(300000, 6125400);
    Click(last);
    QTest::mouseDClick(viewer->img, Qt::LeftButton, Qt::NoModifier, last);
    testutil::settle();
    ASSERT_EQ(NumPoligonos, before + 1);
    const TPoligono& p = Poligonos[static_cast<size_t>(before)];
    EXPECT_EQ(p.Name, "Plaza");
    ASSERT_EQ(p.PointCount, 4);

    EXPECT_NEAR(p.Points[1].x, Wx(Pix(300000, 6125000)), 1e-6);
    EXPECT_NEAR(p.Points[3].y, Wy(Pix(300400, 6125400)), 1e-6);
    const int32_t n = p.PointCount;

    // The next zoom boxes each zoom to their own corners.
    for (const auto& [x0, y0, x1, y1] : {std::array<double, 4>{299900, 6125500, 300500, 6124900},
                                         std::array<double, 4>{299950, 6125450, 300450, 6124850}}) {
        const QPoint a = Pix(x0, y0), b = Pix(x1, y1);
        const double wx0 = Wx(a), wy0 = Wy(a), wx1 = Wx(b), wy1 = Wy(b);
        Drag(a, b);
        EXPECT_FALSE(viewer->MapView().RubberBand) << "the box is gone";
        EXPECT_NEAR(UserView().WorldMinX, std::min(wx0, wx1), 1e-3);
        EXPECT_NEAR(UserView().WorldMaxX, std::max(wx0, wx1), 1e-3);
        EXPECT_NEAR(UserView().WorldMinY, std::min(wy0, wy1), 1e-3);
        EXPECT_NEAR(UserView().WorldMaxY, std::max(wy0, wy1), 1e-3);
    }

    // "Redefinir", then Shift on the midpoint of the first edge drags it: a new vertex.
    QMenu* redefinir = viewer->findChild<QMenu*>("RedefinirPoligonos");
    ASSERT_NE(redefinir, nullptr);
    redefinir->actions().back()->trigger();
    ASSERT_EQ(viewer->Polygons().EditPolygon, before);
    const QPoint mid = Pix((p.Points[1].x + p.Points[2].x) / 2, (p.Points[1].y + p.Points[2].y) / 2);
    const QPoint drop = Pix(300200, 6124900);
    // A click on a vertex (a pixel off it) or on a midpoint that never leaves its
    // pixel changes no vertex.
    for (const QPoint at : {Pix(p.Points[1].x, p.Points[1].y) + QPoint(2, -2), mid}) {
        const TPoint first = p.Points[1], second = p.Points[2];
        QTest::mouseMove(viewer->img, at);
        Click(at);
        EXPECT_EQ(p.PointCount, n);
        EXPECT_EQ(p.Points[1].x, first.x);
        EXPECT_EQ(p.Points[1].y, first.y);
        EXPECT_EQ(p.Points[2].x, second.x);
        EXPECT_EQ(viewer->Polygons().EditHandle, 0);
    }
    QTest::mouseMove(viewer->img, mid);
    QTest::mousePress(viewer->img, Qt::LeftButton, Qt::ShiftModifier, mid);
    EXPECT_EQ(viewer->Polygons().EditHandle, 2) << "the drag started";
    QTest::mouseMove(viewer->img, drop);
    QTest::mouseRelease(viewer->img, Qt::LeftButton, Qt::ShiftModifier, drop);
    EXPECT_EQ(p.PointCount, n + 1);
    EXPECT_NEAR(p.Points[2].x, Wx(drop), 1e-6);
    EXPECT_NEAR(p.Points[2].y, Wy(drop), 1e-6);
    QTest::keyClick(viewer->img, Qt::Key_Escape);

    // Its name shown: a click on it, a pixel off its point, leaves it there; a
    // drag puts it at the release.
    QAction* names = livemenus::Find(viewer, "MostrarNombresPlg");
    if (!names->isChecked())
        names->trigger();
    viewer->RedrawMap();
    const TPoint label = p.Points[0];
    const QPoint at = Pix(label.x, label.y) + QPoint(2, -2);
    QTest::mouseMove(viewer->img, at);
    ASSERT_EQ(viewer->MapEdit().HoverPolygonLabel, before + 1);
    Click(at);
    EXPECT_EQ(p.Points[0].x, label.x);
    EXPECT_EQ(p.Points[0].y, label.y);
    Drag(at, at + QPoint(20, 10));
    EXPECT_NEAR(p.Points[0].x, Wx(at + QPoint(20, 10)), 1e-6);
}

TEST_F(MapModes, SymbolLegendFollowsADrag)
{
    TLegendImage* sym = viewer->sym;
    QImage picture(80, 60, QImage::Format_RGB32);
    picture.fill(Qt::white);
    sym->SetPicture(picture);
    sym->move(10, 10);
    sym->show();
    testutil::settle();
    QTest::mousePress(sym, Qt::RightButton, Qt::NoModifier, QPoint(5, 5));
    QTest::mouseMove(sym, QPoint(45, 25));
    QTest::mouseRelease(sym, Qt::RightButton, Qt::NoModifier, QPoint(45, 25));
    EXPECT_EQ(sym->pos(), QPoint(50, 30));
}

// ---------------------------------------------------------------- grids

class MovementGrid : public MapModes {
protected:
    void SetUp() override
    {
        MapModes::SetUp();
        const int32_t j = KDVlib::FindNodo(103);
        // Flows over the turns of junction 103, spread over the whole range; a
        // column that is zero everywhere.
        std::string csv = "A,B,C,Flujo,Nada\r\n";
        const int32_t arms[] = {102, 201, 104, 301};
        float v = 0;
        for (int32_t a : arms)
            for (int32_t c : arms)
                if (a != c && KDVlib::FindMovim(a, 103, c) > 0) {
                    v += 150;
                    csv += ZelUtils::Format("%d,103,%d,%.0f,0\r\n", a, c, double(v));
                    flows.push_back({KDVlib::FindMovim(a, 103, c), v});
                }
        ASSERT_GE(flows.size(), 5u);
        maxFlow = v;
        testutil::writeFile(tmp.file("mov.csv"), csv);
        ComplementaryMovFileName = tmp.file("mov.csv");
        ASSERT_TRUE(KDVlib::LoadDatosComplementariosMovs());
        g = viewer->sagMovim;
        flowCol = g->ColCount() - 2;
        ASSERT_EQ(g->cell(flowCol, 0), "Flujo");
        ASSERT_EQ(g->cell(flowCol + 1, 0), "Nada");
        junction = j;
        viewer->tnDatos->setCurrentWidget(viewer->tsMovim);
        testutil::settle();
    }
    int RowOf(int32_t movement) const
    {
        for (int r = 1; r < g->RowCount(); ++r)
            if (ZelUtils::ParseInt(g->cellView(3, r)) == movement)
                return r;
        return -1;
    }
    void DoubleClick(int col, int row, Qt::KeyboardModifiers keys = Qt::NoModifier)
    {
        g->scrollTo(g->model()->index(row - g->FixedRows(), col));
        const QPoint at = CellCentre(g, col, row);
        QTest::mouseMove(g, at);
        QTest::mouseDClick(g->viewport(), Qt::LeftButton, keys, g->viewport()->mapFrom(g, at));
    }

    TStringAlignGrid* g = nullptr;
    int flowCol = 0;
    int32_t junction = 0;
    float maxFlow = 0;
    std::vector<std::pair<int32_t, float>> flows;
};

TEST_F(MovementGrid, DoubleClickWithTheDiagramButtonOpensThatJunctionForTheColumn)
{
    QAction* mixs = livemenus::Find(viewer, "tbMixs");
    mixs->trigger();
    ASSERT_TRUE(viewer->Down(Cmd::tbMixs));
    const int row = RowOf(flows[2].first);
    ASSERT_GT(row, 0);
    int32_t shownNode = 0, shownVar = 0;
    QString caption;
    WhenModal([&](QWidget* w) {
        EXPECT_EQ(w, FrmMix);
        shownNode = NodoActual;
        shownVar = FrmMix->MixVar;
        caption = w->windowTitle();
        QTest::keyClick(w, Qt::Key_Escape);
    });
    DoubleClick(flowCol, row);
    EXPECT_EQ(shownNode, junction);
    EXPECT_EQ(shownVar, ColVarMovim[static_cast<size_t>(flowCol)]);
    EXPECT_TRUE(caption.endsWith("Nodo : 103")) << caption.toStdString();
    EXPECT_FALSE(FrmMix->isVisible());
    EXPECT_FALSE(FrmMix->MixListOk) << "closed with Escape, the list is built afresh";

    // The map tool builds the list; the window closed with Escape forgets it again,
    // and another network opened meanwhile leaves nothing of this one listed.
    ASSERT_FALSE(viewer->Down(Cmd::tbNodes));
    const QPoint at = Pix(300600, 6125600);
    QTest::mouseMove(viewer->img, at);
    ASSERT_EQ(viewer->MapEdit().HoverNode, junction);
    bool opened = false;
    WhenModal([&](QWidget* w) {
        opened = true;
        EXPECT_TRUE(FrmMix->MixListOk);
        EXPECT_GT(FrmMix->pupNodos->actions().size(), 1);
        QTest::keyClick(w, Qt::Key_Escape);
    });
    QTest::mouseClick(viewer->img, Qt::LeftButton, Qt::NoModifier, at);
    EXPECT_TRUE(opened);
    EXPECT_FALSE(FrmMix->MixListOk);
    testutil::writeFile(tmp.file("otra.dat"), testutil::readFile(testutil::dataPath("grids_net.dat")));
    ASSERT_TRUE(viewer->Files().AbrirRedPalvon(tmp.file("otra.dat")));
    EXPECT_TRUE(FrmMix->pupNodos->actions().isEmpty());
    EXPECT_EQ(FrmMix->MixNodos[0], 0);
}

// A double click on a key column of the movement grid, the diagram button down,
// draws the variable ticked in that button's menu: the one the user ticked, or
// the first of the menu that an opening lays out afresh; not the one of the last
// diagram drawn from the map, nor of the network open before.
TEST_F(MovementGrid, KeyColumnDiagramDrawsTheVariableTickedInTheDiagramMenu)
{
    // A network whose listings, read with it, give the menu several variables.
    for (const char* dir : {"lst", "otra"}) {
        std::filesystem::create_directory(tmp.file(dir));
        for (const auto& [from, to] : {std::pair{"lst_net.dat", "lst.dat"}, std::pair{"lst_red.lpa", "lst.lpa"},
                                       std::pair{"lst_red.lpl", "lst.lpl"}})
            std::filesystem::copy_file(testutil::dataPath(from), tmp.file(std::string(dir) + "/" + to));
    }
    std::filesystem::copy_file(testutil::realDataPath("berlin-center.dat"), tmp.file("otra/berlin.dat"));
    struct Row {
        const char* name;
        bool mapFirst;    // a diagram drawn from the map after the tick
        const char* open; // then opened ("" nothing, "*" read again from its text)
        bool drop;        // by a drop, else from "Abrir"
    };
    const Row rows[] = {
        {"ticked in the menu", false, "", false},
        {"the same network opened again", true, "lst/lst.dat", false},
        {"read again from its text", true, "*", false},
        {"another network dropped", true, "otra/lst.dat", true},
        {"a network over capacity refused", true, "otra/berlin.dat", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(viewer->Files().AbrirRedPalvon(tmp.file("lst/lst.dat")));
        testutil::settle();
        if (!viewer->Down(Cmd::tbMixs))
            livemenus::Find(viewer, "tbMixs")->trigger();
        ASSERT_TRUE(viewer->Down(Cmd::tbMixs));
        ASSERT_GE(viewer->varMix->actions().size(), 2);
        viewer->varMix->actions().back()->trigger();
        if (row.mapFirst) {
            const TNodo& j = Nodos[Movims[1].JunctionIndex];
            const QPoint at = Pix(j.X, j.Y);
            QTest::mouseMove(viewer->img, at);
            ASSERT_EQ(viewer->MapEdit().HoverNode, Movims[1].JunctionIndex);
            WhenModal([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
            QTest::mouseClick(viewer->img, Qt::LeftButton, Qt::NoModifier, at);
            testutil::settle();
        }
        if (row.open == std::string("*")) {
            ASSERT_TRUE(livemenus::Click(viewer, "menu:Archivo", "RedPalvon1"));
            FrmDat->findChild<QToolButton*>("tbReload")->click();
            FrmDat->close();
            testutil::settle();
        } else if (row.open[0]) {
            RecordingServices quiet; // the refusal's message
            if (row.drop) {
                DropFile(tmp.file(row.open));
            } else {
                testutil::AnswerFileDialog(viewer, tmp.file(row.open));
                ASSERT_TRUE(livemenus::Click(viewer, "menu:Archivo>Abrir", "aFileOpenItem"));
            }
            testutil::settle();
        }
        int32_t ticked = 0;
        for (QAction* a : viewer->varMix->actions())
            if (a->isChecked())
                ticked = a->data().toInt();
        ASSERT_NE(ticked, 0);
        if (!viewer->Down(Cmd::tbMixs))
            livemenus::Find(viewer, "tbMixs")->trigger();
        viewer->tnDatos->setCurrentWidget(viewer->tsMovim);
        testutil::settle();
        g = viewer->sagMovim;
        int32_t shownVar = 0;
        QString caption;
        WhenModal([&](QWidget* w) {
            shownVar = FrmMix->MixVar;
            caption = w->windowTitle();
            QTest::keyClick(w, Qt::Key_Escape);
        });
        DoubleClick(0, 1);
        EXPECT_EQ(shownVar, ticked) << caption.toStdString();
        EXPECT_TRUE(caption.contains(QString::fromStdString(KDVlib::CodeText(ticked)))) << caption.toStdString();
    }
}

// The map's flow-diagram tool on a network whose diagram menu offers no variable,
// opened after one that offered some: the diagram names no variable and draws no
// flow, none of the network before.
TEST_F(MovementGrid, NoVariableToOfferDrawsNoFlowAfterAnotherNetwork)
{
    std::filesystem::create_directory(tmp.file("lst"));
    for (const auto& [from, to] : {std::pair{"lst_net.dat", "lst.dat"}, std::pair{"lst_red.lpa", "lst.lpa"},
                                   std::pair{"lst_red.lpl", "lst.lpl"}})
        std::filesystem::copy_file(testutil::dataPath(from), tmp.file(std::string("lst/") + to));
    // The diagram from the map at the junction of the first turn: its caption, its
    // variable and its navy ink (band outlines and bands).
    const auto diagram = [&](QString& caption, int32_t& var) {
        if (!viewer->Down(Cmd::tbMixs))
            livemenus::Find(viewer, "tbMixs")->trigger();
        const TNodo& j = Nodos[Movims[1].JunctionIndex];
        const QPoint at = Pix(j.X, j.Y);
        QTest::mouseMove(viewer->img, at);
        EXPECT_EQ(viewer->MapEdit().HoverNode, Movims[1].JunctionIndex);
        int ink = -1;
        WhenModal([&](QWidget* w) {
            caption = w->windowTitle();
            var = FrmMix->MixVar;
            const QImage picture = FrmMix->fimg->Picture().convertToFormat(QImage::Format_RGB32);
            ink = 0;
            for (int y = 0; y < picture.height(); ++y)
                for (int x = 0; x < picture.width(); ++x)
                    ink += (picture.pixel(x, y) & 0xFFFFFF) == 0x000080;
            QTest::keyClick(w, Qt::Key_Escape);
        });
        QTest::mouseClick(viewer->img, Qt::LeftButton, Qt::NoModifier, at);
        testutil::settle();
        return ink;
    };
    testutil::AnswerFileDialog(viewer, tmp.file("lst/lst.dat"));
    ASSERT_TRUE(livemenus::Click(viewer, "menu:Archivo>Abrir", "aFileOpenItem"));
    testutil::settle();
    ASSERT_GE(viewer->varMix->actions().size(), 2);
    viewer->varMix->actions().back()->trigger();
    const int32_t ticked = viewer->varMix->actions().back()->data().toInt();
    QString caption;
    int32_t var = -1;
    EXPECT_GT(diagram(caption, var), 0);
    EXPECT_EQ(var, ticked);

    testutil::AnswerFileDialog(viewer, tmp.file("red.dat"));
    ASSERT_TRUE(livemenus::Click(viewer, "menu:Archivo>Abrir", "aFileOpenItem"));
    testutil::settle();
    ASSERT_TRUE(viewer->varMix->actions().isEmpty());
    EXPECT_EQ(diagram(caption, var), 0);
    EXPECT_EQ(var, 0);
    EXPECT_EQ(caption, QString::fromStdString(ZelUtils::Format("Diagrama de Flujos (). Nodo : %d",
                                                               Nodos[Movims[1].JunctionIndex].Number)));
}

// Values loaded onto the movements after the network (counts, data of the user's
// imported from the grid's menu, both put back by the network read again from its
// text, and a formula column made on them) are drawn as the bands of their flow
// diagram, the counts offered by the diagram button's menu; the variable the user
// ticked there stays ticked.
TEST_F(MovementGrid, DataLoadedOnTheMovementsIsDrawnInTheFlowDiagram)
{
    std::string counts = " &COUNTS\r\n &END\r\n";
    for (const auto& [m, v] : flows)
        counts += ZelUtils::Format("%5d%5d%5d%5.0f\r\n", Movims[m].A, Movims[m].Node, Movims[m].C, double(v));
    testutil::writeFile(tmp.file("conteos.dat"), counts);
    const auto loadCounts = [&] {
        testutil::AnswerFileDialog(viewer, tmp.file("conteos.dat"));
        livemenus::Find(viewer, "aOpenCnt")->trigger();
    };
    const auto importData = [&] {
        testutil::AnswerFileDialog(viewer, tmp.file("mov.csv"));
        livemenus::Find(viewer, "ImportarColsMovim")->trigger();
    };
    const auto reload = [&] {
        if (!FrmDat->isVisible()) {
            ASSERT_TRUE(livemenus::Click(viewer, "menu:Archivo", "RedPalvon1"));
        }
        FrmDat->findChild<QToolButton*>("tbReload")->click();
        FrmDat->close();
    };
    const auto formula = [&] {
        ASSERT_TRUE(testutil::MakeFormulaColumn(viewer, Secondary::DlgFormula(), true, {"Flujo"}, "Doble", "A*2"));
    };
    // The user ticks the menu's last variable.
    int32_t ticked = 0;
    const auto tick = [&] {
        ASSERT_FALSE(viewer->varMix->actions().isEmpty());
        viewer->varMix->actions().back()->trigger();
        ticked = viewer->varMix->actions().back()->data().toInt();
    };
    // The diagram drawn from a column of the movement grid, the diagram button
    // down: its navy ink (band outlines, drawn only where values give the bands a
    // width, and the bands themselves).
    const auto DiagramInk = [&](int col, int& shownVar) {
        if (!viewer->Down(Cmd::tbMixs))
            livemenus::Find(viewer, "tbMixs")->trigger();
        viewer->tnDatos->setCurrentWidget(viewer->tsMovim);
        testutil::settle();
        g = viewer->sagMovim;
        int ink = 0;
        WhenModal([&](QWidget* w) {
            shownVar = FrmMix->MixVar;
            const QImage picture = FrmMix->fimg->Picture().convertToFormat(QImage::Format_RGB32);
            for (int y = 0; y < picture.height(); ++y)
                for (int x = 0; x < picture.width(); ++x)
                    ink += (picture.pixel(x, y) & 0xFFFFFF) == 0x000080;
            QTest::keyClick(w, Qt::Key_Escape);
        });
        DoubleClick(col, RowOf(flows[0].first));
        livemenus::Find(viewer, "tbMixs")->trigger();
        return ink;
    };
    // The diagram of a column without values, for comparison.
    ASSERT_TRUE(viewer->Files().AbrirRedPalvon(tmp.file("red.dat")));
    testutil::settle();
    int unused = 0;
    const int emptyInk = DiagramInk(9, unused); // "Conteo", no counts read
    ASSERT_EQ(viewer->sagMovim->cell(9, 0), "Conteo");
    ASSERT_GT(emptyInk, 0);
    struct Row {
        const char* name;
        std::vector<std::function<void()>> steps;
        const char* title; // the movement grid's column of the values
        bool offered;      // a variable of the menu's (the user's data have none)
    };
    const Row rows[] = {
        {"conteos", {loadCounts}, "Conteo", true},
        {"datos importados", {importData}, "Flujo", false},
        {"conteos, datos importados", {loadCounts, tick, importData}, "Flujo", false},
        {"conteos, recarga", {loadCounts, reload}, "Conteo", true},
        {"datos importados, recarga", {importData, reload}, "Flujo", false},
        {"columna de fórmula", {importData, formula}, "Doble", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(viewer->Files().AbrirRedPalvon(tmp.file("red.dat")));
        testutil::settle();
        ticked = 0;
        for (const auto& step : row.steps)
            step();
        testutil::settle();
        g = viewer->sagMovim;
        int col = -1;
        for (int c = 0; c < g->ColCount(); ++c)
            if (g->cell(c, 0) == row.title)
                col = c;
        ASSERT_GT(col, 0);
        const int32_t var = ColVarMovim[static_cast<size_t>(col)];
        bool offered = false;
        for (QAction* a : viewer->varMix->actions()) {
            offered = offered || a->data().toInt() == var;
            if (a->isChecked() && ticked != 0) {
                EXPECT_EQ(a->data().toInt(), ticked);
            }
        }
        EXPECT_EQ(offered, row.offered) << var;
        int shownVar = 0;
        const int ink = DiagramInk(col, shownVar);
        EXPECT_EQ(shownVar, var);
        EXPECT_GT(ink, 2 * emptyInk) << emptyInk;
    }
}

TEST_F(MovementGrid, PickedColumnSetsTheClassesAndTheBandsFollowItsMaximum)
{
    livemenus::Find(viewer, "Atributos2")->trigger();
    ASSERT_TRUE(livemenus::Find(viewer, "Atributos2")->isChecked());
    QAction* item = nullptr;
    for (QAction* a : viewer->Grids().VarMovim->actions())
        if (a->data().toInt() == flowCol)
            item = a;
    ASSERT_NE(item, nullptr);
    ASSERT_TRUE(item->isEnabled());
    // Zoomed on the junction so that the turns show as bands.
    UserView().WorldMinX = 300450;
    UserView().WorldMaxX = 300750;
    UserView().WorldMinY = 6125450;
    UserView().WorldMaxY = 6125750;
    item->trigger();
    EXPECT_EQ(UserView().RangeVarMovim, flowCol);
    // The movements' own classes: the link variable's stay as they were.
    EXPECT_NEAR(UserView().RangeMovimMax, maxFlow, 1e-3);
    EXPECT_NEAR(UserView().MovimRangeTable[5].High, maxFlow + 1e-5, 1e-2);
    EXPECT_NEAR(UserView().MovimRangeTable[1].High,
                UserView().RangeMovimMin + (maxFlow - UserView().RangeMovimMin) / 5 + 1e-5, 1e-2);
    EXPECT_EQ(g->ColorCell(flowCol, 0).isValid(), true) << "the chosen column's title is marked";

    // Every class that holds a flow shows in its colour on the map.
    const QImage map = viewer->img->Picture().convertToFormat(QImage::Format_RGB32);
    std::set<int> expected;
    for (const auto& [m, v] : flows)
        for (int c = 1; c <= UserView().NumRanges; ++c)
            if ((c == 1 ? UserView().MovimRangeTable[c].Low <= v : UserView().MovimRangeTable[c].Low < v)
                && v <= UserView().MovimRangeTable[c].High)
                expected.insert(c);
    ASSERT_GE(expected.size(), 3u);
    for (int c : expected) {
        const uint32_t col = UserView().MovimRangeTable[c].Color;
        const QRgb want = qRgb(col & 0xFF, (col >> 8) & 0xFF, (col >> 16) & 0xFF);
        int pixels = 0;
        for (int y = 0; y < map.height(); ++y)
            for (int x = 0; x < map.width(); ++x)
                pixels += (map.pixel(x, y) & 0xFFFFFF) == (want & 0xFFFFFF);
        EXPECT_GT(pixels, 5) << "class " << c;
    }

    // A column whose maximum is 0 cannot be chosen, and its double click shows nothing.
    for (QAction* a : viewer->Grids().VarMovim->actions()) {
        if (a->data().toInt() == flowCol + 1) {
            EXPECT_FALSE(a->isEnabled());
        }
    }
    const float high5 = UserView().MovimRangeTable[5].High;
    UserView().SelectedMovimVars.clear();
    DoubleClick(flowCol + 1, RowOf(flows[0].first));
    EXPECT_TRUE(UserView().SelectedMovimVars.empty());
    EXPECT_FLOAT_EQ(UserView().MovimRangeTable[5].High, high5);
}

// The turn values written on the turn symbols, after two zoom boxes about the
// junction: their letters stay about the layer font's size however far apart the
// lanes are drawn.
TEST_F(MovementGrid, TurnValuesKeepAReadableSizeAfterZoomBoxes)
{
    DoubleClick(flowCol, RowOf(flows[0].first));
    ASSERT_FALSE(UserView().MovimDrawMode);
    const TNodo& j = Nodos[junction];
    for (int box = 0; box < 2; ++box) {
        const QPoint at = Pix(j.X, j.Y);
        const double before = viewer->img->UnitsPerPixel();
        const QPoint half = box == 0 ? QPoint(120, 120) : QPoint(60, 60);
        Drag(at - half, at + half);
        testutil::settle();
        ASSERT_LT(viewer->img->UnitsPerPixel(), before) << "box " << box;
    }
    // Each value is written on a solid box: the largest square of the box and its
    // letters says how tall the letters are.
    const QImage map = viewer->img->Picture().convertToFormat(QImage::Format_RGB32);
    // The letters are red (their layer font's colour) on black, smoothed: pixels
    // between the two.
    ASSERT_EQ(DisplayStyles::ToQColor(UserView().LabelFonts[4].Color), QColor(Qt::red));
    const QRgb box = qRgb(0, 0, 0);
    std::vector<int> side(static_cast<size_t>(map.width()), 0), above(side);
    int largest = 0, boxPixels = 0;
    for (int y = 0; y < map.height(); ++y) {
        for (int x = 0; x < map.width(); ++x) {
            const QRgb p = map.pixel(x, y) & 0xFFFFFF;
            boxPixels += p == (box & 0xFFFFFF);
            const bool in = qGreen(p) < 40 && qBlue(p) < 40;
            const int s = in ? 1 + std::min({x > 0 ? side[static_cast<size_t>(x) - 1] : 0, above[static_cast<size_t>(x)],
                                              x > 0 ? above[static_cast<size_t>(x) - 1] : 0})
                             : 0;
            side[static_cast<size_t>(x)] = s;
            largest = std::max(largest, s);
        }
        above = side;
    }
    EXPECT_GT(boxPixels, 200) << "the values are written";
    EXPECT_LE(largest, 40) << "letters as tall as the lanes are wide";
}

// Two columns summed at the link ends with their values shown: the first
// column's share of each end is written in its colour made dark enough to read on
// the white map (its bars keep the light yellow).
TEST_F(MovementGrid, LinkEndSharesAreReadableOnTheMap)
{
    DoubleClick(flowCol, RowOf(flows[0].first), Qt::AltModifier);
    DoubleClick(4, RowOf(flows[0].first), Qt::AltModifier | Qt::ControlModifier);
    ASSERT_TRUE(UserView().MovimDrawMode);
    ASSERT_EQ(UserView().SelectedMovimVars.size(), 2u);
    ASSERT_TRUE(livemenus::Click(viewer, "toolbar:tbarMovimientos", "tbMovimValues"));
    const TNodo& j = Nodos[junction];
    const QPoint at = Pix(j.X, j.Y);
    Drag(at - QPoint(150, 150), at + QPoint(150, 150));
    testutil::settle();
    const QImage map = viewer->img->Picture().convertToFormat(QImage::Format_RGB32);
    auto luminance = [](QRgb p) {
        auto lin = [](int v) {
            const double c = v / 255.0;
            return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * lin(qRed(p)) + 0.7152 * lin(qGreen(p)) + 0.0722 * lin(qBlue(p));
    };
    const QRgb light = DisplayStyles::ToQColor(UserView().MovimVarColors[0]).rgb();
    ASSERT_GT(luminance(light), 0.8) << "the first colour is the pale one";
    int bars = 0, readable = 0;
    for (int y = 0; y < map.height(); ++y)
        for (int x = 0; x < map.width(); ++x) {
            const QRgb p = map.pixel(x, y);
            bars += (p & 0xFFFFFF) == (light & 0xFFFFFF);
            // Yellow of the same hue, dark enough for a contrast of 4.5 to white.
            const bool yellow = qRed(p) > 30 && std::abs(qRed(p) - qGreen(p)) < 20 && qBlue(p) + 20 < qRed(p);
            readable += yellow && 1.05 / (luminance(p) + 0.05) >= 4.5;
        }
    EXPECT_GT(bars, 50);
    EXPECT_GT(readable, 10) << "shares written in a dark yellow";
}

TEST_F(MovementGrid, DoubleClickMakesTheColumnAMapAttributeAndCtrlAddsColumns)
{
    viewer->SetDown(Cmd::tbAtributos, true);
    DoubleClick(flowCol, RowOf(flows[0].first));
    ASSERT_EQ(UserView().SelectedMovimVars, std::vector<std::string>{std::to_string(flowCol)});
    EXPECT_TRUE(livemenus::Find(viewer, "Atributos2")->isChecked());
    EXPECT_FALSE(viewer->Down(Cmd::tbAtributos));
    EXPECT_EQ(livemenus::Find(viewer, "cv0")->text(), "Flujo");
    EXPECT_FALSE(livemenus::Find(viewer, "cvs")->isVisible());
    // With Ctrl a second column joins the first; the colour items show.
    const int saturation = 4;
    ASSERT_EQ(g->cell(saturation, 0), "Fl.Sat");
    DoubleClick(saturation, RowOf(flows[0].first), Qt::ControlModifier);
    ASSERT_EQ(UserView().SelectedMovimVars.size(), 2u);
    EXPECT_EQ(UserView().SelectedMovimVars[1], "4");
    EXPECT_TRUE(livemenus::Find(viewer, "cvs")->isVisible());
    EXPECT_TRUE(livemenus::Find(viewer, "cv1")->isVisible());
    EXPECT_EQ(livemenus::Find(viewer, "cv1")->text(), "Flujo Saturación");
    // The classes now follow the saturation flows.
    EXPECT_NEAR(UserView().RangeMovimMax, Movims[MovimsMaxRec].Var[1], 1e-3);
    EXPECT_FALSE(UserView().MovimDrawMode) << "turn symbols";

    // With Alt the flows are summed at the link ends: the bars scale to the
    // largest sum of the flows through one link end.
    DoubleClick(flowCol, RowOf(flows[0].first), Qt::AltModifier);
    EXPECT_TRUE(UserView().MovimDrawMode);
    ASSERT_EQ(UserView().SelectedMovimVars, std::vector<std::string>{std::to_string(flowCol)});
    std::map<int32_t, float> entering, leaving;
    for (const auto& [m, v] : flows) {
        entering[Movims[m].EntryLink] += v;
        leaving[Movims[m].ExitLink] += v;
    }
    float largest = 0;
    for (const auto* ends : {&entering, &leaving})
        for (const auto& [link, v] : *ends)
            largest = std::max(largest, v);
    EXPECT_FLOAT_EQ(viewer->findChild<TLegendImage*>("Scl")->ScaleMax, largest);
    DoubleClick(flowCol, RowOf(flows[0].first));
    EXPECT_FALSE(UserView().MovimDrawMode) << "without Alt, turn symbols again";
    // Key columns zoom to the movement from the second row on.
    const double width = UserView().WorldMaxX - UserView().WorldMinX;
    DoubleClick(0, 2);
    EXPECT_NEAR(UserView().WorldMaxX - UserView().WorldMinX, 0.2 * (Network.MaxX - Network.MinX), 1e-3);
    EXPECT_NE(UserView().WorldMaxX - UserView().WorldMinX, width);
}

// Flows summed at the link ends (Alt), then, on this network or on another
// opened since, a variable picked from the movement values' menu: the pick is
// drawn on its turns in its classes' colours, not left out of the link-end bars.
TEST_F(MovementGrid, AVariablePickedFromTheMenuAfterLinkEndFlowsShowsOnItsTurns)
{
    for (const bool another : {false, true}) {
        DoubleClick(flowCol, RowOf(flows[0].first), Qt::AltModifier);
        ASSERT_TRUE(UserView().MovimDrawMode);
        if (another) {
            std::filesystem::create_directory(tmp.file("otra"));
            std::filesystem::copy_file(std::string(VELMORA_SOURCE_DIR) + "/samples/ejemplo.dat", tmp.file("otra/red.dat"));
            testutil::AnswerFileDialog(viewer, tmp.file("otra/red.dat"));
            ASSERT_TRUE(livemenus::Click(viewer, "menu:Archivo>Abrir", "aFileOpenItem"));
            testutil::settle();
        }
        QMenu* menu = livemenus::Find(viewer, "tbMovimValues")->menu();
        ASSERT_NE(menu, nullptr);
        emit menu->aboutToShow();
        QAction* pick = nullptr;
        for (QAction* item : menu->actions())
            if (item->isEnabled() && item->text().contains("Saturaci"))
                pick = item;
        ASSERT_NE(pick, nullptr);
        pick->trigger();
        testutil::settle();
        EXPECT_FALSE(UserView().MovimDrawMode) << "another network: " << another;
        const QImage map = viewer->img->Picture().convertToFormat(QImage::Format_RGB32);
        std::set<uint32_t> seen;
        for (int y = 0; y < map.height(); ++y)
            for (int x = 0; x < map.width(); ++x)
                for (int c = 1; c <= UserView().NumRanges; ++c)
                    if ((map.pixel(x, y) & 0xFFFFFF) == (DisplayStyles::ToQColor(UserView().MovimRangeTable[c].Color).rgb() & 0xFFFFFF))
                        seen.insert(static_cast<uint32_t>(c));
        EXPECT_GE(seen.size(), 2u) << "another network: " << another;
    }
}

TEST_F(MapModes, LineCheckBoxesToggleLinesAndTheTitleSetsThemAll)
{
    // "Rutas Fijas" read from the network: the lines and their grid.
    Secondary::DlgCfg().RutasFijas->SetItemIndex(0);
    ASSERT_TRUE(viewer->Files().AbrirRedPalvon(tmp.file("red.dat")));
    TStringAlignGrid* lines = viewer->sagLineas;
    viewer->tnDatos->setCurrentWidget(viewer->tsLineas);
    testutil::settle();
    ASSERT_GE(Network.LineCount, 2);
    const uint8_t first = Lineas[1].Visible;
    const QPoint box = CellCentre(lines, 0, 1);
    QTest::mouseClick(lines->viewport(), Qt::LeftButton, Qt::NoModifier, lines->viewport()->mapFrom(lines, box));
    EXPECT_NE(Lineas[1].Visible, first);
    EXPECT_EQ(Lineas[2].Visible, 1);
    QHeaderView* h = lines->horizontalHeader();
    const QPoint title(h->sectionViewportPosition(0) + h->sectionSize(0) / 2, h->height() / 2);
    QTest::mouseClick(h->viewport(), Qt::LeftButton, Qt::NoModifier, title);
    const uint8_t all = Lineas[0].Visible;
    for (int32_t l = 1; l <= Network.LineCount; ++l)
        EXPECT_EQ(Lineas[l].Visible, all);
    QTest::mouseClick(h->viewport(), Qt::LeftButton, Qt::NoModifier, title);
    for (int32_t l = 1; l <= Network.LineCount; ++l)
        EXPECT_NE(Lineas[l].Visible, all);
}

// "Estadísticas" at its default size, twice (the second time after another
// network): every row written shows, and the file paths show whole. The transit
// lines of a network opened with "Omitir rutas fijas" (the default) are not
// counted as none; the next network, opened reading them, gives their count alone.
TEST_F(MapModes, StatisticsShowEveryRowAndTheWholePaths)
{
    for (int round = 0; round < 2; ++round) {
        bool checked = false;
        WhenModal([&](QWidget* w) {
            auto* dlg = qobject_cast<TDlgStat*>(w);
            ASSERT_NE(dlg, nullptr);
            TStringAlignGrid* g = dlg->sagStat;
            const QRect view = g->viewport()->rect();
            for (int r = 1; r <= 21; ++r) {
                const QRect cell = g->visualRect(g->model()->index(r - g->FixedRows(), 1));
                EXPECT_TRUE(view.contains(cell.united(g->visualRect(g->model()->index(r - g->FixedRows(), 0)))))
                    << "row " << r << " (" << g->cell(0, r) << ") round " << round;
            }
            EXPECT_EQ(g->cell(0, 20), "Número de Extra-Data");
            EXPECT_EQ(g->cell(1, 18), round == 0 ? "0 (no leídas: se abrió con \"Omitir rutas fijas\")"
                                                 : ZelUtils::Format("%d", Network.LineCount));
            for (int r : {1, 2, 3}) {
                const int text = g->fontMetrics().horizontalAdvance(QString::fromStdString(g->cell(1, r)));
                EXPECT_GE(g->visualRect(g->model()->index(r - 1, 1)).intersected(view).width(), text)
                    << g->cell(1, r);
            }
            checked = true;
            dlg->reject();
        });
        ASSERT_TRUE(livemenus::Click(viewer, "menu:Ayuda", "Estadsticas1"));
        EXPECT_TRUE(checked);
        const std::string deep = tmp.file("una/carpeta/con/nombre/bastante/largo");
        std::filesystem::create_directories(deep);
        std::filesystem::copy_file(tmp.file("red.dat"), deep + "/red.dat", std::filesystem::copy_options::skip_existing);
        Secondary::DlgCfg().RutasFijas->SetItemIndex(round == 0 ? 0 : 1);
        ASSERT_TRUE(viewer->Files().AbrirRedPalvon(deep + "/red.dat"));
        ASSERT_EQ(Network.LineCount > 0, round == 0);
    }
}

// "Recorridos" ticked on a network opened with "Omitir rutas fijas" (the
// default): the user is told why nothing is drawn, once, and a redraw says nothing more.
TEST_F(MapModes, RoutesOfLinesNotReadSayWhy)
{
    ASSERT_EQ(Network.LineCount, 0);
    ASSERT_TRUE(Network.SectionPresent[5]);
    RecordingServices ui;
    ASSERT_TRUE(livemenus::Click(viewer, "popup:BDerecho>Líneas", "linnone"));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].find("Omitir rutas fijas"), std::string::npos) << ui.messages[0];
    EXPECT_NE(ui.messages[0].find("Incluir rutas fijas"), std::string::npos) << ui.messages[0];
    livemenus::Find(viewer, "aRedibujar")->trigger();
    EXPECT_EQ(ui.messages.size(), 1u);
    // Unticked, nothing is said.
    ASSERT_TRUE(livemenus::Click(viewer, "popup:BDerecho>Líneas", "linnone"));
    EXPECT_EQ(ui.messages.size(), 1u);
}

TEST_F(MapModes, FormulaInputAndMessageAskTheUserThroughTheMainWindow)
{
    QWidget* parent = nullptr;
    WhenModal([&](QWidget* w) {
        parent = w->parentWidget();
        auto* d = qobject_cast<QInputDialog*>(w);
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->labelText(), "Valor");
        EXPECT_EQ(d->textValue(), "7");
        d->setTextValue("12");
        d->accept();
    });
    TArtFormula& fn = viewer->Grids().FN();
    fn.Run(fn.Compile("input('Pregunta','Valor','7')", 0, {}), 0, {});
    EXPECT_EQ(fn.Result().str, "12");
    EXPECT_EQ(parent, viewer);
    WhenModal([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->text(), "Seguir?");
        box->button(QMessageBox::No)->click();
    });
    EXPECT_EQ(fn.ComputeN("msg('Seguir?','Aviso',4)", 0, std::vector<double>{}, {}), 7.0) << "No of a Yes/No box";
}

TEST_F(MovementGrid, ShiftTitleClicksSortAndAnotherNetworkStartsUnsorted)
{
    QHeaderView* h = g->horizontalHeader();
    auto title = [&](int col) {
        return QPoint(h->sectionViewportPosition(col) + h->sectionSize(col) / 2, h->height() / 2);
    };
    // Without Shift nothing sorts; with Shift the flow column sorts by value.
    QTest::mouseClick(h->viewport(), Qt::LeftButton, Qt::NoModifier, title(flowCol));
    EXPECT_EQ(viewer->Grids().SortColMovim, -1);
    QTest::mouseClick(h->viewport(), Qt::LeftButton, Qt::ShiftModifier, title(flowCol));
    ASSERT_EQ(viewer->Grids().SortColMovim, flowCol);
    // The node columns are text: they sort by character code.
    QTest::mouseClick(h->viewport(), Qt::LeftButton, Qt::ShiftModifier, title(0));
    for (int r = 2; r < g->RowCount(); ++r)
        EXPECT_LE(g->cell(0, r - 1), g->cell(0, r));
    ASSERT_EQ(viewer->Grids().SortColMovim, 0);
    ASSERT_TRUE(viewer->Files().AbrirRedPalvon(tmp.file("red.dat")));
    EXPECT_EQ(viewer->Grids().SortColMovim, -1);
    EXPECT_EQ(viewer->Grids().SortColArcos, -1);
    for (uint8_t d : viewer->Grids().SortDescMovim)
        EXPECT_EQ(d, 0);
}

TEST_F(MapModes, NodeDragAndShapeHandlesFollowTheMouse)
{
    // A drawing order imported from the link grid's pop-up puts link 102-103 on
    // top (last in its tiles); the hit grid built again for a moved node keeps it.
    const auto onTop = [] { return testutil::DrawnOnTop(KDVlib::FindArco(102, 103)); };
    testutil::writeFile(tmp.file("orden.csv"), "102,103\r\n");
    ASSERT_FALSE(onTop());
    testutil::AnswerFileDialog(viewer, tmp.file("orden.csv"));
    livemenus::Find(viewer, "Importarorden1")->trigger();
    ASSERT_TRUE(onTop());

    // "Mover" of the nodes pop-up, the Nodos layer off: node 102 dragged; the links
    // at it follow. A redraw (F5) in between leaves the tool on.
    ASSERT_FALSE(viewer->Down(Cmd::tbNodes));
    QAction* move = livemenus::Find(viewer, "NodeMove");
    move->trigger();
    livemenus::Find(viewer, "aRedibujar")->trigger();
    ASSERT_TRUE(move->isChecked());
    const int32_t n = KDVlib::FindNodo(102);
    const QPoint from = Pix(300300, 6125600), to = Pix(300320, 6125660);
    QTest::mouseMove(viewer->img, from);
    ASSERT_EQ(viewer->MapEdit().HoverNode, n);
    Drag(from, to);
    EXPECT_FLOAT_EQ(Nodos[n].X, static_cast<float>(Wx(to)));
    EXPECT_FLOAT_EQ(Nodos[n].Y, static_cast<float>(Wy(to)));
    const TArcos& link = Arcos[KDVlib::FindArco(102, 103)];
    EXPECT_FLOAT_EQ(static_cast<float>(link.Points[1].x), Nodos[n].X);
    EXPECT_FALSE(move->isChecked()) << "chosen plainly, Mover serves one drag";
    EXPECT_TRUE(onTop());
    EXPECT_EQ(viewer->sagNodos->cell(1, n), ZelUtils::Trim(ZelUtils::Format(XYFormat, double(Nodos[n].X))));

    // A Shift double click on the link's row offers its shape handles: the
    // midpoint handle dragged inserts a point, Ctrl on that point deletes it.
    ASSERT_EQ(link.PointCount, 2);
    // A click on the midpoint handle that never leaves its pixel inserts nothing.
    OfferHandles(102, 103);
    {
        const QPoint mid = Pix((link.Points[1].x + link.Points[2].x) / 2, (link.Points[1].y + link.Points[2].y) / 2);
        QTest::mouseMove(viewer->img, mid);
        ASSERT_EQ(viewer->MapEdit().CurveVertex, 1);
        Click(mid);
        EXPECT_EQ(link.PointCount, 2);
        EXPECT_FALSE(livemenus::Find(viewer, "GrabarSIG")->isVisible());
    }
    const QPoint drop = InsertShapePoint(102, 103, QPoint(0, -25));
    ASSERT_EQ(link.PointCount, 3);
    EXPECT_DOUBLE_EQ(link.Points[2].x, Wx(drop));
    EXPECT_DOUBLE_EQ(link.Points[2].y, Wy(drop));
    EXPECT_TRUE(livemenus::Find(viewer, "GrabarSIG")->isVisible());
    HoldKey(Qt::Key_Control, Qt::ControlModifier);
    QTest::mouseMove(viewer->img, drop);
    ASSERT_EQ(viewer->MapEdit().CurveVertex, 2);
    QTest::mouseClick(viewer->img, Qt::LeftButton, Qt::ControlModifier, drop);
    ReleaseKey(Qt::Key_Control);
    EXPECT_EQ(link.PointCount, 2);
    QTest::keyClick(viewer->img, Qt::Key_Escape);
    EXPECT_EQ(viewer->MapEdit().CurveLink, 0);

    // Node 301 dragged to 3 pixels beside node 103, where their rings overlap:
    // the pointer on either takes that one, not the first whose ring holds it.
    const int32_t n103 = KDVlib::FindNodo(103), n301 = KDVlib::FindNodo(301);
    ASSERT_LT(n103, n301);
    move->trigger();
    const QPoint at103 = Pix(Nodos[n103].X, Nodos[n103].Y), beside = at103 + QPoint(3, 0);
    Drag(Pix(Nodos[n301].X, Nodos[n301].Y), beside);
    move->trigger();
    QTest::mouseMove(viewer->img, beside);
    EXPECT_EQ(viewer->MapEdit().HoverNode, n301);
    QTest::mouseMove(viewer->img, at103);
    EXPECT_EQ(viewer->MapEdit().HoverNode, n103);
    QTest::keyClick(viewer->img, Qt::Key_Escape);
}

// "Mover" of the nodes or the zones: a click on the node or centroid, the pointer
// a few pixels off it, leaves it where it is (nothing to save); a drag puts it
// at the release.
TEST_F(MapModes, AClickWithMoverLeavesTheNodeOrCentroidWhereItIs)
{
    // The centroids on the map, from their toolbar button.
    if (!viewer->Down(Cmd::tbCents)) {
        ASSERT_TRUE(livemenus::Click(viewer, "toolbar:tbarArcos", "tbCents"));
    }
    ASSERT_TRUE(viewer->Down(Cmd::tbCents));
    const int32_t n = KDVlib::FindNodo(102), z = KDVlib::FindZona(1);
    ASSERT_TRUE(Zonas[z].HasCentroid);
    struct Row {
        const char* command;
        std::function<TPoint()> place;
        std::function<int32_t()> hover;
        int32_t want;
    };
    for (const Row& row : {Row{"NodeMove", [&] { return TPoint{Nodos[n].X, Nodos[n].Y}; },
                               [&] { return viewer->MapEdit().HoverNode; }, n},
                           Row{"ZoneMove", [&] { return TPoint{Zonas[z].CentroidX, Zonas[z].CentroidY}; },
                               [&] { return viewer->MapEdit().HoverZone; }, z}}) {
        SCOPED_TRACE(row.command);
        QAction* move = livemenus::Find(viewer, row.command);
        const TPoint before = row.place();
        const QPoint off = Pix(before.x, before.y) + QPoint(2, -2);
        move->trigger();
        QTest::mouseMove(viewer->img, off);
        ASSERT_EQ(row.hover(), row.want);
        Click(off);
        EXPECT_EQ(row.place().x, before.x);
        EXPECT_EQ(row.place().y, before.y);
        EXPECT_FALSE(Network.PositionsUnsaved);
        EXPECT_FALSE(move->isChecked());
        move->trigger();
        Drag(off, off + QPoint(20, 10));
        EXPECT_FLOAT_EQ(static_cast<float>(row.place().x), static_cast<float>(Wx(off + QPoint(20, 10))));
        EXPECT_TRUE(Network.PositionsUnsaved);
        Network.PositionsUnsaved = false;
    }
}

// Node 201 moved, one of its links reshaped, the shapes saved with "Grabar SIG":
// reopened, the network file puts the node back, and every link at it ends on it
// with the reshaped link keeping its inner point.
TEST_F(MapModes, SavedShapesEndOnTheirNodesWhenReopened)
{
    const int32_t n = KDVlib::FindNodo(201);
    const TNodo before = Nodos[n];
    livemenus::Find(viewer, "NodeMove")->trigger();
    const QPoint from = Pix(before.X, before.Y);
    QTest::mouseMove(viewer->img, from);
    ASSERT_EQ(viewer->MapEdit().HoverNode, n);
    Drag(from, from + QPoint(30, -20));
    ASSERT_NE(Nodos[n].X, before.X);
    InsertShapePoint(201, 202, QPoint(15, 0));
    const TArcos& shaped = Arcos[KDVlib::FindArco(201, 202)];
    ASSERT_EQ(shaped.PointCount, 3);
    const TPoint inner = shaped.Points[2];
    QTest::keyClick(viewer->img, Qt::Key_Escape);

    testutil::AnswerFileDialog(viewer, tmp.file("red.sig"));
    livemenus::Find(viewer, "GrabarSIG")->trigger();
    bool savedMoved = false;
    for (const std::string& line : Lines(testutil::readFile(tmp.file("red.sig"))))
        if (line.rfind("201,202,3,", 0) == 0)
            savedMoved = std::abs(Numbers(line)[3] - Nodos[n].X) < 1e-3;
    ASSERT_TRUE(savedMoved) << "the file holds the shape as edited";

    // Reopening asks about the node position, which is not saved.
    WhenModal([](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        box->button(QMessageBox::No)->click();
    });
    ASSERT_TRUE(viewer->Files().AbrirRedPalvon(tmp.file("red.dat")));
    const TNodo& node = Nodos[KDVlib::FindNodo(201)];
    EXPECT_FLOAT_EQ(node.X, before.X);
    EXPECT_FLOAT_EQ(node.Y, before.Y);
    int links = 0;
    for (int32_t k = 1; k <= Network.LinkCount; ++k) {
        const TArcos& a = Arcos[k];
        const TNodo& na = Nodos[a.AIndex];
        const TNodo& nb = Nodos[a.BIndex];
        if (na.Number != 201 && nb.Number != 201)
            continue;
        ++links;
        EXPECT_DOUBLE_EQ(a.Points[1].x, na.X) << a.A << "-" << a.B;
        EXPECT_DOUBLE_EQ(a.Points[1].y, na.Y) << a.A << "-" << a.B;
        EXPECT_DOUBLE_EQ(a.Points[a.PointCount].x, nb.X) << a.A << "-" << a.B;
        EXPECT_DOUBLE_EQ(a.Points[a.PointCount].y, nb.Y) << a.A << "-" << a.B;
    }
    EXPECT_GE(links, 6);
    const TArcos& again = Arcos[KDVlib::FindArco(201, 202)];
    ASSERT_EQ(again.PointCount, 3);
    EXPECT_NEAR(again.Points[2].x, inner.x, 1e-4);
    EXPECT_NEAR(again.Points[2].y, inner.y, 1e-4);
}

// Both directions of a street chosen by link, hidden with "Marcar NO-Dibujar": the
// redrawn map has no ink along them while the street beside keeps its own; a
// cleared selection leaves them hidden (not drawn black), "Anular Marcas" shows
// them again.
TEST_F(MapModes, HiddenLinksStayOffTheMapAfterRedrawsAndAClearedSelection)
{
    auto mid = [&](int32_t a, int32_t b) {
        const TNodo& na = Nodos[KDVlib::FindNodo(a)];
        const TNodo& nb = Nodos[KDVlib::FindNodo(b)];
        return Pix((double(na.X) + nb.X) / 2, (double(na.Y) + nb.Y) / 2);
    };
    // Pixels other than the background in a 7x7 box.
    auto ink = [&](QPoint at) {
        const QImage map = viewer->img->Picture().convertToFormat(QImage::Format_RGB32);
        int n = 0;
        for (int y = at.y() - 3; y <= at.y() + 3; ++y)
            for (int x = at.x() - 3; x <= at.x() + 3; ++x)
                n += map.valid(x, y) && (map.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF;
        return n;
    };
    auto redraw = [&] {
        ASSERT_TRUE(livemenus::Click(viewer, "menu:Ver", "aRedibujar"));
        testutil::settle();
    };
    const QPoint hidden = mid(102, 103), kept = mid(103, 104);
    redraw();
    ASSERT_GT(ink(hidden), 0);
    ASSERT_GT(ink(kept), 0);

    viewer->tnDatos->setCurrentWidget(viewer->tsArcos);
    WhenModal([](QWidget* w) {
        auto* d = qobject_cast<TDualListDialog*>(w);
        ASSERT_NE(d, nullptr);
        QList<int> rows;
        for (int i = 0; i < d->Count(1); ++i) {
            const QString ends = d->Text(1, i).remove(' ').section(QRegularExpression("[^0-9-]"), 0, 0);
            if (ends == "102-103" || ends == "103-102")
                rows << i;
        }
        ASSERT_EQ(rows.size(), 2);
        d->Move(1, rows);
        d->accept();
    });
    ASSERT_TRUE(livemenus::Click(viewer, "popup:pupArcos", "SelArco"));
    ASSERT_GT(Arcos[KDVlib::FindArco(102, 103)].Mark, 0);
    ASSERT_TRUE(livemenus::Click(viewer, "popup:pupArcos>Selección", "MarcarNODibujar1"));
    EXPECT_TRUE(viewer->windowTitle().endsWith("[2 arcos ocultos]")) << viewer->windowTitle().toStdString();
    redraw();
    EXPECT_EQ(ink(hidden), 0);
    EXPECT_GT(ink(kept), 0);

    ASSERT_TRUE(livemenus::Click(viewer, "popup:pupArcos", "AnulaSel"));
    EXPECT_EQ(Arcos[KDVlib::FindArco(102, 103)].Mark, 0);
    redraw();
    EXPECT_EQ(ink(hidden), 0) << "a cleared mark does not bring a hidden link back";

    ASSERT_TRUE(livemenus::Click(viewer, "popup:pupArcos>Selección", "AnularMarcas1"));
    redraw();
    EXPECT_GT(ink(hidden), 0);
}

// Node positions moved with "Mover" and saved on "Sí" when the network is left come
// back when it is opened again; each network of the folder keeps its own.
TEST_F(MapModes, SavedPositionsComeBackWithTheirOwnNetworkOnly)
{
    std::filesystem::copy_file(tmp.file("red.dat"), tmp.file("otra.dat"));
    const TNodo n102 = Nodos[KDVlib::FindNodo(102)], n103 = Nodos[KDVlib::FindNodo(103)];
    // Drags node `number` by `by` pixels with "Mover" of the nodes pop-up.
    auto move = [&](int32_t number, QPoint by) {
        livemenus::Find(viewer, "NodeMove")->trigger();
        const TNodo& n = Nodos[KDVlib::FindNodo(number)];
        const QPoint from = Pix(n.X, n.Y);
        QTest::mouseMove(viewer->img, from);
        EXPECT_EQ(viewer->MapEdit().HoverNode, KDVlib::FindNodo(number));
        Drag(from, from + by);
        return std::pair<float, float>(n.X, n.Y);
    };
    // Opens a network from the menu; the question about unsaved positions, when it
    // comes, is answered "Sí" and its text kept.
    auto open = [&](const std::string& name) {
        QString asked;
        QTimer* poll = testutil::AnswerNextBox(viewer, QMessageBox::Yes, asked);
        testutil::AnswerFileDialog(viewer, tmp.file(name));
        EXPECT_TRUE(livemenus::Click(viewer, "menu:Archivo>Abrir", "aFileOpenItem"));
        testutil::settle();
        if (!asked.isEmpty())
            return asked;
        poll->stop();
        poll->deleteLater();
        return asked;
    };

    const auto [x102, y102] = move(102, QPoint(25, -15));
    ASSERT_NE(x102, n102.X);
    const QString asked = open("otra.dat");
    EXPECT_TRUE(asked.contains("posiciones de nodos")) << asked.toStdString();
    EXPECT_TRUE(asked.contains("red_coordenadas.geo")) << asked.toStdString();
    ASSERT_EQ(DatFileName, "otra.dat");
    EXPECT_FALSE(std::filesystem::exists(tmp.file("coordenadas.geo")));
    const std::string saved = testutil::readFile(tmp.file("red_coordenadas.geo"));
    EXPECT_NE(saved.find(ZelUtils::Format("\r\n102,%.5f,%.5f\r\n", double(x102), double(y102))), std::string::npos);
    // The other network of the folder shows its own positions.
    EXPECT_FLOAT_EQ(Nodos[KDVlib::FindNodo(102)].X, n102.X);

    // Its own move, saved when red.dat is opened, leaves red.dat's file alone.
    const auto [x103, y103] = move(103, QPoint(-20, 20));
    EXPECT_TRUE(open("red.dat").contains("otra_coordenadas.geo"));
    EXPECT_EQ(testutil::readFile(tmp.file("red_coordenadas.geo")), saved);
    ASSERT_EQ(DatFileName, "red.dat");
    const int32_t n = KDVlib::FindNodo(102);
    EXPECT_FLOAT_EQ(Nodos[n].X, x102);
    EXPECT_FLOAT_EQ(Nodos[n].Y, y102);
    EXPECT_FLOAT_EQ(Nodos[KDVlib::FindNodo(103)].X, n103.X);
    // The links at the node end on it, as after the move.
    const TArcos& link = Arcos[KDVlib::FindArco(102, 103)];
    EXPECT_DOUBLE_EQ(link.Points[1].x, double(x102));
    EXPECT_DOUBLE_EQ(link.Points[1].y, double(y102));
    EXPECT_TRUE(open("otra.dat").isEmpty()) << "nothing left unsaved";
    EXPECT_FLOAT_EQ(Nodos[KDVlib::FindNodo(103)].X, x103);
    EXPECT_FLOAT_EQ(Nodos[KDVlib::FindNodo(103)].Y, y103);
    EXPECT_FLOAT_EQ(Nodos[KDVlib::FindNodo(102)].X, n102.X);
}

// A point added with the curve tool is an unsaved edit: the link pop-up offers
// "Grabar SIG", and leaving the network asks; "Sí" writes the shapes beside the
// network, which reads them back when opened again. A point deleted with Ctrl is
// offered for saving too.
TEST_F(MapModes, CurveToolEditsAreAskedForAndReadBack)
{
    QAction* save = livemenus::Find(viewer, "GrabarSIG");
    ASSERT_FALSE(save->isVisible());
    // The link's handles from its grid row (Shift double click), then the tool.
    OfferHandles(104, 105);
    const int32_t k = KDVlib::FindArco(104, 105);
    ASSERT_EQ(viewer->MapEdit().CurveLink, k);
    ASSERT_TRUE(livemenus::Click(viewer, "toolbar:tbarEstandar", "tbCurve"));
    const TArcos& a = Arcos[k];
    const int32_t points = a.PointCount;
    const QPoint handle = Pix((a.Points[points - 1].x + a.Points[points].x) / 2,
                              (a.Points[points - 1].y + a.Points[points].y) / 2);
    QTest::mouseMove(viewer->img, handle);
    ASSERT_EQ(viewer->MapEdit().HoverCurveLink, k);
    Drag(handle, handle + QPoint(0, 30));
    ASSERT_EQ(a.PointCount, points + 1);
    const TPoint inner = a.Points[points];
    EXPECT_TRUE(save->isVisible());
    ASSERT_TRUE(livemenus::Click(viewer, "toolbar:tbarEstandar", "tbCurve"));

    // A file that cannot be replaced (read-only) is kept whole, said once; the
    // shapes stay unsaved.
    testutil::writeFile(tmp.file("bloqueado.sig"), "del usuario");
    std::filesystem::permissions(tmp.file("bloqueado.sig"), std::filesystem::perms(0444));
    {
        RecordingServices ui;
        testutil::SaidInBoxes boxes;
        testutil::AnswerFileDialog(viewer, tmp.file("bloqueado.sig"));
        save->trigger();
        testutil::settle();
        const size_t said = ui.messages.size() + size_t(boxes.said.size());
        EXPECT_EQ(said, 1u) << boxes.said.join('|').toStdString();
        EXPECT_EQ(testutil::readFile(tmp.file("bloqueado.sig")), "del usuario");
        EXPECT_TRUE(save->isVisible());
    }

    // Leaving: the question names the shapes; "Sí" saves them under the offered name.
    std::filesystem::copy_file(tmp.file("red.dat"), tmp.file("otra.dat"));
    QString asked;
    WhenModal([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        asked = box->text();
        testutil::WhenFileDialogShown(viewer, [](QFileDialog* d) {
            EXPECT_EQ(d->windowTitle(), "Grabar SIG");
            // The name offered: the network's, beside it.
            const QStringList offered = d->selectedFiles();
            EXPECT_TRUE(!offered.isEmpty() && offered.front().endsWith("/red.sig"));
            testutil::AcceptOrGiveUp(d);
        });
        box->button(QMessageBox::Yes)->click();
    });
    ASSERT_TRUE(viewer->Files().AbrirRedPalvon(tmp.file("otra.dat")));
    EXPECT_TRUE(asked.contains("trazado de arcos")) << asked.toStdString();
    const std::string sig = testutil::readFile(tmp.file("red.sig"));
    EXPECT_NE(sig.find(ZelUtils::Format("104,105,%d,", points + 1)), std::string::npos);

    ASSERT_TRUE(viewer->Files().AbrirRedPalvon(tmp.file("red.dat")));
    const TArcos& again = Arcos[KDVlib::FindArco(104, 105)];
    ASSERT_EQ(again.PointCount, points + 1);
    EXPECT_NEAR(again.Points[points].x, inner.x, 1e-4);
    EXPECT_NEAR(again.Points[points].y, inner.y, 1e-4);

    // Ctrl on that point's handle deletes it: offered for saving again.
    ASSERT_FALSE(save->isVisible());
    OfferHandles(104, 105);
    const QPoint point = Pix(again.Points[points].x, again.Points[points].y);
    HoldKey(Qt::Key_Control, Qt::ControlModifier);
    QTest::mouseMove(viewer->img, point);
    ASSERT_EQ(viewer->MapEdit().CurveVertex, 2 * (points - 1));
    QTest::mouseClick(viewer->img, Qt::LeftButton, Qt::ControlModifier, point);
    ReleaseKey(Qt::Key_Control);
    EXPECT_EQ(again.PointCount, points);
    EXPECT_TRUE(save->isVisible());
    QTest::keyClick(viewer->img, Qt::Key_Escape);
}

// The network open, opened again by each way in (the menu, a file dropped on the
// window, the recent list, whose layout saved for it names the layer too): the
// background layer loaded on it, with a line the user deleted and has not saved,
// stays as the user left it when the opening keeps it; when the layout's layers
// would take its place, the edit is asked about once: "Cancelar" stops the
// opening, "No" gives the edit up, "Sí" writes it to the layer's file first.
// Another layer file opened without Shift, and a theme with layers of its own
// pasted, ask the same.
TEST_F(MapModes, TheSameNetworkOpenedAgainKeepsOrAsksAboutItsEditedLayer)
{
    const std::string red = tmp.file("red.dat"), layer = tmp.file("capa.geo");
    const std::string lines = "1,2,300000,6125500,300500,6125900\r\n2,2,300900,6126000,301000,6126100\r\n";
    testutil::writeFile(tmp.file("conteos.dat"), " &COUNTS\r\n &END\r\n  102  101       500\r\n");
    testutil::writeFile(tmp.file("Velmora0.INI"),
                        "[File1]\r\nFileName=" + red + "\r\nFecha=2026\r\nSoleras=1;" + layer + "\r\n");
    const auto menu = [&] {
        testutil::AnswerFileDialog(viewer, red);
        ASSERT_TRUE(livemenus::Click(viewer, "menu:Archivo>Abrir", "aFileOpenItem"));
    };
    const auto drop = [&] {
        ASSERT_TRUE(testutil::DropFile(viewer, red));
    };
    const auto recent = [&] {
        viewer->Files().RebuildRecentMenus(); // as the settings file stands
        for (QAction* a : viewer->ArchivosRecientes->actions())
            if (a->text() == QString::fromStdString(red))
                return a->trigger();
        ADD_FAILURE() << "no recent item";
    };
    // The layout saved for it names no layer that exists, and a style of its own
    // for the first layer: the layer the user loaded keeps its edit and style.
    const auto recentWithoutLayers = [&] {
        testutil::writeFile(tmp.file("Velmora0.INI"), "[File1]\r\nFileName=" + red +
                                                          "\r\nFecha=2026\r\nSoleras=1;" + tmp.file("no.geo") +
                                                          "\r\nItem11=Otra;255;5;0;0\r\n");
        recent();
    };
    // Another layer file opened without Shift takes the edited layer's place: asked
    // about the same way; a save that fails is told once and opens nothing.
    const std::string other = tmp.file("otra.geo");
    testutil::writeFile(other, "7,2,300100,6125600,300600,6125950\r\n");
    const auto otherLayer = [&] {
        testutil::AnswerFileDialog(viewer, other);
        livemenus::Find(viewer, "aOpenSolera")->trigger();
    };
    const auto otherLayerReadOnly = [&] {
        RecordingServices ui;
        std::filesystem::permissions(layer, std::filesystem::perms(0444));
        otherLayer();
        std::filesystem::permissions(layer, std::filesystem::perms(0644));
        EXPECT_EQ(ui.messages.size(), 1u);
        EXPECT_TRUE(ui.anyMessageContains("solo lectura"));
    };
    // A theme that names the layer: pasted, it reads the layer's file in its place.
    const auto theme = [&] {
        livemenus::Find(viewer, "CopiarTema1")->trigger();
        livemenus::Find(viewer, "PegarTema1")->trigger();
    };
    using Button = QMessageBox::StandardButton;
    struct Way {
        const char* name;
        std::function<void()> open;
        Button answer;
        bool asked, reread, pending;
        size_t linesInFile;
    };
    const Way ways[] = {
        {"menu", menu, QMessageBox::Cancel, false, true, true, 2},
        {"arrastrada", drop, QMessageBox::Cancel, false, true, true, 2},
        {"recientes, Cancelar", recent, QMessageBox::Cancel, true, false, true, 2},
        {"recientes, No", recent, QMessageBox::No, true, true, false, 2},
        {"recientes, Si", recent, QMessageBox::Yes, true, true, false, 1},
        {"recientes, sin capas suyas", recentWithoutLayers, QMessageBox::Cancel, false, true, true, 2},
        {"otra capa, Cancelar", otherLayer, QMessageBox::Cancel, true, false, true, 2},
        {"otra capa, No", otherLayer, QMessageBox::No, true, false, false, 2},
        {"otra capa, Si", otherLayer, QMessageBox::Yes, true, false, false, 1},
        {"otra capa, Si sin poder grabar", otherLayerReadOnly, QMessageBox::Yes, true, false, true, 2},
        {"tema, Cancelar", theme, QMessageBox::Cancel, true, false, true, 2},
        {"tema, No", theme, QMessageBox::No, true, false, false, 2},
    };
    QStringList asked;
    Button answer = QMessageBox::Cancel;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); box && box->isVisible()) {
            asked << box->text();
            (box->button(answer) ? box->button(answer) : box->buttons().front())->click();
        }
    });
    poll.start(10);
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        testutil::writeFile(layer, lines);
        answer = QMessageBox::No; // the edit an earlier row left goes
        testutil::AnswerFileDialog(viewer, layer);
        livemenus::Find(viewer, "aOpenSolera")->trigger();
        ASSERT_EQ(GeoLayers().NumGeoLayers, 1);
        DeleteLayerLineOnMap();
        ASSERT_EQ(GeoLayers().GeoLinks[1].Name, GeoDeletedName);
        // Counts, which a reading of the network does not keep: they tell whether it was read again.
        testutil::AnswerFileDialog(viewer, tmp.file("conteos.dat"));
        livemenus::Find(viewer, "aOpenCnt")->trigger();
        ASSERT_EQ(Network.CountsLoaded, 1);
        asked.clear();
        answer = way.answer;
        const TItems style = UserView().Items[11];
        way.open();
        testutil::settle();
        EXPECT_EQ(asked.filter("capas de soleras").size(), way.asked ? 1 : 0) << asked.join('|').toStdString();
        EXPECT_EQ(asked.size(), way.asked ? 1 : 0) << asked.join('|').toStdString();
        EXPECT_TRUE(UserView().Items[11].Color == style.Color && UserView().Items[11].Width == style.Width);
        EXPECT_EQ(Network.CountsLoaded, way.reread ? 0 : 1);
        EXPECT_EQ(DatFileName, "red.dat");
        EXPECT_EQ(GeoLayers().NumGeoLayers, 1);
        EXPECT_EQ(GeoLayers().GeoLinks[1].Name == GeoDeletedName, way.pending);
        EXPECT_EQ(GeoLayers().AnyUnsaved(), way.pending);
        EXPECT_EQ(Lines(testutil::readFile(layer)).size(), way.linesInFile);
    }
    poll.stop();
}

// A region selection, a path or a measure begun on the map of one network, a
// node picked in its grid to be placed, or a line toggled in its grid (the anchor
// of a Shift range), then another network opened: the tool stays in hand and
// starts afresh there, with none of the points, ends, distances or lines taken on
// the earlier one; the pick ends (no Shift+click places a node of the new network).
TEST_F(MapModes, WhatTheMouseBeganOnOneNetworkStartsAfreshOrEndsOnTheNext)
{
    std::filesystem::create_directory(tmp.file("otra"));
    std::filesystem::copy_file(testutil::realDataPath("siouxfalls.dat"), tmp.file("otra/sioux.dat"));
    std::filesystem::copy_file(tmp.file("red.dat"), tmp.file("otra/lineas.dat"));
    Secondary::DlgCfg().RutasFijas->SetItemIndex(0); // "Rutas Fijas" read: the sample's lines
    TMapTools& tools = viewer->MapEdit().MapTools();
    struct Row {
        const char* name;
        std::function<void()> arm;
        std::function<bool()> begun, afresh;
        const char* other = "otra/sioux.dat";
    };
    const Row rows[] = {
        {"region", [&] { ASSERT_TRUE(livemenus::Click(viewer, "menu:Selección", "SeleccinporRegin1")); },
         [&] { return viewer->Selection().PolyPoints.size() == 2; },
         [&] { return viewer->Selection().PolySelectKind == 3 && viewer->Selection().PolyPoints.isEmpty(); }},
        {"path", [&] { livemenus::Find(viewer, "RminMapa")->trigger(); },
         [&] { return tools.Path().FirstEndPicked(); },
         [&] { return tools.Path().Armed() && !tools.Path().FirstEndPicked(); }},
        {"measure", [&] { livemenus::Find(viewer, "Regla1")->trigger(); },
         [&] { return tools.Ruler().Clicks() == 2 && tools.Ruler().Total() > 0.0; },
         [&] { return tools.Ruler().Measuring() && tools.Ruler().Clicks() == 0 && tools.Ruler().Total() == 0.0; }},
        {"node picked in its grid",
         [&] {
             viewer->tnDatos->setCurrentWidget(viewer->tsNodos);
             testutil::settle();
             const QPoint cell = CellCentre(viewer->sagNodos, 0, KDVlib::FindNodo(102));
             QTest::mouseMove(viewer->sagNodos, cell);
             QTest::mouseDClick(viewer->sagNodos->viewport(), Qt::LeftButton, Qt::NoModifier,
                                viewer->sagNodos->viewport()->mapFrom(viewer->sagNodos, cell));
         },
         [&] { return viewer->Grids().NodeMoving && viewer->Grids().PickedItem == -KDVlib::FindNodo(102); },
         [&] {
             std::vector<float> xs;
             for (int32_t n = 1; n <= Network.NodeCount; ++n)
                 xs.push_back(Nodos[n].X);
             Click(QPoint(300, 300), Qt::ShiftModifier);
             bool moved = false;
             for (int32_t n = 1; n <= Network.NodeCount; ++n)
                 moved = moved || Nodos[n].X != xs[size_t(n - 1)];
             return !viewer->Grids().NodeMoving && viewer->Grids().PickedItem == -1 && !moved &&
                    !QApplication::overrideCursor() && !Network.PositionsUnsaved;
         }},
        {"line toggled in its grid",
         [&] {
             viewer->tnDatos->setCurrentWidget(viewer->tsLineas);
             testutil::settle();
             TStringAlignGrid* lines = viewer->sagLineas;
             // Line 1 on, then off again with Shift (no line lies between it and
             // itself), then line 2 on: the anchor.
             for (const auto& [line, keys] : {std::pair{1, Qt::NoModifier}, std::pair{1, Qt::ShiftModifier},
                                              std::pair{2, Qt::NoModifier}}) {
                 const QPoint cell = lines->viewport()->mapFrom(lines, CellCentre(lines, 1, line));
                 QTest::mouseMove(lines->viewport(), cell);
                 QTest::mouseDClick(lines->viewport(), Qt::LeftButton, keys, cell);
             }
         },
         [&] { return viewer->Grids().LastLine == 2 && Lineas[2].Visible == 1 && Lineas[1].Visible == 0; },
         [&] {
             // Shift + double click on the last line: that line alone, no range from
             // the line toggled on the network before.
             std::vector<uint8_t> before;
             for (int32_t l = 1; l <= Network.LineCount; ++l)
                 before.push_back(Lineas[l].Visible);
             viewer->tnDatos->setCurrentWidget(viewer->tsLineas);
             testutil::settle();
             TStringAlignGrid* lines = viewer->sagLineas;
             const QPoint cell = lines->viewport()->mapFrom(lines, CellCentre(lines, 1, Network.LineCount));
             QTest::mouseMove(lines->viewport(), cell);
             QTest::mouseDClick(lines->viewport(), Qt::LeftButton, Qt::ShiftModifier, cell);
             int changed = 0;
             for (int32_t l = 1; l <= Network.LineCount; ++l)
                 changed += Lineas[l].Visible != before[size_t(l - 1)];
             return changed == 1;
         },
         "otra/lineas.dat"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(viewer->Files().AbrirRedPalvon(tmp.file("red.dat")));
        testutil::settle();
        row.arm();
        if (row.name == std::string("region") || row.name == std::string("measure"))
            Click(Pix(301530, 6125640));
        if (row.name == std::string("region") || row.name == std::string("measure") || row.name == std::string("path"))
            Click(Pix(299975, 6125590));
        ASSERT_TRUE(row.begun());
        testutil::AnswerFileDialog(viewer, tmp.file(row.other));
        ASSERT_TRUE(livemenus::Click(viewer, "menu:Archivo>Abrir", "aFileOpenItem"));
        testutil::settle();
        ASSERT_EQ(DatDir + DatFileName, tmp.file(row.other));
        EXPECT_TRUE(row.afresh());
        QTest::keyClick(viewer->img, Qt::Key_Escape);
    }
    Secondary::DlgCfg().RutasFijas->SetItemIndex(1);
}

// After the link grid is sorted, the rows a listed path turns red are the rows of
// its links, wherever the sorting put them.
TEST_F(MapModes, PathMarksTheRowsOfItsLinksInASortedGrid)
{
    TStringAlignGrid* links = viewer->sagArcos;
    viewer->tnDatos->setCurrentWidget(viewer->tsArcos);
    testutil::settle();
    QHeaderView* h = links->horizontalHeader();
    const QPoint title(h->sectionViewportPosition(0) + h->sectionSize(0) / 2, h->height() / 2);
    // Twice: whichever way the first click sorts, one of the two moves the rows.
    bool moved = false;
    for (int click = 0; click < 2 && !moved; ++click) {
        QTest::mouseClick(h->viewport(), Qt::LeftButton, Qt::ShiftModifier, title);
        for (int r = 1; r < links->RowCount(); ++r)
            moved = moved || viewer->Grids().LinkOfRow(r) != r;
    }
    ASSERT_TRUE(moved) << "the sort left every link on its own row";
    // A block of rows selected in the grid opens the selected-links list below it.
    links->SetSelection({0, 1, 4, 2});
    viewer->Grids().LinkGridMouseOver = true;
    emit viewer->pupArcos->aboutToShow();
    ASSERT_TRUE(livemenus::Click(viewer, "popup:pupArcos", "SeleccionGrilla"));
    ASSERT_EQ(viewer->sagArcosSel->RowCount(), 3);
    const std::set<int32_t> chosen{viewer->Grids().LinkOfRow(1), viewer->Grids().LinkOfRow(2)};

    std::set<int32_t> path;
    TypedPath(viewer, "101", "106", [&](QWidget*) {
        TStringAlignGrid* g = viewer->Analysis().PathWindow().sagPath;
        for (int r = 1; r < g->RowCount(); ++r)
            path.insert(KDVlib::FindArco(ZelUtils::ParseInt(g->cell(1, r)), ZelUtils::ParseInt(g->cell(2, r))));
    });
    ASSERT_GE(path.size(), 3u);
    ASSERT_FALSE(path.count(0));
    int red = 0;
    for (int r = 1; r < links->RowCount(); ++r) {
        const int32_t k = viewer->Grids().LinkOfRow(r);
        if (chosen.count(k) && !path.count(k))
            continue; // in the selection's colour
        const bool isRed = links->FontColorCell(0, r) == QColor(Qt::red);
        EXPECT_EQ(isRed, path.count(k) == 1) << "row " << r << " link " << Arcos[k].A << "-" << Arcos[k].B;
        red += isRed;
    }
    EXPECT_EQ(red, static_cast<int>(path.size()));
    // The list shown below takes the path's links as well.
    std::set<int32_t> marked, listed;
    for (int32_t k = 1; k <= Network.LinkCount; ++k)
        if (Arcos[k].Mark > 0)
            marked.insert(k);
    for (int r = 1; r < viewer->sagArcosSel->RowCount(); ++r)
        listed.insert(ZelUtils::ParseInt(viewer->sagArcosSel->cell(3, r)));
    EXPECT_EQ(listed, marked);
    EXPECT_TRUE(std::includes(marked.begin(), marked.end(), path.begin(), path.end()));
}

// The zoning the network's folder names is read again with the network's text
// ("Recarga"): zones the user hid with their button stay hidden, and zones shown
// stay shown.
TEST_F(MapModes, ZonesHiddenOrShownStaySoWhenTheTextIsReadAgain)
{
    for (const bool hide : {true, false}) {
        SCOPED_TRACE(hide ? "hidden" : "shown");
        ASSERT_TRUE(viewer->CommandOn(Cmd::tbZonas));
        if (hide) {
            ASSERT_TRUE(livemenus::Click(viewer, "toolbar:tbarAdicionales", "tbZonas"));
        }
        if (!FrmDat || !FrmDat->isVisible()) {
            ASSERT_TRUE(livemenus::Click(viewer, "menu:Archivo", "RedPalvon1"));
        }
        QTest::mouseClick(FrmDat->findChild<QToolButton*>("tbReload"), Qt::LeftButton);
        testutil::settle();
        EXPECT_EQ(ZoningFileName, "zonas.geo");
        EXPECT_EQ(viewer->CommandOn(Cmd::tbZonas), !hide);
        if (hide) {
            ASSERT_TRUE(livemenus::Click(viewer, "toolbar:tbarAdicionales", "tbZonas"));
        }
    }
    FrmDat->hide();
}

// What belongs to the open network (its counts, a link, node and zone selected,
// a link hidden, the capacity coloured, the movement variables chosen, a formula
// column, a line layer, points, generation and attraction shown, a zoning, a node
// moved, a link reshaped, a transit line shown alone) after each way
// of leaving it: another network opened answering Sí, No or Cancelar; a network refused (cut short, without coordinates, over capacity, a
// save that fails); the text saved under another name and opened; the text read
// again. Kept, saved, or gone with its network, as the user expects, and the
// program and the earlier network always stay.
TEST_F(MapModes, EachKindOfNetworkStateFollowsItsNetworkThroughEveryTransition)
{
    namespace fs = std::filesystem;
    using Button = QMessageBox::StandardButton;
    struct Transition {
        const char* name;
        const char* target; // the file opened ("" reads the text again)
        Button answer;      // to the question about the unsaved edits
        bool opened;        // the target replaced the network
        bool saved;         // the move and the shape went to their files
        bool editsFollow;   // the network open afterwards shows the move and the shape
        bool choicesKept;   // counts, variables, formula column and layer stay
    };
    const Transition rows[] = {
        {"Si", "otra/sioux.dat", QMessageBox::Yes, true, true, false, false},
        {"No", "otra/sioux.dat", QMessageBox::No, true, false, false, false},
        {"Cancelar", "otra/sioux.dat", QMessageBox::Cancel, false, false, true, true},
        {"cortada", "cortada.dat", QMessageBox::No, false, false, true, true},
        {"sin coordenadas", "sincoord.dat", QMessageBox::No, false, false, true, true},
        {"sobre capacidad", "berlin.dat", QMessageBox::No, false, false, true, true},
        {"posiciones de solo lectura", "otra/sioux.dat", QMessageBox::Yes, false, false, true, true},
        {"guardada como", "editada.dat", QMessageBox::Yes, true, true, true, false},
        {"recarga", "", QMessageBox::Yes, false, true, true, false},
    };
    const std::string sample = testutil::readFile(tmp.file("red.dat"));
    // The transit lines are read too: "Incluir rutas fijas", as the user ticks it
    // in the options (the program's choice again at the end).
    for (auto* b : Secondary::DlgCfg().RutasFijas->findChildren<QRadioButton*>())
        if (b->text() == QStringLiteral("Incluir rutas fijas"))
            QTest::mouseClick(b, Qt::LeftButton);
    ASSERT_TRUE(ProgramOptions().ReadsTransitLines());
    const std::unique_ptr<TRadioGroup, void (*)(TRadioGroup*)> routesBack(Secondary::DlgCfg().RutasFijas,
                                                                          [](TRadioGroup* g) { g->SetItemIndex(1); });
    // Another network, in a folder of its own (no "Velmora.ini" names a zoning for it).
    fs::create_directory(tmp.file("otra"));
    fs::copy_file(testutil::realDataPath("siouxfalls.dat"), tmp.file("otra/sioux.dat"));
    fs::copy_file(testutil::realDataPath("berlin-center.dat"), tmp.file("berlin.dat"));
    testutil::writeFile(tmp.file("cortada.dat"), sample.substr(0, 3000));
    const size_t from = sample.find("\n55555"), to = sample.find("99999", from);
    testutil::writeFile(tmp.file("sincoord.dat"), sample.substr(0, from + 1) + sample.substr(sample.find('\n', to) + 1));
    testutil::writeFile(tmp.file("puntos.geo"), "1,300000,6125500\r\n");
    testutil::writeFile(tmp.file("genatr.csv"), "Zona,X,Y,Viajes,Viajes\r\n1,300000,6125500,100,200\r\n");
    testutil::writeFile(tmp.file("red.sel"), "       103       104    3\r\n");
    testutil::writeFile(tmp.file("nodos.sel"), "       105    2\r\n");
    testutil::writeFile(tmp.file("zonas.sel"), "         1    4\r\n");
    testutil::writeFile(tmp.file("conteos.dat"), " &COUNTS\r\n TITLE='X'\r\n &END\r\n  102  101       500\r\n"
                                                 "  103  104       900\r\n");

    // Answers every box and file dialog the commands show: questions with
    // `answer`, the shapes' save dialog with `sig`, any other file dialog with `file`.
    QStringList asked;
    Button answer = QMessageBox::No;
    std::string sig, file, layer;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* w = QApplication::activeModalWidget();
        if (!w || !w->isVisible())
            return;
        if (auto* box = qobject_cast<QMessageBox*>(w)) {
            asked << box->text();
            (box->button(answer) ? box->button(answer) : box->buttons().front())->click();
        } else if (auto* d = qobject_cast<QFileDialog*>(w)) {
            const QString title = d->windowTitle();
            testutil::TypeFileAndAccept(
                d, QString::fromStdString(title == "Grabar SIG" ? sig : title.startsWith("Guardar capa") ? layer : file));
        }
    });
    poll.start(10);
    auto runAnswering = [&](Button a, const std::string& f, const std::function<void()>& command) {
        answer = a;
        file = f;
        command();
        testutil::settle();
    };
    const int32_t kNode = 102;

    for (const Transition& row : rows) {
        SCOPED_TRACE(row.name);
        const fs::path dir = tmp.path() / (std::string("t_") + std::to_string(&row - rows));
        fs::create_directory(dir);
        const std::string red = (dir / "red.dat").string();
        testutil::writeFile(red, sample);
        sig = (dir / (row.name == std::string("guardada como") ? "editada.sig" : "red.sig")).string();
        // A layer of two lines, which the folder names and the user opens too; one
        // of its lines is deleted with "Editar" and not saved.
        layer = (dir / "capa.geo").string();
        testutil::writeFile(layer, "1,2,300000,6125500,300500,6125900\r\n2,2,300900,6126000,301000,6126100\r\n");
        testutil::writeFile((dir / "Velmora.ini").string(), "[File Names]\r\nSolera1=capa.geo\r\n");
        // The network and everything the user puts on it.
        runAnswering(QMessageBox::No, "", [&] { ASSERT_TRUE(viewer->Files().AbrirRedPalvon(red)); });
        runAnswering(QMessageBox::Ok, tmp.file("conteos.dat"), [&] { livemenus::Find(viewer, "aOpenCnt")->trigger(); });
        ASSERT_EQ(Network.CountsLoaded, 1);
        runAnswering(QMessageBox::Ok, tmp.file("red.sel"), [&] { livemenus::Find(viewer, "ImportaSeleccin1")->trigger(); });
        ASSERT_EQ(Arcos[KDVlib::FindArco(103, 104)].Mark, 3);
        ASSERT_TRUE(livemenus::Click(viewer, "popup:pupArcos>Selección", "MarcarNODibujar1"));
        ASSERT_EQ(Arcos[KDVlib::FindArco(103, 104)].Active, 0);
        runAnswering(QMessageBox::Ok, tmp.file("nodos.sel"), [&] { livemenus::Find(viewer, "ImportaSeleccin2")->trigger(); });
        runAnswering(QMessageBox::Ok, tmp.file("zonas.sel"), [&] { livemenus::Find(viewer, "ImportaSeleccin4")->trigger(); });
        ASSERT_EQ(Nodos[KDVlib::FindNodo(105)].Mark, 2);
        ASSERT_EQ(Zonas[KDVlib::FindZona(1)].Class, 4);
        livemenus::Find(viewer, "aVistaGeneral1")->trigger(); // the import showed the selection
        // One transit line shown alone: a double click on its name.
        viewer->tnDatos->setCurrentWidget(viewer->tsLineas);
        testutil::settle();
        TStringAlignGrid* lineGrid = viewer->sagLineas;
        const QPoint lineName = CellCentre(lineGrid, 1, 2);
        QTest::mouseDClick(lineGrid->viewport(), Qt::LeftButton, Qt::NoModifier,
                           lineGrid->viewport()->mapFrom(lineGrid, lineName));
        ASSERT_EQ(ShownLines(), "L02");
        viewer->tnDatos->setCurrentWidget(viewer->tsMovim);
        testutil::settle();
        TStringAlignGrid* movs = viewer->sagMovim;
        const QPoint cell = CellCentre(movs, 4, 1);
        QTest::mouseDClick(movs->viewport(), Qt::LeftButton, Qt::NoModifier, movs->viewport()->mapFrom(movs, cell));
        ASSERT_EQ(UserView().SelectedMovimVars, std::vector<std::string>{"4"});
        QAction* colores = livemenus::Find(viewer, "tbColores");
        emit colores->menu()->aboutToShow();
        for (QAction* v : colores->menu()->actions())
            if (v->isEnabled() && v->data().toInt() == 5)
                v->trigger();
        ASSERT_EQ(UserView().RangeName, "Cap");
        ASSERT_TRUE(viewer->Down(Cmd::tbColores));
        std::set<QRgb> classColours;
        for (int k = 1; k <= UserView().NumRanges; ++k) {
            const uint32_t c = UserView().RangeTable[size_t(k)].Color;
            classColours.insert(qRgb(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)));
        }
        // Map pixels in the colours of the classes.
        auto classInk = [&] {
            const QImage& map = viewer->img->Picture();
            int ink = 0;
            for (int y = 0; y < map.height(); ++y)
                for (int x = 0; x < map.width(); ++x)
                    ink += classColours.count(map.pixel(x, y) | 0xFF000000u) ? 1 : 0;
            return ink;
        };
        ASSERT_GT(classInk(), 0);
        // The scale window keeps the maximum ("Escala...", its box ticked).
        livemenus::WhenModalShown(viewer, [](QWidget* w) {
            auto* scale = qobject_cast<TKDVscale*>(w);
            ASSERT_NE(scale, nullptr);
            if (!scale->Fixed->isChecked()) // kept from the row before
                QTest::mouseClick(scale->Fixed, Qt::LeftButton);
            scale->accept();
        });
        ASSERT_TRUE(livemenus::Click(viewer, "menu:Ver", "Escala1"));
        const float keptMax = UserView().RangeMax;
        ASSERT_TRUE(UserView().ScaleFixed && keptMax > 0.0f);
        ASSERT_TRUE(testutil::MakeFormulaColumn(viewer, Secondary::DlgFormula(), true, {"Fl.Sat"}, "Doble", "A*2"));
        ASSERT_EQ(NumUserVarMovim, 1);
        runAnswering(QMessageBox::Ok, layer, [&] { livemenus::Find(viewer, "aOpenSolera")->trigger(); });
        ASSERT_EQ(GeoLayers().NumGeoLayers, 1);
        DeleteLayerLineOnMap();
        ASSERT_EQ(GeoLayers().GeoLinks[1].Name, GeoDeletedName);
        ASSERT_TRUE(GeoLayers().AnyUnsaved());
        runAnswering(QMessageBox::Ok, tmp.file("puntos.geo"), [&] { livemenus::Find(viewer, "Puntos5")->trigger(); });
        ASSERT_GE(NumDots, 0);
        runAnswering(QMessageBox::Ok, tmp.file("genatr.csv"),
                     [&] { livemenus::Find(viewer, "GeneracinAtraccin1")->trigger(); });
        ASSERT_EQ(NumGenatr, 2);
        livemenus::Find(viewer, "GenAtrZona")->menu()->actions().front()->trigger();
        ASSERT_TRUE(livemenus::Find(viewer, "GenAtrZona")->isChecked());
        runAnswering(QMessageBox::Ok, tmp.file("zonas.geo"), [&] { livemenus::Find(viewer, "aOpenZonif")->trigger(); });
        ASSERT_GT(Zonas[KDVlib::FindZona(1)].PolygonCount, 0);
        livemenus::Find(viewer, "NodeMove")->trigger();
        const int32_t n = KDVlib::FindNodo(kNode);
        const QPoint at = Pix(Nodos[n].X, Nodos[n].Y);
        QTest::mouseMove(viewer->img, at);
        Drag(at, at + QPoint(25, -15));
        const float movedX = Nodos[n].X, movedY = Nodos[n].Y;
        ASSERT_TRUE(Network.PositionsUnsaved);
        InsertShapePoint(104, 105, QPoint(0, -25));
        const int32_t shaped = KDVlib::FindArco(104, 105), points = Arcos[shaped].PointCount;
        ASSERT_TRUE(livemenus::Find(viewer, "GrabarSIG")->isVisible());

        // The window zoomed in and the link grid sorted by a title (Shift+click).
        livemenus::Find(viewer, "tbZoomIn")->trigger();
        const TZoomSlot window = Zoom::CurrentView();
        const int32_t zoomIndex = UserView().ZoomIndex;
        viewer->tnDatos->setCurrentWidget(viewer->tsArcos);
        testutil::settle();
        testutil::ShiftClickTitle(viewer->sagArcos, 5);
        const auto rowsShown = [&] { return testutil::ColumnShown(viewer->sagArcos, 3); };
        const std::string sorted = rowsShown();
        ASSERT_NE(sorted.substr(0, 4), "1 2 ");
        // A block of rows chosen in the link grid: a click, then a Shift+click.
        const auto rowAt = [&](int r) {
            return viewer->sagArcos->visualRect(viewer->sagArcos->model()->index(r - 1, 1)).center();
        };
        QTest::mouseClick(viewer->sagArcos->viewport(), Qt::LeftButton, Qt::NoModifier, rowAt(2));
        QTest::mouseClick(viewer->sagArcos->viewport(), Qt::LeftButton, Qt::ShiftModifier, rowAt(4));
        ASSERT_EQ(viewer->sagArcos->Selection().Bottom, 4);
        // The selection by data names the column last under the mouse.
        const QString byData = livemenus::Find(viewer, "SeleccionPorDatos")->text();
        ASSERT_TRUE(byData.startsWith(QStringLiteral("Selección por \""))) << byData.toStdString();

        // The transition.
        const std::string positions = (dir / "red_coordenadas.geo").string();
        if (row.name == std::string("posiciones de solo lectura")) {
            testutil::writeFile(positions, "");
            fs::permissions(positions, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
        }
        std::string target = row.target[0] ? tmp.file(row.target) : std::string();
        if (row.name == std::string("guardada como")) {
            target = (dir / "editada.dat").string();
            ASSERT_TRUE(livemenus::Click(viewer, "menu:Archivo", "RedPalvon1"));
            runAnswering(QMessageBox::Ok, target, [&] { FrmDat->findChild<QToolButton*>("tbSaveDat")->click(); });
            ASSERT_EQ(testutil::readFile(target), sample);
        }
        asked.clear();
        RecordingServices* quiet = row.opened ? nullptr : new RecordingServices;
        if (target.empty()) {
            if (!FrmDat->isVisible()) {
                ASSERT_TRUE(livemenus::Click(viewer, "menu:Archivo", "RedPalvon1"));
            }
            runAnswering(row.answer, "", [&] { FrmDat->findChild<QToolButton*>("tbReload")->click(); });
        } else {
            runAnswering(row.answer, target,
                         [&] { ASSERT_TRUE(livemenus::Click(viewer, "menu:Archivo>Abrir", "aFileOpenItem")); });
        }
        std::vector<std::string> messages = quiet ? quiet->messages : std::vector<std::string>{};
        delete quiet;

        // The network open, and the program with it.
        EXPECT_TRUE(viewer->isVisible());
        const std::string open = row.opened ? fs::path(target).filename().string() : "red.dat";
        EXPECT_EQ(DatFileName, open);
        EXPECT_EQ(Network.NodeCount, row.opened && !row.editsFollow ? 24 : 21);
        EXPECT_EQ(asked.filter("Hay cambios sin grabar").size(), 1) << asked.join('|').toStdString();
        for (const std::string& m : messages)
            EXPECT_EQ(m.find("Terminando"), std::string::npos) << m;
        // The move and the shape: in the grid and on the map of the network open
        // when they came with it, pending while nothing was saved or given up.
        const bool pending = !row.opened && !row.saved;
        EXPECT_EQ(Network.PositionsUnsaved, pending);
        EXPECT_EQ(livemenus::Find(viewer, "GrabarSIG")->isVisible(), pending);
        EXPECT_EQ(viewer->MapEdit().CurveLink != 0, pending);
        if (row.editsFollow) {
            const int32_t m = KDVlib::FindNodo(kNode);
            EXPECT_FLOAT_EQ(Nodos[m].X, movedX);
            EXPECT_FLOAT_EQ(Nodos[m].Y, movedY);
            EXPECT_EQ(viewer->sagNodos->cell(1, m), ZelUtils::Trim(ZelUtils::Format(XYFormat, double(movedX))));
            EXPECT_EQ(Arcos[KDVlib::FindArco(104, 105)].PointCount, points);
        }
        // The files on disk: written only when the user said so.
        const std::string savedPositions =
            row.name == std::string("guardada como") ? (dir / "editada_coordenadas.geo").string() : positions;
        const std::string written = fs::exists(savedPositions) ? testutil::readFile(savedPositions) : "";
        EXPECT_EQ(written.find(ZelUtils::Format("\r\n%d,%.5f,%.5f\r\n", kNode, double(movedX), double(movedY))) !=
                      std::string::npos,
                  row.saved);
        EXPECT_EQ(fs::exists(sig), row.saved);
        // The layer's edit: saved when the layer would go with its network, else
        // still pending on the layer that stays.
        const bool layerSaved = row.saved && row.target[0];
        EXPECT_EQ(Lines(testutil::readFile(layer)).size(), layerSaved ? 1u : 2u);
        EXPECT_EQ(asked.filter("capas de soleras").size(), row.target[0] ? 1 : 0);
        EXPECT_EQ(GeoLayers().AnyUnsaved(), !layerSaved && (row.choicesKept || !row.opened));
        // What the user chose to see and loaded: kept on the same network, gone
        // with it on another.
        EXPECT_EQ(Network.CountsLoaded == 1, row.choicesKept || !row.opened) << "counts";
        EXPECT_EQ(UserView().RangeName == "Cap", row.choicesKept || !row.opened);
        EXPECT_EQ(viewer->Down(Cmd::tbColores), row.choicesKept || !row.opened);
        EXPECT_EQ(UserView().SelectedMovimVars.size(), row.choicesKept || !row.opened ? 1u : 0u);
        // (A network opened in the same folder has the folder's layer.)
        EXPECT_EQ(GeoLayers().NumGeoLayers, row.choicesKept || !row.opened || fs::path(target).parent_path() == dir);
        EXPECT_EQ(NumDots >= 0, row.choicesKept || !row.opened) << "points";
        EXPECT_EQ(NumGenatr == 2, row.choicesKept || !row.opened) << "generation/attraction";
        EXPECT_EQ(livemenus::Find(viewer, "GenAtrZona")->isEnabled(), row.choicesKept || !row.opened);
        EXPECT_EQ(livemenus::Find(viewer, "GenAtrZona")->isChecked(), row.choicesKept || !row.opened);
        // The variable menus tick what is shown still, and nothing gone.
        EXPECT_EQ(livemenus::Find(viewer, "GenAtrZona")->menu()->actions().front()->isChecked(),
                  row.choicesKept || !row.opened);
        QMenu* linkVars = livemenus::Find(viewer, "tbColores")->menu();
        emit linkVars->aboutToShow();
        std::vector<int> ticked;
        for (QAction* v : linkVars->actions())
            if (v->isChecked())
                ticked.push_back(v->data().toInt());
        EXPECT_EQ(ticked, row.choicesKept || !row.opened ? std::vector<int>{5} : std::vector<int>{});
        // And the grids mark the titles of what is shown.
        EXPECT_EQ(testutil::MarkedTitles(viewer->sagArcos), row.choicesKept || !row.opened ? "Cap" : "");
        EXPECT_EQ(testutil::MarkedTitles(movs), row.choicesKept || !row.opened ? "Fl.Sat" : "");
        EXPECT_EQ(Zonas[KDVlib::FindZona(1)].PolygonCount > 0, row.choicesKept || !row.opened) << "zoning";
        // The formula column: made again on the same network, computed on its data.
        EXPECT_EQ(NumUserVarMovim, row.choicesKept || !row.opened ? 1 : 0);
        // The block stays on the rows of the network it was chosen on: "Selección
        // en Grilla" marks no record of another.
        const TGridRect block = viewer->sagArcos->Selection();
        EXPECT_EQ(block.Top == 2 && block.Bottom == 4, !row.opened) << block.Top << "-" << block.Bottom;
        EXPECT_EQ(livemenus::Find(viewer, "SeleccionPorDatos")->text().toStdString(),
                  row.choicesKept || !row.opened ? byData.toStdString() : "Selección por Datos...");
        if (!row.opened) {
            EXPECT_EQ(testutil::FormulaColumnCheck(viewer->sagMovim, "Doble", "Fl.Sat"), "");
        }
        // The scale kept by the scale window stays kept, with its maximum, whatever
        // network follows (the padlock says so).
        EXPECT_TRUE(UserView().ScaleFixed);
        EXPECT_FLOAT_EQ(UserView().RangeMax, keptMax);
        EXPECT_TRUE(viewer->MapView().Fixed->isVisibleTo(viewer));
        // The window, its zoom steps and the grid's order: the user's on the same network.
        if (!row.opened) {
            const TZoomSlot now = Zoom::CurrentView();
            EXPECT_TRUE(now.MinX == window.MinX && now.MaxX == window.MaxX && now.MinY == window.MinY &&
                        now.MaxY == window.MaxY) << "window";
            EXPECT_EQ(UserView().ZoomIndex, zoomIndex);
            EXPECT_EQ(rowsShown(), sorted);
        }
        // The links, nodes and zones selected: marks of the network they were made on.
        EXPECT_EQ(Arcos[KDVlib::FindArco(103, 104)].Mark == 3, !row.opened) << "selection";
        EXPECT_EQ(Arcos[KDVlib::FindArco(103, 104)].Active == 0, !row.opened) << "hidden";
        EXPECT_EQ(viewer->windowTitle().contains("[1 arcos ocultos]"), !row.opened) << viewer->windowTitle().toStdString();
        EXPECT_EQ(Nodos[KDVlib::FindNodo(105)].Mark == 2, !row.opened) << "nodes";
        EXPECT_EQ(Zonas[KDVlib::FindZona(1)].Class == 4, !row.opened) << "zones";
        // So are the transit lines shown (another network shows all of its own).
        EXPECT_EQ(ShownLines(), row.opened ? ShownLines(true) : "L02") << "lines";
        // The map and its colour legend show the classes of the network on show only.
        livemenus::Find(viewer, "aRedibujar")->trigger();
        EXPECT_EQ(classInk() > 0, row.choicesKept || !row.opened);
        EXPECT_EQ(viewer->sym->isVisible(), row.choicesKept || !row.opened);
        if (row.opened) {
            EXPECT_FALSE(viewer->Scl->isVisible());
        }
        if (!row.opened) {
            // The counts in their column of the grid.
            const int32_t link = KDVlib::FindArco(103, 104);
            EXPECT_EQ(viewer->sagArcos->cell(13, viewer->sagArcos->RowOfRecord(link)), "900");
        }
        // The gauge waits at its start, hidden.
        EXPECT_EQ(viewer->pbc->Progress(), viewer->pbc->MinValue());
        EXPECT_FALSE(viewer->pbc->isVisible());
        // The next variable, of another kind (bars), is drawn to the kept maximum
        // and leaves it as the user typed it.
        QMenu* bars = livemenus::Find(viewer, "tbAtributos")->menu();
        emit bars->aboutToShow();
        for (QAction* v : bars->actions())
            if (v->isEnabled() && v->data().toInt() == 5)
                v->trigger();
        EXPECT_TRUE(viewer->Down(Cmd::tbAtributos));
        EXPECT_FLOAT_EQ(UserView().RangeMax, keptMax);
        if (fs::exists(positions))
            fs::permissions(positions, fs::perms::owner_write, fs::perm_options::add);
    }
    // The layer's edit left pending above is given up at the next opening.
    answer = QMessageBox::No;

    // The node moved and saved with "Sí" above, then placed elsewhere in the file
    // itself: opened again, the user chooses; "No" keeps the file's place, which
    // the grid and the text window then agree on.
    const std::string red = (tmp.path() / "t_0" / "red.dat").string();
    std::string edited = sample;
    const std::string line = "  102       300300.0      6125600.0";
    ASSERT_NE(edited.find(line), std::string::npos);
    edited.replace(edited.find(line), line.size(), "  102       300350.0      6125650.0");
    testutil::writeFile(red, edited);
    for (bool useSaved : {false, true}) {
        RecordingServices ui;
        ui.answerYes = useSaved;
        ASSERT_TRUE(viewer->Files().AbrirRedPalvon(red));
        ASSERT_EQ(ui.questions.size(), 1u);
        EXPECT_NE(ui.questions[0].find("posiciones grabadas"), std::string::npos) << ui.questions[0];
        const int32_t n = KDVlib::FindNodo(kNode);
        EXPECT_EQ(Nodos[n].X == 300350.0f, !useSaved) << Nodos[n].X;
        EXPECT_EQ(viewer->sagNodos->cell(1, n), ZelUtils::Trim(ZelUtils::Format(XYFormat, double(Nodos[n].X))));
        const std::vector<std::string> text = FrmDat->Lines().ToVector();
        EXPECT_NE(std::find(text.begin(), text.end(), "  102       300350.0      6125650.0"), text.end());
    }
    // The text written at the very instant of the positions is not newer: asked
    // about only a nanosecond later.
    const fs::path savedAt = tmp.path() / "t_0" / "red_coordenadas.geo";
    for (const auto later : {std::chrono::nanoseconds(0), std::chrono::nanoseconds(1)}) {
        fs::last_write_time(red, fs::last_write_time(savedAt) + later);
        RecordingServices ui;
        ASSERT_TRUE(viewer->Files().AbrirRedPalvon(red));
        EXPECT_EQ(ui.questions.size(), later.count() ? 1u : 0u) << later.count();
    }

    // A network long enough for the gauge to move: it stays up until the grids
    // show the network, and ends hidden, at its start.
    fs::copy_file(testutil::realDataPath("chicago-sketch.dat"), tmp.file("otra/chicago.dat"));
    struct HideSpy : QObject {
        TStringAlignGrid* grid;
        std::vector<int> rowsWhenHidden; // the link grid's rows each time the gauge hides
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == QEvent::Hide)
                rowsWhenHidden.push_back(grid->RowCount());
            return false;
        }
    } spy;
    spy.grid = viewer->sagArcos;
    viewer->pbc->installEventFilter(&spy);
    ASSERT_TRUE(viewer->Files().AbrirRedPalvon(tmp.file("otra/chicago.dat")));
    viewer->pbc->removeEventFilter(&spy);
    EXPECT_EQ(spy.rowsWhenHidden, std::vector<int>{2951});
    poll.stop();
    EXPECT_EQ(viewer->pbc->Progress(), viewer->pbc->MinValue());
    EXPECT_FALSE(viewer->pbc->isVisible());
}

// The same network opened again from "Abrir", or dropped on the window, comes
// without the formula columns made on it: a variable chosen on one goes, with its
// layer, legend and tick, and each one chosen on a column still there stays,
// drawn and ticked, whatever the other was chosen on.
TEST_F(MapModes, ChoicesOnColumnsStillThereStayWhenTheNetworkIsOpenedAgain)
{
    struct Row {
        const char* name;
        const char* bars;     // link column double-clicked first ("" none)
        const char* colour;   // then the link variable coloured from the button ("" none)
        bool movementFormula; // the movement column double-clicked is the formula one
        bool drop;            // opened again by a drop, else from "Abrir"
        std::vector<std::string> more{}; // link columns Ctrl+double-clicked after the first bars
        // Then movement columns shown as bars at the link ends (Alt+double-click,
        // with Ctrl after the first).
        std::vector<std::string> movs{};
        bool recent = false; // opened again from "Abrir Recientes"
    };
    const Row rows[] = {
        {"bars on a formula column, colour and movement on others", "Doble", "Cap", false, false},
        {"movement on a formula column", "", "Cap", true, true},
        {"colour on a formula column", "", "Doble", false, false},
        {"everything on columns still there", "Cap", "Cap", false, true},
        {"bars of three, the middle on a formula column", "Cap", "", false, false, {"Doble", "Long"}},
        {"bars of three, the last on a formula column", "Cap", "", false, true, {"Long", "Doble"}},
        {"movement bars of three, the middle on a formula column", "Cap", "", false, false, {}, {"Fl.Sat", "Doble", "Pistas"}},
        {"the same, from the recent networks", "Cap", "", false, false, {}, {"Fl.Sat", "Doble", "Pistas"}, true},
        {"movement bars of two over link bars losing their middle", "Cap", "", false, true, {"Doble", "Long"},
         {"Fl.Sat", "Pistas"}},
        {"movement bars of two over link bars all gone", "Doble", "", false, false, {}, {"Fl.Sat", "Pistas"}},
    };
    const auto column = [](TStringAlignGrid* g, const std::string& title) {
        int c = g->ColCount() - 1;
        while (c > 0 && g->cell(c, 0) != title)
            --c;
        return c;
    };
    const auto doubleClick = [&](TStringAlignGrid* g, QWidget* page, int col, Qt::KeyboardModifiers keys = {}) {
        viewer->tnDatos->setCurrentWidget(page);
        testutil::settle();
        g->scrollTo(g->model()->index(0, col));
        const QPoint at = g->viewport()->mapFrom(g, CellCentre(g, col, 1));
        QTest::mouseMove(g->viewport(), at);
        QTest::mouseClick(g->viewport(), Qt::LeftButton, keys, at);
        QTest::mouseDClick(g->viewport(), Qt::LeftButton, keys, at);
    };
    // The link variables shown together but the formula column's, each with its
    // item and colour of bars.
    const auto shownTogether = [&] {
        std::string s;
        for (size_t i = 0; i < UserView().ShownVarList.size(); ++i)
            if (const std::string title = viewer->sagArcos->cell(std::stoi(UserView().ShownVarList[i]), 0); title != "Doble")
                s += title + "=" + viewer->Action(QStringLiteral("cv%1").arg(i))->text().toStdString() + ":" +
                     std::to_string(UserView().VarColors[i]) + " ";
        return s;
    };
    // Each movement variable of the bars but the formula column's, with the colour
    // of its row in the bar legend drawn (rows in the order chosen, the last lowest).
    const auto movementBars = [&] {
        livemenus::Find(viewer, "aRedibujar")->trigger();
        const QImage legend = viewer->Scl->Picture();
        std::vector<QRgb> rows; // bottom up
        QRgb run = 0;
        for (int y = legend.height() - 1; y >= 0 && rows.size() < UserView().SelectedMovimVars.size(); --y) {
            const QRgb p = legend.pixel(30, y);
            const bool ink = qAlpha(p) > 0 && (p & 0xFFFFFF) != 0 && (p & 0xFFFFFF) != 0xFFFFFF;
            if (ink && p != run)
                rows.push_back(p);
            run = ink ? p : 0;
        }
        std::string s;
        for (size_t i = 0; i < UserView().SelectedMovimVars.size() && i < rows.size(); ++i)
            if (const std::string title = viewer->sagMovim->cell(std::stoi(UserView().SelectedMovimVars[i]), 0);
                title != "Doble")
                s += title + "=" + QColor(rows[rows.size() - 1 - i]).name().toStdString() + " ";
        return s;
    };
    // The link variables of the bars with their colours, and the items of colour shown.
    const auto linkColours = [&] {
        std::string s;
        for (size_t i = 0; i < UserView().ShownVarList.size(); ++i)
            if (const std::string title = viewer->sagArcos->cell(std::stoi(UserView().ShownVarList[i]), 0); title != "Doble")
                s += title + ":" + std::to_string(UserView().VarColors[i]) + " ";
        return s;
    };
    const auto colourItems = [&](const std::string& except = "") {
        std::string s;
        for (int i = 0; i < MaxShownVars; ++i)
            if (QAction* item = viewer->Action(QStringLiteral("cv%1").arg(i));
                item->isVisible() && item->text().toStdString() != except)
                s += item->text().toStdString() + "|";
        return s;
    };
    QMenu* colours = livemenus::Find(viewer, "tbColores")->menu();
    // The grid titles of the variables ticked in the colour button's list.
    const auto ticked = [&] {
        emit colours->aboutToShow();
        QStringList t;
        for (QAction* v : colours->actions())
            for (int c = 1; v->isChecked() && c < viewer->sagArcos->ColCount(); ++c)
                if (ColVarArcos[size_t(c)] == v->data().toInt())
                    t << QString::fromStdString(viewer->sagArcos->cell(c, 0));
        return t.join('|').toStdString();
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(viewer->Files().AbrirRedPalvon(tmp.file("red.dat")));
        testutil::settle();
        ASSERT_TRUE(testutil::MakeFormulaColumn(viewer, Secondary::DlgFormula(), false, {"Cap"}, "Doble", "A*2"));
        ASSERT_TRUE(testutil::MakeFormulaColumn(viewer, Secondary::DlgFormula(), true, {"Fl.Sat"}, "Doble", "A*2"));
        TStringAlignGrid* movs = viewer->sagMovim;
        const int movement = row.movementFormula ? column(movs, "Doble") : 4;
        const std::string movementTitle = movs->cell(movement, 0);
        doubleClick(movs, viewer->tsMovim, movement);
        ASSERT_EQ(UserView().SelectedMovimVars, std::vector<std::string>{std::to_string(movement)});
        if (*row.bars)
            doubleClick(viewer->sagArcos, viewer->tsArcos, column(viewer->sagArcos, row.bars));
        for (const std::string& title : row.more)
            doubleClick(viewer->sagArcos, viewer->tsArcos, column(viewer->sagArcos, title), Qt::ControlModifier);
        ASSERT_EQ(UserView().ShownVarList.size(), row.more.size() + 1);
        for (const std::string& title : row.movs)
            doubleClick(movs, viewer->tsMovim, column(movs, title),
                        &title == &row.movs.front() ? Qt::AltModifier : Qt::AltModifier | Qt::ControlModifier);
        ASSERT_EQ(UserView().SelectedMovimVars.size(), row.movs.empty() ? 1 : row.movs.size());
        const std::string together = shownTogether(), movementBarsBefore = row.movs.empty() ? "" : movementBars();
        ASSERT_EQ(std::count(movementBarsBefore.begin(), movementBarsBefore.end(), '#'), row.movs.empty() ? 0 : 2);
        const std::string linksBefore = linkColours(), itemsBefore = colourItems(TitMovim[size_t(column(movs, "Doble"))]);
        if (*row.colour) {
            emit colours->aboutToShow();
            for (QAction* v : colours->actions())
                if (v->data().toInt() == ColVarArcos[size_t(column(viewer->sagArcos, row.colour))])
                    v->trigger();
            ASSERT_EQ(UserView().RangeName, row.colour);
            ASSERT_TRUE(viewer->Down(Cmd::tbColores));
        }

        if (row.recent) {
            // The settings file lists the network, as a closing left it.
            testutil::writeFile(tmp.file("Velmora0.INI"), "[File1]\r\nFileName=" + tmp.file("red.dat") + "\r\nFecha=2026\r\n");
            viewer->Files().RebuildRecentMenus();
            QAction* item = nullptr;
            for (QAction* a : viewer->ArchivosRecientes->actions())
                if (a->text() == QString::fromStdString(tmp.file("red.dat")))
                    item = a;
            ASSERT_NE(item, nullptr);
            item->trigger();
            std::filesystem::remove(tmp.file("Velmora0.INI"));
        } else if (row.drop) {
            DropFile(tmp.file("red.dat"));
        } else {
            testutil::AnswerFileDialog(viewer, tmp.file("red.dat"));
            ASSERT_TRUE(livemenus::Click(viewer, "menu:Archivo>Abrir", "aFileOpenItem"));
        }
        testutil::settle();
        livemenus::Find(viewer, "aRedibujar")->trigger();
        ASSERT_EQ(NumUserVarArcos, 0);
        // The grids mark the titles of the variables shown still.
        const bool linkKept = std::string(row.colour) != "Doble";
        EXPECT_EQ(testutil::MarkedTitles(viewer->sagArcos),
                  !row.more.empty()                ? "Long"
                  : *row.colour                    ? (linkKept ? row.colour : "")
                  : std::string(row.bars) == "Doble" ? ""
                                                     : row.bars);
        EXPECT_EQ(testutil::MarkedTitles(movs), !row.movs.empty()   ? row.movs.back()
                                                : row.movementFormula ? ""
                                                                      : movementTitle);
        if (!row.movs.empty()) {
            // Each bar keeps its colour, whichever list lost a column.
            EXPECT_EQ(movementBars(), movementBarsBefore);
            EXPECT_EQ(UserView().SelectedMovimVars.size(), row.movs.size() - (row.movs.size() == 3 ? 1 : 0));
            EXPECT_EQ(linkColours(), linksBefore);
            EXPECT_EQ(colourItems(), itemsBefore) << "the items colour the movement bars";
            continue;
        }
        if (!row.more.empty()) {
            EXPECT_EQ(shownTogether(), together);
            EXPECT_EQ(viewer->sagArcos->cell(UserView().RangeVarArcos, 0), "Long");
            EXPECT_TRUE(viewer->Down(Cmd::tbAtributos));
            EXPECT_TRUE(viewer->Scl->isVisible());
            continue;
        }
        EXPECT_EQ(UserView().RangeName, linkKept ? row.colour : "null");
        EXPECT_EQ(viewer->Down(Cmd::tbColores), linkKept);
        EXPECT_EQ(viewer->sym->isVisible(), linkKept);
        EXPECT_EQ(ticked(), linkKept ? row.colour : "");
        if (linkKept) {
            EXPECT_EQ(viewer->sagArcos->cell(UserView().RangeVarArcos, 0), row.colour);
        }
        EXPECT_EQ(UserView().AttrColumn > 0 ? viewer->sagArcos->cell(UserView().AttrColumn, 0) : std::string(),
                  std::string(row.bars) == "Cap" ? "Cap" : "");
        const std::vector<std::string> chosen = UserView().SelectedMovimVars;
        ASSERT_EQ(chosen.size(), row.movementFormula ? 0u : 1u);
        if (!chosen.empty()) {
            EXPECT_EQ(movs->cell(std::stoi(chosen[0]), 0), movementTitle);
        }
        EXPECT_EQ(UserView().RangeVarMovim > 0, !row.movementFormula);
    }
}

// Bars of one variable: the legend draws them in the mode's colour with no row
// naming another, so the map's bars are in that colour too, after the mode's
// colour is chosen ("Normal"), after a list of two loses one on the network
// opened again (the link bars' and the movement bars' alike) and after a saved
// view gives the mode its colour again; no item of colour is left for another.
TEST_F(MovementGrid, BarsOfOneVariableAreDrawnInTheColourOfTheirLegend)
{
    const auto doubleClick = [&](TStringAlignGrid* grid, QWidget* page, const std::string& title,
                                 Qt::KeyboardModifiers keys) {
        viewer->tnDatos->setCurrentWidget(page);
        testutil::settle();
        int col = grid->ColCount() - 1;
        while (col > 0 && grid->cell(col, 0) != title)
            --col;
        ASSERT_GT(col, 0) << title;
        grid->scrollTo(grid->model()->index(0, col));
        const QPoint at = grid->viewport()->mapFrom(grid, CellCentre(grid, col, 1));
        QTest::mouseMove(grid->viewport(), at);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, keys, at);
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, keys, at);
    };
    // The mode's colour chosen, another each time.
    int chosen = 0;
    const auto normal = [&] {
        WhenModal([c = QColor::fromHsv(++chosen * 70 % 360, 220, 200)](QWidget* w) {
            auto* d = qobject_cast<QColorDialog*>(w);
            ASSERT_NE(d, nullptr);
            d->setCurrentColor(c);
            d->accept();
        });
        livemenus::Find(viewer, "ColorNormal")->trigger();
        testutil::settle();
    };
    const auto reopen = [&] {
        testutil::AnswerFileDialog(viewer, tmp.file("red.dat"));
        ASSERT_TRUE(livemenus::Click(viewer, "menu:Archivo>Abrir", "aFileOpenItem"));
        testutil::settle();
    };
    // The view as the network was closed with it, then the network from "Abrir
    // Recientes", which applies that view (its mode's colour the one before).
    const auto saveView = [&] {
        TIniFile ini(tmp.file("Velmora0.INI"));
        viewer->Settings().GrabarConfiguracion(ini, "File1");
        ini.WriteString("File1", "FileName", tmp.file("red.dat"));
    };
    const auto recent = [&] {
        viewer->Files().RebuildRecentMenus();
        for (QAction* a : viewer->ArchivosRecientes->actions())
            if (a->text() == QString::fromStdString(tmp.file("red.dat")))
                a->trigger();
        std::filesystem::remove(tmp.file("Velmora0.INI"));
        testutil::settle();
    };
    struct Row {
        const char* name;
        bool movements;
        std::vector<const char*> titles; // double-clicked, Ctrl after the first
        std::vector<std::function<void()>> then;
    };
    const Row rows[] = {
        {"one movement bar, the mode's colour chosen", true, {"Fl.Sat"}, {normal}},
        {"movement bars of two, the first gone", true, {"Flujo", "Fl.Sat"}, {reopen}},
        {"link bars of two, the first gone", false, {"Doble", "Cap"}, {reopen}},
        {"one movement bar, then a saved view", true, {"Fl.Sat"}, {saveView, normal, recent}},
        {"one link bar, then a saved view", false, {"Cap"}, {saveView, normal, recent}},
        {"link bars of two, then a saved view", false, {"Long", "Cap"}, {saveView, normal, recent}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(viewer->Files().AbrirRedPalvon(tmp.file("red.dat")));
        ComplementaryMovFileName = tmp.file("mov.csv"); // read onto this opening only
        ASSERT_TRUE(KDVlib::LoadDatosComplementariosMovs());
        ASSERT_TRUE(testutil::MakeFormulaColumn(viewer, Secondary::DlgFormula(), false, {"Cap"}, "Doble", "A*2"));
        testutil::settle();
        TStringAlignGrid* grid = row.movements ? viewer->sagMovim : viewer->sagArcos;
        for (const char* title : row.titles)
            doubleClick(grid, row.movements ? viewer->tsMovim : viewer->tsArcos, title,
                        (row.movements ? Qt::AltModifier : Qt::NoModifier) |
                            (title == row.titles.front() ? Qt::NoModifier : Qt::ControlModifier));
        for (const auto& step : row.then)
            step();
        const auto& list = row.movements ? UserView().SelectedMovimVars : UserView().ShownVarList;
        ASSERT_EQ(list.size(), 1u);
        ASSERT_EQ(grid->cell(std::stoi(list[0]), 0), row.titles.back());
        // No item of colour is left for a variable no longer drawn.
        for (int i = 0; i < MaxShownVars; ++i)
            EXPECT_FALSE(viewer->Action(QStringLiteral("cv%1").arg(i))->isVisible()) << i;
        livemenus::Find(viewer, "aRedibujar")->trigger();
        testutil::settle();
        const QImage legend = viewer->Scl->Picture();
        const QRgb bar = legend.pixel(30, legend.height() - 8) & 0xFFFFFF;
        const QImage map = viewer->img->Picture().convertToFormat(QImage::Format_RGB32);
        int drawn = 0;
        for (int y = 0; y < map.height(); ++y)
            for (int x = 0; x < map.width(); ++x)
                drawn += (map.pixel(x, y) & 0xFFFFFF) == bar;
        EXPECT_GT(drawn, 20) << QColor(bar).name().toStdString();
        EXPECT_EQ(DisplayStyles::ToQColor((row.movements ? UserView().MovimVarColors : UserView().VarColors)[0]).rgb() & 0xFFFFFF, bar);
    }
}

// A save the folder refuses leaves the data known by the name they were saved
// under before: the polygons' next export offers that name, the zoning and the
// selections keep their file, and nothing is left under the refused name.
TEST_F(MapModes, ASaveThatFailsKeepsTheNameSavedUnderBefore)
{
    namespace fs = std::filesystem;
    testutil::writeFile(tmp.file("p.plg"), "1;A;3;32768;1;13887443;0;300000;6125000;300040;6125010;300600;6125000\r\n");
    testutil::AnswerFileDialog(viewer, tmp.file("p.plg"));
    livemenus::Find(viewer, "aImportar1")->trigger();
    ASSERT_EQ(NumPoligonos, 1);
    const fs::path locked = tmp.path() / "bloqueada";
    fs::create_directories(locked);
    fs::permissions(locked, fs::perms(0555));
    struct Row {
        const char* command;
        std::function<std::string()> name;
    };
    const auto selection = [this] { return viewer->Selection().SelFileName; };
    for (const Row& row : {Row{"aExportar1", [this] { return viewer->Polygons().PolygonFileName; }},
                           Row{"SaveZon", [] { return ZoningFileName; }}, Row{"ExportaSeleccin1", selection},
                           Row{"ExportaSeleccin2", selection}, Row{"ExpotaSeleccin1", selection}}) {
        const std::string before = row.name();
        const std::string refused = (locked / (std::string(row.command) + ".geo")).string();
        RecordingServices ui;
        testutil::AnswerFileDialog(viewer, refused);
        livemenus::Find(viewer, QString::fromLatin1(row.command))->trigger();
        EXPECT_EQ(ui.messages.size(), 1u) << row.command;
        EXPECT_EQ(row.name(), before) << row.command;
        EXPECT_FALSE(fs::exists(refused)) << row.command;
    }
    // The next export proposes the file the polygons were read from.
    QString offered;
    testutil::WhenFileDialogShown(viewer, [&offered](QFileDialog* dialog) {
        offered = dialog->selectedFiles().value(0);
        dialog->reject();
    });
    livemenus::Find(viewer, "aExportar1")->trigger();
    EXPECT_EQ(fs::path(offered.toStdString()).filename(), "p.plg") << offered.toStdString();
    fs::permissions(locked, fs::perms(0755));
}

// With "Grabar automáticamente coordenadas geográficas", every move saves the
// positions file; a folder that refuses it says so once a streak, not once a
// move, and the moves stay an edit that leaving the network asks about.
TEST_F(MapModes, PositionsSavedOnEveryMoveSayAFailureOnceAStreak)
{
    namespace fs = std::filesystem;
    Secondary::DlgCfg().cbSaveGeos->setChecked(true);
    auto move = [&](int32_t number, QPoint by) {
        livemenus::Find(viewer, "NodeMove")->trigger();
        const TNodo& n = Nodos[KDVlib::FindNodo(number)];
        const QPoint from = Pix(n.X, n.Y);
        QTest::mouseMove(viewer->img, from);
        Drag(from, from + by);
    };
    const std::string positions = tmp.file("red_coordenadas.geo");
    RecordingServices ui;
    // Streaks: each row's moves, in a folder refused or not; the messages they add.
    struct Row {
        bool refused;
        int moves;
        size_t said;
    };
    size_t said = 0;
    for (const Row& row : {Row{true, 3, 1}, Row{false, 1, 0}, Row{true, 2, 1}}) {
        fs::permissions(tmp.path(), row.refused ? fs::perms(0555) : fs::perms(0755));
        const std::string earlier = fs::exists(positions) ? testutil::readFile(positions) : std::string();
        for (int k = 0; k < row.moves; ++k)
            move(k % 2 ? 103 : 102, QPoint(10, -6));
        EXPECT_EQ(ui.messages.size() - said, row.said) << "refused " << row.refused;
        said = ui.messages.size();
        EXPECT_EQ(Network.PositionsUnsaved, row.refused);
        if (row.refused)
            EXPECT_EQ(fs::exists(positions) ? testutil::readFile(positions) : std::string(), earlier);
        else
            EXPECT_NE(testutil::readFile(positions).find(ZelUtils::Format(
                          "\r\n102,%.5f,", double(Nodos[KDVlib::FindNodo(102)].X))),
                      std::string::npos);
    }
    // Opening another network asks about the moves; "Cancelar" keeps this one.
    QString asked;
    testutil::AnswerNextBox(viewer, QMessageBox::Cancel, asked);
    fs::permissions(tmp.path(), fs::perms(0755));
    fs::copy_file(tmp.file("red.dat"), tmp.file("otra.dat"));
    testutil::AnswerFileDialog(viewer, tmp.file("otra.dat"));
    EXPECT_TRUE(livemenus::Click(viewer, "menu:Archivo>Abrir", "aFileOpenItem"));
    testutil::settle();
    EXPECT_TRUE(asked.contains("posiciones de nodos")) << asked.toStdString();
    EXPECT_EQ(DatFileName, "red.dat");
    EXPECT_EQ(ui.messages.size(), said);
}
