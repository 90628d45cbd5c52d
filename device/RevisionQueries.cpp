// The queries that look at an attached printer without changing it.
//
// Two sources answer them: the USB topology search, which counts printers by product id and
// captures the configuration header and product string of a lone match, and the revision exchange
// over the printer's own interface. A printer the search counts but that gives no 10-byte revision
// is already in program mode (or unreachable): that is reported by InvalidModeException, which only
// the printer selection catches. Each decision is a line of the machine record.
#include <algorithm>
#include <cstring>
#include <memory>
#include <string_view>

#include "device/Exception.h"
#include "device/SG731DeviceBase.h"
#include "device/VariantProfile.h"
#include "platform/MachineRecord.h"
#include "usb/USBEnumerator.h"

namespace vork {
namespace {

constexpr std::size_t kRevisionSize = 10;
constexpr std::size_t kCodeOffset = 7;
constexpr std::size_t kHeaderSize = 9;
constexpr std::size_t kAttributesOffset = 7;
constexpr std::uint8_t kRemoteWakeup = 0x20;
constexpr std::uint16_t kNewUpdateProductId = 0x0021;
constexpr std::string_view kExpectedProductString = "VORK Stickograph 731";

std::string_view CodeOf(const std::vector<std::uint8_t>& revision) {
    return {reinterpret_cast<const char*>(revision.data()) + kCodeOffset, 3};
}

bool HasCode(const std::vector<std::uint8_t>& revision, std::span<const std::string_view> codes) {
    return std::find(codes.begin(), codes.end(), CodeOf(revision)) != codes.end();
}

const char* YesNo(bool yes) { return yes ? "yes" : "no"; }

// One search of the USB tree with its own enumerator, header buffer and product string, all gone
// when the search is answered.
struct UsbSearch {
    std::unique_ptr<USBEnumerator> enumerator = std::make_unique<USBEnumerator>();
    std::uint8_t header[kHeaderSize] = {};
    std::vector<std::uint8_t> productString;

    std::int32_t Count(std::uint16_t productId) {
        return enumerator->FindDevices(productId, header, productString);
    }
};

}  // namespace

void SG731DeviceBase::ThrowInvalidMode(const VariantProfile& profile, const wchar_t* operation) {
    revisionCache_.clear();
    throw InvalidModeException(L"Could not retrieve revision!",
                               std::wstring(profile.className) + L"::" + operation + L"()");
}

std::int32_t SG731DeviceBase::CountAndIdentify(const VariantProfile& profile) {
    std::int32_t count = 0;
    {
        UsbSearch search;
        for (std::uint16_t productId : profile.productIds) count += search.Count(productId);
    }
    Record("%ls counted %d", profile.className, static_cast<int>(count));
    if (count != 1) return count;
    revisionCache_.clear();
    revisionCache_ = QueryRevision();
    if (revisionCache_.size() < kRevisionSize) ThrowInvalidMode(profile, L"GetDeviceConnected");
    const bool recognised = HasCode(revisionCache_, profile.recognisedCodes);
    if (IsRecording())
        Record("%ls recognises %s %s", profile.className,
               RecordQuoted(CodeOf(revisionCache_).data(), 3, false).c_str(), YesNo(recognised));
    return recognised ? 1 : 0;
}

std::vector<std::uint8_t> SG731DeviceBase::CachedRevision() {
    if (revisionCache_.empty()) revisionCache_ = QueryRevision();
    return revisionCache_;
}

bool SG731DeviceBase::NeedsUpdate(const VariantProfile& profile) {
    if (revisionCache_.empty()) revisionCache_ = QueryRevision();
    if (revisionCache_.size() < kRevisionSize) ThrowInvalidMode(profile, L"IsUpdateNeeded");
    const bool needed = !HasCode(revisionCache_, profile.currentCodes);
    Record("%ls update needed %s", profile.className, YesNo(needed));
    return needed;
}

bool SG731DeviceBase::CheckNewConfiguration() {
    UsbSearch search;
    const bool passed = search.Count(kNewUpdateProductId) == 1 &&
                        (search.header[kAttributesOffset] & kRemoteWakeup) != 0;
    Record("check configuration attributes 0x%02X %s",
           static_cast<unsigned>(search.header[kAttributesOffset]), passed ? "passed" : "failed");
    return passed;
}

bool SG731DeviceBase::CheckNewProductString() {
    UsbSearch search;
    bool passed = false;
    if (search.Count(kNewUpdateProductId) == 1 && !search.productString.empty()) {
        // The text ends at its NUL; a vector without one is compared whole, never read past.
        const auto* text = reinterpret_cast<const char*>(search.productString.data());
        const std::string_view captured(text, strnlen(text, search.productString.size()));
        passed = captured == kExpectedProductString;
    }
    Record("check product string %s", passed ? "passed" : "failed");
    return passed;
}

}  // namespace vork
