// The view configuration read from a themes file section, without a window.
#include "map/ViewConfig.h"
#include "platform/IniFile.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

namespace {

TEST(ViewConfigRead, SectionValuesAndDefaults)
{
    testutil::TempDir dir;
    std::string file = dir.file("Velmorat.INI");
    testutil::writeFile(file, "[Completo]\r\nVariable=Flujo;5\r\nTitulo=Uno;;Tres;\r\nZoom=1000.5;2000;3000;4000.25\r\n"
                              "Opciones=1;1;0;1;0;1;1;0;0;0;0;1;1;0;1;0;1\r\nVineta=10;20\r\nEscala=1500;1;30;6\r\n"
                              "Zonas=Courier;12;255;1000;9;77\r\nNodos=Arial;9;1;0100;4\r\nFlechas=6;88\r\n"
                              "Atributos=Arial;8;255;0010;6;2\r\nCalles=Arial;7;16711680;0001\r\nColor=1;2\r\n"
                              "Soleras=2;a.geo;b.geo;c.geo\r\nItem01=Calle;255;-1;1;0010000\r\nItem02=Otra;255;2;1\r\n"
                              "RangosActivos=1;1;1;1;1;0\r\nGoogleEarth=19;1;1.5;-2\r\n");
    TIniFile ini(file);
    TViewConfig c;
    ViewConfig::Read(ini, "Completo", c);
    EXPECT_EQ(c.VariableName, "Flujo");
    EXPECT_EQ(c.VariableColumn, 5);
    EXPECT_TRUE(c.HasTitle);
    EXPECT_EQ(c.TitleLines, (std::vector<std::string>{"Uno", "", "Tres"}));
    EXPECT_DOUBLE_EQ(c.Zoom[0], 1000.5);
    EXPECT_DOUBLE_EQ(c.Zoom[3], 4000.25);
    EXPECT_TRUE(c.Options[0]);
    EXPECT_FALSE(c.Options[2]);
    EXPECT_TRUE(c.Options[16]);
    EXPECT_EQ(c.LegendLeft, 10);
    EXPECT_EQ(c.LegendTop, 20);
    EXPECT_FLOAT_EQ(c.ScaleMax, 1500);
    EXPECT_TRUE(c.ScaleFixed);
    EXPECT_EQ(c.PixsVol, 30);
    EXPECT_EQ(c.PixsCol, 6);
    EXPECT_EQ(c.Fonts[1].Name, "Courier");
    EXPECT_EQ(c.Fonts[1].Size, 12);
    EXPECT_EQ(c.Fonts[1].Style, fsBold);
    EXPECT_EQ(c.CentroidSize, 9);
    EXPECT_EQ(c.CentroidColor, 77u);
    EXPECT_EQ(c.NodeSize, 4);
    EXPECT_EQ(c.Fonts[2].Style, fsItalic);
    EXPECT_EQ(c.ArrowSize, 6);
    EXPECT_EQ(c.Decimals, 2);
    EXPECT_EQ(c.Fonts[5].Size, 7);
    EXPECT_EQ(c.Pen, 1u);
    EXPECT_EQ(c.Brush, 2u);
    EXPECT_EQ(c.LineLayerFiles, (std::vector<std::string>{"a.geo", "b.geo"}));
    // Full names as the program writes them, one in a folder whose name holds ";".
    EXPECT_EQ(ViewConfig::LineLayerFileList("2;/m/x;y/a.geo;/m/b.geo"),
              (std::vector<std::string>{"/m/x;y/a.geo", "/m/b.geo"}));
    EXPECT_TRUE(c.Items[1].Present);
    EXPECT_EQ(c.Items[1].Width, -1); // below 1: the layer draws no line
    EXPECT_EQ(c.Items[1].PenStyle, 2);
    EXPECT_FALSE(c.Items[2].Present); // four fields: left alone
    EXPECT_TRUE(c.HasRangeKeys);
    EXPECT_FLOAT_EQ(c.RangeHighs[1], 0.25f); // default limits
    EXPECT_FALSE(c.RangeActive[5]);
    EXPECT_EQ(c.Huso, 19);
    EXPECT_DOUBLE_EQ(c.ShiftHorz, -2);
    EXPECT_TRUE(c.Refused.empty());

    // A section the file lacks gives every default.
    TViewConfig d;
    ViewConfig::Read(ini, "Ninguna", d);
    EXPECT_FALSE(d.HasTitle);
    EXPECT_EQ(d.LegendLeft, 53);
    EXPECT_EQ(d.Fonts[1].Size, 8);
    EXPECT_EQ(d.CentroidSize, 10);
    EXPECT_EQ(d.NodeSize, 2);
    EXPECT_EQ(d.ArrowSize, 4);
    EXPECT_FALSE(d.HasRangeKeys);
    EXPECT_TRUE(d.ShowChecks[0]);
    EXPECT_EQ(d.VisorZoomSize, 100);
}

// Sizes that would make the map unusable keep the values in use, one text each.
TEST(ViewConfigRead, OutOfRangeSizesAreRefused)
{
    testutil::TempDir dir;
    std::string file = dir.file("Velmorat.INI");
    testutil::writeFile(file, "[Malo]\r\nEscala=0;0;2147483647;-5\r\nZonas=Arial;99999999;0;0000;2147483647;1\r\n"
                              "Nodos=Arial;0;0;0000;-2147483648\r\nFlechas=9999;1\r\n"
                              "Atributos=Arial;8;255;0000;6;2147483647\r\nItem03=X;1;2147483647;0;0000001\r\n");
    TIniFile ini(file);
    TViewConfig c;
    c.PixsVol = 40;
    c.PixsCol = 4;
    c.Fonts[1].Size = 11;
    c.Fonts[2].Size = 12;
    c.CentroidSize = 7;
    c.NodeSize = 5;
    c.ArrowSize = 3;
    c.Decimals = 1;
    c.Items[3].Width = 2;
    ViewConfig::Read(ini, "Malo", c);
    EXPECT_EQ(c.PixsVol, 40);
    EXPECT_EQ(c.PixsCol, 4);
    EXPECT_EQ(c.Fonts[1].Size, 11);
    EXPECT_EQ(c.Fonts[2].Size, 12);
    EXPECT_EQ(c.CentroidSize, 7);
    EXPECT_EQ(c.NodeSize, 5);
    EXPECT_EQ(c.ArrowSize, 3);
    EXPECT_EQ(c.Decimals, 1);
    EXPECT_EQ(c.Items[3].Width, 2);
    EXPECT_EQ(c.Items[3].Name, "X"); // the rest of the item is read
    ASSERT_EQ(c.Refused.size(), 9u);
    EXPECT_EQ(c.Refused[0], "Ancho de las barras (Escala) = 2147483647 fuera de rango (1 a 500); se mantiene 40");
    EXPECT_EQ(c.Refused[2], "Tamaño de letra de Zonas = 99999999 fuera de rango (1 a 200); se mantiene 11");
    EXPECT_EQ(c.Refused[4], "Tamaño de letra de Nodos = 0 fuera de rango (1 a 200); se mantiene 12");
}

} // namespace
