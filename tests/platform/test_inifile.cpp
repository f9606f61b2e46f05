// The INI reader/writer: values kept byte for byte, one key written without
// disturbing the rest of the file, case-insensitive names, LF input.
#include "platform/IniFile.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

using testutil::readFile;
using testutil::TempDir;
using testutil::writeFile;

namespace {

using Lines = std::vector<std::string>;

const char* kSettings = "; Velmora settings\r\n"
                        "[Velmora]\r\n"
                        "General=1;0;1;1;1;20;0;0\r\n"
                        "Colores=0;8388608;32768\r\n"
                        "\r\n"
                        "; recent networks\r\n"
                        "[File1]\r\n"
                        "FileName=/data/Red Norte.dat\r\n"
                        "Zoom=1.5;-2.25;300.125;400\r\n"
                        "\r\n"
                        "[File3]\r\n"
                        "FileName=null\r\n";

TEST(IniFile, ReadsValuesRawAndNamesWithoutCase)
{
    TempDir dir;
    std::string path = dir.file("Velmora0.INI");
    writeFile(path, std::string(kSettings) + "[Tema]\r\nTitulo=C:\\redes\\a;b\\n; =x \r\nVacio=\r\n"
                                             "Bytes=Pe\xF1" "alol\xE9n\r\n");
    TIniFile ini(path);

    EXPECT_EQ(ini.ReadString("velmora", "GENERAL", "x"), "1;0;1;1;1;20;0;0");
    EXPECT_EQ(ini.ReadString("FILE1", "zoom", "x"), "1.5;-2.25;300.125;400");
    // Backslashes are no escapes, ';' inside a value is data, trailing blanks stay.
    EXPECT_EQ(ini.ReadString("Tema", "Titulo", ""), "C:\\redes\\a;b\\n; =x ");
    EXPECT_EQ(ini.ReadString("Tema", "Bytes", ""), "Pe\xF1" "alol\xE9n");
    // An empty value is a value; a missing key or section gives the default.
    EXPECT_EQ(ini.ReadString("Tema", "Vacio", "null"), "");
    EXPECT_EQ(ini.ReadString("Tema", "Nada", "null"), "null");
    EXPECT_EQ(ini.ReadString("Nada", "FileName", "null"), "null");
    // Comment lines are not keys.
    EXPECT_FALSE(ini.ValueExists("Velmora", "; Velmora settings"));

    EXPECT_EQ(ini.ReadSections(), (Lines{"Velmora", "File1", "File3", "Tema"}));
    EXPECT_EQ(ini.ReadSection("file1"), (Lines{"FileName", "Zoom"}));
    EXPECT_EQ(ini.ReadSectionValues("File1"), (Lines{"FileName=/data/Red Norte.dat", "Zoom=1.5;-2.25;300.125;400"}));
    EXPECT_TRUE(ini.SectionExists("TEMA"));
    EXPECT_TRUE(ini.ValueExists("tema", "vacio"));
    EXPECT_FALSE(ini.SectionExists("File2"));
}

TEST(IniFile, NumbersAndBooleans)
{
    TempDir dir;
    std::string path = dir.file("p.ini");
    writeFile(path, "[General]\nOrientacion=1\nNeg= -12 \nMal=12a\nReal=0.25\nColor=$FF\nBig=99999999999\n"
                    "Cero=0\nDos=2\n");
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadInteger("General", "Orientacion", 0), 1);
    EXPECT_EQ(ini.ReadInteger("General", "Neg", 0), -12);
    EXPECT_EQ(ini.ReadInteger("General", "Mal", 7), 7);
    EXPECT_EQ(ini.ReadInteger("General", "Real", 7), 7);
    EXPECT_EQ(ini.ReadInteger("General", "Color", 7), 7);
    EXPECT_EQ(ini.ReadInteger("General", "Big", 7), 7);
    EXPECT_EQ(ini.ReadInteger("General", "Falta", -1), -1);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("General", "Real", 9.0), 0.25);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("General", "Mal", 9.0), 9.0);
    EXPECT_FALSE(ini.ReadBool("General", "Cero", true));
    EXPECT_TRUE(ini.ReadBool("General", "Dos", false));
    EXPECT_TRUE(ini.ReadBool("General", "Mal", true));

    ini.WriteInteger("General", "Orientacion", -3);
    ini.WriteBool("General", "Cero", true);
    TIniFile again(path);
    EXPECT_EQ(again.ReadString("General", "Orientacion", ""), "-3");
    EXPECT_EQ(again.ReadString("General", "Cero", ""), "1");
}

TEST(IniFile, WritingOneKeyKeepsEverythingElse)
{
    TempDir dir;
    std::string path = dir.file("Velmora0.INI");
    writeFile(path, kSettings);

    TIniFile ini(path);
    // An existing key in any letter case: only its value changes.
    ini.WriteString("VELMORA", "colores", "255;1;2");
    std::string expected = kSettings;
    expected.replace(expected.find("Colores=0;8388608;32768"), 23, "Colores=255;1;2");
    EXPECT_EQ(readFile(path), expected);

    // A new key goes at the end of its section, before the blank line and the
    // comment that lead to the next section.
    ini.WriteString("file1", "Fecha", "2024/03/01 10:00:00");
    expected.replace(expected.find("\r\n\r\n[File3]"), 0, "\r\nFecha=2024/03/01 10:00:00");
    EXPECT_EQ(readFile(path), expected);

    // A new section is appended at the end.
    ini.WriteString("File2", "FileName", "/x/y.dat");
    expected += "[File2]\r\nFileName=/x/y.dat\r\n";
    EXPECT_EQ(readFile(path), expected);

    // A value written is read back as it was, also by another object.
    ini.WriteString("File2", "Titulo", "a\\b;;c; ");
    EXPECT_EQ(TIniFile(path).ReadString("file2", "TITULO", ""), "a\\b;;c; ");
    EXPECT_EQ(TIniFile(path).ReadSections(), (Lines{"Velmora", "File1", "File3", "File2"}));
}

TEST(IniFile, LfInputKeepsItsLineEnds)
{
    TempDir dir;
    std::string path = dir.file("lf.ini");
    writeFile(path, "[A]\nx=1\n\n[B]\ny=2"); // no line end after the last line
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadString("b", "Y", ""), "2");
    ini.WriteString("A", "z", "3");
    EXPECT_EQ(readFile(path), "[A]\nx=1\nz=3\n\n[B]\ny=2\n");
    // A new file gets CR LF.
    TIniFile fresh(dir.file("nuevo.ini"));
    fresh.WriteString("A", "x", "1");
    EXPECT_EQ(readFile(dir.file("nuevo.ini")), "[A]\r\nx=1\r\n");
}

TEST(IniFile, KeysBeforeSectionsAndOddLines)
{
    TempDir dir;
    std::string path = dir.file("odd.ini");
    const std::string head = "\xEF\xBB\xBFsuelta=0\r\n[Tema]\r\nsuelto=1\r\n";
    writeFile(path, head + "  Zoom = 1;2 \r\n=sin clave\r\nlinea sin igual\r\n[ Otra ]\r\nk=v\r\n");
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadSections(), (Lines{"Tema", "Otra"}));
    EXPECT_FALSE(ini.ValueExists("Tema", "suelta"));
    // Blanks around a key name do not count; the value is everything after '='.
    EXPECT_EQ(ini.ReadString("Tema", "zoom", ""), " 1;2 ");
    EXPECT_EQ(ini.ReadSection("Tema"), (Lines{"suelto", "Zoom"}));
    ini.WriteString("tema", "ZOOM", "3;4");
    EXPECT_EQ(readFile(path), head + "  Zoom =3;4\r\n=sin clave\r\nlinea sin igual\r\n[ Otra ]\r\nk=v\r\n");
    // A new key in a section whose last line is not a key still lands at its end.
    ini.WriteString("Tema", "k2", "x");
    EXPECT_EQ(readFile(path),
              head + "  Zoom =3;4\r\n=sin clave\r\nlinea sin igual\r\nk2=x\r\n[ Otra ]\r\nk=v\r\n");
    // The mark right before the first section's bracket.
    std::string marked = dir.file("marca.ini");
    writeFile(marked, "\xEF\xBB\xBF[Tema]\r\nZoom=2\r\n");
    TIniFile first(marked);
    EXPECT_EQ(first.ReadSections(), (Lines{"Tema"}));
    EXPECT_EQ(first.ReadInteger("Tema", "Zoom", -1), 2);
}

TEST(IniFile, AccentedNamesIgnoreCase)
{
    TempDir dir;
    std::string path = dir.file("def.ini");
    writeFile(path, "[GENERAL]\r\nTama\xF1oPapel=9\r\nTama\xC3\xB1o2=4\r\n");
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadInteger("general", "TAMA\xD1OPAPEL", -1), 9);
    EXPECT_EQ(ini.ReadInteger("General", "TAMA\xC3\x91O2", -1), 4);
}

TEST(IniFile, DeleteKeyAndEraseSection)
{
    TempDir dir;
    std::string path = dir.file("Velmora0.INI");
    writeFile(path, kSettings);
    TIniFile ini(path);

    ini.DeleteKey("FILE1", "zoom");
    std::string expected = kSettings;
    expected.erase(expected.find("Zoom="), std::string("Zoom=1.5;-2.25;300.125;400\r\n").size());
    EXPECT_EQ(readFile(path), expected);

    // Erasing keeps the blank line and the comment that stand before the next section.
    ini.EraseSection("velmora");
    expected.erase(expected.find("[Velmora]"), std::string("[Velmora]\r\nGeneral=1;0;1;1;1;20;0;0\r\n"
                                                           "Colores=0;8388608;32768\r\n")
                                                   .size());
    EXPECT_EQ(readFile(path), expected);
    EXPECT_EQ(ini.ReadSections(), (Lines{"File1", "File3"}));

    // Deleting what is not there leaves the file untouched (not even rewritten).
    std::filesystem::remove(path);
    ini.DeleteKey("File1", "nada");
    ini.EraseSection("nada");
    EXPECT_FALSE(std::filesystem::exists(path));

    // A section with no key left does not count as existing.
    TIniFile other(dir.file("x.ini"));
    other.WriteString("S", "k", "v");
    other.DeleteKey("s", "K");
    EXPECT_FALSE(other.SectionExists("S"));
    EXPECT_EQ(readFile(dir.file("x.ini")), "[S]\r\n");
}

TEST(IniFile, MissingFileAndWriteFailures)
{
    TempDir dir;
    TIniFile missing(dir.file("no.ini"));
    EXPECT_EQ(missing.ReadString("Velmora", "General", "1;0"), "1;0");
    EXPECT_TRUE(missing.ReadSections().empty());
    missing.WriteString("Velmora", "General", "1;1");
    EXPECT_EQ(readFile(dir.file("no.ini")), "[Velmora]\r\nGeneral=1;1\r\n");

    // A folder that does not exist: the write fails with the file's name in the message,
    // and the value that could not be written is not shown as stored either.
    std::string bad = dir.file("falta/sub.ini");
    TIniFile ini(bad);
    try {
        ini.WriteString("A", "k", "v");
        FAIL() << "write into a missing folder must fail";
    } catch (const EIniFileException& e) {
        EXPECT_NE(std::string(e.what()).find("sub.ini"), std::string::npos);
    }
    EXPECT_EQ(ini.ReadString("A", "k", "null"), "null");
    EXPECT_TRUE(ini.ReadSections().empty());

    // Names and values that cannot be stored in a line of the file are refused.
    TIniFile good(dir.file("g.ini"));
    EXPECT_THROW(good.WriteString("A", "k", "uno\r\ndos"), EIniFileException);
    EXPECT_THROW(good.WriteString("A", "k=x", "v"), EIniFileException);
    EXPECT_THROW(good.WriteString("A]", "k", "v"), EIniFileException);
    EXPECT_THROW(good.WriteString("A", "", "v"), EIniFileException);
    EXPECT_FALSE(std::filesystem::exists(dir.file("g.ini")));
}

TEST(IniFile, BareNamesLiveInTheSettingsFolder)
{
    TempDir dir;
    std::string folder = dir.file("config");
    const char* old = std::getenv("VELMORA_CONFIG_DIR");
    std::string saved = old ? old : "";
    setenv("VELMORA_CONFIG_DIR", folder.c_str(), 1);
    {
        TIniFile ini("Velmorat.INI");
        EXPECT_EQ(ini.FileName(), folder + "/Velmorat.INI");
        ini.WriteString("_Tema_Velmora", "Zoom", "1;2;3;4");
        EXPECT_EQ(readFile(folder + "/Velmorat.INI"), "[_Tema_Velmora]\r\nZoom=1;2;3;4\r\n");
        // The file is found whatever the letter case of the name asked for.
        EXPECT_EQ(TIniFile("VELMORAT.ini").ReadString("_tema_velmora", "zoom", ""), "1;2;3;4");
    }
    if (old)
        setenv("VELMORA_CONFIG_DIR", saved.c_str(), 1);
    else
        unsetenv("VELMORA_CONFIG_DIR");
}

} // namespace
