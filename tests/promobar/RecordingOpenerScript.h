#pragma once
// A stand-in `xdg-open` on disk: a shell script that stores the arguments of every start, byte
// for byte, in a file of its own, so a test can run the real process start and read back
// exactly what the opener received.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QtGlobal>
#include <vector>

// Puts `path` in PATH for the lifetime of the object.
class ScopedPath {
  public:
    explicit ScopedPath(const QString& path) : saved_(qgetenv("PATH")) {
        qputenv("PATH", path.toLocal8Bit());
    }
    ~ScopedPath() { qputenv("PATH", saved_); }
    ScopedPath(const ScopedPath&) = delete;
    ScopedPath& operator=(const ScopedPath&) = delete;

  private:
    QByteArray saved_;
};

class RecordingOpenerScript {
  public:
    RecordingOpenerScript() {
        QFile script(Directory() + QStringLiteral("/xdg-open"));
        if (!dir_.isValid() || !script.open(QIODevice::WriteOnly)) return;
        // Each argument ends with a NUL; the file gets its final name only once it is complete.
        // The arguments are only ever expanded inside double quotes.
        script.write(
            "#!/bin/sh\n"
            "call=$(mktemp \"$(dirname \"$0\")/partial.XXXXXX\") || exit 1\n"
            "for arg in \"$@\"; do printf '%s\\0' \"$arg\"; done > \"$call\"\n"
            "mv \"$call\" \"$call.call\"\n");
        script.close();
        valid_ = script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                       QFileDevice::ExeOwner);
    }

    bool IsValid() const { return valid_; }
    QString Directory() const { return dir_.path(); }

    // The argument lists of the finished calls, waiting up to `timeoutMs` for `count` of them.
    std::vector<QList<QByteArray>> WaitForCalls(int count, int timeoutMs) const {
        QElapsedTimer timer;
        timer.start();
        const QDir dir(Directory());
        QStringList done;
        while ((done = dir.entryList({QStringLiteral("*.call")}, QDir::Files)).size() < count &&
               timer.elapsed() <= timeoutMs) {
            QTest::qWait(20);
        }
        std::vector<QList<QByteArray>> calls;
        for (const QString& name : done) {
            QFile file(dir.filePath(name));
            QList<QByteArray> argv =
                file.open(QIODevice::ReadOnly) ? file.readAll().split('\0') : QList<QByteArray>{{}};
            argv.removeLast();  // after the last NUL
            calls.push_back(argv);
        }
        return calls;
    }

  private:
    QTemporaryDir dir_;
    bool valid_ = false;
};
