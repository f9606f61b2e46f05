#pragma once
// The small test network tests/data/grids_net.dat read as the program reads it,
// and the main window over it, for the window tests that work on it.
#include "mainwindow/PalvonViewer.h"
#include "model/FileUtils.h"
#include "model/KDVlib.h"
#include "model/KDVvars.h"
#include "model/LinkGeometry.h"
#include "model/PalvonRead.h"
#include "model/PalvonVars.h"
#include "model/ZelUtils.h"
#include "support/RecordingServices.h"
#include "widgets/StringAlignGrid.h"
#include "support/TestUtil.h"

#include <QHeaderView>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace testutil {

// Spanish messages, errors listed in the test's folder, the network read; false
// when the file could not be read or the network was refused.
inline bool ReadGridsNetwork(const TempDir& tmp)
{
    KDVlib::SetMessages("ES");
    PalvonRead::TReadSettings settings;
    settings.NetworkDatFile = dataPath("grids_net.dat");
    settings.ErrorListFile = tmp.file("Errores.txt");
    std::vector<std::string> lines;
    return FileUtils::ReadLines(dataPath("grids_net.dat"), lines) && PalvonRead::ReadNetwork(lines, settings);
}

// The network read as above with its data ranges worked out, and no assignment
// or look-up results open beside it.
inline bool ReadGridsData(const TempDir& tmp)
{
    if (!ReadGridsNetwork(tmp))
        return false;
    PalvonRead::ComputeLinkDataExtremes();
    LpaFileName = LplFileName = "null";
    // The files an earlier network had beside it name nothing of this one, as
    // after the program's own opening.
    ComplementaryFileName = ComplementaryMovFileName = PrintFileName = TraceFileName = "null";
    ZoningFileName = SoleraFileName = PuntosFileName = "null";
    return true;
}

// Shows the window at 1200 x 800 with the whole network as the view window;
// false when the window was never exposed.
inline bool ShowWholeNetwork(TPalvonViewer& w)
{
    w.resize(1200, 800);
    w.show();
    if (!QTest::qWaitForWindowExposed(&w))
        return false;
    UserView().WorldMinX = Network.MinX;
    UserView().WorldMaxX = Network.MaxX;
    UserView().WorldMinY = Network.MinY;
    UserView().WorldMaxY = Network.MaxY;
    return true;
}

// A Shift+click on the middle of column `col`'s title, as the user sorts by it.
inline void ShiftClickTitle(TStringAlignGrid* grid, int col)
{
    QHeaderView* titles = grid->horizontalHeader();
    QTest::mouseClick(titles->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                      QPoint(titles->sectionViewportPosition(col) + titles->sectionSize(col) / 2, titles->height() / 2));
}

// The cells of column `col` from the first row under the titles down, trimmed,
// each followed by a blank: the order the grid shows.
inline std::string ColumnShown(TStringAlignGrid* grid, int col)
{
    std::string s;
    for (int r = 1; r < grid->RowCount(); ++r)
        s += ZelUtils::Trim(grid->cell(col, r)) + " ";
    return s;
}

// The titles the grid's title row marks with a colour of their own, joined by "|".
inline std::string MarkedTitles(TStringAlignGrid* grid)
{
    std::string s;
    for (int c = 0; c < grid->ColCount(); ++c)
        if (grid->model()->headerData(c, Qt::Horizontal, Qt::BackgroundRole).isValid())
            s += (s.empty() ? "" : "|") + grid->cell(c, 0);
    return s;
}

} // namespace testutil

// A main window of the test's own with a recorder of what the program says; a
// fixture that needs more calls these from its own SetUp/TearDown.
class GridsViewerFixture : public ::testing::Test {
protected:
    // The window (it closes without asking), then the dialogs `makeDialogs` gives
    // it, then the recorder, which takes over from the window's own services.
    void OpenViewer(const std::function<void(TPalvonViewer&)>& makeDialogs = {})
    {
        w = std::make_unique<TPalvonViewer>();
        w->AskOnClose = false;
        if (makeDialogs)
            makeDialogs(*w);
        ui = std::make_unique<RecordingServices>();
    }
    void TearDown() override
    {
        ui.reset();
        w.reset();
    }

    testutil::TempDir tmp;
    std::unique_ptr<TPalvonViewer> w;
    std::unique_ptr<RecordingServices> ui;
};
