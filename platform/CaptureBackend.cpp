#include "platform/CaptureBackend.h"

#include <QGuiApplication>

#include "platform/WaylandCapture.h"
#include "platform/WindowServices.h"

namespace {

std::unique_ptr<CaptureBackend>& Installed() {
    static std::unique_ptr<CaptureBackend> backend;
    return backend;
}

bool g_appClosing = false;

// The X backend uses the application's connection, which goes with the application: give the
// pointer back and drop the backend first.
void DropX11Backend() {
    win::ReleaseCapture();
    Installed().reset();
    g_appClosing = true;
}

}  // namespace

CaptureBackend& CaptureBackend::Current() {
    auto& backend = Installed();
    if (!backend) {
        if (!g_appClosing && QGuiApplication::instance() &&
            QGuiApplication::platformName() == "xcb") {
            backend = MakeX11Capture();
            if (backend) qAddPostRoutine(DropX11Backend);
        } else if (QGuiApplication::instance() &&
                   QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
            backend = MakeWaylandCapture();
        }
        if (!backend) backend = std::make_unique<ScriptedCapture>();
    }
    return *backend;
}

void CaptureBackend::Install(std::unique_ptr<CaptureBackend> backend) {
    // The capture belongs to the backend that grabbed; give it back first.
    if (Installed()) win::ReleaseCapture();
    Installed() = std::move(backend);
}

bool ScriptedCapture::Grab(QWidget& window, bool blankCursor) {
    ++m_grabs;
    if (!m_succeeds) return false;
    m_grabbed = &window;
    m_blank = blankCursor;
    return true;
}

void ScriptedCapture::Ungrab() {
    if (m_grabbed) ++m_ungrabs;
    m_grabbed = nullptr;
    m_blank = false;
}

void ScriptedCapture::SetBlankCursor(bool blank) {
    if (m_grabbed) m_blank = blank;
}

void ScriptedCapture::BreakGrab() {
    if (!m_grabbed) return;
    m_grabbed = nullptr;
    m_blank = false;
    win::CaptureBroken(0);
}
