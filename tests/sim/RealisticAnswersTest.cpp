// The simulated machine answers as real drivers do, faults included: ports whose device failed to
// enumerate, answers shorter than asked for, hubs reported by name, controllers that go away and
// printers unplugged in the middle of a transfer.
#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "platform/Platform.h"
#include "sim/MachineGuids.h"
#include "sim/PrinterOnBus.h"
#include "sim/SimMachine.h"
#include "usb/USBEnumerator.h"

namespace vork::sim {
namespace {

constexpr std::uint16_t kProduct = 0x21;

struct Search {
    std::int32_t count = 0;
    bool captured = false;
};

Search SearchFor(SimMachine& machine, std::uint16_t product = kProduct) {
    const ScopedPlatform scope(machine);
    std::array<std::uint8_t, 9> header{};
    std::vector<std::uint8_t> productString;
    USBEnumerator enumerator;
    Search search;
    search.count = enumerator.FindDevices(product, header.data(), productString);
    search.captured = header[0] == 9;
    return search;
}

HANDLE OpenHub(SimMachine& machine, const std::string& name) {
    return machine.CreateFileA(("\\\\.\\" + name).c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
}

USB_NODE_CONNECTION_INFORMATION_EX Connection(SimMachine& machine, HANDLE hub, ULONG port) {
    USB_NODE_CONNECTION_INFORMATION_EX record{};
    record.ConnectionIndex = port;
    DWORD returned = 0;
    EXPECT_TRUE(machine.DeviceIoControl(hub, IOCTL_USB_GET_NODE_CONNECTION_INFORMATION_EX, &record,
                                        sizeof record, &record, sizeof record, &returned, nullptr));
    return record;
}

struct StatusCase {
    const char* name;
    int status;
    bool descriptorKept;  // the connection record shows the device's ids
    std::int32_t count;
    bool captured;
};

void PrintTo(const StatusCase& c, std::ostream* os) { *os << c.name; }

class ConnectionStates : public ::testing::TestWithParam<StatusCase> {};

TEST_P(ConnectionStates, AnswerAsHubDriversDo) {
    const StatusCase& c = GetParam();
    SimMachine machine;
    UsbHub& root = RootHubOf(machine, 1);
    root.Port(1).device = UsbDeviceSpec{.vendor = 0xE7D2, .product = kProduct, .status = c.status};

    const HANDLE hub = OpenHub(machine, root.name);
    const auto record = Connection(machine, hub, 1);
    EXPECT_EQ(record.ConnectionStatus, c.status);
    EXPECT_EQ(record.DeviceDescriptor.idVendor, c.descriptorKept ? 0xE7D2 : 0);
    EXPECT_EQ(record.DeviceDescriptor.bLength, c.descriptorKept ? 18 : 0);
    USB_NODE_CONNECTION_DRIVERKEY_NAME key{};
    key.ConnectionIndex = 1;
    DWORD returned = 0;
    EXPECT_EQ(machine.DeviceIoControl(hub, IOCTL_USB_GET_NODE_CONNECTION_DRIVERKEY_NAME, &key,
                                      sizeof key, &key, sizeof key, &returned, nullptr) != FALSE,
              c.descriptorKept);
    machine.CloseHandle(hub);

    const Search search = SearchFor(machine);
    EXPECT_EQ(search.count, c.count);
    EXPECT_EQ(search.captured, c.captured);
    EXPECT_TRUE(machine.Violations().empty()) << ::testing::PrintToString(machine.Violations());
    EXPECT_EQ(machine.OpenHandles(), 0);
}

const StatusCase kStates[] = {
    {"Connected", DeviceConnected, true, 1, true},
    {"FailedEnumeration", DeviceFailedEnumeration, false, 0, false},
    {"GeneralFailure", DeviceGeneralFailure, false, 0, false},
    {"CausedOvercurrent", DeviceCausedOvercurrent, false, 0, false},
    {"NotEnoughPower", DeviceNotEnoughPower, true, 1, false},
    {"NotEnoughBandwidth", DeviceNotEnoughBandwidth, true, 1, false},
};

INSTANTIATE_TEST_SUITE_P(Table, ConnectionStates, ::testing::ValuesIn(kStates),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ShortAnswers, ANameRequestMaySucceedWithFewerBytes) {
    SimMachine machine;
    UsbHub& root = RootHubOf(machine, 1);
    root.Port(1).device = UsbDeviceSpec{.vendor = 0xE7D2, .product = kProduct};
    root.Port(1).device->driverKey = "KEY";
    root.Port(1).device->driverKeyFault.returnedBytes = 10;  // the record and one character
    const HANDLE hub = OpenHub(machine, root.name);
    std::uint8_t record[64] = {1};
    DWORD returned = 0;
    ASSERT_TRUE(machine.DeviceIoControl(hub, IOCTL_USB_GET_NODE_CONNECTION_DRIVERKEY_NAME, record,
                                        sizeof record, record, sizeof record, &returned, nullptr));
    EXPECT_EQ(returned, 10u);
    ULONG actual = 0;
    std::memcpy(&actual, record + 4, sizeof actual);
    EXPECT_EQ(actual, 8u + 2 * 4) << "the length still names the whole record";
    machine.CloseHandle(hub);
}

TEST(ShortAnswers, ADescriptorMaySucceedWithFewerBytes) {
    SimMachine machine;
    UsbHub& root = RootHubOf(machine, 1);
    root.Port(1).device = UsbDeviceSpec{.vendor = 0xE7D2, .product = kProduct};
    root.Port(1).device->productFault.returnedBytes = 6;
    const Search search = SearchFor(machine);
    EXPECT_EQ(search.count, 1);
    EXPECT_TRUE(search.captured) << "the configuration is whole; only the product string is short";
    EXPECT_TRUE(machine.Violations().empty());
}

TEST(HubLinks, APortReportsAHubByNameThatItDoesNotHold) {
    SimMachine machine;
    UsbHub& root = RootHubOf(machine, 2);
    UsbHub& x = root.Port(1).AttachHub(3, "X");
    x.Port(1).hubLink = "X";
    x.Port(1).device = UsbDeviceSpec{.vendor = 0x0424, .product = 0x2514, .iProduct = 0};
    const HANDLE hub = OpenHub(machine, "X");
    ASSERT_NE(hub, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Connection(machine, hub, 1).DeviceIsHub, TRUE);
    std::uint8_t record[64] = {1};
    DWORD returned = 0;
    ASSERT_TRUE(machine.DeviceIoControl(hub, IOCTL_USB_GET_NODE_CONNECTION_NAME, record,
                                        sizeof record, record, sizeof record, &returned, nullptr));
    EXPECT_EQ(returned, 8u + 2 * 2);
    EXPECT_EQ(record[8], 'X');
    machine.CloseHandle(hub);
}

TEST(GoneControllers, AnswerTheirSearchesAndThenNoMore) {
    SimMachine machine;
    UsbController& gone = machine.Usb().AddController(
        {.number = 0, .listed = true, .rootPorts = 1, .presentForSearches = 2});
    gone.RootHub().Port(1).device = UsbDeviceSpec{.vendor = 0xE7D2, .product = kProduct};
    EXPECT_EQ(SearchFor(machine).count, 1);
    EXPECT_EQ(SearchFor(machine).count, 1);
    EXPECT_EQ(SearchFor(machine).count, 0);
    EXPECT_EQ(machine.CountCalls("CM_Locate_DevNodeA"), 2);
    EXPECT_TRUE(machine.Violations().empty());
}

TEST(Unplugging, FailsTheRequestAndEverythingAfter) {
    SimMachine machine;
    machine.SetRealTime(false);
    UsbHub& root = RootHubOf(machine, 1);
    PrinterOnBus described;
    described.printer.writes[1].kind = RequestScript::Kind::Unplug;
    const auto printer = AttachPrinter(machine, root.Port(1), described);
    const HANDLE file =
        machine.CreateFileA(printer->config.interfacePath.c_str(), GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_FLAG_OVERLAPPED, nullptr);
    const HANDLE event = machine.CreateEventW(nullptr, TRUE, FALSE, nullptr);
    const std::uint8_t bytes[4] = {1, 2, 3, 4};
    std::vector<DWORD> results;
    for (int i = 0; i < 3; ++i) {
        OVERLAPPED overlapped{};
        overlapped.hEvent = event;
        if (!machine.WriteFile(file, bytes, 4, nullptr, &overlapped) &&
            ::GetLastError() != ERROR_IO_PENDING) {
            results.push_back(::GetLastError());
            continue;
        }
        machine.WaitForSingleObject(event, 10000);
        DWORD written = 0;
        results.push_back(machine.GetOverlappedResult(file, &overlapped, &written, FALSE)
                              ? ERROR_SUCCESS
                              : ::GetLastError());
    }
    EXPECT_EQ(results, (std::vector<DWORD>{ERROR_SUCCESS, ERROR_DEVICE_NOT_CONNECTED,
                                           ERROR_DEVICE_NOT_CONNECTED}));
    EXPECT_EQ(printer->received.size(), 4u);
    machine.CloseHandle(event);
    machine.CloseHandle(file);

    EXPECT_EQ(
        machine.CreateFileA(printer->config.interfacePath.c_str(), GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_FLAG_OVERLAPPED, nullptr),
        INVALID_HANDLE_VALUE);
    EXPECT_EQ(SearchFor(machine).count, 0) << "its port is empty now";
    HDEVINFO set = machine.SetupDiGetClassDevsA(&kPrinterInterfaces, nullptr, nullptr,
                                                DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    SP_DEVINFO_DATA info{sizeof info, {}, 0, 0};
    EXPECT_FALSE(machine.SetupDiEnumDeviceInfo(set, 0, &info)) << "nor is its interface listed";
    machine.SetupDiDestroyDeviceInfoList(set);
    EXPECT_TRUE(machine.Violations().empty()) << ::testing::PrintToString(machine.Violations());
    EXPECT_EQ(machine.OpenHandles(), 0);
}

}  // namespace
}  // namespace vork::sim
