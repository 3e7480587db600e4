// The real program on a private X server whose root window shows a seeded random pattern, one
// flow per desktop: Start on the panel, moves over the whole desktop compared pixel for pixel
// with the lens model, the wheel and keys on the spot, a way out (click and move, Escape,
// minimise) that gives the screen, pointer and cursor back; a page step on the radius bar, and a
// second opening shows the panel kept every change; Exit with status 0. Desktops: Xvfb at scale
// 1 and 2, openbox with a dock, two monitors on Xorg's dummy driver at equal and at mixed scale
// (Xorg needs root, as CI has).
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "tests/support/EndToEnd.h"
#include "tests/support/Xvfb.h"

// Last: Xlib defines None, Bool, Status and friends.
#include "tests/support/XProbe.h"

namespace {

using namespace test_support;

enum class Desk { Xvfb, Openbox, Xorg };
enum class Exit { ClickAndMove, Escape, Minimise };

struct Scenario {
    const char* name;
    Desk desk;
    const char* env;  // NAME=value for the program, or none
    int scale;        // of the panel's monitor
    bool convex;      // else the panel's check box is clicked first
    uint32_t mask;    // white, or red: the colour list turned one entry down
    Exit exit;
    std::vector<QPoint> points;     // after Start; the server keeps the pointer on screen
    std::vector<LensInput> inputs;  // then, at the last point
};

void PrintTo(const Scenario& s, std::ostream* os) { *os << s.name; }

void Save(const Picture& p, const std::string& name) {
    ToImage(p).save(QString::fromStdString(E2E_OUT_DIR "/" + name));
}

class LensEndToEnd : public ::testing::TestWithParam<Scenario> {
  protected:
    void TearDown() override {
        if (m_dpy) XCloseDisplay(m_dpy);
    }

    // The server showing the pattern (and the dock), then the program with its panel drawn.
    void Start(const Scenario& s) {
        m_scale = s.scale;
        m_monitors = {{0, 0, 1024, 768}};
        if (s.desk == Desk::Xorg) {
            if (geteuid() != 0) GTEST_SKIP() << "Xorg with the dummy driver needs root";
            m_monitors = {{0, 0, 1280, 1024}, {1280, 0, 1280, 1024}};
            m_x = Xvfb::XorgDummy(m_monitors, QStringLiteral(XORG_DUMMY_CONF));
        } else {
            m_x = std::make_unique<Xvfb>(m_monitors[0].size());
        }
        for (const QRect& m : m_monitors) m_desktop |= m;
        ASSERT_TRUE(m_x->ok()) << "the X server did not start";
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });  // windows come and go
        m_dpy = XOpenDisplay(m_x->display().toLocal8Bit().constData());
        ASSERT_NE(m_dpy, nullptr);
        m_background = Picture::Noise(m_desktop.width(), m_desktop.height(), 20121206);
        SetRootBackground(m_dpy, m_background.pixels.data());
        if (s.desk == Desk::Openbox) {
            // The dock first: openbox adopts the windows it finds as it starts, while one that
            // asks to be mapped during its start may be ignored.
            const Window dock = AddDock();
            ASSERT_TRUE(m_x->StartOpenbox()) << "no openbox";
            ASSERT_TRUE(WaitFor([&] { return Parent(dock) != DefaultRootWindow(m_dpy); }))
                << "openbox did not adopt the dock";
        }
        Picture shot;
        if (!WaitFor([&] { return (shot = Shot()) == m_background; }))
            Save(shot, "failed-start.png");
        ASSERT_TRUE(shot == m_background) << "no pattern or dock";

        QProcessEnvironment env = m_x->ClientEnvironment();
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        if (s.env) {
            const QString pair = QString::fromLatin1(s.env);
            env.insert(pair.section('=', 0, 0), pair.section('=', 1));
        }
        ASSERT_TRUE(m_x->Start(m_program, QStringLiteral(LUCIVANE_EXE), env));
        FindPanel();
        if (HasFatalFailure()) return;
        if (s.desk != Desk::Openbox) {  // openbox places by its own rules
            EXPECT_EQ(m_panel.center(), m_monitors[0].center()) << "not centred";
        }
    }

    Window Parent(Window w) const {
        Window root = 0, parent = 0, *children = nullptr;
        unsigned count = 0;
        if (XQueryTree(m_dpy, w, &root, &parent, &children, &count) && children) XFree(children);
        return parent;
    }

    // The rectangle of `w` on the root, its border included.
    QRect Geometry(Window w) const {
        XWindowAttributes a{};
        int x = 0, y = 0;
        Window child = 0;
        XGetWindowAttributes(m_dpy, w, &a);
        XTranslateCoordinates(m_dpy, w, DefaultRootWindow(m_dpy), 0, 0, &x, &y, &child);
        const int b = a.border_width;
        return QRect(x - b, y - b, a.width + 2 * b, a.height + 2 * b);
    }

    // The panel, found by its title once mapped, and the top-level window holding it (its frame
    // under openbox).
    void FindPanel() {
        bool found = false;
        const QByteArray ids =
            m_x->Run(QStringLiteral("xdotool"),
                     {"search", "--sync", "--onlyvisible", "--name", "^Lucivane$"}, 15000, &found);
        ASSERT_TRUE(found) << "no panel window";
        const Window panel = ids.split('\n').value(0).toULong();
        Window top = panel;
        for (Window up; (up = Parent(top)) != 0 && up != DefaultRootWindow(m_dpy);) top = up;
        m_panel = Geometry(panel);
        m_frame = Geometry(top);
        ASSERT_EQ(m_panel.size(), QSize(300, 232) * m_scale);
    }

    // A dock along the top edge that reserves 40 pixels, as desktop panels do.
    Window AddDock() {
        const Window dock = XCreateSimpleWindow(m_dpy, DefaultRootWindow(m_dpy), 0, 0,
                                                unsigned(m_desktop.width()), 40, 0, 0, 0x00C08040);
        const auto atom = [this](const char* name) { return XInternAtom(m_dpy, name, False); };
        const Atom type = atom("_NET_WM_WINDOW_TYPE_DOCK");
        XChangeProperty(m_dpy, dock, atom("_NET_WM_WINDOW_TYPE"), XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&type), 1);
        const long strut[12] = {0, 0, 40, 0, 0, 0, 0, 0, 0, m_desktop.right(), 0, 0};
        XChangeProperty(m_dpy, dock, atom("_NET_WM_STRUT_PARTIAL"), XA_CARDINAL, 32,
                        PropModeReplace, reinterpret_cast<const unsigned char*>(strut), 12);
        XSizeHints at{};
        at.flags = USPosition | PPosition;  // where it was created: the top edge
        XSetWMNormalHints(m_dpy, dock, &at);
        XMapWindow(m_dpy, dock);
        XSync(m_dpy, False);
        std::fill_n(m_background.pixels.begin(), 40 * m_background.width, 0x00C08040u);
        return dock;
    }

    Picture Shot() const {
        XImage* x = XGetImage(m_dpy, DefaultRootWindow(m_dpy), 0, 0, unsigned(m_desktop.width()),
                              unsigned(m_desktop.height()), AllPlanes, ZPixmap);
        if (!x) return {};
        const Picture p = FromImage(QImage(reinterpret_cast<const uchar*>(x->data), x->width,
                                           x->height, x->bytes_per_line, QImage::Format_RGB32));
        XDestroyImage(x);
        return p;
    }

    // Everything but the panel and its frame shows the pattern and the dock.
    bool BackgroundShows(const Picture& shot) const {
        return Changed(shot, m_background, QRegion(m_desktop) - m_frame) == 0;
    }

    void MovePointer(QPoint at) {
        XTestFakeMotionEvent(m_dpy, -1, at.x(), at.y(), 0);
        XSync(m_dpy, False);
    }

    // Through XTest, where the pointer is: a button (1 left, 4 and 5 the wheel) or a key
    // (keysym), with or without Shift.
    void Press(const LensInput& in) {
        const auto fake = [this](const char* keysym, bool down) {
            XTestFakeKeyEvent(m_dpy, XKeysymToKeycode(m_dpy, XStringToKeysym(keysym)), down, 0);
        };
        if (in.shift) fake("Shift_L", true);
        if (in.key) {
            fake(in.key, true);
            fake(in.key, false);
        }
        if (in.button) XTestFakeButtonEvent(m_dpy, unsigned(in.button), True, 0);
        if (in.button) XTestFakeButtonEvent(m_dpy, unsigned(in.button), False, 0);
        if (in.shift) fake("Shift_L", false);
        XSync(m_dpy, False);
    }

    void Click(QPoint at, int button = 1) {
        MovePointer(at);
        Press({button});
    }

    QPoint PointerAt() const {
        Window root = 0, child = 0;
        int rx = 0, ry = 0, wx = 0, wy = 0;
        unsigned mask = 0;
        XQueryPointer(m_dpy, DefaultRootWindow(m_dpy), &root, &child, &rx, &ry, &wx, &wy, &mask);
        return {rx, ry};
    }

    // Whether the topmost windows are full-screen ones covering every monitor (a window manager
    // may stack the lens windows a little after the grab, with the live panel still above).
    bool LensOnTop() const {
        Window root = 0, parent = 0, *children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(m_dpy, DefaultRootWindow(m_dpy), &root, &parent, &children, &count))
            return false;
        QList<QRect> uncovered = m_monitors;
        for (unsigned i = count; i-- > 0 && !uncovered.isEmpty();) {
            XWindowAttributes a;
            if (!XGetWindowAttributes(m_dpy, children[i], &a) || a.map_state != IsViewable ||
                a.c_class == InputOnly)
                continue;
            const QRect r(a.x, a.y, a.width, a.height);
            if (!r.intersects(m_desktop)) continue;  // a window manager's hidden helper
            if (!uncovered.removeOne(r)) break;
        }
        if (children) XFree(children);
        return uncovered.isEmpty();
    }

    // A point of the panel given in its design pixels.
    QPoint OnPanel(int x, int y) const { return m_panel.topLeft() + QPoint(x, y) * m_scale; }

    // One opening: Start, a frame at each point, then one after each input at the last point,
    // checked against the model over the screen as the lens opened (pictures saved with `name`
    // at the end of their file names); then `exit` closes it and gives everything back.
    void Open(const std::vector<QPoint>& points, const std::vector<LensInput>& inputs, Exit exit,
              const std::string& name) {
        Click(OnPanel(254, 36));
        ASSERT_TRUE(WaitFor([&] {
            return !PointerFree(m_dpy) && CursorBlank(m_dpy) && LensOnTop();
        })) << "the lens did not open: no grab, the cursor shows or its windows are not on top";
        const Picture copy = Shot();
        EXPECT_TRUE(BackgroundShows(copy)) << "the screen changed at the opening";

        const auto move = [this](QPoint to) {
            MovePointer(to);
            return PointerAt();
        };
        const auto press = [this](const LensInput& in) { Press(in); };
        const auto save = [&](const Picture& p, const char* what) { Save(p, what + name); };
        ExpectLensSteps(
            copy, points, inputs, m_lens, move, press, [this](bool) { return Shot(); }, save);
        if (HasFatalFailure()) return;
        const QPoint last = PointerAt();
        if (exit == Exit::ClickAndMove) {
            Click(last);
            MovePointer(last.x() > 10 ? last - QPoint(3, 2) : last + QPoint(3, 2));
        } else if (exit == Exit::Escape) {
            Press({0, "Escape"});
        } else {
            Window focus = 0;
            int revert = 0;
            XGetInputFocus(m_dpy, &focus, &revert);
            XIconifyWindow(m_dpy, focus, DefaultScreen(m_dpy));
            XSync(m_dpy, False);
        }
        ASSERT_TRUE(WaitFor([&] { return PointerFree(m_dpy); }))
            << "the pointer was not given back (way out " << int(exit) << ")";
        EXPECT_TRUE(WaitFor([&] { return BackgroundShows(Shot()); })) << "the screen stays";
        MovePointer(OnPanel(150, 200));  // the cursor shows again, over the panel too
        EXPECT_TRUE(WaitFor([&] { return !CursorBlank(m_dpy); })) << "the cursor stays hidden";
    }

    int m_scale = 1;
    QRect m_desktop;
    QList<QRect> m_monitors;
    std::unique_ptr<Xvfb> m_x;
    Display* m_dpy = nullptr;
    OwnedProcess m_program;  // before the server goes
    Picture m_background;    // the pattern and any dock
    QRect m_panel, m_frame;
    LensSettings m_lens;  // what the program is expected to use
};

TEST_P(LensEndToEnd, LensMatchesTheModelEverywhereWayOutGivesAllBackPanelKeepsChanges) {
    const Scenario& s = GetParam();
    Start(s);
    if (HasFatalFailure() || IsSkipped()) return;
    if (!s.convex) Click(OnPanel(56, 24));               // the concave check box
    if (s.mask != 0xFFFFFF) Click(OnPanel(100, 67), 5);  // the colour list: the next entry
    m_lens.convex = s.convex;
    m_lens.mask = s.mask;
    Open(s.points, s.inputs, s.exit, std::string("-") + s.name + ".png");
    if (HasFatalFailure()) return;

    // A page step on the radius bar; the next opening shows the panel kept the wheel and keys.
    Click(OnPanel(150, 109));
    m_lens.radius += 25;
    Open({m_monitors[0].center() + QPoint(7, 5)}, {}, Exit::ClickAndMove,
         std::string("-again-") + s.name + ".png");
    if (HasFatalFailure()) return;

    Click(OnPanel(254, 92));  // Exit
    if (!m_program.waitForFinished(10000)) Save(Shot(), "failed-exit.png");
    EXPECT_TRUE(m_program.state() == QProcess::NotRunning &&
                m_program.exitStatus() == QProcess::NormalExit && m_program.exitCode() == 0)
        << "Exit did not end the program with status 0";
}

// On the Xorg desktop: each monitor, straddling the border, the corners of the desktop.
const std::vector<QPoint> kTwoMonitors = {{640, 512},  {1920, 500},  {1280, 300},
                                          {1279, 700}, {1281, 1023}, {2559, 0},
                                          {0, 1023},   {2559, 1023}, {1300, 0}};

// clang-format off
INSTANTIATE_TEST_SUITE_P(Desktops, LensEndToEnd, ::testing::Values(
    // Centre, the four edges, the four corners, beyond the screen; then at the corner the wheel
    // (Shift: the radius) and the arrows.
    Scenario{"xvfb", Desk::Xvfb, nullptr, 1, true, 0xFFFFFF, Exit::ClickAndMove,
             {{512, 384}, {0, 300}, {1023, 400}, {600, 0}, {400, 767}, {0, 0}, {1023, 0},
              {0, 767}, {1023, 767}, {200, 150}, {-40, -30}, {1500, 2000}},
             kLensInputs},
    // Odd device positions cannot be hit by a rounded logical position.
    Scenario{"scale2", Desk::Xvfb, "QT_SCALE_FACTOR=2", 2, false, 0xFFFFFF, Exit::Escape,
             {{513, 385}, {0, 0}, {1023, 501}, {77, 767}}, {{4, nullptr, false, 150, 80}}},
    // The lens covers the dock too, unshifted; minimising ends it like a lost capture.
    Scenario{"openbox", Desk::Openbox, nullptr, 1, true, 0xFF0000, Exit::Minimise,
             {{512, 10}, {0, 0}, {1023, 0}, {300, 40}, {0, 767}, {1023, 767}, {512, 384}}, {}},
    Scenario{"two_monitors", Desk::Xorg, nullptr, 1, true, 0xFFFFFF, Exit::ClickAndMove,
             kTwoMonitors, {}},
    // Each monitor shows its own device pixels.
    Scenario{"mixed_scale", Desk::Xorg, "QT_SCREEN_SCALE_FACTORS=M0=1;M1=2", 1, true, 0xFFFFFF,
             Exit::ClickAndMove, kTwoMonitors, {}}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

}  // namespace
