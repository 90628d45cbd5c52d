// The byte channel between a device object and its printer's interface.
//
// Every request is issued overlapped and waited for with a bound: 10 s for a write, 5 s for a read.
// A wait that runs out or fails cancels the request and then waits without a bound until the
// cancellation has completed, because the request's OVERLAPPED record, its event and the caller's
// buffer must stay alive for as long as the driver may still use them. Failures are results (-1, an
// empty reply); the only other trace is an "ERROR: " line on standard output, which a windowed
// process shows nowhere.
//
// Each request also leaves one line in the machine record: what was asked (its size, and its bytes
// when it is a short command), and how it ended: the bytes moved and how long it took, or the step
// that failed and its error. Cancellation failures get a line of their own before it.
#include <cstdio>

#include "device/SG731DeviceBase.h"
#include "device/WorkerNotifications.h"
#include "platform/MachineRecord.h"

namespace vork {
namespace {

constexpr DWORD kWriteWaitMs = 10000;
constexpr DWORD kReadWaitMs = kWriteWaitMs / 2;
constexpr std::uint32_t kChunkSize = 2048;
constexpr std::uint8_t kRevisionRequest[] = {0x1B, 0x56};
constexpr std::uint32_t kRevisionReplySize = 10;
// Commands up to this size are written into the record whole; the firmware image only by size.
constexpr std::uint32_t kRecordedBytes = 16;

// The event of one request: manual reset, not signalled, unnamed. Null when it cannot be made, and
// then no request is issued, since its end could not be waited for.
SeamHandle NewRequestEvent() {
    return SeamHandle(System().CreateEventW(nullptr, TRUE, FALSE, nullptr));
}

// The start of one request's line: "write 2 1B56" or "read 10". For a read the bytes are those
// received, so they are written only once it has ended.
std::string RequestText(const char* kind, const std::uint8_t* bytes, std::uint32_t length,
                        bool withBytes) {
    std::string text = std::string(kind) + " " + std::to_string(length);
    if (withBytes && length <= kRecordedBytes) text += " " + RecordHex(bytes, length);
    return text;
}

void RecordFailure(const char* kind, std::uint32_t length, const char* step, DWORD error) {
    if (IsRecording())
        Record("%s %u %s error %lu", kind, static_cast<unsigned>(length), step, error);
}

}  // namespace

void SG731DeviceBase::CancelRequest(OVERLAPPED& overlapped) {
    if (!System().CancelIo(deviceHandle_)) {
        const DWORD error = ::GetLastError();
        std::printf("ERROR: CancelIo failed (0x%lx)!\n", error);
        Record("cancel failed error %lu", error);
    }
    if (System().WaitForSingleObject(overlapped.hEvent, INFINITE) != WAIT_OBJECT_0) {
        std::printf("ERROR: WaitForSingleObject failed!\n");
        Record("cancel wait failed");
    }
}

std::int32_t SG731DeviceBase::AwaitRequest(OVERLAPPED& overlapped, const RequestView& request) {
    const bool isRead = request.kind[0] == 'r';
    const DWORD waited =
        System().WaitForSingleObject(overlapped.hEvent, isRead ? kReadWaitMs : kWriteWaitMs);
    if (waited == WAIT_OBJECT_0) {
        DWORD transferred = 0;
        if (System().GetOverlappedResult(deviceHandle_, &overlapped, &transferred, FALSE)) {
            if (IsRecording())
                Record("%s done %lu %sin %llu ms",
                       RequestText(request.kind, request.bytes, request.length, !isRead).c_str(),
                       transferred,
                       isRead ? (RecordHex(request.bytes, transferred) + " ").c_str() : "",
                       ::GetTickCount64() - request.startedMs);
            return static_cast<std::int32_t>(transferred);
        }
        const DWORD error = ::GetLastError();
        std::printf("ERROR: GetOverlappedResult failed (0x%lx)!\n", error);
        RecordFailure(request.kind, request.length, "result failed", error);
        return -1;
    }
    if (isRead) {
        std::printf(waited == WAIT_TIMEOUT ? "ERROR: ReadFile() timed out!\n"
                                           : "ERROR: ReadFile() unkown error!\n");
    }
    CancelRequest(overlapped);
    Record("%s %lu %s", request.kind, static_cast<unsigned long>(request.length),
           waited == WAIT_TIMEOUT ? "timed out" : "wait failed");
    return -1;  // whatever a cancelled request moved is not counted
}

std::int32_t SG731DeviceBase::WriteDevice(const std::uint8_t* buffer, std::uint32_t length) {
    if (!deviceHandle_) {
        Record("write %lu no interface", static_cast<unsigned long>(length));
        return -1;
    }
    SeamHandle event = NewRequestEvent();
    if (!event) {
        RecordFailure("write", length, "no event", ::GetLastError());
        return -1;
    }
    OVERLAPPED overlapped{};
    overlapped.hEvent = event.Get();
    const RequestView request{"write", buffer, length, ::GetTickCount64()};
    if (!System().WriteFile(deviceHandle_, buffer, length, nullptr, &overlapped)) {
        const DWORD error = ::GetLastError();
        if (error != ERROR_IO_PENDING) {
            RecordFailure("write", length, "refused", error);
            return -1;
        }
    }
    return AwaitRequest(overlapped, request);
}

std::int32_t SG731DeviceBase::ReadDevice(std::uint8_t* buffer, std::uint32_t length) {
    if (!deviceHandle_) {
        Record("read %lu no interface", static_cast<unsigned long>(length));
        return -1;
    }
    SeamHandle event = NewRequestEvent();
    if (!event) {
        RecordFailure("read", length, "no event", ::GetLastError());
        return -1;
    }
    OVERLAPPED overlapped{};
    overlapped.hEvent = event.Get();
    const RequestView request{"read", buffer, length, ::GetTickCount64()};
    if (!System().ReadFile(deviceHandle_, buffer, length, nullptr, &overlapped)) {
        const DWORD error = ::GetLastError();
        if (error != ERROR_IO_PENDING) {
            std::printf("ERROR: ReadFile failed (0x%lx)!\n", error);
            RecordFailure("read", length, "refused", error);
            return -1;
        }
    }
    return AwaitRequest(overlapped, request);
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
    Record("exchange");
    if (!OpenDeviceInterface()) {
        // A failure at another interface may come with this printer opened: it is not used, and
        // it is not kept from the spooler either.
        CloseDeviceHandle();
        Record("exchange ends: discovery failed");
        return reply;
    }
    if (!deviceHandle_) {
        Record("exchange ends: no interface");
        return reply;
    }
    if (WriteDevice(kRevisionRequest, sizeof kRevisionRequest) == sizeof kRevisionRequest) {
        reply.assign(kRevisionReplySize, 0);
        if (ReadDevice(reply.data(), kRevisionReplySize) !=
            static_cast<std::int32_t>(kRevisionReplySize))
            reply.clear();
    }
    CloseDeviceHandle();
    if (IsRecording()) {
        Record("revision %s",
               reply.empty()
                   ? "none"
                   : RecordQuoted(reinterpret_cast<const char*>(reply.data()), reply.size(), false)
                         .c_str());
    }
    return reply;
}

}  // namespace vork
