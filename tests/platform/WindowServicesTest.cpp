// Capture, cursor and update lock of the form runtime, with a scripted capture backend.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QWidget>
#include <QWindow>

#include "platform/CaptureBackend.h"
#include "platform/Form.h"
#include "platform/FormInstance.h"
#include "platform/Program.h"
#include "platform/WindowServices.h"
#include "platform/gdi/Gdi.h"

namespace {

class ProbeForm : public Form {
  public:
    int activations = 0;
    int moves = 0;
    uint32_t captureAtMove = 0xFFFFFFFF;

  protected:
    void InitializeComponent(QWidget& window) override {
        SetOwnDC(true);
        window.resize(64, 48);
    }
    void Form_Activate() override { ++activations; }
    void Form_MouseMove(int16_t, int16_t, float, float) override {
        ++moves;
        captureAtMove = win::GetCapture();
    }
};

FormInstance<ProbeForm> fProbe;
FormInstance<ProbeForm> fOther;

class PaintRecorder : public QObject {
  public:
    QRegion painted;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) painted += static_cast<QPaintEvent*>(e)->region();
        return false;
    }
};

void ShowAndActivate(ProbeForm& form) {
    form.Show();
    for (int i = 0; i < 50 && form.activations == 0; ++i)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    ASSERT_GE(form.activations, 1);
}

void SendMouse(Form& form, QEvent::Type type, QPointF at, Qt::MouseButton button = Qt::LeftButton) {
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : button;
    QWidget* w = form.Window();
    QMouseEvent e(type, at, w->mapToGlobal(at), type == QEvent::MouseMove ? Qt::NoButton : button,
                  type == QEvent::MouseMove ? Qt::NoButton : held, Qt::NoModifier);
    QCoreApplication::sendEvent(w->windowHandle(), &e);
}

void Fill(gdi::HDC dc, int l, int t, int r, int b) {
    const gdi::HBRUSH brush = gdi::CreateSolidBrush(0x000000FF);
    gdi::RECT rect{l, t, r, b};
    gdi::FillRect(dc, &rect, brush);
    gdi::DeleteObject(brush);
}

class WindowServicesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Program::EndHook = [] {};
        auto backend = std::make_unique<ScriptedCapture>();
        capture = backend.get();
        CaptureBackend::Install(std::move(backend));
        win::ResetWindowServices();
    }
    void TearDown() override {
        fProbe->Unload();
        fOther->Unload();
        FormInstanceBase::ReleaseAll();
        win::ResetWindowServices();
        CaptureBackend::Install(nullptr);
        Program::EndHook = nullptr;
    }
    ScriptedCapture* capture = nullptr;
};

TEST_F(WindowServicesTest, ButtonPressCapturesTheFormAndReleaseEndsIt) {
    ShowAndActivate(*fProbe);
    const uint32_t h = fProbe->hWnd();
    EXPECT_EQ(win::GetCapture(), 0u);
    SendMouse(*fProbe, QEvent::MouseButtonPress, {10, 10});
    EXPECT_EQ(win::GetCapture(), h);
    EXPECT_EQ(capture->GrabCount(), 0);  // the button's own grab holds the pointer
    SendMouse(*fProbe, QEvent::MouseButtonRelease, {10, 10});
    EXPECT_EQ(win::GetCapture(), 0u);

    // A moved mouse still reaches the form after the capture ended.
    SendMouse(*fProbe, QEvent::MouseMove, {12, 11});
    EXPECT_EQ(fProbe->moves, 1);
    EXPECT_EQ(fProbe->captureAtMove, 0u);
}

TEST_F(WindowServicesTest, SetCaptureGrabsAndAClickGivesThePointerBack) {
    ShowAndActivate(*fProbe);
    const uint32_t h = fProbe->hWnd();
    EXPECT_EQ(win::SetCapture(h), 0u);
    EXPECT_EQ(win::GetCapture(), h);
    EXPECT_TRUE(capture->Grabbed());
    EXPECT_EQ(win::SetCapture(h), h);  // the previous holder
    EXPECT_EQ(win::GetCapture(), h);

    SendMouse(*fProbe, QEvent::MouseButtonPress, {5, 5});
    EXPECT_EQ(win::GetCapture(), h);
    EXPECT_TRUE(capture->Grabbed());
    SendMouse(*fProbe, QEvent::MouseButtonRelease, {5, 5});
    EXPECT_EQ(win::GetCapture(), 0u);
    EXPECT_FALSE(capture->Grabbed());
    SendMouse(*fProbe, QEvent::MouseMove, {6, 5});
    EXPECT_EQ(fProbe->captureAtMove, 0u);
}

TEST_F(WindowServicesTest, FailedGrabsAndBadHandlesLeaveNoCapture) {
    ShowAndActivate(*fProbe);
    ShowAndActivate(*fOther);
    capture->SetGrabSucceeds(false);
    EXPECT_EQ(win::SetCapture(fProbe->hWnd()), 0u);
    EXPECT_EQ(win::GetCapture(), 0u);

    capture->SetGrabSucceeds(true);
    const uint32_t h = fProbe->hWnd();
    win::SetCapture(h);
    EXPECT_EQ(win::SetCapture(0), 0u);
    EXPECT_EQ(win::SetCapture(0xDEAD), 0u);
    EXPECT_EQ(win::GetCapture(), h);  // unchanged
    EXPECT_EQ(win::LockWindowUpdate(0xDEAD), 0);

    // A form taking the capture takes it from the other one.
    EXPECT_EQ(win::SetCapture(fOther->hWnd()), h);
    EXPECT_EQ(win::GetCapture(), fOther->hWnd());
    EXPECT_EQ(capture->UngrabCount(), 1);
}

TEST_F(WindowServicesTest, BrokenGrabLostActivationAndUnloadEndTheCapture) {
    ShowAndActivate(*fProbe);
    const uint32_t h = fProbe->hWnd();
    win::SetCapture(h);
    capture->BreakGrab();
    EXPECT_EQ(win::GetCapture(), 0u);
    SendMouse(*fProbe, QEvent::MouseMove, {1, 1});
    EXPECT_EQ(fProbe->moves, 1);
    EXPECT_EQ(fProbe->captureAtMove, 0u);

    win::SetCapture(h);
    QEvent deactivate(QEvent::WindowDeactivate);
    QCoreApplication::sendEvent(fProbe->Window(), &deactivate);
    EXPECT_EQ(win::GetCapture(), 0u);
    EXPECT_FALSE(capture->Grabbed());

    // Unloading with the capture held gives the pointer back.
    win::SetCapture(h);
    ASSERT_TRUE(capture->Grabbed());
    fProbe->Unload();
    EXPECT_EQ(win::GetCapture(), 0u);
    EXPECT_FALSE(capture->Grabbed());
    EXPECT_EQ(win::SetCapture(h), 0u);  // the handle is stale now
    EXPECT_EQ(win::GetCapture(), 0u);
}

TEST_F(WindowServicesTest, ShowCursorCountsAndHidesBelowZero) {
    ShowAndActivate(*fProbe);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(win::ShowCursor(0), -1);
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::BlankCursor);
    EXPECT_EQ(win::ShowCursor(0), -2);
    EXPECT_EQ(win::ShowCursor(1), -1);
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);

    // A grab taken while hidden shows no cursor; showing it again changes the grab's cursor.
    win::SetCapture(fProbe->hWnd());
    EXPECT_TRUE(capture->CursorBlank());
    EXPECT_EQ(win::ShowCursor(-1), 0);  // any nonzero value shows
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(capture->CursorBlank());
    EXPECT_EQ(win::ShowCursor(1), 1);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(win::ShowCursor(0), 0);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(win::ShowCursor(0), -1);
    EXPECT_TRUE(capture->CursorBlank());

    win::ResetWindowServices();
    EXPECT_EQ(win::CursorCount(), 0);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(WindowServicesTest, LockedWindowPresentsNothingUntilUnlocked) {
    ShowAndActivate(*fProbe);
    ShowAndActivate(*fOther);
    QApplication::processEvents();
    QWidget* w = fProbe->Window();
    const gdi::HDC dc = fProbe->hDC();
    PaintRecorder recorder;
    w->installEventFilter(&recorder);

    EXPECT_NE(win::LockWindowUpdate(fProbe->hWnd()), 0);
    EXPECT_EQ(win::LockedWindow(), fProbe->hWnd());
    EXPECT_EQ(win::LockWindowUpdate(fOther->hWnd()), 0);  // one window at a time
    Fill(dc, 4, 4, 10, 10);
    QApplication::processEvents();
    EXPECT_TRUE(recorder.painted.isEmpty());
    EXPECT_EQ(fProbe->Surface()->pixel(5, 5) & 0xFFFFFFu, 0xFF0000u);  // drawn, not shown

    EXPECT_NE(win::LockWindowUpdate(0), 0);
    QApplication::processEvents();
    EXPECT_TRUE(recorder.painted.contains(QRect(4, 4, 6, 6)));
    recorder.painted = QRegion();
    Fill(dc, 20, 20, 22, 22);
    QApplication::processEvents();
    EXPECT_FALSE(recorder.painted.isEmpty());
    w->removeEventFilter(&recorder);

    // The lock goes with the window.
    EXPECT_NE(win::LockWindowUpdate(fProbe->hWnd()), 0);
    fProbe->Unload();
    EXPECT_EQ(win::LockedWindow(), 0u);
    EXPECT_NE(win::LockWindowUpdate(fOther->hWnd()), 0);
}

}  // namespace
