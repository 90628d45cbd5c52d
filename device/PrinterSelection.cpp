#include "device/PrinterSelection.h"

#include "device/Exception.h"
#include "device/SG731NewDevice.h"
#include "device/SG731OldDevice.h"
#include "device/SG731TTDevice.h"
#include "platform/MachineRecord.h"

namespace vork {
namespace {

// One probe with a temporary object of the variant, gone before the answer is used.
template <typename Variant>
std::int32_t Probe(const char* name) {
    Record("probe %s", name);
    Variant probe;
    const std::int32_t result = probe.GetDeviceConnected();
    Record("probe %s answers %d", name, static_cast<int>(result));
    return result;
}

// The New and TT probes: a lone recognised printer is chosen only when nothing was counted before;
// several printers of the variant leave no choice at all.
template <typename Variant>
void ProbeAfterFirst(std::int32_t& count, std::unique_ptr<SG731DeviceBase>& chosen,
                     const char* name) {
    const std::int32_t result = Probe<Variant>(name);
    if (result == 1 && count == 0) {
        count = 1;
        chosen = std::make_unique<Variant>();
        return;
    }
    count += result;
    if (result > 1) chosen.reset();
}

const char* VariantName(const SG731DeviceBase* device) {
    if (dynamic_cast<const SG731OldDevice*>(device)) return "Old";
    if (dynamic_cast<const SG731NewDevice*>(device)) return "New";
    if (dynamic_cast<const SG731TTDevice*>(device)) return "TT";
    return "none";
}

}  // namespace

std::unique_ptr<SG731DeviceBase> SelectPrinter(std::int32_t& count) {
    std::unique_ptr<SG731DeviceBase> chosen;
    count = 0;
    try {
        count = Probe<SG731OldDevice>("Old");
        if (count == 1) chosen = std::make_unique<SG731OldDevice>();
        ProbeAfterFirst<SG731NewDevice>(count, chosen, "New");
        ProbeAfterFirst<SG731TTDevice>(count, chosen, "TT");
    } catch (const Exception&) {
        Record("probe ends: no revision");
        count = -1;
    }
    if (count != 1) chosen.reset();
    Record("selection count %d variant %s", static_cast<int>(count), VariantName(chosen.get()));
    return chosen;
}

}  // namespace vork
