// The in-process clipboard: open/close discipline, ownership of the bitmap handed to it and
// the publisher.
#include "platform/gdi/Clipboard.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/gdi/GdiTesting.h"

namespace {

using namespace gdi;
namespace hooks = gdi::testing;

class GdiClipboard : public ::testing::Test {
  protected:
    void SetUp() override {
        hooks::ResetClipboard();
        SetClipboardPublisher([this](HBITMAP b) { published.push_back(b); });
        base = LiveObjectCount();
    }
    void TearDown() override { hooks::ResetClipboard(); }
    std::vector<HBITMAP> published;
    uint32_t base = 0;
};

bool IsLiveBitmap(HGDIOBJ h) { return GetObjectType(h) == OBJ_BITMAP; }

TEST_F(GdiClipboard, OpenCloseDiscipline) {
    // Nothing works on a closed clipboard.
    const HBITMAP bitmap = CreateCompatibleBitmap(0, 2, 2);
    EXPECT_EQ(EmptyClipboard(), 0);
    EXPECT_EQ(SetClipboardData(CF_BITMAP, bitmap), 0u);
    EXPECT_EQ(CloseClipboard(), 0);

    // One opener at a time, this program included.
    EXPECT_EQ(OpenClipboard(0), 1);
    EXPECT_TRUE(hooks::ClipboardIsOpen());
    EXPECT_EQ(OpenClipboard(0), 0);
    EXPECT_EQ(OpenClipboard(0x1234), 0);
    EXPECT_EQ(CloseClipboard(), 1);
    EXPECT_EQ(CloseClipboard(), 0);

    // Held open by another program: opening fails until it lets go.
    hooks::HoldClipboardOpen(true);
    EXPECT_EQ(OpenClipboard(0), 0);
    hooks::HoldClipboardOpen(false);
    EXPECT_EQ(OpenClipboard(0), 1);
    EXPECT_EQ(CloseClipboard(), 1);

    EXPECT_TRUE(published.empty());
    EXPECT_EQ(DeleteObject(bitmap), 1);  // never taken, still ours
}

TEST_F(GdiClipboard, TakesOwnershipAndReleasesTheFormerBitmap) {
    const HBITMAP first = CreateCompatibleBitmap(0, 3, 2);
    const HBITMAP second = CreateCompatibleBitmap(0, 4, 4);
    ASSERT_TRUE(IsLiveBitmap(first) && IsLiveBitmap(second));

    ASSERT_EQ(OpenClipboard(0), 1);
    EXPECT_EQ(EmptyClipboard(), 1);  // emptying an empty clipboard is fine
    EXPECT_EQ(SetClipboardData(CF_BITMAP, first), first);
    EXPECT_EQ(SetClipboardData(CF_BITMAP, first), first);  // again: kept, not deleted
    EXPECT_TRUE(IsLiveBitmap(first));
    EXPECT_EQ(CloseClipboard(), 1);
    EXPECT_EQ(published, std::vector<HBITMAP>{first});
    EXPECT_EQ(hooks::ClipboardBitmap(), first);
    EXPECT_EQ(LiveObjectCount(), base + 2);  // the held bitmap is still a live object

    // A new bitmap replaces the held one, which is deleted.
    ASSERT_EQ(OpenClipboard(0), 1);
    EXPECT_EQ(SetClipboardData(CF_BITMAP, second), second);
    EXPECT_EQ(GetObjectType(first), 0u);
    EXPECT_EQ(CloseClipboard(), 1);
    EXPECT_EQ(hooks::ClipboardBitmap(), second);
    EXPECT_EQ(LiveObjectCount(), base + 1);

    // Emptying deletes it; a session without SetClipboardData publishes nothing.
    ASSERT_EQ(OpenClipboard(0), 1);
    EXPECT_EQ(EmptyClipboard(), 1);
    EXPECT_EQ(GetObjectType(second), 0u);
    EXPECT_EQ(hooks::ClipboardBitmap(), 0u);
    EXPECT_EQ(CloseClipboard(), 1);
    EXPECT_EQ(published, (std::vector<HBITMAP>{first, second}));
    EXPECT_EQ(LiveObjectCount(), base);
}

TEST_F(GdiClipboard, RefusedDataStaysWithTheCaller) {
    const HDC dc = CreateCompatibleDC(0);
    const HBITMAP selected = CreateCompatibleBitmap(0, 2, 2);
    const HBITMAP free = CreateCompatibleBitmap(0, 2, 2);
    const HBRUSH brush = CreateSolidBrush(0);
    const HGDIOBJ stock = SelectObject(dc, selected);
    const HBITMAP stale = CreateCompatibleBitmap(0, 1, 1);
    ASSERT_EQ(DeleteObject(stale), 1);

    ASSERT_EQ(OpenClipboard(0), 1);
    EXPECT_EQ(SetClipboardData(CF_BITMAP, free), free);
    // None of these is taken, and the bitmap already held stays.
    EXPECT_EQ(SetClipboardData(1 /*CF_TEXT*/, selected), 0u);
    EXPECT_EQ(SetClipboardData(CF_BITMAP, selected), 0u);  // still selected into a DC
    EXPECT_EQ(SetClipboardData(CF_BITMAP, stock), 0u);
    EXPECT_EQ(SetClipboardData(CF_BITMAP, brush), 0u);
    EXPECT_EQ(SetClipboardData(CF_BITMAP, stale), 0u);
    EXPECT_EQ(SetClipboardData(CF_BITMAP, 0), 0u);
    EXPECT_EQ(CloseClipboard(), 1);
    EXPECT_EQ(hooks::ClipboardBitmap(), free);
    EXPECT_TRUE(IsLiveBitmap(selected));
    EXPECT_TRUE(IsLiveBitmap(stock));

    EXPECT_EQ(SelectObject(dc, stock), selected);
    EXPECT_EQ(DeleteObject(selected), 1);
    EXPECT_EQ(DeleteObject(brush), 1);
    EXPECT_EQ(DeleteDC(dc), 1);
    hooks::ResetClipboard();
    EXPECT_EQ(LiveObjectCount(), base);
}

}  // namespace
