// cDIB32: creation and destruction, the copy members, orientation, best fit and clipboard export,
// with pixels compared as whole pictures.
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <functional>
#include <numeric>
#include <string>

#include "dib/cDIB32.h"
#include "gdi/Clipboard.h"
#include "gdi/GdiTesting.h"
#include "gdi/Surface.h"
#include "support/LensModel.h"  // the shared Picture
#include "support/Rng.h"

namespace {

namespace hooks = gdi::testing;
using test_support::Rng;
using Values = std::vector<int64_t>;  // several results compared at once, in order
constexpr uint32_t kWhite = 0x00FFFFFF;

Picture Make(int32_t w, int32_t h, const std::function<uint32_t(int32_t, int32_t)>& f) {
    Picture p(w, h);
    for (int32_t k = 0; k < w * h; ++k) p.pixels[size_t(k)] = f(k % w, k / w);  // row after row
    return p;
}

// Pixel (x, y) is tag + 0x0000yyxx: every position recognisable.
Picture Pattern(int32_t w, int32_t h, uint32_t tag = 0x100000) {
    return Make(w, h, [=](int32_t x, int32_t y) { return tag + uint32_t(y << 8) + uint32_t(x); });
}

Picture Read(const cDIB32& dib) {
    if (!dib.DIBitsPtr()) return {};  // Empty
    Picture p(dib.Width(), dib.Height());
    p.pixels.assign(dib.DIBitsPtr(), dib.DIBitsPtr() + p.pixels.size());
    return p;
}

void Write(cDIB32& dib, const Picture& p) {
    ASSERT_EQ(dib.Create(p.width, p.height), -1);
    std::copy(p.pixels.begin(), p.pixels.end(), dib.DIBitsPtr());
}

// The remembered size, whether the surface exists, and the GDI objects alive beyond `base`.
Values State(const cDIB32& d, int64_t base) {
    return {
        d.Width(),     d.Height(),      d.BytesPerScanLine(),     d.Size(),
        d.hDIB() != 0, d.hDIBDC() != 0, d.DIBitsPtr() != nullptr, gdi::LiveObjectCount() - base};
}

// Records events as numbers: p for Progress(p), -1 for ProgressEnd.
struct EventLog {
    explicit EventLog(cDIB32& dib) {
        dib.Progress = [this](int32_t p) { events.push_back(p); };
        dib.ProgressEnd = [this] { events.push_back(-1); };
    }
    std::vector<int32_t> events;
};

TEST(cDIB32, CreateDestroyImpossibleSizesAndPictures) {
    const int64_t base = gdi::LiveObjectCount();
    {
        cDIB32 dib;
        dib.Destroy();  // Empty: harmless
        // Each creation fills with the back colour (COLORREF 255 is red, black by default) and
        // releases the surface before: a DC and a section stay.
        gdi::HBITMAP old = 0;
        for (const auto& [w, h, back, pixel] : {std::array<int32_t, 4>{2, 3, 255, 0x00FF0000},
                                                {5, 4, -1, 0},
                                                {3, 1, 0x00123456, 0x00563412}}) {
            ASSERT_EQ(back < 0 ? dib.Create(w, h) : dib.Create(w, h, uint32_t(back)), -1);
            EXPECT_EQ(Read(dib), Picture(w, h, uint32_t(pixel)));
            EXPECT_EQ(State(dib, base), (Values{w, h, 4 * w, 4 * w * h, 1, 1, 1, 2}));
            EXPECT_EQ(gdi::GetObjectType(old), 0u);
            old = dib.hDIB();
        }
        ASSERT_EQ(dib.Create(7, 5), -1);
        dib.Destroy();  // keeps the size; again: harmless
        dib.Destroy();
        EXPECT_EQ(State(dib, base), (Values{7, 5, 28, 140, 0, 0, 0, 0}));
        ASSERT_EQ(dib.Create(1, 1), -1);
    }
    EXPECT_EQ(gdi::LiveObjectCount(), base);  // the destructor destroys

    // Refused, nothing allocated: the old surface and the new context are gone, and the size
    // asked for is remembered (best fit reads it).
    const std::pair<int32_t, int32_t> refused[] = {
        {0, 5},     {5, 0},    {-3, 4}, {4, -3}, {65536, 65536}, {1, INT_MIN}, {INT_MAX, INT_MAX},
        {40000, 8}, {8, 40000}};
    for (const auto& [w, h] : refused) {
        cDIB32 dib;
        ASSERT_EQ(dib.Create(4, 4), -1);
        EXPECT_EQ(dib.Create(w, h, 255), 0);
        const Values state = State(dib, base);
        EXPECT_EQ(Values(state.begin() + 4, state.end()), Values(4, 0)) << w << " x " << h;
        EXPECT_EQ(std::pair(dib.Width(), dib.Height()), std::pair(w, h));
    }

    // CreateFromStdPicture copies a bitmap (not selected anywhere, as a picture's bitmap is)
    // and keeps it deselected for its owner to delete; anything but a live bitmap is refused
    // and the surface stays as it was.
    cDIB32 dib, selected;
    const Picture pattern = Pattern(5, 3);
    Write(selected, pattern);
    const gdi::BITMAPINFO info{{40, 5, -3, 1, 32, gdi::BI_RGB, 0, 0, 0, 0, 0}};
    void* bits = nullptr;
    const gdi::HBITMAP bitmap = gdi::CreateDIBSection(0, &info, gdi::DIB_RGB_COLORS, &bits, 0, 0);
    std::copy(pattern.pixels.begin(), pattern.pixels.end(), static_cast<uint32_t*>(bits));
    auto from = [&](gdi::HGDIOBJ handle) {
        const StdPicture picture(handle);
        return dib.CreateFromStdPicture(&picture);
    };
    EXPECT_EQ((Values{from(bitmap), Read(dib) == pattern}), (Values{-1, 1}));
    const gdi::HBITMAP hDIB = dib.hDIB();
    const uint32_t brush = gdi::CreateSolidBrush(0x0000FF), region = gdi::CreateRectRgn(0, 0, 4, 4);
    EXPECT_EQ((Values{gdi::DeleteObject(bitmap), dib.CreateFromStdPicture(nullptr), from(brush),
                      from(region), from(bitmap), from(0), dib.hDIB()}),
              (Values{1, 0, 0, 0, 0, 0, hDIB}));
    EXPECT_EQ(Read(dib), pattern);
    for (gdi::HGDIOBJ h : {brush, region}) gdi::DeleteObject(h);
    // Selected into its surface's context, the bitmap cannot be copied: failure, no surface.
    EXPECT_EQ((Values{from(selected.hDIB()), dib.hDIB(), dib.hDIBDC(), gdi::LiveObjectCount()}),
              (Values{0, 0, 0, base + 2}));
    EXPECT_EQ(Read(selected), pattern);
}

TEST(cDIB32, CopyMembersPlaceAndScaleThePixels) {
    cDIB32 src, dst, small;
    Write(src, Pattern(6, 5));
    Write(small, Pattern(3, 2));
    const Picture S = Read(src), s = Read(small);
    // A fresh w x h surface to draw on, and its pixels against want(x, y).
    auto fresh = [&](int32_t w, int32_t h) -> cDIB32& {
        EXPECT_EQ(dst.Create(w, h, kWhite), -1);
        return dst;
    };
    auto expect = [&](auto want) { EXPECT_EQ(Read(dst), Make(dst.Width(), dst.Height(), want)); };
    auto in = [](int32_t v, int32_t lo, int32_t hi) { return lo <= v && v < hi; };
    fresh(3, 2).LoadBlt(src.hDIBDC(), 1, 2);
    expect([&](int x, int y) { return S.At(x + 1, y + 2); });
    fresh(4, 4).LoadBltRect(src.hDIBDC(), 1, 1, 2, 2, 3, 0);
    expect([&](int x, int y) { return in(x, 1, 3) && in(y, 1, 3) ? S.At(x + 2, y - 1) : kWhite; });
    // Paint at ScaleFactor 2 doubles every pixel; PaintRect never scales.
    small.Paint(fresh(10, 10).hDIBDC(), 1, 2, 2);
    expect([&](int x, int y) {
        return in(x, 1, 7) && in(y, 2, 6) ? s.At((x - 1) / 2, (y - 2) / 2) : kWhite;
    });
    small.PaintRect(fresh(10, 10).hDIBDC(), 5, 5, 2, 1, 1, 1, 3);
    expect([&](int x, int y) { return in(x, 5, 7) && y == 5 ? s.At(x - 4, 1) : kWhite; });
    // LoadDIBBlt stretches onto the whole surface; shrinking samples pixel centres.
    fresh(9, 8).LoadDIBBlt(small);
    expect([&](int x, int y) { return s.At(x / 3, y / 4); });
}

// The finished picture: turned anticlockwise, then mirrored.
Picture Model(const Picture& in, bool turn, bool flipH, bool flipV) {
    const int32_t w = turn ? in.height : in.width, h = turn ? in.width : in.height;
    return Make(w, h, [&](int32_t x, int32_t y) {
        const int32_t u = flipH ? w - 1 - x : x, v = flipV ? h - 1 - y : y;
        return turn ? in.At(in.width - 1 - v, u) : in.At(u, v);
    });
}

Picture FromRows(const std::vector<std::string>& rows) {
    return Make(int32_t(rows[0].size()), int32_t(rows.size()),
                [&](int32_t x, int32_t y) { return 0x00100000u + uint32_t(rows[y][x]); });
}

// Random turns and mirrors (any non-zero flag counts as set) against the model, itself checked
// on a worked example. Mirrors work in place (same context, same memory); a turn makes a new
// surface of the turned size, raises an event per source row, and the old handles die. Either
// way nothing is left over.
TEST(cDIB32Orientation, RandomTurnsAndMirrorsMatchThePixelModel) {
    ASSERT_EQ(Model(FromRows({"abc", "def"}), true, true, false), FromRows({"fc", "eb", "da"}));
    for (uint64_t seed = 1; seed <= 60; ++seed) {
        SCOPED_TRACE(::testing::Message() << "seed " << seed);
        Rng rng(seed);
        const int32_t w = rng.Range(0, 8) * 2 + 1, h = rng.Range(0, 8) * 2 + 1;  // odd sizes
        Picture expected = Make(w, h, [&](int32_t, int32_t) { return rng.Next32() >> 8; });
        cDIB32 dib;
        Write(dib, expected);
        EventLog log(dib);
        for (int step = 0; step < 4; ++step) {
            SCOPED_TRACE(::testing::Message() << "step " << step);
            const int16_t flag[] = {0, 0, -1, 1, 7};
            const int16_t turn = flag[rng.Range(0, 4)], flipH = flag[rng.Range(0, 4)],
                          flipV = flag[rng.Range(0, 4)];
            std::vector<int32_t> events(turn ? size_t(expected.height) + 1 : 1, -1);
            std::iota(events.begin(), events.end() - 1, 0);
            const uint32_t dc = dib.hDIBDC(), bitmap = dib.hDIB();
            const uint32_t* const bits = dib.DIBitsPtr();
            const int64_t live = gdi::LiveObjectCount();
            log.events.clear();
            dib.Orientation(turn, flipH, flipV);
            expected = Model(expected, turn, flipH, flipV);
            ASSERT_EQ(Read(dib), expected);
            ASSERT_EQ(log.events, events);
            const bool same = turn == 0;
            ASSERT_EQ((Values{gdi::GetObjectType(dc) != 0, gdi::GetObjectType(bitmap) != 0,
                              dib.hDIBDC() == dc, same && dib.DIBitsPtr() == bits,
                              dib.BytesPerScanLine(), gdi::LiveObjectCount() - live}),
                      (Values{same, same, same, same, 4 * expected.width, 0}));
        }
    }
}

// Each creation the turn makes is made to fail in turn. Whatever fails, the surface is valid
// afterwards: turned correctly, exactly as it was (no mirror either), or Empty; nothing leaks
// and nothing is copied through missing memory. An Empty surface is left alone.
TEST(cDIB32Orientation, FailedOrEmptySurfacesStayValid) {
    const Picture start = FromRows({"abcde", "fghij", "klmno"});
    bool sawUnchanged = false, sawEmpty = false, injected = true;
    for (uint32_t after = 0; injected; ++after) {
        ASSERT_LT(after, 16u) << "failures never ran out: the turn keeps making surfaces";
        SCOPED_TRACE(::testing::Message() << "creation " << after << " fails");
        const int64_t base = gdi::LiveObjectCount();
        cDIB32 dib;
        Write(dib, start);
        EventLog log(dib);
        hooks::FailNextCreations(1, after);
        dib.Orientation(-1, -1, 0);
        injected = hooks::PendingCreationFailures() == 0;
        hooks::FailNextCreations(0);
        const Picture now = Read(dib);
        const bool empty = dib.hDIB() == 0, unchanged = !empty && now == start;
        sawEmpty |= empty, sawUnchanged |= unchanged;
        EXPECT_TRUE(empty || unchanged || now == Model(start, true, true, false));
        EXPECT_EQ(log.events, (empty || unchanged ? std::vector<int32_t>{-1}
                                                  : std::vector<int32_t>{0, 1, 2, -1}));
        // A DC and a section, or nothing at all: no temporary surface is left.
        EXPECT_EQ(
            (Values{dib.hDIBDC() != 0, dib.DIBitsPtr() != nullptr, gdi::LiveObjectCount() - base}),
            (Values{!empty, !empty, empty ? 0 : 2}));
    }
    EXPECT_TRUE(sawUnchanged && sawEmpty);

    // Never created, or destroyed: no events, no surface.
    cDIB32 never, destroyed;
    ASSERT_EQ(destroyed.Create(5, 3), -1);
    destroyed.Destroy();
    const int64_t base = gdi::LiveObjectCount();
    for (cDIB32* empty : {&never, &destroyed}) {
        const Values state = State(*empty, base);
        EventLog log(*empty);
        empty->Orientation(-1, -1, -1);
        EXPECT_TRUE(log.events.empty());
        EXPECT_EQ(State(*empty, base), state);
    }
}

// Best fit uses only the remembered size: a failed Create remembers the size asked for, and a
// surface never created (0 x 0 here) has none.
TEST(cDIB32BestFit, WorkedExamples) {
    // w, h, dstW, dstH, stretch, then bfx, bfy, bfW, bfH. In order: shrunk; fits (natural size,
    // centred); stretched to fit; 0.5 goes to 0; 1.5 goes to 2; equal ratios take the height
    // branch; too wide only (both scale by 1/2); an odd remainder 5 truncates to 2; the ratio 1/6
    // held in single precision lies just above it, so 3 × 1/6 is no tie; stretched to its own
    // size; scaled by 1, the difference -15 - (-10) = -5 truncates toward zero, to -2; width or
    // height 0 (the natural size still centres, scaling gives all zeros); extreme boxes.
    // clang-format off
    const int32_t cases[][9] = {
        {400, 300, 200, 200, 0, 0, 25, 200, 150}, {100, 50, 300, 300, 0, 100, 125, 100, 50},
        {100, 50, 300, 300, -1, 0, 75, 300, 150}, {4, 2, 1, 100, 0, 0, 50, 1, 0},
        {4, 6, 1, 100, 0, 0, 49, 1, 2},           {100, 100, 50, 50, 0, 0, 0, 50, 50},
        {100, 50, 50, 400, 0, 0, 187, 50, 25},    {10, 10, 15, 15, 0, 2, 2, 10, 10},
        {3, 6, 1, 1, 0, 0, 0, 1, 1},              {300, 200, 300, 200, 1, 0, 0, 300, 200},
        {-10, 4, -15, 4, -1, -2, 0, -10, 4},      {0, 0, 100, 60, 0, 50, 30, 0, 0},
        {0, 0, 100, 60, -1, 0, 0, 0, 0},          {0, 5, 10, 10, 0, 5, 2, 0, 5},
        {0, 5, 10, 3, 0, 0, 0, 0, 0},             {0, 5, 10, 10, -1, 0, 0, 0, 0},
        {1, 1, INT32_MAX, INT32_MAX, -1, 0, 0, INT32_MAX, INT32_MAX},
        {1, 1, INT32_MIN, 3, 0, 0, 1073741825, INT32_MIN, INT32_MIN},
    };
    // clang-format on
    for (const auto& c : cases) {
        cDIB32 dib;
        // Refused sizes count too: only the remembered size matters here.
        if (c[0] != 0 || c[1] != 0) (void)dib.Create(c[0], c[1]);
        int32_t x = -99, y = -99, w = -99, h = -99;
        dib.GetBestFitInfo(c[2], c[3], x, y, w, h, int16_t(c[4]));
        EXPECT_EQ((Values{x, y, w, h}), (Values{c[5], c[6], c[7], c[8]})) << "case " << &c - cases;
    }
}

Picture OnClipboard() {
    gdi::BITMAP bm{};
    if (gdi::GetObjectA(hooks::ClipboardBitmap(), sizeof bm, &bm) != int(sizeof bm)) return {};
    Picture p(bm.bmWidth, bm.bmHeight);
    const uint32_t* px = static_cast<const uint32_t*>(bm.bmBits);
    p.pixels.assign(px, px + p.pixels.size());
    return p;
}

TEST(cDIB32Clipboard, PutsACopyOfThePixelsThereAndHoldsOnlyTheLatest) {
    hooks::ResetClipboard();
    std::vector<gdi::HBITMAP> published;
    gdi::SetClipboardPublisher([&](gdi::HBITMAP b) { published.push_back(b); });
    Picture picture = Pattern(6, 3, 0x00A00000);
    cDIB32 dib;
    Write(dib, picture);
    const gdi::HBITMAP handle = dib.hDIB();
    const int64_t base = gdi::LiveObjectCount();
    // Without and then with a screen to be compatible with (its DC released each time): each
    // copy is a new bitmap, not the surface's own, published once; the clipboard is closed
    // again, the surface as it was, and only the latest bitmap is held.
    std::vector<uint32_t> screen(8 * 8, 0x123456);
    for (uint32_t copies = 1; copies <= 3; ++copies) {
        if (copies == 2)
            gdi::SetScreenSource([&] { return gdi::SurfaceView{screen.data(), 8, 8}; });
        dib.DIBitsPtr()[0] = picture.pixels[0] = copies;
        dib.CopyToClipboard();
        ASSERT_EQ(OnClipboard(), picture) << copies;
        ASSERT_EQ((Values{hooks::ClipboardBitmap() != handle, int64_t(published.size()),
                          !published.empty() && published.back() == hooks::ClipboardBitmap(),
                          hooks::ClipboardIsOpen(), Read(dib) == picture, dib.hDIB(),
                          gdi::LiveObjectCount() - base}),
                  (Values{1, copies, 1, 0, 1, handle, 1}));
    }
    gdi::SetScreenSource(nullptr);

    // Nothing changes when it cannot copy: another program holds the clipboard open; no memory
    // DC; no bitmap; an Empty surface.
    cDIB32 empty;
    const gdi::HBITMAP held = hooks::ClipboardBitmap();
    const Picture now = Read(dib), there = OnClipboard();
    published.clear();
    for (uint32_t failAfter : {UINT32_MAX, 0u, 1u, UINT32_MAX - 1}) {
        SCOPED_TRACE(failAfter);
        hooks::HoldClipboardOpen(failAfter == UINT32_MAX);
        if (failAfter < 2) hooks::FailNextCreations(1, failAfter);
        (failAfter == UINT32_MAX - 1 ? empty : dib).CopyToClipboard();
        hooks::HoldClipboardOpen(false);
        hooks::FailNextCreations(0);
        EXPECT_EQ(
            (Values{hooks::ClipboardIsOpen(), hooks::ClipboardBitmap(), OnClipboard() == there,
                    int64_t(published.size()), Read(dib) == now, gdi::LiveObjectCount() - base}),
            (Values{0, held, 1, 0, 1, 1}));
    }
    hooks::ResetClipboard();
}

}  // namespace
