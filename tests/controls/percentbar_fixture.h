#pragma once

#include <QFont>
#include <QImage>
#include <QPalette>

#include "controls/cpercentbar.h"

namespace vantoro::test {

// Fixed colours, font and size so that a CPercentBar paints the same pixels on every machine.
// The font is not anti-aliased: every pixel is then exactly one of the colours in play.
inline const QColor kBar(20, 60, 200);
inline const QColor kBk(240, 240, 200);
inline const QColor kMarker(255, 0, 255);

inline void SetUpBar(CPercentBar& bar, int nClientWidth = 200, int nClientHeight = 20) {
    QPalette palette = bar.palette();
    palette.setColor(QPalette::Highlight, kBar);
    palette.setColor(QPalette::Base, kBk);
    bar.setPalette(palette);
    QFont font("DejaVu Sans");
    font.setPixelSize(13);
    font.setStyleStrategy(QFont::NoAntialias);
    bar.setFont(font);
    const int nFrame = 2 * bar.frameWidth();
    bar.resize(nClientWidth + nFrame, nClientHeight + nFrame);
}

// The bar drawn into an image pre-filled with kMarker, so untouched pixels stay recognisable.
inline QImage RenderBar(CPercentBar& bar) {
    QImage image(bar.size(), QImage::Format_ARGB32);
    image.setDevicePixelRatio(1.0);
    image.fill(kMarker);
    bar.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

} // namespace vantoro::test
