#pragma once
// The base of our own classes that hold one decoded GDI+ picture, with the interface the Windows SDK
// gives Gdiplus::Image to derived classes: a protected native-image field, the protected
// (GpImage*, Status) constructor, disposal in the virtual destructor and a virtual Clone.
//
// mingw-w64's Gdiplus::Image keeps its field and that constructor private, so a class derived from
// it could never set the picture it decodes itself. Deriving from Gdiplus::GdiplusBase keeps what
// matters about Gdiplus::Image: an object's memory comes from GdipAlloc and returns to GdipFree.
//
// Only the flat functions named here are used, so a delay-loaded GDI+ import library serves as well
// as the ordinary one: GdipAlloc, GdipFree, GdipDisposeImage, GdipCloneImage.
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

namespace vork {

class GdiplusImage : public Gdiplus::GdiplusBase {
public:
    // GdipAlloc answers null when it has no memory (or GDI+ is not started). Declared noexcept,
    // a new-expression then yields null instead of constructing into it: callers check the result.
    static void* operator new(size_t size) noexcept { return Gdiplus::DllExports::GdipAlloc(size); }
    static void operator delete(void* block) noexcept { Gdiplus::DllExports::GdipFree(block); }

    // Disposing of a null picture is harmless: GDI+ answers InvalidParameter and does nothing.
    virtual ~GdiplusImage() { Gdiplus::DllExports::GdipDisposeImage(nativeImage); }

    GdiplusImage(const GdiplusImage&) = delete;
    GdiplusImage& operator=(const GdiplusImage&) = delete;

    // A new, independent copy of the picture (or null, with the status kept for GetLastStatus).
    virtual GdiplusImage* Clone() const {
        Gdiplus::GpImage* copy = nullptr;
        if (SetStatus(Gdiplus::DllExports::GdipCloneImage(nativeImage, &copy)) != Gdiplus::Ok) {
            return nullptr;
        }
        auto* result = new GdiplusImage(copy, lastStatus);
        if (result == nullptr) {
            Gdiplus::DllExports::GdipDisposeImage(copy);
            lastStatus = Gdiplus::OutOfMemory;
        }
        return result;
    }

    // The last failure since the previous call, then Ok again.
    Gdiplus::Status GetLastStatus() const {
        const Gdiplus::Status status = lastStatus;
        lastStatus = Gdiplus::Ok;
        return status;
    }

protected:
    GdiplusImage() = default;
    GdiplusImage(Gdiplus::GpImage* image, Gdiplus::Status status)
        : nativeImage(image), lastStatus(status) {}

    void SetNativeImage(Gdiplus::GpImage* image) { nativeImage = image; }

    Gdiplus::Status SetStatus(Gdiplus::Status status) const {
        if (status != Gdiplus::Ok) lastStatus = status;
        return status;
    }

    Gdiplus::GpImage* nativeImage = nullptr;
    mutable Gdiplus::Status lastStatus = Gdiplus::Ok;
};

}  // namespace vork
