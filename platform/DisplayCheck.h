#pragma once
// Which windowing system the program runs on, checked before Qt starts: Qt aborts with a core
// dump when its platform cannot connect, so the start-up checks first and leaves with a plain
// message instead.

#include <string>

// Whether a Wayland session can carry the program: "" when `waylandDisplay` (WAYLAND_DISPLAY,
// nullptr when unset) names a socket that exists (absolute, or under `runtimeDir`) and Qt's
// wayland platform is installed; otherwise why not, in a few words for the user.
std::string WaylandProblem(const char* waylandDisplay, const char* runtimeDir,
                           bool pluginInstalled);

// The display the xcb platform will use: the value after a "-display" argument (Qt reads it),
// else $DISPLAY; nullptr when neither is given.
const char* XDisplayName(int argc, char** argv);

// Tries to connect to the X display named `display` (nullptr or "" when DISPLAY is unset) and
// disconnects again. Returns "" when that works, otherwise one line for the user, starting with
// "lucivane: ". `waylandProblem` is why a Wayland session could not be used ("" when there is
// none); it only changes the wording when no X display is named.
std::string XDisplayProblem(const char* display, const std::string& waylandProblem);

// Under XWayland (an X11 client in a Wayland session) the root window holds none of the
// Wayland windows, so a copy of the screen would be black: the message that says so.
std::string XWaylandCopyProblem();
