#pragma once
// The byte layouts the simulated USB drivers answer with: name records, connection records, the
// hub node record and descriptor requests, each honouring the output size it is given and the
// faults of the model. Pure functions over the model; the machine dispatches to them.
#include <cstdint>
#include <string>

#include "sim/SimUsbModel.h"

namespace vork::sim {

// What a driver's answer to one request comes to: success with a byte count, or an error.
struct UsbAnswer {
    bool ok = false;
    DWORD error = ERROR_GEN_FAILURE;
    DWORD returned = 0;
    static UsbAnswer Error(DWORD error) { return {false, error, 0}; }
    static UsbAnswer Bytes(DWORD count) { return {true, ERROR_SUCCESS, count}; }
};

// A name record: `fixedSize` is the record without its name, the name (UTF-16) at nameOffset.
// `in` may be the same buffer as `out`; an indexed record keeps its ConnectionIndex.
struct NameLayout {
    DWORD fixedSize;
    DWORD lengthOffset;
    DWORD nameOffset;
};
UsbAnswer AnswerName(const std::string& name, const NameFault& fault, const NameLayout& layout,
                     const void* in, DWORD inSize, void* out, DWORD outSize);

UsbAnswer AnswerConnection(UsbHub& hub, bool extended, const void* in, DWORD inSize, void* out,
                           DWORD outSize);
UsbAnswer AnswerNodeInformation(const UsbHub& hub, DWORD inSize, void* out, DWORD outSize);
UsbAnswer AnswerDescriptor(UsbHub& hub, const void* in, DWORD inSize, void* out, DWORD outSize);

// The port of a hub by ConnectionIndex, or null.
UsbPort* PortOf(UsbHub& hub, ULONG index);

// The device on a port, or null when there is none or its printer was unplugged.
UsbDeviceSpec* PresentDevice(UsbPort& port);

// A device's driver key: the one described, or one generated and kept on first use.
const std::string& DriverKeyOf(UsbDeviceSpec& device);

}  // namespace vork::sim
