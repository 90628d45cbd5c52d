// The program's spinner as embedded in the executable, read block by block: what the window's
// drawing area and the animation's pacing rely on.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "ui/ResourceIds.h"

namespace vork {
namespace {

struct GifFrame {
    int left, top, width, height;
    int delay = -1;  // hundredths of a second from the frame's control block; -1 without one
};

struct GifSummary {
    std::string signature;
    int width = 0, height = 0;
    std::optional<int> loopCount;  // from the NETSCAPE2.0 block; 0 loops without end
    std::vector<GifFrame> frames;
    bool trailerReached = false;
};

class GifReader {
public:
    explicit GifReader(std::span<const BYTE> bytes) : bytes_(bytes) {}

    // Walks the whole stream; nullopt when it is cut short or holds an unknown block.
    std::optional<GifSummary> Read() {
        GifSummary gif;
        if (!Has(13)) return std::nullopt;
        gif.signature.assign(reinterpret_cast<const char*>(bytes_.data()), 6);
        gif.width = Word(6);
        gif.height = Word(8);
        const BYTE flags = bytes_[10];
        at_ = 13;
        if (flags & 0x80) at_ += 3u << ((flags & 7) + 1);
        int pendingDelay = -1;
        while (Has(1)) {
            const BYTE introducer = bytes_[at_++];
            if (introducer == 0x3B) {
                gif.trailerReached = true;
                return gif;
            }
            if (introducer == 0x21) {
                if (!Has(1)) return std::nullopt;
                const BYTE label = bytes_[at_++];
                std::vector<std::vector<BYTE>> blocks;
                if (!SubBlocks(blocks)) return std::nullopt;
                if (label == 0xF9 && !blocks.empty() && blocks[0].size() == 4) {
                    pendingDelay = blocks[0][1] | (blocks[0][2] << 8);
                } else if (label == 0xFF && blocks.size() >= 2 &&
                           std::string(blocks[0].begin(), blocks[0].end()) == "NETSCAPE2.0" &&
                           blocks[1].size() == 3 && blocks[1][0] == 1) {
                    gif.loopCount = blocks[1][1] | (blocks[1][2] << 8);
                }
            } else if (introducer == 0x2C) {
                if (!Has(9)) return std::nullopt;
                GifFrame frame{Word(at_), Word(at_ + 2), Word(at_ + 4), Word(at_ + 6),
                               pendingDelay};
                const BYTE local = bytes_[at_ + 8];
                at_ += 9;
                if (local & 0x80) at_ += 3u << ((local & 7) + 1);
                if (!Has(1)) return std::nullopt;
                ++at_;  // LZW minimum code size
                std::vector<std::vector<BYTE>> data;
                if (!SubBlocks(data)) return std::nullopt;
                gif.frames.push_back(frame);
                pendingDelay = -1;
            } else {
                return std::nullopt;
            }
        }
        return std::nullopt;  // no trailer
    }

private:
    bool Has(size_t n) const { return at_ <= bytes_.size() && bytes_.size() - at_ >= n; }
    int Word(size_t at) const { return bytes_[at] | (bytes_[at + 1] << 8); }
    bool SubBlocks(std::vector<std::vector<BYTE>>& blocks) {
        for (;;) {
            if (!Has(1)) return false;
            const size_t size = bytes_[at_++];
            if (size == 0) return true;
            if (!Has(size)) return false;
            blocks.emplace_back(bytes_.begin() + at_, bytes_.begin() + at_ + size);
            at_ += size;
        }
    }

    std::span<const BYTE> bytes_;
    size_t at_ = 0;
};

std::span<const BYTE> ProgramPicture() {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC info = FindResourceW(module, MAKEINTRESOURCEW(IDR_PROGRESS_GIF), L"GIF");
    if (info == nullptr) return {};
    HGLOBAL resource = LoadResource(module, info);
    const void* bytes = resource ? LockResource(resource) : nullptr;
    if (bytes == nullptr) return {};
    return {static_cast<const BYTE*>(bytes), SizeofResource(module, info)};
}

TEST(ProgressPicture, IsAnEndlessTwelveFrameGif89aOf100By100) {
    const std::span<const BYTE> bytes = ProgramPicture();
    ASSERT_FALSE(bytes.empty()) << "no resource GIF 103 in the executable";
    const std::optional<GifSummary> gif = GifReader(bytes).Read();
    ASSERT_TRUE(gif.has_value()) << "the GIF stream is damaged or cut short";

    EXPECT_EQ(gif->signature, "GIF89a");
    EXPECT_EQ(gif->width, 100);
    EXPECT_EQ(gif->height, 100);
    ASSERT_TRUE(gif->loopCount.has_value()) << "no loop block: the picture would play once";
    EXPECT_EQ(*gif->loopCount, 0);
    ASSERT_EQ(gif->frames.size(), 12u);
    for (size_t i = 0; i < gif->frames.size(); ++i) {
        const GifFrame& f = gif->frames[i];
        EXPECT_EQ(f.delay, 10) << "frame " << i;
        // Every frame stays inside the logical screen, and so inside the area the window erases
        // once the transfer has ended.
        EXPECT_GE(f.left, 0) << "frame " << i;
        EXPECT_GE(f.top, 0) << "frame " << i;
        EXPECT_LE(f.left + f.width, gif->width) << "frame " << i;
        EXPECT_LE(f.top + f.height, gif->height) << "frame " << i;
    }
}

}  // namespace
}  // namespace vork
