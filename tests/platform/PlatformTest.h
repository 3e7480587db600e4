#pragma once
// Shared by the form runtime tests: a probe form that records its events, and a fixture with a
// scripted capture and a seeded screen that checks every form, window and GDI object is gone.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPaintEvent>
#include <QScreen>
#include <QTest>
#include <QWidget>
#include <array>
#include <functional>
#include <vector>

#include "platform/CaptureBackend.h"
#include "platform/Form.h"
#include "platform/FormInstance.h"
#include "platform/Program.h"
#include "platform/ScreenCopy.h"
#include "platform/WindowServices.h"
#include "tests/gdi/GdiTestSupport.h"

class ProbeForm : public Form {
  public:
    int builds = 0, activates = 0, paints = 0, unloads = 0;
    int16_t cancelUnload = 0;
    bool frozen = false, unloadInLoad = false;
    std::vector<std::array<float, 4>> moves;  // button, shift, x, y
    std::function<void()> onPaint;
    QRegion painted;  // what the window was asked to repaint

  protected:
    void InitializeComponent(QWidget& window) override {
        ++builds;  // once per load
        SetOwnDC(true);
        SetFrozenScreen(frozen);  // frozen: lens-like, covering the screen
        if (frozen) SetWindowState(vbMaximized);
        window.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
        window.resize(64, 48);
        window.installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) painted += static_cast<QPaintEvent*>(e)->region();
        return false;
    }
    void Form_Load() override {
        if (unloadInLoad) Unload();
    }
    void Form_Activate() override { ++activates; }
    void Form_Paint() override {
        ++paints;
        if (onPaint) onPaint();
    }
    void Form_MouseMove(int16_t Button, int16_t Shift, float X, float Y) override {
        moves.push_back({float(Button), float(Shift), X, Y});
    }
    void Form_Unload(int16_t& Cancel) override {
        ++unloads;
        Cancel = cancelUnload;
    }
};

inline FormInstance<ProbeForm> fProbe, fOther;

inline void ShowAndActivate(ProbeForm& form) {
    form.Show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.activates > 0; }));
}

using gdi_test::Fill;

// Pixel (x, y) of the test screen made from `seed`, as 0x00RRGGBB: a hash, distinct nearby.
inline uint32_t ScreenAt(uint32_t seed, int x, int y) {
    return (x * 0x9E3779B1u ^ y * 0x85EBCA77u ^ seed * 0xC2B2AE3Du) & 0xFFFFFFu;
}

class PlatformTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Program::EndHook = [this] { ++ends; };
        auto backend = std::make_unique<ScriptedCapture>();
        capture = backend.get();
        CaptureBackend::Install(std::move(backend));  // the services were reset at the last end
        ScreenCopy::Install();
        ScreenCopy::SetSource([this] {
            if (onCopy) onCopy();
            QImage image(size, QImage::Format_ARGB32);  // alpha set: the copy drops it
            for (int y = 0; y < size.height(); ++y)
                for (int x = 0; x < size.width(); ++x)
                    image.setPixel(x, y, ScreenAt(seed, x, y) | 0xFF000000u);
            return image;
        });
        objects = gdi::LiveObjectCount();
    }
    void TearDown() override {
        FormInstanceBase::ReleaseAll();
        win::ResetWindowServices();
        CaptureBackend::Install(nullptr);
        ScreenCopy::SetSource(nullptr);
        Program::EndHook = nullptr;
        EXPECT_EQ(Form::LoadedCount(), 0);
        EXPECT_TRUE(QApplication::topLevelWidgets().isEmpty());
        EXPECT_EQ(gdi::LiveObjectCount(), objects);
        EXPECT_FALSE(ScreenCopy::Frozen());
    }
    ScriptedCapture* capture = nullptr;
    const QSize size = QGuiApplication::primaryScreen()->size() *
                       QGuiApplication::primaryScreen()->devicePixelRatio();
    uint32_t objects = 0, seed = 1;
    int ends = 0;
    std::function<void()> onCopy;
};
