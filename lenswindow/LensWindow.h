#pragma once
// The lens window as whoever opens it sees it. The opener hands over where the settings come
// from; the lens window never reaches back into the opener.

#include <cstdint>
#include <functional>

class Form;

// The lens settings. Booleans are 16-bit: True = -1, False = 0.
struct LensSettings {
    int16_t Convex = -1;
    int32_t Radius = 150;
    int32_t Factor = 75;
    uint32_t ColorMask = 0x00FFFFFF;
};

// What the lens window asks of its opener; read at each activation, in the activation's order.
struct LensSettingsSource {
    // The current settings.
    std::function<LensSettings()> Read;
    // True (non-zero) when the look-up table must be built anew for the current radius,
    // factor and convex state; a true answer remembers them.
    std::function<int16_t()> UpdateLookUpTable;
    // Told when the lens window changed the settings itself (may be empty).
    std::function<void(const LensSettings&)> Changed;
};

// Shows the program-wide lens window modally with `owner` as its owner window and `source` as
// its settings; returns when it has closed.
void ShowLensWindow(Form& owner, LensSettingsSource source);

// Unloads the lens window (nothing when it is not loaded) and releases its program-wide
// instance.
void UnloadLensWindow();
