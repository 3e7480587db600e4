#pragma once
// A pointer device through the wlroots virtual pointer protocol (a headless compositor has none),
// positions in steps of 1/256 logical pixel (swaymsg's whole pixels miss odd device pixels at
// scale 2), and on request a keyboard beside it. Each call returns once the compositor has
// handled it.

#include <linux/input-event-codes.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <ctime>
#include <string>
#include <utility>

#include "virtual-keyboard-unstable-v1-client-protocol.h"
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

class VirtualPointer {
  public:
    // Connects to $WAYLAND_DISPLAY; ok() tells whether that (and the keyboard) worked: the other
    // calls need it.
    explicit VirtualPointer(bool keyboard = false) {
        if (!(m_display = wl_display_connect(nullptr))) return;
        using Globals = std::pair<const wl_interface*, void*>[3];
        Globals globals = {{&zwlr_virtual_pointer_manager_v1_interface, nullptr},
                           {&zwp_virtual_keyboard_manager_v1_interface, nullptr},
                           {&wl_seat_interface, nullptr}};
        static const wl_registry_listener listener = {
            [](void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
                for (auto& [type, bound] : *static_cast<Globals*>(data))
                    if (std::strcmp(interface, type->name) == 0)
                        bound = wl_registry_bind(registry, name, type, 1);
            },
            [](void*, wl_registry*, uint32_t) {}};
        wl_registry_add_listener(wl_display_get_registry(m_display), &listener, &globals);
        wl_display_roundtrip(m_display);
        auto* pointers = static_cast<zwlr_virtual_pointer_manager_v1*>(globals[0].second);
        if (pointers && (!keyboard || AddKeyboard(globals[1].second, globals[2].second)))
            m_pointer = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(pointers, nullptr);
        for (auto& [type, bound] : globals)
            if (bound) wl_proxy_destroy(static_cast<wl_proxy*>(bound));
        wl_display_roundtrip(m_display);
    }
    ~VirtualPointer() {
        if (m_keyboard) zwp_virtual_keyboard_v1_destroy(m_keyboard);
        if (m_pointer) zwlr_virtual_pointer_v1_destroy(m_pointer);
        if (m_display) wl_display_disconnect(m_display);
    }
    VirtualPointer(const VirtualPointer&) = delete;
    bool ok() const { return m_pointer != nullptr; }

    // To (x, y) in a layout `width` × `height` logical pixels big (its bounding box at 0, 0).
    void MoveTo(double x, double y, int width, int height) {
        const auto at = [](double v) { return uint32_t(std::lround(std::max(v, 0.0) * 256)); };
        zwlr_virtual_pointer_v1_motion_absolute(m_pointer, Now(), at(x), at(y),
                                                uint32_t(width) * 256, uint32_t(height) * 256);
        Frame();
    }
    void Left(bool pressed) {
        zwlr_virtual_pointer_v1_button(
            m_pointer, Now(), BTN_LEFT,
            pressed ? WL_POINTER_BUTTON_STATE_PRESSED : WL_POINTER_BUTTON_STATE_RELEASED);
        Frame();
    }
    // A key by its X keysym name: Shift_L (setting the Shift modifier too) or an arrow.
    void Key(const std::string& name, bool pressed) {
        const uint32_t key = name == "Shift_L" ? KEY_LEFTSHIFT
                             : name == "Up"    ? KEY_UP
                             : name == "Down"  ? KEY_DOWN
                             : name == "Left"  ? KEY_LEFT
                                               : KEY_RIGHT;
        zwp_virtual_keyboard_v1_key(m_keyboard, Now(), key, pressed);
        if (key == KEY_LEFTSHIFT)  // the first modifier of every xkb keymap
            zwp_virtual_keyboard_v1_modifiers(m_keyboard, pressed, 0, 0, 0);
        wl_display_roundtrip(m_display);
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
    bool AddKeyboard(void* keyboards, void* seat) {
        // The compositor compiles the keymap with its own xkb data.
        static const char keymap[] =
            "xkb_keymap { xkb_keycodes { include \"evdev\" }; xkb_types { include \"complete\" };"
            " xkb_compat { include \"complete\" }; xkb_symbols { include \"pc+us\" }; };";
        const int fd = memfd_create("keymap", MFD_CLOEXEC);
        if (keyboards && seat && fd >= 0 &&
            write(fd, keymap, sizeof keymap) == ssize_t(sizeof keymap)) {
            m_keyboard = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(
                static_cast<zwp_virtual_keyboard_manager_v1*>(keyboards),
                static_cast<wl_seat*>(seat));
            zwp_virtual_keyboard_v1_keymap(m_keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd,
                                           sizeof keymap);
        }
        if (fd >= 0) close(fd);  // the request carries a copy
        return m_keyboard != nullptr;
    }
    void Frame() {
        zwlr_virtual_pointer_v1_frame(m_pointer);
        wl_display_roundtrip(m_display);
    }

    wl_display* m_display = nullptr;
    zwlr_virtual_pointer_v1* m_pointer = nullptr;
    zwp_virtual_keyboard_v1* m_keyboard = nullptr;
};
