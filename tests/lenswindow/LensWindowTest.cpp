// The lens window over an injected screen image with a scripted pointer capture, opened the way
// Start opens it: activation, every frame against the per-pixel model, clamping, what each move
// restores, closing, the table and colour mask in use, the cursor, and a soak.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QWheelEvent>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <fstream>
#include <limits>

#include "gdi/Gdi.h"
#include "gdi/Surface.h"
#include "lenswindow/LensForm.h"
#include "panel/MainForm.h"
#include "platform/CaptureBackend.h"
#include "platform/Interaction.h"
#include "platform/Program.h"
#include "platform/ScreenCopy.h"
#include "platform/WindowServices.h"
#include "tests/lenswindow/LensModel.h"

namespace {

constexpr uint32_t kPoison = 0x00123456u;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

using Table = std::vector<mLens::tLensOffset>;
Table Entries(const mLens::LookUpTableType& t) { return Table(t.Data(), t.Data() + t.Count()); }

// Positions and surfaces are device pixels; `shown` is what the window surface must hold.
class LensWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Program::RunModeHook = [] { return 1; };
        Interaction::DateHook = [] { return QDate(2024, 1, 1); };
        win::ResetWindowServices();
        auto scripted = std::make_unique<ScriptedCapture>();
        capture = scripted.get();
        CaptureBackend::Install(std::move(scripted));
        QScreen* s = QGuiApplication::primaryScreen();
        ASSERT_NE(s, nullptr);
        ratio = s->devicePixelRatio();
        W = static_cast<int32_t>(std::lround(s->geometry().width() * ratio));
        H = static_cast<int32_t>(std::lround(s->geometry().height() * ratio));
        screen = Picture::Noise(W, H, 0xC0FFEE01u);
        ScreenCopy::SetSource([this] {
            return QImage(reinterpret_cast<const uchar*>(screen.pixels.data()), W, H,
                          QImage::Format_RGB32)
                .copy();
        });
        objectsBefore = gdi::LiveObjectCount();
        fMain->Show();
        QApplication::processEvents();
    }

    void TearDown() override {
        if (Open()) fLens->Unload();
        FormInstanceBase::ReleaseAll();
        QApplication::processEvents();
        CaptureBackend::Install(nullptr);
        ScreenCopy::SetSource(nullptr);
        win::ResetWindowServices();
        Program::RunModeHook = nullptr;
        Interaction::DateHook = nullptr;
        EXPECT_EQ(Form::LoadedCount(), 0);
        EXPECT_EQ(gdi::LiveObjectCount(), objectsBefore);
    }

    // The panel's settings; colour is the list index.
    void Settings(int radius, int factor, bool convex, int colour) {
        fMain->sbRadius->setValue(radius);
        fMain->sbFactor->setValue(factor);
        fMain->chkConvex->setCheckState(convex ? Qt::Checked : Qt::Unchecked);
        fMain->cbColorMask->setCurrentIndex(colour);
    }

    bool Open() const { return fLens.Exists() && fLens->IsLoaded(); }
    void WaitForActivation() {
        const auto active = [this] {
            return Open() && win::GetCapture() == fLens->hWnd() &&
                   LensForm::Frame().DesktopDIB.hDIB() != 0;
        };
        for (int i = 0; i < 400 && !active(); ++i)
            QApplication::processEvents(QEventLoop::AllEvents, 5);
        ASSERT_TRUE(active());
        QApplication::processEvents();
    }

    // Shows the lens window modeless, so the test keeps control; `beforeActivation` runs while
    // the activation is still pending.
    void OpenLens(const std::function<void()>& beforeActivation = {}) {
        LensForm::SetSettingsSource(fMain->LensSource());
        fLens->Show(0, &*fMain);
        shown = screen;
        if (beforeActivation) beforeActivation();
        WaitForActivation();
        model = std::make_unique<LensModel>(LensForm::Frame().LensSize);
    }

    // Marks the whole window so that any drawing shows.
    void Poison() {
        fLens->Surface()->fill(QColor(QRgb(kPoison)));
        shown = Picture(W, H, kPoison);
    }

    void MoveTo(double x, double y) {
        QWidget* w = fLens->Window();
        ASSERT_NE(w, nullptr);
        const QPointF local(x / ratio, y / ratio);
        QMouseEvent e(QEvent::MouseMove, local, w->mapToGlobal(local), Qt::NoButton, Qt::NoButton,
                      Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }

    // A click anywhere ends the capture; the next move closes the window.
    void ClickAndMove() {
        win::ButtonPressed(fLens->hWnd());
        win::ButtonReleased();
        MoveTo(W / 2.0, H / 2.0);
        QApplication::processEvents();
    }

    // The screen copy (or `lens`) over the lens square at (X, Y) in `shown`.
    void Paint(int32_t X, int32_t Y, const Picture* lens = nullptr,
               int32_t L = LensForm::Frame().LensSize) {
        for (int32_t b = 0; b < L; ++b)
            for (int32_t a = 0; a < L; ++a)
                if (shown.Contains(X + a, Y + b))
                    shown.At(X + a, Y + b) = lens ? lens->At(a, b) : screen.At(X + a, Y + b);
    }

    // Stops at the first window pixel that differs from `shown`.
    void ExpectWindow() {
        const QImage* surface = fLens->Surface();
        ASSERT_TRUE(surface && surface->size() == QSize(W, H));
        for (int32_t y = 0; y < H; ++y)
            for (int32_t x = 0; x < W; ++x)
                ASSERT_EQ(
                    reinterpret_cast<const uint32_t*>(surface->constScanLine(y))[x] & 0xFFFFFF,
                    shown.At(x, y))
                    << "pixel " << x << "," << y;
    }

    // Moves to (x, y): the square's corner is the clamped position minus R, ties to even; the
    // old square goes back to the screen copy and the new one shows the model.
    void MoveAndCheck(double x, double y) {
        const int32_t R = LensForm::LensRadius();
        const auto corner = [R](double v, int32_t max) {
            return static_cast<int32_t>(
                std::nearbyint((std::isnan(v) ? 0.0 : std::clamp(v, 0.0, double(max))) - R));
        };
        const int32_t X = corner(x, W - 1), Y = corner(y, H - 1);
        Paint(LensForm::Frame().LastX, LensForm::Frame().LastY);
        MoveTo(x, y);
        ASSERT_TRUE(Open());
        ASSERT_EQ(QPoint(LensForm::Frame().LastX, LensForm::Frame().LastY), QPoint(X, Y));
        const Picture lens = model->Frame(screen, X, Y);
        Paint(X, Y, &lens);
        ExpectWindow();
    }

    ScriptedCapture* capture = nullptr;
    double ratio = 1.0;
    int32_t W = 0, H = 0;
    Picture screen;
    Picture shown;
    uint32_t objectsBefore = 0;
    std::unique_ptr<LensModel> model;
};

TEST_F(LensWindowTest, NothingIsDrawnBeforeTheFirstMoveWhichDrawsTheLens) {
    Settings(100, 75, true, 0);
    OpenLens();
    Poison();  // anything drawn before the first move would show
    EXPECT_EQ(win::CursorCount(), -1);
    EXPECT_EQ(LensForm::Frame().LensSize, 200);
    // The focus holder sits just beyond the screen, and a repaint through it paints nothing.
    EXPECT_EQ(fLens->cmdDummy->pos(), QPoint(W, H));
    fLens->Refresh();
    QApplication::processEvents();
    ExpectWindow();
    MoveAndCheck(W / 2.0, H / 2.0);  // restores the previous opening's square too
    ClickAndMove();
    EXPECT_FALSE(Open());
}

TEST_F(LensWindowTest, ClampsAtEveryEdgeAndRoundsTiesToEven) {
    Settings(60, 90, true, 0);
    OpenLens();
    const double far = 1e6, any = 1e9, e = -60, x1 = W - 61, y1 = H - 61;
    // (x, y) and the corner expected: the centre, the edges from outside, the corners (the
    // square reaches R beyond the screen), halves that round to even, and no numbers.
    const double moves[][4] = {{W / 2.0, H / 2.0, any, any}, {-40, H / 2.0, e, any},
                               {W + 40.0, H / 3.0, x1, any}, {W / 3.0, -1, any, e},
                               {W / 4.0, H + 9.0, any, y1},  {-far, -far, e, e},
                               {far, -far, x1, e},           {far, far, x1, y1},
                               {-far, far, e, y1},           {0, 0, e, e},
                               {W - 1.0, H - 1.0, x1, y1},   {70.5, 71.5, 10, 12},
                               {91.5, 90.5, 32, 30},         {W / 2.0, 0.5, any, e},
                               {kNaN, kInf, e, y1}};
    for (const auto& m : moves) {
        SCOPED_TRACE(testing::Message() << "move " << m[0] << "," << m[1]);
        MoveAndCheck(m[0], m[1]);
        if (HasFatalFailure()) return;
        EXPECT_TRUE(m[2] == any || LensForm::Frame().LastX == m[2]) << LensForm::Frame().LastX;
        EXPECT_TRUE(m[3] == any || LensForm::Frame().LastY == m[3]) << LensForm::Frame().LastY;
    }
    ClickAndMove();
}

TEST_F(LensWindowTest, RandomMovesShowTheCopyOutsideTheLastSquareAndTheModelInside) {
    for (uint64_t seed : {11u, 4242u}) {
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        test_support::Rng random(seed);
        Settings(random.Range(50, 120), random.Range(5, 145), random.Coin(), random.Range(0, 6));
        OpenLens();
        for (int step = 0; step < 12; ++step) {
            const bool jump = random.Range(0, 2) == 0;
            const int32_t R = LensForm::LensRadius();
            const double x = jump ? random.Range(-100, W + 100)
                                  : LensForm::Frame().LastX + R + random.Range(-20, 20);
            const double y = jump ? random.Range(-100, H + 100)
                                  : LensForm::Frame().LastY + R + random.Range(-20, 20);
            MoveAndCheck(x, y);
            if (HasFatalFailure()) return;
        }
        // The focus holder's focus repaints the screen copy through the last square's clip.
        Poison();
        QFocusEvent focus(QEvent::FocusIn, Qt::OtherFocusReason);
        QApplication::sendEvent(fLens->cmdDummy, &focus);
        QApplication::processEvents();
        Paint(LensForm::Frame().LastX, LensForm::Frame().LastY);
        ExpectWindow();
        ClickAndMove();
        ASSERT_FALSE(Open());
    }
}

TEST_F(LensWindowTest, LostCaptureClosesAtTheNextMoveWithoutDrawing) {
    Settings(80, 75, true, 2);
    for (bool click : {true, false}) {
        SCOPED_TRACE(click ? "click" : "grab broken");
        OpenLens();
        MoveTo(300, 200);
        const int32_t X = LensForm::Frame().LastX, Y = LensForm::Frame().LastY;
        if (click) {
            win::ButtonPressed(fLens->hWnd());
            win::ButtonReleased();
        } else {
            capture->BreakGrab();
        }
        EXPECT_TRUE(Open());  // nothing closes it before the next move
        EXPECT_EQ(win::GetCapture(), 0u);
        QPointer<QWidget> window = fLens->Window();
        MoveTo(10, 10);
        EXPECT_FALSE(Open());
        // A move that still reaches the closing window neither draws nor loads it again.
        if (window) {
            QMouseEvent late(QEvent::MouseMove, QPointF(20, 20), QPointF(20, 20), Qt::NoButton,
                             Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(window, &late);
        }
        QApplication::processEvents();
        EXPECT_FALSE(Open());
        EXPECT_EQ(Form::LoadedCount(), 1);
        const LensFrame& f = LensForm::Frame();
        EXPECT_EQ(QPoint(f.LastX, f.LastY), QPoint(X, Y));
        EXPECT_EQ(f.DesktopDIB.hDIB() | f.LensDstDIB.hDIB() | f.LensSrcDIB.hDIB(), 0u);
        EXPECT_EQ(win::CursorCount(), 0);
        EXPECT_EQ(win::LockedWindow(), 0u);
        EXPECT_FALSE(capture->Grabbed());
        EXPECT_EQ(gdi::LiveObjectCount(), objectsBefore);
    }
}

TEST_F(LensWindowTest, TableIsBuiltOnlyWhenTheSettingsChangeAndTheColourIsUsed) {
    const auto built = [](int radius, int factor, int convex) {
        mLens::LookUpTableType t;
        t.Build(radius, factor, static_cast<int16_t>(convex));
        return Entries(t);
    };
    ASSERT_NE(built(50, 5, 0), built(50, 145, 0));
    ASSERT_NE(built(50, 75, 0), built(50, 75, -1));
    // Settings (radius, factor, convex, colour index), then whether a table of radius 9 that the
    // window did not build is in place with the settings moved away and back before the opening,
    // then the table (radius, factor, convex) and colour mask expected in use.
    const int steps[][9] = {
        {70, 40, 1, 0, 0, 70, 40, -1, 0xFFFFFF}, {70, 40, 1, 0, 1, 9, 30, -1, 0xFFFFFF},
        {70, 40, 1, 1, 0, 9, 30, -1, 0xFF0000},  {70, 41, 1, 1, 0, 70, 41, -1, 0xFF0000},
        {70, 41, 1, 3, 1, 9, 30, -1, 0x0000FF},  {50, 145, 0, 0, 0, 50, 5, 0, 0xFFFFFF},
        {50, 75, 1, 0, 0, 50, 75, -1, 0xFFFFFF}, {50, 75, 0, 0, 0, 50, 75, 0, 0xFFFFFF}};
    for (const auto& s : steps) {
        SCOPED_TRACE(testing::Message() << "step " << &s - steps);
        if (s[4]) {
            mLens::BuildLookUpTable(9, 30, -1);
            Settings(s[0] + 20, s[1], !s[2], 1);
        }
        Settings(s[0], s[1], s[2], s[3]);
        OpenLens();
        EXPECT_EQ(Entries(mLens::LookUpTable()), built(s[5], s[6], s[7]));
        EXPECT_EQ(mLens::ColorMask(), uint32_t(s[8]));
        MoveAndCheck(200, 150);  // the model reads the table and the mask in use
        if (HasFatalFailure()) return;
        ClickAndMove();
    }
}

TEST_F(LensWindowTest, CursorHiddenWhileOpenAndEveryWayOutGivesPointerAndCursorBack) {
    Settings(50, 75, true, 0);
    const auto expectClosed = [&](const char* how) {
        for (int i = 0; i < 100 && Open(); ++i)
            QApplication::processEvents(QEventLoop::AllEvents, 5);
        EXPECT_FALSE(Open()) << how;
        EXPECT_EQ(win::CursorCount(), 0) << how;
        EXPECT_FALSE(capture->Grabbed()) << how;
    };
    OpenLens();
    EXPECT_EQ(win::CursorCount(), -1);
    EXPECT_TRUE(capture->Grabbed());
    MoveAndCheck(120, 130);
    ClickAndMove();
    expectClosed("click and move");

    // Another window activated: closed without waiting for a move.
    OpenLens();
    MoveAndCheck(500, 330);
    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(fLens->Window(), &deactivate);
    expectClosed("deactivation");

    // Escape closes at once.
    OpenLens();
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(fLens->cmdDummy, &escape);
    expectClosed("Escape");

    // A pointer held by another program: no lens, a message, the cursor never hidden.
    QString told;
    Interaction::MsgBoxHook = [&](const QString& text, int, const QString&) {
        told = text;
        return 1;
    };
    capture->SetGrabSucceeds(false);
    LensForm::SetSettingsSource(fMain->LensSource());
    fLens->Show(0, &*fMain);
    for (int i = 0; i < 100 && told.isEmpty(); ++i)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    Interaction::MsgBoxHook = nullptr;
    EXPECT_TRUE(told.contains(QStringLiteral("鼠标")));
    expectClosed("grab failed");
}

// Wheel (w: plain, s: Shift, h: Shift turned horizontal; angle in eighths of a degree), arrow
// keys (k) and moves (m: to the centre, near the bottom-left and the top-right corner), each
// followed by the radius and factor expected; the window against the model after every step,
// and a step that changes nothing must draw nothing. The lens is drawn only after a first move.
TEST_F(LensWindowTest, WheelAndArrowsChangeFactorAndRadiusOnTheSpotAndThePanelKeepsThem) {
    using Q = Qt::Key;
    // clang-format off
    const int steps[][4] = {
        {'w', 120, 150, 80}, {'k', Q::Key_Right, 175, 80}, {'m', 0, 175, 80}, {'w', 90, 175, 80},
        {'w', 90, 175, 85}, {'w', 60, 175, 90}, {'s', 120, 200, 90}, {'h', -120, 175, 90},
        {'k', Q::Key_Up, 175, 95}, {'k', Q::Key_Down, 175, 90}, {'k', Q::Key_Left, 150, 90},
        {'w', -360, 150, 75}, {'m', 1, 150, 75}, {'k', Q::Key_Right, 175, 75}, {'s', 240, 225, 75},
        {'h', 960, 250, 75}, {'k', Q::Key_Right, 250, 75}, {'w', 2400, 250, 145},
        {'k', Q::Key_Up, 250, 145}, {'m', 2, 250, 145}, {'s', -1200, 50, 145},
        {'k', Q::Key_Left, 50, 145}, {'k', Q::Key_Down, 50, 140}};
    // clang-format on
    for (const bool convex : {false, true}) {
        SCOPED_TRACE(convex ? "convex" : "concave");
        Settings(150, 75, convex, 1);
        OpenLens();
        Poison();
        double px = -1, py = -1;
        int R = 150, F = 75;
        for (const auto& s : steps) {
            SCOPED_TRACE(testing::Message() << "step " << &s - steps);
            const LensFrame& f = LensForm::Frame();
            const int32_t oldX = f.LastX, oldY = f.LastY, oldL = f.LensSize;
            const bool same = R == s[2] && F == s[3];
            R = s[2], F = s[3];
            QWindow* window = fLens->Window()->windowHandle();
            if (s[0] == 'm') {
                const double at[][2] = {{W / 2.0, H / 2.0}, {20, H - 10.0}, {W - 5.0, 3}};
                px = at[s[1]][0], py = at[s[1]][1];
                model = std::make_unique<LensModel>(oldL);
                MoveAndCheck(px, py);
            } else if (s[0] == 'k') {
                QKeyEvent key(QEvent::KeyPress, s[1], Qt::NoModifier);
                QApplication::sendEvent(window, &key);
            } else {
                QWheelEvent wheel({5, 5}, {5, 5}, {},
                                  s[0] == 'h' ? QPoint(s[1], 0) : QPoint(0, s[1]), Qt::NoButton,
                                  s[0] == 'w' ? Qt::NoModifier : Qt::ShiftModifier,
                                  Qt::NoScrollPhase, false);
                QApplication::sendEvent(window, &wheel);
            }
            const LensSettings now = LensForm::Settings();
            ASSERT_EQ(QPoint(now.Radius, now.Factor), QPoint(R, F));
            EXPECT_EQ(QPoint(fMain->sbRadius->value(), fMain->sbFactor->value()), QPoint(R, F));
            mLens::LookUpTableType fresh;  // as a fresh opening builds it
            fresh.Build(R, convex ? F : 150 - F, convex ? -1 : 0);
            EXPECT_EQ(Entries(mLens::LookUpTable()), Entries(fresh));
            EXPECT_EQ(f.LensSize, 2 * R);
            if (s[0] != 'm' && !same && px >= 0) {
                // The whole old square back to the copy, the new lens around the last position.
                Paint(oldX, oldY, nullptr, oldL);
                if (oldL != 2 * R) model = std::make_unique<LensModel>(2 * R);
                const auto X = int32_t(std::nearbyint(px - R)), Y = int32_t(std::nearbyint(py - R));
                EXPECT_EQ(QPoint(f.LastX, f.LastY), QPoint(X, Y));
                const Picture lens = model->Frame(screen, X, Y);
                Paint(X, Y, &lens);
            }
            ExpectWindow();  // after an unchanged step still the poison alone
            if (HasFatalFailure()) return;
            Poison();
        }
        ClickAndMove();
        ASSERT_FALSE(Open());
        // The panel shows the values and its table test sees them as built; the next opening
        // draws with them.
        EXPECT_EQ(fMain->lblRadiusV->text() + " " + fMain->lblFactorV->text(), "50 140");
        EXPECT_EQ(fMain->Lens_UpdateLookUpTable(), 0);
        OpenLens();
        EXPECT_EQ(QPoint(LensForm::LensRadius(), LensForm::Frame().LensSize), QPoint(50, 100));
        MoveAndCheck(W / 3.0, H / 3.0);
        ClickAndMove();
    }
}

int64_t ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    int64_t pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

TEST_F(LensWindowTest, SoakHundredOpeningsOfHundredMovesLeaveNothingBehind) {
    Settings(150, 75, true, 0);
    test_support::Rng random(0x50A4u);
    int64_t resident = 0;
    uint32_t objects = 0;
    for (int i = 0; i < 103 && !HasFatalFailure(); ++i) {
        if (i == 3) {  // after warming up the table, the toolkit's caches and the allocator
            objects = gdi::LiveObjectCount();
            resident = ResidentBytes();
        }
        OpenLens();
        for (int move = 0; move < 100; ++move)
            MoveTo(random.Range(-50, W + 50), random.Range(-50, H + 50));
        ClickAndMove();
        ASSERT_FALSE(Open());
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    EXPECT_EQ(gdi::LiveObjectCount(), objects);
    EXPECT_EQ(win::CursorCount(), 0);
    // One opening holds a few MB; a leak of any surface per opening would add a hundred times.
    const int64_t grown = ResidentBytes() - resident;
    EXPECT_LT(grown, 8 << 20) << "resident set grew by " << grown << " bytes";
}

TEST(LensScreenSize, DevicePixelsFromTwips) {
    // (twips, twips per pixel, pixels): twips rounded first, the quotient truncated; fractional
    // twips per pixel divide exactly.
    const double cases[][3] = {
        {1920 * 15.0, 15.0, 1920}, {1080 * 12.0, 12.0, 1080},    {28799.6, 15.0, 1920},
        {28814.0, 15.0, 1920},     {3840 * 7.5, 7.5, 3840},      {2160 * 7.5, 7.5, 2160},
        {1000.0, 0.0, 0},          {1000.0, -15.0, 0},           {0.0, 15.0, 0},
        {kNaN, 15.0, 0},           {1e300, 15.0, INT32_MAX / 15}};
    for (const auto& c : cases)
        EXPECT_EQ(LensForm::DevicePixels(c[0], c[1]), int32_t(c[2])) << c[0] << " / " << c[1];
}

// One frame at a time into a surface of our own, whose DC reports every rectangle it changes:
// the same position paints the lens alone, a jump beyond the side both whole squares, an
// overlapping move the lens and the strips it leaves; missing surfaces and a stale DC draw
// nothing.
TEST(LensFrameAlone, EachMoveRestoresOnlyWhatTheNewSquareLeavesOfTheOldOne) {
    const uint32_t objects = gdi::LiveObjectCount();
    Picture window(96, 64, kPoison);
    int64_t area = 0;
    const gdi::HDC dc = gdi::CreateSurfaceDC(
        {window.pixels.data(), 96, 64},
        [&](const gdi::RECT& r) { area += int64_t{r.right - r.left} * (r.bottom - r.top); });
    {
        LensFrame frame;
        mLens::BuildLookUpTable(8, 75, -1);
        frame.LensSize = 16;
        frame.DrawLensFrame(dc, 5, 5);
        EXPECT_EQ(QPoint(frame.LastX, frame.LastY), QPoint(5, 5));
        EXPECT_TRUE(window == Picture(96, 64, kPoison));
        ASSERT_TRUE(frame.DesktopDIB.Create(96, 64) && frame.LensDstDIB.Create(16, 16) &&
                    frame.LensSrcDIB.Create(16, 16));
        // (X, Y, area painted); the last moves 3 right and 2 up.
        const int32_t moves[][3] = {
            {30, 20, 512}, {30, 20, 256}, {47, 20, 512}, {50, 18, 256 + 256 - 13 * 14}};
        for (const auto& m : moves) {
            area = 0;
            frame.DrawLensFrame(dc, m[0], m[1]);
            EXPECT_EQ(area, m[2]) << "move to " << m[0] << "," << m[1];
        }
        gdi::ReleaseSurfaceDC(dc);
        frame.DrawLensFrame(dc, 0, 0);
    }
    EXPECT_EQ(gdi::LiveObjectCount(), objects);
}

}  // namespace
