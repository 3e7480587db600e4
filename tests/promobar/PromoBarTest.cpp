// The link bar as a user meets it, the shell's open action behind it, and the bar on a real X
// server (skipped when Xvfb is missing).
#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QUrlQuery>
#include <functional>

#include "platform/Interaction.h"
#include "platform/ShellExecute.h"
#include "promobar/LinkCursor.h"
#include "promobar/PromoAddresses.h"
#include "promobar/PromoBar.h"
#include "support/Rng.h"
#include "support/Xvfb.h"

namespace {

using namespace PromoAddresses;

// Records each call as its address; a call of another program or with another argument count
// shows as "<bad call>".
struct OpenerRecorder {
    OpenerRecorder()
        : previous(
              platform::SetShellOpener([this](const QString& program, const QStringList& args) {
                  calls << (program == "xdg-open" && args.size() == 1 ? args[0] : "<bad call>");
                  if (onCall) onCall(calls.size());
                  return succeed ? platform::OpenerStart::Started : platform::OpenerStart::NotFound;
              })) {}
    ~OpenerRecorder() { platform::SetShellOpener(previous); }
    QStringList Take() { return std::exchange(calls, {}); }

    QStringList calls;
    bool succeed = true;
    std::function<void(qsizetype)> onCall;
    platform::ShellOpener previous;
};

// Each start stores its arguments, each ended by a NUL, in a file of its own that gets its final
// name only once complete. The arguments are only ever expanded inside double quotes.
struct RecordingOpenerScript {
    RecordingOpenerScript() {
        qputenv("PATH", (dir.path() + ":").toLocal8Bit() + savedPath);
        QFile script(dir.filePath("xdg-open"));
        if (!script.open(QIODevice::WriteOnly)) return;
        script.write(
            "#!/bin/sh\ncall=$(mktemp \"$(dirname \"$0\")/partial.XXXXXX\") || exit 1\n"
            "for arg in \"$@\"; do printf '%s\\0' \"$arg\"; done > \"$call\"\n"
            "mv \"$call\" \"$call.call\"\n");
        script.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    }
    ~RecordingOpenerScript() { qputenv("PATH", savedPath); }

    // The finished calls' argument bytes, after up to `timeoutMs` waiting for `count` of them.
    QByteArrayList WaitForCalls(int count, int timeoutMs) const {
        const auto done = [&] { return QDir(dir.path()).entryList({"*.call"}, QDir::Files); };
        for (QDeadlineTimer t(timeoutMs); done().size() < count && !t.hasExpired();)
            QTest::qWait(20);
        QByteArrayList calls;
        for (const QString& name : done()) {
            QFile file(dir.filePath(name));
            calls << (file.open(QIODevice::ReadOnly) ? file.readAll() : "<unreadable>");
        }
        return calls;
    }

    QTemporaryDir dir;
    QByteArray savedPath = qgetenv("PATH");
};

// What the script stores for a call with the single argument `address`.
inline QByteArray OneArgument(const QString& address) { return address.toLocal8Bit() + '\0'; }

constexpr uint32_t kBlue = 0x00C00000, kRed = 0x000000FF;

QStringList Searched(const QString& text) {
    const QString term = QUrl::toPercentEncoding(text);
    return {kGuideSearchPrefix + term + kGuideSearchSuffix,
            kMarketSearchPrefix + term + kMarketSearchSuffix};
}

QRect LinkRect(int i) { return QRect(8 + 56 * i, 32, 49, 17); }

// Pointer input goes through the window, so it is routed, tracked and turned into double-clicks
// the way the window system's input is.
class PromoBarTest : public ::testing::Test {
  protected:
    PromoBarTest() {
        Interaction::MsgBoxHook = [this](const QString& text, int style, const QString& title) {
            messages << QStringLiteral("%1 %2 %3").arg(title).arg(style).arg(text);
            return Interaction::vbOK;
        };
        bar.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&bar));
    }
    ~PromoBarTest() override { Interaction::MsgBoxHook = nullptr; }
    QLineEdit* Text1() { return bar.findChild<QLineEdit*>("Text1"); }
    QLabel* Link(int i) { return bar.findChild<QLabel*>(QStringLiteral("Label1_%1").arg(i)); }
    QWindow* Window() { return bar.windowHandle(); }

    OpenerRecorder recorder;
    PromoBar bar;
    QStringList messages;
    const QPoint button{226, 17};  // the search button's centre
};

TEST_F(PromoBarTest, LayoutLookCursorsAndTabOrder) {
    EXPECT_EQ(bar.size(), QSize(287, 50));
    const QMetaObject* meta = bar.metaObject();
    EXPECT_STREQ(meta->classInfo(meta->indexOfClassInfo("RegisteredName")).value(),
                 "Lucivane.PromoBar");
    EXPECT_EQ(bar.backgroundRole(), QPalette::Button);
    EXPECT_FALSE(bar.testAttribute(Qt::WA_SetCursor));
    auto* label2 = bar.findChild<QLabel*>("Label2");
    EXPECT_EQ(label2->palette().color(QPalette::Window), QColor(192, 192, 255));
    EXPECT_TRUE(label2->autoFillBackground());
    std::vector<std::string> chain;  // the children in focus-chain order, from the box on
    QWidget* w = Text1();
    for (int guard = 0; guard < 100 && chain.size() < 7; ++guard, w = w->nextInFocusChain()) {
        if (w->parentWidget() != &bar) continue;
        QString s;
        QDebug d = QDebug(&s).noquote();
        d << w->objectName() << w->geometry() << w->focusPolicy() << w->cursor().shape()
          << w->property("text").toString();
        if (auto* l = qobject_cast<QLabel*>(w)) {
            d << l->cursor().hotSpot() << l->cursor().bitmap().size()
              << l->palette().color(QPalette::WindowText).name() << l->font().pointSizeF()
              << l->font().weight() << l->font().underline();
        }
        chain.push_back(s.trimmed().toStdString());
    }
    const std::string hand = " Qt::NoFocus Qt::BitmapCursor ",
                      link = " QPoint(6,0) QSize(32, 32) #0000c0 9 QFont::Normal true";
    EXPECT_EQ(chain,
              (std::vector<std::string>{
                  "Text1 QRect(8,8 161x18) Qt::StrongFocus Qt::IBeamCursor 减肥",
                  "Label2 QRect(176,8 101x18)" + hand +
                      "淘宝+更多搜索 QPoint(6,0) QSize(32, 32) #000000 10.5 QFont::Normal false",
                  "Label1_0 QRect(8,32 49x17)" + hand + "淘宝特卖" + link,
                  "Label1_1 QRect(64,32 49x17)" + hand + "商城导航" + link,
                  "Label1_2 QRect(120,32 49x17)" + hand + "淘宝排行" + link,
                  "Label1_3 QRect(176,32 49x17)" + hand + "皇冠店铺" + link,
                  "Label1_4 QRect(232,32 49x17)" + hand + "实惠抢购" + link}));
    for (int i = -1; i <= 5; ++i) EXPECT_EQ(bar.LinkForeColor(i), i < 0 || i > 4 ? 0 : kBlue);
    // The fingertip is drawn (opaque and black), a far corner is not.
    const QCursor cursor = LinkCursor::Make();
    for (const QImage& image : {cursor.mask().toImage(), cursor.bitmap().toImage()})
        EXPECT_NE(image.pixel(6, 0), image.pixel(31, 31));
}

// Each link opens exactly its address: https, on its site (m marketplace, g shopping guide,
// d shop directory), with the fixed path and query keys ("key=": empty value). The two search
// addresses around an empty text follow.
TEST_F(PromoBarTest, EachLinkOpensExactlyItsAddress) {
    const char* rows[] = {
        "m * pid eventid",
        "g /navigate.html e=",
        "m /redirect.php cat from pid unid= mode refpos= stat_ref show goodsFilter from pid",
        "d / pid eventid",
        "g /specials.html e= logo",
        "g /search-.html oid gsid",
        "m /search q= cat pid mode commend other_filter fs"};
    for (int i = 0; i < 5; ++i)
        QTest::mouseClick(Window(), Qt::LeftButton, {}, LinkRect(i).center());
    ASSERT_EQ(recorder.calls, QStringList(std::begin(kLinks), std::end(kLinks)));
    const QStringList addresses = recorder.Take() + Searched("");
    const QString guide = QUrl(Searched("")[0]).host();
    for (int i = 0; i < 7; ++i) {
        const QUrl url(addresses[i], QUrl::StrictMode);
        QStringList shape{url.host().endsWith(".taobao.com") ? "m"
                          : url.host() == guide              ? "g"
                                                             : "d",
                          i ? url.path() : "*"};
        for (const auto& [key, value] : QUrlQuery(url).queryItems())
            shape << (value.isEmpty() ? key + "=" : key);
        EXPECT_TRUE(url.isValid() && url.scheme() == "https") << addresses[i].toStdString();
        EXPECT_EQ(shape.join(' ').toStdString(), rows[i]);
    }
    EXPECT_EQ(QUrlQuery(QUrl(kLinks[4])).queryItemValue("logo"), "1");
    EXPECT_TRUE(Searched("")[1].contains("/search?q=&cat=0"));
}

// Enter in the box and a double-click in it open the two search pages; other keys and buttons
// start nothing.
TEST_F(PromoBarTest, ButtonEnterAndDoubleClickSearch) {
    Text1()->setText("tea");
    const Qt::KeyboardModifiers enters[] = {Qt::NoModifier, Qt::ShiftModifier, Qt::ControlModifier,
                                            Qt::AltModifier | Qt::ShiftModifier,
                                            Qt::KeypadModifier};
    for (Qt::KeyboardModifiers modifiers : enters) {
        QTest::keyClick(Text1(), modifiers & Qt::KeypadModifier ? Qt::Key_Enter : Qt::Key_Return,
                        modifiers);
        EXPECT_EQ(recorder.Take(), Searched("tea")) << modifiers;
    }
    Text1()->setCursorPosition(3);
    QTest::keyClicks(Text1(), " m");
    for (Qt::Key key : {Qt::Key_Backspace, Qt::Key_Escape, Qt::Key_M, Qt::Key_Tab})
        QTest::keyClick(Text1(), key, key == Qt::Key_M ? Qt::ControlModifier : Qt::NoModifier);
    EXPECT_TRUE(recorder.Take().isEmpty());
    EXPECT_EQ(Text1()->text(), QStringLiteral("tea "));

    Text1()->setText("green tea");
    QTest::mouseDClick(Window(), Qt::LeftButton, {}, QPoint(16, 17));
    EXPECT_EQ(recorder.Take(), Searched("green tea"));
    EXPECT_EQ(Text1()->selectedText(), QStringLiteral("green"));
    QTest::mouseDClick(Text1(), Qt::RightButton, {}, QPoint(8, 9));
    QTest::mouseRelease(Text1(), Qt::RightButton, {}, QPoint(8, 9));
    EXPECT_TRUE(recorder.Take().isEmpty());

    // Only a completed left click on a label counts.
    QTest::mouseDClick(Window(), Qt::LeftButton, {}, button);  // one click and a double-click
    EXPECT_EQ(recorder.Take(), Searched("green tea"));
    QTest::mouseDClick(Window(), Qt::LeftButton, {}, LinkRect(2).center());
    EXPECT_EQ(recorder.Take(), QStringList{kLinks[2]});
    QTest::mouseClick(Window(), Qt::RightButton, {}, LinkRect(1).center());
    QTest::mouseClick(Window(), Qt::MiddleButton, {}, button);
    QTest::mousePress(Window(), Qt::LeftButton, {}, LinkRect(1).center());  // released beside it
    QTest::mouseRelease(Window(), Qt::LeftButton, {}, LinkRect(1).center() + QPoint(40, 0));
    EXPECT_TRUE(recorder.calls.isEmpty());

    // The second page reads the text again and is tried after a failure.
    recorder.succeed = false;
    recorder.onCall = [this](qsizetype n) {
        if (n == 1) Text1()->setText("changed");
    };
    Text1()->setText("first");
    QTest::mouseClick(Window(), Qt::LeftButton, {}, button);
    EXPECT_EQ(recorder.calls, (QStringList{Searched("first")[0], Searched("changed")[1]}));
    EXPECT_EQ(messages, QStringList{"提示 48 无法打开网址：找不到 xdg-open。"});  // once a click
}

// Both addresses hold the text as one argument, encoded so that it decodes to exactly itself.
TEST_F(PromoBarTest, SearchTextIsPercentEncodedAndDecodesToItself) {
    const QRegularExpression encoded("^([A-Za-z0-9._~-]|%[0-9A-F]{2})*$");
    for (const QString& text : QStringList{"C++", "AT&T", "C#", "50%", "a/b", "减肥 茶", "", "  ",
                                           "a\tb\nc", "%41+?=;\"'\\"}) {
        Text1()->setText(text);
        QTest::mouseClick(Window(), Qt::LeftButton, {}, button);
        const QStringList calls = recorder.Take();
        ASSERT_TRUE(calls.size() == 2 && Text1()->text() == text) << text.toStdString();
        const std::pair<const char*, const char*> around[] = {
            {kGuideSearchPrefix, kGuideSearchSuffix}, {kMarketSearchPrefix, kMarketSearchSuffix}};
        for (int i = 0; i < 2; ++i) {
            const auto [prefix, suffix] = around[i];
            ASSERT_TRUE(calls[i].startsWith(prefix) && calls[i].endsWith(suffix)) << i;
            const QString term = calls[i].sliced(qstrlen(prefix)).chopped(qstrlen(suffix));
            EXPECT_TRUE(encoded.match(term).hasMatch()) << term.toStdString();
            EXPECT_EQ(QUrl::fromPercentEncoding(term.toLatin1()), text) << term.toStdString();
        }
    }
}

// Random walks against the hover model: a move over a link turns it red, over the background all
// blue, over the box or the button changes nothing.
TEST_F(PromoBarTest, RandomPointerWalksMatchTheHoverModel) {
    for (uint64_t seed = 1; seed <= 4; ++seed) {
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        test_support::Rng rng(seed);
        QTest::mouseMove(Window(), QPoint(2, 2));
        std::vector<uint32_t> model(5, kBlue);
        for (int step = 0; step < 400; ++step) {
            // Every other move lands on a link, so link-to-link moves are frequent.
            const QPoint p = step % 2 ? LinkRect(rng.Range(0, 4)).topLeft() +
                                            QPoint(rng.Range(0, 48), rng.Range(0, 16))
                                      : QPoint(rng.Range(1, 286), rng.Range(1, 49));
            for (int i = 0; i < 5; ++i) model[i] = LinkRect(i).contains(p) ? kRed : model[i];
            if (!bar.childAt(p)) model.assign(5, kBlue);  // the background
            QTest::mouseMove(Window(), p);
            for (int i = 0; i < 5; ++i) {
                ASSERT_EQ(bar.LinkForeColor(i), model[i]) << i << " step " << step;
                ASSERT_EQ(Link(i)->palette().color(QPalette::WindowText),
                          model[i] == kRed ? QColor(255, 0, 0) : QColor(0, 0, 192));
            }
        }
    }
    // At the panel's size (281 x 49) the links reach the bottom edge and link 4 the right edge,
    // so leaving them that way never crosses the background.
    bar.resize(281, 49);
    for (int x = 0; x < 281; ++x) ASSERT_EQ(bar.childAt(x, 48), bar.childAt(x, 32)) << "x " << x;
    EXPECT_EQ(bar.childAt(280, 40), Link(4));
    EXPECT_EQ(Link(4)->geometry(), LinkRect(4));
    bar.resize(287, 50);
    EXPECT_EQ(bar.childAt(50, 49), nullptr);
}

TEST(ShellExecuteA, PassesTheAddressAsTheOnlyArgumentAndReportsFailures) {
    OpenerRecorder recorder;
    const QByteArray narrow = QStringLiteral("https://h/search-减肥 & ;x.html").toLocal8Bit();
    EXPECT_GT(platform::ShellExecuteA(0, nullptr, narrow.constData(), nullptr, nullptr, 1), 32);
    EXPECT_EQ(recorder.Take(), QStringList{QString::fromLocal8Bit(narrow)});
    recorder.succeed = false;
    EXPECT_LE(platform::ShellExecuteA(0, "open", "https://h/", nullptr, nullptr, 1), 32);
    for (const char* file : {static_cast<const char*>(nullptr), ""})  // start nothing
        EXPECT_EQ(platform::ShellExecuteA(0, nullptr, file, nullptr, nullptr, 1),
                  platform::kShellErrorFileNotFound);
    EXPECT_EQ(recorder.calls.size(), 1);
}

// The real start, with no opener on PATH and then one that cannot start: a link click and a
// search click each say so once.
TEST_F(PromoBarTest, AnOpenerMissingOrUnableToStartIsReportedOncePerClick) {
    platform::SetShellOpener(nullptr);
    QTemporaryDir dir;
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", dir.path().toLocal8Bit());
    for (const char* reason : {"找不到 xdg-open", "xdg-open 无法启动"}) {
        QTest::mouseClick(Window(), Qt::LeftButton, {}, LinkRect(0).center());
        QTest::mouseClick(Window(), Qt::LeftButton, {}, button);
        EXPECT_EQ(std::exchange(messages, {}),
                  QStringList(2, QStringLiteral("提示 48 无法打开网址：%1。").arg(reason)));
        QFile script(dir.filePath("xdg-open"));  // its interpreter does not exist
        ASSERT_TRUE(script.open(QIODevice::WriteOnly) && script.write("#!/nonexistent/sh\n") > 0);
        script.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    }
    qputenv("PATH", path);
}

// The real opener start: text made to break a shell arrives as one argument and runs nothing.
TEST_F(PromoBarTest, SearchTextThatWouldBreakAShellReachesTheOpenerIntact) {
    RecordingOpenerScript opener;
    const QString canary = opener.dir.filePath("canary");
    const QString text = QStringLiteral(
                             "减肥\"'; touch %1-1; $(touch %1-2) `touch %1-3` | "
                             "touch %1-4 && echo > %1-5 # ")
                             .arg(canary);
    Text1()->setText(text);
    platform::SetShellOpener(nullptr);  // the real process start
    QTest::mouseClick(Window(), Qt::LeftButton, {}, button);
    // Detached openers may finish in either order.
    const QByteArrayList calls = opener.WaitForCalls(2, 10000);
    EXPECT_EQ(QSet<QByteArray>(calls.begin(), calls.end()),
              (QSet<QByteArray>{OneArgument(Searched(text)[0]), OneArgument(Searched(text)[1])}));
    QTest::qWait(200);
    for (int i = 1; i <= 5; ++i) EXPECT_FALSE(QFile::exists(canary + QString("-%1").arg(i))) << i;
}

// Its look on screen, hover through real pointer motion and a click that starts the opener.
TEST(PromoBarOnX, LooksRightHoversAndOpensTheClickedLink) {
    if (!test_support::Xvfb::Installed()) GTEST_SKIP() << "Xvfb is not installed";
    test_support::Xvfb server(QSize(640, 480));
    ASSERT_TRUE(server.ok()) << "Xvfb reported no display";
    RecordingOpenerScript opener;  // first on the PATH the host inherits
    test_support::OwnedProcess host;
    ASSERT_TRUE(server.Start(host, PROMOBAR_HOST_PROGRAM, server.ClientEnvironment()));
    const QList<QByteArray> ready = host.ReadLine(20000).split(' ');
    ASSERT_EQ(ready.size(), 3) << "the host window never came up";
    const QPoint bar(ready[1].toInt(), ready[2].toInt());
    const QRect button(bar + QPoint(176, 8), QSize(101, 18));
    const auto link = [&](int i) { return LinkRect(i).translated(bar); };
    const QRgb blue = qRgb(0, 0, 192), red = qRgb(255, 0, 0);
    QImage shot;
    const auto count = [&](QRect area, QRgb colour) {
        int n = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x) n += shot.pixel(x, y) == colour;
        return n;
    };
    // Moves the pointer, then grabs the screen until link `i` shows red (or no red at all).
    const auto hover = [&](QPoint p, int i, bool isRed) {
        server.Run("xdotool", {"mousemove", QString::number(p.x()), QString::number(p.y())});
        for (QDeadlineTimer t(5000); !t.hasExpired(); QTest::qWait(50)) {
            shot = server.Grab().convertToFormat(QImage::Format_RGB32);
            if (isRed ? count(link(i), red) > 20 : count(link(i), red) == 0) return;
        }
    };

    hover(link(3).center(), 3, true);  // only link 3 turns red, and a click opens its address
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(count(link(i), i == 3 ? blue : red), 0) << "link " << i;
        EXPECT_GT(count(link(i), i == 3 ? red : blue), 20) << "link " << i;
    }
    server.Run("xdotool", {"click", "1"});
    EXPECT_EQ(opener.WaitForCalls(1, 10000), QByteArrayList{OneArgument(kLinks[3])});
    hover(bar + QPoint(3, 28), 3, false);  // over the background every link is blue again
    for (int i = 0; i < 5; ++i) EXPECT_GT(count(link(i), blue), 20) << i;
    // The search button: light blue fills most of it, with black text on it.
    EXPECT_GT(count(button, qRgb(192, 192, 255)), 101 * 18 / 2);
    EXPECT_GT(count(button, qRgb(0, 0, 0)), 20);
    shot.save("promobar_xvfb.png");
}

}  // namespace
