// The small windows of the main window: about box, themes window, quick view and
// calculator, and the range sets that travel in a theme's section.
#include "mainwindow/AboutBox.h"
#include "mainwindow/Aptta.h"
#include "map/gui/DlgQuickView.h"
#include "mainwindow/DlgTemas.h"
#include "mainwindow/PalvonViewer.h"
#include "mainwindow/SecondaryWindows.h"
#include "map/Ranges.h"
#include "map/gui/OxrImage.h"
#include "model/KDVvars.h"
#include "model/PalvonRead.h"
#include "platform/IniFile.h"
#include "platform/SystemInfo.h"
#include "support/LiveMenus.h"
#include "support/TestUtil.h"
#include "support/ViewerFixture.h"
#include "widgets/Calculator.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <filesystem>

namespace {

class Dialogs : public ViewerFixture {
protected:
    void SetUp() override
    {
        ViewerFixture::SetUp();
        Ranges::SetDefaults();
        UserView().RangeName = "Vol";
        OpenInteractive = 1;
    }
    void TearDown() override
    {
        Ranges::SetDefaults();
        UserView().RangeSetKeys.clear();
        UserView().RangeNames.clear();
        ViewerFixture::TearDown();
    }
    void UseThemes(const char* fixture)
    {
        std::filesystem::copy_file(testutil::dataPath(fixture), tmp.file("Velmorat.INI"));
    }
    static QStringList Items(const QListWidget* list)
    {
        QStringList out;
        for (int i = 0; i < list->count(); ++i)
            out << list->item(i)->text();
        return out;
    }
    // Runs "Aplicar" of the menu "Temas"; `act` drives the themes window while it is open.
    void Apply(const std::function<void()>& act)
    {
        QTimer::singleShot(0, [act] {
            act();
            if (DlgTemas->isVisible())
                DlgTemas->reject();
        });
        ASSERT_TRUE(livemenus::Click(viewer, "menu:Herramientas>Temas", "aAplicar1"));
    }
};

} // namespace

TEST_F(Dialogs, AboutBoxShowsTheVersion)
{
    const TKDVaboutBox& about = Secondary::KDVaboutBox();
    EXPECT_EQ(about.windowTitle(), "Acerca de ...");
    EXPECT_TRUE(about.Version->text().contains(QString::fromStdString(SystemInfo::BuildVersion())));
}

TEST_F(Dialogs, ThemesWindowListsThemesAndAppliesTheChosenOne)
{
    UseThemes("theme_velmorat.ini");
    const float before = UserView().RangeTable[1].High;
    QStringList sects, first, second;
    Apply([&] {
        sects = Items(DlgTemas->lbSects);
        first = Items(DlgTemas->lbValues);
        DlgTemas->lbSects->setCurrentRow(1);
        DlgTemas->lbSectsClick();
        second = Items(DlgTemas->lbValues);
        DlgTemas->CancelBtn->click();
    });
    // The theme clipboard is no theme; the first theme's lines show at once.
    EXPECT_EQ(sects, QStringList({"Flujos", "Velocidades"}));
    ASSERT_EQ(first.size(), 2);
    EXPECT_EQ(first[0], "Variable=Vol;5");
    EXPECT_EQ(second.size(), 3);
    EXPECT_EQ(second[2], "rangos_Vel=0;65535;0;1;255;1;2;255;1;3;255;1;4;255;1;5;255;1");
    // Cancel applies nothing.
    EXPECT_TRUE(viewer->Themes().ThemeName().empty());
    EXPECT_FLOAT_EQ(UserView().RangeTable[1].High, before);
    EXPECT_TRUE(DlgTemas->SectionValues.empty());

    // OK without a theme chosen applies nothing either.
    Apply([] { DlgTemas->OKBtn->click(); });
    EXPECT_TRUE(viewer->Themes().ThemeName().empty());

    Apply([] {
        DlgTemas->lbSects->setCurrentRow(1);
        DlgTemas->OKBtn->click();
    });
    EXPECT_EQ(viewer->Themes().ThemeName(), "Velocidades");
    EXPECT_EQ(UserView().RangeSetKeys, (std::vector<std::string>{"Rangos_Vol", "rangos_Vel"}));
    // No network shows the theme's variable: the classes take the section's (default) limits.
    EXPECT_EQ(UserView().RangeName, "null");
    EXPECT_FLOAT_EQ(UserView().RangeTable[1].High, 0.25f);
}

TEST_F(Dialogs, OnlyTheThemeClipboardListsNoTheme)
{
    UseThemes("theme_clipboard_only.ini");
    QStringList sects = {"x"}, values = {"x"};
    Apply([&] {
        sects = Items(DlgTemas->lbSects);
        values = Items(DlgTemas->lbValues);
        DlgTemas->OKBtn->click();
    });
    EXPECT_TRUE(sects.isEmpty());
    EXPECT_TRUE(values.isEmpty());
    EXPECT_TRUE(viewer->Themes().ThemeName().empty());
}

TEST_F(Dialogs, RangeSetsTravelInASectionOnlyForInteractiveOpenings)
{
    UserView().RangeSetKeys = {"Rangos_Vol", "Rangos_Cap"};
    UserView().RangeNames = {"0;65535;0;7;255;1;8;255;1;9;255;1;10;255;1;11;255;1", "null"};
    {
        TIniFile ini("temas.ini");
        ini.WriteString("T", "Otra", "1");
        viewer->Settings().GrabarConfiguracion(ini, "T");
    }
    UserView().RangeSetKeys.clear();
    UserView().RangeNames.clear();
    TIniFile ini("temas.ini");
    OpenInteractive = 0;
    viewer->Settings().LeerConfiguracion(ini, "T");
    EXPECT_TRUE(UserView().RangeSetKeys.empty());
    OpenInteractive = 1;
    viewer->Settings().LeerConfiguracion(ini, "T");
    EXPECT_EQ(UserView().RangeSetKeys, (std::vector<std::string>{"Rangos_Vol", "Rangos_Cap"}));
    EXPECT_EQ(UserView().RangeNames[1], "null");
}

TEST(QuickView, TitleOnShowAndRightClickArrowKeysScroll)
{
    TDlgQuickView view;
    QStringList answers = {"Mi vista", ""};
    TDlgQuickView::AskTitle = [&] { return answers.takeFirst(); };
    struct Restore {
        ~Restore() { TDlgQuickView::AskTitle = nullptr; }
    } restore;
    view.img->resize(2000, 2000);
    view.show();
    EXPECT_EQ(view.windowTitle(), "Mi vista");
    QTest::mouseClick(view.img, Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_EQ(view.windowTitle(), ""); // a cancelled box leaves the caption empty
    EXPECT_TRUE(answers.isEmpty());

    QScrollBar* h = view.sbimg->horizontalScrollBar();
    QScrollBar* v = view.sbimg->verticalScrollBar();
    ASSERT_GT(h->maximum(), 0);
    QTest::keyClick(&view, Qt::Key_Right);
    QTest::keyClick(&view, Qt::Key_Right);
    EXPECT_EQ(h->value(), 2 * h->singleStep());
    QTest::keyClick(&view, Qt::Key_Left);
    EXPECT_EQ(h->value(), h->singleStep());
    QTest::keyClick(&view, Qt::Key_Down);
    EXPECT_EQ(v->value(), v->singleStep());
}

TEST(Calculator, WorksLeftToRightAndRecoversFromErrors)
{
    TCalculator calc;
    auto keys = [&](const char* k) {
        for (; *k; ++k)
            calc.Press(*k);
        return calc.Display->text().toStdString();
    };
    EXPECT_EQ(keys("2+3*4="), "20");
    EXPECT_EQ(keys("C1.5*2="), "3");
    EXPECT_EQ(keys("C9-+2="), "11"); // a second operator replaces the first
    EXPECT_EQ(keys("C1/0="), "Error");
    EXPECT_EQ(keys("5S"), "-5");
    EXPECT_EQ(keys("S<"), "0");
    calc.Press('C');
    QTest::keyClicks(&calc, "7,5");
    EXPECT_EQ(calc.Display->text(), "7.5");
    QTest::keyClicks(&calc, "*2");
    QTest::keyClick(&calc, Qt::Key_Return);
    EXPECT_EQ(calc.Display->text(), "15");
}
