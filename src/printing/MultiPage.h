#pragma once
// The page grid of the multi-page print: n x n pages in the proportions of the
// printer page laid over a picture of the view, each with its world rectangle and
// its pixel rectangle on the picture (y grows downwards), moved, grown and
// selected together.
#include <array>
#include <cstdint>
#include <string>

struct TPrintPage {
    bool Selected = false;
    double X[2] = {0, 0};  // world X of the left and right edges
    double Y[2] = {0, 0};  // world Y of the bottom and top edges
    int32_t Left = 0, Right = 0, Top = 0, Bottom = 0;
};

class TPageGrid {
public:
    static constexpr int MaxPages = 50;  // pages per side the table holds
    static constexpr int MaxPerSide = 30;

    // The view window and the picture it is drawn on; aspectWH = printer page width / height.
    void SetLayout(double minX, double minY, double maxX, double maxY, int32_t width, int32_t height,
                   double aspectWH);
    // Rebuilds n x n pages (n kept within 1..30); the selection is cleared.
    // widthBased: the page width is the picture width / n, else the height gives it.
    void CreatePages(int n, bool widthBased);

    int Count() const { return n_; }
    double LayoutScale() const { return scale_; }
    TPrintPage& Page(int i, int j) { return pages_[size_t(i)][size_t(j)]; }
    const TPrintPage& Page(int i, int j) const { return pages_[size_t(i)][size_t(j)]; }

    // Flips the pages containing the pixel; returns how many flipped.
    int Toggle(int32_t x, int32_t y);
    void SelectAll();
    void InvertSelection();
    int SelectedCount() const;

    // Shifts by 5 pixels (and their world length): dx, dy in steps, dy > 0 upwards.
    void Move(int dx, int dy);
    // Grows (+1) or shrinks (-1) every page by 5 pixels, the bottom-left corner fixed.
    void Resize(int sign);

private:
    std::array<std::array<TPrintPage, MaxPages + 1>, MaxPages + 1> pages_{};
    int n_ = 0;
    double minX_ = 0, minY_ = 0, maxX_ = 0, maxY_ = 0;
    int32_t width_ = 0, height_ = 0;
    double aspectWH_ = 1, aspectHW_ = 1;
    double scale_ = 0, stepX_ = 0, stepY_ = 0;
};

namespace MultiPage {
// Name of a saved page: Format("%s_%d_%d.%s", base, i, j, ext).
std::string PageFileName(const std::string& base, int i, int j, const std::string& ext);
}
