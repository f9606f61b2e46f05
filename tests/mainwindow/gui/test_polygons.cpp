// User polygons on the main window: completing one, deleting, restyling, reshaping
// through handles, and the polygon files read and written through the menus' handlers.
#include "mainwindow/DlgCfg.h"
#include "widgets/DlgCfgWidgets.h"
#include "mainwindow/PalvonViewer.h"
#include "mainwindow/SecondaryWindows.h"
#include "map/Polygons.h"
#include "map/gui/OxrImage.h"
#include "model/FileUtils.h"
#include "model/KDVlib.h"
#include "model/KDVvars.h"
#include "model/PalvonRead.h"
#include "model/PolygonFile.h"
#include "support/FileDialogAnswer.h"
#include "support/LiveMenus.h"
#include "support/RecordingServices.h"
#include "support/GridsNetwork.h"
#include "support/GuiTestUtil.h"
#include "support/TestUtil.h"

#include <QApplication>
#include <QMouseEvent>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QFileDialog>
#include <QMenu>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

namespace {

const char* const Menus[6] = {"EliminarPoligonos",     "pupEliminarPoligonos",
                              "RedefinirPoligonos",    "pupRedefinirPoligonos",
                              "ReconfigurarPoligonos", "pupReconfigurarPoligonos"};

class Polygons : public GridsViewerFixture {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(testutil::ReadGridsNetwork(tmp));
        NumPoligonos = 0;
        OpenViewer([](TPalvonViewer& v) { DlgCfg = new TDlgCfg(&v); });
        w->resize(1000, 700);
        w->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
        UserView().WorldMinX = -10;
        UserView().WorldMaxX = 70;
        UserView().WorldMinY = -10;
        UserView().WorldMaxY = 20;
        w->RedrawMap();
    }
    void TearDown() override
    {
        GridsViewerFixture::TearDown();
        DlgCfg = nullptr; // owned by the window
        NumPoligonos = 0;
    }
    QMenu* Menu(const char* name) { return w->findChild<QMenu*>(QString::fromLatin1(name)); }
    void Import(const std::string& path)
    {
        w->Polygons().PolygonFileName = path;
        ASSERT_TRUE(w->Polygons().ImportarPoligonosPlg());
    }
    int32_t Vertices(int i) { return Poligonos[static_cast<size_t>(i)].PointCount; }
    TPoint Vertex(int i, int k) { return Poligonos[static_cast<size_t>(i)].Points[static_cast<size_t>(k)]; }
    // A polygon drawn through the live menu: three clicks and a double click.
    void DrawTriangle(bool checkActive = false)
    {
        ASSERT_TRUE(livemenus::Click(w.get(), "menu:Herramientas>Polígonos", "aConstruir1"));
        if (checkActive) {
            EXPECT_TRUE(w->Polygons().UserPolygonActive);
        }
        w->Polygons().AddPolygonClickPoint(0, 0);
        w->Polygons().AddPolygonClickPoint(10, 0);
        w->Polygons().AddPolygonClickPoint(10, 10);
        QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(5, 5), w->img->mapToGlobal(QPointF(5, 5)),
                        Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w->img, &dbl);
    }
};

TEST_F(Polygons, CompletedPolygonGetsProposedNameMeanLabelAndWorkingEntries)
{
    w->Display().Dialogs.InputText = [](const std::string&, const std::string&, std::string& text) {
        text = "Otro";
        return false; // cancelled: the proposed name stays
    };
    DrawTriangle(true);
    EXPECT_FALSE(w->Polygons().UserPolygonActive);
    ASSERT_EQ(NumPoligonos, 1);
    const TPoligono& p = Poligonos[0];
    EXPECT_EQ(p.Id, 1);
    EXPECT_EQ(p.Name, "Plgn1");
    EXPECT_EQ(p.PointCount, 3);
    EXPECT_NEAR(p.Points[0].x, 20.0 / 3, 1e-9);
    EXPECT_NEAR(p.Points[0].y, 10.0 / 3, 1e-9);
    for (const char* m : Menus)
        ASSERT_EQ(Menu(m)->actions().size(), 1) << m;

    // The entry made by the double click reaches its handler.
    ui->answerYes = true;
    Menu("pupEliminarPoligonos")->actions().front()->trigger();
    EXPECT_EQ(ui->questions.size(), 1u);
    EXPECT_FALSE(Poligonos[0].Visible);
}

// Polygons drawn and in no file go with the program, or with those imported in
// their place: both ask about them; "Cancelar" keeps the program and the
// polygons, "Sí" writes them through "Exportar" first, and the file holds the
// polygon the map showed.
TEST_F(Polygons, ClosingOrImportingAsksAboutPolygonsInNoFile)
{
    w->Display().Dialogs.InputText = [](const std::string&, const std::string&, std::string& text) {
        text = "Barrio";
        return true;
    };
    DrawTriangle();
    ASSERT_EQ(NumPoligonos, 1);
    // The polygon being modified stays so when Escape answers the question.
    Menu("RedefinirPoligonos")->actions().value(0)->trigger();
    ASSERT_EQ(w->Polygons().EditPolygon, 0);
    {
        QTimer escape;
        QObject::connect(&escape, &QTimer::timeout, [] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); box && box->isVisible())
                QTest::keyClick(box, Qt::Key_Escape);
        });
        escape.start(10);
        ASSERT_TRUE(livemenus::Click(w.get(), "menu:Herramientas>Polígonos", "aImportar1"));
    }
    EXPECT_EQ(w->Polygons().EditPolygon, 0);
    QTest::keyClick(w.get(), Qt::Key_Escape);
    ASSERT_EQ(w->Polygons().EditPolygon, -1);

    const std::string out = tmp.file("barrio.plg");
    QStringList asked;
    QMessageBox::StandardButton answer = QMessageBox::Cancel;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal); box && box->isVisible()) {
            asked << box->text();
            box->button(box->text().startsWith(QStringLiteral("¿ Desea finalizar")) ? QMessageBox::Yes : answer)
                ->click();
        } else if (auto* d = qobject_cast<QFileDialog*>(modal); d && d->isVisible())
            testutil::TypeFileAndAccept(d, QString::fromStdString(out));
    });
    poll.start(10);
    const QString question = QStringLiteral("Hay cambios sin grabar en los polígonos.\n¿ Desea grabarlos ahora ?");
    ASSERT_TRUE(livemenus::Click(w.get(), "menu:Herramientas>Polígonos", "aImportar1"));
    EXPECT_EQ(asked, QStringList{question});
    EXPECT_EQ(Poligonos[0].Name, "Barrio");
    w->AskOnClose = true;
    InteractiveRun = 1;
    EXPECT_FALSE(w->close());
    EXPECT_TRUE(w->isVisible());
    ASSERT_EQ(asked.size(), 3);
    EXPECT_EQ(asked[2], question);
    answer = QMessageBox::Yes;
    EXPECT_TRUE(w->close());
    InteractiveRun = 0;
    w->AskOnClose = false;
    std::vector<TPolygonRecord> saved;
    ASSERT_TRUE(PolygonFile::ReadAll(out, saved));
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0].Name, "Barrio");
    EXPECT_EQ(saved[0].Points.size(), 3u);
}

TEST_F(Polygons, DeletingKeepsRecordGreysSixEntriesAndExportStillWritesIt)
{
    Import(testutil::dataPath("plg_four.plg"));
    ASSERT_EQ(NumPoligonos, 4);
    EXPECT_TRUE(w->Down(Cmd::tbPoligonos));
    EXPECT_EQ(Menu("RedefinirPoligonos")->actions().value(1)->data().toInt(), 1);

    ui->answerYes = false;
    Menu("EliminarPoligonos")->actions().value(2)->trigger();
    EXPECT_TRUE(Poligonos[2].Visible);

    ui->answerYes = true;
    Menu("EliminarPoligonos")->actions().value(2)->trigger();
    EXPECT_FALSE(Poligonos[2].Visible);
    EXPECT_EQ(NumPoligonos, 4);
    for (const char* m : Menus)
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(Menu(m)->actions().value(i)->isEnabled(), i != 2) << m << " " << i;

    const std::string out = tmp.file("salida.plg");
    ASSERT_TRUE(w->Polygons().ExportarPoligonos(out, false));
    EXPECT_EQ(testutil::readFile(out),
              "1;Uno;4;32768;1;13887443;0;0.00;0.00;10.00;0.00;10.00;10.00;0.00;10.00;5.00;5.00\r\n"
              "2;Dos;3;255;2;16777215;1;20.00;0.00;30.00;0.00;30.00;10.00;26.67;3.33\r\n"
              "3;Tres;3;0;1;0;0;40.00;0.00;50.00;0.00;50.00;10.00;46.67;3.33\r\n"
              "4;Cuatro;1;0;1;0;0;60.00;5.00;60.00;5.00\r\n");
    Import(out);
    EXPECT_TRUE(Poligonos[2].Visible);
    for (const char* m : Menus)
        EXPECT_TRUE(Menu(m)->actions().value(2)->isEnabled());
}

TEST_F(Polygons, RestyleAppliesDialogValuesEvenOnCancelAndKeepsDefaults)
{
    Import(testutil::dataPath("plg_four.plg"));
    TDlgCfg& d = Secondary::DlgCfg();
    d.PoliBordeColor->SetColor(32768);
    d.PoliBordeAncho->setValue(1);
    QTimer::singleShot(0, [&] {
        EXPECT_FALSE(d.CfgPaginas->isTabVisible(d.CfgPaginas->indexOf(d.CfgAmpliacion)));
        EXPECT_EQ(d.CfgPaginas->currentWidget(), d.CfgColores);
        EXPECT_EQ(d.PoliBordeColor->Color(), 255u); // the polygon's own style is loaded
        d.PoliBordeAncho->setValue(4);
        d.reject();
    });
    Menu("ReconfigurarPoligonos")->actions().value(1)->trigger();
    EXPECT_EQ(Poligonos[1].PenWidth, 4);
    EXPECT_EQ(Poligonos[1].PenColor, 255u);
    EXPECT_TRUE(Poligonos[1].BrushClear);
    EXPECT_EQ(d.PoliBordeAncho->value(), 1);
    EXPECT_EQ(d.PoliBordeColor->Color(), 32768u);
    EXPECT_FALSE(d.PoliRellenoClear->isChecked());
    EXPECT_TRUE(d.CfgPaginas->isTabVisible(d.CfgPaginas->indexOf(d.CfgAmpliacion)));
}

TEST_F(Polygons, HandlesSnapTargetsAndTheirOperations)
{
    Import(testutil::dataPath("plg_four.plg"));
    // Polygon 1 (index 0) has vertex (10, 10) and (0, 10); moving the view so that
    // y = 10 is its top border keeps them snap targets, and (60, 5) of polygon 4
    // falls outside once x is cut at 55.
    UserView().WorldMaxY = 10;
    UserView().WorldMaxX = 55;
    w->RedrawMap();
    w->Polygons().canModifyPolygon(1);
    EXPECT_EQ(w->Polygons().EditPolygon, 1);
    EXPECT_EQ(w->Polygons().NumSnapPoints, 4 + 3); // polygons 1 and 3; not itself, not 4
    // Deleted polygons are no snap targets.
    Poligonos[2].Visible = 0;
    w->Polygons().canModifyPolygon(1);
    EXPECT_EQ(w->Polygons().NumSnapPoints, 4);
    Poligonos[2].Visible = 1;

    // The square of index 0: dragging the midpoint between vertices 2 and 3 adds a vertex.
    w->Polygons().canModifyPolygon(0);
    ASSERT_EQ(w->Polygons().NumEditHandles, 8);
    EXPECT_EQ(w->Polygons().EditHandles[4], QPointF(10, 5));
    const QPoint pix = w->img->WorldToPoint(10, 5);
    EXPECT_EQ(w->Polygons().PickPolygonHandle(pix.x(), pix.y()), 4);
    int32_t prev = 0, next = 0;
    w->Polygons().HandleNeighbours(1, prev, next);
    EXPECT_EQ(prev, 7);
    EXPECT_EQ(next, 3);
    w->Polygons().EditHandle = 4;
    w->Polygons().SnapHit = 0;
    w->Polygons().DropPolygonHandle(15, 5, false);
    ASSERT_EQ(Vertices(0), 5);
    EXPECT_DOUBLE_EQ(Vertex(0, 3).x, 15);
    EXPECT_DOUBLE_EQ(Vertex(0, 4).x, 10);
    EXPECT_EQ(w->Polygons().NumEditHandles, 10);
    EXPECT_EQ(w->Polygons().EditHandle, 0);
    EXPECT_DOUBLE_EQ(Poligonos[0].Points[0].x, 5); // label point unchanged

    // Ctrl+Alt drop of a midpoint: every vertex moves, and the midpoint becomes one.
    w->Polygons().EditHandle = 2; // midpoint of (0, 0) and (10, 0)
    w->Polygons().DropPolygonHandle(5, 2, true);
    ASSERT_EQ(Vertices(0), 6);
    EXPECT_NEAR(Vertex(0, 1).y, 2, 1e-6);
    EXPECT_NEAR(Vertex(0, 2).x, 5, 1e-6);
    EXPECT_NEAR(Vertex(0, 4).x, 15, 1e-6);

    // Shift on vertex handle 1 of a triangle leaves two vertices and four handles.
    w->Polygons().canModifyPolygon(1);
    w->Polygons().DeletePolygonVertex(1);
    EXPECT_EQ(Vertices(1), 2);
    EXPECT_EQ(w->Polygons().NumEditHandles, 4);

    // One vertex: two handles at the same place.
    w->Polygons().canModifyPolygon(3);
    ASSERT_EQ(w->Polygons().NumEditHandles, 2);
    EXPECT_EQ(w->Polygons().EditHandles[1], w->Polygons().EditHandles[2]);

    QTest::keyClick(w.get(), Qt::Key_Escape);
    EXPECT_EQ(w->Polygons().EditPolygon, -1);
}

TEST_F(Polygons, AreaImportTakesNewPolygonStyleAndLineNumbering)
{
    Secondary::DlgCfg().PoliBordeColor->SetColor(123);
    const std::string geo = tmp.file("areas.geo");
    testutil::writeFile(geo, "7,3,0,0,4,0,4,4\r\n7,2,1.5,2,3,4\r\n");
    ASSERT_TRUE(w->Polygons().ImportarPoligonosGeo(geo));
    ASSERT_EQ(NumPoligonos, 2);
    EXPECT_EQ(Poligonos[0].Id, 7);
    EXPECT_EQ(Poligonos[1].Id, 7);
    EXPECT_EQ(Poligonos[1].PointCount, 2);
    EXPECT_EQ(Poligonos[0].PenColor, 123u);
    EXPECT_NEAR(Poligonos[0].Points[0].x, 8.0 / 3, 1e-9);
    EXPECT_EQ(Menu("pupRedefinirPoligonos")->actions().value(1)->data().toInt(), 1);
}

// "Importar" of a file that holds no polygon says so, keeps the polygons there
// were and does not press the polygons' button.
TEST_F(Polygons, ImportOfAFileWithoutPolygonsSaysSoAndPressesNothing)
{
    const struct {
        const char* file;
        const char* text;
        int filter;
    } cases[] = {{"comentarios.plg", "* solo comentarios\r\n", 0},
                 {"texto.plg", "no es un archivo de pol\xC3\xADgonos\r\n", 0},
                 {"vacio.geo", "7,0\r\n", 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        testutil::writeFile(tmp.file(c.file), c.text);
        RecordingServices ui;
        testutil::AnswerFileDialog(w.get(), tmp.file(c.file), c.filter);
        livemenus::Find(w.get(), "aImportar1")->trigger();
        EXPECT_TRUE(ui.anyMessageContains("no tiene ning\u00fan pol\u00edgono")) << ui.messages.size();
        EXPECT_EQ(NumPoligonos, 0);
        EXPECT_FALSE(w->Down(Cmd::tbPoligonos));
    }
    // After polygons read from the menu, the refused file takes neither their
    // place nor their file's name (which an export proposes and the selection
    // files beside it take).
    const std::string four = testutil::dataPath("plg_four.plg");
    testutil::AnswerFileDialog(w.get(), four, 0);
    livemenus::Find(w.get(), "aImportar1")->trigger();
    ASSERT_EQ(NumPoligonos, 4);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        RecordingServices ui;
        testutil::AnswerFileDialog(w.get(), tmp.file(c.file), c.filter);
        livemenus::Find(w.get(), "aImportar1")->trigger();
        EXPECT_TRUE(ui.anyMessageContains("no tiene ning\u00fan pol\u00edgono")) << ui.messages.size();
        EXPECT_EQ(NumPoligonos, 4);
        EXPECT_TRUE(w->Down(Cmd::tbPoligonos));
        EXPECT_EQ(w->Polygons().PolygonFileName, four);
    }
}

// Polygon files at the table's room (291 polygons, 2700 vertices) load whole
// through "Importar", and "Exportar" writes them back as they were read; one
// polygon or one vertex more refuses the file with one message, the polygons
// read before, their entries, their file's name and the button staying. The
// loader takes the next file that fits.
TEST_F(Polygons, FilesAtTheTablesRoomLoadWholeAndOnePastAreRefused)
{
    // Written as the exporter writes, so the export reads back byte for byte.
    const auto file = [](bool area, int polygons, int vertices) {
        std::string text;
        for (int i = 1; i <= polygons; ++i) {
            const int n = i == polygons ? vertices : 3;
            std::string points;
            for (int k = 0; k < n; ++k)
                points += ZelUtils::Format(area ? ",%.2f,%.2f" : ";%.2f;%.2f", k * 0.25, i + k % 2 * 0.5);
            text += area ? ZelUtils::Format("%d,0,%d", i, n + 1) + points + ZelUtils::Format(",0.00,%.2f", double(i))
                         : ZelUtils::Format("%d;P%d;%d;255;1;0;0", i, i, n) + points
                               + ZelUtils::Format(";1.00;%.2f", i + 0.25);
            text += "\r\n";
        }
        return text;
    };
    const struct {
        const char* name;
        bool area;
        int polygons, vertices;
        bool fits;
    } rows[] = {{"292.plg", false, MaxPoligonos + 2, 3, false},   {"291.plg", false, MaxPoligonos + 1, 3, true},
                {"2701.plg", false, 2, MaxPolygonVertices + 1, false}, {"2700.plg", false, 2, MaxPolygonVertices, true},
                {"292.geo", true, MaxPoligonos + 2, 3, false},    {"2701.geo", true, 1, MaxPolygonVertices + 1, false},
                {"2700.geo", true, 1, MaxPolygonVertices, true},   {"291.geo", true, MaxPoligonos + 1, 3, true}};
    testutil::AnswerFileDialog(w.get(), testutil::dataPath("plg_four.plg"), 0);
    livemenus::Find(w.get(), "aImportar1")->trigger();
    ASSERT_EQ(NumPoligonos, 4);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const int polygons = NumPoligonos;
        const std::string before = w->Polygons().PolygonFileName;
        const TPoligono last = Poligonos[static_cast<size_t>(polygons - 1)];
        const std::string text = file(row.area, row.polygons, row.vertices);
        testutil::writeFile(tmp.file(row.name), text);
        RecordingServices ui;
        testutil::AnswerFileDialog(w.get(), tmp.file(row.name), row.area ? 1 : 0);
        livemenus::Find(w.get(), "aImportar1")->trigger();
        EXPECT_TRUE(w->Down(Cmd::tbPoligonos));
        if (!row.fits) {
            ASSERT_EQ(ui.messages.size(), 1u);
            EXPECT_TRUE(ui.anyMessageContains("no se ha le\u00eddo")) << ui.messages.front();
            EXPECT_EQ(NumPoligonos, polygons);
            EXPECT_EQ(Menu("EliminarPoligonos")->actions().size(), polygons);
            EXPECT_EQ(w->Polygons().PolygonFileName, before);
            EXPECT_EQ(Poligonos[static_cast<size_t>(polygons - 1)].Name, last.Name);
            EXPECT_EQ(Vertices(polygons - 1), last.PointCount);
            continue;
        }
        EXPECT_TRUE(ui.messages.empty()) << ui.messages.front();
        ASSERT_EQ(NumPoligonos, row.polygons);
        EXPECT_EQ(Menu("EliminarPoligonos")->actions().size(), row.polygons);
        ASSERT_EQ(Vertices(row.polygons - 1), row.vertices);
        EXPECT_EQ(Vertex(row.polygons - 1, row.vertices).x, (row.vertices - 1) * 0.25);
        const std::string out = tmp.file(std::string("copia_") + row.name);
        testutil::AnswerFileDialog(w.get(), out, row.area ? 1 : 0);
        livemenus::Find(w.get(), "aExportar1")->trigger();
        EXPECT_EQ(testutil::readFile(out), text);
    }
}

} // namespace

// UTM vertices written to a polygon file and read back come back to the
// millimetre (read as singles they would move by up to a quarter metre).
TEST_F(Polygons, ExportedVerticesComeBackToTheMillimetre)
{
    const std::vector<TPoint> pts = {{312345.67, 6125985.25}, {312399.01, 6125985.75}, {312371.33, 6126043.49}};
    TPoligono& p = Poligonos[0];
    p = TPoligono();
    p.Name = "Zona";
    p.Visible = 1;
    p.PointCount = static_cast<int32_t>(pts.size());
    p.Points = {TPoint{312372.01, 6126004.83}};
    p.Points.insert(p.Points.end(), pts.begin(), pts.end());
    NumPoligonos = 1;
    const std::string out = tmp.file("zonas.plg");
    ASSERT_TRUE(w->Polygons().ExportarPoligonos(out, false));
    Import(out);
    ASSERT_EQ(NumPoligonos, 1);
    ASSERT_EQ(Vertices(0), 3);
    for (int k = 0; k <= 3; ++k) {
        const TPoint& expected = k == 0 ? TPoint{312372.01, 6126004.83} : pts[static_cast<size_t>(k - 1)];
        EXPECT_NEAR(Vertex(0, k).x, expected.x, 0.001) << k;
        EXPECT_NEAR(Vertex(0, k).y, expected.y, 0.001) << k;
    }

    // Through the menus: the kind picked in the filter list (whose patterns the
    // dialog hides), then the name typed without extension. The file takes that
    // kind's extension and format; the user's file named as typed stays as it was.
    // Without the overwrite question (the options' default), which an earlier test
    // of the process may have left switched on.
    Secondary::DlgCfg().cbOverwrite->setChecked(true);
    Secondary::DlgCfg().cbOverwrite->setChecked(false);
    for (const auto& [typed, downs, file, start] :
         {std::tuple{"zonas", 0, "zonas.plg", "0;Zona;3;"}, std::tuple{"areas", 1, "areas.geo", "Zona,0,4,"}}) {
        SCOPED_TRACE(file);
        testutil::writeFile(tmp.file(typed), "del usuario");
        testutil::AnswerFileDialog(w.get(), tmp.file(typed), downs);
        livemenus::Find(w.get(), "aExportar1")->trigger();
        EXPECT_EQ(testutil::readFile(tmp.file(file)).rfind(start, 0), 0u) << testutil::readFile(tmp.file(file));
        EXPECT_EQ(testutil::readFile(tmp.file(typed)), "del usuario");
    }
    // The area file written comes back through "Importar" with its vertices (the
    // ring's closing one is the writer's, not a vertex).
    for (TPoint& v : Poligonos[0].Points)
        v.y += 1000; // moved meanwhile: the import, not what was there, gives them back
    QString asked; // the move is in no file: given up
    testutil::AnswerNextBox(w.get(), QMessageBox::No, asked);
    testutil::AnswerFileDialog(w.get(), tmp.file("areas.geo"), 1);
    livemenus::Find(w.get(), "aImportar1")->trigger();
    EXPECT_TRUE(asked.startsWith(QStringLiteral("Hay cambios sin grabar en los polígonos."))) << asked.toStdString();
    ASSERT_EQ(NumPoligonos, 1);
    ASSERT_EQ(Vertices(0), 3);
    for (int k = 1; k <= 3; ++k)
        EXPECT_NEAR(Vertex(0, k).y, pts[static_cast<size_t>(k - 1)].y, 0.001) << k;
}
