#include "platform/Program.h"

#include <QApplication>

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
