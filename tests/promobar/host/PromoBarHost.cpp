// A window laid out like the control panel's lower edge, hosting one link bar at the panel's
// place and size, for the tests that drive a real X server. Prints "ready <x> <y>" (the bar's
// top-left corner on the screen) once the window is on screen, then runs until killed.
#include <QApplication>
#include <QFont>
#include <QTimer>
#include <QWindow>
#include <cstdio>

#include "promobar/PromoBar.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSizeF(8.25);
    window.setFont(font);
    window.setFixedSize(300, 232);
    window.move(0, 0);
    auto* bar = new PromoBar(&window);
    bar->setObjectName(QStringLiteral("PromoBar1"));
    bar->setGeometry(8, 184, 281, 49);
    window.show();

    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (window.windowHandle() == nullptr || !window.windowHandle()->isExposed()) return;
        poll.stop();
        // Give the first paint a moment to reach the screen.
        QTimer::singleShot(300, [bar] {
            const QPoint corner = bar->mapToGlobal(QPoint(0, 0));
            std::printf("ready %d %d\n", corner.x(), corner.y());
            std::fflush(stdout);
        });
    });
    poll.start(20);
    return app.exec();
}
