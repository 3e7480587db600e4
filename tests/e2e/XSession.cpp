#include "tests/e2e/XSession.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// Ends a child: a polite signal first, then a hard one.
void Stop(pid_t pid) {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    for (int i = 0; i < 100; ++i) {
        if (waitpid(pid, nullptr, WNOHANG) == pid) return;
        Sleep(20);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

}  // namespace

Xvfb::Xvfb(int width, int height) {
    int fds[2];
    if (pipe(fds) != 0) return;
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    const std::string fd = std::to_string(fds[1]);
    pid_ = fork();
    if (pid_ == 0) {
        close(fds[0]);
        const int null = open("/dev/null", O_WRONLY);
        if (null >= 0) {
            dup2(null, 1);
            dup2(null, 2);
        }
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-noreset",
               "-nolisten", "tcp", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    if (pid_ < 0) {
        close(fds[0]);
        return;
    }
    // Xvfb writes the display number it chose once it accepts connections.
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    const auto deadline = Clock::now() + std::chrono::seconds(15);
    while (Clock::now() < deadline && number.find('\n') == std::string::npos) {
        if (poll(&p, 1, 200) <= 0) continue;
        char buf[32];
        const ssize_t n = read(fds[0], buf, sizeof buf);
        if (n <= 0) break;
        number.append(buf, static_cast<size_t>(n));
    }
    close(fds[0]);
    while (!number.empty() && (number.back() == '\n' || number.back() == '\r')) number.pop_back();
    if (number.empty()) return;
    name_ = ":" + number;
    display_ = XOpenDisplay(name_.c_str());
}

Xvfb::~Xvfb() {
    if (display_) XCloseDisplay(display_);
    Stop(pid_);
}

ChildProcess::ChildProcess(const std::string& exe, const std::string& display) {
    pid_ = fork();
    if (pid_ == 0) {
        setenv("DISPLAY", display.c_str(), 1);
        unsetenv("QT_QPA_PLATFORM");
        unsetenv("WAYLAND_DISPLAY");
        execl(exe.c_str(), exe.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
}

ChildProcess::~ChildProcess() { Stop(pid_); }

int ChildProcess::Wait(int ms) {
    if (pid_ <= 0) return -1;
    const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
    do {
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return status;
        }
        Sleep(20);
    } while (Clock::now() < deadline);
    return -1;
}

QRect FindWindow(Display* dpy, const std::string& title, QSize size, int ms) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
    do {
        Window root = DefaultRootWindow(dpy), parent = 0, *children = nullptr;
        unsigned count = 0;
        QRect found;
        if (XQueryTree(dpy, root, &root, &parent, &children, &count)) {
            for (unsigned i = 0; i < count && found.isEmpty(); ++i) {
                XWindowAttributes a;
                if (!XGetWindowAttributes(dpy, children[i], &a) || a.map_state != IsViewable)
                    continue;
                if (a.width != size.width() || a.height != size.height()) continue;
                char* name = nullptr;
                if (XFetchName(dpy, children[i], &name) && name) {
                    if (title == name) found = QRect(a.x, a.y, a.width, a.height);
                    XFree(name);
                }
            }
            if (children) XFree(children);
        }
        if (!found.isEmpty()) return found;
        Sleep(50);
    } while (Clock::now() < deadline);
    return {};
}

QImage Grab(Display* dpy, const QRect& area) {
    XImage* x = XGetImage(dpy, DefaultRootWindow(dpy), area.x(), area.y(),
                          static_cast<unsigned>(area.width()), static_cast<unsigned>(area.height()),
                          AllPlanes, ZPixmap);
    if (!x) return {};
    QImage image(area.size(), QImage::Format_RGB32);
    for (int y = 0; y < area.height(); ++y)
        for (int xx = 0; xx < area.width(); ++xx)
            image.setPixel(xx, y, static_cast<QRgb>(XGetPixel(x, xx, y)) | 0xFF000000u);
    XDestroyImage(x);
    return image;
}

void Click(Display* dpy, QPoint at) {
    XTestFakeMotionEvent(dpy, -1, at.x(), at.y(), 0);
    XSync(dpy, False);
    Sleep(50);
    XTestFakeButtonEvent(dpy, 1, True, 0);
    XSync(dpy, False);
    Sleep(50);
    XTestFakeButtonEvent(dpy, 1, False, 0);
    XSync(dpy, False);
}

int DarkPixels(const QImage& image, const QRect& area, int limit) {
    int dark = 0;
    const QRect r = area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QRgb p = image.pixel(x, y);
            if ((qRed(p) + qGreen(p) + qBlue(p)) / 3 < limit) ++dark;
        }
    return dark;
}
