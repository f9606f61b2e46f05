#pragma once
// The window "Vista Aérea": the whole network small, with the main map's view
// as a rectangle that the user drags to move the main map.
#include "model/PalvonVars.h" // TPoint

#include <QRegion>
#include <QWidget>

class QScrollArea;
class TMapHost;
class TOxrImage;
struct TShiftState;

class TFrmAerial : public QWidget {
    Q_OBJECT
public:
    explicit TFrmAerial(QWidget* parent = nullptr);

    QScrollArea* sbimg;
    TOxrImage* aimg;
    // The main map's view as last drawn here (world units) and its region on aimg
    // (pixels); set by the map view's DrawNetWorkAerial.
    double XFrom = 0.0, XTo = 0.0, YFrom = 0.0, YTo = 0.0;
    QRegion ViewRegion;

    void FormResize();
    void aimgMouseMove(int X, int Y);
    void aimgOxrMouseDown(Qt::MouseButton Button, const TShiftState& Shift, int i, int j, double x, double y);
    void aimgOxrMouseMove(const TShiftState& Shift, int i, int j, double x, double y);
    void aimgOxrMouseUp(Qt::MouseButton Button, const TShiftState& Shift, int i, int j, double x, double y);
    // The main window whose map the overview moves.
    void SetHost(TMapHost* host) { host_ = host; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void DrawDragFrame();

    TMapHost* host_ = nullptr;
};

// The rectangle being dragged on the overview: its five corner points as drawn
// (closed), the same points when the drag began, and the world point pressed.
struct TAerialDrag {
    bool Dragging = false;
    TPoint Points[5];
    TPoint StartPoints[5];
    TPoint Click;
};
extern TAerialDrag AerialDrag;

extern TFrmAerial* FrmAerial;
