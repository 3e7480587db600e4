#include "platform/ShellExecute.h"

#include <QProcess>
#include <utility>

namespace platform {
namespace {

bool StartDetached(const QString& program, const QStringList& args) {
    // An argument list, not a command line: no shell ever parses the address.
    return QProcess::startDetached(program, args);
}

ShellOpener& CurrentOpener() {
    static ShellOpener opener = StartDetached;
    return opener;
}

}  // namespace

QString ShellOpenerProgram() { return QStringLiteral("xdg-open"); }

ShellOpener SetShellOpener(ShellOpener opener) {
    ShellOpener previous = std::move(CurrentOpener());
    CurrentOpener() = opener ? std::move(opener) : ShellOpener(StartDetached);
    return previous;
}

int32_t ShellExecuteA(uint32_t /*hwnd*/, const char* /*operation*/, const char* file,
                      const char* /*parameters*/, const char* /*directory*/, int32_t /*showCmd*/) {
    if (file == nullptr || *file == '\0') return kShellErrorFileNotFound;
    // QProcess encodes arguments with the locale's encoding again, so the opener gets the
    // caller's bytes back unchanged.
    const QString address = QString::fromLocal8Bit(file);
    if (!CurrentOpener()(ShellOpenerProgram(), QStringList{address})) {
        return kShellErrorNoAssociation;
    }
    return kShellOk;
}

}  // namespace platform
