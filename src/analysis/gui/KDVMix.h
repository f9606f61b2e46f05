#pragma once
// The turning-flow diagram window: one junction at a time, the junction list to
// step through, copy to the clipboard (or a file) and print.
#include <QDialog>

#include <cstdint>
#include <string>
#include <vector>

#include "model/PalvonVars.h"

class QMenu;
class QSpinBox;
class QToolBar;
class TOxrImage;

class TFrmMix : public QDialog {
    Q_OBJECT
public:
    explicit TFrmMix(QWidget* parent = nullptr);

    TOxrImage* fimg = nullptr;
    QMenu* pupNodos = nullptr;
    QSpinBox* sed1 = nullptr;
    QSpinBox* sec1 = nullptr;
    QSpinBox* sewv = nullptr;

    void MakeMixNodos();
    // Another network is open: no junction of the one before stays listed.
    void ForgetJunctions();
    void DrawMix(int32_t Node, int32_t Var);
    void DrawSolera();
    void tbFirstClick();
    void tbPrevClick();
    void tbNextClick();
    void tbLastClick();
    void NodoClick(QAction* item);
    void tbPrintClick();
    // Target "null": the clipboard; otherwise the picture is saved to that file.
    bool CopyJunction(const std::string& Target);
    void tbCopyClick() { CopyJunction("null"); }
    // The framed picture with the caption band above it.
    QImage JunctionPicture() const;

    // Diagram points of the last junction drawn: the junction, then its arms.
    std::vector<TPoint> MixPoints;

    // Element 0: number of listed junctions; 1..count: node record indexes in list order.
    std::vector<int32_t> MixNodos = {0};
    bool MixListOk = false;
    int32_t MixPos = -1; // 0-based list position of the junction shown; -1: look it up
    int32_t MixVar = 1;  // movement variable of the last diagram

protected:
    void closeEvent(QCloseEvent* event) override;
    // However the window goes (close box, Escape, a button), the list is built
    // afresh the next time.
    void hideEvent(QHideEvent* event) override;

private:
    void ShowPosition(int32_t pos);
};

extern TFrmMix* FrmMix;
