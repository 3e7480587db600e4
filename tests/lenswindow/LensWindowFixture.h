#pragma once
// The lens window over an injected screen image, with a scripted pointer capture: opens it the
// way Start does (from the control panel), moves the mouse in device pixels, closes it with a
// click and a move, and checks the window surface against the per-pixel model.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QImage>
#include <QMouseEvent>
#include <QScreen>
#include <QScrollBar>
#include <cmath>
#include <memory>

#include "lenswindow/LensForm.h"
#include "panel/MainForm.h"
#include "platform/CaptureBackend.h"
#include "platform/Form.h"
#include "platform/FormInstance.h"
#include "platform/Interaction.h"
#include "platform/Program.h"
#include "platform/ScreenCopy.h"
#include "platform/WindowServices.h"
#include "platform/gdi/Gdi.h"
#include "tests/lenswindow/LensModel.h"

class LensWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Program::RunModeHook = [] { return 1; };
        Interaction::DateHook = [] { return QDate(2024, 1, 1); };
        Program::EndHook = [] {};
        win::ResetWindowServices();
        auto scripted = std::make_unique<ScriptedCapture>();
        capture = scripted.get();
        CaptureBackend::Install(std::move(scripted));

        QScreen* s = QGuiApplication::primaryScreen();
        ASSERT_NE(s, nullptr);
        ratio = s->devicePixelRatio();
        W = static_cast<int32_t>(std::lround(s->geometry().width() * ratio));
        H = static_cast<int32_t>(std::lround(s->geometry().height() * ratio));
        screen = Picture::Noise(W, H, 0xC0FFEE01u);
        ScreenCopy::SetSource([this] { return Image(screen); });

        objectsBefore = gdi::LiveObjectCount();
        fMain->Show();
        QApplication::processEvents();
    }

    void TearDown() override {
        if (fLens.Exists() && fLens->IsLoaded()) fLens->Unload();
        FormInstanceBase::ReleaseAll();
        QApplication::processEvents();
        CaptureBackend::Install(nullptr);
        ScreenCopy::SetSource(nullptr);
        win::ResetWindowServices();
        Program::RunModeHook = nullptr;
        Interaction::DateHook = nullptr;
        Program::EndHook = nullptr;
        EXPECT_EQ(Form::LoadedCount(), 0);
        EXPECT_EQ(gdi::LiveObjectCount(), objectsBefore);
    }

    static QImage Image(const Picture& p) {
        QImage image(p.width, p.height, QImage::Format_RGB32);
        for (int32_t y = 0; y < p.height; ++y)
            std::copy_n(&p.pixels[size_t(y) * p.width], p.width,
                        reinterpret_cast<uint32_t*>(image.scanLine(y)));
        return image;
    }

    // The panel's settings; colour is the list index.
    void Settings(int radius, int factor, bool convex, int colour) {
        fMain->sbRadius->setValue(radius);
        fMain->sbFactor->setValue(factor);
        fMain->chkConvex->setCheckState(convex ? Qt::Checked : Qt::Unchecked);
        fMain->cbColorMask->setCurrentIndex(colour);
    }

    bool Open() const { return fLens.Exists() && fLens->IsLoaded(); }
    bool Active() const {
        return Open() && win::GetCapture() == fLens->hWnd() &&
               LensForm::Frame().DesktopDIB.hDIB() != 0;
    }

    // Processes events until the lens window has been activated.
    void WaitForActivation() {
        for (int i = 0; i < 400 && !Active(); ++i)
            QApplication::processEvents(QEventLoop::AllEvents, 5);
        ASSERT_TRUE(Active());
        QApplication::processEvents();
    }

    // Shows the lens window (modeless, so the test keeps control) and waits for activation;
    // `beforeActivation` runs right after the show, while activation is still pending.
    void OpenLens(const std::function<void()>& beforeActivation = {}) {
        fLens->Show(0, &*fMain);
        ASSERT_TRUE(Open());
        if (beforeActivation) beforeActivation();
        WaitForActivation();
        model = std::make_unique<LensModel>(LensForm::Frame().LensSize);
    }

    // A mouse move to device pixel position (x, y).
    void MoveTo(double x, double y) {
        QWidget* w = fLens->Window();
        ASSERT_NE(w, nullptr);
        const QPointF local(x / ratio, y / ratio);
        QMouseEvent e(QEvent::MouseMove, local, w->mapToGlobal(local), Qt::NoButton, Qt::NoButton,
                      Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }

    // A click anywhere ends the capture; the next move closes the window.
    void ClickAndMove() {
        win::ButtonPressed(fLens->hWnd());
        win::ButtonReleased();
        MoveTo(W / 2.0, H / 2.0);
        QApplication::processEvents();
    }

    uint32_t WindowPixel(int32_t x, int32_t y) const {
        const QImage* s = fLens->Surface();
        return reinterpret_cast<const uint32_t*>(s->constScanLine(y))[x] & 0x00FFFFFFu;
    }

    // Checks the whole window: the screen copy outside the square at (X, Y), `lens` inside.
    void ExpectWindow(const Picture* lens, int32_t X, int32_t Y) {
        ASSERT_NE(fLens->Surface(), nullptr);
        ASSERT_EQ(fLens->Surface()->width(), W);
        ASSERT_EQ(fLens->Surface()->height(), H);
        const int32_t L = lens ? lens->width : 0;
        int mismatches = 0;
        for (int32_t y = 0; y < H; ++y) {
            for (int32_t x = 0; x < W; ++x) {
                const bool inside = lens && x >= X && y >= Y && x < X + L && y < Y + L;
                const uint32_t want = inside ? lens->At(x - X, y - Y) : screen.At(x, y);
                if (WindowPixel(x, y) != want && ++mismatches <= 3) {
                    ADD_FAILURE() << "pixel " << x << "," << y << (inside ? " (lens)" : "") << ": "
                                  << std::hex << WindowPixel(x, y) << " want " << want;
                }
            }
        }
        EXPECT_EQ(mismatches, 0) << "lens square at " << X << "," << Y;
    }

    // Moves to (x, y) and checks the frame against the model, the corner landing at the
    // clamped position minus the radius, rounded to even.
    void MoveAndCheck(double x, double y) {
        const int32_t R = LensForm::LensRadius();
        const double cx = std::clamp(x, 0.0, double(W - 1));
        const double cy = std::clamp(y, 0.0, double(H - 1));
        const int32_t X = static_cast<int32_t>(std::nearbyint(cx - R));
        const int32_t Y = static_cast<int32_t>(std::nearbyint(cy - R));
        MoveTo(x, y);
        ASSERT_TRUE(Open());
        EXPECT_EQ(LensForm::Frame().LastX, X);
        EXPECT_EQ(LensForm::Frame().LastY, Y);
        const Picture lens = model->Frame(screen, X, Y);
        ExpectWindow(&lens, X, Y);
    }

    ScriptedCapture* capture = nullptr;
    double ratio = 1.0;
    int32_t W = 0;
    int32_t H = 0;
    Picture screen;
    uint32_t objectsBefore = 0;
    std::unique_ptr<LensModel> model;
};
