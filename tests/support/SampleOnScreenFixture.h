#pragma once
#include "printing/gui/FrmPreview.h"
#include "support/GuiTestUtil.h"
#include "support/ViewerFixture.h"

#include <string>

// The sample network, copied beside the test and opened on a shown window of a
// fixed size with its map drawn: where the printing tests start. Printing to a
// file leaves the shared printer set to that file, so it goes back to the native
// format at the end.
class SampleOnScreenFixture : public ViewerFixture {
protected:
    void SetUp() override
    {
        ViewerFixture::SetUp();
        const std::string net = tmp.file("red.dat");
        std::filesystem::copy_file(std::string(VELMORA_SOURCE_DIR) + "/samples/ejemplo.dat", net);
        ASSERT_TRUE(viewer->Files().AbrirRedPalvon(net));
        viewer->resize(1000, 760);
        viewer->show();
        testutil::settle();
        viewer->RedrawMap();
    }
    void TearDown() override
    {
        Printer().setOutputFormat(QPrinter::NativeFormat);
        Printer().setOutputFileName(QString());
        ViewerFixture::TearDown();
    }
};
