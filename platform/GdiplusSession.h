#pragma once
// Keeps GDI+ started for the life of the scope: started before any picture is decoded or drawn and
// shut down after the last one is gone. A start that fails (GDI+ missing or refusing) leaves the
// session not started: the caller then makes no GDI+ call at all, and nothing is shut down.
#include <windows.h>
#include <objidl.h>  // PROPID, which the GDI+ headers need and WIN32_LEAN_AND_MEAN leaves out
#include <gdiplus.h>

namespace vork {

class GdiplusSession {
public:
    GdiplusSession() {
        Gdiplus::GdiplusStartupInput input;  // version 1, no debug callback, background thread on
        if (Gdiplus::GdiplusStartup(&token_, &input, nullptr) != Gdiplus::Ok) token_ = 0;
    }
    ~GdiplusSession() {
        if (token_) Gdiplus::GdiplusShutdown(token_);
    }
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;

    bool IsStarted() const noexcept { return token_ != 0; }

private:
    ULONG_PTR token_ = 0;
};

}  // namespace vork
