// The link bar as a user meets it and the shell's open action behind it.
#include <gtest/gtest.h>

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include "platform/Interaction.h"
#include "platform/ShellExecute.h"
#include "promobar/PromoBar.h"
#include "support/Rng.h"

namespace {

// The addresses are fixed by the program's design: the sites, paths and (neutral) affiliate keys.
const QString kLinks[] = {
    "https://tejia.taobao.com/tejia.php?pid=mm_0_0_0&eventid=0",
    "https://www.smzdm.com/navigate.html?e=",
    "https://top.taobao.com/redirect.php?cat=0&from=lucivane&pid=mm_0_0_0&unid=&mode=1&refpos="
    "&stat_ref=1&show=1&goodsFilter=1&from=lucivane&pid=mm_0_0_0",
    "https://dianpu.tao123.com/?pid=mm_0_0_0&eventid=0",
    "https://www.smzdm.com/specials.html?e=&logo=1"};
// The two search pages, around the encoded text.
const std::pair<QString, QString> kSearches[] = {
    {"https://www.smzdm.com/search-", ".html?oid=0&gsid=0"},
    {"https://s.taobao.com/search?q=",
     "&cat=0&pid=mm_0_0_0&mode=63&commend=all&other_filter=%E5%85%A8%E9%83%A8&fs=1"}};

constexpr uint32_t kBlue = 0x00C00000, kRed = 0x000000FF;

QStringList Searched(const QString& text) {
    const QString term = QUrl::toPercentEncoding(text);
    return {kSearches[0].first + term + kSearches[0].second,
            kSearches[1].first + term + kSearches[1].second};
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
        // Each call is recorded as its address; a call of another program or with another
        // argument count shows as "<bad call>".
        previous =
            platform::SetShellOpener([this](const QString& program, const QStringList& args) {
                calls << (program == "xdg-open" && args.size() == 1 ? args[0] : "<bad call>");
                return succeed ? platform::OpenerStart::Started : platform::OpenerStart::NotFound;
            });
        bar.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&bar));
    }
    ~PromoBarTest() override {
        Interaction::MsgBoxHook = nullptr;
        platform::SetShellOpener(previous);
    }
    QStringList Take() { return std::exchange(calls, {}); }
    QLineEdit* Text1() { return bar.findChild<QLineEdit*>("Text1"); }
    QWindow* Window() { return bar.windowHandle(); }

    PromoBar bar;
    QStringList messages;
    QStringList calls;
    bool succeed = true;
    platform::ShellOpener previous;
    const QPoint button{226, 17};  // the search button's centre
};

// Only the box takes the focus; the labels show the hand (its hot spot on the drawn fingertip),
// the links are underlined and each, left to right, opens exactly its address.
TEST_F(PromoBarTest, ChildrenFocusCursorsAndLinks) {
    const QList<QWidget*> children = bar.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    EXPECT_EQ(children.size(), 7);
    for (QWidget* c : children) {
        SCOPED_TRACE(c->objectName().toStdString());
        EXPECT_EQ(c->focusPolicy() == Qt::NoFocus, c != Text1());
        if (c == Text1()) continue;
        const QCursor hand = c->cursor();
        ASSERT_EQ(hand.shape(), Qt::BitmapCursor);
        EXPECT_EQ(hand.mask().toImage().pixelIndex(hand.hotSpot()), 1);
        EXPECT_EQ(hand.bitmap().toImage().pixelIndex(hand.hotSpot()), 1);  // black
        EXPECT_EQ(c->font().underline(), c != bar.findChild<QLabel*>("Label2"));
    }
    for (int i = -1; i <= 5; ++i) EXPECT_EQ(bar.LinkForeColor(i), i < 0 || i > 4 ? 0 : kBlue);

    for (int i = 0; i < 5; ++i)
        QTest::mouseClick(Window(), Qt::LeftButton, {}, LinkRect(i).center());
    EXPECT_EQ(calls, QStringList(std::begin(kLinks), std::end(kLinks)));
}

// A double-click in the box opens the two search pages; other keys and buttons start nothing.
TEST_F(PromoBarTest, DoubleClickSearchesAndOnlyACompletedLeftClickCounts) {
    Text1()->setText("green tea");
    QTest::mouseDClick(Window(), Qt::LeftButton, {}, QPoint(16, 17));
    EXPECT_EQ(Take(), Searched("green tea"));
    EXPECT_EQ(Text1()->selectedText(), QStringLiteral("green"));

    // Only a completed left click on a label counts.
    QTest::mouseDClick(Window(), Qt::LeftButton, {}, button);  // one click and a double-click
    EXPECT_EQ(Take(), Searched("green tea"));
    QTest::mouseDClick(Window(), Qt::LeftButton, {}, LinkRect(2).center());
    EXPECT_EQ(Take(), QStringList{kLinks[2]});
    Text1()->end(false);
    QTest::keyClicks(Text1(), " m");
    for (Qt::Key key : {Qt::Key_Backspace, Qt::Key_Escape, Qt::Key_M, Qt::Key_Tab})
        QTest::keyClick(Text1(), key, key == Qt::Key_M ? Qt::ControlModifier : Qt::NoModifier);
    EXPECT_EQ(Text1()->text(), QStringLiteral("green tea "));
    QTest::mouseDClick(Text1(), Qt::RightButton, {}, QPoint(8, 9));
    QTest::mouseRelease(Text1(), Qt::RightButton, {}, QPoint(8, 9));
    QTest::mouseClick(Window(), Qt::RightButton, {}, LinkRect(1).center());
    QTest::mouseClick(Window(), Qt::MiddleButton, {}, button);
    QTest::mousePress(Window(), Qt::LeftButton, {}, LinkRect(1).center());  // released beside it
    QTest::mouseRelease(Window(), Qt::LeftButton, {}, LinkRect(1).center() + QPoint(40, 0));
    EXPECT_TRUE(calls.isEmpty());

    // The second page is tried after a failure.
    succeed = false;
    QTest::mouseClick(Window(), Qt::LeftButton, {}, button);
    EXPECT_EQ(calls, Searched("green tea "));
}

// Return with any modifiers, keypad Enter and the button, in turn, open both search pages, each
// with the text as one argument, encoded so that it decodes to exactly itself.
TEST_F(PromoBarTest, EnterAndTheButtonSearchTheTextPercentEncoded) {
    const QRegularExpression encoded("^([A-Za-z0-9._~-]|%[0-9A-F]{2})*$");
    const QStringList texts{"C++",     "AT&T", "C#", "50%",     "a/b",
                            "减肥 茶", "",     "  ", "a\tb\nc", "%41+?=;\"'\\"};
    const Qt::KeyboardModifiers modifiers[] = {
        {}, Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier, Qt::KeypadModifier};
    for (int i = 0; i < texts.size(); ++i) {
        const QString& text = texts[i];
        Text1()->setText(text);
        if (i % 4 == 3)
            QTest::mouseClick(Window(), Qt::LeftButton, {}, button);
        else
            QTest::keyClick(Text1(), i % 4 == 2 ? Qt::Key_Enter : Qt::Key_Return, modifiers[i % 4]);
        const QStringList opened = Take();
        ASSERT_TRUE(opened.size() == 2 && Text1()->text() == text) << text.toStdString();
        for (int page = 0; page < 2; ++page) {
            const auto& [prefix, suffix] = kSearches[page];
            ASSERT_TRUE(opened[page].startsWith(prefix) && opened[page].endsWith(suffix)) << page;
            const QString term = opened[page].sliced(prefix.size()).chopped(suffix.size());
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
                const auto* link = bar.findChild<QLabel*>(QStringLiteral("Label1_%1").arg(i));
                ASSERT_EQ(link->palette().color(QPalette::WindowText),
                          model[i] == kRed ? QColor(255, 0, 0) : QColor(0, 0, 192));
            }
        }
    }
}

// The real start: with no opener on PATH, then one that cannot start, a link click and a search
// click each say so once; then text made to break a shell reaches a working opener as one
// argument and runs nothing.
TEST_F(PromoBarTest, RealOpenerStartReportsFailuresAndGetsTheTextIntact) {
    platform::SetShellOpener(nullptr);
    QTemporaryDir dir;
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", dir.path().toLocal8Bit());
    const auto opener = [&](const QByteArray& script) {
        QFile file(dir.filePath("xdg-open"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(script) > 0);
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    };
    for (const char* reason : {"找不到 xdg-open", "xdg-open 无法启动"}) {
        QTest::mouseClick(Window(), Qt::LeftButton, {}, LinkRect(0).center());
        QTest::mouseClick(Window(), Qt::LeftButton, {}, button);
        EXPECT_EQ(std::exchange(messages, {}),
                  QStringList(2, QStringLiteral("提示 48 无法打开网址：%1。").arg(reason)));
        opener("#!/nonexistent/sh\n");  // its interpreter does not exist
    }

    // Each call stores its arguments, each ended by a NUL, in a file named once complete; the
    // arguments are only ever expanded inside double quotes.
    opener(
        "#!/bin/sh\ncall=$(mktemp \"$(dirname \"$0\")/partial.XXXXXX\") || exit 1\n"
        "printf '%s\\0' \"$@\" > \"$call\" && mv \"$call\" \"$call.call\"\n");
    qputenv("PATH", dir.path().toLocal8Bit() + ":" + path);
    const QString canary = dir.filePath("canary");
    const QString text = QStringLiteral(
                             "减肥\"'; touch %1-1; $(touch %1-2) `touch %1-3` | "
                             "touch %1-4 && echo > %1-5 # ")
                             .arg(canary);
    Text1()->setText(text);
    QTest::mouseClick(Window(), Qt::LeftButton, {}, button);
    QStringList done;  // detached openers may finish in either order
    (void)QTest::qWaitFor(
        [&] { return (done = QDir(dir.path()).entryList({"*.call"})).size() >= 2; }, 10000);
    QSet<QByteArray> recorded;
    for (const QString& name : done) {
        QFile file(dir.filePath(name));
        recorded << (file.open(QIODevice::ReadOnly) ? file.readAll() : "<unreadable>");
    }
    EXPECT_EQ(recorded, (QSet<QByteArray>{Searched(text)[0].toLocal8Bit() + '\0',
                                          Searched(text)[1].toLocal8Bit() + '\0'}));
    // The script wrote its record after anything the text could have run.
    for (int i = 1; i <= 5; ++i) EXPECT_FALSE(QFile::exists(canary + QString("-%1").arg(i))) << i;
    qputenv("PATH", path);
}

}  // namespace
