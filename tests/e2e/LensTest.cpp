// The lens window of the real program on a private X server whose root window shows a known
// random pattern: Start, moves over the whole screen compared pixel for pixel with a model of
// the lens, a click and a move to close, and the panel usable afterwards.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QRect>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <vector>

#include "lens/mLens.h"
#include "tests/e2e/XScreen.h"
#include "tests/e2e/XSession.h"

namespace {

constexpr int kWidth = 1024;
constexpr int kHeight = 768;
constexpr uint32_t kPatternSeed = 20121206;

struct Settings {
    bool convex = true;
    int radius = 150;
    int factor = 75;
    uint32_t mask = 0xFFFFFF;
};

void Pause(int ms) { usleep(static_cast<useconds_t>(ms) * 1000); }

class LensEndToEnd : public ::testing::Test {
  protected:
    // Starts Xvfb with the pattern and the program at `scale`; finds the panel.
    void Start(int scale) {
        scale_ = scale;
        xscreen::IgnoreXErrors();
        x_ = std::make_unique<Xvfb>(kWidth, kHeight);
        ASSERT_TRUE(x_->ok()) << "Xvfb did not start";
        pattern_ = Picture::Noise(kWidth, kHeight, kPatternSeed);
        xscreen::SetRootPattern(dpy(), pattern_);
        ASSERT_EQ(xscreen::Differences(xscreen::Shot(dpy()), pattern_), 0);
        if (scale != 1) setenv("QT_SCALE_FACTOR", std::to_string(scale).c_str(), 1);
        program_ = std::make_unique<ChildProcess>(LUCIVANE_EXE, x_->name());
        unsetenv("QT_SCALE_FACTOR");
        ASSERT_TRUE(program_->started());
        panel_ = FindWindow(dpy(), "Lucivane", QSize(300, 232) * scale, 15000);
        ASSERT_FALSE(panel_.isEmpty()) << "no panel window";
        WaitUntilStill();
    }

    Display* dpy() const { return x_->display(); }

    // A point of the panel given in its design pixels.
    QPoint OnPanel(int x, int y) const { return panel_.topLeft() + QPoint(x, y) * scale_; }

    void ClickPanel(int x, int y) {
        xscreen::MovePointer(dpy(), OnPanel(x, y));
        Pause(100);
        xscreen::Button(dpy(), true);
        Pause(50);
        xscreen::Button(dpy(), false);
        Pause(200);
    }

    // Until two shots in a row agree.
    void WaitUntilStill() {
        Picture before = xscreen::Shot(dpy());
        for (int i = 0; i < 50; ++i) {
            Pause(150);
            Picture now = xscreen::Shot(dpy());
            if (xscreen::Differences(before, now) == 0) return;
            before = std::move(now);
        }
    }

    // The screen outside the panel shows the pattern.
    long PatternDifferencesOutsidePanel(const Picture& shot) const {
        long n = 0;
        for (int y = 0; y < shot.height; ++y)
            for (int x = 0; x < shot.width; ++x)
                if (!panel_.contains(x, y) && shot.At(x, y) != pattern_.At(x, y)) ++n;
        return n;
    }

    // One opening: Start, a frame at each point checked against the model, then a click and
    // a move to close. `shotAt` names the point whose screenshot is saved as `shotName`.
    void Open(const Settings& s, const std::vector<QPoint>& points, size_t shotAt,
              const std::string& shotName) {
        // The screen as it is with the pointer resting on Start.
        xscreen::MovePointer(dpy(), OnPanel(254, 36));
        WaitUntilStill();
        const Picture before = xscreen::Shot(dpy());
        xscreen::Button(dpy(), true);
        Pause(50);
        xscreen::Button(dpy(), false);

        // Ready when the window covers the screen and holds the pointer.
        bool ready = false;
        for (int i = 0; i < 500 && !ready; ++i) {
            ready = xscreen::CoversScreen(dpy(), QSize(kWidth, kHeight)) &&
                    !xscreen::PointerFree(dpy());
            if (!ready) Pause(20);
        }
        ASSERT_TRUE(ready) << "the lens window did not open and grab the pointer";
        // The cursor hides right after the grab.
        bool blank = false;
        for (int i = 0; i < 100 && !blank; ++i) {
            blank = xscreen::CursorBlank(dpy());
            if (!blank) Pause(20);
        }
        EXPECT_TRUE(blank) << "the cursor shows over the lens";
        WaitUntilStill();  // let the activation finish

        // Nothing changed on screen; only the Start button may show its click.
        const Picture copy = xscreen::Shot(dpy());
        const QRect startButton(OnPanel(224, 16), QSize(60, 41) * scale_);
        long changed = 0;
        for (int y = 0; y < copy.height; ++y)
            for (int x = 0; x < copy.width; ++x)
                if (!startButton.contains(x, y) && copy.At(x, y) != before.At(x, y)) ++changed;
        EXPECT_EQ(changed, 0) << "the screen changed when the lens opened";
        if (changed != 0) {
            QRect where;
            xscreen::Differences(copy, before, &where);
            std::cout << "changed within " << where.x() << "," << where.y() << " " << where.width()
                      << "x" << where.height() << std::endl;
            xscreen::Save(copy, E2E_OUT_DIR "/failed-open-" + shotName);
            xscreen::Save(before, E2E_OUT_DIR "/failed-before-" + shotName);
        }
        EXPECT_EQ(PatternDifferencesOutsidePanel(copy), 0);

        // The model: the table and mask the program builds, applied pixel by pixel here.
        mLens::BuildLookUpTable(s.radius, s.convex ? s.factor : 150 - s.factor, s.convex ? -1 : 0);
        mLens::SetColorMask(s.mask);
        const int R = s.radius;
        LensModel model(2 * R);
        QPoint last = xscreen::PointerAt(dpy());
        for (size_t k = 0; k < points.size(); ++k) {
            xscreen::MovePointer(dpy(), points[k]);
            const QPoint at = xscreen::PointerAt(dpy());  // the server keeps it on screen
            SCOPED_TRACE(testing::Message()
                         << "move " << k << " to " << points[k].x() << "," << points[k].y()
                         << " (pointer " << at.x() << "," << at.y() << ")");
            ASSERT_NE(at, last) << "test points must move the pointer";
            last = at;
            const int X = at.x() - R, Y = at.y() - R;
            const Picture lens = model.Frame(copy, X, Y);
            Picture expected = copy;
            for (int b = 0; b < lens.height; ++b)
                for (int a = 0; a < lens.width; ++a)
                    if (expected.Contains(X + a, Y + b)) expected.At(X + a, Y + b) = lens.At(a, b);
            Picture shot;
            const long differing = xscreen::WaitForScreen(dpy(), expected, 5000, &shot);
            QRect where;
            xscreen::Differences(shot, expected, &where);
            EXPECT_EQ(differing, 0) << "differing pixels within " << where.x() << "," << where.y()
                                    << " " << where.width() << "x" << where.height();
            if (k == shotAt || differing != 0) {
                const std::string path =
                    std::string(E2E_OUT_DIR "/") + (differing ? "failed-" : "") + shotName;
                xscreen::Save(shot, path);
                std::cout << "screenshot: " << path << std::endl;
                if (differing != 0) xscreen::Save(expected, path + ".expected.png");
            }
            if (differing != 0) {
                // Tell a misplaced lens from a wrong one.
                for (int dy = -2; dy <= 2; ++dy)
                    for (int dx = -2; dx <= 2; ++dx) {
                        LensModel shifted(2 * R);
                        const Picture l = shifted.Frame(copy, X + dx, Y + dy);
                        Picture e = copy;
                        for (int b = 0; b < l.height; ++b)
                            for (int a = 0; a < l.width; ++a)
                                if (e.Contains(X + dx + a, Y + dy + b))
                                    e.At(X + dx + a, Y + dy + b) = l.At(a, b);
                        if (xscreen::Differences(shot, e) == 0)
                            ADD_FAILURE() << "the lens is off by " << dx << "," << dy;
                    }
                break;
            }
        }

        // A click, then a move: the lens closes and the screen is the pattern again.
        xscreen::Button(dpy(), true);
        Pause(50);
        xscreen::Button(dpy(), false);
        Pause(50);
        xscreen::MovePointer(dpy(), last.x() > 10 ? last - QPoint(3, 2) : last + QPoint(3, 2));
        bool closed = false;
        for (int i = 0; i < 250 && !closed; ++i) {
            closed = !xscreen::CoversScreen(dpy(), QSize(kWidth, kHeight));
            if (!closed) Pause(20);
        }
        ASSERT_TRUE(closed) << "the lens window did not close after a click and a move";
        EXPECT_TRUE(xscreen::PointerFree(dpy())) << "the pointer was not given back";
        WaitUntilStill();
        EXPECT_EQ(PatternDifferencesOutsidePanel(xscreen::Shot(dpy())), 0);
        // The cursor shows again, over the panel too.
        xscreen::MovePointer(dpy(), OnPanel(150, 200));
        Pause(100);
        EXPECT_FALSE(xscreen::CursorBlank(dpy()));
    }

    // The panel answers: a page step on the radius scroll bar changes its value label.
    void ExpectPanelAnswers() {
        const QRect label(OnPanel(136, 87), QSize(46, 15) * scale_);
        const Picture before = xscreen::Shot(dpy());
        ClickPanel(150, 109);
        WaitUntilStill();
        const Picture after = xscreen::Shot(dpy());
        long changed = 0;
        for (int y = label.top(); y <= label.bottom(); ++y)
            for (int x = label.left(); x <= label.right(); ++x)
                changed += before.At(x, y) != after.At(x, y);
        EXPECT_GT(changed, 0) << "the radius label did not change";
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

TEST_F(LensEndToEnd, ConvexConcaveAndRedLensesMatchTheModelEverywhereOnScreen) {
    Start(1);
    if (HasFatalFailure()) return;
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
         0, "lens-convex.png");
    if (HasFatalFailure()) return;
    ExpectPanelAnswers();  // radius 150 -> 175

    ClickPanel(56, 24);  // concave
    Open(Settings{false, 175, 75, 0xFFFFFF}, {{512, 384}, {W, 10}, {5, H}, {300, 200}}, 0,
         "lens-concave.png");
    if (HasFatalFailure()) return;

    ClickPanel(56, 24);   // convex again
    ClickPanel(100, 67);  // the colour list; the next entry is red
    xscreen::Key(dpy(), "Down");
    xscreen::Key(dpy(), "Return");
    Pause(200);
    Open(Settings{true, 175, 75, 0xFF0000}, {{512, 384}, {100, 700}}, 0, "lens-red.png");
    if (HasFatalFailure()) return;
    ExitProgram();
}

TEST_F(LensEndToEnd, AtScaleFactorTwoTheLensCentreIsThePointerPixel) {
    Start(2);
    if (HasFatalFailure()) return;
    // Odd device positions cannot be hit by a rounded logical position.
    Open(Settings{}, {{513, 385}, {0, 0}, {kWidth - 1, 501}, {77, 767}}, 0, "lens-scale2.png");
    if (HasFatalFailure()) return;
    ExpectPanelAnswers();
    ExitProgram();
}

}  // namespace
