// The link bar as a user meets it: layout, what each click and key opens, and link hover.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTest>
#include <QUrl>
#include <QUrlQuery>
#include <cstdint>

#include "OpenerRecorder.h"
#include "promobar/LinkCursor.h"
#include "promobar/PromoAddresses.h"
#include "promobar/PromoBar.h"
#include "support/Rng.h"

namespace {

constexpr uint32_t kBlue = 0x00C00000;
constexpr uint32_t kRed = 0x000000FF;

QString Guide(const QString& text) {
    return PromoAddresses::kGuideSearchPrefix + text + PromoAddresses::kGuideSearchSuffix;
}
QString Market(const QString& text) {
    return PromoAddresses::kMarketSearchPrefix + text + PromoAddresses::kMarketSearchSuffix;
}

// The query keys in order; a key with an empty value shows as "key=".
QStringList QueryKeys(const QString& address) {
    QStringList keys;
    for (const auto& [key, value] : QUrlQuery(QUrl(address)).queryItems())
        keys << (value.isEmpty() ? key + "=" : key);
    return keys;
}

QRect LinkRect(int i) { return QRect(8 + 56 * i, 32, 49, 17); }

class PromoBarTest : public ::testing::Test {
  protected:
    PromoBarTest() {
        bar.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&bar));
    }

    QLineEdit* Text1() { return bar.findChild<QLineEdit*>(QStringLiteral("Text1")); }
    QLabel* Label2() { return bar.findChild<QLabel*>(QStringLiteral("Label2")); }
    QLabel* Link(int i) { return bar.findChild<QLabel*>(QStringLiteral("Label1_%1").arg(i)); }

    void Click(QWidget* w, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(w, button, Qt::NoModifier, w->rect().center());
    }

    // Press, release, press, double-click, release: what a double-click delivers to a widget.
    void DoubleClick(QWidget* w, QPoint p) {
        const std::pair<QEvent::Type, Qt::MouseButtons> steps[] = {
            {QEvent::MouseButtonPress, Qt::LeftButton},
            {QEvent::MouseButtonRelease, {}},
            {QEvent::MouseButtonPress, Qt::LeftButton},
            {QEvent::MouseButtonDblClick, Qt::LeftButton},
            {QEvent::MouseButtonRelease, {}}};
        for (const auto& [type, buttons] : steps) {
            QMouseEvent event(type, QPointF(p), QPointF(w->mapToGlobal(p)), Qt::LeftButton, buttons,
                              Qt::NoModifier);
            QApplication::sendEvent(w, &event);
        }
    }

    // A move without buttons at bar position `p`, routed like the window system does: to the
    // widget under the pointer, from where the application passes it on.
    void MoveTo(QPoint p) {
        QWidget* target = bar.childAt(p);
        if (target == nullptr) target = &bar;
        QMouseEvent move(QEvent::MouseMove, QPointF(target->mapFrom(&bar, p)),
                         QPointF(bar.mapToGlobal(p)), Qt::NoButton, Qt::MouseButtons(),
                         Qt::NoModifier);
        QApplication::sendEvent(target, &move);
    }

    OpenerRecorder recorder;
    PromoBar bar;
};

TEST_F(PromoBarTest, LayoutLookAndTabOrder) {
    EXPECT_EQ(bar.size(), QSize(287, 50));
    const QMetaObject* meta = bar.metaObject();
    EXPECT_STREQ(meta->classInfo(meta->indexOfClassInfo("RegisteredName")).value(),
                 "Lucivane.PromoBar");
    EXPECT_EQ(bar.backgroundRole(), QPalette::Button);
    EXPECT_EQ(Text1()->text(), QStringLiteral("减肥"));
    EXPECT_EQ(Label2()->palette().color(QPalette::Window), QColor(192, 192, 255));
    EXPECT_TRUE(Label2()->autoFillBackground());

    struct Row {
        QWidget* widget;
        QRect geometry;
        const char* text;
        QColor colour;
        double points;
        bool underline;
    };
    std::vector<Row> rows{{Text1(), {8, 8, 161, 18}, nullptr, {}, 0, false},
                          {Label2(), {176, 8, 101, 18}, "淘宝+更多搜索", {0, 0, 0}, 10.5, false}};
    const char* captions[] = {"淘宝特卖", "商城导航", "淘宝排行", "皇冠店铺", "实惠抢购"};
    for (int i = 0; i < PromoBar::kLinkCount; ++i)
        rows.push_back({Link(i), LinkRect(i), captions[i], {0, 0, 192}, 9.0, true});
    std::vector<QWidget*> chain;
    for (const Row& row : rows) {
        ASSERT_NE(row.widget, nullptr);
        SCOPED_TRACE(row.widget->objectName().toStdString());
        EXPECT_EQ(row.widget->geometry(), row.geometry);
        // Only the box takes the focus.
        EXPECT_EQ(row.widget->focusPolicy() != Qt::NoFocus, row.widget == Text1());
        if (auto* label = qobject_cast<QLabel*>(row.widget)) {
            EXPECT_EQ(label->text(), QString::fromUtf8(row.text));
            EXPECT_EQ(label->palette().color(QPalette::WindowText), row.colour);
            EXPECT_DOUBLE_EQ(label->font().pointSizeF(), row.points);
            EXPECT_EQ(label->font().weight(), QFont::Normal);
            EXPECT_EQ(label->font().underline(), row.underline);
        }
    }
    for (int i = 0; i < PromoBar::kLinkCount; ++i) EXPECT_EQ(bar.LinkForeColor(i), kBlue);
    EXPECT_EQ(bar.LinkForeColor(-1), 0u);
    EXPECT_EQ(bar.LinkForeColor(5), 0u);

    // Tab order: box, button, links in index order.
    QWidget* w = Text1();
    for (int guard = 0; guard < 100 && chain.size() < rows.size(); ++guard) {
        if (w->parentWidget() == &bar) chain.push_back(w);
        w = w->nextInFocusChain();
    }
    for (size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(chain.at(i), rows[i].widget) << i;
}

TEST_F(PromoBarTest, LabelsShowA32PixelHandWithTheHotSpotOnTheFingertip) {
    for (QWidget* w : {static_cast<QWidget*>(Label2()), static_cast<QWidget*>(Link(0)),
                       static_cast<QWidget*>(Link(4))}) {
        SCOPED_TRACE(w->objectName().toStdString());
        const QCursor cursor = w->cursor();
        ASSERT_EQ(cursor.shape(), Qt::BitmapCursor);
        EXPECT_EQ(cursor.hotSpot(), QPoint(6, 0));
        EXPECT_EQ(cursor.bitmap().size(), QSize(32, 32));
        EXPECT_EQ(cursor.mask().size(), QSize(32, 32));
    }
    // The fingertip is drawn (opaque and black); a far corner is transparent.
    const QImage mask = LinkCursor::Make().mask().toImage();
    const QImage bits = LinkCursor::Make().bitmap().toImage();
    EXPECT_NE(mask.pixel(6, 0), mask.pixel(31, 31));
    EXPECT_NE(bits.pixel(6, 0), bits.pixel(31, 31));
    // The box and the background keep their default pointers.
    EXPECT_FALSE(bar.testAttribute(Qt::WA_SetCursor));
    EXPECT_EQ(Text1()->cursor().shape(), Qt::IBeamCursor);
}

// Each link opens exactly its address: a complete https address with the fixed path and query
// keys, on one of three sites (guide: links 1 and 4 and the first search; marketplace: links 0
// and 2 and the second search; shop directory: link 3).
TEST_F(PromoBarTest, EachLinkOpensExactlyItsAddress) {
    const QString guide = QUrl(Guide("")).host(), market = QUrl(Market("")).host();
    struct Row {
        const char* path;  // nullptr: any
        QStringList keys;
    };
    const Row rows[] = {
        {nullptr, {"pid", "eventid"}},
        {"/navigate.html", {"e="}},
        {"/redirect.php",
         {"cat", "from", "pid", "unid=", "mode", "refpos=", "stat_ref", "show", "goodsFilter",
          "from", "pid"}},
        {"/", {"pid", "eventid"}},
        {"/specials.html", {"e=", "logo"}},
    };
    QStringList hosts;
    for (int i = 0; i < PromoBar::kLinkCount; ++i) {
        SCOPED_TRACE(i);
        recorder.calls.clear();
        Click(Link(i));
        ASSERT_EQ(recorder.calls.size(), 1u);
        EXPECT_EQ(recorder.calls[0].program, QStringLiteral("xdg-open"));
        const QStringList addresses = recorder.Addresses();
        EXPECT_EQ(addresses, QStringList{QString::fromLatin1(PromoAddresses::kLinks[i])});
        const QUrl url(addresses.value(0), QUrl::StrictMode);
        EXPECT_TRUE(url.isValid() && url.scheme() == "https") << addresses.value(0).toStdString();
        if (rows[i].path) {
            EXPECT_EQ(url.path(), QString::fromLatin1(rows[i].path));
        }
        EXPECT_EQ(QueryKeys(url.toString()), rows[i].keys);
        hosts << url.host();
    }
    EXPECT_EQ(QUrlQuery(QUrl(PromoAddresses::kLinks[4])).queryItemValue("logo"), "1");
    EXPECT_EQ(hosts[1], guide);
    EXPECT_EQ(hosts[4], guide);
    for (int i : {0, 2}) EXPECT_TRUE(hosts[i].endsWith(".taobao.com")) << i;
    EXPECT_TRUE(market.endsWith(".taobao.com"));
    EXPECT_FALSE(hosts[3].endsWith("taobao.com") || hosts[3] == guide);

    // The two search addresses around an empty text.
    EXPECT_TRUE(QString(PromoAddresses::kGuideSearchPrefix).endsWith("/search-"));
    EXPECT_TRUE(QString(PromoAddresses::kGuideSearchSuffix).startsWith(".html?"));
    EXPECT_EQ(QueryKeys(Guide("")), (QStringList{"oid", "gsid"}));
    EXPECT_TRUE(QString(PromoAddresses::kMarketSearchPrefix).endsWith("/search?q="));
    EXPECT_TRUE(QString(PromoAddresses::kMarketSearchSuffix).startsWith("&cat=0"));
    EXPECT_EQ(QueryKeys(Market("x")),
              (QStringList{"q", "cat", "pid", "mode", "commend", "other_filter", "fs"}));
}

TEST_F(PromoBarTest, SearchButtonOpensGuideThenMarketWithTheTextUnchanged) {
    const QStringList texts{"",
                            " padded  ",
                            "a b&c=d?e#f",
                            "100%",
                            QStringLiteral("减肥 茶"),
                            QStringLiteral("a\"b'c; rm -rf ~ $(x) `y` | z")};
    for (const QString& text : texts) {
        SCOPED_TRACE(text.toStdString());
        Text1()->setText(text);
        recorder.calls.clear();
        Click(Label2());
        EXPECT_EQ(recorder.Addresses(), (QStringList{Guide(text), Market(text)}));
        EXPECT_EQ(Text1()->text(), text);
    }
}

TEST_F(PromoBarTest, EnterWithAnyModifiersSearchesAndOtherKeysTypeNormally) {
    Text1()->setText(QStringLiteral("tea"));
    const std::pair<Qt::Key, Qt::KeyboardModifiers> enters[] = {
        {Qt::Key_Return, Qt::NoModifier},
        {Qt::Key_Return, Qt::ShiftModifier},
        {Qt::Key_Return, Qt::ControlModifier},
        {Qt::Key_Return, Qt::AltModifier | Qt::ShiftModifier},
        {Qt::Key_Enter, Qt::KeypadModifier},
    };
    for (const auto& [key, modifiers] : enters) {
        recorder.calls.clear();
        QTest::keyClick(Text1(), key, modifiers);
        EXPECT_EQ(recorder.Addresses(), (QStringList{Guide("tea"), Market("tea")}))
            << "key " << key << " modifiers " << modifiers;
    }
    EXPECT_EQ(Text1()->text(), QStringLiteral("tea"));

    recorder.calls.clear();
    Text1()->setCursorPosition(3);
    QTest::keyClicks(Text1(), QStringLiteral(" m"));
    QTest::keyClick(Text1(), Qt::Key_Backspace);
    QTest::keyClick(Text1(), Qt::Key_Escape);
    QTest::keyClick(Text1(), Qt::Key_M, Qt::ControlModifier);
    QTest::keyClick(Text1(), Qt::Key_Tab);
    EXPECT_TRUE(recorder.calls.empty());
    EXPECT_EQ(Text1()->text(), QStringLiteral("tea "));
}

TEST_F(PromoBarTest, DoubleClickInTheBoxSelectsAWordAndSearchesOnce) {
    Text1()->setText(QStringLiteral("green tea"));
    QTest::mouseDClick(Text1(), Qt::LeftButton, Qt::NoModifier, QPoint(8, 9));
    EXPECT_EQ(recorder.Addresses(), (QStringList{Guide("green tea"), Market("green tea")}));
    EXPECT_EQ(Text1()->selectedText(), QStringLiteral("green"));

    recorder.calls.clear();
    QTest::mouseClick(Text1(), Qt::LeftButton, Qt::NoModifier, QPoint(8, 9));
    QTest::mouseDClick(Text1(), Qt::RightButton, Qt::NoModifier, QPoint(8, 9));
    EXPECT_TRUE(recorder.calls.empty());
}

TEST_F(PromoBarTest, OnlyACompletedLeftClickOnALabelCounts) {
    // A double-click is one click and a double-click, as the platform reports it.
    DoubleClick(Label2(), QPoint(50, 9));
    EXPECT_EQ(recorder.calls.size(), 2u);
    recorder.calls.clear();
    DoubleClick(Link(2), QPoint(20, 8));
    EXPECT_EQ(recorder.Addresses(), QStringList{QString::fromLatin1(PromoAddresses::kLinks[2])});

    recorder.calls.clear();
    Click(Link(1), Qt::RightButton);
    Click(Label2(), Qt::MiddleButton);
    // Pressed on a link, released beside it.
    QTest::mousePress(Link(1), Qt::LeftButton, Qt::NoModifier, QPoint(10, 8));
    QTest::mouseRelease(Link(1), Qt::LeftButton, Qt::NoModifier, QPoint(60, 8));
    EXPECT_TRUE(recorder.calls.empty());
}

TEST_F(PromoBarTest, SecondSearchPageReadsTheTextAgainAndIsTriedAfterAFailure) {
    recorder.succeed = false;
    recorder.onCall = [this](size_t n) {
        if (n == 1) Text1()->setText(QStringLiteral("changed"));
    };
    Text1()->setText(QStringLiteral("first"));
    Click(Label2());
    EXPECT_EQ(recorder.Addresses(), (QStringList{Guide("first"), Market("changed")}));
}

// Random walks over the bar against a model built from the layout table alone: a move over a
// link turns it red, over the background all blue, over the box or button changes nothing
// (so a link left without crossing the background, e.g. straight onto the next, stays red).
TEST_F(PromoBarTest, RandomPointerWalksMatchTheHoverModel) {
    const QRect box(8, 8, 161, 18), button(176, 8, 101, 18);
    for (uint64_t seed = 1; seed <= 4; ++seed) {
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        test_support::Rng rng(seed);
        MoveTo(QPoint(2, 2));
        std::vector<uint32_t> model(5, kBlue);
        for (int step = 0; step < 400; ++step) {
            // Every other move lands on a link, so link-to-link moves are frequent.
            const int target = rng.Range(0, 4);
            const QPoint p =
                step % 2 ? LinkRect(target).topLeft() + QPoint(rng.Range(0, 48), rng.Range(0, 16))
                         : QPoint(rng.Range(0, 286), rng.Range(0, 49));
            int link = -1;
            for (int i = 0; i < 5; ++i) link = LinkRect(i).contains(p) ? i : link;
            if (link >= 0) {
                model[link] = kRed;
            } else if (!box.contains(p) && !button.contains(p)) {
                model.assign(5, kBlue);
            }
            MoveTo(p);
            for (int i = 0; i < 5; ++i) {
                ASSERT_EQ(bar.LinkForeColor(i), model[i])
                    << "link " << i << " step " << step << " at " << p.x() << "," << p.y();
                ASSERT_EQ(Link(i)->palette().color(QPalette::WindowText),
                          model[i] == kRed ? QColor(255, 0, 0) : QColor(0, 0, 192));
            }
        }
    }
}

// At the panel's size (281 x 49) the links reach the bottom edge and link 4 the right edge, so
// leaving them that way never crosses the background.
TEST_F(PromoBarTest, AtThePanelSizeLinksTouchTheBottomAndLink4TheRightEdge) {
    bar.resize(281, 49);
    for (int i = 0; i < PromoBar::kLinkCount; ++i) {
        EXPECT_EQ(Link(i)->geometry(), LinkRect(i));
        for (int x = LinkRect(i).left(); x <= LinkRect(i).right(); ++x) {
            ASSERT_EQ(bar.childAt(x, 48), Link(i)) << "x " << x;
        }
    }
    EXPECT_EQ(bar.childAt(280, 40), Link(4));
    bar.resize(287, 50);
    EXPECT_EQ(bar.childAt(50, 49), nullptr);
}

}  // namespace
