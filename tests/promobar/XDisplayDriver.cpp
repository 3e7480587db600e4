#include "XDisplayDriver.h"

// Xlib last: it defines None, True, False and friends as macros.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

namespace {
Display* Dpy(void* display) { return static_cast<Display*>(display); }
}  // namespace

XDisplayDriver::XDisplayDriver(const QString& display)
    : display_(XOpenDisplay(display.toLocal8Bit().constData())) {}

XDisplayDriver::~XDisplayDriver() {
    if (display_ != nullptr) XCloseDisplay(Dpy(display_));
}

void XDisplayDriver::MoveTo(QPoint p) {
    if (display_ == nullptr) return;
    XTestFakeMotionEvent(Dpy(display_), 0, p.x(), p.y(), CurrentTime);
    XSync(Dpy(display_), 0);
}

void XDisplayDriver::Click(int button, int count) {
    if (display_ == nullptr) return;
    for (int i = 0; i < count; ++i) {
        XTestFakeButtonEvent(Dpy(display_), static_cast<unsigned>(button), 1, CurrentTime);
        XTestFakeButtonEvent(Dpy(display_), static_cast<unsigned>(button), 0, CurrentTime);
    }
    XSync(Dpy(display_), 0);
}

QImage XDisplayDriver::Grab() {
    if (display_ == nullptr) return {};
    Display* dpy = Dpy(display_);
    const Window root = DefaultRootWindow(dpy);
    XWindowAttributes attributes;
    if (XGetWindowAttributes(dpy, root, &attributes) == 0) return {};
    XImage* image = XGetImage(dpy, root, 0, 0, static_cast<unsigned>(attributes.width),
                              static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    if (image == nullptr) return {};
    QImage out(attributes.width, attributes.height, QImage::Format_RGB32);
    for (int y = 0; y < attributes.height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < attributes.width; ++x) {
            const unsigned long pixel = XGetPixel(image, x, y);
            line[x] = qRgb(static_cast<int>((pixel & image->red_mask) >> 16),
                           static_cast<int>((pixel & image->green_mask) >> 8),
                           static_cast<int>(pixel & image->blue_mask));
        }
    }
    XDestroyImage(image);
    return out;
}
