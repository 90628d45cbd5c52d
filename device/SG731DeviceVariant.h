#pragma once
// The slots that all three variants fill alike, told apart by the variant's profile. A variant
// class derives from it and overrides only what is its own.
#include "device/SG731DeviceBase.h"
#include "device/VariantProfile.h"

namespace vork {

template <const VariantProfile& (*Profile)()>
class SG731DeviceVariant : public SG731DeviceBase {
public:
    // The worker makes virtual calls on this object, so it is joined while the variant still
    // exists, before any part of it is destroyed; the static device object at program exit too.
    ~SG731DeviceVariant() override { JoinWorker(); }

    std::int32_t GetDeviceConnected() override { return CountAndIdentify(Profile()); }
    std::vector<std::uint8_t> GetRevision() override { return CachedRevision(); }
    bool IsUpdateNeeded() override { return NeedsUpdate(Profile()); }
    bool IsUpdateReady() override { return true; }
    bool StartUpdate() override { return StartWorker(&UpdateThreadProc); }
    bool CheckConfiguration() override { return true; }
    bool CheckProductString() override { return true; }
    void SetOwnerWindow(HWND owner) override { ownerWindow_ = owner; }
    bool OpenDeviceInterface() override { return OpenMatchingInterface(Profile()); }

private:
    // The worker catches everything itself and reports it as a failed transfer.
    static DWORD WINAPI UpdateThreadProc(LPVOID device) {
        static_cast<SG731DeviceVariant*>(device)->RunUpdateWorker(Profile());
        return 0;
    }
};

}  // namespace vork
