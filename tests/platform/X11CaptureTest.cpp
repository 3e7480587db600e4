// The pointer grab against a real X server. The parent test starts a private Xvfb and runs this
// executable again on it with the xcb platform; the child does the checks, a second X client
// (Xlib, XTest, XFixes) playing the other program.
#include "platform/SurfacePresenter.h"
#include "platform/X11Shm.h"
#include "tests/platform/PlatformTest.h"
#include "tests/support/Xvfb.h"

// Last: Xlib defines None, Bool, Status and friends.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xfixes.h>

namespace {

const auto Pump = [](int ms) { SpinUntil([] { return false; }, ms); };

int GrabRoot(Display* d) {
    const int status = XGrabPointer(d, DefaultRootWindow(d), False, ButtonPressMask, GrabModeAsync,
                                    GrabModeAsync, None, None, CurrentTime);
    XSync(d, False);
    return status;
}

// `h` holds the capture (0: nobody), and another client finds the pointer grabbed exactly then.
void ExpectCapture(Display* other, uint32_t h) {
    EXPECT_EQ(win::GetCapture(), h);
    const int status = GrabRoot(other);
    if (status == GrabSuccess) XUngrabPointer(other, CurrentTime);
    XSync(other, False);
    EXPECT_EQ(status, h ? AlreadyGrabbed : GrabSuccess);
}

// The cursor X shows now has no visible pixel.
bool CursorBlank(Display* other) {
    XFixesCursorImage* image = XFixesGetCursorImage(other);
    bool blank = image != nullptr;
    for (int i = 0; blank && i < image->width * image->height; ++i)
        blank = (image->pixels[i] >> 24) == 0;
    XFree(image);
    return blank;
}

void Button(Display* other, bool press) {
    XTestFakeButtonEvent(other, 1, press ? True : False, 0);
    XSync(other, False);
    Pump(150);
}

TEST(X11Capture, GrabIsCheckedExclusiveAndGivenBack) {
    test_support::Xvfb x(QSize(640, 480));
    ASSERT_TRUE(x.ok()) << "Xvfb did not start";
    test_support::OwnedProcess child;
    child.process.setProcessEnvironment(x.ClientEnvironment());
    child.process.setProcessChannelMode(QProcess::MergedChannels);
    child.process.start(QStringLiteral("/proc/self/exe"), {"--gtest_filter=X11CaptureChild.*"});
    const bool ended = child.process.waitForFinished(60000);
    const std::string output = child.process.readAll().toStdString();
    ASSERT_TRUE(ended) << output;
    EXPECT_TRUE(child.process.exitCode() == 0 && output.find("[  PASSED  ] 2 tests") != output.npos)
        << output;
}

TEST(X11CaptureChild, OnXcb) {
    if (QGuiApplication::platformName() != QStringLiteral("xcb"))
        GTEST_SKIP() << "runs inside X11Capture.GrabIsCheckedExclusiveAndGivenBack";
    Program::EndHook = [] {};
    Display* other = XOpenDisplay(nullptr);
    ASSERT_NE(other, nullptr);
    ShowAndActivate(*fProbe);
    const uint32_t h = fProbe->hWnd();
    const QPoint over = fProbe->Window()->mapToGlobal(QPoint(32, 24));
    XTestFakeMotionEvent(other, -1, over.x(), over.y(), 0);
    XSync(other, False);
    Pump(100);

    // A grab held by us keeps everyone else out, hides the cursor on demand, and is let go.
    EXPECT_EQ(win::SetCapture(h), 0u);
    ExpectCapture(other, h);
    for (int show = 0; show < 2; ++show) {
        win::ShowCursor(show);
        Pump(50);
        EXPECT_EQ(CursorBlank(other), show == 0);
    }
    EXPECT_NE(win::ReleaseCapture(), 0);
    ExpectCapture(other, 0);

    // Another client holding the pointer: the grab is retried briefly, then fails honestly.
    ASSERT_EQ(GrabRoot(other), GrabSuccess);
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(win::SetCapture(h), 0u);
    EXPECT_EQ(win::GetCapture(), 0u);
    EXPECT_TRUE(clock.elapsed() >= 150 && clock.elapsed() < 2000) << clock.elapsed();
    XUngrabPointer(other, CurrentTime);
    XSync(other, False);
    EXPECT_EQ(win::SetCapture(h), 0u);
    Pump(100);  // late news of the other client's grab must not end ours
    ExpectCapture(other, h);

    // A click ends the capture taken by SetCapture; then a press captures by itself until its
    // release.
    for (int round = 0; round < 2; ++round) {
        Button(other, true);
        ExpectCapture(other, h);
        Button(other, false);
        ExpectCapture(other, 0);
    }

    // Focus taken away by another client ends the capture (when the window became active).
    fProbe->Window()->activateWindow();
    if (SpinUntil([] { return QApplication::activeWindow() == fProbe->Window(); })) {
        win::SetCapture(h);
        ASSERT_EQ(win::GetCapture(), h);
        XSetInputFocus(other, PointerRoot, RevertToPointerRoot, CurrentTime);
        XSync(other, False);
        SpinUntil([] { return win::GetCapture() == 0; });
        ExpectCapture(other, 0);
    }

    win::SetCapture(h);  // unloading while grabbed gives the pointer back
    ASSERT_EQ(win::GetCapture(), h);
    fProbe->Unload();
    Pump(50);
    ExpectCapture(other, 0);
    FormInstanceBase::ReleaseAll();
    XCloseDisplay(other);
}

}  // namespace

namespace {

// Pixels of `d`'s window `w` in `r`, as 0x00RRGGBB.
QImage Read(Display* d, unsigned long w, const QRect& r) {
    XImage* x = XGetImage(d, w, r.x(), r.y(), r.width(), r.height(), AllPlanes, ZPixmap);
    QImage image(r.size(), QImage::Format_RGB32);
    for (int y = 0; y < r.height(); ++y)
        for (int i = 0; i < r.width(); ++i)
            reinterpret_cast<uint32_t*>(image.scanLine(y))[i] =
                uint32_t(x ? XGetPixel(x, i, y) : 0) & 0xFFFFFFu;
    if (x) XDestroyImage(x);
    return image;
}

// Both ways in and out of the server give the same pixels: the root read through shared memory
// and through the socket; a surface put from a shared segment and from plain memory.
TEST(X11CaptureChild, SharedAndSocketCopies) {
    if (QGuiApplication::platformName() != QStringLiteral("xcb"))
        GTEST_SKIP() << "runs inside X11Capture.GrabIsCheckedExclusiveAndGivenBack";
    Program::EndHook = [] {};
    Display* other = XOpenDisplay(nullptr);
    ASSERT_NE(other, nullptr);
    QImage pattern(200, 130, QImage::Format_RGB32);
    for (int y = 0; y < pattern.height(); ++y)
        for (int x = 0; x < pattern.width(); ++x)
            reinterpret_cast<uint32_t*>(pattern.scanLine(y))[x] = ScreenAt(7, x, y);
    XImage* put = XCreateImage(other, DefaultVisual(other, 0), 24, ZPixmap, 0,
                               reinterpret_cast<char*>(pattern.bits()), 200, 130, 32, 0);
    XPutImage(other, DefaultRootWindow(other), DefaultGC(other, 0), put, 0, 0, 30, 20, 200, 130);
    put->data = nullptr;
    XDestroyImage(put);
    XSync(other, False);

    const QRect area(30, 20, 200, 130);
    const QImage shared = X11RootCopy(area, true), socket = X11RootCopy(area, false);
    EXPECT_NE(X11ShmSegment(shared), 0u);
    EXPECT_EQ(X11ShmSegment(socket), 0u);
    EXPECT_TRUE(shared == pattern && socket == pattern);

    ShowAndActivate(*fProbe);
    QWidget& window = *fProbe->Window();
    SurfacePresenter* presenter = SurfacePresenter::Current();
    ASSERT_TRUE(presenter && presenter->Accepts(window));
    QImage segment = X11ShmImage(pattern.size());
    ASSERT_FALSE(segment.isNull());
    for (int y = 0; y < pattern.height(); ++y)
        memcpy(segment.scanLine(y), pattern.constScanLine(y), size_t(pattern.width()) * 4);
    for (const QImage* surface : {&pattern, &segment}) {
        xcb_connection_t* c = X11Connection();
        presenter->Put(window, *surface, QRect(0, 0, 64, 48), QPoint(0, 0));  // the whole window
        presenter->Put(window, *surface, QRect(150, 100, 60, 40), QPoint(20, 10));  // clipped
        free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));  // all put by now
        const QImage shown = Read(other, window.winId(), QRect(0, 0, 64, 48));
        QImage expected = pattern.copy(0, 0, 64, 48);
        for (int y = 0; y < 30; ++y)
            memcpy(expected.scanLine(10 + y) + 80, pattern.constScanLine(100 + y) + 600, 44 * 4);
        EXPECT_EQ(shown, expected) << (surface == &segment ? "shared" : "socket");
    }
    fProbe->Unload();
    FormInstanceBase::ReleaseAll();
    XCloseDisplay(other);
}

}  // namespace
