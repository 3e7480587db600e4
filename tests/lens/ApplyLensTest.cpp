#include <gtest/gtest.h>

#include <cstring>
#include <tuple>
#include <vector>

#include "dib/cDIB32.h"
#include "lens/LensReference.h"
#include "lens/mLens.h"
#include "support/Rng.h"

namespace {

using mLens::LookUpTable;
using test_support::Rng;

// The transfer as a plain loop over every table entry, on raw pixel memory.
void ModelApplyLens(const uint32_t* src, int32_t srcWidth, uint32_t* dst, int32_t dstWidth,
                    uint32_t mask) {
    const int32_t R = LookUpTable().Radius();
    if (R <= 0) return;
    for (int32_t i = -R; i <= R; ++i) {
        for (int32_t j = -R; j <= R; ++j) {
            const mLens::tLensOffset e = LookUpTable()(j, i);
            if (e.OffsetX > -R || e.OffsetY > -R) {
                dst[(R + i) * dstWidth + (R + j)] =
                    src[(R + e.OffsetY) * srcWidth + (R + e.OffsetX)] & mask;
            }
        }
    }
}

std::vector<uint32_t> Pixels(const cDIB32& dib) {
    if (dib.DIBitsPtr() == nullptr) return {};
    return {dib.DIBitsPtr(), dib.DIBitsPtr() + static_cast<size_t>(dib.Width()) * dib.Height()};
}

void Randomise(cDIB32& dib, Rng& rng) {
    for (size_t k = 0; k < static_cast<size_t>(dib.Width()) * dib.Height(); ++k) {
        dib.DIBitsPtr()[k] = rng.Next32();
    }
}

const uint32_t kPanelMasks[] = {0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF,
                                0xFFFF00, 0x00FFFF, 0xFF00FF};

TEST(ApplyLens, WorkedExampleRow) {
    mLens::BuildLookUpTable(4, 75, -1);
    mLens::SetColorMask(0xFFFFFF);
    EXPECT_EQ(mLens::ColorMask(), 0xFFFFFFu);
    cDIB32 src, dst;
    ASSERT_EQ(src.Create(8, 8), -1);
    ASSERT_EQ(dst.Create(8, 8), -1);
    for (uint32_t k = 0; k < 64; ++k) src.DIBitsPtr()[k] = 0xAB000000u | k;  // x + 8y
    for (uint32_t k = 0; k < 64; ++k) dst.DIBitsPtr()[k] = 0xFF000000u;
    mLens::ApplyLens(src, dst);
    const uint32_t* row4 = dst.DIBitsPtr() + 4 * 8;
    EXPECT_EQ(row4[0], 0xFF000000u);  // outside marker: left alone
    const uint32_t expectX[] = {2, 3, 3, 4, 5, 5, 6};
    for (int x = 1; x <= 7; ++x) EXPECT_EQ(row4[x], 32 + expectX[x - 1]) << x;  // top byte cleared
}

TEST(ApplyLens, MasksAndFullFactor) {
    Rng rng(7);
    cDIB32 src, dst;
    ASSERT_EQ(src.Create(60, 60), -1);
    ASSERT_EQ(dst.Create(60, 60), -1);
    Randomise(src, rng);

    // Factor 150: every inside pixel shows the centre pixel, masked; outside keeps full colour.
    mLens::BuildLookUpTable(30, 150, -1);
    const uint32_t centre = src.DIBitsPtr()[30 * 60 + 30];
    for (uint32_t mask : kPanelMasks) {
        Randomise(dst, rng);
        const std::vector<uint32_t> before = Pixels(dst);
        mLens::SetColorMask(mask);
        mLens::ApplyLens(src, dst);
        for (int32_t y = 0; y < 60; ++y) {
            for (int32_t x = 0; x < 60; ++x) {
                const int32_t j = x - 30, i = y - 30;
                const uint32_t got = dst.DIBitsPtr()[y * 60 + x];
                if (j * j + i * i < 900) {
                    ASSERT_EQ(got, centre & mask) << x << "," << y;
                } else {
                    ASSERT_EQ(got, before[y * 60 + x]) << x << "," << y;
                }
            }
        }
    }
}

// The fast transfer against the plain loop: random pixels, every panel mask and random ones,
// both lens types, surfaces of exactly 2R and larger ones with their own row strides.
TEST(ApplyLens, MatchesPlainLoop) {
    for (uint64_t seed = 1; seed <= 60; ++seed) {
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        Rng rng(seed);
        const int32_t R = rng.Range(1, seed % 10 == 0 ? 250 : 40);
        const int32_t F = rng.Range(-150, 150);
        const int16_t convex = static_cast<int16_t>(rng.Range(0, 1) ? -1 : 0);
        const uint32_t mask = seed % 3 == 0 ? rng.Next32() : kPanelMasks[seed % 7];
        const bool exact = seed % 2 == 0;
        const int32_t sw = 2 * R + (exact ? 0 : rng.Range(0, 9));
        const int32_t sh = 2 * R + (exact ? 0 : rng.Range(0, 9));
        const int32_t dw = 2 * R + (exact ? 0 : rng.Range(0, 9));
        const int32_t dh = 2 * R + (exact ? 0 : rng.Range(0, 9));
        mLens::BuildLookUpTable(R, F, convex);
        mLens::SetColorMask(mask);

        cDIB32 src, dst;
        ASSERT_EQ(src.Create(sw, sh), -1);
        ASSERT_EQ(dst.Create(dw, dh), -1);
        Randomise(src, rng);
        Randomise(dst, rng);
        const std::vector<uint32_t> source = Pixels(src);
        std::vector<uint32_t> expected = Pixels(dst);
        ModelApplyLens(source.data(), sw, expected.data(), dw, mask);

        mLens::ApplyLens(src, dst);
        ASSERT_TRUE(Pixels(dst) == expected);
        ASSERT_TRUE(Pixels(src) == source);

        // One surface as both source and destination: table order decides, as in the loop.
        std::vector<uint32_t> inPlace = Pixels(src);
        ModelApplyLens(inPlace.data(), sw, inPlace.data(), sw, mask);
        mLens::ApplyLens(src, src);
        ASSERT_TRUE(Pixels(src) == inPlace);
    }
}

// Empty or destroyed surfaces (a destroyed one still reports its size), radius 0, an empty
// table, and surfaces narrower or shallower than 2R, which would be written outside their
// memory: nothing is drawn.
TEST(ApplyLens, NothingToDraw) {
    Rng rng(99);
    cDIB32 src, dst, empty, gone, narrow, shallow;
    ASSERT_EQ(src.Create(20, 20), -1);
    ASSERT_EQ(dst.Create(20, 20), -1);
    ASSERT_EQ(gone.Create(20, 20), -1);
    gone.Destroy();
    ASSERT_EQ(narrow.Create(19, 40), -1);
    ASSERT_EQ(shallow.Create(40, 19), -1);
    for (cDIB32* dib : {&src, &dst, &narrow}) Randomise(*dib, rng);
    const std::vector<uint32_t> before = Pixels(dst), narrowBefore = Pixels(narrow);
    mLens::SetColorMask(0xFFFFFF);
    const std::tuple<int32_t, cDIB32*, cDIB32*> cases[] = {
        {10, &empty, &dst},  {10, &src, &empty},   {10, &gone, &dst},
        {0, &src, &dst},     {-5, &src, &dst},     {11, &src, &dst},
        {10, &narrow, &dst}, {10, &shallow, &dst}, {10, &src, &narrow}};
    for (const auto& [R, from, to] : cases) {
        mLens::BuildLookUpTable(R, 75, -1);
        mLens::ApplyLens(*from, *to);
        EXPECT_TRUE(Pixels(dst) == before) << "R " << R;
        EXPECT_TRUE(Pixels(narrow) == narrowBefore) << "R " << R;
    }
}

}  // namespace
