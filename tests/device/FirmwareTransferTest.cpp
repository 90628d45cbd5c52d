// The firmware worker of each variant over a simulated printer: the exact bytes and write sizes the
// printer receives and the exact notifications a real window receives, for success and failure.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "device/FirmwareImages.h"
#include "device/SG731NewDevice.h"
#include "device/SG731OldDevice.h"
#include "device/SG731TTDevice.h"
#include "sim/PrinterOnBus.h"
#include "tests/support/NotificationWindow.h"
#include "tests/support/SimFixture.h"

namespace vork {
namespace {

using sim::PrinterConfig;
using Kind = sim::RequestScript::Kind;
using test::Notification;

constexpr std::uint8_t kNewCommand[] = {0x66, 0x6C, 0x61, 0x73, 0x68, 0x20, 0x00, 0x70, 0x00};
constexpr std::uint8_t kOldCommand[] = {0x1B, 0x52, 0x66, 0x6C, 0x61, 0x73,
                                        0x68, 0x20, 0x00, 0x70, 0x00};
constexpr std::uint8_t kTTCommand[] = {0x1B, 0x52, 0x66, 0x6C, 0x61, 0x73,
                                       0x68, 0x30, 0x00, 0x80, 0x00};

struct VariantCase {
    const char* name;
    std::unique_ptr<SG731DeviceBase> (*make)();
    std::uint16_t productId;
    std::vector<std::uint8_t> command;
    const std::uint8_t* image;
    bool chunked;
};

std::vector<VariantCase> Variants() {
    return {
        {"New",
         [] { return std::unique_ptr<SG731DeviceBase>(new SG731NewDevice); },
         0x0021,
         {std::begin(kNewCommand), std::end(kNewCommand)},
         firmware::kNewImage,
         false},
        {"Old",
         [] { return std::unique_ptr<SG731DeviceBase>(new SG731OldDevice); },
         0x0020,
         {std::begin(kOldCommand), std::end(kOldCommand)},
         firmware::kOldImage,
         true},
        {"TT",
         [] { return std::unique_ptr<SG731DeviceBase>(new SG731TTDevice); },
         0x0022,
         {std::begin(kTTCommand), std::end(kTTCommand)},
         firmware::kTTImage,
         true},
    };
}

void PrintTo(const VariantCase& c, std::ostream* os) { *os << c.name; }

std::vector<DWORD> WriteSizes(const sim::Printer& printer) {
    std::vector<DWORD> sizes;
    for (const auto& w : printer.writeLog) sizes.push_back(w.requested);
    return sizes;
}

const std::vector<LPARAM> kAllProgress = {0, 10, 20, 30, 40, 50, 60, 70, 80, 90};

class FirmwareTransfer : public test::SimFixture,
                         public ::testing::WithParamInterface<VariantCase> {
protected:
    void ResetObjects() override { device.reset(); }

    std::shared_ptr<sim::Printer> Attach(PrinterConfig config = {}) {
        config.interfacePath = sim::PrinterInterfacePath(GetParam().productId);
        return machine.AddPrinter(config);
    }
    // Starts the worker and pumps the window until its final notification.
    void Run() {
        device->SetOwnerWindow(window.Window());
        ASSERT_TRUE(device->StartUpdate());
        ASSERT_TRUE(window.PumpUntilFinal());
    }
    std::vector<std::uint8_t> CommandAndImage(std::size_t imageBytes) const {
        std::vector<std::uint8_t> bytes = GetParam().command;
        bytes.insert(bytes.end(), GetParam().image, GetParam().image + imageBytes);
        return bytes;
    }
    // Exactly one final notification, sent. Posted progress may be handled after it: a sent
    // message is delivered ahead of the queue.
    void ExpectFinal(WPARAM command) {
        std::vector<Notification> finals;
        for (const auto& n : window.Received())
            if (n.command == 150 || n.command == 153) finals.push_back(n);
        EXPECT_EQ(finals, (std::vector<Notification>{{command, 0, true}}));
    }

    test::NotificationWindow window;
    std::unique_ptr<SG731DeviceBase> device = GetParam().make();
};

TEST_P(FirmwareTransfer, SendsCommandThenImageAndReportsSuccess) {
    auto printer = Attach();
    Run();
    device.reset();  // joins the worker, so its last step is done
    EXPECT_EQ(printer->received, CommandAndImage(firmware::kFirmwareSize));
    const auto sizes = WriteSizes(*printer);
    if (GetParam().chunked) {
        std::vector<DWORD> expected = {11};
        expected.insert(expected.end(), 10, 2048);
        EXPECT_EQ(sizes, expected);
        EXPECT_EQ(window.ProgressValues(), kAllProgress);
    } else {
        EXPECT_EQ(sizes, (std::vector<DWORD>{9, 20480}));
        EXPECT_TRUE(window.ProgressValues().empty());
    }
    ExpectFinal(150);
    EXPECT_EQ(printer->opens, 1);
}

TEST_P(FirmwareTransfer, WithoutOwnerWindowNothingStarts) {
    auto printer = Attach();
    EXPECT_FALSE(device->StartUpdate());
    EXPECT_FALSE(device->IsWorkerRunning());
    EXPECT_EQ(printer->opens, 0);
}

TEST_P(FirmwareTransfer, InterfaceThatWillNotOpenFailsAtOnce) {
    PrinterConfig config;
    config.busy = true;
    auto printer = Attach(config);
    Run();
    device.reset();
    EXPECT_TRUE(printer->received.empty());
    EXPECT_EQ(window.Received(), (std::vector<Notification>{{153, 0, true}}));
}

TEST_P(FirmwareTransfer, NoPrinterInterfaceFailsWithNothingSent) {
    Run();
    EXPECT_EQ(window.Received(), (std::vector<Notification>{{153, 0, true}}));
    device.reset();
    EXPECT_EQ(machine.CountCalls("WriteFile"), 0);
}

TEST_P(FirmwareTransfer, CommandNotAcceptedWholeSendsNoImage) {
    PrinterConfig config;
    config.writes[0] = {Kind::AcceptPart, 0, 5};
    auto printer = Attach(config);
    Run();
    device.reset();
    const auto& command = GetParam().command;
    if (GetParam().chunked) {
        // The chunked writer continues a short piece, so the command still arrives whole once;
        // only a refused piece ends it. Refusal is the row checked below.
        EXPECT_EQ(printer->received, CommandAndImage(firmware::kFirmwareSize));
        ExpectFinal(150);
    } else {
        EXPECT_EQ(printer->received,
                  std::vector<std::uint8_t>(command.begin(), command.begin() + 5));
        ExpectFinal(153);
    }
}

TEST_P(FirmwareTransfer, CommandRefusedSendsNoImage) {
    PrinterConfig config;
    config.writes[0] = {Kind::RefuseAtOnce, ERROR_GEN_FAILURE};
    auto printer = Attach(config);
    Run();
    device.reset();
    EXPECT_TRUE(printer->received.empty());
    EXPECT_EQ(printer->writeLog.size(), 1u);
    EXPECT_EQ(window.Received(), (std::vector<Notification>{{153, 0, true}}));
}

TEST_P(FirmwareTransfer, ImageFailingMidwayStopsAndReportsFailure) {
    PrinterConfig config;
    config.writes[GetParam().chunked ? 4 : 1] = {
        Kind::NeverComplete};  // the 4th piece, or the image
    auto printer = Attach(config);
    Run();
    device.reset();
    if (GetParam().chunked) {
        EXPECT_EQ(printer->received, CommandAndImage(3 * 2048));
        EXPECT_EQ(printer->writeLog.size(), 5u);
        EXPECT_EQ(window.ProgressValues(), (std::vector<LPARAM>{0, 10, 20, 30}));
    } else {
        EXPECT_EQ(printer->received, CommandAndImage(0));
        EXPECT_EQ(machine.Waits(), (std::vector<DWORD>{10000, 10000, INFINITE}));
    }
    ExpectFinal(153);
}

TEST_P(FirmwareTransfer, RetryOnTheSameObjectOpensAfreshAndSucceeds) {
    PrinterConfig config;
    config.writes[0] = {Kind::RefuseAtOnce, ERROR_GEN_FAILURE};
    config.scriptedOpen = 1;  // only the first transfer's command is refused
    auto printer = Attach(config);
    Run();
    ExpectFinal(153);
    window.Clear();
    device->JoinWorker();  // as a person's click on Retry comes after the worker has ended
    ASSERT_TRUE(device->StartUpdate());
    ASSERT_TRUE(window.PumpUntilFinal());
    device.reset();
    ExpectFinal(150);
    EXPECT_EQ(printer->opens, 2);
    EXPECT_EQ(printer->received, CommandAndImage(firmware::kFirmwareSize));
}

TEST_P(FirmwareTransfer, SecondStartWhileTheWorkerRunsIsRefused) {
    Attach();
    device->SetOwnerWindow(window.Window());
    ASSERT_TRUE(device->StartUpdate());
    // The worker cannot end before this thread handles its final notification.
    EXPECT_FALSE(device->StartUpdate());
    ASSERT_TRUE(window.PumpUntilFinal());
    device.reset();
    ExpectFinal(150);
}

TEST_P(FirmwareTransfer, DeletingTheDeviceWaitsForItsWorker) {
    // Real time with a latency per write, so the worker is still writing when the window goes away
    // (as when the window is closed from outside during a transfer) and the device is deleted.
    machine.SetRealTime(true);
    PrinterConfig config;
    config.latencyMs = 5;
    auto printer = Attach(config);
    auto owner = std::make_unique<test::NotificationWindow>();
    device->SetOwnerWindow(owner->Window());
    ASSERT_TRUE(device->StartUpdate());
    owner.reset();   // its final notification now goes nowhere
    device.reset();  // returns only once the worker has ended
    EXPECT_EQ(printer->received, CommandAndImage(firmware::kFirmwareSize));
}

INSTANTIATE_TEST_SUITE_P(Variants, FirmwareTransfer, ::testing::ValuesIn(Variants()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vork
