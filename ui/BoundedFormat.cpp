#include "ui/BoundedFormat.h"

#include <cstdarg>
#include <cstdio>
#include <cwchar>

namespace vork {

int FormatBounded(wchar_t* buffer, std::size_t chars, const wchar_t* format, ...) {
    if (buffer == nullptr || chars == 0) return 0;
    // Cleared first: on a cut or a bad conversion the runtime reports -1 and leaves whatever it
    // wrote unterminated, so every slot it did not fill must already be a terminator.
    std::wmemset(buffer, L'\0', chars);
    if (format == nullptr) return 0;
    va_list args;
    va_start(args, format);
    const int written = _vsnwprintf(buffer, chars - 1, format, args);
    va_end(args);
    buffer[chars - 1] = L'\0';
    return written < 0 ? static_cast<int>(std::wcslen(buffer)) : written;
}

}  // namespace vork
