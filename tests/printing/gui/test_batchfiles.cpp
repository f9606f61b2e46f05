// The batch printing of print definitions, run as the program runs from the
// command line, over the public networks: the report document read by an
// independent RTF reader (tests/support/rtf_pictures.py), its pictures taken out
// and walked by the metafile reader.
#include "support/MetafileCheck.h"
#include "support/ProgramRun.h"
#include "support/TestUtil.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

namespace {

struct TReport {
    QJsonObject doc;
    std::vector<QJsonObject> pictures;
    QStringList texts;
};

TReport ReadReport(const std::string& document, const std::string& folder)
{
    std::filesystem::create_directories(folder);
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral(VELMORA_SOURCE_DIR "/tests/support/rtf_pictures.py"),
                                                 QString::fromStdString(document), QString::fromStdString(folder)});
    EXPECT_TRUE(p.waitForFinished(120000));
    TReport r;
    r.doc = QJsonDocument::fromJson(p.readAllStandardOutput()).object();
    for (const QJsonValue& v : r.doc.value("pictures").toArray())
        r.pictures.push_back(v.toObject());
    for (const QJsonValue& v : r.doc.value("texts").toArray())
        r.texts << v.toString();
    return r;
}

// Runs the definition over the network copied into the test's folder.
TReport RunBatch(const testutil::TempDir& tmp, const std::string& network, const std::string& definition,
                 const std::string& document)
{
    const std::string net = tmp.file(std::filesystem::path(network).filename().string());
    if (!std::filesystem::exists(net))
        std::filesystem::copy_file(network, net);
    const std::string def = tmp.file("lote.ini");
    testutil::writeFile(def, definition);
    EXPECT_EQ(testutil::RunProgram(tmp, {QString::fromStdString(net), QString::fromStdString(def)}), 0);
    EXPECT_TRUE(std::filesystem::exists(tmp.file(document))) << document;
    return ReadReport(tmp.file(document), tmp.file("pictures"));
}

// Every picture of the report: a metafile sound to its bounds, inside its cell
// or the page's text width, with the stamp among its texts and at least one
// drawing point for each of the network's links.
void ExpectSoundPictures(const TReport& report, size_t count, int links)
{
    ASSERT_EQ(report.pictures.size(), count);
    for (const QJsonObject& pic : report.pictures) {
        EXPECT_EQ(pic.value("kind").toString(), QStringLiteral("emfblip"));
        const double w = pic.value("width").toDouble(), h = pic.value("height").toDouble();
        EXPECT_GT(w, 0);
        EXPECT_GT(h, 0);
        if (pic.value("cell_width").isDouble())
            EXPECT_LE(w, pic.value("cell_width").toDouble()) << "picture wider than its cell";
        else
            EXPECT_LE(w, pic.value("text_width").toDouble()) << "picture wider than the text";
        const testutil::TMetafileReport r = testutil::CheckMetafile(pic.value("file").toString().toStdString());
        EXPECT_METAFILE_SOUND(r);
        EXPECT_GE(r.points, links) << r.Summary();
        EXPECT_TRUE(r.HasText(QStringLiteral("Generado por Velmora"))) << r.Summary();
        // The picture is page-sized at the printer's resolution, not a screen bitmap.
        ASSERT_EQ(r.bounds.size(), 4u);
        EXPECT_GT(r.bounds[2], 2000);
    }
}

} // namespace

// The definition of a user trying the program on chicago-sketch: link values as
// bars, a colour map and movement values, then bars of a group drawn together
// whose last name is no variable, and another written "Long, Cap" (no titles);
// each picture carries its legend over the map in the page's corner (bars bottom
// left, classes bottom right) and the caption of the variables it shows, by the
// grid's titles where none is given.
TEST(BatchPictures, ChicagoSketchPicturesCarryTheirLegends)
{
    const std::string net = testutil::realDataPath("chicago-sketch.dat");
    if (!std::filesystem::exists(net))
        FAIL() << "no " << net;
    testutil::TempDir tmp;
    const TReport report = RunBatch(tmp, net,
                                    "[General]\r\nTama\xC3\xB1oPapel=1\r\nDocumentoWord=informe.doc\r\nAncho=6\r\n"
                                    "[Tema]\r\n[Chicago]\r\nRedPalvon=chicago-sketch.dat\r\nVarVolumen=Cap\r\n"
                                    "VarColores=Long\r\nVarMovim=Fl.Sat\r\nTitMovim=Saturaci\xC3\xB3n del giro\r\n"
                                    "[Grupo]\r\nRedPalvon=chicago-sketch.dat\r\n"
                                    "VarVolumen=Long,Nada\r\nVarMultiple=2\r\n[Juntos]\r\nRedPalvon=chicago-sketch.dat\r\n"
                                    "VarVolumen=Long, Cap\r\nVarMultiple=2\r\n",
                                    "informe.doc");
    ExpectSoundPictures(report, 5, 2950);
    // Each picture's caption names the variables it shows, in the order printed.
    const QStringList shown = {QStringLiteral("Capacidad"), QStringLiteral("Longitud"),
                               QStringLiteral("Saturación del giro"), QStringLiteral("Longitud"),
                               QStringLiteral("Longitud/Capacidad")};
    QStringList captions;
    for (const QString& t : report.texts)
        if (t.contains(QStringLiteral("Atributo:")))
            captions << t.section(QStringLiteral("Atributo:"), 1).trimmed();
    // (The reader gives "?" for a letter beyond ASCII.)
    ASSERT_EQ(captions.size(), shown.size()) << report.texts.join('|').toStdString();
    for (qsizetype k = 0; k < shown.size(); ++k)
        EXPECT_EQ(captions[k], QString(shown[k]).replace(QChar(0xF3), QChar('?'))) << k;
    for (size_t k = 0; k < report.pictures.size() && k < size_t(shown.size()); ++k) {
        SCOPED_TRACE(shown[qsizetype(k)].toStdString());
        const testutil::TMetafileReport r =
            testutil::CheckMetafile(report.pictures[k].value("file").toString().toStdString());
        testutil::ExpectLegendOverMapInCorner(r, shown[qsizetype(k)], k == 1 || k == 2);
        if (k != 2)
            continue;
        // The movement values in the layer's letter at paper size, which one
        // reads: half of them at least 1 mm high (a 1-pixel letter is 0.04 mm;
        // the page's frame gives millimetres per pixel).
        ASSERT_EQ(r.frame.size(), 4u);
        const double mmPerPixel = (r.frame[2] - r.frame[0]) / 100.0 / std::max(1, r.bounds[2] - r.bounds[0]);
        std::vector<double> heights;
        for (qsizetype i = 0; i < r.texts.size() && size_t(i) < r.textHeights.size(); ++i)
            if (bool number = false; (r.texts[i].toDouble(&number), number))
                heights.push_back(r.textHeights[size_t(i)] * mmPerPixel);
        ASSERT_GT(heights.size(), 100u);
        std::nth_element(heights.begin(), heights.begin() + heights.size() / 2, heights.end());
        EXPECT_GE(heights[heights.size() / 2], 1.0);
    }
    // A4 paper, the pictures 6 inches wide.
    EXPECT_EQ(report.doc.value("paper").toArray().at(0).toInt(), 11906);
    for (const QJsonObject& pic : report.pictures)
        EXPECT_NEAR(pic.value("width").toDouble(), 6 * 1440, 1);
    // The legends reach the pictures: the bar legend's caption and values, the
    // range legends' titles and class bounds.
    const auto texts = [&](size_t k) {
        return testutil::CheckMetafile(report.pictures[k].value("file").toString().toStdString());
    };
    const testutil::TMetafileReport bars = texts(0), colours = texts(1), moves = texts(2);
    // Each legend's title whole on its page and clear of the stamp; the bar
    // legend's three values and the classes of the range legends in order.
    testutil::ExpectTextsOnPageClearOfStamp(bars, {QStringLiteral("Capacidad")});
    int values = 0;
    for (const QString& t : bars.texts)
        values += t.toDouble() > 0;
    EXPECT_GE(values, 3) << bars.texts.join('|').toStdString();
    testutil::ExpectTextsOnPageClearOfStamp(colours, {QStringLiteral("Longitud")});
    testutil::ExpectLengthColourMap(colours);
    testutil::ExpectTextsOnPageClearOfStamp(moves, {QStringLiteral("Saturación del giro")});
    const std::vector<std::pair<double, double>> flows = moves.RangeClasses();
    ASSERT_GE(flows.size(), 5u) << moves.texts.join('|').toStdString();
    for (size_t c = 2; c < flows.size(); ++c)
        EXPECT_LT(flows[c - 1].second, flows[c].second);
}

// A colour map of a variable equal on every link (siouxfalls V0) and one of the
// free-flow times: the legend lists only classes a value falls in (one class for
// the constant), and every link is banded in a swatch colour of its legend, the
// links at the minimum and the maximum included.
TEST(BatchPictures, EveryLinkWithinTheClassesIsColoured)
{
    const std::string net = testutil::realDataPath("siouxfalls.dat");
    if (!std::filesystem::exists(net))
        FAIL() << "no " << net;
    testutil::TempDir tmp;
    RunBatch(tmp, net, "[General]\r\n[Tema]\r\n[Uno]\r\nRedPalvon=siouxfalls.dat\r\nVarColores=V0,T0\r\n", "siouxfalls_T0.emf");
    for (const char* var : {"V0", "T0"}) {
        SCOPED_TRACE(var);
        const testutil::TMetafileReport r = testutil::CheckMetafile(tmp.file(std::string("siouxfalls_") + var + ".emf"));
        EXPECT_METAFILE_SOUND(r);
        const std::vector<std::pair<double, double>> classes = r.RangeClasses();
        const std::vector<long long> swatches = r.LegendSwatches();
        ASSERT_EQ(swatches.size(), classes.size());
        if (std::string(var) == "V0") {
            ASSERT_EQ(classes.size(), 1u) << r.texts.join('|').toStdString();
            EXPECT_EQ(classes[0].first, classes[0].second);
        }
        // Each link's band is one filled shape in its class's colour (the
        // legend's swatch is one more).
        int banded = 0;
        for (long long c : std::set<long long>(swatches.begin(), swatches.end()))
            banded += r.FillsOf(c) - int(std::count(swatches.begin(), swatches.end(), c));
        EXPECT_EQ(banded, 76) << r.texts.join('|').toStdString();
    }
}

// Two columns of pictures in a table: each picture stays inside its cell.
TEST(BatchPictures, PicturesInColumnsStayInsideTheirCells)
{
    const std::string net = testutil::realDataPath("siouxfalls.dat");
    if (!std::filesystem::exists(net))
        FAIL() << "no " << net;
    testutil::TempDir tmp;
    const TReport report = RunBatch(tmp, net,
                                    "[General]\r\nDocumentoWord=informe.doc\r\nNumeroColumnas=2\r\nAncho=4\r\n"
                                    "[Tema]\r\n[Uno]\r\nRedPalvon=siouxfalls.dat\r\nVariables=none\r\n"
                                    "[Dos]\r\nRedPalvon=siouxfalls.dat\r\nVariables=none\r\n",
                                    "informe.doc");
    ExpectSoundPictures(report, 2, 76);
    for (const QJsonObject& pic : report.pictures)
        EXPECT_TRUE(pic.value("cell_width").isDouble()) << "picture outside the table";
}

// Every public network prints pictures that the reader walks without fault.
TEST(BatchPictures, PublicNetworksPrintSoundPictures)
{
    // With their link counts as the README gives them.
    const std::pair<const char*, int> nets[] = {{"siouxfalls.dat", 76},
                                                {"anaheim.dat", 914},
                                                {"berlin-center-truncated.dat", 23996},
                                                {"siouxfalls-junctions.dat", 76},
                                                {"chicago-sketch.dat", 2950}};
    for (const auto& [name, links] : nets) {
        const std::string net = testutil::realDataPath(name);
        SCOPED_TRACE(name);
        ASSERT_TRUE(std::filesystem::exists(net));
        testutil::TempDir tmp;
        const TReport report = RunBatch(tmp, net,
                                        std::string("[General]\r\nDocumentoWord=informe.doc\r\n[Tema]\r\n[Red]\r\n")
                                            + "RedPalvon=" + name + "\r\nVariables=none\r\n",
                                        "informe.doc");
        ExpectSoundPictures(report, 1, links);
    }
}

// A landscape report turns the printer too: pictures made at the printer's page
// (no paper size given) take the landscape page's height, lower than the
// portrait page's.
TEST(BatchPictures, LandscapeReportTurnsThePrinterPage)
{
    const std::string net = testutil::realDataPath("siouxfalls.dat");
    if (!std::filesystem::exists(net))
        FAIL() << "no " << net;
    int heights[2] = {0, 0};
    for (int landscape = 0; landscape < 2; ++landscape) {
        testutil::TempDir tmp;
        const TReport report = RunBatch(tmp, net,
                                        "[General]\r\nDocumentoWord=informe.doc\r\nOrientacion=" + std::to_string(landscape)
                                            + "\r\n[Tema]\r\n[Red]\r\nRedPalvon=siouxfalls.dat\r\nVariables=none\r\n",
                                        "informe.doc");
        ExpectSoundPictures(report, 1, 76);
        ASSERT_EQ(report.pictures.size(), 1u);
        const testutil::TMetafileReport r =
            testutil::CheckMetafile(report.pictures[0].value("file").toString().toStdString());
        ASSERT_EQ(r.bounds.size(), 4u);
        heights[landscape] = r.bounds[3];
    }
    EXPECT_LT(heights[1], heights[0] * 0.9);
}

// The command-line batch over a definition naming the open network and two
// others: every picture shows its own network's links (no picture of legends
// alone), colour classes over its own values (not the classes of the network
// printed before), and text whose characters advance by their own widths.
TEST(BatchPictures, EveryNetworkPrintsItsOwnLinksClassesAndText)
{
    struct TNet {
        std::string file, stem;
        int links;
    };
    // Link counts of the public networks as their README gives them, and the sample's.
    const std::vector<TNet> nets = {{testutil::realDataPath("anaheim.dat"), "anaheim", 914},
                                    {std::string(VELMORA_SOURCE_DIR) + "/samples/ejemplo.dat", "ejemplo", 50},
                                    {testutil::realDataPath("chicago-sketch.dat"), "chicago-sketch", 2950}};
    for (const TNet& n : nets)
        if (!std::filesystem::exists(n.file))
            FAIL() << "no " << n.file;
    testutil::TempDir tmp;
    for (const TNet& n : nets)
        std::filesystem::copy_file(n.file, tmp.file(n.stem + ".dat"));
    std::string definition = "[General]\r\n[Tema]\r\n";
    for (const TNet& n : nets)
        definition += "[" + n.stem + "]\r\nRedPalvon=" + n.stem + ".dat\r\nVarVolumen=Cap\r\nVarColores=Long,NP\r\n";
    testutil::writeFile(tmp.file("lote.ini"), definition);
    ASSERT_EQ(testutil::RunProgram(tmp, {QString::fromStdString(tmp.file("chicago-sketch.dat")),
                                         QString::fromStdString(tmp.file("lote.ini"))}),
              0);

    std::set<std::vector<std::pair<double, double>>> legends;
    for (const TNet& n : nets) {
        SCOPED_TRACE(n.stem);
        for (const char* var : {"Cap", "Long"}) {
            const testutil::TMetafileReport r = testutil::CheckMetafile(tmp.file(n.stem + "_" + var + ".emf"));
            EXPECT_METAFILE_SOUND(r);
            EXPECT_GE(r.points, n.links) << var << ": " << r.Summary();
        }
        const testutil::TMetafileReport colours = testutil::CheckMetafile(tmp.file(n.stem + "_Long.emf"));
        legends.insert(testutil::ExpectLengthColourMap(colours));
        // The lane counts, whole numbers in classes of fifths: each class reads as
        // it is, none empty nor equal to the one below it.
        const testutil::TMetafileReport lanes = testutil::CheckMetafile(tmp.file(n.stem + "_NP.emf"));
        const std::vector<std::pair<double, double>> classes = lanes.RangeClasses();
        ASSERT_FALSE(classes.empty()) << lanes.texts.join('|').toStdString();
        for (size_t c = 0; c < classes.size() && classes.size() > 1; ++c) {
            EXPECT_LT(classes[c].first, classes[c].second) << lanes.texts.join('|').toStdString();
            if (c > 0) {
                EXPECT_EQ(classes[c].first, classes[c - 1].second) << lanes.texts.join('|').toStdString();
            }
        }
    }
    EXPECT_EQ(legends.size(), nets.size()) << "a network printed the classes of another";
}

// A definition from elsewhere names documents outside its folder, existing or
// new, by a relative and by an absolute name: the batch is refused with a
// message, nothing is written there or beside the definition; a document inside
// the folder is written as named.
TEST(BatchPictures, DefinitionDoesNotReplaceDocumentsOutsideItsFolder)
{
    testutil::TempDir tmp;
    const std::filesystem::path lote = tmp.path() / "lote", fuera = tmp.path() / "fuera";
    std::filesystem::create_directories(lote);
    std::filesystem::create_directories(fuera);
    std::filesystem::copy_file(std::string(VELMORA_SOURCE_DIR) + "/samples/ejemplo.dat", lote / "red.dat");
    const std::string victim = (fuera / "victima.doc").string(), absolute = (fuera / "otra.doc").string();
    testutil::writeFile(victim, "notas del usuario");
    testutil::writeFile(absolute, "otras notas");
    testutil::writeFile((fuera / "red.emf").string(), "dibujo del usuario");
    for (const std::string& named : {std::string("../fuera/victima.doc"), absolute, std::string("../fuera/nuevo.doc")}) {
        SCOPED_TRACE(named);
        testutil::writeFile((lote / "lote.ini").string(), "[General]\r\nDocumentoWord=" + named
                                                               + "\r\n[Tema]\r\n[Red]\r\nRedPalvon=red.dat\r\n"
                                                                 "Variables=none\r\n");
        QString errors;
        EXPECT_NE(testutil::RunProgram(tmp, {QString::fromStdString((lote / "red.dat").string()),
                                             QString::fromStdString((lote / "lote.ini").string())},
                                       &errors),
                  0);
        EXPECT_EQ(testutil::readFile(victim), "notas del usuario");
        EXPECT_EQ(testutil::readFile(absolute), "otras notas");
        EXPECT_EQ(testutil::readFile((fuera / "red.emf").string()), "dibujo del usuario");
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(fuera), std::filesystem::directory_iterator()), 3);
        EXPECT_FALSE(std::filesystem::exists(lote / std::filesystem::path(named).filename()));
        EXPECT_TRUE(errors.contains(QStringLiteral("fuera de la carpeta"))) << errors.toStdString();
    }
    // Inside its folder the document named is written, no question asked.
    testutil::writeFile((lote / "informe.doc").string(), "anterior");
    testutil::writeFile((lote / "lote.ini").string(), "[General]\r\nDocumentoWord=informe.doc\r\n[Tema]\r\n[Red]\r\n"
                                                       "RedPalvon=red.dat\r\nVariables=none\r\n");
    QString errors;
    EXPECT_EQ(testutil::RunProgram(tmp, {QString::fromStdString((lote / "red.dat").string()),
                                         QString::fromStdString((lote / "lote.ini").string())},
                                   &errors),
              0);
    EXPECT_FALSE(errors.contains(QStringLiteral("fuera de la carpeta"))) << errors.toStdString();
    EXPECT_EQ(ReadReport((lote / "informe.doc").string(), tmp.file("pictures2")).pictures.size(), 1u);
}
