// The device search over simulated trees: the order of the walk, which controllers and hubs it
// enters, which match it counts and which it captures, and how an error ends it.
#include "tests/usb/UsbFixture.h"

namespace vork::test {
namespace {

using sim::UsbDeviceSpec;

std::string HubOf(sim::UsbController& hc) { return hc.RootHub().name; }

class DeviceSearch : public UsbTest {};

TEST_F(DeviceSearch, ControllersInNumberOrderThenListedEachOnce) {
    auto& both = usb.AddController({.number = 1, .listed = true, .rootPorts = 1});
    auto& numbered = usb.AddController({.number = 0, .rootPorts = 1});
    auto& listed = usb.AddController({.listed = true, .rootPorts = 1});
    auto& keyless = usb.AddController({.number = 2, .noDriverKey = true, .rootPorts = 1});
    for (sim::UsbController* hc : {&both, &numbered, &listed, &keyless})
        hc->RootHub().Port(1).device = Printer();

    const SearchResult r = Search(kProduct0021);
    EXPECT_EQ(r.count, 3) << "the controller met both ways counts once; the keyless one never";
    EXPECT_EQ(PortsExamined(), (std::vector<std::string>{HubOf(numbered) + ":1", HubOf(both) + ":1",
                                                         HubOf(listed) + ":1"}));
    EXPECT_EQ(machine.CountCalls("SetupDiGetClassDevsW"), 1);
    EXPECT_EQ(machine.CountCalls("CreateFileA"), 10 + 3) << "ten numbered names and three hubs";
}

TEST_F(DeviceSearch, ExternalHubsAreWalkedBeforeTheNextPort) {
    auto& hc = usb.AddController({.number = 0, .rootPorts = 3});
    sim::UsbHub& outer = hc.RootHub().Port(1).AttachHub(2, "OUTER");
    sim::UsbHub& inner = outer.Port(2).AttachHub(1, "INNER");
    inner.Port(1).device = Printer();
    hc.RootHub().Port(3).device = Printer();

    EXPECT_EQ(Search(kProduct0021).count, 2)
        << "a printer behind two hubs counts like one on the root";
    EXPECT_EQ(PortsExamined(),
              (std::vector<std::string>{HubOf(hc) + ":1", "OUTER:1", "OUTER:2", "INNER:1",
                                        HubOf(hc) + ":2", HubOf(hc) + ":3"}));
}

TEST_F(DeviceSearch, HubDescentFollowsDeviceIsHubOnly) {
    auto& hc = usb.AddController({.number = 0, .rootPorts = 2});
    // A matching device that also is a hub is counted and descended into.
    sim::UsbHub& printerHub = hc.RootHub().Port(1).AttachHub(1, "PRINTERHUB");
    hc.RootHub().Port(1).device = Printer();
    printerHub.Port(1).device = Printer();
    // A hub whose port does not report DeviceIsHub is not entered.
    hc.RootHub().Port(2).AttachHub(1, "HIDDEN").Port(1).device = Printer();
    hc.RootHub().Port(2).reportsHub = false;

    EXPECT_EQ(Search(kProduct0021).count, 2);
    EXPECT_EQ(CountLogged("CreateFileA \\\\.\\HIDDEN"), 0);
}

TEST_F(DeviceSearch, AHubOfNoPortsIsAskedNothingMore) {
    usb.AddController({.number = 0, .rootPorts = 0});
    EXPECT_EQ(Search(kProduct0021).count, 0);
    EXPECT_EQ(CountLogged("DeviceIoControl IOCTL_USB_GET_NODE_INFORMATION"), 1);
    EXPECT_EQ(CountLogged("DeviceIoControl IOCTL_USB_GET_NODE_CONNECTION"), 0);
}

TEST_F(DeviceSearch, HubsThatCannotBeOpenedOrAskedArePassedOver) {
    auto& hc = usb.AddController({.number = 0, .rootPorts = 2});
    hc.RootHub().Port(1).AttachHub(1).Port(1).device = Printer();
    hc.RootHub().Port(1).hub->openFails = true;
    hc.RootHub().Port(2).AttachHub(1).Port(1).device = Printer();
    hc.RootHub().Port(2).hub->nodeInformationFails = true;
    EXPECT_EQ(Search(kProduct0021).count, 0);
}

TEST_F(DeviceSearch, CapturesTheFirstCountedMatch) {
    auto& hc = usb.AddController({.number = 0, .rootPorts = 3});
    hc.RootHub().Port(1).device = Printer(kProduct0020);  // another product id
    hc.RootHub().Port(2).device = Printer();
    hc.RootHub().Port(2).device->attributes = 0xE0;
    hc.RootHub().Port(2).device->productString = u"First";
    hc.RootHub().Port(3).device = Printer();
    hc.RootHub().Port(3).device->attributes = 0x80;
    hc.RootHub().Port(3).device->productString = u"Second";

    const SearchResult r = Search(kProduct0021);
    EXPECT_EQ(r.count, 2);
    EXPECT_EQ(r.header[0], 9);
    EXPECT_EQ(r.header[1], 2);
    EXPECT_EQ(r.header[7], 0xE0);
    EXPECT_EQ(r.ProductText(), "First");
    EXPECT_EQ(r.product.size(), 6u) << "five characters and the NUL";
    EXPECT_EQ(CountLogged("CM_Locate_DevNodeA"), 2) << "one device-node walk per counted match";
}

TEST_F(DeviceSearch, AFirstMatchNotConnectedLeavesNothingCaptured) {
    auto& hc = usb.AddController({.number = 0, .rootPorts = 3});
    hc.RootHub().Port(1).device = Printer();
    hc.RootHub().Port(1).device->status = NoDeviceConnected;  // never counted
    hc.RootHub().Port(2).device = Printer();
    hc.RootHub().Port(2).device->status = DeviceNotEnoughPower;  // counted, never captured
    hc.RootHub().Port(3).device = Printer();  // connected, but the count is 2 by then

    const SearchResult r = Search(kProduct0021);
    EXPECT_EQ(r.count, 2);
    EXPECT_EQ(r.header, (std::array<std::uint8_t, 9>{kUntouched, kUntouched, kUntouched, kUntouched,
                                                     kUntouched, kUntouched, kUntouched, kUntouched,
                                                     kUntouched}));
    EXPECT_TRUE(r.product.empty());
}

TEST_F(DeviceSearch, APortWithoutDriverKeyIsCapturedThroughTheKeptDescription) {
    auto& hc = usb.AddController({.number = 0, .rootPorts = 2});
    hc.RootHub().Port(1).device = Printer();
    hc.RootHub().Port(1).device->configFault.failFirst = true;  // counted, nothing captured
    hc.RootHub().Port(2).device = Printer();
    hc.RootHub().Port(2).device->noDriverKey = true;  // not counted, yet captured at count 1
    hc.RootHub().Port(2).device->attributes = 0xE0;
    hc.RootHub().Port(2).device->productString = u"Keyless";

    const SearchResult r = Search(kProduct0021);
    EXPECT_EQ(r.count, 1);
    EXPECT_EQ(r.header[7], 0xE0);
    EXPECT_EQ(r.ProductText(), "Keyless");
}

TEST_F(DeviceSearch, AnUndescribedFirstMatchIsCountedButNotCaptured) {
    auto& hc = usb.AddController({.number = 0, .rootPorts = 2});
    hc.RootHub().Port(1).device = Printer();
    hc.RootHub().Port(1).device->description.reset();
    hc.RootHub().Port(2).device = Printer();
    hc.RootHub().Port(2).device->noDriverKey = true;  // the kept description is empty

    const SearchResult r = Search(kProduct0021);
    EXPECT_EQ(r.count, 1);
    EXPECT_EQ(r.header[7], kUntouched);
    EXPECT_TRUE(r.product.empty());
}

TEST_F(DeviceSearch, TheOlderConnectionRecordServesWhenTheExtendedFails) {
    auto& hc = usb.AddController({.number = 0, .rootPorts = 2});
    hc.RootHub().Port(1).AttachHub(1, "EXT").Port(1).device = Printer();
    hc.RootHub().Port(1).failExtended = true;
    hc.RootHub().Port(2).device = Printer();
    hc.RootHub().Port(2).device->lowSpeed = true;
    hc.RootHub().Port(2).device->attributes = 0xC0;
    hc.RootHub().Port(2).failExtended = true;

    const SearchResult r = Search(kProduct0021);
    EXPECT_EQ(r.count, 2) << "the hub behind the older record is walked, the printer counted";
    EXPECT_EQ(r.header[7], 0xA0) << "the first counted one, behind EXT";
    EXPECT_EQ(CountLogged("DeviceIoControl IOCTL_USB_GET_NODE_CONNECTION_INFORMATION "), 2);
}

TEST_F(DeviceSearch, APortBothConnectionQueriesRefuseHidesItsHub) {
    auto& hc = usb.AddController({.number = 0, .rootPorts = 2});
    hc.RootHub().Port(1).AttachHub(2, "LOST").Port(1).device = Printer();
    hc.RootHub().Port(1).failExtended = true;
    hc.RootHub().Port(1).failLegacy = true;
    hc.RootHub().Port(2).device = Printer();

    EXPECT_EQ(Search(kProduct0021).count, 1);
    EXPECT_EQ(CountLogged("CreateFileA \\\\.\\LOST"), 0);
    EXPECT_EQ(PortsExamined(), (std::vector<std::string>{HubOf(hc) + ":1", HubOf(hc) + ":2"}));
}

TEST_F(DeviceSearch, TwoSearchesInARowStartClean) {
    auto& hc = usb.AddController({.number = 0, .rootPorts = 2});
    hc.RootHub().Port(1).device = Printer(kProduct0020);
    hc.RootHub().Port(1).device->productString = u"New one";

    USBEnumerator enumerator;
    SearchResult r;
    r.header.fill(kUntouched);
    EXPECT_EQ(enumerator.FindDevices(kProduct0020, r.header.data(), r.product), 1);
    EXPECT_EQ(r.ProductText(), "New one");
    EXPECT_EQ(enumerator.FindDevices(kProduct0021, r.header.data(), r.product), 0);
    EXPECT_TRUE(r.product.empty()) << "the second search's string, which is none";

    hc.RootHub().Port(2).device = Printer(kProduct0021);
    hc.RootHub().Port(2).device->productString = u"Old one";
    EXPECT_EQ(enumerator.FindDevices(kProduct0020, r.header.data(), r.product), 1);
    EXPECT_EQ(enumerator.FindDevices(kProduct0021, r.header.data(), r.product), 1)
        << "the count starts at 0 again";
    EXPECT_EQ(r.ProductText(), "Old one");
}

TEST_F(DeviceSearch, WithoutAHeaderBufferNothingIsSearched) {
    usb.AddController({.number = 0, .rootPorts = 1}).RootHub().Port(1).device = Printer();
    USBEnumerator enumerator;
    std::vector<std::uint8_t> product = {'x', 0};
    machine.ClearLog();
    EXPECT_EQ(enumerator.FindDevices(kProduct0021, nullptr, product), 0);
    EXPECT_TRUE(product.empty());
    EXPECT_TRUE(machine.CallLog().empty());
}

TEST_F(DeviceSearch, AControllerWithoutRootHubEndsTheSearchWithOneWarning) {
    usb.AddController({.number = 0, .rootPorts = 1}).RootHub().Port(1).device = Printer();
    usb.AddController({.number = 1, .noRootHubName = true});
    usb.AddController({.number = 2, .noRootHubName = true});

    const SearchResult r = Search(kProduct0021);
    EXPECT_EQ(r.count, 0) << "the match counted before the error is lost";
    EXPECT_EQ(r.header[0], kUntouched);
    EXPECT_TRUE(r.product.empty());
    const auto boxes = machine.MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Wasn't able to enumerate the USB Host Controller!");
    EXPECT_EQ(boxes[0].caption, "ERROR");
    EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_ICONWARNING | MB_OK));
    EXPECT_EQ(CountLogged("CreateFileA \\\\.\\HCD2"), 0) << "the walk was abandoned";
}

TEST_F(DeviceSearch, AControllerMetAgainIsNotAskedForItsRootHub) {
    // Seen first by number with a root hub; met again through the list, it is skipped before its
    // root hub name is asked, so its later refusal raises nothing.
    auto& hc = usb.AddController({.number = 0, .listed = true, .rootPorts = 1});
    hc.RootHub().Port(1).device = Printer();
    EXPECT_EQ(Search(kProduct0021).count, 1);
    EXPECT_EQ(CountLogged("DeviceIoControl IOCTL_USB_GET_ROOT_HUB_NAME"), 2)
        << "one query: size, name";
    EXPECT_TRUE(machine.MessageBoxes().empty());
}

TEST_F(DeviceSearch, ListingFaultsLeaveTheNumberedControllers) {
    usb.AddController({.number = 3, .rootPorts = 1}).RootHub().Port(1).device = Printer();
    usb.AddController({.listed = true, .rootPorts = 1, .detailReadFails = true})
        .RootHub()
        .Port(1)
        .device = Printer();
    EXPECT_EQ(Search(kProduct0021).count, 1)
        << "an interface whose detail cannot be read is passed over";
    usb.listingFails = true;
    EXPECT_EQ(Search(kProduct0021).count, 1);
}

TEST_F(DeviceSearch, HubNamesThatDoNotFitArePassedOver) {
    auto& hc = usb.AddController({.number = 0, .rootPorts = 3});
    hc.RootHub().Port(1).AttachHub(1, std::string(260, 'L')).Port(1).device = Printer();
    hc.RootHub().Port(2).AttachHub(1, std::string(259, 'F')).Port(1).device = Printer();
    EXPECT_EQ(Search(kProduct0021).count, 1) << "259 characters fit the path, 260 do not";
    EXPECT_EQ(CountLogged("CreateFileA \\\\.\\L"), 0);
}

TEST_F(DeviceSearch, MalformedHubNamesAndDriverKeys) {
    auto& hc = usb.AddController({.number = 0, .rootPorts = 4});
    // Without its NUL the name is still whole within the bytes returned: walked.
    hc.RootHub().Port(1).AttachHub(1, "UNTERMINATED").Port(1).device = Printer();
    hc.RootHub().Port(1).hubNameFault.noTerminator = true;
    // A length that cuts the name leaves a name no hub has: not walked.
    hc.RootHub().Port(2).AttachHub(1, "CUTSHORT").Port(1).device = Printer();
    hc.RootHub().Port(2).hubNameFault.actualLength = 14;
    // A driver key of the bare record is none: not counted. A cut one is still a key: counted.
    hc.RootHub().Port(3).device = Printer();
    hc.RootHub().Port(3).device->driverKeyFault.actualLength = 10;
    hc.RootHub().Port(4).device = Printer();
    hc.RootHub().Port(4).device->driverKeyFault.actualLength = 16;
    EXPECT_EQ(Search(kProduct0021).count, 2);
}

TEST_F(DeviceSearch, ProductStringFaultsReduceOnlyTheCapture) {
    struct Case {
        const char* what;
        std::vector<std::uint16_t> languages;
        sim::DescriptorFault productFault;
        std::uint8_t iProduct;
        const char* product;
    } cases[] = {
        {"whole", {0x0409}, {}, 2, "VORK Stickograph 731"},
        {"no language id", {}, {}, 2, ""},
        {"no product index", {0x0409}, {}, 0, ""},
        {"odd bLength", {0x0409}, {.bLength = 41, .returnedBytes = 41}, 2, ""},
        {"wrong type", {0x0409}, {.type = 1}, 2, ""},
    };
    auto& hc = usb.AddController({.number = 0, .rootPorts = 1});
    for (const Case& c : cases) {
        UsbDeviceSpec printer = Printer();
        printer.languages = c.languages;
        printer.productFault = c.productFault;
        printer.iProduct = c.iProduct;
        hc.RootHub().Port(1).device = printer;
        const SearchResult r = Search(kProduct0021);
        EXPECT_EQ(r.count, 1) << c.what;
        EXPECT_EQ(r.header[7], 0xA0) << c.what;
        EXPECT_EQ(r.ProductText(), c.product) << c.what;
    }
}

TEST_F(DeviceSearch, ProductStringGetsOneByteForEachCodeUnit) {
    auto& hc = usb.AddController({.number = 0, .rootPorts = 1});
    hc.RootHub().Port(1).device = Printer();
    hc.RootHub().Port(1).device->productString = u"SG\u4E2D\u00E9\U0001F5A8";  // 6 code units
    const SearchResult r = Search(kProduct0021);
    ASSERT_EQ(r.product.size(), 7u);
    EXPECT_EQ(r.product[0], 'S');
    EXPECT_EQ(r.product.back(), 0);
}

TEST_F(DeviceSearch, CountsIoctlsAndDeviceNodeWalks) {
    auto& hc = usb.AddController({.number = 0, .rootPorts = 4});
    hc.RootHub().Port(2).device = Printer();
    hc.RootHub().Port(4).device = UsbDeviceSpec{};  // some other device
    Search(kProduct0021);
    EXPECT_EQ(CountLogged("DeviceIoControl IOCTL_USB_GET_NODE_CONNECTION_INFORMATION_EX"), 4);
    EXPECT_EQ(CountLogged("DeviceIoControl IOCTL_USB_GET_NODE_CONNECTION_DRIVERKEY_NAME"), 2);
    EXPECT_EQ(CountLogged("DeviceIoControl IOCTL_USB_GET_DESCRIPTOR_FROM_NODE_CONNECTION"), 4)
        << "two configuration requests, the language list and the product string";
    EXPECT_EQ(CountLogged("CM_Locate_DevNodeA"), 1);
}

}  // namespace
}  // namespace vork::test
