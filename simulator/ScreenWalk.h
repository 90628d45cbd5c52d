#pragma once
// A walk through the wizard as a person would take it, for the simulator build without a person at
// the keyboard: every time the window settles on a new screen it is saved as a bitmap and named in
// a list, and the button a person would press next is pressed (Update, Retry once, then Close).
//
// Runs on the window's thread from a thread timer, so it sees the window between messages.
#include <string>

namespace vork::simulator {

// Starts the walk; pictures and the list of screens (screens.txt) go into `folder`.
void StartScreenWalk(const std::wstring& folder);

// The screen the main window shows, by the controls it shows ("Updating", "Success", ...).
std::wstring ClassifyScreen(void* mainWindow);

}  // namespace vork::simulator
