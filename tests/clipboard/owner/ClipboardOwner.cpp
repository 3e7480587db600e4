// Starts the form runtime, copies a known surface to the clipboard, says "ready" and keeps
// serving the clipboard until it is killed (or after a minute, so it never lingers).
#include <QEventLoop>
#include <QTextStream>
#include <QTimer>

#include "clipboard/ClipboardPicture.h"
#include "platform/Program.h"

int main(int argc, char** argv) {
    return Program::Run(argc, argv, ProgramInfo{"ClipboardOwner", "1"}, [] {
        cDIB32 dib;
        if (!clipboard_test::MakePicture(dib)) return;
        dib.CopyToClipboard();
        QTextStream(stdout) << "ready" << Qt::endl;
        QEventLoop loop;
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        loop.exec();
    });
}
