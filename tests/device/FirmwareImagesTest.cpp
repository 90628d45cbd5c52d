// The images compiled into the program are the files of the firmware folder, byte for byte.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "device/FirmwareImages.h"

namespace vork {
namespace {

std::vector<std::uint8_t> ReadFile(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        std::uint8_t buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;)
            bytes.insert(bytes.end(), buffer, buffer + n);
        std::fclose(f);
    }
    return bytes;
}

TEST(FirmwareImages, EmbeddedImagesEqualTheFilesByteForByte) {
    const std::pair<const char*, const std::uint8_t*> images[] = {{"new.bin", firmware::kNewImage},
                                                                  {"old.bin", firmware::kOldImage},
                                                                  {"tt.bin", firmware::kTTImage}};
    for (const auto& [file, image] : images) {
        const auto bytes = ReadFile(std::string(SG731_FIRMWARE_FOLDER) + "/" + file);
        ASSERT_EQ(bytes.size(), firmware::kFirmwareSize) << file;
        EXPECT_EQ(bytes, std::vector<std::uint8_t>(image, image + firmware::kFirmwareSize)) << file;
    }
}

}  // namespace
}  // namespace vork
