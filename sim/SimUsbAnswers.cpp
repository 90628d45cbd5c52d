// The simulated host controller and hub drivers' answers, byte for byte.
//
// Names follow the drivers' two-request protocol: whatever the output size, the record gets its
// ActualLength (the size the whole record needs, or the fault's lie) and as much of the name as
// fits, and the byte count is what was written. Descriptor requests echo their 12-byte header and
// return at most wLength descriptor bytes, as a device does.
#include "sim/SimUsbAnswers.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "sim/SimPrinter.h"

namespace vork::sim {
namespace {

constexpr DWORD kRequestHeader = sizeof(USB_DESCRIPTOR_REQUEST);
constexpr DWORD kConnectionFixed = sizeof(USB_NODE_CONNECTION_INFORMATION_EX);

std::vector<std::uint8_t> Utf16(const std::string& text, bool terminated) {
    std::vector<std::uint8_t> bytes;
    for (unsigned char c : text) {
        bytes.push_back(c);
        bytes.push_back(0);
    }
    if (terminated) bytes.insert(bytes.end(), {0, 0});
    return bytes;
}

USB_DEVICE_DESCRIPTOR DeviceDescriptor(const UsbDeviceSpec& device, bool isHub) {
    USB_DEVICE_DESCRIPTOR d{};
    d.bLength = sizeof d;
    d.bDescriptorType = USB_DEVICE_DESCRIPTOR_TYPE;
    d.bcdUSB = 0x0200;
    d.bDeviceClass = isHub ? 9 : 0;
    d.bMaxPacketSize0 = 64;
    d.idVendor = device.vendor;
    d.idProduct = device.product;
    d.bcdDevice = 0x0100;
    d.iManufacturer = 1;
    d.iProduct = device.iProduct;
    d.bNumConfigurations = 1;
    return d;
}

std::vector<std::uint8_t> ConfigurationSet(const UsbDeviceSpec& device) {
    const std::uint8_t total[2] = {static_cast<std::uint8_t>(device.totalLength),
                                   static_cast<std::uint8_t>(device.totalLength >> 8)};
    std::vector<std::uint8_t> set = {9,
                                     2,
                                     total[0],
                                     total[1],
                                     1,
                                     1,
                                     0,
                                     device.attributes,
                                     device.maxPower,  // configuration
                                     9,
                                     4,
                                     0,
                                     0,
                                     2,
                                     7,
                                     1,
                                     2,
                                     0,  // printer interface
                                     7,
                                     5,
                                     0x01,
                                     2,
                                     64,
                                     0,
                                     0,  // bulk out
                                     7,
                                     5,
                                     0x82,
                                     2,
                                     64,
                                     0,
                                     0};  // bulk in
    if (device.configHeader)
        std::copy(device.configHeader->begin(), device.configHeader->end(), set.begin());
    set.resize(std::max<std::size_t>(device.totalLength, 9), 0);
    return set;
}

std::vector<std::uint8_t> StringDescriptor(const std::vector<std::uint16_t>& units) {
    const std::size_t count = std::min<std::size_t>(units.size(), 126);
    std::vector<std::uint8_t> d = {static_cast<std::uint8_t>(2 + 2 * count),
                                   USB_STRING_DESCRIPTOR_TYPE};
    for (std::size_t i = 0; i < count; ++i) {
        d.push_back(static_cast<std::uint8_t>(units[i]));
        d.push_back(static_cast<std::uint8_t>(units[i] >> 8));
    }
    return d;
}

void Put(std::vector<std::uint8_t>& bytes, std::size_t at, const void* what, std::size_t size) {
    std::memcpy(bytes.data() + at, what, size);
}

void ApplyStringFault(std::vector<std::uint8_t>& d, const DescriptorFault& fault) {
    if (fault.bLength) d[0] = *fault.bLength;
    if (fault.type) d[1] = *fault.type;
}

}  // namespace

const std::string& DriverKeyOf(UsbDeviceSpec& device) {
    if (!device.driverKey) device.driverKey = GeneratedDriverKey();
    return *device.driverKey;
}

UsbDeviceSpec* PresentDevice(UsbPort& port) {
    if (!port.device || (port.device->printer && port.device->printer->unplugged)) return nullptr;
    return &*port.device;
}

UsbPort* PortOf(UsbHub& hub, ULONG index) {
    if (index < 1 || index > hub.ports.size()) return nullptr;
    return &hub.ports[index - 1];
}

UsbAnswer AnswerName(const std::string& name, const NameFault& fault, const NameLayout& layout,
                     const void* in, DWORD inSize, void* out, DWORD outSize) {
    const bool sizeRequest = outSize == layout.fixedSize;
    if (sizeRequest ? fault.failSizeRequest : fault.failNameRequest)
        return UsbAnswer::Error(ERROR_GEN_FAILURE);
    if (!out || outSize < layout.fixedSize) return UsbAnswer::Error(ERROR_INSUFFICIENT_BUFFER);
    const std::vector<std::uint8_t> text = Utf16(name, !fault.noTerminator);
    std::vector<std::uint8_t> record(
        std::max<std::size_t>(layout.nameOffset + text.size(), layout.fixedSize), 0);
    if (in && layout.lengthOffset > 0) {
        if (inSize < layout.lengthOffset) return UsbAnswer::Error(ERROR_INVALID_PARAMETER);
        Put(record, 0, in, layout.lengthOffset);  // the ConnectionIndex goes back as it came
    }
    const ULONG actual =
        fault.actualLength.value_or(static_cast<ULONG>(layout.nameOffset + text.size()));
    Put(record, layout.lengthOffset, &actual, sizeof actual);
    std::copy(text.begin(), text.end(), record.begin() + layout.nameOffset);
    DWORD count = std::min<DWORD>(outSize, static_cast<DWORD>(record.size()));
    if (!sizeRequest && fault.returnedBytes) count = std::min(count, *fault.returnedBytes);
    std::memcpy(out, record.data(), count);
    return UsbAnswer::Bytes(count);
}

UsbAnswer AnswerConnection(UsbHub& hub, bool extended, const void* in, DWORD inSize, void* out,
                           DWORD outSize) {
    if (!in || inSize < sizeof(ULONG)) return UsbAnswer::Error(ERROR_INVALID_PARAMETER);
    if (!out || outSize < kConnectionFixed) return UsbAnswer::Error(ERROR_INSUFFICIENT_BUFFER);
    ULONG index = 0;
    std::memcpy(&index, in, sizeof index);
    UsbPort* port = PortOf(hub, index);
    if (!port) return UsbAnswer::Error(ERROR_INVALID_PARAMETER);
    if (extended ? port->failExtended : port->failLegacy)
        return UsbAnswer::Error(ERROR_INVALID_FUNCTION);

    USB_NODE_CONNECTION_INFORMATION_EX record{};
    record.ConnectionIndex = index;
    record.ConnectionStatus = NoDeviceConnected;
    std::uint8_t pipes = 0;
    if (const UsbDeviceSpec* device = PresentDevice(*port)) {
        record.ConnectionStatus = static_cast<USB_CONNECTION_STATUS>(device->status);
        // Of a device that failed to enumerate, the hub driver knows only that it is there.
        if (!FailedEnumeration(device->status)) {
            const bool isHub =
                port->reportsHub.value_or(port->hub != nullptr || !port->hubLink.empty());
            record.DeviceDescriptor = DeviceDescriptor(*device, isHub);
            record.CurrentConfigurationValue = 1;
            record.Speed = extended ? device->speed : static_cast<UCHAR>(device->lowSpeed);
            record.DeviceIsHub = isHub;
            record.DeviceAddress = static_cast<USHORT>(index + 1);
            pipes = device->openPipes;
            record.NumberOfOpenPipes = pipes;
        }
    }
    const DWORD room = (outSize - kConnectionFixed) / sizeof(USB_PIPE_INFO);
    const DWORD written = std::min<DWORD>(pipes, room);
    std::vector<std::uint8_t> bytes(kConnectionFixed + written * sizeof(USB_PIPE_INFO));
    Put(bytes, 0, &record, sizeof record);
    for (DWORD i = 0; i < written; ++i) {
        USB_PIPE_INFO pipe{};
        pipe.EndpointDescriptor.bLength = sizeof pipe.EndpointDescriptor;
        pipe.EndpointDescriptor.bDescriptorType = USB_ENDPOINT_DESCRIPTOR_TYPE;
        pipe.EndpointDescriptor.bEndpointAddress =
            static_cast<UCHAR>(i % 2 ? 0x80 | (i + 1) : i + 1);
        pipe.EndpointDescriptor.bmAttributes = 2;
        pipe.EndpointDescriptor.wMaxPacketSize = 64;
        pipe.ScheduleOffset = 0x100 + i;
        Put(bytes, kConnectionFixed + i * sizeof pipe, &pipe, sizeof pipe);
    }
    std::memcpy(out, bytes.data(), bytes.size());
    return UsbAnswer::Bytes(static_cast<DWORD>(bytes.size()));
}

UsbAnswer AnswerNodeInformation(const UsbHub& hub, DWORD inSize, void* out, DWORD outSize) {
    if (hub.nodeInformationFails) return UsbAnswer::Error(ERROR_GEN_FAILURE);
    if (!out || inSize < sizeof(USB_NODE_INFORMATION) || outSize < sizeof(USB_NODE_INFORMATION))
        return UsbAnswer::Error(ERROR_INSUFFICIENT_BUFFER);
    USB_NODE_INFORMATION node{};
    node.NodeType = ::UsbHub;  // the enumerator, not the model's hub
    USB_HUB_DESCRIPTOR& d = node.u.HubInformation.HubDescriptor;
    d.bDescriptorLength = 9;
    d.bDescriptorType = 0x29;
    d.bNumberOfPorts =
        static_cast<UCHAR>(hub.reportedPorts.value_or(static_cast<int>(hub.ports.size())));
    d.bPowerOnToPowerGood = 50;
    std::memcpy(out, &node, sizeof node);
    return UsbAnswer::Bytes(sizeof node);
}

namespace {

// The descriptor a request asks the device for, and how many of its bytes a fault lets through;
// false when the device answers with an error.
bool DescriptorFor(const UsbDeviceSpec& device, const USB_DESCRIPTOR_REQUEST& request,
                   DWORD outSize, std::vector<std::uint8_t>& descriptor,
                   std::optional<DWORD>& returnedBytes) {
    const int type = request.SetupPacket.wValue >> 8;
    const int index = request.SetupPacket.wValue & 0xFF;
    if (type == USB_CONFIGURATION_DESCRIPTOR_TYPE && index == 0) {
        const ConfigFault& fault = device.configFault;
        const bool first = request.SetupPacket.wLength == sizeof(USB_CONFIGURATION_DESCRIPTOR) &&
                           outSize == kRequestHeader + sizeof(USB_CONFIGURATION_DESCRIPTOR);
        if (first ? fault.failFirst : fault.failSecond) return false;
        descriptor = ConfigurationSet(device);
        if (auto total = first ? fault.firstTotalLength : fault.secondTotalLength)
            Put(descriptor, 2, &*total, sizeof *total);
        returnedBytes = first ? fault.firstReturnedBytes : fault.secondReturnedBytes;
        return true;
    }
    if (type != USB_STRING_DESCRIPTOR_TYPE) return false;
    const bool languages = index == 0;
    // The device has its product string in its first language only.
    if (!languages &&
        (index != device.iProduct ||
         (!device.languages.empty() && request.SetupPacket.wIndex != device.languages.front())))
        return false;
    const DescriptorFault& fault = languages ? device.languageFault : device.productFault;
    if (fault.fail) return false;
    descriptor = languages
                     ? StringDescriptor(device.languages)
                     : StringDescriptor({device.productString.begin(), device.productString.end()});
    ApplyStringFault(descriptor, fault);
    returnedBytes = fault.returnedBytes;
    return true;
}

}  // namespace

UsbAnswer AnswerDescriptor(UsbHub& hub, const void* in, DWORD inSize, void* out, DWORD outSize) {
    if (!in || !out || inSize < kRequestHeader || outSize < kRequestHeader)
        return UsbAnswer::Error(ERROR_INVALID_PARAMETER);
    USB_DESCRIPTOR_REQUEST request{};
    std::memcpy(&request, in, kRequestHeader);
    UsbPort* port = PortOf(hub, request.ConnectionIndex);
    const UsbDeviceSpec* present = port ? PresentDevice(*port) : nullptr;
    if (!present || present->status != DeviceConnected) return UsbAnswer::Error(ERROR_GEN_FAILURE);
    std::vector<std::uint8_t> descriptor;
    std::optional<DWORD> returnedBytes;
    if (!DescriptorFor(*present, request, outSize, descriptor, returnedBytes))
        return UsbAnswer::Error(ERROR_GEN_FAILURE);
    const DWORD room = outSize - kRequestHeader;
    const DWORD count = returnedBytes ? std::min(*returnedBytes, room)
                                      : std::min<DWORD>({static_cast<DWORD>(descriptor.size()),
                                                         request.SetupPacket.wLength, room});
    descriptor.resize(std::max<std::size_t>(descriptor.size(), count), 0);
    auto* bytes = static_cast<std::uint8_t*>(out);
    std::memmove(bytes, &request, kRequestHeader);
    std::memcpy(bytes + kRequestHeader, descriptor.data(), count);
    return UsbAnswer::Bytes(kRequestHeader + count);
}

}  // namespace vork::sim
