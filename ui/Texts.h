#pragma once
// Reading the string table. Every text comes from the language module: the satellite library that
// was loaded, or the program's own module when none was. There is no per-string fallback to the
// built-in table. A text longer than its buffer is cut to the buffer's size less one character;
// an id the module does not hold gives an empty text.
#include <windows.h>

#include <string>

namespace vork {

// Buffer sizes, in characters with the terminator, that limit the texts of the string table.
inline constexpr int kTextChars = 160;      // lines, titles, the class name
inline constexpr int kCaptionChars = 16;    // button captions
inline constexpr int kProgressChars = 64;   // the progress text and its formatted line
inline constexpr int kFileNameChars = 260;  // a language library's file name

// Reads text `id` into `buffer` of `chars` characters; returns its length. Always terminated.
int LoadText(HMODULE module, UINT id, wchar_t* buffer, int chars);

// The same, as a string no longer than chars - 1.
std::wstring LoadText(HMODULE module, UINT id, int chars);

}  // namespace vork
