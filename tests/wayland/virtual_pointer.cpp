// Gives the private headless session a pointer device: prints "ready" and keeps the device
// until the compositor goes or the process is killed. The session's scripts then move and
// click with `swaymsg seat seat0 cursor ...`.
#include <cstdio>

#include "tests/wayland/VirtualPointer.h"

int main() {
    VirtualPointer pointer;
    if (!pointer.ok()) {
        std::fprintf(stderr, "virtual_pointer: no Wayland display with virtual pointers\n");
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    pointer.Run();
    return 0;
}
