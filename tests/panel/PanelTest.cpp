// The control panel, started the way the runtime starts it, with a replaceable date;
// message boxes and the program's end are recorded, and no form or window may be left behind.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include "panel/MainForm.h"
#include "panel/RestoreForm.h"
#include "platform/FormWindow.h"
#include "platform/Interaction.h"
#include "platform/Program.h"
#include "promobar/PromoBar.h"

namespace {

class PanelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Interaction::DateHook = [this] { return today; };
        Interaction::MsgBoxHook = [this](const QString& text, int style, const QString& title) {
            messages.push_back(QStringLiteral("%1 %2 %3").arg(title).arg(style).arg(text));
            return Interaction::vbOK;
        };
        Program::EndHook = [this] { ++ends; };
    }
    void TearDown() override {
        FormInstanceBase::ReleaseAll();
        Interaction::DateHook = nullptr;
        Interaction::MsgBoxHook = nullptr;
        Program::EndHook = nullptr;
        EXPECT_EQ(Form::LoadedCount(), 0);
        EXPECT_TRUE(QApplication::topLevelWidgets().isEmpty());
    }

    // Shows the start-up form, as the runtime does.
    MainForm& Start() {
        fMain->Show();
        QApplication::processEvents();
        return *fMain;
    }

    // The settings as the controls show them, then as the lens reads them.
    static std::string State(MainForm& f) {
        QString s;
        QDebug(&s).noquote() << f.sbRadius->value() << f.sbFactor->value()
                             << f.chkConvex->checkState() << f.cbColorMask->currentText()
                             << f.lblRadiusV->text() << f.lblFactorV->text() << "|"
                             << f.Lens_Radius() << f.Lens_Factor() << f.Lens_Convex() << Qt::hex
                             << f.Lens_ColorMask();
        return s.trimmed().toStdString();
    }

    QDate today{2024, 1, 1};
    QStringList messages;
    int ends = 0;
};

TEST_F(PanelTest, WindowAndControlsSitInsideTheFormInTabOrder) {
    MainForm& f = Start();
    QWidget* w = f.Window();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Lucivane"));
    EXPECT_TRUE(w->size() == QSize(300, 232) && w->minimumSize() == w->size() &&
                w->maximumSize() == w->size());
    EXPECT_EQ(w->windowFlags() & (Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint |
                                  Qt::WindowMaximizeButtonHint),
              Qt::WindowFlags(Qt::WindowCloseButtonHint));
    EXPECT_TRUE(w->windowIcon().availableSizes().contains(QSize(24, 24)));

    // Every control lies inside the form (the link bar's bottom row is cut off, as designed) and
    // on no other one.
    const QList<QWidget*> controls = w->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    EXPECT_EQ(controls.size(), 13);
    for (QWidget* c : controls) {
        const QRect r = c->geometry().adjusted(0, 0, 0, c == f.PromoBar1 ? -1 : 0);
        EXPECT_TRUE(w->rect().contains(r)) << c->metaObject()->className();
        for (QWidget* other : controls)
            EXPECT_TRUE(c == other || !r.intersects(other->geometry())) << r.x() << "," << r.y();
    }
    EXPECT_TRUE(f.lblRadiusV->alignment() & f.lblFactorV->alignment() & Qt::AlignRight);
    EXPECT_FALSE(f.cbColorMask->isEditable());

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

TEST_F(PanelTest, DefaultsBarsValueLabelsAndColourMasks) {
    MainForm& f = Start();
    EXPECT_TRUE(f.Visible());
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(State(f), "150 75 Qt::Checked <无> 150 75 | 150 75 -1 ffffff");
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
    f.cbColorMask->setCurrentIndex(-1);
    EXPECT_EQ(f.Lens_ColorMask(), 0u);
}

TEST_F(PanelTest, ChangeTestFollowsOnlyRadiusFactorAndConvex) {
    MainForm& f = Start();
    QString seen;
    const auto read = [&](int times = 1) {
        while (times-- > 0) seen += QString::number(f.Lens_UpdateLookUpTable()) + " ";
    };
    read(2);                    // the remembered values start at 0
    f.sbRadius->setValue(200);  // away and back between two reads
    f.sbRadius->setValue(150);
    read();
    f.cbColorMask->setCurrentIndex(3);
    read();
    f.chkConvex->setCheckState(Qt::Unchecked);
    EXPECT_EQ(f.Lens_Convex(), 0);
    read();
    f.chkConvex->setCheckState(Qt::Checked);
    read(2);
    f.sbFactor->setValue(76);
    read();
    f.sbRadius->setValue(50);
    read(2);
    // A greyed box counts as convex but is a different raw state.
    f.chkConvex->setTristate(true);
    f.chkConvex->setCheckState(Qt::PartiallyChecked);
    EXPECT_EQ(f.Lens_Convex(), -1);
    read();
    EXPECT_EQ(seen, "-1 0 0 0 -1 -1 0 -1 -1 0 -1 ");
}

TEST_F(PanelTest, StartShowsTheLensModallyAndTheSettingsStay) {
    MainForm& f = Start();
    f.cbColorMask->setCurrentIndex(5);
    for (int opening = 0; opening < 2; ++opening) {
        bool seen = false;
        QTimer::singleShot(0, [&] {
            // The lens window is the modal form owned by the panel; closing it ends Start.
            auto* lens = dynamic_cast<FormWindow*>(QApplication::activeModalWidget());
            ASSERT_NE(lens, nullptr);
            seen = lens->isVisible() && &lens->OwnerForm() != &f;
            EXPECT_EQ(lens->windowHandle()->transientParent(), f.Window()->windowHandle());
            EXPECT_EQ(lens->windowModality(), Qt::ApplicationModal);
            lens->OwnerForm().Unload();
        });
        f.cmdStart->click();
        EXPECT_TRUE(seen) << opening;
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
        EXPECT_EQ(Form::LoadedCount(), 1);
        EXPECT_EQ(State(f), "150 75 Qt::Checked 洋红 150 75 | 150 75 -1 ff00ff");
    }
    EXPECT_EQ(ends, 0);
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
        QPointer<QWidget> panel = f.Window();
        QApplication::setActiveWindow(f.Window());
        EXPECT_FALSE(fRestore.Exists());
        for (int click = 0; click < (exit ? 0 : 2); ++click) {  // an access key pushes later
            click ? f.cmdRestoreDeskTop->click()
                  : QTest::keyClick(f.Window()->windowHandle(), Qt::Key_R, Qt::AltModifier);
            ASSERT_TRUE(QTest::qWaitFor([] { return fRestore.Exists(); }, 10000));
            QWidget* restore = fRestore->Window();
            ASSERT_NE(restore, nullptr);
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
        EXPECT_TRUE(panel.isNull());
        EXPECT_TRUE(QApplication::topLevelWidgets().isEmpty());
    }
}

}  // namespace
