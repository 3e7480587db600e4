// The control panel, started the way the runtime starts it, with a replaceable date;
// message boxes and the program's end are recorded, and no form or window may be left behind.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <array>

#include "panel/MainForm.h"
#include "panel/RestoreForm.h"
#include "platform/FormWindow.h"
#include "platform/Interaction.h"
#include "platform/Program.h"
#include "promobar/PromoBar.h"
#include "support/Rng.h"

namespace {

class PanelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Interaction::DateHook = [this] { return today; };
        Interaction::MsgBoxHook = [](const QString& text, int, const QString&) {
            ADD_FAILURE() << "message: " << text.toStdString();
            return Interaction::vbOK;
        };
        Program::EndHook = [this] { ++ends; };
    }
    void TearDown() override {
        FormInstanceBase::ReleaseAll();
        Interaction::DateHook = nullptr;
        Interaction::MsgBoxHook = nullptr;
        Program::EndHook = nullptr;
        EXPECT_TRUE(QApplication::topLevelWidgets().isEmpty());
    }

    // Shows the start-up form, as the runtime does.
    MainForm& Start() {
        fMain->Show();
        QApplication::processEvents();
        return *fMain;
    }

    QDate today{2024, 1, 1};
    int ends = 0;
};

TEST_F(PanelTest, WindowAndControlsSitInsideTheFormInTabOrder) {
    MainForm& f = Start();
    QWidget* w = f.Window();
    EXPECT_TRUE(w->minimumSize() == w->size() && w->maximumSize() == w->size());
    EXPECT_EQ(w->windowFlags() & (Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint |
                                  Qt::WindowMaximizeButtonHint),
              Qt::WindowFlags(Qt::WindowCloseButtonHint));
    EXPECT_TRUE(w->windowIcon().availableSizes().contains(QSize(24, 24)));

    // Every control lies inside the form (the link bar's bottom row is cut off, as designed) and
    // on no other one; so does every part of the link bar inside the bar.
    for (QWidget* parent : {w, static_cast<QWidget*>(f.PromoBar1)}) {
        const QList<QWidget*> controls = parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        for (QWidget* c : controls) {
            const QRect r = c->geometry().adjusted(0, 0, 0, c == f.PromoBar1 ? -1 : 0);
            EXPECT_TRUE(parent->rect().contains(r)) << c->objectName().toStdString();
            for (QWidget* other : controls)
                EXPECT_TRUE(c == other || !r.intersects(other->geometry()))
                    << r.x() << "," << r.y();
        }
    }

    // Tab walks the form from the start button, round through the link bar's box; the bar
    // that has the focus shows it.
    QApplication::setActiveWindow(w);
    f.cmdStart->setFocus();
    QWidgetList reached;
    QImage focused;
    for (int i = 0; i < 8; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        reached << QApplication::focusWidget();
        if (reached.last() == f.sbRadius) focused = f.sbRadius->grab().toImage();
    }
    EXPECT_EQ(reached,
              (QWidgetList{f.cmdExit, f.chkConvex, f.cbColorMask, f.sbRadius, f.sbFactor,
                           f.cmdRestoreDeskTop, f.PromoBar1->findChild<QLineEdit*>(), f.cmdStart}));
    EXPECT_NE(focused, f.sbRadius->grab().toImage());
}

TEST_F(PanelTest, DefaultsBarsValueLabelsColourMasksAndStart) {
    MainForm& f = Start();
    EXPECT_EQ(
        QList<int64_t>({f.Lens_Radius(), f.Lens_Factor(), f.Lens_Convex(), f.Lens_ColorMask()}),
        QList<int64_t>({150, 75, -1, 0xFFFFFF}));
    EXPECT_EQ(f.lblRadiusV->text() + " " + f.lblFactorV->text(), "150 75");
    // Right/End raise, Left/Home lower, arrows by 1 and Page keys by the page step.
    QApplication::setActiveWindow(f.Window());
    QString values;
    for (QScrollBar* bar : {f.sbRadius.data(), f.sbFactor.data()}) {
        bar->setFocus();
        for (Qt::Key key : {Qt::Key_Right, Qt::Key_Left, Qt::Key_Left, Qt::Key_End,
                            Qt::Key_PageDown, Qt::Key_Home, Qt::Key_PageUp}) {
            QTest::keyClick(bar, key);
            values += QString::number(bar->value()) + " ";
        }
    }
    EXPECT_EQ(values, "151 150 149 250 225 50 75 76 75 74 145 140 5 10 ");
    f.sbRadius->setValue(150);
    f.sbFactor->setValue(75);
    // A dragged thumb (at the bar's centre while the value is mid-range) updates its label
    // before the button is released.
    for (auto [bar, label, dx] : {std::tuple{f.sbRadius.data(), f.lblRadiusV.data(), 30},
                                  std::tuple{f.sbFactor.data(), f.lblFactorV.data(), -30}}) {
        const int before = bar->value();
        const QPoint from = bar->rect().center(), to = from + QPoint(dx, 0);
        QTest::mousePress(bar, Qt::LeftButton, {}, from);
        QTest::mouseMove(bar, to);
        EXPECT_GT((bar->value() - before) * dx, 0);
        EXPECT_EQ(label->text(), QString::number(bar->value()));
        QTest::mouseRelease(bar, Qt::LeftButton, {}, to);
    }
    QString masks;
    for (int i = 0; i < f.cbColorMask->count(); ++i) {
        f.cbColorMask->setCurrentIndex(i);
        QDebug(&masks).noquote() << f.cbColorMask->currentText() << Qt::hex << f.Lens_ColorMask();
    }
    EXPECT_EQ(masks.trimmed().toStdString(),
              "<无> ffffff 红色 ff0000 绿色 ff00 蓝色 ff 黄色 ffff00 洋红 ff00ff 青色 ffff");

    // Start shows the lens as the modal form owned by the panel; closing it ends Start and the
    // settings stay.
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* lens = dynamic_cast<FormWindow*>(QApplication::activeModalWidget());
        ASSERT_NE(lens, nullptr);
        seen = lens->isVisible() && &lens->OwnerForm() != &f;
        EXPECT_EQ(lens->windowHandle()->transientParent(), f.Window()->windowHandle());
        EXPECT_EQ(lens->windowModality(), Qt::ApplicationModal);
        lens->OwnerForm().Unload();
    });
    f.cmdStart->click();
    EXPECT_TRUE(seen && !QApplication::activeModalWidget() && Form::LoadedCount() == 1 &&
                ends == 0);
    EXPECT_EQ(f.Lens_ColorMask(), 0xFFFFu);
    f.cbColorMask->setCurrentIndex(-1);
    EXPECT_EQ(f.Lens_ColorMask(), 0u);
}

// Random changes between reads: a read reports a change (-1) when the radius, the factor or the
// box's raw state differ from the last read (all 0 before the first), whatever the colour does.
// A greyed box counts as convex but is a state of its own.
TEST_F(PanelTest, ChangeTestFollowsOnlyRadiusFactorAndConvex) {
    MainForm& f = Start();
    f.chkConvex->setTristate(true);
    test_support::Rng random(13);
    std::array<int, 3> last{0, 0, 0};
    for (int read = 0; read < 60; ++read) {
        for (int change = random.Range(0, 2); change > 0; --change) {
            const int which = random.Range(0, 3), value = random.Range(0, 2);
            if (which == 0) f.sbRadius->setValue(value ? 150 : 200);
            if (which == 1) f.sbFactor->setValue(value ? 75 : 76);
            if (which == 2) f.chkConvex->setCheckState(Qt::CheckState(value));
            if (which == 3) f.cbColorMask->setCurrentIndex(value);
        }
        const std::array<int, 3> now{f.sbRadius->value(), f.sbFactor->value(),
                                     f.chkConvex->checkState()};
        EXPECT_EQ(f.Lens_Convex(), now[2] == Qt::Unchecked ? 0 : -1);
        ASSERT_EQ(f.Lens_UpdateLookUpTable(), now == last ? 0 : -1) << "read " << read;
        last = now;
    }
}

// Exit by its access key without the restore window ever used, then the close box after the
// restore button, clicked and by its access key, showed and hid one window covering the screen:
// everything is unloaded, no window is left and the program ends. The link bar shows from the
// twentieth of April 2012.
TEST_F(PanelTest, RestoreExitAndTheCloseBoxEndTheProgram) {
    for (bool exit : {true, false}) {
        SCOPED_TRACE(exit);
        ends = 0;
        today = exit ? QDate(2012, 4, 19) : QDate(2012, 4, 20);
        MainForm& f = Start();
        EXPECT_EQ(f.PromoBar1->isVisible(), !exit);
        QApplication::setActiveWindow(f.Window());
        EXPECT_FALSE(fRestore.Exists());
        for (int click = 0; click < (exit ? 0 : 2); ++click) {  // an access key pushes later
            click ? f.cmdRestoreDeskTop->click()
                  : QTest::keyClick(f.Window()->windowHandle(), Qt::Key_R, Qt::AltModifier);
            ASSERT_TRUE(QTest::qWaitFor([] { return fRestore.Exists(); }, 10000));
            QWidget* restore = fRestore->Window();
            EXPECT_TRUE(restore->testAttribute(Qt::WA_WState_Created));  // it was really shown
            EXPECT_FALSE(fRestore->Visible());
            EXPECT_EQ(restore->geometry(), QGuiApplication::primaryScreen()->geometry());
            EXPECT_TRUE(restore->windowFlags() & Qt::FramelessWindowHint);
            EXPECT_EQ(Form::LoadedCount(), 2);  // the panel and one restore window
            EXPECT_TRUE(f.Visible());
        }
        exit ? QTest::keyClick(f.Window()->windowHandle(), Qt::Key_E, Qt::AltModifier)
             : void(f.Window()->close());
        EXPECT_TRUE(QTest::qWaitFor([&] { return ends == 1; }, 10000));
        EXPECT_EQ(Form::LoadedCount(), 0);
        EXPECT_FALSE(fMain.Exists() || fRestore.Exists());
        FormInstanceBase::FlushReleased();
        EXPECT_TRUE(QApplication::topLevelWidgets().isEmpty());
    }
}

}  // namespace
