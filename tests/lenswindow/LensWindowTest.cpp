// The lens window over an injected screen image with a scripted pointer capture, opened the way
// Start opens it: every frame against the per-pixel model, clamping, what each move restores,
// the ways out, the table and colour mask in use, the wheel and keys.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <algorithm>
#include <cmath>

#include "gdi/Gdi.h"
#include "lenswindow/LensForm.h"
#include "panel/MainForm.h"
#include "platform/CaptureBackend.h"
#include "platform/Interaction.h"
#include "platform/ScreenCopy.h"
#include "platform/WindowServices.h"
#include "tests/support/LensModel.h"

namespace {

// Positions and surfaces are device pixels; `shown` is what the window surface must hold.
class LensWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        win::ResetWindowServices();
        auto scripted = std::make_unique<ScriptedCapture>();
        capture = scripted.get();
        CaptureBackend::Install(std::move(scripted));
        QScreen* s = QGuiApplication::primaryScreen();
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

    // Shows the lens window modeless, so the test keeps control, waits for the activation, and
    // marks the whole window so that any drawing shows.
    void OpenLens() {
        LensForm::SetSettingsSource(fMain->LensSource());
        fLens->Show(0, &*fMain);
        ASSERT_TRUE(QTest::qWaitFor([this] {
            return Open() && win::GetCapture() == fLens->hWnd() &&
                   LensForm::Frame().DesktopDIB.hDIB() != 0;
        }));
        QApplication::processEvents();
        model = std::make_unique<LensModel>(LensForm::Frame().LensSize);
        const QRgb poison = 0x00123456u;
        fLens->Surface()->fill(QColor(poison));
        shown = Picture(W, H, poison);
    }

    void MoveTo(double x, double y) {
        QWidget* w = fLens->Window();
        const QPointF local(x / ratio, y / ratio);
        QMouseEvent e(QEvent::MouseMove, local, w->mapToGlobal(local), Qt::NoButton, Qt::NoButton,
                      Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }

    // The screen copy (or `lens`) over the last lens square in `shown`.
    void Paint(const Picture* lens = nullptr) {
        const LensFrame& f = LensForm::Frame();
        const int32_t X = f.LastX, Y = f.LastY, L = f.LensSize;
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

    // The lens around (x, y) shows the model, and the rest of the window `shown`: the square's
    // corner is the clamped position minus R, ties to even.
    void ExpectLensAround(double x, double y) {
        const int32_t R = LensForm::LensRadius();
        const auto corner = [R](double v, int32_t max) {
            return static_cast<int32_t>(
                std::nearbyint((std::isnan(v) ? 0.0 : std::clamp(v, 0.0, double(max))) - R));
        };
        const int32_t X = corner(x, W - 1), Y = corner(y, H - 1);
        ASSERT_TRUE(Open());
        ASSERT_EQ(QPoint(LensForm::Frame().LastX, LensForm::Frame().LastY), QPoint(X, Y));
        const Picture lens = model->Frame(screen, X, Y);
        Paint(&lens);
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

// Random settings and moves: anywhere around the screen, near the last centre, on a half (a
// tie, rounded to even), far off, or no number. Nothing is drawn before the first move, not even
// by a repaint; each move restores the last square from the copy and shows the model in the new,
// clamped one; the focus holder's focus repaints the copy through the last square's clip.
// Then one way out each: a click or a broken grab ends the capture and the next move closes the
// window; another window activated or Escape close it at once; a pointer held by another program
// gives a message and no lens. Each way gives the pointer and the cursor back, releases every
// surface, keeps the last square's corner, and a move that still reaches the closing window
// neither draws nor loads it again.
TEST_F(LensWindowTest, EveryMoveShowsTheModelAndEveryWayOutGivesAllBack) {
    enum Way { Click, GrabBroken, Deactivated, Escape, GrabFailed };
    for (const Way way : {Click, GrabBroken, Deactivated, Escape, GrabFailed}) {
        SCOPED_TRACE(testing::Message() << "way out " << int(way));
        test_support::Rng random(11 + way);
        const int radius = random.Range(50, 120);
        Settings(radius, random.Range(5, 145), random.Coin(), random.Range(0, 6));
        QString told;
        Interaction::MsgBoxHook = [&](const QString& text, int, const QString&) {
            told = text;
            return 1;
        };
        capture->SetGrabSucceeds(way != GrabFailed);
        if (way == GrabFailed) {
            LensForm::SetSettingsSource(fMain->LensSource());
            fLens->Show(0, &*fMain);
            ASSERT_TRUE(QTest::qWaitFor([&] { return !told.isEmpty(); }));
        } else {
            OpenLens();
            EXPECT_EQ(win::CursorCount(), -1);
            EXPECT_TRUE(capture->Grabbed());
            EXPECT_EQ(LensForm::Frame().LensSize, 2 * radius);
            EXPECT_EQ(fLens->cmdDummy->pos(), QPoint(W, H));  // just beyond the screen
            fLens->Refresh();
            QApplication::processEvents();
            ExpectWindow();
            const auto coordinate = [&random](int32_t last, int32_t size) -> double {
                const double odd[] = {NAN, INFINITY, -INFINITY};
                const double kinds[] = {double(random.Range(-100, size + 100)),
                                        double(last + random.Range(-20, 20)),
                                        random.Range(0, size) + 0.5, random.Coin() ? -1e6 : 1e6,
                                        odd[random.Range(0, 2)]};
                return kinds[random.Range(0, 4)];
            };
            for (int step = 0; step < 24; ++step) {
                const double x = coordinate(LensForm::Frame().LastX + radius, W);
                const double y = coordinate(LensForm::Frame().LastY + radius, H);
                Paint();  // the old square goes back to the screen copy
                MoveTo(x, y);
                ExpectLensAround(x, y);
                if (HasFatalFailure()) return;
            }
            QFocusEvent focus(QEvent::FocusIn, Qt::OtherFocusReason);
            QApplication::sendEvent(fLens->cmdDummy, &focus);
            QApplication::processEvents();
            Paint();
            ExpectWindow();
        }
        const int32_t X = LensForm::Frame().LastX, Y = LensForm::Frame().LastY;
        QPointer<QWidget> window = fLens.Exists() ? fLens->Window() : nullptr;
        if (way == Click || way == GrabBroken) {
            if (way == Click) {
                win::ButtonPressed(fLens->hWnd());
                win::ButtonReleased();
            } else {
                capture->BreakGrab();
            }
            EXPECT_TRUE(Open());  // nothing closes it before the next move
            EXPECT_EQ(win::GetCapture(), 0u);
            MoveTo(10, 10);
            EXPECT_FALSE(Open());
        } else if (way == Deactivated) {
            QEvent deactivate(QEvent::WindowDeactivate);
            QApplication::sendEvent(window, &deactivate);
        } else if (way == Escape) {
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(fLens->cmdDummy, &escape);
        }
        ASSERT_TRUE(QTest::qWaitFor([&] { return !Open(); }));
        if (window) {
            QMouseEvent late(QEvent::MouseMove, QPointF(20, 20), QPointF(20, 20), Qt::NoButton,
                             Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(window, &late);
        }
        QApplication::processEvents();
        Interaction::MsgBoxHook = nullptr;
        EXPECT_EQ(told.contains(QStringLiteral("鼠标")), way == GrabFailed) << told.toStdString();
        EXPECT_EQ(Form::LoadedCount(), 1);
        const LensFrame& f = LensForm::Frame();
        EXPECT_EQ(QPoint(f.LastX, f.LastY), QPoint(X, Y));
        EXPECT_EQ(f.DesktopDIB.hDIB() | f.LensDstDIB.hDIB() | f.LensSrcDIB.hDIB(), 0u);
        EXPECT_EQ(win::CursorCount(), 0);
        EXPECT_EQ(win::LockedWindow(), 0u);
        EXPECT_FALSE(capture->Grabbed());
    }
}

// Wheel (w: plain, s: Shift, h: Shift turned horizontal; angle in eighths of a degree) and arrow
// keys (k), each followed by the radius and factor expected: in force at once (the table in use as
// a fresh opening builds it, the lens redrawn at its new size) and kept by the panel.
TEST_F(LensWindowTest, WheelAndArrowsChangeFactorAndRadiusOnTheSpotAndThePanelKeepsThem) {
    using Q = Qt::Key;
    // clang-format off
    const int steps[][4] = {
        {'w', 120, 150, 80}, {'k', Q::Key_Right, 175, 80}, {'w', 90, 175, 80}, {'w', 90, 175, 85},
        {'w', 60, 175, 90}, {'s', 120, 200, 90}, {'h', -120, 175, 90}, {'k', Q::Key_Up, 175, 95},
        {'k', Q::Key_Down, 175, 90}, {'k', Q::Key_Left, 150, 90}, {'w', -360, 150, 75},
        {'k', Q::Key_Right, 175, 75}, {'s', 240, 225, 75}, {'h', 960, 250, 75},
        {'k', Q::Key_Right, 250, 75}, {'w', 2400, 250, 145}, {'k', Q::Key_Up, 250, 145},
        {'s', -1200, 50, 145}, {'k', Q::Key_Left, 50, 145}, {'k', Q::Key_Down, 50, 140}};
    // clang-format on
    for (const bool convex : {false, true}) {
        SCOPED_TRACE(convex ? "convex" : "concave");
        Settings(150, 70, convex, 1);
        OpenLens();
        EXPECT_EQ(LensForm::LensFactor(), convex ? 70 : 80);  // the concave table's factor
        QKeyEvent up(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier);
        QApplication::sendEvent(fLens->Window()->windowHandle(), &up);
        ExpectWindow();  // no lens before the first move, whatever changes
        Paint();
        MoveTo(W / 2.0, H / 2.0);
        ExpectLensAround(W / 2.0, H / 2.0);
        for (const auto& s : steps) {
            SCOPED_TRACE(testing::Message() << "step " << &s - steps);
            QWindow* window = fLens->Window()->windowHandle();
            Paint();  // the old square goes back to the copy
            if (s[0] == 'k') {
                QKeyEvent key(QEvent::KeyPress, s[1], Qt::NoModifier);
                QApplication::sendEvent(window, &key);
            } else {
                QWheelEvent wheel({5, 5}, {5, 5}, {},
                                  s[0] == 'h' ? QPoint(s[1], 0) : QPoint(0, s[1]), Qt::NoButton,
                                  s[0] == 'w' ? Qt::NoModifier : Qt::ShiftModifier,
                                  Qt::NoScrollPhase, false);
                QApplication::sendEvent(window, &wheel);
            }
            ASSERT_EQ(QPoint(fMain->sbRadius->value(), fMain->sbFactor->value()),
                      QPoint(s[2], s[3]));
            mLens::LookUpTableType fresh;
            fresh.Build(s[2], convex ? s[3] : 150 - s[3], convex ? -1 : 0);
            const mLens::LookUpTableType& used = mLens::LookUpTable();
            EXPECT_TRUE(std::equal(used.Data(), used.Data() + used.Count(), fresh.Data(),
                                   fresh.Data() + fresh.Count()));
            EXPECT_EQ(LensForm::Frame().LensSize, 2 * s[2]);
            model = std::make_unique<LensModel>(2 * s[2]);
            ExpectLensAround(W / 2.0, H / 2.0);  // redrawn on the spot
            if (HasFatalFailure()) return;
        }
        fLens->Unload();
    }
}

}  // namespace
