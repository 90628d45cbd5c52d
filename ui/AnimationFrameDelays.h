#pragma once
// The frame delays of an animated picture, read out of its frame-delay property (0x5100) as
// GdipGetPropertyItem fills it in: a Gdiplus::PropertyItem header whose value points to `length`
// bytes of 32-bit delays in hundredths of a second, one per frame, normally right behind the header
// in the same buffer.
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <span>
#include <vector>

namespace vork {

// The delays of the property item held in `item` (the whole buffer GDI+ filled). Only an item of
// the frame-delay id and of type Long whose value lies wholly inside the buffer is read; anything
// else gives no delays, and each frame then takes the default delay. May throw std::bad_alloc.
std::vector<UINT> ReadFrameDelays(std::span<const BYTE> item);

}  // namespace vork
