// The binding of the accessibility requests to Windows. Annotations go to the system's annotation
// service (CLSID_AccPropServices), which keeps them with the window for the accessibility proxy of
// every client to read; the service is reached through COM. While the window's thread has its
// requests open, it stays in COM and keeps the one service it created: joining COM, loading the
// service and leaving again for each of the window's annotations cost about a millisecond each,
// before the window first paints. Where the service is missing or refuses, the result says so and
// nothing else happens.
#include "ui/AccessibilityServices.h"

#include "platform/SlimLock.h"

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

// A new annotation service on the calling thread, or why there is none.
HRESULT CreateService(IAccPropServices*& services) {
    services = nullptr;
    const HRESULT result =
        ::CoCreateInstance(kAccPropServices, nullptr, CLSCTX_INPROC_SERVER, kIAccPropServices,
                           reinterpret_cast<void**>(&services));
    if (FAILED(result) || services == nullptr) return FAILED(result) ? result : E_NOINTERFACE;
    return S_OK;
}

// The service kept for the one thread that has its requests open, with COM joined on that thread
// for as long. A service lives in its thread's apartment, so no other thread is given it.
class KeptService {
public:
    void Open() {
        const SlimLock::Hold hold(lock_);
        const DWORD thread = ::GetCurrentThreadId();
        if (depth_ > 0) {
            if (thread == thread_) ++depth_;
            return;
        }
        com_ = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        if (FAILED(CreateService(services_))) services_ = nullptr;
        thread_ = thread;
        depth_ = 1;
    }

    void Close() {
        const SlimLock::Hold hold(lock_);
        if (depth_ == 0 || ::GetCurrentThreadId() != thread_ || --depth_ > 0) return;
        if (services_ != nullptr) services_->Release();
        services_ = nullptr;
        if (SUCCEEDED(com_)) ::CoUninitialize();
        com_ = E_FAIL;
    }

    // The kept service when the calling thread has its requests open, else null.
    IAccPropServices* ForThisThread() {
        const SlimLock::Hold hold(lock_);
        return depth_ > 0 && ::GetCurrentThreadId() == thread_ ? services_ : nullptr;
    }

private:
    SlimLock lock_;
    HRESULT com_ = E_FAIL;
    IAccPropServices* services_ = nullptr;
    DWORD thread_ = 0;
    int depth_ = 0;
};

// Runs `call` on the kept service, or on one made for the call alone; the service's own result,
// or why there was none.
template <typename Call>
HRESULT WithService(KeptService& kept, Call call) {
    if (IAccPropServices* services = kept.ForThisThread()) return call(*services);
    const ComScope com;
    IAccPropServices* services = nullptr;
    HRESULT result = CreateService(services);
    if (FAILED(result)) return result;
    result = call(*services);
    services->Release();
    return result;
}

class WindowsBinding final : public AccessibilityServices {
public:
    HRESULT SetHwndProp(HWND hwnd, DWORD idObject, DWORD idChild, const GUID& idProp,
                        VARIANT var) override {
        return WithService(kept_, [&](IAccPropServices& s) {
            return s.SetHwndProp(hwnd, idObject, idChild, idProp, var);
        });
    }
    HRESULT SetHwndPropStr(HWND hwnd, DWORD idObject, DWORD idChild, const GUID& idProp,
                           LPCWSTR str) override {
        return WithService(kept_, [&](IAccPropServices& s) {
            return s.SetHwndPropStr(hwnd, idObject, idChild, idProp, str);
        });
    }
    HRESULT ClearHwndProps(HWND hwnd, DWORD idObject, DWORD idChild, const GUID* paProps,
                           int cProps) override {
        return WithService(kept_, [&](IAccPropServices& s) {
            return s.ClearHwndProps(hwnd, idObject, idChild, paProps, cProps);
        });
    }
    void NotifyWinEvent(DWORD event, HWND hwnd, LONG idObject, LONG idChild) override {
        ::NotifyWinEvent(event, hwnd, idObject, idChild);
    }
    void OpenRequests() override { kept_.Open(); }
    void CloseRequests() override { kept_.Close(); }

private:
    KeptService kept_;
};

}  // namespace

AccessibilityServices& WindowsAccessibilityServices() {
    static WindowsBinding binding;
    return binding;
}

}  // namespace vork
