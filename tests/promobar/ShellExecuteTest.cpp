// The shell's open action with the real process start: the opener gets the address as one
// argument, byte for byte, and no shell ever sees it.
#include <gtest/gtest.h>

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include "OpenerRecorder.h"
#include "RecordingOpenerScript.h"
#include "platform/ShellExecute.h"
#include "promobar/PromoAddresses.h"
#include "promobar/PromoBar.h"

namespace {

TEST(ShellExecuteA, PassesTheAddressAsTheOnlyArgumentAndReportsFailures) {
    OpenerRecorder recorder;
    const QByteArray narrow = QStringLiteral("https://h/search-减肥 & ;x.html").toLocal8Bit();
    EXPECT_GT(platform::ShellExecuteA(0, nullptr, narrow.constData(), nullptr, nullptr, 1), 32);
    ASSERT_EQ(recorder.calls.size(), 1u);
    EXPECT_EQ(recorder.calls[0].program, QStringLiteral("xdg-open"));
    ASSERT_EQ(recorder.calls[0].args.size(), 1);
    EXPECT_EQ(recorder.calls[0].args[0].toLocal8Bit(), narrow);

    recorder.succeed = false;
    EXPECT_LE(platform::ShellExecuteA(0, "open", "https://h/", nullptr, nullptr, 1), 32);
    // A null or empty file starts nothing.
    for (const char* file : {static_cast<const char*>(nullptr), ""}) {
        EXPECT_EQ(platform::ShellExecuteA(0, nullptr, file, nullptr, nullptr, 1),
                  platform::kShellErrorFileNotFound);
    }
    EXPECT_EQ(recorder.calls.size(), 2u);
}

TEST(ShellExecuteA, AMissingOpenerIsAQuietFailure) {
    QTemporaryDir empty;
    ASSERT_TRUE(empty.isValid());
    ScopedPath path(empty.path());
    EXPECT_EQ(platform::ShellExecuteA(0, nullptr, "https://example.com/", nullptr, nullptr, 1),
              platform::kShellErrorNoAssociation);
}

// The real opener start: text made to break a shell arrives as one argument and runs nothing.
TEST(ShellExecuteA, SearchTextThatWouldBreakAShellReachesTheOpenerIntact) {
    RecordingOpenerScript opener;
    ASSERT_TRUE(opener.IsValid());
    ScopedPath path(opener.Directory() + QStringLiteral(":/usr/bin:/bin"));

    const QString canary = opener.Directory() + QStringLiteral("/canary");
    const QString text = QStringLiteral(
                             "减肥\"'; touch %1-1; $(touch %1-2) `touch %1-3` | "
                             "touch %1-4 && echo > %1-5 # ")
                             .arg(canary);
    PromoBar bar;
    bar.findChild<QLineEdit*>(QStringLiteral("Text1"))->setText(text);
    QLabel* button = bar.findChild<QLabel*>(QStringLiteral("Label2"));
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, button->rect().center());

    const std::vector<QList<QByteArray>> calls = opener.WaitForCalls(2, 10000);
    ASSERT_EQ(calls.size(), 2u);
    // Detached openers may finish in either order.
    QSet<QByteArray> seen;
    for (const auto& argv : calls) {
        ASSERT_EQ(argv.size(), 1);
        seen.insert(argv[0]);
    }
    const QSet<QByteArray> expected{
        (PromoAddresses::kGuideSearchPrefix + text + PromoAddresses::kGuideSearchSuffix)
            .toLocal8Bit(),
        (PromoAddresses::kMarketSearchPrefix + text + PromoAddresses::kMarketSearchSuffix)
            .toLocal8Bit()};
    EXPECT_EQ(seen, expected);
    QTest::qWait(200);
    for (int i = 1; i <= 5; ++i) {
        EXPECT_FALSE(QFile::exists(canary + QStringLiteral("-%1").arg(i))) << i;
    }
}

}  // namespace
