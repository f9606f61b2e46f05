#pragma once
#include <QImage>
#include <QRegion>
#include <QWidget>

// The shaped splash window shown while the program starts.
class TAptta : public QWidget {
    Q_OBJECT
public:
    explicit TAptta(QWidget* parent = nullptr);

    // Near-white colours (every component at least 201) are see-through.
    static bool IsLightPixel(QRgb colour);
    // The window's shape: the non-light pixels of the picture, scanned from row 1
    // and column 1. An all-light picture gives an empty region (no shaping).
    static QRegion BuildRegion(const QImage& picture);
    // The program's splash picture (PictureSize).
    static QImage Picture();
    static constexpr QSize PictureSize{750, 278};

protected:
    void paintEvent(QPaintEvent*) override;
    void showEvent(QShowEvent* event) override;

private:
    // Drawn, and the window shaped, when first shown: a start on a network
    // never shows it.
    QImage picture_;
};
