// The form runtime: instances, load and unload, modal display, handles, events, drawing through
// a form's own DC and the update lock.
#include <QTimer>
#include <tuple>

#include "tests/platform/PlatformTest.h"

namespace {

using FormTest = PlatformTest;

TEST_F(FormTest, InstancesLoadUnloadAndHandles) {
    EXPECT_FALSE(fProbe.Exists());
    fProbe->Unload();  // creates the object without loading it; the unload does nothing
    EXPECT_EQ(std::pair(fProbe.Exists(), fProbe->unloads), std::pair(true, 0));
    const uint32_t h = fProbe->hWnd(), h2 = fOther->hWnd();  // asking for a handle loads
    EXPECT_TRUE(h != 0 && h2 != 0 && h != h2) << h << " " << h2;
    EXPECT_EQ(Form::FromHandle(h), &*fProbe);
    QPointer<QWidget> window = fProbe->Window();

    // The handle is stale at once; the program goes on while another form is loaded.
    fProbe->Unload();
    fProbe->Unload();
    EXPECT_EQ(std::tuple(fProbe->unloads, Form::FromHandle(h), ends), std::tuple(1, nullptr, 0));
    FormInstanceBase::FlushReleased();
    fOther->Unload();
    EXPECT_EQ(std::pair(window.isNull(), ends), std::pair(true, 1));

    // Loading again builds a new window (built once each time) with a new handle on the same
    // object.
    EXPECT_NE(fProbe->hWnd(), h);
    EXPECT_EQ(fProbe->builds, 2);
    fProbe->Unload();

    // A cancelled unload keeps the form loaded, and the program goes on (two ends above).
    fProbe->Show();
    fProbe->cancelUnload = -1;
    fProbe->Unload();
    fProbe->Window()->close();  // the close box asks the same way
    EXPECT_TRUE(fProbe->IsLoaded() && fProbe->Visible());
    EXPECT_EQ(std::pair(fProbe->unloads, ends), std::pair(4, 2));  // both asked, no end added
}

// Modal Show returns only after the shown form unloads, and the owner has the focus back.
TEST_F(FormTest, ModalShowEndsWithTheUnloadOrEarlier) {
    fOther->Show();
    QTimer::singleShot(0, [] {
        QWidget* w = fProbe->Window();
        EXPECT_EQ(std::pair(fProbe->Visible(), w->windowModality()),
                  std::pair(true, Qt::ApplicationModal));
        EXPECT_EQ(w->windowHandle()->transientParent(), fOther->Window()->windowHandle());
        QTimer::singleShot(20, [] { fProbe->Unload(); });  // more turns of the loop first
    });
    fProbe->Show(Form::vbModal, &*fOther);
    EXPECT_EQ(fProbe->unloads, 1);  // not before the unload
    QApplication::processEvents();
    EXPECT_EQ(QApplication::activeWindow(), fOther->Window());  // the owner has the focus back
    fOther->Unload();

    // ... or when it hides, unloads while loading, or is released.
    QTimer::singleShot(20, [] { fProbe->Hide(); });  // from inside the modal loop
    fProbe->Show(Form::vbModal);
    EXPECT_EQ(std::pair(fProbe->IsLoaded(), fProbe->Visible()), std::pair(true, false));
    fProbe->Show();  // shown modelessly afterwards it is no longer modal
    EXPECT_EQ(fProbe->Window()->windowModality(), Qt::NonModal);

    fOther->unloadInLoad = true;
    fOther->Show(Form::vbModal);  // returns at once
    EXPECT_EQ(std::tuple(fOther->builds, fOther->unloads, fOther->IsLoaded()),
              std::tuple(2, 2, false));  // built and unloaded once more

    QPointer<ProbeForm> old(&*fProbe);
    QTimer::singleShot(20, [] {  // released while loaded: the window goes with the object
        fProbe.Release();
        FormInstanceBase::FlushReleased();
    });
    fProbe->Show(Form::vbModal);
    EXPECT_EQ(std::pair(old.isNull(), fProbe->builds), std::pair(true, 0));  // a fresh one next
}

TEST_F(FormTest, ShowsActivateOnceAndOwnDcDrawingIsPresentedUnlessLockedKeepsItsClip) {
    ShowAndActivate(*fProbe);
    // Hidden before the activation ran: nothing happens (nor a second activation of one show).
    fProbe->Hide();
    fProbe->Show();
    fProbe->Hide();
    QApplication::processEvents();
    EXPECT_EQ(fProbe->activates, 1);
    fProbe->Show();  // activated again, and painted after the activation
    ASSERT_TRUE(QTest::qWaitFor([] { return fProbe->activates == 2 && fProbe->paints > 0; }));
    QWidget* w = fProbe->Window();
    const qreal ratio = w->devicePixelRatioF();  // the DC draws in device pixels
    const gdi::HDC dc = fProbe->hDC();
    ASSERT_TRUE(dc != 0 && fProbe->hDC() == dc && fProbe->Surface());  // persistent
    const auto expectShown = [w](std::initializer_list<std::array<int, 3>> pixels) {
        const QImage shot = w->grab().toImage();
        for (auto [x, y, rgb] : pixels)
            EXPECT_EQ(shot.pixel(x, y) & 0xFFFFFFu, uint32_t(rgb)) << x << ", " << y;
    };

    Fill(dc, {0, 0, 64, 48}, 0);
    QApplication::processEvents();
    const int paints = fProbe->paints;
    fProbe->painted = QRegion();
    Fill(dc, {8, 4, 18, 12}, 0x0000FF);  // red: GDI colours are 0x00BBGGRR
    QApplication::processEvents();
    EXPECT_EQ(fProbe->painted, QRegion(QRect(QPoint(8, 4) / ratio, QSize(10, 8) / ratio)));
    EXPECT_EQ(fProbe->paints, paints);  // presenting is no Form_Paint
    expectShown({{8, 4, 0xFF0000}, {17, 11, 0xFF0000}, {18, 11, 0}, {7, 4, 0}});

    // A locked window shows nothing new until it is unlocked.
    EXPECT_NE(win::LockWindowUpdate(fProbe->hWnd()), 0);
    for (uint32_t refused : {fOther->hWnd(), 0xDEADu})  // one window at a time; bad handles
        EXPECT_EQ(win::LockWindowUpdate(refused), 0);
    fProbe->painted = QRegion();
    Fill(dc, {40, 4, 50, 10}, 0x0000FF);
    QApplication::processEvents();
    EXPECT_TRUE(fProbe->painted.isEmpty());
    EXPECT_EQ(fProbe->Surface()->pixel(40, 4) & 0xFFFFFFu, 0xFF0000u);  // drawn, not shown
    EXPECT_NE(win::LockWindowUpdate(0), 0);
    QApplication::processEvents();
    EXPECT_TRUE(fProbe->painted.contains(QRect(QPoint(40, 4) / ratio, QSize(10, 6) / ratio)));

    const gdi::HRGN clip = gdi::CreateRectRgn(20, 20, 30, 30);
    gdi::SelectClipRgn(dc, clip);
    gdi::DeleteObject(clip);
    fProbe->onPaint = [dc] { Fill(dc, {0, 0, 64, 48}, 0xFF0000); };  // blue, within the clip
    fProbe->painted = QRegion();  // presented again since the unlock
    fProbe->Refresh();
    EXPECT_EQ(fProbe->paints, paints + 1);  // at once
    QApplication::processEvents();
    expectShown({{20, 20, 0x0000FF}, {29, 29, 0x0000FF}, {30, 30, 0}, {19, 25, 0}});
    EXPECT_TRUE(fProbe->painted.contains(QRect(QPoint(20, 20) / ratio, QSize(10, 10) / ratio)));

    EXPECT_NE(win::LockWindowUpdate(fProbe->hWnd()), 0);  // the lock goes with the window
    fProbe->Unload();
    EXPECT_EQ(win::LockedWindow(), 0u);
    fProbe->Refresh();  // not loaded: nothing
    EXPECT_EQ(fProbe->paints, paints + 1);
    EXPECT_TRUE(!fProbe->Surface() && gdi::SetStretchBltMode(dc, gdi::COLORONCOLOR) == 0);
}

}  // namespace
