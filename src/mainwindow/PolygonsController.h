#pragma once
// User polygons: a new one drawn click by click and stored under a name, deleting,
// restyling and reshaping through handles (with the vertices of the other polygons
// as snap targets), their entries in the six polygon submenus, the polygon files
// (.plg and .geo) and the zoning saved as a .geo file. Owns the polygon file's name,
// the modification state (the polygon modified, its handles and their regions, the
// handle dragged, the snap targets and the one under the pointer), the filter that
// ends a modification on Escape, the handlers of "Nuevo", "Exportar" and "Importar"
// of "Polígonos", "Nuevo" of the map's polygon popup and "Guardar" of the zones
// popup, and registers those rows (owner Polygons). The menus stay with the window;
// the controller reaches them, the map, the legends and the options dialog
// directly, and shares the points clicked with the selection's region.
#include "model/PalvonVars.h" // TPoint

#include <QPolygonF>
#include <QRegion>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QMenu;
class QObject;
class TCommandRegistry;
class TPalvonViewer;
struct TMapMouse;
struct TPolygonRecord;
struct TPolygonSet;

class TPolygonsController {
public:
    explicit TPolygonsController(TPalvonViewer& viewer);
    ~TPolygonsController();
    TPolygonsController(const TPolygonsController&) = delete;
    TPolygonsController& operator=(const TPolygonsController&) = delete;

    // The handlers of the polygon rows (their actions already made), and the
    // Escape filter of the modification.
    void RegisterCommands(TCommandRegistry& registry);

    // ---- Drawing a new polygon ----
    void NuevoPoligonoClick();
    void pupNuevoPoligonoClick();
    // A press while drawing: appends the snap target under the cursor or the pressed point.
    void AddPolygonClickPoint(double x, double y);
    // The rubber line from the last point drawn to the pointer (of a region too).
    void FollowPolygonRubberLine(double x, double y);
    // The double click: the points drawn become the next user polygon.
    void StoreDrawnPolygon();

    // ---- The per-polygon menu entries: the item's data is the polygon's index ----
    void DeletePolygon(QAction* sender);
    void ModifyPolygon(QAction* sender);
    void ReconfigPolygon(QAction* sender);
    // Connects an entry just made in one of the six polygon submenus (by its name).
    void ConnectPolygonItem(QAction* item, const char* menu);

    // ---- Modification through handles ----
    // Enters (or refreshes) the modification of polygon `index`: snap targets, handles.
    void canModifyPolygon(int32_t index);
    // The drag of a handle of the polygon being modified (EditHandle).
    void PressPolygonHandle(const TMapMouse& m);
    void FollowPolygonHandle(double x, double y);
    bool PolygonHandleDragged() const { return EditHandle > 0; }
    void ReleasePolygonHandle(double x, double y);
    // Snap target whose region holds the pixel (0 none); stored in SnapHit.
    int32_t SnapTargetAt(int pixX, int pixY);
    // First handle whose region holds the pixel (0 none), and its neighbouring vertex handles.
    int32_t PickPolygonHandle(int pixX, int pixY) const;
    void HandleNeighbours(int32_t handle, int32_t& previous, int32_t& next) const;
    void DeletePolygonVertex(int32_t handle);
    // Release of the dragged handle EditHandle at a world point; moveAll (Ctrl+Alt)
    // moves the whole polygon by the drag offset.
    void DropPolygonHandle(double x, double y, bool moveAll);
    void RebuildEditPolygon();
    // Escape: ends the modification.
    void EndPolygonEdit();

    // ---- Polygon files and the zoning ----
    void Exportar1Click();
    void Importar1Click();
    // Reads PolygonFileName (a .plg) and replaces all polygons and their menu entries.
    bool ImportarPoligonosPlg();
    bool ExportarPoligonos(const std::string& fileName, bool areaFormat);
    bool ImportarPoligonosGeo(const std::string& fileName);
    // The polygons in use, their file name and menu entries change places with
    // `aside` (deleted polygons keep their disabled entries).
    void SwapPolygons(TPolygonSet& aside);
    void SaveZonClick();
    // The polygons differ from those last read from or written to a file (none at
    // start): the program's end would lose them.
    bool PolygonsUnsaved() const;

    std::string PolygonFileName;
    // A new user polygon is being drawn on the map (its points gather in the
    // selection's PolyPoints); the double click stores it.
    bool UserPolygonActive = false;
    // Modification state; handles and snap targets count from 1 (element 0 unused).
    int32_t EditPolygon = -1;
    int32_t EditHandle = 0;
    int32_t SnapHit = 0;
    int32_t NumSnapPoints = 0;
    QPolygonF SnapPoints;
    std::vector<QRegion> SnapRegions;
    int32_t NumEditHandles = 0;
    QPolygonF EditHandles;
    std::vector<bool> EditHandleIsVertex;
    std::vector<QRegion> EditHandleRegions;
    // Free end of the rubber line from the last clicked point (a region or a new
    // polygon drawn), or the dragged handle's place.
    TPoint LastPoint{};
    // Where the dragged handle was pressed: a release there is a click, no drag.
    TPoint HandlePress{};

private:
    // Red outline in not-xor mode around polygon i: drawn twice it is gone again.
    void Highlight(int32_t i);
    // The vertices of the other shown polygons in the view, each marked with a red square.
    void BuildSnapList(int32_t skip);
    void ClearPolygonMenus();
    void AddPolygonEntries(int32_t index);
    // Replaces every polygon by the records read, which fit the table (PolygonsFit
    // refused the file otherwise).
    void ReplacePolygons(const std::vector<TPolygonRecord>& records);
    // A save or open dialog of the polygon files; the chosen filter (0 or 1) in `filter`.
    bool PolygonDialog(bool save, std::string& fileName, int& filter);

    // One of the six polygon submenus ("EliminarPoligonos", "pupRedefinirPoligonos"...)
    // by name; null when there is none, unless `make` (then made, out of sight).
    QMenu* PolygonMenu(const char* name, bool make);
    // Asks for the name of a new polygon; `name` comes in as the proposed one.
    // False when cancelled.
    bool AskPolygonName(std::string& name);
    // What a polygon file holds of the polygons in use, and whether each is shown.
    static std::string PolygonsContent();

    TPalvonViewer& viewer_;
    std::unique_ptr<QObject> escapeFilter_;
    std::string savedContent_ = PolygonsContent(); // as last read or written
};
