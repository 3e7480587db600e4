#pragma once
// A private X server for one test (Xvfb picks a free display itself and reports it through
// -displayfd) and child processes that are killed whatever the test's outcome.

#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSize>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

namespace test_support {

class OwnedProcess {
  public:
    OwnedProcess() = default;
    ~OwnedProcess() {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(5000);
        }
    }
    OwnedProcess(const OwnedProcess&) = delete;
    OwnedProcess& operator=(const OwnedProcess&) = delete;

    // The next whole line of output without its line end, or an empty string after `timeoutMs`
    // or when the process has ended.
    QByteArray ReadLine(int timeoutMs) {
        QElapsedTimer timer;
        timer.start();
        while (!process.canReadLine() && timer.elapsed() < timeoutMs &&
               process.state() != QProcess::NotRunning) {
            process.waitForReadyRead(100);
        }
        return process.canReadLine() ? process.readLine().trimmed() : QByteArray();
    }

    QProcess process;
};

class Xvfb {
  public:
    static bool Installed(const char* tool = "Xvfb") {
        return !QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty();
    }

    explicit Xvfb(QSize screen) {
        const QString geometry =
            QStringLiteral("%1x%2x24").arg(screen.width()).arg(screen.height());
        server_.process.start(QStringLiteral("Xvfb"), {"-displayfd", "1", "-screen", "0", geometry,
                                                       "-nolisten", "tcp", "-noreset"});
        if (!server_.process.waitForStarted(5000)) return;
        const QByteArray number = server_.ReadLine(15000);
        if (!number.isEmpty()) display_ = QStringLiteral(":") + QString::fromLatin1(number);
    }

    bool ok() const { return !display_.isEmpty(); }
    const QString& display() const { return display_; }  // ":N"

    // The test's own environment, with DISPLAY pointing here and Qt on xcb.
    QProcessEnvironment ClientEnvironment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), display_);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        return env;
    }

    // Starts `program` on this server (stderr passed through); false if it did not start.
    bool Start(OwnedProcess& client, const QString& program, const QProcessEnvironment& env) const {
        client.process.setProcessEnvironment(env);
        client.process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        client.process.start(program, QStringList());
        return client.process.waitForStarted(5000);
    }

    // Runs an X client tool (xdotool, xclip, import …) on this server; its standard output, or
    // an empty array when it fails.
    QByteArray Run(const QString& tool, const QStringList& args, int timeoutMs = 10000) const {
        OwnedProcess client;
        client.process.setProcessEnvironment(ClientEnvironment());
        client.process.start(tool, args);
        if (!client.process.waitForFinished(timeoutMs) || client.process.exitCode() != 0) return {};
        return client.process.readAllStandardOutput();
    }

    // The whole screen, read back by ImageMagick's import (XGetImage underneath).
    QImage Grab() const {
        return QImage::fromData(Run(QStringLiteral("import"), {"-window", "root", "png:-"}), "PNG");
    }

  private:
    OwnedProcess server_;
    QString display_;
};

}  // namespace test_support
