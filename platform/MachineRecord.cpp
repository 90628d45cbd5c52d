#include "platform/MachineRecord.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>

#include "platform/SlimLock.h"
#include "platform/Win32.h"

namespace vork {
namespace {

// The window's thread and the firmware worker both write; one line at a time keeps lines whole.
constinit SlimLock lineLock;

HANDLE StandardOutput() noexcept {
    const HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    return out == INVALID_HANDLE_VALUE ? nullptr : out;
}

}  // namespace

void RecordHead() noexcept {
    static std::atomic<bool> written{false};
    if (!written.exchange(true)) Record("%s", kRecordFirstLine);
}

bool IsRecording() noexcept {
    const DWORD error = ::GetLastError();
    const bool recording = StandardOutput() != nullptr;
    ::SetLastError(error);
    return recording;
}

void Record(const char* format, ...) noexcept {
    const DWORD error = ::GetLastError();
    if (const HANDLE out = StandardOutput()) {
        char line[kLongestRecordLine + 2];
        va_list arguments;
        va_start(arguments, format);
        const int formatted = std::vsnprintf(line, kLongestRecordLine + 1, format, arguments);
        va_end(arguments);
        if (formatted >= 0) {
            auto length = static_cast<std::size_t>(formatted);
            if (length > kLongestRecordLine) length = kLongestRecordLine;
            line[length++] = '\n';
            DWORD written = 0;
            const SlimLock::Hold hold(lineLock);
            ::WriteFile(out, line, static_cast<DWORD>(length), &written, nullptr);
        }
    }
    ::SetLastError(error);
}

std::string RecordHex(const std::uint8_t* bytes, std::size_t size) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(size * 2);
    for (std::size_t i = 0; i < size; ++i) {
        text.push_back(kDigits[bytes[i] >> 4]);
        text.push_back(kDigits[bytes[i] & 0x0F]);
    }
    return text;
}

std::string RecordQuoted(const char* text, std::size_t size, bool endsAtNul) {
    std::string quoted = "\"";
    for (std::size_t i = 0; i < size && (text[i] != '\0' || !endsAtNul); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '\\' || c == '"') {
            quoted.push_back('\\');
            quoted.push_back(static_cast<char>(c));
        } else if (c >= 0x20 && c < 0x7F) {
            quoted.push_back(static_cast<char>(c));
        } else {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            quoted += escaped;
        }
    }
    quoted.push_back('"');
    return quoted;
}

}  // namespace vork
