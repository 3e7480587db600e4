// The real program on Qt's wayland platform in the private headless sway session that
// scripts/wayland-session.sh starts around this test: seeded patterns as the outputs'
// backgrounds, Start leaves the screen unchanged, every lens frame matches the lens model with
// sway's cursor captured, a click and a move close the lens, Exit ends with status 0. At scale 1
// and 2, over two outputs, at mixed scales, through the compositor's copy and through the
// portal, and without a portal service (a message, no lens).
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <optional>

#include "lens/mLens.h"
#include "tests/support/LensModel.h"
#include "tests/support/PrivateBus.h"
#include "tests/wayland/SwaySession.h"
#include "tests/wayland/VirtualPointer.h"

namespace {

using namespace sway_session;

struct Output {
    int width, height, scale, x;  // logical size and position
};
struct Case {
    const char* name;
    std::vector<Output> outputs;
    std::vector<QPoint> points;  // lens centres in desktop device pixels; none: no portal
};

TEST(WaylandLens, PanelLensModelCloseAndExitAtEachScaleAndLayout) {
    const Output one{1280, 720, 1, 0};
    const std::vector<Case> cases = {
        {"scale1", {one}, {{640, 360}, {0, 300}, {1279, 400}, {700, 0}, {0, 719}, {1279, 719}}},
        {"scale2", {{1280, 720, 2, 0}}, {{1281, 721}, {0, 0}, {2559, 1001}, {77, 1439}}},
        {"portal", {one}, {{640, 360}, {1279, 0}}},
        {"no-portal", {one}, {}},
        {"two-outputs", {one, {1024, 768, 1, 1280}}, {{1280, 360}}},
        {"mixed-scale", {one, {1024, 768, 2, 1280}}, {{3584, 768}, {2710, 1385}}},
    };
    QTemporaryDir dir;
    size_t made = 1;  // outputs sway has
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // The outputs and their seeded patterns; the desktop is the layout at its highest scale.
        int k = 1;
        QRect desktop;
        for (const Output& o : c.outputs) k = std::max(k, o.scale);
        for (const Output& o : c.outputs) desktop |= QRect(o.x * k, 0, o.width * k, o.height * k);
        Picture layout(desktop.width(), desktop.height());
        for (size_t i = 0; i < std::max(made, c.outputs.size()); ++i) {
            if (i >= c.outputs.size()) {
                Sway(QString("output HEADLESS-%1 disable").arg(i + 1));
                continue;
            }
            const Output& o = c.outputs[i];
            for (; made <= i; ++made) Sway("create_output");
            const Picture pattern =
                Picture::Noise(o.width * o.scale, o.height * o.scale, 20121206 + i);
            const QString file = dir.filePath(QString("%1-%2.png").arg(c.name).arg(i));
            ToImage(pattern).save(file);
            Sway(QString::asprintf(
                     "output HEADLESS-%zu resolution %dx%d scale %d position %d 0 enable", i + 1,
                     pattern.width, pattern.height, o.scale, o.x) +
                 " bg " + file + " center");
            const int n = k / o.scale;  // a lower scale shows by whole pixels
            for (int y = 0; y < pattern.height * n; ++y)
                for (int x = 0; x < pattern.width * n; ++x)
                    layout.At(o.x * k + x, y) = pattern.At(x / n, y / n);
        }
        VirtualPointer pointer;  // after the outputs change: sway maps a pointer when it comes
        ASSERT_TRUE(pointer.ok()) << "no virtual pointer: run inside scripts/wayland-session.sh";
        const auto move = [&](QPointF at) {
            pointer.MoveTo(at.x(), at.y(), desktop.width() / k, desktop.height() / k);
        };
        const auto click = [&](QPointF at) {
            move(at);
            pointer.Left(true);
            pointer.Left(false);
        };
        const auto save = [&](const Picture& p, const QString& what) {
            ToImage(p).save(QString(WAYLAND_OUT_DIR "/%1-%2.png").arg(what, c.name));
        };
        move({0, 0});  // the cursor rests in the corner
        Picture before;
        ASSERT_TRUE(WaitFor([&] { return Changed(before = Shot(), layout) <= 48 * 48; }) ||
                    (save(before, "failed-pattern"), false))  // the cursor differs
            << "the patterns do not show";

        // The program, without a portal service on its bus for the failure path.
        std::optional<test_support::PrivateBus> bus;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("QT_QPA_PLATFORM");  // the program chooses wayland itself
        if (c.points.empty()) env.insert("DBUS_SESSION_BUS_ADDRESS", bus.emplace().address());
        if (c.points.empty() || c.name == std::string("portal"))
            env.insert("LUCIVANE_SCREEN_COPY", "portal");  // else the compositor's copy
        QProcess program;
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        program.start(LUCIVANE_EXE, {});
        ASSERT_TRUE(WaitFor([&] { return Windows(false).size() == 1; })) << "no panel";
        const QPoint start = Windows(false)[0].topLeft() + QPoint(254, 36),
                     exit = start + QPoint(0, 56);
        move(start);
        ASSERT_TRUE(WaitFor([&] {  // the panel shows, still
            Picture now = Shot();
            const bool still = now == before && Changed(now, layout) > 48 * 48;
            before = std::move(now);
            return still;
        })) << "the panel does not show";
        click(start);

        if (c.points.empty()) {
            // A message box over the panel, no lens; closing it leaves the panel usable.
            ASSERT_TRUE(WaitFor([&] { return Windows(false, "").size() == 2; })) << "no message";
            save(Shot(), "no-portal");
            EXPECT_TRUE(Windows(true).empty());
            Sway("kill");  // the focused window: the message box
            ASSERT_TRUE(WaitFor([&] { return Windows(false, "").size() == 1; }))
                << "the message stays";
        } else {
            ASSERT_TRUE(WaitFor([&] { return Windows(true).size() == c.outputs.size(); }))
                << "no lens window on every output";
            Picture copy;
            WaitFor([&] { return (copy = Shot()) == before; }, 3000);
            EXPECT_EQ(Changed(copy, before), 0) << "Start changed the screen";
            if (copy != before) save(copy, "failed-start"), save(before, "before-start");

            mLens::BuildLookUpTable(150, 75, -1);
            mLens::SetColorMask(0xFFFFFF);
            LensModel model(300);
            for (const QPoint at : c.points) {
                SCOPED_TRACE(testing::Message() << "lens at " << at.x() << "," << at.y());
                move((QPointF(at) + QPointF(0.5, 0.5)) / k);
                const int X = at.x() - 150, Y = at.y() - 150;
                const Picture lens = model.Frame(copy, X, Y);
                Picture expected = copy, shot;
                for (int b = 0; b < lens.height; ++b)
                    for (int a = 0; a < lens.width; ++a)
                        if (expected.Contains(X + a, Y + b))
                            expected.At(X + a, Y + b) = lens.At(a, b);
                const bool same = WaitFor([&] { return (shot = Shot()) == expected; }, 5000);
                save(shot, same ? "lens" : "failed-lens");
                if (!same) save(expected, "expected-lens");
                ASSERT_TRUE(same) << Changed(shot, expected) << " pixels differ from the model";
            }
            // A click, then a move: the lens closes.
            const QPointF last = (QPointF(c.points.back()) + QPointF(0.5, 0.5)) / k;
            click(last);
            move(last + QPointF(last.x() > 10 ? -3 : 3, 2));
            ASSERT_TRUE(WaitFor([&] { return Windows(true).empty(); })) << "the lens stays open";
        }
        click(exit);
        ASSERT_TRUE(program.waitForFinished(10000)) << "Exit did not end the program";
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 0);
    }
}

}  // namespace
