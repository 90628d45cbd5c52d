#include "tests/accessibility/AnnouncementChecks.h"

#include <oleacc.h>

#include <algorithm>
#include <cstdio>

#include "ui/BoundedFormat.h"
#include "ui/ResourceIds.h"
#include "ui/Texts.h"
#include "ui/WizardWindow.h"

namespace vork::test {
namespace {

constexpr DWORD kLiveRegionChanged = 0x8019;
// A firmware image of 20,480 bytes goes in pieces of 2,048, with a progress step before each.
constexpr unsigned kSteps = 10;

std::string Narrow(const std::wstring& text) { return Utf8(text); }

std::wstring Bullet(HMODULE language, UINT id) {
    const std::wstring text = LoadText(language, id, kTextChars);
    wchar_t bullet[kTextChars];
    FormatBounded(bullet, kTextChars, L"- %s", text.c_str());
    return bullet;
}

}  // namespace

WindowTexts WindowTexts::From(HMODULE language) {
    WindowTexts t;
    t.success = LoadText(language, IDS_SUCCESS, kTextChars);
    t.successDetail1 = LoadText(language, IDS_SUCCESS_DETAIL1, kTextChars);
    t.successDetail2 = LoadText(language, IDS_SUCCESS_DETAIL2, kTextChars);
    t.failure = LoadText(language, IDS_FAILURE, kTextChars);
    t.failureDetail1 = Bullet(language, IDS_CHECK_CONNECTED);
    t.failureDetail2 = Bullet(language, IDS_CHECK_PROGRAM_MODE);
    t.noPrinter = LoadText(language, IDS_NO_PRINTER, kTextChars);
    t.noPrinterDetail = LoadText(language, IDS_CHECK_CONNECTED, kTextChars);
    t.copying = LoadText(language, IDS_COPYING, kProgressChars);
    return t;
}

std::wstring WindowTexts::Progress(unsigned percent) const {
    return ProgressText(copying, percent);
}

void Checks::Fail(const std::string& what) {
    ++failures_;
    std::printf("FAIL: %s\n", what.c_str());
}

int Checks::Report() const {
    std::printf("%s\n", failures_ == 0 ? "every check passed" : "some checks failed");
    return failures_ == 0 ? 0 : 1;
}

void Checks::Elements(const std::string& screen, const std::vector<Element>& elements,
                      const std::wstring& statusLine, bool annotations) {
    for (const Element& e : elements) {
        const bool hidden = (e.state & STATE_SYSTEM_INVISIBLE) != 0;
        // Where annotations are not kept, the footer's hiding cannot be read from outside.
        const bool hiddenUnseen = !annotations && e.id == IDC_FOOTER;
        // A text line that shows no text (the status line before the first progress step) is as
        // empty to a person as to a reader.
        const bool blankLine = e.text.empty() && e.id != IDC_STATUS_ICON && e.id != IDC_FOOTER;
        if (e.id == IDC_FOOTER && annotations && !hidden)
            Fail(screen + ": the footer band is not hidden from assistive technology");
        if (e.name.empty() && !hidden && !hiddenUnseen && !blankLine)
            Fail(screen + ": element " + std::to_string(e.id) + " has no name");
        if (e.id == IDC_STATUS_ICON && screen != "Ready" && screen != "Updating" &&
            (e.name.empty() || e.name != statusLine))
            Fail(screen + ": the status image is named \"" + Narrow(e.name) +
                 "\", not by its status line");
    }
}

void Checks::Screens(const std::vector<std::string>& screens, const std::string& road) {
    const std::vector<std::string> expected =
        road == "retry"
            ? std::vector<std::string>{"Ready", "Updating", "Failure", "Updating", "Success"}
        : road == "noprinter" ? std::vector<std::string>{"No printer"}
                              : std::vector<std::string>{"Ready", "Updating", "Success"};
    if (screens != expected) Fail("the road did not pass the screens expected");
}

void Checks::Progress(const std::vector<std::wstring>& status, size_t& at, bool complete) {
    unsigned step = 0;
    while (at < status.size() && step < kSteps && status[at] == texts_.Progress(step * 10)) {
        ++at;
        ++step;
    }
    if (step == 0 || (complete && step != kSteps))
        Fail("a transfer announced " + std::to_string(step) + " progress steps in order, not " +
             (complete ? std::to_string(kSteps) : std::string("at least one")));
}

void Checks::Announcements(const std::vector<Event>& events, const std::string& road) {
    const bool retry = road == "retry";
    std::vector<std::wstring> status;
    std::vector<std::wstring> details;
    const Event* previous[256] = {};
    for (const Event& e : events) {
        if (e.event != kLiveRegionChanged) continue;
        const Event*& last = previous[e.id & 0xff];
        // A reader names an event's object when it handles the event: a progress step handled
        // after the result replaced it reads as the result, so on the status line only a step
        // read twice is sure to be one announced twice (the window's own rule is checked where
        // its calls are seen).
        const bool step = e.name.rfind(texts_.copying, 0) == 0;
        if (last != nullptr && last->name == e.name && (e.id != IDC_STATUS_TEXT || step))
            Fail("control " + std::to_string(e.id) + " announced \"" + Narrow(e.name) + "\" twice");
        last = &e;
        (e.id == IDC_STATUS_TEXT ? status : details).push_back(e.name);
    }
    if (road == "noprinter") {  // the first screen, read out once the window shows
        if (status != std::vector<std::wstring>{texts_.noPrinter} ||
            details != std::vector<std::wstring>{texts_.noPrinterDetail})
            Fail("the No-printer screen was not announced once as the window opened");
        return;
    }
    size_t at = 0;
    // The result, once; read a second time just before, a step read late (see above).
    const auto result = [&](const std::wstring& text) {
        if (at + 1 < status.size() && status[at] == text && status[at + 1] == text) ++at;
        return at < status.size() && status[at++] == text;
    };
    if (retry) {
        Progress(status, at, false);
        if (!result(texts_.failure))
            Fail("the failure's status line was not announced after the first transfer");
    }
    Progress(status, at, true);
    if (!result(texts_.success)) Fail("the success line was not announced at the end");
    if (at != status.size()) Fail("the status line announced more than the road's texts");
    for (const std::wstring* text : {&texts_.successDetail1, &texts_.successDetail2}) {
        if (std::find(details.begin(), details.end(), *text) == details.end())
            Fail("a detail line of the Success screen was not announced");
    }
    for (const std::wstring* text : {&texts_.failureDetail1, &texts_.failureDetail2}) {
        if (retry && std::find(details.begin(), details.end(), *text) == details.end())
            Fail("a detail line of the Failure screen was not announced");
    }
}

}  // namespace vork::test
