// A window holding one link bar at the control panel's place and size, for the tests that drive
// a real X server. Prints "ready <x> <y>" (the bar's top-left corner on the screen) once the
// window is on screen, then runs until killed.
#include <QApplication>
#include <QWindow>
#include <cstdio>

#include "promobar/PromoBar.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setFixedSize(300, 232);
    auto* bar = new PromoBar(&window);
    bar->setGeometry(8, 184, 281, 49);
    window.show();
    while (!window.windowHandle()->isExposed()) app.processEvents(QEventLoop::WaitForMoreEvents);
    const QPoint corner = bar->mapToGlobal(QPoint(0, 0));
    std::printf("ready %d %d\n", corner.x(), corner.y());
    std::fflush(stdout);
    return app.exec();
}
