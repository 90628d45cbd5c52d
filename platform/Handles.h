#pragma once
// The instances of UniqueHandle the product uses.
//
// Handles that reach the printer or the USB stack come from the platform seam and go back to it
// (SeamHandle, DeviceInfoList). Threads, and events that no printer request uses,
// are real kernel objects created outside the seam and closed with the real CloseHandle
// (KernelHandle, ThreadHandle).
#include <cstdio>

#include "platform/Platform.h"
#include "platform/UniqueHandle.h"

namespace vork {

// CreateFile returns INVALID_HANDLE_VALUE on failure and CreateEventW returns null; a HANDLE owner
// treats both as empty, so whichever function filled it, a failed creation is never closed.
inline bool IsEmptyHandle(HANDLE h) noexcept { return h == nullptr || h == INVALID_HANDLE_VALUE; }

struct SeamHandleTraits {  // files, devices and events of the seam
    using Type = HANDLE;
    static Type Empty() noexcept { return nullptr; }
    static bool IsEmpty(Type h) noexcept { return IsEmptyHandle(h); }
    static void Close(Type h) noexcept { System().CloseHandle(h); }
};

struct DeviceInfoListTraits {  // SetupDiGetClassDevs returns INVALID_HANDLE_VALUE
    using Type = HDEVINFO;
    static Type Empty() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) noexcept { System().SetupDiDestroyDeviceInfoList(h); }
};

struct KernelHandleTraits {  // real threads, events and files
    using Type = HANDLE;
    static Type Empty() noexcept { return nullptr; }
    static bool IsEmpty(Type h) noexcept { return IsEmptyHandle(h); }
    static void Close(Type h) noexcept { ::CloseHandle(h); }
};

struct GdiObjectTraits {  // CreateSolidBrush, LoadImageW and the like return null
    using Type = HGDIOBJ;
    static Type Empty() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::DeleteObject(h); }
};

struct MemoryDCTraits {  // CreateCompatibleDC returns null on failure
    using Type = HDC;
    static Type Empty() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::DeleteDC(h); }
};

struct GlobalMemoryTraits {  // GlobalAlloc returns null on failure
    using Type = HGLOBAL;
    static Type Empty() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::GlobalFree(h); }
};

struct FileStreamTraits {  // _wfopen returns null on failure
    using Type = FILE*;
    static Type Empty() noexcept { return nullptr; }
    static void Close(Type f) noexcept { std::fclose(f); }
};

struct LibraryModuleTraits {  // LoadLibraryExW returns null on failure
    using Type = HMODULE;
    static Type Empty() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::FreeLibrary(h); }
};

using SeamHandle = UniqueHandle<SeamHandleTraits>;
using DeviceInfoList = UniqueHandle<DeviceInfoListTraits>;
using KernelHandle = UniqueHandle<KernelHandleTraits>;
using ThreadHandle = KernelHandle;
using GdiObject = UniqueHandle<GdiObjectTraits>;
using MemoryDC = UniqueHandle<MemoryDCTraits>;
using GlobalMemory = UniqueHandle<GlobalMemoryTraits>;  // a block from GlobalAlloc
using LibraryModule = UniqueHandle<LibraryModuleTraits>;
// A C stream. Where a written file must be known complete, call CloseFileStream and check it.
using FileStream = UniqueHandle<FileStreamTraits>;

// Closes `file` now and tells whether everything written reached the file.
inline bool CloseFileStream(FileStream& file) noexcept {
    FILE* const f = file.Release();
    return f != nullptr && std::fclose(f) == 0;
}

}  // namespace vork
