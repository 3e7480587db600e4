#pragma once
// Mouse capture on Qt's wayland platform. Wayland has no global pointer grab: the program's
// full-screen windows cover every screen and receive the pointer themselves, so a grab always
// holds and ends with a release, a lost activation or the window's going (the runtime's rules).
//
// Positions: widget events carry logical positions rounded to whole pixels, while the
// window-level events carry the pointer's sub-pixel logical position. The backend keeps the
// last of those (moves, presses and the enter that brings the pointer into a window) and turns
// it into the desktop device pixel under the pointer: floor(logical × Desktop::Scale). An enter
// that moves the pointer from one screen's window of the desktop-covering form into another's
// is delivered as a move too (Qt reports no move there).

#include <memory>

class CaptureBackend;

std::unique_ptr<CaptureBackend> MakeWaylandCapture();
