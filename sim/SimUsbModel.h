#pragma once
// The USB topology of a simulated machine: host controllers, hubs, ports, devices with their
// descriptors, and the configuration-manager tree of device nodes that follows from them.
//
// Describing a tree takes a few lines:
//
//     UsbTopology& usb = machine.Usb();
//     auto& hc = usb.AddController({.number = 0, .listed = true, .driverKey = "{36fc...}\\0000"});
//     auto& port = hc.RootHub().Port(3);
//     port.device = UsbDeviceSpec{.vendor = 0xE7D2, .product = 0x21, .attributes = 0xA0};
//     UsbHub& external = hc.RootHub().Port(1).AttachHub(4);   // a hub on port 1, with 4 ports
//     external.Port(2).device = UsbDeviceSpec{.vendor = 0xE7D2, .product = 0x20};
//
// A controller is reachable by its numbered name \\.\HCD<number> (number >= 0), through the host
// controller interface class (listed, with its interfacePath), or both; it may be gone after a
// number of searches (a search begins with the open of \\.\HCD0). Its root hub has rootPorts
// ports. Hub names are generated unless given; a hub opens as \\.\<name>. A port may report a hub
// that it does not hold (hubLink): its name query answers that name, which may be any hub of the
// machine, an ancestor included, as a faulty driver might. Every device gets a driver key unless it
// is given one or told to have none, and a device node under its hub's node carrying that key and
// its description.
//
// Answers are those of real drivers: a device that failed to enumerate (DeviceFailedEnumeration,
// DeviceGeneralFailure, DeviceCausedOvercurrent) shows a zeroed device descriptor and has no driver
// key and no device node; one enumerated but not configured (DeviceNotEnoughPower and the other
// states) keeps its descriptor and key.
//
// Faults live next to what they spoil: a NameFault on every name, a DescriptorFault on each string
// descriptor, a ConfigFault on the configuration set, open and query failures on controllers, hubs
// and ports, and FailIoctl for the n-th control request the machine receives. The walk ignores a
// device's `printer`; it lets one description serve the USB search and the printer interface.
#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/Win32.h"
#include <winioctl.h>
#include <usbioctl.h>

namespace vork::sim {

struct Printer;

// How a name query answers. The size request is the one whose output is the fixed record.
struct NameFault {
    bool failSizeRequest = false;
    bool failNameRequest = false;
    std::optional<ULONG> actualLength{};   // reported instead of the size the name needs
    bool noTerminator = false;             // the name is delivered without its NUL
    std::optional<DWORD> returnedBytes{};  // the name request succeeds with only this many bytes
};

// How one string descriptor request answers.
struct DescriptorFault {
    bool fail = false;
    std::optional<std::uint8_t> bLength{};  // reported instead of the true length
    std::optional<std::uint8_t> type{};     // reported instead of 3
    std::optional<DWORD> returnedBytes{};   // descriptor bytes returned, after the header
};

// How the two configuration requests answer: the first asks for the 9-byte header, the second for
// the whole set (a set of exactly 9 bytes makes both look like the first).
struct ConfigFault {
    bool failFirst = false;
    bool failSecond = false;
    std::optional<std::uint16_t> firstTotalLength{};   // wTotalLength in the header answer
    std::optional<std::uint16_t> secondTotalLength{};  // wTotalLength in the whole-set answer
    std::optional<DWORD> firstReturnedBytes{};  // descriptor bytes returned, after the header
    std::optional<DWORD> secondReturnedBytes{};
};

struct UsbDeviceSpec {
    std::uint16_t vendor = 0x046D;
    std::uint16_t product = 0xC077;
    std::uint8_t iProduct = 2;
    int status = DeviceConnected;  // any USB_CONNECTION_STATUS value
    bool lowSpeed = false;
    std::uint8_t speed = 1;                  // extended record's Speed (1: full speed)
    std::uint8_t openPipes = 0;              // pipe entries in the connection record
    std::optional<std::string> driverKey{};  // generated when not given
    bool noDriverKey = false;                // the hub names no driver key for this port
    NameFault driverKeyFault{};
    std::uint16_t totalLength = 32;  // the configuration set's wTotalLength
    std::uint8_t attributes = 0xA0;  // bmAttributes
    std::uint8_t maxPower = 50;
    // The configuration descriptor's 9 bytes as a real device gave them, instead of the ones made
    // from totalLength, attributes and maxPower (which it then sets).
    std::optional<std::array<std::uint8_t, 9>> configHeader{};
    ConfigFault configFault{};
    std::vector<std::uint16_t> languages = {0x0409};
    std::u16string productString = u"VORK Stickograph 731";
    DescriptorFault languageFault{};
    DescriptorFault productFault{};
    // The device node: present with the device's driver key unless told otherwise.
    bool inDeviceTree = true;
    std::optional<std::string> nodeDriverKey{};  // the node's CM_DRP_DRIVER, when it differs
    std::optional<std::string> description = "USB Printing Support";  // none: the read fails
    std::shared_ptr<Printer> printer{};                               // opaque to the walk
};

struct UsbHub;

struct UsbPort {
    std::optional<UsbDeviceSpec> device{};
    std::shared_ptr<UsbHub> hub{};     // the hub behind the port; DeviceIsHub is set with it
    std::optional<bool> reportsHub{};  // DeviceIsHub, when it differs from having a hub
    bool failExtended = false;         // IOCTL_USB_GET_NODE_CONNECTION_INFORMATION_EX fails
    bool failLegacy = false;           // IOCTL_USB_GET_NODE_CONNECTION_INFORMATION fails
    NameFault hubNameFault{};
    std::string hubLink{};  // reports a hub of this name without holding it (see above)

    // Puts a hub with `ports` ports on this port (and a hub device, unless one is described).
    UsbHub& AttachHub(int portCount, std::string name = {});
};

struct UsbHub {
    std::string name{};  // as the driver reports it, without the "\\.\" prefix
    std::vector<UsbPort> ports{};
    std::optional<int> reportedPorts{};  // bNumberOfPorts, when it differs from the ports described
    bool openFails = false;
    bool nodeInformationFails = false;
    std::string driverKey{};  // the hub's own device node

    UsbHub(int portCount, std::string hubName);
    UsbPort& Port(int number);  // from 1
};

struct UsbControllerSpec {
    int number = -1;                         // \\.\HCD<number>; negative: no numbered name
    bool listed = false;                     // listed under the host controller interface class
    std::optional<std::string> driverKey{};  // generated when not given
    bool noDriverKey = false;
    NameFault driverKeyFault{};
    bool noRootHubName = false;  // the root hub name query fails
    NameFault rootHubNameFault{};
    int rootPorts = 4;
    std::string interfacePath{};  // generated when listed and not given
    bool openFails = false;
    bool detailReadFails = false;  // the listed interface's detail cannot be read
    std::string rootHubName{};     // generated when not given
    int presentForSearches = -1;   // gone after this many searches; negative: never gone
};

struct UsbController {
    UsbControllerSpec described{};
    std::shared_ptr<UsbHub> rootHub{};
    UsbHub& RootHub() { return *rootHub; }
};

// One node of the configuration-manager tree, flattened; DEVINST is index + 1.
struct DeviceNode {
    std::optional<std::string> driver{};       // CM_DRP_DRIVER; none: the read fails
    std::optional<std::string> description{};  // CM_DRP_DEVICEDESC; none: the read fails
    int parent = -1;
    int firstChild = -1;
    int nextSibling = -1;
};

// A driver key of the kind Windows gives USB devices, unique within the process.
std::string GeneratedDriverKey();

// The connection states in which a hub driver knows nothing of the device but that it is there.
inline bool FailedEnumeration(int status) {
    return status == DeviceFailedEnumeration || status == DeviceGeneralFailure ||
           status == DeviceCausedOvercurrent;
}

struct UsbTopology {
    UsbController& AddController(UsbControllerSpec described);
    // The n-th control request the machine receives (from 0) fails with ERROR_GEN_FAILURE.
    void FailIoctl(int index) { failingIoctls.insert(index); }
    bool IsPresent(const UsbController& controller) const {
        const int limit = controller.described.presentForSearches;
        return limit < 0 || searches <= limit;
    }

    std::deque<UsbController> controllers{};  // stable addresses: open handles point at them
    bool listingFails = false;                // the host controller interface list cannot be had
    bool deviceTreeUnavailable = false;       // CM_Locate_DevNodeA fails
    std::vector<DeviceNode> otherNodes{};     // nodes outside USB, under the root (before it)
    std::set<int> failingIoctls{};

    // Kept by the machine while it answers.
    int ioctlCount = 0;
    int searches = 0;                      // opens of \\.\HCD0 so far
    std::vector<DeviceNode> deviceTree{};  // rebuilt when the tree is entered
};

}  // namespace vork::sim
