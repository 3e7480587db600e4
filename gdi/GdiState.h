#pragma once
// The process-wide GDI state: the handle table, the stock bitmap and the screen source.
// Single-threaded by design: every call comes from the user-interface thread, so nothing locks.

#include <cstdint>

#include "gdi/HandleTable.h"
#include "gdi/Immortal.h"
#include "gdi/Surface.h"

namespace gdi {

class GdiState {
  public:
    static GdiState& Instance();

    HandleTable& Objects() { return objects_; }

    // The 1 × 1 bitmap every new memory DC starts with; made on first use, never deleted and
    // never counted as live. 0 only when it could not be made.
    uint32_t StockBitmap();

    const ScreenSource& Screen() const { return screen_; }
    void SetScreen(ScreenSource source) { screen_ = std::move(source); }

  private:
    friend GdiState& Immortal<GdiState>();
    GdiState() = default;

    HandleTable objects_;
    uint32_t stockBitmap_ = 0;
    ScreenSource screen_;
};

}  // namespace gdi
