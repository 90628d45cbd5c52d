// The USB topology half of the simulated machine: opening controllers and hubs, their control
// requests, the host controller interface list, and the configuration-manager tree.
//
// Each control request and each configuration-manager call is logged with what it was asked
// ("DeviceIoControl IOCTL_USB_GET_NODE_CONNECTION_INFORMATION_EX <hub> port 3", "CM_Get_Child 4"),
// so tests can count them and read the walk's order. The machine's lock is held throughout.
#include <cstring>
#include <functional>

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
            return AnswerName(*described.driverKey, described.driverKeyFault, kControllerKeyLayout, in, inSize,
                              out, outSize);
        case IOCTL_USB_GET_ROOT_HUB_NAME:
            if (described.noRootHubName) return UsbAnswer::Error(ERROR_INVALID_FUNCTION);
            return AnswerName(controller.rootHub->name, described.rootHubNameFault, kRootHubLayout,
                              nullptr, 0, out, outSize);
        default: return UsbAnswer::Error(ERROR_INVALID_FUNCTION);
    }
}

UsbAnswer AnswerHub(UsbHub& hub, DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize) {
    switch (code) {
        case IOCTL_USB_GET_NODE_INFORMATION: return AnswerNodeInformation(hub, inSize, out, outSize);
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
    if (code == IOCTL_USB_GET_NODE_CONNECTION_DRIVERKEY_NAME) {
        if (!port->device || port->device->noDriverKey) return UsbAnswer::Error(ERROR_GEN_FAILURE);
        return AnswerName(DriverKeyOf(*port->device), port->device->driverKeyFault, kPortKeyLayout,
                          in, inSize, out, outSize);
    }
    if (code == IOCTL_USB_GET_NODE_CONNECTION_NAME) {
        // A port without a hub has an empty name: the record alone.
        return AnswerName(port->hub ? port->hub->name : std::string(), port->hubNameFault,
                          kPortHubLayout, in, inSize, out, outSize);
    }
    return UsbAnswer::Error(ERROR_INVALID_FUNCTION);
}

// The configuration-manager tree as the topology implies it: the root, the other nodes, then each
// controller with its root hub and, below each hub, the devices on its ports.
class DeviceTreeBuilder {
public:
    explicit DeviceTreeBuilder(std::vector<DeviceNode>& nodes) : nodes_(nodes) { nodes_.clear(); }

    int Add(int parent, std::optional<std::string> driver, std::optional<std::string> description) {
        DeviceNode node;
        node.driver = std::move(driver);
        node.description = std::move(description);
        node.parent = parent;
        const int index = static_cast<int>(nodes_.size());
        nodes_.push_back(std::move(node));
        lastChild_.push_back(-1);
        if (parent >= 0) {
            if (lastChild_[parent] < 0) nodes_[parent].firstChild = index;
            else nodes_[lastChild_[parent]].nextSibling = index;
            lastChild_[parent] = index;
        }
        return index;
    }

    void AddHub(int parent, UsbHub& hub) {
        for (UsbPort& port : hub.ports) {
            int below = parent;
            if (port.device && port.device->inDeviceTree) {
                UsbDeviceSpec& device = *port.device;
                below = Add(parent, device.nodeDriverKey.value_or(DriverKeyOf(device)),
                            device.description);
            }
            if (port.hub) AddHub(below, *port.hub);
        }
    }

private:
    std::vector<DeviceNode>& nodes_;
    std::vector<int> lastChild_;
};

}  // namespace

HANDLE SimMachine::OpenUsbNode(const std::string& path) {
    UsbTopology& usb = usb_;
    for (UsbController& controller : usb.controllers) {
        const UsbControllerSpec& described = controller.described;
        const bool numbered = described.number >= 0 && path == kNumberedPrefix + std::to_string(described.number);
        const bool listed = described.listed && path == described.interfacePath;
        if (!numbered && !listed) continue;
        if (described.openFails) return FailHandle(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
        Object object;
        object.kind = ObjectKind::UsbController;
        object.name = "usb controller " + path;
        object.usbNode = &controller;
        ::SetLastError(ERROR_SUCCESS);
        return NewHandle(std::move(object));
    }
    if (path.compare(0, sizeof kDevicePrefix - 1, kDevicePrefix) == 0) {
        const std::string name = path.substr(sizeof kDevicePrefix - 1);
        for (UsbController& controller : usb.controllers) {
            UsbHub* hub = FindHub(*controller.rootHub, name);
            if (!hub) continue;
            if (hub->openFails) return FailHandle(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
            Object object;
            object.kind = ObjectKind::UsbHub;
            object.name = "usb hub " + name;
            object.usbNode = hub;
            ::SetLastError(ERROR_SUCCESS);
            return NewHandle(std::move(object));
        }
    }
    return FailHandle(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
}

std::optional<std::vector<SimMachine::ListedDevice>> SimMachine::HostControllerInterfaces() {
    if (usb_.listingFails) return std::nullopt;
    std::vector<ListedDevice> devices;
    for (const UsbController& controller : usb_.controllers) {
        if (!controller.described.listed) continue;
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
    const bool failThisCall = usb_.failingIoctls.count(usb_.ioctlCount++) != 0;
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
    if (!usbNode) return Fail(ERROR_INVALID_HANDLE);
    if (overlapped) Violation("USB control request with an OVERLAPPED record on a synchronous handle");
    return UsbIoControl(it->second, code, in, inSize, out, outSize, returned);
}

// --- Configuration manager ------------------------------------------------------------------

namespace {

const DeviceNode* NodeAt(const std::vector<DeviceNode>& tree, DEVINST devInst) {
    return devInst >= 1 && devInst <= tree.size() ? &tree[devInst - 1] : nullptr;
}

CONFIGRET Relative(const std::vector<DeviceNode>& tree, PDEVINST result, DEVINST devInst,
                   int DeviceNode::*relation) {
    const DeviceNode* node = NodeAt(tree, devInst);
    if (!result) return CR_INVALID_POINTER;
    *result = 0;
    if (!node) return CR_INVALID_DEVNODE;
    const int index = node->*relation;
    if (index < 0) return CR_NO_SUCH_DEVNODE;
    *result = static_cast<DEVINST>(index + 1);
    return CR_SUCCESS;
}

}  // namespace

CONFIGRET SimMachine::CM_Locate_DevNodeA(PDEVINST devInst, DEVINSTID_A deviceId, ULONG flags) {
    Lock lock(mutex_);
    Log("CM_Locate_DevNodeA");
    if (!devInst) return CR_INVALID_POINTER;
    *devInst = 0;
    if (deviceId || flags != 0) return CR_INVALID_DEVICE_ID;  // only the root is ever asked for
    if (usb_.deviceTreeUnavailable) return CR_FAILURE;
    DeviceTreeBuilder tree(usb_.deviceTree);
    const int root = tree.Add(-1, std::nullopt, "Computer");
    for (const DeviceNode& other : usb_.otherNodes) tree.Add(root, other.driver, other.description);
    for (UsbController& controller : usb_.controllers) {
        const UsbControllerSpec& described = controller.described;
        const int hc = tree.Add(root, described.driverKey, "USB host controller");
        const int hub = tree.Add(hc, controller.rootHub->driverKey, "USB Root Hub");
        tree.AddHub(hub, *controller.rootHub);
    }
    *devInst = static_cast<DEVINST>(root + 1);
    return CR_SUCCESS;
}

CONFIGRET SimMachine::CM_Get_Child(PDEVINST child, DEVINST devInst, ULONG) {
    Lock lock(mutex_);
    Log("CM_Get_Child " + std::to_string(devInst));
    return Relative(usb_.deviceTree, child, devInst, &DeviceNode::firstChild);
}

CONFIGRET SimMachine::CM_Get_Sibling(PDEVINST sibling, DEVINST devInst, ULONG) {
    Lock lock(mutex_);
    Log("CM_Get_Sibling " + std::to_string(devInst));
    return Relative(usb_.deviceTree, sibling, devInst, &DeviceNode::nextSibling);
}

CONFIGRET SimMachine::CM_Get_Parent(PDEVINST parent, DEVINST devInst, ULONG) {
    Lock lock(mutex_);
    Log("CM_Get_Parent " + std::to_string(devInst));
    return Relative(usb_.deviceTree, parent, devInst, &DeviceNode::parent);
}

CONFIGRET SimMachine::CM_Get_DevNode_Registry_PropertyA(DEVINST devInst, ULONG property,
                                                        PULONG regDataType, PVOID buffer,
                                                        PULONG length, ULONG flags) {
    Lock lock(mutex_);
    Log("CM_Get_DevNode_Registry_PropertyA " + std::to_string(devInst) + " " +
        std::to_string(property));
    const DeviceNode* node = NodeAt(usb_.deviceTree, devInst);
    if (!node) return CR_INVALID_DEVNODE;
    if (!length || flags != 0) return CR_INVALID_POINTER;
    const std::optional<std::string>* value = property == CM_DRP_DRIVER      ? &node->driver
                                              : property == CM_DRP_DEVICEDESC ? &node->description
                                                                              : nullptr;
    if (!value || !*value) return CR_NO_SUCH_VALUE;
    const ULONG needed = static_cast<ULONG>((*value)->size() + 1);
    if (!buffer || *length < needed) {
        *length = needed;
        return CR_BUFFER_SMALL;
    }
    std::memcpy(buffer, (*value)->c_str(), needed);
    *length = needed;
    if (regDataType) *regDataType = REG_SZ;
    return CR_SUCCESS;
}

}  // namespace vork::sim
