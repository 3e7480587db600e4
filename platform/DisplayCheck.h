#pragma once
// The program needs an X server (Xorg or XWayland). Qt aborts with a core dump when the xcb
// platform cannot connect, so the start-up checks first and leaves with a plain message.

#include <string>

// The display the xcb platform will use: the value after a "-display" argument (Qt reads it),
// else $DISPLAY; nullptr when neither is given.
const char* XDisplayName(int argc, char** argv);

// Tries to connect to the X display named `display` (nullptr or "" when DISPLAY is unset) and
// disconnects again. Returns "" when that works, otherwise one line for the user, starting with
// "lucivane: ". `waylandDisplay` is WAYLAND_DISPLAY (nullptr when unset); it only changes the
// wording when no X display is named.
std::string XDisplayProblem(const char* display, const char* waylandDisplay);
