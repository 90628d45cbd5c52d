// The simulated printer keeps the promises the channel tests rely on: overlapped requests complete
// through their events, time-outs cost no real time, and misuse is reported.
#include <gtest/gtest.h>

#include <thread>

#include "platform/DeviceClasses.h"
#include "sim/SimMachine.h"

namespace vork::sim {
namespace {

constexpr DWORD kOpenFlags = FILE_FLAG_OVERLAPPED;

struct Exchange {
    SimMachine& machine;
    HANDLE file;
    HANDLE event;
    OVERLAPPED overlapped{};
    Exchange(SimMachine& m, const std::string& path)
        : machine(m),
          file(m.CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                             OPEN_ALWAYS, kOpenFlags, nullptr)),
          event(m.CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
        overlapped.hEvent = event;
    }
    ~Exchange() {
        machine.CloseHandle(event);
        if (file != INVALID_HANDLE_VALUE) machine.CloseHandle(file);
    }
};

TEST(SimPrinter, AnswersTheRevisionRequestThroughItsEvent) {
    SimMachine machine;
    PrinterConfig config;
    config.revisionReply = RevisionReply("f0I");
    auto printer = machine.AddPrinter(config);
    {
        Exchange x(machine, config.interfacePath);
        ASSERT_NE(x.file, INVALID_HANDLE_VALUE);
        const std::uint8_t request[] = {0x1B, 0x56};
        EXPECT_FALSE(machine.WriteFile(x.file, request, 2, nullptr, &x.overlapped));
        EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_IO_PENDING));
        EXPECT_EQ(machine.WaitForSingleObject(x.event, 10000), WAIT_OBJECT_0);
        DWORD n = 0;
        EXPECT_TRUE(machine.GetOverlappedResult(x.file, &x.overlapped, &n, FALSE));
        EXPECT_EQ(n, 2u);

        std::uint8_t reply[10] = {};
        x.overlapped = OVERLAPPED{};
        x.overlapped.hEvent = x.event;
        EXPECT_FALSE(machine.ReadFile(x.file, reply, 10, nullptr, &x.overlapped));
        EXPECT_EQ(machine.WaitForSingleObject(x.event, 5000), WAIT_OBJECT_0);
        EXPECT_TRUE(machine.GetOverlappedResult(x.file, &x.overlapped, &n, FALSE));
        EXPECT_EQ(n, 10u);
        EXPECT_EQ(std::vector<std::uint8_t>(reply, reply + 10), RevisionReply("f0I"));
    }
    EXPECT_EQ(machine.OpenHandles(), 0);
    EXPECT_TRUE(machine.Violations().empty());
    EXPECT_EQ(machine.NowMs(), 0);
}

TEST(SimPrinter, SilentPrinterTimesOutOnTheVirtualClockAndCancels) {
    SimMachine machine;
    PrinterConfig config;
    config.replyMode = ReplyMode::Silent;
    machine.AddPrinter(config);
    {
        Exchange x(machine, config.interfacePath);
        std::uint8_t reply[10] = {};
        EXPECT_FALSE(machine.ReadFile(x.file, reply, 10, nullptr, &x.overlapped));
        EXPECT_EQ(machine.WaitForSingleObject(x.event, 5000), static_cast<DWORD>(WAIT_TIMEOUT));
        EXPECT_EQ(machine.NowMs(), 5000);
        // A cancel from another thread leaves this thread's read pending.
        std::thread([&] { EXPECT_TRUE(machine.CancelIo(x.file)); }).join();
        EXPECT_EQ(machine.WaitForSingleObject(x.event, 0), static_cast<DWORD>(WAIT_TIMEOUT));
        EXPECT_TRUE(machine.CancelIo(x.file));
        EXPECT_EQ(machine.WaitForSingleObject(x.event, INFINITE), WAIT_OBJECT_0);
        DWORD n = 99;
        EXPECT_FALSE(machine.GetOverlappedResult(x.file, &x.overlapped, &n, FALSE));
        EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_OPERATION_ABORTED));
    }
    EXPECT_EQ(machine.OpenHandles(), 0);
    EXPECT_TRUE(machine.Violations().empty());
}

TEST(SimPrinter, ReportsAnEventClosedWhileItsRequestIsPending) {
    SimMachine machine;
    PrinterConfig config;
    config.writes[0].kind = RequestScript::Kind::NeverComplete;
    machine.AddPrinter(config);
    {
        Exchange x(machine, config.interfacePath);
        const std::uint8_t byte = 0;
        machine.WriteFile(x.file, &byte, 1, nullptr, &x.overlapped);
    }
    ASSERT_FALSE(machine.Violations().empty());
    EXPECT_NE(machine.Violations().front().find("pending"), std::string::npos);
}

TEST(SimPrinter, ListsInterfacesWithTheTwoCallDetailProtocol) {
    SimMachine machine;
    PrinterConfig first, second;
    second.interfacePath = "\\\\?\\usb#vid_e7d2&pid_0022#x#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}";
    machine.AddPrinterDevice({first, second});
    HDEVINFO set = machine.SetupDiGetClassDevsA(&kUsbPrintInterfaceClass, nullptr, nullptr,
                                                DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    ASSERT_NE(set, INVALID_HANDLE_VALUE);
    SP_DEVINFO_DATA info{sizeof info, {}, 0, 0};
    ASSERT_TRUE(machine.SetupDiEnumDeviceInfo(set, 0, &info));
    EXPECT_FALSE(machine.SetupDiEnumDeviceInfo(set, 1, &info));
    ASSERT_TRUE(machine.SetupDiEnumDeviceInfo(set, 0, &info));
    SP_DEVICE_INTERFACE_DATA data{sizeof data, {}, 0, 0};
    ASSERT_TRUE(
        machine.SetupDiEnumDeviceInterfaces(set, &info, &kUsbPrintInterfaceClass, 1, &data));
    DWORD required = 0;
    EXPECT_FALSE(
        machine.SetupDiGetDeviceInterfaceDetailA(set, &data, nullptr, 0, &required, &info));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    std::vector<std::uint8_t> buffer(required);
    auto* detail = reinterpret_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_A>(buffer.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    ASSERT_TRUE(
        machine.SetupDiGetDeviceInterfaceDetailA(set, &data, detail, required, &required, &info));
    EXPECT_EQ(std::string(detail->DevicePath), second.interfacePath);
    EXPECT_EQ(machine.OpenHandles(), 1);
    EXPECT_TRUE(machine.SetupDiDestroyDeviceInfoList(set));
    EXPECT_EQ(machine.OpenHandles(), 0);
}

}  // namespace
}  // namespace vork::sim
