#include "panel/LensIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

QImage LensIconImage(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    if (size <= 0) return image;
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 24.0, size / 24.0);

    // Handle, bottom right, under the rim.
    p.setPen(QPen(QColor(0x5a, 0x3b, 0x1e), 4.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(15.5, 15.5), QPointF(21.5, 21.5));

    // Glass: light in the upper left, as a bulging lens.
    const QPointF centre(10.0, 10.0);
    QRadialGradient glass(QPointF(7.5, 7.0), 10.0);
    glass.setColorAt(0.0, QColor(0xf4, 0xfb, 0xff));
    glass.setColorAt(0.6, QColor(0x9c, 0xd0, 0xf0));
    glass.setColorAt(1.0, QColor(0x3a, 0x86, 0xc8));
    p.setPen(QPen(QColor(0x30, 0x30, 0x38), 1.8));
    p.setBrush(glass);
    p.drawEllipse(centre, 7.6, 7.6);

    // Highlight.
    p.setPen(QPen(QColor(255, 255, 255, 220), 1.2, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(5.0, 5.0, 10.0, 10.0), 100 * 16, 70 * 16);
    return image;
}

QIcon LensIcon() {
    QIcon icon;
    icon.addPixmap(QPixmap::fromImage(LensIconImage(24)));
    icon.addPixmap(QPixmap::fromImage(LensIconImage(48)));
    return icon;
}
