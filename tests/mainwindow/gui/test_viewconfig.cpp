// The view configuration of a network in an INI section, and the theme commands
// that store and apply it.
#include "analysis/gui/DlgFormula.h"
#include "mainwindow/DlgCfg.h"
#include "mainwindow/DlgTemas.h"
#include "mainwindow/PalvonViewer.h"
#include "map/ProgramSettings.h"
#include "map/DisplayStyles.h"
#include "map/DrawState.h"
#include "map/GeoLayers.h"
#include "map/Ranges.h"
#include "map/gui/DataLayers.h"
#include "map/gui/KDVscale.h"
#include "map/gui/OxrImage.h"
#include "model/KDVvars.h"
#include "model/ProgramOptions.h"
#include "model/PalvonVars.h"
#include "model/ZelUtils.h"
#include "platform/IniFile.h"
#include "support/FileDialogAnswer.h"
#include "support/FormulaColumn.h"
#include "support/GuiTestUtil.h"
#include "support/LiveMenus.h"
#include "support/RecordingServices.h"
#include "support/TestUtil.h"
#include "support/ViewerFixture.h"
#include "widgets/StringAlignGrid.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QTimer>
#include <QSpinBox>
#include <QTextEdit>

#include <csignal>
#include <filesystem>
#include <sys/resource.h>

namespace {

class ViewConfig : public ViewerFixture {
protected:
    void SetUp() override
    {
        ViewerFixture::SetUp();
        Ranges::SetDefaults();
        UserView().RangeSetKeys.clear();
        UserView().RangeNames.clear();
        DisplayStyles::SetDefaultStyles();
        ASSERT_TRUE(viewer->Files().AbrirRedPalvon(testutil::dataPath("grids_net.dat")));
        ui = std::make_unique<RecordingServices>();
    }
    void TearDown() override
    {
        ui.reset();
        Ranges::SetDefaults();
        UserView().RangeSetKeys.clear();
        UserView().RangeNames.clear();
        DisplayStyles::SetDefaultStyles();
        ViewerFixture::TearDown();
    }
    std::vector<std::string> TitleLines() const
    {
        std::vector<std::string> out;
        if (!viewer->tit->toPlainText().isEmpty())
            for (const QString& l : viewer->tit->toPlainText().split('\n'))
                out.push_back(l.toStdString());
        return out;
    }
    std::string Caption(const char* name) { return livemenus::Find(viewer, name)->text().toStdString(); }
    // Reopens recent network `tag` from "Archivo" > "Abrir Recientes", the menu
    // made anew from the settings file as it stands.
    void ClickRecent(int tag)
    {
        viewer->Files().RebuildRecentMenus();
        for (QAction* a : viewer->ArchivosRecientes->actions())
            if (a->data().toInt() == tag)
                return a->trigger();
        ADD_FAILURE() << "no recent item " << tag;
    }

    std::unique_ptr<RecordingServices> ui;
};

TEST_F(ViewConfig, EveryViewKeyComesBackFromItsSection)
{
    TDlgCfg& d = Secondary::DlgCfg();
    const size_t mode = static_cast<size_t>(UserView().RangeMode);
    const double w = Network.MaxX - Network.MinX, h = Network.MaxY - Network.MinY;
    UserView().WorldMinX = Network.MinX + w / 4;
    UserView().WorldMaxX = Network.MaxX - w / 8;
    UserView().WorldMinY = Network.MinY + h / 3;
    UserView().WorldMaxY = Network.MaxY - 0.125;
    const double wx0 = UserView().WorldMinX, wx1 = UserView().WorldMaxX, wy0 = UserView().WorldMinY, wy1 = UserView().WorldMaxY;
    for (const char* b : {"tbArrows", "tbNodes", "tbNameNodes", "tbCalles", "tbCents", "tbAtributos", "tbColores",
                          "tbValues", "tbMovimValues", "tbPoligonos", "tbLineas", "tbSel", "tbTit", "tbZonas",
                          "tbSolera"})
        viewer->SetDown(QString::fromLatin1(b), false);
    for (const char* b : {"tbArrows", "tbCalles", "tbColores", "tbTit"})
        viewer->SetDown(QString::fromLatin1(b), true);
    viewer->SetDown(Cmd::aAtributos2, true);
    viewer->sym->move(70, 81);
    viewer->tit->setPlainText("Uno\n\nTres");
    UserView().RangeMax = 123.5f;
    Secondary::KDVscale().Fixed->setChecked(true);
    UserView().PixsVol = 31;
    UserView().PixsCol = 7;
    UserView().LabelFonts[1] = {"Courier", 11, 255, uint8_t(fsBold | fsUnderline)};
    UserView().LabelFonts[2] = {"Times", 9, 4, fsItalic};
    UserView().LabelFonts[4] = {"Verdana", 7, 5, fsStrikeOut};
    UserView().LabelFonts[5] = {"Tahoma", 10, 6, 0};
    UserView().CentroidSize = 12;
    UserView().NodeSize = 5;
    UserView().ArrowSize = 6;
    UserView().SymbolColors[0] = 111;
    UserView().SymbolColors[2] = 222;
    UserView().NumFormat = {9, 2, "%.2f"};
    UserView().ModePenColors[mode] = 333;
    UserView().ModeBrushColors[mode] = 444;
    UserView().Items[3] = {"Capa", 0xFF, 2, true, psDot};
    UserView().Items[20] = {"Ultima", 77, 3, false, psInsideFrame};
    d.cbNodos->setChecked(false);
    d.SeleccionGrafica->SetItemIndex(1);
    d.SeleccionColor->SetColor(4321);
    d.ZonaBordeAncho->setValue(4);
    d.PoliRellenoColor->SetColor(4242);
    d.PoliRellenoClear->setChecked(false);
    d.VisorZoomSize->setValue(250);
    d.EscalaZoom->SetItemIndex(3);
    d.zCalles->setChecked(true);
    d.cbHuso->setCurrentIndex(5);
    d.cbHemisf->setCurrentIndex(1);
    d.ceVert->setValue(12.5);
    d.ceHorz->setValue(-3.25);
    {
        TIniFile ini("vista.ini");
        viewer->Settings().GrabarConfiguracion(ini, "S");
    }

    // Everything changed before reading back.
    for (const char* b : {"tbArrows", "tbCalles", "tbColores", "tbTit", "aAtributos2"})
        viewer->SetDown(QString::fromLatin1(b), false);
    viewer->SetDown(Cmd::tbNodes, true);
    viewer->sym->move(1, 1);
    viewer->tit->setPlainText("otro");
    UserView().WorldMinX = UserView().WorldMinY = UserView().WorldMaxX = UserView().WorldMaxY = 0;
    UserView().RangeMax = 0;
    // A run that has not shown the scale dialog yet.
    delete KDVscale;
    KDVscale = nullptr;
    UserView().ScaleFixed = false;
    UserView().PixsVol = UserView().PixsCol = UserView().CentroidSize = UserView().NodeSize = UserView().ArrowSize = 1;
    DisplayStyles::SetDefaultStyles();
    UserView().NumFormat = Tfmt();
    UserView().SymbolColors[0] = UserView().SymbolColors[2] = UserView().ModePenColors[mode] = UserView().ModeBrushColors[mode] = 0;
    d.cbNodos->setChecked(true);
    d.SeleccionGrafica->SetItemIndex(0);
    d.ZonaBordeAncho->setValue(1);
    d.VisorZoomSize->setValue(100);
    d.EscalaZoom->SetItemIndex(0);
    d.zCalles->setChecked(false);
    d.cbHuso->setCurrentIndex(0);
    d.cbHemisf->setCurrentIndex(0);
    d.ceVert->setValue(0);
    d.ceHorz->setValue(0);

    TIniFile ini("vista.ini");
    viewer->Settings().LeerConfiguracion(ini, "S");
    viewer->Settings().LeerConfiguracion(ini, "S");
    EXPECT_EQ(UserView().ShownVarList.size(), 1u);

    EXPECT_DOUBLE_EQ(UserView().WorldMinX, wx0);
    EXPECT_DOUBLE_EQ(UserView().WorldMaxX, wx1);
    EXPECT_DOUBLE_EQ(UserView().WorldMinY, wy0);
    EXPECT_DOUBLE_EQ(UserView().WorldMaxY, wy1);
    for (const char* b : {"tbArrows", "tbCalles", "tbColores", "tbTit", "aAtributos2"})
        EXPECT_TRUE(viewer->Down(QString::fromLatin1(b))) << b;
    EXPECT_FALSE(viewer->Down(Cmd::tbNodes));
    EXPECT_FALSE(viewer->sym->isHidden());
    EXPECT_TRUE(viewer->Scl->isHidden());
    EXPECT_EQ(viewer->sym->pos(), QPoint(70, 81));
    EXPECT_EQ(viewer->Scl->pos(), QPoint(70, 81));
    EXPECT_EQ(TitleLines(), (std::vector<std::string>{"Uno", "", "Tres"}));
    EXPECT_FLOAT_EQ(UserView().RangeMax, 123.5f);
    EXPECT_TRUE(UserView().ScaleFixed);
    EXPECT_TRUE(Secondary::KDVscale().Fixed->isChecked()) << "the dialog made afterwards shows the setting read";
    EXPECT_EQ(UserView().PixsVol, 31);
    EXPECT_EQ(UserView().PixsCol, 7);
    EXPECT_EQ(UserView().LabelFonts[1].Name, "Courier");
    EXPECT_EQ(UserView().LabelFonts[1].Size, 11);
    EXPECT_EQ(UserView().LabelFonts[1].Color, 255u);
    EXPECT_EQ(UserView().LabelFonts[1].Style, fsBold | fsUnderline);
    EXPECT_EQ(UserView().LabelFonts[2].Style, fsItalic);
    EXPECT_EQ(UserView().LabelFonts[4].Style, fsStrikeOut);
    EXPECT_EQ(UserView().LabelFonts[5].Name, "Tahoma");
    EXPECT_EQ(Caption("Letra1"), "Letra (Courier 11)");
    EXPECT_EQ(Caption("Letra2"), "Letra (Times  9)");
    EXPECT_EQ(Caption("Tamano1"), "Tamaño (12)");
    EXPECT_EQ(Caption("Tamano2"), "Tamaño (5)");
    EXPECT_EQ(Caption("Tamano3"), "Tamaño (6)");
    EXPECT_EQ(Caption("Decimales1"), "Decimales (2)");
    EXPECT_EQ(UserView().CentroidSize, 12);
    EXPECT_EQ(UserView().NodeSize, 5);
    EXPECT_EQ(UserView().ArrowSize, 6);
    EXPECT_EQ(UserView().SymbolColors[0], 111u);
    EXPECT_EQ(UserView().SymbolColors[2], 222u);
    EXPECT_EQ(UserView().NumFormat.NumDec, 9);
    EXPECT_EQ(UserView().NumFormat.Format, "%.2f");
    EXPECT_EQ(UserView().ModePenColors[mode], 333u);
    EXPECT_EQ(UserView().ModeBrushColors[mode], 444u);
    EXPECT_EQ(UserView().Items[3].Name, "Capa");
    EXPECT_EQ(UserView().Items[3].Color, 0xFFu);
    EXPECT_EQ(UserView().Items[3].Width, 2);
    EXPECT_EQ(UserView().Items[3].PenStyle, psDot);
    EXPECT_FALSE(UserView().Items[3].ShowNames); // the show-names flag is written, not applied
    EXPECT_EQ(UserView().Items[20].PenStyle, psInsideFrame);
    EXPECT_FALSE(d.cbNodos->isChecked());
    EXPECT_EQ(d.SeleccionGrafica->ItemIndex(), 1);
    EXPECT_EQ(d.SeleccionColor->Color(), 4321u);
    EXPECT_EQ(d.ZonaBordeAncho->value(), 4);
    EXPECT_EQ(d.PoliRellenoColor->Color(), 4242u);
    EXPECT_EQ(d.VisorZoomSize->value(), 250);
    EXPECT_EQ(d.EscalaZoom->ItemIndex(), 3);
    EXPECT_TRUE(d.zCalles->isChecked());
    EXPECT_EQ(d.cbHuso->currentIndex(), 5);
    EXPECT_EQ(d.cbHemisf->currentIndex(), 1);
    EXPECT_DOUBLE_EQ(d.ceVert->value(), 12.5);
    EXPECT_DOUBLE_EQ(d.ceHorz->value(), -3.25);
    EXPECT_EQ(ini.ReadString("S", "Item03", ""), "Capa;255;2;1;0010000");
}

TEST_F(ViewConfig, WrongFieldCountsGiveTheWholeDefault)
{
    std::filesystem::copy_file(testutil::dataPath("theme_viewconfig_bad.ini"), tmp.file("malo.ini"));
    for (const char* b : {"tbArrows", "tbNodes", "tbSolera", "tbZonas"})
        viewer->SetDown(QString::fromLatin1(b), true);
    UserView().Items[2] = {"Sin cambio", 5, 4, true, psDash};
    UserView().PixsVol = 40;
    viewer->Settings().GeoLayersLoaded = 1;
    const int32_t layersBefore = GeoLayers().NumGeoLayers;

    TIniFile ini(tmp.file("malo.ini"));
    viewer->Settings().LeerConfiguracion(ini, "Malo");

    EXPECT_EQ(UserView().RangeName, "null");
    EXPECT_EQ(TitleLines(), (std::vector<std::string>{"Uno", "", "Tres"}));
    for (const char* b : {"tbArrows", "tbNodes", "tbSolera", "tbZonas"})
        EXPECT_FALSE(viewer->Down(QString::fromLatin1(b))) << b; // 16 fields: all 17 released
    EXPECT_EQ(UserView().LabelFonts[1].Name, "Arial");
    EXPECT_EQ(UserView().LabelFonts[1].Size, 8);
    EXPECT_EQ(UserView().CentroidSize, 10);
    EXPECT_EQ(UserView().SymbolColors[0], 8454143u);
    EXPECT_EQ(UserView().PixsVol, 25);
    EXPECT_EQ(UserView().PixsCol, 5);
    EXPECT_EQ(UserView().Items[1].Name, "Calle");
    EXPECT_EQ(UserView().Items[1].Color, 255u);
    EXPECT_EQ(UserView().Items[1].Width, 2);
    EXPECT_FALSE(UserView().Items[1].ShowNames);
    EXPECT_EQ(UserView().Items[1].PenStyle, psDot);
    EXPECT_EQ(UserView().Items[2].Name, "Sin cambio");
    EXPECT_EQ(UserView().Items[2].PenStyle, psDash);
    // Only keys that begin "Rangos_" in any letter case are range sets.
    EXPECT_EQ(UserView().RangeSetKeys, (std::vector<std::string>{"rangos_Vel", "RANGOS_Vol"}));
    EXPECT_EQ(UserView().RangeNames[1], "null");
    const float limits[6] = {0, 0.25f, 0.5f, 0.75f, 1, 1.25f};
    for (size_t k = 0; k < 6; ++k)
        EXPECT_FLOAT_EQ(UserView().RangeTable[k].High, limits[k]) << k;
    EXPECT_FLOAT_EQ(UserView().RangeTable[0].Low, 0.0f);
    EXPECT_FLOAT_EQ(UserView().RangeTable[3].Low, 0.5f);
    EXPECT_FALSE(UserView().RangeTable[0].Active);
    EXPECT_TRUE(UserView().RangeTable[5].Active);
    // "Soleras" of one field leaves the layers as they were.
    EXPECT_EQ(viewer->Settings().GeoLayersLoaded, 1);
    EXPECT_EQ(GeoLayers().NumGeoLayers, layersBefore);
    // 31 fields of "Preferencias": all 32 defaults.
    EXPECT_TRUE(Secondary::DlgCfg().cbNodos->isChecked());
    EXPECT_EQ(Secondary::DlgCfg().ZonaBordeAncho->value(), 2);
    EXPECT_EQ(Secondary::DlgCfg().VisorZoomSize->value(), 100);
    EXPECT_EQ(Secondary::DlgCfg().EscalaZoom->ItemIndex(), 1);
    // Missing key: its default.
    EXPECT_EQ(Secondary::DlgCfg().cbHuso->currentIndex(), 18);

    // Two layers announced, one file present: that one is loaded, as the first layer.
    {
        TIniFile capas(tmp.file("capas.ini"));
        capas.WriteString("C", "Soleras", "2;" + tmp.file("falta.geo") + ";" + testutil::dataPath("layer_kerbs.geo"));
    }
    TIniFile capas(tmp.file("capas.ini"));
    viewer->Settings().LeerConfiguracion(capas, "C");
    EXPECT_EQ(GeoLayers().NumGeoLayers, 1);
    EXPECT_EQ(GeoLayers().GeoLayerNames[1], "layer_kerbs");
    EXPECT_EQ(viewer->Settings().GeoLayersLoaded, 1);
}

// A pasted configuration with sizes no map can use keeps the sizes in use and says
// which values it refused; the rest of it applies.
TEST_F(ViewConfig, PastedSizesOutOfRangeAreRefusedWithAMessage)
{
    testutil::writeFile(tmp.file("Velmorat.INI"),
                        "[_Tema_Velmora]\r\nEscala=0;0;2147483647;5\r\nZonas=Arial;99999999;255;0000;2147483647;77\r\n"
                        "Flechas=9999;1\r\nAtributos=Arial;8;255;0000;6;2147483647\r\n");
    UserView().PixsVol = 40;
    UserView().LabelFonts[1].Size = 9;
    UserView().CentroidSize = 6;
    UserView().ArrowSize = 5;
    UserView().NumFormat.Decimals = 2;
    livemenus::Find(viewer, QStringLiteral("PegarTema1"))->trigger();
    EXPECT_EQ(UserView().PixsVol, 40);
    EXPECT_EQ(UserView().LabelFonts[1].Size, 9);
    EXPECT_EQ(UserView().LabelFonts[1].Color, 255u); // the font's other fields apply
    EXPECT_EQ(UserView().CentroidSize, 6);
    EXPECT_EQ(UserView().SymbolColors[0], 77u);
    EXPECT_EQ(UserView().ArrowSize, 5);
    EXPECT_EQ(UserView().NumFormat.Decimals, 2);
    EXPECT_EQ(UserView().NumFormat.Format, "%.2f");
    EXPECT_EQ(Caption("Tamano1"), "Tamaño (6)");
    ASSERT_EQ(ui->messages.size(), 1u);
    EXPECT_EQ(ui->messages[0],
              "La configuración \"_Tema_Velmora\" tiene valores fuera de rango:"
              "\rAncho de las barras (Escala) = 2147483647 fuera de rango (1 a 500); se mantiene 40"
              "\rTamaño de letra de Zonas = 99999999 fuera de rango (1 a 200); se mantiene 9"
              "\rTamaño de los centroides = 2147483647 fuera de rango (0 a 100); se mantiene 6"
              "\rTamaño de las flechas = 9999 fuera de rango (0 a 100); se mantiene 5"
              "\rDecimales de los atributos = 2147483647 fuera de rango (0 a 15); se mantiene 2");
}

TEST_F(ViewConfig, ThemesAreDefinedCopiedPastedAndAppliedToTheOpenNetwork)
{
    const std::string themes = tmp.file("Velmorat.INI");
    UserView().PixsVol = 33;
    // Paste before any copy does nothing.
    livemenus::Click(viewer, "menu:Editar", "PegarTema1");
    EXPECT_EQ(UserView().PixsVol, 33);
    EXPECT_FALSE(TIniFile(themes).SectionExists("_Tema_Velmora"));

    viewer->Display().Dialogs.InputText = [](const std::string&, const std::string&, std::string& text) {
        text = "Mio";
        return true;
    };
    livemenus::Click(viewer, "menu:Herramientas>Temas", "aDefinir1");
    EXPECT_EQ(viewer->Themes().ThemeName(), "Mio");
    EXPECT_EQ(TIniFile(themes).ReadString("Mio", "Escala", ""), "0;0;33;5");
    // Refused overwrite: nothing written.
    UserView().PixsVol = 44;
    livemenus::Click(viewer, "menu:Herramientas>Temas", "aDefinir1");
    EXPECT_EQ(ui->questions, (std::vector<std::string>{"Tema ya existe. Desea sobrescribirlo"}));
    EXPECT_EQ(TIniFile(themes).ReadString("Mio", "Escala", "").substr(4), "33;5");
    // A redefinition that the disk cannot take (it is full at the file's size):
    // the earlier theme stays whole, not rewritten up to the key that failed, and
    // the user is told once.
    {
        const std::string before = testutil::readFile(themes);
        const size_t told = ui->messages.size();
        ui->answerYes = true;
        const double shift = ProgramOptions().ShiftVert;
        ProgramOptions().ShiftVert = 123456.25; // a later key, longer
        rlimit saved{};
        ::getrlimit(RLIMIT_FSIZE, &saved);
        const auto handler = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit full{before.size(), saved.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &full);
        livemenus::Click(viewer, "menu:Herramientas>Temas", "aDefinir1");
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, handler);
        ProgramOptions().ShiftVert = shift;
        ui->answerYes = false;
        EXPECT_EQ(testutil::readFile(themes), before);
        EXPECT_EQ(ui->messages.size(), told + 1);
    }
    // Cancel keeps the name; an empty name writes nothing.
    viewer->Display().Dialogs.InputText = [](const std::string&, const std::string&, std::string& text) {
        text.clear();
        return true;
    };
    livemenus::Click(viewer, "menu:Herramientas>Temas", "aDefinir1");
    EXPECT_TRUE(viewer->Themes().ThemeName().empty());
    EXPECT_EQ(TIniFile(themes).ReadSections(), (std::vector<std::string>{"Mio"}));

    UserView().WorldMinX = 1.234;
    UserView().WorldMinY = 2.0;
    UserView().WorldMaxX = 300.126;
    UserView().WorldMaxY = 400.999;
    livemenus::Click(viewer, "menu:Editar", "CopiarTema1");
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), "1.23;2.00;300.13;401.00");
    UserView().PixsVol = 50;
    livemenus::Click(viewer, "menu:Editar", "PegarTema1");
    EXPECT_EQ(UserView().PixsVol, 44);

    // A theme of another network: window clamped to this network, variable dropped
    // when the current mode shows none, kept when it shows a column of this grid.
    std::filesystem::copy_file(testutil::dataPath("theme_other_net.ini"), tmp.file("otra.ini"));
    TIniFile other(tmp.file("otra.ini"));
    UserView().RangeVarByMode[static_cast<size_t>(UserView().RangeMode)] = 0;
    viewer->Settings().LeerConfiguracion(other, "OtraRed");
    EXPECT_EQ(UserView().RangeName, "null");
    EXPECT_EQ(UserView().RangeVarArcos, 0);
    EXPECT_DOUBLE_EQ(UserView().WorldMinX, Network.MinX);
    EXPECT_DOUBLE_EQ(UserView().WorldMaxX, Network.MaxX);
    EXPECT_DOUBLE_EQ(UserView().WorldMinY, Network.MinY);
    EXPECT_DOUBLE_EQ(UserView().WorldMaxY, Network.MaxY);
    // A window wholly beside this network shows the whole network, not an empty
    // (turned over) window.
    const double past = Network.MaxX + 10.0 * (Network.MaxX - Network.MinX);
    other.WriteString("Lejos", "Zoom", ZelUtils::Format("%.3f;%.3f;%.3f;%.3f", past, double(Network.MinY),
                                                        past + 1000.0, double(Network.MaxY)));
    viewer->Settings().LeerConfiguracion(other, "Lejos");
    EXPECT_DOUBLE_EQ(UserView().WorldMinX, Network.MinX);
    EXPECT_DOUBLE_EQ(UserView().WorldMaxX, Network.MaxX);
    EXPECT_DOUBLE_EQ(UserView().WorldMinY, Network.MinY);
    EXPECT_DOUBLE_EQ(UserView().WorldMaxY, Network.MaxY);
    viewer->Settings().LeerConfiguracion(other, "OtraRed");
    EXPECT_TRUE(viewer->Down(Cmd::tbNodes));
    int column = 0;
    for (int c = 2; c < NumColArcos && !column; ++c)
        if (ColVarArcos[static_cast<size_t>(c)] > 0)
            column = c;
    ASSERT_GT(column, 0);
    UserView().RangeVarByMode[static_cast<size_t>(UserView().RangeMode)] = column;
    viewer->Settings().LeerConfiguracion(other, "OtraRed");
    EXPECT_EQ(UserView().RangeVarArcos, column);
    EXPECT_EQ(UserView().RangeName, viewer->sagArcos->cell(column, 0));
    EXPECT_EQ(UserView().ShownVarList, (std::vector<std::string>{ZelUtils::Format("%d", column)}));
}

TEST_F(ViewConfig, TheNetworkViewIsSavedAtCloseAndAppliedOnReopening)
{
    Secondary::DlgCfg().cbSaveLayout->setChecked(true);
    Secondary::DlgCfg().cbDrawLayout->setChecked(true);
    UserView().PixsVol = 27;
    viewer->Settings().SaveAtClose();
    TIniFile settings(ProgramSettings::FileName);
    RecentFiles = ProgramSettings::BuildRecentFiles(settings);
    int tag = -1;
    for (size_t i = 0; i < RecentFiles.size(); ++i)
        if (RecentFiles[i].find(";File") != std::string::npos)
            tag = static_cast<int>(i);
    ASSERT_GE(tag, 0);
    UserView().PixsVol = 60;
    ClickRecent(tag);
    EXPECT_EQ(UserView().PixsVol, 27);
    // The colour legend, never drawn, kept no corner of its own: it is not saved
    // at the map's top-left corner, nor brought back there.
    const std::string& recent = RecentFiles[static_cast<size_t>(tag)];
    EXPECT_NE(settings.ReadString(recent.substr(recent.rfind(';') + 1), "Vineta", "0;0"), "0;0");
    EXPECT_NE(viewer->sym->pos(), QPoint(0, 0));
    Secondary::DlgCfg().cbDrawLayout->setChecked(false);
    UserView().PixsVol = 60;
    ClickRecent(tag);
    EXPECT_EQ(UserView().PixsVol, 60);
}

// The link variable coloured when the program closed comes back with its network
// from "Abrir Recientes", coloured, ticked and with its legend, whatever the map
// showed just before; one whose column the network opened does not have (a
// formula column, not made again) leaves nothing chosen, its button up.
TEST_F(ViewConfig, TheSavedVariableComesBackWithItsNetworkFromTheRecentList)
{
    struct Row {
        const char* name;
        bool formula;     // the variable coloured is a formula column's
        bool otherBefore; // another network open when the recent one is picked
    };
    const Row rows[] = {
        {"another network before", false, true},
        {"the same network", false, false},
        {"a formula column, another network before", true, true},
        {"a formula column, the same network", true, false},
    };
    std::filesystem::copy_file(testutil::dataPath("grids_net.dat"), tmp.file("red.dat"));
    std::filesystem::copy_file(std::string(VELMORA_SOURCE_DIR) + "/samples/ejemplo.dat", tmp.file("otra.dat"));
    Secondary::DlgCfg().cbSaveLayout->setChecked(true);
    Secondary::DlgCfg().cbDrawLayout->setChecked(true);
    viewer->resize(1000, 700);
    viewer->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(viewer));
    QMenu* colours = livemenus::Find(viewer, "tbColores")->menu();
    const auto itemOf = [&](const std::string& title) -> QAction* {
        emit colours->aboutToShow();
        for (QAction* v : colours->actions())
            for (int c = 2; c < NumColArcos; ++c)
                if (viewer->sagArcos->cell(c, 0) == title && ColVarArcos[size_t(c)] == v->data().toInt())
                    return v;
        return nullptr;
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string title = row.formula ? "Doble" : "Cap";
        ASSERT_TRUE(viewer->Files().AbrirRedPalvon(tmp.file("red.dat")));
        testutil::settle();
        if (row.formula) {
            ASSERT_TRUE(testutil::MakeFormulaColumn(viewer, Secondary::DlgFormula(), false, {"Cap"}, "Doble", "A*2"));
        }
        QAction* item = itemOf(title);
        ASSERT_NE(item, nullptr);
        item->trigger();
        ASSERT_EQ(UserView().RangeName, title);
        ASSERT_TRUE(viewer->Down(Cmd::tbColores));
        viewer->Settings().SaveAtClose();
        RecentFiles = ProgramSettings::BuildRecentFiles(TIniFile(ProgramSettings::FileName));
        int tag = -1;
        for (size_t i = 0; i < RecentFiles.size(); ++i)
            if (RecentFiles[i].find(";" + tmp.file("red.dat") + ";") != std::string::npos)
                tag = static_cast<int>(i);
        ASSERT_GE(tag, 0);
        if (row.otherBefore) {
            testutil::AnswerFileDialog(viewer, tmp.file("otra.dat"));
            ASSERT_TRUE(livemenus::Click(viewer, "menu:Archivo>Abrir", "aFileOpenItem"));
            testutil::settle();
        }
        ClickRecent(tag);
        testutil::settle();
        livemenus::Find(viewer, "aRedibujar")->trigger();
        EXPECT_EQ(UserView().RangeName, row.formula ? "null" : title);
        EXPECT_EQ(viewer->Down(Cmd::tbColores), !row.formula);
        EXPECT_EQ(viewer->sym->isVisible(), !row.formula);
        EXPECT_EQ(UserView().ShownVarList.size(), row.formula ? 0u : 1u);
        QAction* shown = itemOf(title); // the list as the button shows it
        QStringList ticked;
        for (QAction* v : colours->actions())
            if (v->isChecked())
                ticked << v->text();
        EXPECT_EQ(ticked.join('|'), !row.formula && shown ? shown->text() : QString());
        if (!row.formula) {
            EXPECT_EQ(viewer->sagArcos->cell(UserView().RangeVarArcos, 0), title);
        }
    }
}

TEST_F(ViewConfig, LayerWithAnUpperCaseExtensionIsSavedAsNamedAndAppliedAgain)
{
    // A layer file as written on another system: KERBS.GEO and KERBS.NAME.
    std::filesystem::copy_file(testutil::dataPath("layer_kerbs.geo"), tmp.file("KERBS.GEO"));
    std::filesystem::copy_file(testutil::dataPath("layer_kerbs.name"), tmp.file("KERBS.NAME"));
    std::filesystem::copy_file(testutil::dataPath("layer_kerbs.geo"), tmp.file("otra.geo"));
    // Opened as the user does: "Lineas de soleras" in the open dialog.
    auto answer = [this](const std::string& file) {
        testutil::WhenFileDialogShown(viewer, [file](QFileDialog* dialog) {
            testutil::TypeFileAndAccept(dialog, QString::fromStdString(file), 7);
        });
    };
    answer(tmp.file("KERBS.GEO"));
    ASSERT_TRUE(livemenus::Click(viewer, "menu:Archivo", "tbOpenDat"));
    ASSERT_EQ(GeoLayers().NumGeoLayers, 1);
    EXPECT_EQ(GeoLayers().GeoLayerNames[1], "KERBS");
    const int32_t polylines = GeoLayers().GeoLayerEnd[1];
    ASSERT_GT(polylines, 0);

    // The view saved at close names the file as it is.
    Secondary::DlgCfg().cbSaveLayout->setChecked(true);
    Secondary::DlgCfg().cbDrawLayout->setChecked(true);
    viewer->Settings().SaveAtClose();
    TIniFile settings(ProgramSettings::FileName);
    RecentFiles = ProgramSettings::BuildRecentFiles(settings);
    int tag = -1;
    std::string section;
    for (size_t i = 0; i < RecentFiles.size(); ++i)
        if (RecentFiles[i].find(";File") != std::string::npos) {
            tag = static_cast<int>(i);
            section = RecentFiles[i].substr(RecentFiles[i].rfind(';') + 1);
        }
    ASSERT_GE(tag, 0);
    EXPECT_EQ(settings.ReadString(section, "Soleras", ""), "1;" + tmp.file("KERBS.GEO"));

    // Another layer replaces it; reopening the network from the recent files
    // applies the view, which loads KERBS.GEO again.
    answer(tmp.file("otra.geo"));
    ASSERT_TRUE(livemenus::Click(viewer, "menu:Archivo", "tbOpenDat"));
    ASSERT_EQ(GeoLayers().GeoLayerNames[1], "otra");
    ui.reset(); // the window's own status bar
    viewer->resize(1000, 700);
    viewer->show();
    testutil::settle();
    ClickRecent(tag);
    ASSERT_EQ(GeoLayers().NumGeoLayers, 1);
    EXPECT_EQ(GeoLayers().GeoLayerNames[1], "KERBS");
    EXPECT_EQ(GeoLayers().GeoLayerFiles[1], tmp.file("KERBS.GEO"));
    EXPECT_EQ(GeoLayers().GeoLayerEnd[1], polylines);
    // The opening ends showing the map's proportions, not the name of the layer read.
    EXPECT_EQ(viewer->StatusPanel(0), QString::number(double(viewer->img->width()) / viewer->img->height(), 'f', 4));
    EXPECT_FALSE(std::filesystem::exists(tmp.file("KERBS.geo")));
    GeoLayers().NumGeoLayers = 0; // the layers are process-wide: later tests start without
}

} // namespace
