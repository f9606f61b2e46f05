#include "analysis/Fases.h"
#include "analysis/gui/FrmFases.h"
#include "map/ViewState.h"
#include "platform/DocWriter.h"
#include "map/gui/OxrImage.h"
#include "model/FileUtils.h"
#include "model/KDVvars.h"
#include "model/LinkGeometry.h"
#include "model/LinkShapes.h"
#include "model/PalvonRead.h"
#include "model/PalvonVars.h"
#include "printing/gui/FrmPreview.h"
#include "support/MetafileCheck.h"
#include "support/PrintedPdf.h"
#include "support/TestUtil.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <QGroupBox>
#include <QImage>
#include <QMenu>
#include <QSpinBox>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>

using namespace testutil;

namespace {

std::string Between(const std::string& s, const std::string& key)
{
    const size_t at = s.find(key);
    if (at == std::string::npos) return "";
    size_t end = at + key.size();
    while (end < s.size() && isdigit(static_cast<unsigned char>(s[end])))
        ++end;
    return s.substr(at + key.size(), end - at - key.size());
}

// Junctions 1..n in a row, 200 units apart, joined both ways; junction 1 is
// signalised with `stages` stages and one straight movement per stage.
void BuildRow(int n, int stages)
{
    PalvonRead::ClearNetwork();
    Network.LengthScale = 1.0f;
    UserView().Lanes.LaneOffset = 4.5f;
    for (int i = 1; i <= n; ++i) {
        const int k = PalvonRead::NodeIndex(i);
        Nodos[k].X = static_cast<float>(200 * i);
        Nodos[k].Y = 0;
        Nodos[k].JunctionType = 1;
    }
    auto link = [](int a, int b) {
        const int32_t i = PalvonRead::NewLink();
        TArcos& l = Arcos[i];
        l.A = a;
        l.B = b;
        l.AIndex = a;
        l.BIndex = b;
        l.PointCount = 2;
        l.Points[1] = {Nodos[a].X, Nodos[a].Y};
        l.Points[2] = {Nodos[b].X, Nodos[b].Y};
        l.SetLanes(1);
        l.LaneEdgeCount = 2;
        const double s = b > a ? 1 : -1;
        l.LaneEdgeNear[0] = {Nodos[a].X, -s};
        l.LaneEdgeNear[1] = {Nodos[b].X, -s};
        l.LaneEdgeFar[0] = {Nodos[a].X, -4 * s};
        l.LaneEdgeFar[1] = {Nodos[b].X, -4 * s};
        l.LaneDirs[1][1] = 1;
        l.BearingA = b > a ? 0 : 1800;
        return i;
    };
    int32_t into1 = 0;
    for (int i = 1; i < n; ++i) {
        link(i, i + 1);
        const int32_t back = link(i + 1, i);
        if (i == 1) into1 = back;
    }
    Nodos[1].JunctionType = 3;
    const int s = PalvonRead::NewSignal();
    Fases[s].Node = 1;
    Fases[s].StageCount = stages;
    Fases[s].Cycle = 60;
    Nodos[1].SignalIndex = s;
    const int32_t m = PalvonRead::NewMovement();
    Movims[m].Node = 1;
    Movims[m].A = 2;
    Movims[m].AIndex = 2;
    Movims[m].EntryLink = into1;
    for (int st = 1; st <= stages; ++st)
        Movims[m].InStage[st] = 1;
    for (bool& b : JtypeSelected)
        b = true;
}

} // namespace

TEST(FrmFases, ShowsStagesAndComposesPictures)
{
    BuildRow(3, 2);
    TFrmFases w;
    w.MakePupNodos();
    EXPECT_EQ(w.pupNodos->actions().size(), 3);
    w.CreateFases(1);
    EXPECT_EQ(NodoActual, 1);
    EXPECT_EQ(w.windowTitle().toStdString(), "Diseño de Intersecciones. Nodo Semaforizado : 1");
    EXPECT_FALSE(w.G[0]->isHidden());
    EXPECT_FALSE(w.G[1]->isHidden());
    EXPECT_TRUE(w.G[2]->isHidden());
    // The picture is square with the pale background in its corner.
    EXPECT_EQ(w.fimg->width(), w.fimg->height());
    EXPECT_EQ(w.fimg->Picture().pixelColor(2, 2), QColor(255, 255, 225));
    // The stage thumbnail got an arrow: some black pixels.
    const QImage& thumb = w.Fase[0]->Picture();
    int dark = 0;
    for (int y = 0; y < thumb.height(); ++y)
        for (int x = 0; x < thumb.width(); ++x)
            dark += qGray(thumb.pixel(x, y)) < 64;
    EXPECT_GT(dark, 5);

    TempDir dir;
    ASSERT_TRUE(w.CopyJunction(dir.file("a.png")));
    QImage copy(QString::fromStdString(dir.file("a.png")));
    EXPECT_EQ(copy.width(), w.fimg->width() + 2 + w.Fase[0]->width());
    EXPECT_EQ(copy.height(), w.fimg->height() + 30);

    // A junction without signal: only the picture, exactly as wide as it.
    w.tbNextClick();
    EXPECT_EQ(NodoActual, 2);
    EXPECT_TRUE(w.G[0]->isHidden());
    ASSERT_TRUE(w.CopyJunction(dir.file("b.png")));
    EXPECT_EQ(QImage(QString::fromStdString(dir.file("b.png"))).width(), w.fimg->width());
    w.tbNextClick();
    w.tbNextClick(); // on the last: stays
    EXPECT_EQ(NodoActual, 3);
    w.tbFirstClick();
    EXPECT_EQ(NodoActual, 1);
}

TEST(FrmFases, DocumentOfTheListedJunctionsInColumns)
{
    BuildRow(7, 1);
    TFrmFases w;
    w.MakePupNodos();
    w.CreateFases(4);
    w.seCols->setValue(3);
    TempDir dir;
    // The working folder (the network's) read-only: the pictures pass elsewhere and
    // the document goes where the user said.
    const std::filesystem::path network = dir.path() / "red";
    std::filesystem::create_directory(network);
    std::filesystem::permissions(network, std::filesystem::perms(0555));
    WorkingDir here(network);
    const std::string name = dir.file("fases.doc");
    ASSERT_TRUE(w.WriteDocument(name));
    const std::string rtf = readFile(name);
    EXPECT_EQ(rtf.substr(0, 6), "{\\rtf1");
    size_t rows = 0, pictures = 0, pos = 0;
    while ((pos = rtf.find("\\row\r\n", pos)) != std::string::npos) {
        ++rows;
        ++pos;
    }
    pos = 0;
    while ((pos = rtf.find("{\\pict", pos)) != std::string::npos) {
        ++pictures;
        ++pos;
    }
    EXPECT_EQ(rows, 3u);
    EXPECT_EQ(pictures, 7u);
    // 5.0 inches asked, but three columns of 6.5 inches of text leave a cell of
    // 2.17 inches: the picture is fitted to its cell, not cut at its edge.
    const int width = std::stoi(Between(rtf, "\\picwgoal"));
    EXPECT_LE(width, 3120);
    EXPECT_GT(width, 2800);
    EXPECT_NE(rtf.find("\\emfblip"), std::string::npos); // the diagrams are metafiles
    EXPECT_EQ(NodoActual, 4);                       // back on the junction shown before
    EXPECT_FALSE(std::filesystem::exists("emf.emf"));
}

TEST(FrmFases, PhasesReportAppendsTableAndCaptionedPictures)
{
    BuildRow(5, 2);
    TFrmFases w;
    w.tbSync->setChecked(true);
    for (int i = 0; i <= MaxNodos; ++i)
        NodoEnLista[i] = 0;
    const int32_t numbers[] = {1, 3, 42, 5, 2, 0}; // 42: no such node
    for (int k = 0; k < 6; ++k)
        NodeList[k + 1] = numbers[k];
    TempDir dir;
    WorkingDir here(dir.path()); // the pictures leave the working folder alone
    DocWriter::TDocWriter doc;
    doc.Open(DocWriter::PageSetup());
    DocWriter::PictureBox box;
    box.widthIn = 3.0;
    w.PhasesReport(doc, "Norte", box, 2);
    EXPECT_FALSE(w.tbSync->isChecked());
    EXPECT_EQ(doc.TableCount(), 2);
    const std::string rtf = doc.Rtf();
    size_t rows = 0, pos = 0;
    while ((pos = rtf.find("\\row\r\n", pos)) != std::string::npos) {
        ++rows;
        ++pos;
    }
    EXPECT_EQ(rows, 6u + 2u); // stage table: 2 headers + 4 junctions; pictures: 2 rows of 2
    EXPECT_NE(rtf.find("Red: Norte    Nodo: 5"), std::string::npos);
    // The pictures are the printed twin's metafiles, read back by the record
    // walker: inside their bounds, with the title and the stamp as text.
    const std::string docFile = dir.file("fases.doc");
    writeFile(docFile, rtf);
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral(VELMORA_SOURCE_DIR "/tests/support/rtf_pictures.py"),
                                                 QString::fromStdString(docFile), QString::fromStdString(dir.path().string())});
    ASSERT_TRUE(p.waitForFinished(60000));
    const QJsonArray pictures = QJsonDocument::fromJson(p.readAllStandardOutput()).object().value("pictures").toArray();
    ASSERT_EQ(pictures.size(), 4);
    for (const QJsonValue& v : pictures) {
        const QJsonObject pic = v.toObject();
        EXPECT_EQ(pic.value("kind").toString(), QStringLiteral("emfblip"));
        EXPECT_LE(pic.value("width").toDouble(), pic.value("cell_width").toDouble());
        const TMetafileReport r = CheckMetafile(pic.value("file").toString().toStdString());
        EXPECT_METAFILE_SOUND(r);
        EXPECT_TRUE(r.HasText(QStringLiteral("Intersecciones"))) << r.Summary();
        EXPECT_TRUE(r.HasText(QString::fromStdString(GeneratedBy)));
    }
    EXPECT_NE(rtf.find("\\page"), std::string::npos);
    EXPECT_EQ(NodoActual, 5); // the last of the list stays shown
}

TEST(FrmFases, RealSignalisedJunctions)
{
    const std::string path = realDataPath("siouxfalls-junctions.dat");
    if (!std::filesystem::exists(path)) FAIL() << "no real networks";
    TempDir dir;
    PalvonRead::TReadSettings settings;
    settings.ErrorListFile = dir.file("Errores.txt");
    settings.NetworkDatFile = path;
    std::vector<std::string> lines;
    ASSERT_TRUE(FileUtils::ReadLines(path, lines));
    ASSERT_TRUE(PalvonRead::ReadNetwork(lines, settings));
    PalvonRead::ComputeLinkGeometry(UserView().Lanes);
    for (bool& b : JtypeSelected)
        b = false;
    JtypeSelected[3] = true;
    TFrmFases w;
    w.MakePupNodos();
    ASSERT_EQ(KDVFases::ListedCount(), Network.SignalCount);
    for (int32_t k = KDVFases::FirstListed(); k >= 1; k = KDVFases::NextListed(k)) {
        w.CreateFases(k);
        const int32_t stages = KDVFases::StageCount(KDVFases::Diagram);
        EXPECT_GE(stages, 2) << Nodos[k].Number;
        EXPECT_FALSE(w.G[static_cast<size_t>(stages - 1)]->isHidden());
        EXPECT_FALSE(KDVFases::Diagram.StageLines.empty()) << Nodos[k].Number;
        for (const auto& l : KDVFases::Diagram.StageLines)
            EXPECT_GE(KDVFases::EntryNodeOf(l, KDVFases::Diagram.Approaches), 1);
        EXPECT_GT(KDVFases::Diagram.MaxArmDistance, 0);
    }
}

// The junction printed from its window's button fills the page's width (the
// screen-sized picture scaled to the printer page), read back with pdftoppm.
TEST(FrmFases, PrintedJunctionIsScaledToThePage)
{
    BuildRow(3, 2);
    TFrmFases w;
    w.MakePupNodos();
    w.CreateFases(1);
    TempDir dir;
    const std::string pdf = dir.file("nodo.pdf");
    Printer().setOutputFormat(QPrinter::PdfFormat);
    Printer().setOutputFileName(QString::fromStdString(pdf));
    w.tbPrint->trigger();
    Printer().setOutputFormat(QPrinter::NativeFormat);
    Printer().setOutputFileName(QString());
    const QImage page = RasteriseFirstPage(pdf, dir.file("nodo"));
    ASSERT_FALSE(page.isNull());
    const int ink = InkWidth(page);
    ASSERT_GE(ink, 0) << "blank page";
    EXPECT_GT(ink, page.width() * 6 / 10);
}
