// The real program on Qt's wayland platform in the private headless sway session that
// scripts/wayland-session.sh starts around this test: seeded patterns as the outputs'
// backgrounds, Start leaves the screen unchanged, every lens frame matches the lens model with
// sway's cursor captured, also after the wheel (Shift: the radius) and the arrow keys, whose
// settings the next Start keeps; a click and a move close the lens, Exit ends with status 0. At
// scale 1 and 2, over two outputs, at mixed scales, through the compositor's copy and through the
// portal, and without a portal service (a message, no lens).
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <optional>

#include "tests/support/EndToEnd.h"
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
    std::vector<QPoint> points;          // lens centres in desktop device pixels; none: no portal
    std::vector<LensInput> inputs = {};  // then at the last point; then reopened
};

TEST(WaylandLens, PanelLensModelCloseAndExitAtEachScaleAndLayout) {
    const Output one{1280, 720, 1, 0}, two{1280, 720, 2, 0};
    const std::vector<Case> cases = {
        {"scale1", {one}, {{0, 300}, {640, 360}, {1279, 400}, {700, 0}, {0, 719}, {1279, 719}}},
        {"scale2", {two}, {{0, 0}, {1281, 721}, {2559, 1001}, {77, 1439}}},
        {"portal", {one}, {{1279, 0}, {640, 360}}},
        {"no-portal", {one}, {}},
        {"keys", {one}, {{1180, 640}}, kLensInputs},
        {"keys-scale2", {two}, {{2381, 1301}}, {{4, nullptr, true, 175, 75}}},
        // Last: sway 1.7 accepts "output HEADLESS-2 disable" but keeps a headless output on.
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
            PlaceEnlarged(layout, pattern, k / o.scale, {o.x * k, 0});  // a lower scale too
        }
        VirtualPointer pointer(true);  // after the outputs change: sway maps a pointer as it comes
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
        std::optional<PrivateBus> bus;
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
        const QRect panel(Windows(false)[0].topLeft() * k, Windows(false)[0].size() * k);
        const QPoint start = panel.topLeft() / k + QPoint(254, 36), exit = start + QPoint(0, 56);
        const auto still = [&] {  // the screen as the last time
            const Picture last = std::exchange(before, Shot());
            return last == before;
        };
        move(start);
        ASSERT_TRUE(WaitFor([&] { return still() && Changed(before, layout) > 48 * 48; }))
            << "the panel does not show";
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
            LensSettings lens;
            // Device pixel centres; moves before the lens is active are not seen: the first one
            // is made again, a pixel aside and back, until the lens shows.
            const auto moveTo = [&](QPoint at) {
                move((QPointF(at) + QPointF(0.5, 0.5)) / k);
                return at;
            };
            const auto press = [&](const LensInput& in) {
                if (in.shift) pointer.Key("Shift_L", true);
                if (in.key) pointer.Key(in.key, true), pointer.Key(in.key, false);
                if (in.button)  // a notch each for a press and a release of 4 or 5
                    Sway(QString("seat seat0 cursor press button%1").arg(in.button));
                if (in.shift) pointer.Key("Shift_L", false);
            };
            for (int again = 0; again <= !c.inputs.empty(); ++again) {  // the settings are kept
                if (again) {
                    move(start);
                    ASSERT_TRUE(WaitFor(still)) << "the panel does not settle";
                    click(start);
                }
                ASSERT_TRUE(WaitFor([&] { return Windows(true).size() == c.outputs.size(); }))
                    << "no lens window on every output";
                // Outside the panel the copy is the screen before Start. The panel itself (its
                // button, the cursor over it) is as Start caught it: read once the first lens,
                // which must leave the panel free, shows that the windows have drawn.
                const std::vector<QPoint> points =
                    again ? std::vector<QPoint>{c.points.back()} : c.points;
                const auto shot = [&](bool first) {
                    if (first) {
                        moveTo(points[0] + QPoint(1, 0));
                        moveTo(points[0]);
                    }
                    Picture seen = Shot();
                    for (int y = panel.top(); first && y <= panel.bottom(); ++y)
                        for (int x = panel.left(); x <= panel.right(); ++x)
                            if (seen.Contains(x, y) && before.Contains(x, y))
                                before.At(x, y) = seen.At(x, y);
                    return seen;
                };
                ExpectLensSteps(before, points, again ? std::vector<LensInput>{} : c.inputs, lens,
                                moveTo, press, shot, save);
                if (HasFatalFailure()) return;
                // A click, then a move: the lens closes.
                const QPointF last = (QPointF(c.points.back()) + QPointF(0.5, 0.5)) / k;
                click(last);
                move(last + QPointF(last.x() > 10 ? -3 : 3, 2));
                ASSERT_TRUE(WaitFor([&] { return Windows(true).empty(); })) << "the lens stays";
            }
        }
        click(exit);
        EXPECT_TRUE(program.waitForFinished(10000) &&
                    program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0)
            << "Exit did not end the program with status 0";
    }
}

}  // namespace
