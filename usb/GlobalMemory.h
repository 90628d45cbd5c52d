#pragma once
// Owner of a fixed block from GlobalAlloc (GPTR), released with GlobalFree on every path.
#include "platform/UniqueHandle.h"
#include "platform/Win32.h"

namespace vork {

struct GlobalMemoryTraits {  // GlobalAlloc returns null on failure
    using Type = HGLOBAL;
    static Type Empty() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::GlobalFree(h); }
};

using GlobalMemory = UniqueHandle<GlobalMemoryTraits>;

}  // namespace vork
