#pragma once
// The one interface through which device/ and usb/ reach the operating system.
//
// Each method carries the name and the parameter list of the Win32 function it stands for and
// behaves like it: it returns the Win32 result and reports errors through the thread's last error
// (SetLastError), so callers read GetLastError() as usual. The process uses the Win32 binding unless
// a scope installs another implementation (ScopedPlatform); a simulated machine does so in tests and
// in the simulator build. Handles handed out by one implementation are only ever given back to it.
#include "platform/Win32.h"

namespace vork {

class Platform {
public:
    virtual ~Platform() = default;

    // Kernel I/O.
    virtual HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode,
                               LPSECURITY_ATTRIBUTES security, DWORD creationDisposition,
                               DWORD flagsAndAttributes, HANDLE templateFile) = 0;
    virtual HANDLE CreateFileW(LPCWSTR fileName, DWORD desiredAccess, DWORD shareMode,
                               LPSECURITY_ATTRIBUTES security, DWORD creationDisposition,
                               DWORD flagsAndAttributes, HANDLE templateFile) = 0;
    virtual BOOL CloseHandle(HANDLE object) = 0;
    virtual BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead,
                          LPOVERLAPPED overlapped) = 0;
    virtual BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten,
                           LPOVERLAPPED overlapped) = 0;
    virtual BOOL GetOverlappedResult(HANDLE file, LPOVERLAPPED overlapped, LPDWORD transferred,
                                     BOOL wait) = 0;
    virtual BOOL CancelIo(HANDLE file) = 0;
    virtual HANDLE CreateEventW(LPSECURITY_ATTRIBUTES security, BOOL manualReset, BOOL initialState,
                                LPCWSTR name) = 0;
    virtual DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds) = 0;
    virtual BOOL DeviceIoControl(HANDLE device, DWORD ioControlCode, LPVOID inBuffer, DWORD inSize,
                                 LPVOID outBuffer, DWORD outSize, LPDWORD bytesReturned,
                                 LPOVERLAPPED overlapped) = 0;

    // SetupAPI.
    virtual HDEVINFO SetupDiGetClassDevsA(const GUID* classGuid, PCSTR enumerator, HWND parent,
                                          DWORD flags) = 0;
    virtual HDEVINFO SetupDiGetClassDevsW(const GUID* classGuid, PCWSTR enumerator, HWND parent,
                                          DWORD flags) = 0;
    virtual BOOL SetupDiEnumDeviceInfo(HDEVINFO set, DWORD memberIndex, PSP_DEVINFO_DATA info) = 0;
    virtual BOOL SetupDiEnumDeviceInterfaces(HDEVINFO set, PSP_DEVINFO_DATA info,
                                             const GUID* interfaceClass, DWORD memberIndex,
                                             PSP_DEVICE_INTERFACE_DATA interfaceData) = 0;
    virtual BOOL SetupDiGetDeviceInterfaceDetailA(HDEVINFO set,
                                                  PSP_DEVICE_INTERFACE_DATA interfaceData,
                                                  PSP_DEVICE_INTERFACE_DETAIL_DATA_A detail,
                                                  DWORD detailSize, PDWORD requiredSize,
                                                  PSP_DEVINFO_DATA info) = 0;
    virtual BOOL SetupDiGetDeviceInterfaceDetailW(HDEVINFO set,
                                                  PSP_DEVICE_INTERFACE_DATA interfaceData,
                                                  PSP_DEVICE_INTERFACE_DETAIL_DATA_W detail,
                                                  DWORD detailSize, PDWORD requiredSize,
                                                  PSP_DEVINFO_DATA info) = 0;
    virtual BOOL SetupDiDestroyDeviceInfoList(HDEVINFO set) = 0;

    // Configuration manager.
    virtual CONFIGRET CM_Locate_DevNodeA(PDEVINST devInst, DEVINSTID_A deviceId, ULONG flags) = 0;
    virtual CONFIGRET CM_Get_Child(PDEVINST child, DEVINST devInst, ULONG flags) = 0;
    virtual CONFIGRET CM_Get_Sibling(PDEVINST sibling, DEVINST devInst, ULONG flags) = 0;
    virtual CONFIGRET CM_Get_Parent(PDEVINST parent, DEVINST devInst, ULONG flags) = 0;
    virtual CONFIGRET CM_Get_DevNode_Registry_PropertyA(DEVINST devInst, ULONG property,
                                                        PULONG regDataType, PVOID buffer,
                                                        PULONG length, ULONG flags) = 0;

    // The one modal call of the USB walk.
    virtual int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) = 0;
};

// The implementation in force for the calling process: the Win32 binding unless a ScopedPlatform
// has installed another.
Platform& System();

// Installs an implementation for the life of the scope and restores the previous one on exit.
// Install before any device object exists and keep it until every worker using it has ended.
class ScopedPlatform {
public:
    explicit ScopedPlatform(Platform& platform);
    ~ScopedPlatform();
    ScopedPlatform(const ScopedPlatform&) = delete;
    ScopedPlatform& operator=(const ScopedPlatform&) = delete;

private:
    Platform* previous_;
};

}  // namespace vork
