#include "platform/FormWindow.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QWheelEvent>
#include <QWindow>
#include <QtMath>
#include <algorithm>
#include <cstring>

#include "gdi/Surface.h"
#include "platform/CaptureBackend.h"
#include "platform/Desktop.h"
#include "platform/Form.h"
#include "platform/SurfacePresenter.h"
#include "platform/WindowServices.h"

namespace {

int16_t ButtonBits(Qt::MouseButtons buttons) {
    int16_t bits = 0;
    if (buttons & Qt::LeftButton) bits |= 1;
    if (buttons & Qt::RightButton) bits |= 2;
    if (buttons & Qt::MiddleButton) bits |= 4;
    return bits;
}

int16_t ShiftBits(Qt::KeyboardModifiers modifiers) {
    int16_t bits = 0;
    if (modifiers & Qt::ShiftModifier) bits |= 1;
    if (modifiers & Qt::ControlModifier) bits |= 2;
    if (modifiers & Qt::AltModifier) bits |= 4;
    return bits;
}

// The form's code for a key; 0 for keys the forms are not told about.
int16_t KeyCode(int key) {
    switch (key) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return Form::vbKeyReturn;
        case Qt::Key_Escape:
            return Form::vbKeyEscape;
        case Qt::Key_Space:
            return Form::vbKeySpace;
        case Qt::Key_Left:
            return Form::vbKeyLeft;
        case Qt::Key_Up:
            return Form::vbKeyUp;
        case Qt::Key_Right:
            return Form::vbKeyRight;
        case Qt::Key_Down:
            return Form::vbKeyDown;
        default:
            break;
    }
    if ((key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z))
        return static_cast<int16_t>(key);
    return 0;
}

// Another screen's window of a full-screen form: presents its part of the form's surface and
// passes the mouse on. It never takes the focus, which stays with the form's own window.
class ScreenWindow : public QWidget {
  public:
    ScreenWindow(FormWindow& owner, QPoint offset)
        : QWidget(&owner, Qt::Window | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus),
          m_owner(owner),
          m_offset(offset) {
        setMouseTracking(true);
        setFocusPolicy(Qt::NoFocus);
        setAttribute(Qt::WA_OpaquePaintEvent);
        setAttribute(Qt::WA_NoSystemBackground);
        setWindowTitle(owner.windowTitle());
    }
    QPoint Offset() const { return m_offset; }
    void SetDirect(bool direct) {
        m_direct = direct;
        setAttribute(Qt::WA_PaintOnScreen, direct);
    }
    QPaintEngine* paintEngine() const override {
        return m_direct ? nullptr : QWidget::paintEngine();
    }

  protected:
    void paintEvent(QPaintEvent* e) override { m_owner.PaintPane(*this, m_offset, e->region()); }
    void mouseMoveEvent(QMouseEvent* e) override { m_owner.PaneMouseMove(*this, m_offset, e); }
    void mousePressEvent(QMouseEvent*) override {
        win::ButtonPressed(static_cast<uint32_t>(m_owner.property("hWnd").toUInt()));
    }
    void mouseReleaseEvent(QMouseEvent*) override { win::ButtonReleased(); }
    void keyPressEvent(QKeyEvent* e) override { m_owner.PaneKeyPress(e); }
    void wheelEvent(QWheelEvent* e) override { m_owner.PaneWheel(e); }
    bool event(QEvent* e) override {
        if (e->type() == QEvent::WindowDeactivate) m_owner.Deactivated(*this);
        return QWidget::event(e);
    }

  private:
    FormWindow& m_owner;
    QPoint m_offset;
    bool m_direct = false;
};

// Full-screen on `part`'s screen, out of task lists, before the window maps.
void PlaceFullScreen(QWidget& window, const Desktop::Part& part) {
    window.setScreen(part.screen);
    window.setGeometry(part.screen->geometry());
    window.setWindowState(Qt::WindowFullScreen);
    window.winId();
    CaptureBackend::Current().KeepOutOfTaskList(window);
}

}  // namespace

FormWindow::FormWindow(Form& form) : QWidget(nullptr, Qt::Window), m_form(form) {
    setMouseTracking(true);
}

FormWindow::~FormWindow() { ReleaseSurface(); }

bool FormWindow::event(QEvent* e) {
    switch (e->type()) {
        case QEvent::Show:
            // The native window exists from here on and is mapped right after this event,
            // so the filter sees its first exposure.
            if (!m_filterInstalled && windowHandle()) {
                windowHandle()->installEventFilter(this);
                m_filterInstalled = true;
            }
            setProperty("hWnd", m_form.m_hWnd);
            m_activatePending = true;
            m_deactivated = false;
            if (windowHandle() && windowHandle()->isExposed()) ActivateLater();
            break;
        case QEvent::WindowDeactivate:
            Deactivated(*this);
            break;
        case QEvent::WindowStateChange:
            if (m_desktop && (windowState() & Qt::WindowMinimized)) LostToWindowManager();
            break;
        case QEvent::Hide:
            win::CaptureBroken(m_form.m_hWnd);
            for (auto& pane : m_panes)
                if (pane) pane->hide();
            break;
        case QEvent::WindowActivate:
            // A full-screen form has closed on the deactivation (its surface is the screen copy,
            // drawn over since): no second activation.
            if (m_deactivated && !m_activatePending && !m_desktop && isVisible()) {
                m_deactivated = false;
                ActivateLater();
            }
            break;
        default:
            break;
    }
    return QWidget::event(e);
}

bool FormWindow::eventFilter(QObject* watched, QEvent* e) {
    // The window sees every button of its child controls here, before they do: a press
    // captures the mouse for this form, a release ends the capture.
    if (watched == windowHandle()) {
        if (e->type() == QEvent::MouseButtonPress || e->type() == QEvent::MouseButtonDblClick) {
            win::ButtonPressed(m_form.m_hWnd);
        } else if (e->type() == QEvent::MouseButtonRelease) {
            win::ButtonReleased();
        } else if (e->type() == QEvent::KeyPress) {
            if (PaneKeyPress(static_cast<QKeyEvent*>(e))) return true;
        } else if (e->type() == QEvent::Wheel) {
            PaneWheel(static_cast<QWheelEvent*>(e));  // the control under the pointer turns too
        }
    }
    if (e->type() == QEvent::Expose && watched == windowHandle()) {
        if (m_activatePending && windowHandle()->isExposed()) {
            ActivateLater();
        } else if (m_desktop && !m_activatePending && !windowHandle()->isExposed() && isVisible()) {
            LostToWindowManager();  // unmapped by the window manager: another desktop
        }
    }
    return QWidget::eventFilter(watched, e);
}

bool FormWindow::OwnWindow(const QWindow* window) const {
    if (!window) return false;
    if (window == windowHandle()) return true;
    for (const auto& pane : m_panes)
        if (pane && pane->windowHandle() == window) return true;
    return false;
}

void FormWindow::Deactivated(const QWidget& which) {
    // Where windows take the focus as the pointer enters them (sway, for one), moving from one
    // screen's window into another's hands activation over within the form: no loss.
    const QWindow* focus = QGuiApplication::focusWindow();
    if (m_desktop && focus != which.windowHandle() && OwnWindow(focus)) return;
    if (!m_activatePending) m_deactivated = true;
    // Losing activation (another program, another window) ends the capture.
    win::CaptureBroken(m_form.m_hWnd);
    if (m_desktop && !m_activatePending) LostToWindowManager();
}

void FormWindow::ActivateLater() {
    m_activatePending = false;
    // Run outside the expose/show machinery: the handler may grab, paint or even unload.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!isVisible()) return;
            // What the first exposure asked for goes out before the handler grabs the pointer:
            // once the pointer is held, the windows show the surface, not what lay under them.
            PutPending();
            QPointer<FormWindow> self(this);
            m_form.Form_Activate();  // may unload the form and show a message meanwhile
            // A form drawing through its own DC paints once it is up, as a fresh window would.
            if (self && m_form.m_window == this && m_hDC && isVisible()) m_form.Form_Paint();
        },
        Qt::QueuedConnection);
}

void FormWindow::PaintLater() {
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_hDC && isVisible()) m_form.Form_Paint();
        },
        Qt::QueuedConnection);
}

void FormWindow::LostToWindowManager() {
    win::CaptureBroken(m_form.m_hWnd);
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_form.m_window == this && isVisible())
                m_form.Form_MouseMove(0, 0, static_cast<float>(m_lastMove.x()),
                                      static_cast<float>(m_lastMove.y()));
        },
        Qt::QueuedConnection);
}

void FormWindow::CoverDesktop() {
    for (auto& pane : m_panes) delete pane.data();
    m_panes.clear();
    m_desktop = true;
    const std::vector<Desktop::Part> parts = Desktop::Parts();
    if (parts.empty()) return;
    PlaceFullScreen(*this, parts[0]);
    m_offset = parts[0].device.topLeft();
    for (size_t i = 1; i < parts.size(); ++i) {
        auto* pane = new ScreenWindow(*this, parts[i].device.topLeft());
        PlaceFullScreen(*pane, parts[i]);
        pane->windowHandle()->setTransientParent(windowHandle());
        m_panes.emplace_back(pane);
    }
    // A surface put straight on screen: no backing store holding another copy of it.
    SurfacePresenter* presenter = m_hDC ? SurfacePresenter::Current() : nullptr;
    bool direct = presenter && presenter->Accepts(*this);
    for (auto& pane : m_panes) direct = direct && presenter->Accepts(*pane);
    m_direct = direct;
    setAttribute(Qt::WA_PaintOnScreen, direct);
    for (auto& pane : m_panes) static_cast<ScreenWindow*>(pane.data())->SetDirect(direct);
}

QPaintEngine* FormWindow::paintEngine() const {
    return m_direct ? nullptr : QWidget::paintEngine();
}

void FormWindow::ShowPanes() {
    for (auto& pane : m_panes)
        if (pane) pane->show();
    show();
    if (m_desktop) {
        // Without a window manager nobody else hands the focus over (Escape needs it).
        raise();
        activateWindow();
    }
}

void FormWindow::paintEvent(QPaintEvent* e) {
    if (!m_hDC) {
        m_form.Form_Paint();
        return;
    }
    PaintPane(*this, m_offset, e->region());
}

void FormWindow::PaintPane(QWidget& pane, QPoint offset, const QRegion& region) {
    if (!m_hDC) return;
    const qreal ratio = Desktop::Scale(pane.screen());
    if (m_direct) {
        // Put once the events at hand are handled: a window is exposed twice as it maps.
        QRegion device;
        for (const QRect& r : region) {
            const QPoint from(qFloor(r.left() * ratio), qFloor(r.top() * ratio));
            const QPoint to(qCeil((r.right() + 1) * ratio), qCeil((r.bottom() + 1) * ratio));
            device += QRect(from, to - QPoint(1, 1));
        }
        if (m_toPut.empty())
            QMetaObject::invokeMethod(
                this, [this] { PutPending(); }, Qt::QueuedConnection);
        auto it = std::find_if(m_toPut.begin(), m_toPut.end(),
                               [&pane](const PendingPut& p) { return p.pane == &pane; });
        if (it == m_toPut.end()) {
            m_toPut.push_back({&pane, offset, device});
        } else {
            it->device += device;
        }
        return;
    }
    // Only copy: the form's drawing already went into the surface.
    QPainter p(&pane);
    for (const QRect& r : region) {
        const QRectF source(offset.x() + r.x() * ratio, offset.y() + r.y() * ratio,
                            r.width() * ratio, r.height() * ratio);
        p.drawImage(QRectF(r), m_surface, source);
    }
}

void FormWindow::PutPending() {
    std::vector<PendingPut> toPut;
    toPut.swap(m_toPut);
    SurfacePresenter* presenter = SurfacePresenter::Current();
    for (const PendingPut& put : toPut)
        if (put.pane && m_direct && presenter)
            for (const QRect& r : put.device)
                presenter->Put(*put.pane, m_surface, r.translated(put.offset), r.topLeft());
}

void FormWindow::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    if (!m_hDC || m_desktop) return;
    const QSize before = m_surface.size();
    FitSurface();
    if (m_surface.size() != before && isVisible()) PaintLater();
}

void FormWindow::CreateSurface() {
    if (m_hDC) return;
    m_hDC = gdi::CreateSurfaceDC({}, [this](const gdi::RECT& r) {
        Present(QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1)));
    });
    if (!m_hDC) return;
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    FitSurface();
}

void FormWindow::FitSurface() {
    if (!m_hDC) return;
    const qreal ratio = devicePixelRatioF();
    const QSize device = m_desktop ? Desktop::Bounds().size()
                                   : QSize(qCeil(width() * ratio), qCeil(height() * ratio));
    if (m_surface.size() == device) return;
    QImage next(device, QImage::Format_RGB32);
    next.fill(palette().color(QPalette::Window));
    if (!m_surface.isNull()) {
        QPainter p(&next);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(QPoint(0, 0), m_surface);
    }
    m_surface = std::move(next);
    gdi::UpdateSurfaceDC(m_hDC, {reinterpret_cast<uint32_t*>(m_surface.bits()), m_surface.width(),
                                 m_surface.height()});
}

void FormWindow::ReleaseSurface() {
    if (!m_hDC) return;
    gdi::ReleaseSurfaceDC(m_hDC);
    m_hDC = 0;
    m_surface = QImage();
}

void FormWindow::SurfaceReplaced() {
    if (!m_hDC) return;
    const qreal ratio = devicePixelRatioF();
    const QSize device = m_desktop ? Desktop::Bounds().size()
                                   : QSize(qCeil(width() * ratio), qCeil(height() * ratio));
    if (m_surface.isNull() || m_surface.size() != device ||
        m_surface.format() != QImage::Format_RGB32) {
        QImage next(device, QImage::Format_RGB32);
        next.fill(palette().color(QPalette::Window));
        const QImage source = m_surface.convertToFormat(QImage::Format_RGB32);
        // Row copies, not QPainter: both images are in device pixels whatever their ratios say.
        const int w = qMin(source.width(), next.width());
        const int h = qMin(source.height(), next.height());
        for (int y = 0; y < h; ++y)
            memcpy(next.scanLine(y), source.constScanLine(y), size_t(w) * 4);
        m_surface = std::move(next);
    }
    m_surface.setDevicePixelRatio(1.0);
    gdi::UpdateSurfaceDC(m_hDC, {reinterpret_cast<uint32_t*>(m_surface.bits()), m_surface.width(),
                                 m_surface.height()});
}

void FormWindow::SetUpdateLocked(bool locked) {
    if (m_updateLocked == locked) return;
    m_updateLocked = locked;
    const QRect dirty = m_lockedDirty;
    m_lockedDirty = QRect();
    if (!locked && !dirty.isEmpty()) Present(dirty);
}

void FormWindow::Present(const QRect& device) {
    if (device.isEmpty()) return;
    if (m_updateLocked) {
        m_lockedDirty |= device;
        return;
    }
    // Surface pixels to the logical pixels update() takes, rounded outwards, in each window.
    const auto show = [&device](QWidget& pane, QPoint offset) {
        const qreal ratio = Desktop::Scale(pane.screen());
        const QRect local = device.translated(-offset);
        const int x0 = qFloor(local.left() / ratio), y0 = qFloor(local.top() / ratio);
        const int x1 = qCeil((local.right() + 1) / ratio), y1 = qCeil((local.bottom() + 1) / ratio);
        const QRect r = QRect(x0, y0, x1 - x0, y1 - y0) & pane.rect();
        if (!r.isEmpty()) pane.update(r);
    };
    show(*this, m_offset);
    for (auto& pane : m_panes)
        if (pane) show(*pane, static_cast<ScreenWindow*>(pane.data())->Offset());
}

void FormWindow::mouseMoveEvent(QMouseEvent* e) { PaneMouseMove(*this, m_offset, e); }

void FormWindow::PaneMouseMove(QWidget& pane, QPoint offset, QMouseEvent* e) {
    const qreal ratio = Desktop::Scale(pane.screen());
    QPointF p = e->position() * ratio;
    CaptureBackend& backend = CaptureBackend::Current();
    if (backend.ExactPointer()) {
        int x = 0, y = 0;
        if (backend.PointerInWindow(pane, x, y)) p = QPointF(x, y);
    } else if (ratio != 1.0) {
        // Logical positions are rounded: take the device pixel from the window system when it
        // agrees with the event (the pointer may have moved on since).
        int x = 0, y = 0;
        if (backend.PointerInWindow(pane, x, y) && qAbs(x / ratio - e->position().x()) <= 0.5 &&
            qAbs(y / ratio - e->position().y()) <= 0.5)
            p = QPointF(x, y);
    }
    p += offset;
    m_lastMove = p;
    m_form.Form_MouseMove(ButtonBits(e->buttons()), ShiftBits(e->modifiers()),
                          static_cast<float>(p.x()), static_cast<float>(p.y()));
}

bool FormWindow::PaneKeyPress(QKeyEvent* e) {
    int16_t code = KeyCode(e->key());
    if (code == 0) return false;
    m_form.Form_KeyDown(code, ShiftBits(e->modifiers()));
    return code == 0;
}

void FormWindow::PaneWheel(QWheelEvent* e) {
    // Eighths of a degree, 120 to a notch. A turn the other way drops what was left over.
    constexpr int kNotch = 120;
    const QPoint angle = e->angleDelta();
    const int delta =
        std::clamp(angle.y() != 0 ? angle.y() : angle.x(), -kNotch * 1000, kNotch * 1000);
    if (delta == 0) return;
    if ((delta < 0) != (m_wheelAngle < 0)) m_wheelAngle = 0;
    m_wheelAngle += delta;
    const int notches = m_wheelAngle / kNotch;
    if (notches == 0) return;
    m_wheelAngle -= notches * kNotch;
    m_form.Form_MouseWheel(static_cast<int16_t>(notches), ShiftBits(e->modifiers()));
}

void FormWindow::closeEvent(QCloseEvent* e) {
    // The close box unloads the form; Unload hides and destroys the window itself (or keeps
    // it when Form_Unload cancels).
    e->ignore();
    m_form.Unload();
}
