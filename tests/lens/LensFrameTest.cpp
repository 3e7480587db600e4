#include <gtest/gtest.h>

#include <vector>

#include "gdi/GdiTesting.h"
#include "gdi/Surface.h"
#include "lens/LensFrame.h"
#include "lens/mLens.h"

namespace {

// A lens of radius 4 over a 32 x 24 screen copy, drawn into a window surface that starts as that
// copy.
struct Scene {
    Scene() {
        frame.LensSize = 8;
        EXPECT_EQ(frame.DesktopDIB.Create(32, 24), -1);
        for (int k = 0; k < 32 * 24; ++k) window[k] = frame.DesktopDIB.DIBitsPtr()[k] = k + 1;
        EXPECT_EQ(frame.LensDstDIB.Create(8, 8), -1);
        EXPECT_EQ(frame.LensSrcDIB.Create(8, 8), -1);
    }
    ~Scene() { gdi::ReleaseSurfaceDC(dc); }

    LensFrame frame;
    std::vector<uint32_t> window = std::vector<uint32_t>(32 * 24);
    gdi::HDC dc = gdi::CreateSurfaceDC({window.data(), 32, 24}, nullptr);
};

// A region that cannot be made would mean no clip at all: the frame then draws nothing and
// leaks nothing, and the next frame draws as if the failed one had never been asked for.
TEST(LensFrame, AClipRegionThatCannotBeMadeDrawsNothing) {
    mLens::BuildLookUpTable(4, 75, -1);
    mLens::SetColorMask(0x00FF0000);
    Scene scene, reference;
    for (Scene* s : {&scene, &reference}) s->frame.DrawLensFrame(s->dc, 4, 4);
    const std::vector<uint32_t> drawn = scene.window;
    const uint32_t live = gdi::LiveObjectCount();
    for (uint32_t after : {0u, 1u}) {  // the old square's region, then the new one's
        gdi::testing::FailNextCreations(1, after);
        scene.frame.DrawLensFrame(scene.dc, 14, 10);
        EXPECT_EQ(gdi::testing::PendingCreationFailures(), 0u);
        EXPECT_TRUE(scene.window == drawn) << after;
        EXPECT_EQ(scene.frame.LastX + scene.frame.LastY + gdi::LiveObjectCount(), 8 + live);
    }
    for (Scene* s : {&scene, &reference}) s->frame.DrawLensFrame(s->dc, 14, 10);
    EXPECT_TRUE(scene.window == reference.window);
    EXPECT_NE(scene.window, drawn);
}

}  // namespace
