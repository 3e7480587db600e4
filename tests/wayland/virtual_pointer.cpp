// Gives the private headless session a pointer device: prints "ready" and keeps the device
// until the compositor goes or the process is killed.
#include <cstdio>

#include "tests/wayland/VirtualPointer.h"

int main() {
    VirtualPointer pointer;
    if (!pointer.ok()) return std::fprintf(stderr, "virtual_pointer: no virtual pointers\n"), 1;
    std::printf("ready\n");
    std::fflush(stdout);
    pointer.Run();
}
