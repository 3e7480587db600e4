// The link bar on a real X server: its look on screen, hover through real pointer motion and a
// click that starts the (recording) opener. Runs its own Xvfb; skipped when Xvfb is missing.
#include <gtest/gtest.h>

#include <QDir>
#include <QTest>
#include <functional>

#include "RecordingOpenerScript.h"
#include "promobar/PromoAddresses.h"
#include "support/Xvfb.h"

namespace {

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
    if (!test_support::Xvfb::Installed()) GTEST_SKIP() << "Xvfb is not installed";
    test_support::Xvfb server(QSize(640, 480));
    ASSERT_TRUE(server.ok()) << "Xvfb reported no display";
    RecordingOpenerScript opener;
    ASSERT_TRUE(opener.IsValid());

    QProcessEnvironment env = server.ClientEnvironment();
    env.insert(QStringLiteral("PATH"),
               opener.Directory() + ":" + env.value(QStringLiteral("PATH")));
    test_support::OwnedProcess host;
    ASSERT_TRUE(server.Start(host, QStringLiteral(PROMOBAR_HOST_PROGRAM), env));
    const QList<QByteArray> ready = host.ReadLine(20000).split(' ');
    ASSERT_EQ(ready.size(), 3) << "the host window never came up";
    const QPoint bar(ready[1].toInt(), ready[2].toInt());

    auto moveTo = [&](QPoint p) {
        server.Run("xdotool", {"mousemove", QString::number(p.x()), QString::number(p.y())});
    };
    // Clicks sent in one go, so the server stamps them close together.
    auto click = [&](int count) {
        server.Run("xdotool", {"click", "--repeat", QString::number(count), "--delay", "0", "1"});
    };
    auto linkRect = [&](int i) { return QRect(bar + QPoint(8 + 56 * i, 32), QSize(49, 17)); };
    const QRect button(bar + QPoint(176, 8), QSize(101, 18));
    QImage shot;

    // Hover link 2: only it turns red.
    moveTo(linkRect(2).center());
    EXPECT_TRUE(WaitFor(
        [&] {
            shot = server.Grab();
            return CountColour(shot, linkRect(2), kRed) > 20;
        },
        5000));
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(CountColour(shot, linkRect(i), i == 2 ? kBlue : kRed), 0) << "link " << i;
        if (i != 2) {
            EXPECT_GT(CountColour(shot, linkRect(i), kBlue), 20) << "link " << i;
        }
    }
    shot.save(QStringLiteral("promobar_xvfb_hover.png"));

    // Over the background every link is blue again.
    moveTo(bar + QPoint(3, 28));
    EXPECT_TRUE(WaitFor(
        [&] {
            shot = server.Grab();
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
    moveTo(linkRect(3).center());
    QTest::qWait(100);
    click(1);
    auto calls = opener.WaitForCalls(1, 10000);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0], QList<QByteArray>{PromoAddresses::kLinks[3]});

    // A double-click on the search button searches once: two pages, no more.
    moveTo(button.center());
    QTest::qWait(600);
    click(2);
    calls = opener.WaitForCalls(3, 10000);
    QTest::qWait(1000);
    EXPECT_EQ(opener.WaitForCalls(3, 0).size(), 3u);
}

}  // namespace
