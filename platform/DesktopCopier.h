#pragma once
// Gets the copy of the desktop ready for a frozen-screen form before its windows map, chosen
// once at start from the platform Qt runs on:
//   wayland         the compositor's screen copy (WlrScreencopy) where it offers one, else and
//                   when it fails the desktop portal (PortalScreenshot), both asynchronous;
//                   LUCIVANE_SCREEN_COPY=portal asks the portal only. The copy is handed to
//                   ScreenCopy as its platform source, so the next Take returns it;
//   xcb in a Wayland session (XWayland)  no copy: the root window holds none of the Wayland
//                   windows, so the copy would be black; the answer says so;
//   anything else   nothing to prepare: ScreenCopy::Take copies at once.
// Tests install a stand-in with Install.

#include <QString>
#include <functional>
#include <memory>

class DesktopCopier {
  public:
    // "" when ScreenCopy::Take will return the copy; otherwise what happened and what to
    // install or allow, for the user.
    using Done = std::function<void(QString error)>;

    virtual ~DesktopCopier() = default;

    // Prepares a copy; `done` runs exactly once, before Prepare returns or later from the event
    // loop. False (and `done` never runs) while an earlier copy is pending.
    virtual bool Prepare(Done done) = 0;

    static DesktopCopier& Current();
    // Installs `copier` (nullptr: back to the automatic choice).
    static void Install(std::unique_ptr<DesktopCopier> copier);
};
