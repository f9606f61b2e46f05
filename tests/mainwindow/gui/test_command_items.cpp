// The commands of the map's right-button menu, the grids' menus and the toolbars,
// each reached where the user finds it and run, with what it does checked in the
// picture, the model or the files it writes.
#include "analysis/gui/KdvPija.h"
#include "mainwindow/DlgCfg.h"
#include "widgets/DlgCfgWidgets.h"
#include "mainwindow/DlgRngs.h"
#include "mainwindow/PalvonViewer.h"
#include "widgets/StringAlignGrid.h"
#include "map/DisplayStyles.h"
#include "map/DrawState.h"
#include "map/LineLayers.h"
#include "map/Ranges.h"
#include "map/gui/DlgSize.h"
#include "map/gui/KDVscale.h"
#include "map/gui/OxrImage.h"
#include "map/gui/DataLayers.h"
#include "widgets/gaugeCaption.h"
#include "model/KDVlib.h"
#include "model/KDVvars.h"
#include "model/PalvonListings.h"
#include "model/PalvonRead.h"
#include "model/PalvonVars.h"
#include "model/ZelUtils.h"
#include "model/gui/FrmDat.h"
#include "support/FileDialogAnswer.h"
#include "support/LiveMenus.h"
#include "support/RecordingServices.h"
#include "support/GuiTestUtil.h"
#include "support/TestUtil.h"
#include "support/ViewerFixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QSpinBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <tuple>

using livemenus::Click;
using livemenus::Reach;
using ZelUtils::Format;

namespace {

int Count(const QImage& image, const QRect& area, const QColor& c)
{
    int n = 0;
    const QRect r = area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += image.pixelColor(x, y) == c;
    return n;
}

class CommandItems : public ViewerFixture {
protected:
    void SetUp() override
    {
        ViewerFixture::SetUp();
        std::filesystem::copy_file(std::string(VELMORA_SOURCE_DIR) + "/samples/ejemplo.dat", tmp.file("red.dat"));
        viewer->resize(1200, 800);
        viewer->show();
        testutil::settle();
    }
    void TearDown() override
    {
        UserView().EntSalVar = -1;
        ViewerFixture::TearDown();
    }
    void Open()
    {
        ASSERT_TRUE(viewer->Files().AbrirRedPalvon(tmp.file("red.dat")));
        testutil::settle();
    }
    const QImage& Picture() const { return viewer->img->Picture(); }
    int Everywhere(const QColor& c) const { return Count(Picture(), Picture().rect(), c); }
};

} // namespace

// Four nodes at the corners of a 1 km square, links 1-2, 2-3 and 4-1, and a transit
// line 1 2 3 4 whose last hop has no link.
void WriteSquareNetwork(const std::string& path)
{
    auto link = [](int a, int b) { return Format("%5d%5d%5d%5d%5d  2  %5d%5d%5d", a, b, 60, 80, 1000, 1000, 4, 1); };
    auto node = [](int n, double x, double y) { return Format("%5d%15.1f%15.1f", n, x, y); };
    const std::vector<std::string> lines = {" &OPTION &END", "CUADRADO", " &PARAM XYFORM='2F15.1', &END", "33333",
                                            link(1, 2), link(2, 3), link(4, 1), "99999", "55555",
                                            node(1, 500, 500), node(2, 1500, 500), node(3, 1500, 1500),
                                            node(4, 500, 1500), "99999", "66666",
                                            Format("%-4sA %4d%5d%5d%5d%5d%5d", "L1", 10, 4, 1, 2, 3, 4), "99999",
                                            "99999"};
    std::string text;
    for (const std::string& l : lines)
        text += l + "\r\n";
    testutil::writeFile(path, text);
}

TEST_F(CommandItems, TransitRoutesShowThroughTheMapMenu)
{
    WriteSquareNetwork(tmp.file("cuadrado.dat"));
    Secondary::DlgCfg().RutasFijas->SetItemIndex(0); // the options: read the transit lines
    ASSERT_TRUE(viewer->Files().AbrirRedPalvon(tmp.file("cuadrado.dat")));
    testutil::settle();
    ASSERT_GT(Network.LineCount, 0);
    const QColor red = DisplayStyles::ToQColor(0x0000FF);
    if (!viewer->Down(Cmd::tbLineas)) {
        ASSERT_TRUE(Click(viewer, "toolbar:tbarAdicionales", "tbLineas"));
    }
    viewer->RedrawMap();
    const int before = Everywhere(red);
    ASSERT_TRUE(Click(viewer, "popup:BDerecho>Líneas", "linnone"));
    EXPECT_TRUE(livemenus::Find(viewer, "linnone")->isChecked());
    const int routes = Everywhere(red);
    EXPECT_GT(routes, before + 100);
    // Bus volumes: bands in the pen colour of the range mode, and the "BUSES" legend.
    ASSERT_TRUE(Click(viewer, "popup:BDerecho>Líneas", "linnone"));
    ASSERT_TRUE(Click(viewer, "popup:BDerecho>Líneas", "linveh"));
    EXPECT_GT(LinkBusMax, 0.0f);
    EXPECT_TRUE(viewer->Scl->isVisibleTo(viewer));
}

TEST_F(CommandItems, RangeDialogOpensFromTheMapMenuAndItsTableIsKept)
{
    Open();
    bool shown = false;
    QTimer::singleShot(0, [&] {
        auto* dlg = qobject_cast<TDlgRngs*>(QApplication::activeModalWidget());
        ASSERT_NE(dlg, nullptr);
        shown = true;
        dlg->vmx->clear();
        QTest::keyClicks(dlg->vmx, "0.6");
        dlg->accept();
    });
    ASSERT_TRUE(Click(viewer, "popup:BDerecho", "Rangos1"));
    EXPECT_TRUE(shown);
    EXPECT_FLOAT_EQ(UserView().RangeTable[5].High, 0.6f);
    const std::string key = "Rangos_" + UserView().RangeName;
    EXPECT_NE(std::find(UserView().RangeSetKeys.begin(), UserView().RangeSetKeys.end(), key), UserView().RangeSetKeys.end());
}

// A number typed into any dialog reads alike: the decimal comma as the point;
// text that is no number is said once and the value in use stays.
TEST_F(CommandItems, TypedNumbersReadAlikeInEveryDialog)
{
    Open();
    RecordingServices ui;
    auto retype = [](QLineEdit* edit, const QString& text) {
        QTest::mouseClick(edit, Qt::LeftButton);
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, text);
    };
    auto answerBox = [&](QWidget* d, const QString& text) {
        retype(d->findChild<QLineEdit*>(), text);
        QTest::keyClick(d->findChild<QLineEdit*>(), Qt::Key_Return);
    };
    struct Dialog {
        const char* place;
        const char* command;
        std::function<void(QWidget*, const QString&)> type; // types into the dialog shown and closes it
        std::function<double()> value;                       // where the dialog's number goes
        std::function<double(double)> kept;                  // what is kept of a number read
        bool asksAgain = false;                              // after text that is no number
    };
    const int lensBefore = Secondary::DlgCfg().VisorZoomSize->value(), barBefore = UserView().GenatrBarWidth;
    const Dialog dialogs[] = {
        {"popup:BDerecho", "Rangos1",
         [&](QWidget* d, const QString& t) {
             auto* dlg = static_cast<TDlgRngs*>(d);
             dlg->activateWindow(); // the user is in the dialog: leaving a box is seen
             ASSERT_TRUE(QTest::qWaitForWindowActive(dlg));
             retype(dlg->vmx, t);
             QTest::keyClick(dlg->vmx, Qt::Key_Tab);
             QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);
         },
         [] { return double(UserView().RangeTable[5].High); }, [](double v) { return double(float(v)); }},
        {"menu:Ver", "Escala1",
         [&](QWidget* d, const QString& t) {
             auto* dlg = static_cast<TKDVscale*>(d);
             retype(dlg->vMax, t);
             QTest::mouseClick(dlg->Buttons->buttons().front(), Qt::LeftButton);
         },
         [] { return double(UserView().RangeMax); }, [](double v) { return double(float(v)); }},
        {"menu:Procesos>Análisis de Intersecciones>Configurar", "FactorTamano", answerBox,
         [] { return double(ImageSizeFactor); }, [](double v) { return double(float(v)); }, true},
        {"popup:varLupa", "amao1", answerBox, [] { return double(Secondary::DlgCfg().VisorZoomSize->value()); },
         [](double v) { return double(std::clamp(ZelUtils::Round(v), 100, 500)); }},
        {"popup:BDerecho>Generación/Atracción", "AnchoBarra1", answerBox,
         [] { return double(UserView().GenatrBarWidth); }, [](double v) { return double(ZelUtils::Round(v)); }},
    };
    struct Typed {
        const char* text;
        bool number;
        double value;
    };
    for (const Dialog& dialog : dialogs)
        for (const Typed& typed : {Typed{"1,5", true, 1.5}, Typed{"250,75", true, 250.75}, Typed{"321.5", true, 321.5},
                                   Typed{" -0,5 ", true, -0.5}, Typed{"abc", false, 0}, Typed{"", false, 0},
                                   Typed{"1.234,5", false, 0}, Typed{"2,5e1", true, 25.0},
                                   Typed{"3,4028234e38", true, 3.4028234e38}, Typed{"3.5e38", false, 0},
                                   Typed{"2,5e+2", true, 250.0}, Typed{"+2", false, 0}}) {
            SCOPED_TRACE(std::string(dialog.command) + " \"" + typed.text + "\"");
            const double before = dialog.value();
            ui.messages.clear();
            std::vector<std::function<void(QWidget*)>> steps{
                [&](QWidget* d) { dialog.type(d, QString::fromUtf8(typed.text)); }};
            if (dialog.asksAgain && !typed.number)
                steps.push_back([](QWidget* d) { QMetaObject::invokeMethod(d, "reject"); });
            QTimer answer;
            QObject::connect(&answer, &QTimer::timeout, [&] {
                if (QWidget* d = QApplication::activeModalWidget(); d && !steps.empty()) {
                    auto step = steps.front();
                    steps.erase(steps.begin());
                    step(d);
                }
            });
            answer.start(10);
            ASSERT_TRUE(Click(viewer, dialog.place, dialog.command));
            testutil::settle();
            EXPECT_TRUE(steps.empty());
            EXPECT_EQ(dialog.value(), typed.number ? dialog.kept(typed.value) : before);
            EXPECT_EQ(ui.messages.size(), typed.number ? 0u : 1u);
            if (!typed.number && !ui.messages.empty() && *typed.text) {
                EXPECT_NE(ui.messages.front().find(typed.text), std::string::npos) << ui.messages.front();
            }
        }
    ImageSizeFactor = 1.0f;
    Secondary::DlgCfg().VisorZoomSize->setValue(lensBefore);

    // A range value is shown in full while its box is in use, with an exponent from
    // a billion on: the box left as it was says nothing and keeps the value.
    bool left = false;
    QTimer leave;
    QObject::connect(&leave, &QTimer::timeout, [&] {
        auto* dlg = qobject_cast<TDlgRngs*>(QApplication::activeModalWidget());
        if (!dlg || left)
            return;
        left = true;
        dlg->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dlg));
        retype(dlg->vmx, QStringLiteral("2500000000"));
        QTest::keyClick(dlg->vmx, Qt::Key_Tab);
        ui.messages.clear();
        QTest::mouseClick(dlg->vmx, Qt::LeftButton);
        EXPECT_EQ(dlg->vmx->text(), QStringLiteral("2.5e+09"));
        QTest::keyClick(dlg->vmx, Qt::Key_Tab);
        EXPECT_EQ(dlg->vmx->Value(), 2.5e9);
        QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);
    });
    leave.start(10);
    ASSERT_TRUE(Click(viewer, "popup:BDerecho", "Rangos1"));
    EXPECT_TRUE(left);
    EXPECT_TRUE(ui.messages.empty()) << ui.messages.front();
    UserView().GenatrBarWidth = barBefore;

    // The real-valued spin boxes, whatever the locale: "1,5" was 15 under the C
    // one, and "1.5" 15 under a Spanish one. Keys that make no number are refused.
    for (QDoubleSpinBox* spin : {viewer->Display().seAnchoPista, viewer->Display().seFMov,
                                 Secondary::DlgCfg().Screen2Print, Secondary::DlgCfg().ceVert}) {
        const double initial = spin->value();
        for (const Typed& typed : {Typed{"1,5", true, 1.5}, Typed{"2.25", true, 2.25}, Typed{"3,75", true, 3.75},
                                   Typed{"0,5", true, 0.5}, Typed{"abc", false, 0}}) {
            SCOPED_TRACE(spin->objectName().toStdString() + " \"" + typed.text + "\"");
            const double before = spin->value();
            QLineEdit* edit = spin->findChild<QLineEdit*>();
            retype(edit, QString::fromUtf8(typed.text));
            QTest::keyClick(edit, Qt::Key_Return);
            // Below a box's minimum (0.5 under 1) the value in use stays.
            const bool taken = typed.number && typed.value >= spin->minimum() && typed.value <= spin->maximum();
            EXPECT_DOUBLE_EQ(spin->value(), taken ? typed.value : before);
            EXPECT_TRUE(spin->text().contains(QLatin1Char('.'))) << spin->text().toStdString();
        }
        spin->setValue(initial);
    }
    // The whole-number ones: a number typed with a decimal separator is no whole
    // number and leaves the value in use ("2,5" was 25); digits are taken.
    for (QSpinBox* spin : {viewer->Display().FontSize, Secondary::DlgCfg().VisorZoomSize,
                           Secondary::DlgCfg().FnameSaved, Secondary::DlgCfg().SeleccionAncho}) {
        const int initial = spin->value(), middle = (spin->minimum() + spin->maximum()) / 2;
        for (const QString& typed : {QStringLiteral("2,5"), QStringLiteral("2.5"), QStringLiteral("1,50"),
                                     QString::number(middle)}) {
            SCOPED_TRACE(spin->objectName().toStdString() + " \"" + typed.toStdString() + "\"");
            QLineEdit* edit = spin->findChild<QLineEdit*>();
            retype(edit, typed);
            QTest::keyClick(edit, Qt::Key_Return);
            EXPECT_EQ(spin->value(), typed.contains(QLatin1Char(',')) || typed.contains(QLatin1Char('.')) ? initial : middle);
            spin->setValue(initial);
        }
        // A number left typed without Return is in use: a later "2,5" goes back to it.
        QLineEdit* edit = spin->findChild<QLineEdit*>();
        retype(edit, QString::number(middle));
        retype(edit, QStringLiteral("2,5"));
        QTest::keyClick(edit, Qt::Key_Return);
        EXPECT_EQ(spin->value(), middle) << spin->objectName().toStdString();
        spin->setValue(initial);
    }
}

TEST_F(CommandItems, SymbolSizesFromTheMapMenu)
{
    Open();
    QTimer::singleShot(0, [] {
        auto* dlg = qobject_cast<TDlgSize*>(QApplication::activeModalWidget());
        ASSERT_NE(dlg, nullptr);
        EXPECT_EQ(dlg->tbSize->value(), UserView().NodeSize);
        dlg->tbSize->setValue(6);
        dlg->accept();
    });
    ASSERT_TRUE(Click(viewer, "popup:BDerecho>Nodos", "Tamano2"));
    EXPECT_EQ(UserView().NodeSize, 6);
    EXPECT_EQ(livemenus::Find(viewer, "Tamano2")->text(), "Tamaño (6)");
    EXPECT_EQ(livemenus::Find(viewer, "Tamano1")->text(), QStringLiteral("Tamaño (%1)").arg(UserView().CentroidSize));
    EXPECT_EQ(livemenus::Find(viewer, "Tamano3")->text(), QStringLiteral("Tamaño (%1)").arg(UserView().ArrowSize));
}

TEST_F(CommandItems, ZoneEntriesAndExitsOfTheListingAreDrawn)
{
    // Zone 1 hangs on node 101: 500 leave it and 400 enter it.
    const std::string flows = Format("%10.2f%10.2f%10.2f%10.2f%10.2f", 0.0, 0.0, 10.0, 600.0, 100.0);
    const std::string in = Format("%10.2f%10.2f%10.2f%10.2f%10.2f", 0.0, 0.0, 10.0, 400.0, 0.0);
    testutil::writeFile(tmp.file("red.lpa"), " LISTING OF THE FLOWS ON CHANNEL\r\n" + Format(" C%4d %5d      ", 1, 101) +
                                                 flows + "\r\n" + Format(" %5dC %4d      ", 101, 1) + in + "\r\n" +
                                                 " LISTING OF DISAGGREGATED FLOWS\r\n");
    Open();
    const int32_t z = KDVlib::FindZona(1);
    ASSERT_GT(z, 0);
    ASSERT_FLOAT_EQ(Zonas[z].LeavingTotals[0], 500.0f);
    ASSERT_FLOAT_EQ(Zonas[z].EnteringTotals[0], 400.0f);
    // One class: no class items, the totals are there.
    for (int j = 1; j <= 15; ++j)
        EXPECT_FALSE(livemenus::Find(viewer, QStringLiteral("EntSal%1").arg(j))->isVisible());
    viewer->SetDown(Cmd::tbCents, true);
    viewer->RedrawMap();
    const QPoint c = viewer->img->WorldToPoint(Zonas[z].CentroidX, Zonas[z].CentroidY);
    const QRect left(c + QPoint(-UserView().GenatrBarWidth + 1, -60), QSize(UserView().GenatrBarWidth - 2, 55));
    const QColor blue = DisplayStyles::ToQColor(0xFF0000);
    const int before = Count(Picture(), left, blue);
    ASSERT_TRUE(Click(viewer, "popup:BDerecho>Zonas>Entradas/Salidas", "EntSal0"));
    EXPECT_EQ(UserView().EntSalVar, 0);
    EXPECT_GT(Count(Picture(), left, blue), before + 200);
    ASSERT_TRUE(Click(viewer, "popup:BDerecho>Zonas>Entradas/Salidas", "EntSalN"));
    EXPECT_EQ(UserView().EntSalVar, -1);
}

TEST_F(CommandItems, ClassItemsFollowTheListingClasses)
{
    Open();
    Network.Options.NOMADS = 3;
    testutil::writeFile(tmp.file("c.lpa"), " LISTING OF THE FLOWS ON CHANNEL\r\n LISTING OF DISAGGREGATED FLOWS\r\n"
                                           " SUMMARY STATISTICS FOR THE ASSIGNMENT NETWORK\r\n");
    viewer->Files().OpenLpaFile(tmp.file("c.lpa"));
    for (int j = 1; j <= 15; ++j)
        EXPECT_EQ(livemenus::Find(viewer, QStringLiteral("EntSal%1").arg(j))->isVisible(), j <= 3) << j;
    ASSERT_TRUE(Click(viewer, "popup:BDerecho>Zonas>Entradas/Salidas", "EntSal2"));
    EXPECT_EQ(UserView().EntSalVar, 2);
    Network.Options.NOMADS = 1;
}

// A class of the entries and exits chosen on a network of three classes read with
// its listing, then the network left or read again: the class stays where the
// menu offers it still, else the layer goes off with "Ninguno" ticked. Either
// way one offered item is ticked, and choosing it again leaves the map as drawn.
TEST_F(CommandItems, ChosenClassOfEntriesAndExitsStaysOnlyWhereItsItemIsOffered)
{
    namespace fs = std::filesystem;
    const std::string net = testutil::readFile(testutil::dataPath("lst_net.dat"));
    const std::string lpa = testutil::readFile(testutil::dataPath("lst_red.lpa"));
    std::string two = net;
    two.replace(two.find("NOMADS=3"), 8, "NOMADS=2");
    for (const auto& [dir, text, listing] : {std::tuple{"lst", net, lpa}, std::tuple{"dos", two, lpa},
                                             std::tuple{"mala", net, std::string("NADA QUE LEER\r\n")}}) {
        fs::create_directory(tmp.file(dir));
        testutil::writeFile(tmp.file(std::string(dir) + "/lst.dat"), text);
        testutil::writeFile(tmp.file(std::string(dir) + "/lst.lpa"), listing);
    }
    fs::create_directory(tmp.file("sioux"));
    fs::copy_file(testutil::realDataPath("siouxfalls.dat"), tmp.file("sioux/sioux.dat"));
    const QString place = QStringLiteral("popup:BDerecho>Zonas>Entradas/Salidas");
    const auto open = [&](const char* file) {
        testutil::AnswerFileDialog(viewer, tmp.file(file));
        ASSERT_TRUE(Click(viewer, "menu:Archivo>Abrir", "aFileOpenItem"));
    };
    const auto reload = [&] {
        if (!FrmDat || !FrmDat->isVisible()) {
            ASSERT_TRUE(Click(viewer, "menu:Archivo", "RedPalvon1"));
        }
        FrmDat->findChild<QToolButton*>("tbReload")->click();
    };
    struct Row {
        const char* name;
        std::function<void()> leave;
        const char* ticked; // the item ticked afterwards
    };
    const Row rows[] = {
        {"la misma red otra vez", [&] { open("lst/lst.dat"); }, "EntSal3"},
        {"recarga", reload, "EntSal3"},
        {"recarga sin abrir los listados con la red",
         [&] {
             Secondary::DlgCfg().cbOpenLP->setChecked(false);
             reload();
             Secondary::DlgCfg().cbOpenLP->setChecked(true);
         },
         "EntSal3"},
        {"un listado rechazado abierto solo",
         [&] {
             testutil::AnswerFileDialog(viewer, tmp.file("mala/lst.lpa"));
             ASSERT_TRUE(Click(viewer, "menu:Archivo>Abrir", "aOpenLPA"));
         },
         "EntSal3"},
        {"otra red de dos clases", [&] { open("dos/lst.dat"); }, "EntSalN"},
        {"otra red de listado rechazado", [&] { open("mala/lst.dat"); }, "EntSalN"},
        {"otra red sin listado", [&] { ASSERT_TRUE(testutil::DropFile(viewer, tmp.file("sioux/sioux.dat"))); },
         "EntSalN"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(viewer->Files().AbrirRedPalvon(tmp.file("lst/lst.dat")));
        testutil::settle();
        ASSERT_TRUE(Click(viewer, place, "EntSal3"));
        ASSERT_EQ(UserView().EntSalVar, 3);
        {
            RecordingServices quiet; // the refused listings say so
            row.leave();
            testutil::settle();
        }
        QStringList ticked;
        for (QAction* a : livemenus::Container(viewer, place)->actions())
            if (a->isVisible() && a->isChecked())
                ticked << a->objectName();
        EXPECT_EQ(ticked.join(' ').toStdString(), row.ticked);
        const QImage shown = Picture().copy();
        ASSERT_TRUE(Click(viewer, place, row.ticked));
        EXPECT_EQ(UserView().EntSalVar, row.ticked == std::string("EntSalN") ? -1 : 3);
        EXPECT_TRUE(Picture() == shown) << "the map drew another choice than the one ticked";
        if (row.ticked != std::string("EntSalN")) {
            ASSERT_TRUE(Click(viewer, place, "EntSalN"));
            EXPECT_FALSE(Picture() == shown) << "the class kept is drawn";
        }
    }
}

TEST_F(CommandItems, LinkGridMenuExportsTheGridItWasOpenedOver)
{
    Open();
    // Select two links into the lower grid.
    Arcos[1].Mark = 1;
    Arcos[2].Mark = 1;
    viewer->Grids().LinkGridMouseOver = false;
    emit viewer->pupArcos->aboutToShow();
    EXPECT_FALSE(livemenus::Find(viewer, "SelArco")->isEnabled());
    QAction* exportItem = Reach(viewer, "popup:pupArcos", "ExportarArcos");
    ASSERT_NE(exportItem, nullptr);
    EXPECT_EQ(exportItem->data().toInt(), 31);
    emit viewer->pupArcos->aboutToHide();

    viewer->Grids().LinkGridMouseOver = true;
    emit viewer->pupArcos->aboutToShow();
    EXPECT_TRUE(livemenus::Find(viewer, "SelArco")->isEnabled());
    EXPECT_EQ(exportItem->data().toInt(), 3);
    const QString file = QString::fromStdString(tmp.file("arcos.csv"));
    testutil::AnswerFileDialog(viewer, file);
    exportItem->trigger();
    const std::string text = testutil::readFile(file.toStdString());
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), viewer->sagArcos->RowCount());
}

TEST_F(CommandItems, FlowDiagramsDropDownTheirVariablesAndThePhaseToolSitsBesideThem)
{
    Open();
    QAction* mixs = Reach(viewer, "toolbar:tbarMovimientos", "tbMixs");
    ASSERT_NE(mixs, nullptr);
    EXPECT_EQ(mixs->menu(), viewer->varMix);
    auto* button = qobject_cast<QToolButton*>(viewer->tbarMovimientos->widgetForAction(mixs));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->popupMode(), QToolButton::MenuButtonPopup);
    // The phase tool and the diagram tool pick a junction each: one at a time.
    ASSERT_TRUE(Click(viewer, "toolbar:tbarMovimientos", "tbShow"));
    EXPECT_TRUE(viewer->Down(Cmd::tbShow));
    ASSERT_TRUE(Click(viewer, "toolbar:tbarMovimientos", "tbMixs"));
    EXPECT_TRUE(viewer->Down(Cmd::tbMixs));
    EXPECT_FALSE(viewer->Down(Cmd::tbShow));
    // The movement links button drops down the movement variables.
    QAction* links = Reach(viewer, "toolbar:tbarMovimientos", "tbMovimLinks");
    ASSERT_NE(links, nullptr);
    EXPECT_NE(links->menu(), nullptr);
}

TEST_F(CommandItems, OpeningShowsTheLengthScaleAndTheHiddenCommands)
{
    EXPECT_FALSE(livemenus::Find(viewer, "tbStreet")->isVisible());
    EXPECT_FALSE(livemenus::Find(viewer, "CopiarTema1")->isVisible());
    Open();
    EXPECT_DOUBLE_EQ(viewer->Display().seFMov->value(), std::round(double(Network.LengthScale) * 1000.0) / 1000.0);
    EXPECT_DOUBLE_EQ(UserView().FMov, viewer->Display().seFMov->value());
    for (const char* name : {"Puntos5", "CopiarTema1", "PegarTema1", "Regla1", "ColorMultiple", "ColorSeleccion",
                             "MostrarNombresPlg", "SeleccionarPoligono", "Semaforos", "GenerarPlanillas1",
                             "ExportaraEMME2", "GenerarKMZ1", "tbStreet", "tbMixs"})
        EXPECT_TRUE(livemenus::Find(viewer, name)->isVisible()) << name;
    // The theme shortcuts work from the keyboard once the items are there.
    EXPECT_EQ(livemenus::Find(viewer, "CopiarTema1")->shortcut(), QKeySequence("Ctrl+Alt+C"));
    // The caption gauge lies along the bottom of the map, hidden while idle.
    ASSERT_NE(viewer->pbc, nullptr);
    EXPECT_EQ(viewer->pbc->parentWidget(), viewer->img);
    EXPECT_FALSE(viewer->pbc->isVisible());
    EXPECT_EQ(viewer->pbc->geometry().bottom(), viewer->img->height() - 1);
}

TEST_F(CommandItems, PolygonConfigurationOpensOnTheColourSettings)
{
    Open();
    bool options = false, preferencesShown = true;
    QTimer::singleShot(0, [&] {
        auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        options = dlg == DlgCfg;
        preferencesShown = Secondary::DlgCfg().CfgPaginas->isTabVisible(Secondary::DlgCfg().CfgPaginas->indexOf(Secondary::DlgCfg().CfgPreferencias));
        if (dlg)
            dlg->reject();
    });
    ASSERT_TRUE(Click(viewer, "menu:Herramientas>Polígonos", "aConfigurar1"));
    EXPECT_TRUE(options);
    EXPECT_FALSE(preferencesShown);
}

TEST_F(CommandItems, AutofitWidensAColumnToItsText)
{
    Open();
    TStringAlignGrid* g = viewer->sagZonas;
    g->SetColWidths(1, 4);
    ASSERT_TRUE(Click(viewer, "popup:pupZonas", "Autojustar1"));
    EXPECT_GT(g->ColWidths(1), 4);
}

// "Crear Centroides" places the zones that have none; with every zone placed it
// changes no position: nothing is written, and leaving asks about nothing.
TEST_F(CommandItems, CentroidsCreatedAreSavedAndNoneCreatedSavesNothing)
{
    Secondary::DlgCfg().cbSaveGeos->setChecked(true);
    const std::string positions = tmp.file("red_coordenadas.geo");
    for (const bool unplaced : {false, true}) {
        Open();
        std::filesystem::remove(positions);
        Network.PositionsUnsaved = false;
        const int32_t z = KDVlib::FindZona(5);
        if (unplaced)
            Zonas[z].HasCentroid = 0;
        ASSERT_TRUE(Click(viewer, "popup:pupZonas", "CrearCentroides1"));
        EXPECT_EQ(std::filesystem::exists(positions), unplaced) << unplaced;
        EXPECT_FALSE(Network.PositionsUnsaved) << unplaced;
        EXPECT_EQ(Zonas[z].HasCentroid, 1) << unplaced;
        if (unplaced) { // the file holds the centroid made, as the grid shows it
            EXPECT_NE(testutil::readFile(positions).find(ZelUtils::Format("5,%s,%s", viewer->sagZonas->cell(1, z),
                                                                            viewer->sagZonas->cell(2, z))),
                      std::string::npos);
        }
    }
    Secondary::DlgCfg().cbSaveGeos->setChecked(false);
}

// What the readers switch on by name, seen in the real menus and toolbars: the
// listing's class items and PIJA analyses, and the layers the hit grid allows.
TEST_F(CommandItems, ReadersSwitchTheRealItems)
{
    std::filesystem::copy_file(testutil::dataPath("lst_net.dat"), tmp.file("lst.dat"));
    std::filesystem::copy_file(testutil::dataPath("lst_red.lpa"), tmp.file("lst.lpa"));
    Secondary::DlgCfg().cbReadPijas->setChecked(true);
    ASSERT_TRUE(viewer->Files().AbrirRedPalvon(tmp.file("lst.dat")));
    ASSERT_EQ(Network.Options.NOMADS, 3);
    for (int j = 1; j <= 3; ++j)
        EXPECT_NE(Reach(viewer, "popup:BDerecho>Zonas>Entradas/Salidas", QStringLiteral("EntSal%1").arg(j)), nullptr);
    EXPECT_FALSE(livemenus::Find(viewer, "EntSal4")->isVisible());
    EXPECT_NE(Reach(viewer, "menu:Procesos", "AnalisisdePIJAs"), nullptr);
    EXPECT_NE(Reach(viewer, "menu:Procesos>Analisis de PIJAs", "NivelArco"), nullptr);
    EXPECT_NE(Reach(viewer, "menu:Procesos>Analisis de PIJAs", "NIvelMovimiento"), nullptr);
    // The same network's listing without PIJA tables, read on its own: no analysis
    // is offered of the tables of the listing it replaces.
    std::string plain = testutil::readFile(testutil::dataPath("lst_red.lpa"));
    plain.erase(plain.find("          OUTPUT OF PIJA"), plain.find(" NORMAL COMPLETION") - plain.find("          OUTPUT OF PIJA"));
    testutil::writeFile(tmp.file("sin.lpa"), plain);
    testutil::AnswerFileDialog(viewer, tmp.file("sin.lpa"));
    ASSERT_TRUE(Click(viewer, "menu:Archivo>Abrir", "aOpenLPA"));
    EXPECT_EQ(PijaLinkCount + PijaMovCount, 0);
    EXPECT_FALSE(livemenus::Find(viewer, "AnalisisdePIJAs")->isEnabled());
    // Zones with centroids: the centroid layer can be switched, from the toolbar and the menu.
    EXPECT_NE(Reach(viewer, "toolbar:tbarArcos", "tbCents"), nullptr);
    EXPECT_NE(Reach(viewer, "menu:Ver", "Centroides1"), nullptr);
    EXPECT_NE(Reach(viewer, "toolbar:tbarEstandar", "tbCurve"), nullptr);

    // A network without zones and without a listing: no centroids to show, no PIJAs.
    WriteSquareNetwork(tmp.file("cuadrado.dat"));
    ASSERT_TRUE(viewer->Files().AbrirRedPalvon(tmp.file("cuadrado.dat")));
    EXPECT_FALSE(livemenus::Find(viewer, "tbCents")->isEnabled());
    EXPECT_FALSE(livemenus::Find(viewer, "Centroides1")->isEnabled());
    EXPECT_FALSE(livemenus::Find(viewer, "AnalisisdePIJAs")->isEnabled());
    EXPECT_FALSE(livemenus::Find(viewer, "EntSal1")->isVisible());
    EXPECT_TRUE(livemenus::Find(viewer, "tbCurve")->isEnabled());
}

// The pairs of a link or a movement are listed by a click on its row, also the
// second time the window opens, when that row was the one chosen before.
TEST_F(CommandItems, PairListsAnswerTheFirstClickEveryTime)
{
    std::filesystem::copy_file(testutil::dataPath("lst_net.dat"), tmp.file("lst.dat"));
    std::filesystem::copy_file(testutil::dataPath("lst_red.lpa"), tmp.file("lst.lpa"));
    Secondary::DlgCfg().cbReadPijas->setChecked(true);
    ASSERT_TRUE(viewer->Files().AbrirRedPalvon(tmp.file("lst.dat")));
    struct Case {
        const char* command;
        int row;                   // of the links or movements
        std::vector<std::string> pair; // first pair listed: Zo, Zd, Pij, Tij
    };
    const std::vector<Case> cases = {
        {"NivelArco", 1, {"11", "12", "0.5", "40.0"}},
        {"NivelArco", 2, {"12", "11", "0.4", "0.0"}},
        {"NIvelMovimiento", 1, {"11", "12", "0.3", "10.0"}},
    };
    for (int round = 0; round < 2; ++round)
        for (const Case& c : cases) {
            std::vector<std::string> shown;
            livemenus::WhenModalShown(viewer, [&](QWidget* w) {
                auto* d = dynamic_cast<TFrmPijaBase*>(w);
                ASSERT_NE(d, nullptr);
                const QRect cell = d->left->visualRect(d->left->model()->index(c.row - d->left->FixedRows(), 0));
                QTest::mouseClick(d->left->viewport(), Qt::LeftButton, {}, cell.center());
                for (int col = 0; col < d->right->ColCount(); ++col)
                    shown.push_back(d->right->cell(col, 1));
                d->Button2->click();
            });
            ASSERT_TRUE(Click(viewer, "menu:Procesos>Analisis de PIJAs", c.command));
            EXPECT_EQ(shown, c.pair) << c.command << " row " << c.row << " round " << round;
        }
}

// The layer menu writes the loaded background layers as KMZ; the link grid's menu
// offers "Selección en Grilla" once rows of the link grid are selected.
TEST_F(CommandItems, LayerMenuWritesItsLayersAsKmzAndGridSelectionIsOffered)
{
    Open();
    const std::string geo = testutil::dataPath("layer_kerbs.geo");
    viewer->Files().ChooseOpenFiles = [&](const QString&, const QString&, bool) {
        return QStringList{QString::fromStdString(geo)};
    };
    ASSERT_TRUE(Click(viewer, "toolbar:tbarOpen", "tbOpenSlr"));
    ASSERT_GE(GeoLayers().NumGeoLayers, 1);
    const QString kmz = QString::fromStdString(tmp.file("capas.kmz"));
    testutil::AnswerFileDialog(viewer, kmz);
    ASSERT_TRUE(Click(viewer, "popup:varSolera", "GenerarKMZ1"));
    ASSERT_TRUE(std::filesystem::exists(kmz.toStdString()));
    const std::string check = "/usr/bin/python3 -c \"import sys,zipfile; z=zipfile.ZipFile(sys.argv[1]); "
                              "sys.exit(0 if z.testzip() is None and any(n.endswith('.kml') for n in z.namelist()) "
                              "else 1)\" '" +
                              kmz.toStdString() + "'";
    EXPECT_EQ(std::system(check.c_str()), 0);

    viewer->Grids().LinkGridMouseOver = true;
    viewer->sagArcos->SetSelection({0, 1, 3, 1});
    emit viewer->pupArcos->aboutToShow();
    EXPECT_FALSE(livemenus::Find(viewer, "SeleccionGrilla")->isVisible());
    viewer->sagArcos->SetSelection({0, 1, 3, 4});
    emit viewer->pupArcos->aboutToShow();
    EXPECT_NE(Reach(viewer, "popup:pupArcos", "SeleccionGrilla"), nullptr);
}

// Drawing options of the map menu change the picture at once.
TEST_F(CommandItems, DrawingOptionsRedrawTheMap)
{
    Open();
    for (const char* layer : {"tbArrows", "tbNodes"})
        if (!viewer->Down(QString::fromLatin1(layer))) {
            ASSERT_TRUE(Click(viewer, "toolbar:tbarArcos", layer));
        }
    viewer->RedrawMap();
    const std::pair<const char*, const char*> options[] = {{"popup:BDerecho>Flechas", "SimpleArrow"},
                                                           {"popup:BDerecho>Nodos", "ColorNode"},
                                                           {"popup:BDerecho>Nodos", "Semaforos"}};
    for (const auto& [place, name] : options) {
        const QImage before = Picture().copy();
        ASSERT_TRUE(Click(viewer, place, name)) << name;
        EXPECT_TRUE(livemenus::Find(viewer, name)->isChecked()) << name;
        EXPECT_NE(Picture(), before) << name;
    }
}

