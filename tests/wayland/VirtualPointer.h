#pragma once
// A pointer device for a wlroots compositor through its virtual pointer protocol: a headless
// compositor has none, and its clients get no pointer events until one exists. Positions are
// logical layout coordinates with sub-pixel precision, which swaymsg's integer cursor commands
// cannot give (odd device pixels at scale 2).

#include <cstdint>

struct wl_display;
struct zwlr_virtual_pointer_manager_v1;
struct zwlr_virtual_pointer_v1;

class VirtualPointer {
  public:
    // Connects to $WAYLAND_DISPLAY and creates the device; ok() tells whether that worked.
    VirtualPointer();
    ~VirtualPointer();
    VirtualPointer(const VirtualPointer&) = delete;
    VirtualPointer& operator=(const VirtualPointer&) = delete;

    bool ok() const { return m_pointer != nullptr; }

    // Moves to the logical position (x, y) of a layout `width` × `height` logical pixels big
    // (its bounding box, origin 0, 0), in steps of 1/256 pixel. Returns once the compositor has
    // handled it.
    void MoveTo(double x, double y, int width, int height);

    // Presses (true) or releases the left button; returns once the compositor has handled it.
    void Left(bool pressed);

    // Serves the connection until the compositor goes (the device lives as long as it does).
    void Run();

    wl_display* display() const { return m_display; }
    zwlr_virtual_pointer_manager_v1* m_manager = nullptr;  // set while connecting

  private:
    wl_display* m_display = nullptr;
    zwlr_virtual_pointer_v1* m_pointer = nullptr;
};
