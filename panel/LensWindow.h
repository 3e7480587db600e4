#pragma once
// The lens window as the control panel sees it. The lens window provides both functions.

class Form;

// Shows the program-wide lens window modally with `owner` as its owner window; returns when it
// has closed.
void ShowLensWindow(Form& owner);

// Unloads the lens window (nothing when it is not loaded) and releases its program-wide
// instance.
void UnloadLensWindow();
