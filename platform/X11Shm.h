#pragma once
// Images in MIT-SHM segments that the X server reads and writes itself (same machine only), on
// the application's own xcb connection. X11 only.

#include <xcb/shm.h>
#include <xcb/xcb.h>

#include <QImage>

// The application's xcb connection (nullptr off xcb).
xcb_connection_t* X11Connection();

// True when the first screen's root is 24-bit TrueColor in 32-bit little-endian pixels, the
// only layout read and written as RGB32 here.
bool X11RootIsRgb32(xcb_connection_t* c);

// An RGB32 image of `size` whose pixels live in a segment attached to the server (contents
// undefined); null where shared memory is unavailable (a remote display) or fails.
QImage X11ShmImage(QSize size);

// The server's id of the segment holding `image`'s pixels (0: not in one of ours).
xcb_shm_seg_t X11ShmSegment(const QImage& image);
