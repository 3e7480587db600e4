// The root window read on X11 through the application's own xcb connection.
#include <QGuiApplication>
#include <algorithm>
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

// Reads `h` rows in strips, kInFlight requests ahead of the replies so that the server reads
// while this side copies. `request(y, rows)` sends one strip's request and gives its cookie;
// `collect(cookie, y, rows, ok)` takes the reply (every one, even after a failure, `ok` false)
// and says whether the strip arrived whole.
template <typename Cookie, typename Request, typename Collect>
bool ReadInStrips(int h, Request request, Collect collect) {
    const int strips = (h + kStripRows - 1) / kStripRows;
    const auto rowsAt = [h](int i) { return std::min(kStripRows, h - i * kStripRows); };
    std::vector<Cookie> cookies(static_cast<size_t>(strips));
    const auto send = [&](int i) { cookies[size_t(i)] = request(i * kStripRows, rowsAt(i)); };
    for (int i = 0; i < std::min(kInFlight, strips); ++i) send(i);
    bool ok = true;
    for (int i = 0; i < strips; ++i) {
        if (i + kInFlight < strips) send(i + kInFlight);
        ok = collect(cookies[size_t(i)], i * kStripRows, rowsAt(i), ok) && ok;
    }
    return ok;
}

// Each strip written by the server straight into the image's segment, masked as it arrives.
bool ReadShared(xcb_connection_t* c, xcb_window_t root, const QRect& bounds, QImage& image) {
    const xcb_shm_seg_t seg = X11ShmSegment(image);
    if (!seg) return false;
    const int w = bounds.width();
    return ReadInStrips<xcb_shm_get_image_cookie_t>(
        bounds.height(),
        [&](int y, int rows) {
            return xcb_shm_get_image(c, root, static_cast<int16_t>(bounds.x()),
                                     static_cast<int16_t>(bounds.y() + y), static_cast<uint16_t>(w),
                                     static_cast<uint16_t>(rows), ~0u, XCB_IMAGE_FORMAT_Z_PIXMAP,
                                     seg, uint32_t(y) * uint32_t(w) * 4);
        },
        [&](xcb_shm_get_image_cookie_t cookie, int y, int rows, bool ok) {
            xcb_shm_get_image_reply_t* reply = xcb_shm_get_image_reply(c, cookie, nullptr);
            ok = ok && reply && reply->size >= uint32_t(w) * uint32_t(rows) * 4;
            free(reply);
            if (ok)
                Mask(reinterpret_cast<uint32_t*>(image.bits()) + size_t(y) * size_t(w),
                     size_t(w) * size_t(rows));
            return ok;
        });
}

// Each strip's reply copied through the socket, copied and masked in one pass.
bool ReadThroughSocket(xcb_connection_t* c, xcb_window_t root, const QRect& bounds, QImage& image) {
    const int w = bounds.width();
    return ReadInStrips<xcb_get_image_cookie_t>(
        bounds.height(),
        [&](int y, int rows) {
            return xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, root,
                                 static_cast<int16_t>(bounds.x()),
                                 static_cast<int16_t>(bounds.y() + y), static_cast<uint16_t>(w),
                                 static_cast<uint16_t>(rows), ~0u);
        },
        [&](xcb_get_image_cookie_t cookie, int y, int rows, bool ok) {
            xcb_get_image_reply_t* reply = xcb_get_image_reply(c, cookie, nullptr);
            ok = ok && reply && xcb_get_image_data_length(reply) >= w * rows * 4;
            if (ok) {
                const auto* src = reinterpret_cast<const uint32_t*>(xcb_get_image_data(reply));
                auto* dst = reinterpret_cast<uint32_t*>(image.scanLine(y));
                for (size_t k = 0, n = size_t(w) * size_t(rows); k < n; ++k)
                    dst[k] = src[k] & 0x00FFFFFFu;
            }
            free(reply);
            return ok;
        });
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
