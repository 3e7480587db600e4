#include "tests/e2e/XSession.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

void Sleep(int ms) { usleep(static_cast<useconds_t>(ms) * 1000); }

// Ends a child: a polite signal first, a hard one two seconds later.
void Stop(pid_t pid) {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    for (int i = 0; i < 100; ++i, Sleep(20))
        if (waitpid(pid, nullptr, WNOHANG) == pid) return;
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
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-noreset",
               "-nolisten", "tcp", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    // Xvfb writes the display number it chose once it accepts connections.
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    char c = 0;
    while (pid_ > 0 && poll(&p, 1, 15000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
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
    for (int waited = 0; pid_ > 0 && waited <= ms; waited += 20, Sleep(20)) {
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return status;
        }
    }
    return -1;
}

QRect FindWindow(Display* dpy, const std::string& title, QSize size, int ms) {
    for (int waited = 0; waited <= ms; waited += 50, Sleep(50)) {
        Window root = DefaultRootWindow(dpy), parent = 0, *children = nullptr;
        unsigned count = 0;
        QRect found;
        if (!XQueryTree(dpy, root, &root, &parent, &children, &count)) continue;
        for (unsigned i = 0; i < count && found.isEmpty(); ++i) {
            XWindowAttributes a;
            char* name = nullptr;
            if (XGetWindowAttributes(dpy, children[i], &a) && a.map_state == IsViewable &&
                QSize(a.width, a.height) == size && XFetchName(dpy, children[i], &name) && name) {
                if (title == name) found = QRect(a.x, a.y, a.width, a.height);
                XFree(name);
            }
        }
        if (children) XFree(children);
        if (!found.isEmpty()) return found;
    }
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
            dark += (qRed(p) + qGreen(p) + qBlue(p)) / 3 < limit;
        }
    return dark;
}
