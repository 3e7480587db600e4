#include "platform/WindowServices.h"

#include <QCursor>
#include <QGuiApplication>
#include <QPixmap>
#include <QWidget>

#include "platform/CaptureBackend.h"
#include "platform/Form.h"
#include "platform/FormWindow.h"

namespace win {

namespace {

uint32_t g_capture = 0;  // the window holding the capture
bool g_grabbed = false;  // the capture holds a real pointer grab (not just a pressed button)
int32_t g_cursorCount = 0;
bool g_cursorHidden = false;
uint32_t g_locked = 0;

FormWindow* WindowOf(uint32_t hWnd) {
    Form* form = Form::FromHandle(hWnd);
    return form ? static_cast<FormWindow*>(form->Window()) : nullptr;
}

void DropCapture() {
    if (g_grabbed) CaptureBackend::Current().Ungrab();
    g_grabbed = false;
    g_capture = 0;
}

void ApplyCursor() {
    const bool hide = g_cursorCount < 0;
    if (hide == g_cursorHidden) return;
    g_cursorHidden = hide;
    if (QGuiApplication::instance()) {
        if (hide) {
            // Qt's wayland platform sends no cursor at all for a blank cursor set before the
            // pointer enters; a transparent picture is sent like any other cursor.
            if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
                QPixmap transparent(16, 16);
                transparent.fill(Qt::transparent);
                QGuiApplication::setOverrideCursor(QCursor(transparent));
            } else {
                QGuiApplication::setOverrideCursor(QCursor(Qt::BlankCursor));
            }
        } else {
            QGuiApplication::restoreOverrideCursor();
        }
    }
    if (g_grabbed) CaptureBackend::Current().SetBlankCursor(hide);
}

}  // namespace

uint32_t SetCapture(uint32_t hWnd) {
    FormWindow* window = WindowOf(hWnd);
    if (!window) return 0;
    const uint32_t previous = g_capture;
    DropCapture();
    if (CaptureBackend::Current().Grab(*window, g_cursorCount < 0)) {
        g_capture = hWnd;
        g_grabbed = true;
    }
    return previous;
}

uint32_t GetCapture() { return g_capture; }

int32_t ReleaseCapture() {
    DropCapture();
    return 1;
}

int32_t ShowCursor(int32_t bShow) {
    g_cursorCount += bShow != 0 ? 1 : -1;
    ApplyCursor();
    return g_cursorCount;
}

int32_t LockWindowUpdate(uint32_t hWndLock) {
    if (hWndLock == 0) {
        if (FormWindow* window = WindowOf(g_locked)) window->SetUpdateLocked(false);
        g_locked = 0;
        return 1;
    }
    FormWindow* window = WindowOf(hWndLock);
    if (!window) return 0;
    if (g_locked != 0 && g_locked != hWndLock && WindowOf(g_locked)) return 0;
    g_locked = hWndLock;
    window->SetUpdateLocked(true);
    return 1;
}

void ButtonPressed(uint32_t hWnd) {
    if (hWnd == 0 || g_capture == hWnd) return;
    // The button's own implicit grab keeps the pointer; no grab of ours is needed.
    DropCapture();
    g_capture = hWnd;
}

void ButtonReleased() { DropCapture(); }

void CaptureBroken(uint32_t hWnd) {
    if (g_capture != 0 && (hWnd == 0 || hWnd == g_capture)) DropCapture();
}

void WindowDestroyed(uint32_t hWnd) {
    if (hWnd == 0) return;
    if (g_capture == hWnd) DropCapture();
    if (g_locked == hWnd) g_locked = 0;
}

int32_t CursorCount() { return g_cursorCount; }

uint32_t LockedWindow() { return g_locked; }

void ResetWindowServices() {
    DropCapture();
    g_cursorCount = 0;
    ApplyCursor();
    if (FormWindow* window = WindowOf(g_locked)) window->SetUpdateLocked(false);
    g_locked = 0;
}

}  // namespace win
