// What the window asks of the system's accessibility services, seen through a recording stand-in
// that answers as Wine 8 does (every annotation E_NOTIMPL): the live regions and the footer's
// hiding at creation, the announcements of each screen and progress step (each text once), the
// status image's name, the failure's assertive line, and the annotations cleared while the
// controls still exist. The screens come out as ever although every annotation is refused.
#include <gtest/gtest.h>

#include "tests/wizard/RecordingAccessibilityServices.h"
#include "tests/wizard/WizardTestSupport.h"
#include "ui/ResourceIds.h"

namespace vork::test {
namespace {

class WizardAccessibilityTest : public WizardFixture {
protected:
    WizardAccessibilityTest() { accessibility = &recorder; }

    // Opens the window and shows it as the program does.
    void OpenAndShow() {
        ASSERT_NE(Open(), nullptr);
        ::ShowWindow(hwnd, SW_SHOWNOACTIVATE);
        window->AnnounceScreen();
    }

    // The values the LiveSetting annotations on `id` gave, in order.
    std::vector<LONG> LiveSettings(int id) const {
        std::vector<LONG> values;
        for (const auto& c : recorder.calls) {
            if (c.name == "SetHwndProp" && c.id == id && c.prop == kLiveSettingProperty)
                values.push_back(c.value);
        }
        return values;
    }
    // From `at`: the steps 0 %, 10 %, ... each once, at least `least` of them (the simulated
    // clock may end a transfer before the window has handled the steps it posted), then `result`.
    void ExpectStepsThen(const std::vector<std::wstring>& announced, std::size_t& at,
                         const std::wstring& result, unsigned least = 0) const {
        const std::wstring copying = Text(IDS_COPYING, 64);
        unsigned step = 0;
        while (at < announced.size() && announced[at] == ProgressText(copying, step * 10)) {
            ++at;
            ++step;
        }
        EXPECT_GE(step, least);
        ASSERT_LT(at, announced.size());
        EXPECT_EQ(announced[at++], result);
    }
    std::wstring ImageName() const {
        std::wstring name;
        for (const auto& c : recorder.calls) {
            if (c.name == "SetHwndPropStr" && c.id == IDC_STATUS_ICON && c.prop == kNameProperty)
                name = c.str;
        }
        return name;
    }

    RecordingAccessibilityServices recorder;
};

TEST_F(WizardAccessibilityTest, AnUpdateAnnouncesEachStepOnceThenTheSuccessAndItsDetails) {
    Attach(Printer(0x0020, "d0A"));
    OpenAndShow();
    // At creation: the requests opened first, three polite live regions and a footer hidden in
    // every view.
    ASSERT_FALSE(recorder.calls.empty());
    EXPECT_EQ(recorder.calls.front().name, "OpenRequests");
    for (int id : {IDC_STATUS_TEXT, IDC_DETAIL1, IDC_DETAIL2})
        EXPECT_EQ(LiveSettings(id), std::vector<LONG>{1}) << id;
    std::vector<std::pair<GUID, LONG>> footer;
    for (const auto& c : recorder.calls) {
        if (c.id == IDC_FOOTER && c.name == "SetHwndProp") footer.emplace_back(c.prop, c.value);
    }
    const std::vector<std::pair<GUID, LONG>> hidden = {{kStateProperty, STATE_SYSTEM_INVISIBLE},
                                                       {kIsControlElementProperty, VARIANT_FALSE},
                                                       {kIsContentElementProperty, VARIANT_FALSE}};
    EXPECT_EQ(footer, hidden);
    EXPECT_TRUE(recorder.Announced(IDC_STATUS_TEXT).empty());  // the Ready screen has no status

    Click(IDC_UPDATE);
    // The same step twice is one announcement.
    for (int i = 0; i < 2; ++i) ::SendMessageW(hwnd, WM_COMMAND, ID_UPDATE_PROGRESS, 0);
    ASSERT_TRUE(PumpUntilTransferEnds());
    ASSERT_EQ(Read().status, Text(IDS_SUCCESS));  // refused annotations change nothing

    const auto announced = recorder.Announced(IDC_STATUS_TEXT);
    std::size_t at = 0;
    ExpectStepsThen(announced, at, Text(IDS_SUCCESS), 1);  // the step sent twice, once
    EXPECT_EQ(at, announced.size());
    EXPECT_EQ(recorder.Announced(IDC_DETAIL1),
              std::vector<std::wstring>{Text(IDS_SUCCESS_DETAIL1)});
    EXPECT_EQ(recorder.Announced(IDC_DETAIL2),
              std::vector<std::wstring>{Text(IDS_SUCCESS_DETAIL2)});
    EXPECT_EQ(ImageName(), Text(IDS_SUCCESS));
    wchar_t name[160] = {};
    ::GetWindowTextW(Control(IDC_STATUS_ICON), name, 160);
    EXPECT_EQ(name, Text(IDS_SUCCESS));
    EXPECT_EQ(LiveSettings(IDC_STATUS_TEXT), std::vector<LONG>{1});  // never assertive

    const std::size_t before = recorder.calls.size();
    ::DestroyWindow(hwnd);
    int cleared = 0;
    for (std::size_t i = before; i < recorder.calls.size(); ++i) {
        const auto& c = recorder.calls[i];
        if (c.name == "ClearHwndProps" && c.windowAlive) ++cleared;
    }
    EXPECT_EQ(cleared, 5);  // three lines, the image and the footer
    // Closed once, after the last annotation: COM and the service are not held past the window.
    std::vector<std::string> pairs;
    for (const auto& c : recorder.calls) {
        if (c.name == "OpenRequests" || c.name == "CloseRequests") pairs.push_back(c.name);
    }
    EXPECT_EQ(pairs, (std::vector<std::string>{"OpenRequests", "CloseRequests"}));
    EXPECT_EQ(recorder.calls.back().name, "CloseRequests");
}

TEST_F(WizardAccessibilityTest, AFailureInterruptsAndARetryKeepsItsLineSilentUntilTheFirstStep) {
    auto d = Printer(0x0020, "d0A");
    d.printer.writes[3] = {sim::RequestScript::Kind::RefuseAtOnce};  // the third piece
    d.printer.scriptedOpen = 4;                                      // the first transfer only
    Attach(d);
    OpenAndShow();
    Click(IDC_UPDATE);
    ASSERT_TRUE(PumpUntilTransferEnds());
    ASSERT_EQ(Read().status, Text(IDS_FAILURE));
    const auto failed = recorder.Announced(IDC_STATUS_TEXT);
    std::size_t at = 0;
    ExpectStepsThen(failed, at, Text(IDS_FAILURE));
    EXPECT_EQ(LiveSettings(IDC_STATUS_TEXT), (std::vector<LONG>{1, 2}));
    EXPECT_EQ(recorder.Announced(IDC_DETAIL1).back(), L"- " + Text(IDS_CHECK_CONNECTED));
    EXPECT_EQ(ImageName(), Text(IDS_FAILURE));

    Click(IDC_RETRY);  // the failure text stays on the line while the printer is questioned
    EXPECT_EQ(recorder.Announced(IDC_STATUS_TEXT), failed);
    ASSERT_TRUE(PumpUntilTransferEnds());
    ASSERT_EQ(Read().status, Text(IDS_SUCCESS));
    const auto announced = recorder.Announced(IDC_STATUS_TEXT);
    ExpectStepsThen(announced, at, Text(IDS_SUCCESS));
    EXPECT_EQ(at, announced.size());
    EXPECT_EQ(LiveSettings(IDC_STATUS_TEXT), (std::vector<LONG>{1, 2, 1}));
}

TEST_F(WizardAccessibilityTest, AFirstScreenSetWhileHiddenIsAnnouncedOnceTheWindowShows) {
    ASSERT_NE(Open(), nullptr);  // no printer
    EXPECT_TRUE(recorder.Announced(IDC_STATUS_TEXT).empty());
    ::ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    for (int i = 0; i < 2; ++i) window->AnnounceScreen();  // the second finds nothing new
    EXPECT_EQ(recorder.Announced(IDC_STATUS_TEXT), std::vector<std::wstring>{Text(IDS_NO_PRINTER)});
    EXPECT_EQ(recorder.Announced(IDC_DETAIL1),
              std::vector<std::wstring>{Text(IDS_CHECK_CONNECTED)});
    EXPECT_TRUE(recorder.Announced(IDC_DETAIL2).empty());  // hidden on this screen
    EXPECT_EQ(ImageName(), Text(IDS_NO_PRINTER));
}

}  // namespace
}  // namespace vork::test
