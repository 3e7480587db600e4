#include "platform/DesktopCopier.h"

#include <QGuiApplication>

#include "platform/DisplayCheck.h"
#include "platform/PortalScreenshot.h"
#include "platform/ScreenCopy.h"

namespace {

class TakenCopier : public DesktopCopier {
  public:
    bool Start(Done done) override {
        QImage image = ScreenCopy::Take();
        QString error;
        if (image.isNull()) error = QStringLiteral("无法复制屏幕：找不到屏幕。");
        done(std::move(image), std::move(error));
        return true;
    }
};

class XWaylandCopier : public DesktopCopier {
  public:
    bool Start(Done done) override {
        done({}, QString::fromStdString(XWaylandCopyProblem()));
        return true;
    }
};

class PortalCopier : public DesktopCopier {
  public:
    bool Start(Done done) override { return m_portal.Start(std::move(done)); }

  private:
    PortalScreenshot m_portal;
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
            copier = std::make_unique<TakenCopier>();
        }
    }
    return *copier;
}

void DesktopCopier::Install(std::unique_ptr<DesktopCopier> copier) {
    Installed() = std::move(copier);
}
