#pragma once
// The user32 window services the lens window calls, with their Windows names and results.
//
// Mouse capture: one window of the program at a time holds it. SetCapture takes a real pointer
// grab through the capture backend (on X11 a native grab whose status is checked, retried
// briefly while another client holds the pointer); when the grab cannot be had the capture is
// not held and GetCapture says so. The form runtime also captures the mouse for a form window
// when a button is pressed over it and releases the capture when a button is released; it
// releases it, too, whenever the grab is broken or the window loses the focus or activation,
// and when the window is destroyed. Mouse tracking stays on, so a form keeps receiving moves
// after it lost the capture and can notice with GetCapture.
//
// The cursor: ShowCursor keeps the display counter (0 at start). While it is below 0 the cursor
// is blank over the program's windows, and an active grab uses a blank cursor.
//
// LockWindowUpdate(hWnd): the form's window stops presenting — drawing into its DC changes
// the window surface but no longer reaches the screen — until LockWindowUpdate(0) or the
// window is destroyed; unlocking presents what was drawn meanwhile. One window at a time.
//
// Window handles are the forms' hWnd values (Form::hWnd). Everything runs on the user-interface
// thread.

#include <cstdint>

namespace win {

// Captures the mouse for the loaded form window hWnd. Returns the window that held the capture
// before (0 if none). Unknown or stale handles change nothing and return 0.
uint32_t SetCapture(uint32_t hWnd);

// The window holding the capture, 0 if none.
uint32_t GetCapture();

// Releases the capture (and the pointer grab). Nonzero on success, also when none was held.
int32_t ReleaseCapture();

// Adds 1 (bShow nonzero) or subtracts 1 (bShow 0) and returns the new display counter; the
// cursor is hidden while the counter is below 0.
int32_t ShowCursor(int32_t bShow);

// Locks drawing of the loaded form window hWndLock; 0 unlocks. Nonzero on success; 0 for an
// unknown handle or when another window is already locked.
int32_t LockWindowUpdate(uint32_t hWndLock);

// ---- Form runtime side (called by Form/FormWindow and by capture backends) ----

// A button went down over the form window hWnd: the automatic capture. Nothing when that
// window already holds the capture.
void ButtonPressed(uint32_t hWnd);

// A button was released anywhere: the capture ends.
void ButtonReleased();

// The grab of hWnd was broken or its window lost the focus: the capture ends if hWnd holds it
// (0: whichever window holds it).
void CaptureBroken(uint32_t hWnd);

// The window hWnd is going: its capture and its update lock end.
void WindowDestroyed(uint32_t hWnd);

// The current display counter; the window currently locked (0 if none).
int32_t CursorCount();
uint32_t LockedWindow();

// Back to the start state: no capture, counter 0 (cursor shown), nothing locked. For tests.
void ResetWindowServices();

}  // namespace win
