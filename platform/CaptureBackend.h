#pragma once
// How the form runtime grabs and releases the pointer. The X11 backend is used when the
// program runs on the xcb platform; everywhere else (offscreen tests) a ScriptedCapture
// stands in. Tests install their own ScriptedCapture to decide the outcome of grabs and to
// break a grab as X would.

#include <memory>

class QWidget;

class CaptureBackend {
  public:
    virtual ~CaptureBackend() = default;

    // Grabs the pointer for the top-level `window` (its native window must exist); true when
    // the grab is held. `blankCursor`: show no cursor while grabbed.
    virtual bool Grab(QWidget& window, bool blankCursor) = 0;

    // Gives the pointer back; harmless when nothing is grabbed.
    virtual void Ungrab() = 0;

    // Changes the cursor of an active grab.
    virtual void SetBlankCursor(bool blank) = 0;

    // The pointer's position relative to the top-left corner of `window`, in device pixels,
    // when the backend can tell (false otherwise). Qt's event positions are logical pixels
    // rounded to integers, which loses the odd device pixels at scale factor 2.
    virtual bool PointerInWindow(QWidget& window, int& x, int& y) {
        (void)window, (void)x, (void)y;
        return false;
    }

    // True when PointerInWindow gives, for the mouse event being delivered, the exact device
    // pixel under the pointer at every scale (Wayland: from the event's sub-pixel position).
    virtual bool ExactPointer() const { return false; }

    // Keeps the top-level `window` (its native window exists, not yet mapped) out of task lists
    // and pagers.
    virtual void KeepOutOfTaskList(QWidget& window) { (void)window; }

    // The backend in use: the installed one, else the X11 one on xcb, the Wayland one
    // (platform/WaylandCapture.h) on wayland, else a ScriptedCapture
    // whose grabs succeed.
    static CaptureBackend& Current();

    // Installs `backend` (nullptr: back to the automatic choice). Releases any capture held.
    static void Install(std::unique_ptr<CaptureBackend> backend);
};

// A stand-in whose grabs succeed or fail as the test says.
class ScriptedCapture : public CaptureBackend {
  public:
    bool Grab(QWidget& window, bool blankCursor) override;
    void Ungrab() override;
    void SetBlankCursor(bool blank) override;

    // Makes the next grabs fail (false) or succeed (true, the default).
    void SetGrabSucceeds(bool succeeds) { m_succeeds = succeeds; }

    // Breaks the active grab the way X reports it (another client, a switch of program): the
    // runtime drops the capture.
    void BreakGrab();

    bool Grabbed() const { return m_grabbed != nullptr; }
    bool CursorBlank() const { return m_blank; }
    int GrabCount() const { return m_grabs; }
    int UngrabCount() const { return m_ungrabs; }

  private:
    bool m_succeeds = true;
    QWidget* m_grabbed = nullptr;
    bool m_blank = false;
    int m_grabs = 0;
    int m_ungrabs = 0;
};

// The native X11 backend (X11Capture.cpp); nullptr when there is no X connection.
std::unique_ptr<CaptureBackend> MakeX11Capture();
