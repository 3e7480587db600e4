// Starts the form runtime, copies a known surface to the clipboard, says "ready" and keeps
// serving the clipboard until it is killed (or after a minute, so it never lingers).
#include <QEventLoop>
#include <QTimer>
#include <cstdio>

#include "clipboard/ClipboardPicture.h"
#include "dib/cDIB32.h"
#include "platform/Program.h"

int main(int argc, char** argv) {
    return Program::Run(argc, argv, ProgramInfo{"ClipboardOwner", "1"}, [] {
        using namespace clipboard_test;
        cDIB32 dib;
        if (dib.Create(kWidth, kHeight) == 0) return;
        for (int32_t y = 0; y < kHeight; ++y) {
            for (int32_t x = 0; x < kWidth; ++x) dib.DIBitsPtr()[y * kWidth + x] = PixelAt(x, y);
        }
        dib.CopyToClipboard();
        std::printf("ready\n");
        std::fflush(stdout);
        QEventLoop loop;
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        loop.exec();
    });
}
