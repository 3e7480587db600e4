#pragma once
// Helpers for programs that run inside the private headless sway session
// (scripts/wayland-session.sh): sway's IPC through swaymsg, captures through grim, waiting on
// conditions. Shared by the Wayland end-to-end test and benchmark.

#include <QElapsedTimer>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRect>
#include <QThread>
#include <functional>
#include <vector>

#include "tests/support/LensModel.h"

namespace sway_session {

inline QByteArray Run(const QString& tool, const QStringList& args) {
    QProcess p;
    p.start(tool, args);
    p.waitForFinished(10000);
    return p.readAllStandardOutput();
}

inline QByteArray Sway(const QString& command) { return Run("swaymsg", {command}); }

inline bool WaitFor(const std::function<bool()>& done, int ms = 10000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms) return false;
        QThread::msleep(20);
    }
    return true;
}

inline Picture FromImage(const QImage& image) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    Picture p(rgb.width(), rgb.height());
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) p.At(x, y) = rgb.pixel(x, y) & 0xFFFFFFu;
    return p;
}

inline QImage ToImage(const Picture& p) {
    return QImage(reinterpret_cast<const uchar*>(p.pixels.data()), p.width, p.height,
                  QImage::Format_RGB32)
        .copy();
}

// The whole layout as grim captures it.
inline Picture Shot() { return FromImage(QImage::fromData(Run("grim", {"-"}), "PNG")); }

inline long Changed(const Picture& a, const Picture& b) {
    if (a.width != b.width || a.height != b.height) return -1;
    long n = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i) n += a.pixels[i] != b.pixels[i];
    return n;
}

// Every window in sway's tree: {name, fullscreen, logical rectangle}.
struct Node {
    QString name;
    bool fullscreen;
    QRect rect;
};
inline void Collect(const QJsonObject& n, std::vector<Node>& out) {
    if (n.value("type") == "con" || n.value("type") == "floating_con") {
        const QJsonObject r = n.value("rect").toObject();
        out.push_back(
            {n.value("name").toString(), n.value("fullscreen_mode").toInt() != 0,
             QRect(r["x"].toInt(), r["y"].toInt(), r["width"].toInt(), r["height"].toInt())});
    }
    for (const char* key : {"nodes", "floating_nodes"})
        for (const QJsonValue& c : n.value(key).toArray()) Collect(c.toObject(), out);
}
inline std::vector<Node> Windows() {
    std::vector<Node> out;
    Collect(QJsonDocument::fromJson(Run("swaymsg", {"-t", "get_tree"})).object(), out);
    return out;
}
inline int Fullscreen() {
    int n = 0;
    for (const Node& w : Windows()) n += w.fullscreen;
    return n;
}

}  // namespace sway_session
