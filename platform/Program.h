#pragma once
// Start and end of the program, and the run-mode flag.
//
// Run() creates the QApplication (forcing the xcb platform plugin when QT_QPA_PLATFORM is
// unset: a whole-screen copy and a pointer grab need X11), loads the start-up form and runs the
// event loop until no form is loaded any more. At the end every program-wide form instance
// still held is released.

#include <QString>
#include <functional>

struct ProgramInfo {
    QString name;     // application name, also the default window caption
    QString version;  // version text, e.g. "1.00.0001"
};

class Program {
  public:
    // Runs the program; startup loads (and normally shows) the start-up form. Returns the
    // process exit status: 1, with a message on stderr, when the xcb platform is to be used but
    // no X display can be opened.
    static int Run(int& argc, char** argv, const ProgramInfo& info,
                   const std::function<void()>& startup);

    // The run-mode flag: 1 in a finished build. Tests replace RunModeHook.
    static int RunMode();
    static std::function<int()> RunModeHook;

    // Called when the last loaded form has been unloaded. The default quits the event loop.
    static std::function<void()> EndHook;

    // Called by the form runtime when no form is loaded any more.
    static void LastFormUnloaded();
};
