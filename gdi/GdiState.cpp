#include "gdi/GdiState.h"

#include "gdi/Bitmap.h"
#include "gdi/Immortal.h"

namespace gdi {

// Immortal: surfaces held in other static objects may release their handles during exit.
GdiState& GdiState::Instance() { return Immortal<GdiState>(); }

uint32_t GdiState::StockBitmap() {
    if (m_objects.Get<Bitmap>(m_stockBitmap) == nullptr) {
        m_stockBitmap = m_objects.Insert(Bitmap::Create(1, 1), /*stock=*/true);
    }
    return m_stockBitmap;
}

}  // namespace gdi
