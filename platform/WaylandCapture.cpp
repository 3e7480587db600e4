#include "platform/WaylandCapture.h"

#include <QEnterEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QWidget>
#include <QWindow>
#include <cmath>

#include "platform/CaptureBackend.h"
#include "platform/Desktop.h"

namespace {

class WaylandCapture : public QObject, public CaptureBackend {
  public:
    WaylandCapture() { qApp->installEventFilter(this); }

    bool Grab(QWidget&, bool) override { return true; }
    void Ungrab() override {}
    void SetBlankCursor(bool) override {}
    bool ExactPointer() const override { return true; }

    bool PointerInWindow(QWidget& window, int& x, int& y) override {
        QWindow* handle = window.windowHandle();
        if (!handle || handle != m_window) return false;
        const qreal ratio = Desktop::Scale(handle->screen());
        x = static_cast<int>(std::floor(m_position.x() * ratio));
        y = static_cast<int>(std::floor(m_position.y() * ratio));
        return true;
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        auto* window = qobject_cast<QWindow*>(watched);
        if (!window) return false;
        switch (e->type()) {
            case QEvent::Enter:
            case QEvent::MouseMove:
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
                m_window = window;
                m_position = static_cast<QSinglePointEvent*>(e)->position();
                break;
            default:
                break;
        }
        return false;
    }

  private:
    QPointer<QWindow> m_window;
    QPointF m_position;
};

}  // namespace

std::unique_ptr<CaptureBackend> MakeWaylandCapture() { return std::make_unique<WaylandCapture>(); }
