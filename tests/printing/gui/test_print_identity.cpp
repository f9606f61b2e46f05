// The printed network layers byte for byte: the sample and real networks printed
// at a printer's resolution with links, lanes, arrows, nodes, centroids, node
// numbers, street names and movement symbols, once straight onto an image and
// once as the printing path makes a page (a recorded page played on the metafile
// device). Classes, marks and blocked links are set on a share of the elements,
// so every pen style is printed. Each digest was taken from the printing code as
// it stood before the layers shared their walk and geometry with the map; a
// changed pixel or metafile record changes it.
#include "map/DisplayStyles.h"
#include "map/DrawState.h"
#include "map/Ranges.h"
#include "map/gui/OxrImage.h"
#include "model/FileUtils.h"
#include "model/HitGrid.h"
#include "model/KDVlib.h"
#include "model/JunctionOutlines.h"
#include "model/KDVvars.h"
#include "model/LinkGeometry.h"
#include "platform/EmfDevice.h"
#include "platform/PagePicture.h"
#include "printing/ZelPrinter.h"
#include "printing/gui/PrintLayers.h"
#include "support/ViewerFixture.h"

#include <QAction>
#include <QCryptographicHash>
#include <QImage>
#include <QPainter>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

namespace {

void ResetDisplayState()
{
    DisplayStyles::SetDefaultStyles();
    DisplayStyles::SetDefaultClassStyles();
    SymbolColors.fill(0x00FFFF);
    NodeSize = 3;
    CentroidSize = 10;
    ArrowSize = 8;
    SignalSize = 10;
    NodeLabelPos = 6;
    StreetLabelPos = 1;
    StreetLabelOffset = 0.5f;
    AnchoPista = 3.5f;
    LaneOffset = 1.5f * AnchoPista;
    FMov = 1.0;
    PixsMov = 3;
    ShowLanes = false;
    LanesReady = false;
    ZoomIndex = 1;
}

std::string Hex16(const QByteArray& digest) { return digest.toHex().left(16).toStdString(); }

std::string Hash(const QImage& image)
{
    QCryptographicHash h(QCryptographicHash::Sha1);
    for (int y = 0; y < image.height(); ++y)
        h.addData(QByteArrayView(reinterpret_cast<const char*>(image.constScanLine(y)), image.width() * 4));
    return Hex16(h.result());
}

std::string Hash(const std::vector<uint8_t>& bytes)
{
    return Hex16(QCryptographicHash::hash(
        QByteArrayView(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())),
        QCryptographicHash::Sha1));
}

// A share of the links, nodes and zones gets a class, the marked and blocked
// flags (on one or both directions), so the pen styles of every kind print.
void MarkElements()
{
    for (int32_t i = 1; i <= Network.LinkCount; ++i) {
        TArcos& a = Arcos[i];
        if (i % 11 == 0)
            a.Mark = 1 + i % MaxClasses;
        if (i % 13 == 0)
            a.SetFlag(8);
        if (i % 17 == 0)
            a.SetFlag(10);
        if (i % 23 == 0)
            a.SetFlag(11);
        if (i % 19 == 0) {
            a.SetFlag(9);
            if (a.ReverseIndex >= 1 && a.ReverseIndex <= Network.LinkCount && i % 38 == 0)
                Arcos[a.ReverseIndex].SetFlag(9);
        }
    }
    for (int32_t n = 1; n <= Network.NodeCount; ++n)
        if (n % 9 == 0)
            Nodos[n].Mark = 1 + n % 3;
    for (int32_t z = 1; z <= Network.ZoneCount; ++z)
        if (z % 4 == 0)
            Zonas[z].Class = 2;
}

// Turning movements at every junction: from each link to each link leaving its
// end node (not straight back), with the turn from the two bearings and values
// spread over the range classes.
void MakeMovements()
{
    std::vector<std::vector<int32_t>> leaving(size_t(Network.NodeCount) + 1);
    for (int32_t i = 1; i <= Network.LinkCount; ++i)
        if (Arcos[i].AIndex >= 1 && Arcos[i].AIndex <= Network.NodeCount)
            leaving[size_t(Arcos[i].AIndex)].push_back(i);
    for (int32_t i = 1; i <= Network.LinkCount; ++i) {
        const TArcos& a = Arcos[i];
        if (a.BIndex < 1 || a.BIndex > Network.NodeCount)
            continue;
        for (int32_t j : leaving[size_t(a.BIndex)]) {
            const TArcos& c = Arcos[j];
            if (c.BIndex == a.AIndex || Network.MovementCount >= MaxMovims - 2)
                continue;
            TMovimiento& m = Movims[PalvonRead::NewMovement()];
            m.A = Nodos[a.AIndex].Number;
            m.Node = Nodos[a.BIndex].Number;
            m.C = Nodos[c.BIndex].Number;
            m.AIndex = a.AIndex;
            m.JunctionIndex = a.BIndex;
            m.CIndex = c.BIndex;
            m.EntryLink = i;
            m.ExitLink = j;
            int32_t turn = (c.BearingA - a.BearingB) % 3600;
            if (turn > 1800)
                turn -= 3600;
            if (turn <= -1800)
                turn += 3600;
            m.TurnAngle = turn;
            m.TurnDir = turn >= 451 ? -1 : (turn < -450 ? 1 : 0);
            m.Var[1] = float((i * 37 + j * 11) % 100);
        }
    }
    NumColMovim = 5;
    ColVarMovim.fill(0);
    ColVarMovim[4] = 1;
    TitMovim[4] = "Flujo";
    RangeVarMovim = 4;
    Ranges::FillDefaultRanges(0.0f, 100.0f);
    RangeTable[2].Active = false;
    MovimDrawMode = false;
}

struct Case {
    const char* name;
    const char* file; // a real network, or the sample when it begins with '/'
    double percent;   // the page's share of the extent
    const char* layers;
    const char* expected; // image digest / metafile digest
};

// Layers: n links, l lanes, a arrows, v open arrowheads, o nodes, c centroids,
// 1 node numbers, s street names, m movement symbols, k classes and marks; j the
// page centred on the first signalised junction.
const Case Cases[] = {
    {"sample_full", "/samples/ejemplo.dat", 100, "knaoc1sm", "18c4f5cbe4bff54a/a3996369573656f0"},
    {"sample_lanes", "/samples/ejemplo.dat", 4, "jklao1sm", "b8438fccf4a6e1b8/1413e54fa53c901f"},
    {"chicago_full", "chicago-sketch.dat", 100, "knaoc1sm", "fe3fcf1bfe06c6e1/22cdccf7ad349494"},
    {"chicago_lanes", "chicago-sketch.dat", 3, "klvo1m", "bf6b335b4c852a7c/230364522fc572a6"},
    {"berlin_zoom", "berlin-center-truncated.dat", 8, "knaoc1s", "550cf1d4be269c94/edebced73e7d7b0b"},
};

// The layers in the order a page prints them, on the page painter set up.
void PrintCaseLayers(QPainter& p, const std::string& layers)
{
    using namespace PrintLayers;
    auto has = [&](char k) { return layers.find(k) != std::string::npos; };
    ZelPrinter::ResetLabelsOff();
    if (has('m'))
        PrintMovimLinks(p);
    if (has('n'))
        PrintNetWork(p);
    if (has('l'))
        PrintNetWorkLanes(p);
    if (has('a') || has('v'))
        PrintArrows(p);
    if (has('o'))
        PrintNodes(p);
    if (has('c'))
        PrintCents(p);
    ZelPrinter::ResetLabelsOff();
    if (has('1'))
        PrintNameNodes(p);
    ZelPrinter::ResetLabels();
    ZelPrinter::ResetLabelsOff();
    if (has('s'))
        PrintCalles(p);
    ZelPrinter::ResetLabels();
}

class PrintIdentity : public ViewerFixture, public ::testing::WithParamInterface<Case> {
protected:
    void SetUp() override
    {
        ViewerFixture::SetUp();
        savedFactor = SizeFactor;
        PalvonRead::ErrorList.clear();
        ResetDisplayState();
    }
    void TearDown() override
    {
        ZelPrinter::Painter().SetPainter(nullptr);
        SizeFactor = savedFactor;
        ResetDisplayState();
        for (const char* name : {"ColorNode", "Semaforos", "SimpleArrow"})
            viewer->Action(QString::fromLatin1(name))->setChecked(false);
        ViewerFixture::TearDown();
    }
    float savedFactor = 1.0f;
};

} // namespace

TEST_P(PrintIdentity, PagesAsBefore)
{
    const Case& c = GetParam();
    std::string path;
    if (c.file[0] == '/') {
        path = std::string(VELMORA_SOURCE_DIR) + c.file;
    } else {
        path = testutil::realDataPath(c.file);
        if (!std::filesystem::exists(path))
            GTEST_SKIP() << "no real networks at " << testutil::realDataPath("");
    }
    const std::string layers = c.layers;
    auto has = [&](char k) { return layers.find(k) != std::string::npos; };
    PalvonRead::NetworkDatFile = path;
    std::vector<std::string> lines;
    ASSERT_TRUE(FileUtils::ReadLines(path, lines));
    ASSERT_TRUE(PalvonRead::ReadNetwork(lines));
    if (has('k'))
        MarkElements();
    if (has('m'))
        MakeMovements();
    KDVlib::BuildHitGrid();
    PalvonRead::ComputeLinkGeometry();
    PalvonRead::OrderArms();
    PalvonRead::ComputeLinkDataExtremes();
    ShowLanes = has('l');

    viewer->Action(QStringLiteral("ColorNode"))->setChecked(true);
    viewer->Action(QStringLiteral("Semaforos"))->setChecked(true);
    viewer->Action(QStringLiteral("SimpleArrow"))->setChecked(has('v'));

    // A page of 1800 x 1200 printer pixels, sizes 2.5 times the screen's.
    SizeFactor = 2.5f;
    const int width = 1800, height = 1200;
    const double w = Network.MaxX - Network.MinX, h = Network.MaxY - Network.MinY;
    double cx = Network.MinX + w / 2, cy = Network.MinY + h / 2;
    const double f = c.percent / 200.0;
    if (has('j'))
        for (int32_t n = 1; n <= Network.NodeCount; ++n)
            if (Nodos[n].JunctionType == 3 && Nodos[n].HasXY) {
                cx = Nodos[n].X;
                cy = Nodos[n].Y;
                break;
            }
    ZelPrinter::SetPageSize(width, height);
    ZelPrinter::SetMinX(cx - w * f);
    ZelPrinter::SetMaxX(cx + w * f);
    ZelPrinter::SetMinY(cy - h * f);
    ZelPrinter::SetMaxY(cy + h * f);
    KDVlib::SetGrid(ZelPrinter::MinX(), ZelPrinter::PixelToWorldX(width), ZelPrinter::MinY(),
                    ZelPrinter::PixelToWorldY(0));
    TMapPainter& page = ZelPrinter::Painter();

    // (a) straight onto an image.
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    {
        QPainter p(&image);
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(Qt::NoBrush);
        page.SetPainter(&p);
        page.PenMode = TPenMode::Copy;
        PrintCaseLayers(p, layers);
        page.SetPainter(nullptr);
    }

    // (b) as a printed page: recorded, then played on the metafile device.
    TPagePicture picture;
    picture.Reset(width, height, 96);
    {
        QPainter p(&picture);
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(Qt::NoBrush);
        page.SetPainter(&p);
        page.PenMode = TPenMode::Copy;
        PrintCaseLayers(p, layers);
        page.SetPainter(nullptr);
    }
    ASSERT_FALSE(picture.IsEmpty());
    TEmfDevice emf(width, height, 600);
    {
        QPainter ep(&emf);
        picture.Play(ep);
    }
    const std::string digest = Hash(image) + "/" + Hash(emf.Bytes());
    if (std::getenv("VELMORA_PRINT_DIGESTS"))
        std::printf("    {\"%s\", \"%s\", %g, \"%s\", \"%s\"},\n", c.name, c.file, c.percent, c.layers, digest.c_str());
    EXPECT_EQ(digest, c.expected) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Pages, PrintIdentity, ::testing::ValuesIn(Cases),
                         [](const auto& info) { return std::string(info.param.name); });
