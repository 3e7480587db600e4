#pragma once
// A private X server (Xvfb on a display number it picks itself) and the program started on it,
// both killed when the objects go. Plain POSIX and Xlib; no window manager runs.

#include <sys/types.h>

#include <QImage>
#include <QRect>
#include <string>

typedef struct _XDisplay Display;

class Xvfb {
  public:
    Xvfb(int width, int height);
    ~Xvfb();
    Xvfb(const Xvfb&) = delete;
    Xvfb& operator=(const Xvfb&) = delete;

    bool ok() const { return display_ != nullptr; }
    const std::string& name() const { return name_; }  // ":N"
    Display* display() const { return display_; }

  private:
    pid_t pid_ = -1;
    std::string name_;
    Display* display_ = nullptr;
};

class ChildProcess {
  public:
    // Starts `exe` with DISPLAY set to `display` and QT_QPA_PLATFORM unset.
    ChildProcess(const std::string& exe, const std::string& display);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return pid_ > 0; }
    // Waits up to `ms` for the process to end; returns its wait status, or -1 on timeout.
    int Wait(int ms);

  private:
    pid_t pid_ = -1;
};

// A mapped top-level window whose name is `title` and whose size is `size`; waits up to `ms`.
// Returns its rectangle in root coordinates, or an empty rectangle.
QRect FindWindow(Display* dpy, const std::string& title, QSize size, int ms);

// A screen area read back through XGetImage.
QImage Grab(Display* dpy, const QRect& area);

// A left click at a root position through XTest.
void Click(Display* dpy, QPoint at);

// Pixels darker than `limit` (average of the three channels) inside `area` of `image`.
int DarkPixels(const QImage& image, const QRect& area, int limit = 96);
