#include <gtest/gtest.h>

#include <vector>

#include "gdi/GdiTesting.h"
#include "gdi/Surface.h"
#include "lens/LensFrame.h"
#include "lens/mLens.h"

namespace {

// A region that cannot be made would mean no clip at all: the frame then draws nothing and
// leaks nothing, and the next frame still restores the old square.
TEST(LensFrame, AClipRegionThatCannotBeMadeDrawsNothing) {
    mLens::BuildLookUpTable(4, 75, -1);
    mLens::SetColorMask(0x00FF0000);
    LensFrame frame;
    frame.LensSize = 8;
    ASSERT_EQ(frame.DesktopDIB.Create(32, 24) & frame.LensDstDIB.Create(8, 8) &
                  frame.LensSrcDIB.Create(8, 8),
              -1);
    std::vector<uint32_t> window(32 * 24);  // starts as the screen copy
    for (int k = 0; k < 32 * 24; ++k) window[k] = frame.DesktopDIB.DIBitsPtr()[k] = k + 1;
    const gdi::HDC dc = gdi::CreateSurfaceDC({window.data(), 32, 24}, nullptr);
    frame.DrawLensFrame(dc, 4, 4);
    const std::vector<uint32_t> drawn = window;
    const uint32_t live = gdi::LiveObjectCount();
    for (uint32_t after : {0u, 1u}) {  // the old square's region, then the new one's
        gdi::testing::FailNextCreations(1, after);
        frame.DrawLensFrame(dc, 14, 10);
        EXPECT_EQ(gdi::testing::PendingCreationFailures(), 0u);
        EXPECT_TRUE(window == drawn) << after;
        EXPECT_EQ(frame.LastX + frame.LastY + gdi::LiveObjectCount(), 8 + live);
    }
    frame.DrawLensFrame(dc, 14, 10);
    for (int k = 0; k < 32 * 24; ++k) {
        const int x = k % 32, y = k / 32;
        const bool lens = x >= 14 && x < 22 && y >= 10 && y < 18;
        ASSERT_TRUE(lens || window[k] == uint32_t(k + 1)) << k;
    }
    EXPECT_NE(window, drawn);
    gdi::ReleaseSurfaceDC(dc);
}

}  // namespace
