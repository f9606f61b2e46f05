#include "map/DisplayStyles.h"
#include "map/Ranges.h"
#include "model/KDVvars.h"
#include "printing/Net2Print.h"
#include "support/RecordingServices.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace fs = std::filesystem;

namespace {

// Runs with the temp folder as the current folder (relative names resolve there).
class Net2PrintTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        old_ = fs::current_path();
        fs::current_path(dir_.path());
    }
    void TearDown() override { fs::current_path(old_); }
    std::string Full(const std::string& name) const { return (fs::current_path() / name).lexically_normal().string(); }
    testutil::TempDir dir_;
    fs::path old_;
    TPrintSettings pages_;
    std::unique_ptr<TPrintDefinition> definition_ = std::make_unique<TPrintDefinition>();
    TPrintDefinition& d_ = *definition_;
};

class FakeView : public Net2PrintView {
public:
    void LegendPosition(int32_t& left, int32_t& top) override { left = left_; top = top_; }
    void ApplyTheme(const TPrintTheme& t) override { theme = t; left_ = t.VinetaLeft; top_ = t.VinetaTop; ++themes; }
    void ApplyGeneral(const TPrintGeneral& g) override { general = g; }
    int32_t left_ = 7, top_ = 9;
    TPrintTheme theme;
    TPrintGeneral general;
    int themes = 0;
};

TEST_F(Net2PrintTest, MissingFileChangesNothing)
{
    d_.Net2PrintCount = 5;
    d_.WordDocumentName = "keep.doc";
    EXPECT_FALSE(ReadWriteNet2Print(dir_.file("nope.ini"), d_, pages_));
    EXPECT_EQ(d_.Net2PrintCount, 5);
    EXPECT_EQ(d_.WordDocumentName, "keep.doc");
}

TEST_F(Net2PrintTest, FullDefinition)
{
    testutil::writeFile("def.ini",
        "[Red A]\r\nRedPalvon=a.dat\r\nVarVolumen=VOL,CAP\r\nTitColores=x\r\nVarColores=SAT\r\n"
        "SeleccionArcos=sel.txt\r\nOcultaSeleccion=1\r\nSaltoPagina=2\r\nVarMultiple=3\r\nAlto=2.5\r\n\r\n"
        "[General]\r\nOrientacion=1\r\nTama\xC3\xB1oPapel=1\r\nMargenSup=0.5\r\nNumeroColumnas=2\r\n"
        "DesplazamientoValor=-3\r\nDocumentoWord=out/rep.doc\r\nAncho=4.5\r\nLineaSoleras=calles.txt\r\n"
        "[Tema]\r\nZoom=1;2;3.5;4\r\nVineta=10\r\nColor=255\r\nColorSoleras=123\r\nAnchoAtributo=40\r\n"
        "VerNombreNodos=1\r\nFixed=1\r\nValorMaximo=1500.5\r\n"
        "[Red B]\r\nRedPalvon=sub/b.dat\r\nVineta=3;4\r\nTitulos=uno,dos\r\n");
    testutil::writeFile("calles.txt", "");
    FakeView view;
    UserView().RangeMode = 1;
    ASSERT_TRUE(ReadWriteNet2Print("def.ini", d_, pages_, &view));
    EXPECT_EQ(d_.Net2PrintCount, 4);
    EXPECT_EQ(d_.WordOrientation, 1);
    EXPECT_EQ(d_.WordPaperSize, 7);
    EXPECT_FALSE(pages_.PrintOnPrinterPage);
    EXPECT_DOUBLE_EQ(d_.MarginTop, 0.5);
    EXPECT_DOUBLE_EQ(d_.MarginBottom, 1.0);
    EXPECT_TRUE(d_.PrintInColumns);
    EXPECT_EQ(d_.PrintColumns, 2);
    EXPECT_EQ(UserView().LinkShift, -3);
    EXPECT_EQ(d_.WordDocumentName, Full("out/rep.doc"));
    EXPECT_EQ(view.general.LineaSoleras, Full("calles.txt"));
    EXPECT_EQ(view.general.TemaVelmora, "null");

    EXPECT_EQ(view.themes, 1);
    EXPECT_DOUBLE_EQ(UserView().WorldMinX, 1);
    EXPECT_DOUBLE_EQ(UserView().WorldMinY, 2);
    EXPECT_DOUBLE_EQ(UserView().WorldMaxX, 3.5);
    EXPECT_DOUBLE_EQ(UserView().WorldMaxY, 4);
    // A one-field legend place keeps the legend where it was.
    EXPECT_EQ(view.theme.VinetaLeft, 7);
    EXPECT_EQ(view.theme.VinetaTop, 9);
    // A one-field colour pair falls back to the fixed pair.
    EXPECT_EQ(UserView().ModePenColors[1], 8454143u);
    EXPECT_EQ(UserView().ModeBrushColors[1], 8421631u);
    EXPECT_EQ(UserView().Items[11].Color, 123u);
    EXPECT_EQ(UserView().PixsVol, 40);
    EXPECT_TRUE(view.theme.VerNombreNodos);
    EXPECT_TRUE(view.theme.Fixed);
    EXPECT_DOUBLE_EQ(view.theme.ValorMaximo, 1500.5);

    const TNet2Print& a = d_.Net2Print[0];
    EXPECT_EQ(a.RedPalvon, "a.dat");
    EXPECT_EQ(a.NetworkFile, Full("a.dat"));
    EXPECT_EQ(a.SeleccionArcos, Full("sel.txt"));
    EXPECT_EQ(a.DatosComplementarios, "null");
    EXPECT_EQ(a.OcultaSeleccion, 1);
    EXPECT_EQ(a.SaltoPagina, 2);
    EXPECT_EQ(a.VarMultiple, 3);
    EXPECT_EQ(a.VarTitles[1], "VOL,CAP");  // titles default to the names
    EXPECT_EQ(a.VarTitles[2], "x");
    EXPECT_EQ(a.VarTitles[0], "");
    EXPECT_FLOAT_EQ(a.Ancho, 4.5f);        // from "General"
    EXPECT_FLOAT_EQ(a.Alto, 2.5f);
    EXPECT_EQ(a.Vineta, "7;9");
    EXPECT_EQ(a.Color, "null");
    EXPECT_EQ(d_.Net2Print[1].NetworkFile, "null");
    EXPECT_EQ(d_.Net2Print[2].NetworkFile, "null");
    EXPECT_EQ(d_.Net2Print[3].NetworkFile, Full("sub/b.dat"));
    EXPECT_EQ(d_.Net2Print[3].Vineta, "3;4");
    EXPECT_EQ(d_.Net2Print[3].Titulos, "uno,dos");
}

// Settings that the file leaves out take their defaults, whatever was set before.
// A column count that would ask the document for billions of cells refuses the
// definition; a bar width out of range is refused alone and the rest is read.
// A line the reader cannot take (a key it does not know, a value that is no number
// of the key's kind, a layer file that is not there) is left aside and named by
// its number, section and text, once, in one message; the rest is read.
TEST_F(Net2PrintTest, LinesLeftAsideAreNamed)
{
    const struct {
        const char* line;
        const char* said;
    } rows[] = {
        {"[Red]\r\nVarColor=Cap", "l\xC3\xADnea 4, [Red] VarColor=Cap: no es una clave"},
        {"[Red]\r\nVarMultiple=dos", "l\xC3\xADnea 4, [Red] VarMultiple=dos: no es un n\xC3\xBAmero entero"},
        {"[General]\r\nMargenSup=1,5", "l\xC3\xADnea 4, [General] MargenSup=1,5: no es un n\xC3\xBAmero con punto"},
        {"[Tema]\r\nZoom=1;2;3", "l\xC3\xADnea 4, [Tema] Zoom=1;2;3: no son cuatro n\xC3\xBAmeros"},
        {"[Red]\r\nColor=255", "l\xC3\xADnea 4, [Red] Color=255: no son dos n\xC3\xBAmeros"},
        {"[General]\r\nLineaSoleras=nada.geo", "l\xC3\xADnea 4, [General] LineaSoleras=nada.geo: no se encuentra"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.line);
        testutil::writeFile("def.ini", std::string("[Otra]\r\nRedPalvon=a.dat\r\n") + row.line + "\r\n");
        RecordingServices ui;
        FakeView view;
        ASSERT_TRUE(ReadWriteNet2Print("def.ini", d_, pages_, &view));
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_NE(ui.messages[0].find(row.said), std::string::npos) << ui.messages[0];
        EXPECT_EQ(d_.Net2Print[0].NetworkFile, Full("a.dat"));
        EXPECT_EQ(view.general.LineaSoleras, "null");
    }
}

TEST_F(Net2PrintTest, HugeColumnCountAndWidthAreRefused)
{
    RecordingServices ui;
    d_.Net2PrintCount = 5;
    d_.WordDocumentName = "keep.doc";
    testutil::writeFile(dir_.file("cols.ini"),
                        "[General]\r\nNumeroColumnas=2147483647\r\nDocumentoWord=informe.doc\r\n[Red1]\r\nRedPalvon=a.dat\r\n");
    EXPECT_FALSE(ReadWriteNet2Print("cols.ini", d_, pages_));
    EXPECT_EQ(d_.Net2PrintCount, 5);
    EXPECT_EQ(d_.WordDocumentName, "keep.doc");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0],
              "NumeroColumnas=2147483647 en la definición de impresión cols.ini está fuera de rango (0 a 63); "
              "la definición no se lee.");

    ui.messages.clear();
    UserView().PixsVol = 33;
    testutil::writeFile(dir_.file("ancho.ini"), "[General]\r\nNumeroColumnas=63\r\n[Tema]\r\nAnchoAtributo=2147483647\r\n"
                                                "[Red1]\r\nRedPalvon=a.dat\r\n");
    FakeView view;
    ASSERT_TRUE(ReadWriteNet2Print("ancho.ini", d_, pages_, &view));
    EXPECT_EQ(UserView().PixsVol, 33);
    EXPECT_EQ(view.theme.AnchoAtributo, 33);
    EXPECT_EQ(d_.PrintColumns, 63);
    EXPECT_EQ(d_.Net2PrintCount, 3);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0],
              "AnchoAtributo=2147483647 en la definición de impresión está fuera de rango (1 a 500); se mantiene 33");
}

TEST_F(Net2PrintTest, SettingsOnlyAndDefaults)
{
    d_.WordDocumentName = Full("chosen.doc");
    d_.PrintColumns = 3;
    d_.PrintInColumns = true;
    UserView().PixsVol = 33;
    testutil::writeFile("only.ini", "[general]\r\nTama\xF1oPapel=2\r\n[TEMA]\r\nVineta=15;20\r\nZoom=1;2;3\r\n");
    FakeView view;
    UserView().WorldMinX = -5;
    ASSERT_TRUE(ReadWriteNet2Print("only.ini", d_, pages_, &view));
    EXPECT_EQ(d_.Net2PrintCount, 2);
    EXPECT_EQ(d_.Net2Print[0].NetworkFile, "null");
    EXPECT_EQ(d_.Net2Print[1].NetworkFile, "null");
    EXPECT_EQ(d_.WordDocumentName, "null");
    EXPECT_FALSE(d_.PrintInColumns);
    EXPECT_EQ(d_.WordPaperSize, 23);  // the key spelled in Latin-1
    EXPECT_EQ(UserView().PixsVol, 33);
    EXPECT_FALSE(view.theme.Fixed);
    EXPECT_FALSE(view.theme.VerNombreNodos);
    EXPECT_EQ(view.theme.VinetaLeft, 15);
    EXPECT_EQ(view.theme.VinetaTop, 20);
    EXPECT_FALSE(view.theme.HasZoom);  // three numbers: not a window
    EXPECT_DOUBLE_EQ(UserView().WorldMinX, -5);

    testutil::writeFile("empty.ini", "[X]\r\nRedPalvon=x.dat\r\n");
    ASSERT_TRUE(ReadWriteNet2Print("empty.ini", d_, pages_));
    EXPECT_EQ(d_.WordPaperSize, 2);
    EXPECT_TRUE(pages_.PrintOnPrinterPage);
    EXPECT_EQ(d_.Net2PrintCount, 1);
}

// The table's 301 sections are read whole; one more refuses the definition with
// one message, before anything of it is applied: the definition read before stays.
TEST_F(Net2PrintTest, SectionsAtTheTablesRoomAreReadAndOnePastRefused)
{
    RecordingServices ui;
    const auto sections = [](int count) {
        std::string text = "[General]\r\nDocumentoWord=otro.doc\r\n";
        for (int i = 1; i < count; ++i)
            text += "[R" + std::to_string(i) + "]\r\nRedPalvon=r" + std::to_string(i) + ".dat\r\n";
        return text;
    };
    testutil::writeFile("fits.ini", sections(MaxNet2Print + 1));
    ASSERT_TRUE(ReadWriteNet2Print("fits.ini", d_, pages_));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(d_.Net2PrintCount, MaxNet2Print + 1);
    EXPECT_EQ(d_.Net2Print[MaxNet2Print].RedPalvon, "r300.dat");
    d_.WordDocumentName = "keep.doc";

    testutil::writeFile("many.ini", sections(MaxNet2Print + 2));
    EXPECT_FALSE(ReadWriteNet2Print("many.ini", d_, pages_));
    EXPECT_EQ(d_.Net2PrintCount, MaxNet2Print + 1);
    EXPECT_EQ(d_.WordDocumentName, "keep.doc");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0], "La definición de impresión many.ini tiene 302 secciones y caben 301; la definición no "
                              "se lee.");
}

} // namespace

// ---- Line sheets: another settings file of the printing ----
#include "model/PalvonRead.h"
#include "model/PalvonVars.h"
#include "printing/PrintLines.h"

TEST_F(Net2PrintTest, LineSheets)
{
    testutil::writeFile("lineas.ini",
        "[Z]\r\nTitulo=;Linea 5\r\nLamina=plano\r\nLineas= L1 ,L2,l3\r\n"
        "[A]\r\nTitulo=Linea 5;\r\nLamina=sal/hoja.wmf\r\n[B]\r\n");
    std::vector<TLineSheet> sheets = PrintLines::ReadLineSheets("lineas.ini");
    ASSERT_EQ(sheets.size(), 3u);  // file order, not alphabetical
    EXPECT_EQ(sheets[0].Titles, (std::vector<std::string>{"", "Linea 5"}));
    EXPECT_EQ(sheets[0].MetafileName, Full("plano.emf"));
    EXPECT_EQ(sheets[0].Lines, (std::vector<std::string>{"L1", "L2", "l3"}));
    EXPECT_EQ(sheets[1].Titles, (std::vector<std::string>{"Linea 5"}));
    EXPECT_EQ(sheets[1].MetafileName, Full("sal/hoja.emf"));
    EXPECT_TRUE(sheets[2].Titles.empty());
    EXPECT_EQ(sheets[2].MetafileName, Full("null.emf"));

    // Sheet names are the definition's folder's, never outside it.
    fs::create_directories("a/lote");
    for (const char* lamina : {"../../otro/plano", "/tmp/plano", "sub/../../fuera"}) {
        SCOPED_TRACE(lamina);
        testutil::writeFile("a/lote/lineas.ini", std::string("[A]\r\nLamina=sal\r\n[B]\r\nLamina=") + lamina + "\r\n");
        std::string refused;
        EXPECT_TRUE(PrintLines::ReadLineSheets("a/lote/lineas.ini", &refused).empty());
        EXPECT_NE(refused.find("queda fuera de la carpeta"), std::string::npos) << refused;
    }

    PalvonRead::ClearNetwork();
    Network.LineCount = 4;
    const char* names[] = {"L1", "L2", "L3", "L1"};
    for (int i = 1; i <= 4; ++i) {
        Lineas[i].Name = names[i - 1];
        Lineas[i].Visible = 1;
    }
    EXPECT_EQ(PrintLines::ShowSheetLines(sheets[0]), 2);  // "l3" is not "L3"
    EXPECT_EQ(Lineas[1].Visible, 0);  // the last line of a repeated name is the one found
    EXPECT_EQ(Lineas[2].Visible, 1);
    EXPECT_EQ(Lineas[3].Visible, 0);
    EXPECT_EQ(Lineas[4].Visible, 1);
    // A sheet without lines shows none, whatever the sheet before showed.
    EXPECT_EQ(PrintLines::ShowSheetLines(sheets[2]), 0);
    EXPECT_EQ(Lineas[4].Visible, 0);
    PalvonRead::ClearNetwork();
}
