#pragma once
// A stand-in `xdg-open` on disk: a shell script that stores the arguments of every start in a
// directory of its own (one file per argument, byte for byte), so a test can run the real
// process start and read back exactly what the opener received.

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
        if (!dir_.isValid() || !QDir(dir_.path()).mkdir(QStringLiteral("calls"))) return;
        QFile script(Directory() + QStringLiteral("/xdg-open"));
        if (!script.open(QIODevice::WriteOnly)) return;
        // The arguments are only ever expanded inside double quotes.
        script.write(
            "#!/bin/sh\n"
            "call=$(mktemp -d \"$(dirname \"$0\")/calls/call.XXXXXX\") || exit 1\n"
            "i=0\n"
            "for arg in \"$@\"; do\n"
            "  i=$((i + 1))\n"
            "  printf '%s' \"$arg\" > \"$call/arg$i\"\n"
            "done\n"
            "printf '%s' \"$#\" > \"$call/argc\"\n"
            "touch \"$call/done\"\n");
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
        QStringList done;
        while (true) {
            done = FinishedCalls();
            if (done.size() >= count || timer.elapsed() > timeoutMs) break;
            QTest::qWait(20);
        }
        std::vector<QList<QByteArray>> calls;
        for (const QString& call : done) {
            QList<QByteArray> argv;
            const int argc = Read(call + QStringLiteral("/argc")).toInt();
            for (int i = 1; i <= argc; ++i) argv << Read(call + QStringLiteral("/arg%1").arg(i));
            calls.push_back(argv);
        }
        return calls;
    }

  private:
    QStringList FinishedCalls() const {
        QStringList out;
        const QDir calls(Directory() + QStringLiteral("/calls"));
        for (const QString& name : calls.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            const QString path = calls.filePath(name);
            if (QFile::exists(path + QStringLiteral("/done"))) out << path;
        }
        return out;
    }

    static QByteArray Read(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir dir_;
    bool valid_ = false;
};
