#pragma once
// The production binding: each method forwards to the Win32 function of the same name.
#include "platform/Platform.h"

namespace vork {

class Win32Platform final : public Platform {
public:
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
};

}  // namespace vork
