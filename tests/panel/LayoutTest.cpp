// The panel's window and every control against the layout table.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>

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
    const std::tuple<QScrollBar*, int, int, int> bars[] = {{f.sbRadius, 50, 250, 25},
                                                           {f.sbFactor, 5, 145, 5}};
    for (const auto& [bar, minimum, maximum, page] : bars) {
        EXPECT_EQ(bar->orientation(), Qt::Horizontal);
        EXPECT_EQ(bar->minimum(), minimum);
        EXPECT_EQ(bar->maximum(), maximum);
        EXPECT_EQ(bar->singleStep(), 1);
        EXPECT_EQ(bar->pageStep(), page);
    }
    // Values beyond the range are held at its ends.
    f.sbRadius->setValue(1000);
    EXPECT_EQ(f.Lens_Radius(), 250);
    f.sbFactor->setValue(-3);
    EXPECT_EQ(f.Lens_Factor(), 5);
}

}  // namespace
