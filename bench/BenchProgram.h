#pragma once
// The program's windows, as the GUI benchmarks start them: a settings folder of
// their own (where the error list goes too), the main window at a desktop size,
// shown. Networks copied into the folder are opened from there, since the program
// writes beside the network.
#include "NetworkGenerator.h"

#include "mainwindow/Aptta.h"
#include "mainwindow/PalvonViewer.h"
#include "mainwindow/SecondaryWindows.h"
#include "model/PalvonRead.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <filesystem>
#include <string>

struct TBenchProgram {
    QTemporaryDir dir;
    TAptta* splash = nullptr;
    TPalvonViewer* viewer = nullptr;

    bool Start()
    {
        if (!dir.isValid())
            return false;
        qputenv("VELMORA_CONFIG_DIR", dir.path().toUtf8());
        viewer = CreateProgramWindows(false, &splash);
        viewer->AskOnClose = false;
        viewer->Files().ReadSettings().ErrorListFile = File("Errores.txt");
        viewer->resize(1600, 1000);
        viewer->show();
        QCoreApplication::processEvents();
        return true;
    }
    std::string File(const std::string& name) const
    {
        return dir.filePath(QString::fromStdString(name)).toStdString();
    }
    // A real network copied into the folder; its path there, empty when missing.
    std::string CopyRealNetwork(const std::string& name) const
    {
        const std::string copy = File(name);
        std::error_code ec;
        std::filesystem::copy_file(benchgen::RealDataPath(name), copy, ec);
        return ec ? std::string() : copy;
    }
    ~TBenchProgram()
    {
        delete viewer;
        delete splash;
    }
};
