// The screen DC over the fixture's seeded screen: fresh copies, the copy frozen for a lens-like
// form, and that form's surface starting as the copy.
#include "gdi/Surface.h"
#include "tests/platform/PlatformTest.h"

namespace {

// One pixel read through `screen` (0: a fresh screen DC, released after); 0xDEADBEEF when
// nothing was transferred.
uint32_t ScreenPixel(int x, int y, gdi::HDC screen = 0) {
    const gdi::HDC dc = screen ? screen : gdi::GetDC(0);
    gdi_test::MemSurface one(1, 1);
    one.px[0] = 0xDEADBEEF;
    gdi::BitBlt(one.dc, 0, 0, 1, 1, dc, x, y, gdi::SRCCOPY);
    if (!screen) gdi::ReleaseDC(0, dc);
    return one.px[0];
}

using ScreenCopyTest = PlatformTest;

TEST_F(ScreenCopyTest, FreshCopiesUnlessFrozenAndAFrozenScreenFormStartsAsTheCopy) {
    // Screen DCs alive side by side: each reads the copy taken when it was made.
    const int x = size.width() - 1, y = size.height() - 1;
    std::vector<gdi::HDC> live;
    for (int k = 0; k < 4; ++k, ++seed) live.push_back(gdi::GetDC(0));
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(ScreenPixel(x - k, y - k, live[k]), ScreenAt(1 + k, x - k, y - k)) << k;
        gdi::ReleaseDC(0, live[k]);
    }
    EXPECT_EQ(ScreenPixel(x + 1, 0), 0xDEADBEEFu);  // off the screen

    ScreenCopy::Freeze();  // seed 5
    seed = 7;
    ScreenCopy::Freeze();  // nested: the first copy stays
    ScreenCopy::Thaw();
    EXPECT_EQ(ScreenPixel(5, 5), ScreenAt(5, 5, 5));  // one Freeze still holds it
    ScreenCopy::Thaw();
    EXPECT_TRUE(ScreenCopy::FrozenImage().isNull());  // the copy is let go
    EXPECT_EQ(ScreenPixel(5, 5), ScreenAt(7, 5, 5));
    ScreenCopy::Thaw();  // one too many: harmless, the next Freeze holds

    // A lens-like form: the copy is taken before its window maps and is its first picture.
    bool visibleAtCopy = true;
    onCopy = [&] { visibleAtCopy = fProbe->Window() && fProbe->Window()->isVisible(); };
    fProbe->frozen = true;
    fProbe->Show();
    EXPECT_FALSE(visibleAtCopy);
    ASSERT_TRUE(ScreenCopy::Frozen() && fProbe->Surface());
    EXPECT_EQ(fProbe->Surface()->pixel(10, 20) & 0xFFFFFFu, ScreenAt(7, 10, 20));

    seed = 9;  // while shown the screen DC reads the copy beneath it, not a new one
    EXPECT_EQ(ScreenPixel(10, 20), ScreenAt(7, 10, 20));
    fProbe->Hide();  // shown again after a hide: a new copy
    fProbe->Show();
    EXPECT_EQ(ScreenPixel(10, 20), ScreenAt(9, 10, 20));
    onCopy = nullptr;
}

}  // namespace
