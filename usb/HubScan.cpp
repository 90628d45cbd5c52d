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
//
// The machine record gets a line for each hub (numbered in the order this search scans them) and
// for each port what the hub answered about it: "port <hub>.<port> ...".
#include <algorithm>
#include <array>
#include <cstring>

#include "platform/Handles.h"
#include "platform/MachineRecord.h"
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

std::string Quoted(const ByteVector& name) {
    return RecordQuoted(reinterpret_cast<const char*>(name.data()), name.size());
}

const char* NodeLookupText(NodeLookup outcome) {
    switch (outcome) {
        case NodeLookup::kFound: return "found";
        case NodeLookup::kFoundWithoutDescription: return "without description";
        case NodeLookup::kNotFound: return "not found";
        case NodeLookup::kNoTree: return "no tree";
    }
    return "?";
}

}  // namespace

void USBEnumerator::VisitHub(const ByteVector& hubName, int depth) {
    const bool recording = IsRecording();
    const std::string quoted = recording ? Quoted(hubName) : std::string();
    if (depth > kDeepestHub) return Record("hub %s too deep", quoted.c_str());
    if (!visitedHubs_.insert(hubName).second) return Record("hub %s walked before", quoted.c_str());
    const auto end = std::find(hubName.begin(), hubName.end(), 0);
    const std::size_t length = static_cast<std::size_t>(end - hubName.begin());
    // would not fit the path: passed over
    if (length > kMaxHubNameLength) return Record("hub %s name too long", quoted.c_str());
    std::array<char, kHubPathSize> path{};
    std::memcpy(path.data(), kHubPathPrefix, sizeof kHubPathPrefix - 1);
    std::copy(hubName.begin(), end, path.begin() + (sizeof kHubPathPrefix - 1));

    SeamHandle hub(System().CreateFileA(path.data(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, 0, nullptr));
    if (!hub) return Record("hub %s not opened error %lu", quoted.c_str(), ::GetLastError());
    ByteBuffer node = ByteBuffer::Zeroed(kNodeRecordSize);
    if (!node) return Record("hub %s no memory", quoted.c_str());
    DWORD returned = 0;
    if (!System().DeviceIoControl(hub.Get(), IOCTL_USB_GET_NODE_INFORMATION, node.Data(),
                                  kNodeRecordSize, node.Data(), kNodeRecordSize, &returned,
                                  nullptr))
        return Record("hub %s no node information error %lu", quoted.c_str(), ::GetLastError());
    const int number = ++hubsScanned_;
    const std::uint8_t portCount = node.Data()[kPortCountOffset];
    Record("hub %d %s ports %u", number, quoted.c_str(), static_cast<unsigned>(portCount));
    ScanHubPorts(hub.Get(), portCount, depth, number);
}

void USBEnumerator::ScanHubPorts(HANDLE hub, std::uint8_t portCount, int depth, int hubNumber) {
    ByteVector keptDescription;
    for (ULONG port = 1; port <= portCount; ++port)
        if (!ExaminePort(hub, {hubNumber, port}, depth, keptDescription)) return;
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

bool USBEnumerator::ExaminePort(HANDLE hub, PortPlace place, int depth,
                                ByteVector& keptDescription) {
    const ULONG port = place.port;
    ByteBuffer buffer = ByteBuffer::Zeroed(kConnectionRecordSize);
    if (!buffer) return false;
    bool answered = false;
    if (!ReadConnection(hub, port, buffer.Data(), answered)) return false;
    if (!answered) {
        Record("port %d.%lu unanswered", place.hub, port);
        return true;
    }
    USB_NODE_CONNECTION_INFORMATION_EX record;
    std::memcpy(&record, buffer.Data(), sizeof record);
    Record("port %d.%lu status %d vid 0x%04X pid 0x%04X hub %u", place.hub, port,
           static_cast<int>(record.ConnectionStatus), record.DeviceDescriptor.idVendor,
           record.DeviceDescriptor.idProduct, static_cast<unsigned>(record.DeviceIsHub));

    if (record.DeviceDescriptor.idVendor == vendorId_ &&
        record.DeviceDescriptor.idProduct == productId_) {
        if (record.ConnectionStatus != NoDeviceConnected) CountMatch(hub, place, keptDescription);
        if (!keptDescription.empty() && matchCount_ == 1 &&
            record.ConnectionStatus == DeviceConnected)
            Capture(hub, place, record.DeviceDescriptor);
    }
    if (record.DeviceIsHub) {
        const ByteVector hubName = QueryPortHubName(hub, port);
        if (hubName.empty()) Record("port %d.%lu hub name none", place.hub, port);
        if (!hubName.empty() && IsRecording())
            Record("port %d.%lu hub name %s", place.hub, port, Quoted(hubName).c_str());
        if (!hubName.empty()) VisitHub(hubName, depth + 1);
    }
    return true;
}

void USBEnumerator::CountMatch(HANDLE hub, PortPlace place, ByteVector& keptDescription) {
    const ByteVector key = QueryPortDriverKey(hub, place.port);
    Record("port %d.%lu driver key %s", place.hub, place.port, key.empty() ? "none" : "found");
    if (key.empty()) return;
    NodeLookup lookup = NodeLookup::kNotFound;
    keptDescription = LookupDeviceDescription(reinterpret_cast<const char*>(key.data()), &lookup);
    Record("port %d.%lu node %s", place.hub, place.port, NodeLookupText(lookup));
    ++matchCount_;
}

void USBEnumerator::Capture(HANDLE hub, PortPlace place, const USB_DEVICE_DESCRIPTOR& device) {
    const ULONG port = place.port;
    const ByteBuffer configuration = FetchConfiguration(hub, port);
    if (!configuration) return Record("port %d.%lu configuration none", place.hub, port);
    std::unique_ptr<std::uint8_t[]> header(new (std::nothrow) std::uint8_t[kConfigHeaderSize]);
    // like an unreadable configuration: nothing captured at this port
    if (!header) return Record("port %d.%lu configuration none", place.hub, port);
    std::memcpy(header.get(), configuration.Data() + kDescriptorRequestHeaderSize,
                kConfigHeaderSize);
    configHeader_ = std::move(header);
    if (IsRecording())
        Record("port %d.%lu configuration %s", place.hub, port,
               RecordHex(configHeader_.get(), kConfigHeaderSize).c_str());

    productString_.clear();
    const ByteBuffer product = FetchProductString(hub, port, device);
    if (!product) return Record("port %d.%lu product none", place.hub, port);
    const int units = static_cast<int>((product.Size() - 2) / sizeof(WCHAR));
    // One byte per code unit and no more: a character the code page writes in several bytes is
    // cut rather than written past the string.
    productString_.assign(static_cast<std::size_t>(units), 0);
    if (units > 0)
        ::WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<LPCWSTR>(product.Data() + 2), units,
                              reinterpret_cast<LPSTR>(productString_.data()), units, nullptr,
                              nullptr);
    productString_.push_back(0);
    if (IsRecording())
        Record("port %d.%lu product %s", place.hub, port,
               RecordQuoted(reinterpret_cast<const char*>(productString_.data()),
                            productString_.size())
                   .c_str());
}

}  // namespace vork
