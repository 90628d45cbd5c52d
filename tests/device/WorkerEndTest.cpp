// How a firmware worker ends, whatever it meets: the handle it leaves, its exit code, a fresh
// object's first revision, and a wait for it that fails.
#include <gtest/gtest.h>

#include "device/SG731DeviceVariant.h"
#include "device/SG731OldDevice.h"
#include "sim/PrinterOnBus.h"
#include "tests/support/DeviceVariants.h"
#include "tests/support/NotificationWindow.h"
#include "tests/support/SimFixture.h"

namespace vork {
namespace {

using sim::PrinterConfig;
using Kind = sim::RequestScript::Kind;
using test::Notification;
using test::Variant;

// The TT variant looks for its own product id; the other two for either of theirs.
std::uint16_t ProductOf(Variant v) { return v == Variant::TT ? 0x0022 : 0x0021; }

class WorkerEnd : public test::SimFixture, public ::testing::WithParamInterface<Variant> {
protected:
    void ResetObjects() override { device.reset(); }

    std::string PathOf(const std::string& serial = "5&1a2b3c4d&0&1") const {
        return sim::PrinterInterfacePath(ProductOf(GetParam()), serial);
    }
    std::shared_ptr<sim::Printer> Attach(PrinterConfig config = {}) {
        config.interfacePath = PathOf();
        return machine.AddPrinter(config);
    }
    // Runs one transfer to its final notification and waits for the worker's thread to end; the
    // thread handle stays with the object, so its exit code can still be read.
    DWORD RunToEnd() {
        device->SetOwnerWindow(window.Window());
        EXPECT_TRUE(device->StartUpdate());
        EXPECT_TRUE(window.PumpUntilFinal());
        EXPECT_EQ(::WaitForSingleObject(device->WorkerThread(), 10000), WAIT_OBJECT_0);
        DWORD exitCode = STILL_ACTIVE;
        EXPECT_TRUE(::GetExitCodeThread(device->WorkerThread(), &exitCode));
        return exitCode;
    }
    // The final notifications only: posted progress may be handled after the sent final one.
    std::vector<Notification> Finals() const {
        std::vector<Notification> finals;
        for (const auto& n : window.Received())
            if (n.command == 150 || n.command == 153) finals.push_back(n);
        return finals;
    }

    test::NotificationWindow window;
    std::unique_ptr<SG731DeviceBase> device = test::MakeDevice(GetParam());
};

TEST_P(WorkerEnd, AfterASuccessTheHandleIsNullAndTheExitCodeZero) {
    Attach();
    EXPECT_EQ(RunToEnd(), 0u);
    EXPECT_EQ(Finals(), (std::vector<Notification>{{150, 0, true}}));
    EXPECT_EQ(device->DeviceHandle(), nullptr);
}

TEST_P(WorkerEnd, AfterAFailedWriteTheHandleIsNullAndTheExitCodeZero) {
    PrinterConfig config;
    config.writes[1] = {Kind::RefuseAtOnce, ERROR_GEN_FAILURE};  // the image, or its first piece
    Attach(config);
    EXPECT_EQ(RunToEnd(), 0u);
    EXPECT_EQ(Finals(), (std::vector<Notification>{{153, 0, true}}));
    EXPECT_EQ(device->DeviceHandle(), nullptr);
}

TEST_P(WorkerEnd, AFailedDiscoveryThatOpenedThePrinterLeavesNothingOpen) {
    // The first interface's detail cannot be read, the second opens: discovery reports the
    // failure with the printer open, and the worker neither writes to it nor keeps it.
    PrinterConfig faulty;
    faulty.interfacePath = "faulty";
    faulty.detailReadFails = true;
    PrinterConfig free;
    free.interfacePath = PathOf();
    auto second = machine.AddPrinterDevice({faulty, free})[1];

    EXPECT_EQ(RunToEnd(), 0u);
    EXPECT_EQ(window.Received(), (std::vector<Notification>{{153, 0, true}}));
    EXPECT_EQ(machine.CountCalls("WriteFile"), 0);
    EXPECT_EQ(second->opens, 1);
    EXPECT_EQ(device->DeviceHandle(), nullptr);
    EXPECT_EQ(machine.OpenHandles(), 0);
}

TEST_P(WorkerEnd, AFreshObjectsFirstRevisionIsAskedOfThePrinter) {
    PrinterConfig config;
    config.revisionReply = sim::RevisionReply("v0G");
    auto printer = Attach(config);
    ASSERT_TRUE(device->RevisionCache().empty());
    EXPECT_EQ(device->GetRevision(), sim::RevisionReply("v0G"));
    EXPECT_EQ(printer->opens, 1);
    EXPECT_EQ(machine.CountCalls("ReadFile"), 1);
}

std::string VariantName(const ::testing::TestParamInfo<Variant>& info) {
    constexpr const char* kNames[] = {"New", "Old", "TT"};
    return kNames[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Variants, WorkerEnd,
                         ::testing::Values(Variant::New, Variant::Old, Variant::TT), VariantName);

// An Old printer object whose worker handle a test can swap for one that cannot be waited on.
class SwappableOldDevice : public SG731DeviceVariant<&OldProfile> {
public:
    void ReplaceWorkerHandle(HANDLE handle) { workerThread_.Reset(handle); }
};

class FailedWait : public test::SimFixture {};

TEST_F(FailedWait, JoiningAWorkerWhoseWaitFailsStillWaitsForItsEnd) {
    machine.SetRealTime(true);  // the worker is still writing when the join begins
    PrinterConfig config;
    config.latencyMs = 5;
    config.interfacePath = sim::PrinterInterfacePath(0x0021);
    machine.AddPrinter(config);
    test::NotificationWindow window;
    SwappableOldDevice device;
    device.SetOwnerWindow(window.Window());
    ASSERT_TRUE(device.StartUpdate());

    // Keep a full handle for the test; give the object one without the right to wait on it.
    HANDLE full = nullptr, queryOnly = nullptr;
    const HANDLE self = ::GetCurrentProcess();
    ASSERT_TRUE(::DuplicateHandle(self, device.WorkerThread(), self, &full, 0, FALSE,
                                  DUPLICATE_SAME_ACCESS));
    const KernelHandle keep(full);
    ASSERT_TRUE(::DuplicateHandle(self, device.WorkerThread(), self, &queryOnly,
                                  THREAD_QUERY_LIMITED_INFORMATION, FALSE, 0));
    device.ReplaceWorkerHandle(queryOnly);
    const HANDLE waitable[] = {queryOnly};
    ASSERT_EQ(::WaitForMultipleObjects(1, waitable, FALSE, 0), WAIT_FAILED)
        << "the swapped handle must make the wait fail";
    ASSERT_EQ(::MsgWaitForMultipleObjects(1, waitable, FALSE, 0, QS_SENDMESSAGE), WAIT_FAILED)
        << "the swapped handle must make the wait fail";

    device.JoinWorker();
    EXPECT_EQ(::WaitForSingleObject(keep.Get(), 0), WAIT_OBJECT_0)
        << "JoinWorker returned while the worker still ran";
}

}  // namespace
}  // namespace vork
