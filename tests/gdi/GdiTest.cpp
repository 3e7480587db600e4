// The GDI layer against models: the object calls (handles live, stale, stock and made up; who
// holds which bitmap; the clipboard) against a table of who holds what, block transfers and
// fills against per-pixel copies, regions against boolean grids; then extreme coordinates and
// DCs over borrowed pixels (window surfaces, the screen).

#include <gtest/gtest.h>

#include <bitset>
#include <climits>
#include <cmath>
#include <cstring>
#include <map>
#include <numeric>
#include <set>
#include <vector>

#include "gdi/Clipboard.h"
#include "gdi/GdiTestSupport.h"
#include "gdi/GdiTesting.h"
#include "gdi/Surface.h"

using namespace gdi_test;
namespace hooks = gdi::testing;

namespace {

HGDIOBJ StaleBrush() {
    HBRUSH brush = CreateSolidBrush(0);
    DeleteObject(brush);
    return brush;
}

// Random calls on DCs, bitmaps, brushes, regions and the clipboard, with live, stale, stock, null
// and made-up handles, against a model of who holds what. Regions are the unit square or empty.
TEST(GdiObjects, RandomCallsMatchModel) {
    struct Obj {
        DWORD type = 0;    // 0: a failed creation
        HGDIOBJ link = 0;  // a DC's bitmap, the DC a bitmap is selected into
        int w = 0, h = 0;
        bool filled = true;  // a region
    };
    const int64_t base = LiveObjectCount();  // the stock bitmap does not exist yet
    // A freed slot waits behind 1,024 others: 300 cycles of one brush never give its first handle
    // again (an 8-bit generation would wrap after 256).
    const HGDIOBJ first = StaleBrush();
    for (int i = 0; i < 300; ++i) ASSERT_NE(StaleBrush(), first) << i;
    std::map<HGDIOBJ, Obj> live;
    const HDC dc0 = CreateCompatibleDC(0);
    const HBITMAP bitmap0 = CreateCompatibleBitmap(0, 1, 2);
    const HGDIOBJ stock = SelectObject(dc0, bitmap0);
    live[dc0] = {OBJ_MEMDC, bitmap0}, live[bitmap0] = {OBJ_BITMAP, dc0, 1, 2};
    std::vector<HGDIOBJ> pool{0, 1, 0xDEADBEEF, stock, first, dc0, bitmap0};  // every handle seen
    std::set<HGDIOBJ> seen(pool.begin(), pool.end());
    struct {
        bool open = false, other = false, set = false;
        HBITMAP held = 0;
        std::vector<HBITMAP> published;
    } clip;
    std::vector<HBITMAP> published;
    hooks::ResetClipboard();
    SetClipboardPublisher([&](HBITMAP b) { published.push_back(b); });

    Obj stockObj{OBJ_BITMAP, 0, 1, 1};
    auto find = [&](HGDIOBJ h) -> Obj* {
        auto it = live.find(h);
        return h == stock ? &stockObj : it != live.end() ? &it->second : nullptr;
    };
    auto type = [&](HGDIOBJ h) { return find(h) ? find(h)->type : 0; };
    auto made = [&](HGDIOBJ h, Obj o) {
        ASSERT_EQ(h != 0, o.type != 0);
        if (h == 0) return;
        ASSERT_TRUE(seen.insert(h).second) << "an old handle came back";
        pool.push_back(h), live[h] = o;
    };
    auto del = [&](HGDIOBJ h) {
        const DWORD t = h == stock ? 0 : type(h);
        if (t == 0 || t == OBJ_MEMDC || (t == OBJ_BITMAP && live[h].link != 0)) return 0;
        return int(live.erase(h));
    };
    auto drop = [&] { del(clip.held), clip.held = 0; };
    Rng rng(7);
    auto pick = [&] {
        if (!live.empty() && rng.Range(0, 2) != 0)
            return std::next(live.begin(), rng.Range(0, int(live.size()) - 1))->first;
        return pool[size_t(rng.Range(0, int(pool.size()) - 1))];
    };
    const int sides[] = {-1, 1, 5, 32768, 32769};
    // Creations, selections and deletions are drawn more often than the rest.
    const int kOps[] = {0, 1, 1, 2, 3, 3, 3, 4, 4, 5, 6, 7, 8, 9, 10, 10, 11, 12, 13};
    for (int step = 0; step < 30000 && !HasFatalFailure(); ++step) {
        SCOPED_TRACE(step);
        const HGDIOBJ h = pick(), d = rng.Range(0, 3) == 0 ? 0 : pick();
        const bool dc = type(d) == OBJ_MEMDC;
        const int w = sides[rng.Range(0, 4)], ht = sides[rng.Range(0, 4)];
        int64_t got = 0, want = 0;
        switch (live.size() > 30 ? rng.Range(4, 5) : kOps[rng.Range(0, int(std::size(kOps)) - 1)]) {
            case 0:
                made(CreateCompatibleDC(d), {d == 0 || dc ? OBJ_MEMDC : 0u, stock});
                break;
            case 1: {  // compatible, or a DIB section with one header field wrong or none
                const int bad = rng.Range(0, 9);
                BITMAPINFO info{{40, w, bad == 0 ? std::abs(ht) : -ht, WORD(bad == 1 ? 2 : 1),
                                 WORD(bad == 2 ? 24 : 32), bad == 3 ? 3u : 0u, 0, 0, 0, 0, 0}};
                void* bits = &bits;
                const HBITMAP b =
                    bad > 6 ? CreateCompatibleBitmap(d, w, ht)
                            : CreateDIBSection(d, &info, bad == 4, &bits, bad == 5 ? 99 : 0, 0);
                // Each side 1..32768, at most 1 GiB of pixels; bottom-up sections are refused.
                const bool ok = (d == 0 || dc) && bad > 5 && w > 0 && ht > 0 && w <= 32768 &&
                                ht <= 32768 && int64_t{w} * ht <= (1 << 28);
                made(b, {ok ? OBJ_BITMAP : 0u, 0, w, ht});
                ASSERT_TRUE(bad > 6 || (bits != nullptr) == ok);  // the pixels, or null
                break;
            }
            case 2:  // a brush, or the unit square (corners swapped)
                made(w > 1 ? CreateSolidBrush(0) : CreateRectRgn(1, 1, 0, 0),
                     {w > 1 ? OBJ_BRUSH : OBJ_REGION});
                break;
            case 3:  // selecting a region sets the clip
                got = SelectObject(d, h);
                if (dc && type(h) == OBJ_REGION) want = find(h)->filled ? SIMPLEREGION : NULLREGION;
                if (dc && type(h) == OBJ_BITMAP && (find(h)->link == 0 || find(h)->link == d)) {
                    Obj& selected = *find(find(d)->link);
                    want = find(d)->link;
                    if (want != HGDIOBJ(h)) selected.link = 0, find(h)->link = h == stock ? 0 : d;
                    find(d)->link = h;
                }
                break;
            case 4:
                got = DeleteObject(h), want = del(h);
                break;
            case 5:
                got = DeleteDC(h), want = type(h) == OBJ_MEMDC;
                if (want) find(find(h)->link)->link = 0, live.erase(h);
                break;
            case 6:
                got = SelectClipRgn(d, h);
                want = !dc                     ? ERROR
                       : h == 0                ? SIMPLEREGION
                       : type(h) != OBJ_REGION ? ERROR
                       : find(h)->filled       ? SIMPLEREGION
                                               : NULLREGION;
                break;
            case 7: {  // the modes and a bad one on each side
                const int m = rng.Range(0, 6);
                got = CombineRgn(h, d, h, m);
                if (type(h) == OBJ_REGION && type(d) == OBJ_REGION && m > 0 && m < 6) {
                    bool& out = find(h)->filled;
                    const bool a = find(d)->filled, b = out;
                    out = m == RGN_AND    ? a && b
                          : m == RGN_OR   ? a || b
                          : m == RGN_XOR  ? a != b
                          : m == RGN_DIFF ? a && !b
                                          : a;
                    want = out ? SIMPLEREGION : NULLREGION;
                }
                break;
            }
            case 8:
                got = OpenClipboard(0), want = !clip.open && !clip.other;
                if (want) clip.open = true, clip.set = false;
                break;
            case 9:
                got = EmptyClipboard(), want = clip.open;
                if (want) drop();
                break;
            case 10: {
                const UINT format = rng.Coin() ? CF_BITMAP : 1;
                got = SetClipboardData(format, h);
                if (clip.open && format == CF_BITMAP && h != stock && type(h) == OBJ_BITMAP &&
                    find(h)->link == 0) {
                    if (clip.held != h) drop();
                    want = clip.held = h, clip.set = true;
                }
                break;
            }
            case 11:
                got = CloseClipboard(), want = clip.open;
                if (clip.open && clip.set && clip.held) clip.published.push_back(clip.held);
                clip.open = clip.set = false;
                break;
            case 12:
                hooks::HoldClipboardOpen(clip.other = rng.Range(0, 3) == 0);
                break;
            case 13: {  // an empty rectangle: nothing drawn, but only a DC and a brush succeed
                const RECT r{w, w, w, w};
                const bool rect = rng.Coin();
                got = FillRect(d, rect ? &r : nullptr, h) != 0;
                want = rect && dc && type(h) == OBJ_BRUSH;
                break;
            }
        }
        ASSERT_EQ(got, want);
        // Types and bitmap records of the handles used: a 24-byte buffer gets the classic prefix.
        for (HGDIOBJ x : {h, d}) {
            unsigned char bytes[32];
            std::memset(bytes, 0xAB, sizeof bytes);
            BITMAP bm{};
            const int n = GetObjectA(x, 24, bytes);
            std::memcpy(&bm, bytes, 24);
            const Obj* o = type(x) == OBJ_BITMAP ? find(x) : nullptr;
            ASSERT_EQ(
                (Results{GetObjectType(x), n, bytes[24], n ? bm.bmWidth : 0, n ? bm.bmHeight : 0}),
                (Results{type(x), o ? 24 : 0, 0xAB, o ? o->w : 0, o ? o->h : 0}));
        }
        ASSERT_EQ(
            (Results{LiveObjectCount() - base, hooks::ClipboardIsOpen(), hooks::ClipboardBitmap()}),
            (Results{int64_t(live.size()), clip.open, clip.held}));
        ASSERT_EQ(published, clip.published);
    }
    for (HGDIOBJ x : pool) ASSERT_EQ(GetObjectType(x), type(x)) << x;
    hooks::ResetClipboard();
}

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
        const int kind = rng.Range(0, 3);  // BitBlt, FillRect, StretchBlt
        if (kind == 0) p.ws = p.wd, p.hs = p.hd;
        std::vector<uint32_t> expected = Model(dst, region ? &clip : nullptr, src, p);
        const COLORREF colour = rng.Next32();  // the top byte never reaches a pixel
        if (kind == 1) {                       // right and bottom exclusive; inverted: nothing
            expected = dst.Snapshot();
            for (int y = std::max(p.yd, 0); y < std::min(p.yd + p.hd, dst.h); ++y)
                for (int x = std::max(p.xd, 0); x < std::min(p.xd + p.wd, dst.w); ++x)
                    if (!region || clip[y * kSize + x])
                        expected[y * dst.w + x] =
                            (colour & 0xFF) << 16 | (colour & 0xFF00) | (colour >> 16 & 0xFF);
        }
        const RECT r{p.xd, p.yd, p.xd + p.wd, p.yd + p.hd};
        const HBRUSH brush = CreateSolidBrush(colour);
        EXPECT_TRUE(kind == 0 ? BitBlt(dst.dc, p.xd, p.yd, p.wd, p.hd, src.dc, p.xs, p.ys, SRCCOPY)
                    : kind == 1 ? FillRect(dst.dc, &r, brush)
                                : StretchBlt(dst.dc, p.xd, p.yd, p.wd, p.hd, src.dc, p.xs, p.ys,
                                             p.ws, p.hs, SRCCOPY));
        DeleteObject(brush);
        ASSERT_EQ(dst.Snapshot(), expected);
    }
    EXPECT_EQ(LiveObjectCount(), before);
}

// Inverted, empty and edge-exclusive rectangles and bad handles come up in the random cases;
// here coordinates far off any surface, the DC's own copy of the clip, and argument checks.
TEST(GdiBlt, ExtremeCoordinatesTheDcsOwnClipAndArgumentChecks) {
    HRGN huge = CreateRectRgn(INT_MIN, INT_MIN, INT_MAX, INT_MAX), r = CreateRectRgn(0, 0, 1, 1);
    HRGN off = CreateRectRgn(-10, -10, 3, 2), none = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ((Results{CombineRgn(r, huge, 0, RGN_COPY), CombineRgn(r, r, off, RGN_DIFF)}),
              (Results{SIMPLEREGION, COMPLEXREGION}));
    MemSurface grid(kSize, kSize), s(2, 2);
    EXPECT_NE(SelectClipRgn(grid.dc, r), ERROR);
    Fill(grid.dc, {0, 0, kSize, kSize}, 0xFFFFFF);
    for (int k = 0; k < kSize * kSize; ++k)
        EXPECT_EQ(grid.px[k] != 0, (RectGrid(0, 0, kSize, kSize) & ~RectGrid(0, 0, 3, 2))[k]) << k;
    EXPECT_EQ(SelectClipRgn(s.dc, none), NULLREGION);
    DeleteObject(none);  // the DC keeps its own copy: still nothing gets through
    Fill(s.dc, {0, 0, 2, 2}, 0xFFFFFF);
    EXPECT_EQ(s.Snapshot(), std::vector<uint32_t>(4, 0));
    for (HGDIOBJ h : {r, huge, off}) DeleteObject(h);

    MemSurface a(4, 4), b(4, 4);
    a.FillPattern(0);
    const int m = INT_MIN / 2;
    // Other rops, bad DCs (a bitmap is not one): FALSE; a zero extent and far-off rectangles
    // draw nothing.
    EXPECT_EQ((Results{BitBlt(b.dc, 0, 0, 4, 4, a.dc, 0, 0, 0x00EE0086 /* SRCPAINT */),
                       BitBlt(b.dc, 0, 0, 4, 4, 0, 0, 0, SRCCOPY),
                       BitBlt(0, 0, 0, 4, 4, a.dc, 0, 0, SRCCOPY),
                       StretchBlt(b.dc, 0, 0, 4, 4, a.bitmap, 0, 0, 4, 4, SRCCOPY),
                       StretchBlt(b.dc, 0, 0, 4, 4, a.dc, 0, 0, 0, 4, SRCCOPY),
                       BitBlt(b.dc, INT_MIN, INT_MIN, INT_MAX, INT_MAX, a.dc, INT_MAX, 0, SRCCOPY),
                       StretchBlt(b.dc, INT_MAX, 0, INT_MIN, 4, a.dc, 0, 0, INT_MIN, 1, SRCCOPY)}),
              (Results{0, 0, 0, 0, 1, 1, 1}));
    EXPECT_EQ(b.Snapshot(), std::vector<uint32_t>(16, 0));
    // Huge extents that do cover both surfaces still map pixel to pixel.
    EXPECT_TRUE(BitBlt(b.dc, m, m, INT_MAX, INT_MAX, a.dc, m, m, SRCCOPY));
    EXPECT_EQ(b.Snapshot(), a.Snapshot());
}

// A window surface: drawing partly off it reaches and reports only the part on it; the clip
// stays across calls and re-pointing; an unusable view draws and reports nothing. The screen DC
// reads the registered source. Neither is a memory DC, and each is released once.
TEST(GdiSurfaceDc, WindowSurfacesAndTheScreen) {
    MemSurface lens(4, 4);
    lens.FillPattern(0x10000);
    const int64_t before = LiveObjectCount();
    std::vector<uint32_t> window(8 * 6, 0), bigger(10 * 10, 0);
    Results dirty;  // left, top, right, bottom of each reported rectangle
    HDC dc = CreateSurfaceDC({window.data(), 8, 6}, [&](const RECT& r) {
        dirty.insert(dirty.end(), {r.left, r.top, r.right, r.bottom});
    });
    EXPECT_EQ((Results{GetObjectType(dc), LiveObjectCount() - before,
                       BitBlt(dc, 6, -1, 4, 4, lens.dc, 0, 0, SRCCOPY), window[2 * 8 + 7]}),
              (Results{OBJ_DC, 1, 1, lens.px[3 * 4 + 1]}));
    HRGN old = CreateRectRgn(0, 0, 4, 4), moved = CreateRectRgn(2, 2, 6, 6);
    EXPECT_EQ((Results{CombineRgn(old, old, moved, RGN_DIFF), SelectClipRgn(dc, old),
                       DeleteObject(old), DeleteObject(moved)}),
              (Results{COMPLEXREGION, COMPLEXREGION, 1, 1}));
    Fill(dc, {0, 0, 8, 6}, 0x0000FF);  // the old-minus-new square: two rectangles
    EXPECT_EQ(
        (Results{window[3 * 8 + 1], window[3 * 8 + 2], UpdateSurfaceDC(dc, {bigger.data(), 10, 10}),
                 BitBlt(dc, 0, 0, 10, 10, lens.dc, 0, 0, SRCCOPY), bigger[0], bigger[3 * 10 + 3],
                 UpdateSurfaceDC(dc, {nullptr, 10, 10}),
                 BitBlt(dc, 0, 0, 10, 10, lens.dc, 0, 0, SRCCOPY)}),
        (Results{0x00FF0000, 0, 1, 1, lens.px[0], 0, 1, 1}));
    EXPECT_EQ(dirty, (Results{6, 0, 8, 3, 0, 0, 4, 2, 0, 2, 2, 4, 0, 0, 4, 2, 0, 2, 2, 4}));
    EXPECT_EQ((Results{SelectObject(dc, lens.bitmap), DeleteDC(dc), UpdateSurfaceDC(lens.dc, {}),
                       ReleaseSurfaceDC(lens.dc), ReleaseSurfaceDC(dc), ReleaseSurfaceDC(dc),
                       LiveObjectCount() - before}),
              (Results{0, 0, 0, 0, 1, 0, 0}));

    MemSurface snapshot(5, 3);
    SetScreenSource(nullptr);
    EXPECT_EQ(GetDC(0), 0u);
    std::vector<uint32_t> screen(5 * 3);
    std::iota(screen.begin(), screen.end(), 100u);
    SetScreenSource([&] { return SurfaceView{screen.data(), 5, 3}; });
    const HDC desk = GetDC(GetDesktopWindow()), scr = GetDC(0);
    EXPECT_EQ((Results{GetDC(12345), GetObjectType(desk), GetObjectType(scr),
                       BitBlt(snapshot.dc, 0, 0, 5, 3, scr, 0, 0, SRCCOPY), DeleteDC(scr),
                       ReleaseDC(0, snapshot.dc), ReleaseDC(0, scr),
                       ReleaseDC(GetDesktopWindow(), desk), ReleaseDC(0, scr)}),
              (Results{0, OBJ_DC, OBJ_DC, 1, 0, 0, 1, 1, 0}));
    EXPECT_EQ(snapshot.Snapshot(), screen);
    SetScreenSource(nullptr);
}

}  // namespace
