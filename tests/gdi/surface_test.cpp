// DCs over borrowed pixels: window surfaces (dirty rectangles, persistent clip, re-pointing) and
// the screen DC.

#include "platform/gdi/Surface.h"

#include <gtest/gtest.h>

#include <vector>

#include "gdi/GdiTestSupport.h"

using namespace gdi;
using gdi_test::MemSurface;

namespace {
std::vector<int> Flat(const std::vector<RECT>& rects) {
    std::vector<int> out;
    for (const RECT& r : rects) out.insert(out.end(), {r.left, r.top, r.right, r.bottom});
    return out;
}
}  // namespace

TEST(GdiSurfaceDc, DrawsIntoBorrowedPixelsAndReportsClippedRectangles) {
    MemSurface lens(4, 4);
    lens.FillPattern(0x10000);
    const uint32_t before = LiveObjectCount();
    std::vector<uint32_t> window(8 * 6, 0);
    std::vector<RECT> dirty;
    HDC dc = CreateSurfaceDC({window.data(), 8, 6}, [&](const RECT& r) { dirty.push_back(r); });
    EXPECT_EQ(GetObjectType(dc), OBJ_DC);
    EXPECT_EQ(LiveObjectCount(), before + 1);
    // Partly off the window: only the on-window part is drawn and reported.
    EXPECT_TRUE(BitBlt(dc, 6, -1, 4, 4, lens.dc(), 0, 0, SRCCOPY));
    EXPECT_EQ(Flat(dirty), (std::vector<int>{6, 0, 8, 3}));
    EXPECT_EQ(window[2 * 8 + 7], lens.at(1, 3));

    // The clip stays selected across calls; the old-minus-new square is two rectangles.
    HRGN old = CreateRectRgn(0, 0, 4, 4), moved = CreateRectRgn(2, 2, 6, 6);
    CombineRgn(old, old, moved, RGN_DIFF);
    EXPECT_EQ(SelectClipRgn(dc, old), COMPLEXREGION);
    DeleteObject(old);
    DeleteObject(moved);
    dirty.clear();
    HBRUSH brush = CreateSolidBrush(0x0000FF);
    RECT all{0, 0, 8, 6};
    FillRect(dc, &all, brush);
    DeleteObject(brush);
    EXPECT_EQ(Flat(dirty), (std::vector<int>{0, 0, 4, 2, 0, 2, 2, 4}));
    EXPECT_EQ(window[3 * 8 + 1], 0x00FF0000u);
    EXPECT_EQ(window[3 * 8 + 2], 0u);

    // Re-pointing keeps the clip; an unusable view draws and reports nothing.
    std::vector<uint32_t> bigger(10 * 10, 0);
    EXPECT_TRUE(UpdateSurfaceDC(dc, {bigger.data(), 10, 10}));
    EXPECT_TRUE(BitBlt(dc, 0, 0, 10, 10, lens.dc(), 0, 0, SRCCOPY));
    EXPECT_EQ(bigger[0], lens.at(0, 0));
    EXPECT_EQ(bigger[3 * 10 + 3], 0u);
    EXPECT_TRUE(UpdateSurfaceDC(dc, {nullptr, 10, 10}));
    dirty.clear();
    EXPECT_TRUE(BitBlt(dc, 0, 0, 10, 10, lens.dc(), 0, 0, SRCCOPY));
    EXPECT_TRUE(dirty.empty());

    EXPECT_EQ(SelectObject(dc, lens.bitmap()), 0u);  // not a memory DC
    EXPECT_FALSE(DeleteDC(dc));
    EXPECT_FALSE(UpdateSurfaceDC(lens.dc(), {}));
    EXPECT_FALSE(ReleaseSurfaceDC(lens.dc()));
    EXPECT_TRUE(ReleaseSurfaceDC(dc));
    EXPECT_FALSE(ReleaseSurfaceDC(dc));
    EXPECT_EQ(LiveObjectCount(), before);
}

TEST(GdiSurfaceDc, MirrorsItselfWithoutADirtyHandler) {
    std::vector<uint32_t> window{1, 2, 3, 4};
    HDC dc = CreateSurfaceDC({window.data(), 2, 2}, nullptr);
    EXPECT_TRUE(StretchBlt(dc, 1, 0, -2, 2, dc, 0, 0, 2, 2, SRCCOPY));
    EXPECT_EQ(window, (std::vector<uint32_t>{2, 1, 4, 3}));
    ReleaseSurfaceDC(dc);
}

TEST(GdiScreenDc, GetDcReadsTheRegisteredScreen) {
    MemSurface snapshot(5, 3);
    const uint32_t before = LiveObjectCount();
    SetScreenSource(nullptr);
    EXPECT_EQ(GetDC(0), 0u);
    std::vector<uint32_t> screen(5 * 3);
    for (size_t i = 0; i < screen.size(); ++i) screen[i] = static_cast<uint32_t>(i + 100);
    SetScreenSource([&] { return SurfaceView{screen.data(), 5, 3}; });
    EXPECT_EQ(GetDC(12345), 0u);  // other windows are not served here
    HDC desk = GetDC(GetDesktopWindow()), scr = GetDC(0);
    ASSERT_NE(desk, 0u);
    EXPECT_EQ(GetObjectType(scr), OBJ_DC);
    EXPECT_TRUE(BitBlt(snapshot.dc(), 0, 0, 5, 3, scr, 0, 0, SRCCOPY));
    EXPECT_EQ(snapshot.Snapshot(), screen);
    EXPECT_FALSE(DeleteDC(scr));
    EXPECT_EQ(ReleaseDC(0, snapshot.dc()), 0);
    EXPECT_EQ(ReleaseDC(0, scr), 1);
    EXPECT_EQ(ReleaseDC(GetDesktopWindow(), desk), 1);
    EXPECT_EQ(ReleaseDC(0, scr), 0);
    SetScreenSource(nullptr);
    EXPECT_EQ(LiveObjectCount(), before);
}
