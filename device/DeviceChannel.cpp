// The byte channel between a device object and its printer's interface.
//
// Every request is issued overlapped and waited for with a bound: 10 s for a write, 5 s for a read.
// A wait that runs out or fails cancels the request and then waits without a bound until the
// cancellation has completed, because the request's OVERLAPPED record, its event and the caller's
// buffer must stay alive for as long as the driver may still use them. Failures are results (-1, an
// empty reply); the only other trace is an "ERROR: " line on standard output, which a windowed
// process shows nowhere.
#include <cstdio>

#include "device/SG731DeviceBase.h"
#include "device/WorkerNotifications.h"

namespace vork {
namespace {

constexpr DWORD kWriteWaitMs = 10000;
constexpr DWORD kReadWaitMs = kWriteWaitMs / 2;
constexpr std::uint32_t kChunkSize = 2048;
constexpr std::uint8_t kRevisionRequest[] = {0x1B, 0x56};
constexpr std::uint32_t kRevisionReplySize = 10;

// The event of one request: manual reset, not signalled, unnamed. Null when it cannot be made, and
// then no request is issued, since its end could not be waited for.
SeamHandle NewRequestEvent() {
    return SeamHandle(System().CreateEventW(nullptr, TRUE, FALSE, nullptr));
}

}  // namespace

void SG731DeviceBase::CancelRequest(OVERLAPPED& overlapped) {
    if (!System().CancelIo(deviceHandle_))
        std::printf("ERROR: CancelIo failed (0x%lx)!\n", ::GetLastError());
    if (System().WaitForSingleObject(overlapped.hEvent, INFINITE) != WAIT_OBJECT_0)
        std::printf("ERROR: WaitForSingleObject failed!\n");
}

std::int32_t SG731DeviceBase::AwaitRequest(OVERLAPPED& overlapped, DWORD waitMs, bool isRead) {
    const DWORD waited = System().WaitForSingleObject(overlapped.hEvent, waitMs);
    if (waited == WAIT_OBJECT_0) {
        DWORD transferred = 0;
        if (System().GetOverlappedResult(deviceHandle_, &overlapped, &transferred, FALSE))
            return static_cast<std::int32_t>(transferred);
        std::printf("ERROR: GetOverlappedResult failed (0x%lx)!\n", ::GetLastError());
        return -1;
    }
    if (isRead) {
        std::printf(waited == WAIT_TIMEOUT ? "ERROR: ReadFile() timed out!\n"
                                           : "ERROR: ReadFile() unkown error!\n");
    }
    CancelRequest(overlapped);
    return -1;  // whatever a cancelled request moved is not counted
}

std::int32_t SG731DeviceBase::WriteDevice(const std::uint8_t* buffer, std::uint32_t length) {
    if (!deviceHandle_) return -1;
    SeamHandle event = NewRequestEvent();
    if (!event) return -1;
    OVERLAPPED overlapped{};
    overlapped.hEvent = event.Get();
    if (!System().WriteFile(deviceHandle_, buffer, length, nullptr, &overlapped) &&
        ::GetLastError() != ERROR_IO_PENDING)
        return -1;
    return AwaitRequest(overlapped, kWriteWaitMs, false);
}

std::int32_t SG731DeviceBase::ReadDevice(std::uint8_t* buffer, std::uint32_t length) {
    if (!deviceHandle_) return -1;
    SeamHandle event = NewRequestEvent();
    if (!event) return -1;
    OVERLAPPED overlapped{};
    overlapped.hEvent = event.Get();
    if (!System().ReadFile(deviceHandle_, buffer, length, nullptr, &overlapped)) {
        const DWORD error = ::GetLastError();
        if (error != ERROR_IO_PENDING) {
            std::printf("ERROR: ReadFile failed (0x%lx)!\n", error);
            return -1;
        }
    }
    return AwaitRequest(overlapped, kReadWaitMs, true);
}

std::int32_t SG731DeviceBase::WriteDeviceChunked(const std::uint8_t* buffer, std::uint32_t length,
                                                 std::uint8_t reportProgress) {
    std::uint32_t offset = 0;
    if (!deviceHandle_ || length == 0) return 0;
    while (offset < length) {
        if (ownerWindow_ && reportProgress == 1) {
            const auto percent = static_cast<LPARAM>(std::uint64_t{offset} * 100 / length);
            ::PostMessageW(ownerWindow_, WM_COMMAND, ID_UPDATE_PROGRESS, percent);
        }
        const std::uint32_t remaining = length - offset;
        const std::uint32_t piece = remaining > kChunkSize ? kChunkSize : remaining;
        const std::int32_t written = WriteDevice(buffer + offset, piece);
        // A piece the device took none of would never end the loop: it counts as failed.
        if (written <= 0) return -1;
        offset += static_cast<std::uint32_t>(written);
    }
    return static_cast<std::int32_t>(offset);
}

std::vector<std::uint8_t> SG731DeviceBase::QueryRevision() {
    std::vector<std::uint8_t> reply;
    if (!OpenDeviceInterface()) return reply;
    if (!deviceHandle_) return reply;
    if (WriteDevice(kRevisionRequest, sizeof kRevisionRequest) == sizeof kRevisionRequest) {
        reply.assign(kRevisionReplySize, 0);
        if (ReadDevice(reply.data(), kRevisionReplySize) !=
            static_cast<std::int32_t>(kRevisionReplySize))
            reply.clear();
    }
    CloseDeviceHandle();
    return reply;
}

}  // namespace vork
