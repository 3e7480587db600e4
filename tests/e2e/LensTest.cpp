// The real program on a private X server whose root window shows a seeded random pattern: the
// panel with its captions; Start, moves over the whole desktop compared pixel for pixel with the
// lens model, a way out (click and move, Escape, minimise), the panel usable afterwards; Exit
// with status 0. On Xvfb alone, under openbox with a dock, and on two monitors (Xorg, dummy
// driver) at equal and at mixed scale factors.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QSet>
#include <memory>
#include <vector>

#include "lens/mLens.h"
#include "tests/e2e/XSession.h"
#include "tests/lenswindow/LensModel.h"
#include "tests/support/Xvfb.h"

// Last: Xlib defines None, Bool, Status and friends.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xfixes.h>

namespace {

using test_support::OwnedProcess;
using test_support::Xvfb;

enum class Exit { ClickAndMove, Escape, Minimise };

struct Settings {
    bool convex = true;
    int radius = 150;
    int factor = 75;
    uint32_t mask = 0xFFFFFF;
};

// A wheel notch (button 4 up, 5 down) or a key (keysym), with or without Shift, and the radius
// and factor it leads to.
struct Input {
    int button = 0;
    const char* key = nullptr;
    bool shift = false;
    int radius = 0;
    int factor = 0;
};

void Pause(int ms) { usleep(static_cast<useconds_t>(ms) * 1000); }

// Polls `done` every 20 ms for up to `ms`.
template <class Done>
bool WaitFor(Done done, int ms) {
    for (int waited = 0; !done(); waited += 20, Pause(20))
        if (waited >= ms) return false;
    return true;
}

// Pixels that differ between `a` and `b` inside `area`, or outside it when `inside` is false.
long Changed(const Picture& a, const Picture& b, const QRect& area = {}, bool inside = false) {
    long n = 0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x)
            n += area.contains(x, y) == inside && a.At(x, y) != b.At(x, y);
    return n;
}

void Save(const Picture& p, const std::string& name) {
    QImage(reinterpret_cast<const uchar*>(p.pixels.data()), p.width, p.height, QImage::Format_RGB32)
        .save(QString::fromStdString(E2E_OUT_DIR "/" + name));
}

class LensEndToEnd : public ::testing::Test {
  protected:
    void TearDown() override {
        program_.reset();
        if (dpy_) XCloseDisplay(dpy_);
    }

    // Starts the program on `x` (running, the root showing the pattern) with `scaleEnv` (name
    // and value, e.g. QT_SCALE_FACTOR=2); finds the panel, centred on the first monitor.
    void Start(std::unique_ptr<Xvfb> x, QList<QRect> monitors, int scale = 1,
               const char* scaleEnv = nullptr) {
        scale_ = scale;
        monitors_ = monitors;
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });  // windows come and go
        x_ = std::move(x);
        ASSERT_TRUE(x_->ok()) << "the X server did not start";
        dpy_ = XOpenDisplay(x_->display().toLocal8Bit().constData());
        ASSERT_NE(dpy_, nullptr);
        kWidth = DisplayWidth(dpy_, DefaultScreen(dpy_));
        kHeight = DisplayHeight(dpy_, DefaultScreen(dpy_));
        pattern_ = Picture::Noise(kWidth, kHeight, 20121206);
        SetRootPattern();
        if (dock_) AddDock();
        WaitUntilStill();
        QProcessEnvironment env = x_->ClientEnvironment();
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        if (scaleEnv) {
            const QString pair = QString::fromLatin1(scaleEnv);
            env.insert(pair.section('=', 0, 0), pair.section('=', 1));
        }
        program_ = std::make_unique<OwnedProcess>();
        ASSERT_TRUE(x_->Start(*program_, QStringLiteral(LUCIVANE_EXE), env));
        panel_ = FindWindow(dpy(), "Lucivane", QSize(300, 232) * scale, 15000);
        ASSERT_FALSE(panel_.isEmpty()) << "no panel window";
        const QRect first = monitors.value(0, QRect(0, 0, kWidth, kHeight));
        if (!x_->StartedOpenbox()) {  // openbox places by its own rules
            EXPECT_EQ(panel_.center(), first.center()) << "the panel is not centred";
        }
        WaitUntilStill();
        screen_ = Shot();
    }

    void StartOnXvfb(int scale = 1) {
        Start(std::make_unique<Xvfb>(QSize(1024, 768)), {}, scale,
              scale == 1 ? nullptr : "QT_SCALE_FACTOR=2");
    }

    // A dock along the top edge that reserves 40 pixels, as desktop panels do.
    void AddDock() {
        const Window dock = XCreateSimpleWindow(dpy(), DefaultRootWindow(dpy()), 0, 0,
                                                unsigned(kWidth), 40, 0, 0, 0x00C08040);
        const auto atom = [this](const char* name) { return XInternAtom(dpy(), name, False); };
        const Atom type = atom("_NET_WM_WINDOW_TYPE_DOCK");
        XChangeProperty(dpy(), dock, atom("_NET_WM_WINDOW_TYPE"), XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&type), 1);
        const long strut[12] = {0, 0, 40, 0, 0, 0, 0, 0, 0, kWidth - 1, 0, 0};
        XChangeProperty(dpy(), dock, atom("_NET_WM_STRUT_PARTIAL"), XA_CARDINAL, 32,
                        PropModeReplace, reinterpret_cast<const unsigned char*>(strut), 12);
        XChangeProperty(dpy(), dock, atom("_NET_WM_STRUT"), XA_CARDINAL, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(strut), 4);
        XSizeHints at{};
        at.flags = USPosition | PPosition;  // where it was created: the top edge
        XSetWMNormalHints(dpy(), dock, &at);
        XMapWindow(dpy(), dock);
        XSync(dpy(), False);
    }

    Display* dpy() const { return dpy_; }

    // The pattern as the root window's background, kept by the server and redrawn on exposure.
    void SetRootPattern() {
        const int s = DefaultScreen(dpy());
        const Window root = RootWindow(dpy(), s);
        const Pixmap pixmap = XCreatePixmap(dpy(), root, kWidth, kHeight, DefaultDepth(dpy(), s));
        XImage* image = XCreateImage(dpy(), DefaultVisual(dpy(), s), DefaultDepth(dpy(), s),
                                     ZPixmap, 0, nullptr, kWidth, kHeight, 32, 0);
        image->data = static_cast<char*>(malloc(size_t(image->bytes_per_line) * kHeight));
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) XPutPixel(image, x, y, pattern_.At(x, y));
        const GC gc = XCreateGC(dpy(), pixmap, 0, nullptr);
        XPutImage(dpy(), pixmap, gc, image, 0, 0, 0, 0, kWidth, kHeight);
        XFreeGC(dpy(), gc);
        XDestroyImage(image);  // frees the data too
        XSetWindowBackgroundPixmap(dpy(), root, pixmap);
        XFreePixmap(dpy(), pixmap);
        XClearWindow(dpy(), root);
        XSync(dpy(), False);
    }

    Picture Shot() const {
        Picture p(kWidth, kHeight);
        XImage* x =
            XGetImage(dpy(), DefaultRootWindow(dpy()), 0, 0, kWidth, kHeight, AllPlanes, ZPixmap);
        for (int y = 0; x && y < kHeight; ++y)
            for (int xx = 0; xx < kWidth; ++xx)
                p.At(xx, y) = static_cast<uint32_t>(XGetPixel(x, xx, y)) & 0x00FFFFFFu;
        if (x) XDestroyImage(x);
        return p;
    }

    // Until two shots in a row agree.
    void WaitUntilStill() {
        Picture before = Shot();
        for (int i = 0; i < 50; ++i) {
            Pause(150);
            Picture now = Shot();
            if (now == before) return;
            before = std::move(now);
        }
    }

    void MovePointer(QPoint at) {
        XTestFakeMotionEvent(dpy(), -1, at.x(), at.y(), 0);
        XSync(dpy(), False);
    }

    QPoint PointerAt() const {
        Window root = 0, child = 0;
        int rx = 0, ry = 0, wx = 0, wy = 0;
        unsigned mask = 0;
        XQueryPointer(dpy(), DefaultRootWindow(dpy()), &root, &child, &rx, &ry, &wx, &wy, &mask);
        return {rx, ry};
    }

    // Whether another client could grab the pointer now (it lets go at once).
    bool PointerFree() const {
        const int status = XGrabPointer(dpy(), DefaultRootWindow(dpy()), False, ButtonPressMask,
                                        GrabModeAsync, GrabModeAsync, None, None, CurrentTime);
        if (status == GrabSuccess) XUngrabPointer(dpy(), CurrentTime);
        XSync(dpy(), False);
        return status == GrabSuccess;
    }

    // Whether the cursor X shows has no visible pixel.
    bool CursorBlank() const {
        XFixesCursorImage* image = XFixesGetCursorImage(dpy());
        if (!image) return false;
        bool blank = true;
        for (int i = 0; i < image->width * image->height; ++i)
            blank &= (image->pixels[i] >> 24) == 0;
        XFree(image);
        return blank;
    }

    // Whether viewable top-level windows cover each monitor exactly (the whole screen without
    // monitors).
    bool CoversScreen() const {
        Window root = DefaultRootWindow(dpy()), parent = 0, *children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(dpy(), root, &root, &parent, &children, &count)) return false;
        QList<QRect> viewable;
        for (unsigned i = 0; i < count; ++i) {
            XWindowAttributes a;
            if (XGetWindowAttributes(dpy(), children[i], &a) && a.map_state == IsViewable)
                viewable << QRect(a.x, a.y, a.width, a.height);
        }
        if (children) XFree(children);
        const QList<QRect> wanted =
            monitors_.isEmpty() ? QList<QRect>{QRect(0, 0, kWidth, kHeight)} : monitors_;
        for (const QRect& m : wanted)
            if (!viewable.contains(m)) return false;
        return true;
    }

    // A point of the panel given in its design pixels.
    QPoint OnPanel(int x, int y) const { return panel_.topLeft() + QPoint(x, y) * scale_; }

    void ClickPanel(int x, int y) {
        Click(dpy(), OnPanel(x, y));
        Pause(200);
    }

    void Key(const char* keysym) {
        const KeyCode code = XKeysymToKeycode(dpy(), XStringToKeysym(keysym));
        XTestFakeKeyEvent(dpy(), code, True, 0);
        XTestFakeKeyEvent(dpy(), code, False, 0);
        XSync(dpy(), False);
    }

    // The captions are drawn (dark pixels in each), and the face is not blank.
    void ExpectCaptions() {
        const QRect captions[] = {{17, 41, 68, 15},  {17, 87, 46, 15},   {136, 87, 46, 15},
                                  {17, 125, 46, 15}, {136, 125, 46, 15}, {64, 16, 114, 16},
                                  {224, 16, 60, 41}, {224, 80, 60, 25},  {224, 128, 60, 44}};
        QImage shot;
        WaitFor(
            [&] {
                shot = Grab(dpy(), panel_);
                for (const QRect& r : captions)
                    if (shot.isNull() || DarkPixels(shot, r) < 8) return false;
                return true;
            },
            5000);
        ASSERT_FALSE(shot.isNull());
        EXPECT_TRUE(shot.save(E2E_OUT_DIR "/panel.png"));
        for (const QRect& r : captions) EXPECT_GE(DarkPixels(shot, r), 8) << r.x() << "," << r.y();
        QSet<QRgb> colours;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x) colours.insert(shot.pixel(x, y));
        EXPECT_GT(colours.size(), 20);
        EXPECT_EQ(DarkPixels(shot, QRect(190, 60, 30, 40)), 0);  // between labels and buttons
    }

    void Press(const Input& in) {
        const KeyCode shift = XKeysymToKeycode(dpy(), XStringToKeysym("Shift_L"));
        if (in.shift) XTestFakeKeyEvent(dpy(), shift, True, 0);
        if (in.key) Key(in.key);
        if (in.button) XTestFakeButtonEvent(dpy(), in.button, True, 0);
        if (in.button) XTestFakeButtonEvent(dpy(), in.button, False, 0);
        if (in.shift) XTestFakeKeyEvent(dpy(), shift, False, 0);
        XSync(dpy(), False);
    }

    // One opening: Start, a frame at each point, then one after each input at the last point,
    // checked against the model (the first saved as `shotName`), then `exit` closes it.
    void Open(Settings s, const std::vector<QPoint>& points, const std::string& shotName,
              const std::vector<Input>& inputs = {}, Exit exit = Exit::ClickAndMove) {
        MovePointer(OnPanel(254, 36));  // the screen as it is with the pointer resting on Start
        WaitUntilStill();
        const Picture before = Shot();
        Click(dpy(), OnPanel(254, 36));
        ASSERT_TRUE(WaitFor([&] { return CoversScreen() && !PointerFree(); }, 10000))
            << "the lens window did not open and grab the pointer";
        EXPECT_TRUE(WaitFor([&] { return CursorBlank(); }, 2000)) << "the cursor shows";
        WaitUntilStill();  // let the activation finish

        // Nothing changed on screen; only the Start button may show its click.
        const Picture copy = Shot();
        const QRect startButton(OnPanel(224, 16), QSize(60, 41) * scale_);
        EXPECT_EQ(Changed(copy, before, startButton), 0) << "the screen changed at the opening";
        EXPECT_EQ(Changed(copy, screen_, panel_), 0);

        // The model: the table and mask the program builds, applied pixel by pixel here.
        mLens::SetColorMask(s.mask);
        auto model = std::make_unique<LensModel>(0);
        QPoint last = PointerAt();
        for (size_t k = 0; k < points.size() + inputs.size(); ++k) {
            if (k < points.size()) {
                MovePointer(points[k]);
            } else {
                Press(inputs[k - points.size()]);
                s.radius = inputs[k - points.size()].radius;
                s.factor = inputs[k - points.size()].factor;
            }
            const QPoint at = PointerAt();  // the server keeps it on screen
            SCOPED_TRACE(testing::Message() << "step " << k << " at " << at.x() << "," << at.y());
            ASSERT_TRUE(k >= points.size() || at != last) << "test points must move the pointer";
            last = at;
            if (k == 0 || k >= points.size()) {
                mLens::BuildLookUpTable(s.radius, s.convex ? s.factor : 150 - s.factor,
                                        s.convex ? -1 : 0);
                model = std::make_unique<LensModel>(2 * s.radius);
            }
            const int X = at.x() - s.radius, Y = at.y() - s.radius;
            const Picture lens = model->Frame(copy, X, Y);
            Picture expected = copy, shot;
            for (int b = 0; b < lens.height; ++b)
                for (int a = 0; a < lens.width; ++a)
                    if (expected.Contains(X + a, Y + b)) expected.At(X + a, Y + b) = lens.At(a, b);
            const bool same = WaitFor([&] { return (shot = Shot()) == expected; }, 5000);
            if (k == 0 || !same) Save(shot, (same ? "" : "failed-") + shotName);
            if (!same) Save(expected, "failed-" + shotName + ".expected.png");
            ASSERT_TRUE(same) << Changed(shot, expected) << " pixels differ from the model";
        }

        // The way out; the screen is as before again.
        if (exit == Exit::ClickAndMove) {
            Click(dpy(), last);
            Pause(50);
            MovePointer(last.x() > 10 ? last - QPoint(3, 2) : last + QPoint(3, 2));
        } else if (exit == Exit::Escape) {
            Key("Escape");
        } else {
            Window focus = 0;
            int revert = 0;
            XGetInputFocus(dpy(), &focus, &revert);
            XIconifyWindow(dpy(), focus, DefaultScreen(dpy()));
            XSync(dpy(), False);
        }
        ASSERT_TRUE(WaitFor([&] { return !CoversScreen(); }, 5000))
            << "the lens window did not close (way out " << int(exit) << ")";
        EXPECT_TRUE(WaitFor([&] { return PointerFree(); }, 2000))
            << "the pointer was not given back";
        WaitUntilStill();
        EXPECT_EQ(Changed(Shot(), screen_, panel_), 0);
        MovePointer(OnPanel(150, 200));  // the cursor shows again, over the panel too
        Pause(100);
        EXPECT_FALSE(CursorBlank());
    }

    // The panel answers: a page step on the radius scroll bar changes its value label.
    void ExpectPanelAnswers() {
        const Picture before = Shot();
        ClickPanel(150, 109);
        WaitUntilStill();
        const QRect label(OnPanel(136, 87), QSize(46, 15) * scale_);
        EXPECT_GT(Changed(before, Shot(), label, true), 0) << "the radius label did not change";
    }

    void ExitProgram() {
        ClickPanel(254, 92);
        QProcess& p = program_->process;
        if (!p.waitForFinished(10000)) Save(Shot(), "failed-exit.png");
        ASSERT_EQ(p.state(), QProcess::NotRunning) << "the program did not end after Exit";
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p.exitCode(), 0);
    }

    int kWidth = 0, kHeight = 0;
    int scale_ = 1;
    bool dock_ = false;
    QList<QRect> monitors_;
    std::unique_ptr<Xvfb> x_;
    Display* dpy_ = nullptr;
    std::unique_ptr<OwnedProcess> program_;
    Picture pattern_;
    Picture screen_;  // the screen with the panel up: the pattern, any dock, the panel's frame
    QRect panel_;
};

TEST_F(LensEndToEnd, PanelThenConvexConcaveAndRedLensesMatchTheModelEverywhereThenExit) {
    StartOnXvfb();
    if (HasFatalFailure()) return;
    ExpectCaptions();
    const int W = kWidth - 1, H = kHeight - 1;
    // Centre, the four edges, the four corners, then beyond the screen (the server clamps).
    Open(Settings{},
         {{512, 384},
          {0, 300},
          {W, 400},
          {600, 0},
          {400, H},
          {0, 0},
          {W, 0},
          {0, H},
          {W, H},
          {200, 150},
          {-40, -30},
          {1500, 2000}},
         "lens-convex.png",
         // At the corner: the wheel and the arrows change the factor and the radius.
         // clang-format off
         {{4, nullptr, false, 150, 80}, {5, nullptr, true, 125, 80}, {0, "Up", false, 125, 85},
          {0, "Right", false, 150, 85}, {4, nullptr, true, 175, 85}, {0, "Left", false, 150, 85},
          {0, "Down", false, 150, 80}, {5, nullptr, true, 125, 80}, {4, nullptr, false, 125, 85}});
    // clang-format on
    if (HasFatalFailure()) return;
    ExpectPanelAnswers();  // the panel kept radius 125 and factor 85: radius 125 -> 150

    ClickPanel(56, 24);  // concave
    Open(Settings{false, 150, 85, 0xFFFFFF}, {{512, 384}, {W, 10}, {5, H}, {300, 200}},
         "lens-concave.png", {}, Exit::Escape);
    if (HasFatalFailure()) return;

    ClickPanel(56, 24);   // convex again
    ClickPanel(100, 67);  // the colour list; the next entry is red
    Key("Down");
    Key("Return");
    Pause(200);
    Open(Settings{true, 150, 85, 0xFF0000}, {{512, 384}, {100, 700}}, "lens-red.png");
    if (HasFatalFailure()) return;
    ExitProgram();
}

TEST_F(LensEndToEnd, AtScaleFactorTwoTheLensCentreIsThePointerPixel) {
    StartOnXvfb(2);
    if (HasFatalFailure()) return;
    // Odd device positions cannot be hit by a rounded logical position.
    Open(Settings{}, {{513, 385}, {0, 0}, {kWidth - 1, 501}, {77, 767}}, "lens-scale2.png");
    if (HasFatalFailure()) return;
    ExpectPanelAnswers();
    ExitProgram();
}

// openbox with a dock reserving the top 40 pixels: the lens covers the dock too, the picture is
// not shifted, and minimising the lens ends it like a lost capture.
TEST_F(LensEndToEnd, UnderOpenboxWithADockTheLensCoversTheWholeScreenAndMinimiseEndsIt) {
    if (!Xvfb::Installed("openbox")) GTEST_SKIP() << "openbox is not installed";
    auto x = std::make_unique<Xvfb>(QSize(1024, 768));
    ASSERT_TRUE(x->StartOpenbox()) << "openbox did not start";
    dock_ = true;
    Start(std::move(x), {});
    if (HasFatalFailure()) return;
    const int W = kWidth - 1, H = kHeight - 1;
    Open(Settings{}, {{512, 10}, {0, 0}, {W, 0}, {300, 40}, {0, H}, {W, H}, {512, 384}},
         "lens-openbox.png", {}, Exit::Minimise);
    if (HasFatalFailure()) return;
    ExpectPanelAnswers();
    ExitProgram();
}

// Two monitors side by side (the first primary), each 1280 × 1024, at the scales given.
class TwoMonitorEndToEnd : public LensEndToEnd {
  protected:
    void Run(const char* scales, const std::string& shot) {
        const QList<QRect> monitors{{0, 0, 1280, 1024}, {1280, 0, 1280, 1024}};
        auto x = Xvfb::XorgDummy(QSize(2560, 1024), monitors);
        if (!x->ok()) GTEST_SKIP() << "no Xorg with the dummy driver (needs root)";
        Start(std::move(x), monitors, 1, scales);
        if (HasFatalFailure()) return;
        // Each monitor, straddling the border, the corners of the desktop.
        Open(Settings{},
             {{640, 512},
              {1920, 500},
              {1280, 300},
              {1279, 700},
              {1281, 1023},
              {2559, 0},
              {0, 1023},
              {2559, 1023},
              {1300, 0}},
             shot);
        if (HasFatalFailure()) return;
        ExpectPanelAnswers();
        ExitProgram();
    }
};

TEST_F(TwoMonitorEndToEnd, TheLensFollowsThePointerOverBothMonitorsAndTheirBorder) {
    Run(nullptr, "lens-two-monitors.png");
}

TEST_F(TwoMonitorEndToEnd, AtMixedScaleFactorsEachMonitorShowsItsOwnDevicePixels) {
    Run("QT_SCREEN_SCALE_FACTORS=M0=1;M1=2", "lens-mixed-scale.png");
}

}  // namespace
