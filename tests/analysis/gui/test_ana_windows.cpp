#include "analysis/gui/KDVMix.h"
#include "analysis/gui/KdvPija.h"
#include "analysis/Fases.h"
#include "widgets/StringAlignGrid.h"
#include "map/gui/OxrImage.h"
#include "model/PalvonListings.h"
#include "model/PalvonRead.h"
#include "model/PalvonVars.h"
#include "model/KDVvars.h"
#include "printing/gui/FrmPreview.h"
#include "support/LiveMenus.h"
#include "support/PrintedPdf.h"
#include "support/TestUtil.h"

#include <QAction>
#include <QImage>
#include <QMenu>

#include <gtest/gtest.h>

using namespace testutil;

TEST(AnaWindows, PijaElementsGrid)
{
    PalvonRead::ClearNetwork();
    PalvonRead::ClearPijas();
    TFrmPija w;
    EXPECT_FALSE(w.FillElements()); // no records: nothing to list
    for (auto [a, b] : {std::pair{1, 2}, {1, 2}, {4, 5}}) {
        TPija& p = PijaLinks[++PijaLinkCount];
        p.A = a;
        p.B = b;
    }
    ASSERT_TRUE(w.FillElements());
    ASSERT_EQ(w.paa->RowCount(), 3);
    EXPECT_EQ(w.paa->cell(0, 2), "4");
    EXPECT_EQ(w.paa->cell(1, 2), "5");
    w.ElementSelected(1); // no main window: fills the pairs only
    EXPECT_EQ(w.pap->RowCount(), 3);
    EXPECT_EQ(w.pap->cell(3, 2), "0.0");
    PalvonRead::ClearPijas();
}

TEST(AnaWindows, MixListNavigationAndCopy)
{
    PalvonRead::ClearNetwork();
    for (int n = 1; n <= 8; ++n) {
        int k = PalvonRead::NodeIndex(n);
        Nodos[k].X = float(n * 100);
        Nodos[k].Y = 0.0f;
        Nodos[k].JunctionType = (n == 3) ? 0 : 1; // node 3 is external: not listed
    }
    TFrmMix w;
    w.MakeMixNodos();
    w.MakeMixNodos(); // rebuilding gives no duplicates
    ASSERT_EQ(w.MixNodos[0], 7);
    EXPECT_EQ(w.pupNodos->actions().size(), 7);
    w.NodoClick(w.pupNodos->actions().at(4)); // node 6, fifth in the list
    EXPECT_EQ(w.MixPos, 4);
    w.tbNextClick();
    EXPECT_EQ(NodoActual, 7);
    w.tbLastClick();
    w.tbNextClick(); // beyond the last: nothing
    EXPECT_EQ(w.MixPos, 6);
    w.tbFirstClick();
    w.tbPrevClick();
    EXPECT_EQ(NodoActual, 1);
    EXPECT_TRUE(w.windowTitle().endsWith(QStringLiteral("Nodo : 1")));
    const QImage pic = w.JunctionPicture();
    EXPECT_EQ(pic.height(), w.fimg->Picture().height() + 30);
    TempDir dir;
    EXPECT_TRUE(w.CopyJunction(dir.file("mix.png")));
    EXPECT_FALSE(QImage(QString::fromStdString(dir.file("mix.png"))).isNull());
}

namespace {
// The diagram printed from the window's "Imprimir intersección" button to a PDF
// fills the page's width: the 500-pixel picture is scaled to the printer page,
// not laid down as a stamp one printer dot per pixel.
void PrintDiagramThroughItsButton(TFrmMix& w)
{
    TempDir dir;
    const std::string pdf = dir.file("mix.pdf");
    Printer().setOutputFormat(QPrinter::PdfFormat);
    Printer().setOutputFileName(QString::fromStdString(pdf));
    livemenus::Find(&w, QStringLiteral("tbPrint"))->trigger();
    Printer().setOutputFormat(QPrinter::NativeFormat);
    Printer().setOutputFileName(QString());
    const QImage page = RasteriseFirstPage(pdf, dir.file("mix"));
    ASSERT_FALSE(page.isNull());
    const int ink = InkWidth(page);
    ASSERT_GE(ink, 0) << "blank page";
    EXPECT_GT(ink, page.width() * 6 / 10);
}
} // namespace

TEST(AnaWindows, MixDrawsBandsAndOutlines)
{
    // Junction 10 at the origin with arms to 1 (west), 2 (north), 3 (east), one
    // movement of each turn code from arm 1, and one arm node on the junction itself.
    PalvonRead::ClearNetwork();
    const float xy[][2] = {{-300, 0}, {0, 300}, {300, 0}, {0, 0}};
    for (int n = 1; n <= 4; ++n) {
        int k = PalvonRead::NodeIndex(n);
        Nodos[k].X = xy[n - 1][0];
        Nodos[k].Y = xy[n - 1][1];
    }
    const int j = PalvonRead::NodeIndex(10);
    Nodos[j].X = Nodos[j].Y = 0.0f;
    Nodos[j].JunctionType = 3;
    Nodos[j].ArmCount = 4;
    for (int k = 0; k < 4; ++k) {
        TConector& arm = Nodos[j].Arms[k];
        arm.OtherNode = k + 1;
        arm.OtherIndex = k + 1;
        arm.OtherX = xy[k][0];
        arm.OtherY = xy[k][1];
    }
    const int turns[] = {0, -1, 0, 1}; // exits 1 (unused U-turn), 2, 3, 4
    for (int c = 2; c <= 4; ++c) {
        int m = PalvonRead::NewMovement();
        Movims[m].A = 1;
        Movims[m].Node = 10;
        Movims[m].C = c;
        Movims[m].TurnDir = turns[c - 1];
        Movims[m].Var[4] = 100.0f * float(c);
    }
    TConector& in = Nodos[j].Arms[0];
    in.EntryMark = -1;
    in.InTotals.assign(NumMovVars + 1, 0.0f);
    in.InTotals[4] = 900.0f;
    for (int k = 1; k < 4; ++k) {
        Nodos[j].Arms[k].ExitMark = 1;
        Nodos[j].Arms[k].OutTotals.assign(NumMovVars + 1, 0.0f);
        Nodos[j].Arms[k].OutTotals[4] = 100.0f * float(k + 1);
    }
    TFrmMix w;
    w.DrawMix(j, 4);
    PrintDiagramThroughItsButton(w);
    EXPECT_DOUBLE_EQ(UserView().WorldMinX, -400.0);
    EXPECT_DOUBLE_EQ(UserView().WorldMaxY, 400.0);
    ASSERT_EQ(w.MixPoints.size(), 5u);
    EXPECT_NEAR(w.MixPoints[2].y, 225.0, 1e-9);
    const QImage& pic = w.fimg->Picture();
    int navy = 0;
    for (int y = 0; y < pic.height(); ++y)
        for (int x = 0; x < pic.width(); ++x)
            navy += pic.pixelColor(x, y) == QColor(0, 0, 128);
    EXPECT_GT(navy, 100); // outlines and bands were drawn
}
