#pragma once
// fRestore: a blank, borderless window covering every screen (full-screen, above docks). Showing
// and hiding it at once makes every window beneath it, the desktop included, repaint itself.

#include "platform/Form.h"
#include "platform/FormInstance.h"

class RestoreForm : public Form {
  protected:
    void InitializeComponent(QWidget& window) override;
};

extern FormInstance<RestoreForm> fRestore;
