// The USB topology half of the simulated machine: host controllers, hubs and the device-node tree.
#include "sim/SimMachine.h"

namespace vork::sim {

HANDLE SimMachine::OpenUsbNode(const std::string&) {
    ::SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
}

std::optional<std::vector<SimMachine::ListedDevice>> SimMachine::HostControllerInterfaces() {
    return std::vector<ListedDevice>{};
}

BOOL SimMachine::UsbIoControl(Object&, DWORD, LPVOID, DWORD, LPVOID, DWORD, LPDWORD) {
    return Fail(ERROR_INVALID_FUNCTION);
}

BOOL SimMachine::DeviceIoControl(HANDLE device, DWORD code, LPVOID in, DWORD inSize, LPVOID out,
                                 DWORD outSize, LPDWORD returned, LPOVERLAPPED) {
    Lock lock(mutex_);
    Log("DeviceIoControl " + std::to_string(code));
    auto it = objects_.find(device);
    if (it == objects_.end() || (it->second.kind != ObjectKind::UsbController &&
                                 it->second.kind != ObjectKind::UsbHub))
        return Fail(ERROR_INVALID_HANDLE);
    return UsbIoControl(it->second, code, in, inSize, out, outSize, returned);
}

CONFIGRET SimMachine::CM_Locate_DevNodeA(PDEVINST, DEVINSTID_A, ULONG) { return CR_NO_SUCH_DEVNODE; }
CONFIGRET SimMachine::CM_Get_Child(PDEVINST, DEVINST, ULONG) { return CR_NO_SUCH_DEVNODE; }
CONFIGRET SimMachine::CM_Get_Sibling(PDEVINST, DEVINST, ULONG) { return CR_NO_SUCH_DEVNODE; }
CONFIGRET SimMachine::CM_Get_Parent(PDEVINST, DEVINST, ULONG) { return CR_NO_SUCH_DEVNODE; }
CONFIGRET SimMachine::CM_Get_DevNode_Registry_PropertyA(DEVINST, ULONG, PULONG, PVOID, PULONG, ULONG) {
    return CR_NO_SUCH_VALUE;
}

}  // namespace vork::sim
