// The real program on Qt's wayland platform in the private headless sway session that
// scripts/wayland-session.sh starts around this test: seeded patterns as the outputs'
// backgrounds, Start leaves the screen unchanged, every lens frame matches the lens model
// (with the cursor shown by sway whenever the program does not blank it), a click and a move
// close the lens, Exit ends with status 0. At scale 1 and 2, over two outputs, and without a
// portal service (a message, no lens).
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRect>
#include <QTemporaryDir>
#include <QThread>
#include <functional>

#include "lens/mLens.h"
#include "tests/support/LensModel.h"
#include "tests/support/PrivateBus.h"
#include "tests/wayland/SwaySession.h"
#include "tests/wayland/VirtualPointer.h"

namespace {

using namespace sway_session;

struct Case {
    const char* name;
    int scale;
    bool twoOutputs;
    bool portal;
    std::vector<QPoint> points;  // lens centres in desktop device pixels
};

TEST(WaylandLens, PanelLensModelCloseAndExitAtEachScaleAndLayout) {
    const std::vector<Case> cases = {
        {"scale1",
         1,
         false,
         true,
         {{640, 360}, {0, 300}, {1279, 400}, {700, 0}, {0, 719}, {1279, 719}}},
        {"scale2", 2, false, true, {{1281, 721}, {0, 0}, {2559, 1001}, {77, 1439}}},
        {"no-portal", 1, false, false, {}},
        {"two-outputs", 1, true, true, {{1280, 360}}},
    };
    QTemporaryDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // The outputs and their seeded patterns, shown pixel for pixel.
        // The mode is in device pixels, the position in logical ones.
        Sway(QString("output HEADLESS-1 resolution %1x%2 scale %3 position 0 0")
                 .arg(1280 * c.scale)
                 .arg(720 * c.scale)
                 .arg(c.scale));
        std::vector<std::pair<QRect, Picture>> outputs = {
            {QRect(0, 0, 1280 * c.scale, 720 * c.scale), {}}};
        if (c.twoOutputs) {
            Sway("create_output");
            Sway("output HEADLESS-2 resolution 1024x768 scale 1 position 1280 0");
            outputs.push_back({QRect(1280, 0, 1024, 768), {}});
        }
        QRect desktop;
        for (auto& [rect, pattern] : outputs) desktop |= rect;
        Picture layout(desktop.width(), desktop.height());
        for (size_t i = 0; i < outputs.size(); ++i) {
            auto& [rect, pattern] = outputs[i];
            pattern = Picture::Noise(rect.width(), rect.height(), 20121206 + i);
            const QString file = dir.filePath(QString("pattern%1.png").arg(i));
            ASSERT_TRUE(ToImage(pattern).save(file));
            Sway(QString("output HEADLESS-%1 bg %2 center").arg(i + 1).arg(file));
            for (int y = 0; y < rect.height(); ++y)
                for (int x = 0; x < rect.width(); ++x)
                    layout.At(rect.x() + x, rect.y() + y) = pattern.At(x, y);
        }
        VirtualPointer pointer;  // after the outputs change: sway maps a pointer when it comes
        ASSERT_TRUE(pointer.ok()) << "no virtual pointer: run inside scripts/wayland-session.sh";
        // The cursor rests in the corner, outside the comparison.
        pointer.MoveTo(0, 0, desktop.width() / c.scale, desktop.height() / c.scale);
        const auto corner = [](Picture p) {
            for (int y = 0; y < 48; ++y)
                for (int x = 0; x < 48; ++x) p.At(x, y) = 0;
            return p;
        };
        if (!WaitFor([&] { return corner(Shot()) == corner(layout); })) {
            ToImage(Shot()).save(WAYLAND_OUT_DIR "/failed-pattern.png");
            FAIL() << "the patterns do not show";
        }

        // The program, without a portal service on its bus for the failure path.
        QProcess program;
        test_support::PrivateBus bus;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("QT_QPA_PLATFORM");  // the program chooses wayland itself
        if (!c.portal) {
            ASSERT_FALSE(bus.address().isEmpty());
            env.insert("DBUS_SESSION_BUS_ADDRESS", bus.address());
        }
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        program.start(LUCIVANE_EXE, {});
        QRect panel;
        ASSERT_TRUE(WaitFor([&] {
            for (const Node& w : Windows())
                if (w.name == "Lucivane" && !w.fullscreen) panel = w.rect;
            return !panel.isEmpty();
        })) << "no panel";
        const QPoint start = panel.topLeft() + QPoint(254, 36),
                     exit = panel.topLeft() + QPoint(254, 92);
        auto moveLogical = [&](QPointF at) {
            pointer.MoveTo(at.x(), at.y(), desktop.width() / c.scale, desktop.height() / c.scale);
        };
        auto click = [&](QPointF at) {
            moveLogical(at);
            pointer.Left(true);
            pointer.Left(false);
        };
        moveLogical(start);
        Picture before;
        WaitFor([&] {
            Picture now = Shot();
            const bool still = now == before;
            before = std::move(now);
            return still;
        });
        ASSERT_GT(Changed(before, layout), 0) << "the panel does not show";
        click(start);

        if (!c.portal) {
            // A message box over the panel, no lens; closing it leaves the panel usable.
            ASSERT_TRUE(WaitFor([&] { return Windows().size() >= 2; })) << "no message";
            QThread::msleep(300);
            ToImage(Shot()).save(WAYLAND_OUT_DIR "/no-portal.png");
            EXPECT_EQ(Fullscreen(), 0);
            Sway("kill");  // the focused window: the message box
            ASSERT_TRUE(WaitFor([&] { return Windows().size() == 1; })) << "the message stays";
        } else {
            ASSERT_TRUE(WaitFor([&] { return Fullscreen() == int(outputs.size()); }))
                << "no lens window on every output";
            Picture copy;
            WaitFor([&] { return (copy = Shot()) == before; }, 3000);
            EXPECT_EQ(Changed(copy, before), 0) << "Start changed the screen";

            mLens::BuildLookUpTable(150, 75, -1);
            mLens::SetColorMask(0xFFFFFF);
            LensModel model(300);
            for (size_t k = 0; k < c.points.size(); ++k) {
                const QPoint at = c.points[k];
                SCOPED_TRACE(testing::Message() << "lens at " << at.x() << "," << at.y());
                moveLogical((QPointF(at) + QPointF(0.5, 0.5)) / c.scale);
                const int X = at.x() - 150, Y = at.y() - 150;
                const Picture lens = model.Frame(copy, X, Y);
                Picture expected = copy, shot;
                for (int b = 0; b < lens.height; ++b)
                    for (int a = 0; a < lens.width; ++a)
                        if (expected.Contains(X + a, Y + b))
                            expected.At(X + a, Y + b) = lens.At(a, b);
                const bool same = WaitFor([&] { return (shot = Shot()) == expected; }, 5000);
                const std::string name = std::string(WAYLAND_OUT_DIR "/") +
                                         (same ? "" : "failed-") + "lens-" + c.name + ".png";
                if (k == 0 || !same) ToImage(shot).save(QString::fromStdString(name));
                if (!same) ToImage(expected).save(QString::fromStdString(name + ".expected.png"));
                ASSERT_TRUE(same) << Changed(shot, expected) << " pixels differ from the model";
            }
            // A click, then a move: the lens closes and the screen is as before.
            const QPointF last = (QPointF(c.points.back()) + QPointF(0.5, 0.5)) / c.scale;
            click(last);
            moveLogical(last + QPointF(last.x() > 10 ? -3 : 3, 2));
            ASSERT_TRUE(WaitFor([&] { return Fullscreen() == 0; })) << "the lens stays open";
            VirtualPointer pointer;  // after the outputs change: sway maps a pointer when it comes
            ASSERT_TRUE(pointer.ok())
                << "no virtual pointer: run inside scripts/wayland-session.sh";
        }
        click(exit);
        ASSERT_TRUE(program.waitForFinished(10000)) << "Exit did not end the program";
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 0);
    }
}

}  // namespace
