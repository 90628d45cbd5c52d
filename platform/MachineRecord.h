#pragma once
// The machine record: what the updater saw of the machine and exchanged with the printer, one fact
// a line, written to the process's standard output as it happens (docs/machine-record.md lists
// every line). A user makes one with `SG731Updater.exe > record.txt`; started from Explorer the
// process has no standard output, and then nothing is formatted and nothing is written.
//
// The sink is called once per fact, from the walk, the channel, the transfer and the start-up, on
// any thread (the window's and the firmware worker's). It never changes a result: a write that fails
// is dropped, and the thread's last error is as the caller left it, since callers read
// GetLastError() after the calls a line follows. Each line is written with one WriteFile, so a
// record survives a crash up to its last line. It is not part of the platform seam: a simulated
// machine records the same way the real one does.
#include <cstddef>
#include <cstdint>
#include <string>

namespace vork {

// The record's first line; the number changes whenever a line changes its meaning.
inline constexpr char kRecordFirstLine[] = "SG731 machine record 1";

// Writes kRecordFirstLine, once per process, whoever asks first.
void RecordHead() noexcept;

// True when the process has a standard output to write the record to. Callers that must prepare
// something for a line (hex text, say) ask first, so an absent record costs nothing.
bool IsRecording() noexcept;

// Formats one line (printf-style, without the line feed) and writes it with its line feed. Lines
// longer than kLongestRecordLine characters are cut there.
void Record(const char* format, ...) noexcept
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

inline constexpr std::size_t kLongestRecordLine = 1024;

// Bytes as upper-case hexadecimal pairs without separators ("1B56"), for a line.
std::string RecordHex(const std::uint8_t* bytes, std::size_t size);

// 8-bit text as a quoted, escaped token: "..." with \\ \" and \xNN for anything outside
// printable ASCII. A name ends at its NUL; bytes (a revision reply) are quoted whole.
std::string RecordQuoted(const char* text, std::size_t size, bool endsAtNul = true);

}  // namespace vork
