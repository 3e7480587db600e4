// The pointer grab and the root read against a real X server: a private Xvfb, this executable run
// again on it with the xcb platform, and a second X client (Xlib, XTest, XFixes) playing the other
// program.
#include "platform/X11Shm.h"
#include "tests/platform/PlatformTest.h"
#include "tests/support/Xvfb.h"

// Last: Xlib defines None, Bool, Status and friends.
#include "tests/support/XProbe.h"

namespace {

using namespace test_support;

// `h` holds the capture (0: nobody), and the pointer is grabbed exactly then, once the news of
// the last X event has arrived.
void ExpectCapture(Display* other, uint32_t h) {
    EXPECT_TRUE(QTest::qWaitFor([&] { return win::GetCapture() == h && PointerFree(other) == !h; }))
        << "holder " << win::GetCapture() << ", pointer free " << PointerFree(other);
}

// Moves the pointer over the form and waits until the form has seen it: X delivers in order,
// so everything the server sent before has been handled too.
void Fence(Display* other, int dx) {
    const size_t seen = fProbe->moves.size();
    const QPoint over = fProbe->Window()->mapToGlobal(QPoint(32 + dx, 24));
    XTestFakeMotionEvent(other, -1, over.x(), over.y(), 0);
    XSync(other, False);
    ASSERT_TRUE(QTest::qWaitFor([&] { return fProbe->moves.size() > seen; }));
}

void OnXcb() {
    Program::EndHook = [] {};
    Display* other = XOpenDisplay(nullptr);
    ASSERT_NE(other, nullptr);

    // Both ways of reading the root give the same pixels: through shared memory and through the
    // socket (what the surface presenter puts is checked end to end).
    QImage pattern(640, 480, QImage::Format_RGB32);
    for (int y = 0; y < pattern.height(); ++y)
        for (int x = 0; x < pattern.width(); ++x)
            reinterpret_cast<uint32_t*>(pattern.scanLine(y))[x] = ScreenAt(7, x, y);
    SetRootBackground(other, reinterpret_cast<const uint32_t*>(pattern.constBits()));
    const QRect area(30, 20, 200, 130);
    const QImage shared = X11RootCopy(area, true), socket = X11RootCopy(area, false);
    EXPECT_TRUE(X11ShmSegment(shared) != 0 && X11ShmSegment(socket) == 0);
    EXPECT_TRUE(shared == pattern.copy(area) && socket == pattern.copy(area));

    ShowAndActivate(*fProbe);
    const uint32_t h = fProbe->hWnd();
    Fence(other, 0);

    // A grab held by us keeps everyone else out, hides the cursor on demand, and is let go.
    EXPECT_EQ(win::SetCapture(h), 0u);
    ExpectCapture(other, h);
    for (int show = 0; show < 2; ++show) {
        win::ShowCursor(show);
        EXPECT_TRUE(QTest::qWaitFor([&] { return CursorBlank(other) == (show == 0); })) << show;
    }
    EXPECT_NE(win::ReleaseCapture(), 0);
    ExpectCapture(other, 0);

    // Another client holding the pointer: the grab fails honestly.
    XGrabPointer(other, DefaultRootWindow(other), False, ButtonPressMask, GrabModeAsync,
                 GrabModeAsync, None, None, CurrentTime);
    XSync(other, False);
    EXPECT_EQ(std::pair(win::SetCapture(h), win::GetCapture()), std::pair(0u, 0u));
    XUngrabPointer(other, CurrentTime);
    XSync(other, False);
    EXPECT_EQ(win::SetCapture(h), 0u);
    Fence(other, 1);  // late news of the other client's grab must not end ours
    ExpectCapture(other, h);

    // A click ends the capture taken by SetCapture; then a press captures by itself until its
    // release.
    for (bool press : {true, false, true, false}) {
        XTestFakeButtonEvent(other, 1, press ? True : False, 0);
        XSync(other, False);
        ExpectCapture(other, press ? h : 0);
    }

    // Focus taken away by another client, and then the unload, end the capture.
    fProbe->Window()->activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([] { return QApplication::activeWindow() == fProbe->Window(); }));
    for (bool unload : {false, true}) {
        win::SetCapture(h);
        ExpectCapture(other, h);
        if (unload)
            fProbe->Unload();
        else
            XSetInputFocus(other, PointerRoot, RevertToPointerRoot, CurrentTime);
        XSync(other, False);
        ExpectCapture(other, 0);
    }
    FormInstanceBase::ReleaseAll();
    XCloseDisplay(other);
}
// Runs again as a child of this executable on the private server, with the xcb platform, where
// the same test runs the body: only there, as it takes the pointer and repaints the root window.
TEST(X11Capture, GrabIsCheckedExclusiveAndGivenBack) {
    if (qEnvironmentVariableIsSet("LUCIVANE_X11_CHILD")) return OnXcb();
    Xvfb x(QSize(640, 480));
    ASSERT_TRUE(x.ok()) << "Xvfb did not start";
    OwnedProcess child;
    QProcessEnvironment env = x.ClientEnvironment();
    env.insert(QStringLiteral("LUCIVANE_X11_CHILD"), QStringLiteral("1"));
    ASSERT_TRUE(
        x.Start(child, QStringLiteral("/proc/self/exe"), env, {"--gtest_filter=X11Capture.*"}));
    const bool ended = child.waitForFinished(60000);
    const std::string output = child.readAllStandardOutput().toStdString();
    EXPECT_TRUE(ended && child.exitCode() == 0 &&
                output.find("[  PASSED  ] 1 test") != std::string::npos)
        << output;
}

}  // namespace
