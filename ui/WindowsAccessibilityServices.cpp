// The binding of the accessibility requests to Windows. Annotations go to the system's annotation
// service (CLSID_AccPropServices), which keeps them with the window for the accessibility proxy of
// every client to read; the service is reached through COM, which the window's thread joins for the
// call only. Where the service is missing or refuses, the result says so and nothing else happens.
#include "ui/AccessibilityServices.h"

namespace vork {
namespace {

constexpr CLSID kAccPropServices = {
    0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};
constexpr IID kIAccPropServices = {
    0x6e26e776, 0x04f0, 0x495d, {0x80, 0xe4, 0x33, 0x30, 0x35, 0x2e, 0x31, 0x69}};

// COM joined for one call on the calling thread; a thread already in COM stays as it was.
class ComScope {
public:
    ComScope() : result_(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComScope() {
        if (SUCCEEDED(result_)) ::CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    HRESULT result_;
};

// Runs `call` on the annotation service; the service's own result, or why there was none.
template <typename Call>
HRESULT WithService(Call call) {
    const ComScope com;
    IAccPropServices* services = nullptr;
    HRESULT result = ::CoCreateInstance(kAccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                                        kIAccPropServices, reinterpret_cast<void**>(&services));
    if (FAILED(result) || services == nullptr) return FAILED(result) ? result : E_NOINTERFACE;
    result = call(*services);
    services->Release();
    return result;
}

class WindowsBinding final : public AccessibilityServices {
public:
    HRESULT SetHwndProp(HWND hwnd, DWORD idObject, DWORD idChild, const GUID& idProp,
                        VARIANT var) override {
        return WithService([&](IAccPropServices& s) {
            return s.SetHwndProp(hwnd, idObject, idChild, idProp, var);
        });
    }
    HRESULT SetHwndPropStr(HWND hwnd, DWORD idObject, DWORD idChild, const GUID& idProp,
                           LPCWSTR str) override {
        return WithService([&](IAccPropServices& s) {
            return s.SetHwndPropStr(hwnd, idObject, idChild, idProp, str);
        });
    }
    HRESULT ClearHwndProps(HWND hwnd, DWORD idObject, DWORD idChild, const GUID* paProps,
                           int cProps) override {
        return WithService([&](IAccPropServices& s) {
            return s.ClearHwndProps(hwnd, idObject, idChild, paProps, cProps);
        });
    }
    void NotifyWinEvent(DWORD event, HWND hwnd, LONG idObject, LONG idChild) override {
        ::NotifyWinEvent(event, hwnd, idObject, idChild);
    }
};

}  // namespace

AccessibilityServices& WindowsAccessibilityServices() {
    static WindowsBinding binding;
    return binding;
}

}  // namespace vork
