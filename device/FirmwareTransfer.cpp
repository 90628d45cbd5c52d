// The firmware worker: one thread per transfer that opens the printer's interface, sends the
// variant's flash command and then its 20,480-byte image, and tells the owner window how it went.
//
// The final notification (150 success, 153 failure) is sent, not posted, so the window has handled
// it before the worker closes the device handle; progress (154) is posted from inside the chunked
// writer so the writes never wait for the window. The outcome is decided by byte counts alone: the
// printer sends nothing back during a transfer.
//
// Whatever the worker meets, the window hears of its end: an exception (an allocation refused, say)
// is a failed transfer, reported with 153 like any other, and the device handle is closed after it,
// whatever the discovery left there: a failed discovery may still have opened the printer.
#include <vector>

#include "device/FirmwareImages.h"
#include "device/SG731DeviceBase.h"
#include "device/VariantProfile.h"
#include "device/WorkerNotifications.h"
#include "platform/MachineRecord.h"

namespace vork {
namespace {

// How often a worker whose handle cannot be waited on is asked whether it has ended.
constexpr DWORD kFailedWaitRetryMs = 10;

}  // namespace

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
    //
    // A failed wait is not an end: the worker may still be running and using this object. Then its
    // exit code tells, polled while sent messages are still delivered.
    const HANDLE thread = workerThread_.Get();
    for (;;) {
        const DWORD woke = ::MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_SENDMESSAGE);
        if (woke == WAIT_OBJECT_0) break;
        if (woke != WAIT_OBJECT_0 + 1) {
            DWORD exitCode = 0;
            if (::GetExitCodeThread(thread, &exitCode) && exitCode != STILL_ACTIVE) break;
            ::Sleep(kFailedWaitRetryMs);
        }
        MSG message;
        ::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    workerThread_.Reset();
}

void SG731DeviceBase::Report(WPARAM outcome) {
    // Recorded before it is sent: the window's next lines (a Retry's searches) follow it.
    Record("notification %u", static_cast<unsigned>(outcome));
    // Sent, not posted: the window has handled it before the worker touches the device again.
    if (ownerWindow_) ::SendMessageW(ownerWindow_, WM_COMMAND, outcome, 0);
}

void SG731DeviceBase::RunUpdateWorker(const VariantProfile& profile) noexcept {
    TransferOutcome outcome = TransferOutcome::kFailed;
    try {
        outcome = Transfer(profile);
    } catch (...) {
        outcome = TransferOutcome::kFailed;
    }
    Report(outcome == TransferOutcome::kSucceeded ? ID_UPDATE_SUCCEEDED : ID_UPDATE_FAILED);
    CloseDeviceHandle();
}

SG731DeviceBase::TransferOutcome SG731DeviceBase::Transfer(const VariantProfile& profile) {
    Record("transfer %ls", profile.className);
    if (!OpenDeviceInterface()) {
        Record("transfer ends: discovery failed");
        return TransferOutcome::kNotOpened;
    }
    const std::vector<std::uint8_t> command(profile.flashCommand.begin(),
                                            profile.flashCommand.end());
    const auto commandLength = static_cast<std::uint32_t>(command.size());
    constexpr auto imageLength = static_cast<std::uint32_t>(firmware::kFirmwareSize);
    bool succeeded = false;
    if (profile.chunked) {
        succeeded = WriteDeviceChunked(command.data(), commandLength, 0) ==
                        static_cast<std::int32_t>(commandLength) &&
                    WriteDeviceChunked(profile.image, imageLength, 1) ==
                        static_cast<std::int32_t>(imageLength);
    } else {
        succeeded =
            WriteDevice(command.data(), commandLength) ==
                static_cast<std::int32_t>(commandLength) &&
            WriteDevice(profile.image, imageLength) == static_cast<std::int32_t>(imageLength);
    }
    return succeeded ? TransferOutcome::kSucceeded : TransferOutcome::kFailed;
}

}  // namespace vork
