// The configuration manager of the simulated machine: the tree of device nodes that the topology
// implies, entered at its root and walked by child, sibling and parent, with the driver key and the
// description of each node. A device that failed to enumerate has no node, and neither has a
// printer that was unplugged.
#include <cstring>

#include "sim/SimMachine.h"
#include "sim/SimUsbAnswers.h"

namespace vork::sim {
namespace {

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
            if (lastChild_[parent] < 0)
                nodes_[parent].firstChild = index;
            else
                nodes_[lastChild_[parent]].nextSibling = index;
            lastChild_[parent] = index;
        }
        return index;
    }

    void AddHub(int parent, UsbHub& hub) {
        for (UsbPort& port : hub.ports) {
            int below = parent;
            UsbDeviceSpec* present = PresentDevice(port);
            if (present && present->inDeviceTree && !FailedEnumeration(present->status)) {
                UsbDeviceSpec& device = *present;
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
    *result = static_cast<DEVINST>(index) + 1;
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
        if (!usb_.IsPresent(controller)) continue;
        const UsbControllerSpec& described = controller.described;
        const int hc = tree.Add(root, described.driverKey, "USB host controller");
        const int hub = tree.Add(hc, controller.rootHub->driverKey, "USB Root Hub");
        tree.AddHub(hub, *controller.rootHub);
    }
    *devInst = static_cast<DEVINST>(root) + 1;
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
    const std::optional<std::string>* value = property == CM_DRP_DRIVER       ? &node->driver
                                              : property == CM_DRP_DEVICEDESC ? &node->description
                                                                              : nullptr;
    if (!value || !*value) return CR_NO_SUCH_VALUE;
    const auto needed = static_cast<ULONG>((*value)->size() + 1);
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
