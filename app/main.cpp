// Lucivane: starts the form runtime, which loads the control panel.
#include <QGuiApplication>

#include "panel/MainForm.h"
#include "platform/Program.h"

int main(int argc, char** argv) {
    // The menu entry's id: Wayland compositors match windows to it through the app id.
    QGuiApplication::setDesktopFileName(QStringLiteral("invalid.lucivane.lucivane"));
    return Program::Run(argc, argv,
                        {QStringLiteral("Lucivane"), QStringLiteral(LUCIVANE_VERSION_TEXT)},
                        [] { fMain->Show(); });
}
