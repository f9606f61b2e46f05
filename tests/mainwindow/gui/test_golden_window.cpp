// The whole window's outputs fingerprinted, so that moving code between the
// window's parts shows at once if anything a user gets changes: on the sample
// and a real network, with sets of layers switched on from the live toolbar, the
// map on screen, the printed page, the DXF drawing, the shapefile set and the
// settings file written on leaving. Each digest is paired with one check that
// the output holds what it should, since a digest alone only guards.
//
// Run-specific values are taken out first: the temporary folder (written as
// "<tmp>"), the save date in the settings file, the date in the shapefile's
// table header and the program's version in the page stamp.
//
// The digests are those of a program started afresh: each case runs in a process
// of its own, as ctest runs it, or after any other tests of this binary in one
// process, since every window of a test starts from the program's start state.
//
// Beside them, three outputs that take a whole run of their own: the pictures a
// batch print definition writes, the network's KMZ archive, and a theme saved,
// the view changed and the theme applied again (the view must come back equal).
//
// A changed output that is meant to change is re-recorded by running
//   VELMORA_PRINT_DIGESTS=1 build/test_mainwindow_gui --gtest_filter='*GoldenWindow*:GoldenOutputs*'
// and pasting the printed rows over the tables below.
#include "mainwindow/DlgCfg.h"
#include "mainwindow/DlgTemas.h"
#include "map/gui/OxrImage.h"
#include "model/KDVvars.h"
#include "printing/ZelPrinter.h"
#include "printing/gui/FrmPreview.h"
#include "support/FileDialogAnswer.h"
#include "support/GuiTestUtil.h"
#include "support/IdentityCases.h"
#include "support/LiveMenus.h"
#include "support/MetafileCheck.h"
#include "support/ViewerFixture.h"

#include <QAbstractButton>
#include <QCryptographicHash>
#include <QListWidget>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QPainter>
#include <QRegularExpression>
#include <QTimer>
#include <QtEndian>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>

namespace fs = std::filesystem;

namespace {

struct Case {
    const char* name;
    const char* file;   // a real network, or the sample when it begins with '/'
    const char* layers; // layer buttons switched on; "button=k" picks variable k from its menu first
    const char* map;
    const char* page;
    const char* dxf;
    const char* shp;
    const char* ini;
};
void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

const Case Cases[] = {
    {"sample_default", "/samples/ejemplo.dat", "",
     "6d3b24cd05b11cfd", "1d5a461d63a3ae03", "632bf20353bdd255", "4f609e104c798bb9", "095a3d6e4801853c"},
    {"sample_labels", "/samples/ejemplo.dat", "tbNodes tbArrows tbNameNodes tbCalles",
     "786c9a2532803682", "a7fdd790d950c4d9", "fff666ddc9715abe", "4f609e104c798bb9", "ea3ba7bca2a5681e"},
    {"sample_colours", "/samples/ejemplo.dat", "tbColores=5",
     "3e4afbbea4d6d7c7", "ef55438380af2732", "84aa47531a0c991b", "4f609e104c798bb9", "fb8b2a6fd1a25a05"},
    {"chicago_default", "chicago-sketch.dat", "",
     "f28b2b28f3e4da62", "0cd6057a1a98f938", "340c81d3d3987b14", "a70dae7a5044246e", "f7e18f2d12f9a376"},
    {"chicago_labels", "chicago-sketch.dat", "tbNodes tbArrows tbNameNodes tbCalles",
     "2805edea79ff0621", "6390a3c8e8556a75", "7e07cd2beccc2ba0", "a70dae7a5044246e", "ed032d9ba981c204"},
    {"chicago_colours", "chicago-sketch.dat", "tbColores=5",
     "2f4316ebd77298e5", "fd0c8d14223345c7", "a1b51475b87cdaf1", "a70dae7a5044246e", "e6bdf5090e3d6d83"},
};

// The digests of the outputs that take a run of their own, by case.
const std::map<std::string, std::string> OutputDigests = {
    {"batch_pictures", "4d7580b71893596b"},
    {"kmz_network", "77f752fd4a1729b4"},
    {"theme_view", "ce8ff327a9825b30"},
    {"theme_section", "6a4bf1644325ce56"},
};

std::string Digest(const QByteArray& bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex().left(16).toStdString();
}

// Pixels not of the picture's commonest colour.
int Ink(const QImage& image)
{
    std::map<QRgb, int> count;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ++count[image.pixel(x, y)];
    int most = 0;
    for (const auto& [c, n] : count)
        most = std::max(most, n);
    return image.width() * image.height() - most;
}

class GoldenOutputs : public ViewerFixture {
protected:
    QByteArray Read(const fs::path& file)
    {
        QByteArray bytes = QByteArray::fromStdString(testutil::readFile(file.string()));
        return bytes.replace(QByteArray::fromStdString(tmp.path().string()), "<tmp>");
    }
    // Copies the network into the folder "red" of the test and opens it.
    fs::path Open(const char* file)
    {
        const std::string source = testutil::CaseNetworkPath(file);
        EXPECT_FALSE(source.empty()) << "no real networks at " << testutil::realDataPath("");
        fs::create_directories(tmp.path() / "red");
        const fs::path net = tmp.path() / "red" / fs::path(source).filename();
        if (!fs::exists(net))
            fs::copy_file(source, net);
        viewer->show();
        testutil::settle();
        GeneratedBy = "Generado por Velmora";
        EXPECT_TRUE(viewer->Files().AbrirRedPalvon(net.string()));
        testutil::settle();
        return net;
    }
    // Switches the layer buttons on from the live toolbar; "button=k" picks
    // variable k from the button's menu first.
    void PressLayers(const char* layers)
    {
        for (const QString& item : QString::fromLatin1(layers).split(' ', Qt::SkipEmptyParts)) {
            const QString button = item.section('=', 0, 0);
            QAction* b = livemenus::Reach(viewer, "toolbar:tbarArcos", button);
            ASSERT_NE(b, nullptr);
            if (item.contains('=')) {
                ASSERT_NE(b->menu(), nullptr) << button.toStdString();
                emit b->menu()->aboutToShow();
                QAction* pick = nullptr;
                for (QAction* v : b->menu()->actions())
                    if (v->isEnabled() && v->data().toInt() == item.section('=', 1).toInt())
                        pick = v;
                ASSERT_NE(pick, nullptr) << item.toStdString();
                pick->trigger();
            }
            if (!viewer->Down(button))
                b->trigger();
            ASSERT_TRUE(viewer->Down(button)) << button.toStdString();
        }
        viewer->RedrawMap();
        testutil::settle();
    }
    static void Expect(const char* name, const std::string& digest)
    {
        if (std::getenv("VELMORA_PRINT_DIGESTS"))
            std::printf("    {\"%s\", \"%s\"},\n", name, digest.c_str());
        EXPECT_EQ(digest, OutputDigests.at(name)) << name;
    }
};

class GoldenWindow : public GoldenOutputs, public ::testing::WithParamInterface<Case> {};

} // namespace

TEST_P(GoldenWindow, OutputsAsRecorded)
{
    const Case& c = GetParam();
    const fs::path net = Open(c.file);
    ASSERT_FALSE(HasFailure());
    fs::create_directories(tmp.path() / "shp");
    PressLayers(c.layers);
    ASSERT_FALSE(HasFailure());

    // (a) The map on screen.
    const QImage& screen = viewer->img->Picture();
    const std::string map = testutil::PixelDigest(screen);
    EXPECT_GT(Ink(screen), 1000) << "a blank map";

    // (b) The printed page, as the preview holds it, played onto an image.
    ASSERT_TRUE(livemenus::Click(viewer, "menu:Archivo", "aVistaPrevia1"));
    testutil::settle();
    const TPagePicture& printed = viewer->Printing().Page().PrintPicture;
    ASSERT_FALSE(printed.IsEmpty());
    QImage pageImage(printed.Width(), printed.Height(), QImage::Format_ARGB32_Premultiplied);
    pageImage.fill(Qt::white);
    {
        QPainter p(&pageImage);
        printed.Play(p);
    }
    const std::string page = testutil::PixelDigest(pageImage);
    EXPECT_GT(Ink(pageImage), 1000) << "a blank page";

    // (c) The DXF drawing and (d) the shapefile set, saved from the preview.
    QAction* save = viewer->Printing().Preview()->findChild<QAction*>("tbSave");
    ASSERT_NE(save, nullptr);
    const fs::path dxfFile = tmp.path() / "plano.dxf";
    testutil::AnswerFileDialog(viewer, dxfFile.string(), 2);
    save->trigger();
    const QByteArray dxfBytes = Read(dxfFile);
    const std::string dxf = Digest(dxfBytes);
    EXPECT_GE(dxfBytes.count("\nLINE\r\n") + dxfBytes.count("\nLINE\n"), Network.LinkCount / 2) << "links in the DXF";

    testutil::AnswerFileDialog(viewer, (tmp.path() / "shp" / "arcos.shp").string(), 4);
    save->trigger();
    viewer->Printing().Preview()->close();
    QCryptographicHash shpHash(QCryptographicHash::Sha1);
    std::vector<fs::path> shpFiles(fs::directory_iterator(tmp.path() / "shp"), fs::directory_iterator());
    std::sort(shpFiles.begin(), shpFiles.end());
    QByteArray dbf;
    for (const fs::path& f : shpFiles) {
        QByteArray bytes = Read(f);
        if (f.extension() == ".dbf" && bytes.size() > 4) {
            bytes.replace(1, 3, QByteArray(3, '\0')); // the date of last update
            dbf = bytes;
        }
        shpHash.addData(QByteArray::fromStdString(f.filename().string()));
        shpHash.addData(bytes);
    }
    const std::string shp = shpHash.result().toHex().left(16).toStdString();
    ASSERT_GT(dbf.size(), 8);
    int placed = 0;
    for (int32_t l = 1; l <= Network.LinkCount; ++l)
        placed += Arcos[l].AIndex > 0 && Arcos[l].BIndex > 0 && Nodos[Arcos[l].AIndex].HasXY &&
                  Nodos[Arcos[l].BIndex].HasXY;
    const auto records = qFromLittleEndian<quint32>(dbf.constData() + 4);
    EXPECT_EQ(int(records), placed) << "links in the shapefile";

    // (e) The settings file, after leaving through the menu and saying yes.
    viewer->AskOnClose = true;
    QTimer::singleShot(0, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            box->button(QMessageBox::Yes)->click();
    });
    ASSERT_TRUE(livemenus::Click(viewer, "menu:Archivo", "FileExitItem"));
    viewer->AskOnClose = false;
    EXPECT_FALSE(viewer->isVisible());
    QByteArray iniBytes = Read(tmp.path() / "Velmora0.INI");
    const std::string settings = QString::fromUtf8(iniBytes)
                                     .replace(QRegularExpression("Fecha=[^\r\n]*"), "Fecha=<fecha>")
                                     .toStdString();
    EXPECT_NE(settings.find("FileName=<tmp>/red/" + net.filename().string()), std::string::npos) << settings;
    const std::string ini = Digest(QByteArray::fromStdString(settings));

    if (std::getenv("VELMORA_PRINT_DIGESTS"))
        std::printf("    {\"%s\", \"%s\", \"%s\",\n     \"%s\", \"%s\", \"%s\", \"%s\", \"%s\"},\n", c.name, c.file,
                    c.layers, map.c_str(), page.c_str(), dxf.c_str(), shp.c_str(), ini.c_str());
    EXPECT_EQ(map, c.map) << c.name << ": the map on screen";
    EXPECT_EQ(page, c.page) << c.name << ": the printed page";
    EXPECT_EQ(dxf, c.dxf) << c.name << ": the DXF drawing";
    EXPECT_EQ(shp, c.shp) << c.name << ": the shapefile set";
    EXPECT_EQ(ini, c.ini) << c.name << ": the settings file\n" << settings;
}

INSTANTIATE_TEST_SUITE_P(Window, GoldenWindow, ::testing::ValuesIn(Cases),
                         [](const auto& info) { return std::string(info.param.name); });

// A print definition of three pictures (bars, a colour map, movement values)
// printed from "Imprimir Redes": every picture written, its bytes in name order.
// Content: each picture is a sound metafile with the stamp, a point per link and
// its variable's caption.
TEST_F(GoldenOutputs, BatchPicturesAsRecorded)
{
    const fs::path net = Open("chicago-sketch.dat");
    ASSERT_FALSE(HasFailure());
    fs::create_directories(tmp.path() / "lote");
    const fs::path def = tmp.path() / "lote" / "lote.ini";
    testutil::writeFile(def.string(), "[General]\r\nTama\xC3\xB1oPapel=1\r\n[Tema]\r\n[Chicago]\r\n"
                                      "RedPalvon=../red/chicago-sketch.dat\r\nVarVolumen=Cap\r\n"
                                      "VarColores=Long\r\nVarMovim=Fl.Sat\r\n");
    testutil::AnswerFileDialog(viewer, def.string());
    ASSERT_TRUE(livemenus::Click(viewer, "menu:Archivo>Impresion de Redes", "DefinirRedes1"));
    testutil::settle();
    ASSERT_TRUE(livemenus::Click(viewer, "menu:Archivo>Impresion de Redes", "ImprimirRedes1"));
    testutil::settle();

    std::vector<fs::path> pictures;
    for (const fs::path& f : fs::recursive_directory_iterator(tmp.path()))
        if (f.extension() == ".emf")
            pictures.push_back(f);
    std::sort(pictures.begin(), pictures.end());
    ASSERT_EQ(pictures.size(), 3u);
    QCryptographicHash hash(QCryptographicHash::Sha1);
    const char* captions[] = {"Capacidad", "Longitud", "Flujo Saturaci\xC3\xB3n"};
    for (const fs::path& f : pictures) {
        hash.addData(QByteArray::fromStdString(fs::relative(f, tmp.path()).string()));
        hash.addData(Read(f));
        const testutil::TMetafileReport r = testutil::CheckMetafile(f.string());
        EXPECT_METAFILE_SOUND(r);
        EXPECT_GE(r.points, 2950) << f << r.Summary();
        EXPECT_TRUE(r.HasText(QStringLiteral("Generado por Velmora"))) << f << r.Summary();
        int shown = 0;
        for (const char* caption : captions)
            shown += r.HasText(QString::fromUtf8(caption));
        EXPECT_EQ(shown, 1) << f << r.texts.join('|').toStdString();
    }
    Expect("batch_pictures", hash.result().toHex().left(16).toStdString());
}

// The network saved as KMZ from the preview: the archive's entries, read by
// python's zipfile (an archive's dates are the run's own, its entries are not).
// Content: one placemark per placed link and per node.
TEST_F(GoldenOutputs, NetworkKmzAsRecorded)
{
    Open("chicago-sketch.dat");
    ASSERT_FALSE(HasFailure());
    ASSERT_TRUE(livemenus::Click(viewer, "menu:Archivo", "aVistaPrevia1"));
    testutil::settle();
    QAction* save = viewer->Printing().Preview()->findChild<QAction*>("tbSave");
    ASSERT_NE(save, nullptr);
    const fs::path kmz = tmp.path() / "red.kmz";
    testutil::AnswerFileDialog(viewer, kmz.string(), 3);
    save->trigger();
    viewer->Printing().Preview()->close();
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"),
            {QStringLiteral("-c"),
             QStringLiteral("import sys, zipfile, hashlib\n"
                            "z = zipfile.ZipFile(sys.argv[1]); assert z.testzip() is None\n"
                            "marks = 0\n"
                            "for n in sorted(z.namelist()):\n"
                            "    d = z.read(n).replace(sys.argv[2].encode(), b'<tmp>')\n"
                            "    marks += d.count(b'<Placemark')\n"
                            "    print(n, hashlib.sha1(d).hexdigest())\n"
                            "print('placemarks', marks)\n"),
             QString::fromStdString(kmz.string()), QString::fromStdString(tmp.path().string())});
    ASSERT_TRUE(p.waitForFinished(60000));
    const QByteArray listing = p.readAllStandardOutput();
    int placed = 0;
    for (int32_t l = 1; l <= Network.LinkCount; ++l)
        placed += Arcos[l].AIndex > 0 && Arcos[l].BIndex > 0 && Nodos[Arcos[l].AIndex].HasXY &&
                  Nodos[Arcos[l].BIndex].HasXY;
    const int marks = listing.mid(listing.indexOf("placemarks ") + 11).trimmed().toInt();
    EXPECT_GE(marks, placed + Network.NodeCount) << listing.toStdString();
    Expect("kmz_network", Digest(listing));
}

// A theme defined from the menu "Temas" over a view with layers and a zoom step; the view then changed (other layers, the whole network) and
// the theme applied again: the map comes back pixel for pixel, with its buttons.
// (A theme applied takes the variable of the current drawing mode rather than
// its own, so the round trip leaves the variables alone.)
TEST_F(GoldenOutputs, ThemeRoundTripGivesTheViewBack)
{
    Open("chicago-sketch.dat");
    ASSERT_FALSE(HasFailure());
    PressLayers("tbNodes tbArrows");
    ASSERT_FALSE(HasFailure());
    livemenus::Find(viewer, "aAcercar1")->trigger();
    viewer->RedrawMap();
    testutil::settle();
    const std::string view = testutil::PixelDigest(viewer->img->Picture());
    std::map<std::string, bool> buttons;
    for (const char* b : {"tbNodes", "tbColores", "tbArrows", "tbNameNodes", "tbCalles", "tbAtributos"})
        buttons[b] = viewer->Down(QString::fromLatin1(b));
    viewer->Display().Dialogs.InputText = [](const std::string&, const std::string&, std::string& text) {
        text = "Dorado";
        return true;
    };
    ASSERT_TRUE(livemenus::Click(viewer, "menu:Herramientas>Temas", "aDefinir1"));
    viewer->Display().Dialogs.InputText = nullptr;
    const QByteArray section = Read(tmp.path() / "Velmorat.INI");

    livemenus::Reach(viewer, "toolbar:tbarArcos", "tbNodes")->trigger();
    PressLayers("tbNameNodes tbCalles");
    ASSERT_FALSE(HasFailure());
    livemenus::Find(viewer, "aAlejar1")->trigger();
    viewer->RedrawMap();
    testutil::settle();
    EXPECT_NE(testutil::PixelDigest(viewer->img->Picture()), view);

    QTimer::singleShot(0, [] {
        DlgTemas->lbSects->setCurrentRow(0);
        DlgTemas->OKBtn->click();
    });
    ASSERT_TRUE(livemenus::Click(viewer, "menu:Herramientas>Temas", "aAplicar1"));
    testutil::settle();
    EXPECT_EQ(viewer->Themes().ThemeName(), "Dorado");
    for (const auto& [b, down] : buttons)
        EXPECT_EQ(viewer->Down(QString::fromStdString(b)), down) << b;
    EXPECT_EQ(testutil::PixelDigest(viewer->img->Picture()), view) << "the view did not come back";
    Expect("theme_view", view);
    Expect("theme_section", Digest(section));
}
