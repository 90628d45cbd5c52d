#pragma once
// The main window's class: its name comes from the string table (text 104), so a language library
// may rename it; registration and creation both use the name read here.
#include <windows.h>

#include <string>

namespace vork {

// Text 104 of `language`. An empty name cannot be registered, so a language library that leaves it
// empty falls back to the program's own name rather than stopping the program from starting.
std::wstring ReadClassName(HMODULE language, HINSTANCE program);

// Registers the class `className` of `program` with the main window's procedure. Redraws on every
// resize, offers no close command (only the wizard's Close button ends the program), and takes its
// icons from the program's own module. Returns the class atom, 0 on failure.
ATOM RegisterMainWindowClass(HINSTANCE program, const wchar_t* className);

}  // namespace vork
