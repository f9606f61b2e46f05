#pragma once
// Pages printed to a PDF file, read back by an independent reader (pdftoppm).
#include <QImage>
#include <QProcess>
#include <QString>

#include <algorithm>
#include <string>

namespace testutil {

// The first page rasterised at 30 dpi (written beside the PDF as <stem>.png);
// a null image when pdftoppm could not read it.
inline QImage RasteriseFirstPage(const std::string& pdf, const std::string& stem)
{
    QProcess p;
    p.start(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("30"), QStringLiteral("-png"),
                                        QStringLiteral("-singlefile"), QString::fromStdString(pdf),
                                        QString::fromStdString(stem)});
    if (!p.waitForFinished(60000)) return QImage();
    return QImage(QString::fromStdString(stem + ".png"));
}

// Horizontal extent of the page's ink, in pixels (-1 for a blank page).
inline int InkWidth(const QImage& page)
{
    int x0 = page.width(), x1 = -1;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            if ((page.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF) {
                x0 = std::min(x0, x);
                x1 = std::max(x1, x);
            }
    return x1 < 0 ? -1 : x1 - x0;
}

} // namespace testutil
