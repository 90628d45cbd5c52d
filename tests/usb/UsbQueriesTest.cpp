// The single questions of the walk, asked directly of a simulated controller, hub and device tree:
// how each name query treats the lengths a driver reports, which descriptor answers are refused,
// and what the device-node lookup returns when the node is found, undescribed or absent.
#include <cstring>

#include "tests/usb/UsbFixture.h"
#include "usb/DeviceNodeLookup.h"
#include "usb/UsbQueries.h"

namespace vork::test {
namespace {

using sim::NameFault;

std::string Text(const ByteVector& name) {
    if (name.empty()) return "<empty>";
    EXPECT_EQ(name.back(), 0) << "a name result ends with its NUL";
    return std::string(name.begin(), name.end() - 1);
}

class UsbQueries : public UsbTest {
protected:
    sim::UsbController& hc =
        usb.AddController({.number = 0, .driverKey = "{hc-key}\\0003", .rootHubName = "ROOT#HUB"});
    sim::UsbPort& port = hc.RootHub().Port(2);

    HANDLE Open(const std::string& path) {
        return machine.CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, 0, nullptr);
    }
    // Runs `query` on the opened node and closes it again.
    template <typename Query>
    auto On(const std::string& path, Query query) {
        HANDLE node = Open(path);
        EXPECT_NE(node, INVALID_HANDLE_VALUE) << path;
        auto result = query(node);
        machine.CloseHandle(node);
        return result;
    }
    ByteVector PortKey() {
        return On("\\\\.\\ROOT#HUB", [](HANDLE hub) { return QueryPortDriverKey(hub, 2); });
    }
};

struct NameCase {
    const char* what;
    NameFault fault;
    const char* expected;
};

TEST_F(UsbQueries, PortDriverKeyIsReadOnlyWithinTheBytesReturned) {
    const NameCase cases[] = {
        {"plain", {}, "{printer}\\0007"},
        {"size request fails", {.failSizeRequest = true}, "<empty>"},
        {"name request fails", {.failNameRequest = true}, "<empty>"},
        {"ActualLength of the bare record", {.actualLength = 10}, "<empty>"},
        {"ActualLength below the record", {.actualLength = 4}, "<empty>"},
        {"ActualLength too small: cut there", {.actualLength = 14}, "{pr"},
        {"ActualLength too small, odd", {.actualLength = 15}, "{pr"},
        {"ActualLength huge", {.actualLength = 0x10000}, "{printer}\\0007"},
        {"no NUL inside ActualLength", {.noTerminator = true}, "{printer}\\0007"},
        {"no NUL and ActualLength too small", {.actualLength = 12, .noTerminator = true}, "{p"},
    };
    for (const NameCase& c : cases) {
        port.device = Printer();
        port.device->driverKey = "{printer}\\0007";
        port.device->driverKeyFault = c.fault;
        EXPECT_EQ(Text(PortKey()), c.expected) << c.what;
    }
}

TEST_F(UsbQueries, ControllerKeyIsBoundedAndRootHubNameIsNot) {
    hc.described.driverKeyFault.actualLength = 6;
    EXPECT_EQ(Text(On("\\\\.\\HCD0", QueryControllerKey)), "<empty>");
    hc.described.driverKeyFault.actualLength = 8;
    EXPECT_EQ(Text(On("\\\\.\\HCD0", QueryControllerKey)), "{h");
    hc.described.driverKeyFault = {};
    EXPECT_EQ(Text(On("\\\\.\\HCD0", QueryControllerKey)), "{hc-key}\\0003");

    // The same reported length gives the root hub name its first character.
    hc.described.rootHubNameFault.actualLength = 6;
    EXPECT_EQ(Text(On("\\\\.\\HCD0", QueryRootHubName)), "R");
    hc.described.rootHubNameFault = {};
    EXPECT_EQ(Text(On("\\\\.\\HCD0", QueryRootHubName)), "ROOT#HUB");
    hc.described.noRootHubName = true;
    EXPECT_EQ(Text(On("\\\\.\\HCD0", QueryRootHubName)), "<empty>");
}

TEST_F(UsbQueries, AClaimOfGigabytesIsSurvived) {
    // Either the allocation is refused (empty) or the driver fills the little it has; never more.
    port.device = Printer();
    port.device->driverKey = "{printer}\\0007";
    port.device->driverKeyFault.actualLength = 0xFFFFFFF0u;
    const std::string key = Text(PortKey());
    EXPECT_TRUE(key == "<empty>" || key == "{printer}\\0007") << key;
}

TEST_F(UsbQueries, PortHubNameOfAnExternalHub) {
    port.AttachHub(2, "EXT#HUB");
    EXPECT_EQ(Text(On("\\\\.\\ROOT#HUB", [](HANDLE h) { return QueryPortHubName(h, 2); })),
              "EXT#HUB");
    // A port without a hub answers with the bare record: no name.
    EXPECT_EQ(Text(On("\\\\.\\ROOT#HUB", [](HANDLE h) { return QueryPortHubName(h, 1); })),
              "<empty>");
}

TEST_F(UsbQueries, ConfigurationIsReadOnlyWhenBothAnswersAgree) {
    struct Case {
        const char* what;
        sim::ConfigFault fault;
        bool read;
    } cases[] = {
        {"consistent", {}, true},
        {"first request fails", {.failFirst = true}, false},
        {"second request fails", {.failSecond = true}, false},
        {"wTotalLength below 9", {.firstTotalLength = 8}, false},
        {"wTotalLength changes", {.secondTotalLength = 40}, false},
        {"first answer short", {.firstReturnedBytes = 8}, false},
        {"second answer short", {.secondReturnedBytes = 31}, false},
    };
    for (const Case& c : cases) {
        port.device = Printer();
        port.device->attributes = 0xE0;
        port.device->configFault = c.fault;
        const ByteBuffer set =
            On("\\\\.\\ROOT#HUB", [](HANDLE h) { return FetchConfiguration(h, 2); });
        EXPECT_EQ(static_cast<bool>(set), c.read) << c.what;
        if (!set) continue;
        ASSERT_EQ(set.Size(), 12u + 32u);
        EXPECT_EQ(set.Data()[12 + 1], 2) << "a configuration descriptor follows the header";
        EXPECT_EQ(set.Data()[12 + 7], 0xE0);
    }
}

TEST_F(UsbQueries, MalformedStringDescriptorsYieldNothing) {
    struct Case {
        const char* what;
        sim::DescriptorFault fault;
        bool read;
    } cases[] = {
        {"well formed", {}, true},
        {"request fails", {.fail = true}, false},
        {"odd bLength matching the bytes", {.bLength = 41, .returnedBytes = 41}, false},
        {"bLength not the bytes returned", {.bLength = 40}, false},
        {"wrong type", {.type = 2}, false},
        {"a single byte back", {.returnedBytes = 1}, false},
        {"more bytes than bLength", {.returnedBytes = 44}, false},
    };
    for (const Case& c : cases) {
        port.device = Printer();
        port.device->productFault = c.fault;
        const ByteBuffer product = On("\\\\.\\ROOT#HUB", [this](HANDLE h) {
            return FetchStringDescriptor(h, 2, 2, port.device->languages.front());
        });
        EXPECT_EQ(static_cast<bool>(product), c.read) << c.what;
        if (product) {
            EXPECT_EQ(product.Size(), 2u + 2u * 20u);
        }
    }
}

TEST_F(UsbQueries, ProductStringIsAskedInTheFirstListedLanguage) {
    port.device = Printer();
    port.device->languages = {0x0407, 0x0409};  // the simulated device answers only in the first
    USB_DEVICE_DESCRIPTOR device{};
    device.iProduct = 2;
    const ByteBuffer product =
        On("\\\\.\\ROOT#HUB", [&](HANDLE h) { return FetchProductString(h, 2, device); });
    ASSERT_TRUE(product);
    EXPECT_EQ(product.Data()[0], product.Size());
    EXPECT_EQ(product.Data()[2], 'V');
}

TEST_F(UsbQueries, NoProductStringWithoutIndexOrLanguage) {
    port.device = Printer();
    USB_DEVICE_DESCRIPTOR device{};
    device.iProduct = 0;
    machine.ClearLog();
    EXPECT_FALSE(On("\\\\.\\ROOT#HUB", [&](HANDLE h) { return FetchProductString(h, 2, device); }));
    EXPECT_EQ(CountLogged("DeviceIoControl IOCTL_USB_GET_DESCRIPTOR_FROM_NODE_CONNECTION"), 1)
        << "the language list is read even when iProduct is 0";

    // A list of bLength 2 offers no language id to ask in.
    device.iProduct = 2;
    port.device->languages.clear();
    machine.ClearLog();
    EXPECT_FALSE(On("\\\\.\\ROOT#HUB", [&](HANDLE h) { return FetchProductString(h, 2, device); }));
    EXPECT_EQ(CountLogged("DeviceIoControl IOCTL_USB_GET_DESCRIPTOR_FROM_NODE_CONNECTION"), 1);
}

TEST_F(UsbQueries, DeviceNodeLookup) {
    port.device = Printer();
    port.device->driverKey = "{36FC9E60-C465-11CF-8056-444553540000}\\0011";
    port.device->description = "Label printer";
    auto text = [](const std::vector<std::uint8_t>& b) {
        return b.empty() ? std::string("<empty>")
                         : std::string(reinterpret_cast<const char*>(b.data()));
    };

    const auto found = LookupDeviceDescription("{36fc9e60-c465-11cf-8056-444553540000}\\0011");
    EXPECT_EQ(found.size(), kDeviceDescriptionSize);
    EXPECT_EQ(text(found), "Label printer") << "driver keys match ignoring case";

    const auto absent = LookupDeviceDescription("{no such key}");
    EXPECT_EQ(absent.size(), kDeviceDescriptionSize) << "a key no node carries is not empty";

    port.device->description.reset();
    EXPECT_EQ(text(LookupDeviceDescription("{36FC9E60-C465-11CF-8056-444553540000}\\0011")),
              "<empty>");

    usb.deviceTreeUnavailable = true;
    const auto unreachable =
        LookupDeviceDescription("{36FC9E60-C465-11CF-8056-444553540000}\\0011");
    EXPECT_EQ(unreachable, std::vector<std::uint8_t>(kDeviceDescriptionSize, 0));
}

TEST_F(UsbQueries, DeviceNodeLookupVisitsEveryNodeOnce) {
    // root, 2 other nodes, controller, root hub, hub device on port 1 with 2 devices, device on 2
    usb.otherNodes = {{.driver = "{a}"}, {.driver = std::nullopt}};
    hc.RootHub().Port(1).AttachHub(3).Port(3).device = Printer();
    hc.RootHub().Port(1).hub->Port(1).device = Printer();
    port.device = Printer();
    machine.ClearLog();
    LookupDeviceDescription("{not there}");
    EXPECT_EQ(CountLogged("CM_Get_DevNode_Registry_PropertyA"), 9);
    EXPECT_EQ(CountLogged("CM_Get_Child"), 9);
}

TEST(UsbRecords, OlderConnectionRecordMovesIntoTheExtendedLayout) {
    struct Case {
        BOOLEAN lowSpeed;
        UCHAR speed;
    } cases[] = {{TRUE, 0}, {FALSE, 1}};
    for (const Case& c : cases) {
        std::uint8_t legacy[kConnectionRecordSize], extended[kConnectionRecordSize];
        for (std::size_t i = 0; i < sizeof legacy; ++i)
            legacy[i] = static_cast<std::uint8_t>(i * 7);
        USB_NODE_CONNECTION_INFORMATION fixed{};
        fixed.ConnectionIndex = 5;
        fixed.DeviceDescriptor.idVendor = kVendor;
        fixed.DeviceDescriptor.idProduct = kProduct0021;
        fixed.CurrentConfigurationValue = 1;
        fixed.LowSpeed = c.lowSpeed;
        fixed.DeviceIsHub = TRUE;
        fixed.DeviceAddress = 9;
        fixed.NumberOfOpenPipes = 2;
        fixed.ConnectionStatus = DeviceConnected;
        std::memcpy(legacy, &fixed, sizeof fixed);
        std::memset(extended, 0xEE, sizeof extended);

        MoveIntoExtendedLayout(legacy, extended);
        USB_NODE_CONNECTION_INFORMATION_EX moved;
        std::memcpy(&moved, extended, sizeof moved);
        EXPECT_EQ(moved.ConnectionIndex, 5u);
        EXPECT_EQ(moved.DeviceDescriptor.idVendor, kVendor);
        EXPECT_EQ(moved.DeviceDescriptor.idProduct, kProduct0021);
        EXPECT_EQ(moved.CurrentConfigurationValue, 1);
        EXPECT_EQ(moved.Speed, c.speed);
        EXPECT_EQ(moved.DeviceIsHub, TRUE);
        EXPECT_EQ(moved.DeviceAddress, 9);
        EXPECT_EQ(moved.NumberOfOpenPipes, 2u);
        EXPECT_EQ(moved.ConnectionStatus, DeviceConnected);
        EXPECT_EQ(0, std::memcmp(extended + sizeof moved, legacy + sizeof moved,
                                 kConnectionRecordSize - sizeof moved))
            << "the 330 bytes of pipe entries";
    }
}

}  // namespace
}  // namespace vork::test
