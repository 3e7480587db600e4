#include "platform/FormWindow.h"

#include <QCloseEvent>
#include <QMouseEvent>
#include <QWindow>

#include "platform/Form.h"

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
            if (isVisible()) m_form.Form_Activate();
        },
        Qt::QueuedConnection);
}

void FormWindow::paintEvent(QPaintEvent*) { m_form.Form_Paint(); }

void FormWindow::mouseMoveEvent(QMouseEvent* e) {
    const qreal ratio = devicePixelRatioF();
    const QPointF p = e->position() * ratio;
    m_form.Form_MouseMove(ButtonBits(e->buttons()), ShiftBits(e->modifiers()),
                          static_cast<float>(p.x()), static_cast<float>(p.y()));
}

void FormWindow::closeEvent(QCloseEvent* e) {
    // The close box unloads the form; Unload hides and destroys the window itself (or keeps
    // it when Form_Unload cancels).
    e->ignore();
    m_form.Unload();
}
