#include "tests/e2e/XScreen.h"

#include <QImage>
#include <chrono>
#include <thread>

// Last: Xlib defines None, Bool, Status and friends.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xfixes.h>

namespace xscreen {

namespace {

void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// Windows come and go while the tests look at them; a vanished one is no reason to exit.
int IgnoreErrors(Display*, XErrorEvent*) { return 0; }

}  // namespace

void IgnoreXErrors() { XSetErrorHandler(IgnoreErrors); }

namespace {}  // namespace

void SetRootPattern(Display* dpy, const Picture& pattern) {
    const int screen = DefaultScreen(dpy);
    const Window root = RootWindow(dpy, screen);
    const Pixmap pixmap = XCreatePixmap(dpy, root, static_cast<unsigned>(pattern.width),
                                        static_cast<unsigned>(pattern.height),
                                        static_cast<unsigned>(DefaultDepth(dpy, screen)));
    XImage* image = XCreateImage(dpy, DefaultVisual(dpy, screen),
                                 static_cast<unsigned>(DefaultDepth(dpy, screen)), ZPixmap, 0,
                                 nullptr, static_cast<unsigned>(pattern.width),
                                 static_cast<unsigned>(pattern.height), 32, 0);
    image->data = static_cast<char*>(malloc(size_t(image->bytes_per_line) * pattern.height));
    for (int y = 0; y < pattern.height; ++y)
        for (int x = 0; x < pattern.width; ++x) XPutPixel(image, x, y, pattern.At(x, y));
    const GC gc = XCreateGC(dpy, pixmap, 0, nullptr);
    XPutImage(dpy, pixmap, gc, image, 0, 0, 0, 0, static_cast<unsigned>(pattern.width),
              static_cast<unsigned>(pattern.height));
    XFreeGC(dpy, gc);
    XDestroyImage(image);  // frees the data too
    XSetWindowBackgroundPixmap(dpy, root, pixmap);
    XFreePixmap(dpy, pixmap);  // the window keeps it
    XClearWindow(dpy, root);
    XSync(dpy, False);
}

Picture Shot(Display* dpy) {
    const int screen = DefaultScreen(dpy);
    const int w = DisplayWidth(dpy, screen), h = DisplayHeight(dpy, screen);
    Picture p(w, h);
    XImage* x = XGetImage(dpy, RootWindow(dpy, screen), 0, 0, static_cast<unsigned>(w),
                          static_cast<unsigned>(h), AllPlanes, ZPixmap);
    if (!x) return {};
    if (x->bits_per_pixel == 32 && x->byte_order == LSBFirst) {
        for (int y = 0; y < h; ++y) {
            const auto* row = reinterpret_cast<const uint32_t*>(x->data + y * x->bytes_per_line);
            for (int xx = 0; xx < w; ++xx) p.At(xx, y) = row[xx] & 0x00FFFFFFu;
        }
    } else {
        for (int y = 0; y < h; ++y)
            for (int xx = 0; xx < w; ++xx)
                p.At(xx, y) = static_cast<uint32_t>(XGetPixel(x, xx, y)) & 0x00FFFFFFu;
    }
    XDestroyImage(x);
    return p;
}

bool PointerFree(Display* dpy) {
    const int status = XGrabPointer(dpy, DefaultRootWindow(dpy), False, ButtonPressMask,
                                    GrabModeAsync, GrabModeAsync, None, None, CurrentTime);
    if (status == GrabSuccess) XUngrabPointer(dpy, CurrentTime);
    XSync(dpy, False);
    return status == GrabSuccess;
}

bool CursorBlank(Display* dpy) {
    int eventBase = 0, errorBase = 0;
    if (!XFixesQueryExtension(dpy, &eventBase, &errorBase)) return false;
    XFixesCursorImage* image = XFixesGetCursorImage(dpy);
    if (!image) return false;
    bool blank = true;
    for (int i = 0; i < image->width * image->height; ++i)
        if ((image->pixels[i] >> 24) != 0) blank = false;
    XFree(image);
    return blank;
}

void MovePointer(Display* dpy, QPoint at) {
    XTestFakeMotionEvent(dpy, -1, at.x(), at.y(), 0);
    XSync(dpy, False);
}

QPoint PointerAt(Display* dpy) {
    Window root = 0, child = 0;
    int rx = 0, ry = 0, wx = 0, wy = 0;
    unsigned mask = 0;
    XQueryPointer(dpy, DefaultRootWindow(dpy), &root, &child, &rx, &ry, &wx, &wy, &mask);
    return {rx, ry};
}

void Button(Display* dpy, bool press) {
    XTestFakeButtonEvent(dpy, 1, press ? True : False, 0);
    XSync(dpy, False);
}

void Key(Display* dpy, const char* keysym) {
    const KeyCode code = XKeysymToKeycode(dpy, XStringToKeysym(keysym));
    XTestFakeKeyEvent(dpy, code, True, 0);
    XTestFakeKeyEvent(dpy, code, False, 0);
    XSync(dpy, False);
}

bool CoversScreen(Display* dpy, QSize size) {
    Window root = DefaultRootWindow(dpy), parent = 0, *children = nullptr;
    unsigned count = 0;
    bool found = false;
    if (XQueryTree(dpy, root, &root, &parent, &children, &count)) {
        for (unsigned i = 0; i < count && !found; ++i) {
            XWindowAttributes a;
            if (XGetWindowAttributes(dpy, children[i], &a) && a.map_state == IsViewable &&
                a.x == 0 && a.y == 0 && a.width == size.width() && a.height == size.height())
                found = true;
        }
        if (children) XFree(children);
    }
    return found;
}

long Differences(const Picture& a, const Picture& b, QRect* where) {
    if (a.width != b.width || a.height != b.height) return -1;
    long n = 0;
    QRect box;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x)
            if (a.At(x, y) != b.At(x, y)) {
                ++n;
                box |= QRect(x, y, 1, 1);
            }
    if (where) *where = box;
    return n;
}

long WaitForScreen(Display* dpy, const Picture& expected, int ms, Picture* last) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    long differing = 0;
    do {
        *last = Shot(dpy);
        differing = Differences(*last, expected);
        if (differing == 0) return 0;
        Sleep(20);
    } while (std::chrono::steady_clock::now() < deadline);
    return differing;
}

bool Save(const Picture& picture, const std::string& path) {
    QImage image(picture.width, picture.height, QImage::Format_RGB32);
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x)
            image.setPixel(x, y, picture.At(x, y) | 0xFF000000u);
    return image.save(QString::fromStdString(path));
}

}  // namespace xscreen
