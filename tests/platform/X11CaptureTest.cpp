// The pointer grab against a real X server. The parent test starts a private Xvfb and runs this
// executable again on it with the xcb platform; the child does the checks, a second X client
// (Xlib, XTest, XFixes) playing the other program.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QWidget>
#include <atomic>
#include <chrono>
#include <thread>

#include "platform/Form.h"
#include "platform/FormInstance.h"
#include "platform/Program.h"
#include "platform/WindowServices.h"
#include "tests/e2e/XSession.h"

// Last: Xlib defines None, Bool, Status and friends.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xfixes.h>

namespace {

constexpr const char* kChildVariable = "LUCIVANE_X11_CAPTURE_CHILD";

class GrabForm : public Form {
  public:
    int activations = 0;

  protected:
    void InitializeComponent(QWidget& window) override {
        window.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
        window.setGeometry(40, 40, 200, 150);
    }
    void Form_Activate() override { ++activations; }
};

FormInstance<GrabForm> fGrab;

void Pump(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 10);
}

// Whether another client can grab the pointer now; it lets go at once.
int OtherGrab(Display* other) {
    const int status = XGrabPointer(other, DefaultRootWindow(other), False, ButtonPressMask,
                                    GrabModeAsync, GrabModeAsync, None, None, CurrentTime);
    if (status == GrabSuccess) XUngrabPointer(other, CurrentTime);
    XSync(other, False);
    return status;
}

// The cursor X shows now has no visible pixel.
bool CursorBlank(Display* other) {
    XFixesCursorImage* image = XFixesGetCursorImage(other);
    if (!image) return false;
    bool blank = true;
    for (int i = 0; i < image->width * image->height; ++i)
        if ((image->pixels[i] >> 24) != 0) blank = false;
    XFree(image);
    return blank;
}

void Button(Display* other, bool press) {
    XTestFakeButtonEvent(other, 1, press ? True : False, 0);
    XSync(other, False);
    Pump(150);
}

TEST(X11Capture, GrabIsCheckedExclusiveAndGivenBack) {
    Xvfb x(640, 480);
    ASSERT_TRUE(x.ok()) << "Xvfb did not start";
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", QString::fromStdString(x.name()));
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.insert(kChildVariable, "1");
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QStringLiteral("/proc/self/exe"),
                {QStringLiteral("--gtest_filter=X11CaptureChild.*")});
    ASSERT_TRUE(child.waitForStarted(5000));
    const bool ended = child.waitForFinished(60000);
    const QByteArray output = child.readAll();
    if (!ended) child.kill();
    ASSERT_TRUE(ended) << output.toStdString();
    EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains("[  PASSED  ] 1 test")) << output.toStdString();
}

TEST(X11CaptureChild, OnXcb) {
    if (qEnvironmentVariableIsEmpty(kChildVariable))
        GTEST_SKIP() << "runs inside X11Capture.GrabIsCheckedExclusiveAndGivenBack";
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    Program::EndHook = [] {};
    Display* other = XOpenDisplay(nullptr);
    ASSERT_NE(other, nullptr);
    int eventBase = 0, errorBase = 0;
    const bool fixes = XFixesQueryExtension(other, &eventBase, &errorBase);

    fGrab->Show();
    for (int i = 0; i < 100 && fGrab->activations == 0; ++i) Pump(20);
    ASSERT_GE(fGrab->activations, 1);
    const uint32_t h = fGrab->hWnd();
    XTestFakeMotionEvent(other, -1, 100, 100, 0);  // over the window
    XSync(other, False);
    Pump(100);

    // A grab held by us keeps everyone else out; a release gives the pointer back.
    EXPECT_EQ(win::SetCapture(h), 0u);
    EXPECT_EQ(win::GetCapture(), h);
    EXPECT_EQ(OtherGrab(other), AlreadyGrabbed);
    if (fixes) {
        win::ShowCursor(0);
        Pump(50);
        EXPECT_TRUE(CursorBlank(other));
        win::ShowCursor(1);
        Pump(50);
        EXPECT_FALSE(CursorBlank(other));
    }
    EXPECT_NE(win::ReleaseCapture(), 0);
    EXPECT_EQ(win::GetCapture(), 0u);
    EXPECT_EQ(OtherGrab(other), GrabSuccess);

    // Another client holding the pointer: the grab is retried briefly, then fails honestly.
    ASSERT_EQ(XGrabPointer(other, DefaultRootWindow(other), False, ButtonPressMask, GrabModeAsync,
                           GrabModeAsync, None, None, CurrentTime),
              GrabSuccess);
    XSync(other, False);
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(win::SetCapture(h), 0u);
    EXPECT_EQ(win::GetCapture(), 0u);
    EXPECT_GE(clock.elapsed(), 150);
    EXPECT_LT(clock.elapsed(), 2000);
    // ... and succeeds when the other client lets go within the retry time.
    std::atomic<bool> held{false};
    std::thread letGo([&held, name = std::string(DisplayString(other))] {
        Display* third = XOpenDisplay(name.c_str());
        if (third) {
            XGrabPointer(third, DefaultRootWindow(third), False, ButtonPressMask, GrabModeAsync,
                         GrabModeAsync, None, None, CurrentTime);
            XSync(third, False);
        }
        held = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
        if (third) XCloseDisplay(third);  // its grab goes with it
    });
    XUngrabPointer(other, CurrentTime);
    XSync(other, False);
    while (!held) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(win::SetCapture(h), 0u);
    letGo.join();
    EXPECT_EQ(win::GetCapture(), h);

    Pump(100);  // late news of the other client's grabs must not end ours
    EXPECT_EQ(win::GetCapture(), h);
    EXPECT_EQ(OtherGrab(other), AlreadyGrabbed);
    // A click on the grabbing window ends the capture, as a button release does.
    Button(other, true);
    EXPECT_EQ(win::GetCapture(), h);
    EXPECT_EQ(OtherGrab(other), AlreadyGrabbed);
    Button(other, false);
    EXPECT_EQ(win::GetCapture(), 0u);
    EXPECT_EQ(OtherGrab(other), GrabSuccess);

    // A press without SetCapture: the automatic capture, ended by the release.
    Button(other, true);
    EXPECT_EQ(win::GetCapture(), h);
    Button(other, false);
    EXPECT_EQ(win::GetCapture(), 0u);

    // Focus taken away by another client ends the capture.
    fGrab->Window()->activateWindow();
    for (int i = 0; i < 50 && QApplication::activeWindow() != fGrab->Window(); ++i) Pump(20);
    if (QApplication::activeWindow() == fGrab->Window()) {
        win::SetCapture(h);
        ASSERT_EQ(win::GetCapture(), h);
        XSetInputFocus(other, PointerRoot, RevertToPointerRoot, CurrentTime);
        XSync(other, False);
        for (int i = 0; i < 50 && win::GetCapture() != 0; ++i) Pump(20);
        EXPECT_EQ(win::GetCapture(), 0u);
        EXPECT_EQ(OtherGrab(other), GrabSuccess);
    } else {
        std::cout << "the window did not become active; focus loss not checked" << std::endl;
    }

    // Unloading while grabbed gives the pointer back.
    win::SetCapture(h);
    ASSERT_EQ(win::GetCapture(), h);
    fGrab->Unload();
    Pump(50);
    EXPECT_EQ(win::GetCapture(), 0u);
    EXPECT_EQ(OtherGrab(other), GrabSuccess);

    FormInstanceBase::ReleaseAll();
    win::ResetWindowServices();
    XCloseDisplay(other);
    Program::EndHook = nullptr;
}

}  // namespace
