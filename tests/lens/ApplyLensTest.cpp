#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "dib/cDIB32.h"
#include "lens/mLens.h"
#include "support/Rng.h"

namespace {

using mLens::LookUpTable;
using test_support::Rng;

// The transfer as a plain loop over every table entry, on raw pixel memory.
void ModelApplyLens(const uint32_t* src, int32_t srcWidth, uint32_t* dst, int32_t dstWidth,
                    uint32_t mask) {
    const int32_t R = LookUpTable().Radius();
    for (int32_t i = -R; i <= R && R > 0; ++i)
        for (int32_t j = -R; j <= R; ++j) {
            const mLens::tLensOffset e = LookUpTable()(j, i);
            if (e.OffsetX > -R || e.OffsetY > -R)
                dst[(R + i) * dstWidth + (R + j)] =
                    src[(R + e.OffsetY) * srcWidth + (R + e.OffsetX)] & mask;
        }
}

std::vector<uint32_t> Pixels(const cDIB32& dib) {
    const uint32_t* px = dib.DIBitsPtr();
    return {px, px + (px ? size_t(dib.Width()) * dib.Height() : 0)};
}

// A surface of random pixels.
void Make(cDIB32& dib, int32_t w, int32_t h, Rng& rng) {
    ASSERT_EQ(dib.Create(w, h), -1);
    for (size_t k = 0; k < size_t(w) * h; ++k) dib.DIBitsPtr()[k] = rng.Next32();
}

TEST(ApplyLens, WorkedExampleRow) {
    mLens::BuildLookUpTable(4, 75, -1);
    mLens::SetColorMask(0xFFFFFF);
    EXPECT_EQ(mLens::ColorMask(), 0xFFFFFFu);
    cDIB32 src, dst;
    ASSERT_EQ(src.Create(8, 8), -1);
    ASSERT_EQ(dst.Create(8, 8), -1);
    for (uint32_t k = 0; k < 64; ++k)
        src.DIBitsPtr()[k] = 0xAB000000u | k, dst.DIBitsPtr()[k] = 0xFF000000u;  // k = x + 8y
    mLens::ApplyLens(src, dst);
    // Row 4: the outside marker is left alone; the top byte is cleared.
    const std::vector<uint32_t> row4(dst.DIBitsPtr() + 32, dst.DIBitsPtr() + 40);
    EXPECT_EQ(row4, (std::vector<uint32_t>{0xFF000000u, 34, 35, 35, 36, 37, 37, 38}));
}

// The fast transfer against the plain loop: random pixels, every panel mask (seeds cycle
// through them) and random ones, both lens types, surfaces of exactly 2R and larger ones with
// their own row strides, and one surface as both source and destination, where table order
// decides.
TEST(ApplyLens, MatchesPlainLoop) {
    const uint32_t kPanelMasks[] = {0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF,
                                    0xFFFF00, 0x00FFFF, 0xFF00FF};
    for (uint64_t seed = 1; seed <= 60; ++seed) {
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        Rng rng(seed);
        const int32_t R = rng.Range(1, seed % 10 == 0 ? 250 : 40), F = rng.Range(-150, 150);
        mLens::BuildLookUpTable(R, F, static_cast<int16_t>(rng.Range(0, 1) ? -1 : 0));
        const uint32_t mask = seed % 3 == 0 ? rng.Next32() : kPanelMasks[seed % 7];
        mLens::SetColorMask(mask);
        const int32_t spare = seed % 2 == 0 ? 0 : 9;
        const int32_t sw = 2 * R + rng.Range(0, spare), sh = 2 * R + rng.Range(0, spare);
        const int32_t dw = 2 * R + rng.Range(0, spare), dh = 2 * R + rng.Range(0, spare);
        cDIB32 src, dst;
        Make(src, sw, sh, rng);
        Make(dst, dw, dh, rng);
        const std::vector<uint32_t> source = Pixels(src);
        std::vector<uint32_t> expected = Pixels(dst), inPlace = source;
        ModelApplyLens(source.data(), sw, expected.data(), dw, mask);
        mLens::ApplyLens(src, dst);
        ASSERT_TRUE(Pixels(dst) == expected);
        ASSERT_TRUE(Pixels(src) == source);
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
    Make(src, 20, 20, rng);
    Make(dst, 20, 20, rng);
    Make(gone, 20, 20, rng);
    gone.Destroy();
    Make(narrow, 19, 40, rng);
    Make(shallow, 40, 19, rng);
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
