#pragma once
// Selection: links chosen by link, by street name, by the values of a grid column
// or by a block of the link grid; nodes, zones and transit lines chosen in the
// two-list dialog; links, nodes or zones inside a region drawn on the map; marks
// cleared, inverted or hiding links; selection files of links, nodes and zones
// written and read; the nodes and links inside the user polygons written beside the
// polygon file; the list of selected links under the link grid; and the opening of
// the find dialog. Owns the two-list chooser `dld`, the last selection file, the
// region being drawn (its class, its outline colour, the world points clicked and
// the region of the last polygon closed), the handlers of the menu "&Selección", of
// the selection items of the grids' pop-ups and of "Seleccionar Nodos/Arcos" in
// "Polígonos", and registers those rows (owner Selection). The window's widgets
// (the grids, the pop-ups, the map) stay with the window; the controller reaches
// them directly and makes the grid of selected links under the link grid.
#include <QPolygonF>
#include <QRegion>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <string>

class QAction;
class TCommandRegistry;
class TDualListDialog;
class TStringAlignGrid;
class TPalvonViewer;
struct TLinea;
struct TArcos;

class TSelectionController {
public:
    explicit TSelectionController(TPalvonViewer& viewer) : viewer_(viewer) {}

    // The handlers of the selection rows (their actions already made).
    void RegisterCommands(TCommandRegistry& registry);

    TDualListDialog* dld = nullptr; // the two-list chooser, made on first use
    std::string SelFileName;         // the last selection file written or read
    // The world points clicked so far of the region or polygon drawn on the map (the
    // new user polygons and the background-layer edit click into it too), and the
    // region of the last one closed.
    QPolygonF PolyPoints;
    QRegion SelectionRegion;
    // Above 0 while a region is drawn on the map: the kind of objects it selects
    // (1 zones, 2 nodes, 3 links) or 4 for the background lines it deletes.
    int32_t PolySelectKind = 0;
    // The selection-file dialog; tests replace it. Empty: cancelled.
    std::function<std::string(const QString& title, bool save)> ChooseSelFile;
    std::string ChooseSelectionFile(bool save);
    // The outline colour of the region being drawn (black when it deselects).
    uint32_t RegionOutlineColor() const { return regionOutlineColor_; }

    // ---- Links: the menu "&Selección" and the link grids' pop-up ----
    void SelArcoClick();
    void SelNombreClick();
    void SeleccionPorDatosClick();
    void AnulaSelArcos();
    void AnulaSelClick();
    void ExportaSeleccin1Click();
    // Writes the selected links as a selection file; false (with a message) on failure.
    bool ExportaSeleccion(const std::string& fileName);
    void ImportaSeleccionArcos(const std::string& fileName);
    void ImportaSeleccin1Click();
    // The import after the dialog: clears the selection, then reads the files in order.
    void ImportaSelecciones(const QStringList& files);
    // Starts a region selection of zones (tag 1), nodes (2) or links (3); Shift held
    // at the menu click makes the region deselect.
    void SeleccionPorRegion(QAction* item);
    void SeleccionPorRegionKind(int32_t kind, bool deselect);
    // A press while a selection region is drawn: its next point.
    void AddRegionPoint(double x, double y);
    // Closes the selection polygon being drawn and applies it (kinds 1..3); the map's
    // double click calls it.
    void CloseSelectionRegion();
    void VerSeleccionClick(bool checked);
    // The selected-links grid gets the link grid's columns, titles, alignments and
    // widths, no rows.
    void PrepareSelectionGrid();
    // Lists the rows of the selected links in the selected-links grid and shows it
    // (hides it when none is selected).
    void ListSelectedLinks();
    // The selected links listed again from the link grid as it now stands (values
    // loaded, a column made, a title dragged), the list staying in or out of sight
    // as the user left it; nothing when no list is held.
    void RefreshSelectedLinks();
    // The find dialog marked links: the selection button comes on and they are listed.
    void ListFoundLinks();
    void BuscarClick();

    // ---- Nodes and zones (their grids' pop-ups) ----
    void SelecccinporArco1Click();
    void AnulaSeleccin1Click();
    void ExportaSeleccin2Click();
    void ImportaSeleccin2Click();
    void SeleccinporZona1Click();
    void AnulaSeleccin3Click();
    void ExpotaSeleccin1Click();
    void ImportaSeleccin4Click();
    bool ExportaSeleccionNodos(const std::string& fileName);
    bool ExportaSeleccionZonas(const std::string& fileName);
    // False when the file was not read or was refused (nothing marked).
    bool ImportaSeleccionNodos(const std::string& fileName);
    bool ImportaSeleccionZonas(const std::string& fileName);

    // ---- Link marks (the link grid's pop-up) ----
    void SeleccionGrillaClick();
    void InvierteSeleccin1Click();
    void Invierteselccin1Click();
    // Marked links lose their mark, the others get class 1; the grid rows turn red or
    // black, and the list of selected links and the map follow.
    void InvertLinkMarksToRed();
    // Links with a positive mark lose it, the others get CurrentClass; the grid rows,
    // the list of selected links and the map follow.
    void InvertLinkMarksToCurrentClass();
    void MarcarNODibujar1Click();
    void AnularMarcas1Click();
    // Hides the marked links from drawing; returns how many were hidden.
    int32_t MarcarNoDibujar();
    // Marks put back on the network read again: the grid rows in their classes'
    // colours, the selected links listed (their grid shown when `listShown`), the
    // hidden links counted in the caption.
    void ShowPutBackMarks(bool listShown);

    // ---- Transit lines (their grid's pop-up) ----
    void SeleccionPorLineaClick();
    void SeleccionPorGrupoClick();
    void Anulaseleccin2Click();
    void ShowChosenLines(const std::function<bool(const TLinea&)>& chosen);

    // ---- User polygons ("Polígonos") ----
    // Nodes (links) inside the active user polygons, written beside the polygon file
    // as "_n.csv" ("_a.csv"); false (with a message) when the file cannot be written.
    bool SelectByUserPolygons(bool links);
    void Seleccionarnodos1Click();
    void SeleccionarArcos1Click();

private:
    // The two-list chooser, emptied: with the labels of the link choices, or with
    // a title and unsorted (the choices of the grids' pop-ups).
    TDualListDialog* LinkDualList();
    TDualListDialog* DualList(const QString& title);
    // The two-list choice of links (see SelectionController.cpp).
    void ChooseLinks(const QString& title, bool sorted, const std::function<std::string(const TArcos&)>& entry);

    // The grid of selected links under the link grid: made (hidden, no rows) on the
    // first call with `make`; null before that otherwise.
    TStringAlignGrid* SelectedLinksGrid(bool make);
    // Fills the selected-links grid with the link grid's rows of the selected links,
    // in the order and under the columns shown above; the number of rows listed.
    int FillSelectedLinks();
    // The data grid on show, as the find dialog counts them: 0 zones, 1 nodes,
    // 2 links (also any page that is no grid), 3 transit lines, 4 movements.
    int ShownGrid() const;

    TPalvonViewer& viewer_;
    // The class a region being drawn gives (0 deselects) and its outline colour.
    int32_t regionSelectClass_ = 0;
    uint32_t regionOutlineColor_ = 0x0000FF;
};
