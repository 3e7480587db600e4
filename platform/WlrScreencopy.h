#pragma once
// The whole desktop copied straight from a wlroots compositor (sway, Hyprland, river, labwc …)
// through its screen copy protocol (zwlr_screencopy_manager_v1): every output into a wl_shm
// buffer of our own, without the cursor, put together as the desktop in device pixels (the same
// picture the desktop portal gives, see Desktop.h). Much faster than the portal, whose wlroots
// backend encodes the screen as PNG.
//
// The copy runs on a worker thread over a Wayland connection of its own, so the event loop stays
// free; the answer comes back through the event loop.

#include <QImage>
#include <QObject>
#include <QRect>
#include <QString>
#include <functional>
#include <thread>
#include <vector>

class WlrScreencopy {
  public:
    enum class Result { Copied, NoManager, Failed };
    // Where one output goes: the screen's name (the output's) and its rectangle in the desktop.
    struct Target {
        QString name;
        QRect device;
    };
    // `image` is the copy (Format_RGB32, top byte 0) when `result` is Copied, else null; `why`
    // says what went wrong, for a log line.
    using Done = std::function<void(Result result, QImage image, QString why)>;

    explicit WlrScreencopy(int timeoutMs = 3000);
    ~WlrScreencopy();  // waits for a running copy (bounded by the timeout)
    WlrScreencopy(const WlrScreencopy&) = delete;
    WlrScreencopy& operator=(const WlrScreencopy&) = delete;

    // Copies the desktop as the screens lie now (Desktop::Parts); `done` runs exactly once, later,
    // from the event loop. False and nothing happens while an earlier copy is pending.
    bool Start(Done done);
    bool Pending() const { return static_cast<bool>(m_done); }

    // The copy itself, blocking, on a connection of its own to $WAYLAND_DISPLAY: each target's
    // output fills its rectangle of a `size` desktop. An output at a lower scale than the
    // desktop's is enlarged by whole pixels (each pixel becomes an n × n block).
    static Result Copy(const std::vector<Target>& targets, QSize size, int timeoutMs, QImage* image,
                       QString* why);

  private:
    int m_timeoutMs;
    Done m_done;
    std::thread m_worker;
    QObject m_context;  // answers are posted to it; it dies with this, and so do they
};
