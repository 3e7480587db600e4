// The screen DC over the fixture's seeded screen: fresh copies, the copy frozen for a lens-like
// form, and that form's surface starting as the copy.
#include "gdi/Surface.h"
#include "tests/platform/PlatformTest.h"

namespace {

// One pixel read through `screen` (0: a fresh screen DC, released after); 0xDEADBEEF when
// nothing was transferred.
uint32_t ScreenPixel(int x, int y, gdi::HDC screen = 0) {
    const gdi::HDC dc = screen ? screen : gdi::GetDC(0);
    uint32_t pixel = 0xDEADBEEF;
    const gdi::HDC one = gdi::CreateSurfaceDC({&pixel, 1, 1}, {});
    gdi::BitBlt(one, 0, 0, 1, 1, dc, x, y, gdi::SRCCOPY);
    gdi::ReleaseSurfaceDC(one);
    if (!screen) gdi::ReleaseDC(0, dc);
    return pixel;
}

using ScreenCopyTest = PlatformTest;

TEST_F(ScreenCopyTest, ScreenDcReadsAFreshCopyUnlessFrozenUntilTheLastThaw) {
    const int x = size.width() - 1, y = size.height() - 1;
    EXPECT_EQ(ScreenPixel(3, 2), ScreenAt(1, 3, 2));
    seed = 2;
    EXPECT_EQ(ScreenPixel(x, y), ScreenAt(2, x, y));
    EXPECT_EQ(copies, 2);
    EXPECT_EQ(ScreenPixel(x + 1, 0), 0xDEADBEEFu);  // off the screen

    // Screen DCs alive side by side: each reads its own copy until it is released.
    std::vector<gdi::HDC> live;
    for (int k = 0; k < 6; ++k, ++seed) live.push_back(gdi::GetDC(0));
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(ScreenPixel(x, y, live[k]), ScreenAt(2 + k, x, y)) << k;
        gdi::ReleaseDC(0, live[k]);
    }
    seed = 2;

    ScreenCopy::Freeze();
    seed = 7;
    ScreenCopy::Freeze();  // nested: the first copy stays
    EXPECT_EQ(ScreenPixel(5, 5), ScreenAt(2, 5, 5));
    ScreenCopy::Thaw();
    EXPECT_EQ(ScreenPixel(5, 5), ScreenAt(2, 5, 5));  // one Freeze still holds it
    ScreenCopy::Thaw();
    ScreenCopy::Thaw();                               // one too many: harmless
    EXPECT_TRUE(ScreenCopy::FrozenImage().isNull());  // the copy is let go
    EXPECT_EQ(ScreenPixel(5, 5), ScreenAt(7, 5, 5));
}

TEST_F(ScreenCopyTest, FrozenScreenFormCopiesBeforeMappingAndStartsAsTheCopy) {
    bool visibleAtCopy = true;
    onCopy = [&] { visibleAtCopy = fProbe->Window() && fProbe->Window()->isVisible(); };
    fProbe->frozen = true;
    fProbe->Show();
    QApplication::processEvents();
    EXPECT_EQ(std::pair(copies, visibleAtCopy), std::pair(1, false));
    ASSERT_TRUE(ScreenCopy::Frozen() && fProbe->Surface());
    EXPECT_EQ(fProbe->Surface()->pixel(10, 20) & 0xFFFFFFu, ScreenAt(1, 10, 20));  // the copy

    seed = 9;  // while shown the screen DC reads the copy beneath it, not a new one
    EXPECT_EQ(ScreenPixel(10, 20), ScreenAt(1, 10, 20));
    EXPECT_EQ(copies, 1);
    fProbe->Hide();  // shown again after a hide: a new copy
    EXPECT_FALSE(ScreenCopy::Frozen());
    fProbe->Show();
    EXPECT_EQ(copies, 2);
    EXPECT_EQ(ScreenPixel(10, 20), ScreenAt(9, 10, 20));
    fProbe->Unload();
    EXPECT_FALSE(ScreenCopy::Frozen());
    seed = 11;
    EXPECT_EQ(ScreenPixel(10, 20), ScreenAt(11, 10, 20));
    onCopy = nullptr;
}

}  // namespace
