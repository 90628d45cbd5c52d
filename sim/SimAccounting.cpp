// What the simulated machine was told and what it saw: describing printers, the call log, the
// clock's reading, the objects still open and the violations recorded.
#include <algorithm>
#include <cstdio>

#include "sim/SimMachine.h"

namespace vork::sim {

std::vector<std::uint8_t> RevisionReply(const char* code) {
    std::vector<std::uint8_t> reply = {'S', 'G', '7', '3', '1', '-', ' ', 0, 0, 0};
    for (int i = 0; i < 3 && code[i]; ++i) reply[7 + i] = static_cast<std::uint8_t>(code[i]);
    return reply;
}

SimMachine::SimMachine() = default;
SimMachine::~SimMachine() = default;

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
                                                                 start_)
        .count();
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

HANDLE SimMachine::NewHandle(Object object) {
    auto* handle = reinterpret_cast<HANDLE>(nextHandle_);
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

int SimMachine::MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT type) {
    Lock lock(mutex_);
    Log(std::string("MessageBoxA ") + (caption ? caption : ""));
    messageBoxes_.push_back({text ? text : "", caption ? caption : "", type});
    return IDOK;
}

}  // namespace vork::sim
