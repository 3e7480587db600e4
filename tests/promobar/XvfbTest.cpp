// The link bar on a real X server: its look on screen, hover through real pointer motion and a
// click that starts the (recording) opener. Runs its own Xvfb; skipped when Xvfb is missing.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTest>
#include <functional>

#include "RecordingOpenerScript.h"
#include "XDisplayDriver.h"
#include "promobar/PromoAddresses.h"

namespace {

// Kills a started process and waits for it, whatever the test's outcome.
class OwnedProcess {
  public:
    ~OwnedProcess() {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(5000);
        }
    }
    // The next whole line of output, or an empty string after `timeoutMs`.
    QByteArray ReadLine(int timeoutMs) {
        QElapsedTimer timer;
        timer.start();
        while (!process.canReadLine() && timer.elapsed() < timeoutMs &&
               process.state() != QProcess::NotRunning) {
            process.waitForReadyRead(100);
        }
        return process.canReadLine() ? process.readLine().trimmed() : QByteArray();
    }
    QProcess process;
};

bool WaitFor(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs) return false;
        QTest::qWait(50);
    }
    return true;
}

int CountColour(const QImage& image, QRect area, QRgb colour) {
    int count = 0;
    area = area.intersected(image.rect());
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if ((image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF)) ++count;
        }
    }
    return count;
}

const QRgb kBlue = qRgb(0, 0, 192);
const QRgb kRed = qRgb(255, 0, 0);

TEST(PromoBarOnX, LooksRightHoversAndOpensTheClickedLink) {
    if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty()) {
        GTEST_SKIP() << "Xvfb is not installed";
    }
    OwnedProcess xvfb;
    xvfb.process.setProcessChannelMode(QProcess::SeparateChannels);
    xvfb.process.start(QStringLiteral("Xvfb"), {"-displayfd", "1", "-screen", "0", "640x480x24",
                                                "-nolisten", "tcp", "-noreset"});
    ASSERT_TRUE(xvfb.process.waitForStarted(5000));
    const QByteArray number = xvfb.ReadLine(15000);
    ASSERT_FALSE(number.isEmpty()) << "Xvfb reported no display";
    const QString display = QStringLiteral(":") + QString::fromLatin1(number);

    RecordingOpenerScript opener;
    ASSERT_TRUE(opener.IsValid());

    OwnedProcess host;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("PATH"),
               opener.Directory() + QStringLiteral(":") + env.value(QStringLiteral("PATH")));
    host.process.setProcessEnvironment(env);
    host.process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    host.process.start(QStringLiteral(PROMOBAR_HOST_PROGRAM), QStringList());
    ASSERT_TRUE(host.process.waitForStarted(5000));
    const QList<QByteArray> ready = host.ReadLine(20000).split(' ');
    ASSERT_EQ(ready.size(), 3) << "the host window never came up";
    const QPoint bar(ready[1].toInt(), ready[2].toInt());

    XDisplayDriver x(display);
    ASSERT_TRUE(x.IsOpen());
    auto linkRect = [&](int i) { return QRect(bar + QPoint(8 + 56 * i, 32), QSize(49, 17)); };
    const QRect button(bar + QPoint(176, 8), QSize(101, 18));
    QImage shot;

    // Hover link 2: only it turns red.
    x.MoveTo(linkRect(2).center().x(), linkRect(2).center().y());
    EXPECT_TRUE(WaitFor(
        [&] {
            shot = x.Grab();
            return CountColour(shot, linkRect(2), kRed) > 20;
        },
        5000));
    EXPECT_EQ(CountColour(shot, linkRect(2), kBlue), 0);
    for (int i : {0, 1, 3, 4}) {
        EXPECT_GT(CountColour(shot, linkRect(i), kBlue), 20) << "link " << i;
        EXPECT_EQ(CountColour(shot, linkRect(i), kRed), 0) << "link " << i;
    }
    shot.save(QStringLiteral("promobar_xvfb_hover.png"));

    // Over the background every link is blue again.
    x.MoveTo(bar.x() + 3, bar.y() + 28);
    EXPECT_TRUE(WaitFor(
        [&] {
            shot = x.Grab();
            return CountColour(shot, linkRect(2), kRed) == 0;
        },
        5000));
    for (int i = 0; i < 5; ++i) EXPECT_GT(CountColour(shot, linkRect(i), kBlue), 20) << i;
    // The search button: its light blue fills most of its rectangle, with black text on it.
    EXPECT_GT(CountColour(shot, button, qRgb(192, 192, 255)), 101 * 18 / 2);
    EXPECT_GT(CountColour(shot, button, qRgb(0, 0, 0)), 20);
    shot.save(QStringLiteral("promobar_xvfb.png"));
    std::printf("screenshots: %s/promobar_xvfb.png, promobar_xvfb_hover.png\n",
                qPrintable(QDir::currentPath()));

    // A click on link 3 starts the opener with its address.
    x.MoveTo(linkRect(3).center().x(), linkRect(3).center().y());
    QTest::qWait(100);
    x.Press(1);
    x.Release(1);
    auto calls = opener.WaitForCalls(1, 10000);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0], QList<QByteArray>{PromoAddresses::kLinks[3]});

    // A double-click on the search button searches once: two pages, no more.
    x.MoveTo(button.center().x(), button.center().y());
    QTest::qWait(600);
    x.DoubleClick(1);
    calls = opener.WaitForCalls(3, 10000);
    QTest::qWait(1000);
    calls = opener.WaitForCalls(3, 0);
    EXPECT_EQ(calls.size(), 3u);
}

}  // namespace
