#pragma once
// A pointer device through the wlroots virtual pointer protocol (a headless compositor has none),
// positions in steps of 1/256 logical pixel (swaymsg's whole pixels miss odd device pixels at
// scale 2). Each call returns once the compositor has handled it.

#include <wayland-client.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <ctime>

#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

class VirtualPointer {
  public:
    VirtualPointer() {  // connects to $WAYLAND_DISPLAY; ok() tells whether that worked
        if (!(m_display = wl_display_connect(nullptr))) return;
        static const wl_registry_listener listener = {
            [](void* manager, wl_registry* registry, uint32_t name, const char* interface,
               uint32_t) {
                if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0)
                    *static_cast<void**>(manager) = wl_registry_bind(
                        registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1);
            },
            [](void*, wl_registry*, uint32_t) {}};
        void* manager = nullptr;
        wl_registry_add_listener(wl_display_get_registry(m_display), &listener, &manager);
        wl_display_roundtrip(m_display);
        if (auto* m = static_cast<zwlr_virtual_pointer_manager_v1*>(manager)) {
            m_pointer = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(m, nullptr);
            zwlr_virtual_pointer_manager_v1_destroy(m);
            wl_display_roundtrip(m_display);
        }
    }
    ~VirtualPointer() {
        if (m_pointer) zwlr_virtual_pointer_v1_destroy(m_pointer);
        if (m_display) wl_display_disconnect(m_display);
    }
    VirtualPointer(const VirtualPointer&) = delete;
    bool ok() const { return m_pointer != nullptr; }

    // To (x, y) in a layout `width` × `height` logical pixels big (its bounding box at 0, 0).
    void MoveTo(double x, double y, int width, int height) {
        const auto at = [](double v) { return uint32_t(std::lround(std::max(v, 0.0) * 256)); };
        if (ok())
            zwlr_virtual_pointer_v1_motion_absolute(m_pointer, Now(), at(x), at(y),
                                                    uint32_t(width) * 256, uint32_t(height) * 256);
        Frame();
    }
    void Left(bool pressed) {
        if (ok())
            zwlr_virtual_pointer_v1_button(
                m_pointer, Now(), 0x110 /* BTN_LEFT */,
                pressed ? WL_POINTER_BUTTON_STATE_PRESSED : WL_POINTER_BUTTON_STATE_RELEASED);
        Frame();
    }
    void Run() {  // serves the connection until the compositor goes
        while (m_display && wl_display_dispatch(m_display) != -1) {
        }
    }

  private:
    static uint32_t Now() {  // monotonic milliseconds, as the compositor's own devices send
        timespec t{};
        clock_gettime(CLOCK_MONOTONIC, &t);
        return static_cast<uint32_t>(t.tv_sec * 1000 + t.tv_nsec / 1000000);
    }
    void Frame() {
        if (!ok()) return;
        zwlr_virtual_pointer_v1_frame(m_pointer);
        wl_display_roundtrip(m_display);
    }

    wl_display* m_display = nullptr;
    zwlr_virtual_pointer_v1* m_pointer = nullptr;
};
