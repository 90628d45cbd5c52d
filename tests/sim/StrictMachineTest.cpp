// The simulated machine holds every call to what Windows documents for it: a call the updater
// makes wrongly is answered as Windows answers it and recorded as a violation, and the right call
// records nothing.
#include <gtest/gtest.h>

#include <cstring>

#include "sim/MachineGuids.h"
#include "sim/PrinterOnBus.h"
#include "sim/SimMachine.h"

namespace vork::sim {
namespace {

constexpr DWORD kPrinterFlags =
    FILE_FLAG_OVERLAPPED | FILE_FLAG_SEQUENTIAL_SCAN | FILE_ATTRIBUTE_NORMAL;

struct OpenCase {
    const char* name;
    bool printer;  // else the machine's first host controller, by its numbered name
    DWORD access;
    DWORD share;
    DWORD disposition;
    DWORD flags;
    bool violation;
};

void PrintTo(const OpenCase& c, std::ostream* os) { *os << c.name; }

class StrictOpens : public ::testing::TestWithParam<OpenCase> {};

TEST_P(StrictOpens, HoldEachKindOfNodeToItsOwnWayOfOpening) {
    const OpenCase& c = GetParam();
    SimMachine machine;
    RootHubOf(machine);
    const auto printer = machine.AddPrinter({});
    const std::string path = c.printer ? printer->config.interfacePath : "\\\\.\\HCD0";
    const HANDLE handle = machine.CreateFileA(path.c_str(), c.access, c.share, nullptr,
                                              c.disposition, c.flags, nullptr);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE) << "Windows opens it all the same";
    EXPECT_EQ(machine.Violations().size(), c.violation ? 1u : 0u)
        << ::testing::PrintToString(machine.Violations());
    machine.CloseHandle(handle);
}

constexpr DWORD kRW = GENERIC_READ | GENERIC_WRITE;
const OpenCase kOpens[] = {
    {"PrinterAsTheUpdaterOpensIt", true, kRW, FILE_SHARE_READ, OPEN_ALWAYS, kPrinterFlags, false},
    {"PrinterWithoutOverlappedIo", true, kRW, FILE_SHARE_READ, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
     true},
    {"PrinterForWritingOnly", true, GENERIC_WRITE, FILE_SHARE_READ, OPEN_ALWAYS, kPrinterFlags,
     true},
    {"PrinterSharedForWriting", true, kRW, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_ALWAYS,
     kPrinterFlags, true},
    {"PrinterOpenExisting", true, kRW, FILE_SHARE_READ, OPEN_EXISTING, kPrinterFlags, true},
    {"ControllerAsTheWalkOpensIt", false, GENERIC_WRITE, FILE_SHARE_WRITE, OPEN_EXISTING, 0, false},
    {"ControllerForReading", false, kRW, FILE_SHARE_WRITE, OPEN_EXISTING, 0, true},
    {"ControllerUnshared", false, GENERIC_WRITE, 0, OPEN_EXISTING, 0, true},
    {"ControllerOpenAlways", false, GENERIC_WRITE, FILE_SHARE_WRITE, OPEN_ALWAYS, 0, true},
    {"ControllerOverlapped", false, GENERIC_WRITE, FILE_SHARE_WRITE, OPEN_EXISTING,
     FILE_FLAG_OVERLAPPED, true},
};

INSTANTIATE_TEST_SUITE_P(Table, StrictOpens, ::testing::ValuesIn(kOpens),
                         [](const auto& info) { return std::string(info.param.name); });

struct SharingCase {
    const char* name;
    DWORD firstAccess, firstShare, secondAccess, secondShare;
    bool secondOpens;
};

void PrintTo(const SharingCase& c, std::ostream* os) { *os << c.name; }

class Sharing : public ::testing::TestWithParam<SharingCase> {};

// The sharing rules of CreateFile, on one hub opened twice (both ways of conflicting are tried).
TEST_P(Sharing, ASecondOpenConflictsAsOnWindows) {
    const SharingCase& c = GetParam();
    SimMachine machine;
    RootHubOf(machine).Port(1).AttachHub(2, "HUB");
    const HANDLE first = machine.CreateFileA("\\\\.\\HUB", c.firstAccess, c.firstShare, nullptr,
                                             OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(first, INVALID_HANDLE_VALUE);
    const HANDLE second = machine.CreateFileA("\\\\.\\HUB", c.secondAccess, c.secondShare, nullptr,
                                              OPEN_EXISTING, 0, nullptr);
    const DWORD error = ::GetLastError();
    EXPECT_EQ(second != INVALID_HANDLE_VALUE, c.secondOpens);
    if (second == INVALID_HANDLE_VALUE) {
        EXPECT_EQ(error, static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    } else {
        machine.CloseHandle(second);
    }
    machine.CloseHandle(first);
    // Once the first is closed, anything opens.
    const HANDLE again = machine.CreateFileA("\\\\.\\HUB", c.secondAccess, c.secondShare, nullptr,
                                             OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(again, INVALID_HANDLE_VALUE);
    machine.CloseHandle(again);
}

const SharingCase kSharing[] = {
    {"BothShareWriting", GENERIC_WRITE, FILE_SHARE_WRITE, GENERIC_WRITE, FILE_SHARE_WRITE, true},
    {"FirstDoesNotShareWriting", GENERIC_WRITE, FILE_SHARE_READ, GENERIC_WRITE, FILE_SHARE_WRITE,
     false},
    {"SecondDoesNotShareFirstsWriting", GENERIC_WRITE, FILE_SHARE_WRITE, GENERIC_WRITE,
     FILE_SHARE_READ, false},
    {"ReadingNotShared", GENERIC_WRITE, FILE_SHARE_WRITE, GENERIC_READ, FILE_SHARE_WRITE, false},
    {"ReadingShared", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, GENERIC_READ,
     FILE_SHARE_READ, true},
    {"NoAccessAtAll", GENERIC_WRITE, 0, 0, FILE_SHARE_WRITE, true},
};

INSTANTIATE_TEST_SUITE_P(Table, Sharing, ::testing::ValuesIn(kSharing),
                         [](const auto& info) { return std::string(info.param.name); });

HANDLE OpenPrinter(SimMachine& machine, const Printer& printer, DWORD flags = kPrinterFlags) {
    return machine.CreateFileA(printer.config.interfacePath.c_str(), GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ, nullptr, OPEN_ALWAYS, flags, nullptr);
}

TEST(StrictPrinter, AnInterfaceHeldOpenCannotBeOpenedAgain) {
    SimMachine machine;
    const auto printer = machine.AddPrinter({});
    const HANDLE first = OpenPrinter(machine, *printer);
    ASSERT_NE(first, INVALID_HANDLE_VALUE);
    EXPECT_EQ(OpenPrinter(machine, *printer), INVALID_HANDLE_VALUE);
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    machine.CloseHandle(first);
    EXPECT_TRUE(machine.Violations().empty());
}

TEST(StrictPrinter, AnOverlappedRequestOnASynchronousHandleIsAViolation) {
    SimMachine machine;
    const auto printer = machine.AddPrinter({});
    machine.SetRealTime(false);
    const HANDLE file = OpenPrinter(machine, *printer, FILE_ATTRIBUTE_NORMAL);
    const HANDLE event = machine.CreateEventW(nullptr, TRUE, FALSE, nullptr);
    OVERLAPPED overlapped{};
    overlapped.hEvent = event;
    const std::uint8_t byte = 0;
    machine.WriteFile(file, &byte, 1, nullptr, &overlapped);
    machine.WaitForSingleObject(event, INFINITE);
    machine.CloseHandle(event);
    machine.CloseHandle(file);
    const auto violations = machine.Violations();
    ASSERT_EQ(violations.size(), 2u) << ::testing::PrintToString(violations);
    EXPECT_NE(violations[0].find("FILE_SHARE_READ, OPEN_ALWAYS, overlapped"), std::string::npos);
    EXPECT_NE(violations[1].find("not opened for overlapped"), std::string::npos);
}

TEST(StrictPrinter, AnOverlappedRecordOrEventInUseCannotStartAnotherRequest) {
    SimMachine machine;
    PrinterConfig config;
    config.writes[0].kind = RequestScript::Kind::NeverComplete;
    const auto printer = machine.AddPrinter(config);
    const HANDLE file = OpenPrinter(machine, *printer);
    const HANDLE event = machine.CreateEventW(nullptr, TRUE, FALSE, nullptr);
    OVERLAPPED overlapped{}, other{};
    overlapped.hEvent = other.hEvent = event;
    const std::uint8_t byte = 0;
    machine.WriteFile(file, &byte, 1, nullptr, &overlapped);
    machine.WriteFile(file, &byte, 1, nullptr, &overlapped);
    machine.WriteFile(file, &byte, 1, nullptr, &other);
    machine.CancelIo(file);
    machine.WaitForSingleObject(event, INFINITE);
    machine.CloseHandle(event);
    machine.CloseHandle(file);
    const auto violations = machine.Violations();
    ASSERT_EQ(violations.size(), 2u) << ::testing::PrintToString(violations);
    EXPECT_NE(violations[0].find("OVERLAPPED record reused"), std::string::npos);
    EXPECT_NE(violations[1].find("event reused"), std::string::npos);
}

class StrictControl : public ::testing::Test {
protected:
    void SetUp() override {
        UsbHub& root = RootHubOf(machine, 2);
        root.Port(1).device = UsbDeviceSpec{.vendor = 0xE7D2, .product = 0x21};
        root.Port(1).device->driverKey = "{36fc9e60-c465-11cf-8056-444553540000}\\0042";
        controller = Open("\\\\.\\HCD0");
        hub = Open(("\\\\.\\" + root.name).c_str());
    }
    void TearDown() override {
        machine.CloseHandle(controller);
        machine.CloseHandle(hub);
    }
    HANDLE Open(const char* path) {
        return machine.CreateFileA(path, GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                   nullptr);
    }

    SimMachine machine;
    HANDLE controller = nullptr;
    HANDLE hub = nullptr;
};

TEST_F(StrictControl, ACodeSentToTheWrongKindOfNodeIsAViolation) {
    USB_NODE_CONNECTION_DRIVERKEY_NAME record{};
    record.ConnectionIndex = 1;
    DWORD returned = 0;
    EXPECT_FALSE(machine.DeviceIoControl(controller, IOCTL_USB_GET_NODE_CONNECTION_DRIVERKEY_NAME,
                                         &record, sizeof record, &record, sizeof record, &returned,
                                         nullptr));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_FUNCTION));
    ASSERT_EQ(machine.Violations().size(), 1u);
    EXPECT_NE(machine.Violations()[0].find("does not take it"), std::string::npos);
}

TEST_F(StrictControl, ARequestWithoutAByteCountIsAViolation) {
    USB_NODE_CONNECTION_DRIVERKEY_NAME record{};
    record.ConnectionIndex = 1;
    machine.DeviceIoControl(hub, IOCTL_USB_GET_NODE_CONNECTION_DRIVERKEY_NAME, &record,
                            sizeof record, &record, sizeof record, nullptr, nullptr);
    ASSERT_EQ(machine.Violations().size(), 1u);
    EXPECT_NE(machine.Violations()[0].find("without a byte count"), std::string::npos);
}

TEST_F(StrictControl, ANameQueryIntoTheFixedRecordFillsInTheLength) {
    USB_NODE_CONNECTION_DRIVERKEY_NAME record{};
    record.ConnectionIndex = 1;
    DWORD returned = 0;
    ASSERT_TRUE(machine.DeviceIoControl(hub, IOCTL_USB_GET_NODE_CONNECTION_DRIVERKEY_NAME, &record,
                                        sizeof record, &record, sizeof record, &returned, nullptr));
    EXPECT_EQ(returned, sizeof record);
    const std::size_t key = std::strlen("{36fc9e60-c465-11cf-8056-444553540000}\\0042");
    EXPECT_EQ(record.ActualLength,
              offsetof(USB_NODE_CONNECTION_DRIVERKEY_NAME, DriverKeyName) + 2 * (key + 1));
    EXPECT_TRUE(machine.Violations().empty());
}

TEST_F(StrictControl, ABufferTooSmallForTheRecordFails) {
    struct Case {
        HANDLE* node;
        DWORD code;
        DWORD size;
    };
    const Case cases[] = {
        {&hub, IOCTL_USB_GET_NODE_CONNECTION_DRIVERKEY_NAME,
         sizeof(USB_NODE_CONNECTION_DRIVERKEY_NAME) - 2},
        {&hub, IOCTL_USB_GET_NODE_CONNECTION_INFORMATION_EX,
         sizeof(USB_NODE_CONNECTION_INFORMATION_EX) - 1},
        {&hub, IOCTL_USB_GET_NODE_INFORMATION, sizeof(USB_NODE_INFORMATION) - 1},
        {&controller, IOCTL_USB_GET_ROOT_HUB_NAME, sizeof(USB_ROOT_HUB_NAME) - 2},
    };
    for (const Case& c : cases) {
        std::uint8_t buffer[512] = {1};
        DWORD returned = 99;
        EXPECT_FALSE(machine.DeviceIoControl(*c.node, c.code, buffer, c.size, buffer, c.size,
                                             &returned, nullptr))
            << c.code;
        EXPECT_EQ(returned, 0u);
    }
    EXPECT_TRUE(machine.Violations().empty());
}

// Records sized for the other word size: the SetupAPI records of a 32-bit build are smaller.
TEST(StrictSetupApi, ARecordSizedForAnotherBuildIsRefused) {
    SimMachine machine;
    machine.AddPrinter({});
    HDEVINFO set = machine.SetupDiGetClassDevsA(&kPrinterInterfaces, nullptr, nullptr,
                                                DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    SP_DEVINFO_DATA info{sizeof info - 4, {}, 0, 0};
    EXPECT_FALSE(machine.SetupDiEnumDeviceInfo(set, 0, &info));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_USER_BUFFER));
    info.cbSize = sizeof info;
    ASSERT_TRUE(machine.SetupDiEnumDeviceInfo(set, 0, &info));
    SP_DEVICE_INTERFACE_DATA data{sizeof data - 4, {}, 0, 0};
    EXPECT_FALSE(machine.SetupDiEnumDeviceInterfaces(set, &info, &kPrinterInterfaces, 0, &data));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_USER_BUFFER));
    data.cbSize = sizeof data;
    ASSERT_TRUE(machine.SetupDiEnumDeviceInterfaces(set, &info, &kPrinterInterfaces, 0, &data));

    DWORD required = 0;
    EXPECT_FALSE(
        machine.SetupDiGetDeviceInterfaceDetailA(set, &data, nullptr, 0, &required, nullptr));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    std::vector<std::uint8_t> buffer(required);
    auto* detail = reinterpret_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_A>(buffer.data());
    const DWORD otherSize = sizeof(void*) == 8 ? 5 : 8;
    detail->cbSize = otherSize;
    EXPECT_FALSE(
        machine.SetupDiGetDeviceInterfaceDetailA(set, &data, detail, required, nullptr, nullptr));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_USER_BUFFER));
    detail->cbSize = sizeof *detail;
    EXPECT_FALSE(machine.SetupDiGetDeviceInterfaceDetailA(set, &data, detail, required - 1, nullptr,
                                                          nullptr));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_TRUE(
        machine.SetupDiGetDeviceInterfaceDetailA(set, &data, detail, required, nullptr, nullptr));
    machine.SetupDiDestroyDeviceInfoList(set);
    EXPECT_EQ(machine.Violations().size(), 3u)
        << "each wrong cbSize: " << ::testing::PrintToString(machine.Violations());
}

TEST(StrictSetupApi, TheSizeQueryTakesNoBufferAndASizeOfZero) {
    SimMachine machine;
    machine.AddPrinter({});
    HDEVINFO set = machine.SetupDiGetClassDevsA(&kPrinterInterfaces, nullptr, nullptr,
                                                DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    SP_DEVICE_INTERFACE_DATA data{sizeof data, {}, 0, 0};
    ASSERT_TRUE(machine.SetupDiEnumDeviceInterfaces(set, nullptr, &kPrinterInterfaces, 0, &data));
    DWORD required = 0;
    EXPECT_FALSE(
        machine.SetupDiGetDeviceInterfaceDetailA(set, &data, nullptr, 64, &required, nullptr));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_USER_BUFFER));
    machine.SetupDiDestroyDeviceInfoList(set);
    EXPECT_EQ(machine.Violations().size(), 1u);
}

// The interface classes as their documented bytes: {28D78FAD-5A12-11D1-AE5B-0000F803A8C2} is stored
// AD 8F D7 28 12 5A D1 11 AE 5B 00 00 F8 03 A8 C2.
TEST(MachineGuids, AreTheDocumentedBytes) {
    const std::uint8_t printers[16] = {0xAD, 0x8F, 0xD7, 0x28, 0x12, 0x5A, 0xD1, 0x11,
                                       0xAE, 0x5B, 0x00, 0x00, 0xF8, 0x03, 0xA8, 0xC2};
    EXPECT_EQ(std::memcmp(&kPrinterInterfaces, printers, 16), 0);
    const std::uint8_t controllers[16] = {0x2D, 0x6F, 0xBF, 0x3A, 0xC4, 0x71, 0x2A, 0x46,
                                          0x8A, 0x92, 0x1E, 0x68, 0x61, 0xE6, 0xAF, 0x27};
    EXPECT_EQ(std::memcmp(&kHostControllerInterfaces, controllers, 16), 0);
}

TEST(MachineGuids, AClassOneByteOffListsNothing) {
    SimMachine machine;
    machine.AddPrinter({});
    for (int byte = 0; byte < 16; ++byte) {
        GUID wrong = kPrinterInterfaces;
        reinterpret_cast<std::uint8_t*>(&wrong)[byte] ^= 1;
        HDEVINFO set = machine.SetupDiGetClassDevsA(&wrong, nullptr, nullptr,
                                                    DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
        SP_DEVINFO_DATA info{sizeof info, {}, 0, 0};
        EXPECT_FALSE(machine.SetupDiEnumDeviceInfo(set, 0, &info)) << "byte " << byte;
        machine.SetupDiDestroyDeviceInfoList(set);
    }
}

}  // namespace
}  // namespace vork::sim
