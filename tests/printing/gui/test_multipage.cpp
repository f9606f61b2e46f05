// Printed pictures written without a window: the colour chart.
#include "printing/ColourChart.h"
#include "support/MetafileCheck.h"
#include "support/ProgramRun.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

TEST(ColourChartFile, WritesMetafile)
{
    testutil::TempDir dir;
    const std::string file = dir.file("colores.emf");
    EXPECT_EQ(ColourChart::WriteChart(file, 4800, 6600), "");
    // The chart's 140 numbered cells, walked by the metafile reader.
    const testutil::TMetafileReport r = testutil::CheckMetafile(file);
    EXPECT_METAFILE_SOUND(r);
    ASSERT_EQ(r.texts.size(), 140);
    for (int k = 1; k <= 140; ++k)
        EXPECT_TRUE(r.texts.contains(QString::number(k))) << k;
    EXPECT_NE(ColourChart::WriteChart(dir.file("no/such/dir/c.emf"), 4800, 6600), "");
}

// ---- The batch printing from the command line ----
#include <filesystem>

TEST(BatchPrintCommandLine, PrintsPicturesIntoTheDocument)
{
    testutil::TempDir tmp;
    std::filesystem::create_directories(tmp.path() / "def" / "out");
    const std::string net = tmp.file("def/red.dat");
    std::filesystem::copy_file(std::string(VELMORA_SOURCE_DIR) + "/samples/ejemplo.dat", net);
    // Names in the definition are relative to its own folder, not to the process's.
    testutil::writeFile(tmp.file("def/lote.ini"),
                        "[General]\r\nDocumentoWord=out/informe.doc\r\nNumeroColumnas=3\r\n[Tema]\r\n"
                        "[Cero]\r\nRedPalvon=red.dat\r\nVarColores=Cap\r\n"
                        "[Uno]\r\nRedPalvon=red.dat\r\nVariables=none,Long\r\n"
                        "VarMovim=Fl.Sat,none\r\nTitMovim=Saturacion,Ninguna\r\n"
                        "[Dos]\r\nRedPalvon=red.dat\r\nVarVolumen=NOEXISTE\r\nVarMultiple=2\r\n");
    QString errors;
    ASSERT_EQ(testutil::RunProgram(tmp, {QString::fromStdString(net), QString::fromStdString(tmp.file("def/lote.ini"))},
                                   &errors),
              0);
    const std::string doc = testutil::readFile(tmp.file("def/out/informe.doc"));
    ASSERT_FALSE(doc.empty());
    EXPECT_EQ(doc.rfind("{\\rtf", 0), 0u);
    // A picture of each name of the first two entries, those without variable
    // ("none", also among the movements, and a name after it that no mode looks
    // for) captioned by their own titles, not by the variable of the picture
    // before them; none of
    // the third, whose only variable is not in the network: the error output says
    // so, once.
    std::vector<std::string> captions;
    for (size_t at = doc.find("Red: red.dat      Atributo:"); at != std::string::npos;
         at = doc.find("Red: red.dat      Atributo:", at + 1))
        captions.push_back(doc.substr(at, doc.find_first_of("\\}", at) - at));
    EXPECT_EQ(captions, (std::vector<std::string>{"Red: red.dat      Atributo: Capacidad",
                                                  "Red: red.dat      Atributo: none",
                                                  "Red: red.dat      Atributo: Long",
                                                  "Red: red.dat      Atributo: Saturacion",
                                                  "Red: red.dat      Atributo: Ninguna"}));
    EXPECT_EQ(errors.count(QStringLiteral("red.dat: NOEXISTE")), 1) << errors.toStdString();
    // The picture of the first network: every link of the sample and the stamp.
    const testutil::TMetafileReport emf = testutil::CheckMetafile(tmp.file("def/out/red.emf"));
    EXPECT_METAFILE_SOUND(emf);
    EXPECT_TRUE(emf.HasText(QStringLiteral("Generado por Velmora")));
    EXPECT_GE(emf.points, 2 * 20) << emf.Summary();

    // Printed again once the document's folder has become a file: the run says so
    // once and the picture of the earlier run beside the network stays as it was.
    testutil::writeFile(tmp.file("def/color.ini"), "[General]\r\nDocumentoWord=out/informe.doc\r\n[Tema]\r\n"
                                                   "[Uno]\r\nRedPalvon=red.dat\r\nVarColores=Cap\r\n");
    const QStringList args = {QString::fromStdString(net), QString::fromStdString(tmp.file("def/color.ini"))};
    ASSERT_EQ(testutil::RunProgram(tmp, args, &errors), 0) << errors.toStdString();
    testutil::writeFile(tmp.file("def/red_Cap.emf"), "del usuario");
    std::filesystem::remove_all(tmp.path() / "def" / "out");
    testutil::writeFile(tmp.file("def/out"), "");
    EXPECT_NE(testutil::RunProgram(tmp, args, &errors), 0);
    EXPECT_EQ(errors.count(QStringLiteral("No se pudo grabar")), 1) << errors.toStdString();
    EXPECT_TRUE(testutil::readFile(tmp.file("def/red_Cap.emf")) == "del usuario") << "the earlier picture replaced";
}

// A definition the reader refuses stops the batch, said once by the reader; one
// naming a file that is not there prints nothing and names the line.
TEST(BatchPrintCommandLine, ARefusedDefinitionIsSaidOnce)
{
    std::string tooMany = "[General]\r\n";
    for (int k = 1; k <= 301; ++k)
        tooMany += "[S" + std::to_string(k) + "]\r\nRedPalvon=red.dat\r\n";
    const struct {
        const char* name;
        std::string text;
        const char* said;
    } rows[] = {
        {"columnas.ini", "[General]\r\nNumeroColumnas=-1\r\n", "fuera de rango"},
        {"secciones.ini", tooMany, "302 secciones y caben 301"},
        {"seleccion.ini", "[General]\r\n[Tema]\r\n[Red]\r\nRedPalvon=red.dat\r\nVarColores=Cap\r\n"
                          "SeleccionArcos=nada.sel\r\n", "[Red] SeleccionArcos: no se encuentra"},
    };
    for (const auto& row : rows) {
        testutil::TempDir tmp;
        const std::string net = tmp.file("red.dat");
        std::filesystem::copy_file(std::string(VELMORA_SOURCE_DIR) + "/samples/ejemplo.dat", net);
        testutil::writeFile(tmp.file(row.name), row.text);
        QString errors;
        EXPECT_NE(testutil::RunProgram(tmp, {QString::fromStdString(net), QString::fromStdString(tmp.file(row.name))},
                                       &errors),
                  0)
            << row.name;
        EXPECT_EQ(errors.count(QString::fromUtf8(row.said)), 1) << errors.toStdString();
        EXPECT_FALSE(errors.contains(QStringLiteral("no pudo leer"))) << errors.toStdString();
        EXPECT_FALSE(std::filesystem::exists(tmp.file("red_Cap.emf"))) << row.name;
    }
}

// ---- The multi-page window over an open network ----
#include "model/KDVvars.h"
#include "printing/ZelPrinter.h"
#include "printing/gui/DlgPrint.h"
#include "support/LiveMenus.h"
#include "support/RecordingServices.h"
#include "support/ViewerFixture.h"

#include "map/gui/OxrImage.h"

#include <QApplication>
#include <QImageReader>
#include <QSpinBox>

#include <csignal>
#include <sys/resource.h>

class MultiPageTest : public ViewerFixture {};

TEST_F(MultiPageTest, ChosenPagesAreSavedOneFilePerPage)
{
    const std::string net = tmp.file("red.dat");
    std::filesystem::copy_file(std::string(VELMORA_SOURCE_DIR) + "/samples/ejemplo.dat", net);
    ASSERT_TRUE(viewer->Files().AbrirRedPalvon(net));
    viewer->resize(1000, 760);
    viewer->show();
    QApplication::processEvents();
    TDlgPrint w(viewer->Printing());
    w.DrawNet();
    TPageGrid& g = w.Grid();
    ASSERT_EQ(g.Count(), 2);
    // Page (1, 1) starts at the view window's bottom-left corner.
    EXPECT_NEAR(g.Page(1, 1).X[0], UserView().WorldMinX, 1e-6);
    EXPECT_NEAR(g.Page(1, 1).Y[0], UserView().WorldMinY, 1e-6);
    w.PageLayerClick(g.Page(1, 1).Left + 2, g.Page(1, 1).Bottom - 2);
    w.PageLayerClick(g.Page(2, 2).Left + 2, g.Page(2, 2).Top + 2);
    w.PageLayerClick(g.Page(2, 1).Left + 2, g.Page(2, 1).Top + 2);
    w.PageLayerClick(g.Page(2, 1).Left + 2, g.Page(2, 1).Top + 2);  // twice: not chosen
    EXPECT_EQ(g.SelectedCount(), 2);
    ASSERT_TRUE(w.SavePages(tmp.file("plan.emf")));
    // Each page file holds its part of the map, its own page key and the stamp.
    for (const char* key : {"(1,1)", "(2,2)"}) {
        const std::string name = tmp.file(std::string("plan_") + key[1] + "_" + key[3] + ".EMF");
        const testutil::TMetafileReport r = testutil::CheckMetafile(name);
        EXPECT_METAFILE_SOUND(r);
        EXPECT_TRUE(r.HasText(QString::fromLatin1(key))) << name;
        EXPECT_FALSE(r.HasText(QString::fromLatin1(key[1] == '1' ? "(2,2)" : "(1,1)"))) << name;
        EXPECT_TRUE(r.HasText(QStringLiteral("Generado por Velmora"))) << name;
    }
    EXPECT_FALSE(std::filesystem::exists(tmp.file("plan_2_1.EMF")));
    // A name of another kind writes no page, and the user is told so once.
    {
        RecordingServices ui;
        EXPECT_FALSE(w.SavePages(tmp.file("plan.png")));
        EXPECT_EQ(ui.messages.size(), 1u);
        EXPECT_FALSE(std::filesystem::exists(tmp.file("plan_1_1.png")));
        EXPECT_FALSE(std::filesystem::exists(tmp.file("plan_1_1.PNG")));
    }
    // JPEG pages keep the page's proportions, as large as the map canvas holds;
    // no scratch metafile is left beside the network.
    ASSERT_TRUE(w.SavePages(tmp.file("plan.jpg")));
    QImageReader reader(QString::fromStdString(tmp.file("plan_2_2.JPG")));
    reader.setDecideFormatFromContent(true);
    EXPECT_EQ(reader.format(), QByteArray("jpeg"));
    const QSize jpg = reader.read().size();
    const QSize canvas = viewer->img->size();
    EXPECT_NEAR(double(jpg.width()) / jpg.height(), double(viewer->Printing().Page().PrintPictureWidth) / viewer->Printing().Page().PrintPictureHeight, 0.02);
    EXPECT_TRUE(jpg.width() == canvas.width() || jpg.height() == canvas.height());
    EXPECT_TRUE(jpg.width() <= canvas.width() && jpg.height() <= canvas.height());
    EXPECT_FALSE(std::filesystem::exists(tmp.file("Velmora___.EMF")));
    // The same again on a disk full at a small size: the pages written before
    // stay whole, and the user is told once, not once for the drawing and again
    // for the page.
    {
        const std::string before = testutil::readFile(tmp.file("plan_2_2.JPG"));
        RecordingServices ui;
        rlimit saved{};
        ::getrlimit(RLIMIT_FSIZE, &saved);
        const auto handler = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit full{1024, saved.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &full);
        const bool written = w.SavePages(tmp.file("plan.jpg"));
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, handler);
        EXPECT_FALSE(written);
        EXPECT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(testutil::readFile(tmp.file("plan_2_2.JPG")), before);
    }
    // The user's view window comes back after the pages; the page key is not
    // left for the next ordinary print.
    EXPECT_NEAR(UserView().WorldMinX, g.Page(1, 1).X[0], 1e-6);
    EXPECT_NEAR(UserView().WorldMinY, g.Page(1, 1).Y[0], 1e-6);
    ASSERT_TRUE(viewer->Printing().PrintViewToMetafile(tmp.file("vista.emf")));
    const testutil::TMetafileReport next = testutil::CheckMetafile(tmp.file("vista.emf"));
    EXPECT_TRUE(next.HasText(QStringLiteral("Generado por Velmora")));
    EXPECT_FALSE(next.HasText(QStringLiteral("(2,2)")));
    // A new page count rebuilds the pages and drops the selection.
    w.spCount->setValue(3);
    EXPECT_EQ(g.Count(), 3);
    EXPECT_EQ(g.SelectedCount(), 0);
    // With no page chosen, printing and saving say so, each once, and ask for no name.
    for (const char* command : {"tbPrint", "tbSave"}) {
        RecordingServices ui;
        livemenus::Find(&w, QString::fromLatin1(command))->trigger();
        EXPECT_EQ(ui.messages.size(), 1u) << command;
        EXPECT_TRUE(ui.anyMessageContains("No hay p\xC3\xA1ginas elegidas")) << command;
    }
}
