#include "platform/Program.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "platform/DisplayCheck.h"
#include "platform/Form.h"
#include "platform/FormInstance.h"
#include "platform/SystemClipboard.h"

std::function<int()> Program::RunModeHook;
std::function<void()> Program::EndHook;

int Program::RunMode() { return RunModeHook ? RunModeHook() : 1; }

void Program::LastFormUnloaded() {
    if (EndHook) {
        EndHook();
    } else if (QCoreApplication::instance()) {
        QCoreApplication::quit();
    }
}

int Program::Run(int& argc, char** argv, const ProgramInfo& info,
                 const std::function<void()>& startup) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "xcb");
    // Qt would abort without an X server; say why and leave instead.
    if (qgetenv("QT_QPA_PLATFORM") == "xcb") {
        const std::string problem =
            XDisplayProblem(XDisplayName(argc, argv), std::getenv("WAYLAND_DISPLAY"));
        if (!problem.empty()) {
            std::fprintf(stderr, "%s\n", problem.c_str());
            return 1;
        }
    }
    QApplication app(argc, argv);
    SystemClipboard::Install();
    QApplication::setApplicationName(info.name);
    QApplication::setApplicationVersion(info.version);
    // The program ends by its own rule: when no form is loaded any more.
    QApplication::setQuitOnLastWindowClosed(false);

    startup();
    int status = 0;
    if (Form::LoadedCount() > 0) status = app.exec();
    FormInstanceBase::ReleaseAll();
    return status;
}
