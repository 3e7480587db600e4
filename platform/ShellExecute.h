#pragma once
// The shell's open action: hands a web address (or any file) to the desktop's default handler.
//
// ShellExecuteA starts the opener (`xdg-open`, found on PATH) directly with `file` as its single
// argument — never through a shell, so user text in an address cannot run anything — and
// returns at once without waiting for it (fire-and-forget). `file` is narrow text in the locale's
// encoding; it is decoded with that encoding and the opener receives the same bytes again.
//
// Result, as the shell reports it: a value > 32 when the opener was started, a value <= 32 on
// failure (kShellErrorFileNotFound for a null or empty `file`, kShellErrorNoAssociation when no
// opener is on PATH, kShellErrorAccessDenied when it is there but could not be started). Nothing
// is shown or thrown here; ShellErrorText gives the caller a message for the user.
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
inline constexpr int32_t kShellErrorAccessDenied = 5;
inline constexpr int32_t kShellErrorNoAssociation = 31;

int32_t ShellExecuteA(uint32_t hwnd, const char* operation, const char* file,
                      const char* parameters, const char* directory, int32_t showCmd);

enum class OpenerStart { Started, NotFound, CannotStart };

// Starts `program` with `args` without waiting for it. The default looks the program up on PATH
// and starts it as a detached process (QProcess::startDetached).
using ShellOpener = std::function<OpenerStart(const QString& program, const QStringList& args)>;

// Replaces the opener (tests record the calls instead of starting a browser). An empty
// function restores the default. Returns the opener that was installed before.
ShellOpener SetShellOpener(ShellOpener opener);

// The program ShellExecuteA starts: "xdg-open".
QString ShellOpenerProgram();

// A short message for the user (in Chinese) saying that an address could not be opened and why,
// for a failed ShellExecuteA result.
QString ShellErrorText(int32_t result);

}  // namespace platform
