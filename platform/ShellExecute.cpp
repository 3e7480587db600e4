#include "platform/ShellExecute.h"

#include <QProcess>
#include <QStandardPaths>
#include <utility>

namespace platform {
namespace {

OpenerStart StartDetached(const QString& program, const QStringList& args) {
    const QString path = QStandardPaths::findExecutable(program);
    if (path.isEmpty()) return OpenerStart::NotFound;
    // An argument list, not a command line: no shell ever parses the address.
    return QProcess::startDetached(path, args) ? OpenerStart::Started : OpenerStart::CannotStart;
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
    switch (CurrentOpener()(ShellOpenerProgram(), QStringList{address})) {
        case OpenerStart::Started:
            return kShellOk;
        case OpenerStart::NotFound:
            return kShellErrorNoAssociation;
        case OpenerStart::CannotStart:
            break;
    }
    return kShellErrorAccessDenied;
}

QString ShellErrorText(int32_t result) {
    switch (result) {
        case kShellErrorNoAssociation:
            return QStringLiteral("无法打开网址：找不到 %1。").arg(ShellOpenerProgram());
        case kShellErrorAccessDenied:
            return QStringLiteral("无法打开网址：%1 无法启动。").arg(ShellOpenerProgram());
        default:
            return QStringLiteral("无法打开网址。");
    }
}

}  // namespace platform
