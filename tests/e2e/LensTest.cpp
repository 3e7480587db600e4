// The real program on a private X server whose root window shows a seeded random pattern: the
// panel with its captions; Start, moves over the whole screen compared pixel for pixel with the
// lens model, a click and a move to close, the panel usable afterwards; Exit with status 0.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QSet>
#include <memory>
#include <vector>

#include "lens/mLens.h"
#include "tests/e2e/XSession.h"
#include "tests/lenswindow/LensModel.h"

// Last: Xlib defines None, Bool, Status and friends.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xfixes.h>

namespace {

constexpr int kWidth = 1024, kHeight = 768;

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
    // Starts Xvfb with the pattern and the program at `scale`; finds the panel, centred.
    void Start(int scale) {
        scale_ = scale;
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });  // windows come and go
        x_ = std::make_unique<Xvfb>(kWidth, kHeight);
        ASSERT_TRUE(x_->ok()) << "Xvfb did not start";
        pattern_ = Picture::Noise(kWidth, kHeight, 20121206);
        SetRootPattern();
        ASSERT_EQ(Changed(Shot(), pattern_), 0);
        if (scale != 1) setenv("QT_SCALE_FACTOR", std::to_string(scale).c_str(), 1);
        program_ = std::make_unique<ChildProcess>(LUCIVANE_EXE, x_->name());
        unsetenv("QT_SCALE_FACTOR");
        ASSERT_TRUE(program_->started());
        panel_ = FindWindow(dpy(), "Lucivane", QSize(300, 232) * scale, 15000);
        ASSERT_FALSE(panel_.isEmpty()) << "no panel window";
        EXPECT_EQ(panel_.topLeft(), QPoint(kWidth - panel_.width(), kHeight - panel_.height()) / 2);
        WaitUntilStill();
    }

    Display* dpy() const { return x_->display(); }

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

    // Whether a viewable top-level window covers the whole screen.
    bool CoversScreen() const {
        Window root = DefaultRootWindow(dpy()), parent = 0, *children = nullptr;
        unsigned count = 0;
        bool found = false;
        if (!XQueryTree(dpy(), root, &root, &parent, &children, &count)) return false;
        for (unsigned i = 0; i < count && !found; ++i) {
            XWindowAttributes a;
            found = XGetWindowAttributes(dpy(), children[i], &a) && a.map_state == IsViewable &&
                    QRect(a.x, a.y, a.width, a.height) == QRect(0, 0, kWidth, kHeight);
        }
        if (children) XFree(children);
        return found;
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
    // checked against the model (the first saved as `shotName`), then a click and a move to
    // close.
    void Open(Settings s, const std::vector<QPoint>& points, const std::string& shotName,
              const std::vector<Input>& inputs = {}) {
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
        EXPECT_EQ(Changed(copy, pattern_, panel_), 0);

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

        // A click, then a move: the lens closes and the screen is the pattern again.
        Click(dpy(), last);
        Pause(50);
        MovePointer(last.x() > 10 ? last - QPoint(3, 2) : last + QPoint(3, 2));
        ASSERT_TRUE(WaitFor([&] { return !CoversScreen(); }, 5000))
            << "the lens window did not close after a click and a move";
        EXPECT_TRUE(PointerFree()) << "the pointer was not given back";
        WaitUntilStill();
        EXPECT_EQ(Changed(Shot(), pattern_, panel_), 0);
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
        const int status = program_->Wait(10000);
        ASSERT_NE(status, -1) << "the program did not end after Exit";
        EXPECT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }

    int scale_ = 1;
    std::unique_ptr<Xvfb> x_;
    std::unique_ptr<ChildProcess> program_;
    Picture pattern_;
    QRect panel_;
};

TEST_F(LensEndToEnd, PanelThenConvexConcaveAndRedLensesMatchTheModelEverywhereThenExit) {
    Start(1);
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
         {{4, nullptr, false, 150, 80},
          {5, nullptr, true, 125, 80},
          {0, "Up", false, 125, 85},
          {0, "Right", false, 150, 85},
          {4, nullptr, true, 175, 85},
          {0, "Left", false, 150, 85},
          {0, "Down", false, 150, 80},
          {5, nullptr, true, 125, 80},
          {4, nullptr, false, 125, 85}});
    if (HasFatalFailure()) return;
    ExpectPanelAnswers();  // the panel kept radius 125 and factor 85: radius 125 -> 150

    ClickPanel(56, 24);  // concave
    Open(Settings{false, 150, 85, 0xFFFFFF}, {{512, 384}, {W, 10}, {5, H}, {300, 200}},
         "lens-concave.png");
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
    Start(2);
    if (HasFatalFailure()) return;
    // Odd device positions cannot be hit by a rounded logical position.
    Open(Settings{}, {{513, 385}, {0, 0}, {kWidth - 1, 501}, {77, 767}}, "lens-scale2.png");
    if (HasFatalFailure()) return;
    ExpectPanelAnswers();
    ExitProgram();
}

}  // namespace
