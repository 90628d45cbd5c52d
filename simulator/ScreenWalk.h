#pragma once
// A walk through the wizard as a person would take it, without a person at the keyboard: every
// screen the window enters is saved as a bitmap and named in a list, and the button a person would
// press next is pressed (Update, Retry once, then Close).
//
// A screen counts as entered when the window's flow has changed it, however briefly it stands:
// hooks on the window's thread look at the window each time a message has been handled whole
// (before the next posted message is taken, and around each message sent from another thread, such
// as the worker's end of a transfer). Inside the handling of a message a screen is half drawn, so
// it is never looked at there.
//
// The same walk serves the simulator build, which starts it on its own thread, and the walk from
// outside the product, whose hook library starts it on the product's window thread.
#include <string>

namespace vork::simulator {

// Starts the walk on the calling thread, which is (or will be) the main window's thread; pictures
// and the list of screens (screens.txt) go into `folder`.
void StartScreenWalk(const std::wstring& folder);

}  // namespace vork::simulator
