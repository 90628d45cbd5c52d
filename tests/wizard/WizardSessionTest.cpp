// The computer kept awake and a shutdown held while firmware is written: the window's answer to
// WM_QUERYENDSESSION before, during and after a transfer, and the requests made of Windows at the
// start and undone on every way a transfer ends.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/wizard/RecordingSessionControl.h"
#include "tests/wizard/WizardTestSupport.h"
#include "ui/ResourceIds.h"

namespace vork::test {
namespace {

class WizardSession : public WizardFixture {
protected:
    WizardSession() { session = &recorder; }

    // Asked for a shutdown and for a log-off, the window must give the same answer.
    bool AllowsEndingTheSession() const {
        const LRESULT shutdown = ::SendMessageW(hwnd, WM_QUERYENDSESSION, 0, 0);
        const LRESULT logoff = ::SendMessageW(hwnd, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF);
        EXPECT_EQ(shutdown, logoff);
        return shutdown == TRUE;
    }
    bool Held() const { return recorder.KeepsAwake() && recorder.ReasonGiven(); }
    bool Released() const { return !recorder.KeepsAwake() && !recorder.ReasonGiven(); }
    // One hold taken and given back, in this order, on the window's thread, while it existed.
    void ExpectOneHoldAndItsRelease(std::size_t first = 0) const {
        ASSERT_EQ(recorder.calls.size(), first + 4);
        const auto* c = &recorder.calls[first];
        EXPECT_EQ(c[0].name, "SetThreadExecutionState");
        EXPECT_EQ(c[0].flags, static_cast<EXECUTION_STATE>(ES_CONTINUOUS | ES_SYSTEM_REQUIRED));
        EXPECT_EQ(c[1].name, "ShutdownBlockReasonCreate");
        EXPECT_EQ(c[1].reason, Text(IDS_SHUTDOWN_REASON));
        EXPECT_EQ(c[2].name, "ShutdownBlockReasonDestroy");
        EXPECT_EQ(c[3].name, "SetThreadExecutionState");
        EXPECT_EQ(c[3].flags, static_cast<EXECUTION_STATE>(ES_CONTINUOUS));
        for (int i = 0; i < 4; ++i) EXPECT_EQ(c[i].thread, ::GetCurrentThreadId()) << i;
        for (int i : {1, 2}) {
            EXPECT_EQ(c[i].window, hwnd) << i;
            EXPECT_TRUE(c[i].windowAlive) << i;
        }
    }

    RecordingSessionControl recorder;
};

TEST_F(WizardSession, ASuccessfulWriteHoldsTheSessionFromItsStartToItsEnd) {
    Attach(Printer(0x0020, "d0A"));
    ASSERT_NE(Open(), nullptr);
    EXPECT_TRUE(AllowsEndingTheSession());
    EXPECT_TRUE(recorder.calls.empty());

    Click(IDC_UPDATE);
    ASSERT_TRUE(window->IsTransferRunning());
    EXPECT_FALSE(AllowsEndingTheSession());
    EXPECT_TRUE(Held());

    ASSERT_TRUE(PumpUntilTransferEnds());
    EXPECT_EQ(Read().status, Text(IDS_SUCCESS));
    EXPECT_TRUE(AllowsEndingTheSession());
    EXPECT_TRUE(Released());
    ExpectOneHoldAndItsRelease();
}

TEST_F(WizardSession, AFailedWriteAndItsRetryEachHoldTheSession) {
    auto d = Printer(0x0021, "f0I");
    d.printer.writes[1] = {sim::RequestScript::Kind::RefuseAtOnce};  // the image write
    d.printer.scriptedOpen = 4;                                      // the first transfer only
    Attach(d);
    ASSERT_NE(Open(), nullptr);
    Click(IDC_UPDATE);
    EXPECT_FALSE(AllowsEndingTheSession());
    ASSERT_TRUE(PumpUntilTransferEnds());
    EXPECT_EQ(Read().status, Text(IDS_FAILURE));
    EXPECT_TRUE(AllowsEndingTheSession());
    EXPECT_TRUE(Released());
    ExpectOneHoldAndItsRelease();

    Click(IDC_RETRY);
    ASSERT_TRUE(window->IsTransferRunning());
    EXPECT_FALSE(AllowsEndingTheSession());
    EXPECT_TRUE(Held());
    ASSERT_TRUE(PumpUntilTransferEnds());
    EXPECT_EQ(Read().status, Text(IDS_SUCCESS));
    EXPECT_TRUE(AllowsEndingTheSession());
    ExpectOneHoldAndItsRelease(4);
}

TEST_F(WizardSession, AWriteThatCannotStartGivesTheHoldBackAtOnce) {
    Attach(Printer(0x0020, "d0A"));
    ASSERT_NE(Open(), nullptr);
    window->Device()->SetOwnerWindow(nullptr);  // no worker is started
    Click(IDC_UPDATE);
    EXPECT_FALSE(window->IsTransferRunning());
    EXPECT_EQ(Read().status, Text(IDS_FAILURE));
    EXPECT_TRUE(AllowsEndingTheSession());
    ExpectOneHoldAndItsRelease();
}

TEST_F(WizardSession, ChecksThatStopBeforeTheWriteTakeNoHold) {
    auto d = Printer(0x0021, "f0I");
    d.productString = u"VORK Stickograph 732";
    Attach(d);
    ASSERT_NE(Open(), nullptr);
    Click(IDC_UPDATE);
    EXPECT_EQ(Read().status, Text(IDS_FAILURE));
    EXPECT_TRUE(recorder.calls.empty());
    EXPECT_TRUE(AllowsEndingTheSession());
}

// A WM_CLOSE from outside destroys the window during the write: the shutdown reason goes with the
// window, but the computer is kept awake until the worker has written the last byte.
TEST_F(WizardSession, AnOutsideCloseKeepsTheComputerAwakeUntilTheWorkerHasEnded) {
    machine.SetRealTime(true);
    auto d = Printer(0x0020, "d0A");
    d.printer.latencyMs = 100;  // eleven writes: the worker outlasts the close by a second
    auto printer = Attach(d);
    ASSERT_NE(Open(), nullptr);
    Click(IDC_UPDATE);
    ASSERT_TRUE(Held());
    const SG731DeviceBase* device = window->Device();
    recorder.probe = [device] { return device->IsWorkerRunning(); };
    ::SendMessageW(hwnd, WM_CLOSE, 0, 0);
    EXPECT_FALSE(::IsWindow(hwnd));
    EXPECT_TRUE(device->IsWorkerRunning());
    EXPECT_TRUE(recorder.KeepsAwake());
    EXPECT_FALSE(recorder.ReasonGiven());
    window.reset();  // the program's end: the worker is waited for
    EXPECT_FALSE(recorder.KeepsAwake());
    ExpectOneHoldAndItsRelease();
    EXPECT_FALSE(recorder.calls[3].probed) << "the computer was let sleep before the write ended";
    EXPECT_EQ(std::count_if(printer->writeLog.begin(), printer->writeLog.end(),
                            [](const sim::WriteRecord& w) { return w.accepted == 2048; }),
              10);  // the whole image was written
}

TEST_F(WizardSession, ARefusedReasonStillRefusesTheShutdownAndIsNotDestroyed) {
    recorder.refuseReason = true;
    Attach(Printer(0x0020, "d0A"));
    ASSERT_NE(Open(), nullptr);
    Click(IDC_UPDATE);
    EXPECT_FALSE(AllowsEndingTheSession());
    ASSERT_TRUE(PumpUntilTransferEnds());
    EXPECT_TRUE(AllowsEndingTheSession());
    ASSERT_EQ(recorder.calls.size(), 3u);
    EXPECT_EQ(recorder.calls[1].name, "ShutdownBlockReasonCreate");
    EXPECT_EQ(recorder.calls[2].name, "SetThreadExecutionState");
    EXPECT_FALSE(recorder.KeepsAwake());
}

TEST_F(WizardSession, TheSessionEndingRegardlessBreaksNothing) {
    Attach(Printer(0x0020, "d0A"));
    ASSERT_NE(Open(), nullptr);
    EXPECT_EQ(::SendMessageW(hwnd, WM_ENDSESSION, TRUE, 0), 0);
    EXPECT_TRUE(::IsWindow(hwnd));
    Click(IDC_UPDATE);
    EXPECT_EQ(::SendMessageW(hwnd, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF), 0);
    EXPECT_EQ(::SendMessageW(hwnd, WM_ENDSESSION, FALSE, 0), 0);  // a shutdown called off
    EXPECT_TRUE(::IsWindow(hwnd));
    ASSERT_TRUE(PumpUntilTransferEnds());
    EXPECT_EQ(Read().status, Text(IDS_SUCCESS));
    ExpectOneHoldAndItsRelease();
}

// The window on Windows' own binding: the answers do not depend on what Windows makes of the
// requests (Wine's reason requests are stubs, see docs/wine-notes.md).
TEST_F(WizardFixture, TheWindowsBindingRefusesTheShutdownOnlyDuringTheWrite) {
    Attach(Printer(0x0020, "d0A"));
    ASSERT_NE(Open(), nullptr);
    EXPECT_EQ(::SendMessageW(hwnd, WM_QUERYENDSESSION, 0, 0), TRUE);
    Click(IDC_UPDATE);
    EXPECT_EQ(::SendMessageW(hwnd, WM_QUERYENDSESSION, 0, 0), FALSE);
    EXPECT_TRUE(window->IsSessionHeld());
    ASSERT_TRUE(PumpUntilTransferEnds());
    EXPECT_EQ(::SendMessageW(hwnd, WM_QUERYENDSESSION, 0, 0), TRUE);
    EXPECT_FALSE(window->IsSessionHeld());
}

}  // namespace
}  // namespace vork::test
