#pragma once
// The looping animated picture drawn on the main window while firmware is sent.
//
// The picture is the GIF resource IDR_PROGRESS_GIF of the program's own executable (never of the
// language module). LoadAnimation copies it into a stream on global memory and decodes it with
// GDI+; StartAnimation starts a thread of the indicator's own that draws one frame after another
// straight onto the target window's client area at the origin, pausing after each frame for a delay
// taken from the picture, until the stop event is signalled. Deleting the indicator signals it and
// waits for the thread.
//
// Threads: the window's thread constructs, loads, starts and deletes the indicator; while the
// animation thread runs, only it touches the picture and the delays. The animation thread sends the
// window no message (it draws through GetDC), so the window's thread may block in the destructor's
// wait, even while it handles a message the firmware worker sent it synchronously.
//
// GDI+ must be started before an indicator is constructed and stay started until it is deleted.
// The object's memory comes from GdipAlloc, so `new` yields null when GDI+ has none to give.
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <atomic>
#include <memory>
#include <vector>

#include "platform/GdiplusImage.h"
#include "platform/Handles.h"

namespace vork {

class ProgressIndicator : public GdiplusImage {
public:
    explicit ProgressIndicator(HWND targetWindow) noexcept;
    ~ProgressIndicator() override;

    ProgressIndicator(const ProgressIndicator&) = delete;
    ProgressIndicator& operator=(const ProgressIndicator&) = delete;

    // Reads and decodes the picture; the result is the loaded flag: the resource was found, was not
    // empty and was copied into the image stream. A picture that cannot be decoded still counts as
    // loaded, but has no frames and is never animated. Has no effect once the animation has started.
    bool LoadAnimation() noexcept;

    // Client coordinates of the picture's top-left corner and the window's DPI, at which the
    // picture is drawn scaled from its 96-DPI size; may change while the animation runs.
    void SetOrigin(int x, int y) noexcept;
    void SetDpi(UINT dpi) noexcept { dpi_ = dpi; }

    bool IsLoaded() const noexcept { return loaded_ != FALSE; }

    // Starts the animation thread: true when it was started. False for a picture of fewer than two
    // frames, without a stop event, when the thread already exists, or when it cannot be created.
    // An indicator is started at most once.
    bool StartAnimation() noexcept;

private:
    struct StreamRelease {
        void operator()(IStream* stream) const noexcept { stream->Release(); }
    };
    using ImageStream = std::unique_ptr<IStream, StreamRelease>;
    // The stop event is a real kernel event like the thread: empty at null, closed with CloseHandle.
    using EventHandle = KernelHandle;

    bool LoadResourceBytes(BYTE* buffer, DWORD& size) const noexcept;
    bool CreateImageStream(const BYTE* bytes, DWORD count) noexcept;
    void ReadFrameInfo();
    static DWORD WINAPI ThreadEntry(LPVOID parameter);
    void AnimationLoop() noexcept;
    void DrawActiveFrame() noexcept;
    Gdiplus::GpBitmap* ScaledFrame(int width, int height) noexcept;
    struct PlainFrameBitmap {
        GdiObject bitmap;     // 32 bits a pixel, premultiplied
        bool opaque = false;  // every pixel opaque: copied rather than blended
    };
    const PlainFrameBitmap* PlainFrame(UINT dpi, int width, int height) noexcept;
    void CopyPlainFrame(HDC dc, const PlainFrameBitmap& frame, int width,
                        int height) const noexcept;
    void ReleaseScaledFrames() noexcept;
    void ReleaseAnimation() noexcept;
    void ReleasePicture() noexcept;

    ImageStream imageStream_;  // a copy of the GIF resource; its final release frees the memory
    ThreadHandle animationThread_;
    EventHandle stopEvent_;  // manual reset: once signalled it stays signalled
    HMODULE resourceModule_ = nullptr;
    HWND targetWindow_;
    UINT frameCount_ = 0;    // frames of the picture's first frame dimension
    UINT currentFrame_ = 0;  // the index of the next frame to select
    UINT activeFrame_ = 0;   // the frame selected in the picture, which the next pass draws
    // Away from 96 DPI, each frame scaled once and kept for the DPI it was made for, as a GDI
    // bitmap that each pass copies (BitBlt) or blends (GdiAlphaBlend): scaling with the finest
    // filter on every pass would cost several times the drawing itself, and GDI+ converts a
    // picture anew each time it draws it, even pixel for pixel. Only the animation thread touches
    // them until it has ended.
    std::vector<PlainFrameBitmap> plainFrames_;
    UINT scaledDpi_ = 0;
    BOOL loaded_ = FALSE;
    std::vector<UINT> frameDelays_;  // hundredths of a second, one per frame; may be short or empty
    std::atomic<int> originX_ = 0;   // read by the animation thread, set by the window's
    std::atomic<int> originY_ = 0;
    std::atomic<UINT> dpi_ = 96;
};

}  // namespace vork
