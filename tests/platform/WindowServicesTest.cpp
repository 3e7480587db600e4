// Capture and cursor of the form runtime, with a scripted capture backend.
#include <QMouseEvent>
#include <QWindow>

#include "tests/platform/PlatformTest.h"

namespace {

class WindowServicesTest : public PlatformTest {
  protected:
    // The capture holder and whether the pointer is grabbed.
    std::pair<uint32_t, bool> Captured() const { return {win::GetCapture(), capture->Grabbed()}; }
    // A left button press (`down`) or release over the probe, through the native window where
    // the capture watches, and the capture state after it.
    std::pair<uint32_t, bool> Button(bool down) {
        const QPointF at(5, 5);
        QMouseEvent e(down ? QEvent::MouseButtonPress : QEvent::MouseButtonRelease, at, at,
                      Qt::LeftButton, down ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(fProbe->Window()->windowHandle(), &e);
        return Captured();
    }
};

TEST_F(WindowServicesTest, CaptureLastsUntilReleaseOrLossAndTheCursorHidesBelowZero) {
    ShowAndActivate(*fProbe);
    const uint32_t h = fProbe->hWnd();
    EXPECT_EQ(Button(true), std::pair(h, false));  // the button's own grab
    EXPECT_EQ(Button(false), std::pair(0u, false));
    // Moves go on without the capture, in device pixels, with buttons and shift state.
    const float ratio = fProbe->Window()->devicePixelRatioF();
    const QPointF at(10.5, 20);  // where on the screen does not matter
    QMouseEvent move(QEvent::MouseMove, at, at, Qt::NoButton, Qt::LeftButton | Qt::RightButton,
                     Qt::ShiftModifier | Qt::AltModifier);
    QCoreApplication::sendEvent(fProbe->Window(), &move);
    EXPECT_EQ(fProbe->moves,
              (std::vector<std::array<float, 4>>{{3, 5, 10.5f * ratio, 20 * ratio}}));
    EXPECT_TRUE(fProbe->Window()->hasMouseTracking());

    capture->SetGrabSucceeds(false);
    EXPECT_EQ(win::SetCapture(h), 0u);
    EXPECT_EQ(Captured(), std::pair(0u, false));
    capture->SetGrabSucceeds(true);
    // SetCapture grabs, bad handles change nothing, and a click keeps the capture until its
    // release gives the pointer back.
    EXPECT_EQ(win::SetCapture(h), 0u);
    for (uint32_t bad : {0u, 0xDEADu}) EXPECT_EQ(win::SetCapture(bad), 0u);
    EXPECT_EQ(win::SetCapture(h), h);  // the previous holder
    EXPECT_EQ(Button(true), std::pair(h, true));
    EXPECT_EQ(Button(false), std::pair(0u, false));
    win::SetCapture(h);
    EXPECT_EQ(win::SetCapture(fOther->hWnd()), h);  // taken from the other form
    EXPECT_EQ(win::GetCapture(), fOther->hWnd());

    // A broken grab, lost activation and the unload each end the capture.
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
    // Every grab was let go, but the failed and the broken one.
    EXPECT_EQ(capture->GrabCount(), capture->UngrabCount() + 2);

    // ShowCursor counts; below zero the cursor is hidden.
    const auto show = [this](int32_t bShow, int32_t count) {
        SCOPED_TRACE(count);
        EXPECT_EQ(win::ShowCursor(bShow), count);
        const QCursor* cursor = QGuiApplication::overrideCursor();
        EXPECT_EQ(cursor ? cursor->shape() : Qt::ArrowCursor,
                  count < 0 ? Qt::BlankCursor : Qt::ArrowCursor);
        EXPECT_EQ(capture->CursorBlank(), capture->Grabbed() && count < 0);
    };
    for (auto [bShow, count] : {std::pair{0, -1}, {0, -2}, {1, -1}}) show(bShow, count);
    win::SetCapture(fOther->hWnd());  // a grab taken while hidden shows no cursor
    EXPECT_TRUE(capture->CursorBlank());
    // Any nonzero value shows; the grab's cursor follows.
    for (auto [bShow, count] : {std::pair{-1, 0}, {1, 1}, {0, 0}, {0, -1}}) show(bShow, count);
}

}  // namespace
