#include "platform/Win32Platform.h"

namespace vork {

HANDLE Win32Platform::CreateFileA(LPCSTR n, DWORD a, DWORD s, LPSECURITY_ATTRIBUTES sa, DWORD c,
                                  DWORD f, HANDLE t) {
    return ::CreateFileA(n, a, s, sa, c, f, t);
}
HANDLE Win32Platform::CreateFileW(LPCWSTR n, DWORD a, DWORD s, LPSECURITY_ATTRIBUTES sa, DWORD c,
                                  DWORD f, HANDLE t) {
    return ::CreateFileW(n, a, s, sa, c, f, t);
}
BOOL Win32Platform::CloseHandle(HANDLE h) { return ::CloseHandle(h); }
BOOL Win32Platform::ReadFile(HANDLE h, LPVOID b, DWORD n, LPDWORD r, LPOVERLAPPED o) {
    return ::ReadFile(h, b, n, r, o);
}
BOOL Win32Platform::WriteFile(HANDLE h, LPCVOID b, DWORD n, LPDWORD w, LPOVERLAPPED o) {
    return ::WriteFile(h, b, n, w, o);
}
BOOL Win32Platform::GetOverlappedResult(HANDLE h, LPOVERLAPPED o, LPDWORD n, BOOL w) {
    return ::GetOverlappedResult(h, o, n, w);
}
BOOL Win32Platform::CancelIo(HANDLE h) { return ::CancelIo(h); }
HANDLE Win32Platform::CreateEventW(LPSECURITY_ATTRIBUTES sa, BOOL m, BOOL i, LPCWSTR n) {
    return ::CreateEventW(sa, m, i, n);
}
DWORD Win32Platform::WaitForSingleObject(HANDLE h, DWORD ms) {
    return ::WaitForSingleObject(h, ms);
}
BOOL Win32Platform::DeviceIoControl(HANDLE h, DWORD c, LPVOID i, DWORD is, LPVOID o, DWORD os,
                                    LPDWORD r, LPOVERLAPPED ov) {
    return ::DeviceIoControl(h, c, i, is, o, os, r, ov);
}
HDEVINFO Win32Platform::SetupDiGetClassDevsA(const GUID* g, PCSTR e, HWND w, DWORD f) {
    return ::SetupDiGetClassDevsA(g, e, w, f);
}
HDEVINFO Win32Platform::SetupDiGetClassDevsW(const GUID* g, PCWSTR e, HWND w, DWORD f) {
    return ::SetupDiGetClassDevsW(g, e, w, f);
}
BOOL Win32Platform::SetupDiEnumDeviceInfo(HDEVINFO s, DWORD i, PSP_DEVINFO_DATA d) {
    return ::SetupDiEnumDeviceInfo(s, i, d);
}
BOOL Win32Platform::SetupDiEnumDeviceInterfaces(HDEVINFO s, PSP_DEVINFO_DATA d, const GUID* g,
                                                DWORD i, PSP_DEVICE_INTERFACE_DATA id) {
    return ::SetupDiEnumDeviceInterfaces(s, d, g, i, id);
}
BOOL Win32Platform::SetupDiGetDeviceInterfaceDetailA(HDEVINFO s, PSP_DEVICE_INTERFACE_DATA id,
                                                     PSP_DEVICE_INTERFACE_DETAIL_DATA_A dd, DWORD n,
                                                     PDWORD r, PSP_DEVINFO_DATA d) {
    return ::SetupDiGetDeviceInterfaceDetailA(s, id, dd, n, r, d);
}
BOOL Win32Platform::SetupDiGetDeviceInterfaceDetailW(HDEVINFO s, PSP_DEVICE_INTERFACE_DATA id,
                                                     PSP_DEVICE_INTERFACE_DETAIL_DATA_W dd, DWORD n,
                                                     PDWORD r, PSP_DEVINFO_DATA d) {
    return ::SetupDiGetDeviceInterfaceDetailW(s, id, dd, n, r, d);
}
BOOL Win32Platform::SetupDiDestroyDeviceInfoList(HDEVINFO s) {
    return ::SetupDiDestroyDeviceInfoList(s);
}
CONFIGRET Win32Platform::CM_Locate_DevNodeA(PDEVINST d, DEVINSTID_A id, ULONG f) {
    return ::CM_Locate_DevNodeA(d, id, f);
}
CONFIGRET Win32Platform::CM_Get_Child(PDEVINST c, DEVINST d, ULONG f) {
    return ::CM_Get_Child(c, d, f);
}
CONFIGRET Win32Platform::CM_Get_Sibling(PDEVINST s, DEVINST d, ULONG f) {
    return ::CM_Get_Sibling(s, d, f);
}
CONFIGRET Win32Platform::CM_Get_Parent(PDEVINST p, DEVINST d, ULONG f) {
    return ::CM_Get_Parent(p, d, f);
}
CONFIGRET Win32Platform::CM_Get_DevNode_Registry_PropertyA(DEVINST d, ULONG p, PULONG t, PVOID b,
                                                           PULONG n, ULONG f) {
    return ::CM_Get_DevNode_Registry_PropertyA(d, p, t, b, n, f);
}
int Win32Platform::MessageBoxA(HWND w, LPCSTR t, LPCSTR c, UINT f) {
    return ::MessageBoxA(w, t, c, f);
}

}  // namespace vork
