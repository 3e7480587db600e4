#include "platform/WlrScreencopy.h"

#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <QApplication>
#include <QMetaObject>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <cstring>
#include <memory>

#include "platform/Desktop.h"
#include "platform/ScreenCopy.h"
#include "wlr-screencopy-unstable-v1-client-protocol.h"

namespace {

// wl_shm formats: the two 32-bit ones every compositor must offer, and their byte-swapped kin.
constexpr uint32_t kXbgr8888 = 0x34324258, kAbgr8888 = 0x34324241;

struct Output {
    wl_output* proxy = nullptr;
    uint32_t version = 0;
    int32_t transform = WL_OUTPUT_TRANSFORM_NORMAL;
    QString name;
};

struct Frame {
    zwlr_screencopy_frame_v1* proxy = nullptr;
    uint32_t version = 0;
    uint32_t format = 0, width = 0, height = 0, stride = 0;
    bool offered = false, announced = false, copying = false, ready = false, failed = false,
         inverted = false;
    wl_buffer* buffer = nullptr;
    void* pixels = MAP_FAILED;
    size_t bytes = 0;

    Frame() = default;
    Frame(const Frame&) = delete;
    ~Frame() {
        if (proxy) zwlr_screencopy_frame_v1_destroy(proxy);
        if (buffer) wl_buffer_destroy(buffer);
        if (pixels != MAP_FAILED) munmap(pixels, bytes);
    }
    bool Finished() const { return ready || failed; }

    // A buffer of the offered size in shared memory, and the copy into it.
    void Copy(wl_shm* shm) {
        copying = true;
        bytes = size_t(stride) * height;
        if (!offered || QtFormat() == QImage::Format_Invalid || width == 0 || height == 0 ||
            stride < width * 4 || bytes > (size_t(1) << 31) - 1) {
            failed = true;
            return;
        }
        const int fd = memfd_create("lucivane-screencopy", MFD_CLOEXEC);
        if (fd < 0 || ftruncate(fd, off_t(bytes)) != 0 ||
            (pixels = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0)) ==
                MAP_FAILED) {
            if (fd >= 0) close(fd);
            failed = true;
            return;
        }
        wl_shm_pool* pool = wl_shm_create_pool(shm, fd, int32_t(bytes));
        buffer = wl_shm_pool_create_buffer(pool, 0, int32_t(width), int32_t(height),
                                           int32_t(stride), format);
        wl_shm_pool_destroy(pool);
        close(fd);  // the request carries a duplicate
        zwlr_screencopy_frame_v1_copy(proxy, buffer);
    }

    QImage::Format QtFormat() const {
        switch (format) {
            case WL_SHM_FORMAT_XRGB8888:
            case WL_SHM_FORMAT_ARGB8888:
                return QImage::Format_RGB32;
            case kXbgr8888:
            case kAbgr8888:
                return QImage::Format_RGBX8888;
            default:
                return QImage::Format_Invalid;
        }
    }

    // The output's picture, upright, as RGB32 (a deep copy: the mapping goes with the frame).
    QImage Picture() const {
        const QImage view(static_cast<const uchar*>(pixels), int(width), int(height), int(stride),
                          QtFormat());
        QImage picture = view.format() == QImage::Format_RGB32
                             ? view.copy()
                             : view.convertToFormat(QImage::Format_RGB32);
        return inverted ? picture.mirrored(false, true) : picture;
    }
};

const wl_output_listener kOutputListener = {
    [](void* data, wl_output*, int32_t, int32_t, int32_t, int32_t, int32_t, const char*,
       const char*, int32_t transform) { static_cast<Output*>(data)->transform = transform; },
    [](void*, wl_output*, uint32_t, int32_t, int32_t, int32_t) {},
    [](void*, wl_output*) {},
    [](void*, wl_output*, int32_t) {},
    [](void* data, wl_output*, const char* name) {
        static_cast<Output*>(data)->name = QString::fromUtf8(name);
    },
    [](void*, wl_output*, const char*) {},
};

const zwlr_screencopy_frame_v1_listener kFrameListener = {
    [](void* data, zwlr_screencopy_frame_v1*, uint32_t format, uint32_t width, uint32_t height,
       uint32_t stride) {
        auto* f = static_cast<Frame*>(data);
        // Several formats may be offered (version 3): keep the first one we read.
        if (!f->offered || f->QtFormat() == QImage::Format_Invalid) {
            f->format = format, f->width = width, f->height = height, f->stride = stride;
            f->offered = true;
        }
        if (f->version < 3) f->announced = true;  // then this one event is all there is
    },
    [](void* data, zwlr_screencopy_frame_v1*, uint32_t flags) {
        static_cast<Frame*>(data)->inverted = flags & ZWLR_SCREENCOPY_FRAME_V1_FLAGS_Y_INVERT;
    },
    [](void* data, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t) {
        static_cast<Frame*>(data)->ready = true;
    },
    [](void* data, zwlr_screencopy_frame_v1*) { static_cast<Frame*>(data)->failed = true; },
    [](void*, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t, uint32_t) {},
    [](void*, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t) {},
    [](void* data, zwlr_screencopy_frame_v1*) { static_cast<Frame*>(data)->announced = true; },
};

struct Globals {
    wl_shm* shm = nullptr;
    zwlr_screencopy_manager_v1* manager = nullptr;
    uint32_t managerVersion = 0;
    std::vector<std::unique_ptr<Output>> outputs;
};

const wl_registry_listener kRegistryListener = {
    [](void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version) {
        auto* g = static_cast<Globals*>(data);
        if (std::strcmp(interface, wl_shm_interface.name) == 0 && !g->shm) {
            g->shm = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
        } else if (std::strcmp(interface, zwlr_screencopy_manager_v1_interface.name) == 0 &&
                   !g->manager) {
            g->managerVersion = std::min(version, 3u);
            g->manager = static_cast<zwlr_screencopy_manager_v1*>(wl_registry_bind(
                registry, name, &zwlr_screencopy_manager_v1_interface, g->managerVersion));
        } else if (std::strcmp(interface, wl_output_interface.name) == 0) {
            auto out = std::make_unique<Output>();
            out->version = std::min(version, 4u);
            out->proxy = static_cast<wl_output*>(
                wl_registry_bind(registry, name, &wl_output_interface, out->version));
            wl_output_add_listener(out->proxy, &kOutputListener, out.get());
            g->outputs.push_back(std::move(out));
        }
    },
    [](void*, wl_registry*, uint32_t) {},
};

// Dispatches until `finished` holds, the deadline passes or the connection breaks.
bool DispatchUntil(wl_display* display, std::chrono::steady_clock::time_point deadline,
                   const std::function<bool()>& finished) {
    while (!finished()) {
        while (wl_display_prepare_read(display) != 0)
            if (wl_display_dispatch_pending(display) < 0) return false;
        if (finished()) {
            wl_display_cancel_read(display);
            break;
        }
        wl_display_flush(display);
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd p{wl_display_get_fd(display), POLLIN, 0};
        if (left.count() <= 0 || poll(&p, 1, int(left.count())) <= 0) {
            wl_display_cancel_read(display);
            return false;
        }
        if (wl_display_read_events(display) < 0 || wl_display_dispatch_pending(display) < 0)
            return false;
    }
    return true;
}

// `picture` into `rect` of `desktop`: as it is, by whole pixels when the rectangle is n times its
// size, else fitted (outputs at fractional scales).
void Place(QImage& desktop, QImage picture, const QRect& rect) {
    if (picture.isNull() || rect.isEmpty()) return;
    const int n = picture.width() > 0 ? rect.width() / picture.width() : 0;
    if (n < 1 || rect.size() != picture.size() * n) {
        picture = picture.scaled(rect.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                      .convertToFormat(QImage::Format_RGB32);
        return Place(desktop, std::move(picture), rect);
    }
    const QRect area = rect & desktop.rect();
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const auto* from =
            reinterpret_cast<const uint32_t*>(picture.constScanLine((y - rect.y()) / n));
        auto* to = reinterpret_cast<uint32_t*>(desktop.scanLine(y));
        for (int x = area.left(); x <= area.right(); ++x) to[x] = from[(x - rect.x()) / n];
    }
}

}  // namespace

WlrScreencopy::Result WlrScreencopy::Copy(const std::vector<Target>& targets, QSize size,
                                          int timeoutMs, QImage* image, QString* why) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    wl_display* display = wl_display_connect(nullptr);
    if (!display) {
        *why = QStringLiteral("no Wayland display");
        return Result::NoManager;
    }
    Globals g;
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &kRegistryListener, &g);
    Result result = Result::Failed;
    {
        // Two round trips: the globals, then the outputs' own events (their names).
        bool answered = true;
        for (int i = 0; i < 2 && answered; ++i) {
            bool synced = false;
            static const wl_callback_listener kSynced = {
                [](void* data, wl_callback*, uint32_t) { *static_cast<bool*>(data) = true; }};
            wl_callback* sync = wl_display_sync(display);
            wl_callback_add_listener(sync, &kSynced, &synced);
            answered = DispatchUntil(display, deadline, [&] { return synced; });
            wl_callback_destroy(sync);
        }
        std::vector<std::unique_ptr<Frame>> frames;
        if (!answered) {
            *why = QStringLiteral("the compositor did not answer");
        } else if (!g.manager || !g.shm) {
            *why = QStringLiteral("the compositor offers no zwlr_screencopy_manager_v1");
            result = Result::NoManager;
        } else {
            // Each screen's output, by name; one screen and one output need none.
            for (const Target& t : targets) {
                Output* match =
                    g.outputs.size() == 1 && targets.size() == 1 ? g.outputs[0].get() : nullptr;
                for (auto& o : g.outputs)
                    if (!t.name.isEmpty() && o->name == t.name) match = o.get();
                if (!match || match->transform != WL_OUTPUT_TRANSFORM_NORMAL) {
                    *why = QStringLiteral("no untransformed output for the screen ") + t.name;
                    frames.clear();
                    break;
                }
                auto& f = frames.emplace_back(std::make_unique<Frame>());
                f->version = g.managerVersion;
                f->proxy = zwlr_screencopy_manager_v1_capture_output(g.manager, 0, match->proxy);
                zwlr_screencopy_frame_v1_add_listener(f->proxy, &kFrameListener, f.get());
            }
        }
        if (!frames.empty()) {
            const bool finished = DispatchUntil(display, deadline, [&] {
                bool all = true;
                for (auto& f : frames) {
                    if (f->announced && !f->copying) f->Copy(g.shm);
                    all = all && f->Finished();
                }
                return all;
            });
            bool copied = finished;
            for (auto& f : frames) copied = copied && f->ready;
            if (!copied) {
                *why = finished ? QStringLiteral("the compositor could not copy an output")
                                : QStringLiteral("the compositor did not copy in time");
            } else {
                QImage desktop(size, QImage::Format_RGB32);
                desktop.fill(0);
                for (size_t i = 0; i < frames.size(); ++i)
                    Place(desktop, frames[i]->Picture(), targets[i].device);
                *image = ScreenCopy::Normalised(std::move(desktop));
                result = Result::Copied;
            }
        }
    }
    for (auto& o : g.outputs)
        o->version >= 3 ? wl_output_release(o->proxy) : wl_output_destroy(o->proxy);
    if (g.manager) zwlr_screencopy_manager_v1_destroy(g.manager);
    if (g.shm) wl_shm_destroy(g.shm);
    wl_registry_destroy(registry);
    wl_display_flush(display);
    wl_display_disconnect(display);
    return result;
}

WlrScreencopy::WlrScreencopy(int timeoutMs) : m_timeoutMs(timeoutMs) {}

WlrScreencopy::~WlrScreencopy() {
    if (m_worker.joinable()) m_worker.join();
}

bool WlrScreencopy::Start(Done done) {
    if (Pending() || !done) return false;
    if (m_worker.joinable()) m_worker.join();
    m_done = std::move(done);
    // The click that asks for the copy leaves its button to repaint later; the compositor copies
    // the frame it draws next, which must show our windows as they are now (the portal's delay
    // hid this). So paint them at once, and copy once the event loop has sent that out.
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible()) window->repaint();
    QTimer::singleShot(0, &m_context, [this] {
        std::vector<Target> targets;
        for (const Desktop::Part& part : Desktop::Parts())
            targets.push_back({part.screen->name(), part.device});
        m_worker =
            std::thread([this, targets = std::move(targets), size = Desktop::Bounds().size()] {
                QImage image;
                QString why;
                const Result result = Copy(targets, size, m_timeoutMs, &image, &why);
                QMetaObject::invokeMethod(
                    &m_context,
                    [this, result, image = std::move(image), why = std::move(why)]() mutable {
                        m_worker.join();
                        std::exchange(m_done, {})(result, std::move(image), std::move(why));
                    },
                    Qt::QueuedConnection);
            });
    });
    return true;
}
