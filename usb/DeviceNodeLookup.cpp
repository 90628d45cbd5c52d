// The device-node lookup by driver key: a pre-order walk of the configuration manager's tree.
//
// From the root, each node's CM_DRP_DRIVER property is read into one 200-byte buffer and compared
// with the key; the walk goes to a node's first child, else its next sibling, else up through the
// parents to the first one that has a next sibling. The walk ends when the climb passes the root.
#include "usb/DeviceNodeLookup.h"

#include <cstring>

#include "platform/Platform.h"

namespace vork {
namespace {

bool ReadProperty(DEVINST node, ULONG property, ByteVector& buffer) {
    ULONG length = kDeviceDescriptionSize;
    return System().CM_Get_DevNode_Registry_PropertyA(node, property, nullptr, buffer.data(),
                                                      &length, 0) == CR_SUCCESS;
}

// A property that fills the whole buffer without a NUL is no driver key we could have asked for,
// and comparing it as text would read past the buffer.
bool CarriesKey(const ByteVector& buffer, const char* driverKey) {
    if (!std::memchr(buffer.data(), 0, buffer.size())) return false;
    return ::_stricmp(reinterpret_cast<const char*>(buffer.data()), driverKey) == 0;
}

// The next node in pre-order, or false when the whole tree has been seen.
bool Advance(DEVINST& node) {
    DEVINST next = 0;
    if (System().CM_Get_Child(&next, node, 0) == CR_SUCCESS ||
        System().CM_Get_Sibling(&next, node, 0) == CR_SUCCESS) {
        node = next;
        return true;
    }
    for (;;) {
        DEVINST parent = 0;
        if (System().CM_Get_Parent(&parent, node, 0) != CR_SUCCESS) return false;
        node = parent;
        if (System().CM_Get_Sibling(&next, node, 0) == CR_SUCCESS) {
            node = next;
            return true;
        }
    }
}

}  // namespace

ByteVector LookupDeviceDescription(const char* driverKey, NodeLookup* outcome) {
    NodeLookup ignored = NodeLookup::kNotFound;
    NodeLookup& result = outcome ? *outcome : ignored;
    ByteVector buffer(kDeviceDescriptionSize, 0);
    DEVINST node = 0;
    result = NodeLookup::kNoTree;
    if (System().CM_Locate_DevNodeA(&node, nullptr, 0) != CR_SUCCESS) return buffer;
    result = NodeLookup::kNotFound;
    do {
        if (ReadProperty(node, CM_DRP_DRIVER, buffer) && CarriesKey(buffer, driverKey)) {
            result = NodeLookup::kFoundWithoutDescription;
            if (!ReadProperty(node, CM_DRP_DEVICEDESC, buffer)) return {};
            result = NodeLookup::kFound;
            return buffer;
        }
    } while (Advance(node));
    return buffer;
}

}  // namespace vork
