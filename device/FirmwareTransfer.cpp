// The firmware worker: one thread per transfer that opens the printer's interface, sends the
// variant's flash command and then its 20,480-byte image, and tells the owner window how it went.
//
// The final notification (150 success, 153 failure) is sent, not posted, so the window has handled
// it before the worker closes the device handle; progress (154) is posted from inside the chunked
// writer so the writes never wait for the window. The outcome is decided by byte counts alone: the
// printer sends nothing back during a transfer.
#include <vector>

#include "device/FirmwareImages.h"
#include "device/SG731DeviceBase.h"
#include "device/VariantProfile.h"
#include "ui/ResourceIds.h"

namespace vork {

bool SG731DeviceBase::IsWorkerRunning() const {
    return workerThread_ && ::WaitForSingleObject(workerThread_.Get(), 0) == WAIT_TIMEOUT;
}

bool SG731DeviceBase::StartWorker(LPTHREAD_START_ROUTINE threadProc) {
    if (!ownerWindow_) return false;
    // One worker at a time per object: a second one would share the device handle.
    if (IsWorkerRunning()) return false;
    workerThread_.Reset();
    workerThread_.Reset(::CreateThread(nullptr, 0, threadProc, this, 0, nullptr));
    return static_cast<bool>(workerThread_);
}

void SG731DeviceBase::JoinWorker() {
    if (!workerThread_) return;
    // The worker may be blocked sending its final notification to a window of this very thread;
    // messages sent to this thread are delivered while it waits, so the two never wait for each
    // other (the window may already be gone, and the message then goes nowhere).
    const HANDLE thread = workerThread_.Get();
    while (::MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1) {
        MSG message;
        ::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    workerThread_.Reset();
}

void SG731DeviceBase::Report(WPARAM outcome) {
    // Sent, not posted: the window has handled it before the worker touches the device again.
    if (ownerWindow_) ::SendMessageW(ownerWindow_, WM_COMMAND, outcome, 0);
}

void SG731DeviceBase::RunUpdateWorker(const VariantProfile& profile) {
    if (!OpenDeviceInterface()) {
        Report(ID_UPDATE_FAILED);
        return;
    }
    const std::vector<std::uint8_t> command(profile.flashCommand.begin(), profile.flashCommand.end());
    const auto commandLength = static_cast<std::uint32_t>(command.size());
    constexpr auto imageLength = static_cast<std::uint32_t>(firmware::kFirmwareSize);
    bool succeeded = false;
    if (profile.chunked) {
        succeeded = WriteDeviceChunked(command.data(), commandLength, 0) ==
                        static_cast<std::int32_t>(commandLength) &&
                    WriteDeviceChunked(profile.image, imageLength, 1) ==
                        static_cast<std::int32_t>(imageLength);
    } else {
        succeeded = WriteDevice(command.data(), commandLength) ==
                        static_cast<std::int32_t>(commandLength) &&
                    WriteDevice(profile.image, imageLength) == static_cast<std::int32_t>(imageLength);
    }
    Report(succeeded ? ID_UPDATE_SUCCEEDED : ID_UPDATE_FAILED);
    CloseDeviceHandle();
}

}  // namespace vork
