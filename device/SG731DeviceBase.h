#pragma once
// One attached label printer of one variant, and every operation the updater performs on it.
//
// The window's thread creates and queries device objects; one firmware worker thread per transfer
// uses the object's device handle and owner window while the window leaves the object alone. The
// object outlives its worker: the most-derived destructor waits for a running worker before any
// part of the object goes away.
//
// The device handle is null when no interface is open. Discovery (OpenDeviceInterface) fills it;
// the revision exchange and the firmware worker close it and set it back to null after their
// exchange. A failed open leaves INVALID_HANDLE_VALUE in it, which nothing uses: callers act only on
// a successful discovery.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Handles.h"
#include "platform/Win32.h"

namespace vork {

struct VariantProfile;

class SG731DeviceBase {
public:
    SG731DeviceBase() = default;
    virtual ~SG731DeviceBase();
    SG731DeviceBase(const SG731DeviceBase&) = delete;
    SG731DeviceBase& operator=(const SG731DeviceBase&) = delete;

    // Slots 1 to 9, in this order.
    virtual std::int32_t GetDeviceConnected() = 0;  // throws InvalidModeException
    virtual std::vector<std::uint8_t> GetRevision() = 0;
    virtual bool IsUpdateNeeded() = 0;  // throws InvalidModeException
    virtual bool IsUpdateReady() = 0;
    virtual bool StartUpdate() = 0;
    virtual bool CheckConfiguration() = 0;
    virtual bool CheckProductString() = 0;
    virtual void SetOwnerWindow(HWND owner) = 0;
    virtual bool OpenDeviceInterface() = 0;

    // The byte channel to the printer's interface. Results: bytes moved, or -1 on any failure.
    std::int32_t WriteDevice(const std::uint8_t* buffer, std::uint32_t length);
    std::int32_t ReadDevice(std::uint8_t* buffer, std::uint32_t length);
    std::int32_t WriteDeviceChunked(const std::uint8_t* buffer, std::uint32_t length,
                                    std::uint8_t reportProgress);
    // Opens the interface, asks for the revision and closes the interface again: exactly ten reply
    // bytes, or nothing.
    std::vector<std::uint8_t> QueryRevision();

    // Read-only views for the window and for tests.
    HANDLE DeviceHandle() const { return deviceHandle_; }
    const std::vector<std::uint8_t>& RevisionCache() const { return revisionCache_; }
    HWND OwnerWindow() const { return ownerWindow_; }
    // The running or last worker's thread, or null.
    HANDLE WorkerThread() const { return workerThread_.Get(); }
    // True while a firmware worker of this object has not yet ended.
    bool IsWorkerRunning() const;
    // Waits for a running worker to end. Messages sent to the calling thread are handled while it
    // waits, so a worker blocked sending its final notification to a window of this thread can
    // finish; called while that window still exists, the window handles the notification here.
    void JoinWorker();

protected:
    // The shared behaviour behind the variants' slots, told apart by the variant's profile.
    std::int32_t CountAndIdentify(const VariantProfile& profile);
    std::vector<std::uint8_t> CachedRevision();
    bool NeedsUpdate(const VariantProfile& profile);
    static bool CheckNewConfiguration();
    static bool CheckNewProductString();
    bool OpenMatchingInterface(const VariantProfile& profile);
    bool StartWorker(LPTHREAD_START_ROUTINE threadProc);
    // The worker's whole run: exactly one of 150 and 153 reaches the owner window, whatever the
    // transfer meets, exceptions included.
    void RunUpdateWorker(const VariantProfile& profile) noexcept;

    HANDLE deviceHandle_ = nullptr;
    std::vector<std::uint8_t> revisionCache_;
    ThreadHandle workerThread_;
    HWND ownerWindow_ = nullptr;

private:
    enum class TransferOutcome { kNotOpened, kFailed, kSucceeded };
    // One request as the machine record tells it: "write" or "read", its buffer, and its start.
    struct RequestView {
        const char* kind;
        const std::uint8_t* bytes;
        std::uint32_t length;
        ULONGLONG startedMs;
    };

    TransferOutcome Transfer(const VariantProfile& profile);
    std::int32_t AwaitRequest(OVERLAPPED& overlapped, const RequestView& request);
    void CancelRequest(OVERLAPPED& overlapped);
    // place: "<device>.<interface>", how the machine record names the interface; matches counts
    // the pass's interfaces of the variant so far.
    bool OpenIfMatching(HDEVINFO set, SP_DEVICE_INTERFACE_DATA& interfaceData,
                        SP_DEVINFO_DATA& info, const VariantProfile& profile, const char* place,
                        int& matches);
    void Report(WPARAM outcome);
    void CloseDeviceHandle();
    [[noreturn]] void ThrowInvalidMode(const VariantProfile& profile, const wchar_t* operation);
};

}  // namespace vork
