// Results and failure values of each call, with stale, foreign and wrong-type handles; the
// object lifecycle rules (stock bitmap, pinned selected bitmaps, refused sizes); DCs over
// borrowed pixels (window surfaces, the screen) and the in-process clipboard.

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <numeric>

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

TEST(GdiDc, StockBitmapSelectionRulesAndBitmapRecord) {
    const int64_t before = LiveObjectCount();
    HDC dc = CreateCompatibleDC(0), other = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, 3, 3);
    const HGDIOBJ stock = SelectObject(dc, bitmap), brush = CreateSolidBrush(1);
    // The stock bitmap is neither deleted nor counted.
    EXPECT_EQ((Results{GetObjectType(dc), GetObjectType(other), GetObjectType(stock),
                       GetObjectType(brush), DeleteObject(stock), LiveObjectCount() - before}),
              (Results{OBJ_MEMDC, OBJ_MEMDC, OBJ_BITMAP, OBJ_BRUSH, 0, 4}));
    // Selected again: itself; into a second DC, deleted while selected, DeleteObject on a DC,
    // selecting a brush: refused.
    EXPECT_EQ((Results{SelectObject(dc, bitmap), SelectObject(other, bitmap), DeleteObject(bitmap),
                       DeleteObject(dc), SelectObject(dc, brush)}),
              (Results{bitmap, 0, 0, 0, 0}));
    // Deleting the DC lets go of the bitmap.
    EXPECT_EQ((Results{DeleteDC(dc), SelectObject(other, bitmap), SelectObject(other, stock),
                       DeleteObject(bitmap), DeleteDC(other), LiveObjectCount() - before}),
              (Results{1, stock, bitmap, 1, 1, 1}));

    MemSurface s(7, 5);
    unsigned char bytes[32];
    std::memset(bytes, 0xAB, sizeof bytes);
    BITMAP bm{};
    const int64_t full = sizeof(BITMAP);
    // A 24-byte buffer gets the classic prefix, width and height included, and nothing more.
    EXPECT_EQ((Results{GetObjectA(s.bitmap, 24, bytes), bytes[24], GetObjectA(s.bitmap, 0, nullptr),
                       GetObjectA(s.bitmap, 0, &bm), GetObjectA(brush, 24, bytes),
                       GetObjectA(StaleBrush(), 24, bytes)}),
              (Results{24, 0xAB, full, 0, 0, 0}));
    std::memcpy(&bm, bytes, 24);
    EXPECT_EQ((Results{bm.bmWidth, bm.bmHeight, bm.bmWidthBytes, bm.bmBitsPixel}),
              (Results{7, 5, 28, 32}));
    EXPECT_EQ(GetObjectA(s.bitmap, 1000, &bm), full);
    EXPECT_EQ(bm.bmBits, s.px);
    DeleteObject(brush);
}

TEST(GdiDc, BadHandlesFailWithoutEffect) {
    // First, while few slots are free: a freed slot waits behind 1,024 others, so 300 cycles of
    // one brush never hand the first handle out again (an 8-bit generation wraps after 256).
    const HGDIOBJ first = StaleBrush();
    for (int i = 0; i < 300; ++i) ASSERT_NE(StaleBrush(), first) << i;
    MemSurface s(2, 2);
    HRGN region = CreateRectRgn(0, 0, 1, 1);
    for (HGDIOBJ bad : {HGDIOBJ{region}, StaleBrush(), HGDIOBJ{0xDEADBEEF}, HGDIOBJ{1}}) {
        EXPECT_EQ((Results{CreateCompatibleDC(bad), CreateCompatibleBitmap(bad, 2, 2),
                           DeleteDC(bad), SelectObject(bad, region),
                           SetStretchBltMode(bad, COLORONCOLOR), GetStretchBltMode(bad),
                           SelectClipRgn(bad, 0), SelectObject(s.dc, bad == region ? s.dc : bad)}),
                  Results(8, 0))
            << bad;
    }
    EXPECT_EQ((Results{GetObjectType(first), DeleteObject(StaleBrush()), DeleteObject(region),
                       DeleteObject(region)}),
              (Results{0, 0, 1, 0}));
    // A stale handle whose slot a live object of its kind has taken over is still refused. Freed
    // slots wait behind 1,024 others, so half of 3,000 live brushes are freed and made again.
    const HGDIOBJ stale = StaleBrush();
    std::vector<HBRUSH> live(3000);
    for (HBRUSH& h : live) h = CreateSolidBrush(0);
    for (size_t i = 0; i < 1500; ++i) DeleteObject(live[i]);
    for (size_t i = 0; i < 1500; ++i) live[i] = CreateSolidBrush(0);
    EXPECT_EQ((Results{std::count(live.begin(), live.end(), stale), GetObjectType(stale),
                       DeleteObject(stale)}),
              (Results{0, 0, 0}));
    for (HBRUSH h : live) ASSERT_EQ(DeleteObject(h), 1);
}

TEST(GdiBitmaps, RefusedHeadersAndSizesAllocateNothing) {
    const uint32_t before = LiveObjectCount();
    // Width, biHeight (negative: top-down), bits, planes, compression, usage, section: empty,
    // negative and oversized; bottom-up; a height whose negation overflows; then each other
    // field wrong in turn.
    const int32_t cases[][7] = {
        {0, -5, 32, 1, 0, 0, 0},         {5, 0, 32, 1, 0, 0, 0},
        {-5, -5, 32, 1, 0, 0, 0},        {65536, -65536, 32, 1, 0, 0, 0},
        {32768, -32768, 32, 1, 0, 0, 0}, {INT_MAX, -1, 32, 1, 0, 0, 0},
        {1, -INT_MAX, 32, 1, 0, 0, 0},   {4, 4, 32, 1, 0, 0, 0},
        {4, INT_MIN, 32, 1, 0, 0, 0},    {4, -4, 24, 1, 0, 0, 0},
        {4, -4, 32, 2, 0, 0, 0},         {4, -4, 32, 1, 3, 0, 0},
        {4, -4, 32, 1, 0, 1, 0},         {4, -4, 32, 1, 0, 0, 99},
        {40000, -8, 32, 1, 0, 0, 0},     {8, -40000, 32, 1, 0, 0, 0},
    };
    for (const auto& [w, h, bpp, planes, compression, usage, section] : cases) {
        SCOPED_TRACE(::testing::Message() << w << "x" << h << " " << bpp);
        const BITMAPINFO info{
            {40, w, h, WORD(planes), WORD(bpp), DWORD(compression), 0, 0, 0, 0, 0}};
        void* bits = &bits;  // must come back null
        EXPECT_EQ(CreateDIBSection(0, &info, usage, &bits, section, 0), 0u);
        EXPECT_EQ(bits, nullptr);
        EXPECT_TRUE(bpp != 32 || planes != 1 || compression + usage + section != 0 ||
                    CreateCompatibleBitmap(0, w, h == INT_MIN ? INT_MIN : -h) == 0);
    }
    EXPECT_EQ(CreateDIBSection(0, nullptr, DIB_RGB_COLORS, nullptr, 0, 0), 0u);
    EXPECT_EQ(LiveObjectCount(), before);
}

TEST(GdiBlt, ArgumentChecksExtremeCoordinatesAndStretchMode) {
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
    EXPECT_EQ((Results{GetStretchBltMode(a.dc), SetStretchBltMode(a.dc, COLORONCOLOR),
                       SetStretchBltMode(a.dc, 5), GetStretchBltMode(a.dc)}),
              (Results{BLACKONWHITE, BLACKONWHITE, 0, COLORONCOLOR}));
}

TEST(GdiFill, ColourConversionClippingAndBadArguments) {
    MemSurface s(3, 3);
    HBRUSH brush = CreateSolidBrush(0xFF123456);  // the top byte never reaches a pixel
    RECT r, inverted{2, 2, 0, 0}, all{INT_MIN, INT_MIN, INT_MAX, INT_MAX};
    EXPECT_EQ((Results{SetRect(nullptr, 0, 0, 1, 1), SetRect(&r, -5, 1, 2, 99),
                       FillRect(s.dc, &r, brush) != 0}),
              (Results{0, 1, 1}));
    const std::vector<uint32_t> expected{0, 0, 0, 0x563412, 0x563412, 0, 0x563412, 0x563412, 0};
    EXPECT_EQ(s.Snapshot(), expected);
    // Inverted: nothing drawn but success; no rectangle, a bad brush or DC: 0.
    EXPECT_EQ((Results{FillRect(s.dc, &inverted, brush) != 0, FillRect(s.dc, nullptr, brush),
                       FillRect(s.dc, &all, StaleBrush()), FillRect(s.dc, &all, s.bitmap),
                       FillRect(0, &all, brush)}),
              (Results{1, 0, 0, 0, 0}));
    EXPECT_EQ(s.Snapshot(), expected);
    DeleteObject(brush);
}

TEST(GdiSurfaceDc, WindowSurfacesAndTheScreen) {
    MemSurface lens(4, 4);
    lens.FillPattern(0x10000);
    const int64_t before = LiveObjectCount();
    std::vector<uint32_t> window(8 * 6, 0), bigger(10 * 10, 0);
    Results dirty;  // left, top, right, bottom of each reported rectangle
    HDC dc = CreateSurfaceDC({window.data(), 8, 6}, [&](const RECT& r) {
        dirty.insert(dirty.end(), {r.left, r.top, r.right, r.bottom});
    });
    // Partly off the window: only the on-window part is drawn and reported.
    EXPECT_EQ((Results{GetObjectType(dc), LiveObjectCount() - before,
                       BitBlt(dc, 6, -1, 4, 4, lens.dc, 0, 0, SRCCOPY), window[2 * 8 + 7]}),
              (Results{OBJ_DC, 1, 1, lens.px[3 * 4 + 1]}));
    EXPECT_EQ(dirty, (Results{6, 0, 8, 3}));
    // The clip stays selected across calls; the old-minus-new square is two rectangles.
    HRGN old = CreateRectRgn(0, 0, 4, 4), moved = CreateRectRgn(2, 2, 6, 6);
    EXPECT_EQ((Results{CombineRgn(old, old, moved, RGN_DIFF), SelectClipRgn(dc, old),
                       DeleteObject(old), DeleteObject(moved)}),
              (Results{COMPLEXREGION, COMPLEXREGION, 1, 1}));
    dirty.clear();
    Fill(dc, {0, 0, 8, 6}, 0x0000FF);
    EXPECT_EQ(dirty, (Results{0, 0, 4, 2, 0, 2, 2, 4}));
    EXPECT_EQ((Results{window[3 * 8 + 1], window[3 * 8 + 2]}), (Results{0x00FF0000, 0}));

    // Re-pointing keeps the clip; an unusable view draws and reports nothing.
    dirty.clear();
    EXPECT_EQ((Results{UpdateSurfaceDC(dc, {bigger.data(), 10, 10}),
                       BitBlt(dc, 0, 0, 10, 10, lens.dc, 0, 0, SRCCOPY), bigger[0],
                       bigger[3 * 10 + 3], UpdateSurfaceDC(dc, {nullptr, 10, 10}),
                       BitBlt(dc, 0, 0, 10, 10, lens.dc, 0, 0, SRCCOPY)}),
              (Results{1, 1, lens.px[0], 0, 1, 1}));
    EXPECT_EQ(dirty, (Results{0, 0, 4, 2, 0, 2, 2, 4}));  // the first copy only
    // Not a memory DC: no bitmap, no DeleteDC; only surface DCs are re-pointed and released.
    EXPECT_EQ((Results{SelectObject(dc, lens.bitmap), DeleteDC(dc), UpdateSurfaceDC(lens.dc, {}),
                       ReleaseSurfaceDC(lens.dc), ReleaseSurfaceDC(dc), ReleaseSurfaceDC(dc),
                       LiveObjectCount() - before}),
              (Results{0, 0, 0, 0, 1, 0, 0}));

    std::vector<uint32_t> tiny{1, 2, 3, 4};  // no dirty handler, mirrored onto itself
    dc = CreateSurfaceDC({tiny.data(), 2, 2}, nullptr);
    EXPECT_EQ((Results{StretchBlt(dc, 1, 0, -2, 2, dc, 0, 0, 2, 2, SRCCOPY), ReleaseSurfaceDC(dc)}),
              (Results{1, 1}));
    EXPECT_EQ(tiny, (std::vector<uint32_t>{2, 1, 4, 3}));

    // The screen: only with a source, only for the screen or the desktop window.
    MemSurface snapshot(5, 3);
    SetScreenSource(nullptr);
    EXPECT_EQ(GetDC(0), 0u);
    std::vector<uint32_t> screen(5 * 3);
    std::iota(screen.begin(), screen.end(), 100u);
    SetScreenSource([&] { return SurfaceView{screen.data(), 5, 3}; });
    const HDC desk = GetDC(GetDesktopWindow()), scr = GetDC(0);
    // A screen DC is no memory DC and is released once.
    EXPECT_EQ((Results{GetDC(12345), GetObjectType(desk), GetObjectType(scr),
                       BitBlt(snapshot.dc, 0, 0, 5, 3, scr, 0, 0, SRCCOPY), DeleteDC(scr),
                       ReleaseDC(0, snapshot.dc), ReleaseDC(0, scr),
                       ReleaseDC(GetDesktopWindow(), desk), ReleaseDC(0, scr)}),
              (Results{0, OBJ_DC, OBJ_DC, 1, 0, 0, 1, 1, 0}));
    EXPECT_EQ(snapshot.Snapshot(), screen);
    SetScreenSource(nullptr);
    EXPECT_EQ(LiveObjectCount(), before + 2);  // the snapshot surface
}

TEST(GdiClipboard, OpenCloseOwnershipAndPublishing) {
    hooks::ResetClipboard();
    std::vector<HBITMAP> published;
    SetClipboardPublisher([&](HBITMAP b) { published.push_back(b); });
    const int64_t base = LiveObjectCount();
    const HBITMAP first = CreateCompatibleBitmap(0, 3, 2), second = CreateCompatibleBitmap(0, 4, 4);
    // Nothing works while closed; one opener at a time, this program included.
    EXPECT_EQ((Results{EmptyClipboard(), SetClipboardData(CF_BITMAP, first), CloseClipboard(),
                       OpenClipboard(0), hooks::ClipboardIsOpen(), OpenClipboard(0),
                       OpenClipboard(0x1234), CloseClipboard(), CloseClipboard()}),
              (Results{0, 0, 0, 1, 1, 0, 0, 1, 0}));
    hooks::HoldClipboardOpen(true);  // another program holds it until it lets go
    EXPECT_EQ(OpenClipboard(0), 0);
    hooks::HoldClipboardOpen(false);
    // Emptying an empty clipboard is fine; setting the same bitmap again keeps it.
    EXPECT_EQ((Results{OpenClipboard(0), EmptyClipboard(), SetClipboardData(CF_BITMAP, first),
                       SetClipboardData(CF_BITMAP, first), CloseClipboard(), GetObjectType(first),
                       hooks::ClipboardBitmap(), LiveObjectCount() - base}),
              (Results{1, 1, first, first, 1, OBJ_BITMAP, first, 2}));
    // A new bitmap replaces the held one, which is deleted; then refused and kept by the caller:
    // text format, still selected, stock, brush, stale, null.
    const HDC dc = CreateCompatibleDC(0);
    const HBITMAP selected = CreateCompatibleBitmap(0, 2, 2);
    const HGDIOBJ stock = SelectObject(dc, selected), brush = CreateSolidBrush(0);
    EXPECT_EQ((Results{OpenClipboard(0), SetClipboardData(CF_BITMAP, second), GetObjectType(first),
                       SetClipboardData(1, selected), SetClipboardData(CF_BITMAP, selected),
                       SetClipboardData(CF_BITMAP, stock), SetClipboardData(CF_BITMAP, brush),
                       SetClipboardData(CF_BITMAP, first), SetClipboardData(CF_BITMAP, 0),
                       CloseClipboard(), hooks::ClipboardBitmap(), GetObjectType(selected),
                       GetObjectType(stock), SelectObject(dc, stock), DeleteObject(selected),
                       DeleteObject(brush), DeleteDC(dc), LiveObjectCount() - base}),
              (Results{1, second, 0, 0, 0, 0, 0, 0, 0, 1, second, OBJ_BITMAP, OBJ_BITMAP, selected,
                       1, 1, 1, 1}));
    // Emptying deletes it; a session without SetClipboardData publishes nothing.
    EXPECT_EQ((Results{OpenClipboard(0), EmptyClipboard(), GetObjectType(second),
                       hooks::ClipboardBitmap(), CloseClipboard(), LiveObjectCount() - base}),
              (Results{1, 1, 0, 0, 1, 0}));
    EXPECT_EQ(published, (std::vector<HBITMAP>{first, second}));  // and never anything else
    hooks::ResetClipboard();
}

}  // namespace
