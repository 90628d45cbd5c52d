#pragma once
// A simulated Windows machine behind the platform seam: printers on their USB printer-class
// interfaces, the USB topology that the walk reads, and the kernel objects in between.
//
// Time is virtual unless real-time mode is on: a wait that would run out returns WAIT_TIMEOUT at once
// and advances the clock by its bound, a request with a latency completes when its wait reaches it.
// Every handle, event and device-information list handed out is tracked; misuse that Windows would
// punish later (closing an unknown handle, closing an event whose request is still pending, an
// endless wait on an event that nothing will signal) is recorded as a violation for tests to assert.
// One mutex guards the whole model, so the firmware worker and the window's thread may both use it.
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
    std::vector<std::shared_ptr<Printer>> AddPrinterDevice(const std::vector<PrinterConfig>& interfaces);
    std::shared_ptr<Printer> AddPrinter(const PrinterConfig& config);

    void SetRealTime(bool realTime);
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
    BOOL DeviceIoControl(HANDLE, DWORD, LPVOID, DWORD, LPVOID, DWORD, LPDWORD, LPOVERLAPPED) override;
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
    CONFIGRET CM_Get_DevNode_Registry_PropertyA(DEVINST, ULONG, PULONG, PVOID, PULONG, ULONG) override;
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
        std::shared_ptr<Printer> printer;    // PrinterInterface
        bool manualReset = true;             // Event
        bool signalled = false;              // Event
        std::vector<ListedDevice> devices;   // DeviceInfoList
        GUID interfaceClass{};               // DeviceInfoList
        const void* usbNode = nullptr;       // UsbController, UsbHub: the node in the topology
    };

private:
    struct Request {
        HANDLE file = nullptr;
        OVERLAPPED* overlapped = nullptr;
        HANDLE event = nullptr;
        bool write = false;
        bool pending = true;
        bool aborted = false;
        std::vector<std::uint8_t> data;     // the bytes of a write, as handed over
        std::uint8_t* readBuffer = nullptr; // where a read delivers
        DWORD length = 0;
        DWORD count = 0;                    // bytes the request moves when it completes
        std::int64_t completeAt = -1;       // clock value; -1: never by itself
        RequestScript script;
    };

    using Lock = std::unique_lock<std::mutex>;

    HANDLE NewHandle(Object object);  // caller holds the lock
    Object* Find(HANDLE handle, ObjectKind kind);
    void Log(std::string entry);
    void Violation(std::string what);
    BOOL Fail(DWORD error);
    HANDLE FailHandle(DWORD error, HANDLE value);

    BOOL StartRequest(HANDLE file, bool write, const void* data, std::uint8_t* readBuffer,
                      DWORD length, OVERLAPPED* overlapped);
    void Complete(Request& request);
    void Signal(HANDLE event);
    void AdvanceTo(Lock& lock, std::int64_t when);
    Request* FindRequest(HANDLE file, OVERLAPPED* overlapped);
    Request* PendingRequestFor(HANDLE event);
    void ForgetRequestsOf(HANDLE handle);

    BOOL InterfaceDetail(HDEVINFO set, PSP_DEVICE_INTERFACE_DATA interfaceData, void* detail,
                         DWORD detailSize, PDWORD requiredSize, PSP_DEVINFO_DATA info, bool wide);
    HDEVINFO NewDeviceInfoList(const GUID& interfaceClass, std::vector<ListedDevice> devices);

    // The USB half, implemented in SimMachineUsb.cpp. Each is called with the lock held.
    HANDLE OpenUsbNode(const std::string& path);
    // nullopt: the list cannot be had.
    std::optional<std::vector<ListedDevice>> HostControllerInterfaces();
    BOOL UsbIoControl(Object& node, DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize,
                      LPDWORD returned);

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
