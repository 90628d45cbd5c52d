#pragma once
// What the wizard tells a screen reader, on top of what its standard controls say of themselves
// (every text line and button is named by its text):
// - the status line and its two detail lines are live regions: each time a screen puts a new text
//   on one of them, and each time a progress step replaces the status line, the line raises
//   EVENT_OBJECT_LIVEREGIONCHANGED, which a screen reader reads out without the focus moving. The
//   lines are polite (read once the reader is done speaking) but the failure's status line, which
//   interrupts. A text is announced once: the same text on the same line is not announced again
//   until the line has been hidden or has carried something else, so a kept line (the Updating
//   screen keeps the status line) and a repeated progress step stay silent;
// - nothing is announced while the window is hidden (the first screen is set while the window is
//   created, before any reader can follow it): once it is shown, WindowShown announces that screen;
// - the status image is named by the status line it stands beside, in the window's language;
// - the footer band is decoration, hidden from assistive technology.
// The progress animation is drawn on the window itself, not a control, so no reader meets it; the
// status line carries the percentage.
//
// Every request goes through AccessibilityServices; a request the system refuses changes nothing
// else. Threads: every member runs on the window's thread.
#include <array>
#include <string>

#include "ui/AccessibilityServices.h"
#include "ui/MainWindow.h"
#include "ui/WizardScreens.h"

namespace vork {

class WizardAccessibility {
public:
    explicit WizardAccessibility(AccessibilityServices& services) noexcept : services_(services) {}

    // Once the controls exist: the live regions and the hidden footer. Opens the window's requests.
    void Annotate(const MainWindow& window);
    // After `look` has been set on the controls.
    void ScreenShown(const MainWindow& window, const ScreenLook& look);
    // After a progress step has replaced the status line's text.
    void StatusChanged(const MainWindow& window);
    // After the window has been shown for the first time: the lines of the screen it shows.
    void WindowShown(const MainWindow& window);
    // Before the controls are destroyed: the annotations go with them, and the requests are closed.
    void Clear(const MainWindow& window);

private:
    struct Line {
        int id;
        std::wstring announced;  // the text last announced, empty when there is none to repeat
        LiveSetting setting;
    };

    void Announce(const MainWindow& window, Line& line, LineShows shows, LiveSetting setting);
    void SetLiveSetting(HWND control, Line& line, LiveSetting setting);
    void NameStatusImage(const MainWindow& window);

    AccessibilityServices& services_;
    std::array<Line, 3> lines_{};
};

}  // namespace vork
