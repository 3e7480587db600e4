#pragma once
// Replaces the shell opener for one test and records every call in order.

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "platform/ShellExecute.h"

struct OpenerCall {
    QString program;
    QStringList args;
};

class OpenerRecorder {
  public:
    OpenerRecorder() {
        previous_ =
            platform::SetShellOpener([this](const QString& program, const QStringList& args) {
                calls.push_back({program, args});
                if (onCall) onCall(calls.size());
                return succeed;
            });
    }
    ~OpenerRecorder() { platform::SetShellOpener(previous_); }
    OpenerRecorder(const OpenerRecorder&) = delete;
    OpenerRecorder& operator=(const OpenerRecorder&) = delete;

    // The single argument of each call; a call with another argument count shows as "<argc=N>".
    QStringList Addresses() const {
        QStringList out;
        for (const OpenerCall& call : calls) {
            out << (call.args.size() == 1 ? call.args.front()
                                          : QStringLiteral("<argc=%1>").arg(call.args.size()));
        }
        return out;
    }

    std::vector<OpenerCall> calls;
    bool succeed = true;
    std::function<void(size_t callNumber)> onCall;

  private:
    platform::ShellOpener previous_;
};
