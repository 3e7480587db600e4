#pragma once
// Screen-level helpers for the lens tests on a private X server: a known pattern on the root
// window, whole-screen shots as pictures, a second client's view of the pointer grab and the
// cursor, and XTest input.

#include <QPoint>
#include <QRect>
#include <QSize>
#include <string>

#include "tests/lenswindow/LensModel.h"

typedef struct _XDisplay Display;

namespace xscreen {

// Xlib's default error handler ends the process; windows that vanish between two requests
// must not. Call once per process.
void IgnoreXErrors();

// Makes `pattern` the root window's background (kept by the server, redrawn on every exposure).
void SetRootPattern(Display* dpy, const Picture& pattern);

// The whole root window as 0x00RRGGBB pixels.
Picture Shot(Display* dpy);

// Whether another client could grab the pointer now (it lets go at once).
bool PointerFree(Display* dpy);

// Whether the cursor X shows has no visible pixel; false when XFixes is missing.
bool CursorBlank(Display* dpy);

void MovePointer(Display* dpy, QPoint at);
QPoint PointerAt(Display* dpy);
void Button(Display* dpy, bool press);
void Key(Display* dpy, const char* keysym);

// A viewable top-level window of exactly `size` at the origin.
bool CoversScreen(Display* dpy, QSize size);

// Waits until the screen equals `expected` (up to `ms`); returns the number of differing pixels
// of the last shot and stores it in `last`.
long WaitForScreen(Display* dpy, const Picture& expected, int ms, Picture* last);

// Pixels that differ, their bounding box in `where`.
long Differences(const Picture& a, const Picture& b, QRect* where = nullptr);

// Saves a picture as PNG.
bool Save(const Picture& picture, const std::string& path);

}  // namespace xscreen
