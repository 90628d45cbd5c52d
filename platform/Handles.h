#pragma once
// The instances of UniqueHandle the product uses.
//
// Handles that reach the printer or the USB stack come from the platform seam and go back to it
// (SeamHandle, SeamFileHandle, DeviceInfoList). Threads, and events that no printer request uses,
// are real kernel objects created outside the seam and closed with the real CloseHandle
// (KernelHandle, ThreadHandle).
#include "platform/Platform.h"
#include "platform/UniqueHandle.h"

namespace vork {

struct SeamHandleTraits {  // events: CreateEventW returns null on failure
    using Type = HANDLE;
    static Type Empty() noexcept { return nullptr; }
    static void Close(Type h) noexcept { System().CloseHandle(h); }
};

struct SeamFileHandleTraits {  // files and devices: CreateFile returns INVALID_HANDLE_VALUE
    using Type = HANDLE;
    static Type Empty() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) noexcept { System().CloseHandle(h); }
};

struct DeviceInfoListTraits {  // SetupDiGetClassDevs returns INVALID_HANDLE_VALUE
    using Type = HDEVINFO;
    static Type Empty() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) noexcept { System().SetupDiDestroyDeviceInfoList(h); }
};

struct KernelHandleTraits {  // real threads and events: CreateThread and CreateEventW return null
    using Type = HANDLE;
    static Type Empty() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::CloseHandle(h); }
};

struct GdiObjectTraits {  // CreateSolidBrush, LoadImageW and the like return null
    using Type = HGDIOBJ;
    static Type Empty() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::DeleteObject(h); }
};

struct GlobalMemoryTraits {  // GlobalAlloc returns null on failure
    using Type = HGLOBAL;
    static Type Empty() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::GlobalFree(h); }
};

struct LibraryModuleTraits {  // LoadLibraryExW returns null on failure
    using Type = HMODULE;
    static Type Empty() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::FreeLibrary(h); }
};

using SeamHandle = UniqueHandle<SeamHandleTraits>;
using SeamFileHandle = UniqueHandle<SeamFileHandleTraits>;
using DeviceInfoList = UniqueHandle<DeviceInfoListTraits>;
using KernelHandle = UniqueHandle<KernelHandleTraits>;
using ThreadHandle = KernelHandle;
using GdiObject = UniqueHandle<GdiObjectTraits>;
using GlobalMemory = UniqueHandle<GlobalMemoryTraits>;  // a block from GlobalAlloc
using LibraryModule = UniqueHandle<LibraryModuleTraits>;

}  // namespace vork
