#pragma once
// The map view: the zoom steps and the history of views, the wheel (a scaled
// picture at once, the sharp drawing once the wheel rests), the zoom box, the hand
// pan and the magnifier with its panel `zimg` and menu `varLupa`, the views beside
// the map (aerial overview, still quick view, street view), the scale dialog with
// the status bar's padlock `Fixed`, and the symbol-size dialogs. Owns those widgets
// and that state, the handlers of their rows (RegisterCommands), and the steps
// the view tools of the map call (src/mainwindow/tools). It reaches the
// window only through TWindowHost, TMapHost and TMapViewHost. The state of the
// zoom box, the hand pan and the magnifier under way is its own: a press sets
// it, the moves follow it and the release of the same drag clears it.
#include "model/PalvonVars.h" // TPoint

#include <QObject>
#include <QPointer>

#include <cstdint>
#include <memory>

class QAction;
class QLabel;
class QMenu;
class QTimer;
class TCommandRegistry;
class TMapHost;
class TMapViewHost;
class TOxrImage;
class TWindowHost;
struct TShiftState;

class TMapViewController {
public:
    TMapViewController(TWindowHost& window, TMapHost& map, TMapViewHost& host);
    ~TMapViewController();
    TMapViewController(const TMapViewController&) = delete;
    TMapViewController& operator=(const TMapViewController&) = delete;

    TOxrImage* zimg = nullptr; // the magnifier laid over the map, hidden until used
    QMenu* varLupa = nullptr;  // the magnifier's menu (drop-down of tbZoom)
    QLabel* Fixed = nullptr;   // padlock: the scale dialog keeps its maximum

    // Pixel of the last press on the map: where the magnifier looks, the street
    // view's point and what a double click finds.
    int32_t ClickPixX = 0, ClickPixY = 0;
    // The zoom box is being dragged (its rubber box is on the picture).
    bool RubberBand = false;
    // The canvas is being dragged by hand: screen position of the press, and
    // where the picture stood at the press.
    bool Panning = false;
    int32_t PanOriginX = 0, PanOriginY = 0;
    int32_t PanImageOriginX = 0, PanImageOriginY = 0;
    // The magnifier follows the pointer until the release.
    bool ZoomFollow = false;
    // The zoom box: world point of the press, its free corner, pixel of the press (as reals).
    TPoint PressPoint{}, LastPoint{}, AuxPoint{};

    // The handlers of the rows owned by the map view (their actions already made).
    void RegisterCommands(TCommandRegistry& registry);
    // Places the view's commands in the menu "&Ver" and the standard toolbar, and
    // makes the magnifier and the padlock.
    void Connect();
    // The magnifier's menu, made on the first call (the display menus put it in "&Ver").
    QMenu* MagnifierMenu();

    void ZoomFirst();
    void ZoomIn();
    void ZoomOut();
    void ZoomSel();
    void aVistaAnteriorExecute();
    void FormMouseWheelUp();
    void FormMouseWheelDown();
    void imgClick();
    void Reset1Click();
    void tbMoveClick();
    void tbZoomClick();
    // The steps of the view tools (the zoom box, the hand pan, the magnifier).
    void StartZoomBox(int i, int j, double x, double y);
    void StartPan(int i, int j);
    void StartMagnifier(int i, int j);
    void FollowZoomBox(double x, double y);
    void FollowPan(int i, int j);
    void FollowMagnifier(int i, int j);
    void EndMagnifier();
    void EndPan();
    void EndZoomBox(int j);
    void zimgOxrMouseDown(Qt::MouseButton Button, const TShiftState& Shift, int i, int j, double x, double y);
    void zimgOxrMouseMove(const TShiftState& Shift, int i, int j, double x, double y);
    void zimgOxrMouseUp(Qt::MouseButton Button, const TShiftState& Shift, int i, int j, double x, double y);
    // Magnifier menu: its window size and its scale (items "2x".."30x", tag 0..7).
    void amao1Click();
    void FactorEscala(QAction* item, int tag);
    // The padlock beside the legend that says the scale's maximum is kept.
    void ShowScaleKept(bool kept);

    // Size of one kind of symbol (1 centroids, 2 nodes, 3 arrows, 4 signals).
    void Tamano(QAction* item, int tag);
    void Escala1Click();
    void FactorTamanoClick();

    // The views beside the map (MapViews.cpp).
    void DrawNetWorkAerial();
    void QuickViewPalvon();
    // The layers of the map as a quick view draws them, on any canvas.
    void DrawQuickView(TOxrImage* Img);
    void StreetViewPalvon();
    void ZoomViewPalvon();
    // The magnifier, while it shows, drawn again where it stands (the map under it redrawn).
    void RedrawMagnifier();
    void tbAerialClick();
    void CopiarAerial1Click();

    // The wheel's drawing shown scaled: the sharp map is drawn (Finish) or left to
    // the caller (Cancel); nothing when no wheel zoom is pending.
    void FinishWheelZoom();
    void CancelWheelZoom();

private:
    void WheelZoomStep(bool in);
    TOxrImage& Img();

    TWindowHost& window_;
    TMapHost& map_;
    TMapViewHost& host_;
    // The redraw after the wheel has rested.
    std::unique_ptr<QTimer> wheelRedraw_;
    // The map's events no signal carries (wheel, legends' drags, aerial follow).
    QPointer<QObject> events_;
};
