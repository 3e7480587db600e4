#pragma once
// How the windows of a full-screen form show its surface. By default Qt paints them through a
// backing store per window, which holds a second copy of everything shown. A window system may
// instead put the surface's pixels straight into the windows (they then paint on screen and
// have no backing store): on X11 from the surface's shared segment where it has one (the screen
// copy's, platform/X11Shm.h), else through the socket.

#include <memory>

class QImage;
class QPoint;
class QRect;
class QWidget;

class SurfacePresenter {
  public:
    virtual ~SurfacePresenter() = default;

    // Whether `window` (its native window exists, not yet shown) can be shown through Put.
    virtual bool Accepts(QWidget& window) = 0;

    // Puts the device pixels `source` of `surface` into `window`, their top-left at the window's
    // device pixel `target`.
    virtual void Put(QWidget& window, const QImage& surface, const QRect& source,
                     const QPoint& target) = 0;

    // The window system's presenter: X11's on xcb, else none (Qt paints).
    static SurfacePresenter* Current();
};

// The X11 presenter (X11Presenter.cpp); nullptr without a suitable X connection.
std::unique_ptr<SurfacePresenter> MakeX11Presenter();
