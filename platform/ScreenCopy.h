#pragma once
// The screen as the program reads it through GetDC(0) / GetDC(GetDesktopWindow()): a copy of
// the primary screen in device pixels (Format_RGB32, top byte 0).
//
// While a form with a frozen screen is shown, the screen DC reads the copy taken just before
// that window was mapped, i.e. the screen as it is beneath the lens window; otherwise each
// GetDC takes a fresh copy.
//
// A form asks for this with SetFrozenScreen(true) in its InitializeComponent. Form::Show then
// takes the copy (Freeze) before the window maps, fills the form's window surface with it
// (device pixel (0, 0) of the surface = (0, 0) of the screen; the form is expected to cover
// the primary screen without a border, at 0, 0), and Thaw runs when the form unloads.

#include <QImage>
#include <functional>

class ScreenCopy {
  public:
    // A fresh copy: the source when one is set, else QScreen::grabWindow(0) of the primary
    // screen. Null without a screen.
    static QImage Take();

    // Replaces the grab for tests (an empty function restores the real one).
    static void SetSource(std::function<QImage()> source);

    // Takes the copy the screen DC reads until Thaw. Nested calls keep the first copy; each
    // Freeze needs its Thaw.
    static void Freeze();
    static void Thaw();
    static bool Frozen();
    // The frozen copy (null when not frozen).
    static QImage FrozenImage();

    // Registers the screen with the GDI layer (GetDC(0)); done by the form runtime, idempotent.
    static void Install();
};
