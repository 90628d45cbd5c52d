// What an exception thrown inside the product's work becomes: in the USB walk, the "ERROR" box with
// its text and a count of 0; in the firmware worker, a failed transfer reported with 153 and the
// device handle closed. This executable replaces the throwing allocation, so a test can make one
// allocation of a chosen size on a chosen thread throw std::bad_alloc.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "device/SG731OldDevice.h"
#include "sim/PrinterOnBus.h"
#include "tests/support/NotificationWindow.h"
#include "tests/support/SimFixture.h"
#include "usb/USBEnumerator.h"

namespace {

std::atomic<std::size_t> throwAtSize{0};  // 0: no allocation throws
std::atomic<DWORD> sparedThread{0};       // allocations of this thread never throw; 0: none spared

}  // namespace

// The replaced pair allocates with malloc and frees with free; the compiler cannot see that they
// match once it has inlined one of them.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size) {
    if (size != 0 && size == throwAtSize.load() && ::GetCurrentThreadId() != sparedThread.load()) {
        throwAtSize = 0;  // once
        throw std::bad_alloc();
    }
    if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
    throw std::bad_alloc();
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }

namespace vork {
namespace {

class ThrownException : public test::SimFixture {
protected:
    void TearDown() override {
        throwAtSize = 0;
        sparedThread = 0;
        test::SimFixture::TearDown();
    }
};

TEST_F(ThrownException, InTheWalkIsShownInTheErrorBoxWithItsText) {
    // The driver key's 8-bit copy is allocated by the walk with its NUL: 600 + 1 bytes.
    auto& hc = machine.Usb().AddController(
        {.number = 0, .driverKey = std::string(600, 'K'), .rootPorts = 1});
    hc.RootHub().Port(1).device = sim::UsbDeviceSpec{.vendor = 0xE7D2, .product = 0x0021};
    USBEnumerator enumerator;
    std::uint8_t header[9] = {};
    std::vector<std::uint8_t> product = {'o', 'l', 'd', 0};
    throwAtSize = 601;
    EXPECT_EQ(enumerator.FindDevices(0x0021, header, product), 0);
    EXPECT_EQ(throwAtSize.load(), 0u) << "the allocation was never made";
    EXPECT_TRUE(product.empty());
    const auto boxes = machine.MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "ERROR");
    EXPECT_EQ(boxes[0].text, std::bad_alloc().what());
}

TEST_F(ThrownException, InTheWorkerIsAFailedTransferWithItsHandleClosed) {
    sim::PrinterConfig config;
    config.interfacePath = sim::PrinterInterfacePath(0x0021);
    auto printer = machine.AddPrinter(config);
    test::NotificationWindow window;
    SG731OldDevice device;
    device.SetOwnerWindow(window.Window());
    // The worker allocates its 11-byte flash command once the interface is open.
    sparedThread = ::GetCurrentThreadId();
    throwAtSize = 11;
    ASSERT_TRUE(device.StartUpdate());
    ASSERT_TRUE(window.PumpUntilFinal(5000)) << "the worker ended without telling the window";
    ASSERT_EQ(::WaitForSingleObject(device.WorkerThread(), 10000), WAIT_OBJECT_0);
    DWORD exitCode = STILL_ACTIVE;
    EXPECT_TRUE(::GetExitCodeThread(device.WorkerThread(), &exitCode));
    EXPECT_EQ(exitCode, 0u);
    EXPECT_EQ(throwAtSize.load(), 0u) << "the allocation was never made";
    EXPECT_EQ(window.Received(), (std::vector<test::Notification>{{153, 0, true}}));
    EXPECT_EQ(device.DeviceHandle(), nullptr);
    EXPECT_EQ(printer->opens, 1);
    EXPECT_TRUE(printer->received.empty());
}

}  // namespace
}  // namespace vork
