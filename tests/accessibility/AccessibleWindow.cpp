#include "tests/accessibility/AccessibleWindow.h"

#include <oleacc.h>

#include "ui/AccessibilityServices.h"
#include "ui/ResourceIds.h"

namespace vork::test {
namespace {

// The interfaces' ids, here since oleacc's and uuid's import libraries both define them.
constexpr IID kIAccessible = {
    0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
constexpr CLSID kAccPropServices = {
    0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};
constexpr IID kIAccPropServices = {
    0x6e26e776, 0x04f0, 0x495d, {0x80, 0xe4, 0x33, 0x30, 0x35, 0x2e, 0x31, 0x69}};

HWINEVENTHOOK g_hook = nullptr;
HWND g_main = nullptr;
std::vector<Event> g_events;

std::wstring NameOf(IAccessible* object, VARIANT child) {
    BSTR name = nullptr;
    std::wstring result;
    if (SUCCEEDED(object->get_accName(child, &name)) && name != nullptr) result = name;
    ::SysFreeString(name);
    return result;
}

void CALLBACK OnEvent(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG idObject, LONG idChild, DWORD,
                      DWORD) {
    if (hwnd == nullptr || event == EVENT_OBJECT_LOCATIONCHANGE) return;
    // The window may announce its first screen before the caller has found it: the first event
    // from a top-level window with a Close button names the main window.
    const HWND root = ::GetAncestor(hwnd, GA_ROOT);
    if (g_main == nullptr && root != nullptr && ::GetDlgItem(root, IDC_CLOSE) != nullptr)
        g_main = root;
    if (g_main == nullptr) return;
    if (hwnd != g_main && ::GetParent(hwnd) != g_main) return;
    // Reading the name asks the program, and the events that arrive meanwhile are handled inside
    // this call: the event takes its place in the order before that.
    const std::size_t at = g_events.size();
    g_events.push_back({event, hwnd == g_main ? 0 : ::GetDlgCtrlID(hwnd), {}});
    IAccessible* object = nullptr;
    VARIANT child{};
    if (SUCCEEDED(::AccessibleObjectFromEvent(hwnd, idObject, idChild, &object, &child)) &&
        object != nullptr) {
        g_events[at].name = NameOf(object, child);
        object->Release();
    }
}

}  // namespace

std::vector<Element> ReadElements(HWND main) {
    std::vector<Element> elements;
    for (HWND c = ::GetWindow(main, GW_CHILD); c != nullptr; c = ::GetWindow(c, GW_HWNDNEXT)) {
        if (!::IsWindowVisible(c)) continue;
        Element element{::GetDlgCtrlID(c), {}, {}, 0, 0};
        wchar_t text[256] = {};
        ::GetWindowTextW(c, text, 256);
        element.text = text;
        IAccessible* object = nullptr;
        if (SUCCEEDED(::AccessibleObjectFromWindow(c, static_cast<DWORD>(OBJID_CLIENT),
                                                   kIAccessible,
                                                   reinterpret_cast<void**>(&object))) &&
            object != nullptr) {
            VARIANT self{};
            self.vt = VT_I4;
            self.lVal = CHILDID_SELF;
            element.name = NameOf(object, self);
            VARIANT value{};
            if (SUCCEEDED(object->get_accRole(self, &value)) && value.vt == VT_I4)
                element.role = value.lVal;
            if (SUCCEEDED(object->get_accState(self, &value)) && value.vt == VT_I4)
                element.state = value.lVal;
            object->Release();
        }
        elements.push_back(element);
    }
    return elements;
}

EventRecorder::~EventRecorder() {
    if (g_hook != nullptr) ::UnhookWinEvent(g_hook);
    g_hook = nullptr;
    g_main = nullptr;
}

bool EventRecorder::Start(DWORD process) {
    g_hook = ::SetWinEventHook(EVENT_MIN, EVENT_MAX, nullptr, &OnEvent, process, 0,
                               WINEVENT_OUTOFCONTEXT);
    return g_hook != nullptr;
}

void EventRecorder::Watch(HWND main) {
    if (g_main == nullptr) g_main = main;
}

const std::vector<Event>& EventRecorder::Events() const { return g_events; }

void Pump(DWORD ms) {
    const ULONGLONG end = ::GetTickCount64() + ms;
    for (ULONGLONG now = ::GetTickCount64(); now < end; now = ::GetTickCount64()) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
    }
}

bool AnnotationsHonoured() {
    IAccPropServices* services = nullptr;
    if (FAILED(::CoCreateInstance(kAccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                                  kIAccPropServices, reinterpret_cast<void**>(&services))))
        return false;
    const HWND probe =
        ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    const HRESULT result = services->SetHwndPropStr(probe, static_cast<DWORD>(OBJID_CLIENT),
                                                    CHILDID_SELF, kNameProperty, L"probe");
    if (SUCCEEDED(result)) {
        services->ClearHwndProps(probe, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                                 &kNameProperty, 1);
    }
    services->Release();
    ::DestroyWindow(probe);
    return SUCCEEDED(result);
}

std::string Utf8(const std::wstring& text) {
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), size,
                          nullptr, nullptr);
    return out;
}

std::string EventName(DWORD event) {
    switch (event) {
        case 0x8019: return "liveregion";
        case EVENT_OBJECT_SHOW: return "show";
        case EVENT_OBJECT_HIDE: return "hide";
        case EVENT_OBJECT_NAMECHANGE: return "namechange";
        case EVENT_OBJECT_FOCUS: return "focus";
        case EVENT_OBJECT_CREATE: return "create";
        case EVENT_OBJECT_DESTROY: return "destroy";
        case EVENT_OBJECT_STATECHANGE: return "statechange";
        case EVENT_OBJECT_REORDER: return "reorder";
        default: {
            char hex[16];
            ::wsprintfA(hex, "0x%04lx", event);
            return hex;
        }
    }
}

}  // namespace vork::test
