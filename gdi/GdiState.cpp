#include "gdi/GdiState.h"

#include "gdi/Bitmap.h"
#include "gdi/Immortal.h"

namespace gdi {

// Immortal: surfaces held in other static objects may release their handles during exit.
GdiState& GdiState::Instance() { return Immortal<GdiState>(); }

uint32_t GdiState::StockBitmap() {
    if (objects_.Get<Bitmap>(stockBitmap_) == nullptr) {
        stockBitmap_ = objects_.Insert(Bitmap::Create(1, 1), /*stock=*/true);
    }
    return stockBitmap_;
}

}  // namespace gdi
