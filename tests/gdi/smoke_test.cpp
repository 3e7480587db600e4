#include <gtest/gtest.h>

#include "platform/gdi/Gdi.h"

using namespace gdi;

TEST(GdiSmoke, CopyBetweenMemoryDcs) {
    BITMAPINFO bi{};
    bi.bmiHeader = {40, 4, -3, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC a = CreateCompatibleDC(0);
    HBITMAP ba = CreateDIBSection(a, &bi, DIB_RGB_COLORS, &bits, 0, 0);
    ASSERT_NE(ba, 0u);
    HGDIOBJ old = SelectObject(a, ba);
    EXPECT_NE(old, 0u);
    auto* pa = static_cast<uint32_t*>(bits);
    for (int i = 0; i < 12; ++i) pa[i] = i + 1;
    HDC b = CreateCompatibleDC(0);
    HBITMAP bb = CreateDIBSection(b, &bi, DIB_RGB_COLORS, &bits, 0, 0);
    HGDIOBJ oldb = SelectObject(b, bb);
    auto* pb = static_cast<uint32_t*>(bits);
    EXPECT_TRUE(BitBlt(b, 1, 1, 4, 4, a, 0, 0, SRCCOPY));
    EXPECT_EQ(pb[5], 1u);
    EXPECT_EQ(pb[6], 2u);
    EXPECT_EQ(pb[0], 0u);
    EXPECT_TRUE(StretchBlt(a, 3, 0, -4, 3, a, 0, 0, 4, 3, SRCCOPY));
    EXPECT_EQ(pa[0], 4u);
    EXPECT_EQ(pa[3], 1u);
    RECT r;
    SetRect(&r, 0, 0, 4, 3);
    HBRUSH br = CreateSolidBrush(0x0000FF);
    EXPECT_TRUE(FillRect(a, &r, br));
    EXPECT_EQ(pa[11], 0x00FF0000u);
    EXPECT_TRUE(DeleteObject(br));
    EXPECT_FALSE(DeleteObject(ba));
    SelectObject(a, old);
    SelectObject(b, oldb);
    EXPECT_TRUE(DeleteObject(ba));
    EXPECT_TRUE(DeleteObject(bb));
    EXPECT_TRUE(DeleteDC(a));
    EXPECT_TRUE(DeleteDC(b));
    EXPECT_EQ(LiveObjectCount(), 0u);
}
