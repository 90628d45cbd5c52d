// Device-information lists of the simulated machine, held to what SetupAPI documents.
//
// Every record the caller hands in carries a cbSize that must be the size of the record in the
// caller's build (SP_DEVICE_INTERFACE_DETAIL_DATA_A is 5 bytes in a 32-bit build and 8 in a 64-bit
// one, the classic trap between word sizes); a wrong one fails with ERROR_INVALID_USER_BUFFER, as
// Windows fails it, and is a violation. The detail is read in two calls: one without a buffer that
// fails with ERROR_INSUFFICIENT_BUFFER and names the size, then one with a buffer of that size.
// The lists answer for the interface classes by the machine's own GUIDs.
#include <cstddef>

#include "sim/MachineGuids.h"
#include "sim/SimMachine.h"

namespace vork::sim {

bool SimMachine::CheckRecordSize(const char* function, const char* record, DWORD cbSize,
                                 DWORD expected) {
    if (cbSize == expected) return true;
    Violation(std::string(function) + ": " + record + ".cbSize is " + std::to_string(cbSize) +
              ", not " + std::to_string(expected));
    return false;
}

HDEVINFO SimMachine::NewDeviceInfoList(const GUID& interfaceClass,
                                       std::vector<ListedDevice> devices) {
    Object object;
    object.kind = ObjectKind::DeviceInfoList;
    object.name = "device-information list";
    object.interfaceClass = interfaceClass;
    object.devices = std::move(devices);
    return NewHandle(std::move(object));
}

std::vector<SimMachine::ListedDevice> SimMachine::PrinterInterfaces() const {
    std::vector<ListedDevice> devices;
    for (const auto& device : printerDevices_) {
        ListedDevice listed;
        for (const auto& printer : device) {
            if (printer->unplugged) continue;
            const PrinterConfig& c = printer->config;
            listed.push_back({c.interfacePath, c.detailSizeQuerySucceeds, c.detailSizeQueryError,
                              c.detailReadFails});
        }
        if (!listed.empty()) devices.push_back(std::move(listed));
    }
    return devices;
}

HDEVINFO SimMachine::SetupDiGetClassDevsA(const GUID* classGuid, PCSTR, HWND, DWORD flags) {
    Lock lock(mutex_);
    Log("SetupDiGetClassDevsA");
    if (!classGuid || flags != (DIGCF_PRESENT | DIGCF_DEVICEINTERFACE))
        return FailHandle(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
    std::vector<ListedDevice> devices;
    if (IsEqualGUID(*classGuid, kPrinterInterfaces)) {
        if (failPrinterClassList_) return FailHandle(ERROR_INVALID_DATA, INVALID_HANDLE_VALUE);
        devices = PrinterInterfaces();
    }
    return NewDeviceInfoList(*classGuid, std::move(devices));
}

HDEVINFO SimMachine::SetupDiGetClassDevsW(const GUID* classGuid, PCWSTR, HWND, DWORD flags) {
    Lock lock(mutex_);
    Log("SetupDiGetClassDevsW");
    if (!classGuid || flags != (DIGCF_PRESENT | DIGCF_DEVICEINTERFACE))
        return FailHandle(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
    std::vector<ListedDevice> devices;
    if (IsEqualGUID(*classGuid, kHostControllerInterfaces)) {
        auto controllers = HostControllerInterfaces();
        if (!controllers) return FailHandle(ERROR_INVALID_DATA, INVALID_HANDLE_VALUE);
        devices = std::move(*controllers);
    }
    return NewDeviceInfoList(*classGuid, std::move(devices));
}

BOOL SimMachine::SetupDiEnumDeviceInfo(HDEVINFO set, DWORD memberIndex, PSP_DEVINFO_DATA info) {
    Lock lock(mutex_);
    Log("SetupDiEnumDeviceInfo " + std::to_string(memberIndex));
    Object* list = Find(set, ObjectKind::DeviceInfoList);
    if (!list) return Fail(ERROR_INVALID_HANDLE);
    if (!info) return Fail(ERROR_INVALID_PARAMETER);
    if (!CheckRecordSize("SetupDiEnumDeviceInfo", "SP_DEVINFO_DATA", info->cbSize,
                         sizeof(SP_DEVINFO_DATA)))
        return Fail(ERROR_INVALID_USER_BUFFER);
    if (memberIndex >= list->devices.size()) return Fail(ERROR_NO_MORE_ITEMS);
    info->ClassGuid = GUID{};
    info->DevInst = memberIndex + 1;
    info->Reserved = memberIndex + 1;
    return TRUE;
}

BOOL SimMachine::SetupDiEnumDeviceInterfaces(HDEVINFO set, PSP_DEVINFO_DATA info,
                                             const GUID* interfaceClass, DWORD memberIndex,
                                             PSP_DEVICE_INTERFACE_DATA interfaceData) {
    Lock lock(mutex_);
    Log("SetupDiEnumDeviceInterfaces " + std::to_string(memberIndex));
    Object* list = Find(set, ObjectKind::DeviceInfoList);
    if (!list) return Fail(ERROR_INVALID_HANDLE);
    if (!interfaceData) return Fail(ERROR_INVALID_PARAMETER);
    constexpr const char* kFunction = "SetupDiEnumDeviceInterfaces";
    if (!CheckRecordSize(kFunction, "SP_DEVICE_INTERFACE_DATA", interfaceData->cbSize,
                         sizeof(SP_DEVICE_INTERFACE_DATA)) ||
        (info &&
         !CheckRecordSize(kFunction, "SP_DEVINFO_DATA", info->cbSize, sizeof(SP_DEVINFO_DATA))))
        return Fail(ERROR_INVALID_USER_BUFFER);
    if (info && (info->Reserved == 0 || info->Reserved > list->devices.size()))
        return Fail(ERROR_INVALID_PARAMETER);
    if (!interfaceClass || !IsEqualGUID(*interfaceClass, list->interfaceClass))
        return Fail(ERROR_NO_MORE_ITEMS);
    // Find the memberIndex-th interface, within one device or across the whole list.
    DWORD seen = 0;
    for (std::size_t d = 0; d < list->devices.size(); ++d) {
        if (info && d != info->Reserved - 1) continue;
        for (std::size_t i = 0; i < list->devices[d].size(); ++i, ++seen) {
            if (seen != memberIndex) continue;
            interfaceData->InterfaceClassGuid = *interfaceClass;
            interfaceData->Flags = SPINT_ACTIVE;
            interfaceData->Reserved = (d << 16 | i) + 1;
            return TRUE;
        }
    }
    return Fail(ERROR_NO_MORE_ITEMS);
}

const SimMachine::ListedInterface* SimMachine::ListedFor(const Object& list,
                                                         const SP_DEVICE_INTERFACE_DATA& data,
                                                         std::size_t& device) {
    if (data.Reserved == 0) return nullptr;
    device = (data.Reserved - 1) >> 16;
    const std::size_t i = (data.Reserved - 1) & 0xFFFF;
    if (device >= list.devices.size() || i >= list.devices[device].size()) return nullptr;
    return &list.devices[device][i];
}

BOOL SimMachine::InterfaceDetail(HDEVINFO set, PSP_DEVICE_INTERFACE_DATA interfaceData,
                                 void* detail, DWORD detailSize, PDWORD requiredSize,
                                 PSP_DEVINFO_DATA info, bool wide) {
    const char* function =
        wide ? "SetupDiGetDeviceInterfaceDetailW" : "SetupDiGetDeviceInterfaceDetailA";
    Object* list = Find(set, ObjectKind::DeviceInfoList);
    if (!list) return Fail(ERROR_INVALID_HANDLE);
    if (!interfaceData) return Fail(ERROR_INVALID_PARAMETER);
    if (!CheckRecordSize(function, "SP_DEVICE_INTERFACE_DATA", interfaceData->cbSize,
                         sizeof(SP_DEVICE_INTERFACE_DATA)) ||
        (info &&
         !CheckRecordSize(function, "SP_DEVINFO_DATA", info->cbSize, sizeof(SP_DEVINFO_DATA))))
        return Fail(ERROR_INVALID_USER_BUFFER);
    std::size_t device = 0;
    const ListedInterface* listed = ListedFor(*list, *interfaceData, device);
    if (!listed) return Fail(ERROR_INVALID_PARAMETER);

    const DWORD fixed = wide ? offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath)
                             : offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath);
    const DWORD needed = fixed + static_cast<DWORD>((listed->path.size() + 1) * (wide ? 2 : 1));
    if (!detail) return SizeQuery(*listed, detailSize, needed, requiredSize);
    const DWORD expected = wide ? sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)
                                : sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    if (detailSize < expected || !CheckRecordSize(function, "SP_DEVICE_INTERFACE_DETAIL_DATA",
                                                  *static_cast<DWORD*>(detail), expected))
        return Fail(ERROR_INVALID_USER_BUFFER);
    if (requiredSize) *requiredSize = needed;
    if (detailSize < needed) return Fail(ERROR_INSUFFICIENT_BUFFER);
    if (listed->detailReadFails) return Fail(ERROR_INVALID_DATA);
    auto* bytes = static_cast<std::uint8_t*>(detail) + fixed;
    for (std::size_t c = 0; c <= listed->path.size(); ++c) {
        const auto ch = static_cast<std::uint8_t>(c < listed->path.size() ? listed->path[c] : 0);
        if (wide) {
            bytes[2 * c] = ch;
            bytes[2 * c + 1] = 0;
        } else {
            bytes[c] = ch;
        }
    }
    if (info) {
        info->DevInst = static_cast<DWORD>(device + 1);
        info->Reserved = device + 1;
    }
    return TRUE;
}

// The first of the two detail calls: no buffer, and a size of 0.
BOOL SimMachine::SizeQuery(const ListedInterface& listed, DWORD detailSize, DWORD needed,
                           PDWORD requiredSize) {
    if (detailSize != 0) {
        Violation("interface detail asked for without a buffer but with a size of " +
                  std::to_string(detailSize));
        return Fail(ERROR_INVALID_USER_BUFFER);
    }
    if (listed.sizeQuerySucceeds) {
        if (requiredSize) *requiredSize = needed;
        return TRUE;
    }
    if (listed.sizeQueryError != ERROR_INSUFFICIENT_BUFFER) return Fail(listed.sizeQueryError);
    if (!requiredSize) Violation("interface detail size asked for without a place for the size");
    if (requiredSize) *requiredSize = needed;
    return Fail(ERROR_INSUFFICIENT_BUFFER);
}

BOOL SimMachine::SetupDiGetDeviceInterfaceDetailA(HDEVINFO set,
                                                  PSP_DEVICE_INTERFACE_DATA interfaceData,
                                                  PSP_DEVICE_INTERFACE_DETAIL_DATA_A detail,
                                                  DWORD detailSize, PDWORD requiredSize,
                                                  PSP_DEVINFO_DATA info) {
    Lock lock(mutex_);
    Log("SetupDiGetDeviceInterfaceDetailA " + std::to_string(detailSize));
    return InterfaceDetail(set, interfaceData, detail, detailSize, requiredSize, info, false);
}

BOOL SimMachine::SetupDiGetDeviceInterfaceDetailW(HDEVINFO set,
                                                  PSP_DEVICE_INTERFACE_DATA interfaceData,
                                                  PSP_DEVICE_INTERFACE_DETAIL_DATA_W detail,
                                                  DWORD detailSize, PDWORD requiredSize,
                                                  PSP_DEVINFO_DATA info) {
    Lock lock(mutex_);
    Log("SetupDiGetDeviceInterfaceDetailW " + std::to_string(detailSize));
    return InterfaceDetail(set, interfaceData, detail, detailSize, requiredSize, info, true);
}

BOOL SimMachine::SetupDiDestroyDeviceInfoList(HDEVINFO set) {
    Lock lock(mutex_);
    Log("SetupDiDestroyDeviceInfoList");
    if (!Find(set, ObjectKind::DeviceInfoList)) {
        Violation("SetupDiDestroyDeviceInfoList on something that is not a list");
        return Fail(ERROR_INVALID_HANDLE);
    }
    objects_.erase(set);
    return TRUE;
}

}  // namespace vork::sim
