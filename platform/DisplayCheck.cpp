#include "platform/DisplayCheck.h"

#include <sys/stat.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace {
const char kNeed[] = "Lucivane needs a Wayland or an X11 session.";
}

std::string WaylandProblem(const char* waylandDisplay, const char* runtimeDir,
                           bool pluginInstalled) {
    if (waylandDisplay == nullptr || waylandDisplay[0] == '\0') return "no Wayland session";
    const std::string name(waylandDisplay);
    std::string socket = name;
    if (name[0] != '/') socket = std::string(runtimeDir ? runtimeDir : "") + "/" + name;
    struct stat info {};
    if (stat(socket.c_str(), &info) != 0 || !S_ISSOCK(info.st_mode))
        return "the Wayland display \"" + name + "\" does not answer";
    if (!pluginInstalled) return "Qt's Wayland platform is not installed (qt6-wayland)";
    return {};
}

const char* XDisplayName(int argc, char** argv) {
    const char* name = std::getenv("DISPLAY");
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "-display") == 0) name = argv[i + 1];
    }
    return name;
}

std::string XDisplayProblem(const char* display, const std::string& waylandProblem) {
    const bool named = display != nullptr && display[0] != '\0';
    if (!named) {
        if (!waylandProblem.empty() && waylandProblem != "no Wayland session")
            return "lucivane: " + waylandProblem + " and DISPLAY is not set. " + kNeed;
        return std::string("lucivane: cannot open the X display: DISPLAY is not set. ") + kNeed;
    }
    // xcb_connect never returns null; a failed connection reports an error and is freed as usual.
    xcb_connection_t* connection = xcb_connect(display, nullptr);
    const bool ok = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    if (ok) return {};
    return std::string("lucivane: cannot open the X display \"") + display + "\": " + kNeed;
}

std::string XWaylandCopyProblem() {
    return "无法复制屏幕：本程序正以 X11（XWayland）方式运行在 Wayland 桌面上，看不到 Wayland "
           "窗口。请安装 qt6-wayland，并去掉 QT_QPA_PLATFORM=xcb 的设置后重新启动。";
}
