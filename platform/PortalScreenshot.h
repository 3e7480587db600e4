#pragma once
// The whole desktop copied through the desktop portal (org.freedesktop.portal.Screenshot), the
// way a Wayland desktop lets a program read the screen. Asynchronous: Start returns at once and
// the answer arrives through the event loop (a first use on GNOME or KDE may ask the user).
//
// The portal answers with a Response signal on a request object whose path follows from the
// caller's unique bus name and the handle_token the call passes; the subscription is made
// before the call, so an answer that comes before the call's own reply is not missed. The
// image is read from the file the portal names, and that one file is removed.

#include <QDBusConnection>
#include <QImage>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QVariantMap>
#include <functional>

class QDBusPendingCallWatcher;

class PortalScreenshot : public QObject {
    Q_OBJECT
  public:
    // `image` is the copy (Format_RGB32, top byte 0) or null; then `error` says for the user,
    // in one or two short sentences, what happened and what to install or allow.
    using Done = std::function<void(QImage image, QString error)>;

    explicit PortalScreenshot(QDBusConnection bus = QDBusConnection::sessionBus(),
                              int timeoutMs = 10000);
    ~PortalScreenshot() override;

    // Asks the portal; `done` runs exactly once, later, from the event loop. Returns false and
    // does nothing while an earlier request is pending.
    bool Start(Done done);
    bool Pending() const { return static_cast<bool>(m_done); }

    // The user-facing texts (also used by whoever cannot reach a portal at all).
    static QString NoPortalText();

  private slots:
    void OnResponse(uint response, const QVariantMap& results);

  private:
    void OnCallFinished(QDBusPendingCallWatcher* call);
    void Subscribe(const QString& path);
    void Unsubscribe();
    void Finish(QImage image, QString error);

    QDBusConnection m_bus;
    QString m_path;  // the request object listened to
    QTimer m_timeout;
    Done m_done;
    quint64 m_serial = 0;
};
