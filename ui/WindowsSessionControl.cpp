#include "ui/SessionControl.h"

namespace vork {
namespace {

class Win32SessionControl final : public SessionControl {
public:
    EXECUTION_STATE SetThreadExecutionState(EXECUTION_STATE flags) override {
        return ::SetThreadExecutionState(flags);
    }
    BOOL ShutdownBlockReasonCreate(HWND window, LPCWSTR reason) override {
        return ::ShutdownBlockReasonCreate(window, reason);
    }
    BOOL ShutdownBlockReasonDestroy(HWND window) override {
        return ::ShutdownBlockReasonDestroy(window);
    }
};

}  // namespace

SessionControl& WindowsSessionControl() {
    static Win32SessionControl binding;
    return binding;
}

}  // namespace vork
