#include "platform/Program.h"

#include <QApplication>
#include <QFileInfo>
#include <QLibraryInfo>
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
    // Wayland sessions run on Qt's native wayland platform (an X11 client there sees none of
    // the Wayland windows); X11 sessions on xcb. A user's own choice stands.
    std::string waylandProblem;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        const QString plugins = QLibraryInfo::path(QLibraryInfo::PluginsPath);
        waylandProblem =
            WaylandProblem(std::getenv("WAYLAND_DISPLAY"), std::getenv("XDG_RUNTIME_DIR"),
                           QFileInfo::exists(plugins + "/platforms/libqwayland-generic.so"));
        qputenv("QT_QPA_PLATFORM", waylandProblem.empty() ? "wayland" : "xcb");
    }
    // Qt would abort without an X server; say why and leave instead.
    if (qgetenv("QT_QPA_PLATFORM") == "xcb") {
        const std::string problem = XDisplayProblem(XDisplayName(argc, argv), waylandProblem);
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
