// One lens frame drawn into a window surface of our own: what it paints, where, and what it
// leaves alone, against the per-pixel model.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "lens/mLens.h"
#include "lenswindow/LensFrame.h"
#include "platform/gdi/Surface.h"
#include "tests/lenswindow/LensModel.h"

namespace {

constexpr uint32_t kSentinel = 0x00ABCDEFu;

struct Rect {
    int32_t l, t, r, b;
    bool Contains(int32_t x, int32_t y) const { return x >= l && x < r && y >= t && y < b; }
};

// A lens window without a window: a screen copy, a sentinel-filled window surface and the
// rectangles each drawing call reports as changed.
class FrameFixture : public ::testing::Test {
  protected:
    static constexpr int32_t kW = 96;
    static constexpr int32_t kH = 64;

    void SetUp() override {
        objectsBefore = gdi::LiveObjectCount();
        screen = Picture::Noise(kW, kH, 0x5EED0001u);
        window = Picture(kW, kH, kSentinel);
    }
    void TearDown() override {
        if (windowDC != 0) gdi::ReleaseSurfaceDC(windowDC);
        frame.DesktopDIB.Destroy();
        frame.LensDstDIB.Destroy();
        frame.LensSrcDIB.Destroy();
        EXPECT_EQ(gdi::LiveObjectCount(), objectsBefore);
    }

    void Prepare(int32_t R, int32_t factor, int16_t convex, uint32_t mask) {
        mLens::BuildLookUpTable(R, factor, convex);
        mLens::SetColorMask(mask);
        frame.LensSize = 2 * R;
        ASSERT_NE(frame.DesktopDIB.Create(kW, kH), 0);
        ASSERT_NE(frame.LensDstDIB.Create(2 * R, 2 * R), 0);
        ASSERT_NE(frame.LensSrcDIB.Create(2 * R, 2 * R), 0);
        std::copy(screen.pixels.begin(), screen.pixels.end(), frame.DesktopDIB.DIBitsPtr());
        windowDC = gdi::CreateSurfaceDC({window.pixels.data(), kW, kH}, [this](const gdi::RECT& r) {
            dirty.push_back({r.left, r.top, r.right, r.bottom});
        });
        ASSERT_NE(windowDC, 0u);
        model = std::make_unique<LensModel>(2 * R);
    }

    // Draws a frame and checks every window pixel: the lens image inside the new square, the
    // screen copy over the rest of the old square, the sentinel (or what an earlier frame left)
    // everywhere else. Every changed rectangle lies inside one of the two squares.
    void DrawAndCheck(int32_t X, int32_t Y) {
        const int32_t L = frame.LensSize;
        const Rect oldSquare{frame.LastX, frame.LastY, frame.LastX + L, frame.LastY + L};
        const Rect newSquare{X, Y, X + L, Y + L};
        Picture expected = window;
        for (int32_t y = 0; y < kH; ++y)
            for (int32_t x = 0; x < kW; ++x)
                if (oldSquare.Contains(x, y)) expected.At(x, y) = screen.At(x, y);
        const Picture lens = model->Frame(screen, X, Y);
        for (int32_t y = 0; y < kH; ++y)
            for (int32_t x = 0; x < kW; ++x)
                if (newSquare.Contains(x, y)) expected.At(x, y) = lens.At(x - X, y - Y);

        dirty.clear();
        frame.DrawLensFrame(windowDC, X, Y);
        EXPECT_EQ(frame.LastX, X);
        EXPECT_EQ(frame.LastY, Y);
        for (int32_t y = 0; y < kH; ++y) {
            for (int32_t x = 0; x < kW; ++x) {
                ASSERT_EQ(window.At(x, y) & 0x00FFFFFFu, expected.At(x, y))
                    << "pixel " << x << "," << y << " frame at " << X << "," << Y;
            }
        }
        for (const Rect& r : dirty) {
            const bool inNew = r.l >= newSquare.l && r.r <= newSquare.r && r.t >= newSquare.t &&
                               r.b <= newSquare.b;
            const bool inOld = r.l >= oldSquare.l && r.r <= oldSquare.r && r.t >= oldSquare.t &&
                               r.b <= oldSquare.b;
            EXPECT_TRUE(inNew || inOld) << r.l << "," << r.t << "," << r.r << "," << r.b;
        }
    }

    // Window pixels the frames reported as changed.
    int64_t DirtyArea() const {
        int64_t area = 0;
        for (const Rect& r : dirty) area += int64_t{r.r - r.l} * (r.b - r.t);
        return area;
    }

    uint32_t objectsBefore = 0;
    Picture screen;
    Picture window;
    LensFrame frame;
    gdi::HDC windowDC = 0;
    std::vector<Rect> dirty;
    std::unique_ptr<LensModel> model;
};

TEST_F(FrameFixture, RepeatedPositionRestoresNothingAndRepaintsOnlyTheLens) {
    Prepare(10, 75, -1, 0x00FFFFFF);
    DrawAndCheck(30, 20);
    DrawAndCheck(30, 20);
    // One paint, exactly the square: the restore's clip region was empty.
    ASSERT_EQ(dirty.size(), 1u);
    EXPECT_EQ(dirty[0].l, 30);
    EXPECT_EQ(dirty[0].t, 20);
    EXPECT_EQ(dirty[0].r, 50);
    EXPECT_EQ(dirty[0].b, 40);
}

TEST_F(FrameFixture, JumpBeyondTheSquareRestoresTheWholeOldSquare) {
    Prepare(8, 75, -1, 0x00FFFFFF);
    DrawAndCheck(4, 4);
    DrawAndCheck(4 + 16 + 1, 4);  // one pixel further than the side
    EXPECT_EQ(DirtyArea(), 2 * 16 * 16);
    DrawAndCheck(21, 4 + 16 + 3);
    EXPECT_EQ(DirtyArea(), 2 * 16 * 16);
}

TEST_F(FrameFixture, OverlappingMoveRestoresOnlyTheUncoveredPart) {
    Prepare(8, 75, 0, 0x00FFFFFF);
    DrawAndCheck(40, 30);
    DrawAndCheck(43, 28);  // 3 right, 2 up: the old square's left strip and bottom strip
    EXPECT_EQ(DirtyArea(), 16 * 16 + (16 * 16 - 13 * 14));
}

TEST_F(FrameFixture, RandomWalkMatchesTheModel) {
    for (uint32_t seed : {1u, 77u, 2024u}) {
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        TestRandom random(seed);
        const int32_t R = random.In(3, 20);
        const int16_t convex = random.In(0, 1) ? -1 : 0;
        const int32_t factor = random.In(5, 145);
        const uint32_t masks[] = {0x00FFFFFF, 0x00FF0000, 0x0000FFFF, 0};
        TearDown();
        SetUp();
        frame.LastX = random.In(-R, kW);
        frame.LastY = random.In(-R, kH);
        Prepare(R, factor, convex, masks[random.In(0, 3)]);
        for (int step = 0; step < 40; ++step) {
            // Mostly small moves, now and then a jump, often to a square partly off the window.
            const bool jump = random.In(0, 7) == 0;
            const int32_t X = jump ? random.In(-2 * R, kW) : frame.LastX + random.In(-5, 5);
            const int32_t Y = jump ? random.In(-2 * R, kH) : frame.LastY + random.In(-5, 5);
            DrawAndCheck(X, Y);
            if (HasFatalFailure()) return;
        }
    }
}

TEST_F(FrameFixture, MissingSurfacesDrawNothingAndLeakNothing) {
    mLens::BuildLookUpTable(10, 75, -1);
    frame.LensSize = 20;
    windowDC = gdi::CreateSurfaceDC({window.pixels.data(), kW, kH}, nullptr);
    frame.DrawLensFrame(windowDC, 5, 5);
    frame.DrawLensFrame(windowDC, 50, 30);
    EXPECT_EQ(frame.LastX, 50);
    EXPECT_EQ(frame.LastY, 30);
    EXPECT_TRUE(std::all_of(window.pixels.begin(), window.pixels.end(),
                            [](uint32_t p) { return p == kSentinel; }));
    // A stale window DC: the region calls fail cleanly.
    gdi::ReleaseSurfaceDC(windowDC);
    frame.DrawLensFrame(windowDC, 0, 0);
    windowDC = 0;
}

}  // namespace
