#include "printing/MultiPage.h"

#include "model/ZelUtils.h"

#include <algorithm>

namespace {
constexpr int32_t kPixStep = 5;
}

void TPageGrid::SetLayout(double minX, double minY, double maxX, double maxY, int32_t width, int32_t height,
                          double aspectWH)
{
    minX_ = minX;
    minY_ = minY;
    maxX_ = maxX;
    maxY_ = maxY;
    width_ = width;
    height_ = height;
    aspectWH_ = aspectWH > 0 ? aspectWH : 1.0;
    aspectHW_ = 1.0 / aspectWH_;
    // A window without extent would give an infinite scale: no pages then.
    const double sx = maxX > minX ? width / (maxX - minX) : 0;
    const double sy = maxY > minY ? height / (maxY - minY) : 0;
    scale_ = std::min(sx, sy);
    stepX_ = stepY_ = scale_ > 0 ? kPixStep / scale_ : 0;
}

void TPageGrid::CreatePages(int n, bool widthBased)
{
    n_ = std::clamp(n, 1, MaxPerSide);
    for (auto& row : pages_)
        for (auto& p : row)
            p = TPrintPage();
    if (scale_ <= 0)
        return;
    const double s = scale_;
    int32_t pw, ph;
    double ww, wh;
    if (widthBased) {
        pw = ZelUtils::Round(double(width_) / n_);
        ph = ZelUtils::Round(pw * aspectHW_);
        ww = (double(width_) / n_) / s;
        wh = (pw * aspectHW_) / s;
    } else {
        ph = ZelUtils::Round(double(height_) / n_);
        pw = ZelUtils::Round(ph * aspectWH_);
        wh = (double(height_) / n_) / s;
        ww = (ph * aspectWH_) / s;
    }
    for (int i = 1; i <= n_; ++i)
        for (int j = 1; j <= n_; ++j) {
            TPrintPage& p = Page(i, j);
            p.X[0] = (i - 1) * ww + minX_;
            p.X[1] = i * ww + minX_;
            p.Y[0] = (j - 1) * wh + minY_;
            p.Y[1] = j * wh + minY_;
            p.Left = (i - 1) * pw + 1;
            p.Right = i * pw - 1;
            p.Top = height_ - j * ph + 1;
            p.Bottom = height_ - (j - 1) * ph - 1;
        }
}

int TPageGrid::Toggle(int32_t x, int32_t y)
{
    int flipped = 0;
    for (int i = 1; i <= n_; ++i)
        for (int j = 1; j <= n_; ++j) {
            TPrintPage& p = Page(i, j);
            // The region of a rectangle holds its left and top edges, not its right and bottom.
            if (x >= p.Left && x < p.Right && y >= p.Top && y < p.Bottom) {
                p.Selected = !p.Selected;
                ++flipped;
            }
        }
    return flipped;
}

void TPageGrid::SelectAll()
{
    for (int i = 1; i <= n_; ++i)
        for (int j = 1; j <= n_; ++j)
            Page(i, j).Selected = true;
}

void TPageGrid::InvertSelection()
{
    for (int i = 1; i <= n_; ++i)
        for (int j = 1; j <= n_; ++j)
            Page(i, j).Selected = !Page(i, j).Selected;
}

int TPageGrid::SelectedCount() const
{
    int count = 0;
    for (int i = 1; i <= n_; ++i)
        for (int j = 1; j <= n_; ++j)
            count += Page(i, j).Selected ? 1 : 0;
    return count;
}

void TPageGrid::Move(int dx, int dy)
{
    for (int i = 1; i <= n_; ++i)
        for (int j = 1; j <= n_; ++j) {
            TPrintPage& p = Page(i, j);
            p.X[0] += dx * stepX_;
            p.X[1] += dx * stepX_;
            p.Y[0] += dy * stepY_;
            p.Y[1] += dy * stepY_;
            p.Left += dx * kPixStep;
            p.Right += dx * kPixStep;
            p.Top -= dy * kPixStep;
            p.Bottom -= dy * kPixStep;
        }
}

void TPageGrid::Resize(int sign)
{
    for (int i = 1; i <= n_; ++i)
        for (int j = 1; j <= n_; ++j) {
            TPrintPage& p = Page(i, j);
            p.X[0] += sign * (i - 1) * stepX_;
            p.X[1] += sign * i * stepX_;
            p.Y[0] += sign * (j - 1) * stepY_;
            p.Y[1] += sign * j * stepY_;
            p.Left += sign * (i - 1) * kPixStep;
            p.Right += sign * i * kPixStep;
            p.Top -= sign * j * kPixStep;
            p.Bottom -= sign * (j - 1) * kPixStep;
        }
}

namespace MultiPage {
std::string PageFileName(const std::string& base, int i, int j, const std::string& ext)
{
    return ZelUtils::Format("%s_%d_%d.%s", base, i, j, ext);
}
} // namespace MultiPage
