#include "platform/DisplayCheck.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace {
const char kNeedX[] = "Lucivane needs an X11 session (or XWayland).";
}

const char* XDisplayName(int argc, char** argv) {
    const char* name = std::getenv("DISPLAY");
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "-display") == 0) name = argv[i + 1];
    }
    return name;
}

std::string XDisplayProblem(const char* display, const char* waylandDisplay) {
    const bool named = display != nullptr && display[0] != '\0';
    if (!named) {
        if (waylandDisplay != nullptr && waylandDisplay[0] != '\0') {
            return std::string(
                       "lucivane: this Wayland session has no XWayland (DISPLAY is not "
                       "set): ") +
                   kNeedX;
        }
        return std::string("lucivane: cannot open the X display: DISPLAY is not set. ") + kNeedX;
    }
    // xcb_connect never returns null; a failed connection reports an error and is freed as usual.
    xcb_connection_t* connection = xcb_connect(display, nullptr);
    const bool ok = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    if (ok) return {};
    return std::string("lucivane: cannot open the X display \"") + display + "\": " + kNeedX;
}
