#pragma once
// Owns every live GDI object and hands out 32-bit handles for them.
//
// A handle is  kind (bits 28-31) | generation (bits 20-27) | slot index (bits 0-19).  The kind
// is never 0, so neither is a handle. A slot's generation advances when its object is erased and
// freed slots are reused oldest first, so a stale handle keeps failing for a long time (about
// 256 × kMinFreeBeforeReuse later creations) instead of naming a newer object.
//
// Single-threaded: no locking.

#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "gdi/GdiObject.h"

namespace gdi {

class HandleTable {
  public:
    static constexpr uint32_t kMaxSlots = 1u << 20;
    static constexpr size_t kMinFreeBeforeReuse = 1024;

    // Takes ownership; returns the new handle, or 0 (object destroyed) when the table is full.
    // A stock object is not counted by LiveCount.
    uint32_t Insert(std::unique_ptr<GdiObject> object, bool stock = false);

    // The live object a handle names, or nullptr for 0, stale, foreign or malformed handles.
    GdiObject* Find(uint32_t handle) const;

    // Find with a type check: nullptr unless the object is a T.
    template <class T>
    T* Get(uint32_t handle) const {
        GdiObject* object = Find(handle);
        if (object == nullptr || object->Kind() != T::kKind) return nullptr;
        return static_cast<T*>(object);
    }

    bool IsStock(uint32_t handle) const;

    // Destroys the object and invalidates the handle. False when the handle is not live.
    bool Erase(uint32_t handle);

    // Live non-stock objects.
    uint32_t LiveCount() const { return m_live; }

    // Failure injection for tests: after `after` more successful non-stock inserts, the next
    // `count` inserts fail (the object is destroyed and 0 returned). PendingFailures() tells how
    // many of them have not happened yet.
    void FailInserts(uint32_t count, uint32_t after) {
        m_failCount = count;
        m_failAfter = after;
    }
    uint32_t PendingFailures() const { return m_failCount; }

  private:
    struct Slot {
        std::unique_ptr<GdiObject> object;
        uint8_t generation = 0;
        bool stock = false;
    };

    const Slot* SlotOf(uint32_t handle) const;

    std::vector<Slot> m_slots;
    std::deque<uint32_t> m_free;
    uint32_t m_live = 0;
    uint32_t m_failCount = 0;
    uint32_t m_failAfter = 0;
};

}  // namespace gdi
