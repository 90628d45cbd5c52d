// Finding and opening a printer's USB printer-class interface.
//
// Every present interface of the printer class is examined, device by device and interface by
// interface within a device. An interface whose path holds one of the variant's product-id texts
// ("0020", "0021" or "0022", anywhere in the path) is opened for overlapped I/O into the device
// handle. A failure at one interface makes the result false but never stops the enumeration; a
// true result therefore means "nothing failed", not "something was opened": callers look at the
// device handle for that.
//
// The machine record gets the listing and, for each interface ("interface <device>.<index>"), its
// path and whether it was opened, or the step at which its detail could not be read.
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <vector>

#include "device/SG731DeviceBase.h"
#include "device/VariantProfile.h"
#include "platform/DeviceClasses.h"
#include "platform/MachineRecord.h"

namespace vork {

void SG731DeviceBase::CloseDeviceHandle() {
    if (deviceHandle_ && deviceHandle_ != INVALID_HANDLE_VALUE) System().CloseHandle(deviceHandle_);
    deviceHandle_ = nullptr;
}

bool SG731DeviceBase::OpenIfMatching(HDEVINFO set, SP_DEVICE_INTERFACE_DATA& interfaceData,
                                     SP_DEVINFO_DATA& info, const VariantProfile& profile,
                                     const char* place) {
    DWORD required = 0;
    if (System().SetupDiGetDeviceInterfaceDetailA(set, &interfaceData, nullptr, 0, &required,
                                                  &info)) {
        Record("interface %s size query answered", place);
        return false;
    }
    if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
        Record("interface %s size query error %lu", place, ::GetLastError());
        return false;
    }
    constexpr DWORD fixedPart = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    if (required < fixedPart) {
        Record("interface %s size %lu too small", place, required);
        return false;
    }
    std::vector<std::uint8_t> buffer(required);
    auto* detail = reinterpret_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_A>(buffer.data());
    detail->cbSize = fixedPart;
    if (!System().SetupDiGetDeviceInterfaceDetailA(set, &interfaceData, detail, required, &required,
                                                   &info)) {
        Record("interface %s detail failed error %lu", place, ::GetLastError());
        return false;
    }
    // The path is read only within the buffer: a path that fills it without a terminator is cut.
    buffer.back() = 0;
    const char* path = detail->DevicePath;
    const std::string quoted =
        IsRecording()
            ? RecordQuoted(path,
                           buffer.size() - offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath))
            : std::string();
    for (const char* text : profile.matchTexts) {
        if (!std::strstr(path, text)) continue;
        // Several matches in one pass open several handles and only the last is kept. The one held
        // is closed before the next path is opened: were it still open, its share mode could refuse
        // the next open of the same printer, and a failed open would leave it leaked.
        CloseDeviceHandle();
        deviceHandle_ = System().CreateFileA(
            path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
            FILE_FLAG_OVERLAPPED | FILE_FLAG_SEQUENTIAL_SCAN | FILE_ATTRIBUTE_NORMAL, nullptr);
        const bool opened = deviceHandle_ != INVALID_HANDLE_VALUE;
        if (opened) Record("interface %s path %s opened", place, quoted.c_str());
        if (!opened)
            Record("interface %s path %s not opened error %lu", place, quoted.c_str(),
                   ::GetLastError());
        return opened;
    }
    Record("interface %s path %s not matching", place, quoted.c_str());
    return true;
}

bool SG731DeviceBase::OpenMatchingInterface(const VariantProfile& profile) {
    DeviceInfoList set(System().SetupDiGetClassDevsA(&kUsbPrintInterfaceClass, nullptr, nullptr,
                                                     DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
    if (!set) {
        Record("interfaces failed error %lu", ::GetLastError());
        return false;
    }
    Record("interfaces listed");
    bool result = true;
    SP_DEVINFO_DATA info{};
    info.cbSize = sizeof info;
    for (DWORD member = 0; System().SetupDiEnumDeviceInfo(set.Get(), member, &info); ++member) {
        SP_DEVICE_INTERFACE_DATA interfaceData{};
        interfaceData.cbSize = sizeof interfaceData;
        for (DWORD index = 0; System().SetupDiEnumDeviceInterfaces(
                 set.Get(), &info, &kUsbPrintInterfaceClass, index, &interfaceData);
             ++index) {
            char place[32];
            std::snprintf(place, sizeof place, "%lu.%lu", member, index);
            if (!OpenIfMatching(set.Get(), interfaceData, info, profile, place)) result = false;
        }
    }
    return result;
}

}  // namespace vork
