// Results and failure values of each call, with stale, foreign and wrong-type handles, and the
// object lifecycle rules (stock bitmap, pinned selected bitmaps, refused sizes, leaks).

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "gdi/GdiTestSupport.h"
#include "platform/gdi/Gdi.h"

using namespace gdi;
using gdi_test::MemSurface;
using gdi_test::TopDownInfo;

namespace {
HGDIOBJ StaleBrush() {
    HBRUSH brush = CreateSolidBrush(0);
    DeleteObject(brush);
    return brush;
}
}  // namespace

TEST(GdiDc, StockBitmapAndSelectionRules) {
    const uint32_t before = LiveObjectCount();
    HDC dc = CreateCompatibleDC(0);
    HDC other = CreateCompatibleDC(dc);
    ASSERT_NE(other, 0u);
    EXPECT_EQ(GetObjectType(dc), OBJ_MEMDC);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, 3, 3);
    const HGDIOBJ stock = SelectObject(dc, bitmap);
    EXPECT_EQ(GetObjectType(stock), OBJ_BITMAP);
    EXPECT_FALSE(DeleteObject(stock));
    EXPECT_EQ(LiveObjectCount(), before + 3);     // the stock bitmap is not counted
    EXPECT_EQ(SelectObject(dc, bitmap), bitmap);  // again: itself
    EXPECT_EQ(SelectObject(other, bitmap), 0u);   // one DC at a time
    EXPECT_FALSE(DeleteObject(bitmap));           // still selected
    EXPECT_FALSE(DeleteObject(dc));               // DCs go through DeleteDC
    EXPECT_EQ(SelectObject(dc, CreateSolidBrush(1)), 0u);
    EXPECT_TRUE(DeleteDC(dc));  // lets go of the bitmap
    EXPECT_EQ(SelectObject(other, bitmap), stock);
    EXPECT_EQ(SelectObject(other, stock), bitmap);
    EXPECT_TRUE(DeleteObject(bitmap));
    EXPECT_TRUE(DeleteDC(other));
    EXPECT_EQ(LiveObjectCount(), before + 1);  // the brush above
}

TEST(GdiDc, BadHandlesFailWithoutEffect) {
    MemSurface s(2, 2);
    HRGN region = CreateRectRgn(0, 0, 1, 1);
    for (HGDIOBJ bad : {HGDIOBJ{region}, StaleBrush(), HGDIOBJ{0xDEADBEEF}, HGDIOBJ{1}}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(CreateCompatibleDC(bad), 0u);
        EXPECT_EQ(CreateCompatibleBitmap(bad, 2, 2), 0u);
        EXPECT_FALSE(DeleteDC(bad));
        EXPECT_EQ(SelectObject(bad, region), 0u);
        EXPECT_EQ(SetStretchBltMode(bad, COLORONCOLOR), 0);
        EXPECT_EQ(GetStretchBltMode(bad), 0);
        EXPECT_EQ(SelectClipRgn(bad, 0), ERROR);
        EXPECT_EQ(SelectObject(s.dc(), bad == region ? s.dc() : bad), 0u);
    }
    EXPECT_EQ(GetObjectType(StaleBrush()), 0u);
    EXPECT_FALSE(DeleteObject(StaleBrush()));
    EXPECT_TRUE(DeleteObject(region));
    EXPECT_FALSE(DeleteObject(region));
    // Thousands of later objects reuse slots; no old handle comes back to life.
    std::vector<HGDIOBJ> dead;
    for (int i = 0; i < 5000; ++i) dead.push_back(StaleBrush());
    HRGN live = CreateRectRgn(0, 0, 1, 1);
    for (HGDIOBJ h : dead) ASSERT_EQ(GetObjectType(h), 0u);
    DeleteObject(live);
}

TEST(GdiObjects, TypesAndBitmapRecord) {
    MemSurface s(7, 5);
    HBRUSH brush = CreateSolidBrush(0x123456);
    EXPECT_EQ(GetObjectType(brush), OBJ_BRUSH);
    unsigned char bytes[32];
    std::memset(bytes, 0xAB, sizeof bytes);
    EXPECT_EQ(GetObjectA(s.bitmap(), 24, bytes), 24);  // width and height are in the prefix
    BITMAP head{};
    std::memcpy(&head, bytes, 24);
    EXPECT_EQ(bytes[24], 0xAB);
    EXPECT_EQ(head.bmWidth, 7);
    EXPECT_EQ(head.bmHeight, 5);
    EXPECT_EQ(head.bmWidthBytes, 28);
    EXPECT_EQ(head.bmBitsPixel, 32);
    BITMAP full{};
    EXPECT_EQ(GetObjectA(s.bitmap(), 1000, &full), static_cast<int>(sizeof(BITMAP)));
    EXPECT_EQ(full.bmBits, s.pixels());
    EXPECT_EQ(GetObjectA(s.bitmap(), 0, nullptr), static_cast<int>(sizeof(BITMAP)));
    EXPECT_EQ(GetObjectA(s.bitmap(), 0, &full), 0);
    EXPECT_EQ(GetObjectA(brush, 24, bytes), 0);
    EXPECT_EQ(GetObjectA(StaleBrush(), 24, bytes), 0);
    DeleteObject(brush);
}

TEST(GdiBitmaps, RefusedHeadersAndSizesAllocateNothing) {
    const uint32_t before = LiveObjectCount();
    struct Case {
        int32_t width, height;  // biHeight is -height
        WORD bits, planes;
        DWORD compression;
        UINT usage;
        uint32_t section;
    };
    const Case cases[] = {
        {0, 5, 32, 1, 0, 0, 0},         {5, 0, 32, 1, 0, 0, 0},
        {-5, 5, 32, 1, 0, 0, 0},        {65536, 65536, 32, 1, 0, 0, 0},
        {32768, 32768, 32, 1, 0, 0, 0}, {INT_MAX, 1, 32, 1, 0, 0, 0},
        {1, INT_MAX, 32, 1, 0, 0, 0},   {4, -4, 32, 1, 0, 0, 0},  // bottom-up
        {4, 4, 24, 1, 0, 0, 0},         {4, 4, 32, 2, 0, 0, 0},
        {4, 4, 32, 1, 3, 0, 0},         {4, 4, 32, 1, 0, 1, 0},
        {4, 4, 32, 1, 0, 0, 99},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.width << "x" << c.height);
        BITMAPINFO info = TopDownInfo(c.width, c.height);
        info.bmiHeader.biBitCount = c.bits;
        info.bmiHeader.biPlanes = c.planes;
        info.bmiHeader.biCompression = c.compression;
        void* bits = &info;
        EXPECT_EQ(CreateDIBSection(0, &info, c.usage, &bits, c.section, 0), 0u);
        EXPECT_EQ(bits, nullptr);
        if (c.bits == 32 && c.planes == 1 && c.compression == 0 && c.usage == 0 && c.section == 0) {
            EXPECT_EQ(CreateCompatibleBitmap(0, c.width, c.height), 0u);
        }
    }
    BITMAPINFO info = TopDownInfo(4, 4);
    info.bmiHeader.biHeight = INT_MIN;  // negating must not overflow
    EXPECT_EQ(CreateDIBSection(0, &info, DIB_RGB_COLORS, nullptr, 0, 0), 0u);
    EXPECT_EQ(CreateDIBSection(0, nullptr, DIB_RGB_COLORS, nullptr, 0, 0), 0u);
    EXPECT_EQ(LiveObjectCount(), before);
    info = TopDownInfo(4, 4);
    info.bmiHeader.biSizeImage = 1;  // never used for allocation
    void* bits = nullptr;
    HBITMAP ok = CreateDIBSection(0, &info, DIB_RGB_COLORS, &bits, 0, 0);
    ASSERT_NE(ok, 0u);
    EXPECT_EQ(static_cast<uint32_t*>(bits)[15], 0u);
    DeleteObject(ok);
}

TEST(GdiBlt, ArgumentChecksAndExtremeCoordinates) {
    MemSurface a(4, 4), b(4, 4);
    a.FillPattern(0);
    EXPECT_FALSE(BitBlt(b.dc(), 0, 0, 4, 4, a.dc(), 0, 0, 0x00EE0086));  // SRCPAINT
    EXPECT_FALSE(BitBlt(b.dc(), 0, 0, 4, 4, 0, 0, 0, SRCCOPY));
    EXPECT_FALSE(BitBlt(0, 0, 0, 4, 4, a.dc(), 0, 0, SRCCOPY));
    EXPECT_FALSE(StretchBlt(b.dc(), 0, 0, 4, 4, a.bitmap(), 0, 0, 4, 4, SRCCOPY));
    EXPECT_TRUE(StretchBlt(b.dc(), 0, 0, 4, 4, a.dc(), 0, 0, 0, 4, SRCCOPY));
    EXPECT_TRUE(BitBlt(b.dc(), INT_MIN, INT_MIN, INT_MAX, INT_MAX, a.dc(), INT_MAX, 0, SRCCOPY));
    EXPECT_TRUE(StretchBlt(b.dc(), INT_MAX, 0, INT_MIN, 4, a.dc(), 0, 0, INT_MIN, 1, SRCCOPY));
    EXPECT_EQ(b.Snapshot(), std::vector<uint32_t>(16, 0));
    // Huge extents that do cover both surfaces still map pixel to pixel.
    EXPECT_TRUE(BitBlt(b.dc(), INT_MIN / 2, INT_MIN / 2, INT_MAX, INT_MAX, a.dc(), INT_MIN / 2,
                       INT_MIN / 2, SRCCOPY));
    EXPECT_EQ(b.Snapshot(), a.Snapshot());

    EXPECT_EQ(GetStretchBltMode(a.dc()), BLACKONWHITE);
    EXPECT_EQ(SetStretchBltMode(a.dc(), COLORONCOLOR), BLACKONWHITE);
    EXPECT_EQ(SetStretchBltMode(a.dc(), 5), 0);
    EXPECT_EQ(GetStretchBltMode(a.dc()), COLORONCOLOR);
}

TEST(GdiFill, ColourConversionClippingAndBadArguments) {
    MemSurface s(3, 3);
    HBRUSH brush = CreateSolidBrush(0xFF123456);  // the top byte never reaches a pixel
    RECT r;
    EXPECT_FALSE(SetRect(nullptr, 0, 0, 1, 1));
    EXPECT_TRUE(SetRect(&r, -5, 1, 2, 99));
    EXPECT_NE(FillRect(s.dc(), &r, brush), 0);
    const uint32_t p = 0x00563412;
    const std::vector<uint32_t> expected{0, 0, 0, p, p, 0, p, p, 0};
    EXPECT_EQ(s.Snapshot(), expected);
    RECT inverted{2, 2, 0, 0}, all{INT_MIN, INT_MIN, INT_MAX, INT_MAX};
    EXPECT_NE(FillRect(s.dc(), &inverted, brush), 0);
    EXPECT_EQ(FillRect(s.dc(), nullptr, brush), 0);
    EXPECT_EQ(FillRect(s.dc(), &all, StaleBrush()), 0);
    EXPECT_EQ(FillRect(s.dc(), &all, s.bitmap()), 0);
    EXPECT_EQ(FillRect(0, &all, brush), 0);
    EXPECT_EQ(s.Snapshot(), expected);
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
        StretchBlt(a.dc(), 7, 0, -8, 8, b.dc(), 0, 0, 5, 3, SRCCOPY);
    }
    EXPECT_EQ(LiveObjectCount(), before);
}
