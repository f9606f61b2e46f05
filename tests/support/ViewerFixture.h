#pragma once
// The program's windows as the program creates them, over a settings folder of
// the test's own, for the tests that drive the main window. A fixture that needs
// more calls these SetUp/TearDown from its own.
#include "export/GeoWriters.h"
#include "mainwindow/Aptta.h"
#include "mainwindow/PalvonViewer.h"
#include "mainwindow/SecondaryWindows.h"
#include "model/PalvonRead.h"
#include "support/TestUtil.h"

#include <QByteArray>
#include <gtest/gtest.h>

#include <filesystem>

class ViewerFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Whatever earlier tests of this process left behind, the windows start
        // as a fresh program's do.
        ResetProgramState();
        qputenv("VELMORA_CONFIG_DIR", QByteArray::fromStdString(tmp.path().string()));
        // A fresh program has no node positions of an earlier run to save.
        Network.PositionsUnsaved = false;
        viewer = CreateProgramWindows(false, &splash);
        viewer->AskOnClose = false;
        viewer->Files().ReadSettings().ErrorListFile = tmp.file("Errores.txt");
    }
    void TearDown() override
    {
        delete viewer;
        delete splash;
        viewer = nullptr;
        splash = nullptr;
        std::filesystem::current_path(VELMORA_SOURCE_DIR);
    }

    testutil::TempDir tmp;
    TAptta* splash = nullptr;
    TPalvonViewer* viewer = nullptr;
};
