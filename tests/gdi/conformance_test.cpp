// Return values and failure values of each call, including stale, foreign and wrong-type
// handles, and the object lifecycle rules (stock bitmap, selected bitmaps, leaks).

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <initializer_list>
#include <utility>

#include "gdi/GdiTestSupport.h"
#include "platform/gdi/Gdi.h"

using namespace gdi;
using gdi_test::MemSurface;
using gdi_test::TopDownInfo;

namespace {

// A handle that was live once and has been deleted.
HGDIOBJ StaleBrush() {
    HBRUSH brush = CreateSolidBrush(0);
    DeleteObject(brush);
    return brush;
}

}  // namespace

TEST(GdiDc, CompatibleDcStartsWithStockBitmapThatNeverDies) {
    const uint32_t before = LiveObjectCount();
    HDC dc = CreateCompatibleDC(0);
    ASSERT_NE(dc, 0u);
    EXPECT_EQ(GetObjectType(dc), OBJ_MEMDC);
    HDC second = CreateCompatibleDC(dc);  // compatible with another DC
    ASSERT_NE(second, 0u);
    EXPECT_EQ(LiveObjectCount(), before + 2);

    HBITMAP bitmap = CreateCompatibleBitmap(dc, 5, 4);
    const HGDIOBJ stock = SelectObject(dc, bitmap);
    ASSERT_NE(stock, 0u);
    EXPECT_EQ(GetObjectType(stock), OBJ_BITMAP);
    EXPECT_FALSE(DeleteObject(stock));
    EXPECT_EQ(GetObjectType(stock), OBJ_BITMAP);
    // The same stock bitmap comes out of every new DC; it is not counted.
    HBITMAP other = CreateCompatibleBitmap(0, 1, 1);
    EXPECT_EQ(SelectObject(second, other), stock);
    EXPECT_EQ(LiveObjectCount(), before + 4);

    EXPECT_EQ(SelectObject(dc, stock), bitmap);
    EXPECT_EQ(SelectObject(second, stock), other);
    EXPECT_TRUE(DeleteObject(bitmap));
    EXPECT_TRUE(DeleteObject(other));
    EXPECT_TRUE(DeleteDC(dc));
    EXPECT_TRUE(DeleteDC(second));
    EXPECT_EQ(LiveObjectCount(), before);
}

TEST(GdiDc, BadHandlesFailWithoutEffect) {
    HRGN region = CreateRectRgn(0, 0, 1, 1);
    const HGDIOBJ stale = StaleBrush();
    for (HGDIOBJ bad : {HGDIOBJ{0}, HGDIOBJ{region}, stale, HGDIOBJ{0xDEADBEEF}, HGDIOBJ{1}}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(CreateCompatibleDC(bad == 0 ? 0x12345 : bad), 0u);
        EXPECT_FALSE(DeleteDC(bad));
        EXPECT_EQ(SelectObject(bad, region), 0u);
        EXPECT_EQ(GetStretchBltMode(bad), 0);
        EXPECT_EQ(SetStretchBltMode(bad, COLORONCOLOR), 0);
        EXPECT_EQ(SelectClipRgn(bad, 0), ERROR);
        EXPECT_EQ(CreateCompatibleBitmap(bad == 0 ? 0x777 : bad, 2, 2), 0u);
    }
    EXPECT_EQ(GetObjectType(stale), 0u);
    EXPECT_EQ(GetObjectType(0), 0u);
    EXPECT_FALSE(DeleteObject(stale));
    EXPECT_FALSE(DeleteObject(0));
    EXPECT_TRUE(DeleteObject(region));
    EXPECT_FALSE(DeleteObject(region));  // twice
}

TEST(GdiDc, SelectedBitmapIsPinnedUntilDeselectedOrDcDeleted) {
    const uint32_t before = LiveObjectCount();
    HDC dc = CreateCompatibleDC(0);
    HDC other = CreateCompatibleDC(0);
    HBITMAP bitmap = CreateCompatibleBitmap(0, 3, 3);
    const HGDIOBJ stock = SelectObject(dc, bitmap);
    EXPECT_EQ(SelectObject(dc, bitmap), bitmap);  // again: itself
    EXPECT_EQ(SelectObject(other, bitmap), 0u);   // one DC at a time
    EXPECT_FALSE(DeleteObject(bitmap));
    EXPECT_FALSE(DeleteObject(dc));  // DCs go through DeleteDC
    HBRUSH brush = CreateSolidBrush(1);
    EXPECT_EQ(SelectObject(dc, brush), 0u);  // brushes are not selected
    EXPECT_EQ(SelectObject(dc, dc), 0u);
    EXPECT_TRUE(DeleteDC(dc));  // releases its hold on the bitmap
    EXPECT_EQ(GetObjectType(dc), 0u);
    EXPECT_NE(SelectObject(other, bitmap), 0u);
    EXPECT_EQ(SelectObject(other, stock), bitmap);
    EXPECT_TRUE(DeleteObject(bitmap));
    EXPECT_TRUE(DeleteObject(brush));
    EXPECT_TRUE(DeleteDC(other));
    EXPECT_EQ(LiveObjectCount(), before);
}

TEST(GdiDc, SelectingARegionSetsTheClip) {
    MemSurface s(4, 1);
    HRGN region = CreateRectRgn(1, 0, 3, 1);
    EXPECT_EQ(SelectObject(s.dc(), region), HGDIOBJ(SIMPLEREGION));
    DeleteObject(region);
    HBRUSH brush = CreateSolidBrush(0x0000FF);
    RECT all{0, 0, 4, 1};
    FillRect(s.dc(), &all, brush);
    DeleteObject(brush);
    EXPECT_EQ(s.Snapshot(), (std::vector<uint32_t>{0, 0xFF0000, 0xFF0000, 0}));
}

TEST(GdiObjects, TypesAndBitmapRecord) {
    MemSurface s(7, 5);
    HBRUSH brush = CreateSolidBrush(0x123456);
    HRGN region = CreateRectRgn(0, 0, 2, 2);
    EXPECT_EQ(GetObjectType(s.bitmap()), OBJ_BITMAP);
    EXPECT_EQ(GetObjectType(brush), OBJ_BRUSH);
    EXPECT_EQ(GetObjectType(region), OBJ_REGION);

    // The 24-byte prefix carries width and height; the full record adds the pointer.
    unsigned char small[24];
    std::memset(small, 0xCC, sizeof small);
    EXPECT_EQ(GetObjectA(s.bitmap(), 24, small), 24);
    BITMAP head{};
    std::memcpy(&head, small, 24);
    EXPECT_EQ(head.bmType, 0);
    EXPECT_EQ(head.bmWidth, 7);
    EXPECT_EQ(head.bmHeight, 5);
    EXPECT_EQ(head.bmWidthBytes, 28);
    EXPECT_EQ(head.bmPlanes, 1);
    EXPECT_EQ(head.bmBitsPixel, 32);
    BITMAP full{};
    EXPECT_EQ(GetObjectA(s.bitmap(), 1000, &full), static_cast<int>(sizeof(BITMAP)));
    EXPECT_EQ(full.bmBits, s.pixels());
    EXPECT_EQ(GetObjectA(s.bitmap(), 0, nullptr), static_cast<int>(sizeof(BITMAP)));
    EXPECT_EQ(GetObjectA(s.bitmap(), 0, &full), 0);
    // A short buffer gets a short copy and nothing more.
    unsigned char tiny[8] = {0, 0, 0, 0, 0, 0, 0xAB, 0xAB};
    EXPECT_EQ(GetObjectA(s.bitmap(), 6, tiny), 6);
    EXPECT_EQ(tiny[4], 7);
    EXPECT_EQ(tiny[6], 0xAB);
    EXPECT_EQ(GetObjectA(brush, 24, small), 0);
    EXPECT_EQ(GetObjectA(StaleBrush(), 24, small), 0);
    DeleteObject(brush);
    DeleteObject(region);
}

TEST(GdiBitmaps, DibSectionIsZeroFilledTopDown) {
    MemSurface s(3, 2);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(s.pixels()[i], 0u);
    // Top-down: a pixel drawn at y = 0 is the first word in memory.
    HBRUSH brush = CreateSolidBrush(0x00FF00);
    RECT first{0, 0, 1, 1};
    FillRect(s.dc(), &first, brush);
    DeleteObject(brush);
    EXPECT_EQ(s.pixels()[0], 0x0000FF00u);
}

TEST(GdiBitmaps, RefusedHeadersAndSizesAllocateNothing) {
    const uint32_t before = LiveObjectCount();
    auto refused = [&](BITMAPINFO info, UINT usage = DIB_RGB_COLORS, uint32_t section = 0) {
        void* bits = reinterpret_cast<void*>(1);
        const HBITMAP h = CreateDIBSection(0, &info, usage, &bits, section, 0);
        const bool ok = h == 0 && bits == nullptr && LiveObjectCount() == before;
        if (h != 0) DeleteObject(h);
        return ok;
    };
    EXPECT_TRUE(refused(TopDownInfo(0, 5)));
    EXPECT_TRUE(refused(TopDownInfo(5, 0)));
    EXPECT_TRUE(refused(TopDownInfo(-5, 5)));
    EXPECT_TRUE(refused(TopDownInfo(65536, 65536)));
    EXPECT_TRUE(refused(TopDownInfo(32768, 32768)));  // 4 GiB
    EXPECT_TRUE(refused(TopDownInfo(INT_MAX, 1)));
    EXPECT_TRUE(refused(TopDownInfo(1, INT_MAX)));
    BITMAPINFO info = TopDownInfo(4, 4);
    info.bmiHeader.biHeight = INT_MIN;  // negating it must not overflow
    EXPECT_TRUE(refused(info));
    info = TopDownInfo(4, 4);
    info.bmiHeader.biHeight = 4;  // bottom-up sections are not made
    EXPECT_TRUE(refused(info));
    info = TopDownInfo(4, 4);
    info.bmiHeader.biBitCount = 24;
    EXPECT_TRUE(refused(info));
    info = TopDownInfo(4, 4);
    info.bmiHeader.biPlanes = 2;
    EXPECT_TRUE(refused(info));
    info = TopDownInfo(4, 4);
    info.bmiHeader.biCompression = 3;
    EXPECT_TRUE(refused(info));
    EXPECT_TRUE(refused(TopDownInfo(4, 4), 1));
    EXPECT_TRUE(refused(TopDownInfo(4, 4), DIB_RGB_COLORS, 99));
    // biSizeImage plays no part, even when it wrapped.
    info = TopDownInfo(4, 4);
    info.bmiHeader.biSizeImage = 1;
    void* bits = nullptr;
    HBITMAP ok = CreateDIBSection(0, &info, DIB_RGB_COLORS, &bits, 0, 0);
    EXPECT_NE(ok, 0u);
    EXPECT_NE(bits, nullptr);
    DeleteObject(ok);
    EXPECT_EQ(CreateDIBSection(0, nullptr, DIB_RGB_COLORS, &bits, 0, 0), 0u);

    for (auto [cx, cy] : std::initializer_list<std::pair<int, int>>{
             {0, 1}, {1, 0}, {-1, 5}, {65536, 65536}, {INT_MAX, INT_MAX}}) {
        EXPECT_EQ(CreateCompatibleBitmap(0, cx, cy), 0u);
    }
    EXPECT_EQ(LiveObjectCount(), before);
}

TEST(GdiBlt, ArgumentChecks) {
    MemSurface a(4, 4), b(4, 4);
    a.FillPattern(0);
    const auto original = b.Snapshot();
    EXPECT_FALSE(BitBlt(b.dc(), 0, 0, 4, 4, a.dc(), 0, 0, 0x00EE0086));  // SRCPAINT
    EXPECT_FALSE(BitBlt(b.dc(), 0, 0, 4, 4, 0, 0, 0, SRCCOPY));
    EXPECT_FALSE(BitBlt(0, 0, 0, 4, 4, a.dc(), 0, 0, SRCCOPY));
    EXPECT_FALSE(BitBlt(b.dc(), 0, 0, 4, 4, a.bitmap(), 0, 0, SRCCOPY));
    EXPECT_FALSE(StretchBlt(b.dc(), 0, 0, 4, 4, StaleBrush(), 0, 0, 4, 4, SRCCOPY));
    // Zero extents draw nothing and are not an error.
    EXPECT_TRUE(BitBlt(b.dc(), 0, 0, 0, 4, a.dc(), 0, 0, SRCCOPY));
    EXPECT_TRUE(StretchBlt(b.dc(), 0, 0, 4, 4, a.dc(), 0, 0, 0, 4, SRCCOPY));
    // Wholly off either surface, and with extreme coordinates: nothing, no crash.
    EXPECT_TRUE(BitBlt(b.dc(), 100, 0, 4, 4, a.dc(), 0, 0, SRCCOPY));
    EXPECT_TRUE(BitBlt(b.dc(), 0, 0, 4, 4, a.dc(), -100, 0, SRCCOPY));
    EXPECT_TRUE(BitBlt(b.dc(), INT_MIN, INT_MIN, INT_MAX, INT_MAX, a.dc(), INT_MAX, 0, SRCCOPY));
    EXPECT_TRUE(StretchBlt(b.dc(), INT_MAX, 0, INT_MIN, 4, a.dc(), 0, 0, INT_MIN, 1, SRCCOPY));
    EXPECT_EQ(b.Snapshot(), original);
    // Huge extents that do cover the surfaces still sample correctly.
    EXPECT_TRUE(BitBlt(b.dc(), INT_MIN / 2, INT_MIN / 2, INT_MAX, INT_MAX, a.dc(), INT_MIN / 2,
                       INT_MIN / 2, SRCCOPY));
    EXPECT_EQ(b.Snapshot(), a.Snapshot());
}

TEST(GdiBlt, StretchModeRoundTrip) {
    MemSurface s(1, 1);
    EXPECT_EQ(GetStretchBltMode(s.dc()), BLACKONWHITE);
    EXPECT_EQ(SetStretchBltMode(s.dc(), COLORONCOLOR), BLACKONWHITE);
    EXPECT_EQ(SetStretchBltMode(s.dc(), 0), 0);
    EXPECT_EQ(SetStretchBltMode(s.dc(), 5), 0);
    EXPECT_EQ(GetStretchBltMode(s.dc()), COLORONCOLOR);
    EXPECT_EQ(SetStretchBltMode(s.dc(), HALFTONE), COLORONCOLOR);
}

TEST(GdiBlt, MirrorsInPlaceAsTheSurfaceClassDoes) {
    // a b c / d e f
    MemSurface s(3, 2);
    const uint32_t a = 1, b = 2, c = 3, d = 4, e = 5, f = 6;
    const std::vector<uint32_t> start{a, b, c, d, e, f};
    std::copy(start.begin(), start.end(), s.pixels());
    EXPECT_TRUE(StretchBlt(s.dc(), 2, 0, -3, 2, s.dc(), 0, 0, 3, 2, SRCCOPY));
    EXPECT_EQ(s.Snapshot(), (std::vector<uint32_t>{c, b, a, f, e, d}));
    EXPECT_TRUE(StretchBlt(s.dc(), 0, 1, 3, -2, s.dc(), 0, 0, 3, 2, SRCCOPY));
    EXPECT_EQ(s.Snapshot(), (std::vector<uint32_t>{f, e, d, c, b, a}));
    // A negative source extent mirrors just the same.
    EXPECT_TRUE(StretchBlt(s.dc(), 0, 0, 3, 2, s.dc(), 2, 1, -3, -2, SRCCOPY));
    EXPECT_EQ(s.Snapshot(), start);
}

TEST(GdiBlt, ScalingSamplesPixelCentres) {
    MemSurface src(2, 1), dst(6, 1);
    src.at(0, 0) = 10;
    src.at(1, 0) = 20;
    EXPECT_TRUE(StretchBlt(dst.dc(), 0, 0, 6, 1, src.dc(), 0, 0, 2, 1, SRCCOPY));
    EXPECT_EQ(dst.Snapshot(), (std::vector<uint32_t>{10, 10, 10, 20, 20, 20}));
    for (int x = 0; x < 6; ++x) dst.at(x, 0) = x;
    EXPECT_TRUE(StretchBlt(src.dc(), 0, 0, 2, 1, dst.dc(), 0, 0, 6, 1, SRCCOPY));
    EXPECT_EQ(src.Snapshot(), (std::vector<uint32_t>{1, 4}));  // centres of 0..2 and 3..5
}

TEST(GdiFill, ColourConversionClippingAndBadArguments) {
    MemSurface s(3, 3);
    HBRUSH brush = CreateSolidBrush(0xFF123456);  // the top byte never reaches a pixel
    RECT r;
    EXPECT_FALSE(SetRect(nullptr, 0, 0, 1, 1));
    EXPECT_TRUE(SetRect(&r, -5, 1, 2, 99));
    EXPECT_EQ(r.left, -5);
    EXPECT_EQ(r.bottom, 99);
    EXPECT_NE(FillRect(s.dc(), &r, brush), 0);
    const uint32_t p = 0x00563412;
    EXPECT_EQ(s.Snapshot(), (std::vector<uint32_t>{0, 0, 0, p, p, 0, p, p, 0}));

    const auto before = s.Snapshot();
    RECT inverted{2, 2, 0, 0}, empty{1, 1, 1, 3};
    EXPECT_NE(FillRect(s.dc(), &inverted, brush), 0);
    EXPECT_NE(FillRect(s.dc(), &empty, brush), 0);
    RECT all{INT_MIN, INT_MIN, INT_MAX, INT_MAX};
    EXPECT_EQ(FillRect(s.dc(), nullptr, brush), 0);
    EXPECT_EQ(FillRect(s.dc(), &all, 0), 0);
    EXPECT_EQ(FillRect(s.dc(), &all, StaleBrush()), 0);
    EXPECT_EQ(FillRect(0, &all, brush), 0);
    EXPECT_EQ(FillRect(s.dc(), &all, s.bitmap()), 0);
    EXPECT_EQ(s.Snapshot(), before);
    DeleteObject(brush);
}

TEST(GdiLeaks, CreateSelectDeleteCyclesReturnToStart) {
    const uint32_t before = LiveObjectCount();
    for (int round = 0; round < 300; ++round) {
        MemSurface a(8, 8), b(5, 3);
        HRGN r1 = CreateRectRgn(0, 0, round % 7, 5);
        HRGN r2 = CreateRectRgn(2, 2, 9, 9);
        CombineRgn(r1, r1, r2, RGN_XOR);
        SelectClipRgn(a.dc(), r1);
        DeleteObject(r1);
        DeleteObject(r2);
        HBRUSH brush = CreateSolidBrush(round);
        RECT all{0, 0, 8, 8};
        FillRect(a.dc(), &all, brush);
        DeleteObject(brush);
        StretchBlt(a.dc(), 7, 0, -8, 8, b.dc(), 0, 0, 5, 3, SRCCOPY);
        EXPECT_EQ(LiveObjectCount(), before + 4);
    }
    EXPECT_EQ(LiveObjectCount(), before);
}

TEST(GdiHandles, StaleHandlesStayDeadAcrossSlotReuse) {
    // Create and delete many objects; none of the old handles may come back to life.
    std::vector<HGDIOBJ> dead;
    for (int i = 0; i < 5000; ++i) {
        HBRUSH brush = CreateSolidBrush(i);
        ASSERT_NE(brush, 0u);
        dead.push_back(brush);
        DeleteObject(brush);
    }
    HRGN live = CreateRectRgn(0, 0, 1, 1);
    for (HGDIOBJ h : dead) EXPECT_EQ(GetObjectType(h), 0u);
    // A region's handle is never taken for a brush, whatever the slot.
    MemSurface s(1, 1);
    RECT all{0, 0, 1, 1};
    EXPECT_EQ(FillRect(s.dc(), &all, live), 0);
    DeleteObject(live);
}
