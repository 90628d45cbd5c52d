#pragma once
// The fixed set of child controls of the main window. All seventeen are created in one go while the
// window is created, in the order below (which is also their sibling order); none is created later.
// The layout is written for 96 DPI and placed at the window's DPI; a change of DPI moves and resizes
// every control and gives them a font for the new DPI. At the system's own DPI no font is given, so
// every control draws with the system's default control font as it always has. The wizard's
// screens only show, hide, enable and re-text them.
#include <windows.h>

#include <array>

#include "platform/Handles.h"

namespace vork {

struct ControlLayout {
    int id;
    const wchar_t* className;
    DWORD style;  // every style bit that is set; the extended style is always 0
    RECT bounds;  // left, top, right, bottom in the main window's client coordinates
    UINT textId;  // string read before creation, 0 for none
    int textChars;
};

inline constexpr std::size_t kControlCount = 17;

// The controls' layout for a client area of width w and height h, all at 96 DPI.
std::array<ControlLayout, kControlCount> WizardLayout(int w, int h);

class WizardControls {
public:
    // Creates every control as a child of `parent` with the texts read from `language`, laid out
    // for a 96-DPI client area of `client96` placed at `dpi`. Returns false, with the controls made
    // so far left to die with the parent, if one cannot be created.
    bool Create(HWND parent, HMODULE language, SIZE client96, UINT dpi);

    // Moves every control to its place at `dpi` and gives it the font for that DPI.
    void Place(SIZE client96, UINT dpi);

    // The control with that id, or null for an id that is not one of the seventeen.
    HWND Get(int id) const;

    // Forgets the handles; the controls themselves die with their parent window.
    void Forget() { handles_.fill(nullptr); }

private:
    void ApplyFont(UINT dpi);

    std::array<int, kControlCount> ids_{};
    std::array<HWND, kControlCount> handles_{};
    GdiObject font_;  // the controls' font away from the system's DPI; empty at it
};

}  // namespace vork
