// Region arithmetic against a boolean grid. A region's cells are read back by selecting it as
// the clip of a surface and filling the whole surface.

#include <gtest/gtest.h>

#include <array>
#include <climits>

#include "gdi/GdiTestSupport.h"
#include "platform/gdi/Gdi.h"

using namespace gdi;
using gdi_test::MemSurface;
using gdi_test::Rng;

namespace {

constexpr int kSize = 16;
using Grid = std::array<std::array<bool, kSize>, kSize>;  // [y][x]

Grid RectGrid(int x1, int y1, int x2, int y2) {
    Grid g{};
    for (int y = std::min(y1, y2); y < std::max(y1, y2); ++y)
        for (int x = std::min(x1, x2); x < std::max(x1, x2); ++x) g[y][x] = true;
    return g;
}

Grid Apply(const Grid& a, const Grid& b, int mode) {
    Grid g{};
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            const bool p = a[y][x], q = b[y][x];
            g[y][x] = mode == RGN_AND    ? p && q
                      : mode == RGN_OR   ? p || q
                      : mode == RGN_XOR  ? p != q
                      : mode == RGN_DIFF ? p && !q
                                         : p;
        }
    return g;
}

// The region's cells, read through a clipped fill.
Grid Read(HRGN region) {
    MemSurface s(kSize, kSize);
    EXPECT_NE(SelectClipRgn(s.dc(), region), ERROR);
    HBRUSH brush = CreateSolidBrush(0xFFFFFF);
    RECT all{0, 0, kSize, kSize};
    FillRect(s.dc(), &all, brush);
    DeleteObject(brush);
    Grid g{};
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) g[y][x] = s.at(x, y) != 0;
    return g;
}

// NULLREGION, SIMPLEREGION or COMPLEXREGION for a set of cells.
int Complexity(const Grid& g) {
    int x1 = kSize, y1 = kSize, x2 = -1, y2 = -1, count = 0;
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x)
            if (g[y][x]) {
                x1 = std::min(x1, x), y1 = std::min(y1, y);
                x2 = std::max(x2, x), y2 = std::max(y2, y);
                ++count;
            }
    if (count == 0) return NULLREGION;
    return count == (x2 - x1 + 1) * (y2 - y1 + 1) ? SIMPLEREGION : COMPLEXREGION;
}

}  // namespace

TEST(GdiRegions, CombineMatchesBooleanGrid) {
    const uint32_t before = LiveObjectCount();
    for (uint64_t seed = 1; seed <= 300; ++seed) {
        SCOPED_TRACE(::testing::Message() << "seed " << seed);
        Rng rng(seed);
        // Build two regions from a few rectangles each (corners in any order).
        HRGN regions[2];
        Grid grids[2];
        for (int k = 0; k < 2; ++k) {
            regions[k] = CreateRectRgn(0, 0, 0, 0);
            grids[k] = Grid{};
            const int parts = rng.Range(0, 3);
            for (int n = 0; n < parts; ++n) {
                const int c[4] = {rng.Range(0, kSize), rng.Range(0, kSize), rng.Range(0, kSize),
                                  rng.Range(0, kSize)};
                HRGN part = CreateRectRgn(c[0], c[1], c[2], c[3]);
                const int mode = rng.Range(RGN_AND, RGN_DIFF);
                const Grid expected = Apply(grids[k], RectGrid(c[0], c[1], c[2], c[3]), mode);
                EXPECT_EQ(CombineRgn(regions[k], regions[k], part, mode), Complexity(expected));
                grids[k] = expected;
                DeleteObject(part);
            }
        }
        const int mode = rng.Range(RGN_AND, RGN_COPY);
        HRGN out = CreateRectRgn(0, 0, 1, 1);
        const Grid expected = Apply(grids[0], grids[1], mode);
        // The destination may also be the second operand.
        const HRGN target = rng.Range(0, 1) ? out : regions[1];
        EXPECT_EQ(CombineRgn(target, regions[0], regions[1], mode), Complexity(expected));
        EXPECT_EQ(Read(target), expected);
        DeleteObject(out);
        DeleteObject(regions[0]);
        DeleteObject(regions[1]);
    }
    EXPECT_EQ(LiveObjectCount(), before);
}

// Inverted, empty and edge-exclusive rectangles are covered by the random cases above; here
// coordinates far outside any surface, including the extremes.
TEST(GdiRegions, ExtremeCoordinates) {
    HRGN r = CreateRectRgn(0, 0, 1, 1);
    HRGN huge = CreateRectRgn(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
    EXPECT_EQ(CombineRgn(r, huge, 0, RGN_COPY), SIMPLEREGION);
    HRGN off = CreateRectRgn(-10, -10, 3, 2);
    EXPECT_EQ(CombineRgn(r, r, off, RGN_DIFF), COMPLEXREGION);
    EXPECT_EQ(Read(r), Apply(RectGrid(0, 0, kSize, kSize), RectGrid(0, 0, 3, 2), RGN_DIFF));
    for (HRGN h : {r, huge, off}) DeleteObject(h);
}

TEST(GdiRegions, BadArgumentsAndClipSelection) {
    HRGN a = CreateRectRgn(0, 0, 2, 2);
    HRGN stale = CreateRectRgn(0, 0, 1, 1);
    DeleteObject(stale);
    HBRUSH brush = CreateSolidBrush(0);
    for (int mode : {0, 6}) EXPECT_EQ(CombineRgn(a, a, a, mode), ERROR);
    EXPECT_EQ(CombineRgn(a, a, stale, RGN_OR), ERROR);
    EXPECT_EQ(CombineRgn(a, a, brush, RGN_OR), ERROR);
    EXPECT_EQ(CombineRgn(stale, a, a, RGN_OR), ERROR);
    EXPECT_EQ(CombineRgn(a, 0, a, RGN_COPY), ERROR);
    EXPECT_EQ(Read(a), RectGrid(0, 0, 2, 2));  // failed calls changed nothing
    MemSurface s(2, 2);
    EXPECT_EQ(SelectClipRgn(s.dc(), stale), ERROR);
    EXPECT_EQ(SelectClipRgn(s.dc(), brush), ERROR);
    EXPECT_EQ(SelectClipRgn(s.dc(), 0), SIMPLEREGION);
    // The DC keeps its own copy of the clip; an empty clip lets nothing through.
    HRGN none = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(SelectClipRgn(s.dc(), none), NULLREGION);
    DeleteObject(none);
    HBRUSH white = CreateSolidBrush(0xFFFFFF);
    RECT all{0, 0, 2, 2};
    FillRect(s.dc(), &all, white);
    EXPECT_EQ(s.Snapshot(), std::vector<uint32_t>(4, 0));
    DeleteObject(white);
    for (HGDIOBJ h : {a, brush}) DeleteObject(h);
}
