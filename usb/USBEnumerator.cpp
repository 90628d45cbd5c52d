// The search and the host controller half of the walk.
//
// Controllers are met first by the numbered names \\.\HCD0 to \\.\HCD9, then through the host
// controller interface class in SetupAPI's order. A controller met both ways is walked once: its
// driver key goes into the visited set the first time. Each controller's root hub is walked by the
// hub scan (HubScan.cpp). A controller seen for the first time that names no root hub ends the
// search with the one error the walk raises itself; FindDevices reports it in a warning box.
//
// Every search is written to the machine record as it goes: its number and product id, each
// controller tried and what it answered, then the hubs and ports (HubScan.cpp), then its count.
#include "usb/USBEnumerator.h"

#include <atomic>
#include <cstring>
#include <exception>
#include <stdexcept>

#include "platform/DeviceClasses.h"
#include "platform/Handles.h"
#include "platform/MachineRecord.h"
#include "platform/Platform.h"
#include "usb/UsbQueries.h"

namespace vork {
namespace {

constexpr std::uint16_t kVendorId = 0xE7D2;
constexpr int kNumberedControllers = 10;
constexpr char kNoRootHub[] = "Wasn't able to enumerate the USB Host Controller!";

// Searches are numbered across the process, so a record tells them apart (a controller may be gone
// from one search to the next).
std::atomic<int> searchesRecorded{0};

std::string Quoted(const ByteVector& name) {
    return RecordQuoted(reinterpret_cast<const char*>(name.data()), name.size());
}

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
    hubsScanned_ = 0;
    configHeader_.reset();
}

std::int32_t USBEnumerator::FindDevices(std::uint16_t productId, std::uint8_t* configHeader,
                                        ByteVector& productString) {
    ResetResults();
    productString.clear();
    if (!configHeader) return 0;
    vendorId_ = kVendorId;
    productId_ = productId;
    const int search = ++searchesRecorded;
    Record("search %d product 0x%04X", search, productId);
    try {
        WalkControllers();
        if (!productString_.empty()) productString = productString_;
    } catch (const std::exception& error) {
        ResetResults();
        productString.clear();
        if (IsRecording())
            Record("search %d failed %s", search,
                   RecordQuoted(error.what(), std::strlen(error.what())).c_str());
        System().MessageBoxA(nullptr, error.what(), "ERROR", MB_ICONWARNING);
        return 0;
    } catch (...) {  // nothing in the walk raises anything else; the promise is kept regardless
        ResetResults();
        productString.clear();
        Record("search %d failed", search);
        return 0;
    }
    if (configHeader_) std::memcpy(configHeader, configHeader_.get(), kConfigHeaderSize);
    Record("search %d count %d", search, static_cast<int>(matchCount_));
    return matchCount_;
}

void USBEnumerator::WalkControllers() {
    for (int n = 0; n < kNumberedControllers; ++n) {
        char name[16];
        ::wsprintfA(name, "\\\\.\\HCD%d", n);
        SeamHandle controller = OpenNode(name);
        if (!controller) {
            Record("hcd %d not opened error %lu", n, ::GetLastError());
            continue;
        }
        Record("hcd %d opened", n);
        VisitController(controller.Get(), {"hcd", n});
    }
    DeviceInfoList list(System().SetupDiGetClassDevsW(&kUsbHostControllerInterfaceClass, nullptr,
                                                      nullptr,
                                                      DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
    if (!list) {
        Record("listed controllers failed error %lu", ::GetLastError());
        return;
    }
    Record("listed controllers");
    for (DWORD index = 0;; ++index) {
        SP_DEVICE_INTERFACE_DATA interfaceData{};
        interfaceData.cbSize = sizeof interfaceData;
        if (!System().SetupDiEnumDeviceInterfaces(
                list.Get(), nullptr, &kUsbHostControllerInterfaceClass, index, &interfaceData))
            break;
        VisitListedController(list.Get(), interfaceData, static_cast<int>(index));
    }
}

void USBEnumerator::VisitListedController(HDEVINFO list, SP_DEVICE_INTERFACE_DATA& interfaceData,
                                          int index) {
    DWORD required = 0;
    System().SetupDiGetDeviceInterfaceDetailW(list, &interfaceData, nullptr, 0, &required, nullptr);
    // A size that cannot even hold the fixed part would have cbSize written past the block.
    // A block that cannot be had passes this controller over, as one whose path does not open.
    GlobalMemory block(required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)
                           ? nullptr
                           : ::GlobalAlloc(GPTR, required));
    auto* detail = static_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_W>(block.Get());
    if (detail) detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
    if (!detail || !System().SetupDiGetDeviceInterfaceDetailW(list, &interfaceData, detail,
                                                              required, nullptr, nullptr)) {
        Record("listed %d detail failed error %lu", index, ::GetLastError());
        return;
    }
    SeamHandle controller = OpenNode(detail->DevicePath);
    if (IsRecording()) {
        // The block is zero-filled and at least the fixed part, so the path ends within it.
        char path[kLongestRecordLine / 2] = {};
        ::WideCharToMultiByte(CP_ACP, 0, detail->DevicePath, -1, path, sizeof path - 1, nullptr,
                              nullptr);
        const std::string quoted = RecordQuoted(path, sizeof path);
        if (controller) Record("listed %d path %s opened", index, quoted.c_str());
        if (!controller)
            Record("listed %d path %s not opened error %lu", index, quoted.c_str(),
                   ::GetLastError());
    }
    if (controller) VisitController(controller.Get(), {"listed", index});
}

void USBEnumerator::VisitController(HANDLE controller, ControllerLabel label) {
    ByteVector key = QueryControllerKey(controller);
    if (key.empty()) {
        Record("%s %d key none", label.kind, label.index);
        return;
    }
    if (IsRecording()) Record("%s %d key %s", label.kind, label.index, Quoted(key).c_str());
    if (!visitedControllers_.insert(std::move(key)).second) {
        Record("%s %d walked before", label.kind, label.index);
        return;
    }
    const ByteVector rootHub = QueryRootHubName(controller);
    if (rootHub.empty()) {
        Record("%s %d root hub none", label.kind, label.index);
        throw std::runtime_error(kNoRootHub);
    }
    if (IsRecording())
        Record("%s %d root hub %s", label.kind, label.index, Quoted(rootHub).c_str());
    VisitHub(rootHub, 0);
}

}  // namespace vork
