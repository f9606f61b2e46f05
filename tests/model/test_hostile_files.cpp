// Inputs written to hurt: widths that overflow the column arithmetic and data files
// that are devices, folders or far too large. Each ends with a message and the
// network still loads.
#include "model/FileUtils.h"
#include "model/KDVlib.h"
#include "model/PalvonRead.h"
#include "support/NetworkReadFixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

using namespace PalvonRead;

namespace {

class HostileFiles : public NetworkReadFixture {};

TEST_F(HostileFiles, XyFormWidthsBeyondAnyLineAreRefused)
{
    std::string net = tmp.file("red.dat");
    // With the refused width the default 15 columns read the coordinates.
    testutil::writeFile(net, " &OPTION &END\r\nT\r\n &PARAM XYFORM='2F2147483647' &END\r\n33333\r\n"
                             "    1    2   60   90 1000  2    500    4    1\r\n99999\r\n55555\r\n"
                             "    1         1000.5         2000.5\r\n    2         1100.5         2100.5\r\n"
                             "99999\r\n99999\r\n");
    ASSERT_TRUE(ReadData(net));
    EXPECT_EQ(Network.Options.XWidth, 15);
    EXPECT_EQ(Network.Options.YWidth, 15);
    ASSERT_FALSE(ui.messages.empty());
    EXPECT_TRUE(ui.anyMessageContains("ancho de campo 2147483647 fuera de rango (1 a 100); se usan 15 columnas"))
        << ui.messages[0];
    const TNodo& n2 = Nodos[KDVlib::FindNodo(2)];
    EXPECT_FLOAT_EQ(n2.X, 1100.5f);
    EXPECT_FLOAT_EQ(n2.Y, 2100.5f);

    // The widest width accepted still reads.
    testutil::writeFile(net, " &OPTION &END\r\nT\r\n &PARAM XYFORM='2F100.3' &END\r\n33333\r\n99999\r\n99999\r\n");
    ui.messages.clear();
    ASSERT_TRUE(ReadData(net));
    EXPECT_EQ(Network.Options.XWidth, 100);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(HostileFiles, FilknbNamingADeviceOrAFolderIsNotRead)
{
    std::string net = tmp.file("red.dat");
    const std::string links = "33333\r\n  101  102   60   90 1000  2    500    4    1\r\n99999\r\n99999\r\n";
    for (const std::string& target : {std::string("/dev/zero"), tmp.path().string()}) {
        testutil::writeFile(net, " &OPTION &END\r\nT\r\n &PARAM FILKNB='" + target + "' &END\r\n" + links);
        ui.messages.clear();
        auto start = std::chrono::steady_clock::now();
        ASSERT_TRUE(ReadData(net)) << target;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
        EXPECT_EQ(Network.LinkCount, 2);
        ASSERT_EQ(ui.messages.size(), 1u) << target;
        EXPECT_NE(ui.messages[0].find("FILKNB: no se puede leer el archivo de datos \"" + target +
                                      "\" (no es un archivo de datos"),
                  std::string::npos)
            << ui.messages[0];
    }
}

TEST_F(HostileFiles, IncludeNamingADeviceIsReportedAndPassedOver)
{
    std::string net = tmp.file("red.dat");
    testutil::writeFile(net, " &OPTION &END\r\nT\r\n &PARAM &END\r\n33333\r\n$        /dev/zero\r\n"
                             "  101  102   60   90 1000  2    500    4    1\r\n99999\r\n99999\r\n");
    auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(ReadData(net));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(Network.LinkCount, 2);
    ASSERT_FALSE(ui.messages.empty());
    EXPECT_TRUE(ui.anyMessageContains("INCLUDE /dev/zero ")) << ui.messages[0];
}

TEST_F(HostileFiles, HugeFilesAreRefusedBeforeReading)
{
    // A sparse file: the size without the disk space.
    std::string big = tmp.file("enorme.dat");
    testutil::writeFile(big, "");
    std::filesystem::resize_file(big, FileUtils::MaxDataFileBytes + 1);
    std::vector<std::string> lines{"previa"};
    EXPECT_FALSE(FileUtils::ReadLines(big, lines));
    EXPECT_EQ(FileUtils::DataFileProblem(big), "ocupa 512 MB, más que los 512 MB que se leen como máximo");
    // A file the system makes up as it is read says it is empty and has no end: read
    // only so far, then refused (a file named by "Zonificacion=" in the folder's settings).
    std::string bytes = "previa";
    bool tooLarge = false;
    EXPECT_FALSE(FileUtils::ReadFile("/proc/self/pagemap", bytes, FileUtils::MaxDataFileBytes, &tooLarge));
    EXPECT_TRUE(tooLarge);
    EXPECT_TRUE(bytes.empty());
    EXPECT_FALSE(FileUtils::ReadLines("/proc/self/pagemap", lines));
    // One that does end is read whole.
    ASSERT_TRUE(FileUtils::ReadFile("/proc/self/status", bytes));
    EXPECT_NE(bytes.find("VmPeak"), std::string::npos);

    std::string net = tmp.file("red.dat");
    testutil::writeFile(net, " &OPTION &END\r\nT\r\n &PARAM FILKNB='enorme.dat' &END\r\n33333\r\n99999\r\n99999\r\n");
    ASSERT_TRUE(ReadData(net));
    EXPECT_TRUE(ui.anyMessageContains("(ocupa 512 MB"));

    // Files of a sensible size read as before; a missing one says so.
    std::string small = tmp.file("datos.txt");
    // Lines end at CR LF, LF or a lone CR; a NUL makes the file binary.
    testutil::writeFile(small, "a\r\nb\rc\n\rd");
    EXPECT_EQ(FileUtils::DataFileProblem(small), "");
    ASSERT_TRUE(FileUtils::ReadLines(small, lines));
    EXPECT_EQ(lines, (std::vector<std::string>{"a", "b", "c", "", "d"}));
    testutil::writeFile(small, std::string("a\r\nb\0c", 6));
    EXPECT_FALSE(FileUtils::ReadLines(small, lines));
    EXPECT_EQ(FileUtils::TextFileProblem(small), "no es un archivo de texto: contiene datos binarios");
    EXPECT_EQ(FileUtils::DataFileProblem(tmp.file("falta.txt")), "no existe o no se puede abrir");
}

} // namespace
