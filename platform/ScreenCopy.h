#pragma once
// The screen as the program reads it through GetDC(0) / GetDC(GetDesktopWindow()): a copy of the
// whole desktop (every screen; platform/Desktop.h) in device pixels (Format_RGB32, top byte 0).
//
// While a form with a frozen screen is shown, the screen DC reads the copy taken just before
// that window was mapped, i.e. the screen as it is beneath the lens window; otherwise each
// GetDC takes a fresh copy, which lives exactly as long as that DC.
//
// A form asks for this with SetFrozenScreen(true) in its InitializeComponent. Form::Show then
// takes the copy (Freeze) before its windows map, straight into the form's window surface
// (desktop pixel (0, 0) = surface pixel (0, 0)), and Thaw runs when the form unloads. One copy
// per showing, no second one: the screen DC then reads that surface, which is the screen beneath
// the window until the form first draws (its activation reads it before that).
//
// Where the copy comes from: a source set by tests; on X11 the root window, read straight into
// the copy; elsewhere each screen's own grab, put together. A backend for another window system
// replaces the platform copy with SetPlatformSource.

#include <QImage>
#include <functional>
#include <memory>

class ScreenCopy {
  public:
    // A fresh copy of the desktop. Null without a screen.
    static QImage Take();

    // `image` as a desktop copy: Format_RGB32, device pixel ratio 1, top bytes 0.
    static QImage Normalised(QImage image);

    // Replaces the grab for tests (an empty function restores the real one). The image is taken
    // as the desktop copy whatever its size.
    static void SetSource(std::function<QImage()> source);

    // The window system's copy of `bounds` (the desktop in its device pixels), used when no test
    // source is set; null when it cannot copy (the Qt screen grabs are used then).
    static void SetPlatformSource(std::function<QImage(const QRect& bounds)> source);

    // Takes the copy the screen DC reads until Thaw, into `*into` when given (which must outlive
    // the Thaw) or else into a copy of its own. Nested calls keep the first copy; each Freeze
    // needs its Thaw.
    static void Freeze(QImage* into = nullptr);
    static void Thaw();
    static bool Frozen();
    // The frozen copy (null when not frozen).
    static QImage FrozenImage();

    // Registers the screen with the GDI layer (GetDC(0)); done by the form runtime, idempotent.
    static void Install();
};

// The X11 root window's pixels in `bounds` (root coordinates), read in strips straight into one
// image; null when the root's pixel format is not 32-bit TrueColor or the read fails. With
// `sharedMemory` (where the server can attach it) the server writes into the image's own
// shared segment, which the X11 presentation then puts on screen without another copy.
QImage X11RootCopy(const QRect& bounds, bool sharedMemory = true);
