#pragma once
// The desktop: the bounding box of all screens in device pixels. Desktop device pixel (0, 0) is
// the top-left corner of that box; on X11 a desktop pixel is the root window pixel at
// Origin() + (x, y). With one screen the desktop is that screen.

#include <QRect>
#include <vector>

class QScreen;

class Desktop {
  public:
    struct Part {
        QScreen* screen = nullptr;
        QRect device;  // the screen in desktop device pixels
    };

    // The screen's rectangle in the window system's device pixels (X11: root coordinates;
    // Wayland: the layout's logical coordinates times Scale).
    static QRect DeviceGeometry(const QScreen* screen);

    // Desktop device pixels per logical pixel of `screen`: its device pixel ratio on X11. On
    // Wayland screens are laid out in logical pixels and the portal renders the whole layout at
    // the highest scale, so there it is the highest ratio of all screens (a screen at a lower
    // scale shows its part scaled down).
    static qreal Scale(const QScreen* screen);

    // Every screen, the primary one first. Empty without screens.
    static std::vector<Part> Parts();

    // The bounding box of all screens in the window system's device pixels; its top-left is
    // desktop pixel (0, 0). Empty without screens.
    static QRect Bounds();
    static QPoint Origin() { return Bounds().topLeft(); }
};
