#include "window_icon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace tidewick {

// A wave under a rising flame on a dark-teal tile: a tide and a wick.
QImage drawIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x13, 0x4e, 0x5e));
    painter.drawRoundedRect(QRectF(0, 0, s, s), s * 0.18, s * 0.18);

    QPainterPath flame;
    flame.moveTo(s * 0.5, s * 0.12);
    flame.cubicTo(s * 0.72, s * 0.36, s * 0.66, s * 0.56, s * 0.5, s * 0.58);
    flame.cubicTo(s * 0.34, s * 0.56, s * 0.28, s * 0.36, s * 0.5, s * 0.12);
    painter.setBrush(QColor(0xf6, 0xb2, 0x3c));
    painter.drawPath(flame);

    QPainterPath wave;
    wave.moveTo(s * 0.1, s * 0.74);
    wave.cubicTo(s * 0.3, s * 0.62, s * 0.42, s * 0.86, s * 0.62, s * 0.74);
    wave.cubicTo(s * 0.76, s * 0.66, s * 0.84, s * 0.7, s * 0.9, s * 0.74);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(0x9f, 0xe3, 0xf0), std::max(1.5, s * 0.09), Qt::SolidLine, Qt::RoundCap));
    painter.drawPath(wave);
    painter.end();
    return image;
}

QIcon makeWindowIcon()
{
    QIcon icon;
    for (const int size : {48, 32, 24, 16})
        icon.addPixmap(QPixmap::fromImage(drawIcon(size)));
    return icon;
}

} // namespace tidewick
