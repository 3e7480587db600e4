#include "tests/wayland/VirtualPointer.h"

#include <wayland-client.h>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <cstring>

#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

namespace {

void Global(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
    auto* self = static_cast<VirtualPointer*>(data);
    if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0)
        self->m_manager = static_cast<zwlr_virtual_pointer_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
}

void GlobalRemove(void*, wl_registry*, uint32_t) {}

const wl_registry_listener kRegistry = {Global, GlobalRemove};

constexpr uint32_t kLeftButton = 0x110;  // BTN_LEFT

// Event times in milliseconds of the monotonic clock, as the compositor's own devices send.
uint32_t Now() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<uint32_t>(t.tv_sec * 1000 + t.tv_nsec / 1000000);
}

}  // namespace

VirtualPointer::VirtualPointer() {
    m_display = wl_display_connect(nullptr);
    if (!m_display) return;
    wl_registry_add_listener(wl_display_get_registry(m_display), &kRegistry, this);
    wl_display_roundtrip(m_display);
    if (!m_manager) return;
    m_pointer = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(m_manager, nullptr);
    wl_display_roundtrip(m_display);
}

VirtualPointer::~VirtualPointer() {
    if (m_pointer) zwlr_virtual_pointer_v1_destroy(m_pointer);
    if (m_manager) zwlr_virtual_pointer_manager_v1_destroy(m_manager);
    if (m_display) wl_display_disconnect(m_display);
}

void VirtualPointer::MoveTo(double x, double y, int width, int height) {
    if (!ok()) return;
    const auto at = [](double v) {
        return static_cast<uint32_t>(std::lround(std::max(v, 0.0) * 256));
    };
    zwlr_virtual_pointer_v1_motion_absolute(m_pointer, Now(), at(x), at(y),
                                            uint32_t(width) * 256, uint32_t(height) * 256);
    zwlr_virtual_pointer_v1_frame(m_pointer);
    wl_display_roundtrip(m_display);
}

void VirtualPointer::Left(bool pressed) {
    if (!ok()) return;
    zwlr_virtual_pointer_v1_button(
        m_pointer, Now(), kLeftButton,
        pressed ? WL_POINTER_BUTTON_STATE_PRESSED : WL_POINTER_BUTTON_STATE_RELEASED);
    zwlr_virtual_pointer_v1_frame(m_pointer);
    wl_display_roundtrip(m_display);
}

void VirtualPointer::Run() {
    while (m_display && wl_display_dispatch(m_display) != -1) {
    }
}
