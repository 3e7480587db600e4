#include "gdi/Clipboard.h"

#include <utility>

#include "gdi/Bitmap.h"
#include "gdi/GdiState.h"
#include "gdi/GdiTesting.h"
#include "gdi/Immortal.h"

namespace gdi {

namespace {

struct ClipboardState {
    bool open = false;
    bool heldByOther = false;
    bool setThisSession = false;
    HBITMAP bitmap = 0;
    ClipboardPublisher publisher;
};

// Immortal, like the handle table the held bitmap lives in.
ClipboardState& State() { return Immortal<ClipboardState>(); }

HandleTable& Objects() { return GdiState::Instance().Objects(); }

// Deletes the held bitmap. A holder that already deleted it behind the clipboard's back leaves
// a stale handle, which DeleteObject refuses harmlessly.
void DropHeld(ClipboardState& s) {
    if (s.bitmap != 0) DeleteObject(s.bitmap);
    s.bitmap = 0;
}

}  // namespace

BOOL OpenClipboard(HWND /*hWnd: no owner window is tracked*/) {
    ClipboardState& s = State();
    if (s.open || s.heldByOther) return 0;
    s.open = true;
    s.setThisSession = false;
    return 1;
}

BOOL EmptyClipboard() {
    ClipboardState& s = State();
    if (!s.open) return 0;
    DropHeld(s);
    return 1;
}

HANDLE SetClipboardData(UINT uFormat, HANDLE hMem) {
    ClipboardState& s = State();
    if (!s.open || uFormat != CF_BITMAP) return 0;
    const Bitmap* bitmap = Objects().Get<Bitmap>(hMem);
    if (bitmap == nullptr || Objects().IsStock(hMem) || bitmap->SelectedInto() != 0) return 0;
    if (s.bitmap != hMem) DropHeld(s);
    s.bitmap = hMem;
    s.setThisSession = true;
    return hMem;
}

BOOL CloseClipboard() {
    ClipboardState& s = State();
    if (!s.open) return 0;
    s.open = false;
    const bool publish = s.setThisSession && s.bitmap != 0;
    s.setThisSession = false;
    if (publish && s.publisher) s.publisher(s.bitmap);
    return 1;
}

void SetClipboardPublisher(ClipboardPublisher publisher) {
    State().publisher = std::move(publisher);
}

namespace testing {

HBITMAP ClipboardBitmap() { return State().bitmap; }

bool ClipboardIsOpen() { return State().open; }

void HoldClipboardOpen(bool held) { State().heldByOther = held; }

void ResetClipboard() {
    ClipboardState& s = State();
    DropHeld(s);
    s.open = false;
    s.heldByOther = false;
    s.setThisSession = false;
    s.publisher = nullptr;
}

}  // namespace testing

}  // namespace gdi
