// The machine record's sink: lines reach whatever the process's standard output is, whole, from any
// thread, and nowhere when there is none; the thread's last error is kept either way.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/Handles.h"
#include "platform/MachineRecord.h"

namespace vork::test {
namespace {

// Points the process's standard output at a temporary file (or at nothing) for one case, and back.
class StandardOutputAt {
public:
    explicit StandardOutputAt(bool toFile) : previous_(::GetStdHandle(STD_OUTPUT_HANDLE)) {
        if (toFile) {
            wchar_t folder[MAX_PATH], name[MAX_PATH];
            ::GetTempPathW(MAX_PATH, folder);
            ::GetTempFileNameW(folder, L"rec", 0, name);
            file_.Reset(::CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE,
                                      nullptr));
        }
        ::SetStdHandle(STD_OUTPUT_HANDLE, file_.Get());
    }
    ~StandardOutputAt() { ::SetStdHandle(STD_OUTPUT_HANDLE, previous_); }
    StandardOutputAt(const StandardOutputAt&) = delete;
    StandardOutputAt& operator=(const StandardOutputAt&) = delete;

    std::string Text() const {
        std::string text(::GetFileSize(file_.Get(), nullptr), '\0');
        DWORD read = 0;
        ::SetFilePointer(file_.Get(), 0, nullptr, FILE_BEGIN);
        ::ReadFile(file_.Get(), text.data(), static_cast<DWORD>(text.size()), &read, nullptr);
        return text;
    }

private:
    HANDLE previous_;
    KernelHandle file_;
};

TEST(MachineRecord, LinesGoWhereStandardOutputGoesAndKeepTheLastError) {
    for (const bool toFile : {true, false}) {
        SCOPED_TRACE(toFile ? "to a file" : "no standard output");
        const StandardOutputAt out(toFile);
        EXPECT_EQ(IsRecording(), toFile);
        ::SetLastError(ERROR_SHARING_VIOLATION);
        Record("port %d.%d status %d", 1, 3, 1);
        Record("%s", std::string(3000, 'x').c_str());
        EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
        if (toFile) {
            EXPECT_EQ(out.Text(),
                      "port 1.3 status 1\n" + std::string(kLongestRecordLine, 'x') + "\n");
        }
    }
}

TEST(MachineRecord, LinesFromTwoThreadsStayWhole) {
    const StandardOutputAt out(true);
    constexpr int kLines = 500;
    auto writer = [](char letter) {
        for (int i = 0; i < kLines; ++i) Record("%c %s", letter, std::string(60, letter).c_str());
    };
    std::thread worker(writer, 'w');
    writer('u');
    worker.join();
    const std::string text = out.Text();
    int lines = 0;
    for (std::size_t at = 0; at < text.size(); ++lines) {
        const std::size_t end = text.find('\n', at);
        ASSERT_NE(end, std::string::npos);
        const std::string line = text.substr(at, end - at);
        EXPECT_EQ(line, std::string(1, line[0]) + " " + std::string(60, line[0]));
        at = end + 1;
    }
    EXPECT_EQ(lines, 2 * kLines);
}

TEST(MachineRecord, TextsAreQuotedSoThatEveryByteSurvives) {
    const struct {
        std::string text;
        bool endsAtNul;
        const char* quoted;
    } cases[] = {
        {"USB#ROOT_HUB30#4&1", true, "\"USB#ROOT_HUB30#4&1\""},
        {"{36fc}\\0001", true, "\"{36fc}\\\\0001\""},
        {"say \"hi\"", true, "\"say \\\"hi\\\"\""},
        {std::string("ab\0cd", 5), true, "\"ab\""},
        {std::string("ab\0\xE9\x7F", 5), false, "\"ab\\x00\\xE9\\x7F\""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RecordQuoted(c.text.data(), c.text.size(), c.endsAtNul), c.quoted) << c.quoted;
    const std::uint8_t bytes[] = {0x1B, 0x56, 0x00, 0xAF};
    EXPECT_EQ(RecordHex(bytes, sizeof bytes), "1B5600AF");
}

}  // namespace
}  // namespace vork::test
