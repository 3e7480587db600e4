#pragma once
// Helpers for programs inside the private headless sway session (scripts/wayland-session.sh):
// sway's IPC through swaymsg, captures through grim, waiting on conditions.

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRect>
#include <functional>

#include "tests/support/EndToEnd.h"

namespace sway_session {

using namespace test_support;  // WaitFor, Changed, ToImage

inline QByteArray Run(const QString& tool, const QStringList& args) {
    QProcess p;
    p.start(tool, args);
    p.waitForFinished(10000);
    return p.readAllStandardOutput();
}

inline QByteArray Sway(const QString& command) { return Run("swaymsg", {command}); }

inline Picture FromImage(const QImage& image) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    Picture p(rgb.width(), rgb.height());
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) p.At(x, y) = rgb.pixel(x, y) & 0xFFFFFFu;
    return p;
}

inline Picture Grim(const QStringList& args) {
    return FromImage(QImage::fromData(Run("grim", args + QStringList{"-"}), "PNG"));
}

// The whole layout as grim captures it, with the cursor (sway draws it into headless outputs).
// At mixed scales grim smooths the lower ones up: then each output alone, enlarged by whole
// pixels to the highest scale.
inline Picture Shot() {
    std::vector<std::pair<QJsonObject, int>> outputs;  // the active ones and their scales
    int k = 1;
    for (const QJsonValue& o :
         QJsonDocument::fromJson(Run("swaymsg", {"-t", "get_outputs"})).array())
        if (o["active"].toBool()) {
            outputs.emplace_back(o.toObject(), o["scale"].toInt(1));
            k = std::max(k, outputs.back().second);
        }
    if (std::all_of(outputs.begin(), outputs.end(), [&](auto& o) { return o.second == k; }))
        return Grim({});
    QRect box;
    for (auto& [o, scale] : outputs) {
        const QJsonObject r = o["rect"].toObject();
        box |= QRect(r["x"].toInt() * k, r["y"].toInt() * k, r["width"].toInt() * k,
                     r["height"].toInt() * k);
    }
    Picture all(box.width(), box.height());
    for (auto& [o, scale] : outputs) {
        const Picture one = Grim({"-o", o["name"].toString()});
        const QJsonObject r = o["rect"].toObject();
        const int n = k / scale, x0 = r["x"].toInt() * k, y0 = r["y"].toInt() * k;
        for (int y = 0; y < one.height * n; ++y)
            for (int x = 0; x < one.width * n; ++x)
                all.At(x0 - box.x() + x, y0 - box.y() + y) = one.At(x / n, y / n);
    }
    return all;
}

// The logical rectangles of the windows named `name`, full-screen ones or others.
inline std::vector<QRect> Windows(bool fullscreen, const QString& name = "Lucivane") {
    std::vector<QRect> out;
    std::function<void(const QJsonObject&)> walk = [&](const QJsonObject& n) {
        const QJsonObject r = n["rect"].toObject();
        if (n["pid"].toInt() > 0 && (n["fullscreen_mode"].toInt() != 0) == fullscreen &&
            (name.isEmpty() || n["name"] == name))
            out.emplace_back(r["x"].toInt(), r["y"].toInt(), r["width"].toInt(),
                             r["height"].toInt());
        for (const char* key : {"nodes", "floating_nodes"})
            for (const QJsonValue& c : n[key].toArray()) walk(c.toObject());
    };
    walk(QJsonDocument::fromJson(Run("swaymsg", {"-t", "get_tree"})).object());
    return out;
}

}  // namespace sway_session
