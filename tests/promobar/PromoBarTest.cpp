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

namespace {

constexpr uint32_t kBlue = 0x00C00000;
constexpr uint32_t kRed = 0x000000FF;

QString Guide(const QString& text) {
    return QStringLiteral("https://www.smzdm.com/search-") + text +
           QStringLiteral(".html?oid=0&gsid=0");
}
QString Market(const QString& text) {
    return QStringLiteral("https://s.taobao.com/search?q=") + text +
           QStringLiteral(
               "&cat=0&pid=mm_0_0_0&mode=63&commend=all&other_filter=%E5%85%A8%E9%83%A8&fs=1");
}

QStringList QueryKeys(const QString& address) {
    QStringList keys;
    for (const auto& item : QUrlQuery(QUrl(address)).queryItems()) keys << item.first;
    return keys;
}

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
        const QPointF local(p), global(w->mapToGlobal(p));
        const std::pair<QEvent::Type, Qt::MouseButtons> steps[] = {
            {QEvent::MouseButtonPress, Qt::LeftButton},
            {QEvent::MouseButtonRelease, {}},
            {QEvent::MouseButtonPress, Qt::LeftButton},
            {QEvent::MouseButtonDblClick, Qt::LeftButton},
            {QEvent::MouseButtonRelease, {}}};
        for (const auto& [type, buttons] : steps) {
            QMouseEvent event(type, local, global, Qt::LeftButton, buttons, Qt::NoModifier);
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

    std::vector<uint32_t> Colors() const {
        std::vector<uint32_t> out;
        for (int i = 0; i < PromoBar::kLinkCount; ++i) out.push_back(bar.LinkForeColor(i));
        return out;
    }

    OpenerRecorder recorder;
    PromoBar bar;
};

TEST_F(PromoBarTest, ChildrenSitWhereTheLayoutPutsThem) {
    EXPECT_EQ(bar.size(), QSize(287, 50));
    EXPECT_EQ(bar.sizeHint(), QSize(287, 50));
    EXPECT_EQ(
        QString::fromLatin1(bar.metaObject()
                                ->classInfo(bar.metaObject()->indexOfClassInfo("RegisteredName"))
                                .value()),
        QStringLiteral("Lucivane.PromoBar"));
    EXPECT_EQ(bar.backgroundRole(), QPalette::Button);
    EXPECT_TRUE(bar.autoFillBackground());

    ASSERT_NE(Text1(), nullptr);
    EXPECT_EQ(Text1()->geometry(), QRect(8, 8, 161, 18));
    EXPECT_EQ(Text1()->text(), QStringLiteral("减肥"));

    ASSERT_NE(Label2(), nullptr);
    EXPECT_EQ(Label2()->geometry(), QRect(176, 8, 101, 18));
    EXPECT_EQ(Label2()->text(), QStringLiteral("淘宝+更多搜索"));
    EXPECT_EQ(Label2()->palette().color(QPalette::Window), QColor(192, 192, 255));
    EXPECT_EQ(Label2()->palette().color(QPalette::WindowText), QColor(0, 0, 0));
    EXPECT_TRUE(Label2()->autoFillBackground());
    EXPECT_DOUBLE_EQ(Label2()->font().pointSizeF(), 10.5);
    EXPECT_EQ(Label2()->font().weight(), QFont::Normal);
    EXPECT_FALSE(Label2()->font().underline());

    const char* captions[] = {"淘宝特卖", "商城导航", "淘宝排行", "皇冠店铺", "实惠抢购"};
    for (int i = 0; i < PromoBar::kLinkCount; ++i) {
        SCOPED_TRACE(i);
        ASSERT_NE(Link(i), nullptr);
        EXPECT_EQ(Link(i)->geometry(), QRect(8 + 56 * i, 32, 49, 17));
        EXPECT_EQ(Link(i)->text(), QString::fromUtf8(captions[i]));
        EXPECT_EQ(Link(i)->palette().color(QPalette::WindowText), QColor(0, 0, 192));
        EXPECT_DOUBLE_EQ(Link(i)->font().pointSizeF(), 9.0);
        EXPECT_EQ(Link(i)->font().weight(), QFont::Normal);
        EXPECT_TRUE(Link(i)->font().underline());
        EXPECT_EQ(bar.LinkForeColor(i), kBlue);
    }
    EXPECT_EQ(bar.LinkForeColor(-1), 0u);
    EXPECT_EQ(bar.LinkForeColor(5), 0u);
}

// What is painted, not just what the palettes hold: the bar's button background role must not
// leak into the labels.
TEST_F(PromoBarTest, PaintsTheButtonAndLinkColours) {
    auto count = [](const QImage& image, QRect area, QColor colour) {
        int n = 0;
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int x = area.left(); x <= area.right(); ++x) n += image.pixelColor(x, y) == colour;
        }
        return n;
    };
    const QRect button(176, 8, 101, 18), link2(8 + 56 * 2, 32, 49, 17);
    QImage image = bar.grab().toImage();
    EXPECT_GT(count(image, button, QColor(192, 192, 255)), 101 * 18 / 2);
    EXPECT_GT(count(image, button, QColor(0, 0, 0)), 20);
    EXPECT_GT(count(image, link2, QColor(0, 0, 192)), 20);
    EXPECT_EQ(count(image, link2, QColor(255, 0, 0)), 0);

    MoveTo(link2.center());
    image = bar.grab().toImage();
    EXPECT_GT(count(image, link2, QColor(255, 0, 0)), 20);
    EXPECT_EQ(count(image, link2, QColor(0, 0, 192)), 0);
}

TEST_F(PromoBarTest, TabOrderIsBoxButtonLinksAndOnlyTheBoxTakesFocus) {
    std::vector<QWidget*> expected{Text1(), Label2()};
    for (int i = 0; i < PromoBar::kLinkCount; ++i) expected.push_back(Link(i));
    std::vector<QWidget*> chain;
    QWidget* w = Text1();
    for (int guard = 0; guard < 100 && chain.size() < expected.size(); ++guard) {
        if (w->parentWidget() == &bar) chain.push_back(w);
        w = w->nextInFocusChain();
    }
    EXPECT_EQ(chain, expected);
    for (QWidget* w : expected) {
        EXPECT_EQ(w->focusPolicy() != Qt::NoFocus, w == Text1()) << w->objectName().toStdString();
    }
}

TEST_F(PromoBarTest, LinkCursorIsA32PixelHandWithTheHotSpotOnTheFingertip) {
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

TEST_F(PromoBarTest, EachLinkOpensExactlyItsAddress) {
    for (int i = 0; i < PromoBar::kLinkCount; ++i) {
        recorder.calls.clear();
        Click(Link(i));
        ASSERT_EQ(recorder.calls.size(), 1u) << "link " << i;
        EXPECT_EQ(recorder.calls[0].program, QStringLiteral("xdg-open"));
        EXPECT_EQ(recorder.Addresses(),
                  QStringList{QString::fromLatin1(PromoAddresses::kLinks[i])});
    }
}

TEST_F(PromoBarTest, AddressesHaveTheFixedPathsAndQueryKeys) {
    const QUrl link0(PromoAddresses::kLinks[0]);
    EXPECT_TRUE(link0.host().endsWith(QStringLiteral("taobao.com")));
    EXPECT_EQ(QueryKeys(link0.toString()), (QStringList{"pid", "eventid"}));

    const QString link1 = PromoAddresses::kLinks[1];
    EXPECT_TRUE(link1.endsWith(QStringLiteral("/navigate.html?e="))) << link1.toStdString();

    const QUrl link2(PromoAddresses::kLinks[2]);
    EXPECT_TRUE(link2.host().endsWith(QStringLiteral("taobao.com")));
    EXPECT_EQ(link2.path(), QStringLiteral("/redirect.php"));
    EXPECT_EQ(QueryKeys(link2.toString()),
              (QStringList{"cat", "from", "pid", "unid", "mode", "refpos", "stat_ref", "show",
                           "goodsFilter", "from", "pid"}));
    const auto items = QUrlQuery(link2).queryItems();
    EXPECT_TRUE(items[3].second.isEmpty());
    EXPECT_TRUE(items[5].second.isEmpty());

    const QUrl link3(PromoAddresses::kLinks[3]);
    EXPECT_EQ(link3.path(), QStringLiteral("/"));
    EXPECT_EQ(QueryKeys(link3.toString()), (QStringList{"pid", "eventid"}));

    const QString link4 = PromoAddresses::kLinks[4];
    EXPECT_TRUE(link4.endsWith(QStringLiteral("/specials.html?e=&logo=1"))) << link4.toStdString();

    // Three sites: the guide serves links 1 and 4, the marketplace links 0 and 2, the directory
    // link 3 alone. Every address is complete.
    const QUrl link1Url(link1), link4Url(link4);
    EXPECT_EQ(link1Url.host(), link4Url.host());
    EXPECT_EQ(link1Url.host(), QUrl(PromoAddresses::kGuideSearchPrefix).host());
    EXPECT_TRUE(QUrl(PromoAddresses::kMarketSearchPrefix).host().endsWith("taobao.com"));
    EXPECT_NE(link3.host(), link1Url.host());
    EXPECT_FALSE(link3.host().endsWith(QStringLiteral("taobao.com")));
    for (const char* address : PromoAddresses::kLinks) {
        const QUrl url(address, QUrl::StrictMode);
        EXPECT_TRUE(url.isValid() && url.scheme() == "https" && !url.host().isEmpty()) << address;
    }
    EXPECT_EQ(QUrlQuery(QUrl(Market(""))).queryItems().size(), 7);
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

    recorder.onCall = nullptr;
    recorder.calls.clear();
    Click(Link(3));
    EXPECT_EQ(recorder.calls.size(), 1u);
}

TEST_F(PromoBarTest, HoverTurnsALinkRedAndOnlyTheBackgroundTurnsThemBack) {
    const std::vector<uint32_t> allBlue(5, kBlue);
    const QPoint link2(8 + 56 * 2 + 20, 40), link3(8 + 56 * 3 + 20, 40);
    const QPoint gap23(8 + 56 * 2 + 49 + 3, 40), background(3, 3);

    MoveTo(link2);
    EXPECT_EQ(Colors(), (std::vector<uint32_t>{kBlue, kBlue, kRed, kBlue, kBlue}));
    EXPECT_EQ(Link(2)->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    MoveTo(gap23);
    EXPECT_EQ(Colors(), allBlue);
    EXPECT_EQ(Link(2)->palette().color(QPalette::WindowText), QColor(0, 0, 192));

    // Straight from link 2 onto link 3: no move over the gap, both stay red.
    MoveTo(link2);
    MoveTo(link3);
    EXPECT_EQ(Colors(), (std::vector<uint32_t>{kBlue, kBlue, kRed, kRed, kBlue}));
    // The box and the search button do not restore.
    MoveTo(QPoint(50, 15));
    MoveTo(QPoint(200, 15));
    EXPECT_EQ(Colors(), (std::vector<uint32_t>{kBlue, kBlue, kRed, kRed, kBlue}));
    MoveTo(background);
    EXPECT_EQ(Colors(), allBlue);
}

TEST_F(PromoBarTest, AtThePanelSizeLinksTouchTheBottomAndLink4TheRightEdge) {
    bar.resize(281, 49);
    for (int i = 0; i < PromoBar::kLinkCount; ++i) {
        EXPECT_EQ(Link(i)->geometry(), QRect(8 + 56 * i, 32, 49, 17));
        // No strip of background below a link: leaving downwards never restores.
        for (int x = 8 + 56 * i; x < 8 + 56 * i + 49; ++x) {
            ASSERT_EQ(bar.childAt(x, 48), Link(i)) << "x " << x;
        }
    }
    EXPECT_EQ(bar.childAt(280, 40), Link(4));
    bar.resize(287, 50);
    EXPECT_EQ(bar.childAt(50, 49), nullptr);
}

// Random walks over the bar against a model built from the layout table alone.
TEST_F(PromoBarTest, RandomPointerWalksMatchTheHoverModel) {
    const QRect box(8, 8, 161, 18), button(176, 8, 101, 18);
    for (uint64_t seed : {1u, 2u, 3u, 4u}) {
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        uint64_t state = seed * 0x9E3779B97F4A7C15ull;
        auto next = [&state](int bound) {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            return static_cast<int>(state % static_cast<uint64_t>(bound));
        };
        MoveTo(QPoint(2, 2));
        std::vector<uint32_t> model(5, kBlue);
        for (int step = 0; step < 400; ++step) {
            const QPoint p(next(287), next(50));
            int link = -1;
            for (int i = 0; i < 5; ++i) {
                if (QRect(8 + 56 * i, 32, 49, 17).contains(p)) link = i;
            }
            if (link >= 0) {
                model[link] = kRed;
            } else if (!box.contains(p) && !button.contains(p)) {
                model.assign(5, kBlue);
            }
            MoveTo(p);
            ASSERT_EQ(Colors(), model) << "step " << step << " at " << p.x() << "," << p.y();
        }
    }
}

}  // namespace
