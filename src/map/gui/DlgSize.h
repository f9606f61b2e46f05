#pragma once
// The dialog "Tamaño": the size in pixels of one kind of map symbol, with a
// sample drawn as the track bar moves.
#include <QDialog>

class QDialogButtonBox;
class QSlider;
class TOxrImage;

class TDlgSize : public QDialog {
    Q_OBJECT
public:
    explicit TDlgSize(QWidget* parent = nullptr);

    TOxrImage* sz;    // the sample, world x -120..120, y -35..35
    QSlider* tbSize;  // 1..20
    QDialogButtonBox* Buttons;
    // The kind being edited: 1 centroids, 2 nodes, 3 arrows, 4 signals.
    int Kind = 2;

    void FormShow();
    // Draws the sample of the current kind at the track bar's size.
    void tbSizeChange();

protected:
    void showEvent(QShowEvent* event) override;
};

extern TDlgSize* DlgSize;
// Size factor of the intersection view's images ("Factor tamaño"); 1 at start.
extern float ImageSizeFactor;
