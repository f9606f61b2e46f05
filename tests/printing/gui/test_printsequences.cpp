// Printing as a second action: what a batch, a series of line sheets or the
// generation/attraction pictures leave behind on the user's map, and what a
// failed print leaves of the printer and of the earlier PDF. Outputs are read by
// the metafile reader and by pdftotext.
#include "analysis/gui/DlgFormula.h"
#include "widgets/gaugeCaption.h"
#include "analysis/gui/FrmFases.h"
#include "analysis/Fases.h"
#include "mainwindow/DlgCfg.h"
#include "mainwindow/GridsController.h"
#include "mainwindow/PalvonViewer.h"
#include "mainwindow/PolygonsController.h"
#include "map/gui/OxrImage.h"
#include "map/ZoomHistory.h"
#include "map/GeoLayers.h"
#include "map/Polygons.h"
#include "mainwindow/SecondaryWindows.h"
#include "model/gui/FrmDat.h"
#include "map/gui/DataLayers.h"
#include "export/GeoWriters.h"
#include "model/Genatr.h"
#include "model/KDVlib.h"
#include "model/KDVvars.h"
#include "model/LinkShapes.h"
#include "model/PalvonVars.h"
#include "model/ZelUtils.h"
#include "printing/Net2Print.h"
#include "printing/ZelPrinter.h"
#include "printing/gui/DlgPrint.h"
#include "printing/gui/FrmPreview.h"
#include "printing/gui/PrintLayers.h"
#include "printing/gui/PrinterSetup.h"
#include "support/GridsNetwork.h"
#include "support/ViewFields.h"
#include "support/FileDialogAnswer.h"
#include "support/GuiTestUtil.h"
#include "support/FormulaColumn.h"
#include "support/DrawnOnTop.h"
#include "support/LiveMenus.h"
#include "support/PrintedLeg.h"
#include "support/MetafileCheck.h"
#include "support/RecordingServices.h"
#include "support/SampleOnScreenFixture.h"
#include "support/ViewerFixture.h"
#include "widgets/DlgCfgWidgets.h"
#include "widgets/DualListDialog.h"
#include "widgets/StringAlignGrid.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QUrl>
#include <QProcess>
#include <QRadioButton>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QPushButton>
#include <QPainter>
#include <QPlainTextEdit>
#include <QImage>

#include <csignal>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <optional>
#include <tuple>
#include <grp.h>
#include <iostream>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// The commands whose state a print must not change, and their state.
std::map<std::string, bool> CommandStates(TPalvonViewer* window)
{
    std::map<std::string, bool> states;
    for (const TCommandId id : {Cmd::tbAtributos, Cmd::tbColores, Cmd::aAtributos2, Cmd::tbLineas, Cmd::tbZonas,
                                Cmd::tbValues, Cmd::tbNameNodes, Cmd::linnone, Cmd::GenAtrZona})
        states[window->Action(id)->objectName().toStdString()] = window->Action(id)->isChecked();
    return states;
}

using livemenus::ClickToolButton;
using livemenus::WhenModalShown;

QString PdfText(const std::string& pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QString::fromStdString(pdf), QStringLiteral("-")});
    EXPECT_TRUE(p.waitForFinished(60000));
    return QString::fromUtf8(p.readAllStandardOutput());
}

class PrintSequences : public SampleOnScreenFixture {
protected:
    void SetUp() override
    {
        SampleOnScreenFixture::SetUp();
        fs::current_path(tmp.path());
    }

    QImage MapPicture()
    {
        viewer->RedrawMap();
        testutil::settle();
        return viewer->img->Picture().copy();
    }

    void Trigger(const char* command) { livemenus::Find(viewer, QString::fromLatin1(command))->trigger(); }

    // The network's text read again from the text window's reload button.
    void ReadTextAgain()
    {
        if (!FrmDat || !FrmDat->isVisible())
            Trigger("RedPalvon1");
        FrmDat->findChild<QToolButton*>("tbReload")->click();
    }

    // "Definir Redes" with the definition written into the test's folder (as `file`).
    void DefineNetworks(const std::string& text, const std::string& file = "lote.ini")
    {
        testutil::writeFile(tmp.file(file), text);
        testutil::AnswerFileDialog(viewer, tmp.file(file));
        Trigger("DefinirRedes1");
    }

    // The printer setup's "Imprimir a archivo (PDF)" with that file.
    void ChoosePdf(const QString& pdf)
    {
        WhenModalShown(viewer, [&](QWidget* w) {
            auto* setup = qobject_cast<TDlgPrinterSetup*>(w);
            ASSERT_NE(setup, nullptr);
            setup->cbImpresora->setFocus();
            QTest::keyClick(setup->cbImpresora, Qt::Key_End);
            QTest::keyClick(setup->edArchivo, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(setup->edArchivo, pdf);
            for (QAbstractButton* b : setup->findChild<QDialogButtonBox*>()->buttons())
                if (b->text() == QStringLiteral("Aceptar"))
                    QTest::mouseClick(b, Qt::LeftButton);
        });
        Trigger("aSetup1");
    }

    // Generation and attraction of four zones along the network's diagonal, two
    // periods, read onto the network.
    bool LoadFourZonesGenatr()
    {
        const double x0 = Network.MinX, y0 = Network.MinY, dx = Network.MaxX - Network.MinX,
                     dy = Network.MaxY - Network.MinY;
        std::string csv = "zona,x,y,GenManana,AtrManana,GenTarde,AtrTarde\r\n";
        for (int z = 1; z <= 4; ++z)
            csv += ZelUtils::Format("%d,%.1f,%.1f,%d,%d,%d,%d\r\n", z, x0 + dx * z / 5, y0 + dy * z / 5, 100 * z,
                                    50, 10, 400 - 90 * z);
        testutil::writeFile(tmp.file("genatr.csv"), csv);
        return KDVlib::LoadGenatr(tmp.file("genatr.csv"));
    }

    // "Imprimir..." then the preview's print button.
    void PrintFromPreview()
    {
        Trigger("aPrint1");
        testutil::settle();
        ClickToolButton(viewer->Printing().Preview(), QStringLiteral("tbPrint"));
        viewer->Printing().Preview()->close();
    }
};

} // namespace

// "Imprimir Redes" before any definition is read changes nothing and says why;
// a batch over a definition without variables, naming the open network and
// another one, leaves the map, its buttons and the counts the user loaded as
// they were.
TEST_F(PrintSequences, BatchLeavesTheMapAndItsFilesAsTheyWere)
{
    testutil::writeFile(tmp.file("conteos.dat"), " &COUNTS\r\n &end\r\n  102  101      1234\r\n");
    testutil::AnswerFileDialog(viewer, tmp.file("conteos.dat"));
    Trigger("aOpenCnt");
    ASSERT_EQ(Network.CountsLoaded, 1);
    const std::string title = viewer->tit->toPlainText().toStdString();

    {
        RecordingServices ui;
        const QImage before = MapPicture();
        const auto buttons = CommandStates(viewer);
        Trigger("ImprimirRedes1");
        EXPECT_TRUE(ui.anyMessageContains("No hay redes que imprimir")) << ui.messages.size();
        EXPECT_EQ(Network.CountsLoaded, 1);
        EXPECT_EQ(CommandStates(viewer), buttons);
        EXPECT_TRUE(MapPicture() == before);
    }

    fs::copy_file(testutil::realDataPath("siouxfalls.dat"), tmp.file("sioux.dat"));
    // A zoom box dragged over the map (a second zoom slot), then a step of "Acercar":
    // the view and the zoom slots come back after the batch.
    const TZoomSlot whole = UserView().ZoomHistory[1];
    const QPoint corner(viewer->img->width() - 2, viewer->img->height() - 2);
    QTest::mousePress(viewer->img, Qt::LeftButton, {}, QPoint(1, 1));
    QTest::mouseMove(viewer->img, corner / 2);
    QTest::mouseMove(viewer->img, corner);
    QTest::mouseRelease(viewer->img, Qt::LeftButton, {}, corner);
    ASSERT_EQ(UserView().ZoomIndex, 2);
    livemenus::Find(viewer, "aAcercar1")->trigger();
    ASSERT_GT(UserView().WorldMinX, UserView().ZoomHistory[1].MinX);
    ASSERT_LT(UserView().WorldMaxY, UserView().ZoomHistory[1].MaxY);
    // The user's own variable, with its classes and extremes: the batch chooses
    // other variables, colours and classes, in its own copy of the view.
    for (QAction* a : viewer->Grids().VarArcos->actions())
        if (a->text() == QStringLiteral("Capacidad"))
            a->trigger();
    ASSERT_GT(UserView().RangeVarArcos, 0);
    const TViewState mine = UserView();
    const auto rangesAsTheyWere = [&] {
        const TViewState& now = UserView();
        for (size_t c = 0; c < mine.RangeTable.size(); ++c) {
            const TRangeClass &a = now.RangeTable[c], &b = mine.RangeTable[c];
            EXPECT_TRUE(a.Low == b.Low && a.High == b.High && a.Color == b.Color && a.Active == b.Active) << "class " << c;
        }
        EXPECT_EQ(now.NumRanges, mine.NumRanges);
        EXPECT_EQ(now.RangeMin, mine.RangeMin);
        EXPECT_EQ(now.RangeMax, mine.RangeMax);
        EXPECT_EQ(now.RangeName, mine.RangeName);
        EXPECT_EQ(now.RangeVarArcos, mine.RangeVarArcos);
        EXPECT_EQ(now.RangeVarByMode, mine.RangeVarByMode);
        EXPECT_EQ(now.ShownVarList, mine.ShownVarList);
        EXPECT_EQ(now.VarColors, mine.VarColors);
        EXPECT_EQ(now.ModePenColors, mine.ModePenColors);
        EXPECT_EQ(now.ModeBrushColors, mine.ModeBrushColors);
        EXPECT_EQ(now.WorldMinX, mine.WorldMinX);
        EXPECT_EQ(now.WorldMaxX, mine.WorldMaxX);
        EXPECT_EQ(now.WorldMinY, mine.WorldMinY);
        EXPECT_EQ(now.WorldMaxY, mine.WorldMaxY);
        EXPECT_EQ(now.ZoomIndex, mine.ZoomIndex);
        for (size_t k = 1; k <= size_t(mine.ZoomIndex); ++k)
            EXPECT_TRUE(now.ZoomHistory[k].MinX == mine.ZoomHistory[k].MinX &&
                        now.ZoomHistory[k].MaxY == mine.ZoomHistory[k].MaxY)
                << "zoom slot " << k;
    };
    const QImage before = MapPicture();
    const auto buttons = CommandStates(viewer);
    // The theme's node numbers are the batch's: neither defining nor printing
    // presses the user's button.
    DefineNetworks("[General]\r\n[Tema]\r\nVerNombreNodos=1\r\n[Red]\r\nRedPalvon=red.dat\r\nTitulos=Lote uno\r\n"
                   "VarVolumen=Long\r\n[Colores]\r\nRedPalvon=red.dat\r\nColor=255;65280\r\nVarColores=V0\r\n"
                   "Zoom=0;0;10;10\r\n[Otra]\r\nRedPalvon=sioux.dat\r\n");
    EXPECT_EQ(CommandStates(viewer), buttons);
    const TViewSnapshot view = viewer->Drawing().SnapshotView();
    const auto legends = [&] {
        return std::make_tuple(viewer->sym->isVisible(), viewer->sym->pos(), viewer->Scl->isVisible(),
                               viewer->Scl->pos());
    };
    const auto legendsBefore = legends();
    Trigger("ImprimirRedes1");
    EXPECT_TRUE(legends() == legendsBefore) << "the legends over the map moved or showed";
    EXPECT_EQ(Network.CountsLoaded, 1);
    EXPECT_EQ(CommandStates(viewer), buttons);
    EXPECT_EQ(viewer->tit->toPlainText().toStdString(), title);
    const TViewSnapshot after = viewer->Drawing().SnapshotView();
    EXPECT_EQ(after.MinX, view.MinX);
    EXPECT_EQ(after.MaxY, view.MaxY);
    EXPECT_TRUE(MapPicture() == before) << "the batch changed the user's map";
    rangesAsTheyWere();

    // A second batch draws the same pictures and leaves the view as it was again.
    std::map<std::string, std::string> pictures;
    for (const auto& f : fs::directory_iterator(tmp.path()))
        if (f.path().extension() == ".emf")
            pictures[f.path().filename().string()] = testutil::readFile(f.path().string());
    ASSERT_GE(pictures.size(), 2u);
    {
        // Each section's picture shows its own window: the whole network with its
        // node numbers, and the section's "Zoom=" corner where no node lies.
        std::map<std::string, int> numbered;
        for (const auto& [name, bytes] : pictures) {
            const testutil::TMetafileReport r = testutil::CheckMetafile(tmp.file(name));
            numbered[name] = int(r.HasText(QStringLiteral("102"))) + int(r.HasText(QStringLiteral("201")));
        }
        EXPECT_TRUE(std::any_of(numbered.begin(), numbered.end(), [](const auto& n) { return n.second == 2; }));
        EXPECT_TRUE(std::any_of(numbered.begin(), numbered.end(), [](const auto& n) { return n.second == 0; }))
            << "a section's Zoom= window was not the window of its picture";
    }
    for (const auto& [name, bytes] : pictures)
        fs::remove(tmp.file(name));
    // Another network dropped on the window while the batch runs is not opened.
    testutil::writeFile(tmp.file("caida.dat"), testutil::readFile(testutil::dataPath("grids_net.dat")));
    bool dropped = false;
    QTimer drops;
    QObject::connect(&drops, &QTimer::timeout, [&] {
        if (dropped || viewer->pbc->isHidden())
            return;
        dropped = true;
        EXPECT_FALSE(testutil::DropFile(viewer, tmp.file("caida.dat")));
    });
    drops.start(0);
    Trigger("ImprimirRedes1");
    drops.stop();
    EXPECT_TRUE(dropped);
    for (const auto& [name, bytes] : pictures)
        EXPECT_TRUE(testutil::readFile(tmp.file(name)) == bytes) << name << " differs the second time";
    EXPECT_TRUE(MapPicture() == before) << "the second batch changed the user's map";
    rangesAsTheyWere();
    // "Vista Anterior" steps back to the user's whole network, not to a batch window.
    livemenus::Find(viewer, "aVistaAnterior")->trigger();
    EXPECT_EQ(UserView().ZoomIndex, 1);
    EXPECT_DOUBLE_EQ(UserView().WorldMinX, whole.MinX);
    EXPECT_DOUBLE_EQ(UserView().WorldMaxY, whole.MaxY);
}

// The batch draws from the copy of the view it takes at its start: every field of
// the user's view changed once the batch is under way, one at a time, leaves its
// pictures as they were.
TEST_F(PrintSequences, BatchPicturesIgnoreTheUsersViewChangedOnceItRuns)
{
    DefineNetworks("[General]\r\n[Tema]\r\nVerNombreNodos=1\r\n[Red]\r\nRedPalvon=red.dat\r\nVarVolumen=Long\r\n"
                   "[Colores]\r\nRedPalvon=red.dat\r\nColor=255;65280\r\nVarColores=V0\r\nZoom=0;0;10;10\r\n");
    const auto run = [&](void (*change)(TViewState&)) {
        const TViewState user = UserView();
        bool changed = false;
        if (change)
            QTimer::singleShot(0, viewer, [&] {
                change(UserView());
                changed = true;
            });
        Trigger("ImprimirRedes1");
        EXPECT_EQ(changed, change != nullptr) << "the view was not changed while the batch ran";
        UserView() = user;
        std::map<std::string, std::string> pictures;
        for (const auto& f : fs::directory_iterator(tmp.path()))
            if (f.path().extension() == ".emf")
                pictures[f.path().filename().string()] = testutil::readFile(f.path().string());
        for (const auto& [name, bytes] : pictures)
            fs::remove(tmp.file(name));
        return pictures;
    };
    const auto pictures = run(nullptr);
    ASSERT_GE(pictures.size(), 2u);
    for (const auto& field : testutil::ViewFieldChanges())
        EXPECT_TRUE(run(field.Change) == pictures) << field.Name;
}

// A network printed with one variable, then a group of three drawn together:
// the group's picture shows its three variables' captions and nothing of the
// picture printed before it.
TEST_F(PrintSequences, GroupDrawnTogetherShowsOnlyItsOwnVariables)
{
    const auto buttons = CommandStates(viewer);
    const QImage before = MapPicture();
    DefineNetworks("[General]\r\n[Tema]\r\nVerNombreNodos=1\r\n[Uno]\r\nRedPalvon=red.dat\r\nVarVolumen=Long\r\n"
                   "[Tres]\r\nRedPalvon=red.dat\r\nVarMultiple=2\r\nVarVolumen=Cap,V0,T0\r\n");
    Trigger("ImprimirRedes1");
    EXPECT_EQ(CommandStates(viewer), buttons);
    EXPECT_TRUE(MapPicture() == before) << "the batch changed the user's map";
    const testutil::TMetafileReport one = testutil::CheckMetafile(tmp.file("red_Long.emf"));
    EXPECT_METAFILE_SOUND(one);
    EXPECT_TRUE(one.texts.contains(QStringLiteral("Longitud"))) << one.texts.join('|').toStdString();
    // The theme shows the node numbers on the batch's pictures.
    for (const char* node : {"102", "103", "104", "201", "301"})
        EXPECT_TRUE(one.texts.contains(QString::fromLatin1(node))) << node << ": " << one.texts.join('|').toStdString();
    const testutil::TMetafileReport three = testutil::CheckMetafile(tmp.file("red_T0.emf"));
    EXPECT_METAFILE_SOUND(three);
    for (const char* caption : {"Capacidad", "Vel. Flujo Libre", "Tpo. Flujo Libre"})
        EXPECT_TRUE(three.texts.contains(QString::fromUtf8(caption))) << caption << ": "
                                                                      << three.texts.join('|').toStdString();
    EXPECT_FALSE(three.HasText(QStringLiteral("Longitud"))) << three.texts.join('|').toStdString();
}

// A batch whose document cannot be written (its folder become a file since the
// definition was read) says so once, asks nothing, and replaces none of the
// pictures there before; nothing is left aside.
TEST_F(PrintSequences, BatchWhoseDocumentCannotBeWrittenKeepsTheEarlierPictures)
{
    fs::create_directories(tmp.path() / "informe");
    DefineNetworks("[General]\r\nDocumentoWord=informe/informe.doc\r\n[Tema]\r\n[Red]\r\nRedPalvon=red.dat\r\n"
                   "VarVolumen=Long\r\nVarColores=Cap\r\n");
    {
        RecordingServices first;
        Trigger("ImprimirRedes1");
        ASSERT_TRUE(first.messages.empty()) << first.messages.front();
    }
    const std::vector<std::string> pictures = {tmp.file("red_Cap.emf"), tmp.file("red_Long.emf")};
    for (const std::string& p : pictures)
        testutil::writeFile(p, "del usuario " + p);
    fs::remove_all(tmp.path() / "informe");
    testutil::writeFile(tmp.file("informe"), "");
    const auto before = fs::directory_iterator(tmp.path());
    const size_t entries = size_t(std::distance(before, fs::directory_iterator()));
    RecordingServices ui;
    ui.answerYes = true;
    Trigger("ImprimirRedes1");
    EXPECT_TRUE(ui.questions.empty()) << ui.questions.front();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].find("No se pudo grabar"), std::string::npos) << ui.messages[0];
    for (const std::string& p : pictures)
        EXPECT_TRUE(testutil::readFile(p) == "del usuario " + p) << p << " replaced";
    EXPECT_EQ(size_t(std::distance(fs::directory_iterator(tmp.path()), fs::directory_iterator())), entries);
}

// On anaheim, a definition whose movement variable is not in the network (it
// has no movements): the colour picture of "Conteo" is written as it is alone,
// no movement picture overwrites it, and the batch says so once.
TEST_F(PrintSequences, BatchPrintsNoPictureOfAVariableNotFound)
{
    fs::copy_file(testutil::realDataPath("anaheim.dat"), tmp.file("anaheim.dat"));
    DefineNetworks("[General]\r\n[Tema]\r\n[Ana]\r\nRedPalvon=anaheim.dat\r\nVarColores=Conteo\r\n");
    {
        RecordingServices ui;
        Trigger("ImprimirRedes1");
        EXPECT_TRUE(ui.messages.empty()) << ui.messages.front();
    }
    const std::string alone = testutil::readFile(tmp.file("anaheim_Conteo.emf"));
    const testutil::TMetafileReport colours = testutil::CheckMetafile(tmp.file("anaheim_Conteo.emf"));
    EXPECT_METAFILE_SOUND(colours);
    EXPECT_TRUE(colours.texts.contains(QStringLiteral("Flujo Observado"))) << colours.texts.join('|').toStdString();
    fs::remove(tmp.file("anaheim_Conteo.emf"));

    DefineNetworks("[General]\r\n[Tema]\r\n[Ana]\r\nRedPalvon=anaheim.dat\r\nVarColores=Conteo\r\n"
                   "VarMovim=Fl.Sat\r\n[Dos]\r\nRedPalvon=anaheim.dat\r\nVarMultiple=2\r\nVarVolumen=Nada,Otra\r\n");
    RecordingServices ui;
    Trigger("ImprimirRedes1");
    EXPECT_TRUE(testutil::readFile(tmp.file("anaheim_Conteo.emf")) == alone) << "another picture overwrote it";
    EXPECT_FALSE(fs::exists(tmp.file("anaheim.emf"))) << "a group of names not found was drawn together";
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].find("anaheim.dat: Fl.Sat\ranaheim.dat: Nada\ranaheim.dat: Otra"), std::string::npos)
        << ui.messages[0];
}

// A definition without a document, in a folder of its own: the network's picture
// goes beside the definition, never into the folder the program runs in.
TEST_F(PrintSequences, PicturesWithoutADocumentGoBesideTheDefinition)
{
    fs::create_directories(tmp.path() / "lote");
    testutil::writeFile(tmp.file("red.emf"), "dibujo del usuario");
    DefineNetworks("[General]\r\n[Tema]\r\n[Red]\r\nRedPalvon=../red.dat\r\nVariables=none\r\n", "lote/lote.ini");
    RecordingServices ui;
    Trigger("ImprimirRedes1");
    EXPECT_TRUE(ui.messages.empty()) << ui.messages.front();
    EXPECT_EQ(testutil::readFile(tmp.file("red.emf")), "dibujo del usuario");
    EXPECT_METAFILE_SOUND(testutil::CheckMetafile(tmp.file("lote/red.emf")));

    // A picture there before the batch (the user's, since) is replaced only on a
    // yes to one question naming it, at the batch's end.
    testutil::writeFile(tmp.file("lote/red.emf"), "del usuario");
    for (const bool yes : {false, true}) {
        RecordingServices asked;
        asked.answerYes = yes;
        Trigger("ImprimirRedes1");
        ASSERT_EQ(asked.questions.size(), 1u);
        EXPECT_NE(asked.questions[0].find("lote/red.emf"), std::string::npos) << asked.questions[0];
        EXPECT_TRUE(asked.messages.empty());
        EXPECT_EQ(testutil::readFile(tmp.file("lote/red.emf")) == "del usuario", !yes);
    }
    EXPECT_METAFILE_SOUND(testutil::CheckMetafile(tmp.file("lote/red.emf")));
    EXPECT_EQ(std::distance(fs::directory_iterator(tmp.path() / "lote"), fs::directory_iterator()), 2)
        << "nothing left aside";

    // A name the batch makes up is not followed through a link put under it.
    fs::remove(tmp.file("lote/red.emf"));
    fs::create_symlink(tmp.file("red.emf"), tmp.file("lote/red.emf"));
    RecordingServices again;
    Trigger("ImprimirRedes1");
    EXPECT_TRUE(again.anyMessageContains("enlace")) << again.messages.size();
    EXPECT_EQ(testutil::readFile(tmp.file("red.emf")), "dibujo del usuario");
    EXPECT_TRUE(fs::is_symlink(tmp.file("lote/red.emf")));

    // The pictures of several variables there before, one of them made read-only
    // while the question waits: the yes replaces all of them or none, and the
    // failure is said once.
    DefineNetworks("[General]\r\n[Tema]\r\n[Red]\r\nRedPalvon=../red.dat\r\nVarVolumen=Long\r\nVarColores=Cap\r\n",
                   "lote/varias.ini");
    {
        RecordingServices first;
        Trigger("ImprimirRedes1");
        ASSERT_TRUE(first.messages.empty()) << first.messages.front();
    }
    std::vector<std::string> pictures;
    for (const auto& e : fs::directory_iterator(tmp.path())) // beside the network
        if (e.path().extension() == ".emf" && e.path().filename() != "red.emf")
            pictures.push_back(e.path().string());
    std::sort(pictures.begin(), pictures.end());
    ASSERT_EQ(pictures.size(), 2u);
    for (const std::string& p : pictures)
        testutil::writeFile(p, "del usuario " + p);
    struct LockedMeanwhile : RecordingServices {
        std::string file;
        bool AskYesNo(const std::string& text) override
        {
            fs::permissions(file, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                            fs::perm_options::remove);
            return RecordingServices::AskYesNo(text);
        }
    };
    {
        LockedMeanwhile ui; // the later one: the earlier would be replaced first
        ui.file = pictures.back();
        ui.answerYes = true;
        Trigger("ImprimirRedes1");
        EXPECT_EQ(ui.questions.size(), 1u);
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_NE(ui.messages[0].find(ui.file), std::string::npos) << ui.messages[0];
        for (const std::string& p : pictures)
            EXPECT_TRUE(testutil::readFile(p) == "del usuario " + p) << p << " replaced";
        fs::permissions(ui.file, fs::perms::owner_write, fs::perm_options::add);
    }
    {
        RecordingServices yes;
        yes.answerYes = true;
        Trigger("ImprimirRedes1");
        EXPECT_TRUE(yes.messages.empty()) << yes.messages.front();
        for (const std::string& p : pictures)
            EXPECT_METAFILE_SOUND(testutil::CheckMetafile(p));
    }
    for (const auto& e : fs::directory_iterator(tmp.path()))
        EXPECT_EQ(e.path().filename().string().find(".velmora-"), std::string::npos) << e.path() << " left aside";
}

// What the user did on the open network outlives the steps that open other
// networks or print pages of the view: a batch of the open network without
// "Zoom=", the phase report and the multi-page window opened and closed. The
// counts loaded stay in the grid, the window zoomed and panned stays (and is the
// batch's picture), "Vista Anterior" steps back to the whole network, and the
// theme's scale reaches neither the scale dialog nor the view; the links the
// user selected stay selected and listed, and the user's polygons stay, though
// the definition names polygons of its own for the other network. "Generar
// Planillas" of another network gives the user's network back the same way,
// and the phase window keeps its list and junction. A
// pending text edit is asked about once before a step that opens networks:
// "Cancelar", or "Sí" with a save that fails, stops it with nothing done; "No"
// lets it run.
TEST_F(PrintSequences, UsersNetworkStateOutlivesBatchPhaseReportAndMultiPage)
{
    testutil::writeFile(tmp.file("conteos.dat"), " &COUNTS\r\n &end\r\n  102  101      1234\r\n");
    testutil::AnswerFileDialog(viewer, tmp.file("conteos.dat"));
    Trigger("aOpenCnt");
    const auto shownOf = [&](const char* title) {
        TStringAlignGrid* g = viewer->sagArcos;
        int col = -1;
        for (int c = 0; c < g->ColCount(); ++c)
            if (g->cell(c, 0) == title)
                col = c;
        for (int r = 1; col >= 0 && r < g->RowCount(); ++r)
            if (ZelUtils::Trim(g->cell(3, r)) == std::to_string(KDVlib::FindArco(102, 101)))
                return ZelUtils::Trim(g->cell(col, r));
        return std::string("(no hay columna o fila)");
    };
    const auto countShown = [&] { return shownOf("Conteo"); };
    const std::string count = countShown();
    ASSERT_EQ(count, "1234");
    // The listing beside the network, opened by hand while the options leave it
    // unread with the network.
    Secondary::DlgCfg().cbOpenLP->setChecked(false);
    testutil::writeFile(tmp.file("red.lpa"), " LISTING OF THE FLOWS ON CHANNEL\r\n" +
                                                 ZelUtils::Format("%6d%6d      %10.2f%10.2f%10.2f%10.2f%10.2f\r\n", 102,
                                                                  101, 0.0, 0.0, 24.0, 1500.0, 100.0) +
                                                 " LISTING OF DISAGGREGATED FLOWS\r\n");
    testutil::AnswerFileDialog(viewer, tmp.file("red.lpa"));
    Trigger("aOpenLPA");
    ASSERT_EQ(shownOf("F.Asig"), "1400.00");
    // The courses of two links, from two traces files.
    const auto course = [](int32_t a, int32_t b) {
        const TNodo& na = Nodos[KDVlib::FindNodo(a)];
        const TNodo& nb = Nodos[KDVlib::FindNodo(b)];
        return ZelUtils::Format("%d,%d,2,%.1f,%.1f,%.1f,%.1f\r\n", a, b, double(na.X), double(na.Y) + 20, double(nb.X),
                                double(nb.Y) + 20);
    };
    testutil::writeFile(tmp.file("t1.geo"), course(102, 101));
    testutil::writeFile(tmp.file("t2.geo"), course(103, 104));
    for (const char* traces : {"t1.geo", "t2.geo"}) {
        testutil::AnswerFileDialog(viewer, tmp.file(traces));
        Trigger("aOpenTraza");
    }
    const auto courses = [] {
        return Arcos[KDVlib::FindArco(102, 101)].PointCount == 3 && Arcos[KDVlib::FindArco(103, 104)].PointCount == 3;
    };
    ASSERT_TRUE(courses());
    // A drawing order imported for the links: 102-101 drawn on top (last in its tiles).
    testutil::writeFile(tmp.file("orden.csv"), "102,101\r\n");
    testutil::AnswerFileDialog(viewer, tmp.file("orden.csv"));
    Trigger("Importarorden1");
    const auto onTop = [] { return testutil::DrawnOnTop(KDVlib::FindArco(102, 101)); };
    ASSERT_TRUE(onTop());
    // The other network lies in a folder that names a background layer of its own;
    // the user's network has the layer the user loaded.
    fs::create_directory(tmp.file("otra"));
    fs::copy_file(testutil::realDataPath("siouxfalls.dat"), tmp.file("otra/sioux.dat"));
    testutil::writeFile(tmp.file("otra/sx.geo"), "1,2,680000,4820000,690000,4830000\r\n");
    testutil::writeFile(tmp.file("otra/Velmora.ini"), "[File Names]\r\nSolera1=sx.geo\r\n");
    testutil::writeFile(tmp.file("capa.geo"), "1,2,300000,6125500,300500,6125900\r\n");
    testutil::AnswerFileDialog(viewer, tmp.file("capa.geo"));
    Trigger("aOpenSolera");
    ASSERT_EQ(GeoLayers().NumGeoLayers, 1);
    // Links the user selected, and polygons of the user's; the definition names
    // polygons of its own for the other network.
    testutil::writeFile(tmp.file("red.sel"), "       102       101    2\r\n       103       104    1\r\n");
    testutil::AnswerFilesDialog(viewer, QString::fromStdString(tmp.path().string()), {"red.sel"});
    ASSERT_TRUE(livemenus::Click(viewer, "menu:Selección", "ImportaSeleccin1"));
    const auto marks = [] {
        std::string s;
        for (int32_t k = 1; k <= Network.LinkCount; ++k)
            if (Arcos[k].Mark > 0)
                s += ZelUtils::Format("%d-%d:%d ", Arcos[k].A, Arcos[k].B, Arcos[k].Mark);
        return s;
    };
    ASSERT_EQ(marks(), "102-101:2 103-104:1 ");
    Trigger("aVistaGeneral1"); // the import showed the selection
    testutil::writeFile(tmp.file("mios.plg"), "1;Mio;4;255;2;65280;1;300000;6125500;300500;6125500;300500;6126000;"
                                              "300000;6126000;300250;6125750\r\n");
    testutil::writeFile(tmp.file("otra/suyos.plg"), "5;Suyo;3;0;1;0;1;680000;4820000;690000;4820000;690000;4830000;"
                                                    "685000;4825000\r\n");
    testutil::AnswerFileDialog(viewer, tmp.file("mios.plg"), 0);
    Trigger("aImportar1");
    ASSERT_EQ(NumPoligonos, 1);
    // The link grid sorted by a title, Shift+click, descending.
    viewer->tnDatos->setCurrentWidget(viewer->tsArcos);
    QApplication::processEvents();
    for (int k = 0; k < 2; ++k)
        testutil::ShiftClickTitle(viewer->sagArcos, 5);
    const auto rowsShown = [&] { return testutil::ColumnShown(viewer->sagArcos, 3); };
    const std::string sorted = rowsShown();
    ASSERT_NE(sorted.substr(0, 4), "1 2 ");
    // A block of rows chosen in it: a click, then a Shift+click.
    const auto chooseBlock = [&] {
        const auto rowAt = [&](int r) {
            return viewer->sagArcos->visualRect(viewer->sagArcos->model()->index(r - 1, 1)).center();
        };
        QTest::mouseClick(viewer->sagArcos->viewport(), Qt::LeftButton, Qt::NoModifier, rowAt(2));
        QTest::mouseClick(viewer->sagArcos->viewport(), Qt::LeftButton, Qt::ShiftModifier, rowAt(4));
        ASSERT_EQ(viewer->sagArcos->Selection().Bottom, 4);
    };
    // A formula column of the user's, which every step gives back computed on its data.
    ASSERT_TRUE(testutil::MakeFormulaColumn(viewer, Secondary::DlgFormula(), false, {"Cap"}, "Doble", "A*2"));
    ASSERT_EQ(testutil::FormulaColumnCheck(viewer->sagArcos, "Doble", "Cap"), "");
    TKDVscale& scale = Secondary::KDVscale();
    const bool fixed = scale.Fixed->isChecked();
    const float rangeMax = UserView().RangeMax;
    DefineNetworks("[General]\r\nDocumentoWord=lote.doc\r\n[Tema]\r\nVerNombreNodos=1\r\nValorMaximo=777\r\n"
                   "Fixed=1\r\n[Red]\r\nRedPalvon=red.dat\r\nVarVolumen=Cap\r\n[Otra]\r\nRedPalvon=otra/sioux.dat\r\n"
                   "VarVolumen=Cap\r\nPoligonos=otra/suyos.plg\r\n");

    // The phase window on the network's junction.
    ASSERT_TRUE(livemenus::Click(viewer, QStringLiteral("menu:Procesos>Análisis de Intersecciones"), "Visualizacion"));
    TFrmFases& fases = Secondary::FrmFases();
    const int32_t listed = KDVFases::ListedCount(), shown = NodoActual;
    const QString junction = fases.windowTitle();
    ASSERT_GT(listed, 0);

    TOxrImage* map = viewer->img;
    const TZoomSlot whole = Zoom::CurrentView();
    const auto pixel = [&](int32_t node) {
        const int32_t n = KDVlib::FindNodo(node);
        return QPoint(map->WorldToPixelX(Nodos[n].X), map->WorldToPixelY(Nodos[n].Y));
    };
    const auto drag = [&](QPoint from, QPoint to) {
        QTest::mousePress(map, Qt::LeftButton, {}, from);
        QTest::mouseMove(map, to);
        QTest::mouseRelease(map, Qt::LeftButton, {}, to);
    };
    // Answers the question about the text with `answer`.
    QStringList asked;
    QMessageBox::StandardButton answer = QMessageBox::Cancel;
    QTimer boxes;
    QObject::connect(&boxes, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (QAbstractButton* b = box && box->isVisible() ? box->button(answer) : nullptr) {
            asked << box->text();
            b->click();
        }
    });
    boxes.start(5);

    struct Step {
        const char* name;
        std::function<void()> run;
        std::string output; // what the step writes when it runs
        std::function<void()> choose = {}; // answers the step's own file dialog, shown first
    };
    const std::vector<Step> steps = {
        {"lote", [&] { Trigger("ImprimirRedes1"); }, "red_Cap.emf"},
        {"fases", [&] { livemenus::Find(&Secondary::FrmFases(), QStringLiteral("ImprimirFases"))->trigger(); },
         "lote.doc"},
        {"varias paginas",
         [&] {
             WhenModalShown(viewer, [](QWidget* d) { ClickToolButton(d, QStringLiteral("tbExit")); });
             Trigger("aMultiPrint");
         },
         ""},
        {"planillas", [&] { Trigger("GenerarPlanillas1"); }, "otra/sioux_arcos.csv",
         [&] { testutil::AnswerFilesDialog(viewer, QString::fromStdString(tmp.file("otra")), {"sioux.dat"}, 0); }},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        // A zoom box about node 102, then the window panned a little.
        drag(pixel(102) - QPoint(60, 60), pixel(102) + QPoint(60, 60));
        ASSERT_EQ(UserView().ZoomIndex, 2);
        viewer->SetDown(Cmd::tbMove, true);
        drag({300, 300}, {320, 310});
        viewer->SetDown(Cmd::tbMove, false);
        const TZoomSlot window = Zoom::CurrentView();
        ASSERT_NE(window.MinX, UserView().ZoomHistory[2].MinX);
        const QImage before = MapPicture();
        const QString status = viewer->StatusPanel(0);
        FrmDat->show();
        QTest::keyClicks(FrmDat->mmDat, "*");
        ASSERT_TRUE(FrmDat->IsModified());
        const std::string text = testutil::readFile(tmp.file("red.dat"));

        const bool opens = !step.output.empty();
        for (const auto button : {QMessageBox::Cancel, QMessageBox::Yes, QMessageBox::No}) {
            if (!opens && button != QMessageBox::No)
                continue;
            SCOPED_TRACE(button);
            asked.clear();
            if (opens)
                fs::remove(tmp.file(step.output));
            answer = button;
            const bool failedSave = button == QMessageBox::Yes;
            std::optional<RecordingServices> ui; // the failure's message
            if (step.choose)
                step.choose();
            if (failedSave) {
                ui.emplace();
                fs::permissions(tmp.file("red.dat"), fs::perms::owner_read);
                testutil::AnswerFileDialog(viewer, tmp.file("red.dat"));
            }
            chooseBlock();
            step.run();
            testutil::settle();
            if (failedSave)
                fs::permissions(tmp.file("red.dat"), fs::perms::owner_read | fs::perms::owner_write);
            EXPECT_EQ(asked.size(), opens ? 1 : 0) << asked.join('|').toStdString();
            if (failedSave) {
                EXPECT_EQ(ui->messages.size(), 1u);
            }
            const bool ran = button == QMessageBox::No;
            if (opens) {
                EXPECT_EQ(fs::exists(tmp.file(step.output)), ran);
            }
            EXPECT_EQ(FrmDat->IsModified(), !(ran && opens));
            EXPECT_EQ(testutil::readFile(tmp.file("red.dat")), text);
            EXPECT_EQ(viewer->StatusPanel(0), status);
            EXPECT_EQ(countShown(), count);
            EXPECT_EQ(shownOf("F.Asig"), "1400.00");
            EXPECT_TRUE(courses()) << "a course read from the first traces file is lost";
            EXPECT_TRUE(onTop()) << "the links' drawing order is lost";
            EXPECT_EQ(testutil::FormulaColumnCheck(viewer->sagArcos, "Doble", "Cap"), "");
            EXPECT_EQ(rowsShown(), sorted);
            const TGridRect block = viewer->sagArcos->Selection();
            EXPECT_TRUE(block.Top == 2 && block.Bottom == 4) << block.Top << "-" << block.Bottom;
            const TZoomSlot now = Zoom::CurrentView();
            EXPECT_TRUE(now.MinX == window.MinX && now.MinY == window.MinY && now.MaxX == window.MaxX &&
                        now.MaxY == window.MaxY);
            EXPECT_TRUE(MapPicture() == before) << "the map shows another window";
            EXPECT_EQ(scale.Fixed->isChecked(), fixed);
            EXPECT_EQ(UserView().ScaleFixed, fixed);
            EXPECT_EQ(UserView().RangeMax, rangeMax);
            EXPECT_EQ(GeoLayers().NumGeoLayers, 1);
            EXPECT_EQ(GeoLayers().GeoLayerFiles[1], tmp.file("capa.geo"));
            EXPECT_EQ(marks(), "102-101:2 103-104:1 ");
            EXPECT_EQ(viewer->sagArcosSel->RowCount(), 3);
            EXPECT_TRUE(NumPoligonos == 1 && Poligonos[0].Name == "Mio") << Poligonos[0].Name;
            EXPECT_EQ(viewer->Polygons().PolygonFileName, tmp.file("mios.plg"));
            // As they are in that file: leaving asks nothing about them.
            EXPECT_FALSE(viewer->Polygons().PolygonsUnsaved());
            EXPECT_TRUE(viewer->Down(Cmd::tbPoligonos));
            EXPECT_EQ(KDVFases::ListedCount(), listed);
            EXPECT_EQ(NodoActual, shown);
            EXPECT_EQ(fases.windowTitle(), junction);
        }
        if (step.output == "red_Cap.emf") {
            // The batch's picture is the user's window: node 102, not the far corner.
            const testutil::TMetafileReport r = testutil::CheckMetafile(tmp.file(step.output));
            EXPECT_TRUE(r.HasText(QStringLiteral("102"))) << r.texts.join('|').toStdString();
            EXPECT_FALSE(r.HasText(QStringLiteral("301"))) << r.texts.join('|').toStdString();
        }
        QAction* previous = livemenus::Find(viewer, "aVistaAnterior");
        EXPECT_TRUE(previous->isEnabled());
        previous->trigger();
        EXPECT_EQ(UserView().ZoomIndex, 1);
        const TZoomSlot back = Zoom::CurrentView();
        EXPECT_TRUE(back.MinX == whole.MinX && back.MaxY == whole.MaxY) << "Vista Anterior did not step back";
    }
    Secondary::DlgCfg().cbOpenLP->setChecked(true);
}

// A node moved with "Mover", left unsaved: "Imprimir Redes" over another
// network asks nothing, and the node is where the user left it afterwards,
// still unsaved.
TEST_F(PrintSequences, BatchKeepsTheUsersUnsavedNodeMoves)
{
    fs::copy_file(testutil::realDataPath("siouxfalls.dat"), tmp.file("sioux.dat"));
    DefineNetworks("[General]\r\n[Tema]\r\n[Otra]\r\nRedPalvon=sioux.dat\r\nVarVolumen=Cap\r\n");
    TOxrImage* map = viewer->img;
    const int32_t n = KDVlib::FindNodo(102);
    const QPoint from(map->WorldToPixelX(Nodos[n].X), map->WorldToPixelY(Nodos[n].Y)), to = from + QPoint(30, 20);
    Trigger("NodeMove");
    QTest::mouseMove(map, from);
    QTest::mousePress(map, Qt::LeftButton, Qt::NoModifier, from);
    QTest::mouseMove(map, to);
    QTest::mouseRelease(map, Qt::LeftButton, Qt::NoModifier, to);
    const float x = Nodos[n].X, y = Nodos[n].Y;
    ASSERT_FLOAT_EQ(x, float(map->PixelToWorldX(to.x())));
    ASSERT_TRUE(Network.PositionsUnsaved);

    QStringList asked;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&asked] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            asked << box->text();
            box->button(QMessageBox::No)->click();
        }
    });
    watch.start(5);
    Trigger("ImprimirRedes1");
    watch.stop();
    EXPECT_TRUE(asked.isEmpty()) << asked.join('|').toStdString();
    EXPECT_TRUE(fs::exists(tmp.file("sioux_Cap.emf")));
    EXPECT_EQ(DatFileName, "red.dat");
    const int32_t again = KDVlib::FindNodo(102);
    EXPECT_FLOAT_EQ(Nodos[again].X, x);
    EXPECT_FLOAT_EQ(Nodos[again].Y, y);
    const TArcos& link = Arcos[KDVlib::FindArco(102, 103)];
    EXPECT_FLOAT_EQ(float(link.Points[1].x), x) << "the link no longer ends on the node";
    EXPECT_EQ(viewer->sagNodos->cell(1, again), ZelUtils::Trim(ZelUtils::Format(XYFormat, double(x))));
    EXPECT_TRUE(Network.PositionsUnsaved);
}

// With no printer installed the print says how to get one; the PDF chosen then
// takes effect, and keeps taking effect after line sheets and the
// generation/attraction pictures and a phase report.
TEST_F(PrintSequences, FailedPrintLeavesThePrinterUsable)
{
    // What Qt gives when no printer is installed: a PDF printer without a file.
    Printer().setOutputFormat(QPrinter::PdfFormat);
    Printer().setOutputFileName(QString());
    {
        RecordingServices ui;
        PrintFromPreview();
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_NE(ui.messages[0].find("No hay impresora disponible"), std::string::npos) << ui.messages[0];
    }
    const std::string pdf = tmp.file("mapa.pdf");
    ChoosePdf(QString::fromStdString(pdf));
    PrintFromPreview();
    ASSERT_TRUE(fs::exists(pdf));
    EXPECT_TRUE(PdfText(pdf).contains(QString::fromStdString(GeneratedBy)));

    fs::remove(pdf);
    testutil::writeFile(tmp.file("lineas.ini"), "[Hoja]\r\nTitulo=Hoja\r\nLamina=hoja\r\nLineas=L01\r\n");
    testutil::AnswerFileDialog(viewer, tmp.file("lineas.ini"));
    Trigger("Parmetros1");
    Trigger("ImprimirGenAtr1");
    // The phase report of a definition, from the phase window's print menu.
    testutil::writeFile(tmp.file("fases.ini"), "[General]\r\nDocumentoWord=fases.doc\r\n[Uno]\r\nRedPalvon=red.dat\r\n");
    testutil::AnswerFileDialog(viewer, tmp.file("fases.ini"));
    Trigger("DefinirRedes1");
    NodoEnLista[KDVlib::FindNodo(103)] = 1;
    livemenus::Find(&Secondary::FrmFases(), QStringLiteral("ImprimirFases"))->trigger();
    ASSERT_TRUE(fs::exists(tmp.file("fases.doc")));
    PrintFromPreview();
    EXPECT_TRUE(fs::exists(pdf));
    EXPECT_EQ(Printer().outputFileName().toStdString(), pdf);
}

namespace {

// Disk of a folder of its own, where the system lets one be mounted (as root): a
// small memory disk that can be filled up. Taken away again at the end of its scope.
class TSmallDisk {
public:
    explicit TSmallDisk(const fs::path& folder) : folder_(folder)
    {
        mounted_ = ::mount("tmpfs", folder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=2m,mode=0755") == 0;
    }
    ~TSmallDisk()
    {
        if (mounted_)
            ::umount2(folder_.c_str(), MNT_DETACH);
    }
    bool Mounted() const { return mounted_; }

private:
    fs::path folder_;
    bool mounted_ = false;
};

} // namespace

// A PDF print that cannot be written whole leaves the earlier PDF byte for byte and
// says so once, whatever stops it: a read-only file or folder (for root, by their
// permission bits; for another user, as the system refuses them), a full disk, a
// file-size limit, or kill -9 half way (its scratch file goes at the next print in
// the folder). The next print writes the PDF again.
// A PDF printed from one network is not silently replaced by the print of the
// next network opened: the user is asked, and "No" prints under the name of the
// network now open.
TEST_F(PrintSequences, PrintOfAnotherNetworkAsksBeforeReplacingTheEarlierPdf)
{
    std::string pdf = tmp.file("chicago-edit.pdf");
    ChoosePdf(QString::fromStdString(pdf));
    PrintFromPreview();
    for (const char* network : {"otra", "tercera"}) {
        SCOPED_TRACE(network);
        const bool replace = std::string(network) == "tercera";
        const std::string earlier = testutil::readFile(pdf);
        ASSERT_EQ(earlier.substr(0, 4), "%PDF");
        fs::copy_file(testutil::realDataPath(replace ? "anaheim.dat" : "siouxfalls.dat"),
                      tmp.file(std::string(network) + ".dat"));
        ASSERT_TRUE(viewer->Files().AbrirRedPalvon(tmp.file(std::string(network) + ".dat")));
        RecordingServices ui;
        ui.answerYes = replace;
        PrintFromPreview();
        ASSERT_EQ(ui.questions.size(), 1u);
        EXPECT_NE(ui.questions[0].find(pdf), std::string::npos) << ui.questions[0];
        const std::string own = tmp.file(std::string(network) + ".pdf");
        EXPECT_EQ(testutil::readFile(pdf) == earlier, !replace);
        EXPECT_EQ(fs::exists(own), !replace);
        if (!replace)
            pdf = own; // the name the printer now holds
        // The same network printed again replaces its own PDF unasked.
        PrintFromPreview();
        EXPECT_EQ(ui.questions.size(), 1u);
        EXPECT_EQ(testutil::readFile(pdf).substr(0, 4), "%PDF");
    }
}

TEST_F(PrintSequences, PdfCutShortKeepsTheEarlierPdf)
{
    const fs::path folder = tmp.path() / "salida";
    fs::create_directories(folder);
    const TSmallDisk disk(folder);
    const std::string pdf = (folder / "mapa.pdf").string();
    ChoosePdf(QString::fromStdString(pdf));
    PrintFromPreview();
    const std::string earlier = testutil::readFile(pdf);
    ASSERT_GT(earlier.size(), 4000u);
    const std::string filler = (folder / "relleno.bin").string();

    // Where the print runs: here, in a child process of the user "nobody", or in a
    // child killed (kill -9) once its PDF has grown to half the earlier one's size.
    enum class TRun { Here, AsNobody, Killed };
    struct TCase {
        const char* name;
        TRun run;
        std::function<void()> before, after;
        const char* reason;
    };
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    std::vector<TCase> cases = {
        {"file-size limit", TRun::Here,
         [&] {
             std::signal(SIGXFSZ, SIG_IGN);
             rlimit small{3000, saved.rlim_max};
             ::setrlimit(RLIMIT_FSIZE, &small);
         },
         [&] {
             ::setrlimit(RLIMIT_FSIZE, &saved);
             std::signal(SIGXFSZ, SIG_DFL);
         },
         "supera el tama"},
        {"read-only file", TRun::Here, [&] { fs::permissions(pdf, fs::perms(0444)); },
         [&] { fs::permissions(pdf, fs::perms(0644)); }, "es de solo lectura"},
        {"read-only folder", TRun::Here, [&] { fs::permissions(folder, fs::perms(0555)); },
         [&] { fs::permissions(folder, fs::perms(0755)); }, "la carpeta es de solo lectura"},
        {"killed half way", TRun::Killed, [] {}, [] {}, ""},
    };
    if (::geteuid() == 0) {
        // Root's file and folder, writable by root only.
        cases.insert(cases.begin() + 3,
                     {{"read-only file, another user", TRun::AsNobody, [&] { fs::permissions(folder, fs::perms(0777)); },
                       [&] { fs::permissions(folder, fs::perms(0755)); }, "es de solo lectura"},
                      {"read-only folder, another user", TRun::AsNobody, [&] { fs::permissions(pdf, fs::perms(0666)); },
                       [&] { fs::permissions(pdf, fs::perms(0644)); }, "la carpeta es de solo lectura"}});
    } else {
        std::cerr << "[ NOTE ] not run as root: the other user's rows are those above\n";
    }
    if (disk.Mounted()) {
        // The disk filled up but for half of the earlier PDF.
        cases.insert(cases.begin() + 1,
                     {"full disk", TRun::Here,
                      [&] {
                          struct statvfs st {};
                          ASSERT_EQ(::statvfs(folder.c_str(), &st), 0);
                          const uint64_t free = uint64_t(st.f_bavail) * st.f_frsize;
                          ASSERT_GT(free, earlier.size());
                          testutil::writeFile(filler, std::string(free - earlier.size() / 2, 'x'));
                      },
                      [&] { fs::remove(filler); }, "no queda espacio en el disco"});
    } else {
        std::cerr << "[ NOTE ] no disk of its own could be mounted: the full disk row is not run\n";
    }
    const std::string told = "No se pudo grabar el archivo " + pdf;
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        Trigger("aPrint1");
        testutil::settle();
        c.before();
        if (c.run == TRun::Here) {
            RecordingServices ui;
            ClickToolButton(viewer->Printing().Preview(), QStringLiteral("tbPrint"));
            c.after();
            ASSERT_EQ(ui.messages.size(), 1u);
            EXPECT_NE(ui.messages[0].find(told), std::string::npos) << ui.messages[0];
            EXPECT_NE(ui.messages[0].find(c.reason), std::string::npos) << ui.messages[0];
        } else {
            const pid_t pid = testutil::Fork();
            if (pid == 0) {
                rlimit core{0, 0};
                ::setrlimit(RLIMIT_CORE, &core);
                if (c.run == TRun::AsNobody) {
                    if (::setgroups(0, nullptr) != 0 || ::setresgid(65534, 65534, 65534) != 0 ||
                        ::setresuid(65534, 65534, 65534) != 0)
                        ::_exit(2);
                } else {
                    // Killed outright the moment its writes pass the limit.
                    std::signal(SIGXFSZ, [](int) { ::kill(::getpid(), SIGKILL); });
                    const rlim_t half = earlier.size() / 2;
                    rlimit small{half, half};
                    ::setrlimit(RLIMIT_FSIZE, &small);
                }
                // Never back into the test: its end would remove the folder the parent uses.
                try {
                    RecordingServices ui;
                    ClickToolButton(viewer->Printing().Preview(), QStringLiteral("tbPrint"));
                    ::_exit(ui.messages.size() == 1 && ui.messages[0].find(told) != std::string::npos &&
                                    ui.messages[0].find(c.reason) != std::string::npos
                                ? 0
                                : 1);
                } catch (...) {
                    ::_exit(3);
                }
            }
            int status = -1;
            ::waitpid(pid, &status, 0);
            c.after();
            if (c.run == TRun::Killed)
                EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "status " << status;
            else
                EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
        }
        viewer->Printing().Preview()->close();
        EXPECT_EQ(testutil::readFile(pdf), earlier);
        size_t files = 0;
        for ([[maybe_unused]] const auto& e : fs::directory_iterator(folder))
            ++files;
        // What a killed print leaves is cleared by the next one.
        EXPECT_EQ(files, c.run == TRun::Killed ? 2u : 1u) << "scratch files";
    }
    PrintFromPreview();
    EXPECT_TRUE(PdfText(pdf).contains(QString::fromStdString(GeneratedBy)));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
}

// Line sheets say what they cannot show: none at all while transit lines are
// not read ("Omitir rutas fijas", the default), and the names that match no
// line. The sheets draw their routes and titles on their own: the user's title
// box, buttons and lines shown stay as they were; each line of a sheet takes the
// colour of its place in the sheet's list.
TEST_F(PrintSequences, LineSheetsSayWhatTheyCannotShow)
{
    testutil::writeFile(tmp.file("lineas.ini"), "[Hoja2]\r\nTitulo=Segunda\r\nLamina=hoja2\r\nLineas=L02, L99\r\n"
                                                "[Hoja1]\r\nTitulo=Red de buses\r\nLamina=hoja1\r\nLineas=L01\r\n");
    {
        RecordingServices ui;
        testutil::AnswerFileDialog(viewer, tmp.file("lineas.ini"));
        Trigger("Parmetros1");
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_NE(ui.messages[0].find("Incluir rutas fijas"), std::string::npos) << ui.messages[0];
        EXPECT_FALSE(fs::exists(tmp.file("hoja1.emf")));
    }

    Secondary::DlgCfg().RutasFijas->SetItemIndex(0);
    ASSERT_TRUE(viewer->Files().AbrirRedPalvon(tmp.file("red.dat")));
    ASSERT_GT(Network.LineCount, 1);
    const std::string title = viewer->tit->toPlainText().toStdString();
    const auto buttons = CommandStates(viewer);
    std::vector<uint8_t> shown;
    for (int32_t i = 1; i <= Network.LineCount; ++i)
        shown.push_back(Lineas[i].Visible);
    RecordingServices ui;
    testutil::AnswerFileDialog(viewer, tmp.file("lineas.ini"));
    Trigger("Parmetros1");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].find("hoja2.emf: L99"), std::string::npos) << ui.messages[0];
    EXPECT_EQ(ui.messages[0].find("L02"), std::string::npos) << ui.messages[0];
    EXPECT_TRUE(testutil::CheckMetafile(tmp.file("hoja2.emf")).HasText(QStringLiteral("Segunda")));
    const testutil::TMetafileReport sheet = testutil::CheckMetafile(tmp.file("hoja1.emf"));
    EXPECT_TRUE(sheet.HasText(QStringLiteral("Red de buses")));
    // Its arrowheads (open, three points, in the line's colour) are one screen
    // pixel on paper: a quarter of the route's four-pixel pen, not a hairline.
    int heads = 0, route = 0;
    for (const auto& s : sheet.strokes)
        if (s.colour == 0x4080FFu) {
            if (s.points == 3 && ++heads)
                EXPECT_NEAR(s.width, std::lround(PrintLayers::Factor(UserView())), 1) << s.width;
            else
                route = std::max(route, s.width);
        }
    EXPECT_GE(heads, 1);
    EXPECT_GT(PrintLayers::Factor(UserView()), 2.0);
    EXPECT_EQ(route, std::lround(4 * PrintLayers::Factor(UserView())));
    EXPECT_EQ(viewer->tit->toPlainText().toStdString(), title);
    EXPECT_EQ(CommandStates(viewer), buttons);
    for (int32_t i = 1; i <= Network.LineCount; ++i)
        EXPECT_EQ(Lineas[i].Visible, shown[size_t(i - 1)]) << i;

    // The last sheet rendered: L01, first of its list, in $4080FF (orange) at
    // the middle of its leg from stop 101 to stop 102, on both sides of the link.
    const testutil::TLegScan leg = testutil::ScanAcrossLeg(viewer->Printing().Page(), 101, 102);
    int orange = 0;
    for (int t = -40; t <= 40; ++t) {
        const QRgb c = leg.At(t);
        orange += qRed(c) > 200 && qGreen(c) > 90 && qGreen(c) < 170 && qBlue(c) < 110;
    }
    EXPECT_GE(orange, 4);
}

// The generation/attraction pictures show each column's bars whatever the zone
// layer and "Mostrar" show on the map (both off by default), so two columns give
// two different pictures, neither carrying a line sheet's title printed before.
TEST_F(PrintSequences, GenerationAttractionPicturesShowTheirColumns)
{
    testutil::writeFile(tmp.file("lineas.ini"), "[Hoja]\r\nTitulo=Titulo de la hoja\r\nLamina=hoja\r\n");
    Secondary::DlgCfg().RutasFijas->SetItemIndex(0);
    ASSERT_TRUE(viewer->Files().AbrirRedPalvon(tmp.file("red.dat")));
    testutil::AnswerFileDialog(viewer, tmp.file("lineas.ini"));
    Trigger("Parmetros1");

    ASSERT_TRUE(LoadFourZonesGenatr());
    const auto buttons = CommandStates(viewer);
    const int32_t column = UserView().GenatrCol;
    Trigger("ImprimirGenAtr1");
    EXPECT_EQ(CommandStates(viewer), buttons);
    EXPECT_EQ(UserView().GenatrCol, column) << "each picture's column is its own view's";
    const std::string morning = testutil::readFile(tmp.file("gaManana.emf"));
    const std::string evening = testutil::readFile(tmp.file("gaTarde.emf"));
    ASSERT_FALSE(morning.empty());
    EXPECT_NE(morning, evening);
    for (const char* name : {"gaManana.emf", "gaTarde.emf"}) {
        const testutil::TMetafileReport r = testutil::CheckMetafile(tmp.file(name));
        EXPECT_METAFILE_SOUND(r);
        EXPECT_FALSE(r.HasText(QStringLiteral("Titulo de la hoja"))) << name;
        // The bars carry their values.
        EXPECT_TRUE(r.HasText(QStringLiteral("400")) || r.HasText(QStringLiteral("310"))) << name << ": "
                                                                                           << r.texts.join('|').toStdString();
    }
}

namespace {

// Answers yes to the question about files already there, after the fault (when
// any) struck the folder while the question waited.
class FaultWhileAsked : public RecordingServices {
public:
    bool AskYesNo(const std::string& text) override
    {
        if (fault)
            fault();
        return RecordingServices::AskYesNo(text);
    }
    std::function<void()> fault;
};

} // namespace

// Each set of pictures (the generation/attraction pictures, the pages of
// "Imprimir en varias páginas" as metafiles or as JPEG) replaces the earlier set
// all or none: with one of its names taken by a folder while the replace
// question waited, every earlier file stays as it was and the user is told once;
// otherwise every file of the set is new. Either way nothing is left beside them.
TEST_F(PrintSequences, EachSetOfPicturesReplacesTheEarlierAllOrNone)
{
    Secondary::DlgCfg().RutasFijas->SetItemIndex(0);
    ASSERT_TRUE(viewer->Files().AbrirRedPalvon(tmp.file("red.dat")));
    ASSERT_GT(Network.LineCount, 1);
    testutil::writeFile(tmp.file("lineas.ini"), "[Hoja1]\r\nTitulo=Uno\r\nLamina=hoja1\r\nLineas=L01\r\n"
                                                "[Hoja2]\r\nTitulo=Dos\r\nLamina=hoja2\r\nLineas=L02\r\n");
    ASSERT_TRUE(LoadFourZonesGenatr());
    // The pages (1, 1) and (2, 2) of the multi-page window saved under `name`.
    const auto savePages = [&](const std::string& name) {
        WhenModalShown(viewer, [&, name](QWidget* w) {
            auto* window = qobject_cast<TDlgPrint*>(w);
            ASSERT_NE(window, nullptr);
            testutil::settle();
            auto* grd = window->findChild<QWidget*>(QStringLiteral("grd"));
            const TPageGrid& g = window->Grid();
            for (const auto& [i, j] : {std::pair{1, 1}, std::pair{2, 2}})
                if (!g.Page(i, j).Selected)
                    QTest::mouseClick(grd, Qt::LeftButton, {}, QPoint(g.Page(i, j).Left + 3, g.Page(i, j).Top + 3));
            if (window->PrtMapa->isChecked())
                QTest::mouseClick(window->PrtMapa, Qt::LeftButton);
            testutil::AnswerFileDialog(window, name);
            ClickToolButton(window, QStringLiteral("tbSave"));
            QTest::keyClick(window, Qt::Key_Escape);
        });
        Trigger("aMultiPrint");
    };
    struct Row {
        std::function<void()> run;
        std::vector<std::string> files; // as the command names them
        bool metafiles;
        bool asks; // about the files there (the fault strikes while it waits)
    };
    const std::vector<Row> rows = {
        {[&] { Trigger("ImprimirGenAtr1"); }, {"gaManana.emf", "gaTarde.emf"}, true, true},
        {[&] { savePages(tmp.file("plan.emf")); }, {"plan_1_1.EMF", "plan_2_2.EMF"}, true, true},
        {[&] { savePages(tmp.file("plan.jpg")); }, {"plan_1_1.JPG", "plan_2_2.JPG"}, false, true},
        {[&] {
             testutil::AnswerFileDialog(viewer, tmp.file("lineas.ini"));
             Trigger("Parmetros1");
         },
         {"hoja1.emf", "hoja2.emf"}, true, false},
    };
    // The hidden names of the folder, where files are written aside.
    const auto hidden = [&] {
        std::set<std::string> names;
        for (const auto& e : fs::directory_iterator(tmp.path()))
            if (e.path().filename().string()[0] == '.')
                names.insert(e.path().filename().string());
        return names;
    };
    const std::set<std::string> noneAside = hidden();
    for (const Row& row : rows) {
        for (const std::string& f : row.files)
            testutil::writeFile(tmp.file(f), "del usuario " + f);
        const std::string last = tmp.file(row.files.back());
        {
            FaultWhileAsked ui;
            ui.answerYes = true;
            ui.fault = [&] {
                fs::remove(last);
                fs::create_directory(last);
            };
            if (!row.asks)
                ui.fault();
            row.run();
            EXPECT_EQ(ui.questions.size(), row.asks ? 1u : 0u) << row.files[0];
            EXPECT_EQ(ui.messages.size(), 1u) << row.files[0];
            for (size_t k = 0; k + 1 < row.files.size(); ++k)
                EXPECT_TRUE(testutil::readFile(tmp.file(row.files[k])) == "del usuario " + row.files[k]) << row.files[k];
            EXPECT_EQ(hidden(), noneAside) << row.files[0];
        }
        fs::remove(last);
        testutil::writeFile(last, "del usuario " + row.files.back());
        FaultWhileAsked ui;
        ui.answerYes = true;
        row.run();
        EXPECT_TRUE(ui.messages.empty()) << row.files[0] << ": " << (ui.messages.empty() ? "" : ui.messages[0]);
        EXPECT_EQ(hidden(), noneAside) << row.files[0];
        for (const std::string& f : row.files) {
            if (row.metafiles) {
                const testutil::TMetafileReport r = testutil::CheckMetafile(tmp.file(f));
                EXPECT_METAFILE_SOUND(r);
                EXPECT_TRUE(r.HasText(QString::fromStdString(GeneratedBy))) << f;
            } else {
                const QImage page(QString::fromStdString(tmp.file(f)), "JPG");
                EXPECT_FALSE(page.isNull()) << f;
            }
        }
    }
}

// Every page of a set saved with "Todas" over an earlier set with more pages per
// side: the earlier pages beyond the new grid are named in the one question and
// go with its yes; "No" leaves every earlier page as it was. Files of another
// kind or name under the same folder stay.
TEST_F(PrintSequences, PagesOfALargerEarlierSetGoWithTheNewSet)
{
    const auto saveAll = [&](int perSide, bool yes) {
        RecordingServices ui;
        ui.answerYes = yes;
        WhenModalShown(viewer, [&, perSide](QWidget* w) {
            auto* window = qobject_cast<TDlgPrint*>(w);
            ASSERT_NE(window, nullptr);
            testutil::settle();
            window->spCount->setFocus();
            QTest::keyClick(window->spCount, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(window->spCount, QString::number(perSide));
            ClickToolButton(window, QStringLiteral("tbSelAll"));
            testutil::AnswerFileDialog(window, tmp.file("plan.emf"));
            ClickToolButton(window, QStringLiteral("tbSave"));
            QTest::keyClick(window, Qt::Key_Escape);
        });
        Trigger("aMultiPrint");
        EXPECT_TRUE(ui.messages.empty()) << ui.messages.front();
        return ui.questions;
    };
    const auto page = [&](int i, int j) { return tmp.file(ZelUtils::Format("plan_%d_%d.EMF", i, j)); };
    EXPECT_TRUE(saveAll(3, true).empty());
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j)
            testutil::writeFile(page(i, j), ZelUtils::Format("anterior %d %d", i, j));
    testutil::writeFile(tmp.file("plan_3_3.JPG"), "otra clase");
    for (const bool yes : {false, true}) {
        const std::vector<std::string> asked = saveAll(2, yes);
        ASSERT_EQ(asked.size(), 1u);
        EXPECT_NE(asked[0].find(page(3, 1)), std::string::npos) << asked[0];
        EXPECT_NE(asked[0].find(page(2, 2)), std::string::npos) << asked[0];
        for (int i = 1; i <= 3; ++i)
            for (int j = 1; j <= 3; ++j) {
                const bool earlier = testutil::readFile(page(i, j)) == ZelUtils::Format("anterior %d %d", i, j);
                EXPECT_EQ(earlier, !yes) << page(i, j);
                EXPECT_EQ(fs::exists(page(i, j)), !yes || (i <= 2 && j <= 2)) << page(i, j);
            }
    }
    for (int i = 1; i <= 2; ++i)
        for (int j = 1; j <= 2; ++j) {
            const testutil::TMetafileReport r = testutil::CheckMetafile(page(i, j));
            EXPECT_METAFILE_SOUND(r);
            EXPECT_TRUE(r.HasText(QString::fromStdString(ZelUtils::Format("(%d,%d)", i, j)))) << page(i, j);
        }
    EXPECT_EQ(testutil::readFile(tmp.file("plan_3_3.JPG")), "otra clase");
}

// Every number of the colour chart reads on its cell: black on the light cells,
// white on the black one (number 140, top right).
TEST_F(PrintSequences, ColourChartNumbersReadOnTheirCells)
{
    testutil::AnswerFileDialog(viewer, tmp.file("colores.emf"));
    Trigger("ImprimirColores1");
    const testutil::TMetafileReport r = testutil::CheckMetafile(tmp.file("colores.emf"));
    EXPECT_METAFILE_SOUND(r);
    ASSERT_EQ(r.texts.size(), 140);
    ASSERT_EQ(r.textColours.size(), 140u);
    for (int i = 0; i < 140; ++i) {
        if (r.texts[i] == QStringLiteral("140")) {
            EXPECT_EQ(r.textColours[size_t(i)], 0xFFFFFFu);
        } else if (r.texts[i] == QStringLiteral("1") || r.texts[i] == QStringLiteral("126")) {
            EXPECT_EQ(r.textColours[size_t(i)], 0u) << r.texts[i].toStdString();
        }
    }
}

// From the menus, a definition naming a document outside its folder, new or
// existing, or a network or a file of its own that is not there, and a line-sheet
// file naming a sheet outside its folder, are refused with one message: nothing
// is written, inside the folder or outside it.
TEST_F(PrintSequences, DefinitionsNamingFilesOutsideTheirFolderAreRefused)
{
    fs::create_directories(tmp.path() / "a" / "lote");
    fs::create_directories(tmp.path() / "a" / "fuera");
    fs::create_directories(tmp.path() / "otro");
    fs::copy_file(tmp.file("red.dat"), tmp.file("a/lote/red.dat"));
    testutil::writeFile(tmp.file("a/fuera/victima.doc"), "notas del usuario");
    testutil::writeFile(tmp.file("a/fuera/red.emf"), "dibujo del usuario");
    testutil::writeFile(tmp.file("otro/plano.emf"), "plano del usuario");
    const auto everything = [&] {
        std::map<std::string, std::string> files;
        // The file dialogs' memory in the settings folder (the test's folder) is not
        // a file of the user's.
        for (const auto& e : fs::recursive_directory_iterator(tmp.path()))
            if (e.is_regular_file() && e.path() != tmp.path() / "QtProject.conf")
                files[e.path().string()] = testutil::readFile(e.path().string());
        return files;
    };
    struct Row {
        const char* name;
        std::string definition;
        const char* command;
        const char* command2;
        const char* said = "fuera de la carpeta";
    };
    // One section more than the definitions' table holds, the document inside.
    std::string tooMany = "[General]\r\nDocumentoWord=informe.doc\r\n";
    for (int i = 1; i <= MaxNet2Print + 1; ++i)
        tooMany += ZelUtils::Format("[R%d]\r\nRedPalvon=red.dat\r\nVariables=none\r\n", i);
    const Row rows[] = {
        {"existing document", "[General]\r\nDocumentoWord=../fuera/victima.doc\r\n[Tema]\r\n[Red]\r\nRedPalvon=red.dat\r\n"
                              "Variables=none\r\n", "DefinirRedes1", "ImprimirRedes1"},
        {"new document", "[General]\r\nDocumentoWord=../fuera/nuevo.doc\r\n[Tema]\r\n[Red]\r\nRedPalvon=red.dat\r\n"
                         "Variables=none\r\n", "DefinirRedes1", "ImprimirRedes1"},
        {"line sheet", "[Hoja]\r\nTitulo=Fuera\r\nLamina=../../otro/plano\r\nLineas=L01\r\n", "Parmetros1", nullptr},
        {"one section past the table", tooMany, "DefinirRedes1", nullptr, "302 secciones y caben 301"},
        {"polygons not there", "[General]\r\n[Tema]\r\n[Red]\r\nRedPalvon=red.dat\r\nVarColores=Cap\r\n"
                               "Poligonos=nada.plg\r\n", "DefinirRedes1", "ImprimirRedes1", "[Red] Poligonos: no se encuentra"},
        {"second network not there", "[General]\r\n[Tema]\r\n[Red]\r\nRedPalvon=red.dat\r\nVarColores=Cap\r\n"
                                     "[Otra]\r\nRedPalvon=nada.dat\r\nVarColores=Cap\r\n",
         "DefinirRedes1", "ImprimirRedes1", "[Otra] RedPalvon: no se encuentra"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QString caption = livemenus::Find(viewer, "DefinirRedes1")->text();
        testutil::writeFile(tmp.file("a/lote/lote.ini"), row.definition);
        const auto before = everything();
        RecordingServices ui;
        testutil::AnswerFileDialog(viewer, tmp.file("a/lote/lote.ini"));
        Trigger(row.command);
        if (row.command2)
            Trigger(row.command2);
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_NE(ui.messages[0].find(row.said), std::string::npos) << ui.messages[0];
        EXPECT_TRUE(ui.questions.empty());
        EXPECT_EQ(everything(), before);
        if (!row.command2) { // refused as it was read: the menu names no definition of it
            EXPECT_EQ(livemenus::Find(viewer, "DefinirRedes1")->text(), caption);
        }
    }
}

// The user's network with a listing of another name and counts loaded by hand,
// and a formula column made before the listing, the grid sorted by it and the map
// coloured by it: read again from its text, or after a batch over another network,
// the link grid shows the same columns in the same places and rows, and a colour
// choice kept names the formula column, not the listing's column now at its number.
TEST_F(PrintSequences, BatchGivesBackTheListingAndCountsLoaded)
{
    fs::copy_file(testutil::dataPath("lst_net.dat"), tmp.file("listados.dat"));
    fs::copy_file(testutil::dataPath("lst_red.lpa"), tmp.file("otra.lpa"));
    fs::copy_file(testutil::dataPath("lst_counts.dat"), tmp.file("conteos.dat"));
    ASSERT_TRUE(viewer->Files().AbrirRedPalvon(tmp.file("listados.dat")));
    ASSERT_TRUE(testutil::MakeFormulaColumn(viewer, Secondary::DlgFormula(), false, {"Cap"}, "Doble", "A*2"));
    testutil::AnswerFileDialog(viewer, tmp.file("otra.lpa"));
    Trigger("aOpenLPA");
    testutil::AnswerFileDialog(viewer, tmp.file("conteos.dat"));
    Trigger("aOpenCnt");
    ASSERT_EQ(Network.CountsLoaded, 1);
    TStringAlignGrid* links = viewer->sagArcos;
    int doble = 0;
    while (doble < links->ColCount() && links->cell(doble, 0) != "Doble")
        ++doble;
    ASSERT_LT(doble + 1, links->ColCount()) << "the listing's columns after the formula column";
    QAction* colores = livemenus::Find(viewer, "tbColores");
    emit colores->menu()->aboutToShow();
    for (QAction* v : colores->menu()->actions())
        if (v->text() == "Doble")
            v->trigger();
    ASSERT_EQ(UserView().RangeVarArcos, doble);
    // The listing's third class shown at the zones: the networks read meanwhile
    // do not offer it, the user's network read again with the listing does.
    const QString entSal = QStringLiteral("popup:BDerecho>Zonas>Entradas/Salidas");
    ASSERT_TRUE(livemenus::Click(viewer, entSal, "EntSal3"));
    viewer->tnDatos->setCurrentWidget(viewer->tsArcos);
    QApplication::processEvents();
    testutil::ShiftClickTitle(links, doble);
    const auto grid = [&] {
        std::vector<std::string> cells;
        for (int pos = 0; pos < links->ColCount(); ++pos)
            cells.push_back(links->cell(links->ColAtPosition(pos), 0) + ": " +
                            testutil::ColumnShown(links, links->ColAtPosition(pos)));
        return cells;
    };
    const std::vector<std::string> before = grid();
    ASSERT_NE(testutil::ColumnShown(links, 3).substr(0, 4), "1 2 ");
    DefineNetworks("[General]\r\n[Tema]\r\n[Red]\r\nRedPalvon=red.dat\r\nVarVolumen=Cap\r\n");
    const std::vector<std::pair<const char*, std::function<void()>>> transitions = {
        {"recarga", [&] { ReadTextAgain(); }},
        {"lote",
         [&] {
             Trigger("ImprimirRedes1");
             EXPECT_TRUE(fs::exists(tmp.file("red_Cap.emf")));
         }},
    };
    for (const auto& [name, transition] : transitions) {
        SCOPED_TRACE(name);
        transition();
        testutil::settle();
        EXPECT_EQ(Network.CountsLoaded, 1);
        EXPECT_EQ(grid(), before);
        if (UserView().RangeVarArcos != 0) {
            EXPECT_EQ(links->cell(UserView().RangeVarArcos, 0), "Doble");
        }
        EXPECT_EQ(UserView().EntSalVar, 3);
        const QAction* third = livemenus::Reach(viewer, entSal, "EntSal3");
        EXPECT_TRUE(third && third->isChecked());
    }
    EXPECT_EQ(UserView().RangeName, "Doble") << "the choice comes back with its column";
}

// A formula column is made again, on the data read again, when the user's network
// is read again (from its text, or at the end of a batch over another network).
// The map coloured by it, or barred by it, stays so, with its legend, its button
// and the tick of its variable, whichever way the network came back.
TEST_F(PrintSequences, ColourOfAFormulaColumnGoesWithTheColumn)
{
    fs::copy_file(testutil::realDataPath("siouxfalls.dat"), tmp.file("sioux.dat"));
    DefineNetworks("[General]\r\n[Tema]\r\n[Otra]\r\nRedPalvon=sioux.dat\r\nVarVolumen=Cap\r\n");
    const std::vector<std::pair<const char*, std::function<void()>>> transitions = {
        {"recarga", [&] { ReadTextAgain(); }},
        {"lote", [&] { Trigger("ImprimirRedes1"); }},
    };
    struct Layer {
        const char* button;
        TCommandId id;
        QWidget* legend;
    };
    const Layer layers[] = {{"tbColores", Cmd::tbColores, viewer->sym}, {"tbAtributos", Cmd::tbAtributos, viewer->Scl}};
    ASSERT_TRUE(testutil::MakeFormulaColumn(viewer, Secondary::DlgFormula(), false, {"Cap"}, "Doble", "A*2"));
    for (const Layer& layer : layers)
        for (const auto& [name, transition] : transitions) {
            SCOPED_TRACE(std::string(layer.button) + ", " + name);
            for (const Layer& other : layers)
                if (viewer->Down(other.id))
                    livemenus::Find(viewer, other.button)->trigger(); // the layer shown before, off
            QMenu* vars = livemenus::Find(viewer, layer.button)->menu();
            emit vars->aboutToShow();
            for (QAction* v : vars->actions())
                if (v->text() == "Doble")
                    v->trigger();
            ASSERT_EQ(UserView().RangeName, "Doble");
            ASSERT_TRUE(viewer->Down(layer.id));
            ASSERT_TRUE(layer.legend->isVisible());
            const int32_t made = NumUserVarArcos;
            transition();
            testutil::settle();
            EXPECT_EQ(NumUserVarArcos, made) << "the user's formula columns are made again";
            EXPECT_EQ(UserView().RangeName, "Doble");
            EXPECT_TRUE(viewer->Down(layer.id));
            Trigger("aRedibujar");
            EXPECT_TRUE(layer.legend->isVisible());
            emit vars->aboutToShow();
            QStringList ticked;
            for (QAction* v : vars->actions())
                if (v->isChecked())
                    ticked << v->text();
            EXPECT_EQ(ticked.join('|').toStdString(), "Doble");
            // The column shown is the one made again, with its values.
            EXPECT_EQ(viewer->sagArcos->cell(UserView().RangeVarArcos, 0), "Doble");
            EXPECT_EQ(testutil::MarkedTitles(viewer->sagArcos), "Doble");
            EXPECT_EQ(testutil::FormulaColumnCheck(viewer->sagArcos, "Doble", "Cap"), "");
        }
}

// The user's traces and zoning, and the zoning the folder's "Velmora.ini" names,
// are of one network of a batch over two: the batch says nothing of the other,
// and gives back the courses, the zoning and the zones the user hid.
TEST_F(PrintSequences, BatchSaysNothingOfTracesAndZoningOfAnotherOfItsNetworks)
{
    fs::copy_file(testutil::realDataPath("chicago-sketch.dat"), tmp.file("ch.dat"));
    fs::copy_file(testutil::realDataPath("siouxfalls-junctions.dat"), tmp.file("sf.dat"));
    testutil::writeFile(tmp.file("zonas.geo"), "100,0,3,0,0,10,0,10,10\n"); // a zone of chicago's only
    testutil::writeFile(tmp.file("Velmora.ini"), "[File Names]\r\nZonificacion=" + tmp.file("zonas.geo") + "\r\n");
    ASSERT_TRUE(viewer->Files().AbrirRedPalvon(tmp.file("ch.dat")));
    testutil::writeFile(tmp.file("trazas.geo"), ZelUtils::Format("%d,%d,2,0,0,5,5\n", Arcos[1].A, Arcos[1].B));
    for (const auto& [file, loader] : {std::pair{"trazas.geo", "aOpenTraza"}, std::pair{"zonas.geo", "aOpenZonif"}}) {
        testutil::AnswerFileDialog(viewer, tmp.file(file));
        ASSERT_TRUE(livemenus::Click(viewer, "menu:Archivo>Abrir", loader));
    }
    ASSERT_TRUE(viewer->Down(Cmd::tbZonas));
    viewer->Action(Cmd::tbZonas)->trigger();
    // The traces file holds a course of a network outside the batch as well.
    testutil::writeFile(tmp.file("trazas.geo"), testutil::readFile(tmp.file("trazas.geo")) + "99998,99999,2,0,0,5,5\n");
    DefineNetworks("[General]\r\n[A]\r\nRedPalvon=ch.dat\r\nVarVolumen=Long\r\n[B]\r\nRedPalvon=sf.dat\r\n"
                   "VarVolumen=Long\r\n");
    for (const bool recorded : {true, false}) { // the messages, then the button as the window has it
        SCOPED_TRACE(recorded);
        std::optional<RecordingServices> ui;
        if (recorded)
            ui.emplace();
        Trigger("ImprimirRedes1");
        EXPECT_TRUE(fs::exists(tmp.file("sf_Long.emf")));
        if (ui) {
            EXPECT_EQ(ui->messages, std::vector<std::string>());
        }
        EXPECT_EQ(TraceFileName, tmp.file("trazas.geo"));
        EXPECT_EQ(ZoningFileName, tmp.file("zonas.geo"));
        EXPECT_EQ(Arcos[1].PointCount, 3);
        EXPECT_FALSE(viewer->Down(Cmd::tbZonas));
    }
}

// The user's network names its zoning by the folder's "Velmora.ini" without a
// folder ("zonas.geo"): a network of the batch in another folder is drawn with
// the zoning of the user's folder, and nothing is said of a file of that name
// in its own folder (there is none).
TEST_F(PrintSequences, BatchNetworksElsewhereTakeTheZoningOfTheUsersFolder)
{
    fs::copy_file(testutil::realDataPath("chicago-sketch.dat"), tmp.file("ch.dat"));
    fs::create_directory(tmp.file("otra"));
    fs::copy_file(testutil::realDataPath("siouxfalls-junctions.dat"), tmp.file("otra/sf.dat"));
    testutil::writeFile(tmp.file("zonas.geo"), "100,0,3,0,0,10,0,10,10\n");
    testutil::writeFile(tmp.file("Velmora.ini"), "[File Names]\r\nZonificacion=zonas.geo\r\n");
    ASSERT_TRUE(viewer->Files().AbrirRedPalvon(tmp.file("ch.dat")));
    ASSERT_EQ(ZoningFileName, "zonas.geo");
    DefineNetworks("[General]\r\n[A]\r\nRedPalvon=otra/sf.dat\r\nVarVolumen=Long\r\n");
    RecordingServices ui;
    Trigger("ImprimirRedes1");
    EXPECT_TRUE(fs::exists(tmp.file("otra/sf_Long.emf")));
    EXPECT_EQ(ui.messages, std::vector<std::string>());
    EXPECT_EQ(DatDir + DatFileName, tmp.file("ch.dat"));
    EXPECT_GT(Zonas[KDVlib::FindZona(100)].PolygonCount, 0);
}

// Each step that opens other networks and reads the user's again at its end,
// with the user's network file deleted or renamed meanwhile: it says so once
// and does nothing, the user's network staying open; with the file there it runs.
TEST_F(PrintSequences, StepsThatReopenTheUsersNetworkRefuseWhenItsFileIsGone)
{
    fs::create_directory(tmp.file("otra"));
    fs::copy_file(testutil::realDataPath("siouxfalls.dat"), tmp.file("otra/sioux.dat"));
    DefineNetworks("[General]\r\nDocumentoWord=lote.doc\r\n[Otra]\r\nRedPalvon=otra/sioux.dat\r\n"
                   "VarVolumen=Cap\r\n");
    struct Step {
        const char* name;
        std::function<void()> run;
        std::vector<std::string> outputs; // what the step writes when it runs
    };
    const std::vector<Step> steps = {
        {"lote", [&] { Trigger("ImprimirRedes1"); }, {"lote.doc"}},
        {"fases", [&] { livemenus::Find(&Secondary::FrmFases(), QStringLiteral("ImprimirFases"))->trigger(); },
         {"lote.doc"}},
        {"planillas",
         [&] {
             testutil::AnswerFilesDialog(viewer, QString::fromStdString(tmp.file("otra")), {"sioux.dat"}, 0);
             Trigger("GenerarPlanillas1");
         },
         {"otra/sioux_arcos.csv", "otra/sioux_movim.csv"}},
    };
    const std::string network = tmp.file("red.dat"), aside = tmp.file("red.antes");
    const std::string text = testutil::readFile(network);
    const int32_t nodes = Network.NodeCount;
    for (const Step& step : steps)
        for (const char* file : {"ahí", "borrado", "renombrado"}) {
            SCOPED_TRACE(std::string(step.name) + " " + file);
            for (const std::string& output : step.outputs)
                fs::remove(tmp.file(output));
            const bool there = std::string(file) == "ahí";
            if (std::string(file) == "borrado")
                fs::remove(network);
            else if (!there)
                fs::rename(network, aside);
            std::optional<RecordingServices> ui;
            if (!there)
                ui.emplace();
            step.run();
            testutil::settle();
            for (const std::string& output : step.outputs)
                EXPECT_EQ(fs::exists(tmp.file(output)), there) << output;
            EXPECT_EQ(DatDir + DatFileName, network);
            EXPECT_EQ(Network.NodeCount, nodes);
            if (ui) {
                EXPECT_EQ(ui->messages.size(), 1u);
                const std::string said = ui->messages.empty() ? std::string() : ui->messages[0];
                EXPECT_NE(said.find(network), std::string::npos) << said;
                EXPECT_NE(said.find("No se hizo nada"), std::string::npos) << said;
            }
            fs::remove(aside);
            testutil::writeFile(network, text);
        }
}

// A movement column double-clicked in the grid, with and without Alt (flows at
// the link ends or on the turns), then a definition printing another movement
// variable: its picture shows that variable, in the mode the user chose.
TEST_F(PrintSequences, BatchMovementPictureShowsItsOwnVariableInEitherMode)
{
    TStringAlignGrid* g = viewer->sagMovim;
    viewer->tnDatos->setCurrentWidget(viewer->tsMovim);
    testutil::settle();
    const int lanes = 5, saturation = 4;
    ASSERT_EQ(g->cell(lanes, 0), "Pistas");
    ASSERT_EQ(g->cell(saturation, 0), "Fl.Sat");
    for (const Qt::KeyboardModifiers keys : {Qt::KeyboardModifiers(Qt::AltModifier), Qt::KeyboardModifiers()}) {
        g->scrollTo(g->model()->index(2 - g->FixedRows(), lanes));
        const QPoint at = g->visualRect(g->model()->index(2 - g->FixedRows(), lanes)).center();
        QTest::mouseMove(g->viewport(), at);
        QTest::mouseDClick(g->viewport(), Qt::LeftButton, keys, at);
        ASSERT_EQ(UserView().MovimDrawMode, keys == Qt::AltModifier);
        DefineNetworks("[General]\r\n[Tema]\r\n[Red]\r\nRedPalvon=red.dat\r\nVarMovim=Fl.Sat\r\n");
        fs::remove(tmp.file("red_Fl.Sat.emf"));
        RecordingServices ui;
        Trigger("ImprimirRedes1");
        const testutil::TMetafileReport picture = testutil::CheckMetafile(tmp.file("red_Fl.Sat.emf"));
        EXPECT_METAFILE_SOUND(picture);
        EXPECT_TRUE(picture.HasText(QString::fromStdString(TitMovim[saturation])) &&
                    !picture.HasText(QString::fromStdString(TitMovim[lanes])))
            << picture.texts.join('|').toStdString();
        EXPECT_EQ(picture.texts.filter(QRegularExpression(" - ")).isEmpty(), keys == Qt::AltModifier)
            << "classes on the turns, a bar scale at the link ends";
    }
}

// A network read again by the program (its text read again, or a batch or the
// worksheets over another network coming back to it) comes back as the user left it: placed by
// the coordinates file the user chose for it, nobody asked (a batch stayed on its
// own last network), and with the one transit line the user chose in its grid
// shown alone (every line came back shown).
TEST_F(PrintSequences, NetworkReadAgainKeepsItsChosenCoordinatesAndLines)
{
    Secondary::DlgCfg().RutasFijas->SetItemIndex(0); // "Rutas Fijas" read: the sample's lines
    std::string positions;
    for (int32_t n = 1; n <= Network.NodeCount; ++n)
        positions += ZelUtils::Format("%d,%.1f,%.1f\r\n", Nodos[n].Number, 400000.0 + 10 * Nodos[n].Number,
                                      5000000.0 + 5 * Nodos[n].Number);
    testutil::writeFile(tmp.file("puestos.geo"), positions);
    const std::string sample = testutil::readFile(tmp.file("red.dat"));
    const size_t from = sample.find("\n55555"), to = sample.find("99999", from);
    ASSERT_NE(to, std::string::npos);
    fs::create_directory(tmp.file("s"));
    const std::string net = tmp.file("s/sincoord.dat");
    testutil::writeFile(net, sample.substr(0, from + 1) + sample.substr(sample.find('\n', to) + 1));
    const std::vector<std::pair<const char*, std::function<void()>>> rows = {
        {"recarga", [&] { ReadTextAgain(); }},
        {"lote",
         [&] {
             DefineNetworks("[General]\r\n[Tema]\r\n[Red]\r\nRedPalvon=red.dat\r\nVarVolumen=Cap\r\n");
             Trigger("ImprimirRedes1");
             EXPECT_TRUE(fs::exists(tmp.file("red_Cap.emf")));
         }},
        // The chosen file gone before the batch: placed as it was read.
        {"lote sin el archivo",
         [&] {
             fs::remove(tmp.file("puestos.geo"));
             DefineNetworks("[General]\r\n[Tema]\r\n[Red]\r\nRedPalvon=red.dat\r\nVarVolumen=Cap\r\n");
             Trigger("ImprimirRedes1");
             testutil::writeFile(tmp.file("puestos.geo"), positions);
         }},
        {"recarga sin el archivo",
         [&] {
             fs::remove(tmp.file("puestos.geo"));
             ReadTextAgain();
             testutil::writeFile(tmp.file("puestos.geo"), positions);
         }},
        // Edited since: the edited file places it, and still does once gone.
        {"lote con el archivo cambiado y luego sin él",
         [&] {
             std::string edited = positions;
             const std::string was = ZelUtils::Format("102,%.1f,", 400000.0 + 10 * 102);
             ASSERT_NE(edited.find(was), std::string::npos);
             edited.replace(edited.find(was), was.size(), "102,401020.5,");
             testutil::writeFile(tmp.file("puestos.geo"), edited);
             const int32_t n = KDVlib::FindNodo(102);
             DefineNetworks("[General]\r\n[Tema]\r\n[Red]\r\nRedPalvon=red.dat\r\nVarVolumen=Cap\r\n");
             for (const bool gone : {false, true}) {
                 if (gone)
                     fs::remove(tmp.file("puestos.geo"));
                 Trigger("ImprimirRedes1");
                 EXPECT_EQ(viewer->sagNodos->cell(1, viewer->sagNodos->RowOfRecord(n)),
                           ZelUtils::Trim(ZelUtils::Format(XYFormat, 401020.5)))
                     << gone;
             }
             testutil::writeFile(tmp.file("puestos.geo"), positions);
             ReadTextAgain();
         }},
        {"planillas",
         [&] {
             fs::create_directory(tmp.file("o"));
             fs::copy_file(testutil::realDataPath("siouxfalls.dat"), tmp.file("o/sioux.dat"));
             testutil::AnswerFilesDialog(viewer, QString::fromStdString(tmp.file("o")), {"sioux.dat"}, 0);
             Trigger("GenerarPlanillas1");
             EXPECT_TRUE(fs::exists(tmp.file("o/sioux_arcos.csv")));
         }},
        {"planillas sin el archivo",
         [&] {
             fs::remove(tmp.file("puestos.geo"));
             fs::create_directory(tmp.file("o"));
             fs::copy_file(testutil::realDataPath("siouxfalls.dat"), tmp.file("o/sioux2.dat"));
             testutil::AnswerFilesDialog(viewer, QString::fromStdString(tmp.file("o")), {"sioux2.dat"}, 0);
             Trigger("GenerarPlanillas1");
             EXPECT_TRUE(fs::exists(tmp.file("o/sioux2_arcos.csv")));
             testutil::writeFile(tmp.file("puestos.geo"), positions);
         }},
    };
    for (const auto& [name, transition] : rows) {
        SCOPED_TRACE(name);
        viewer->Files().AskCoordinatesWithoutScreen = true;
        testutil::WhenFileDialogShown(viewer, [this](QFileDialog* dialog) {
            testutil::TypeFileAndAccept(dialog, QString::fromStdString(tmp.file("puestos.geo")), 0);
        });
        {
            RecordingServices first;
            ASSERT_TRUE(viewer->Files().AbrirRedPalvon(net));
        }
        ASSERT_EQ(DatFileName, "sincoord.dat");
        ASSERT_GE(Network.LineCount, 2);
        // The last line alone shown: a double click on its row.
        viewer->tnDatos->setCurrentWidget(viewer->tsLineas);
        testutil::settle();
        TStringAlignGrid* lines = viewer->sagLineas;
        const QPoint cell = lines->visualRect(lines->model()->index(Network.LineCount - lines->FixedRows(), 1)).center();
        QTest::mouseMove(lines->viewport(), cell);
        QTest::mouseDClick(lines->viewport(), Qt::LeftButton, Qt::NoModifier, cell);
        const auto shown = [&] {
            std::string s;
            for (int32_t l = 1; l <= Network.LineCount; ++l)
                s += Lineas[l].Visible ? (lines->FontColorCell(1, l) == QColor(Qt::red) ? 'R' : '1') : '0';
            return s;
        };
        const std::string chosen = std::string(size_t(Network.LineCount - 1), '0') + "R";
        ASSERT_EQ(shown(), chosen);
        // Were the file asked for again, none would be given.
        viewer->Files().AskCoordinatesWithoutScreen = false;
        fs::current_path(tmp.path());
        RecordingServices ui;
        ui.answerYes = true;
        transition();
        testutil::settle();
        EXPECT_EQ(DatDir + DatFileName, net);
        EXPECT_FALSE(ui.anyMessageContains("Coordenadas") || ui.anyMessageContains("inhabilitada"))
            << (ui.messages.empty() ? std::string() : ui.messages.back());
        // The grid shows the positions the file gives.
        const int32_t n = KDVlib::FindNodo(102);
        ASSERT_GT(n, 0);
        EXPECT_EQ(viewer->sagNodos->cell(1, viewer->sagNodos->RowOfRecord(n)),
                  ZelUtils::Trim(ZelUtils::Format(XYFormat, 400000.0 + 10 * 102)));
        EXPECT_EQ(shown(), chosen);
    }
    Secondary::DlgCfg().RutasFijas->SetItemIndex(1);
}

