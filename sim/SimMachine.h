#pragma once
// A simulated Windows machine behind the platform seam: printers on their USB printer-class
// interfaces, the USB topology that the walk reads, and the kernel objects in between.
//
// Time is virtual unless real-time mode is on: a wait that would run out returns WAIT_TIMEOUT at
// once and advances the clock by its bound, a request with a latency completes when its wait
// reaches it. Every handle, event and device-information list handed out is tracked. The machine is
// as strict as Windows: every call is held against what Windows documents for it (the access,
// sharing, disposition and flags each kind of node is opened with, sharing between open handles,
// control codes and buffer sizes per node, the cbSize of SetupAPI records, requests never freed,
// reused or closed while pending), and misuse is recorded as a violation for tests to fail on. It
// answers as Windows would, failures included. One mutex guards the whole model, so the firmware
// worker and the window's thread may both use it.
//
// The seam's methods live in files by concern: SimFiles.cpp (opening and closing), SimRequests.cpp
// (overlapped reads and writes), SimEvents.cpp (events, waits and the clock), SimSetupApi.cpp
// (device-information lists), SimMachineUsb.cpp (control requests to controllers and hubs),
// SimDeviceTree.cpp (the configuration manager), SimAccounting.cpp (what happened).
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <list>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "sim/SimPrinter.h"
#include "sim/SimUsbModel.h"

namespace vork::sim {

struct MessageBoxRecord {
    std::string text;
    std::string caption;
    UINT type = 0;
};

class SimMachine final : public Platform {
public:
    SimMachine();
    ~SimMachine() override;

    // --- Describing the machine --------------------------------------------------------------
    // Attaches a printer-class device with one interface per config, listed under
    // GUID_DEVINTERFACE_USBPRINT in the order given.
    std::vector<std::shared_ptr<Printer>> AddPrinterDevice(
        const std::vector<PrinterConfig>& interfaces);
    std::shared_ptr<Printer> AddPrinter(const PrinterConfig& config);

    void SetRealTime(bool realTime);
    bool RealTime() const { return realTime_; }
    void FailPrinterClassList(bool fail);  // SetupDiGetClassDevsA returns INVALID_HANDLE_VALUE
    void FailNextEventCreations(int count);

    UsbTopology& Usb() { return usb_; }

    // --- What happened -------------------------------------------------------------------------
    std::vector<std::string> CallLog() const;
    int CountCalls(const std::string& function) const;
    std::vector<DWORD> Waits() const;  // the bound of every WaitForSingleObject, in order
    std::int64_t NowMs() const;
    int OpenHandles() const;  // handles, events and device-information lists not yet closed
    std::vector<std::string> OpenHandleNames() const;
    std::vector<std::string> Violations() const;
    std::vector<MessageBoxRecord> MessageBoxes() const;
    std::vector<std::shared_ptr<Printer>> Printers() const;
    void ClearLog();

    // --- The seam --------------------------------------------------------------------------------
    HANDLE CreateFileA(LPCSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE) override;
    HANDLE CreateFileW(LPCWSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE) override;
    BOOL CloseHandle(HANDLE) override;
    BOOL ReadFile(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED) override;
    BOOL WriteFile(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED) override;
    BOOL GetOverlappedResult(HANDLE, LPOVERLAPPED, LPDWORD, BOOL) override;
    BOOL CancelIo(HANDLE) override;
    HANDLE CreateEventW(LPSECURITY_ATTRIBUTES, BOOL, BOOL, LPCWSTR) override;
    DWORD WaitForSingleObject(HANDLE, DWORD) override;
    BOOL DeviceIoControl(HANDLE, DWORD, LPVOID, DWORD, LPVOID, DWORD, LPDWORD,
                         LPOVERLAPPED) override;
    HDEVINFO SetupDiGetClassDevsA(const GUID*, PCSTR, HWND, DWORD) override;
    HDEVINFO SetupDiGetClassDevsW(const GUID*, PCWSTR, HWND, DWORD) override;
    BOOL SetupDiEnumDeviceInfo(HDEVINFO, DWORD, PSP_DEVINFO_DATA) override;
    BOOL SetupDiEnumDeviceInterfaces(HDEVINFO, PSP_DEVINFO_DATA, const GUID*, DWORD,
                                     PSP_DEVICE_INTERFACE_DATA) override;
    BOOL SetupDiGetDeviceInterfaceDetailA(HDEVINFO, PSP_DEVICE_INTERFACE_DATA,
                                          PSP_DEVICE_INTERFACE_DETAIL_DATA_A, DWORD, PDWORD,
                                          PSP_DEVINFO_DATA) override;
    BOOL SetupDiGetDeviceInterfaceDetailW(HDEVINFO, PSP_DEVICE_INTERFACE_DATA,
                                          PSP_DEVICE_INTERFACE_DETAIL_DATA_W, DWORD, PDWORD,
                                          PSP_DEVINFO_DATA) override;
    BOOL SetupDiDestroyDeviceInfoList(HDEVINFO) override;
    CONFIGRET CM_Locate_DevNodeA(PDEVINST, DEVINSTID_A, ULONG) override;
    CONFIGRET CM_Get_Child(PDEVINST, DEVINST, ULONG) override;
    CONFIGRET CM_Get_Sibling(PDEVINST, DEVINST, ULONG) override;
    CONFIGRET CM_Get_Parent(PDEVINST, DEVINST, ULONG) override;
    CONFIGRET CM_Get_DevNode_Registry_PropertyA(DEVINST, ULONG, PULONG, PVOID, PULONG,
                                                ULONG) override;
    int MessageBoxA(HWND, LPCSTR, LPCSTR, UINT) override;

    // --- Shared with the USB half of the model (SimMachineUsb.cpp) -----------------------------
    // One interface of a device-information list, and how reading its detail fails.
    struct ListedInterface {
        std::string path;
        bool sizeQuerySucceeds = false;
        DWORD sizeQueryError = ERROR_INSUFFICIENT_BUFFER;
        bool detailReadFails = false;
    };
    using ListedDevice = std::vector<ListedInterface>;

    enum class ObjectKind { PrinterInterface, Event, DeviceInfoList, UsbController, UsbHub };
    struct Object {
        ObjectKind kind = ObjectKind::Event;
        std::string name;
        DWORD access = 0;                   // as opened: what the handle may do
        DWORD share = 0;                    // as opened: what it lets other opens do
        DWORD flags = 0;                    // as opened: FILE_FLAG_OVERLAPPED and the rest
        std::shared_ptr<Printer> printer;   // PrinterInterface
        bool manualReset = true;            // Event
        bool signalled = false;             // Event
        std::vector<ListedDevice> devices;  // DeviceInfoList
        GUID interfaceClass{};              // DeviceInfoList
        const void* usbNode = nullptr;      // UsbController, UsbHub: the node in the topology
    };

private:
    struct Request {
        HANDLE file = nullptr;
        OVERLAPPED* overlapped = nullptr;
        HANDLE event = nullptr;
        DWORD thread = 0;  // the thread that started it: CancelIo cancels only that thread's
        bool write = false;
        bool pending = true;
        bool aborted = false;
        DWORD failure = ERROR_SUCCESS;       // the error the request ends with, when it fails
        std::vector<std::uint8_t> data;      // the bytes of a write, as handed over
        std::uint8_t* readBuffer = nullptr;  // where a read delivers
        DWORD length = 0;
        DWORD count = 0;               // bytes the request moves when it completes
        std::int64_t completeAt = -1;  // clock value; -1: never by itself
        RequestScript script;
    };

    using Lock = std::unique_lock<std::mutex>;

    // What a CreateFile call asked for.
    struct OpenRequest {
        std::string path;
        DWORD access;
        DWORD share;
        DWORD disposition;
        DWORD flags;
    };

    HANDLE NewHandle(Object object);  // caller holds the lock
    Object* Find(HANDLE handle, ObjectKind kind);
    void Log(std::string entry);
    void Violation(std::string what);
    static BOOL Fail(DWORD error);
    static HANDLE FailHandle(DWORD error, HANDLE value);

    HANDLE OpenPrinter(const std::shared_ptr<Printer>& printer, const OpenRequest& open);
    HANDLE OpenNode(Object object, const void* node, const OpenRequest& open);
    bool SharingConflict(const void* node, DWORD access, DWORD share) const;
    void CheckUsbOpen(const OpenRequest& open);
    bool CheckRecordSize(const char* function, const char* record, DWORD cbSize, DWORD expected);

    BOOL StartRequest(HANDLE file, bool write, const void* data, std::uint8_t* readBuffer,
                      DWORD length, OVERLAPPED* overlapped);
    void Complete(Request& request);
    void Signal(HANDLE event);
    void AdvanceTo(Lock& lock, std::int64_t when);
    Request* FindRequest(HANDLE file, OVERLAPPED* overlapped);
    Request* PendingRequestFor(HANDLE event);
    void ForgetRequestsOf(HANDLE handle);
    bool CheckRequest(const Object& file, bool write, OVERLAPPED* overlapped);
    static RequestScript NextScript(Printer& printer, bool write);
    static void Deliver(Request& request, Printer& printer);

    BOOL InterfaceDetail(HDEVINFO set, PSP_DEVICE_INTERFACE_DATA interfaceData, void* detail,
                         DWORD detailSize, PDWORD requiredSize, PSP_DEVINFO_DATA info, bool wide);
    BOOL SizeQuery(const ListedInterface& listed, DWORD detailSize, DWORD needed,
                   PDWORD requiredSize);
    static const ListedInterface* ListedFor(const Object& list,
                                            const SP_DEVICE_INTERFACE_DATA& data,
                                            std::size_t& device);
    std::vector<ListedDevice> PrinterInterfaces() const;
    HDEVINFO NewDeviceInfoList(const GUID& interfaceClass, std::vector<ListedDevice> devices);

    // The USB half, implemented in SimMachineUsb.cpp. Each is called with the lock held.
    HANDLE OpenUsbNode(const OpenRequest& open);
    // nullopt: the list cannot be had.
    std::optional<std::vector<ListedDevice>> HostControllerInterfaces();
    BOOL UsbIoControl(Object& node, DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize,
                      LPDWORD returned);
    bool CheckIoControl(const Object* node, DWORD code, LPVOID in, DWORD inSize, LPVOID out,
                        DWORD outSize, const DWORD* returned, LPOVERLAPPED overlapped);

    mutable std::mutex mutex_;
    std::map<HANDLE, Object> objects_;
    std::uintptr_t nextHandle_ = 0x7AB00000;  // far from the small values real handles take
    std::vector<std::shared_ptr<Printer>> printers_;
    std::vector<std::vector<std::shared_ptr<Printer>>> printerDevices_;
    std::list<Request> requests_;  // stable addresses: a wait may sleep holding one
    std::vector<std::string> log_;
    std::vector<DWORD> waits_;
    std::vector<std::string> violations_;
    std::vector<MessageBoxRecord> messageBoxes_;
    std::int64_t now_ = 0;  // virtual clock, in ms
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::int64_t Now() const;  // caller holds the lock
    bool realTime_ = false;
    bool failPrinterClassList_ = false;
    int failEventCreations_ = 0;
    UsbTopology usb_;
};

}  // namespace vork::sim
