#pragma once
// A private X server for one test, and child processes that are killed whatever the test's
// outcome. The server picks a free display itself and reports it through -displayfd: Xvfb, or
// Xorg with the dummy driver (RandR monitors, so several screens), with openbox managing it when
// asked.

#include <QDeadlineTimer>
#include <QProcess>
#include <QRect>
#include <QTemporaryDir>
#include <QThread>
#include <memory>

namespace test_support {

// A child process, killed whatever the test's outcome.
class OwnedProcess : public QProcess {
  public:
    ~OwnedProcess() override {
        kill();
        waitForFinished(5000);
    }

    // The next whole line of output without its line end, or an empty string after `timeoutMs`
    // or when the process has ended.
    QByteArray ReadLine(int timeoutMs) {
        for (QDeadlineTimer end(timeoutMs); !canReadLine() && !end.hasExpired();)
            if (!waitForReadyRead(100) && state() == NotRunning) break;
        return canReadLine() ? readLine().trimmed() : QByteArray();
    }
};

class Xvfb {
  public:
    explicit Xvfb(QSize screen) {
        const QString geometry =
            QStringLiteral("%1x%2x24").arg(screen.width()).arg(screen.height());
        Launch(QStringLiteral("Xvfb"), {"-screen", "0", geometry});
    }

    // Xorg with the dummy driver and `config` (it needs root): one RandR monitor per rectangle of
    // `monitors` (the first primary), the root their bounding box. Not ok() where that fails.
    static std::unique_ptr<Xvfb> XorgDummy(const QList<QRect>& monitors, const QString& config) {
        auto x = std::unique_ptr<Xvfb>(new Xvfb());
        QRect desktop;
        for (const QRect& m : monitors) desktop |= m;
        x->Launch(QStringLiteral("Xorg"),
                  {"-config", config, "-logfile", x->m_dir.filePath(QStringLiteral("log")),
                   "+extension", "RANDR"});
        if (!x->ok()) return x;
        const auto size = [](QSize s) {
            return QStringLiteral("%1x%2").arg(s.width()).arg(s.height());
        };
        bool ok = false;
        x->Run(QStringLiteral("xrandr"),
               {"--output", "DUMMY0", "--mode", size(monitors.value(0).size()), "--fb",
                size(desktop.size())},
               10000, &ok);
        for (int i = 0; ok && i < monitors.size(); ++i) {
            const QRect& m = monitors[i];
            const QString spec =
                QString::asprintf("%d/300x%d/300+%d+%d", m.width(), m.height(), m.x(), m.y());
            x->Run(QStringLiteral("xrandr"),
                   {"--setmonitor", QStringLiteral("M%1").arg(i), spec, i == 0 ? "DUMMY0" : "none"},
                   10000, &ok);
        }
        if (!ok) x->m_display.clear();
        return x;
    }

    // Starts openbox on this server and waits until it manages the screen.
    bool StartOpenbox() {
        if (!ok() || !Start(m_wm, QStringLiteral("openbox"), ClientEnvironment(), {"--sm-disable"}))
            return false;
        for (int i = 0; i < 200; ++i, QThread::msleep(50))
            if (Run(QStringLiteral("xprop"), {"-root", "_NET_SUPPORTING_WM_CHECK"})
                    .contains("window id"))
                return true;
        return false;
    }

    bool ok() const { return !m_display.isEmpty(); }
    const QString& display() const { return m_display; }  // ":N"

    // The test's own environment, with DISPLAY pointing here and Qt on xcb.
    QProcessEnvironment ClientEnvironment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), m_display);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        return env;
    }

    // Starts `program` on this server (stderr passed through); false if it did not start.
    bool Start(OwnedProcess& client, const QString& program, const QProcessEnvironment& env,
               const QStringList& args = {}) const {
        client.setProcessEnvironment(env);
        client.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        client.start(program, args);
        return client.waitForStarted(5000);
    }

    // Runs an X client tool (xdotool, xclip, import …) on this server; its standard output, or
    // an empty array when it fails (then `ok`, if given, is false).
    QByteArray Run(const QString& tool, const QStringList& args, int timeoutMs = 10000,
                   bool* ok = nullptr) const {
        OwnedProcess client;
        client.setProcessEnvironment(ClientEnvironment());
        client.start(tool, args);
        const bool done = client.waitForFinished(timeoutMs) &&
                          client.exitStatus() == QProcess::NormalExit && client.exitCode() == 0;
        if (ok) *ok = done;
        return done ? client.readAllStandardOutput() : QByteArray();
    }

  private:
    Xvfb() = default;

    void Launch(const QString& server, QStringList args) {
        args << QStringList{"-displayfd", "1", "-nolisten", "tcp", "-noreset"};
        m_server.start(server, args);  // ReadLine gives nothing when it did not start
        const QByteArray number = m_server.ReadLine(20000);
        if (!number.isEmpty()) m_display = QStringLiteral(":") + QString::fromLatin1(number);
    }

    QTemporaryDir m_dir;
    OwnedProcess m_server;
    OwnedProcess m_wm;  // after the server: ends before it
    QString m_display;
};

}  // namespace test_support
