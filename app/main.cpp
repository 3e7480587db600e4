// Lucivane: starts the form runtime, which loads the control panel.
#include "panel/MainForm.h"
#include "platform/Program.h"

int main(int argc, char** argv) {
    return Program::Run(argc, argv,
                        {QStringLiteral("Lucivane"), QStringLiteral(LUCIVANE_VERSION_TEXT)},
                        [] { fMain->Show(); });
}
