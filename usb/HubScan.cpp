// The hub half of the walk: open a hub, read its port count, and examine its ports in ascending
// order from 1.
//
// For each port the connection record is read (the extended query, else the older one moved into
// the extended layout). A port whose device has the searched vendor and product id and is attached
// in some state is counted when the hub names its driver key; the device-node lookup for that key
// leaves `keptDescription`, which lives for the whole scan of this hub. The port that brings the
// count to exactly 1 is captured when it is DeviceConnected and a description was kept: its
// configuration header and product string. Whatever the match, a port that holds a hub is
// descended into at once, so an external hub is walked completely before the next port.
//
// The walk ends on any tree a driver can report. A hub is walked at most once per search, told by
// its name as controllers are told by their driver key, so a port that names an ancestor (a driver
// fault) leads nowhere and a hub met twice counts the printers behind it once. Descent stops where
// USB itself stops: at most five external hubs lie between a root hub and a device, so a hub deeper
// than that is passed over.
#include <algorithm>
#include <array>
#include <cstring>

#include "platform/Handles.h"
#include "platform/Platform.h"
#include "usb/ByteBuffer.h"
#include "usb/DeviceNodeLookup.h"
#include "usb/USBEnumerator.h"
#include "usb/UsbQueries.h"

namespace vork {
namespace {

// The longest hub name that fits the path buffer after the "\\.\" prefix.
constexpr std::size_t kHubPathSize = 520;
constexpr std::size_t kMaxHubNameLength = 259;
constexpr char kHubPathPrefix[] = "\\\\.\\";
// Seven tiers: the root hub, at most five external hubs, the device.
constexpr int kDeepestHub = 5;

}  // namespace

void USBEnumerator::VisitHub(const ByteVector& hubName, int depth) {
    if (depth > kDeepestHub) return;
    if (!visitedHubs_.insert(hubName).second) return;
    const auto end = std::find(hubName.begin(), hubName.end(), 0);
    const std::size_t length = static_cast<std::size_t>(end - hubName.begin());
    if (length > kMaxHubNameLength) return;  // would not fit the path: passed over
    std::array<char, kHubPathSize> path{};
    std::memcpy(path.data(), kHubPathPrefix, sizeof kHubPathPrefix - 1);
    std::copy(hubName.begin(), end, path.begin() + (sizeof kHubPathPrefix - 1));

    SeamHandle hub(System().CreateFileA(path.data(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, 0, nullptr));
    if (!hub) return;
    ByteBuffer node = ByteBuffer::Zeroed(kNodeRecordSize);
    if (!node) return;
    DWORD returned = 0;
    if (System().DeviceIoControl(hub.Get(), IOCTL_USB_GET_NODE_INFORMATION, node.Data(),
                                 kNodeRecordSize, node.Data(), kNodeRecordSize, &returned, nullptr))
        ScanHubPorts(hub.Get(), node.Data()[kPortCountOffset], depth);
}

void USBEnumerator::ScanHubPorts(HANDLE hub, std::uint8_t portCount, int depth) {
    ByteVector keptDescription;
    for (ULONG port = 1; port <= portCount; ++port)
        if (!ExaminePort(hub, port, depth, keptDescription)) return;
}

// Reads the port's connection record into `record` (extended layout). answered: whether either
// query gave one; false return: a record could not be allocated.
bool USBEnumerator::ReadConnection(HANDLE hub, ULONG port, std::uint8_t* record, bool& answered) {
    DWORD returned = 0;
    std::memcpy(record, &port, sizeof port);
    answered = System().DeviceIoControl(hub, IOCTL_USB_GET_NODE_CONNECTION_INFORMATION_EX, record,
                                        kConnectionRecordSize, record, kConnectionRecordSize,
                                        &returned, nullptr);
    if (answered) return true;
    ByteBuffer legacy = ByteBuffer::Zeroed(kConnectionRecordSize);
    if (!legacy) return false;
    std::memcpy(legacy.Data(), &port, sizeof port);
    answered = System().DeviceIoControl(hub, IOCTL_USB_GET_NODE_CONNECTION_INFORMATION,
                                        legacy.Data(), kConnectionRecordSize, legacy.Data(),
                                        kConnectionRecordSize, &returned, nullptr);
    if (answered) MoveIntoExtendedLayout(legacy.Data(), record);
    return true;
}

bool USBEnumerator::ExaminePort(HANDLE hub, ULONG port, int depth, ByteVector& keptDescription) {
    ByteBuffer buffer = ByteBuffer::Zeroed(kConnectionRecordSize);
    if (!buffer) return false;
    bool answered = false;
    if (!ReadConnection(hub, port, buffer.Data(), answered)) return false;
    if (!answered) return true;
    USB_NODE_CONNECTION_INFORMATION_EX record;
    std::memcpy(&record, buffer.Data(), sizeof record);

    if (record.DeviceDescriptor.idVendor == vendorId_ &&
        record.DeviceDescriptor.idProduct == productId_) {
        if (record.ConnectionStatus != NoDeviceConnected) {
            const ByteVector key = QueryPortDriverKey(hub, port);
            if (!key.empty()) {
                keptDescription =
                    LookupDeviceDescription(reinterpret_cast<const char*>(key.data()));
                ++matchCount_;
            }
        }
        if (!keptDescription.empty() && matchCount_ == 1 &&
            record.ConnectionStatus == DeviceConnected)
            Capture(hub, port, record.DeviceDescriptor);
    }
    if (record.DeviceIsHub) {
        const ByteVector hubName = QueryPortHubName(hub, port);
        if (!hubName.empty()) VisitHub(hubName, depth + 1);
    }
    return true;
}

void USBEnumerator::Capture(HANDLE hub, ULONG port, const USB_DEVICE_DESCRIPTOR& device) {
    const ByteBuffer configuration = FetchConfiguration(hub, port);
    if (!configuration) return;
    std::unique_ptr<std::uint8_t[]> header(new (std::nothrow) std::uint8_t[kConfigHeaderSize]);
    if (!header) return;  // like an unreadable configuration: nothing captured at this port
    std::memcpy(header.get(), configuration.Data() + kDescriptorRequestHeaderSize,
                kConfigHeaderSize);
    configHeader_ = std::move(header);

    productString_.clear();
    const ByteBuffer product = FetchProductString(hub, port, device);
    if (!product) return;
    const int units = static_cast<int>((product.Size() - 2) / sizeof(WCHAR));
    // One byte per code unit and no more: a character the code page writes in several bytes is
    // cut rather than written past the string.
    productString_.assign(static_cast<std::size_t>(units), 0);
    if (units > 0)
        ::WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<LPCWSTR>(product.Data() + 2), units,
                              reinterpret_cast<LPSTR>(productString_.data()), units, nullptr,
                              nullptr);
    productString_.push_back(0);
}

}  // namespace vork
