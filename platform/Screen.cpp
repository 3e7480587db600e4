#include "platform/Screen.h"

#include <QGuiApplication>
#include <QScreen>

#include "platform/Desktop.h"

namespace {

QScreen* Primary() {
    return QGuiApplication::instance() ? QGuiApplication::primaryScreen() : nullptr;
}

double TwipsPerPixel(double logicalDpi, double ratio) {
    return logicalDpi > 0 && ratio > 0 ? 1440.0 / (logicalDpi * ratio) : 0.0;
}

}  // namespace

double Screen::TwipsPerPixelX() {
    QScreen* s = Primary();
    return s ? TwipsPerPixel(s->logicalDotsPerInchX(), s->devicePixelRatio()) : 0.0;
}

double Screen::TwipsPerPixelY() {
    QScreen* s = Primary();
    return s ? TwipsPerPixel(s->logicalDotsPerInchY(), s->devicePixelRatio()) : 0.0;
}

double Screen::Width() { return Desktop::Bounds().width() * TwipsPerPixelX(); }

double Screen::Height() { return Desktop::Bounds().height() * TwipsPerPixelY(); }
