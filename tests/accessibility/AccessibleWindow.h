#pragma once
// The wizard's window as a screen reader's Active Accessibility path reads it from another
// process: each child control's accessible object (AccessibleObjectFromWindow), and the WinEvents
// the window's process raises (SetWinEventHook, out of context), each with the name of its object
// read as the event arrives.
#include <windows.h>

#include <string>
#include <vector>

namespace vork::test {

struct Element {
    int id = 0;
    std::wstring name;
    std::wstring text;  // the control's window text, as a person sees it on a text line
    long role = 0;
    long state = 0;
};

struct Event {
    DWORD event = 0;
    int id = 0;  // the control's id, 0 for the main window
    std::wstring name;
};

// Every visible child control of `main`, in sibling order.
std::vector<Element> ReadElements(HWND main);

// Records the events of process `process` on its main window and that window's controls from
// Start until the object is destroyed; events arrive while the calling thread pumps messages
// (Pump). The main window is the first top-level window with a Close button that raises an
// event, or the one given to Watch before that.
class EventRecorder {
public:
    EventRecorder() = default;
    ~EventRecorder();
    EventRecorder(const EventRecorder&) = delete;
    EventRecorder& operator=(const EventRecorder&) = delete;

    bool Start(DWORD process);
    void Watch(HWND main);
    const std::vector<Event>& Events() const;
};

// Handles the calling thread's messages (and so the hook's events) for `ms` milliseconds.
void Pump(DWORD ms);

// Whether this system keeps dynamic annotations (IAccPropServices) for a window.
bool AnnotationsHonoured();

// `text` in UTF-8, for the transcript.
std::string Utf8(const std::wstring& text);

// Short names of the events, for the transcript.
std::string EventName(DWORD event);

}  // namespace vork::test
