// The walk ends on any tree a driver can report and trusts no length it is told: USB's limit of
// tiers, a hub met twice, name lengths out of reason, replies without a name. And the rules of the
// walk that no other case shows: which matching devices are descended into, and which port's
// capture stands.
#include "tests/usb/UsbFixture.h"

namespace vork::test {
namespace {

class WalkBounds : public UsbTest {};

TEST_F(WalkBounds, DescentStopsAtUsbsLimitOfTiers) {
    // Root hub, then hubs H1 to H6 in a chain. A device on H5 sits on the seventh tier, the last
    // USB allows; H6 would put its devices on an eighth and is passed over.
    auto& hc = usb.AddController({.number = 0, .rootPorts = 1});
    sim::UsbHub* hub = &hc.RootHub();
    for (int depth = 1; depth <= 6; ++depth) {
        hub = &hub->Port(1).AttachHub(2, "H" + std::to_string(depth));
        hub->Port(2).device = Printer();
    }
    EXPECT_EQ(Search(kProduct0021).count, 5) << "the printers on H1 to H5";
    EXPECT_EQ(CountLogged("CreateFileA \\\\.\\H5"), 1);
    EXPECT_EQ(CountLogged("CreateFileA \\\\.\\H6"), 0);
}

TEST_F(WalkBounds, AHubMetTwiceIsWalkedOnceAndCountsItsPrintersOnce) {
    auto& hc = usb.AddController({.number = 0, .rootPorts = 3});
    sim::UsbHub& shared = hc.RootHub().Port(1).AttachHub(2, "SHARED");
    shared.Port(2).device = Printer();
    // A second port holds the same hub device and names the same hub.
    hc.RootHub().Port(2).device = hc.RootHub().Port(1).device;
    hc.RootHub().Port(2).hub = hc.RootHub().Port(1).hub;
    hc.RootHub().Port(3).device = Printer();

    EXPECT_EQ(Search(kProduct0021).count, 2);
    EXPECT_EQ(CountLogged("CreateFileA \\\\.\\SHARED"), 1);
    EXPECT_EQ(PortsExamined(),
              (std::vector<std::string>{hc.RootHub().name + ":1", "SHARED:1", "SHARED:2",
                                        hc.RootHub().name + ":2", hc.RootHub().name + ":3"}));
}

TEST_F(WalkBounds, EverySearchWalksEachHubAfresh) {
    auto& hc = usb.AddController({.number = 0, .rootPorts = 1});
    hc.RootHub().Port(1).AttachHub(1, "AGAIN").Port(1).device = Printer();
    USBEnumerator enumerator;
    EXPECT_EQ(Search(enumerator, kProduct0021).count, 1);
    EXPECT_EQ(Search(enumerator, kProduct0021).count, 1) << "the visited hubs belong to one search";
}

TEST_F(WalkBounds, ANameLengthOutOfReasonIsNoName) {
    // A port key whose claimed record size passes 64 KiB names nothing, so the printer on that
    // port is not counted; just within the bound it is read as usual.
    auto& hc = usb.AddController({.number = 0, .rootPorts = 2});
    hc.RootHub().Port(1).device = Printer();
    hc.RootHub().Port(1).device->driverKeyFault.actualLength = 0x10002;
    hc.RootHub().Port(2).device = Printer();
    hc.RootHub().Port(2).device->driverKeyFault.actualLength = 0xFFFFFFF0;
    EXPECT_EQ(Search(kProduct0021).count, 0);

    hc.RootHub().Port(1).device->driverKeyFault.actualLength = 0x10000;
    EXPECT_EQ(Search(kProduct0021).count, 1);
}

TEST_F(WalkBounds, AKeyReplyWithoutNameBytesNamesNothing) {
    // The name request succeeds but returns the record only up to where the name would begin:
    // the port names no driver key, so its printer is not counted.
    auto& hc = usb.AddController({.number = 0, .rootPorts = 2});
    hc.RootHub().Port(1).device = Printer();
    hc.RootHub().Port(1).device->driverKeyFault.returnedBytes =
        offsetof(USB_NODE_CONNECTION_DRIVERKEY_NAME, DriverKeyName);
    hc.RootHub().Port(2).device = Printer();
    EXPECT_EQ(Search(kProduct0021).count, 1);
}

TEST_F(WalkBounds, AMatchingDeviceThatIsNoHubIsNotDescendedInto) {
    auto& hc = usb.AddController({.number = 0, .rootPorts = 1});
    hc.RootHub().Port(1).device = Printer();
    EXPECT_EQ(Search(kProduct0021).count, 1);
    EXPECT_EQ(CountLogged("DeviceIoControl IOCTL_USB_GET_NODE_CONNECTION_NAME "), 0);
}

TEST_F(WalkBounds, AKeylessPortAfterTheFirstMatchTakesOverTheCapture) {
    // The kept description of the hub's scan and a count of 1 are all the capture asks for, so a
    // matching port without a driver key, connected, is captured over the counted one.
    auto& hc = usb.AddController({.number = 0, .rootPorts = 2});
    hc.RootHub().Port(1).device = Printer();
    hc.RootHub().Port(1).device->productString = u"First";
    hc.RootHub().Port(1).device->attributes = 0xA0;
    hc.RootHub().Port(2).device = Printer();
    hc.RootHub().Port(2).device->noDriverKey = true;
    hc.RootHub().Port(2).device->productString = u"Second";
    hc.RootHub().Port(2).device->attributes = 0xC0;

    const SearchResult r = Search(kProduct0021);
    EXPECT_EQ(r.count, 1);
    EXPECT_EQ(r.ProductText(), "Second");
    EXPECT_EQ(r.header[7], 0xC0);
}

}  // namespace
}  // namespace vork::test
