// Finding and opening a printer's USB printer-class interface.
//
// Every present interface of the printer class is examined, device by device and interface by
// interface within a device. An interface is the variant's only when its path's hardware-id field
// (the text after the first '#') names this maker's vendor and one of the variant's product ids,
// "vid_e7d2&pid_0020" and so on, in either case: Windows writes paths in upper case, Wine in lower.
// Digits elsewhere in a path (another maker's product id, a serial number) never count, so an
// office printer on the same PC is never sent a label printer's firmware.
//
// The matching interface is opened for overlapped I/O into the device handle. When a second one
// matches, the pass cannot tell which printer the user meant: the one held is closed, nothing more
// is opened and the result is false, so no caller sends anything. A failure at one interface makes
// the result false but never stops the enumeration; a true result therefore means "nothing
// failed", not "something was opened": callers look at the device handle for that.
//
// The machine record gets the listing and, for each interface ("interface <device>.<index>"), its
// path and whether it was opened, or the step at which its detail could not be read.
#include <cstddef>
#include <cstdio>
#include <string_view>
#include <vector>

#include "device/SG731DeviceBase.h"
#include "device/VariantProfile.h"
#include "platform/DeviceClasses.h"
#include "platform/MachineRecord.h"

namespace vork {
namespace {

constexpr std::uint16_t kVendorId = 0xE7D2;

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    return true;
}

// True when the path's hardware-id field, "\\?\usb#vid_e7d2&pid_0021#serial#{class}", is
// vid_e7d2&pid_NNNN for one of the product ids, alone or followed by more ids ("&mi_00").
bool NamesProduct(std::string_view path, std::span<const std::uint16_t> productIds) {
    const std::size_t start = path.find('#');
    if (start == std::string_view::npos) return false;
    std::string_view field = path.substr(start + 1);
    field = field.substr(0, field.find('#'));
    for (const std::uint16_t product : productIds) {
        char ids[24];
        std::snprintf(ids, sizeof ids, "vid_%04x&pid_%04x", static_cast<unsigned>(kVendorId),
                      static_cast<unsigned>(product));
        const std::string_view wanted(ids);
        if (field.size() < wanted.size() ||
            !SameIgnoringCase(field.substr(0, wanted.size()), wanted))
            continue;
        if (field.size() == wanted.size() || field[wanted.size()] == '&') return true;
    }
    return false;
}

}  // namespace

void SG731DeviceBase::CloseDeviceHandle() {
    if (deviceHandle_ && deviceHandle_ != INVALID_HANDLE_VALUE) System().CloseHandle(deviceHandle_);
    deviceHandle_ = nullptr;
}

bool SG731DeviceBase::OpenIfMatching(HDEVINFO set, SP_DEVICE_INTERFACE_DATA& interfaceData,
                                     SP_DEVINFO_DATA& info, const VariantProfile& profile,
                                     const char* place, int& matches) {
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
    if (!NamesProduct(path, profile.productIds)) {
        Record("interface %s path %s not matching", place, quoted.c_str());
        return true;
    }
    if (++matches > 1) {
        // Two interfaces of the variant: the one held may not be the printer the walk counted.
        CloseDeviceHandle();
        Record("interface %s path %s matching again", place, quoted.c_str());
        return false;
    }
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

bool SG731DeviceBase::OpenMatchingInterface(const VariantProfile& profile) {
    DeviceInfoList set(System().SetupDiGetClassDevsA(&kUsbPrintInterfaceClass, nullptr, nullptr,
                                                     DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
    if (!set) {
        Record("interfaces failed error %lu", ::GetLastError());
        return false;
    }
    Record("interfaces listed");
    // A handle still held from an earlier exchange would be replaced and lost.
    CloseDeviceHandle();
    bool result = true;
    int matches = 0;
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
            if (!OpenIfMatching(set.Get(), interfaceData, info, profile, place, matches))
                result = false;
        }
    }
    return result;
}

}  // namespace vork
