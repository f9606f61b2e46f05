#pragma once
// TOxrImage: the map canvas. An image control addressed in world coordinates
// (y up); every drawing operation of TMapPainter draws into its off-screen
// picture, and painting the widget only shows that picture. Mouse events carry
// both the pixel and the world position.
#include "map/MapPainter.h"

#include <QImage>
#include <QMenu>
#include <QMetaType>
#include <QPainter>
#include <QPointer>
#include <QWidget>


// Modifier keys and mouse buttons held at a mouse event (after a press the pressed
// button is included; after a release the released one is not), and whether the
// press is the second of a double click.
struct TShiftState {
    Qt::KeyboardModifiers Keys;
    Qt::MouseButtons Buttons;
    bool Double = false;

    bool Shift() const { return Keys.testFlag(Qt::ShiftModifier); }
    bool Ctrl() const { return Keys.testFlag(Qt::ControlModifier); }
    bool Alt() const { return Keys.testFlag(Qt::AltModifier); }
    bool Left() const { return Buttons.testFlag(Qt::LeftButton); }
    bool Right() const { return Buttons.testFlag(Qt::RightButton); }
    bool Middle() const { return Buttons.testFlag(Qt::MiddleButton); }
};
Q_DECLARE_METATYPE(TShiftState)

class TOxrImage : public QWidget, public TMapPainter {
    Q_OBJECT
public:
    explicit TOxrImage(QWidget* parent = nullptr);
    ~TOxrImage() override;

    // The picture drawn on; its painter is Canvas().
    const QImage& Picture() const { return picture_; }
    // Empties the picture (white, the control's size), forgets the labels, resets
    // pen, brush, font and pen mode to their defaults, and repaints.
    void Clear();

    // The menu popped up by the right button (the canvas forgets it when the menu
    // is destroyed). With autoPopup false the right button is an ordinary button.
    void SetPopupMenu(QMenu* menu, bool autoPopup = true);
    QMenu* PopupMenu() const { return popupMenu_; }

signals:
    void OnOxrMouseDown(Qt::MouseButton Button, TShiftState Shift, int i, int j, double x, double y);
    void OnOxrMouseMove(TShiftState Shift, int i, int j, double x, double y);
    void OnOxrMouseUp(Qt::MouseButton Button, TShiftState Shift, int i, int j, double x, double y);
    // The plain control events, fired after the world-coordinate ones.
    void onMouseDown(Qt::MouseButton Button, TShiftState Shift, int X, int Y);
    void onMouseMove(TShiftState Shift, int X, int Y);
    void onMouseUp(Qt::MouseButton Button, TShiftState Shift, int X, int Y);
    void OnClick();
    void OnDblClick();
    // The picture was emptied (Clear): feedback drawn on it is gone.
    void Cleared();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

    void UpdateDeviceSize() override;
    void WorldChanged() override;
    void Changed() override;

private:
    void NewPicture();
    void ResetCanvasState();
    void MouseDown(QMouseEvent* event, bool doubleClick);

    QImage picture_;
    QPainter painter_;
    QPointer<QMenu> popupMenu_;
    bool autoPopup_ = true;
    bool clickArmed_ = false;
    bool updatePending_ = false;
};
