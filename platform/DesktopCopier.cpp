#include "platform/DesktopCopier.h"

#include <QGuiApplication>
#include <QImage>
#include <QRect>

#include "platform/DisplayCheck.h"
#include "platform/PortalScreenshot.h"
#include "platform/ScreenCopy.h"

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

class PortalCopier : public DesktopCopier {
  public:
    PortalCopier() {
        // The portal's picture spans the layout at its highest scale, which is the desktop in
        // device pixels; another size (a desktop that scales differently) is fitted to it.
        ScreenCopy::SetPlatformSource([this](const QRect& bounds) {
            QImage copy = std::exchange(m_copy, QImage());
            if (!copy.isNull() && copy.size() != bounds.size())
                copy = copy.scaled(bounds.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
            return copy;
        });
    }
    ~PortalCopier() override { ScreenCopy::SetPlatformSource({}); }

    bool Prepare(Done done) override {
        return m_portal.Start([this, done = std::move(done)](QImage image, QString error) {
            m_copy = std::move(image);
            done(std::move(error));
        });
    }

  private:
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
            copier = std::make_unique<PortalCopier>();
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
