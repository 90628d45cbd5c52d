#pragma once
// Naming the screen the main window shows, from the controls it shows and, where two screens show
// the same controls, from the status line in the language the window speaks.
#include <windows.h>

#include <string>

namespace vork::simulator {

// The screen `window` shows: "Instructions", "Ready", "Updating", "Failure", "Up to date",
// "Success", "No printer", "Several printers", "Wrong mode", or "Unknown" for a state between
// screens. `texts` is the module the window reads its texts from.
std::wstring ClassifyScreen(HWND window, HMODULE texts);

}  // namespace vork::simulator
