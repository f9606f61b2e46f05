// The printed network layers byte for byte: the sample and real networks printed
// at a printer's resolution with links, lanes, arrows, nodes, centroids, node
// numbers, street names and movement symbols, once straight onto an image and
// once as the printing path makes a page (a recorded page played on the metafile
// device). Classes, marks and blocked links are set on a share of the elements,
// so every pen style is printed. Each digest was taken from the printing code as
// it stood before the layers shared their walk and geometry with the map (the
// metafile digests since text records carry each character's own advance); a
// changed pixel or metafile record changes it.
#include "map/DisplayStyles.h"
#include "map/DrawState.h"
#include "map/Ranges.h"
#include "map/ViewSnapshot.h"
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
#include "support/IdentityCases.h"
#include "support/LiveMenus.h"
#include "support/ViewerFixture.h"

#include <QAction>
#include <QCryptographicHash>
#include <QImage>
#include <QPainter>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <filesystem>
#include <vector>

namespace {

std::string ByteDigest(const std::vector<uint8_t>& bytes)
{
    const QByteArray sha1 = QCryptographicHash::hash(
        QByteArrayView(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())), QCryptographicHash::Sha1);
    return sha1.toHex().left(16).toStdString();
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
    // Movement column 4 shows variable 1 as turn symbols, classed over 0..100
    // with one class switched off.
    NumColMovim = 5;
    ColVarMovim.fill(0);
    ColVarMovim[4] = 1;
    UserView().MovimDrawMode = false;
    UserView().RangeVarMovim = 4;
    TitMovim[4] = "Flujo";
    Ranges::FillDefaultRanges(UserView(), 0.0f, 100.0f);
    UserView().RangeTable[2].Active = false;
    UserView().MovimRangeTable = UserView().RangeTable; // the movements classed alike
}

struct Case {
    const char* name;
    const char* file; // a real network, or the sample when it begins with '/'
    double percent;   // the page's share of the extent
    const char* layers;
    const char* image;     // digest of the page printed on an image
    const char* metafile;  // digest of the page's metafile
};

// Layers: n links, l lanes, a arrows (v: open heads), o nodes, c centroids,
// 1 node numbers, s street names, m movement symbols, k classes and marks; j the
// page centred on the first signalised junction.
const Case Cases[] = {
    {"sample_full", "/samples/ejemplo.dat", 100, "knaoc1sm", "1dd12feea3944255", "4d4b5be6df85b2c2"},
    {"sample_lanes", "/samples/ejemplo.dat", 4, "jklao1sm", "8d5864ca74e35c42", "47d8bf3feab9a842"},
    {"chicago_full", "chicago-sketch.dat", 100, "knaoc1sm", "83ee856f6fda5b8c", "d17b4838c57f1d68"},
    {"chicago_lanes", "chicago-sketch.dat", 3, "klavo1m", "8da9e6987895fbb9", "06152e18e0607d79"},
    {"berlin_zoom", "berlin-center-truncated.dat", 8, "knaoc1s", "550cf1d4be269c94", "4acf1ea7337e457d"},
};

// The layers in the order a page prints them, on the page painter set up; the
// labels of node numbers and street names each under the overlap test.
void PrintCaseLayers(QPainter& p, const std::string& layers, const TViewSnapshot& view,
                     const PrintLayers::TPageCanvas& canvas)
{
    using namespace PrintLayers;
    struct Step {
        char key;
        std::function<void(QPainter&, const TViewSnapshot&)> print;
        bool labels;
    };
    const auto movements = [&canvas](QPainter& q, const TViewSnapshot& v) { PrintMovimLinks(q, v, canvas); };
    const Step steps[] = {{'m', movements, false}, {'n', PrintNetWork, false}, {'l', PrintNetWorkLanes, false},
                          {'a', PrintArrows, false},     {'o', PrintNodes, false},   {'c', PrintCents, false},
                          {'1', PrintNameNodes, true},   {'s', PrintCalles, true}};
    ZelPrinter::ResetLabelsOff();
    for (const Step& step : steps) {
        if (layers.find(step.key) == std::string::npos)
            continue;
        if (step.labels)
            ZelPrinter::ResetLabelsOff();
        step.print(p, view);
        if (step.labels)
            ZelPrinter::ResetLabels();
    }
}

class PrintIdentity : public ViewerFixture, public ::testing::WithParamInterface<Case> {
protected:
    void SetUp() override
    {
        ViewerFixture::SetUp();
        savedFactor = UserView().SizeFactor;
        Network.ErrorList.clear();
        // The program's windows set the sizes a fresh program has; these are the
        // colours and switches of a fresh map.
        DisplayStyles::SetDefaultClassStyles();
        UserView().SymbolColors.fill(0x00FFFF);
        UserView().PixsMov = 3;
        LanesReady = false;
        UserView().ZoomIndex = 1;
    }
    void TearDown() override
    {
        ZelPrinter::Painter().SetPainter(nullptr);
        UserView().SizeFactor = savedFactor;
        UserView().ShowLanes = false;
        for (const char* name : {"ColorNode", "Semaforos", "SimpleArrow"})
            livemenus::Find(viewer, QString::fromLatin1(name))->setChecked(false);
        ViewerFixture::TearDown();
    }
    float savedFactor = 1.0f;
};

} // namespace

TEST_P(PrintIdentity, PagesAsBefore)
{
    const Case& c = GetParam();
    const std::string layers = c.layers;
    auto has = [&](char k) { return layers.find(k) != std::string::npos; };
    const std::string path = testutil::CaseNetworkPath(c.file);
    if (path.empty())
        FAIL() << "no real networks at " << testutil::realDataPath("");
    ASSERT_TRUE(testutil::ReadCaseNetwork(path, tmp.file("Errores.txt"), [&] {
        if (has('k'))
            MarkElements();
        if (has('m'))
            MakeMovements();
    }));
    UserView().ShowLanes = has('l');

    livemenus::Find(viewer, QStringLiteral("ColorNode"))->setChecked(true);
    livemenus::Find(viewer, QStringLiteral("Semaforos"))->setChecked(true);
    livemenus::Find(viewer, QStringLiteral("SimpleArrow"))->setChecked(has('v'));

    // A page of 1800 x 1200 printer pixels, sizes 2.5 times the screen's.
    UserView().SizeFactor = 2.5f;
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

    auto printOn = [&](QPaintDevice& device) {
        // The layers print the window's view, as a printed page gives it to them.
        const TViewSnapshot view = viewer->Drawing().SnapshotView();
        QPainter p(&device);
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(Qt::NoBrush);
        page.SetPainter(&p);
        page.PenMode = TPenMode::Copy;
        // The legends stand where the window's canvas puts them, as on its pages.
        PrintCaseLayers(p, layers, view, {viewer->img, viewer->Scl, viewer->sym});
        page.SetPainter(nullptr);
    };
    // (a) straight onto an image.
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    printOn(image);
    // (b) as a printed page: recorded, then played on the metafile device.
    TPagePicture picture;
    picture.Reset(width, height, 96);
    printOn(picture);
    ASSERT_FALSE(picture.IsEmpty());
    TEmfDevice emf(width, height, 600);
    {
        QPainter ep(&emf);
        picture.Play(ep);
    }
    // What the digests stand for: ink at every node the page holds (each is printed,
    // a circle or a junction mark at least).
    int nodes = 0, inked = 0;
    for (int32_t n = 1; n <= Network.NodeCount; ++n) {
        const QPoint at = ZelPrinter::WorldToPoint(Nodos[n].X, Nodos[n].Y);
        if (!Nodos[n].HasXY || !QRect(2, 2, width - 4, height - 4).contains(at))
            continue;
        ++nodes;
        bool ink = false;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                ink = ink || image.pixel(at + QPoint(dx, dy)) != qRgb(255, 255, 255);
        inked += ink;
    }
    EXPECT_GT(nodes, 0) << c.name;
    EXPECT_EQ(inked, nodes) << c.name;
    const std::string imageDigest = testutil::PixelDigest(image);
    const std::string metafileDigest = ByteDigest(emf.Bytes());
    if (std::getenv("VELMORA_PRINT_DIGESTS"))
        std::printf("    {\"%s\", \"%s\", %g, \"%s\", \"%s\", \"%s\"},\n", c.name, c.file, c.percent, c.layers,
                    imageDigest.c_str(), metafileDigest.c_str());
    EXPECT_EQ(imageDigest, c.image) << c.name;
    EXPECT_EQ(metafileDigest, c.metafile) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Pages, PrintIdentity, ::testing::ValuesIn(Cases),
                         [](const auto& info) { return std::string(info.param.name); });
