// Capture, cursor and update lock of the form runtime, with a scripted capture backend.
#include "tests/platform/PlatformTest.h"

namespace {

class WindowServicesTest : public PlatformTest {
  protected:
    void SetUp() override {
        PlatformTest::SetUp();
        fProbe->ownDc = fOther->ownDc = true;
        ShowAndActivate(*fProbe);
        h = fProbe->hWnd();
    }
    uint32_t h = 0;
};

TEST_F(WindowServicesTest, PressCapturesReleaseEndsAndMovesStillArrive) {
    EXPECT_EQ(Captured(), std::pair(0u, false));
    SendMouse(*fProbe, QEvent::MouseButtonPress, {10, 10});
    EXPECT_EQ(Captured(), std::pair(h, false));  // the button's own grab holds the pointer
    SendMouse(*fProbe, QEvent::MouseButtonRelease, {10, 10});
    EXPECT_EQ(win::GetCapture(), 0u);

    // SetCapture grabs; a click keeps the capture until its release gives the pointer back.
    EXPECT_EQ(win::SetCapture(h), 0u);
    EXPECT_EQ(win::SetCapture(h), h);  // the previous holder
    SendMouse(*fProbe, QEvent::MouseButtonPress, {5, 5});
    EXPECT_EQ(Captured(), std::pair(h, true));
    SendMouse(*fProbe, QEvent::MouseButtonRelease, {5, 5});
    EXPECT_EQ(Captured(), std::pair(0u, false));
    SendMouse(*fProbe, QEvent::MouseMove, {6, 5});  // tracking goes on without the capture
    EXPECT_EQ(fProbe->moves.size(), 1u);
    EXPECT_EQ(fProbe->captureAtMove, 0u);
}

TEST_F(WindowServicesTest, FailedGrabsAndBadHandlesLeaveNoCapture) {
    ShowAndActivate(*fOther);
    capture->SetGrabSucceeds(false);
    EXPECT_EQ(win::SetCapture(h), 0u);
    EXPECT_EQ(Captured(), std::pair(0u, false));
    capture->SetGrabSucceeds(true);
    win::SetCapture(h);
    for (uint32_t bad : {0u, 0xDEADu}) EXPECT_EQ(win::SetCapture(bad), 0u);
    EXPECT_EQ(win::GetCapture(), h);
    EXPECT_EQ(win::SetCapture(fOther->hWnd()), h);  // taken from the other form
    EXPECT_EQ(win::GetCapture(), fOther->hWnd());
    EXPECT_EQ(capture->UngrabCount(), 1);
}

TEST_F(WindowServicesTest, BrokenGrabLostActivationAndUnloadEndTheCapture) {
    QEvent deactivate(QEvent::WindowDeactivate);
    const std::function<void()> losses[] = {
        [this] { capture->BreakGrab(); },
        [&] { QCoreApplication::sendEvent(fProbe->Window(), &deactivate); },
        [] { fProbe->Unload(); }};
    for (const auto& lose : losses) {
        SCOPED_TRACE(&lose - losses);
        win::SetCapture(h);
        ASSERT_EQ(Captured(), std::pair(h, true));
        lose();
        EXPECT_EQ(Captured(), std::pair(0u, false));
    }
    EXPECT_EQ(win::SetCapture(h), 0u);  // the handle is stale now
    EXPECT_EQ(win::GetCapture(), 0u);
}

TEST_F(WindowServicesTest, ShowCursorCountsAndHidesBelowZero) {
    const auto show = [this](int32_t bShow, int32_t count) {
        SCOPED_TRACE(count);
        EXPECT_EQ(win::ShowCursor(bShow), count);
        const QCursor* cursor = QGuiApplication::overrideCursor();
        EXPECT_EQ(cursor != nullptr, count < 0);
        EXPECT_EQ(cursor ? cursor->shape() : Qt::BlankCursor, Qt::BlankCursor);
        EXPECT_EQ(capture->CursorBlank(), capture->Grabbed() && count < 0);
    };
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    for (auto [bShow, count] : {std::pair{0, -1}, {0, -2}, {1, -1}}) show(bShow, count);
    win::SetCapture(h);  // a grab taken while hidden shows no cursor
    EXPECT_TRUE(capture->CursorBlank());
    // Any nonzero value shows; the grab's cursor follows.
    for (auto [bShow, count] : {std::pair{-1, 0}, {1, 1}, {0, 0}, {0, -1}}) show(bShow, count);
    win::ResetWindowServices();
    EXPECT_EQ(win::CursorCount(), 0);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(WindowServicesTest, LockedWindowPresentsNothingUntilUnlocked) {
    ShowAndActivate(*fOther);
    QApplication::processEvents();
    const gdi::HDC dc = fProbe->hDC();
    fProbe->painted = QRegion();
    EXPECT_NE(win::LockWindowUpdate(h), 0);
    EXPECT_EQ(win::LockedWindow(), h);
    EXPECT_EQ(win::LockWindowUpdate(fOther->hWnd()), 0);  // one window at a time
    EXPECT_EQ(win::LockWindowUpdate(0xDEAD), 0);
    Fill(dc, 4, 4, 10, 10);
    QApplication::processEvents();
    EXPECT_TRUE(fProbe->painted.isEmpty());
    EXPECT_EQ(fProbe->Surface()->pixel(5, 5) & 0xFFFFFFu, 0xFF0000u);  // drawn, not shown

    EXPECT_NE(win::LockWindowUpdate(0), 0);
    QApplication::processEvents();
    EXPECT_TRUE(fProbe->painted.contains(QRect(4, 4, 6, 6)));
    Fill(dc, 20, 20, 22, 22);
    QApplication::processEvents();
    EXPECT_TRUE(fProbe->painted.contains(QRect(20, 20, 2, 2)));

    EXPECT_NE(win::LockWindowUpdate(h), 0);  // the lock goes with the window
    fProbe->Unload();
    EXPECT_EQ(win::LockedWindow(), 0u);
    EXPECT_NE(win::LockWindowUpdate(fOther->hWnd()), 0);
}

}  // namespace
