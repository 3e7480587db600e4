#pragma once
// The X tests' own client: what it sees of the program (whether the pointer is free, whether the
// cursor shows), and a picture it puts on the root window. Include it last: Xlib defines None,
// Bool, Status and friends.

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xfixes.h>

#include <cstdint>

namespace test_support {

// Whether `other` could grab the pointer now (it lets go at once).
inline bool PointerFree(Display* other) {
    const int status = XGrabPointer(other, DefaultRootWindow(other), False, ButtonPressMask,
                                    GrabModeAsync, GrabModeAsync, None, None, CurrentTime);
    if (status == GrabSuccess) XUngrabPointer(other, CurrentTime);
    XSync(other, False);
    return status == GrabSuccess;
}

// Whether the cursor X shows now has no visible pixel.
inline bool CursorBlank(Display* other) {
    XFixesCursorImage* image = XFixesGetCursorImage(other);
    bool blank = image != nullptr;
    for (int i = 0; blank && i < image->width * image->height; ++i)
        blank = (image->pixels[i] >> 24) == 0;
    if (image) XFree(image);
    return blank;
}

// `pixels` (0x00RRGGBB, a whole screen's rows) as the root window's background: the server keeps
// it and redraws it wherever windows come and go.
inline void SetRootBackground(Display* other, const uint32_t* pixels) {
    const int s = DefaultScreen(other);
    const unsigned w = unsigned(DisplayWidth(other, s)), h = unsigned(DisplayHeight(other, s));
    const Window root = RootWindow(other, s);
    const Pixmap pixmap = XCreatePixmap(other, root, w, h, unsigned(DefaultDepth(other, s)));
    XImage* image =
        XCreateImage(other, DefaultVisual(other, s), unsigned(DefaultDepth(other, s)), ZPixmap, 0,
                     reinterpret_cast<char*>(const_cast<uint32_t*>(pixels)), w, h, 32, 0);
    XPutImage(other, pixmap, DefaultGC(other, s), image, 0, 0, 0, 0, w, h);
    image->data = nullptr;  // not ours to free
    XDestroyImage(image);
    XSetWindowBackgroundPixmap(other, root, pixmap);
    XFreePixmap(other, pixmap);
    XClearWindow(other, root);
    XSync(other, False);
}

}  // namespace test_support
