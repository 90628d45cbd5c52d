#pragma once
// printf-style formatting into a fixed wide-character buffer. The result is cut to the buffer's
// size less one character and is always terminated, so a long text from a language library can
// never run past the buffer it is read into.
//
// The conversions are those of the Windows C runtime's wide formatter: %s and %c take wide
// arguments (a wchar_t string, a character code passed as an int), %d a signed int.
#include <cstddef>

namespace vork {

// Returns the number of characters stored, terminator not counted. A buffer of size 0 is left alone.
int FormatBounded(wchar_t* buffer, std::size_t chars, const wchar_t* format, ...);

}  // namespace vork
