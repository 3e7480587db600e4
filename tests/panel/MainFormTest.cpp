// The control panel's behaviour: defaults, properties, change test, value labels, date gate,
// run-mode warning, desktop restore, start and exit.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyleOptionSlider>
#include <QTimer>
#include <QWindow>

#include "panel/RestoreForm.h"
#include "platform/FormWindow.h"
#include "promobar/PromoBar.h"
#include "tests/panel/PanelFixture.h"

namespace {

TEST_F(PanelTest, StartsWithTheDefaults) {
    MainForm& f = Start();
    EXPECT_TRUE(f.Visible());
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(f.sbRadius->value(), 150);
    EXPECT_EQ(f.sbFactor->value(), 75);
    EXPECT_EQ(f.chkConvex->checkState(), Qt::Checked);
    EXPECT_EQ(f.cbColorMask->currentIndex(), 0);
    EXPECT_EQ(f.cbColorMask->currentText(), QStringLiteral("<无>"));
    EXPECT_EQ(f.lblRadiusV->text(), QStringLiteral("150"));
    EXPECT_EQ(f.lblFactorV->text(), QStringLiteral("75"));
    EXPECT_EQ(f.Lens_Convex(), -1);
    EXPECT_EQ(f.Lens_Radius(), 150);
    EXPECT_EQ(f.Lens_Factor(), 75);
    EXPECT_EQ(f.Lens_ColorMask(), 0x00FFFFFFu);
}

TEST_F(PanelTest, EachColourEntryGivesItsMask) {
    MainForm& f = Start();
    const char* entries[] = {"<无>", "红色", "绿色", "蓝色", "黄色", "洋红", "青色"};
    const uint32_t masks[] = {0x00FFFFFF, 0x00FF0000, 0x0000FF00, 0x000000FF,
                              0x00FFFF00, 0x00FF00FF, 0x0000FFFF};
    ASSERT_EQ(f.cbColorMask->count(), 7);
    for (int i = 0; i < 7; ++i) {
        SCOPED_TRACE(i);
        f.cbColorMask->setCurrentIndex(i);
        EXPECT_EQ(f.cbColorMask->currentText(), QString::fromUtf8(entries[i]));
        EXPECT_EQ(f.Lens_ColorMask(), masks[i]);
    }
    f.cbColorMask->setCurrentIndex(-1);
    EXPECT_EQ(f.Lens_ColorMask(), 0u);
}

TEST_F(PanelTest, ChangeTestFollowsOnlyRadiusFactorAndConvex) {
    MainForm& f = Start();
    EXPECT_EQ(f.Lens_UpdateLookUpTable(), -1);  // remembered values start at 0
    EXPECT_EQ(f.Lens_UpdateLookUpTable(), 0);

    // Away and back between two reads: only the values at the read count.
    f.sbRadius->setValue(200);
    f.sbRadius->setValue(150);
    EXPECT_EQ(f.Lens_UpdateLookUpTable(), 0);

    f.cbColorMask->setCurrentIndex(3);
    EXPECT_EQ(f.Lens_UpdateLookUpTable(), 0);

    f.chkConvex->setCheckState(Qt::Unchecked);
    EXPECT_EQ(f.Lens_Convex(), 0);
    EXPECT_EQ(f.Lens_UpdateLookUpTable(), -1);
    f.chkConvex->setCheckState(Qt::Checked);
    EXPECT_EQ(f.Lens_UpdateLookUpTable(), -1);
    EXPECT_EQ(f.Lens_UpdateLookUpTable(), 0);

    f.sbFactor->setValue(76);
    EXPECT_EQ(f.Lens_UpdateLookUpTable(), -1);
    f.sbRadius->setValue(50);
    EXPECT_EQ(f.Lens_UpdateLookUpTable(), -1);
    EXPECT_EQ(f.Lens_UpdateLookUpTable(), 0);

    // A greyed box counts as convex but is a different raw state.
    f.chkConvex->setTristate(true);
    f.chkConvex->setCheckState(Qt::PartiallyChecked);
    EXPECT_EQ(f.Lens_Convex(), -1);
    EXPECT_EQ(f.Lens_UpdateLookUpTable(), -1);
}

// Presses the thumb of `bar`, drags it by `dx` pixels and reports the label text seen before
// the button is released.
QString DragThumb(QScrollBar* bar, QLabel* label, int dx) {
    QStyleOptionSlider option;
    option.initFrom(bar);
    option.orientation = Qt::Horizontal;
    option.minimum = bar->minimum();
    option.maximum = bar->maximum();
    option.sliderPosition = bar->sliderPosition();
    option.sliderValue = bar->value();
    option.singleStep = bar->singleStep();
    option.pageStep = bar->pageStep();
    option.upsideDown = false;
    const QRect thumb = bar->style()->subControlRect(QStyle::CC_ScrollBar, &option,
                                                     QStyle::SC_ScrollBarSlider, bar);
    const QPointF from = thumb.center();
    const QPointF to = from + QPointF(dx, 0);
    QMouseEvent press(QEvent::MouseButtonPress, from, bar->mapToGlobal(from), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(bar, &press);
    QMouseEvent move(QEvent::MouseMove, to, bar->mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(bar, &move);
    const QString during = label->text();
    QMouseEvent release(QEvent::MouseButtonRelease, to, bar->mapToGlobal(to), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(bar, &release);
    return during;
}

TEST_F(PanelTest, ValueLabelsFollowTheThumbWhileDragged) {
    MainForm& f = Start();
    const QString radiusDuring = DragThumb(f.sbRadius, f.lblRadiusV, 30);
    EXPECT_GT(f.sbRadius->value(), 150);
    EXPECT_EQ(radiusDuring, QString::number(f.sbRadius->value()));
    const QString factorDuring = DragThumb(f.sbFactor, f.lblFactorV, -30);
    EXPECT_LT(f.sbFactor->value(), 75);
    EXPECT_EQ(factorDuring, QString::number(f.sbFactor->value()));

    // Positions set while the thumb is held, as a drag delivers them.
    f.sbRadius->setSliderDown(true);
    for (int v : {51, 249, 250, 50}) {
        f.sbRadius->setSliderPosition(v);
        EXPECT_EQ(f.lblRadiusV->text(), QString::number(v));
    }
    f.sbRadius->setSliderDown(false);
    // Arrow and page steps.
    f.sbFactor->setValue(100);
    f.sbFactor->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(f.lblFactorV->text(), QStringLiteral("101"));
    f.sbFactor->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(f.lblFactorV->text(), QStringLiteral("96"));
    f.sbRadius->setValue(100);
    f.sbRadius->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(f.lblRadiusV->text(), QStringLiteral("125"));
}

TEST_F(PanelTest, LinkBarAppearsFromTwentiethOfApril2012) {
    const std::pair<QDate, bool> days[] = {
        {QDate(2012, 4, 19), false}, {QDate(2012, 4, 20), true}, {QDate(2031, 12, 31), true}};
    for (const auto& [day, shown] : days) {
        today = day;
        EXPECT_EQ(Start().PromoBar1->isVisible(), shown) << day.toString().toStdString();
        fMain->Unload();
        FormInstanceBase::FlushReleased();
    }
}

// Counts the show events a widget receives.
class ShowCounter : public QObject {
  public:
    int shows = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Show) ++shows;
        return false;
    }
};

TEST_F(PanelTest, OutsideAFinishedBuildOnlyTheWarningIsShown) {
    runMode = 0;
    QPointer<QWidget> window;
    ShowCounter counter;
    bool promoShownBefore = false;
    int radiusAtMessage = -1;
    QString radiusLabelAtMessage = QStringLiteral("?");
    onMessage = [&] {
        window = fMain->Window();
        window->installEventFilter(&counter);
        promoShownBefore = !fMain->PromoBar1->isHidden();
        radiusAtMessage = fMain->sbRadius->value();
        radiusLabelAtMessage = fMain->lblRadiusV->text();
    };
    fMain->Show();
    QApplication::processEvents();

    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text,
              QString::fromUtf16(u"\u8981\u60f3\u770b\u5230\u7279\u6548\uff0c\u8bf7\u5148\u7f16"
                                 u"\u8bd1\u540e\u8fd0\u884c\uff0e"));
    EXPECT_EQ(messages[0].title, QString::fromUtf16(u"\u63d0\u793a"));
    EXPECT_EQ(messages[0].style, 48);
    EXPECT_TRUE(promoShownBefore);  // the date gate ran first
    EXPECT_NE(radiusAtMessage, 150);
    EXPECT_TRUE(radiusLabelAtMessage.isEmpty());
    EXPECT_EQ(counter.shows, 0);
    if (window) {
        EXPECT_FALSE(window->testAttribute(Qt::WA_WState_Created));
    }
    EXPECT_FALSE(fMain.Exists());  // the panel released itself
    EXPECT_EQ(Form::LoadedCount(), 0);
    EXPECT_EQ(ends, 1);
}

TEST_F(PanelTest, RestoreShowsAndHidesOneWindowCoveringTheScreen) {
    MainForm& f = Start();
    EXPECT_FALSE(fRestore.Exists());
    f.cmdRestoreDeskTop->click();
    ASSERT_TRUE(fRestore.Exists());
    QWidget* first = fRestore->Window();
    ASSERT_NE(first, nullptr);
    EXPECT_FALSE(fRestore->Visible());
    EXPECT_TRUE(first->testAttribute(Qt::WA_WState_Created));  // it was really shown
    EXPECT_EQ(first->geometry(), QGuiApplication::primaryScreen()->geometry());
    EXPECT_TRUE(first->windowFlags() & Qt::FramelessWindowHint);

    f.cmdRestoreDeskTop->click();
    EXPECT_EQ(fRestore->Window(), first);
    EXPECT_FALSE(fRestore->Visible());
    EXPECT_EQ(Form::LoadedCount(), 2);
    EXPECT_TRUE(f.Visible());
}

TEST_F(PanelTest, StartShowsTheLensModallyAndTheSettingsStay) {
    MainForm& f = Start();
    f.cbColorMask->setCurrentIndex(5);
    for (int opening = 0; opening < 2; ++opening) {
        SCOPED_TRACE(opening);
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
        EXPECT_TRUE(seen);
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
        EXPECT_EQ(Form::LoadedCount(), 1);
        EXPECT_EQ(f.cbColorMask->currentIndex(), 5);
        EXPECT_EQ(f.Lens_ColorMask(), 0x00FF00FFu);
        EXPECT_EQ(f.Lens_Radius(), 150);
    }
    EXPECT_EQ(ends, 0);
}

TEST_F(PanelTest, ExitUnloadsEverythingAndEndsTheProgram) {
    MainForm& f = Start();
    f.cmdRestoreDeskTop->click();
    QPointer<QWidget> panel = f.Window();
    f.cmdExit->click();
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(Form::LoadedCount(), 0);
    EXPECT_FALSE(fMain.Exists());
    EXPECT_FALSE(fRestore.Exists());
    FormInstanceBase::FlushReleased();
    EXPECT_TRUE(panel.isNull());
    EXPECT_TRUE(QApplication::topLevelWidgets().isEmpty());
}

TEST_F(PanelTest, CloseBoxEndsTheProgramWithoutEverCreatingTheRestoreWindow) {
    MainForm& f = Start();
    f.Window()->close();
    EXPECT_EQ(ends, 1);
    EXPECT_FALSE(fMain.Exists());
    EXPECT_FALSE(fRestore.Exists());
    FormInstanceBase::FlushReleased();
    EXPECT_TRUE(QApplication::topLevelWidgets().isEmpty());
}

}  // namespace
