#pragma once
// The interface classes the simulated machine answers for, read from the text form Windows
// documents them in. The machine keeps its own copies rather than the updater's constants, so a
// wrong byte in the updater's GUID finds no interfaces instead of agreeing with itself.
#include <cstdint>

#include "platform/Win32.h"

namespace vork::sim {

namespace guid_text {

constexpr std::uint32_t Hex(const char* text, int from, int digits) {
    std::uint32_t value = 0;
    for (int i = from; i < from + digits; ++i) {
        const char c = text[i];
        const std::uint32_t nibble =
            c >= '0' && c <= '9'   ? static_cast<std::uint32_t>(c - '0')
            : c >= 'a' && c <= 'f' ? static_cast<std::uint32_t>(c - 'a' + 10)
            : c >= 'A' && c <= 'F' ? static_cast<std::uint32_t>(c - 'A' + 10)
                                   : throw "not a hexadecimal digit";
        value = value << 4 | nibble;
    }
    return value;
}

}  // namespace guid_text

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" as a GUID; anything else does not compile.
constexpr GUID GuidFromText(const char (&text)[39]) {
    if (text[0] != '{' || text[9] != '-' || text[14] != '-' || text[19] != '-' || text[24] != '-' ||
        text[37] != '}')
        throw "not a GUID in registry form";
    GUID guid{};
    guid.Data1 = guid_text::Hex(text, 1, 8);
    guid.Data2 = static_cast<std::uint16_t>(guid_text::Hex(text, 10, 4));
    guid.Data3 = static_cast<std::uint16_t>(guid_text::Hex(text, 15, 4));
    guid.Data4[0] = static_cast<std::uint8_t>(guid_text::Hex(text, 20, 2));
    guid.Data4[1] = static_cast<std::uint8_t>(guid_text::Hex(text, 22, 2));
    for (int i = 0; i < 6; ++i)
        guid.Data4[2 + i] = static_cast<std::uint8_t>(guid_text::Hex(text, 25 + 2 * i, 2));
    return guid;
}

inline constexpr GUID kPrinterInterfaces = GuidFromText("{28D78FAD-5A12-11D1-AE5B-0000F803A8C2}");
inline constexpr GUID kHostControllerInterfaces =
    GuidFromText("{3ABF6F2D-71C4-462A-8A92-1E6861E6AF27}");

}  // namespace vork::sim
