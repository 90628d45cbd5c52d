// Overlapped reads and writes on a simulated printer interface.
//
// A request is issued pending (ERROR_IO_PENDING) unless its script says otherwise, completes
// through its event when its latency has passed on the clock, and is read back with
// GetOverlappedResult. Windows' rules are held: the handle must allow the access and have been
// opened for overlapped I/O, and neither the OVERLAPPED record nor the event of a pending request
// may be used for another. A printer unplugged at a request ends that request with
// ERROR_DEVICE_NOT_CONNECTED and refuses every later one the same way.
#include <algorithm>
#include <cstring>

#include "sim/SimMachine.h"

namespace {
constexpr ULONG_PTR kStatusCancelled =
    0xC0000120;  // STATUS_CANCELLED, kept out of the Windows headers
constexpr ULONG_PTR kStatusNotConnected = 0xC000009D;  // STATUS_DEVICE_NOT_CONNECTED
}  // namespace

namespace vork::sim {
namespace {

constexpr std::uint8_t kRevisionRequest[] = {0x1B, 0x56};

}  // namespace

bool SimMachine::CheckRequest(const Object& file, bool write, OVERLAPPED* overlapped) {
    if (!(file.access & (write ? GENERIC_WRITE : GENERIC_READ))) {
        Violation(std::string(write ? "WriteFile" : "ReadFile") + " on a handle opened without " +
                  (write ? "write" : "read") + " access");
        return false;
    }
    if (!overlapped) {
        Violation("request without an OVERLAPPED record on an overlapped handle");
        return false;
    }
    if (!(file.flags & FILE_FLAG_OVERLAPPED))
        Violation("overlapped request on a handle not opened for overlapped I/O");
    // Windows would let the driver write into a record or signal an event that another request
    // still owns; the machine refuses the second request instead of corrupting the first.
    for (const Request& request : requests_) {
        if (!request.pending) continue;
        if (request.overlapped == overlapped) {
            Violation("OVERLAPPED record reused while its request is still pending");
            return false;
        }
        if (overlapped->hEvent && request.event == overlapped->hEvent) {
            Violation("event reused while its request is still pending");
            return false;
        }
    }
    if (overlapped->hEvent && !Find(overlapped->hEvent, ObjectKind::Event))
        Violation("request with an event the machine never handed out");
    return true;
}

RequestScript SimMachine::NextScript(Printer& printer, bool write) {
    const int index = write ? printer.writesSinceOpen++ : printer.readsSinceOpen++;
    const auto& scripts = write ? printer.config.writes : printer.config.reads;
    const auto found = scripts.find(index);
    const bool scripted =
        printer.config.scriptedOpen == 0 || printer.config.scriptedOpen == printer.opens;
    return scripted && found != scripts.end() ? found->second : RequestScript{};
}

BOOL SimMachine::StartRequest(HANDLE file, bool write, const void* data, std::uint8_t* readBuffer,
                              DWORD length, OVERLAPPED* overlapped) {
    Object* object = Find(file, ObjectKind::PrinterInterface);
    if (!object) return Fail(ERROR_INVALID_HANDLE);
    if (!CheckRequest(*object, write, overlapped))
        return Fail(overlapped && !(object->access & (write ? GENERIC_WRITE : GENERIC_READ))
                        ? ERROR_ACCESS_DENIED
                        : ERROR_INVALID_PARAMETER);
    Printer& printer = *object->printer;
    if (printer.unplugged) return Fail(ERROR_DEVICE_NOT_CONNECTED);
    Request request;
    request.thread = ::GetCurrentThreadId();
    request.script = NextScript(printer, write);
    if (write) printer.writeLog.push_back({length, 0});
    using Kind = RequestScript::Kind;
    if (request.script.kind == Kind::RefuseAtOnce) return Fail(request.script.error);
    if (request.script.kind == Kind::Unplug) {
        printer.unplugged = true;
        request.failure = ERROR_DEVICE_NOT_CONNECTED;
    }
    if (Object* event = Find(overlapped->hEvent, ObjectKind::Event)) event->signalled = false;
    overlapped->Internal = STATUS_PENDING;
    request.file = file;
    request.overlapped = overlapped;
    request.event = overlapped->hEvent;
    request.write = write;
    request.length = length;
    request.readBuffer = readBuffer;
    if (write) {
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        request.data.assign(bytes, bytes + length);
    }
    const bool completesByItself =
        request.script.kind != Kind::NeverComplete &&
        request.script.kind != Kind::CompleteWhileCancelling &&
        (write || request.failure != ERROR_SUCCESS ||
         (printer.replyArmed && printer.config.replyMode == ReplyMode::Reply));
    request.completeAt = completesByItself ? Now() + printer.config.latencyMs : -1;
    requests_.push_back(std::move(request));
    Request& started = requests_.back();
    if (started.script.kind == Kind::CompleteAtOnce) {
        Complete(started);
        return TRUE;
    }
    ::SetLastError(ERROR_IO_PENDING);
    return FALSE;
}

void SimMachine::Deliver(Request& request, Printer& printer) {
    const bool part = request.script.kind == RequestScript::Kind::AcceptPart;
    if (request.write) {
        request.count = part ? std::min(request.script.bytes, request.length) : request.length;
        printer.received.insert(printer.received.end(), request.data.begin(),
                                request.data.begin() + request.count);
        // Requests are one at a time, so this request's entry is the newest in the write log.
        if (!printer.writeLog.empty()) printer.writeLog.back().accepted = request.count;
        if (request.count == sizeof kRevisionRequest &&
            std::equal(request.data.begin(), request.data.end(), std::begin(kRevisionRequest)))
            printer.replyArmed = true;
    } else if (printer.replyArmed && printer.config.replyMode == ReplyMode::Reply) {
        const auto& reply = printer.config.revisionReply;
        DWORD count = std::min<DWORD>(request.length, static_cast<DWORD>(reply.size()));
        if (part) count = std::min(count, request.script.bytes);
        std::memcpy(request.readBuffer, reply.data(), count);
        request.count = count;
        printer.replyArmed = false;
    }
}

void SimMachine::Complete(Request& request) {
    request.pending = false;
    Object* object = Find(request.file, ObjectKind::PrinterInterface);
    request.count = 0;
    if (object && !request.aborted && request.failure == ERROR_SUCCESS)
        Deliver(request, *object->printer);
    request.overlapped->Internal = request.aborted                    ? kStatusCancelled
                                   : request.failure != ERROR_SUCCESS ? kStatusNotConnected
                                                                      : 0;
    request.overlapped->InternalHigh = request.count;
    Signal(request.event);
}

void SimMachine::Signal(HANDLE event) {
    if (Object* object = Find(event, ObjectKind::Event)) object->signalled = true;
}

BOOL SimMachine::WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, LPDWORD written,
                           LPOVERLAPPED overlapped) {
    Lock lock(mutex_);
    Log("WriteFile " + std::to_string(bytesToWrite));
    if (written) *written = 0;
    return StartRequest(file, true, buffer, nullptr, bytesToWrite, overlapped);
}

BOOL SimMachine::ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD read,
                          LPOVERLAPPED overlapped) {
    Lock lock(mutex_);
    Log("ReadFile " + std::to_string(bytesToRead));
    if (read) *read = 0;
    return StartRequest(file, false, nullptr, static_cast<std::uint8_t*>(buffer), bytesToRead,
                        overlapped);
}

SimMachine::Request* SimMachine::FindRequest(HANDLE file, OVERLAPPED* overlapped) {
    // The newest first: a record may serve one request after another.
    const auto found = std::find_if(requests_.rbegin(), requests_.rend(), [&](const Request& r) {
        return r.file == file && r.overlapped == overlapped;
    });
    return found == requests_.rend() ? nullptr : &*found;
}

BOOL SimMachine::GetOverlappedResult(HANDLE file, LPOVERLAPPED overlapped, LPDWORD transferred,
                                     BOOL wait) {
    Lock lock(mutex_);
    Log("GetOverlappedResult");
    if (wait) Violation("GetOverlappedResult asked to wait");
    if (!transferred) Violation("GetOverlappedResult without a place for the byte count");
    Request* request = FindRequest(file, overlapped);
    if (!request) return Fail(ERROR_INVALID_PARAMETER);
    if (request->pending) return Fail(ERROR_IO_INCOMPLETE);
    if (request->script.kind == RequestScript::Kind::FailOverlappedResult)
        return Fail(request->script.error);
    if (transferred) *transferred = request->count;
    if (request->aborted) return Fail(ERROR_OPERATION_ABORTED);
    if (request->failure != ERROR_SUCCESS) return Fail(request->failure);
    return TRUE;
}

BOOL SimMachine::CancelIo(HANDLE file) {
    Lock lock(mutex_);
    Log("CancelIo");
    Object* object = Find(file, ObjectKind::PrinterInterface);
    if (!object) return Fail(ERROR_INVALID_HANDLE);
    if (object->printer->config.cancelFails) return Fail(ERROR_NOT_FOUND);
    for (Request& request : requests_) {
        // As on Windows: CancelIo cancels the requests the calling thread issued, no other.
        if (request.file != file || !request.pending || request.thread != ::GetCurrentThreadId())
            continue;
        request.aborted = request.script.kind != RequestScript::Kind::CompleteWhileCancelling &&
                          request.failure == ERROR_SUCCESS;
        Complete(request);
    }
    return TRUE;
}

}  // namespace vork::sim
