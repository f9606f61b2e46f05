#include "mainwindow/DlgCfg.h"
#include "map/DisplayStyles.h"
#include "map/GeoLayers.h"
#include "map/ViewState.h"
#include "model/KDVvars.h"
#include "model/ProgramOptions.h"
#include "model/ViewerServices.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDoubleSpinBox>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>

#include <string>
#include <vector>

namespace {

struct RecordingServices : ViewerServices {
    std::vector<std::string> messages;
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
};

class DlgCfgTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        DisplayStyles::SetDefaultStyles();
        DisplayStyles::SetDefaultClassStyles();
        GeoLayers().NumGeoLayers = 0; // no background line layer loaded (an earlier test may have loaded some)
    }

    // Opens the width menu the way a right click does, over a widget of the dialog.
    static void RightClick(QWidget* widget)
    {
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(4, 4), widget->mapToGlobal(QPoint(4, 4)));
        QApplication::sendEvent(widget, &event);
    }

    static void MoveOver(QWidget* widget)
    {
        QMouseEvent event(QEvent::MouseMove, QPointF(3, 3), widget->mapToGlobal(QPointF(3, 3)), Qt::NoButton,
                          Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(widget, &event);
    }

    // Pixels of the colour down the middle of a cell of a style table.
    static int LinePixels(QTableWidget* table, int row, int col, const QColor& color)
    {
        const QRect cell = table->visualRect(table->model()->index(row, col));
        const QImage image = table->viewport()->grab().toImage();
        int count = 0;
        const int x = cell.center().x();
        for (int y = cell.top(); y <= cell.bottom(); ++y)
            if (QColor(image.pixel(x, y)) == color)
                ++count;
        return count;
    }
};

TEST_F(DlgCfgTest, StartValuesAreThoseOfTheOptionsTable)
{
    TDlgCfg dlg;
    EXPECT_EQ(DlgCfg, &dlg);
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Opciones y Preferencias"));
    ASSERT_EQ(dlg.CfgPaginas->count(), 5);
    EXPECT_EQ(dlg.CfgPaginas->tabText(3), QStringLiteral("Ampliación"));

    // General
    EXPECT_TRUE(dlg.cbOpenLP->isChecked());
    EXPECT_FALSE(dlg.cbOverwrite->isChecked());
    EXPECT_TRUE(dlg.cbDrawLayout->isChecked());
    EXPECT_TRUE(dlg.cbSaveFNames->isChecked());
    EXPECT_EQ(dlg.FnameSaved->value(), 20);
    EXPECT_EQ(dlg.FnameSaved->minimum(), 1);
    EXPECT_EQ(dlg.FnameSaved->maximum(), 50);
    EXPECT_FALSE(dlg.cbSaveGeos->isChecked());
    EXPECT_FALSE(dlg.cbReadPijas->isChecked());
    EXPECT_FALSE(dlg.cbDrawNull->isChecked());
    EXPECT_FALSE(dlg.cbFullDxf->isChecked());
    EXPECT_TRUE(dlg.cbSaveLayout->isChecked());
    EXPECT_EQ(dlg.cbOverwrite->text(), QStringLiteral("Confirmar sobreescritura de archivos"));

    // Preferencias
    EXPECT_EQ(dlg.SeleccionGrafica->ItemIndex(), 1);
    for (QCheckBox* box : {dlg.cbSentidos, dlg.cbNodos, dlg.cbNombreNodos, dlg.cbCalles, dlg.cbCentroides,
                           dlg.cbValores, dlg.cbPoligonos, dlg.cbArcos})
        EXPECT_FALSE(box->isChecked()) << box->text().toStdString();
    EXPECT_TRUE(dlg.cbAtributos->isChecked());
    EXPECT_EQ(dlg.RutasFijas->ItemIndex(), 1);
    EXPECT_EQ(dlg.cbGiros->count(), 3);
    EXPECT_TRUE(dlg.WheelActive->isChecked());
    EXPECT_EQ(dlg.rgZoom->ItemIndex(), 1);
    EXPECT_EQ(dlg.rgTpo->ItemIndex(), 1);

    // Colores
    EXPECT_EQ(dlg.SeleccionColor->Color(), clRed);
    EXPECT_EQ(dlg.SeleccionAncho->value(), 1);
    EXPECT_EQ(dlg.sagSel->rowCount(), 20);
    EXPECT_EQ(dlg.sagSel->columnCount(), 3);
    EXPECT_EQ(dlg.sagSel->item(19, 0)->text(), QStringLiteral("20"));
    EXPECT_EQ(dlg.PoliBordeColor->Color(), clGreen);
    EXPECT_EQ(dlg.PoliBordeAncho->value(), 1);
    EXPECT_EQ(dlg.PoliRellenoColor->Color(), 13887443u);
    EXPECT_FALSE(dlg.PoliRellenoClear->isChecked());
    EXPECT_EQ(dlg.ZonaBordeColor->Color(), clGreen);
    EXPECT_EQ(dlg.ZonaBordeAncho->value(), 1);
    EXPECT_EQ(dlg.ZonaRellenoColor->Color(), 13887443u);
    EXPECT_FALSE(dlg.ZonaRellenoClear->isChecked());
    EXPECT_EQ(dlg.ArcosColor->Color(), clBlack);
    EXPECT_EQ(dlg.BlockedColor->Color(), clRed);
    EXPECT_EQ(dlg.AccesoColor->Color(), clGreen);
    EXPECT_EQ(dlg.TrazaColor->Color(), 13816530u);
    EXPECT_EQ(dlg.ArrowsColor->Color(), clBlack);
    EXPECT_EQ(dlg.NodosColor->Color(), clGray);
    EXPECT_EQ(dlg.SoleraColor->Color(), clSilver);
    ASSERT_NE(dlg.WidthAction(1), nullptr);
    EXPECT_TRUE(dlg.WidthAction(1)->isChecked());
    EXPECT_EQ(dlg.WidthAction(0)->text(), QStringLiteral("Sin línea"));
    EXPECT_EQ(dlg.WidthAction(10)->text(), QStringLiteral("10 Pixeles"));

    // Ampliación
    EXPECT_EQ(dlg.VisorZoomColor->Color(), 12320767u);
    EXPECT_EQ(dlg.VisorZoomSize->value(), 300);
    EXPECT_EQ(dlg.VisorZoomSize->minimum(), 100);
    EXPECT_EQ(dlg.VisorZoomSize->maximum(), 500);
    EXPECT_FALSE(dlg.ZoomPermanente->isChecked());
    EXPECT_EQ(dlg.EscalaZoom->ItemIndex(), 2);
    EXPECT_EQ(dlg.EscalaZoom->Count(), 8);
    EXPECT_EQ(dlg.EscalaZoom->Item(7), QStringLiteral("30x"));
    EXPECT_FALSE(dlg.zArrows->isChecked());
    EXPECT_TRUE(dlg.zNodes->isChecked());
    EXPECT_TRUE(dlg.zNameNodes->isChecked());
    EXPECT_FALSE(dlg.zCalles->isChecked());
    EXPECT_FALSE(dlg.zAtributos->isChecked());
    EXPECT_FALSE(dlg.zValues->isChecked());

    // Impresión
    ASSERT_EQ(dlg.cbHuso->count(), 60);
    EXPECT_EQ(dlg.cbHuso->itemText(0), QStringLiteral("UTM  1: -180W a -174W"));
    EXPECT_EQ(dlg.cbHuso->currentIndex(), 18);
    EXPECT_EQ(dlg.cbHemisf->currentIndex(), 0);
    EXPECT_EQ(dlg.cbHemisf->itemText(1), QStringLiteral("N: Hemisferio Norte"));
    EXPECT_EQ(dlg.ceVert->value(), 0.0);
    EXPECT_EQ(dlg.ceHorz->value(), 0.0);
    EXPECT_EQ(dlg.Screen2Print->value(), 1.0);
    EXPECT_EQ(dlg.Screen2Print->minimum(), 1.0);
    EXPECT_EQ(dlg.Screen2Print->maximum(), 50.0);
    EXPECT_EQ(dlg.rgFix->ItemIndex(), 0);
    EXPECT_EQ(dlg.rgFix->Item(1), QStringLiteral("alto"));
}

// What the start's styles must give the user, whatever their values: every layer
// named in the options is drawn (a line of one pixel or more) without names; the
// fonts are ones the labels can be written in; the classes a map uses tell apart;
// and whatever the user changed, the defaults put every field back.
TEST_F(DlgCfgTest, DisplayStylesStartWithTheProgramDefaults)
{
    int named = 0;
    for (const TItems& item : UserView().Items) {
        if (item.Name.empty())
            continue;
        ++named;
        EXPECT_GE(item.Width, 1) << item.Name;
        EXPECT_FALSE(item.ShowNames) << item.Name;
        EXPECT_NE(item.PenStyle, psClear) << item.Name;
    }
    EXPECT_GT(named, 0);
    for (size_t f = 1; f < UserView().LabelFonts.size(); ++f) {
        EXPECT_FALSE(UserView().LabelFonts[f].Name.empty()) << f;
        EXPECT_GT(UserView().LabelFonts[f].Size, 0) << f;
    }
    EXPECT_GE(CurrentClass, 1);
    for (int a = 1; a <= 15; ++a) {
        EXPECT_GE(UserView().ClassWidths[static_cast<size_t>(a)], 1) << a;
        for (int b = a + 1; b <= 15; ++b)
            EXPECT_NE(UserView().ClassColors[static_cast<size_t>(a)], UserView().ClassColors[static_cast<size_t>(b)]) << a << " " << b;
    }

    // Every field a user can change comes back.
    const auto items = UserView().Items;
    const auto fonts = UserView().LabelFonts;
    const auto colours = UserView().ClassColors;
    const auto widths = UserView().ClassWidths;
    const int32_t current = CurrentClass;
    for (TItems& item : UserView().Items) {
        item.Name += "x";
        item.Color ^= 0x010101;
        item.Width += 2;
        item.ShowNames = !item.ShowNames;
        item.PenStyle = psDot;
    }
    for (TLabelFont& font : UserView().LabelFonts) {
        font.Name += "x";
        font.Size += 3;
        font.Color ^= 0x010101;
        font.Style ^= fsItalic;
    }
    for (uint32_t& c : UserView().ClassColors)
        c ^= 0x010101;
    for (int32_t& w : UserView().ClassWidths)
        w += 1;
    CurrentClass = current + 1;
    DisplayStyles::SetDefaultStyles();
    DisplayStyles::SetDefaultClassStyles();
    for (size_t k = 0; k < UserView().Items.size(); ++k) {
        EXPECT_EQ(UserView().Items[k].Name, items[k].Name) << k;
        EXPECT_EQ(UserView().Items[k].Color, items[k].Color) << k;
        EXPECT_EQ(UserView().Items[k].Width, items[k].Width) << k;
        EXPECT_EQ(UserView().Items[k].ShowNames, items[k].ShowNames) << k;
        EXPECT_EQ(UserView().Items[k].PenStyle, items[k].PenStyle) << k;
    }
    for (size_t f = 1; f < UserView().LabelFonts.size(); ++f) {
        EXPECT_EQ(UserView().LabelFonts[f].Name, fonts[f].Name) << f;
        EXPECT_EQ(UserView().LabelFonts[f].Size, fonts[f].Size) << f;
        EXPECT_EQ(UserView().LabelFonts[f].Color, fonts[f].Color) << f;
        EXPECT_EQ(UserView().LabelFonts[f].Style, fonts[f].Style) << f;
    }
    EXPECT_EQ(UserView().ClassColors, colours);
    EXPECT_EQ(UserView().ClassWidths, widths);
    EXPECT_EQ(CurrentClass, current);

    // Stored colours keep red in the low byte: a round trip gives every channel back.
    EXPECT_EQ(DisplayStyles::ToQColor(0x0080FF), QColor(255, 128, 0));
    for (const QColor& c : {QColor(1, 2, 3), QColor(255, 0, 0), QColor(0, 0, 255)})
        EXPECT_EQ(DisplayStyles::ToQColor(DisplayStyles::FromQColor(c)), c);
}

TEST_F(DlgCfgTest, AccessorsFollowTheControls)
{
    TDlgCfg dlg;
    EXPECT_FALSE(dlg.HideBlocked());
    dlg.BlockedColor->SetColor(clWhite);
    EXPECT_TRUE(dlg.HideBlocked());

    EXPECT_FLOAT_EQ(dlg.ZoomFactorValue(), 0.15f);
    dlg.rgZoom->SetItemIndex(0);
    EXPECT_FLOAT_EQ(dlg.ZoomFactorValue(), 0.25f);
    EXPECT_EQ(dlg.MagnifierScale(), 6);
    dlg.EscalaZoom->SetItemIndex(5);
    EXPECT_EQ(dlg.MagnifierScale(), 15);

    EXPECT_EQ(dlg.UtmZone(), 19);
    EXPECT_FALSE(dlg.NorthernHemisphere());
    dlg.cbHuso->setCurrentIndex(29);
    dlg.cbHemisf->setCurrentIndex(1);
    EXPECT_EQ(dlg.UtmZone(), 30);
    EXPECT_TRUE(dlg.NorthernHemisphere());
    dlg.ceVert->setValue(10000.0);
    dlg.ceHorz->setValue(-1.234567);
    EXPECT_DOUBLE_EQ(dlg.ShiftVertKm(), 10000.0);
    EXPECT_DOUBLE_EQ(dlg.ShiftHorzKm(), -1.234567);

    // The print/screen ratio never takes a division by an unknown width.
    dlg.SetScreen2PrintRatio(4960.0, 1920.0);
    EXPECT_NEAR(dlg.Screen2PrintValue(), 4960.0 / 1920.0, 1e-4);
    dlg.SetScreen2PrintRatio(4960.0, 0.0);
    EXPECT_NEAR(dlg.Screen2PrintValue(), 4960.0 / 1920.0, 1e-4);
    dlg.SetScreen2PrintRatio(0.0, 0.0);
    EXPECT_GE(dlg.Screen2PrintValue(), 1.0);

    // Recent-files length is editable only while the list is kept.
    dlg.cbSaveFNames->setChecked(false);
    EXPECT_FALSE(dlg.FnameSaved->isEnabled());
    EXPECT_FALSE(dlg.LabelArchivos->isEnabled());
    dlg.cbSaveFNames->setChecked(true);
    EXPECT_TRUE(dlg.FnameSaved->isEnabled());
    EXPECT_TRUE(dlg.LabelArchivos->isEnabled());

    // Areas of the colour page the mouse moved over.
    MoveOver(dlg.ArcosColor);
    EXPECT_EQ(dlg.LastArea, TDlgCfg::AreaLinksColor);
    MoveOver(dlg.Zonificacion);
    EXPECT_EQ(dlg.LastArea, TDlgCfg::AreaZoning);
    MoveOver(dlg.BoxPoligonos);
    EXPECT_EQ(dlg.LastArea, TDlgCfg::AreaPolygons);
    MoveOver(dlg.sagSel->viewport());
    EXPECT_EQ(dlg.LastArea, TDlgCfg::AreaClassTable);
    MoveOver(dlg.GroupBox2);
    EXPECT_EQ(dlg.LastArea, TDlgCfg::AreaGeneral);
}

TEST_F(DlgCfgTest, SelectionWidthSetsEveryClassAndTheTableDrawsIt)
{
    TDlgCfg dlg;
    dlg.resize(700, 600);
    dlg.CfgPaginas->setCurrentWidget(dlg.CfgColores);
    dlg.show();
    QApplication::processEvents();

    dlg.SeleccionAncho->setValue(5);
    for (int c = 1; c <= 20; ++c)
        EXPECT_EQ(UserView().ClassWidths[c], 5);
    EXPECT_EQ(UserView().ClassWidths[21], 0); // beyond the user classes nothing changes
    EXPECT_EQ(LinePixels(dlg.sagSel, 0, 2, QColor(255, 0, 0)), 5);

    dlg.SeleccionAncho->setValue(3);
    EXPECT_EQ(UserView().ClassWidths[20], 3);
    EXPECT_EQ(LinePixels(dlg.sagSel, 0, 2, QColor(255, 0, 0)), 3);
    EXPECT_EQ(LinePixels(dlg.sagSel, 1, 2, QColor(0, 0, 255)), 3); // class 2 is blue
    dlg.hide();
}

TEST_F(DlgCfgTest, ClassTableDoubleClicksPickClassAndColour)
{
    TDlgCfg dlg;
    uint32_t seeded = 0;
    bool accept = true;
    dlg.Hooks.ChooseColor = [&](uint32_t& color) {
        seeded = color;
        if (accept)
            color = 0x123456;
        return accept;
    };

    dlg.resize(700, 600);
    dlg.CfgPaginas->setCurrentWidget(dlg.CfgColores);
    dlg.show();
    QApplication::processEvents();
    const QRect cell = dlg.sagSel->visualRect(dlg.sagSel->model()->index(4, 1));
    QTest::mouseClick(dlg.sagSel->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    QTest::mouseDClick(dlg.sagSel->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    EXPECT_EQ(CurrentClass, 5);
    dlg.hide();
    dlg.sagSelDblClick(4, 0); // the number column does nothing
    EXPECT_EQ(CurrentClass, 5);

    dlg.sagSelDblClick(2, 2);
    EXPECT_EQ(seeded, 0x008000u);
    EXPECT_EQ(UserView().ClassColors[3], 0x123456u);
    accept = false;
    dlg.sagSelDblClick(3, 2);
    EXPECT_EQ(UserView().ClassColors[4], 0x000080u);

    // "Selección:" edits the colour of the current class.
    accept = true;
    QTest::mouseClick(dlg.SeleccionColor, Qt::LeftButton);
    EXPECT_EQ(dlg.SeleccionColor->Color(), 0x123456u);
    EXPECT_EQ(UserView().ClassColors[5], 0x123456u);

    // Any other panel is its own store; a cancelled dialog changes nothing.
    QTest::mouseClick(dlg.NodosColor, Qt::LeftButton);
    EXPECT_EQ(seeded, clGray);
    EXPECT_EQ(dlg.NodosColor->Color(), 0x123456u);
    accept = false;
    QTest::mouseClick(dlg.ArcosColor, Qt::LeftButton);
    EXPECT_EQ(dlg.ArcosColor->Color(), clBlack);
}

TEST_F(DlgCfgTest, WidthMenuActsOnWhatItWasOpenedOver)
{
    TDlgCfg dlg;
    dlg.show();
    QApplication::processEvents();
    dlg.sagSel->setCurrentCell(6, 0);
    const int classWidth = UserView().ClassWidths[7];

    // Over the links colour box: opening shows the links' width and changes nothing.
    RightClick(dlg.ArcosColor);
    EXPECT_TRUE(dlg.SetWidths->isVisible());
    EXPECT_EQ(dlg.LastArea, TDlgCfg::AreaLinksColor);
    EXPECT_EQ(UserView().Items[0].Width, 1);
    EXPECT_TRUE(dlg.WidthAction(1)->isChecked());
    dlg.WidthAction(4)->trigger();
    dlg.SetWidths->hide();
    EXPECT_EQ(UserView().Items[0].Width, 4);
    EXPECT_EQ(UserView().ClassWidths[7], classWidth);
    RightClick(dlg.ArcosColor);
    EXPECT_TRUE(dlg.WidthAction(4)->isChecked());
    dlg.SetWidths->hide();

    // Over the class table: the selected class's width.
    RightClick(dlg.sagSel->viewport());
    EXPECT_EQ(dlg.LastArea, TDlgCfg::AreaClassTable);
    EXPECT_TRUE(dlg.WidthAction(3)->isChecked());
    EXPECT_FALSE(dlg.WidthAction(4)->isChecked());
    dlg.WidthAction(10)->trigger();
    dlg.SetWidths->hide();
    EXPECT_EQ(UserView().ClassWidths[7], 10);
    EXPECT_EQ(UserView().Items[0].Width, 4);

    // A width no item offers leaves every item unchecked.
    UserView().ClassWidths[7] = 5;
    dlg.SetWidthsPopup(TDlgCfg::TWidthTarget::ClassTable);
    for (int tag : {0, 1, 2, 3, 4, 7, 10})
        EXPECT_FALSE(dlg.WidthAction(tag)->isChecked()) << tag;

    // Over the layer style table: the selected layer style.
    dlg.sagGral->setCurrentCell(2, 0);
    RightClick(dlg.sagGral->viewport());
    dlg.WidthAction(0)->trigger();
    dlg.SetWidths->hide();
    EXPECT_EQ(UserView().Items[TDlgCfg::GralItemIndex(2)].Width, 0);
    EXPECT_EQ(UserView().ClassWidths[7], 5);
    EXPECT_EQ(UserView().Items[0].Width, 4);
    dlg.hide();
}

TEST_F(DlgCfgTest, LayerStyleTableListsStylesUpToTheLoadedLayers)
{
    TDlgCfg dlg;
    dlg.FormShow();
    ASSERT_EQ(dlg.sagGral->rowCount(), 11);
    EXPECT_EQ(dlg.sagGral->item(0, 0)->text(), QStringLiteral("Arcos Acceso"));
    EXPECT_EQ(dlg.sagGral->item(10, 0)->text(), QStringLiteral("Cobertura Líneas"));
    EXPECT_EQ(UserView().Items[11].Color, clSilver);

    GeoLayers().NumGeoLayers = 2;
    UserView().Items[11].Name = "Cob.Líneas (calles)";
    UserView().Items[12].Name = "Cob.Líneas (rios)";
    dlg.FormShow();
    ASSERT_EQ(dlg.sagGral->rowCount(), 13);
    EXPECT_EQ(dlg.sagGral->item(10, 0)->text(), QStringLiteral("Cob.Líneas (calles)"));
    EXPECT_EQ(dlg.sagGral->item(11, 0)->text(), QStringLiteral("Cob.Líneas (rios)"));

    // Never more rows than styles.
    GeoLayers().NumGeoLayers = 40;
    dlg.FormShow();
    EXPECT_EQ(dlg.sagGral->rowCount(), 20);
    GeoLayers().NumGeoLayers = 0;

    // A name in Windows-1252 is shown as such.
    UserView().Items[1].Name = "Acceso \xE1rea";
    dlg.FormShow();
    EXPECT_EQ(dlg.sagGral->item(0, 0)->text(), QStringLiteral("Acceso área"));

    dlg.Hooks.ChooseColor = [](uint32_t& color) {
        color = 0x00AA00;
        return true;
    };
    dlg.sagGralDblClick(3);
    EXPECT_EQ(UserView().Items[4].Color, 0x00AA00u);
    dlg.sagGralDblClick(25); // no such row
}

TEST_F(DlgCfgTest, ShiftFromDistanceAndDirection)
{
    RecordingServices services;
    ViewerServices* previous = SetServices(&services);
    TDlgCfg dlg;
    std::string answer1 = "1000", answer2 = "90";
    bool accept = true;
    std::vector<std::string> asked;
    dlg.Hooks.InputTwoValues = [&](const std::string& title, const std::string& p1, const std::string& p2,
                                   std::string& v1, std::string& v2) {
        asked = {title, p1, p2, v1, v2};
        if (!accept)
            return false;
        v1 = answer1;
        v2 = answer2;
        return true;
    };

    dlg.sbCalcular->click();
    EXPECT_EQ(asked, (std::vector<std::string>{"Desplazamiento", "Longitud", "Dirección", "0.0", "0.0"}));
    EXPECT_NEAR(dlg.ShiftVertKm(), 0.0, 1e-9);
    EXPECT_NEAR(dlg.ShiftHorzKm(), 1.0, 1e-9);

    answer1 = "2500";
    answer2 = "180";
    dlg.sbCalcularClick();
    EXPECT_NEAR(dlg.ShiftVertKm(), -2.5, 1e-9);
    EXPECT_NEAR(dlg.ShiftHorzKm(), 0.0, 1e-9);

    // Cancelled, empty or unreadable answers leave the shifts as they were.
    accept = false;
    dlg.sbCalcularClick();
    accept = true;
    answer1 = "";
    dlg.sbCalcularClick();
    EXPECT_TRUE(services.messages.empty());
    answer1 = "uno";
    dlg.sbCalcularClick();
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_NE(services.messages[0].find("uno"), std::string::npos);
    answer1 = "1e12";
    answer2 = "0";
    dlg.sbCalcularClick();
    EXPECT_EQ(services.messages.size(), 2u);
    EXPECT_NEAR(dlg.ShiftVertKm(), -2.5, 1e-9);
    // A decimal comma reads as the point, as in every box.
    answer1 = "1500,5";
    dlg.sbCalcularClick();
    EXPECT_EQ(services.messages.size(), 2u);
    EXPECT_NEAR(dlg.ShiftVertKm(), 1.5005, 1e-9);
    SetServices(previous);
}

TEST_F(DlgCfgTest, HandlersCallTheirHooks)
{
    {
        // Without hooks every handler is harmless.
        TDlgCfg bare;
        bare.sbWriteGeo->click();
        bare.sbSave->click();
        bare.cbFullDxf->setChecked(true);
        bare.rgZoom->SetItemIndex(2);
    }
    // The options outlive the dialog: a new one shows what the last one left.
    TDlgCfg dlg;
    EXPECT_TRUE(dlg.cbFullDxf->isChecked());
    EXPECT_EQ(dlg.rgZoom->ItemIndex(), 2);
    dlg.cbFullDxf->setChecked(false);
    int writes = 0;
    dlg.Hooks.WriteGeo = [&] { ++writes; };

    dlg.sbWriteGeo->click();
    dlg.sbSave->click();
    EXPECT_EQ(writes, 2);

    dlg.cbFullDxf->click();
    EXPECT_TRUE(ProgramOptions().FullDxf);
    dlg.cbFullDxf->setChecked(false); // the settings file sets it the same way
    EXPECT_FALSE(ProgramOptions().FullDxf);

    // The zoom step goes to the map's zoom factor.
    dlg.rgZoom->SetItemIndex(0);
    EXPECT_FLOAT_EQ(UserView().ZoomFactor, 0.25f);
    dlg.rgZoom->SetItemIndex(2);
    EXPECT_FLOAT_EQ(UserView().ZoomFactor, 0.05f);
    dlg.rgZoom->SetItemIndex(1);
    EXPECT_FLOAT_EQ(UserView().ZoomFactor, 0.15f);
    UserView().ZoomFactor = 0.1f;
}

} // namespace
