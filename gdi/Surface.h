#pragma once
// Seams for drawing surfaces that are not bitmaps: a window's client area and the screen.
//
// A surface DC draws straight into pixel memory it does not own (a SurfaceView: Width × Height
// 32-bit pixels 0x00RRGGBB, top row first, rows packed). It behaves like any other DC for
// BitBlt, StretchBlt, FillRect and SelectClipRgn, and its clip region stays selected until
// replaced. GetObjectType reports OBJ_DC for it, and it counts in LiveObjectCount while alive.
// SelectObject of a bitmap into it fails; DeleteDC refuses it (release it with
// ReleaseSurfaceDC, or ReleaseDC for the screen).
//
// Everything runs on one thread; there is no locking.

#include <cstdint>
#include <functional>

#include "gdi/Gdi.h"

namespace gdi {

struct SurfaceView {
    uint32_t* pixels = nullptr;
    int32_t width = 0;
    int32_t height = 0;
};

// Called after each drawing call with every rectangle it changed (already clipped to the surface
// and the clip region). It must not release or re-point the DC that is drawing.
using DirtyHandler = std::function<void(const RECT&)>;

// A persistent DC over `view`. A view with null pixels or a non-positive size counts as an
// empty surface (drawing does nothing). `onDirty` may be empty. Returns 0 only when the handle
// table is full. The pixels must stay valid until the DC is re-pointed or released.
[[nodiscard]] HDC CreateSurfaceDC(SurfaceView view, DirtyHandler onDirty);

// Re-points a surface DC at new pixels (say, after the window was resized); the clip region
// and the stretch mode stay. FALSE for anything but a surface DC.
BOOL UpdateSurfaceDC(HDC hdc, SurfaceView view);

// Releases a surface DC made by CreateSurfaceDC. FALSE for any other handle.
BOOL ReleaseSurfaceDC(HDC hdc);

// The screen as the program should read it (the copy beneath its own lens window). Called
// once by each GetDC for the screen; the pixels must stay valid until that DC is released.
// An empty function removes the source.
// `released` (may be empty) hears of each such DC's ReleaseDC with the view it was given, so the
// source can tie the pixels' lifetime to the DC.
using ScreenSource = std::function<SurfaceView()>;
void SetScreenSource(ScreenSource source, std::function<void(const SurfaceView&)> released = {});

// A fixed, never-zero handle that stands for the desktop window.
inline constexpr HWND kDesktopWindow = 0x00010010;
HWND GetDesktopWindow();

// GetDC(0) and GetDC(GetDesktopWindow()) give a DC over the registered screen source (0 when
// none is registered); any other window gives 0. ReleaseDC releases such a DC: 1 on success, 0
// for anything else.
[[nodiscard]] HDC GetDC(HWND hWnd);
int ReleaseDC(HWND hWnd, HDC hdc);

}  // namespace gdi
