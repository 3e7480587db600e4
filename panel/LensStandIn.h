#pragma once
// A placeholder for the lens window until it exists: a borderless window covering the screen
// that unloads itself on a mouse click. It provides ShowLensWindow/UnloadLensWindow.

#include "platform/Form.h"
#include "platform/FormInstance.h"

class LensStandIn : public Form {
  protected:
    void InitializeComponent(QWidget& window) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
};

extern FormInstance<LensStandIn> fLens;
