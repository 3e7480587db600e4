// The pointer grab against a real X server. The parent test starts a private Xvfb and runs this
// executable again on it with the xcb platform; the child does the checks, a second X client
// (Xlib, XTest, XFixes) playing the other program.
#include "tests/platform/PlatformTest.h"
#include "tests/support/Xvfb.h"

// Last: Xlib defines None, Bool, Status and friends.
#include <X11/Xlib.h>
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
    EXPECT_TRUE(child.process.exitCode() == 0 && output.find("[  PASSED  ] 1 test") != output.npos)
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
