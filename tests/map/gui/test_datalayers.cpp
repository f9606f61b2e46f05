// The data layers drawn on a small hand-made network and probed pixel by pixel:
// bar widths, over-range and negative bars, colour classes, value labels with
// their overlap test, movement symbols, and the two legends.
#include "map/DisplayStyles.h"
#include "map/Ranges.h"
#include "map/gui/DataLayers.h"
#include "model/HitGrid.h"
#include "model/KDVvars.h"
#include "model/PalvonVars.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

constexpr uint32_t Blue = 0xFF0000;  // TColor of pure blue
constexpr uint32_t Green = 0x00FF00;
constexpr QRgb Silver = 0xFFC0C0C0;

QRgb Rgb(uint32_t tcolor) { return DisplayStyles::ToQColor(tcolor).rgb(); }

// Two horizontal links, 1 -> 2 along y = 0 and 3 -> 4 along y = 600, 1000 units long,
// drawn at 3 world units per pixel; link variable 1 in column 4, variable 2 in column 5.
class DataLayerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Network = TNetwork{};
        const float xy[5][2] = {{0, 0}, {0, 0}, {1000, 0}, {0, 600}, {1000, 600}};
        Network.NodeCount = 4;
        for (int i = 1; i <= 4; ++i) {
            Nodos[i] = TNodo{};
            Nodos[i].Number = i;
            Nodos[i].X = xy[i][0];
            Nodos[i].Y = xy[i][1];
            Nodos[i].HasXY = 1;
        }
        Network.LinkCount = 2;
        ArcosMaxRec = 3;
        SetLink(1, 1, 2);
        SetLink(2, 3, 4);
        Network.MovementCount = 0;
        Network.ZoneCount = 0;
        Network.MinX = -50;
        Network.MaxX = 1150;
        Network.MinY = -300;
        Network.MaxY = 900;
        KDVlib::BuildHitGrid();
        KDVlib::SetGrid(Network.MinX, Network.MaxX, Network.MinY, Network.MaxY);

        NumColArcos = 6;
        ColVarArcos.fill(0);
        ColVarArcos[4] = 1;
        ColVarArcos[5] = 2;
        TitArcos[4] = "Uno";
        TitArcos[5] = "Dos";
        Ranges::SetDefaults();
        UserView().RangeVarArcos = 4;
        UserView().ShownVarList = {"4"};
        UserView().VarColors[0] = UserView().MovimVarColors[0] = Blue;
        UserView().VarColors[1] = UserView().MovimVarColors[1] = Green;
        UserView().RangeMax = 20.0f;
        UserView().PixsVol = 20;
        UserView().PixsCol = 5;
        UserView().LinkShift = 1;
        UserView().NumFormat = Tfmt{};
        UserView().RangeSymbolSize = 15;
    }

    static void SetLink(int k, int a, int b)
    {
        TArcos& l = Arcos[k];
        l = TArcos{};
        l.A = a;
        l.B = b;
        l.AIndex = a;
        l.BIndex = b;
        l.Active = 1;
        l.PointCount = 2;
        l.Points[1] = {Nodos[a].X, Nodos[a].Y};
        l.Points[2] = {Nodos[b].X, Nodos[b].Y};
    }

    // A fresh white picture with its painter; the map window is the network's extent.
    TMapPainter& Canvas()
    {
        painter.reset();
        image = QImage(400, 400, QImage::Format_RGB32);
        image.fill(Qt::white);
        painter = std::make_unique<QPainter>(&image);
        map = std::make_unique<TMapPainter>();
        map->SetPainter(painter.get());
        map->SetDeviceSize(image.width(), image.height());
        map->SetWorld(Network.MinX, Network.MinY, Network.MaxX, Network.MaxY);
        return *map;
    }
    void Finish() { painter->end(); }

    // Pixels of a colour in the column at the middle of a link, below its line.
    int RunBelow(int link, QRgb color, int depth = 40)
    {
        const TArcos& l = Arcos[link];
        const int x = map->WorldToPixelX((l.Points[1].x + l.Points[2].x) / 2);
        const int y0 = map->WorldToPixelY(l.Points[1].y);
        int n = 0;
        for (int y = y0 - depth; y <= y0 + depth; ++y)
            if (y >= 0 && y < image.height() && image.pixel(x, y) == color)
                ++n;
        return n;
    }
    int CountColor(QRgb color, QRect area = QRect()) const
    {
        if (area.isNull())
            area = image.rect();
        int n = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                if (image.pixel(x, y) == color)
                    ++n;
        return n;
    }

    // Pixels of (antialiased) red text.
    int CountReddish(QRect area) const
    {
        int n = 0;
        area &= image.rect();
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x) {
                const QColor c(image.pixel(x, y));
                n += c.red() > 150 && c.green() < 140 && c.blue() < 140;
            }
        return n;
    }

    QImage image;
    std::unique_ptr<QPainter> painter;
    std::unique_ptr<TMapPainter> map;
    DataLayers::TLayerOptions options;
};

} // namespace

TEST_F(DataLayerTest, BarsAreProportionalToTheValues)
{
    Arcos[1].Var[1] = 10.0f; // half the maximum: 10 pixels
    Arcos[2].Var[1] = 20.0f; // the maximum: 20 pixels
    auto legend = DataLayers::DrawAtributos(Canvas(), options);
    Finish();
    EXPECT_EQ(legend.kind, DataLayers::TLegendRequest::Bars);
    EXPECT_EQ(legend.caption, "Uno");
    EXPECT_NEAR(RunBelow(1, Rgb(Blue)), 10, 1);
    EXPECT_NEAR(RunBelow(2, Rgb(Blue)), 20, 1);
    EXPECT_FLOAT_EQ(legend.BarScaleMax, 20.0f);
    EXPECT_FALSE(legend.BarsOverMax);

    // Two variables stack from the line outwards; the scale is the largest sum.
    UserView().ShownVarList = {"4", "5"};
    Arcos[1].Var[2] = 10.0f;  // sums: 20 and 20
    Arcos[2].Var[2] = 20.0f;  //       and 40: the scale maximum
    legend = DataLayers::DrawAtributos(Canvas(), options);
    Finish();
    EXPECT_EQ(legend.caption, "Uno/Dos");
    EXPECT_EQ(legend.count, 2);
    EXPECT_FLOAT_EQ(legend.BarScaleMax, 40.0f);
    EXPECT_NEAR(RunBelow(2, Rgb(Blue)), 10, 1);
    EXPECT_NEAR(RunBelow(2, Rgb(Green)), 10, 1);
    EXPECT_NEAR(RunBelow(1, Rgb(Blue)) + RunBelow(1, Rgb(Green)), 10, 2);
    const int x = map->WorldToPixelX(500), y0 = map->WorldToPixelY(600);
    EXPECT_EQ(image.pixel(x, y0 + 3), Rgb(Blue));   // first bar next to the line
    EXPECT_EQ(image.pixel(x, y0 + 16), Rgb(Green)); // second beyond it
}

TEST_F(DataLayerTest, OverRangeNegativeAndZeroBars)
{
    const QRgb over = Rgb(UserView().ModeBrushColors[static_cast<size_t>(UserView().RangeMode)]);
    Arcos[1].Var[1] = -10.0f; // its magnitude, in the over-range colour
    Arcos[2].Var[1] = 45.0f;  // capped at 1.1 x 20 pixels
    auto legend = DataLayers::DrawAtributos(Canvas(), options);
    Finish();
    EXPECT_NEAR(RunBelow(1, over), 10, 1);
    EXPECT_NEAR(RunBelow(2, over), 22, 1);
    EXPECT_EQ(RunBelow(2, Rgb(Blue)), 0);
    EXPECT_TRUE(legend.BarsOverMax);
    EXPECT_EQ(DataLayers::SymboloPicture(UserView(), legend).width(), 240);

    // Zero values give no bar unless zeros are drawn.
    Arcos[1].Var[1] = 0.0f;
    DataLayers::DrawAtributos(Canvas(), options);
    Finish();
    const int yLine = map->WorldToPixelY(0);
    EXPECT_EQ(CountColor(Silver, QRect(0, yLine - 3, 400, 7)), 0);
    options.DrawNull = true;
    DataLayers::DrawAtributos(Canvas(), options);
    Finish();
    EXPECT_GT(CountColor(Silver, QRect(0, yLine - 3, 400, 7)), 100);

    // A scale maximum of 0 draws nothing rather than dividing by it.
    options.DrawNull = false;
    UserView().RangeMax = 0.0f;
    Arcos[1].Var[1] = 5.0f;
    DataLayers::DrawAtributos(Canvas(), options);
    Finish();
    EXPECT_EQ(CountColor(Rgb(Blue)) + CountColor(over), 0);

    // Selected links only, blocked links hidden.
    UserView().RangeMax = 20.0f;
    Arcos[2].Var[1] = 10.0f;
    options.Sel = true;
    Arcos[2].Mark = 1;
    DataLayers::DrawAtributos(Canvas(), options);
    Finish();
    EXPECT_EQ(RunBelow(1, Rgb(Blue)), 0);
    EXPECT_NEAR(RunBelow(2, Rgb(Blue)), 10, 1);
    options.Sel = false;
    options.HideBlocked = true;
    Arcos[2].SetFlag(9);
    DataLayers::DrawAtributos(Canvas(), options);
    Finish();
    EXPECT_EQ(RunBelow(2, Rgb(Blue)), 0);
    EXPECT_GT(RunBelow(1, Rgb(Blue)), 0);
}

TEST_F(DataLayerTest, ColourClasses)
{
    Ranges::FillDefaultRanges(UserView(), 0.0f, 20.0f); // highs 4, 8, 12, 16, 20 (+0.00001)
    Arcos[1].Var[1] = 10.0f;                // class 3
    Arcos[2].Var[1] = UserView().RangeTable[3].Low;    // on class 3's lower bound: class 2
    auto legend = DataLayers::DrawMapaColores(Canvas(), options);
    Finish();
    EXPECT_EQ(legend.kind, DataLayers::TLegendRequest::Ranges);
    EXPECT_EQ(legend.caption, "Uno");
    EXPECT_NEAR(RunBelow(1, Rgb(UserView().RangeTable[3].Color)), UserView().PixsCol, 1);
    EXPECT_NEAR(RunBelow(2, Rgb(UserView().RangeTable[2].Color)), UserView().PixsCol, 1);

    // Outside every class: a white band (its outline shows); an inactive class: nothing.
    Arcos[1].Var[1] = 50.0f;
    UserView().RangeTable[2].Active = false;
    DataLayers::DrawMapaColores(Canvas(), options);
    Finish();
    EXPECT_GT(RunBelow(1, Silver), 0);
    EXPECT_EQ(RunBelow(2, Silver), 0);
    EXPECT_EQ(RunBelow(2, Rgb(UserView().RangeTable[2].Color)), 0);

    // No current variable: nothing at all.
    UserView().RangeVarArcos = 0;
    legend = DataLayers::DrawMapaColores(Canvas(), options);
    Finish();
    EXPECT_EQ(legend.kind, DataLayers::TLegendRequest::None);
    EXPECT_EQ(CountColor(Silver), 0);
}

TEST_F(DataLayerTest, ValueLabelsAndTheirOverlap)
{
    Arcos[1].Var[1] = 10.0f;
    Arcos[2].Var[1] = 20.0f;
    TMapPainter& m = Canvas();
    m.ResetLabelsOff();
    DataLayers::DrawValue(m, options);
    Finish();
    EXPECT_EQ(map->Labels().Count(), 2);
    const int y1 = map->WorldToPixelY(0), y2 = map->WorldToPixelY(600);
    // Each value is written below its link (position 1, offset LinkShift).
    EXPECT_GT(CountReddish(QRect(0, y1, 400, 25)), 10);
    EXPECT_GT(CountReddish(QRect(0, y2, 400, 25)), 10);
    EXPECT_EQ(CountReddish(QRect(0, y1 - 30, 400, 25)), 0);

    // A third link on top of the first: its value would cover the first one and is left out.
    Network.LinkCount = 3;
    ArcosMaxRec = 4;
    SetLink(3, 1, 2);
    Arcos[3].Var[1] = 99.0f;
    KDVlib::BuildHitGrid();
    TMapPainter& m2 = Canvas();
    m2.ResetLabelsOff();
    DataLayers::DrawValue(m2, options);
    Finish();
    EXPECT_EQ(map->Labels().Count(), 2);
    // With the overlap test off (values written over each other) all three are written.
    TMapPainter& m3 = Canvas();
    m3.ResetLabels();
    DataLayers::DrawValue(m3, options);
    Finish();
    const int overlapping = CountReddish(QRect(0, y1, 400, 25));
    Network.LinkCount = 2;
    Canvas().ResetLabels();
    DataLayers::DrawValue(*map, options);
    Finish();
    EXPECT_GT(overlapping, CountReddish(QRect(0, y1, 400, 25)));

    // Two variables: "10/5" is wider than "10"; a zero sum is not written.
    auto extent = [&](int top) {
        int lo = 400, hi = -1;
        for (int y = top; y < top + 25; ++y)
            for (int x = 0; x < 400; ++x)
                if (QColor(image.pixel(x, y)).red() > 150 && QColor(image.pixel(x, y)).green() < 140) {
                    lo = std::min(lo, x);
                    hi = std::max(hi, x);
                }
        return hi - lo;
    };
    Canvas().ResetLabelsOff();
    DataLayers::DrawValue(*map, options);
    Finish();
    const int single = extent(y1);
    UserView().ShownVarList = {"4", "5"};
    Arcos[1].Var[2] = 5.0f;
    Arcos[2].Var[1] = 0.0f;
    Canvas().ResetLabelsOff();
    DataLayers::DrawValue(*map, options);
    Finish();
    EXPECT_GT(extent(y1), single + 5);
    EXPECT_EQ(map->Labels().Count(), 1);
}

TEST_F(DataLayerTest, TurnSymbolsFollowTheirClassAndTheTurnChoice)
{
    // A straight movement 1 -> 2 -> 4 whose value falls in class 3.
    Network.MovementCount = 1;
    MovimsMaxRec = 2;
    Movims[1] = TMovimiento{};
    Movims[1].A = 1;
    Movims[1].Node = 2;
    Movims[1].C = 4;
    Movims[1].AIndex = 1;
    Movims[1].JunctionIndex = 2;
    Movims[1].CIndex = 4;
    Movims[1].EntryLink = 1;
    Movims[1].TurnAngle = 450; // still straight
    Movims[1].Var[1] = 10.0f;
    NumColMovim = 5;
    ColVarMovim.fill(0);
    ColVarMovim[4] = 1;
    TitMovim[4] = "Fl.Sat";
    UserView().RangeVarMovim = 4;
    // The movements' own classes (the link variable's stay as they are).
    Ranges::FillDefaultClasses(UserView().MovimRangeTable, UserView().NumRanges, 0.0f, 20.0f);
    UserView().MovimRangeTable[3].Color = Green;
    UserView().FMov = 4.0; // the symbol spans 8..200 world units before the junction
    UserView().PixsMov = 3;
    KDVlib::BuildHitGrid();
    UserView().MovimDrawMode = false;
    auto legend = DataLayers::DrawMovimLinks(Canvas(), options);
    Finish();
    EXPECT_EQ(legend.kind, DataLayers::TLegendRequest::Ranges);
    EXPECT_EQ(legend.caption, "Fl.Sat");
    const int xj = map->WorldToPixelX(1000), yj = map->WorldToPixelY(0);
    const QRect area(xj - 70, yj - 20, 70, 40);
    EXPECT_GT(CountColor(Rgb(Green), area), 20);
    // The straight symbol is not drawn when straight movements are not chosen.
    options.Giros[1] = false;
    DataLayers::DrawMovimLinks(Canvas(), options);
    Finish();
    EXPECT_EQ(CountColor(Rgb(Green), area), 0);
    // 451 tenths is a left turn.
    options.Giros[1] = true;
    options.Giros[0] = false;
    Movims[1].TurnAngle = 451;
    DataLayers::DrawMovimLinks(Canvas(), options);
    Finish();
    EXPECT_EQ(CountColor(Rgb(Green), area), 0);

    // The turns of one approach stand side by side: a left turn (direction -1) is
    // moved to the left of the approach (up here), a right turn (1) to the right,
    // by the symbol's lane spacing (2.5 x 48 x FMov / 10 = 48 units, 16 pixels).
    options.Giros[0] = true;
    auto meanGreenRow = [&](int32_t turnDir) {
        Movims[1].TurnDir = turnDir;
        DataLayers::DrawMovimLinks(Canvas(), options);
        Finish();
        const QRect wide(xj - 80, yj - 50, 80, 100);
        double sum = 0;
        int n = 0;
        for (int y = wide.top(); y <= wide.bottom(); ++y)
            for (int x = wide.left(); x <= wide.right(); ++x)
                if (image.pixel(x, y) == Rgb(Green)) {
                    sum += y;
                    ++n;
                }
        return n > 0 ? sum / n : -1.0;
    };
    const double unshifted = meanGreenRow(0);
    ASSERT_GT(unshifted, 0.0);
    EXPECT_NEAR(meanGreenRow(-1), unshifted - 16, 3);
    EXPECT_NEAR(meanGreenRow(1), unshifted + 16, 3);
    Movims[1].TurnDir = 0;

    // Flows at the link ends: bars on the last 30 % of the entry link.
    UserView().MovimDrawMode = true;
    UserView().SelectedMovimVars = {"4"};
    legend = DataLayers::DrawMovimLinks(Canvas(), options);
    Finish();
    EXPECT_EQ(legend.kind, DataLayers::TLegendRequest::Bars);
    EXPECT_FLOAT_EQ(legend.BarScaleMax, 10.0f);
    const int x80 = map->WorldToPixelX(850), x20 = map->WorldToPixelX(150);
    int blue80 = 0, blue20 = 0;
    for (int y = yj; y < yj + 30; ++y) {
        blue80 += image.pixel(x80, y) == Rgb(Blue);
        blue20 += image.pixel(x20, y) == Rgb(Blue);
    }
    EXPECT_NEAR(blue80, UserView().PixsVol, 1);
    EXPECT_EQ(blue20, 0);
    UserView().MovimDrawMode = false;
    Network.MovementCount = 0;
}

TEST_F(DataLayerTest, Legends)
{
    UserView().PixsVol = 30;
    DataLayers::TLegendRequest bars{DataLayers::TLegendRequest::Bars, "Uno", 1, 300.0f, false};
    QImage one = DataLayers::SymboloPicture(UserView(), bars);
    EXPECT_EQ(one.width(), 175);
    EXPECT_EQ(one.height(), 30 + 10 + 2 * 15);
    // Three bars of 3/3, 2/3 and 1/3 of PixsVol standing on the base line.
    const QRgb bar = Rgb(UserView().ModePenColors[static_cast<size_t>(UserView().RangeMode)]);
    auto column = [&](const QImage& im, int x) {
        int n = 0;
        for (int y = 0; y < im.height(); ++y)
            n += im.pixel(x, y) == bar;
        return n;
    };
    EXPECT_NEAR(column(one, 30), 30, 2);
    EXPECT_NEAR(column(one, 85), 20, 2);
    EXPECT_NEAR(column(one, 140), 10, 2);

    // Several variables: one row each below the bars, the last one at the bottom.
    bars.colours[0] = Blue;
    bars.colours[1] = Green;
    bars.caption = "Uno/Dos";
    bars.count = 2;
    QImage two = DataLayers::SymboloPicture(UserView(), bars);
    EXPECT_GT(two.height(), one.height());
    int lastBlue = -1, lastGreen = -1;
    for (int y = 0; y < two.height(); ++y) {
        if (two.pixel(30, y) == Rgb(Blue))
            lastBlue = y;
        if (two.pixel(30, y) == Rgb(Green))
            lastGreen = y;
    }
    EXPECT_GT(lastBlue, 70);
    EXPECT_GT(lastGreen, lastBlue);

    // Range legend: one box per class a value can fall in (the minimum class 0,
    // switched off, holds none: the bottom class takes the minimum), in its
    // colour, crossed when the class is off.
    Ranges::FillDefaultRanges(UserView(), 0.0f, 20.0f);
    UserView().RangeTable[4].Active = false;
    QImage ranges = DataLayers::RangesPicture(UserView(), "Uno");
    const double u = 0.33 * UserView().RangeSymbolSize;
    EXPECT_EQ(ranges.height(), int(std::nearbyint(26 * u)));
    for (int i = 0; i <= 4; ++i) {
        const int y0 = int(std::nearbyint(4 * u * (i + 1) + 2 * u));
        const QPoint inside(int(2 * u), y0 + int(u));
        EXPECT_EQ(ranges.pixel(inside), Rgb(UserView().RangeTable[static_cast<size_t>(i + 1)].Color)) << i;
        const QPoint centre(int(std::nearbyint(4 * u)), int(std::nearbyint(y0 + 1.5 * u)));
        if (i + 1 == 4) {
            EXPECT_EQ(ranges.pixel(centre), qRgb(0, 0, 0));
        }
    }

    // A long caption is written whole: no ink at either edge of its band (a cut
    // caption runs into them), ink between.
    const std::string longCaption = "N\xC3\xBAmero Pistas / Capacidad de dise\xC3\xB1o";
    auto captionWhole = [](const QImage& im, int band) {
        int ink = 0;
        for (int y = 0; y < band; ++y) {
            if (im.pixel(0, y) != qRgb(255, 255, 255) || im.pixel(im.width() - 1, y) != qRgb(255, 255, 255))
                return false;
            for (int x = 0; x < im.width(); ++x)
                ink += im.pixel(x, y) != qRgb(255, 255, 255);
        }
        return ink > 20;
    };
    EXPECT_TRUE(captionWhole(DataLayers::RangesPicture(UserView(), longCaption), int(std::nearbyint(5 * u)) - 1));
    EXPECT_TRUE(captionWhole(DataLayers::SymboloPicture(UserView(), {DataLayers::TLegendRequest::Bars, longCaption, 1}), 12));
}
