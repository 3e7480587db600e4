// The pointer grab on X11, through the application's own xcb connection.
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>

#include <QAbstractNativeEventFilter>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QThread>
#include <QWidget>
#include <cstring>

#include "platform/CaptureBackend.h"
#include "platform/WindowServices.h"

namespace {

constexpr uint16_t kPointerEvents =
    XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE | XCB_EVENT_MASK_POINTER_MOTION;
// How long a grab is retried while another client holds the pointer.
constexpr int kRetryMs = 1000;

class X11Capture : public CaptureBackend, public QAbstractNativeEventFilter {
  public:
    explicit X11Capture(xcb_connection_t* connection) : m_connection(connection) {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }

    ~X11Capture() override {
        if (QCoreApplication::instance())
            QCoreApplication::instance()->removeNativeEventFilter(this);
        if (m_window) Ungrab();
        if (m_blankCursor) xcb_free_cursor(m_connection, m_blankCursor);
        xcb_flush(m_connection);
    }

    bool Grab(QWidget& window, bool blankCursor) override {
        const auto target = static_cast<xcb_window_t>(window.winId());
        if (!target) return false;
        const xcb_cursor_t cursor = blankCursor ? BlankCursor() : XCB_NONE;
        QElapsedTimer clock;
        clock.start();
        for (;;) {
            const auto cookie =
                xcb_grab_pointer(m_connection, 1, target, kPointerEvents, XCB_GRAB_MODE_ASYNC,
                                 XCB_GRAB_MODE_ASYNC, XCB_NONE, cursor, XCB_CURRENT_TIME);
            xcb_grab_pointer_reply_t* reply = xcb_grab_pointer_reply(m_connection, cookie, nullptr);
            const int status = reply ? reply->status : -1;
            free(reply);
            if (status == XCB_GRAB_STATUS_SUCCESS) {
                m_window = target;
                m_grabSequence = static_cast<uint16_t>(cookie.sequence);
                return true;
            }
            // Another client holds the pointer, or the window is just being mapped: those
            // pass; anything else will not.
            const bool transient = status == XCB_GRAB_STATUS_ALREADY_GRABBED ||
                                   status == XCB_GRAB_STATUS_FROZEN ||
                                   status == XCB_GRAB_STATUS_NOT_VIEWABLE;
            if (!transient || clock.elapsed() >= kRetryMs) return false;
            QThread::msleep(5);
        }
    }

    void Ungrab() override {
        xcb_ungrab_pointer(m_connection, XCB_CURRENT_TIME);
        Sync();  // when this returns, other clients can grab
        m_window = 0;
    }

    void SetBlankCursor(bool blank) override {
        if (!m_window) return;
        xcb_change_active_pointer_grab(m_connection, blank ? BlankCursor() : XCB_NONE,
                                       XCB_CURRENT_TIME, kPointerEvents);
        Sync();
    }

    bool PointerInWindow(QWidget& window, int& x, int& y) override {
        const auto target = static_cast<xcb_window_t>(window.winId());
        if (!target) return false;
        xcb_query_pointer_reply_t* reply =
            xcb_query_pointer_reply(m_connection, xcb_query_pointer(m_connection, target), nullptr);
        const bool ok = reply && reply->same_screen;
        if (ok) {
            x = reply->win_x;
            y = reply->win_y;
        }
        free(reply);
        return ok;
    }

    // X tells of a lost focus: the capture ends, as on a button release. (Another client's
    // grab cannot take the pointer while ours is active, so crossing events that speak of a
    // grab are left alone: they are late news from before our grab.)
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
        if (!m_window || eventType != "xcb_generic_event_t") return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7f) != XCB_FOCUS_OUT) return false;
        const auto* e = reinterpret_cast<const xcb_focus_out_event_t*>(event);
        // Only news from after the grab: events carry the sequence number of our last request.
        const auto age = static_cast<int16_t>(static_cast<uint16_t>(e->sequence - m_grabSequence));
        if (e->event == m_window && age >= 0 && e->detail != XCB_NOTIFY_DETAIL_INFERIOR &&
            e->detail != XCB_NOTIFY_DETAIL_POINTER && e->mode != XCB_NOTIFY_MODE_UNGRAB) {
            m_window = 0;
            win::CaptureBroken(0);
        }
        return false;
    }

    void KeepOutOfTaskList(QWidget& window) override {
        const auto target = static_cast<xcb_window_t>(window.winId());
        const xcb_atom_t state = Atom("_NET_WM_STATE");
        const xcb_atom_t skip[] = {Atom("_NET_WM_STATE_SKIP_TASKBAR"),
                                   Atom("_NET_WM_STATE_SKIP_PAGER")};
        if (!target || !state || !skip[0] || !skip[1]) return;
        // Qt keeps the states it finds on the window when it adds its own at mapping.
        xcb_change_property(m_connection, XCB_PROP_MODE_APPEND, target, state, XCB_ATOM_ATOM, 32, 2,
                            skip);
        xcb_flush(m_connection);
    }

  private:
    xcb_atom_t Atom(const char* name) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            m_connection,
            xcb_intern_atom(m_connection, 0, static_cast<uint16_t>(strlen(name)), name), nullptr);
        const xcb_atom_t atom = reply ? reply->atom : XCB_NONE;
        free(reply);
        return atom;
    }

    // A round trip: every request sent before has been carried out.
    void Sync() {
        free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    }

    xcb_cursor_t BlankCursor() {
        if (m_blankCursor) return m_blankCursor;
        const xcb_setup_t* setup = xcb_get_setup(m_connection);
        const xcb_screen_t* screen = xcb_setup_roots_iterator(setup).data;
        if (!screen) return XCB_NONE;
        const xcb_pixmap_t pixmap = xcb_generate_id(m_connection);
        xcb_create_pixmap(m_connection, 1, pixmap, screen->root, 1, 1);
        m_blankCursor = xcb_generate_id(m_connection);
        // A 1 × 1 cursor whose mask is empty shows nothing.
        const xcb_gcontext_t gc = xcb_generate_id(m_connection);
        xcb_create_gc(m_connection, gc, pixmap, 0, nullptr);
        const xcb_rectangle_t all{0, 0, 1, 1};
        xcb_poly_fill_rectangle(m_connection, pixmap, gc, 1, &all);  // foreground 0
        xcb_free_gc(m_connection, gc);
        xcb_create_cursor(m_connection, m_blankCursor, pixmap, pixmap, 0, 0, 0, 0, 0, 0, 0, 0);
        xcb_free_pixmap(m_connection, pixmap);
        return m_blankCursor;
    }

    xcb_connection_t* m_connection;
    xcb_window_t m_window = 0;
    uint16_t m_grabSequence = 0;
    xcb_cursor_t m_blankCursor = 0;
};

}  // namespace

std::unique_ptr<CaptureBackend> MakeX11Capture() {
    auto* app = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = app ? app->connection() : nullptr;
    if (!connection) return nullptr;
    return std::make_unique<X11Capture>(connection);
}
