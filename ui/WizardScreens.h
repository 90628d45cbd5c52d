#pragma once
// The wizard's screens, one row each: which of the fixed controls a screen shows, the texts and the
// image they carry, whether Close may be used, and the button that takes the keyboard focus.
//
// A row sets every control it names. Only the Checking and Updating screens keep something of the
// screen they were reached from: the status icon and the status line (after a Retry the red cross
// and the failure text stay until the transfer's end or its first progress).
#include <windows.h>

namespace vork {

enum class WizardScreen {
    Instructions,  // a New printer that needs the update: the steps into program mode, Update
    Ready,         // an Old or TT printer that needs the update: Update
    UpToDate,      // the check mark and the firmware label
    NoPrinter,     // detection errors: the red cross and what to do
    SeveralPrinters,
    WrongMode,
    Checking,  // after Update or Retry, while the printer is questioned
    Updating,  // while the firmware is sent: Close disabled
    Success,
    Failure,  // the checks to make, and Retry
};

// What one text line of a screen shows.
enum class LineShows {
    Hidden,
    Kept,           // shown, with the text it has
    Text,           // shown, with string `text`
    Bullet,         // shown, with "- " and string `text`
    FirmwareLabel,  // shown, with the selected printer's firmware label
};

struct LineLook {
    LineShows shows;
    UINT text;  // a string id, for Text and Bullet
};

enum class IconShows { Hidden, Kept, Check, Cross };

struct ScreenLook {
    WizardScreen screen;
    bool steps;   // the heading and the seven step lines
    bool update;  // shown and enabled
    bool retry;   // shown, with its caption
    IconShows icon;
    bool closeEnabled;
    int focus;  // the control id that takes the keyboard focus; 0 for the window itself
    LineLook status;
    LineLook detail1;
    LineLook detail2;
};

// The row of `screen`.
const ScreenLook& LookOf(WizardScreen screen);

}  // namespace vork
