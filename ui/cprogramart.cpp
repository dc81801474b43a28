#include "ui/cprogramart.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QRadialGradient>

namespace vantoro {

namespace {

const QColor kNight(0x1b, 0x2a, 0x4a);
const QColor kDeepBlue(0x0e, 0x17, 0x2c);
const QColor kAmber(0xff, 0xc1, 0x3b);
const QColor kWarmWhite(0xff, 0xf1, 0xc9);

// The lamp seen from the front: a housing ring and its glowing lens, centred in rect.
void DrawLamp(QPainter& painter, const QRectF& rect) {
    const QPointF centre = rect.center();
    const qreal nRadius = rect.width() / 2.0;
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x3d, 0x44, 0x52));
    painter.drawEllipse(centre, nRadius, nRadius);
    QRadialGradient glow(centre, nRadius * 0.8);
    glow.setColorAt(0.0, kWarmWhite);
    glow.setColorAt(0.6, kAmber);
    glow.setColorAt(1.0, QColor(0xd9, 0x7b, 0x16));
    painter.setBrush(glow);
    painter.drawEllipse(centre, nRadius * 0.78, nRadius * 0.78);
}

// A bold downward arrow: firmware going into the equipment.
void DrawArrow(QPainter& painter, const QRectF& rect, const QColor& colour) {
    QPainterPath arrow;
    const qreal w = rect.width();
    const qreal h = rect.height();
    arrow.moveTo(rect.left() + w * 0.32, rect.top());
    arrow.lineTo(rect.left() + w * 0.68, rect.top());
    arrow.lineTo(rect.left() + w * 0.68, rect.top() + h * 0.5);
    arrow.lineTo(rect.right(), rect.top() + h * 0.5);
    arrow.lineTo(rect.left() + w * 0.5, rect.bottom());
    arrow.lineTo(rect.left(), rect.top() + h * 0.5);
    arrow.lineTo(rect.left() + w * 0.32, rect.top() + h * 0.5);
    arrow.closeSubpath();
    painter.setPen(QPen(kDeepBlue, qMax(1.0, w * 0.08)));
    painter.setBrush(colour);
    painter.drawPath(arrow);
}

} // namespace

QImage CProgramArt::IconImage(int nSize) {
    QImage image(nSize, nSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal s = nSize;
    QLinearGradient backdrop(0, 0, 0, s);
    backdrop.setColorAt(0.0, kNight);
    backdrop.setColorAt(1.0, kDeepBlue);
    painter.setPen(Qt::NoPen);
    painter.setBrush(backdrop);
    painter.drawRoundedRect(QRectF(0, 0, s, s), s * 0.18, s * 0.18);
    DrawLamp(painter, QRectF(s * 0.08, s * 0.30, s * 0.62, s * 0.62));
    DrawArrow(painter, QRectF(s * 0.56, s * 0.06, s * 0.38, s * 0.52), QColor(0x4c, 0xd1, 0x7a));
    return image;
}

QIcon CProgramArt::ProgramIcon() {
    QIcon icon;
    for (int nSize : {16, 24, 32, 48, 64})
        icon.addPixmap(QPixmap::fromImage(IconImage(nSize)));
    return icon;
}

QImage CProgramArt::AboutBitmap(const QSize& size) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal w = size.width();
    const qreal h = size.height();
    QLinearGradient backdrop(0, 0, 0, h);
    backdrop.setColorAt(0.0, kNight);
    backdrop.setColorAt(1.0, kDeepBlue);
    painter.fillRect(image.rect(), backdrop);

    // Three beams from lamps along the top edge, fading towards the floor.
    const qreal nLampRadius = h * 0.12;
    for (int i = 0; i < 3; ++i) {
        const qreal x = w * (0.2 + 0.3 * i);
        QPainterPath beam;
        beam.moveTo(x - nLampRadius * 0.7, nLampRadius);
        beam.lineTo(x + nLampRadius * 0.7, nLampRadius);
        beam.lineTo(x + w * 0.16, h);
        beam.lineTo(x - w * 0.16, h);
        beam.closeSubpath();
        QLinearGradient light(0, nLampRadius, 0, h);
        light.setColorAt(0.0, QColor(0xff, 0xe0, 0x8a, 170));
        light.setColorAt(1.0, QColor(0xff, 0xc1, 0x3b, 20));
        painter.setPen(Qt::NoPen);
        painter.setBrush(light);
        painter.drawPath(beam);
        DrawLamp(painter, QRectF(x - nLampRadius, 0, nLampRadius * 2, nLampRadius * 2));
    }

    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setPixelSize(qMax(8, static_cast<int>(h * 0.34)));
    painter.setFont(font);
    painter.setPen(QColor(0, 0, 0, 140));
    const QRectF textRect(0, h * 0.42, w, h * 0.5);
    painter.drawText(textRect.translated(1, 1), Qt::AlignCenter, QStringLiteral("Vantoro"));
    painter.setPen(Qt::white);
    painter.drawText(textRect, Qt::AlignCenter, QStringLiteral("Vantoro"));
    return image;
}

} // namespace vantoro
