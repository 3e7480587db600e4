#pragma once
// How a frozen-screen form gets its copy of the desktop, chosen once at start from the
// platform Qt runs on:
//   wayland         the desktop portal, asynchronously (PortalScreenshot);
//   xcb in a Wayland session (XWayland)  no copy: the root window holds none of the Wayland
//                   windows, so the copy would be black; the answer says so;
//   anything else   ScreenCopy::Take at once (the root window on xcb, an injected image in
//                   tests).
// Tests install a stand-in with Install.

#include <QImage>
#include <QString>
#include <functional>
#include <memory>

class DesktopCopier {
  public:
    // `image` is the desktop in device pixels (Format_RGB32, top byte 0), or null and `error`
    // says for the user what happened and what to install or allow.
    using Done = std::function<void(QImage image, QString error)>;

    virtual ~DesktopCopier() = default;

    // Starts a copy; `done` runs exactly once, before Start returns or later from the event
    // loop. False (and `done` never runs) while an earlier copy is pending.
    virtual bool Start(Done done) = 0;

    static DesktopCopier& Current();
    // Installs `copier` (nullptr: back to the automatic choice).
    static void Install(std::unique_ptr<DesktopCopier> copier);
};
