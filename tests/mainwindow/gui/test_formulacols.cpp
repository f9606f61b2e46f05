// Columns computed by a formula over the grid's fields, the formula dialog, and the
// link grid's column drag.
#include "analysis/gui/DlgFormula.h"
#include "widgets/DualListDialog.h"
#include "mainwindow/PalvonViewer.h"
#include "widgets/StringAlignGrid.h"
#include "model/FileUtils.h"
#include "model/KDVlib.h"
#include "model/KDVvars.h"
#include "model/LinkGeometry.h"
#include "model/PalvonRead.h"
#include "model/PalvonVars.h"
#include "model/ZelUtils.h"
#include "support/FormulaColumn.h"
#include "support/LiveMenus.h"
#include "support/RecordingServices.h"
#include "support/GridsNetwork.h"
#include "support/GuiTestUtil.h"
#include "support/TestUtil.h"
#include "widgets/gaugeCaption.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QInputDialog>
#include <QTest>
#include <QLineEdit>
#include <QMessageBox>
#include <QMenu>
#include <QMimeData>
#include <QUrl>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

#include <gtest/gtest.h>

#include <cfloat>

#include <chrono>
#include <functional>
#include <memory>

namespace {

class FormulaColumns : public GridsViewerFixture {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(testutil::ReadGridsData(tmp));
        OpenViewer([](TPalvonViewer& v) { DlgFormula = new TDlgFormula(&v); });
        w->Grids().ConfigureGrids();
        w->Grids().DrawDataDat();
        NumUserVarArcos = NumUserVarMovim = 0;
    }
    void TearDown() override
    {
        GridsViewerFixture::TearDown();
        DlgFormula = nullptr;
    }
    static int ColumnOf(TStringAlignGrid* g, const std::string& title)
    {
        for (int c = 0; c < g->ColCount(); ++c)
            if (g->cell(c, 0) == title)
                return c;
        return -1;
    }
    // Chooses the fields by their titles, in this order (none: the choice is cancelled).
    static void Choose(const std::vector<QString>& fields) { testutil::ChooseFormulaFields(*DlgFormula, fields); }
    // Runs a column command with these fields, name and formula, confirmed with OK.
    void Make(bool movements, const std::vector<QString>& fields, const QString& formula,
              const QString& name = "Nueva")
    {
        ASSERT_TRUE(testutil::MakeFormulaColumn(w.get(), *DlgFormula, movements, fields, name, formula));
    }
};

} // namespace

TEST_F(FormulaColumns, LinkColumnFillsRecordsExtremesGridAndMenus)
{
    const int before = NumColArcos;
    const int menuItems = static_cast<int>(w->Grids().VarArcos->actions().size());
    // The letters follow the order of choice: A is the capacity, B the length.
    Make(false, {"Cap", "Long"}, "A/1000 - b");
    ASSERT_TRUE(ui->messages.empty()) << ui->messages.front();
    ASSERT_EQ(NumColArcos, before + 1);
    EXPECT_EQ(NumUserVarArcos, 1);
    const int c = before;
    EXPECT_EQ(w->sagArcos->cell(c, 0), "Nueva");
    EXPECT_EQ(ColVarArcos[c], 121);
    EXPECT_EQ(TitArcos[c], "Nueva"); // the title copies an empty text from the name
    float lo = 1e9f, hi = -1e9f;
    for (int r = 1; r <= Network.LinkCount; ++r) {
        const int rec = std::stoi(w->sagArcos->cell(3, r));
        const float expected = static_cast<float>(Arcos[rec].Var[5] / 1000.0 - Arcos[rec].Var[7]);
        EXPECT_FLOAT_EQ(Arcos[rec].Var[121], expected) << "link " << rec;
        EXPECT_EQ(w->sagArcos->cell(c, r), ZelUtils::Format("%.2f", static_cast<double>(expected)));
        lo = std::min(lo, expected);
        hi = std::max(hi, expected);
    }
    EXPECT_FLOAT_EQ(Arcos[0].Var[121], lo);
    EXPECT_FLOAT_EQ(Arcos[ArcosMaxRec].Var[121], hi);
    EXPECT_EQ(static_cast<int>(w->Grids().VarArcos->actions().size()), menuItems + 1);
}

// Number pictures in a column: a half goes away from zero, an exponent picture
// gives the rounded mantissa; the text reads back as the column's number.
TEST_F(FormulaColumns, NumberPicturesRoundHalvesUpAndTakeExponents)
{
    const int before = NumColArcos;
    Make(false, {"Cap"}, "FORMAT('0', 2.5) + FORMAT('0.00E+00', 12345) + A*0", "Redondeo");
    ASSERT_TRUE(ui->messages.empty()) << ui->messages.front();
    ASSERT_EQ(NumColArcos, before + 1);
    for (int r = 1; r <= Network.LinkCount; ++r)
        EXPECT_EQ(w->sagArcos->cell(before, r), "12303.00") << r;
}

// A column is made whole or not at all: a formula that fails leaves the grid, the
// records and the count of formula columns as they were, and says why once.
TEST_F(FormulaColumns, FailingFormulaLeavesTheGridAsItWas)
{
    const int before = NumColArcos;
    const int menuItems = static_cast<int>(w->Grids().VarArcos->actions().size());
    Arcos[1].Var[121] = 77.0f; // left from an earlier network's column
    Make(false, {"Cap"}, "A+*");
    ASSERT_EQ(ui->messages.size(), 1u);
    EXPECT_TRUE(ui->anyMessageContains("Syntax error")) << ui->messages[0];
    EXPECT_TRUE(ui->anyMessageContains("La columna Nueva no se creó.")) << ui->messages[0];
    EXPECT_EQ(NumColArcos, before);
    EXPECT_EQ(w->sagArcos->ColCount(), before);
    EXPECT_EQ(NumUserVarArcos, 0);
    EXPECT_EQ(Arcos[1].Var[121], 77.0f);
    EXPECT_EQ(static_cast<int>(w->Grids().VarArcos->actions().size()), menuItems);
    // A row whose value is no number keeps nothing either.
    ui->messages.clear();
    Make(false, {"Cap"}, "IF(A > 0, 1/0, 1)", "Parcial");
    ASSERT_EQ(ui->messages.size(), 1u);
    EXPECT_EQ(NumColArcos, before);
    EXPECT_EQ(NumUserVarArcos, 0);
    // Nor one a float cannot hold: the smallest step past its largest value.
    ui->messages.clear();
    Make(false, {"Cap"}, "A*0+3.4028236E38", "Pasado");
    ASSERT_EQ(ui->messages.size(), 1u);
    EXPECT_TRUE(ui->anyMessageContains("no da un valor numérico válido")) << ui->messages[0];
    EXPECT_EQ(NumColArcos, before);

    // The same mistake again, told by the window itself: an error box (error
    // icon, no caption) that waits for the user; a good formula then goes in.
    ui.reset();
    struct Seen {
        bool over = false;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QString caption = QStringLiteral("?"), text;
    };
    auto seen = std::make_shared<Seen>();
    auto answer = std::make_shared<std::function<void()>>();
    *answer = [seen, weak = std::weak_ptr<std::function<void()>>(answer)] {
        if (seen->over)
            return;
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) {
            if (auto again = weak.lock())
                QTimer::singleShot(10, *again);
            return;
        }
        seen->icon = box->icon();
        seen->caption = box->windowTitle();
        seen->text = box->text();
        QTest::keyClick(box, Qt::Key_Return);
    };
    QTimer::singleShot(0, *answer);
    Make(false, {"Cap"}, "A+*", "Otra");
    seen->over = true;
    EXPECT_EQ(seen->icon, QMessageBox::Critical);
    EXPECT_EQ(seen->caption, QString());
    EXPECT_TRUE(seen->text.contains(QStringLiteral("Syntax error"))) << seen->text.toStdString();
    Make(false, {"Cap"}, "A*2", "Doble");
    EXPECT_EQ(w->sagArcos->cell(before, 0), "Doble");
    EXPECT_EQ(w->sagArcos->cell(before, 1), ZelUtils::Format("%.2f", 2.0 * Arcos[std::stoi(w->sagArcos->cell(3, 1))].Var[5]));
    // The largest value a float holds goes in.
    Make(false, {"Cap"}, "A*0+3.4028235E38", "Tope");
    EXPECT_EQ(w->sagArcos->cell(before + 1, 0), "Tope");
    EXPECT_EQ(w->sagArcos->cell(before + 1, 1), ZelUtils::Format("%.2f", double(FLT_MAX)));
}

// A loop that never ends stops within a second or two with the engine's message;
// the grid takes the next column as usual.
TEST_F(FormulaColumns, NeverEndingLoopEndsWithAMessageAndTheGridGoesOn)
{
    QAction* make = livemenus::Find(w.get(), QStringLiteral("Crearcolumna1"));
    const int before = NumColArcos;
    Choose({"Cap"});
    QTimer::singleShot(0, [] {
        DlgFormula->teVar->setText("Bucle");
        DlgFormula->teForm->setText(
            "BLOCK(DEFINE('n', 0), REPEAT LENGTH(STRINGOFCHAR('a', 10000000)) UNTIL $n > 0 END)");
        DlgFormula->btnOk->click();
    });
    const auto start = std::chrono::steady_clock::now();
    make->trigger();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2500));
    ASSERT_EQ(ui->messages.size(), 1u);
    EXPECT_TRUE(ui->anyMessageContains("tiempo máximo de evaluación")) << ui->messages[0];
    EXPECT_EQ(NumColArcos, before);

    ui->messages.clear();
    Make(false, {"Cap"}, "A*2", "Doble");
    ASSERT_TRUE(ui->messages.empty()) << ui->messages.front();
    ASSERT_EQ(NumColArcos, before + 1);
    const int rec = std::stoi(w->sagArcos->cell(3, 1));
    EXPECT_FLOAT_EQ(Arcos[rec].Var[121], 2 * Arcos[rec].Var[5]);

    // The time the user takes to answer INPUT is not the formula's: the first
    // answer comes after the limit and is not the awaited one, so the loop goes
    // round again; then every question is answered at once.
    int asked = 0;
    std::function<void()> answer = [&] {
        auto* box = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) {
            QTimer::singleShot(10, answer);
            return;
        }
        EXPECT_EQ(box->labelText(), "escriba x");
        const bool first = ++asked == 1;
        QTimer::singleShot(first ? 1300 : 0, box, [&, box, first] {
            QTest::keyClicks(box->findChild<QLineEdit*>(), first ? "y" : "x");
            QTest::keyClick(box, Qt::Key_Return);
            if (asked <= Network.LinkCount)
                QTimer::singleShot(0, answer);
        });
    };
    QTimer::singleShot(0, answer);
    Make(false, {"Cap"}, "BLOCK(REPEAT 0 UNTIL INPUT('x','escriba x','')='x' END, A)", "Pregunta");
    EXPECT_TRUE(ui->messages.empty()) << ui->messages.front();
    EXPECT_EQ(asked, Network.LinkCount + 1);
    EXPECT_FLOAT_EQ(Arcos[rec].Var[122], Arcos[rec].Var[5]);
}

// A column runs under the caption gauge: Escape stops it even inside one row that
// would run on, "Detener" between rows, and the grid is left as it was; a formula
// let run fills every row, a network dropped on the window meanwhile left unopened.
TEST_F(FormulaColumns, ColumnRunStopsOnEscapeOrDetenerAndLeavesTheGridAsItWas)
{
    const int before = NumColArcos;
    const QString endless = "BLOCK(REPEAT LENGTH(STRINGOFCHAR('a', 1000000)) UNTIL 0 END, A)";
    for (const bool button : {false, true}) {
        bool stopped = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &poll, [&] {
            if (stopped || w->pbc->isHidden())
                return;
            stopped = true;
            if (button)
                QTest::mouseClick(w->pbc->parentWidget()->findChild<QAbstractButton*>("btnDetener"), Qt::LeftButton);
            else // once the first row has run a while
                QTimer::singleShot(150, w.get(), [this] { QTest::keyClick(w->sagArcos, Qt::Key_Escape); });
        });
        poll.start(0);
        Make(false, {"Cap"}, button ? QString("A*2") : endless, "Parada");
        EXPECT_TRUE(stopped) << button;
        EXPECT_TRUE(ui->messages.empty()) << ui->messages.front();
        EXPECT_EQ(ui->status[1], ZelUtils::Format("Cálculo detenido en la fila 1 de %d: la columna Parada no se creó",
                                                  Network.LinkCount));
        EXPECT_EQ(NumColArcos, before);
        EXPECT_EQ(w->sagArcos->ColCount(), before);
        EXPECT_EQ(NumUserVarArcos, 0);
        EXPECT_TRUE(w->pbc->isHidden());
    }
    // A box of INPUT or MSG asked on every row: one Escape or Cancel stops the run.
    struct BoxCase {
        const char* formula;
        bool escape; // else the box's Cancel button
    };
    for (const BoxCase& b : {BoxCase{"BLOCK(INPUT('t','escriba','1'), A)", true},
                             BoxCase{"BLOCK(INPUT('t','escriba','1'), A)", false},
                             BoxCase{"BLOCK(MSG('sigue','t',1), A)", true}, BoxCase{"BLOCK(MSG('sigue','t',1), A)", false},
                             BoxCase{"BLOCK(MSG('sigue','t',0), A)", true}}) {
        SCOPED_TRACE(std::string(b.formula) + (b.escape ? " Escape" : " Cancel"));
        int shown = 0;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &poll, [&] {
            QWidget* box = QApplication::activeModalWidget();
            if (!box || !box->isVisible() || !(qobject_cast<QInputDialog*>(box) || qobject_cast<QMessageBox*>(box)))
                return;
            ++shown;
            if (b.escape) {
                QTest::keyClick(box, Qt::Key_Escape);
                return;
            }
            for (QAbstractButton* button : box->findChildren<QAbstractButton*>())
                if (button->text().contains(QStringLiteral("Cancel")))
                    QTest::mouseClick(button, Qt::LeftButton);
        });
        poll.start(5);
        ui->status.clear();
        Make(false, {"Cap"}, b.formula, "Parada");
        EXPECT_EQ(shown, 1);
        EXPECT_TRUE(ui->messages.empty()) << ui->messages.front();
        EXPECT_EQ(ui->status[1], ZelUtils::Format("Cálculo detenido en la fila 1 de %d: la columna Parada no se creó",
                                                  Network.LinkCount));
        EXPECT_EQ(NumColArcos, before);
    }
    const std::string other = tmp.file("otra.dat");
    std::filesystem::copy_file(std::string(VELMORA_SOURCE_DIR) + "/samples/ejemplo.dat", other);
    const int32_t links = Network.LinkCount;
    bool dropped = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &poll, [&] {
        if (dropped || w->pbc->isHidden())
            return;
        dropped = true;
        EXPECT_FALSE(testutil::DropFile(w.get(), other));
    });
    poll.start(0);
    Make(false, {"Cap"}, "A*2", "Doble");
    EXPECT_TRUE(dropped);
    ASSERT_EQ(Network.LinkCount, links);
    ASSERT_TRUE(ui->messages.empty()) << ui->messages.front();
    ASSERT_EQ(NumColArcos, before + 1);
    for (int r = 1; r <= Network.LinkCount; ++r) {
        const int rec = std::stoi(w->sagArcos->cell(3, r));
        EXPECT_FLOAT_EQ(Arcos[rec].Var[121], 2 * Arcos[rec].Var[5]) << r;
        EXPECT_FALSE(w->sagArcos->cell(before, r).empty()) << r;
    }
}

TEST_F(FormulaColumns, NothingAddedWithoutFormulaFieldsOrNumbers)
{
    const int links = NumColArcos, movims = NumColMovim;
    Make(false, {}, "A");           // field choice cancelled
    Make(false, {"Cap"}, "");       // empty formula
    EXPECT_TRUE(DlgFormula->FormulaText.empty());
    Make(true, {"Uso P."}, "A*2");  // a text column has no variable to read
    EXPECT_TRUE(ui->anyMessageContains("Uso P."));
    EXPECT_EQ(NumColArcos, links);
    EXPECT_EQ(NumColMovim, movims);
    EXPECT_EQ(NumUserVarArcos + NumUserVarMovim, 0);
}

TEST_F(FormulaColumns, MovementColumnAndTenColumnLimit)
{
    ASSERT_GT(Network.MovementCount, 0);
    Make(true, {"Fl.Sat"}, "A*2");
    const int c = NumColMovim - 1;
    EXPECT_EQ(ColVarMovim[c], 81);
    const int rec = std::stoi(w->sagMovim->cell(3, 1));
    EXPECT_FLOAT_EQ(Movims[rec].Var[81], Movims[rec].Var[1] * 2);

    for (int i = 1; i <= 10; ++i)
        Make(false, {"Cap"}, "A");
    EXPECT_EQ(NumUserVarArcos, 10);
    EXPECT_EQ(ColVarArcos[NumColArcos - 1], 130);
    EXPECT_FALSE(livemenus::Find(w.get(), "Crearcolumna1")->isEnabled());
    EXPECT_TRUE(livemenus::Find(w.get(), "Crearcolumna2")->isEnabled());
    const int cols = NumColArcos;
    livemenus::Find(w.get(), "Crearcolumna1")->trigger(); // a disabled item does nothing
    EXPECT_EQ(NumColArcos, cols);
    EXPECT_EQ(NumUserVarArcos, 10);
}

TEST_F(FormulaColumns, DialogLettersWarningAndDefaultNames)
{
    TDlgFormula& d = *DlgFormula;
    d.Grid = w->sagArcos;
    // 26 fields offered by a wide grid: only A..Y are kept, with a warning.
    const int base = NumColArcos;
    w->sagArcos->SetColCount(base + 30);
    for (int i = 0; i < 30; ++i)
        w->sagArcos->setCell(base + i, 0, ZelUtils::Format("F%d", i));
    std::vector<QString> fields;
    for (int i = 25; i >= 0; --i) // reverse grid order
        fields.push_back(QString("F%1").arg(i));
    Choose(fields);
    ASSERT_TRUE(d.FormShow());
    ASSERT_EQ(ui->messages.size(), 1u);
    EXPECT_EQ(ui->messages[0], "Atención:\rDimensión de variables excedida.\rSe considerarán sólo las 25 primeras "
                               "variables");
    ASSERT_EQ(d.FieldCount(), 25);
    EXPECT_EQ(d.FieldKey(0), "A");
    EXPECT_EQ(d.FieldKey(24), "Y");
    EXPECT_EQ(d.flds->item(0, 1)->text(), "F25");
    EXPECT_EQ(d.FieldColumns[0], base + 25);
    EXPECT_EQ(d.FieldColumns[24], base + 1);

    fields.resize(25);
    Choose(fields);
    ASSERT_TRUE(d.FormShow());
    EXPECT_EQ(ui->messages.size(), 1u); // exactly 25: no warning

    NumUserVarArcos = 2;
    d.teVarExit();
    EXPECT_EQ(d.teVar->text(), "VarUser3");
    d.teText->setText("   ");
    d.teTextExit();
    EXPECT_EQ(d.teText->text(), "VarUser3");
    d.Grid = w->sagMovim;
    d.teVar->clear();
    d.teVarExit();
    EXPECT_EQ(d.teVar->text(), "VarUser1");
}

TEST_F(FormulaColumns, DraggedColumnKeepsItsVariableAndTitle)
{
    const auto vars = ColVarArcos;
    const auto titles = TitArcos;
    TStringAlignGrid* g = w->sagArcos;
    g->MoveColumn(5, 8);
    EXPECT_EQ(g->ColAtPosition(8), 5);
    EXPECT_EQ(g->cell(5, 0), "Vc") << "the column keeps its number: only its place on screen changed";
    EXPECT_EQ(ColVarArcos, vars);
    EXPECT_EQ(TitArcos, titles);
    g->MoveColumn(8, 5);
    EXPECT_EQ(g->ColAtPosition(5), 5);
    // The record index column stays in place, and so do the keys.
    for (auto [from, to] : {std::pair{3, 9}, std::pair{9, 1}}) {
        g->MoveColumn(from, to);
        for (int c = 0; c < 4; ++c)
            EXPECT_EQ(g->ColAtPosition(c), c) << from << " -> " << to;
    }
    EXPECT_EQ(g->cell(3, 0), "Orden");
}
