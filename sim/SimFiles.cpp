// Opening and closing through the simulated machine, held to what CreateFile and CloseHandle
// document.
//
// Each kind of node expects the updater to open it in one way: a host controller or hub for
// GENERIC_WRITE with FILE_SHARE_WRITE, OPEN_EXISTING and no flags (its requests are synchronous); a
// printer interface for reading and writing, FILE_SHARE_READ, OPEN_ALWAYS and overlapped I/O.
// Anything else is a violation. Sharing is enforced as Windows enforces it: an open fails with
// ERROR_SHARING_VIOLATION when its access is not allowed by the sharing of a handle already open on
// the same node, or when its own sharing does not allow the access of such a handle.
#include <algorithm>
#include <cstdio>

#include "sim/SimMachine.h"

namespace vork::sim {
namespace {

constexpr DWORD kReadAccess = GENERIC_READ | GENERIC_ALL | FILE_READ_DATA;
constexpr DWORD kWriteAccess = GENERIC_WRITE | GENERIC_ALL | FILE_WRITE_DATA | FILE_APPEND_DATA;

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

// The node an open handle stands for: handles of one node share.
const void* NodeOf(const SimMachine::Object& object) {
    switch (object.kind) {
        case SimMachine::ObjectKind::PrinterInterface: return object.printer.get();
        case SimMachine::ObjectKind::UsbController:
        case SimMachine::ObjectKind::UsbHub: return object.usbNode;
        default: return nullptr;
    }
}

}  // namespace

HANDLE SimMachine::CreateFileA(LPCSTR fileName, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES,
                               DWORD disposition, DWORD flags, HANDLE) {
    Lock lock(mutex_);
    const OpenRequest open{fileName ? fileName : "", access, share, disposition, flags};
    Log("CreateFileA " + open.path);
    for (const auto& printer : printers_)
        if (printer->config.interfacePath == open.path) return OpenPrinter(printer, open);
    return OpenUsbNode(open);
}

HANDLE SimMachine::CreateFileW(LPCWSTR fileName, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES,
                               DWORD disposition, DWORD flags, HANDLE) {
    Lock lock(mutex_);
    const OpenRequest open{Narrow(fileName), access, share, disposition, flags};
    Log("CreateFileW " + open.path);
    for (const auto& printer : printers_)
        if (printer->config.interfacePath == open.path) return OpenPrinter(printer, open);
    return OpenUsbNode(open);
}

bool SimMachine::SharingConflict(const void* node, DWORD access, DWORD share) const {
    return std::ranges::any_of(objects_, [&](const auto& entry) {
        const Object& open = entry.second;
        if (NodeOf(open) != node) return false;
        return ((access & kReadAccess) && !(open.share & FILE_SHARE_READ)) ||
               ((access & kWriteAccess) && !(open.share & FILE_SHARE_WRITE)) ||
               ((open.access & kReadAccess) && !(share & FILE_SHARE_READ)) ||
               ((open.access & kWriteAccess) && !(share & FILE_SHARE_WRITE));
    });
}

HANDLE SimMachine::OpenPrinter(const std::shared_ptr<Printer>& printer, const OpenRequest& open) {
    if (open.access != (GENERIC_READ | GENERIC_WRITE) || open.share != FILE_SHARE_READ ||
        open.disposition != OPEN_ALWAYS || !(open.flags & FILE_FLAG_OVERLAPPED)) {
        Violation("printer interface opened with access " + Hex(open.access) + ", sharing " +
                  Hex(open.share) + ", disposition " + std::to_string(open.disposition) +
                  ", flags " + Hex(open.flags) +
                  " (expected read and write, FILE_SHARE_READ, OPEN_ALWAYS, overlapped)");
    }
    if (printer->unplugged) return FailHandle(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
    // Another program holds a busy printer's interface without sharing it.
    if (printer->config.busy) return FailHandle(ERROR_SHARING_VIOLATION, INVALID_HANDLE_VALUE);
    Object object;
    object.kind = ObjectKind::PrinterInterface;
    object.name = "printer " + printer->config.name;
    object.printer = printer;
    const HANDLE handle = OpenNode(std::move(object), printer.get(), open);
    if (handle == INVALID_HANDLE_VALUE) return handle;
    ++printer->opens;
    printer->readsSinceOpen = 0;
    printer->writesSinceOpen = 0;
    printer->replyArmed = false;
    return handle;
}

HANDLE SimMachine::OpenNode(Object object, const void* node, const OpenRequest& open) {
    if (SharingConflict(node, open.access, open.share))
        return FailHandle(ERROR_SHARING_VIOLATION, INVALID_HANDLE_VALUE);
    object.access = open.access;
    object.share = open.share;
    object.flags = open.flags;
    ::SetLastError(ERROR_SUCCESS);
    return NewHandle(std::move(object));
}

void SimMachine::CheckUsbOpen(const OpenRequest& open) {
    if (open.access == GENERIC_WRITE && open.share == FILE_SHARE_WRITE &&
        open.disposition == OPEN_EXISTING && open.flags == 0)
        return;
    Violation(open.path + " opened with access " + Hex(open.access) + ", sharing " +
              Hex(open.share) + ", disposition " + std::to_string(open.disposition) + ", flags " +
              Hex(open.flags) + " (expected GENERIC_WRITE, FILE_SHARE_WRITE, OPEN_EXISTING, none)");
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

}  // namespace vork::sim
