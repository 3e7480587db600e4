// The control panel, started the way the runtime starts it, with a replaceable run mode and date;
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
#include <QStyleOptionButton>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include "panel/CaptionButton.h"
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
        Program::RunModeHook = [this] { return runMode; };
        Interaction::DateHook = [this] { return today; };
        Interaction::MsgBoxHook = [this](const QString& text, int style, const QString& title) {
            messages.push_back(QStringLiteral("%1 %2 %3").arg(title).arg(style).arg(text));
            if (onMessage) onMessage();
            return Interaction::vbOK;
        };
        Program::EndHook = [this] { ++ends; };
    }
    void TearDown() override {
        FormInstanceBase::ReleaseAll();
        Program::RunModeHook = nullptr;
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

    int runMode = 1;
    QDate today{2024, 1, 1};
    QStringList messages;
    std::function<void()> onMessage;
    int ends = 0;
};

TEST_F(PanelTest, WindowAndControlsFollowTheLayoutInTabOrder) {
    MainForm& f = Start();
    QWidget* w = f.Window();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Lucivane"));
    EXPECT_TRUE(w->size() == QSize(300, 232) && w->minimumSize() == w->size() &&
                w->maximumSize() == w->size());
    EXPECT_EQ(w->windowFlags() & (Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint |
                                  Qt::WindowMaximizeButtonHint),
              Qt::WindowFlags(Qt::WindowCloseButtonHint));
    // Centred as far as the frame, unknown before the window is shown, allows.
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry(),
                frame = w->frameGeometry();
    const int slack = std::max(frame.width() - w->width(), frame.height() - w->height()) + 1;
    EXPECT_LE((frame.center() - screen.center()).manhattanLength(), 2 * slack);
    EXPECT_EQ(w->font().family() + " " + QString::number(w->font().pointSizeF()), "Tahoma 8.25");
    EXPECT_FALSE(w->font().bold());
    EXPECT_TRUE(w->windowIcon().availableSizes().contains(QSize(24, 24)));

    // Geometry, caption, access key and range of each control, in tab order.
    const std::pair<QWidget*, const char*> rows[] = {
        {f.cmdStart, "QRect(224,16 60x41) 开始(&S) Alt+S"},
        {f.cmdExit, "QRect(224,80 60x25) 退出(&E) Alt+E"},
        {f.chkConvex, "QRect(48,16 130x16) 凸起"},
        {f.lblColorMask, "QRect(17,41 68x15) 颜色"},
        {f.cbColorMask, "QRect(16,57 169x21)"},
        {f.lblRadius, "QRect(17,87 46x15) 半径"},
        {f.lblRadiusV, "QRect(136,87 46x15) 150"},
        {f.sbRadius, "QRect(15,102 169x14) 50..250"},
        {f.lblFactor, "QRect(17,125 46x15) 倍数"},
        {f.lblFactorV, "QRect(136,125 46x15) 75"},
        {f.sbFactor, "QRect(15,140 169x14) 5..145"},
        {f.cmdRestoreDeskTop, "QRect(224,128 60x44) 桌面复原(&R) Alt+R"},
        {f.PromoBar1, "QRect(8,184 281x49)"},
    };
    for (size_t i = 0; i < std::size(rows); ++i) {
        QWidget* c = rows[i].first;
        ASSERT_NE(c, nullptr) << i;
        QString s;
        QDebug d(&s);
        d.noquote().nospace() << c->geometry();
        for (const char* property : {"text", "shortcut"}) {
            if (const QString v = c->property(property).toString(); !v.isEmpty()) d << ' ' << v;
        }
        if (auto* bar = qobject_cast<QScrollBar*>(c))
            d << ' ' << bar->minimum() << ".." << bar->maximum();
        EXPECT_EQ(s.toStdString(), rows[i].second);
        EXPECT_EQ(c->parentWidget(), w);
        QWidget* next = c->nextInFocusChain();  // skipping the controls' inner widgets
        while (next->parentWidget() != w && next != w) next = next->nextInFocusChain();
        EXPECT_EQ(next, i + 1 < std::size(rows) ? rows[i + 1].first : next) << i;
    }
    EXPECT_TRUE(f.lblRadiusV->alignment() & f.lblFactorV->alignment() & Qt::AlignRight);
    EXPECT_FALSE(f.cbColorMask->isEditable());
}

TEST_F(PanelTest, DefaultsValueLabelsAndColourMasks) {
    MainForm& f = Start();
    EXPECT_TRUE(f.Visible());
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(State(f), "150 75 Qt::Checked <无> 150 75 | 150 75 -1 ffffff");
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
    f.sbRadius->setValue(1000);  // held at the ends of the ranges
    f.sbFactor->setValue(-3);
    EXPECT_EQ(State(f), "250 5 Qt::Checked <无> 250 5 | 250 5 -1 ffffff");
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

// Tab reaches both bars in their place and the focus shows; Right/End raise, Left/Home lower,
// arrows by 1 and Page keys by the page step; a click in the empty track moves the factor by 5.
TEST_F(PanelTest, ScrollBarsTakeTheFocusAndRunForwardOnTheKeyboard) {
    MainForm& f = Start();
    QApplication::setActiveWindow(f.Window());
    f.chkConvex->setFocus();
    QWidgetList reached;
    QImage focused;
    for (int i = 0; i < 4; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        reached << QApplication::focusWidget();
        if (reached.last() == f.sbRadius) focused = f.sbRadius->grab().toImage();
    }
    EXPECT_EQ(reached, (QWidgetList{f.cbColorMask, f.sbRadius, f.sbFactor, f.cmdRestoreDeskTop}));
    EXPECT_NE(focused, f.sbRadius->grab().toImage());
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
    f.sbFactor->setValue(75);
    for (int x : {f.sbFactor->width() * 7 / 8, f.sbFactor->width() / 8}) {
        QTest::mouseClick(f.sbFactor, Qt::LeftButton, {}, QPoint(x, 7));
        values += QString::number(f.sbFactor->value()) + " ";
    }
    EXPECT_TRUE(values.endsWith(" 80 75 "));
}

// Every caption fits inside its control's text area with the font it is drawn in, and keeps off
// a button's frame (also run with LANG=zh_CN.UTF-8, which gives the captions another font).
TEST_F(PanelTest, EveryCaptionFitsInsideItsControl) {
    MainForm& f = Start();
    QString overflows;
    for (QWidget* c : f.Window()->findChildren<QWidget*>()) {
        QStyleOptionButton option;
        option.initFrom(c);
        QRect area = c->contentsRect(), layout;  // where the text must lie; where it is laid out
        int flags = Qt::TextShowMnemonic | Qt::AlignCenter;
        QStringList texts{c->property("text").toString()};
        if (qobject_cast<QPushButton*>(c)) {
            area = c->rect().adjusted(3, 3, -3, -3);  // clear of the frame by 2 pixels
            layout = c->rect();
            if (auto* caption = dynamic_cast<CaptionButton*>(c)) {
                layout = caption->CaptionArea();
                flags |= Qt::TextWordWrap;
            }
        } else if (qobject_cast<QCheckBox*>(c)) {
            area = c->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, c);
        } else if (auto* label = qobject_cast<QLabel*>(c)) {
            flags = label->alignment() | (label->wordWrap() ? Qt::TextWordWrap : 0);
        } else if (auto* combo = qobject_cast<QComboBox*>(c)) {
            texts.clear();
            for (int i = 0; i < combo->count(); ++i) texts << combo->itemText(i);
            area = area.adjusted(4, 0, -24, 0);  // the frame and the drop-down arrow
        } else if (qobject_cast<QLineEdit*>(c)) {
            area = area.adjusted(2, 0, -2, 0);
        }
        for (const QString& text : texts) {
            const QRect box =
                QFontMetrics(c->font()).boundingRect(layout.isNull() ? area : layout, flags, text);
            if (!text.isEmpty() && !area.contains(box)) {
                QDebug(&overflows).noquote() << text << box << "outside" << area << "\n";
            }
        }
    }
    EXPECT_TRUE(overflows.isEmpty()) << QFontInfo(f.cmdStart->font()).family().toStdString() << "\n"
                                     << overflows.toStdString();
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

TEST_F(PanelTest, OutsideAFinishedBuildOnlyTheWarningIsShown) {
    runMode = 0;
    QPointer<QWidget> window;
    QString atMessage;  // link bar shown, radius at its default, radius label
    onMessage = [&] {
        window = fMain->Window();
        QDebug(&atMessage) << !fMain->PromoBar1->isHidden() << (fMain->sbRadius->value() == 150)
                           << fMain->lblRadiusV->text();
    };
    fMain->Show();
    QApplication::processEvents();
    EXPECT_EQ(messages, QStringList{"提示 48 要想看到特效，请先编译后运行．"});
    EXPECT_EQ(atMessage.trimmed(),
              "true false \"\"");  // the date gate ran first, no default was set
    ASSERT_TRUE(window);
    EXPECT_FALSE(window->testAttribute(Qt::WA_WState_Created));  // never shown
    EXPECT_FALSE(fMain.Exists());                                // the panel released itself
    EXPECT_EQ(Form::LoadedCount(), 0);
    EXPECT_EQ(ends, 1);
}

TEST_F(PanelTest, RestoreShowsAndHidesOneWindowCoveringTheScreen) {
    MainForm& f = Start();
    EXPECT_FALSE(fRestore.Exists());
    QWidget* first = nullptr;
    for (int click = 0; click < 2; ++click) {
        f.cmdRestoreDeskTop->click();
        ASSERT_TRUE(fRestore.Exists());
        if (!first) first = fRestore->Window();
        EXPECT_EQ(fRestore->Window(), first);
        EXPECT_FALSE(fRestore->Visible());
        EXPECT_EQ(Form::LoadedCount(), 2);
    }
    EXPECT_TRUE(first->testAttribute(Qt::WA_WState_Created));  // it was really shown
    EXPECT_EQ(first->geometry(), QGuiApplication::primaryScreen()->geometry());
    EXPECT_TRUE(first->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(f.Visible());
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

// Exit without the restore window ever used, then the close box after a restore: everything is
// unloaded, no window is left and the program ends.
TEST_F(PanelTest, ExitAndTheCloseBoxEndTheProgram) {
    for (bool exit : {true, false}) {
        SCOPED_TRACE(exit);
        ends = 0;
        MainForm& f = Start();
        if (!exit) f.cmdRestoreDeskTop->click();
        QPointer<QWidget> panel = f.Window();
        exit ? f.cmdExit->click() : void(f.Window()->close());
        EXPECT_EQ(ends, 1);
        EXPECT_EQ(Form::LoadedCount(), 0);
        EXPECT_FALSE(fMain.Exists() || fRestore.Exists());
        FormInstanceBase::FlushReleased();
        EXPECT_TRUE(panel.isNull());
        EXPECT_TRUE(QApplication::topLevelWidgets().isEmpty());
    }
}

}  // namespace
