#pragma once
// The device search over the whole USB tree: every host controller, through every hub, to every
// port. It counts the devices of vendor 0xE7D2 with one product id and captures the configuration
// header and product string of the first one.
//
// A device class creates one per check, calls FindDevices once or twice and destroys it. The walk
// runs on the caller's thread, synchronously, and opens and closes every handle within one search.
#include <cstdint>
#include <memory>
#include <set>
#include <vector>

#include "usb/ByteVector.h"
#include "usb/UsbRecords.h"

namespace vork {

class USBEnumerator {
public:
    USBEnumerator();
    virtual ~USBEnumerator();
    USBEnumerator(const USBEnumerator&) = delete;
    USBEnumerator& operator=(const USBEnumerator&) = delete;

    // Counts devices with vendor 0xE7D2 and productId; captures the first one's 9-byte
    // configuration header into configHeader (may be null: then returns 0 at once) and its
    // product string (8-bit text + NUL) into productString. Never throws: an error inside the walk
    // is shown in a warning box captioned "ERROR" and gives 0.
    std::int32_t FindDevices(std::uint16_t productId, std::uint8_t* configHeader,
                             ByteVector& productString);

private:
    // How the machine record names a controller: "hcd 3" (by number) or "listed 0" (by class).
    struct ControllerLabel {
        const char* kind;
        int index;
    };
    // Where a port is, for the machine record: the hub's number in this search, and the port.
    struct PortPlace {
        int hub;
        ULONG port;
    };

    void ResetResults() noexcept;
    void WalkControllers();
    void VisitListedController(HDEVINFO list, SP_DEVICE_INTERFACE_DATA& interfaceData, int index);
    void VisitController(HANDLE controller, ControllerLabel label);
    // depth: 0 for a root hub, one more for each external hub on the way down.
    void VisitHub(const ByteVector& hubName, int depth);
    void ScanHubPorts(HANDLE hub, std::uint8_t portCount, int depth, int hubNumber);
    // false: the record could not be allocated, so the scan of this hub ends.
    bool ExaminePort(HANDLE hub, PortPlace place, int depth, ByteVector& keptDescription);
    static bool ReadConnection(HANDLE hub, ULONG port, std::uint8_t* record, bool& answered);
    void CountMatch(HANDLE hub, PortPlace place, ByteVector& keptDescription);
    void Capture(HANDLE hub, PortPlace place, const USB_DEVICE_DESCRIPTOR& device);

    std::unique_ptr<std::uint8_t[]> configHeader_;  // 9 bytes, or none
    ByteVector productString_;                      // 8-bit text + NUL, or empty
    std::int32_t matchCount_ = 0;
    std::uint16_t vendorId_ = 0;
    std::uint16_t productId_ = 0;
    std::set<ByteVector> visitedControllers_;  // driver keys walked in this search
    std::set<ByteVector> visitedHubs_;         // hub names walked in this search
    int hubsScanned_ = 0;                      // numbers the hubs of this search for the record
};

}  // namespace vork
