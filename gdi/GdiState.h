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

    HandleTable& Objects() { return m_objects; }

    // The 1 × 1 bitmap every new memory DC starts with; made on first use, never deleted and
    // never counted as live. 0 only when it could not be made.
    uint32_t StockBitmap();

    const ScreenSource& Screen() const { return m_screen; }
    void SetScreen(ScreenSource source) { m_screen = std::move(source); }

  private:
    friend GdiState& Immortal<GdiState>();
    GdiState() = default;

    HandleTable m_objects;
    uint32_t m_stockBitmap = 0;
    ScreenSource m_screen;
};

}  // namespace gdi
