// The lens window over an injected screen: activation, frames, clamping, closing, the table
// and colour mask it uses, the cursor, and the modal Start from the panel.
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <cmath>
#include <limits>
#include <vector>

#include "panel/LensWindow.h"
#include "tests/lenswindow/LensWindowFixture.h"

namespace {

constexpr uint32_t kPoison = 0x00123456u;

TEST_F(LensWindowTest, NothingIsDrawnBeforeTheFirstMoveWhichDrawsTheLens) {
    Settings(100, 75, true, 0);
    // Anything the window drew before the first move would overwrite these marks.
    OpenLens([this] {
        QImage* surface = fLens->Surface();
        ASSERT_NE(surface, nullptr);
        surface->fill(QColor(QRgb(kPoison)));
    });
    EXPECT_EQ(win::CursorCount(), -1);
    EXPECT_EQ(LensForm::Frame().DesktopDIB.Width(), W);
    EXPECT_EQ(LensForm::Frame().DesktopDIB.Height(), H);
    EXPECT_EQ(LensForm::MaxX(), W - 1);
    EXPECT_EQ(LensForm::MaxY(), H - 1);
    EXPECT_EQ(LensForm::Frame().LensSize, 200);
    EXPECT_EQ(LensForm::Frame().LensDstDIB.Width(), 200);
    EXPECT_EQ(LensForm::Frame().LensSrcDIB.Height(), 200);
    // The focus holder sits just beyond the screen and a repaint through it paints nothing.
    ASSERT_NE(fLens->cmdDummy, nullptr);
    EXPECT_EQ(fLens->cmdDummy->pos(), QPoint(W, H));
    fLens->Refresh();
    QApplication::processEvents();
    for (int32_t y = 0; y < H; y += 7)
        for (int32_t x = 0; x < W; x += 5) ASSERT_EQ(WindowPixel(x, y), kPoison) << x << "," << y;

    const int32_t lastX = LensForm::Frame().LastX, lastY = LensForm::Frame().LastY;
    MoveTo(W / 2.0, H / 2.0);
    // The lens square carries the model; the previous opening's square (or 0, 0) is restored
    // from the copy where the new one does not cover it; the rest stays as it was.
    const int32_t X = W / 2 - 100, Y = H / 2 - 100;
    const Picture lens = model->Frame(screen, X, Y);
    for (int32_t y = 0; y < H; ++y) {
        for (int32_t x = 0; x < W; ++x) {
            uint32_t want = kPoison;
            if (x >= lastX && x < lastX + 200 && y >= lastY && y < lastY + 200)
                want = screen.At(x, y);
            if (x >= X && x < X + 200 && y >= Y && y < Y + 200) want = lens.At(x - X, y - Y);
            ASSERT_EQ(WindowPixel(x, y), want) << x << "," << y;
        }
    }
    ClickAndMove();
    EXPECT_FALSE(Open());
}

TEST_F(LensWindowTest, ClampsAtEveryEdgeAndRoundsTiesToEven) {
    Settings(60, 90, true, 0);
    OpenLens();
    const double far = 1e6;
    // Centre, the four edges from outside, the corners, and halves that round to even.
    const std::vector<std::pair<double, double>> moves = {
        {W / 2.0, H / 2.0}, {-40, H / 2.0}, {W + 40.0, H / 3.0}, {W / 3.0, -1}, {W / 4.0, H + 9.0},
        {-far, -far},       {far, -far},    {far, far},          {-far, far},   {0, 0},
        {W - 1.0, H - 1.0}, {70.5, 71.5},   {91.5, 90.5},        {W / 2.0, 0.5}};
    for (auto [x, y] : moves) {
        SCOPED_TRACE(testing::Message() << "move " << x << "," << y);
        MoveAndCheck(x, y);
        if (HasFatalFailure()) return;
    }
    // 70.5 − 60 = 10.5 rounds to 10 and 71.5 − 60 = 11.5 to 12.
    MoveTo(70.5, 71.5);
    EXPECT_EQ(LensForm::Frame().LastX, 10);
    EXPECT_EQ(LensForm::Frame().LastY, 12);
    // At a corner the centre is the corner pixel: the square reaches R beyond the screen.
    MoveTo(-5, -5);
    EXPECT_EQ(LensForm::Frame().LastX, -60);
    EXPECT_EQ(LensForm::Frame().LastY, -60);
    MoveTo(W + 5.0, H + 5.0);
    EXPECT_EQ(LensForm::Frame().LastX, W - 1 - 60);
    EXPECT_EQ(LensForm::Frame().LastY, H - 1 - 60);
    MoveTo(std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity());
    EXPECT_EQ(LensForm::Frame().LastX, -60);
    EXPECT_EQ(LensForm::Frame().LastY, H - 1 - 60);
    ClickAndMove();
}

TEST_F(LensWindowTest, RandomMovesShowTheCopyOutsideTheLastSquareAndTheModelInside) {
    for (uint32_t seed : {11u, 4242u}) {
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        TestRandom random(seed);
        Settings(random.In(50, 120), random.In(5, 145), random.In(0, 1) != 0, random.In(0, 6));
        OpenLens();
        for (int step = 0; step < 12; ++step) {
            const bool jump = random.In(0, 2) == 0;
            const double x =
                jump ? random.In(-100, W + 100)
                     : LensForm::Frame().LastX + LensForm::LensRadius() + random.In(-20, 20);
            const double y =
                jump ? random.In(-100, H + 100)
                     : LensForm::Frame().LastY + LensForm::LensRadius() + random.In(-20, 20);
            MoveAndCheck(x, y);
            if (HasFatalFailure()) return;
        }
        // The focus holder's focus repaints the window: the lens inside the last square is
        // erased and nothing else is touched.
        QFocusEvent focus(QEvent::FocusIn, Qt::OtherFocusReason);
        QApplication::sendEvent(fLens->cmdDummy, &focus);
        QApplication::processEvents();
        ExpectWindow(nullptr, 0, 0);
        ClickAndMove();
        ASSERT_FALSE(Open());
    }
}

TEST_F(LensWindowTest, LostCaptureClosesAtTheNextMoveWithoutDrawing) {
    Settings(80, 75, true, 2);
    for (int how = 0; how < 2; ++how) {
        SCOPED_TRACE(how == 0 ? "click" : "grab broken");
        OpenLens();
        MoveTo(300, 200);
        const int32_t X = LensForm::Frame().LastX, Y = LensForm::Frame().LastY;
        if (how == 0) {
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
        EXPECT_EQ(LensForm::Frame().LastX, X);
        EXPECT_EQ(LensForm::Frame().LastY, Y);
        EXPECT_EQ(LensForm::Frame().DesktopDIB.hDIB(), 0u);
        EXPECT_EQ(LensForm::Frame().LensDstDIB.hDIB(), 0u);
        EXPECT_EQ(LensForm::Frame().LensSrcDIB.hDIB(), 0u);
        EXPECT_EQ(win::CursorCount(), 0);
        EXPECT_EQ(win::LockedWindow(), 0u);
        EXPECT_FALSE(capture->Grabbed());
        EXPECT_EQ(gdi::LiveObjectCount(), objectsBefore);
    }
}

TEST_F(LensWindowTest, TableIsRebuiltOnlyWhenTheSettingsChangeAndTheColourIsUsed) {
    Settings(70, 40, true, 0);
    OpenLens();
    EXPECT_EQ(mLens::LookUpTable().Radius(), 70);
    ClickAndMove();

    // A table the window did not build: it stays while radius, factor and type are unchanged.
    mLens::BuildLookUpTable(9, 30, -1);
    OpenLens();
    EXPECT_EQ(mLens::LookUpTable().Radius(), 9);
    ClickAndMove();

    Settings(70, 40, true, 1);  // red only
    OpenLens();
    EXPECT_EQ(mLens::LookUpTable().Radius(), 9);
    EXPECT_EQ(mLens::ColorMask(), 0x00FF0000u);
    MoveAndCheck(200, 150);  // the model reads the table in use and the mask
    // The small table puts the lens centre at (9, 9) of the square.
    EXPECT_EQ(WindowPixel(130 + 9, 80 + 9) & 0x0000FFFFu, 0u);
    EXPECT_NE(WindowPixel(130 + 9, 80 + 9), 0u);
    ClickAndMove();

    Settings(70, 41, true, 1);
    OpenLens();
    EXPECT_EQ(mLens::LookUpTable().Radius(), 70);
    EXPECT_EQ(LensForm::LensFactor(), 41);
    ClickAndMove();

    // Moving a setting away and back between openings counts as no change.
    mLens::BuildLookUpTable(9, 30, -1);
    Settings(90, 41, false, 1);
    Settings(70, 41, true, 3);
    OpenLens();
    EXPECT_EQ(mLens::LookUpTable().Radius(), 9);
    EXPECT_EQ(mLens::ColorMask(), 0x000000FFu);
    ClickAndMove();
}

TEST_F(LensWindowTest, ConcaveLensBuildsWithTheComplementOfTheFactor) {
    const int32_t R = 50;
    auto snapshot = [] {
        const auto& t = mLens::LookUpTable();
        return std::vector<mLens::tLensOffset>(t.Data(), t.Data() + t.Count());
    };
    mLens::BuildLookUpTable(R, 5, 0);
    const auto concave5 = snapshot();
    mLens::BuildLookUpTable(R, 145, 0);
    const auto concave145 = snapshot();
    ASSERT_NE(concave5, concave145);

    Settings(R, 145, false, 0);
    OpenLens();
    EXPECT_EQ(LensForm::LensConvex(), 0);
    EXPECT_EQ(LensForm::LensFactor(), 5);
    EXPECT_EQ(snapshot(), concave5);
    MoveAndCheck(400, 300);
    ClickAndMove();

    // 75 is its own complement: the same table either way, but the type changes, so a build.
    Settings(R, 75, true, 0);
    OpenLens();
    EXPECT_EQ(LensForm::LensFactor(), 75);
    EXPECT_EQ(LensForm::LensConvex(), -1);
    ClickAndMove();
    Settings(R, 75, false, 0);
    OpenLens();
    EXPECT_EQ(LensForm::LensFactor(), 75);
    mLens::LookUpTableType concave75;
    concave75.Build(R, 75, 0);
    EXPECT_EQ(snapshot(), std::vector<mLens::tLensOffset>(concave75.Data(),
                                                          concave75.Data() + concave75.Count()));
    ClickAndMove();
}

TEST_F(LensWindowTest, CursorIsHiddenWhileOpenAndShownAfterwardsAlsoAfterReactivation) {
    Settings(50, 75, true, 0);
    OpenLens();
    EXPECT_EQ(win::CursorCount(), -1);
    EXPECT_TRUE(capture->Grabbed());
    MoveAndCheck(120, 130);

    // Losing activation drops the capture; coming back repeats the activation: a new capture,
    // one more hide, a new screen copy and new surfaces.
    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(fLens->Window(), &deactivate);
    win::CaptureBroken(fLens->hWnd());
    const gdi::HBITMAP before = LensForm::Frame().DesktopDIB.hDIB();
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(fLens->Window(), &activate);
    WaitForActivation();
    EXPECT_EQ(win::CursorCount(), -2);
    EXPECT_NE(LensForm::Frame().DesktopDIB.hDIB(), before);
    model = std::make_unique<LensModel>(LensForm::Frame().LensSize);
    MoveAndCheck(500, 330);

    ClickAndMove();
    EXPECT_FALSE(Open());
    EXPECT_EQ(win::CursorCount(), 0);

    // A second opening hides once and shows once again.
    OpenLens();
    EXPECT_EQ(win::CursorCount(), -1);
    ClickAndMove();
    EXPECT_EQ(win::CursorCount(), 0);
}

TEST_F(LensWindowTest, StartOpensTheLensModallyAndAClickThenAMoveGivesThePanelBack) {
    Settings(150, 75, true, 4);
    int moves = 0;
    bool drawn = false;
    std::function<void()> script = [&] {
        if (!Active()) {
            QTimer::singleShot(5, script);
            return;
        }
        EXPECT_EQ(QApplication::activeModalWidget(), fLens->Window());
        model = std::make_unique<LensModel>(LensForm::Frame().LensSize);
        MoveAndCheck(W / 2.0, H / 2.0);
        drawn = true;
        ++moves;
        win::ButtonPressed(fLens->hWnd());
        win::ButtonReleased();
        MoveTo(3, 3);
        ++moves;
    };
    QTimer::singleShot(0, script);
    fMain->cmdStart->click();  // returns when the lens window has closed
    EXPECT_TRUE(drawn);
    EXPECT_EQ(moves, 2);
    EXPECT_FALSE(Open());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(win::CursorCount(), 0);
    EXPECT_EQ(win::GetCapture(), 0u);
    EXPECT_FALSE(capture->Grabbed());
    EXPECT_TRUE(fMain->Visible());
    QApplication::processEvents();
    EXPECT_EQ(QApplication::activeWindow(), fMain->Window());
    EXPECT_TRUE(fMain->cmdStart->isEnabled());
    EXPECT_EQ(fMain->Lens_ColorMask(), 0x00FFFF00u);

    // Exit with the lens unloaded: everything goes.
    fMain->cmdExit->click();
    QApplication::processEvents();
    EXPECT_EQ(Form::LoadedCount(), 0);
}

TEST(LensScreenSize, DevicePixelsFromTwips) {
    EXPECT_EQ(LensForm::DevicePixels(1920 * 15.0, 15.0), 1920);
    EXPECT_EQ(LensForm::DevicePixels(1080 * 12.0, 12.0), 1080);  // 120 dpi
    EXPECT_EQ(LensForm::DevicePixels(28799.6, 15.0), 1920);      // the twips are rounded first
    EXPECT_EQ(LensForm::DevicePixels(28814.0, 15.0), 1920);      // the quotient truncates
    EXPECT_EQ(LensForm::DevicePixels(3840 * 7.5, 7.5), 3840);    // scale factor 2
    EXPECT_EQ(LensForm::DevicePixels(2160 * 7.5, 7.5), 2160);
    EXPECT_EQ(LensForm::DevicePixels(1000.0, 0.0), 0);
    EXPECT_EQ(LensForm::DevicePixels(1000.0, -15.0), 0);
    EXPECT_EQ(LensForm::DevicePixels(0.0, 15.0), 0);
    EXPECT_EQ(LensForm::DevicePixels(std::nan(""), 15.0), 0);
    EXPECT_EQ(LensForm::DevicePixels(1e300, 15.0), std::numeric_limits<int32_t>::max() / 15);
}

}  // namespace
