// The search and the host controller half of the walk.
//
// Controllers are met first by the numbered names \\.\HCD0 to \\.\HCD9, then through the host
// controller interface class in SetupAPI's order. A controller met both ways is walked once: its
// driver key goes into the visited set the first time. Each controller's root hub is walked by the
// hub scan (HubScan.cpp). A controller seen for the first time that names no root hub ends the
// search with the one error the walk raises itself; FindDevices reports it in a warning box.
#include "usb/USBEnumerator.h"

#include <cstring>
#include <exception>
#include <stdexcept>

#include "platform/DeviceClasses.h"
#include "platform/Handles.h"
#include "platform/Platform.h"
#include "usb/UsbQueries.h"

namespace vork {
namespace {

constexpr std::uint16_t kVendorId = 0xE7D2;
constexpr int kNumberedControllers = 10;
constexpr char kNoRootHub[] = "Wasn't able to enumerate the USB Host Controller!";

SeamHandle OpenNode(LPCSTR name) {
    return SeamHandle(System().CreateFileA(name, GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                                           OPEN_EXISTING, 0, nullptr));
}

SeamHandle OpenNode(LPCWSTR path) {
    return SeamHandle(System().CreateFileW(path, GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                                           OPEN_EXISTING, 0, nullptr));
}

}  // namespace

USBEnumerator::USBEnumerator() = default;

USBEnumerator::~USBEnumerator() { ResetResults(); }

void USBEnumerator::ResetResults() noexcept {
    matchCount_ = 0;
    productString_.clear();
    visitedControllers_.clear();
    visitedHubs_.clear();
    configHeader_.reset();
}

std::int32_t USBEnumerator::FindDevices(std::uint16_t productId, std::uint8_t* configHeader,
                                        ByteVector& productString) {
    ResetResults();
    productString.clear();
    if (!configHeader) return 0;
    vendorId_ = kVendorId;
    productId_ = productId;
    try {
        WalkControllers();
        if (!productString_.empty()) productString = productString_;
    } catch (const std::exception& error) {
        ResetResults();
        productString.clear();
        System().MessageBoxA(nullptr, error.what(), "ERROR", MB_ICONWARNING);
        return 0;
    } catch (...) {  // nothing in the walk raises anything else; the promise is kept regardless
        ResetResults();
        productString.clear();
        return 0;
    }
    if (configHeader_) std::memcpy(configHeader, configHeader_.get(), kConfigHeaderSize);
    return matchCount_;
}

void USBEnumerator::WalkControllers() {
    for (int n = 0; n < kNumberedControllers; ++n) {
        char name[16];
        ::wsprintfA(name, "\\\\.\\HCD%d", n);
        if (SeamHandle controller = OpenNode(name)) VisitController(controller.Get());
    }
    DeviceInfoList list(System().SetupDiGetClassDevsW(&kUsbHostControllerInterfaceClass, nullptr,
                                                      nullptr,
                                                      DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
    if (!list) return;
    for (DWORD index = 0;; ++index) {
        SP_DEVICE_INTERFACE_DATA interfaceData{};
        interfaceData.cbSize = sizeof interfaceData;
        if (!System().SetupDiEnumDeviceInterfaces(
                list.Get(), nullptr, &kUsbHostControllerInterfaceClass, index, &interfaceData))
            break;
        VisitListedController(list.Get(), interfaceData);
    }
}

void USBEnumerator::VisitListedController(HDEVINFO list, SP_DEVICE_INTERFACE_DATA& interfaceData) {
    DWORD required = 0;
    System().SetupDiGetDeviceInterfaceDetailW(list, &interfaceData, nullptr, 0, &required, nullptr);
    // A size that cannot even hold the fixed part would have cbSize written past the block.
    if (required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) return;
    // A block that cannot be had passes this controller over, as one whose path does not open.
    GlobalMemory block(::GlobalAlloc(GPTR, required));
    if (!block) return;
    auto* detail = static_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_W>(block.Get());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
    if (!System().SetupDiGetDeviceInterfaceDetailW(list, &interfaceData, detail, required, nullptr,
                                                   nullptr))
        return;
    if (SeamHandle controller = OpenNode(detail->DevicePath)) VisitController(controller.Get());
}

void USBEnumerator::VisitController(HANDLE controller) {
    ByteVector key = QueryControllerKey(controller);
    if (key.empty()) return;
    if (!visitedControllers_.insert(std::move(key)).second) return;
    const ByteVector rootHub = QueryRootHubName(controller);
    if (rootHub.empty()) throw std::runtime_error(kNoRootHub);
    VisitHub(rootHub, 0);
}

}  // namespace vork
