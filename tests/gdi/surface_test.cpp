// DCs over borrowed pixels: window surfaces (dirty rectangles, persistent clip, re-pointing) and
// the screen DC.

#include "platform/gdi/Surface.h"

#include <gtest/gtest.h>

#include <vector>

#include "gdi/GdiTestSupport.h"
#include "platform/gdi/Gdi.h"

using namespace gdi;
using gdi_test::MemSurface;

namespace {

bool operator==(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

}  // namespace

TEST(GdiSurfaceDc, DrawsIntoBorrowedPixelsAndReportsClippedRectangles) {
    const uint32_t before = LiveObjectCount();
    std::vector<uint32_t> window(8 * 6, 0);
    std::vector<RECT> dirty;
    HDC dc = CreateSurfaceDC(SurfaceView{window.data(), 8, 6},
                             [&](const RECT& r) { dirty.push_back(r); });
    ASSERT_NE(dc, 0u);
    EXPECT_EQ(GetObjectType(dc), OBJ_DC);
    EXPECT_EQ(LiveObjectCount(), before + 1);

    MemSurface lens(4, 4);
    lens.FillPattern(0x10000);
    // Partly off the window: only the on-window part is drawn and reported.
    EXPECT_TRUE(BitBlt(dc, 6, -1, 4, 4, lens.dc(), 0, 0, SRCCOPY));
    ASSERT_EQ(dirty.size(), 1u);
    EXPECT_TRUE((dirty[0] == RECT{6, 0, 8, 3}));
    EXPECT_EQ(window[0 * 8 + 6], lens.at(0, 1));
    EXPECT_EQ(window[2 * 8 + 7], lens.at(1, 3));

    // The clip stays selected across calls until replaced; a difference gives two rectangles.
    HRGN old = CreateRectRgn(0, 0, 4, 4);
    HRGN moved = CreateRectRgn(2, 2, 6, 6);
    CombineRgn(old, old, moved, RGN_DIFF);
    EXPECT_EQ(SelectClipRgn(dc, old), COMPLEXREGION);
    DeleteObject(old);
    DeleteObject(moved);
    dirty.clear();
    HBRUSH brush = CreateSolidBrush(0x0000FF);
    RECT all{0, 0, 8, 6};
    FillRect(dc, &all, brush);
    FillRect(dc, &all, brush);
    DeleteObject(brush);
    ASSERT_EQ(dirty.size(), 4u);
    EXPECT_TRUE((dirty[0] == RECT{0, 0, 4, 2}));
    EXPECT_TRUE((dirty[1] == RECT{0, 2, 2, 4}));
    EXPECT_EQ(window[3 * 8 + 1], 0x00FF0000u);
    EXPECT_EQ(window[3 * 8 + 2], 0u);

    // Re-pointing keeps the clip; an empty view draws nothing and reports nothing.
    std::vector<uint32_t> bigger(10 * 10, 0);
    EXPECT_TRUE(UpdateSurfaceDC(dc, SurfaceView{bigger.data(), 10, 10}));
    dirty.clear();
    EXPECT_TRUE(BitBlt(dc, 0, 0, 10, 10, lens.dc(), 0, 0, SRCCOPY));
    EXPECT_EQ(bigger[3 * 10 + 3], 0u);
    EXPECT_EQ(bigger[0], lens.at(0, 0));
    EXPECT_EQ(dirty.size(), 2u);
    EXPECT_TRUE(UpdateSurfaceDC(dc, SurfaceView{nullptr, 10, 10}));
    dirty.clear();
    EXPECT_TRUE(BitBlt(dc, 0, 0, 10, 10, lens.dc(), 0, 0, SRCCOPY));
    EXPECT_TRUE(dirty.empty());

    // It is not a memory DC: no bitmap selection, no DeleteDC.
    EXPECT_EQ(SelectObject(dc, lens.bitmap()), 0u);
    EXPECT_FALSE(DeleteDC(dc));
    EXPECT_FALSE(UpdateSurfaceDC(lens.dc(), SurfaceView{}));
    EXPECT_FALSE(ReleaseSurfaceDC(lens.dc()));
    EXPECT_TRUE(ReleaseSurfaceDC(dc));
    EXPECT_FALSE(ReleaseSurfaceDC(dc));
    EXPECT_EQ(LiveObjectCount(), before + 2);  // just the lens surface
}

TEST(GdiSurfaceDc, ReadsAsASourceToo) {
    std::vector<uint32_t> window{1, 2, 3, 4};
    HDC dc = CreateSurfaceDC(SurfaceView{window.data(), 2, 2}, nullptr);
    MemSurface copy(2, 2);
    EXPECT_TRUE(BitBlt(copy.dc(), 0, 0, 2, 2, dc, 0, 0, SRCCOPY));
    EXPECT_EQ(copy.Snapshot(), window);
    // Mirrored onto itself, with no dirty handler at all.
    EXPECT_TRUE(StretchBlt(dc, 1, 0, -2, 2, dc, 0, 0, 2, 2, SRCCOPY));
    EXPECT_EQ(window, (std::vector<uint32_t>{2, 1, 4, 3}));
    ReleaseSurfaceDC(dc);
}

TEST(GdiScreenDc, GetDcReadsTheRegisteredScreen) {
    const uint32_t before = LiveObjectCount();
    SetScreenSource(nullptr);
    EXPECT_EQ(GetDC(0), 0u);

    std::vector<uint32_t> screen(5 * 3);
    for (size_t i = 0; i < screen.size(); ++i) screen[i] = static_cast<uint32_t>(i + 100);
    int calls = 0;
    SetScreenSource([&] {
        ++calls;
        return SurfaceView{screen.data(), 5, 3};
    });
    EXPECT_NE(GetDesktopWindow(), 0u);
    EXPECT_EQ(GetDC(12345), 0u);  // other windows are not served here
    HDC desk = GetDC(GetDesktopWindow());
    HDC scr = GetDC(0);
    ASSERT_NE(scr, 0u);
    ASSERT_NE(desk, 0u);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(GetObjectType(scr), OBJ_DC);
    EXPECT_EQ(LiveObjectCount(), before + 2);

    MemSurface snapshot(5, 3);
    EXPECT_TRUE(BitBlt(snapshot.dc(), 0, 0, 5, 3, scr, 0, 0, SRCCOPY));
    EXPECT_EQ(snapshot.Snapshot(), screen);
    // A bitmap compatible with the screen DC is an ordinary 32-bit bitmap.
    HBITMAP compatible = CreateCompatibleBitmap(desk, 5, 3);
    EXPECT_EQ(GetObjectType(compatible), OBJ_BITMAP);
    DeleteObject(compatible);

    EXPECT_FALSE(DeleteDC(scr));
    EXPECT_FALSE(ReleaseSurfaceDC(scr));
    EXPECT_EQ(ReleaseDC(0, snapshot.dc()), 0);
    EXPECT_EQ(ReleaseDC(0, scr), 1);
    EXPECT_EQ(ReleaseDC(GetDesktopWindow(), desk), 1);
    EXPECT_EQ(ReleaseDC(0, scr), 0);
    SetScreenSource(nullptr);
    EXPECT_EQ(LiveObjectCount(), before + 2);  // just the snapshot surface
}
