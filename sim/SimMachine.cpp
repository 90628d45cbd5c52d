// The kernel and SetupAPI half of the simulated machine: handles, events, overlapped requests to
// printers, and device-information lists. The USB topology half lives in SimMachineUsb.cpp.
#include "sim/SimMachine.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <thread>

#include "platform/DeviceClasses.h"

namespace {
constexpr ULONG_PTR kStatusCancelled = 0xC0000120;  // STATUS_CANCELLED, kept out of the Windows headers
}

namespace vork::sim {
namespace {

constexpr std::uint8_t kRevisionRequest[] = {0x1B, 0x56};

std::string Narrow(LPCWSTR text) {
    std::string out;
    for (; text && *text; ++text) out.push_back(*text < 0x80 ? static_cast<char>(*text) : '?');
    return out;
}

std::string Hex(std::uintptr_t value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "0x%llx", static_cast<unsigned long long>(value));
    return buffer;
}

}  // namespace

std::vector<std::uint8_t> RevisionReply(const char* code) {
    std::vector<std::uint8_t> reply = {'S', 'G', '7', '3', '1', '-', ' ', 0, 0, 0};
    for (int i = 0; i < 3 && code[i]; ++i) reply[7 + i] = static_cast<std::uint8_t>(code[i]);
    return reply;
}

SimMachine::SimMachine() = default;
SimMachine::~SimMachine() = default;

// --- Describing and reading the machine ------------------------------------------------------

std::vector<std::shared_ptr<Printer>> SimMachine::AddPrinterDevice(
    const std::vector<PrinterConfig>& interfaces) {
    std::lock_guard guard(mutex_);
    std::vector<std::shared_ptr<Printer>> device;
    for (const PrinterConfig& config : interfaces) {
        auto printer = std::make_shared<Printer>();
        printer->config = config;
        printers_.push_back(printer);
        device.push_back(printer);
    }
    printerDevices_.push_back(device);
    return device;
}

std::shared_ptr<Printer> SimMachine::AddPrinter(const PrinterConfig& config) {
    return AddPrinterDevice({config}).front();
}

void SimMachine::SetRealTime(bool realTime) {
    std::lock_guard guard(mutex_);
    realTime_ = realTime;
}

void SimMachine::FailPrinterClassList(bool fail) {
    std::lock_guard guard(mutex_);
    failPrinterClassList_ = fail;
}

void SimMachine::FailNextEventCreations(int count) {
    std::lock_guard guard(mutex_);
    failEventCreations_ = count;
}

std::vector<std::string> SimMachine::CallLog() const {
    std::lock_guard guard(mutex_);
    return log_;
}

int SimMachine::CountCalls(const std::string& function) const {
    std::lock_guard guard(mutex_);
    return static_cast<int>(std::count_if(log_.begin(), log_.end(), [&](const std::string& entry) {
        return entry.compare(0, function.size(), function) == 0 &&
               (entry.size() == function.size() || entry[function.size()] == ' ');
    }));
}

std::vector<DWORD> SimMachine::Waits() const {
    std::lock_guard guard(mutex_);
    return waits_;
}

std::int64_t SimMachine::NowMs() const {
    std::lock_guard guard(mutex_);
    return Now();
}

std::int64_t SimMachine::Now() const {
    if (!realTime_) return now_;
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start_).count();
}

int SimMachine::OpenHandles() const {
    std::lock_guard guard(mutex_);
    return static_cast<int>(objects_.size());
}

std::vector<std::string> SimMachine::OpenHandleNames() const {
    std::lock_guard guard(mutex_);
    std::vector<std::string> names;
    for (const auto& [handle, object] : objects_) names.push_back(object.name);
    return names;
}

std::vector<std::string> SimMachine::Violations() const {
    std::lock_guard guard(mutex_);
    return violations_;
}

std::vector<MessageBoxRecord> SimMachine::MessageBoxes() const {
    std::lock_guard guard(mutex_);
    return messageBoxes_;
}

std::vector<std::shared_ptr<Printer>> SimMachine::Printers() const {
    std::lock_guard guard(mutex_);
    return printers_;
}

void SimMachine::ClearLog() {
    std::lock_guard guard(mutex_);
    log_.clear();
    waits_.clear();
}

// --- Bookkeeping -------------------------------------------------------------------------------

HANDLE SimMachine::NewHandle(Object object) {
    HANDLE handle = reinterpret_cast<HANDLE>(nextHandle_);
    nextHandle_ += 4;
    objects_.emplace(handle, std::move(object));
    return handle;
}

SimMachine::Object* SimMachine::Find(HANDLE handle, ObjectKind kind) {
    auto it = objects_.find(handle);
    return it != objects_.end() && it->second.kind == kind ? &it->second : nullptr;
}

void SimMachine::Log(std::string entry) { log_.push_back(std::move(entry)); }

void SimMachine::Violation(std::string what) { violations_.push_back(std::move(what)); }

BOOL SimMachine::Fail(DWORD error) {
    ::SetLastError(error);
    return FALSE;
}

HANDLE SimMachine::FailHandle(DWORD error, HANDLE value) {
    ::SetLastError(error);
    return value;
}

// --- Files ---------------------------------------------------------------------------------------

HANDLE SimMachine::CreateFileA(LPCSTR fileName, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD,
                               DWORD flags, HANDLE) {
    Lock lock(mutex_);
    const std::string path = fileName ? fileName : "";
    Log("CreateFileA " + path);
    for (const auto& printer : printers_) {
        if (printer->config.interfacePath != path) continue;
        if (printer->config.busy) return FailHandle(ERROR_SHARING_VIOLATION, INVALID_HANDLE_VALUE);
        if (!(flags & FILE_FLAG_OVERLAPPED)) Violation("printer interface opened without FILE_FLAG_OVERLAPPED");
        ++printer->opens;
        printer->readsSinceOpen = 0;
        printer->writesSinceOpen = 0;
        printer->replyArmed = false;
        Object object;
        object.kind = ObjectKind::PrinterInterface;
        object.name = "printer " + printer->config.name;
        object.printer = printer;
        ::SetLastError(ERROR_SUCCESS);
        return NewHandle(std::move(object));
    }
    return OpenUsbNode(path);
}

HANDLE SimMachine::CreateFileW(LPCWSTR fileName, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD,
                               HANDLE) {
    Lock lock(mutex_);
    const std::string path = Narrow(fileName);
    Log("CreateFileW " + path);
    return OpenUsbNode(path);
}

void SimMachine::ForgetRequestsOf(HANDLE handle) {
    for (auto it = requests_.begin(); it != requests_.end();) {
        if (it->file != handle && it->event != handle) {
            ++it;
            continue;
        }
        if (it->pending) {
            Violation(std::string(it->event == handle ? "event" : "interface") +
                      " closed while its request was still pending");
        }
        it = requests_.erase(it);
    }
}

BOOL SimMachine::CloseHandle(HANDLE handle) {
    Lock lock(mutex_);
    Log("CloseHandle " + Hex(reinterpret_cast<std::uintptr_t>(handle)));
    auto it = objects_.find(handle);
    if (it == objects_.end()) {
        Violation("CloseHandle on a handle the machine never handed out: " +
                  Hex(reinterpret_cast<std::uintptr_t>(handle)));
        return Fail(ERROR_INVALID_HANDLE);
    }
    if (it->second.kind == ObjectKind::DeviceInfoList) {
        Violation("CloseHandle on a device-information list");
        return Fail(ERROR_INVALID_HANDLE);
    }
    ForgetRequestsOf(handle);
    objects_.erase(it);
    return TRUE;
}

// --- Overlapped requests -----------------------------------------------------------------------

BOOL SimMachine::StartRequest(HANDLE file, bool write, const void* data,
                              std::uint8_t* readBuffer, DWORD length, OVERLAPPED* overlapped) {
    Object* object = Find(file, ObjectKind::PrinterInterface);
    if (!object) return Fail(ERROR_INVALID_HANDLE);
    if (!overlapped) {
        Violation("request without an OVERLAPPED record on an overlapped handle");
        return Fail(ERROR_INVALID_PARAMETER);
    }
    Printer& printer = *object->printer;
    const int index = write ? printer.writesSinceOpen++ : printer.readsSinceOpen++;
    const auto& scripts = write ? printer.config.writes : printer.config.reads;
    const auto found = scripts.find(index);
    const bool scripted = printer.config.scriptedOpen == 0 || printer.config.scriptedOpen == printer.opens;
    Request request;
    if (scripted && found != scripts.end()) request.script = found->second;
    if (write) printer.writeLog.push_back({length, 0});
    if (request.script.kind == RequestScript::Kind::RefuseAtOnce) return Fail(request.script.error);

    if (overlapped->hEvent && !Find(overlapped->hEvent, ObjectKind::Event))
        Violation("request with an event the machine never handed out");
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
    using Kind = RequestScript::Kind;
    const bool completesByItself = request.script.kind != Kind::NeverComplete &&
                                   request.script.kind != Kind::CompleteWhileCancelling &&
                                   (write || (printer.replyArmed &&
                                              printer.config.replyMode == ReplyMode::Reply));
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

void SimMachine::Complete(Request& request) {
    request.pending = false;
    Object* object = Find(request.file, ObjectKind::PrinterInterface);
    Printer* printer = object ? object->printer.get() : nullptr;
    request.count = 0;
    if (printer && !request.aborted) {
        const bool part = request.script.kind == RequestScript::Kind::AcceptPart;
        if (request.write) {
            request.count = part ? std::min(request.script.bytes, request.length) : request.length;
            printer->received.insert(printer->received.end(), request.data.begin(),
                                     request.data.begin() + request.count);
            // The write log entry of this request is the last one pushed for the same open
            // exchange; requests are one at a time, so it is the newest entry.
            if (!printer->writeLog.empty()) printer->writeLog.back().accepted = request.count;
            if (request.count == sizeof kRevisionRequest &&
                std::equal(request.data.begin(), request.data.end(), std::begin(kRevisionRequest)))
                printer->replyArmed = true;
        } else if (printer->replyArmed && printer->config.replyMode == ReplyMode::Reply) {
            const auto& reply = printer->config.revisionReply;
            DWORD count = std::min<DWORD>(request.length, static_cast<DWORD>(reply.size()));
            if (part) count = std::min(count, request.script.bytes);
            std::memcpy(request.readBuffer, reply.data(), count);
            request.count = count;
            printer->replyArmed = false;
        }
    }
    request.overlapped->Internal = request.aborted ? kStatusCancelled : 0;
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
    for (auto it = requests_.rbegin(); it != requests_.rend(); ++it)
        if (it->file == file && it->overlapped == overlapped) return &*it;
    return nullptr;
}

SimMachine::Request* SimMachine::PendingRequestFor(HANDLE event) {
    for (Request& request : requests_)
        if (request.pending && request.event == event) return &request;
    return nullptr;
}

BOOL SimMachine::GetOverlappedResult(HANDLE file, LPOVERLAPPED overlapped, LPDWORD transferred,
                                     BOOL wait) {
    Lock lock(mutex_);
    Log("GetOverlappedResult");
    if (wait) Violation("GetOverlappedResult asked to wait");
    Request* request = FindRequest(file, overlapped);
    if (!request) return Fail(ERROR_INVALID_PARAMETER);
    if (request->pending) return Fail(ERROR_IO_INCOMPLETE);
    if (request->script.kind == RequestScript::Kind::FailOverlappedResult)
        return Fail(request->script.error);
    if (transferred) *transferred = request->count;
    if (request->aborted) return Fail(ERROR_OPERATION_ABORTED);
    return TRUE;
}

BOOL SimMachine::CancelIo(HANDLE file) {
    Lock lock(mutex_);
    Log("CancelIo");
    Object* object = Find(file, ObjectKind::PrinterInterface);
    if (!object) return Fail(ERROR_INVALID_HANDLE);
    if (object->printer->config.cancelFails) return Fail(ERROR_NOT_FOUND);
    for (Request& request : requests_) {
        if (request.file != file || !request.pending) continue;
        request.aborted = request.script.kind != RequestScript::Kind::CompleteWhileCancelling;
        Complete(request);
    }
    return TRUE;
}

// --- Events and waits ----------------------------------------------------------------------------

HANDLE SimMachine::CreateEventW(LPSECURITY_ATTRIBUTES, BOOL manualReset, BOOL initialState,
                                LPCWSTR) {
    Lock lock(mutex_);
    Log("CreateEventW");
    if (failEventCreations_ > 0) {
        --failEventCreations_;
        return FailHandle(ERROR_NOT_ENOUGH_MEMORY, nullptr);
    }
    Object object;
    object.kind = ObjectKind::Event;
    object.name = "event";
    object.manualReset = manualReset != FALSE;
    object.signalled = initialState != FALSE;
    return NewHandle(std::move(object));
}

void SimMachine::AdvanceTo(Lock& lock, std::int64_t when) {
    if (!realTime_) {
        now_ = std::max(now_, when);
        return;
    }
    const std::int64_t delay = when - Now();
    if (delay <= 0) return;
    lock.unlock();
    std::this_thread::sleep_for(std::chrono::milliseconds(delay));
    lock.lock();
}

DWORD SimMachine::WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    Lock lock(mutex_);
    Log("WaitForSingleObject " + std::to_string(milliseconds));
    waits_.push_back(milliseconds);
    Object* event = Find(handle, ObjectKind::Event);
    if (!event) {
        ::SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    auto take = [&]() -> DWORD {
        if (Object* e = Find(handle, ObjectKind::Event); e && !e->manualReset) e->signalled = false;
        return WAIT_OBJECT_0;
    };
    if (event->signalled) return take();
    Request* request = PendingRequestFor(handle);
    const bool bounded = milliseconds != INFINITE;
    if (request && bounded && request->script.kind == RequestScript::Kind::FailWait) {
        request->script.kind = RequestScript::Kind::NeverComplete;
        ::SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    const std::int64_t deadline = bounded ? Now() + milliseconds : INT64_MAX;
    if (request && request->completeAt >= 0 && request->completeAt <= deadline) {
        AdvanceTo(lock, request->completeAt);
        if (request->pending) Complete(*request);
        return take();
    }
    if (!bounded) {
        if (!request) {
            Violation("endless wait on an event that nothing will signal");
            ::SetLastError(ERROR_INVALID_HANDLE);
            return WAIT_FAILED;
        }
        // A driver ends every request at last; a cancelled one ends aborted.
        request->aborted = request->script.kind != RequestScript::Kind::CompleteWhileCancelling;
        Complete(*request);
        return take();
    }
    AdvanceTo(lock, deadline);
    if (Object* e = Find(handle, ObjectKind::Event); e && e->signalled) return take();
    return WAIT_TIMEOUT;
}

// --- SetupAPI ------------------------------------------------------------------------------------

HDEVINFO SimMachine::NewDeviceInfoList(const GUID& interfaceClass, std::vector<ListedDevice> devices) {
    Object object;
    object.kind = ObjectKind::DeviceInfoList;
    object.name = "device-information list";
    object.interfaceClass = interfaceClass;
    object.devices = std::move(devices);
    return NewHandle(std::move(object));
}

HDEVINFO SimMachine::SetupDiGetClassDevsA(const GUID* classGuid, PCSTR, HWND, DWORD flags) {
    Lock lock(mutex_);
    Log("SetupDiGetClassDevsA");
    if (!classGuid || flags != (DIGCF_PRESENT | DIGCF_DEVICEINTERFACE))
        return FailHandle(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
    std::vector<ListedDevice> devices;
    if (IsEqualGUID(*classGuid, kUsbPrintInterfaceClass)) {
        if (failPrinterClassList_) return FailHandle(ERROR_INVALID_DATA, INVALID_HANDLE_VALUE);
        for (const auto& device : printerDevices_) {
            ListedDevice listed;
            for (const auto& printer : device) {
                const PrinterConfig& c = printer->config;
                listed.push_back({c.interfacePath, c.detailSizeQuerySucceeds, c.detailSizeQueryError,
                                  c.detailReadFails});
            }
            devices.push_back(std::move(listed));
        }
    }
    return NewDeviceInfoList(*classGuid, std::move(devices));
}

HDEVINFO SimMachine::SetupDiGetClassDevsW(const GUID* classGuid, PCWSTR, HWND, DWORD flags) {
    Lock lock(mutex_);
    Log("SetupDiGetClassDevsW");
    if (!classGuid || flags != (DIGCF_PRESENT | DIGCF_DEVICEINTERFACE))
        return FailHandle(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
    std::vector<ListedDevice> devices;
    if (IsEqualGUID(*classGuid, kUsbHostControllerInterfaceClass)) {
        auto controllers = HostControllerInterfaces();
        if (!controllers) return FailHandle(ERROR_INVALID_DATA, INVALID_HANDLE_VALUE);
        devices = std::move(*controllers);
    }
    return NewDeviceInfoList(*classGuid, std::move(devices));
}

BOOL SimMachine::SetupDiEnumDeviceInfo(HDEVINFO set, DWORD memberIndex, PSP_DEVINFO_DATA info) {
    Lock lock(mutex_);
    Log("SetupDiEnumDeviceInfo " + std::to_string(memberIndex));
    Object* list = Find(set, ObjectKind::DeviceInfoList);
    if (!list) return Fail(ERROR_INVALID_HANDLE);
    if (!info || info->cbSize != sizeof(SP_DEVINFO_DATA)) return Fail(ERROR_INVALID_USER_BUFFER);
    if (memberIndex >= list->devices.size()) return Fail(ERROR_NO_MORE_ITEMS);
    info->ClassGuid = GUID{};
    info->DevInst = memberIndex + 1;
    info->Reserved = memberIndex + 1;
    return TRUE;
}

BOOL SimMachine::SetupDiEnumDeviceInterfaces(HDEVINFO set, PSP_DEVINFO_DATA info,
                                             const GUID* interfaceClass, DWORD memberIndex,
                                             PSP_DEVICE_INTERFACE_DATA interfaceData) {
    Lock lock(mutex_);
    Log("SetupDiEnumDeviceInterfaces " + std::to_string(memberIndex));
    Object* list = Find(set, ObjectKind::DeviceInfoList);
    if (!list) return Fail(ERROR_INVALID_HANDLE);
    if (!interfaceData || interfaceData->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA))
        return Fail(ERROR_INVALID_USER_BUFFER);
    if (info && (info->cbSize != sizeof(SP_DEVINFO_DATA) || info->Reserved == 0 ||
                 info->Reserved > list->devices.size()))
        return Fail(ERROR_INVALID_PARAMETER);
    if (!interfaceClass || !IsEqualGUID(*interfaceClass, list->interfaceClass))
        return Fail(ERROR_NO_MORE_ITEMS);
    // Find the memberIndex-th interface, within one device or across the whole list.
    DWORD seen = 0;
    for (std::size_t d = 0; d < list->devices.size(); ++d) {
        if (info && d != info->Reserved - 1) continue;
        for (std::size_t i = 0; i < list->devices[d].size(); ++i, ++seen) {
            if (seen != memberIndex) continue;
            interfaceData->InterfaceClassGuid = *interfaceClass;
            interfaceData->Flags = SPINT_ACTIVE;
            interfaceData->Reserved = (d << 16 | i) + 1;
            return TRUE;
        }
    }
    return Fail(ERROR_NO_MORE_ITEMS);
}

BOOL SimMachine::InterfaceDetail(HDEVINFO set, PSP_DEVICE_INTERFACE_DATA interfaceData, void* detail,
                                 DWORD detailSize, PDWORD requiredSize, PSP_DEVINFO_DATA info,
                                 bool wide) {
    Object* list = Find(set, ObjectKind::DeviceInfoList);
    if (!list) return Fail(ERROR_INVALID_HANDLE);
    if (!interfaceData || interfaceData->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA) ||
        interfaceData->Reserved == 0)
        return Fail(ERROR_INVALID_PARAMETER);
    const std::size_t d = (interfaceData->Reserved - 1) >> 16, i = (interfaceData->Reserved - 1) & 0xFFFF;
    if (d >= list->devices.size() || i >= list->devices[d].size()) return Fail(ERROR_INVALID_PARAMETER);
    const ListedInterface& listed = list->devices[d][i];

    const DWORD fixed = wide ? offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath)
                             : offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath);
    const DWORD needed = fixed + static_cast<DWORD>((listed.path.size() + 1) * (wide ? 2 : 1));
    if (!detail) {
        if (detailSize != 0) return Fail(ERROR_INVALID_USER_BUFFER);
        if (listed.sizeQuerySucceeds) {
            if (requiredSize) *requiredSize = needed;
            return TRUE;
        }
        if (listed.sizeQueryError != ERROR_INSUFFICIENT_BUFFER) return Fail(listed.sizeQueryError);
        if (requiredSize) *requiredSize = needed;
        return Fail(ERROR_INSUFFICIENT_BUFFER);
    }
    const DWORD cbSize = *static_cast<DWORD*>(detail);
    const DWORD expected = wide ? sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)
                                : sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    if (cbSize != expected) return Fail(ERROR_INVALID_USER_BUFFER);
    if (detailSize < needed) {
        if (requiredSize) *requiredSize = needed;
        return Fail(ERROR_INSUFFICIENT_BUFFER);
    }
    if (listed.detailReadFails) return Fail(ERROR_INVALID_DATA);
    auto* bytes = static_cast<std::uint8_t*>(detail) + fixed;
    for (std::size_t c = 0; c <= listed.path.size(); ++c) {
        const auto ch = static_cast<std::uint8_t>(c < listed.path.size() ? listed.path[c] : 0);
        if (wide) {
            bytes[2 * c] = ch;
            bytes[2 * c + 1] = 0;
        } else {
            bytes[c] = ch;
        }
    }
    if (requiredSize) *requiredSize = needed;
    if (info && info->cbSize == sizeof(SP_DEVINFO_DATA)) {
        info->DevInst = static_cast<DWORD>(d + 1);
        info->Reserved = d + 1;
    }
    return TRUE;
}

BOOL SimMachine::SetupDiGetDeviceInterfaceDetailA(HDEVINFO set,
                                                  PSP_DEVICE_INTERFACE_DATA interfaceData,
                                                  PSP_DEVICE_INTERFACE_DETAIL_DATA_A detail,
                                                  DWORD detailSize, PDWORD requiredSize,
                                                  PSP_DEVINFO_DATA info) {
    Lock lock(mutex_);
    Log("SetupDiGetDeviceInterfaceDetailA " + std::to_string(detailSize));
    return InterfaceDetail(set, interfaceData, detail, detailSize, requiredSize, info, false);
}

BOOL SimMachine::SetupDiGetDeviceInterfaceDetailW(HDEVINFO set,
                                                  PSP_DEVICE_INTERFACE_DATA interfaceData,
                                                  PSP_DEVICE_INTERFACE_DETAIL_DATA_W detail,
                                                  DWORD detailSize, PDWORD requiredSize,
                                                  PSP_DEVINFO_DATA info) {
    Lock lock(mutex_);
    Log("SetupDiGetDeviceInterfaceDetailW " + std::to_string(detailSize));
    return InterfaceDetail(set, interfaceData, detail, detailSize, requiredSize, info, true);
}

BOOL SimMachine::SetupDiDestroyDeviceInfoList(HDEVINFO set) {
    Lock lock(mutex_);
    Log("SetupDiDestroyDeviceInfoList");
    if (!Find(set, ObjectKind::DeviceInfoList)) {
        Violation("SetupDiDestroyDeviceInfoList on something that is not a list");
        return Fail(ERROR_INVALID_HANDLE);
    }
    objects_.erase(set);
    return TRUE;
}

int SimMachine::MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT type) {
    Lock lock(mutex_);
    Log(std::string("MessageBoxA ") + (caption ? caption : ""));
    messageBoxes_.push_back({text ? text : "", caption ? caption : "", type});
    return IDOK;
}

}  // namespace vork::sim
