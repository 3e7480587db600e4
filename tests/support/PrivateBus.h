#pragma once
// A private D-Bus bus for one test that starts no services on demand (a session bus would start
// the real desktop portal when asked for it). Ended with the object.

#include <QProcess>
#include <QString>
#include <QTemporaryFile>

namespace test_support {

class PrivateBus {
  public:
    PrivateBus() {
        if (!m_config.open()) return;
        m_config.write(R"(<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen>
<policy context="default"><allow send_destination="*" eavesdrop="true"/><allow eavesdrop="true"/>
<allow own="*"/></policy></busconfig>)");
        m_config.flush();
        m_daemon.start("dbus-daemon",
                       {"--config-file=" + m_config.fileName(), "--nofork", "--print-address=1"});
        if (m_daemon.waitForReadyRead(10000))
            m_address = QString::fromUtf8(m_daemon.readLine().trimmed());
    }
    ~PrivateBus() {
        m_daemon.kill();
        m_daemon.waitForFinished();
    }
    // The bus address; empty when the daemon did not start.
    const QString& address() const { return m_address; }

  private:
    QTemporaryFile m_config;
    QProcess m_daemon;
    QString m_address;
};

}  // namespace test_support
