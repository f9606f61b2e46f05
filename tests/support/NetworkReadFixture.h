#pragma once
// Network files read as the program reads them, for the tests of the reader's
// sections: errors go to a list file of the test's own, messages are recorded.
#include "model/FileUtils.h"
#include "model/KDVlib.h"
#include "model/PalvonRead.h"
#include "support/RecordingServices.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

class NetworkReadFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        settings.ErrorListFile = tmp.file("Errores.txt");
        Network.ErrorList.clear();
    }
    // Reads the file's lines into `lines` and the network from them.
    bool ReadData(const std::string& path)
    {
        lines.clear();
        settings.NetworkDatFile = path;
        return FileUtils::ReadLines(path, lines) && PalvonRead::ReadNetwork(lines, settings);
    }
    const TZona& Zone(int number) { return Zonas[KDVlib::FindZona(number)]; }

    testutil::TempDir tmp;
    PalvonRead::TReadSettings settings;
    RecordingServices ui;
    std::vector<std::string> lines;
};
