// The GDI layer against models: the object calls (handles live, stale, stock and made up; who
// holds which bitmap; the clipboard) against a table of who holds what, block transfers and
// fills (into memory DCs and window surfaces, from the screen) against per-pixel copies, regions
// against boolean grids.

#include <gtest/gtest.h>

#include <bitset>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <vector>

#include "gdi/Clipboard.h"
#include "gdi/GdiTestSupport.h"
#include "gdi/GdiTesting.h"
#include "gdi/Surface.h"

using namespace gdi_test;
namespace hooks = gdi::testing;

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

// Random calls on DCs (memory, window surface, screen), bitmaps, brushes, regions and the
// clipboard, with live, stale, stock, null and made-up handles, against a model of who holds
// what. Regions are the unit square or empty.
TEST(GdiObjects, RandomCallsMatchModel) {
    struct Obj {
        DWORD type = 0;    // 0: a failed creation
        HGDIOBJ link = 0;  // a DC's bitmap, the DC a bitmap is selected into
        int w = 0, h = 0;
        bool filled = true;   // a region
        bool screen = false;  // a DC from GetDC
    };
    const int64_t base = LiveObjectCount();  // the stock bitmap does not exist yet
    // A freed slot waits behind 1,024 others: 300 cycles of one brush never give an earlier
    // handle again (an 8-bit generation would wrap after 256).
    std::set<HGDIOBJ> seen;  // every handle seen
    for (int i = 0; i < 300; ++i) {
        const HBRUSH brush = CreateSolidBrush(0);
        DeleteObject(brush);
        ASSERT_TRUE(seen.insert(brush).second) << i;
    }
    std::map<HGDIOBJ, Obj> live;
    const HDC dc0 = CreateCompatibleDC(0);
    const HBITMAP bitmap0 = CreateCompatibleBitmap(0, 1, 2);
    const HGDIOBJ stock = SelectObject(dc0, bitmap0);
    live[dc0] = {OBJ_MEMDC, bitmap0}, live[bitmap0] = {OBJ_BITMAP, dc0, 1, 2};
    std::vector<HGDIOBJ> pool{0, 1, 0xDEADBEEF, stock, *seen.begin(), dc0, bitmap0};
    seen.insert(pool.begin(), pool.end());
    struct {
        bool open = false, other = false, set = false;
        HBITMAP held = 0;
        std::vector<HBITMAP> published;
    } clip;
    std::vector<HBITMAP> published;
    hooks::ResetClipboard();
    SetClipboardPublisher([&](HBITMAP b) { published.push_back(b); });
    std::vector<uint32_t> screen(4);
    SetScreenSource([&] { return SurfaceView{screen.data(), 2, 2}; });
    const HWND windows[] = {0, GetDesktopWindow(), 12345};  // only the last has no DC

    Obj stockObj{OBJ_BITMAP, 0, 1, 1};
    auto find = [&](HGDIOBJ h) -> Obj* {
        auto it = live.find(h);
        return h == stock ? &stockObj : it != live.end() ? &it->second : nullptr;
    };
    auto type = [&](HGDIOBJ h) { return find(h) ? find(h)->type : 0; };
    auto isDc = [&](HGDIOBJ h) { return type(h) == OBJ_MEMDC || type(h) == OBJ_DC; };
    auto made = [&](HGDIOBJ h, Obj o) {
        ASSERT_EQ(h != 0, o.type != 0);
        if (h == 0) return;
        ASSERT_TRUE(seen.insert(h).second) << "an old handle came back";
        pool.push_back(h), live[h] = o;
    };
    auto del = [&](HGDIOBJ h) {
        const DWORD t = h == stock ? 0 : type(h);
        if (t == 0 || isDc(h) || (t == OBJ_BITMAP && live[h].link != 0)) return 0;
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
    const int kOps[] = {0, 1, 1, 2, 3, 3, 3, 4, 4, 5, 5, 6, 7, 8, 9, 10, 10, 11, 12, 13, 14, 15};
    for (int step = 0; step < 30000 && !HasFatalFailure(); ++step) {
        SCOPED_TRACE(step);
        const HGDIOBJ h = pick(), d = rng.Range(0, 3) == 0 ? 0 : pick();
        const bool dc = type(d) == OBJ_MEMDC, anyDc = isDc(d);
        const int w = sides[rng.Range(0, 4)], ht = sides[rng.Range(0, 4)];
        int64_t got = 0, want = 0;
        switch (live.size() > 30 ? rng.Range(4, 5) : kOps[rng.Range(0, int(std::size(kOps)) - 1)]) {
            case 0:
                made(CreateCompatibleDC(d), {d == 0 || anyDc ? OBJ_MEMDC : 0u, stock});
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
                const bool ok = (d == 0 || anyDc) && bad > 5 && w > 0 && ht > 0 && w <= 32768 &&
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
                if (anyDc && type(h) == OBJ_REGION)
                    want = find(h)->filled ? SIMPLEREGION : NULLREGION;
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
            case 5: {  // each DC released once, by its own call; only a surface is re-pointed
                const int call = rng.Range(0, 3);
                got = call == 0   ? DeleteDC(h)
                      : call == 1 ? ReleaseDC(windows[rng.Range(0, 1)], h)
                      : call == 2 ? ReleaseSurfaceDC(h)
                                  : UpdateSurfaceDC(h, {});
                want = call == 0 ? type(h) == OBJ_MEMDC
                                 : type(h) == OBJ_DC && find(h)->screen == (call == 1);
                if (want && call == 0) find(find(h)->link)->link = 0;
                if (want && call < 3) live.erase(h);
                break;
            }
            case 6:
                got = SelectClipRgn(d, h);
                want = !anyDc                  ? ERROR
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
                    out = Apply(Grid(find(d)->filled), Grid(out), m).any();
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
                want = rect && anyDc && type(h) == OBJ_BRUSH;
                break;
            }
            case 14: {  // a window surface, or the screen of some window
                const HWND window = windows[rng.Range(0, 2)];
                if (w > 1) made(CreateSurfaceDC({}, {}), {OBJ_DC});
                if (w <= 1)
                    made(GetDC(window), {window != 12345 ? OBJ_DC : 0u, 0, 0, 0, true, true});
                break;
            }
            case 15: {  // between any two DCs, as a plain copy only
                const DWORD rop = rng.Coin() ? SRCCOPY : 0x00EE0086;  // SRCPAINT
                got = rng.Coin() ? BitBlt(d, 0, 0, 2, 2, h, 0, 0, rop)
                                 : StretchBlt(d, 0, 0, 2, 2, h, 0, 0, 3, 1, rop);
                want = anyDc && isDc(h) && rop == SRCCOPY;
                break;
            }
        }
        ASSERT_EQ(got, want);
        // Types and bitmap records of the handles used: a 24-byte buffer gets the classic prefix.
        for (HGDIOBJ x : {h, d}) {
            BITMAP bm;
            std::memset(&bm, 0xAB, sizeof bm);
            const int n = GetObjectA(x, 24, &bm);
            const Obj* o = type(x) == OBJ_BITMAP ? find(x) : nullptr;
            ASSERT_EQ((Results{GetObjectType(x), n, reinterpret_cast<unsigned char*>(&bm)[24],
                               n ? bm.bmWidth : 0, n ? bm.bmHeight : 0}),
                      (Results{type(x), o ? 24 : 0, 0xAB, o ? o->w : 0, o ? o->h : 0}));
        }
        ASSERT_EQ(
            (Results{LiveObjectCount() - base, hooks::ClipboardIsOpen(), hooks::ClipboardBitmap()}),
            (Results{int64_t(live.size()), clip.open, clip.held}));
        ASSERT_EQ(published, clip.published);
    }
    for (HGDIOBJ x : pool) ASSERT_EQ(GetObjectType(x), type(x)) << x;
    SetScreenSource(nullptr);
    EXPECT_EQ(GetDC(0), 0u);
    hooks::ResetClipboard();
}

struct Params {
    int xd, yd, wd, hd, xs, ys, ws, hs;
};

// Pixel (x, y) of the destination is pixel i = |x - xd| of a span running in wd's direction
// when i < |wd|; it takes source index ((2i + 1) |ws|) div (2 |wd|) in ws's direction (its
// centre's scaled position), when that is on the source as it was before the copy and (x, y)
// is inside the clip. `written` receives the pixels written.
std::vector<uint32_t> Model(const MemSurface& d, const Grid* clip, const MemSurface& s,
                            const Params& p, Grid& written) {
    std::vector<uint32_t> out = d.Snapshot();
    const std::vector<uint32_t> src = s.Snapshot();
    auto map = [](int64_t x, int64_t origin, int64_t n, int64_t from, int64_t m) -> int64_t {
        const int64_t i = n < 0 ? origin - x : x - origin;
        if (i < 0 || i >= std::abs(n) || m == 0) return -1;
        const int64_t k = (2 * i + 1) * std::abs(m) / (2 * std::abs(n));
        return from + (m < 0 ? -k : k);
    };
    for (int y = 0; y < d.h; ++y)
        for (int x = 0; x < d.w; ++x) {
            const int64_t sx = map(x, p.xd, p.wd, p.xs, p.ws), sy = map(y, p.yd, p.hd, p.ys, p.hs);
            if (sx >= 0 && sy >= 0 && sx < s.w && sy < s.h && (!clip || (*clip)[y * kSize + x])) {
                out[y * d.w + x] = src[sy * s.w + sx];
                written.set(y * kSize + x);
            }
        }
    return out;
}

// Copies and fills into a memory DC or a window surface over the same pixels (made over none
// and pointed at them after its clip was selected, or re-pointed at none: then nothing is
// drawn), from a memory DC, the screen or in place. One in eight has far origins and spans of
// 2^31 - 1 or 2^31 pixels that reach back over the surfaces. A surface reports each pixel
// written once, and no other.
TEST(GdiBlt, MatchesModel) {
    const uint32_t before = LiveObjectCount();
    for (uint64_t seed = 1; seed <= 4000 && !HasFatalFailure(); ++seed) {
        SCOPED_TRACE(::testing::Message() << "seed " << seed);
        Rng rng(seed);
        MemSurface dst(rng.Range(1, 10), rng.Range(1, 10)),
            other(rng.Range(1, 10), rng.Range(1, 10)), one(1, 1);
        MemSurface& src = rng.Range(0, 2) != 0 ? other : dst;
        src.FillPattern(0x100000);
        dst.FillPattern(0x200000);
        const SurfaceView view{dst.px, dst.w, dst.h};
        const bool surface = rng.Coin(), pointed = !surface || rng.Range(0, 7) != 0;
        Grid reported;
        const HDC dc =
            !surface ? dst.dc : CreateSurfaceDC(pointed ? SurfaceView{} : view, [&](const RECT& r) {
                const Grid cells = RectGrid(r.left, r.top, r.right, r.bottom);
                EXPECT_TRUE((reported & cells).none());
                reported |= cells;
            });
        SetScreenSource([&] { return SurfaceView{other.px, other.w, other.h}; });
        const HDC from = &src == &other && rng.Coin() ? GetDC(0) : src.dc;
        // The clip: up to three rectangles (corners in any order) combined in random modes, each
        // step checked. Corners 0 and kSize stand for INT_MIN and INT_MAX: the border cells stand
        // for all that lies beyond them.
        auto far = [](int v) { return v == 0 ? INT_MIN : v == kSize ? INT_MAX : v; };
        Grid clip;
        const HRGN region = rng.Coin() ? CreateRectRgn(0, 0, 0, 0) : 0;
        for (int n = region ? rng.Range(0, 3) : 0; n > 0; --n) {
            int c[4];
            for (int& v : c) v = rng.Range(0, kSize);
            HRGN part = CreateRectRgn(far(c[0]), far(c[1]), far(c[2]), far(c[3]));
            const int mode = rng.Range(RGN_AND, RGN_DIFF);
            clip = Apply(clip, RectGrid(c[0], c[1], c[2], c[3]), mode);
            EXPECT_EQ(CombineRgn(region, region, part, mode), Complexity(clip));
            DeleteObject(part);
        }
        SelectClipRgn(dc, region);
        DeleteObject(region);  // the DC keeps its own copy
        if (surface) UpdateSurfaceDC(dc, pointed ? view : SurfaceView{nullptr, dst.w, dst.h});
        Params p{};
        for (int* v : {&p.xd, &p.yd, &p.xs, &p.ys}) *v = rng.Range(-6, 14);
        for (int* v : {&p.wd, &p.hd, &p.ws, &p.hs}) *v = rng.Range(-14, 14);
        const int kind = rng.Range(0, 3);  // BitBlt, FillRect, StretchBlt
        if (kind == 0) p.ws = p.wd, p.hs = p.hd;
        if (rng.Range(0, 7) == 0) {
            for (int* v : {&p.wd, &p.hd, &p.ws, &p.hs}) *v = *v < 0 ? INT_MIN : *v ? INT_MAX : 0;
            for (auto [v, n] :
                 {std::pair{&p.xd, p.wd}, {&p.yd, p.hd}, {&p.xs, p.ws}, {&p.ys, p.hs}})
                *v += n < 0 ? 1 << 30 : INT_MIN / 2;
        }
        const COLORREF colour = rng.Next32();  // the top byte never reaches a pixel
        one.px[0] = (colour & 0xFF) << 16 | (colour & 0xFF00) | (colour >> 16 & 0xFF);
        // A fill copies one pixel of its colour over its rectangle: right and bottom exclusive,
        // inverted ones draw nothing.
        const Params fill{p.xd, p.yd, std::max(p.wd, 0), std::max(p.hd, 0), 0, 0, 1, 1};
        Grid written;
        const std::vector<uint32_t> expected =
            !pointed    ? dst.Snapshot()
            : kind == 1 ? Model(dst, region ? &clip : nullptr, one, fill, written)
                        : Model(dst, region ? &clip : nullptr, src, p, written);
        const RECT r{p.xd, p.yd, p.xd + p.wd, p.yd + p.hd};
        const HBRUSH brush = CreateSolidBrush(colour);
        EXPECT_TRUE(kind == 0   ? BitBlt(dc, p.xd, p.yd, p.wd, p.hd, from, p.xs, p.ys, SRCCOPY)
                    : kind == 1 ? FillRect(dc, &r, brush)
                                : StretchBlt(dc, p.xd, p.yd, p.wd, p.hd, from, p.xs, p.ys, p.ws,
                                             p.hs, SRCCOPY));
        DeleteObject(brush);
        ASSERT_EQ(dst.Snapshot(), expected);
        ASSERT_TRUE(!surface || reported == written);
        EXPECT_TRUE((from == src.dc || ReleaseDC(0, from)) && (!surface || ReleaseSurfaceDC(dc)));
    }
    SetScreenSource(nullptr);
    EXPECT_EQ(LiveObjectCount(), before);
}

}  // namespace
