#pragma once
// What the window tells assistive technology beyond what the standard controls say of themselves:
// annotations of a control's accessible properties (Active Accessibility's dynamic annotation,
// which also carries UI Automation properties such as a live region's setting) and the WinEvents a
// screen reader listens for. These requests reach neither the printer nor the USB stack, so they
// are not part of the platform seam; they sit behind this small interface so that a test can see
// each one made, also where the system cannot answer them.
//
// The methods carry the names and parameters of the functions they stand for: IAccPropServices'
// SetHwndProp, SetHwndPropStr and ClearHwndProps, and user32's NotifyWinEvent. A failed annotation
// changes nothing else: the window works the same without it.
#include <windows.h>
#include <oleacc.h>

namespace vork {

class AccessibilityServices {
public:
    virtual ~AccessibilityServices() = default;

    virtual HRESULT SetHwndProp(HWND hwnd, DWORD idObject, DWORD idChild, const GUID& idProp,
                                VARIANT var) = 0;
    virtual HRESULT SetHwndPropStr(HWND hwnd, DWORD idObject, DWORD idChild, const GUID& idProp,
                                   LPCWSTR str) = 0;
    virtual HRESULT ClearHwndProps(HWND hwnd, DWORD idObject, DWORD idChild, const GUID* paProps,
                                   int cProps) = 0;
    virtual void NotifyWinEvent(DWORD event, HWND hwnd, LONG idObject, LONG idChild) = 0;

    // Between these two, the annotations made on the calling thread share what they need (on
    // Windows: COM and the annotation service), made once rather than for every request. A window
    // opens them as it annotates its controls and closes them once it has cleared them. Pairs may
    // nest; a close with nothing open does nothing.
    virtual void OpenRequests() {}
    virtual void CloseRequests() {}
};

// The binding to Windows: one object for the process. While a thread has requests open, its
// annotations go to the annotation service it created then; otherwise each annotation creates the
// service for the call on the calling thread (a window's thread).
AccessibilityServices& WindowsAccessibilityServices();

// The properties the window annotates, here so that no module needs oleacc.dll's definitions:
// Active Accessibility's name and state, and UI Automation properties the cross SDK's headers lack.
inline constexpr GUID kNameProperty = {
    0x608d3df8, 0x8128, 0x4aa7, {0xa4, 0x28, 0xf5, 0x5e, 0x49, 0x26, 0x72, 0x91}};
inline constexpr GUID kStateProperty = {
    0xa8d4d5b0, 0x0a21, 0x42d0, {0xa5, 0xc0, 0x51, 0x4e, 0x98, 0x4f, 0x45, 0x7b}};
// LiveSetting: 0 off, 1 polite, 2 assertive (UI Automation's LiveSetting enumeration).
inline constexpr GUID kLiveSettingProperty = {
    0xc12bcd8e, 0x2a8e, 0x4950, {0x8a, 0xe7, 0x36, 0x25, 0x11, 0x1d, 0x58, 0xeb}};
inline constexpr GUID kIsControlElementProperty = {
    0x95f35085, 0xabcc, 0x4afd, {0xa5, 0xf4, 0xdb, 0xb4, 0x6c, 0x23, 0x0f, 0xdb}};
inline constexpr GUID kIsContentElementProperty = {
    0x4bda64a8, 0xf5d8, 0x480b, {0x81, 0x55, 0xef, 0x2e, 0x89, 0xad, 0xb6, 0x72}};

// EVENT_OBJECT_LIVEREGIONCHANGED, which the headers give only to programs for Windows 8 and later;
// an earlier Windows delivers it to hooks all the same and its readers ignore it.
inline constexpr DWORD kEventLiveRegionChanged = 0x8019;

enum class LiveSetting : LONG { Off = 0, Polite = 1, Assertive = 2 };

}  // namespace vork
