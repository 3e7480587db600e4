#pragma once
// The shell's open action: hands a web address (or any file) to the desktop's default handler.
//
// ShellExecuteA starts the opener (`xdg-open`, found on PATH) directly with `file` as its single
// argument — never through a shell, so user text in an address cannot run anything — and
// returns at once without waiting for it (fire-and-forget). `file` is narrow text in the locale's
// encoding; it is decoded with that encoding and the opener receives the same bytes again.
//
// Result, as the shell reports it: a value > 32 when the opener was started, a value <= 32 on
// failure (kShellErrorFileNotFound for a null or empty `file`, kShellErrorNoAssociation when the
// opener could not be started). Nothing is shown or thrown on failure.
//
// `hwnd`, `operation` (null = default verb), `parameters`, `directory` and `showCmd` are accepted
// for the caller's sake; the desktop opener decides itself how to show the page.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>

namespace platform {

inline constexpr int32_t kShellOk = 42;
inline constexpr int32_t kShellErrorFileNotFound = 2;
inline constexpr int32_t kShellErrorNoAssociation = 31;

int32_t ShellExecuteA(uint32_t hwnd, const char* operation, const char* file,
                      const char* parameters, const char* directory, int32_t showCmd);

// Starts `program` with `args` and returns whether it could be started. The default starts a
// detached process (QProcess::startDetached).
using ShellOpener = std::function<bool(const QString& program, const QStringList& args)>;

// Replaces the opener (tests record the calls instead of starting a browser). An empty
// function restores the default. Returns the opener that was installed before.
ShellOpener SetShellOpener(ShellOpener opener);

// The program ShellExecuteA starts: "xdg-open".
QString ShellOpenerProgram();

}  // namespace platform
