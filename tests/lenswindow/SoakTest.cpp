// Many openings and closings with many frames each: no GDI object and no memory is left behind.
#include <unistd.h>

#include <fstream>
#include <string>

#include "tests/lenswindow/LensWindowFixture.h"

namespace {

// Resident set size in bytes.
int64_t ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    int64_t pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

TEST_F(LensWindowTest, SoakHundredOpeningsOfHundredMovesLeaveNothingBehind) {
    Settings(150, 75, true, 0);
    TestRandom random(0x50A4u);
    auto cycle = [&] {
        OpenLens();
        for (int move = 0; move < 100; ++move)
            MoveTo(random.In(-50, W + 50), random.In(-50, H + 50));
        ClickAndMove();
        ASSERT_FALSE(Open());
        // The closed windows are deleted once control is back in an event loop.
        QApplication::processEvents();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    };
    // Warm up: the table, the toolkit's caches and the allocator's pools.
    for (int i = 0; i < 3; ++i) {
        cycle();
        if (HasFatalFailure()) return;
    }
    const uint32_t objects = gdi::LiveObjectCount();
    const int64_t resident = ResidentBytes();
    for (int i = 0; i < 100; ++i) {
        SCOPED_TRACE(i);
        cycle();
        if (HasFatalFailure()) return;
    }
    EXPECT_EQ(gdi::LiveObjectCount(), objects);
    EXPECT_EQ(win::CursorCount(), 0);
    // One opening holds a screen copy, a window surface and two lens squares (a few MB at
    // most); a leak of any of them per opening would add a hundred times that.
    const int64_t grown = ResidentBytes() - resident;
    RecordProperty("resident_growth_bytes", std::to_string(grown));
    EXPECT_LT(grown, 8 << 20) << "resident set grew by " << grown << " bytes";
}

}  // namespace
