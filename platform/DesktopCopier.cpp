#include "platform/DesktopCopier.h"

#include <QGuiApplication>
#include <QImage>
#include <QRect>

#include "platform/DisplayCheck.h"
#include "platform/PortalScreenshot.h"
#include "platform/ScreenCopy.h"
#include "platform/WlrScreencopy.h"

namespace {

class ImmediateCopier : public DesktopCopier {
  public:
    bool Prepare(Done done) override {
        done({});
        return true;
    }
};

class XWaylandCopier : public DesktopCopier {
  public:
    bool Prepare(Done done) override {
        done(QString::fromStdString(XWaylandCopyProblem()));
        return true;
    }
};

// wlroots compositors copy through their screen copy protocol, quickly; elsewhere, when that
// fails, or with LUCIVANE_SCREEN_COPY=portal, the desktop portal does.
class WaylandCopier : public DesktopCopier {
  public:
    WaylandCopier()
        : m_screencopy(qgetenv("LUCIVANE_SCREEN_COPY") != "portal"
                           ? std::make_unique<WlrScreencopy>()
                           : nullptr) {
        // The copy spans the layout at its highest scale, which is the desktop in device
        // pixels; another size (a desktop that scales differently) is fitted to it.
        ScreenCopy::SetPlatformSource([this](const QRect& bounds) {
            QImage copy = std::exchange(m_copy, QImage());
            if (!copy.isNull() && copy.size() != bounds.size())
                copy = copy.scaled(bounds.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
            return copy;
        });
    }
    ~WaylandCopier() override { ScreenCopy::SetPlatformSource({}); }

    bool Prepare(Done done) override {
        if (m_portal.Pending()) return false;
        if (!m_screencopy || m_noScreencopy) return FromPortal(std::move(done));
        return m_screencopy->Start([this, done = std::move(done)](WlrScreencopy::Result result,
                                                                  QImage image, QString why) {
            if (result == WlrScreencopy::Result::Copied) {
                m_copy = std::move(image);
                return done({});
            }
            // GNOME and KDE have no such protocol: the portal it is, from now on.
            if (result == WlrScreencopy::Result::NoManager)
                m_noScreencopy = true;
            else
                qWarning(
                    "lucivane: the compositor's screen copy failed (%s); asking the desktop "
                    "portal",
                    qUtf8Printable(why));
            FromPortal(done);
        });
    }

  private:
    bool FromPortal(Done done) {
        return m_portal.Start([this, done = std::move(done)](QImage image, QString error) {
            m_copy = std::move(image);
            done(std::move(error));
        });
    }

    std::unique_ptr<WlrScreencopy> m_screencopy;
    bool m_noScreencopy = false;
    PortalScreenshot m_portal;
    QImage m_copy;
};

std::unique_ptr<DesktopCopier>& Installed() {
    static std::unique_ptr<DesktopCopier> copier;
    return copier;
}

}  // namespace

DesktopCopier& DesktopCopier::Current() {
    auto& copier = Installed();
    if (!copier) {
        const QString platform = QGuiApplication::platformName();
        if (platform.startsWith(QLatin1String("wayland"))) {
            copier = std::make_unique<WaylandCopier>();
        } else if (platform == QLatin1String("xcb") &&
                   !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
            copier = std::make_unique<XWaylandCopier>();
        } else {
            copier = std::make_unique<ImmediateCopier>();
        }
    }
    return *copier;
}

void DesktopCopier::Install(std::unique_ptr<DesktopCopier> copier) {
    Installed() = std::move(copier);
}
