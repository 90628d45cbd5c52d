// The wizard during a transfer: progress texts, Retry on the same device, Close, a window closed
// from outside, a transfer that cannot start, and the status images released along the way.
#include <gtest/gtest.h>

#include "device/FirmwareImages.h"
#include "tests/wizard/WizardTestSupport.h"
#include "ui/ResourceIds.h"

namespace vork::test {
namespace {

std::vector<LPARAM>
    progressSeen;  // the progress notifications the window's thread took off its queue

LRESULT CALLBACK RecordProgress(int code, WPARAM wParam, LPARAM lParam) {
    const auto* message = reinterpret_cast<const MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && message->message == WM_COMMAND &&
        LOWORD(message->wParam) == ID_UPDATE_PROGRESS)
        progressSeen.push_back(message->lParam);
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

class WizardTransfer : public WizardFixture {
protected:
    void SetUp() override {
        WizardFixture::SetUp();
        progressSeen.clear();
        hook_ =
            ::SetWindowsHookExW(WH_GETMESSAGE, &RecordProgress, nullptr, ::GetCurrentThreadId());
    }
    void TearDown() override {
        ::UnhookWindowsHookEx(hook_);
        WizardFixture::TearDown();
    }
    std::wstring StatusText() const {
        wchar_t text[128] = {};
        ::GetWindowTextW(Control(IDC_STATUS_TEXT), text, 128);
        return text;
    }
    void Progress(LPARAM value) { ::SendMessageW(hwnd, WM_COMMAND, ID_UPDATE_PROGRESS, value); }

    HHOOK hook_ = nullptr;
};

const std::wstring kSpaces(36, L' ');

TEST_F(WizardTransfer, ProgressTextsFollowTheChunkedWriter) {
    Attach(Printer(0x0020, "d0A"));
    ASSERT_NE(Open(), nullptr);
    Click(IDC_UPDATE);
    ASSERT_TRUE(window->IsTransferRunning());
    // Handled in the window while the transfer runs (the worker waits for this thread to pump).
    Progress(40);
    EXPECT_EQ(StatusText(), Text(IDS_COPYING, 64) + L" (40%)" + kSpaces);
    Progress(100);
    EXPECT_EQ(StatusText(), Text(IDS_COPYING, 64) + L" (100%)" + kSpaces);
    Progress(101);
    Progress(-1);  // read as a large unsigned number
    EXPECT_EQ(StatusText(), Text(IDS_COPYING, 64) + L" (100%)" + kSpaces);
    ASSERT_TRUE(PumpUntilTransferEnds());
    EXPECT_EQ(progressSeen, (std::vector<LPARAM>{0, 10, 20, 30, 40, 50, 60, 70, 80, 90}));
    // Progress handled after the end notification leaves the Success text standing.
    EXPECT_EQ(StatusText(), Text(IDS_SUCCESS));
    Progress(50);
    EXPECT_EQ(StatusText(), Text(IDS_SUCCESS));
}

TEST_F(WizardTransfer, NewVariantPostsNoProgress) {
    Attach(Printer(0x0021, "f0I"));
    ASSERT_NE(Open(), nullptr);
    Click(IDC_UPDATE);
    EXPECT_EQ(StatusText(), L"");  // from the Instructions screen the status line starts empty
    ASSERT_TRUE(PumpUntilTransferEnds());
    EXPECT_TRUE(progressSeen.empty());
}

TEST_F(WizardTransfer, RetryWorksOnTheSameDeviceAndKeepsTheCrossUntilTheEnd) {
    auto d = Printer(0x0021, "f0I");
    d.printer.writes[1] = {sim::RequestScript::Kind::RefuseAtOnce};  // the image write
    d.printer.scriptedOpen = 4;  // the first transfer only: three revision reads come first
    auto printer = Attach(d);
    ASSERT_NE(Open(), nullptr);
    SG731DeviceBase* device = window->Device();
    Click(IDC_UPDATE);
    ASSERT_TRUE(PumpUntilTransferEnds());
    EXPECT_EQ(Read().status, Text(IDS_FAILURE));
    EXPECT_TRUE(Read().visible.count(IDC_RETRY));

    Click(IDC_RETRY);
    EXPECT_EQ(window->Device(), device);  // no new selection
    ASSERT_TRUE(window->IsTransferRunning());
    const Screen updating = Read();
    EXPECT_EQ(updating.status, Text(IDS_FAILURE));
    EXPECT_EQ(updating.icon, IDB_CROSS);
    EXPECT_FALSE(updating.visible.count(IDC_RETRY));
    EXPECT_FALSE(updating.visible.count(IDC_DETAIL1));
    EXPECT_FALSE(updating.closeEnabled);
    ASSERT_TRUE(PumpUntilTransferEnds());
    EXPECT_EQ(Read().status, Text(IDS_SUCCESS));
    EXPECT_EQ(printer->opens, 5);
}

TEST_F(WizardTransfer, RepeatedRetriesReleaseEveryReplacedStatusImage) {
    auto d = Printer(0x0020, "d0A");
    // Revision reads write once per open, so the second write of every open is a transfer's first
    // piece: every transfer fails there.
    d.printer.writes[1] = {sim::RequestScript::Kind::RefuseAtOnce};
    Attach(d);
    ASSERT_NE(Open(), nullptr);
    std::vector<HGDIOBJ> images;
    Click(IDC_UPDATE);
    for (int cycle = 0; cycle < 10; ++cycle) {
        ASSERT_TRUE(PumpUntilTransferEnds());
        images.push_back(window->StatusImage());
        Click(IDC_RETRY);
    }
    ASSERT_TRUE(PumpUntilTransferEnds());
    EXPECT_EQ(Read().status, Text(IDS_FAILURE));
    // Every image but the one shown now has been deleted.
    for (std::size_t i = 0; i < images.size(); ++i) {
        if (images[i] == window->StatusImage()) continue;
        EXPECT_EQ(::GetObjectType(images[i]), 0u) << "image of cycle " << i << " still exists";
    }
    const HGDIOBJ last = window->StatusImage();
    window.reset();
    EXPECT_EQ(::GetObjectType(last), 0u);  // and that one goes with the window
}

TEST_F(WizardTransfer, WindowClosedFromOutsideDuringATransferEndsCleanly) {
    machine.SetRealTime(true);
    auto d = Printer(0x0020, "d0A");
    d.printer.latencyMs = 5;
    auto printer = Attach(d);
    ASSERT_NE(Open(), nullptr);
    Click(IDC_UPDATE);
    ASSERT_TRUE(window->IsTransferRunning());
    ::SendMessageW(hwnd, WM_CLOSE, 0, 0);  // default processing destroys the window
    EXPECT_FALSE(::IsWindow(hwnd));
    window.reset();  // the device goes with it, after its worker has ended
    std::vector<std::uint8_t> image(printer->received.end() - firmware::kFirmwareSize,
                                    printer->received.end());
    EXPECT_EQ(image, std::vector<std::uint8_t>(firmware::kOldImage,
                                               firmware::kOldImage + firmware::kFirmwareSize));
}

TEST_F(WizardTransfer, PrinterThatFallsSilentAfterTheSelectionShowsWrongMode) {
    // The two probes read the revision; the chosen device's own read (the third open) gets no
    // reply, so asking whether it needs the update raises the wrong-mode exception in the window.
    auto d = Printer(0x0021, "f0I");
    d.printer.reads[0] = {sim::RequestScript::Kind::NeverComplete};
    d.printer.scriptedOpen = 3;
    Attach(d);
    ASSERT_NE(Open(), nullptr);
    const Screen screen = Read();
    EXPECT_EQ(screen.status, Text(IDS_WRONG_MODE));
    EXPECT_EQ(screen.detail1, Text(IDS_WRONG_MODE_DETAIL));
    EXPECT_EQ(screen.icon, IDB_CROSS);
    EXPECT_FALSE(screen.visible.count(IDC_UPDATE));
    EXPECT_FALSE(screen.visible.count(IDC_STEPS_HEADING));
}

TEST_F(WizardTransfer, TransferThatCannotStartShowsFailureWithCloseEnabled) {
    Attach(Printer(0x0020, "d0A"));
    ASSERT_NE(Open(), nullptr);
    window->Device()->SetOwnerWindow(nullptr);  // a worker could tell nobody: it is not started
    Click(IDC_UPDATE);
    EXPECT_FALSE(window->IsTransferRunning());
    EXPECT_EQ(window->Indicator(), nullptr);
    const Screen screen = Read();
    EXPECT_EQ(screen.status, Text(IDS_FAILURE));
    EXPECT_TRUE(screen.closeEnabled);
    EXPECT_TRUE(screen.visible.count(IDC_RETRY));
}

TEST_F(WizardTransfer, UpdateWithoutADeviceChangesNothing) {
    ASSERT_NE(Open(), nullptr);
    const Screen before = Read();
    Click(IDC_UPDATE);
    Click(IDC_RETRY);
    EXPECT_EQ(Read().status, before.status);
    EXPECT_FALSE(window->IsTransferRunning());
}

TEST_F(WizardTransfer, EndNotificationWithoutATransferStillShowsItsScreen) {
    Attach(Printer(0x0021, "f0J"));
    ASSERT_NE(Open(), nullptr);
    ::SendMessageW(hwnd, WM_COMMAND, ID_UPDATE_FAILED, 0);
    EXPECT_EQ(Read().status, Text(IDS_FAILURE));
    ::SendMessageW(hwnd, WM_COMMAND, ID_UPDATE_SUCCEEDED, 0);
    EXPECT_EQ(Read().status, Text(IDS_SUCCESS));
}

TEST(FirmwareLabelText, ShowsTenCharactersAndNeverReadsPastTheRevision) {
    const std::vector<std::uint8_t> full = {'S', 'G', '7', '3', '1', '-', ' ', 'f', '0', 'I'};
    EXPECT_EQ(FirmwareLabel(full), L"(FW: SG731- f0I)");
    EXPECT_EQ(FirmwareLabel({'a', 'b', 0, 'c', 'd', 'e', 'f', 'g', 'h', 'i'}), L"(FW: ab");
    EXPECT_EQ(FirmwareLabel({0xE9, 'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x', 0xFF}),
              L"(FW: \u00e9xxxxxxxx\u00ff)");
    EXPECT_EQ(FirmwareLabel({'a', 'b', 'c'}), L"(FW: abc");
    EXPECT_EQ(FirmwareLabel({}), L"(FW: ");
}

TEST(ProgressLineText, IsCutToSixtyThreeCharacters) {
    EXPECT_EQ(ProgressText(L"Copying files", 42), L"Copying files (42%)" + kSpaces);
    const std::wstring longer(70, L'x');
    const std::wstring cut = ProgressText(longer.substr(0, 63), 7);
    EXPECT_EQ(cut, longer.substr(0, 63));
}

}  // namespace
}  // namespace vork::test
