// Name queries and descriptor fetches through a host controller or a hub.
//
// Names take two requests: a small fixed record whose ActualLength tells the size the whole record
// needs, then a record of that size that holds the UTF-16 name. A driver's lengths are not trusted:
// the name is read only from the bytes the second request returned, and it ends at its NUL or at
// the end of those bytes, whichever comes first.
//
// Descriptors are fetched with USB_DESCRIPTOR_REQUEST: a 12-byte header naming port, descriptor
// type and index, language and wanted length, followed by the data area the device fills.
#include "usb/UsbQueries.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "platform/Platform.h"

namespace vork {
namespace {

// How one of the four name queries differs from the others.
struct NameQuery {
    DWORD code;
    DWORD fixedSize;     // the first request's record
    DWORD lengthOffset;  // where ActualLength sits
    DWORD nameOffset;    // where the UTF-16 name starts
    bool indexed;        // the record carries a ConnectionIndex, sent as input
    bool sendsInput;
    DWORD minimumLength;  // ActualLength must be larger than this; 0: no bound
};

constexpr NameQuery kRootHubName{IOCTL_USB_GET_ROOT_HUB_NAME,
                                 sizeof(USB_ROOT_HUB_NAME),
                                 offsetof(USB_ROOT_HUB_NAME, ActualLength),
                                 offsetof(USB_ROOT_HUB_NAME, RootHubName),
                                 false,
                                 false,
                                 0};
constexpr NameQuery kControllerKey{IOCTL_GET_HCD_DRIVERKEY_NAME,
                                   sizeof(USB_HCD_DRIVERKEY_NAME),
                                   offsetof(USB_HCD_DRIVERKEY_NAME, ActualLength),
                                   offsetof(USB_HCD_DRIVERKEY_NAME, DriverKeyName),
                                   false,
                                   true,
                                   sizeof(USB_HCD_DRIVERKEY_NAME)};
constexpr NameQuery kPortDriverKey{IOCTL_USB_GET_NODE_CONNECTION_DRIVERKEY_NAME,
                                   sizeof(USB_NODE_CONNECTION_DRIVERKEY_NAME),
                                   offsetof(USB_NODE_CONNECTION_DRIVERKEY_NAME, ActualLength),
                                   offsetof(USB_NODE_CONNECTION_DRIVERKEY_NAME, DriverKeyName),
                                   true,
                                   true,
                                   sizeof(USB_NODE_CONNECTION_DRIVERKEY_NAME)};
constexpr NameQuery kPortHubName{IOCTL_USB_GET_NODE_CONNECTION_NAME,
                                 sizeof(USB_NODE_CONNECTION_NAME),
                                 offsetof(USB_NODE_CONNECTION_NAME, ActualLength),
                                 offsetof(USB_NODE_CONNECTION_NAME, NodeName),
                                 true,
                                 true,
                                 sizeof(USB_NODE_CONNECTION_NAME)};

constexpr std::size_t kLargestFixedRecord = 16;
// No name record a driver can honestly need is larger: a device path is at most 32,767 UTF-16
// units. A larger claimed length is a driver fault, answered with no name rather than an
// allocation of up to 4 GiB.
constexpr ULONG kLargestNameRecord = ULONG{32 * 1024} * sizeof(WCHAR);
static_assert(sizeof(USB_NODE_CONNECTION_DRIVERKEY_NAME) <= kLargestFixedRecord);
static_assert(sizeof(USB_NODE_CONNECTION_NAME) <= kLargestFixedRecord);

BOOL Ask(HANDLE device, DWORD code, void* record, DWORD size, bool sendsInput, DWORD& returned) {
    returned = 0;
    return System().DeviceIoControl(device, code, sendsInput ? record : nullptr,
                                    sendsInput ? size : 0, record, size, &returned, nullptr);
}

// The name as 8-bit text with its NUL, from `units` UTF-16 code units that may lack a NUL.
ByteVector Narrow(const WCHAR* name, std::size_t units) {
    const std::size_t length = std::find(name, name + units, L'\0') - name;
    if (length == 0) return ByteVector(1, 0);
    const int wide = static_cast<int>(length);
    const int size = ::WideCharToMultiByte(CP_ACP, 0, name, wide, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return {};
    ByteVector result(static_cast<std::size_t>(size) + 1, 0);
    if (::WideCharToMultiByte(CP_ACP, 0, name, wide, reinterpret_cast<LPSTR>(result.data()), size,
                              nullptr, nullptr) != size)
        return {};
    return result;
}

ByteVector QueryName(HANDLE device, const NameQuery& query, ULONG port) {
    std::array<std::uint8_t, kLargestFixedRecord> fixed{};
    if (query.indexed) std::memcpy(fixed.data(), &port, sizeof port);
    DWORD returned = 0;
    if (!Ask(device, query.code, fixed.data(), query.fixedSize, query.sendsInput, returned))
        return {};
    if (returned < query.lengthOffset + sizeof(ULONG)) return {};
    ULONG actualLength = 0;
    std::memcpy(&actualLength, fixed.data() + query.lengthOffset, sizeof actualLength);
    if (query.minimumLength != 0 && actualLength <= query.minimumLength) return {};
    if (actualLength > kLargestNameRecord) return {};

    // Not zero-filled: a driver may claim a huge record, and only the bytes it returns are read.
    ByteBuffer record = ByteBuffer::Allocate(actualLength);
    if (!record) return {};
    if (query.indexed && actualLength >= sizeof port)
        std::memcpy(record.Data(), &port, sizeof port);
    if (!Ask(device, query.code, record.Data(), actualLength, query.sendsInput, returned))
        return {};
    const DWORD answered = std::min<DWORD>(returned, actualLength);
    if (answered <= query.nameOffset) return {};  // a reply without name bytes names nothing
    return Narrow(reinterpret_cast<const WCHAR*>(record.Data() + query.nameOffset),
                  (answered - query.nameOffset) / sizeof(WCHAR));
}

void SetRequest(std::uint8_t* request, ULONG port, std::uint16_t value, std::uint16_t index,
                std::uint16_t length) noexcept {
    USB_DESCRIPTOR_REQUEST header{};
    header.ConnectionIndex = port;
    header.SetupPacket.wValue = value;
    header.SetupPacket.wIndex = index;
    header.SetupPacket.wLength = length;
    std::memcpy(request, &header, kDescriptorRequestHeaderSize);
}

std::uint16_t TotalLength(const std::uint8_t* request) noexcept {
    std::uint16_t total = 0;
    std::memcpy(&total,
                request + kDescriptorRequestHeaderSize +
                    offsetof(USB_CONFIGURATION_DESCRIPTOR, wTotalLength),
                sizeof total);
    return total;
}

constexpr std::uint16_t kConfigurationIndex0 = kConfigurationDescriptorType << 8;
constexpr std::uint16_t kMaxStringLength = 255;

}  // namespace

ByteVector QueryRootHubName(HANDLE controller) { return QueryName(controller, kRootHubName, 0); }
ByteVector QueryControllerKey(HANDLE controller) {
    return QueryName(controller, kControllerKey, 0);
}
ByteVector QueryPortDriverKey(HANDLE hub, ULONG port) {
    return QueryName(hub, kPortDriverKey, port);
}
ByteVector QueryPortHubName(HANDLE hub, ULONG port) { return QueryName(hub, kPortHubName, port); }

ByteBuffer FetchConfiguration(HANDLE hub, ULONG port) noexcept {
    constexpr DWORD kFirstSize = kDescriptorRequestHeaderSize + kConfigHeaderSize;
    std::array<std::uint8_t, kFirstSize> first{};
    SetRequest(first.data(), port, kConfigurationIndex0, 0, kConfigHeaderSize);
    DWORD returned = 0;
    if (!System().DeviceIoControl(hub, IOCTL_USB_GET_DESCRIPTOR_FROM_NODE_CONNECTION, first.data(),
                                  kFirstSize, first.data(), kFirstSize, &returned, nullptr) ||
        returned != kFirstSize)
        return {};
    const std::uint16_t total = TotalLength(first.data());
    if (total < kConfigHeaderSize) return {};

    const DWORD size = kDescriptorRequestHeaderSize + total;
    ByteBuffer whole = ByteBuffer::Zeroed(size);
    if (!whole) return {};
    SetRequest(whole.Data(), port, kConfigurationIndex0, 0, total);
    if (!System().DeviceIoControl(hub, IOCTL_USB_GET_DESCRIPTOR_FROM_NODE_CONNECTION, whole.Data(),
                                  size, whole.Data(), size, &returned, nullptr) ||
        returned != size || TotalLength(whole.Data()) != total)
        return {};
    return whole;
}

ByteBuffer FetchStringDescriptor(HANDLE hub, ULONG port, std::uint8_t index,
                                 std::uint16_t languageId) noexcept {
    constexpr DWORD kSize = kDescriptorRequestHeaderSize + kMaxStringLength;
    std::array<std::uint8_t, kSize> request{};
    SetRequest(request.data(), port, static_cast<std::uint16_t>(kStringDescriptorType << 8 | index),
               languageId, kMaxStringLength);
    DWORD returned = 0;
    if (!System().DeviceIoControl(hub, IOCTL_USB_GET_DESCRIPTOR_FROM_NODE_CONNECTION,
                                  request.data(), kSize, request.data(), kSize, &returned, nullptr))
        return {};
    // A returned count beyond the request cannot match bLength (at most 255), so the copy below
    // never reads outside the request.
    if (returned < kDescriptorRequestHeaderSize + 2) return {};
    const std::uint8_t* descriptor = request.data() + kDescriptorRequestHeaderSize;
    const std::uint8_t length = descriptor[0];
    if (descriptor[1] != kStringDescriptorType ||
        length != returned - kDescriptorRequestHeaderSize || length % 2 != 0)
        return {};
    ByteBuffer copy = ByteBuffer::Allocate(length);
    if (!copy) return {};
    std::memcpy(copy.Data(), descriptor, length);
    return copy;
}

ByteBuffer FetchProductString(HANDLE hub, ULONG port,
                              const USB_DEVICE_DESCRIPTOR& device) noexcept {
    std::uint16_t language = 0;
    {
        const ByteBuffer languages = FetchStringDescriptor(hub, port, 0, 0);
        // A list of bLength 2 names no language, and a string request needs one.
        if (languages.Size() < 4) return {};
        std::memcpy(&language, languages.Data() + 2, sizeof language);
    }
    if (device.iProduct == 0) return {};
    return FetchStringDescriptor(hub, port, device.iProduct, language);
}

}  // namespace vork
