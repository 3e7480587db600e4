#pragma once
// A private D-Bus bus for one test that starts no services on demand (a session bus would start
// the real desktop portal when asked for it). Ended with the object.

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryFile>

namespace test_support {

class PrivateBus {
  public:
    PrivateBus() {
        if (!config_.open()) return;
        config_.write(
            R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen><auth>EXTERNAL</auth>
<policy context="default"><allow send_destination="*" eavesdrop="true"/><allow eavesdrop="true"/>
<allow own="*"/></policy></busconfig>
)");
        config_.flush();
        daemon_.start("dbus-daemon",
                      {"--config-file=" + config_.fileName(), "--nofork", "--print-address=1"});
        if (daemon_.waitForReadyRead(10000))
            address_ = QString::fromUtf8(daemon_.readLine().trimmed());
    }
    ~PrivateBus() {
        daemon_.kill();
        daemon_.waitForFinished();
    }
    // The bus address; empty when the daemon did not start.
    const QString& address() const { return address_; }

  private:
    QTemporaryFile config_;
    QProcess daemon_;
    QString address_;
};

}  // namespace test_support
