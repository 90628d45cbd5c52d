#include "device/PrinterSelection.h"

#include "device/Exception.h"
#include "device/SG731NewDevice.h"
#include "device/SG731OldDevice.h"
#include "device/SG731TTDevice.h"

namespace vork {
namespace {

// One probe with a temporary object of the variant, gone before the answer is used.
template <typename Variant>
std::int32_t Probe() {
    Variant probe;
    return probe.GetDeviceConnected();
}

// The New and TT probes: a lone recognised printer is chosen only when nothing was counted before;
// several printers of the variant leave no choice at all.
template <typename Variant>
void ProbeAfterFirst(std::int32_t& count, std::unique_ptr<SG731DeviceBase>& chosen) {
    const std::int32_t result = Probe<Variant>();
    if (result == 1 && count == 0) {
        count = 1;
        chosen = std::make_unique<Variant>();
        return;
    }
    count += result;
    if (result > 1) chosen.reset();
}

}  // namespace

std::unique_ptr<SG731DeviceBase> SelectPrinter(std::int32_t& count) {
    std::unique_ptr<SG731DeviceBase> chosen;
    count = 0;
    try {
        count = Probe<SG731OldDevice>();
        if (count == 1) chosen = std::make_unique<SG731OldDevice>();
        ProbeAfterFirst<SG731NewDevice>(count, chosen);
        ProbeAfterFirst<SG731TTDevice>(count, chosen);
    } catch (const Exception&) {
        count = -1;
    }
    if (count != 1) chosen.reset();
    return chosen;
}

}  // namespace vork
