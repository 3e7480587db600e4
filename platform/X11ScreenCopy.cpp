// The root window read on X11 through the application's own xcb connection.
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>

#include <QGuiApplication>
#include <cstring>

#include "platform/ScreenCopy.h"

namespace {

// Rows per request: a few megabytes at the widest screens, so no reply is huge.
constexpr int kStripRows = 64;
// Requests in flight: the server works on the next strip while this side copies one.
constexpr int kInFlight = 4;

bool RootIs32BitTrueColor(const xcb_setup_t* setup, const xcb_screen_t* screen) {
    if (screen->root_depth != 24) return false;
    for (auto f = xcb_setup_pixmap_formats_iterator(setup); f.rem; xcb_format_next(&f))
        if (f.data->depth == 24) return f.data->bits_per_pixel == 32;
    return false;
}

}  // namespace

QImage X11RootCopy(const QRect& bounds) {
    auto* app = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* c = app ? app->connection() : nullptr;
    if (!c || bounds.isEmpty()) return {};
    const xcb_setup_t* setup = xcb_get_setup(c);
    const xcb_screen_t* screen = xcb_setup_roots_iterator(setup).data;
    if (!screen || !RootIs32BitTrueColor(setup, screen)) return {};
    if (setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST) return {};

    QImage image(bounds.size(), QImage::Format_RGB32);
    if (image.isNull()) return {};
    const int w = bounds.width(), h = bounds.height();
    const int strips = (h + kStripRows - 1) / kStripRows;
    std::vector<xcb_get_image_cookie_t> cookies(static_cast<size_t>(strips));
    const auto request = [&](int i) {
        const int y = i * kStripRows;
        cookies[size_t(i)] = xcb_get_image(
            c, XCB_IMAGE_FORMAT_Z_PIXMAP, screen->root, static_cast<int16_t>(bounds.x()),
            static_cast<int16_t>(bounds.y() + y), static_cast<uint16_t>(w),
            static_cast<uint16_t>(std::min(kStripRows, h - y)), ~0u);
    };
    for (int i = 0; i < std::min(kInFlight, strips); ++i) request(i);
    bool ok = true;
    for (int i = 0; i < strips; ++i) {
        if (i + kInFlight < strips) request(i + kInFlight);
        xcb_get_image_reply_t* reply = xcb_get_image_reply(c, cookies[size_t(i)], nullptr);
        const int y0 = i * kStripRows, rows = std::min(kStripRows, h - y0);
        if (!ok || !reply || xcb_get_image_data_length(reply) < w * rows * 4) {
            ok = false;
            free(reply);
            continue;  // collect the remaining replies all the same
        }
        const auto* src = reinterpret_cast<const uint32_t*>(xcb_get_image_data(reply));
        for (int r = 0; r < rows; ++r) {
            auto* dst = reinterpret_cast<uint32_t*>(image.scanLine(y0 + r));
            const uint32_t* row = src + size_t(r) * size_t(w);
            // Pixels read as 0x00RRGGBB whatever the unused byte holds.
            for (int x = 0; x < w; ++x) dst[x] = row[x] & 0x00FFFFFFu;
        }
        free(reply);
    }
    return ok ? image : QImage();
}
