// The firmware worker's thread seen from the window's thread: a join that meets the worker's final
// notification on its way, and a worker that has ended without being joined.
#include <gtest/gtest.h>

#include "device/SG731NewDevice.h"
#include "sim/PrinterOnBus.h"
#include "tests/support/NotificationWindow.h"
#include "tests/support/SimFixture.h"

namespace vork {
namespace {

using test::Notification;

class WorkerLifetime : public test::SimFixture {
protected:
    void SetUp() override {
        sim::PrinterConfig config;
        config.interfacePath = sim::PrinterInterfacePath(0x0021);
        printer = machine.AddPrinter(config);
        device->SetOwnerWindow(window.Window());
    }
    void ResetObjects() override { device.reset(); }

    // Handles this thread's messages until the worker's thread has ended; false if it has not
    // within the safety net (a hung worker, never reached by a passing test).
    bool WaitForTheWorkerToEnd() {
        for (int round = 0; round < 2000 && device->IsWorkerRunning(); ++round) {
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
            window.PumpPending();
        }
        return !device->IsWorkerRunning();
    }

    std::shared_ptr<sim::Printer> printer;
    test::NotificationWindow window;
    std::unique_ptr<SG731DeviceBase> device = std::make_unique<SG731NewDevice>();
};

TEST_F(WorkerLifetime, JoinHandlesTheFinalNotificationSentToAWindowOfItsThread) {
    ASSERT_TRUE(device->StartUpdate());
    // No pumping here: the worker's SendMessageW can only be delivered inside the join's wait.
    // A join that did not handle sent messages would wait for ever for a worker that waits for it.
    device->JoinWorker();
    EXPECT_FALSE(device->IsWorkerRunning());
    EXPECT_EQ(window.Received(), (std::vector<Notification>{{150, 0, true}}));
    EXPECT_EQ(device->DeviceHandle(), nullptr) << "the worker closes what it opened";
    EXPECT_EQ(printer->opens, 1);
}

TEST_F(WorkerLifetime, AnEndedWorkerLeavesRoomForTheNextTransferWithoutAJoin) {
    ASSERT_TRUE(device->StartUpdate());
    ASSERT_TRUE(window.PumpUntilFinal());
    ASSERT_TRUE(WaitForTheWorkerToEnd());
    // The ended worker's thread handle is still held; it must not count as a running worker.
    window.Clear();
    ASSERT_TRUE(device->StartUpdate());
    ASSERT_TRUE(window.PumpUntilFinal());
    device.reset();
    EXPECT_EQ(window.Received(), (std::vector<Notification>{{150, 0, true}}));
    EXPECT_EQ(printer->opens, 2);
}

}  // namespace
}  // namespace vork
