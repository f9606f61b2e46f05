// The polygon batch of the command line: for each polygon of a polygon file, the
// links of the network inside it, written as a grid extract and a selection file.
#include "mainwindow/GridsController.h"
#include "mainwindow/PalvonViewer.h"
#include "model/FileUtils.h"
#include "model/SafeFile.h"
#include "model/KDVvars.h"
#include "model/PalvonRead.h"
#include "model/PolygonFile.h"
#include "model/ProgramOptions.h"
#include "model/SelectionFiles.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"
#include "widgets/StringAlignGrid.h"
#include "widgets/WindowHost.h"

#include <filesystem>

using ZelUtils::Format;

bool TGridsController::BatchSelectByPolygons(const std::string& plgFileName)
{
    bool ok = true;
    std::vector<TPolygonRecord> polygons;
    if (!PolygonFile::Read(plgFileName, polygons)) {
        Services().ShowMessage(Format("Archivo %s no existe.", plgFileName));
        return false;
    }
    const bool bothEnds = ProgramOptions().SeleccionGrafica == 1;
    if (!sagArcosSel)
        sagArcosSel = new TStringAlignGrid(viewer_.DialogParent());
    sagArcosSel->hide();
    for (const TPolygonRecord& poly : polygons) {
        for (int32_t k = 1; k <= Network.LinkCount; ++k)
            Arcos[k].Mark = 0;
        const int cols = sagArcos ? sagArcos->ColCount() : 0;
        const int rows = sagArcos ? sagArcos->RowCount() : 0;
        sagArcosSel->SetColCount(std::max(cols, 1));
        sagArcosSel->SetFixedRows(1);
        sagArcosSel->SetRowCount(1);
        // The columns as the link grid shows them.
        for (int p = 0; p < cols; ++p) {
            sagArcosSel->setCell(p, 0, sagArcos->cellView(sagArcos->ColAtPosition(p), 0));
            sagArcosSel->SetColWidths(p, sagArcos->ColWidths(sagArcos->ColAtPosition(p)));
        }
        for (int32_t i = 1; i <= Network.LinkCount; ++i) {
            TArcos& a = Arcos[i];
            if (a.AIndex <= 0 || a.BIndex <= 0 || !Nodos[a.AIndex].HasXY || !Nodos[a.BIndex].HasXY)
                continue;
            bool inA = PolygonFile::Contains(poly, Nodos[a.AIndex].X, Nodos[a.AIndex].Y);
            bool inB = PolygonFile::Contains(poly, Nodos[a.BIndex].X, Nodos[a.BIndex].Y);
            if (bothEnds ? (inA && inB) : (inA || inB))
                a.Mark = CurrentClass;
        }
        // The extract keeps the links grid's rows (and their order) of the selected links.
        for (int r = 1; r < rows; ++r) {
            int32_t i = ZelUtils::ParseInt(sagArcos->cellView(3, r));
            if (i < 1 || i > Network.LinkCount || Arcos[i].Mark <= 0)
                continue;
            int row = sagArcosSel->RowCount();
            sagArcosSel->SetRowCount(row + 1);
            for (int p = 0; p < cols; ++p)
                sagArcosSel->setCell(p, row, sagArcos->cellView(sagArcos->ColAtPosition(p), r));
        }
        std::string base = FileUtils::ChangeFileExt(CmdFile1, "");
        const SafeFile::TProgramNamed ownNames; // names the batch makes up: links are not followed
        std::string csv = base + Format("_sel%d.csv", poly.Id);
        if (!sagArcosSel->GridTextExport(csv, ',')) {
            Services().ShowMessage("No se pudo escribir " + csv);
            ok = false;
        }
        // The selection file carries the polygon's id in place of the marks.
        if (!SelectionFiles::WriteSelection(base + Format("_sel%d.sel", poly.Id), poly.Id)) {
            Services().ShowMessage("No se pudo escribir " + base + Format("_sel%d.sel", poly.Id));
            ok = false;
        }
    }
    return ok;
}
