// The surface put straight into X11 windows, from its shared segment when it has one.
#include <QGuiApplication>
#include <QImage>
#include <QWidget>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/SurfacePresenter.h"
#include "platform/X11Shm.h"

namespace {

class X11Presenter : public SurfacePresenter {
  public:
    X11Presenter(xcb_connection_t* c, xcb_window_t root) : m_connection(c) {
        m_gc = xcb_generate_id(c);
        const uint32_t noExposures = 0;
        xcb_create_gc(c, m_gc, root, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
    }
    ~X11Presenter() override {
        if (X11Connection() == m_connection) xcb_free_gc(m_connection, m_gc);
    }

    bool Accepts(QWidget& window) override {
        const auto id = static_cast<xcb_window_t>(window.winId());
        xcb_get_geometry_reply_t* geometry =
            xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, id), nullptr);
        // The GC was made on the root: the window must share its depth.
        const bool accepted = geometry && geometry->depth == 24;
        free(geometry);
        return accepted;
    }

    void Put(QWidget& window, const QImage& surface, const QRect& source,
             const QPoint& target) override {
        const QRect from = source & surface.rect();
        if (from.isEmpty() || surface.format() != QImage::Format_RGB32) return;
        const QPoint to = target + (from.topLeft() - source.topLeft());
        const auto id = static_cast<xcb_window_t>(window.winId());
        xcb_connection_t* c = m_connection;
        if (const xcb_shm_seg_t seg = X11ShmSegment(surface)) {
            xcb_shm_put_image(c, id, m_gc, uint16_t(surface.width()), uint16_t(surface.height()),
                              uint16_t(from.x()), uint16_t(from.y()), uint16_t(from.width()),
                              uint16_t(from.height()), int16_t(to.x()), int16_t(to.y()), 24,
                              XCB_IMAGE_FORMAT_Z_PIXMAP, 0, seg, 0);
        } else {
            // Bands of whole rows, each within the largest request the server takes.
            const size_t rowBytes = size_t(from.width()) * 4;
            const size_t maxBytes = size_t(xcb_get_maximum_request_length(c)) * 4 - 64;
            const int band = int(std::max<size_t>(1, std::min<size_t>(maxBytes / rowBytes, 256)));
            std::vector<uint8_t> rows;
            for (int y = 0; y < from.height(); y += band) {
                const int n = std::min(band, from.height() - y);
                rows.resize(rowBytes * size_t(n));
                for (int r = 0; r < n; ++r)
                    memcpy(rows.data() + rowBytes * size_t(r),
                           surface.constScanLine(from.y() + y + r) + size_t(from.x()) * 4,
                           rowBytes);
                xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, id, m_gc, uint16_t(from.width()),
                              uint16_t(n), int16_t(to.x()), int16_t(to.y() + y), 0, 24,
                              uint32_t(rows.size()), rows.data());
            }
        }
        xcb_flush(c);
    }

  private:
    xcb_connection_t* m_connection;
    xcb_gcontext_t m_gc = 0;
};

}  // namespace

std::unique_ptr<SurfacePresenter> MakeX11Presenter() {
    xcb_connection_t* c = X11Connection();
    if (!c || !X11RootIsRgb32(c)) return nullptr;
    return std::make_unique<X11Presenter>(c, xcb_setup_roots_iterator(xcb_get_setup(c)).data->root);
}

SurfacePresenter* SurfacePresenter::Current() {
    static std::unique_ptr<SurfacePresenter> presenter;
    static bool chosen = false;
    if (!chosen && QGuiApplication::instance()) {
        chosen = true;
        if (QGuiApplication::platformName() == QStringLiteral("xcb"))
            presenter = MakeX11Presenter();
    }
    return presenter.get();
}
