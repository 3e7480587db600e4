// A form drawing through its own persistent device context over a window surface.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPaintEvent>
#include <QWidget>

#include "platform/Form.h"
#include "platform/FormInstance.h"
#include "platform/Program.h"
#include "platform/gdi/Gdi.h"

namespace {

class DcForm : public Form {
  public:
    int paints = 0;
    std::function<void()> onPaint;

  protected:
    void InitializeComponent(QWidget& window) override {
        SetOwnDC(true);
        window.resize(64, 48);
    }
    void Form_Paint() override {
        ++paints;
        if (onPaint) onPaint();
    }
};

FormInstance<DcForm> fDc;

// Records the regions the window is asked to repaint.
class PaintRecorder : public QObject {
  public:
    QRegion painted;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) painted += static_cast<QPaintEvent*>(e)->region();
        return false;
    }
};

void Fill(gdi::HDC dc, int l, int t, int r, int b, gdi::COLORREF colour) {
    const gdi::HBRUSH brush = gdi::CreateSolidBrush(colour);
    gdi::RECT rect{l, t, r, b};
    gdi::FillRect(dc, &rect, brush);
    gdi::DeleteObject(brush);
}

QRgb At(const QImage& image, int x, int y) { return image.pixel(x, y) & 0x00FFFFFFu; }

class OwnDcTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Program::EndHook = [] {};
        objectsBefore = gdi::LiveObjectCount();
    }
    void TearDown() override {
        FormInstanceBase::ReleaseAll();
        Program::EndHook = nullptr;
        EXPECT_EQ(gdi::LiveObjectCount(), objectsBefore);  // the window DC went with the form
    }
    uint32_t objectsBefore = 0;
};

TEST_F(OwnDcTest, DrawingThroughTheDcReachesTheWindowAndOnlyItsRectangleRepaints) {
    fDc->Show();
    QApplication::processEvents();
    const gdi::HDC dc = fDc->hDC();
    ASSERT_NE(dc, 0u);
    EXPECT_EQ(fDc->hDC(), dc);  // persistent
    QWidget* w = fDc->Window();
    ASSERT_NE(fDc->Surface(), nullptr);
    EXPECT_EQ(fDc->Surface()->size(), w->size() * w->devicePixelRatioF());
    EXPECT_TRUE(w->testAttribute(Qt::WA_OpaquePaintEvent));

    Fill(dc, 0, 0, 64, 48, 0x00000000);
    QApplication::processEvents();
    const int paintsBefore = fDc->paints;
    PaintRecorder recorder;
    w->installEventFilter(&recorder);
    Fill(dc, 8, 4, 18, 12, 0x000000FF);  // COLORREF red
    QApplication::processEvents();
    w->removeEventFilter(&recorder);
    EXPECT_EQ(fDc->paints, paintsBefore);  // presenting is no Form_Paint
    if (w->devicePixelRatioF() == 1.0) {
        EXPECT_EQ(recorder.painted, QRegion(8, 4, 10, 8));
    }

    const QImage shot = w->grab().toImage();
    EXPECT_EQ(At(shot, 8, 4), 0xFF0000u);
    EXPECT_EQ(At(shot, 17, 11), 0xFF0000u);
    EXPECT_EQ(At(shot, 18, 11), 0x000000u);
    EXPECT_EQ(At(shot, 7, 4), 0x000000u);
}

TEST_F(OwnDcTest, ClipRegionStaysSelectedAcrossEventsAndConfinesFormPaint) {
    fDc->Show();
    QApplication::processEvents();
    const gdi::HDC dc = fDc->hDC();
    Fill(dc, 0, 0, 64, 48, 0x00FFFFFF);
    const gdi::HRGN clip = gdi::CreateRectRgn(20, 20, 30, 30);
    gdi::SelectClipRgn(dc, clip);
    gdi::DeleteObject(clip);
    QApplication::processEvents();

    fDc->onPaint = [dc] { Fill(dc, 0, 0, 64, 48, 0x00FF0000); };  // COLORREF blue
    const int before = fDc->paints;
    fDc->Refresh();
    EXPECT_EQ(fDc->paints, before + 1);
    QApplication::processEvents();
    const QImage shot = fDc->Window()->grab().toImage();
    EXPECT_EQ(At(shot, 20, 20), 0x0000FFu);
    EXPECT_EQ(At(shot, 29, 29), 0x0000FFu);
    EXPECT_EQ(At(shot, 30, 30), 0xFFFFFFu);
    EXPECT_EQ(At(shot, 19, 25), 0xFFFFFFu);
}

TEST_F(OwnDcTest, PaintsAfterActivationAndTheDcGoesStaleOnUnload) {
    fDc->Show();
    for (int i = 0; i < 50 && fDc->paints == 0; ++i)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_GE(fDc->paints, 1);
    const gdi::HDC dc = fDc->hDC();
    fDc->Unload();
    EXPECT_EQ(fDc->Surface(), nullptr);
    gdi::RECT r{0, 0, 4, 4};
    const gdi::HBRUSH brush = gdi::CreateSolidBrush(0);
    EXPECT_EQ(gdi::FillRect(dc, &r, brush), 0);
    gdi::DeleteObject(brush);
    // Reloading makes a new DC.
    EXPECT_NE(fDc->hDC(), 0u);
    fDc->Unload();
}

}  // namespace
