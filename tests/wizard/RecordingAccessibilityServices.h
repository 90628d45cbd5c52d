#pragma once
// A stand-in for the system's annotation service and NotifyWinEvent that records each request in
// order, with the control's id and its text at that moment, and answers as Wine 8 does (E_NOTIMPL)
// unless told otherwise.
#include <windows.h>

#include <string>
#include <vector>

#include "ui/AccessibilityServices.h"

namespace vork::test {

class RecordingAccessibilityServices final : public AccessibilityServices {
public:
    struct Call {
        std::string name;
        int id = 0;         // the control's id
        GUID prop{};        // the property annotated
        LONG value = 0;     // a VT_I4 or VT_BOOL value
        std::wstring str;   // a string annotated
        std::wstring text;  // the control's window text when the call was made
        DWORD event = 0;
        bool windowAlive = false;
    };

    HRESULT SetHwndProp(HWND hwnd, DWORD, DWORD, const GUID& prop, VARIANT var) override {
        Call c = Of("SetHwndProp", hwnd);
        c.prop = prop;
        c.value = var.vt == VT_BOOL ? var.boolVal : var.lVal;
        calls.push_back(c);
        return answer;
    }
    HRESULT SetHwndPropStr(HWND hwnd, DWORD, DWORD, const GUID& prop, LPCWSTR str) override {
        Call c = Of("SetHwndPropStr", hwnd);
        c.prop = prop;
        c.str = str != nullptr ? str : L"";
        calls.push_back(c);
        return answer;
    }
    HRESULT ClearHwndProps(HWND hwnd, DWORD, DWORD, const GUID*, int) override {
        calls.push_back(Of("ClearHwndProps", hwnd));
        return answer;
    }
    void NotifyWinEvent(DWORD event, HWND hwnd, LONG, LONG) override {
        Call c = Of("NotifyWinEvent", hwnd);
        c.event = event;
        calls.push_back(c);
    }
    void OpenRequests() override { calls.push_back(Of("OpenRequests", nullptr)); }
    void CloseRequests() override { calls.push_back(Of("CloseRequests", nullptr)); }

    // The texts announced on control `id`, in order.
    std::vector<std::wstring> Announced(int id) const {
        std::vector<std::wstring> texts;
        for (const Call& c : calls) {
            if (c.name == "NotifyWinEvent" && c.id == id && c.event == kEventLiveRegionChanged)
                texts.push_back(c.text);
        }
        return texts;
    }

    std::vector<Call> calls;
    HRESULT answer = E_NOTIMPL;

private:
    static Call Of(const char* name, HWND hwnd) {
        Call c;
        c.name = name;
        c.id = ::GetDlgCtrlID(hwnd);
        c.windowAlive = ::IsWindow(hwnd) != FALSE;
        wchar_t text[256] = {};
        ::GetWindowTextW(hwnd, text, 256);
        c.text = text;
        return c;
    }
};

}  // namespace vork::test
