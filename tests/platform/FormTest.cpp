// The form runtime: instances, load and unload, modal display, handles, events, drawing through
// a form's own DC; and the global services (twips, OLE dates).
#include <QTimer>
#include <cmath>
#include <utility>

#include "platform/Interaction.h"
#include "platform/Screen.h"
#include "tests/platform/PlatformTest.h"

namespace {

using FormTest = PlatformTest;

TEST_F(FormTest, InstancesLoadUnloadAndHandles) {
    EXPECT_FALSE(fProbe.Exists());
    fProbe->Unload();  // creates the object without loading it; the unload does nothing
    EXPECT_TRUE(fProbe.Exists());
    EXPECT_EQ(fProbe->unloads, 0);
    fProbe->persistent = 7;
    const uint32_t h = fProbe->hWnd(), h2 = fOther->hWnd();  // asking for a handle loads
    EXPECT_TRUE(h != 0 && h2 != 0 && h != h2) << h << " " << h2;
    EXPECT_EQ(Form::FromHandle(h), &*fProbe);
    EXPECT_EQ(Form::FromHandle(h2), &*fOther);
    EXPECT_EQ(Form::FromHandle(0), nullptr);
    EXPECT_EQ(Form::FromHandle(0xFFFFFFFFu), nullptr);
    EXPECT_EQ(std::pair(fProbe->builds, fProbe->loads), std::pair(1, 1));
    QPointer<QWidget> window = fProbe->Window();

    fProbe->Unload();
    fProbe->Unload();
    EXPECT_EQ(fProbe->unloads, 1);
    EXPECT_EQ(Form::FromHandle(h), nullptr);
    EXPECT_EQ(ends, 0);  // another form is still loaded
    FormInstanceBase::FlushReleased();
    EXPECT_TRUE(window.isNull());
    fOther->Unload();
    EXPECT_EQ(ends, 1);

    // Loading again builds a new window with a new handle; member state survives.
    EXPECT_NE(fProbe->hWnd(), h);
    EXPECT_EQ(std::pair(fProbe->builds, fProbe->loads), std::pair(2, 2));
    EXPECT_EQ(fProbe->persistent, 7);
    fProbe->Unload();
    EXPECT_EQ(ends, 2);
    // A released instance makes a fresh object on its next use.
    QPointer<ProbeForm> old(&*fProbe);
    fProbe.Release();
    EXPECT_FALSE(fProbe.Exists());
    FormInstanceBase::FlushReleased();
    EXPECT_TRUE(old.isNull());
    EXPECT_EQ(fProbe->persistent, 0);
}

TEST_F(FormTest, CancelledUnloadKeepsTheFormLoaded) {
    fProbe->Show();
    fProbe->cancelUnload = -1;
    fProbe->Unload();
    fProbe->Window()->close();  // the close box asks the same way
    EXPECT_TRUE(fProbe->IsLoaded() && fProbe->Visible());
    EXPECT_EQ(fProbe->unloads, 2);
    EXPECT_EQ(ends, 0);
    fProbe->cancelUnload = 0;
    fProbe->Window()->close();
    EXPECT_FALSE(fProbe->IsLoaded());
    EXPECT_EQ(ends, 1);
}

TEST_F(FormTest, ModalShowReturnsOnlyAfterTheShownFormUnloads) {
    fOther->Show();
    bool unloadedInside = false;
    QTimer::singleShot(0, [&] {
        QWidget* w = fProbe->Window();
        EXPECT_TRUE(fProbe->Visible());
        EXPECT_EQ(w->windowModality(), Qt::ApplicationModal);
        EXPECT_EQ(w->windowHandle()->transientParent(), fOther->Window()->windowHandle());
        // A few more turns of the nested loop must not end the display.
        QTimer::singleShot(20, [&] {
            unloadedInside = true;
            fProbe->Unload();
        });
    });
    fProbe->Show(Form::vbModal, &*fOther);
    EXPECT_TRUE(unloadedInside);
    EXPECT_FALSE(fProbe->IsLoaded());
    EXPECT_TRUE(fOther->Visible());
    QApplication::processEvents();
    EXPECT_EQ(QApplication::activeWindow(), fOther->Window());  // the owner has the focus back
}

TEST_F(FormTest, ModalShowEndsOnHideOnUnloadWhileLoadingAndOnRelease) {
    QTimer::singleShot(0, [] { fProbe->Hide(); });
    fProbe->Show(Form::vbModal);
    EXPECT_TRUE(fProbe->IsLoaded());
    EXPECT_FALSE(fProbe->Visible());
    fProbe->Show();  // shown modelessly afterwards it is no longer modal
    EXPECT_EQ(fProbe->Window()->windowModality(), Qt::NonModal);
    fProbe->Unload();

    fOther->unloadInLoad = true;
    fOther->Show(Form::vbModal);  // returns at once
    EXPECT_EQ(std::pair(fOther->loads, fOther->unloads), std::pair(1, 1));
    EXPECT_FALSE(fOther->IsLoaded());
    EXPECT_EQ(ends, 2);

    QTimer::singleShot(0, [] {
        fProbe->Unload();
        fProbe.Release();
        FormInstanceBase::FlushReleased();
    });
    fProbe->Show(Form::vbModal);
    EXPECT_FALSE(fProbe.Exists());
}

TEST_F(FormTest, ActivationFollowsEachShowOnceAndRefreshPaintsAtOnce) {
    ShowAndActivate(*fProbe);
    QApplication::processEvents();
    EXPECT_EQ(fProbe->activates, 1);
    fProbe->Hide();
    fProbe->Show();
    ASSERT_TRUE(SpinUntil([] { return fProbe->activates == 2; }));
    const int paints = fProbe->paints;
    fProbe->Refresh();
    EXPECT_EQ(fProbe->paints, paints + 1);

    // Hidden before the activation ran: nothing happens.
    fProbe->Hide();
    fProbe->Show();
    fProbe->Hide();
    QApplication::processEvents();
    EXPECT_EQ(fProbe->activates, 2);
    fProbe->Unload();
    fProbe->Refresh();  // not loaded: nothing
    EXPECT_EQ(fProbe->paints, paints + 1);
}

TEST_F(FormTest, MouseMovesArriveInDevicePixelsWithButtonsAndShift) {
    fProbe->Show();
    const float ratio = fProbe->Window()->devicePixelRatioF();
    SendMouse(*fProbe, QEvent::MouseMove, {10.5, 20}, Qt::LeftButton | Qt::RightButton,
              Qt::ShiftModifier | Qt::AltModifier);
    EXPECT_EQ(fProbe->moves,
              (std::vector<std::array<float, 4>>{{3, 5, 10.5f * ratio, 20 * ratio}}));
    EXPECT_TRUE(fProbe->Window()->hasMouseTracking());
}

TEST_F(FormTest, OwnDcDrawingIsPresentedKeepsItsClipAndGoesStaleOnUnload) {
    fProbe->ownDc = true;
    fProbe->Show();
    ASSERT_TRUE(SpinUntil([] { return fProbe->paints > 0; }));  // painted after the activation
    QWidget* w = fProbe->Window();
    const gdi::HDC dc = fProbe->hDC();
    ASSERT_NE(dc, 0u);
    EXPECT_EQ(fProbe->hDC(), dc);  // persistent
    ASSERT_NE(fProbe->Surface(), nullptr);
    EXPECT_EQ(fProbe->Surface()->size(), w->size() * w->devicePixelRatioF());
    EXPECT_TRUE(w->testAttribute(Qt::WA_OpaquePaintEvent));
    const auto expectShown = [w](std::initializer_list<std::array<int, 3>> pixels) {
        const QImage shot = w->grab().toImage();
        for (auto [x, y, rgb] : pixels)
            EXPECT_EQ(shot.pixel(x, y) & 0xFFFFFFu, uint32_t(rgb)) << x << ", " << y;
    };

    Fill(dc, 0, 0, 64, 48, 0);
    QApplication::processEvents();
    const int paints = fProbe->paints;
    fProbe->painted = QRegion();
    Fill(dc, 8, 4, 18, 12);
    QApplication::processEvents();
    if (w->devicePixelRatioF() == 1.0) {
        EXPECT_EQ(fProbe->painted, QRegion(8, 4, 10, 8));  // only what changed
    }
    EXPECT_EQ(fProbe->paints, paints);  // presenting is no Form_Paint
    expectShown({{8, 4, 0xFF0000}, {17, 11, 0xFF0000}, {18, 11, 0}, {7, 4, 0}});

    const gdi::HRGN clip = gdi::CreateRectRgn(20, 20, 30, 30);
    gdi::SelectClipRgn(dc, clip);
    gdi::DeleteObject(clip);
    QApplication::processEvents();
    fProbe->onPaint = [dc] { Fill(dc, 0, 0, 64, 48, 0xFF0000); };  // blue, within the clip
    fProbe->Refresh();
    QApplication::processEvents();
    expectShown({{20, 20, 0x0000FF}, {29, 29, 0x0000FF}, {30, 30, 0}, {19, 25, 0}});

    fProbe->onPaint = nullptr;
    fProbe->Unload();
    EXPECT_EQ(fProbe->Surface(), nullptr);
    EXPECT_EQ(Fill(dc, 0, 0, 4, 4), 0);
    EXPECT_NE(fProbe->hDC(), 0u);  // reloading makes a new DC
}

TEST(ServicesTest, TwipsGiveTheScreenInDevicePixelsAndOleDatesCountDays) {
    QScreen* s = QGuiApplication::primaryScreen();
    const double ratio = s->devicePixelRatio();
    EXPECT_DOUBLE_EQ(Screen::TwipsPerPixelX(), 1440.0 / (s->logicalDotsPerInchX() * ratio));
    // The lens window's formula: rounded twips divided by rounded twips per pixel.
    const long perX = std::lrint(Screen::TwipsPerPixelX()),
               perY = std::lrint(Screen::TwipsPerPixelY());
    if (perX == Screen::TwipsPerPixelX()) {
        EXPECT_EQ(std::lrint(Screen::Width()) / perX, std::lrint(s->geometry().width() * ratio));
        EXPECT_EQ(std::lrint(Screen::Height()) / perY, std::lrint(s->geometry().height() * ratio));
    }
    const std::pair<QDate, double> dates[] = {{{1899, 12, 30}, 0},
                                              {{1900, 1, 1}, 2},
                                              {{2012, 4, 19}, 41018},
                                              {{2012, 4, 20}, 41019},
                                              {{1899, 12, 29}, -1}};
    for (const auto& [date, ole] : dates)
        EXPECT_EQ(Interaction::OleDate(date), ole) << date.toString().toStdString();
}

}  // namespace
