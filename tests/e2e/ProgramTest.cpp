// Starts the real program on a private X server, looks at its panel and closes it with Exit.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QSet>

#include "tests/e2e/XSession.h"

namespace {

TEST(ProgramEndToEnd, PanelShowsItsCaptionsAndExitEndsTheProgram) {
    Xvfb x(1280, 800);
    ASSERT_TRUE(x.ok()) << "Xvfb did not start";
    ChildProcess program(LUCIVANE_EXE, x.name());
    ASSERT_TRUE(program.started());

    const QRect panel = FindWindow(x.display(), "Lucivane", QSize(300, 232), 15000);
    ASSERT_FALSE(panel.isEmpty()) << "no 300 x 232 window named Lucivane";
    // Centred on the 1280 x 800 screen (there is no frame without a window manager).
    EXPECT_EQ(panel.topLeft(), QPoint((1280 - 300) / 2, (800 - 232) / 2));

    // Labels are drawn once the window has painted; wait for the captions.
    const QRect captions[] = {
        {17, 41, 68, 15},    // 颜色
        {17, 87, 46, 15},    // 半径
        {136, 87, 46, 15},   // 150
        {17, 125, 46, 15},   // 倍数
        {136, 125, 46, 15},  // 75
        {64, 16, 114, 16},   // 凸起 beside its box
        {224, 16, 60, 41},   // 开始(S)
        {224, 80, 60, 25},   // 退出(E)
        {224, 128, 60, 44},  // 桌面复原(R)
    };
    QImage shot;
    for (int attempt = 0; attempt < 50; ++attempt) {
        shot = Grab(x.display(), panel);
        bool all = !shot.isNull();
        for (const QRect& r : captions) all = all && DarkPixels(shot, r) >= 8;
        if (all) break;
        usleep(100 * 1000);
    }
    ASSERT_FALSE(shot.isNull());
    const QString png = QStringLiteral(E2E_OUT_DIR "/panel.png");
    EXPECT_TRUE(shot.save(png)) << png.toStdString();
    std::cout << "screenshot: " << png.toStdString() << std::endl;

    for (const QRect& r : captions) {
        SCOPED_TRACE(testing::Message() << r.x() << "," << r.y());
        EXPECT_GE(DarkPixels(shot, r), 8);
    }
    // Not blank: a face of many colours, and the empty strip between the labels stays light.
    QSet<QRgb> colours;
    for (int y = 0; y < shot.height(); ++y)
        for (int xx = 0; xx < shot.width(); ++xx) colours.insert(shot.pixel(xx, y));
    EXPECT_GT(colours.size(), 20);
    EXPECT_EQ(DarkPixels(shot, QRect(190, 60, 30, 40)), 0);

    // Exit: the program ends by itself with status 0.
    Click(x.display(), panel.topLeft() + QPoint(224 + 30, 80 + 12));
    const int status = program.Wait(10000);
    ASSERT_NE(status, -1) << "the program did not end after Exit";
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
