#pragma once
// The multi-page print window ("Multi-Impresión"): a square grid of pages in the
// proportions of the printer page over a picture of the view; the pages chosen
// are printed one per sheet or saved one file per page.
#include "map/ViewSnapshot.h"
#include "printing/MultiPage.h"
#include "printing/ZelPrinter.h"

#include <QDialog>
#include <QImage>

#include <functional>

#include <string>
#include <vector>

class QCheckBox;
class QPainter;
class QSpinBox;
class TPrintController;

class TDlgPrint : public QDialog {
    Q_OBJECT
public:
    // The pages are rendered by `printing`, which renders the view.
    explicit TDlgPrint(TPrintController& printing, QWidget* parent = nullptr);

    TPageGrid& Grid() { return grid_; }
    QSpinBox* spCount = nullptr;
    QCheckBox* PrtMapa = nullptr;

    // Lays the window out for the printer page and the view window.
    void DrawNet();
    void spCountChange();
    void tbPrintClick();
    void tbSaveClick();
    // The chosen pages as files named base_i_j.EMF or base_i_j.JPG (by the
    // extension of fileName); false when a page could not be written.
    bool SavePages(const std::string& fileName);
    // A name of another kind than emf or jpg, or a page file that cannot be
    // written where it goes (a missing or read-only folder, a read-only file): the
    // user is told, once.
    bool PagesRefused(const std::string& fileName);
    // The chosen pages' file names for fileName, in the order they are saved.
    std::vector<std::string> PageFiles(const std::string& fileName);
    // Pages under fileName's name with a column or row beyond this grid: those
    // of an earlier set with more pages per side.
    std::vector<std::string> PagesBeyondGrid(const std::string& fileName);
    // The overview sheet: the whole view with the grid and the page labels.
    void PrintMap();
    // The overview on a sheet already begun.
    void DrawOverview(QPainter& p);
    // Mouse-down on the page layer (pixels of the layer).
    void PageLayerClick(int x, int y);

protected:
    void showEvent(QShowEvent* event) override;

private:
    class TPageLayer;
    static std::string EarlierSetQuestion(const std::vector<std::string>& pages, const std::vector<std::string>& beyond);
    void SetLandscape(bool landscape);
    // The screen's room for windows, the frame the window manager adds, the
    // longest side of the page layer that lets the whole window fit the room,
    // and the window, once shown, centred where it was and kept in the room.
    QRect AvailableScreen() const;
    QSize FrameExtra() const;
    double LongestSideOnScreen(bool landscape) const;
    void KeepOnScreen(QPoint centre);
    void Redraw();
    // Visits each selected page, row by row, with the user's print settings
    // carrying its place (PrintPageX/Y) and the page key, and a copy of the user's
    // view whose window is the page's; stops at the first visit that fails.
    bool ForEachSelectedPage(const std::function<bool(const TPrintSettings& page, const TViewSnapshot& view)>& visit);

    TPrintController& printing_;
    TPageGrid grid_;
    TPageLayer* layer_ = nullptr;
    QImage map_;
    bool widthBased_ = false;
    double aspectWH_ = 1.0;
};
