// The screen DC over an injected screen: fresh copies, the copy frozen for a lens-like form,
// and that form's surface starting as the copy.
#include <gtest/gtest.h>

#include <QApplication>
#include <QScreen>
#include <QWidget>

#include "platform/Form.h"
#include "platform/FormInstance.h"
#include "platform/Program.h"
#include "platform/ScreenCopy.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/Surface.h"
#include "tests/support/Rng.h"

namespace {

// A reproducible screen for a seed.
QImage RandomScreen(QSize size, uint32_t seed) {
    QImage image(size, QImage::Format_ARGB32);
    test_support::Rng rng(seed);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, rng.Next32() | 0xFF000000u);  // alpha set: the copy drops it
    return image;
}

// Reads one pixel of the screen through a fresh screen DC.
uint32_t ScreenPixel(int x, int y) {
    const gdi::HDC screen = gdi::GetDC(0);
    const gdi::HDC mem = gdi::CreateCompatibleDC(screen);
    gdi::BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(gdi::BITMAPINFOHEADER);
    info.bmiHeader.biWidth = 1;
    info.bmiHeader.biHeight = -1;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    const gdi::HBITMAP bmp = gdi::CreateDIBSection(mem, &info, 0, &bits, 0, 0);
    const gdi::HGDIOBJ old = gdi::SelectObject(mem, bmp);
    *static_cast<uint32_t*>(bits) = 0xDEADBEEF;
    gdi::BitBlt(mem, 0, 0, 1, 1, screen, x, y, gdi::SRCCOPY);
    const uint32_t pixel = *static_cast<uint32_t*>(bits);
    gdi::SelectObject(mem, old);
    gdi::DeleteObject(bmp);
    gdi::DeleteDC(mem);
    gdi::ReleaseDC(0, screen);
    return pixel;
}

class FrozenForm : public Form {
  public:
    bool visibleAtCopy = true;

  protected:
    void InitializeComponent(QWidget& window) override {
        SetOwnDC(true);
        SetFrozenScreen(true);
        SetWindowState(vbMaximized);
        window.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    }
};

FormInstance<FrozenForm> fFrozen;

class ScreenCopyTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Program::EndHook = [] {};
        ScreenCopy::Install();
        screenSize = QGuiApplication::primaryScreen()->size() *
                     QGuiApplication::primaryScreen()->devicePixelRatio();
        ScreenCopy::SetSource([this] {
            ++copies;
            if (onCopy) onCopy();
            return RandomScreen(screenSize, seed);
        });
        objects = gdi::LiveObjectCount();
    }
    void TearDown() override {
        fFrozen->Unload();
        FormInstanceBase::ReleaseAll();
        ScreenCopy::SetSource(nullptr);
        Program::EndHook = nullptr;
        EXPECT_FALSE(ScreenCopy::Frozen());
        EXPECT_EQ(gdi::LiveObjectCount(), objects);
    }
    QSize screenSize;
    uint32_t seed = 1;
    int copies = 0;
    std::function<void()> onCopy;
    uint32_t objects = 0;
};

TEST_F(ScreenCopyTest, ScreenDcReadsAFreshCopyEachTimeWithoutTheTopByte) {
    const QImage expected1 = RandomScreen(screenSize, 1);
    EXPECT_EQ(ScreenPixel(3, 2), expected1.pixel(3, 2) & 0xFFFFFFu);
    const gdi::HDC desktop = gdi::GetDC(gdi::GetDesktopWindow());
    EXPECT_NE(desktop, 0u);
    EXPECT_EQ(gdi::ReleaseDC(gdi::GetDesktopWindow(), desktop), 1);
    seed = 2;
    const QImage expected2 = RandomScreen(screenSize, 2);
    const int x = screenSize.width() - 1, y = screenSize.height() - 1;
    EXPECT_EQ(ScreenPixel(x, y), expected2.pixel(x, y) & 0xFFFFFFu);
    EXPECT_EQ(copies, 3);
    // Outside the screen nothing is transferred.
    EXPECT_EQ(ScreenPixel(x + 1, 0), 0xDEADBEEFu);
    EXPECT_EQ(gdi::GetDC(0x1234), 0u);
}

TEST_F(ScreenCopyTest, FreezeKeepsOneCopyUntilTheLastThaw) {
    ScreenCopy::Freeze();
    ScreenCopy::Freeze();
    EXPECT_EQ(copies, 1);
    seed = 7;
    EXPECT_EQ(ScreenPixel(5, 5), RandomScreen(screenSize, 1).pixel(5, 5) & 0xFFFFFFu);
    ScreenCopy::Thaw();
    EXPECT_TRUE(ScreenCopy::Frozen());
    EXPECT_EQ(ScreenPixel(5, 5), RandomScreen(screenSize, 1).pixel(5, 5) & 0xFFFFFFu);
    ScreenCopy::Thaw();
    ScreenCopy::Thaw();  // one too many: harmless
    EXPECT_FALSE(ScreenCopy::Frozen());
    EXPECT_EQ(ScreenPixel(5, 5), RandomScreen(screenSize, 7).pixel(5, 5) & 0xFFFFFFu);
}

TEST_F(ScreenCopyTest, FrozenScreenFormCopiesBeforeMappingAndStartsAsTheCopy) {
    onCopy = [] { fFrozen->visibleAtCopy = fFrozen->Window() && fFrozen->Window()->isVisible(); };
    fFrozen->Show();
    QApplication::processEvents();
    EXPECT_EQ(copies, 1);
    EXPECT_FALSE(fFrozen->visibleAtCopy);
    ASSERT_TRUE(ScreenCopy::Frozen());

    // The surface is the copy, pixel for pixel, where both reach.
    const QImage expected = RandomScreen(screenSize, 1);
    const QImage* surface = fFrozen->Surface();
    ASSERT_NE(surface, nullptr);
    const int w = std::min(surface->width(), expected.width());
    const int h = std::min(surface->height(), expected.height());
    ASSERT_GT(w, 0);
    int differing = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            differing += (surface->pixel(x, y) & 0xFFFFFFu) != (expected.pixel(x, y) & 0xFFFFFFu);
    EXPECT_EQ(differing, 0);

    // While it is shown the screen DC reads the copy beneath it, not a new one.
    seed = 9;
    EXPECT_EQ(ScreenPixel(10, 20), expected.pixel(10, 20) & 0xFFFFFFu);
    EXPECT_EQ(copies, 1);

    // Shown again after a hide: a new copy.
    fFrozen->Hide();
    EXPECT_FALSE(ScreenCopy::Frozen());
    fFrozen->Show();
    EXPECT_EQ(copies, 2);
    EXPECT_EQ(ScreenPixel(10, 20), RandomScreen(screenSize, 9).pixel(10, 20) & 0xFFFFFFu);

    fFrozen->Unload();
    EXPECT_FALSE(ScreenCopy::Frozen());
    seed = 11;
    EXPECT_EQ(ScreenPixel(10, 20), RandomScreen(screenSize, 11).pixel(10, 20) & 0xFFFFFFu);
}

}  // namespace
