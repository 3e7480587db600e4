// The root window read on X11 through the application's own xcb connection.
#include <QGuiApplication>
#include <vector>

#include "platform/ScreenCopy.h"
#include "platform/X11Shm.h"

namespace {

// Rows per request: a few megabytes at the widest screens, so no reply is huge.
constexpr int kStripRows = 64;
// Requests in flight: the server works on the next strip while this side handles one.
constexpr int kInFlight = 4;

// Pixels read as 0x00RRGGBB whatever the unused byte holds.
void Mask(uint32_t* pixels, size_t count) {
    for (size_t i = 0; i < count; ++i) pixels[i] &= 0x00FFFFFFu;
}

// Each strip written by the server straight into the image's segment, masked as it arrives.
bool ReadShared(xcb_connection_t* c, xcb_window_t root, const QRect& bounds, QImage& image) {
    const xcb_shm_seg_t seg = X11ShmSegment(image);
    if (!seg) return false;
    const int w = bounds.width(), h = bounds.height();
    const int strips = (h + kStripRows - 1) / kStripRows;
    std::vector<xcb_shm_get_image_cookie_t> cookies(static_cast<size_t>(strips));
    const auto request = [&](int i) {
        const int y = i * kStripRows;
        cookies[size_t(i)] = xcb_shm_get_image(
            c, root, static_cast<int16_t>(bounds.x()), static_cast<int16_t>(bounds.y() + y),
            static_cast<uint16_t>(w), static_cast<uint16_t>(std::min(kStripRows, h - y)), ~0u,
            XCB_IMAGE_FORMAT_Z_PIXMAP, seg, uint32_t(y) * uint32_t(w) * 4);
    };
    for (int i = 0; i < std::min(kInFlight, strips); ++i) request(i);
    bool ok = true;
    for (int i = 0; i < strips; ++i) {
        if (i + kInFlight < strips) request(i + kInFlight);
        xcb_shm_get_image_reply_t* reply = xcb_shm_get_image_reply(c, cookies[size_t(i)], nullptr);
        const int y0 = i * kStripRows, rows = std::min(kStripRows, h - y0);
        if (!reply || reply->size < uint32_t(w) * uint32_t(rows) * 4) ok = false;
        free(reply);
        if (ok)
            Mask(reinterpret_cast<uint32_t*>(image.bits()) + size_t(y0) * size_t(w),
                 size_t(w) * size_t(rows));
    }
    return ok;
}

// Each strip's reply copied through the socket.
bool ReadThroughSocket(xcb_connection_t* c, xcb_window_t root, const QRect& bounds, QImage& image) {
    const int w = bounds.width(), h = bounds.height();
    const int strips = (h + kStripRows - 1) / kStripRows;
    std::vector<xcb_get_image_cookie_t> cookies(static_cast<size_t>(strips));
    const auto request = [&](int i) {
        const int y = i * kStripRows;
        cookies[size_t(i)] =
            xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, root, static_cast<int16_t>(bounds.x()),
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
        // One pass: copied and masked together.
        const auto* src = reinterpret_cast<const uint32_t*>(xcb_get_image_data(reply));
        auto* dst = reinterpret_cast<uint32_t*>(image.scanLine(y0));
        for (size_t k = 0, n = size_t(w) * size_t(rows); k < n; ++k) dst[k] = src[k] & 0x00FFFFFFu;
        free(reply);
    }
    return ok;
}

}  // namespace

QImage X11RootCopy(const QRect& bounds, bool sharedMemory) {
    xcb_connection_t* c = X11Connection();
    if (!c || bounds.isEmpty() || !X11RootIsRgb32(c)) return {};
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    if (sharedMemory) {
        QImage image = X11ShmImage(bounds.size());
        if (!image.isNull() && ReadShared(c, root, bounds, image)) return image;
    }
    QImage image(bounds.size(), QImage::Format_RGB32);
    if (image.isNull() || image.bytesPerLine() != bounds.width() * 4) return {};
    return ReadThroughSocket(c, root, bounds, image) ? image : QImage();
}
