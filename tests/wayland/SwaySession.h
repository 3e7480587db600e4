#pragma once
// Helpers for programs inside the private headless sway session (scripts/wayland-session.sh):
// sway's IPC through swaymsg, captures through grim, waiting on conditions.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <functional>

#include "tests/support/EndToEnd.h"

namespace sway_session {

using namespace test_support;  // WaitFor, Changed, ToImage, FromImage

inline QByteArray Run(const QString& tool, const QStringList& args) {
    QProcess p;
    p.start(tool, args);
    p.waitForFinished(10000);
    return p.readAllStandardOutput();
}

inline QByteArray Sway(const QString& command) { return Run("swaymsg", {command}); }

inline Picture Grim(const QStringList& args) {
    return FromImage(QImage::fromData(Run("grim", args + QStringList{"-"}), "PNG"));
}

inline QRect Rect(const QJsonValue& r) {
    return QRect(r["x"].toInt(), r["y"].toInt(), r["width"].toInt(), r["height"].toInt());
}

// `one` enlarged `n` times by whole pixels, into `all` at `at`.
inline void PlaceEnlarged(Picture& all, const Picture& one, int n, QPoint at) {
    for (int y = 0; y < one.height * n; ++y)
        for (int x = 0; x < one.width * n; ++x)
            all.At(at.x() + x, at.y() + y) = one.At(x / n, y / n);
}

// The whole layout as grim captures it, with the cursor (sway draws it into headless outputs).
// At mixed scales grim smooths the lower ones up: then each output alone, enlarged by whole
// pixels to the highest scale.
inline Picture Shot() {
    QJsonArray outputs;        // the active ones
    int low = 1 << 30, k = 1;  // the lowest and the highest scale
    for (const QJsonValue& o :
         QJsonDocument::fromJson(Run("swaymsg", {"-t", "get_outputs"})).array()) {
        if (!o["active"].toBool()) continue;
        outputs.append(o);
        low = std::min(low, o["scale"].toInt(1));
        k = std::max(k, o["scale"].toInt(1));
    }
    if (low >= k) return Grim({});
    QRect box;
    for (const QJsonValue& o : outputs) box |= Rect(o["rect"]);
    Picture all(box.width() * k, box.height() * k);
    for (const QJsonValue& o : outputs)
        PlaceEnlarged(all, Grim({"-o", o["name"].toString()}), k / o["scale"].toInt(1),
                      (Rect(o["rect"]).topLeft() - box.topLeft()) * k);
    return all;
}

// The logical rectangles of the windows named `name`, full-screen ones or others.
inline std::vector<QRect> Windows(bool fullscreen, const QString& name = "Lucivane") {
    std::vector<QRect> out;
    std::function<void(const QJsonObject&)> walk = [&](const QJsonObject& n) {
        if (n["pid"].toInt() > 0 && (n["fullscreen_mode"].toInt() != 0) == fullscreen &&
            (name.isEmpty() || n["name"] == name))
            out.push_back(Rect(n["rect"]));
        for (const char* key : {"nodes", "floating_nodes"})
            for (const QJsonValue& c : n[key].toArray()) walk(c.toObject());
    };
    walk(QJsonDocument::fromJson(Run("swaymsg", {"-t", "get_tree"})).object());
    return out;
}

}  // namespace sway_session
