// The panel's window and every control against the layout table.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>

#include "panel/LensIcon.h"
#include "promobar/PromoBar.h"
#include "tests/panel/PanelFixture.h"

namespace {

TEST_F(PanelTest, WindowIsAFixedCentredDialogFrame) {
    MainForm& f = Start();
    QWidget* w = f.Window();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Lucivane"));
    EXPECT_EQ(w->size(), QSize(300, 232));
    EXPECT_EQ(w->minimumSize(), QSize(300, 232));
    EXPECT_EQ(w->maximumSize(), QSize(300, 232));
    const Qt::WindowFlags flags = w->windowFlags();
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    // Centred as far as the frame, unknown before the window is shown, allows.
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect frame = w->frameGeometry();
    const int slack = std::max(frame.width() - w->width(), frame.height() - w->height()) + 1;
    EXPECT_LE(std::abs(frame.center().x() - screen.center().x()), slack);
    EXPECT_LE(std::abs(frame.center().y() - screen.center().y()), slack);
    EXPECT_EQ(w->font().family(), QStringLiteral("Tahoma"));
    EXPECT_DOUBLE_EQ(w->font().pointSizeF(), 8.25);
    EXPECT_FALSE(w->font().bold());
    EXPECT_TRUE(w->windowIcon().availableSizes().contains(QSize(24, 24)));
}

TEST_F(PanelTest, ControlsSitWhereTheLayoutPutsThemInTabOrder) {
    MainForm& f = Start();
    struct Row {
        QWidget* control;
        const char* caption;
        QRect geometry;
    };
    const Row rows[] = {
        {f.cmdStart, "开始(&S)", {224, 16, 60, 41}},
        {f.cmdExit, "退出(&E)", {224, 80, 60, 25}},
        {f.chkConvex, "凸起", {48, 16, 130, 16}},
        {f.lblColorMask, "颜色", {17, 41, 68, 15}},
        {f.cbColorMask, nullptr, {16, 57, 169, 21}},
        {f.lblRadius, "半径", {17, 87, 46, 15}},
        {f.lblRadiusV, "150", {136, 87, 46, 15}},
        {f.sbRadius, nullptr, {15, 102, 169, 14}},
        {f.lblFactor, "倍数", {17, 125, 46, 15}},
        {f.lblFactorV, "75", {136, 125, 46, 15}},
        {f.sbFactor, nullptr, {15, 140, 169, 14}},
        {f.cmdRestoreDeskTop, "桌面复原(&R)", {224, 128, 60, 44}},
        {f.PromoBar1, nullptr, {8, 184, 281, 49}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.control->metaObject()->className());
        ASSERT_NE(row.control, nullptr);
        EXPECT_EQ(row.control->parentWidget(), f.Window());
        EXPECT_EQ(row.control->geometry(), row.geometry);
        if (!row.caption) continue;
        const QString caption = QString::fromUtf8(row.caption);
        if (auto* b = qobject_cast<QAbstractButton*>(row.control)) {
            EXPECT_EQ(b->text(), caption);
        } else if (auto* l = qobject_cast<QLabel*>(row.control)) {
            EXPECT_EQ(l->text(), caption);
        }
    }
    // Tab order: each control's successor in the focus chain, skipping Qt-internal widgets.
    for (size_t i = 0; i + 1 < std::size(rows); ++i) {
        SCOPED_TRACE(i);
        QWidget* next = rows[i].control->nextInFocusChain();
        while (next && next->parentWidget() != f.Window() && next != f.Window())
            next = next->nextInFocusChain();
        EXPECT_EQ(next, rows[i + 1].control);
    }
    // Access keys.
    EXPECT_EQ(f.cmdStart->shortcut(), QKeySequence(Qt::ALT | Qt::Key_S));
    EXPECT_EQ(f.cmdExit->shortcut(), QKeySequence(Qt::ALT | Qt::Key_E));
    EXPECT_EQ(f.cmdRestoreDeskTop->shortcut(), QKeySequence(Qt::ALT | Qt::Key_R));
    // Value labels are right-aligned.
    EXPECT_TRUE(f.lblRadiusV->alignment() & Qt::AlignRight);
    EXPECT_TRUE(f.lblFactorV->alignment() & Qt::AlignRight);
    EXPECT_FALSE(f.cbColorMask->isEditable());
}

TEST_F(PanelTest, ScrollBarsHaveTheirRangesAndSteps) {
    MainForm& f = Start();
    EXPECT_EQ(f.sbRadius->orientation(), Qt::Horizontal);
    EXPECT_EQ(f.sbRadius->minimum(), 50);
    EXPECT_EQ(f.sbRadius->maximum(), 250);
    EXPECT_EQ(f.sbRadius->singleStep(), 1);
    EXPECT_EQ(f.sbRadius->pageStep(), 25);
    EXPECT_EQ(f.sbFactor->orientation(), Qt::Horizontal);
    EXPECT_EQ(f.sbFactor->minimum(), 5);
    EXPECT_EQ(f.sbFactor->maximum(), 145);
    EXPECT_EQ(f.sbFactor->singleStep(), 1);
    EXPECT_EQ(f.sbFactor->pageStep(), 5);
    // Values beyond the range are held at its ends.
    f.sbRadius->setValue(1000);
    EXPECT_EQ(f.Lens_Radius(), 250);
    f.sbFactor->setValue(-3);
    EXPECT_EQ(f.Lens_Factor(), 5);
}

TEST(LensIconTest, IsALensOnATransparentGround) {
    const QImage icon = LensIconImage(24);
    ASSERT_EQ(icon.size(), QSize(24, 24));
    EXPECT_EQ(qAlpha(icon.pixel(0, 23)), 0);  // corners stay clear
    EXPECT_EQ(qAlpha(icon.pixel(23, 0)), 0);
    EXPECT_EQ(qAlpha(icon.pixel(10, 10)), 255);                      // the glass is opaque
    EXPECT_GT(qBlue(icon.pixel(10, 13)), qRed(icon.pixel(10, 13)));  // and bluish
    EXPECT_GT(qAlpha(icon.pixel(20, 20)), 0);                        // the handle
}

}  // namespace
