#include "platform/FormWindow.h"

#include <QCloseEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QWindow>
#include <QtMath>
#include <cstring>

#include "platform/CaptureBackend.h"
#include "platform/Form.h"
#include "platform/WindowServices.h"
#include "gdi/Surface.h"

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
            m_activatePending = true;
            m_deactivated = false;
            if (windowHandle() && windowHandle()->isExposed()) ActivateLater();
            break;
        case QEvent::WindowDeactivate:
            if (!m_activatePending) m_deactivated = true;
            // Losing activation (another program, another window) ends the capture.
            win::CaptureBroken(m_form.m_hWnd);
            break;
        case QEvent::Hide:
            win::CaptureBroken(m_form.m_hWnd);
            break;
        case QEvent::WindowActivate:
            if (m_deactivated && !m_activatePending && isVisible()) {
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
        }
    }
    if (e->type() == QEvent::Expose && watched == windowHandle() && m_activatePending &&
        windowHandle()->isExposed()) {
        ActivateLater();
    }
    return QWidget::eventFilter(watched, e);
}

void FormWindow::ActivateLater() {
    m_activatePending = false;
    // Run outside the expose/show machinery: the handler may grab, paint or even unload.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!isVisible()) return;
            m_form.Form_Activate();
            // A form drawing through its own DC paints once it is up, as a fresh window would.
            if (m_hDC && isVisible()) m_form.Form_Paint();
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

void FormWindow::paintEvent(QPaintEvent* e) {
    if (!m_hDC) {
        m_form.Form_Paint();
        return;
    }
    // Only copy: the form's drawing already went into the surface.
    QPainter p(this);
    const qreal ratio = m_surface.devicePixelRatio();
    for (const QRect& r : e->region()) {
        const QRectF source(r.x() * ratio, r.y() * ratio, r.width() * ratio, r.height() * ratio);
        p.drawImage(QRectF(r), m_surface, source);
    }
}

void FormWindow::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    if (!m_hDC) return;
    const QSize before = m_surface.size();
    FitSurface();
    if (m_surface.size() != before && isVisible()) PaintLater();
}

void FormWindow::CreateSurface() {
    if (m_hDC) return;
    m_hDC = gdi::CreateSurfaceDC(
        {}, [this](const gdi::RECT& r) { Present(r.left, r.top, r.right, r.bottom); });
    if (!m_hDC) return;
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    FitSurface();
}

void FormWindow::FitSurface() {
    if (!m_hDC) return;
    const qreal ratio = devicePixelRatioF();
    const QSize device(qCeil(width() * ratio), qCeil(height() * ratio));
    if (m_surface.size() == device && m_surface.devicePixelRatio() == ratio) return;
    QImage next(device, QImage::Format_RGB32);
    next.fill(palette().color(QPalette::Window));
    if (!m_surface.isNull()) {
        QPainter p(&next);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(QPoint(0, 0), m_surface);
    }
    next.setDevicePixelRatio(ratio);
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

void FormWindow::FillSurface(const QImage& image) {
    if (!m_hDC || image.isNull() || m_surface.isNull()) return;
    const QImage source = image.format() == QImage::Format_RGB32
                              ? image
                              : image.convertToFormat(QImage::Format_RGB32);
    // Row copies, not QPainter: both images are in device pixels whatever their ratios say.
    const int w = qMin(source.width(), m_surface.width());
    const int h = qMin(source.height(), m_surface.height());
    for (int y = 0; y < h; ++y)
        memcpy(m_surface.scanLine(y), source.constScanLine(y), size_t(w) * 4);
}

void FormWindow::SetUpdateLocked(bool locked) {
    if (m_updateLocked == locked) return;
    m_updateLocked = locked;
    if (!locked && !m_lockedDirty.isEmpty()) update(m_lockedDirty);
    m_lockedDirty = QRect();
}

void FormWindow::Present(int left, int top, int right, int bottom) {
    // Device pixels to the logical pixels update() takes, rounded outwards.
    const qreal ratio = m_surface.devicePixelRatio();
    const int x0 = qFloor(left / ratio), y0 = qFloor(top / ratio);
    const int x1 = qCeil(right / ratio), y1 = qCeil(bottom / ratio);
    if (x1 <= x0 || y1 <= y0) return;
    const QRect r(x0, y0, x1 - x0, y1 - y0);
    if (m_updateLocked) {
        m_lockedDirty |= r;
    } else {
        update(r);
    }
}

void FormWindow::mouseMoveEvent(QMouseEvent* e) {
    const qreal ratio = devicePixelRatioF();
    QPointF p = e->position() * ratio;
    if (ratio != 1.0) {
        // Logical positions are rounded: take the device pixel from the window system when it
        // agrees with the event (the pointer may have moved on since).
        int x = 0, y = 0;
        if (CaptureBackend::Current().PointerInWindow(*this, x, y) &&
            qAbs(x / ratio - e->position().x()) <= 0.5 &&
            qAbs(y / ratio - e->position().y()) <= 0.5)
            p = QPointF(x, y);
    }
    m_form.Form_MouseMove(ButtonBits(e->buttons()), ShiftBits(e->modifiers()),
                          static_cast<float>(p.x()), static_cast<float>(p.y()));
}

void FormWindow::closeEvent(QCloseEvent* e) {
    // The close box unloads the form; Unload hides and destroys the window itself (or keeps
    // it when Form_Unload cancels).
    e->ignore();
    m_form.Unload();
}
