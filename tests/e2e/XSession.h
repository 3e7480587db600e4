#pragma once
// Xlib helpers for the end-to-end tests (the X server itself: tests/support/Xvfb.h).

#include <QImage>
#include <QRect>
#include <string>

typedef struct _XDisplay Display;

// A mapped window whose name is `title` and whose size is `size` (a top-level, or a client
// inside a window manager's frame); waits up to `ms`. Its rectangle in root coordinates, or an
// empty rectangle.
QRect FindWindow(Display* dpy, const std::string& title, QSize size, int ms);

// A screen area read back through XGetImage.
QImage Grab(Display* dpy, const QRect& area);

// A left click at a root position through XTest.
void Click(Display* dpy, QPoint at);

// Pixels darker than `limit` (average of the three channels) inside `area` of `image`.
int DarkPixels(const QImage& image, const QRect& area, int limit = 96);
