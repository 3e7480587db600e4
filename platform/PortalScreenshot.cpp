#include "platform/PortalScreenshot.h"

#include <QDBusError>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QFile>
#include <QImageReader>
#include <QRandomGenerator>
#include <QUrl>

#include "platform/ScreenCopy.h"

namespace {

const char kService[] = "org.freedesktop.portal.Desktop";
const char kObject[] = "/org/freedesktop/portal/desktop";
const char kRequest[] = "org.freedesktop.portal.Request";

QString Backends() {
    return QStringLiteral(
        "（GNOME 用 xdg-desktop-portal-gnome，KDE 用 xdg-desktop-portal-kde，"
        "sway 等 wlroots 桌面用 xdg-desktop-portal-wlr）");
}

QString Refused() {
    return QStringLiteral(
        "无法复制屏幕：截屏请求被拒绝。请在系统设置的隐私（截屏）中允许本程序截屏后重试。");
}

QString Failed() {
    return QStringLiteral(
               "无法复制屏幕：桌面门户截屏失败。请确认装有 xdg-desktop-portal 和本桌面的后端") +
           Backends() + QStringLiteral("。");
}

QString NoAnswer() {
    return QStringLiteral(
               "无法复制屏幕：桌面门户 10 秒内没有回应。请确认 xdg-desktop-portal 和本桌面的后端") +
           Backends() + QStringLiteral("在运行。");
}

QString Unreadable() {
    return QStringLiteral("无法复制屏幕：桌面门户给出的截图无法读取或是空的。");
}

}  // namespace

QString PortalScreenshot::NoPortalText() {
    return QStringLiteral(
               "无法复制屏幕：没有桌面门户服务。Wayland 桌面上需要安装 xdg-desktop-portal "
               "和本桌面的后端") +
           Backends() + QStringLiteral("。");
}

PortalScreenshot::PortalScreenshot(QDBusConnection bus, int timeoutMs) : m_bus(std::move(bus)) {
    m_timeout.setSingleShot(true);
    m_timeout.setInterval(timeoutMs);
    connect(&m_timeout, &QTimer::timeout, this, [this] { Finish({}, NoAnswer()); });
}

PortalScreenshot::~PortalScreenshot() { Unsubscribe(); }

bool PortalScreenshot::Start(Done done) {
    if (Pending() || !done) return false;
    m_done = std::move(done);
    if (!m_bus.isConnected()) {
        // Reported from the event loop like every other answer.
        QTimer::singleShot(0, this, [this] { Finish({}, NoPortalText()); });
        return true;
    }
    // The request path is /org/freedesktop/portal/desktop/request/SENDER/TOKEN, SENDER being
    // the unique name without its ':' and with '.' turned into '_'.
    const QString token =
        QStringLiteral("lucivane%1_%2").arg(++m_serial).arg(QRandomGenerator::global()->generate());
    QString sender = m_bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    Subscribe(QStringLiteral("%1/request/%2/%3").arg(kObject, sender, token));

    QDBusMessage call = QDBusMessage::createMethodCall(
        kService, kObject, "org.freedesktop.portal.Screenshot", "Screenshot");
    const QVariantMap options{{"handle_token", token}, {"interactive", false}};
    call << QString() << options;
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, m_timeout.interval()), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* w) { OnCallFinished(w); });
    m_timeout.start();
    return true;
}

void PortalScreenshot::OnCallFinished(QDBusPendingCallWatcher* call) {
    call->deleteLater();
    if (!Pending()) return;
    QDBusPendingReply<QDBusObjectPath> reply = *call;
    if (reply.isError()) {
        const QDBusError::ErrorType type = reply.error().type();
        const bool missing =
            type == QDBusError::ServiceUnknown || type == QDBusError::UnknownObject ||
            type == QDBusError::UnknownInterface || type == QDBusError::UnknownMethod;
        Finish({}, missing ? NoPortalText() : Failed());
        return;
    }
    // Portals older than handle_token answer on a path of their own choosing.
    const QString path = reply.value().path();
    if (path != m_path) Subscribe(path);
}

void PortalScreenshot::Subscribe(const QString& path) {
    Unsubscribe();
    m_path = path;
    // Any sender: the path is ours alone, and the portal's unique name is not known yet.
    m_bus.connect(QString(), m_path, kRequest, "Response", this,
                  SLOT(OnResponse(uint, QVariantMap)));
}

void PortalScreenshot::Unsubscribe() {
    if (m_path.isEmpty()) return;
    m_bus.disconnect(QString(), m_path, kRequest, "Response", this,
                     SLOT(OnResponse(uint, QVariantMap)));
    m_path.clear();
}

void PortalScreenshot::OnResponse(uint response, const QVariantMap& results) {
    if (!Pending()) return;
    if (response == 1) return Finish({}, Refused());
    if (response != 0) return Finish({}, Failed());
    const QUrl uri(results.value("uri").toString());
    if (!uri.isLocalFile()) return Finish({}, Unreadable());
    const QString file = uri.toLocalFile();
    // Portals write PNG: read as such without probing every image plugin, others as found.
    QImage image = QImageReader(file, "png").read();
    if (image.isNull()) image = QImage(file);
    QFile::remove(file);  // the portal made it for this request alone
    if (image.isNull() || image.width() <= 0 || image.height() <= 0)
        return Finish({}, Unreadable());
    Finish(ScreenCopy::Normalised(std::move(image)), {});
}

void PortalScreenshot::Finish(QImage image, QString error) {
    m_timeout.stop();
    Unsubscribe();
    Done done = std::move(m_done);
    m_done = nullptr;
    if (done) done(std::move(image), std::move(error));
}
