// The form runtime: instances, load and unload, modal display, handles, events, program end.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <array>
#include <vector>

#include "platform/Form.h"
#include "platform/FormInstance.h"
#include "platform/Program.h"

namespace {

class ProbeForm : public Form {
  public:
    int loads = 0, activates = 0, paints = 0, unloads = 0, builds = 0;
    int16_t cancelUnload = 0;
    bool unloadInLoad = false;
    std::vector<std::array<float, 4>> moves;
    int persistent = 0;  // member state that must survive an unload

  protected:
    void InitializeComponent(QWidget& window) override {
        ++builds;
        window.resize(120, 80);
    }
    void Form_Load() override {
        ++loads;
        if (unloadInLoad) Unload();
    }
    void Form_Activate() override { ++activates; }
    void Form_Paint() override { ++paints; }
    void Form_MouseMove(int16_t Button, int16_t Shift, float X, float Y) override {
        moves.push_back({float(Button), float(Shift), X, Y});
    }
    void Form_Unload(int16_t& Cancel) override {
        ++unloads;
        Cancel = cancelUnload;
    }
};

FormInstance<ProbeForm> fProbe;
FormInstance<ProbeForm> fOther;

// Processes events until `done` holds or a second has passed.
template <class F>
bool SpinUntil(F done) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < 1000) QApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

class FormTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Program::EndHook = [this] { ++ends; };
    }
    void TearDown() override {
        FormInstanceBase::ReleaseAll();
        Program::EndHook = nullptr;
        EXPECT_EQ(Form::LoadedCount(), 0);
        EXPECT_TRUE(QApplication::topLevelWidgets().isEmpty());
    }
    int ends = 0;
};

TEST_F(FormTest, InstanceIsCreatedOnFirstUseAndAgainAfterRelease) {
    EXPECT_FALSE(fProbe.Exists());
    ProbeForm* first = &*fProbe;
    EXPECT_TRUE(fProbe.Exists());
    EXPECT_EQ(&*fProbe, first);
    EXPECT_FALSE(first->IsLoaded());  // referencing the object does not load it

    QPointer<ProbeForm> watch(first);
    fProbe.Release();
    EXPECT_FALSE(fProbe.Exists());
    FormInstanceBase::FlushReleased();
    EXPECT_TRUE(watch.isNull());
    EXPECT_EQ(fProbe->loads, 0);  // a fresh object
}

TEST_F(FormTest, UnloadDestroysTheWindowButKeepsTheObject) {
    fProbe->persistent = 7;
    fProbe->Load();
    ASSERT_TRUE(fProbe->IsLoaded());
    EXPECT_EQ(fProbe->builds, 1);
    EXPECT_EQ(fProbe->loads, 1);
    const uint32_t h = fProbe->hWnd();
    EXPECT_NE(h, 0u);
    EXPECT_EQ(Form::FromHandle(h), &*fProbe);
    QPointer<QWidget> window = fProbe->Window();

    fProbe->Unload();
    EXPECT_FALSE(fProbe->IsLoaded());
    EXPECT_EQ(fProbe->unloads, 1);
    EXPECT_EQ(Form::FromHandle(h), nullptr);  // the handle is stale at once
    EXPECT_EQ(ends, 1);
    FormInstanceBase::FlushReleased();
    EXPECT_TRUE(window.isNull());

    // Loading again builds a new window with a new handle; member state survives.
    const uint32_t h2 = fProbe->hWnd();
    EXPECT_TRUE(fProbe->IsLoaded());
    EXPECT_NE(h2, h);
    EXPECT_EQ(fProbe->builds, 2);
    EXPECT_EQ(fProbe->loads, 2);
    EXPECT_EQ(fProbe->persistent, 7);
    fProbe->Unload();
}

TEST_F(FormTest, UnloadOfANotLoadedFormDoesNothing) {
    fProbe->Unload();
    EXPECT_EQ(fProbe->unloads, 0);
    EXPECT_EQ(ends, 0);
    fProbe->Load();
    fProbe->Unload();
    fProbe->Unload();
    EXPECT_EQ(fProbe->unloads, 1);
    EXPECT_EQ(ends, 1);
}

TEST_F(FormTest, CancelledUnloadKeepsTheFormLoaded) {
    fProbe->Show();
    fProbe->cancelUnload = -1;
    fProbe->Unload();
    EXPECT_TRUE(fProbe->IsLoaded());
    EXPECT_TRUE(fProbe->Visible());
    fProbe->Window()->close();  // the close box asks the same way
    EXPECT_TRUE(fProbe->IsLoaded());
    EXPECT_EQ(fProbe->unloads, 2);
    EXPECT_EQ(ends, 0);
    fProbe->cancelUnload = 0;
    fProbe->Window()->close();
    EXPECT_FALSE(fProbe->IsLoaded());
    EXPECT_EQ(ends, 1);
}

TEST_F(FormTest, HandlesAreDistinctAndNeverZero) {
    const uint32_t a = fProbe->hWnd();
    const uint32_t b = fOther->hWnd();
    EXPECT_NE(a, 0u);
    EXPECT_NE(b, 0u);
    EXPECT_NE(a, b);
    EXPECT_EQ(Form::FromHandle(a), &*fProbe);
    EXPECT_EQ(Form::FromHandle(b), &*fOther);
    EXPECT_EQ(Form::FromHandle(0), nullptr);
    EXPECT_EQ(Form::FromHandle(0xFFFFFFFFu), nullptr);
    EXPECT_EQ(Form::LoadedCount(), 2);
    fProbe->Unload();
    EXPECT_EQ(ends, 0);  // another form is still loaded
    fOther->Unload();
    EXPECT_EQ(ends, 1);
}

TEST_F(FormTest, ModalShowReturnsOnlyAfterTheShownFormUnloads) {
    fOther->Show();
    bool unloadedInside = false;
    QTimer::singleShot(0, [&] {
        EXPECT_TRUE(fProbe->Visible());
        EXPECT_EQ(fProbe->Window()->windowModality(), Qt::ApplicationModal);
        ASSERT_NE(fProbe->Window()->windowHandle(), nullptr);
        EXPECT_EQ(fProbe->Window()->windowHandle()->transientParent(),
                  fOther->Window()->windowHandle());
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
    fOther->Unload();
}

TEST_F(FormTest, ModalShowAlsoEndsWhenTheFormIsHidden) {
    QTimer::singleShot(0, [] { fProbe->Hide(); });
    fProbe->Show(Form::vbModal);
    EXPECT_TRUE(fProbe->IsLoaded());
    EXPECT_FALSE(fProbe->Visible());
    // Shown modelessly afterwards it is no longer modal.
    fProbe->Show();
    EXPECT_EQ(fProbe->Window()->windowModality(), Qt::NonModal);
    fProbe->Unload();
}

TEST_F(FormTest, ModalShowOfAFormThatUnloadsWhileLoadingReturnsAtOnce) {
    fProbe->unloadInLoad = true;
    fProbe->Show(Form::vbModal);
    EXPECT_EQ(fProbe->loads, 1);
    EXPECT_EQ(fProbe->unloads, 1);
    EXPECT_FALSE(fProbe->IsLoaded());
    EXPECT_EQ(ends, 1);
}

TEST_F(FormTest, ModalShowSurvivesTheFormReleasingItself) {
    QTimer::singleShot(0, [] {
        fProbe->Unload();
        fProbe.Release();
        FormInstanceBase::FlushReleased();
    });
    fProbe->Show(Form::vbModal);
    EXPECT_FALSE(fProbe.Exists());
}

TEST_F(FormTest, ActivationFollowsEachShowOnce) {
    fProbe->Show();
    ASSERT_TRUE(SpinUntil([] { return fProbe->activates == 1; }));
    QApplication::processEvents();
    EXPECT_EQ(fProbe->activates, 1);
    fProbe->Hide();
    fProbe->Show();
    ASSERT_TRUE(SpinUntil([] { return fProbe->activates == 2; }));
    // Hidden before the activation ran: nothing happens.
    fProbe->Hide();
    fProbe->Show();
    fProbe->Hide();
    QApplication::processEvents();
    EXPECT_EQ(fProbe->activates, 2);
    fProbe->Unload();
}

TEST_F(FormTest, RefreshPaintsAtOnceThroughFormPaint) {
    fProbe->Show();
    QApplication::processEvents();
    const int before = fProbe->paints;
    fProbe->Refresh();
    EXPECT_EQ(fProbe->paints, before + 1);
    fProbe->Unload();
    fProbe->Refresh();  // not loaded: nothing
    EXPECT_EQ(fProbe->paints, before + 1);
}

TEST_F(FormTest, MouseMovesArriveInDevicePixelsWithButtonsAndShift) {
    fProbe->Show();
    QWidget* w = fProbe->Window();
    const qreal ratio = w->devicePixelRatioF();
    QMouseEvent move(QEvent::MouseMove, QPointF(10.5, 20), w->mapToGlobal(QPointF(10.5, 20)),
                     Qt::NoButton, Qt::LeftButton | Qt::RightButton,
                     Qt::ShiftModifier | Qt::AltModifier);
    QApplication::sendEvent(w, &move);
    ASSERT_EQ(fProbe->moves.size(), 1u);
    EXPECT_EQ(fProbe->moves[0][0], 3);
    EXPECT_EQ(fProbe->moves[0][1], 5);
    EXPECT_FLOAT_EQ(fProbe->moves[0][2], float(10.5 * ratio));
    EXPECT_FLOAT_EQ(fProbe->moves[0][3], float(20 * ratio));
    EXPECT_TRUE(w->hasMouseTracking());
    fProbe->Unload();
}

}  // namespace
