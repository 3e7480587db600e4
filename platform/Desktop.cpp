#include "platform/Desktop.h"

#include <QGuiApplication>
#include <QScreen>
#include <QtMath>

namespace {

bool LogicalLayout() {
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

qreal HighestRatio() {
    qreal ratio = 1.0;
    for (QScreen* screen : QGuiApplication::screens())
        ratio = qMax(ratio, screen->devicePixelRatio());
    return ratio;
}

}  // namespace

qreal Desktop::Scale(const QScreen* screen) {
    if (LogicalLayout()) return HighestRatio();
    return screen ? screen->devicePixelRatio() : 1.0;
}

QRect Desktop::DeviceGeometry(const QScreen* screen) {
    if (!screen) return {};
    if (LogicalLayout()) {
        const QRect logical = screen->geometry();
        const qreal k = HighestRatio();
        return {QPoint(qRound(logical.x() * k), qRound(logical.y() * k)),
                QSize(qRound(logical.width() * k), qRound(logical.height() * k))};
    }
    // Qt keeps a screen's native top-left and divides only its size by the scale factor.
    const QRect logical = screen->geometry();
    const qreal ratio = screen->devicePixelRatio();
    return {logical.topLeft(),
            QSize(qRound(logical.width() * ratio), qRound(logical.height() * ratio))};
}

std::vector<Desktop::Part> Desktop::Parts() {
    std::vector<Part> parts;
    if (!QGuiApplication::instance()) return parts;
    QScreen* primary = QGuiApplication::primaryScreen();
    QList<QScreen*> screens = QGuiApplication::screens();
    if (primary) {
        screens.removeAll(primary);
        screens.prepend(primary);
    }
    const QPoint origin = Bounds().topLeft();
    for (QScreen* screen : screens) {
        const QRect device = DeviceGeometry(screen);
        if (!device.isEmpty()) parts.push_back({screen, device.translated(-origin)});
    }
    return parts;
}

QRect Desktop::Bounds() {
    QRect box;
    if (!QGuiApplication::instance()) return box;
    for (QScreen* screen : QGuiApplication::screens()) box |= DeviceGeometry(screen);
    return box;
}
