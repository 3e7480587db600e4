#include "gdi/GdiTesting.h"

#include "gdi/GdiState.h"

namespace gdi::testing {

void FailNextCreations(uint32_t count, uint32_t after) {
    GdiState::Instance().Objects().FailInserts(count, after);
}

uint32_t PendingCreationFailures() { return GdiState::Instance().Objects().PendingFailures(); }

}  // namespace gdi::testing
