#include "platform/WaylandCapture.h"

#include <QEnterEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <vector>

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

    // The full-screen windows of a form that covers the desktop come through here.
    void KeepOutOfTaskList(QWidget& window) override {
        m_desktopWindows.erase(
            std::remove(m_desktopWindows.begin(), m_desktopWindows.end(), nullptr),
            m_desktopWindows.end());
        m_desktopWindows.emplace_back(window.windowHandle());
    }

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
            case QEvent::Enter: {
                const QPointer<QWindow> from = m_window;
                m_window = window;
                m_position = static_cast<QEnterEvent*>(e)->position();
                // The motion that carries the pointer from one screen's window into another's
                // arrives only as this enter (Qt drops the move to the same place): it is a move.
                // An enter into a window that just mapped under a resting pointer is not.
                if (from && from != window && Covers(from) && Covers(window)) {
                    QMouseEvent move(QEvent::MouseMove, m_position, window->mapToGlobal(m_position),
                                     Qt::NoButton, QGuiApplication::mouseButtons(),
                                     QGuiApplication::keyboardModifiers());
                    QCoreApplication::sendEvent(window, &move);
                }
                break;
            }
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
    bool Covers(const QWindow* window) const {
        return std::find(m_desktopWindows.begin(), m_desktopWindows.end(), window) !=
               m_desktopWindows.end();
    }

    std::vector<QPointer<QWindow>> m_desktopWindows;
    QPointer<QWindow> m_window;
    QPointF m_position;
};

}  // namespace

std::unique_ptr<CaptureBackend> MakeWaylandCapture() { return std::make_unique<WaylandCapture>(); }
