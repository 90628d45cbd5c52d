// The channel over the production binding, against a real kernel object: a named pipe served by a
// thread that plays the printer. This is the one test that waits for a time-out in real time.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include <thread>

#include "device/SG731DeviceBase.h"
#include "platform/Platform.h"
#include "tests/support/Diagnostics.h"

namespace vork {
namespace {

using test::Diagnostics;

constexpr char kPipeName[] = "\\\\.\\pipe\\sg731-printer-test";

// A device whose interface is the test pipe instead of a USB printer.
class PipeDevice final : public SG731DeviceBase {
public:
    ~PipeDevice() override { JoinWorker(); }
    std::int32_t GetDeviceConnected() override { return 0; }
    std::vector<std::uint8_t> GetRevision() override { return {}; }
    bool IsUpdateNeeded() override { return false; }
    bool IsUpdateReady() override { return true; }
    bool StartUpdate() override { return false; }
    bool CheckConfiguration() override { return true; }
    bool CheckProductString() override { return true; }
    void SetOwnerWindow(HWND owner) override { ownerWindow_ = owner; }
    bool OpenDeviceInterface() override {
        deviceHandle_ =
            System().CreateFileA(kPipeName, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
        return deviceHandle_ != INVALID_HANDLE_VALUE;
    }
};

// Serves one exchange: reads the request and, when told to, answers with ten bytes; then keeps the
// pipe open until the client has gone.
class PipePrinter {
public:
    explicit PipePrinter(bool answers) : answers_(answers) {
        pipe_ = ::CreateNamedPipeA(kPipeName, PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 64,
                                   64, 0, nullptr);
        thread_ = std::thread([this] { Serve(); });
    }
    ~PipePrinter() {
        thread_.join();
        ::CloseHandle(pipe_);
    }
    bool valid() const { return pipe_ != INVALID_HANDLE_VALUE; }
    std::vector<std::uint8_t> request;

private:
    void Serve() {
        if (!::ConnectNamedPipe(pipe_, nullptr) && ::GetLastError() != ERROR_PIPE_CONNECTED) return;
        std::uint8_t buffer[16];
        DWORD n = 0;
        if (::ReadFile(pipe_, buffer, 2, &n, nullptr)) request.assign(buffer, buffer + n);
        if (answers_) {
            const char reply[] = "SG731-\x20v0G";
            ::WriteFile(pipe_, reply, 10, &n, nullptr);
        }
        // Block until the client closes its end, so a silent printer stays silent.
        while (::ReadFile(pipe_, buffer, sizeof buffer, &n, nullptr)) {}
        ::DisconnectNamedPipe(pipe_);
    }
    bool answers_;
    HANDLE pipe_ = INVALID_HANDLE_VALUE;
    std::thread thread_;
};

TEST(Win32Channel, RevisionExchangeOverARealPipe) {
    PipePrinter printer(true);
    ASSERT_TRUE(printer.valid());
    PipeDevice device;
    const auto reply = device.QueryRevision();
    EXPECT_EQ(std::string(reply.begin(), reply.end()), "SG731- v0G");
    EXPECT_EQ(device.DeviceHandle(), nullptr);
    EXPECT_EQ(printer.request, (std::vector<std::uint8_t>{0x1B, 0x56}));
}

TEST(Win32Channel, PendingReadRunsIntoItsWaitAndIsCancelled) {
    PipePrinter printer(false);
    ASSERT_TRUE(printer.valid());
    PipeDevice device;
    testing::internal::CaptureStdout();
    const ULONGLONG start = ::GetTickCount64();
    EXPECT_TRUE(device.QueryRevision().empty());
    const ULONGLONG elapsed = ::GetTickCount64() - start;
    EXPECT_EQ(Diagnostics(testing::internal::GetCapturedStdout()),
              "ERROR: ReadFile() timed out!\n");
    EXPECT_GE(elapsed, 4900u);
    EXPECT_LT(elapsed, 8000u);
    EXPECT_EQ(device.DeviceHandle(), nullptr);  // closing it lets the serving thread end
}

}  // namespace
}  // namespace vork
