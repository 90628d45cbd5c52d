// The USB topology half of the simulated machine: opening controllers and hubs, their control
// requests and the host controller interface list.
//
// Control requests are held to what the drivers document: each kind of node takes its own control
// codes (a controller's name queries, a hub's node and connection queries), requests are
// synchronous and return their byte count, and a buffer given with a size is there. Buffer sizes
// are checked by the answers themselves, as the drivers check them (SimUsbAnswers.cpp).
//
// Each control request and each configuration-manager call is logged with what it was asked
// ("DeviceIoControl IOCTL_USB_GET_NODE_CONNECTION_INFORMATION_EX <hub> port 3", "CM_Get_Child 4"),
// so tests can count them and read the walk's order. The machine's lock is held throughout.
#include <cstring>

#include "sim/SimMachine.h"
#include "sim/SimUsbAnswers.h"

namespace vork::sim {
namespace {

constexpr char kDevicePrefix[] = "\\\\.\\";
constexpr char kNumberedPrefix[] = "\\\\.\\HCD";

const char* IoctlName(DWORD code, bool controller) {
    switch (code) {
        case IOCTL_GET_HCD_DRIVERKEY_NAME: return "IOCTL_GET_HCD_DRIVERKEY_NAME";
        case IOCTL_USB_GET_ROOT_HUB_NAME:  // the same value as IOCTL_USB_GET_NODE_INFORMATION
            return controller ? "IOCTL_USB_GET_ROOT_HUB_NAME" : "IOCTL_USB_GET_NODE_INFORMATION";
        case IOCTL_USB_GET_NODE_CONNECTION_INFORMATION_EX:
            return "IOCTL_USB_GET_NODE_CONNECTION_INFORMATION_EX";
        case IOCTL_USB_GET_NODE_CONNECTION_INFORMATION:
            return "IOCTL_USB_GET_NODE_CONNECTION_INFORMATION";
        case IOCTL_USB_GET_NODE_CONNECTION_DRIVERKEY_NAME:
            return "IOCTL_USB_GET_NODE_CONNECTION_DRIVERKEY_NAME";
        case IOCTL_USB_GET_NODE_CONNECTION_NAME: return "IOCTL_USB_GET_NODE_CONNECTION_NAME";
        case IOCTL_USB_GET_DESCRIPTOR_FROM_NODE_CONNECTION:
            return "IOCTL_USB_GET_DESCRIPTOR_FROM_NODE_CONNECTION";
        default: return "IOCTL_UNKNOWN";
    }
}

constexpr NameLayout kControllerKeyLayout{sizeof(USB_HCD_DRIVERKEY_NAME), 0,
                                          offsetof(USB_HCD_DRIVERKEY_NAME, DriverKeyName)};
constexpr NameLayout kRootHubLayout{sizeof(USB_ROOT_HUB_NAME), 0,
                                    offsetof(USB_ROOT_HUB_NAME, RootHubName)};
constexpr NameLayout kPortKeyLayout{sizeof(USB_NODE_CONNECTION_DRIVERKEY_NAME),
                                    offsetof(USB_NODE_CONNECTION_DRIVERKEY_NAME, ActualLength),
                                    offsetof(USB_NODE_CONNECTION_DRIVERKEY_NAME, DriverKeyName)};
constexpr NameLayout kPortHubLayout{sizeof(USB_NODE_CONNECTION_NAME),
                                    offsetof(USB_NODE_CONNECTION_NAME, ActualLength),
                                    offsetof(USB_NODE_CONNECTION_NAME, NodeName)};

UsbHub* FindHub(UsbHub& hub, const std::string& name) {
    if (hub.name == name) return &hub;
    for (UsbPort& port : hub.ports)
        if (port.hub)
            if (UsbHub* found = FindHub(*port.hub, name)) return found;
    return nullptr;
}

// Whether a controller (or a hub) takes the control code. IOCTL_USB_GET_ROOT_HUB_NAME and
// IOCTL_USB_GET_NODE_INFORMATION share a value; the node tells them apart.
bool CodeFits(DWORD code, bool controller) {
    if (controller)
        return code == IOCTL_GET_HCD_DRIVERKEY_NAME || code == IOCTL_USB_GET_ROOT_HUB_NAME;
    switch (code) {
        case IOCTL_USB_GET_NODE_INFORMATION:
        case IOCTL_USB_GET_NODE_CONNECTION_INFORMATION_EX:
        case IOCTL_USB_GET_NODE_CONNECTION_INFORMATION:
        case IOCTL_USB_GET_NODE_CONNECTION_DRIVERKEY_NAME:
        case IOCTL_USB_GET_NODE_CONNECTION_NAME:
        case IOCTL_USB_GET_DESCRIPTOR_FROM_NODE_CONNECTION: return true;
        default: return false;
    }
}

ULONG PortIndex(const void* in, DWORD inSize) {
    ULONG index = 0;
    if (in && inSize >= sizeof index) std::memcpy(&index, in, sizeof index);
    return index;
}

UsbAnswer AnswerController(UsbController& controller, DWORD code, const void* in, DWORD inSize,
                           void* out, DWORD outSize) {
    const UsbControllerSpec& described = controller.described;
    switch (code) {
        case IOCTL_GET_HCD_DRIVERKEY_NAME:
            if (described.noDriverKey) return UsbAnswer::Error(ERROR_INVALID_FUNCTION);
            return AnswerName(*described.driverKey, described.driverKeyFault, kControllerKeyLayout,
                              in, inSize, out, outSize);
        case IOCTL_USB_GET_ROOT_HUB_NAME:
            if (described.noRootHubName) return UsbAnswer::Error(ERROR_INVALID_FUNCTION);
            return AnswerName(controller.rootHub->name, described.rootHubNameFault, kRootHubLayout,
                              nullptr, 0, out, outSize);
        default: return UsbAnswer::Error(ERROR_INVALID_FUNCTION);
    }
}

UsbAnswer AnswerHub(UsbHub& hub, DWORD code, const void* in, DWORD inSize, void* out,
                    DWORD outSize) {
    switch (code) {
        case IOCTL_USB_GET_NODE_INFORMATION:
            return AnswerNodeInformation(hub, inSize, out, outSize);
        case IOCTL_USB_GET_NODE_CONNECTION_INFORMATION_EX:
            return AnswerConnection(hub, true, in, inSize, out, outSize);
        case IOCTL_USB_GET_NODE_CONNECTION_INFORMATION:
            return AnswerConnection(hub, false, in, inSize, out, outSize);
        case IOCTL_USB_GET_DESCRIPTOR_FROM_NODE_CONNECTION:
            return AnswerDescriptor(hub, in, inSize, out, outSize);
        default: break;
    }
    UsbPort* port = PortOf(hub, PortIndex(in, inSize));
    if (!port) return UsbAnswer::Error(ERROR_INVALID_PARAMETER);
    UsbDeviceSpec* device = PresentDevice(*port);
    if (code == IOCTL_USB_GET_NODE_CONNECTION_DRIVERKEY_NAME) {
        // A device that failed to enumerate has no driver, so no key either.
        if (!device || device->noDriverKey || FailedEnumeration(device->status))
            return UsbAnswer::Error(ERROR_GEN_FAILURE);
        return AnswerName(DriverKeyOf(*device), device->driverKeyFault, kPortKeyLayout, in, inSize,
                          out, outSize);
    }
    if (code == IOCTL_USB_GET_NODE_CONNECTION_NAME) {
        // A port without a hub has an empty name: the record alone.
        const std::string name = port->hub ? port->hub->name : port->hubLink;
        return AnswerName(name, port->hubNameFault, kPortHubLayout, in, inSize, out, outSize);
    }
    return UsbAnswer::Error(ERROR_INVALID_FUNCTION);
}

}  // namespace

HANDLE SimMachine::OpenUsbNode(const OpenRequest& open) {
    UsbTopology& usb = usb_;
    const std::string& path = open.path;
    if (path == std::string(kNumberedPrefix) + "0") ++usb.searches;
    CheckUsbOpen(open);
    for (UsbController& controller : usb.controllers) {
        const UsbControllerSpec& described = controller.described;
        const bool numbered =
            described.number >= 0 && path == kNumberedPrefix + std::to_string(described.number);
        const bool listed = described.listed && path == described.interfacePath;
        if ((!numbered && !listed) || !usb.IsPresent(controller)) continue;
        if (described.openFails) return FailHandle(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
        Object object;
        object.kind = ObjectKind::UsbController;
        object.name = "usb controller " + path;
        object.usbNode = &controller;
        return OpenNode(std::move(object), &controller, open);
    }
    if (path.compare(0, sizeof kDevicePrefix - 1, kDevicePrefix) != 0)
        return FailHandle(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
    const std::string name = path.substr(sizeof kDevicePrefix - 1);
    for (UsbController& controller : usb.controllers) {
        UsbHub* hub = usb.IsPresent(controller) ? FindHub(*controller.rootHub, name) : nullptr;
        if (!hub) continue;
        if (hub->openFails) return FailHandle(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
        Object object;
        object.kind = ObjectKind::UsbHub;
        object.name = "usb hub " + name;
        object.usbNode = hub;
        return OpenNode(std::move(object), hub, open);
    }
    return FailHandle(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
}

std::optional<std::vector<SimMachine::ListedDevice>> SimMachine::HostControllerInterfaces() {
    if (usb_.listingFails) return std::nullopt;
    std::vector<ListedDevice> devices;
    for (const UsbController& controller : usb_.controllers) {
        if (!controller.described.listed || !usb_.IsPresent(controller)) continue;
        ListedInterface listed;
        listed.path = controller.described.interfacePath;
        listed.detailReadFails = controller.described.detailReadFails;
        devices.push_back({listed});
    }
    return devices;
}

BOOL SimMachine::UsbIoControl(Object& node, DWORD code, LPVOID in, DWORD inSize, LPVOID out,
                              DWORD outSize, LPDWORD returned) {
    if (returned) *returned = 0;
    const bool failThisCall = usb_.failingIoctls.contains(usb_.ioctlCount++);
    if (failThisCall) return Fail(ERROR_GEN_FAILURE);
    // The node is part of the topology the machine owns; handles keep it only as an address.
    void* target = const_cast<void*>(node.usbNode);
    const UsbAnswer answer =
        node.kind == ObjectKind::UsbController
            ? AnswerController(*static_cast<UsbController*>(target), code, in, inSize, out, outSize)
            : AnswerHub(*static_cast<UsbHub*>(target), code, in, inSize, out, outSize);
    if (!answer.ok) return Fail(answer.error);
    if (returned) *returned = answer.returned;
    ::SetLastError(ERROR_SUCCESS);
    return TRUE;
}

bool SimMachine::CheckIoControl(const Object* node, DWORD code, LPVOID in, DWORD inSize, LPVOID out,
                                DWORD outSize, const DWORD* returned, LPOVERLAPPED overlapped) {
    const std::string name = IoctlName(code, node && node->kind == ObjectKind::UsbController);
    if (!node) {
        Violation("DeviceIoControl " + name + " on a handle that is not a USB controller or hub");
        return false;
    }
    if (overlapped)
        Violation("USB control request with an OVERLAPPED record on a synchronous handle");
    if (!returned && !overlapped) Violation("DeviceIoControl " + name + " without a byte count");
    if ((!in && inSize != 0) || (!out && outSize != 0))
        Violation("DeviceIoControl " + name + " with a size but no buffer");
    if (!CodeFits(code, node->kind == ObjectKind::UsbController)) {
        Violation("DeviceIoControl " + name + " (" + std::to_string(code) + ") sent to " +
                  node->name + ", which does not take it");
        return false;
    }
    return true;
}

BOOL SimMachine::DeviceIoControl(HANDLE device, DWORD code, LPVOID in, DWORD inSize, LPVOID out,
                                 DWORD outSize, LPDWORD returned, LPOVERLAPPED overlapped) {
    Lock lock(mutex_);
    auto it = objects_.find(device);
    const bool usbNode = it != objects_.end() && (it->second.kind == ObjectKind::UsbController ||
                                                  it->second.kind == ObjectKind::UsbHub);
    std::string entry = std::string("DeviceIoControl ") +
                        IoctlName(code, usbNode && it->second.kind == ObjectKind::UsbController);
    if (usbNode) entry += " " + it->second.name;
    if (usbNode && it->second.kind == ObjectKind::UsbHub && code != IOCTL_USB_GET_NODE_INFORMATION)
        entry += " port " + std::to_string(PortIndex(in, inSize));
    Log(std::move(entry));
    Object* node = usbNode ? &it->second : nullptr;
    if (!CheckIoControl(node, code, in, inSize, out, outSize, returned, overlapped))
        return Fail(node ? ERROR_INVALID_FUNCTION : ERROR_INVALID_HANDLE);
    if ((!in && inSize != 0) || (!out && outSize != 0)) return Fail(ERROR_NOACCESS);
    return UsbIoControl(*node, code, in, inSize, out, outSize, returned);
}

}  // namespace vork::sim
