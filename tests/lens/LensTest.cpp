// The table against a transcription of its arithmetic (every radius and factor the panel can
// set); the transfer and the lens frame against the shared plain-loop model.

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <vector>

#include "dib/cDIB32.h"
#include "gdi/GdiTesting.h"
#include "lens/LensFrame.h"
#include "tests/support/LensModel.h"

namespace {

using mLens::LookUpTable;
using mLens::tLensOffset;
using Offsets = std::vector<tLensOffset>;

Offsets Table() { return {LookUpTable().Data(), LookUpTable().Data() + LookUpTable().Count()}; }

// Round to nearest, ties to even, through the hardware conversion.
int32_t N(double x) { return static_cast<int32_t>(std::lrint(x)); }

TEST(LookUpTable, WorkedExampleAndRefusedInput) {
    const tLensOffset M{-4, -4};
    mLens::BuildLookUpTable(4, 75, 7);  // any non-zero value means convex; row i = 0:
    EXPECT_EQ(Offsets(LookUpTable().Data() + 36, LookUpTable().Data() + 45),
              (Offsets{M, {-2, 0}, {-1, 0}, {-1, 0}, {0, 0}, {1, 0}, {1, 0}, {2, 0}, M}));
    for (int32_t R : {-1, INT_MIN, mLens::LookUpTableType::kMaxRadius + 1, INT_MAX}) {
        mLens::BuildLookUpTable(R, 75, -1);  // refused: an empty table
        EXPECT_EQ(LookUpTable().Radius() + LookUpTable().SpanHalfWidth(0), -2) << R;
        EXPECT_EQ(LookUpTable().Count() + LookUpTable().TapCount(), 0u) << R;
    }
    // Factors beyond the full scale act as it; a table after a bigger one is as if built afresh.
    mLens::BuildLookUpTable(10, 150, 0);
    const Offsets full = Table();
    for (int32_t F : {151, INT_MAX, INT_MIN}) {
        mLens::BuildLookUpTable(250, 75, -1);
        mLens::BuildLookUpTable(10, F, 0);
        EXPECT_EQ(Table(), full) << F;
    }
    for (auto [j, i] : {std::pair{11, 0}, {0, -11}, {INT_MIN, 0}, {0, INT_MAX}})
        EXPECT_EQ(LookUpTable()(j, i), (tLensOffset{-10, -10}));
    EXPECT_EQ(LookUpTable().SpanHalfWidth(11), -1);
}

// Entry by entry, both lens types; the tap count is the inside entries'. The cost grows with
// R^3: the radii are split for ctest to run side by side.
class Sweep : public testing::TestWithParam<std::pair<int32_t, int32_t>> {};
TEST_P(Sweep, MatchesTranscription) {
#ifdef LUCIVANE_SANITIZER_BUILD
    GTEST_SKIP() << "exhaustive sweep skipped under the sanitizers";
#endif
    for (int32_t R = GetParam().first; R <= GetParam().second; ++R) {
        std::vector<float> s;  // the sphere's height over each entry, row after row
        for (int32_t i = -R; i <= R; ++i)
            for (int32_t j = -R; j <= R; ++j)
                s.push_back(float(std::sqrt(double(std::max(R * R - j * j - i * i, 0)))));
        for (int32_t F = -150; F <= 150; ++F) {
            const double d = double(float(double((150 - std::abs(F)) * R) / 150.0));
            const float h = float(std::sqrt(double(R * R) - d * d));
            const int32_t b = N(double(h) * double(h));
            for (bool convex : {true, false}) {
                mLens::BuildLookUpTable(R, F, convex ? -1 : 0);
                ASSERT_EQ(LookUpTable().Count(), s.size());
                const tLensOffset* e = LookUpTable().Data();
                size_t k = 0, inside = 0;
                for (int32_t i = -R; i <= R; ++i)
                    for (int32_t j = -R; j <= R; ++j, ++k) {
                        tLensOffset want{-R, -R};
                        if (j * j + i * i < b) {
                            const double qj = (d * j) / s[k], qi = (d * i) / s[k];
                            want = convex ? tLensOffset{N(qj), N(qi)}
                                          : tLensOffset{N(j - qj), N(i - qi)};
                            ++inside;
                        }
                        ASSERT_TRUE(e[k] == want) << "R " << R << " F " << F << " convex " << convex
                                                  << " at " << j << "," << i;
                    }
                ASSERT_EQ(LookUpTable().TapCount(), inside);
            }
        }
    }
}
INSTANTIATE_TEST_SUITE_P(Radii, Sweep,
                         testing::Values(std::pair{0, 119}, std::pair{120, 159},
                                         std::pair{160, 189}, std::pair{190, 212},
                                         std::pair{213, 233}, std::pair{234, 250}));

// Random pixels and masks, both lens types, surfaces of 2R and larger ones with their own
// strides, in place, and surfaces to leave alone (destroyed, a side a pixel short).
TEST(ApplyLens, MatchesModel) {
    for (uint64_t seed = 1; seed <= 60; ++seed) {
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        test_support::Rng rng(seed);
        const int32_t R = rng.Range(1, seed % 10 == 0 ? 250 : 40), spare = seed % 2 ? 9 : 0;
        mLens::BuildLookUpTable(R, rng.Range(-150, 150), int16_t(rng.Coin() ? -1 : 0));
        mLens::SetColorMask(rng.Next32());
        int32_t side[4];
        for (int32_t& n : side) n = 2 * R + rng.Range(0, spare);
        if (seed % 5 == 0) side[rng.Range(0, 3)] = 2 * R - 1;
        const bool fits = std::min(side[0], side[1]) >= 2 * R;
        const bool draws = fits && std::min(side[2], side[3]) >= 2 * R;
        const Picture source = Picture::Noise(side[0], side[1], seed);
        Picture target = Picture::Noise(side[2], side[3], ~seed), inPlace = source;
        cDIB32 src, dst, gone;  // gone remembers its size, but has no pixels
        ASSERT_EQ(src.Create(side[0], side[1]) & dst.Create(side[2], side[3]) & gone.Create(9, 9),
                  int16_t(-1));
        gone.Destroy();
        source.CopyTo(src), target.CopyTo(dst);
        mLens::ApplyLens(gone, dst), mLens::ApplyLens(src, gone);
        mLens::ApplyLens(src, dst);
        if (draws)
            ApplyLensModel(source.pixels.data(), side[0], target.pixels.data(), side[2],
                           mLens::ColorMask());
        ASSERT_TRUE(Picture::Of(dst) == target);
        mLens::ApplyLens(src, src);
        if (fits)
            ApplyLensModel(inPlace.pixels.data(), side[0], inPlace.pixels.data(), side[0],
                           mLens::ColorMask());
        ASSERT_TRUE(Picture::Of(src) == inPlace);
    }
}

// Lens frames into a window that starts as a copy of a random desktop: after each the window is
// the desktop with the model's lens image on the new square, and no GDI object is left over.
// A frame whose clip region cannot be made (no clip at all) draws nothing and stays where it
// was; the next one still restores the old square.
TEST(LensFrame, MatchesModel) {
    for (uint64_t seed = 1; seed <= 12; ++seed) {
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        test_support::Rng rng(seed);
        const int32_t W = rng.Range(60, 160), H = rng.Range(60, 160), R = rng.Range(1, 30);
        mLens::BuildLookUpTable(R, rng.Range(0, 150), int16_t(rng.Coin() ? -1 : 0));
        mLens::SetColorMask(rng.Next32());
        const Picture desktop = Picture::Noise(W, H, seed);
        LensFrame frame;
        cDIB32 window;
        frame.LensSize = 2 * R;
        ASSERT_EQ(frame.DesktopDIB.Create(W, H) & window.Create(W, H) &
                      frame.LensSrcDIB.Create(2 * R, 2 * R) & frame.LensDstDIB.Create(2 * R, 2 * R),
                  int16_t(-1));
        desktop.CopyTo(frame.DesktopDIB), desktop.CopyTo(window);
        LensModel model(2 * R);
        const uint32_t objects = gdi::LiveObjectCount();
        for (int step = 0; step < 12; ++step) {
            const int32_t X = rng.Range(-2 * R, W), Y = rng.Range(-2 * R, H);
            const int fail = rng.Range(-3, 1);  // the old square's region, the new one's
            if (fail >= 0) gdi::testing::FailNextCreations(1, uint32_t(fail));
            const Picture before = Picture::Of(window);
            const int32_t lastX = frame.LastX, lastY = frame.LastY;
            frame.DrawLensFrame(window.hDIBDC(), X, Y);
            const Picture want = model.Over(desktop, X, Y);
            ASSERT_EQ(gdi::testing::PendingCreationFailures() + gdi::LiveObjectCount(), objects);
            ASSERT_TRUE(fail < 0 || (frame.LastX == lastX && frame.LastY == lastY));
            ASSERT_TRUE(Picture::Of(window) == (fail >= 0 ? before : want)) << "step " << step;
        }
    }
}
}  // namespace
