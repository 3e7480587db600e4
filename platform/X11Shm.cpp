#include "platform/X11Shm.h"

#include <QtGui/qguiapplication_platform.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <QGuiApplication>
#include <QTimer>
#include <cstdlib>
#include <unordered_map>

namespace {

struct Segment {
    xcb_shm_seg_t id = 0;
    void* address = nullptr;
    size_t bytes = 0;
};

// How long a segment whose image went is kept for the next image of its size (the next Start):
// fresh shared pages cost a page fault each, in this process and in the server.
constexpr int kKeepMs = 5000;

// Our attached segments in use, by address.
std::unordered_map<const void*, Segment>& Segments() {
    static std::unordered_map<const void*, Segment> segments;
    return segments;
}

struct Spare {
    Segment segment;
    int generation = 0;
};

Spare& TheSpare() {
    static Spare spare;
    return spare;
}

void Free(const Segment& segment) {
    // The server detaches after every request sent before, so pending puts still read it.
    if (xcb_connection_t* c = X11Connection()) {
        xcb_shm_detach(c, segment.id);
        xcb_flush(c);
    }
    shmdt(segment.address);
}

void DropSpare() {
    Spare& spare = TheSpare();
    if (spare.segment.address) Free(spare.segment);
    spare.segment = Segment();
    ++spare.generation;
}

bool Attach(xcb_connection_t* c, int shmId, xcb_shm_seg_t& seg) {
    seg = xcb_generate_id(c);
    xcb_generic_error_t* error = xcb_request_check(c, xcb_shm_attach_checked(c, seg, shmId, 0));
    free(error);
    return error == nullptr;
}

void Release(void* address) {
    auto& segments = Segments();
    const auto it = segments.find(address);
    if (it == segments.end()) return;
    const Segment segment = it->second;
    segments.erase(it);
    if (!qGuiApp) {
        Free(segment);
        return;
    }
    DropSpare();
    Spare& spare = TheSpare();
    spare.segment = segment;
    const int generation = spare.generation;
    QTimer::singleShot(kKeepMs, qGuiApp, [generation] {
        if (TheSpare().generation == generation) DropSpare();
    });
}

// Whether the server can attach our segments: asked once, by attaching a small one, as a remote
// server cannot.
bool ShmUsable(xcb_connection_t* c) {
    static int usable = -1;
    if (usable >= 0) return usable != 0;
    usable = 0;
    const xcb_query_extension_reply_t* ext = xcb_get_extension_data(c, &xcb_shm_id);
    if (!ext || !ext->present) return false;
    const int id = shmget(IPC_PRIVATE, 4096, IPC_CREAT | 0600);
    if (id < 0) return false;
    void* address = shmat(id, nullptr, 0);
    shmctl(id, IPC_RMID, nullptr);
    if (address == reinterpret_cast<void*>(-1)) return false;
    xcb_shm_seg_t seg = 0;
    if (Attach(c, id, seg)) {
        usable = 1;
        xcb_shm_detach(c, seg);
    }
    shmdt(address);
    return usable != 0;
}

}  // namespace

xcb_connection_t* X11Connection() {
    auto* app = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return app ? app->connection() : nullptr;
}

bool X11RootIsRgb32(xcb_connection_t* c) {
    const xcb_setup_t* setup = xcb_get_setup(c);
    const xcb_screen_t* screen = xcb_setup_roots_iterator(setup).data;
    if (!screen || screen->root_depth != 24) return false;
    if (setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST) return false;
    for (auto f = xcb_setup_pixmap_formats_iterator(setup); f.rem; xcb_format_next(&f))
        if (f.data->depth == 24) return f.data->bits_per_pixel == 32;
    return false;
}

QImage X11ShmImage(QSize size) {
    xcb_connection_t* c = X11Connection();
    if (!c || size.isEmpty() || !ShmUsable(c)) return {};
    const size_t bytes = size_t(size.width()) * size_t(size.height()) * 4;
    Segment segment;
    if (TheSpare().segment.bytes == bytes) {
        segment = TheSpare().segment;
        TheSpare().segment = Segment();
        ++TheSpare().generation;
    } else {
        DropSpare();
        const int id = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
        if (id < 0) return {};
        void* address = shmat(id, nullptr, 0);
        const bool attached = address != reinterpret_cast<void*>(-1) && Attach(c, id, segment.id);
        shmctl(id, IPC_RMID, nullptr);  // gone once both sides have detached
        if (!attached) {
            if (address != reinterpret_cast<void*>(-1)) shmdt(address);
            return {};
        }
        segment.address = address;
        segment.bytes = bytes;
    }
    void* address = segment.address;
    Segments()[address] = segment;
    return QImage(static_cast<uchar*>(address), size.width(), size.height(), size.width() * 4,
                  QImage::Format_RGB32, Release, address);
}

xcb_shm_seg_t X11ShmSegment(const QImage& image) {
    if (image.isNull() || image.bytesPerLine() != image.width() * 4) return 0;
    const auto it = Segments().find(image.constBits());
    return it == Segments().end() ? 0 : it->second.id;
}
