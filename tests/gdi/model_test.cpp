// BitBlt and StretchBlt against a per-pixel model (random sizes, offsets, mirrors, scaling both
// ways, same-surface overlap, clip regions, partly off-surface rectangles), and region arithmetic
// against a boolean grid, the region's cells read back through a clipped fill.

#include <gtest/gtest.h>

#include <bitset>
#include <climits>
#include <cmath>

#include "gdi/GdiTestSupport.h"

using namespace gdi_test;

namespace {

constexpr int kSize = 16;
using Grid = std::bitset<kSize * kSize>;  // cell (x, y) is bit y * kSize + x

Grid RectGrid(int x1, int y1, int x2, int y2) {
    Grid g;
    for (int y = std::min(y1, y2); y < std::max(y1, y2); ++y)
        for (int x = std::min(x1, x2); x < std::max(x1, x2); ++x) g.set(y * kSize + x);
    return g;
}

Grid Apply(const Grid& a, const Grid& b, int mode) {
    return mode == RGN_AND    ? a & b
           : mode == RGN_OR   ? a | b
           : mode == RGN_XOR  ? a ^ b
           : mode == RGN_DIFF ? a & ~b
                              : a;
}

// NULLREGION, SIMPLEREGION (the cells fill their bounding box) or COMPLEXREGION.
int Complexity(const Grid& g) {
    int x1 = kSize, y1 = kSize, x2 = 0, y2 = 0;
    for (int k = 0; k < kSize * kSize; ++k)
        if (g[k])
            x1 = std::min(x1, k % kSize), y1 = std::min(y1, k / kSize),
            x2 = std::max(x2, k % kSize + 1), y2 = std::max(y2, k / kSize + 1);
    return g.none() ? NULLREGION : g == RectGrid(x1, y1, x2, y2) ? SIMPLEREGION : COMPLEXREGION;
}

// Up to three rectangles (corners in any order) combined in random modes, each step's result
// checked; `grid` receives the cells.
HRGN RandomRegion(Rng& rng, Grid& grid) {
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    for (int n = rng.Range(0, 3); n > 0; --n) {
        int c[4];
        for (int& v : c) v = rng.Range(0, kSize);
        HRGN part = CreateRectRgn(c[0], c[1], c[2], c[3]);
        const int mode = rng.Range(RGN_AND, RGN_DIFF);
        grid = Apply(grid, RectGrid(c[0], c[1], c[2], c[3]), mode);
        EXPECT_EQ(CombineRgn(region, region, part, mode), Complexity(grid));
        DeleteObject(part);
    }
    return region;
}

Grid Read(HRGN region) {
    MemSurface s(kSize, kSize);
    EXPECT_NE(SelectClipRgn(s.dc, region), ERROR);
    Fill(s.dc, {0, 0, kSize, kSize}, 0xFFFFFF);
    Grid g;
    for (int k = 0; k < kSize * kSize; ++k) g[k] = s.px[k] != 0;
    return g;
}

struct Params {
    int xd, yd, wd, hd, xs, ys, ws, hs;
};

// Pixel i of a span of n destination pixels takes source index floor((i + 1/2) · m / n) (m the
// source span), when it is on the destination and inside the clip and its source pixel is on
// the source as it was before the copy.
std::vector<uint32_t> Model(const MemSurface& d, const Grid* clip, const MemSurface& s,
                            const Params& p) {
    std::vector<uint32_t> out = d.Snapshot();
    const std::vector<uint32_t> src = s.Snapshot();
    auto map = [](int origin, int i, int n, int m) {
        const int k = static_cast<int>(std::floor((i + 0.5) * std::abs(m) / std::abs(n)));
        return origin + (m < 0 ? -k : k);
    };
    for (int r = 0; r < std::abs(p.hd) && p.ws != 0 && p.hs != 0; ++r)
        for (int i = 0; i < std::abs(p.wd); ++i) {
            const int dx = p.xd + (p.wd < 0 ? -i : i), dy = p.yd + (p.hd < 0 ? -r : r);
            const int sx = map(p.xs, i, p.wd, p.ws), sy = map(p.ys, r, p.hd, p.hs);
            if (dx >= 0 && dy >= 0 && dx < d.w && dy < d.h && sx >= 0 && sy >= 0 && sx < s.w &&
                sy < s.h && (!clip || (*clip)[dy * kSize + dx]))
                out[dy * d.w + dx] = src[sy * s.w + sx];
        }
    return out;
}

TEST(GdiBlt, MatchesModel) {
    const uint32_t before = LiveObjectCount();
    for (uint64_t seed = 1; seed <= 4000 && !HasFatalFailure(); ++seed) {
        SCOPED_TRACE(::testing::Message() << "seed " << seed);
        Rng rng(seed);
        MemSurface dst(rng.Range(1, 10), rng.Range(1, 10)),
            other(rng.Range(1, 10), rng.Range(1, 10));
        MemSurface& src = rng.Range(0, 2) != 0 ? other : dst;
        src.FillPattern(0x100000);
        dst.FillPattern(0x200000);
        Grid clip;
        const HRGN region = rng.Coin() ? RandomRegion(rng, clip) : 0;
        SelectClipRgn(dst.dc, region);
        DeleteObject(region);
        Params p{};
        for (int* v : {&p.xd, &p.yd, &p.xs, &p.ys}) *v = rng.Range(-6, 14);
        for (int* v : {&p.wd, &p.hd, &p.ws, &p.hs}) *v = rng.Range(-14, 14);
        const bool plain = rng.Range(0, 3) == 0;
        if (plain) p.ws = p.wd, p.hs = p.hd;
        const std::vector<uint32_t> expected = Model(dst, region ? &clip : nullptr, src, p);
        EXPECT_TRUE(plain ? BitBlt(dst.dc, p.xd, p.yd, p.wd, p.hd, src.dc, p.xs, p.ys, SRCCOPY)
                          : StretchBlt(dst.dc, p.xd, p.yd, p.wd, p.hd, src.dc, p.xs, p.ys, p.ws,
                                       p.hs, SRCCOPY));
        ASSERT_EQ(dst.Snapshot(), expected);
    }
    MemSurface s(64, 48);  // wider than the random ones: row order and direction matter
    for (int d : {-3, 0, 7}) {
        s.FillPattern(0);
        const std::vector<uint32_t> expected = Model(s, nullptr, s, {d, -d, 64, 48, 0, 0, 64, 48});
        EXPECT_TRUE(BitBlt(s.dc, d, -d, 64, 48, s.dc, 0, 0, SRCCOPY));
        EXPECT_EQ(s.Snapshot(), expected) << d;
    }
    EXPECT_EQ(LiveObjectCount(), before + 2);  // the surface above
}

TEST(GdiRegions, CombineMatchesBooleanGrid) {
    const uint32_t before = LiveObjectCount();
    for (uint64_t seed = 1; seed <= 300; ++seed) {
        SCOPED_TRACE(::testing::Message() << "seed " << seed);
        Rng rng(seed);
        Grid grids[2];
        const HRGN a = RandomRegion(rng, grids[0]), b = RandomRegion(rng, grids[1]);
        const int mode = rng.Range(RGN_AND, RGN_COPY);
        const HRGN out = CreateRectRgn(0, 0, 1, 1), target = rng.Coin() ? out : b;  // b: in place
        const Grid expected = Apply(grids[0], grids[1], mode);
        EXPECT_EQ(CombineRgn(target, a, b, mode), Complexity(expected));
        EXPECT_EQ(Read(target), expected);
        for (HRGN h : {out, a, b}) DeleteObject(h);
    }
    EXPECT_EQ(LiveObjectCount(), before);
}

// Inverted, empty and edge-exclusive rectangles come up in the random cases; here coordinates
// far off any surface, then bad arguments and the DC's own copy of the clip.
TEST(GdiRegions, ExtremesBadArgumentsAndClipSelection) {
    HRGN a = CreateRectRgn(0, 0, 2, 2), huge = CreateRectRgn(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
    HRGN off = CreateRectRgn(-10, -10, 3, 2), stale = CreateRectRgn(0, 0, 1, 1);
    HRGN r = CreateRectRgn(0, 0, 1, 1), none = CreateRectRgn(0, 0, 0, 0);
    HBRUSH brush = CreateSolidBrush(0);
    DeleteObject(stale);
    MemSurface s(2, 2);
    EXPECT_EQ((Results{CombineRgn(r, huge, 0, RGN_COPY), CombineRgn(r, r, off, RGN_DIFF)}),
              (Results{SIMPLEREGION, COMPLEXREGION}));
    EXPECT_EQ(Read(r), RectGrid(0, 0, kSize, kSize) & ~RectGrid(0, 0, 3, 2));
    // Bad modes and handles; clipping by a stale region or a brush, by none and by an empty one.
    EXPECT_EQ(
        (Results{CombineRgn(a, a, a, 0), CombineRgn(a, a, a, 6), CombineRgn(a, a, stale, RGN_OR),
                 CombineRgn(a, a, brush, RGN_OR), CombineRgn(stale, a, a, RGN_OR),
                 CombineRgn(brush, a, a, RGN_OR), CombineRgn(a, 0, a, RGN_COPY),
                 SelectClipRgn(s.dc, stale), SelectClipRgn(s.dc, brush), SelectClipRgn(s.dc, 0),
                 SelectClipRgn(s.dc, none)}),
        (Results{0, 0, 0, 0, 0, 0, 0, 0, 0, SIMPLEREGION, NULLREGION}));
    EXPECT_EQ(Read(a), RectGrid(0, 0, 2, 2));  // failed calls changed nothing
    DeleteObject(none);  // the DC keeps its own copy: still nothing gets through
    Fill(s.dc, {0, 0, 2, 2}, 0xFFFFFF);
    EXPECT_EQ(s.Snapshot(), std::vector<uint32_t>(4, 0));
    for (HGDIOBJ h : {r, huge, off, a, brush}) DeleteObject(h);
}

}  // namespace
