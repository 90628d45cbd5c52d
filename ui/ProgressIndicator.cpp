#include "ui/ProgressIndicator.h"

#include <cstddef>
#include <cstring>
#include <new>
#include <utility>

#include "ui/AnimationFrameDelays.h"
#include "ui/AnimationStep.h"
#include "platform/WindowDC.h"
#include "ui/ResourceIds.h"

namespace vork {

namespace {

namespace gdip = Gdiplus::DllExports;

// The SDK's FrameDimensionTime, spelled out here: a data import cannot come from a delay-loaded
// GDI+, and the product loads GDI+ that way.
constexpr GUID kFrameDimensionTime = {
    0x6aedbd6d, 0x3fb5, 0x418a, {0x83, 0xa6, 0x7f, 0x45, 0x22, 0x9d, 0xc8, 0x72}};

}  // namespace

ProgressIndicator::ProgressIndicator(HWND targetWindow) noexcept : targetWindow_(targetWindow) {}

ProgressIndicator::~ProgressIndicator() {
    ReleaseAnimation();
    // The base disposes of the native image.
}

void ProgressIndicator::SetOrigin(int x, int y) noexcept {
    originX_ = x;
    originY_ = y;
}

bool ProgressIndicator::LoadAnimation() noexcept {
    if (animationThread_) return IsLoaded();  // the running thread owns the picture now
    ReleasePicture();

    // Never the language module: the picture belongs to the program, not to its texts.
    resourceModule_ = ::GetModuleHandleW(nullptr);
    stopEvent_.Reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));

    DWORD size = 0;
    if (LoadResourceBytes(nullptr, size) && size > 0) {
        // The copy is only needed until the stream holds its own.
        std::unique_ptr<BYTE[]> buffer(new (std::nothrow) BYTE[size]);
        loaded_ = buffer && LoadResourceBytes(buffer.get(), size) &&
                  CreateImageStream(buffer.get(), size);
    }
    if (!loaded_) return false;

    Gdiplus::GpImage* image = nullptr;
    if (gdip::GdipLoadImageFromStreamICM(imageStream_.get(), &image) != Gdiplus::Ok) {
        image = nullptr;  // an undecodable picture: no frames, never animated
    }
    SetNativeImage(image);
    try {
        ReadFrameInfo();
    } catch (const std::bad_alloc&) {
        frameCount_ = 0;
        frameDelays_.clear();
    }
    return true;
}

// Without a buffer, sets size to the resource's size; with one, copies the resource into it when
// size (the buffer's) is large enough and sets size to the bytes copied.
bool ProgressIndicator::LoadResourceBytes(BYTE* buffer, DWORD& size) const noexcept {
    HRSRC info = ::FindResourceW(resourceModule_, MAKEINTRESOURCEW(IDR_PROGRESS_GIF), L"GIF");
    if (info == nullptr) return false;
    HGLOBAL resource = ::LoadResource(resourceModule_, info);
    if (resource == nullptr) return false;

    bool copied = false;
    if (const void* bytes = ::LockResource(resource)) {
        const DWORD resourceSize = ::SizeofResource(resourceModule_, info);
        if (buffer == nullptr) {
            size = resourceSize;
            copied = true;
        } else if (size >= resourceSize) {
            std::memcpy(buffer, bytes, resourceSize);
            size = resourceSize;
            copied = true;
        }
    }
    ::FreeResource(resource);
    return copied;
}

bool ProgressIndicator::CreateImageStream(const BYTE* bytes, DWORD count) noexcept {
    GlobalMemory block(::GlobalAlloc(GMEM_MOVEABLE, count));
    if (!block) return false;
    void* target = ::GlobalLock(block.Get());
    if (target == nullptr) return false;
    std::memcpy(target, bytes, count);
    ::GlobalUnlock(block.Get());

    IStream* stream = nullptr;
    if (FAILED(::CreateStreamOnHGlobal(block.Get(), TRUE, &stream))) return false;
    block.Release();  // freed by the stream's final release
    imageStream_.reset(stream);
    return true;
}

// Reads the frame count of the first frame dimension and the frame delays. Failing queries leave
// the count at 0 or the delays empty. May throw std::bad_alloc.
void ProgressIndicator::ReadFrameInfo() {
    UINT dimensionCount = 0;
    gdip::GdipImageGetFrameDimensionsCount(nativeImage, &dimensionCount);
    if (dimensionCount > 0) {
        std::vector<GUID> dimensions(dimensionCount);
        UINT frames = 0;
        if (gdip::GdipImageGetFrameDimensionsList(nativeImage, dimensions.data(), dimensionCount) ==
                Gdiplus::Ok &&
            gdip::GdipImageGetFrameCount(nativeImage, dimensions.data(), &frames) == Gdiplus::Ok) {
            frameCount_ = frames;
        }
    }

    UINT itemSize = 0;
    if (gdip::GdipGetPropertyItemSize(nativeImage, PropertyTagFrameDelay, &itemSize) ==
            Gdiplus::Ok &&
        itemSize > 0) {
        std::vector<BYTE> item(itemSize);
        auto* header = reinterpret_cast<Gdiplus::PropertyItem*>(item.data());
        if (gdip::GdipGetPropertyItem(nativeImage, PropertyTagFrameDelay, itemSize, header) ==
            Gdiplus::Ok) {
            frameDelays_ = ReadFrameDelays(item);
        }
    }
}

bool ProgressIndicator::StartAnimation() noexcept {
    // Stopping depends on the stop event: without one the thread could never be ended.
    if (frameCount_ < 2 || animationThread_ || !stopEvent_) return false;

    // Stored before the thread runs, so the destructor always finds the thread it must stop.
    animationThread_.Reset(
        ::CreateThread(nullptr, 0, &ThreadEntry, this, CREATE_SUSPENDED, nullptr));
    if (!animationThread_) return false;
    if (::ResumeThread(animationThread_.Get()) == static_cast<DWORD>(-1)) {
        // It never ran and holds nothing; left suspended, the destructor would wait for it forever.
        ::TerminateThread(animationThread_.Get(), 0);
        ::WaitForSingleObject(animationThread_.Get(), INFINITE);
        animationThread_.Reset();
        return false;
    }
    return true;
}

DWORD WINAPI ProgressIndicator::ThreadEntry(LPVOID parameter) {
    static_cast<ProgressIndicator*>(parameter)->AnimationLoop();
    return 0;
}

// The animation thread: draw, select the next frame, pause; until the stop event is signalled.
// Nothing in it throws; noexcept keeps any exception from reaching the thread's entry.
void ProgressIndicator::AnimationLoop() noexcept {
    currentFrame_ = 0;
    activeFrame_ = 0;
    for (;;) {
        DrawActiveFrame();
        const AnimationStep step = NextAnimationStep(currentFrame_, frameCount_, frameDelays_);
        gdip::GdipImageSelectActiveFrame(nativeImage, &kFrameDimensionTime, step.selectedFrame);
        activeFrame_ = step.selectedFrame;
        currentFrame_ = step.nextFrame;
        // Only a time-out goes on: a failed wait would otherwise spin, and the destructor relies on
        // the thread ending once the event is signalled.
        if (::WaitForSingleObject(stopEvent_.Get(), step.pauseMs) != WAIT_TIMEOUT) return;
    }
}

// One pass: the active frame at the origin, at its natural size scaled to the DPI, without erasing
// what is beneath. A pass without a device context, or whose GDI+ calls fail, draws nothing and
// reports nothing.
void ProgressIndicator::DrawActiveFrame() noexcept {
    UINT width = 0;
    UINT height = 0;
    gdip::GdipGetImageWidth(nativeImage, &width);
    gdip::GdipGetImageHeight(nativeImage, &height);
    const UINT dpi = dpi_;
    const auto scale = [dpi](UINT v) {
        return ::MulDiv(static_cast<int>(v), static_cast<int>(dpi), 96);
    };
    // At 96 DPI the frame is drawn as ever, pixel for pixel; elsewhere its scaled copy, which is
    // then copied pixel for pixel as well. Without a copy it is scaled as it is drawn.
    const PlainFrameBitmap* plain = nullptr;
    if (dpi != 96) plain = PlainFrame(dpi, scale(width), scale(height));

    WindowDC dc(targetWindow_);
    if (dc.Get() == nullptr) return;
    if (plain != nullptr) {
        CopyPlainFrame(dc.Get(), *plain, scale(width), scale(height));
        return;
    }
    Gdiplus::GpGraphics* graphics = nullptr;
    if (gdip::GdipCreateFromHDC(dc.Get(), &graphics) != Gdiplus::Ok) return;
    if (dpi != 96) {
        gdip::GdipSetInterpolationMode(graphics, Gdiplus::InterpolationModeHighQualityBicubic);
        gdip::GdipSetPixelOffsetMode(graphics, Gdiplus::PixelOffsetModeHighQuality);
    }
    gdip::GdipDrawImageRectI(graphics, nativeImage, originX_, originY_, scale(width),
                             scale(height));
    // The graphics goes before the device context it was made on is released.
    gdip::GdipDeleteGraphics(graphics);
}

// The active frame scaled to width x height with the finest filter GDI+ has, for the caller to
// dispose of; null when it cannot be made.
Gdiplus::GpBitmap* ProgressIndicator::ScaledFrame(int width, int height) noexcept {
    // An opaque picture gets an opaque copy, which is then drawn as a plain copy of its pixels
    // rather than blended with what is beneath; tiling at its edges keeps the filter from mixing
    // the edge pixels with the transparent outside.
    UINT flags = 0;
    gdip::GdipGetImageFlags(nativeImage, &flags);
    const bool opaque = (flags & Gdiplus::ImageFlagsHasAlpha) == 0;
    Gdiplus::GpBitmap* bitmap = nullptr;
    if (gdip::GdipCreateBitmapFromScan0(width, height, 0,
                                        opaque ? PixelFormat32bppRGB : PixelFormat32bppPARGB,
                                        nullptr, &bitmap) != Gdiplus::Ok) {
        return nullptr;
    }
    Gdiplus::GpImageAttributes* attributes = nullptr;
    gdip::GdipCreateImageAttributes(&attributes);
    gdip::GdipSetImageAttributesWrapMode(attributes, Gdiplus::WrapModeTileFlipXY, 0, FALSE);
    UINT naturalWidth = 0;
    UINT naturalHeight = 0;
    gdip::GdipGetImageWidth(nativeImage, &naturalWidth);
    gdip::GdipGetImageHeight(nativeImage, &naturalHeight);
    Gdiplus::GpGraphics* graphics = nullptr;
    bool drawn = false;
    if (gdip::GdipGetImageGraphicsContext(bitmap, &graphics) == Gdiplus::Ok) {
        gdip::GdipSetInterpolationMode(graphics, Gdiplus::InterpolationModeHighQualityBicubic);
        gdip::GdipSetPixelOffsetMode(graphics, Gdiplus::PixelOffsetModeHighQuality);
        drawn = gdip::GdipDrawImageRectRectI(graphics, nativeImage, 0, 0, width, height, 0, 0,
                                             static_cast<INT>(naturalWidth),
                                             static_cast<INT>(naturalHeight), Gdiplus::UnitPixel,
                                             attributes, nullptr, nullptr) == Gdiplus::Ok;
        gdip::GdipDeleteGraphics(graphics);
    }
    gdip::GdipDisposeImageAttributes(attributes);
    if (!drawn) {
        gdip::GdipDisposeImage(bitmap);
        return nullptr;
    }
    return bitmap;
}

// The active frame scaled as ScaledFrame scales it, its pixels premultiplied in a bitmap of GDI's
// own; made on first use at this DPI. Null when it cannot be made: the pass then has GDI+ scale
// the frame as it draws it.
const ProgressIndicator::PlainFrameBitmap* ProgressIndicator::PlainFrame(UINT dpi, int width,
                                                                         int height) noexcept {
    if (dpi != scaledDpi_) {
        ReleaseScaledFrames();
        scaledDpi_ = dpi;
    }
    if (plainFrames_.size() < frameCount_) {
        try {
            plainFrames_.resize(frameCount_);
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
    }
    if (activeFrame_ >= plainFrames_.size()) return nullptr;
    PlainFrameBitmap& plain = plainFrames_[activeFrame_];
    if (plain.bitmap) return &plain;

    struct ScaledCopy {
        Gdiplus::GpBitmap* bitmap;
        ~ScaledCopy() {
            if (bitmap != nullptr) gdip::GdipDisposeImage(bitmap);
        }
    } const scaledCopy{ScaledFrame(width, height)};
    Gdiplus::GpBitmap* scaled = scaledCopy.bitmap;
    if (scaled == nullptr) return nullptr;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    GdiObject bitmap(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || bits == nullptr) return nullptr;
    const Gdiplus::Rect area(0, 0, width, height);
    Gdiplus::BitmapData data{};
    if (gdip::GdipBitmapLockBits(scaled, &area, Gdiplus::ImageLockModeRead, PixelFormat32bppPARGB,
                                 &data) != Gdiplus::Ok) {
        return nullptr;
    }
    const auto row = static_cast<std::size_t>(width) * 4;
    bool opaque = true;
    for (int y = 0; y < height; ++y) {
        auto* to = static_cast<BYTE*>(bits) + row * static_cast<std::size_t>(y);
        std::memcpy(
            to, static_cast<const BYTE*>(data.Scan0) + static_cast<std::ptrdiff_t>(y) * data.Stride,
            row);
        for (std::size_t alpha = 3; alpha < row; alpha += 4) opaque = opaque && to[alpha] == 0xFF;
    }
    gdip::GdipBitmapUnlockBits(scaled, &data);
    plain.bitmap = std::move(bitmap);
    plain.opaque = opaque;
    return &plain;
}

// Puts a frame on the window as GDI+ would: an opaque one copied, any other blended onto what is
// beneath.
void ProgressIndicator::CopyPlainFrame(HDC dc, const PlainFrameBitmap& frame, int width,
                                       int height) const noexcept {
    MemoryDC memory(::CreateCompatibleDC(dc));
    if (!memory) return;
    const HGDIOBJ previous = ::SelectObject(memory.Get(), frame.bitmap.Get());
    if (frame.opaque) {
        ::BitBlt(dc, originX_, originY_, width, height, memory.Get(), 0, 0, SRCCOPY);
    } else {
        const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        ::GdiAlphaBlend(dc, originX_, originY_, width, height, memory.Get(), 0, 0, width, height,
                        blend);
    }
    ::SelectObject(memory.Get(), previous);
}

void ProgressIndicator::ReleaseScaledFrames() noexcept {
    plainFrames_.clear();
    scaledDpi_ = 0;
}

// Stops and joins the thread, then releases the event, the delays and the stream. The window's
// thread runs it from the destructor.
void ProgressIndicator::ReleaseAnimation() noexcept {
    if (animationThread_) {
        ::SetEvent(stopEvent_.Get());
        ::WaitForSingleObject(animationThread_.Get(), INFINITE);
        animationThread_.Reset();
    }
    ReleaseScaledFrames();
    stopEvent_.Reset();
    frameDelays_ = {};
    imageStream_.reset();
}

// Returns a not-started indicator to its constructed state before a further load.
void ProgressIndicator::ReleasePicture() noexcept {
    gdip::GdipDisposeImage(nativeImage);
    SetNativeImage(nullptr);
    frameCount_ = 0;
    frameDelays_ = {};
    imageStream_.reset();
    loaded_ = FALSE;
}

}  // namespace vork
