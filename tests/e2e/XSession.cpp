#include "tests/e2e/XSession.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <unistd.h>

namespace {

void Sleep(int ms) { usleep(static_cast<useconds_t>(ms) * 1000); }

// `w` or one of its children (a client in its frame) named `title`, of `size`.
QRect Match(Display* dpy, Window w, const std::string& title, QSize size, int depth) {
    XWindowAttributes a;
    if (!XGetWindowAttributes(dpy, w, &a) || a.map_state != IsViewable) return {};
    char* name = nullptr;
    if (QSize(a.width, a.height) == size && XFetchName(dpy, w, &name) && name) {
        const bool same = title == name;
        XFree(name);
        int x = 0, y = 0;
        Window child = 0;
        if (same && XTranslateCoordinates(dpy, w, DefaultRootWindow(dpy), 0, 0, &x, &y, &child))
            return QRect(x, y, a.width, a.height);
    }
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    QRect found;
    if (depth > 0 && XQueryTree(dpy, w, &root, &parent, &children, &count))
        for (unsigned i = 0; i < count && found.isEmpty(); ++i)
            found = Match(dpy, children[i], title, size, depth - 1);
    if (children) XFree(children);
    return found;
}

}  // namespace

QRect FindWindow(Display* dpy, const std::string& title, QSize size, int ms) {
    for (int waited = 0; waited <= ms; waited += 50, Sleep(50)) {
        Window root = DefaultRootWindow(dpy), parent = 0, *children = nullptr;
        unsigned count = 0;
        QRect found;
        if (!XQueryTree(dpy, root, &root, &parent, &children, &count)) continue;
        for (unsigned i = 0; i < count && found.isEmpty(); ++i)
            found = Match(dpy, children[i], title, size, 2);
        if (children) XFree(children);
        if (!found.isEmpty()) return found;
    }
    return {};
}
QImage Grab(Display* dpy, const QRect& area) {
    XImage* x = XGetImage(dpy, DefaultRootWindow(dpy), area.x(), area.y(),
                          static_cast<unsigned>(area.width()), static_cast<unsigned>(area.height()),
                          AllPlanes, ZPixmap);
    if (!x) return {};
    QImage image(area.size(), QImage::Format_RGB32);
    for (int y = 0; y < area.height(); ++y)
        for (int xx = 0; xx < area.width(); ++xx)
            image.setPixel(xx, y, static_cast<QRgb>(XGetPixel(x, xx, y)) | 0xFF000000u);
    XDestroyImage(x);
    return image;
}

void Click(Display* dpy, QPoint at) {
    XTestFakeMotionEvent(dpy, -1, at.x(), at.y(), 0);
    XSync(dpy, False);
    Sleep(50);
    XTestFakeButtonEvent(dpy, 1, True, 0);
    XSync(dpy, False);
    Sleep(50);
    XTestFakeButtonEvent(dpy, 1, False, 0);
    XSync(dpy, False);
}

int DarkPixels(const QImage& image, const QRect& area, int limit) {
    int dark = 0;
    const QRect r = area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QRgb p = image.pixel(x, y);
            dark += (qRed(p) + qGreen(p) + qBlue(p)) / 3 < limit;
        }
    return dark;
}
