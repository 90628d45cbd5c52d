#include "ui/Texts.h"

#include <vector>

namespace vork {

int LoadText(HMODULE module, UINT id, wchar_t* buffer, int chars) {
    if (buffer == nullptr || chars <= 0) return 0;
    buffer[0] = L'\0';  // LoadStringW may leave the buffer untouched for an id the module lacks
    const int length = ::LoadStringW(module, id, buffer, chars);
    if (length <= 0) {
        buffer[0] = L'\0';
        return 0;
    }
    return length;
}

std::wstring LoadText(HMODULE module, UINT id, int chars) {
    if (chars <= 0) return {};
    std::vector<wchar_t> buffer(static_cast<std::size_t>(chars), L'\0');
    const int length = LoadText(module, id, buffer.data(), chars);
    return std::wstring(buffer.data(), static_cast<std::size_t>(length));
}

}  // namespace vork
