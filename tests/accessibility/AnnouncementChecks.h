#pragma once
// What a screen reader must have been told on the road through the wizard, checked against the
// texts of the window's own language. Each failed check prints one line starting "FAIL: ".
#include <windows.h>

#include <string>
#include <vector>

#include "tests/accessibility/AccessibleWindow.h"

namespace vork::test {

struct WindowTexts {
    std::wstring success, successDetail1, successDetail2;
    std::wstring failure, failureDetail1, failureDetail2;
    std::wstring noPrinter, noPrinterDetail;
    std::wstring copying;  // text 115, which each progress step's text begins with

    static WindowTexts From(HMODULE language);
    // The status line at `percent`, as the window writes it.
    std::wstring Progress(unsigned percent) const;
};

class Checks {
public:
    explicit Checks(const WindowTexts& texts) : texts_(texts) {}

    // The elements of `screen`: each visible one named unless hidden from assistive technology;
    // on Success and Failure the status image named by the status line.
    void Elements(const std::string& screen, const std::vector<Element>& elements,
                  const std::wstring& statusLine, bool annotations);
    // The screens entered, in order, on the road `road` (success, retry or noprinter).
    void Screens(const std::vector<std::string>& screens, const std::string& road);
    // The events from the Update click to the end (from the start on the noprinter road).
    void Announcements(const std::vector<Event>& events, const std::string& road);
    // 0 when every check passed, else 1.
    int Report() const;

private:
    void Fail(const std::string& what);
    // Consumes one transfer's progress steps from `status` at `at`: 0, 10, ... each once, all ten
    // when `complete`.
    void Progress(const std::vector<std::wstring>& status, size_t& at, bool complete);

    const WindowTexts& texts_;
    int failures_ = 0;
};

}  // namespace vork::test
