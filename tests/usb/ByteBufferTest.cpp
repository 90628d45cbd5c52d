// The walk's non-throwing buffer: a request for no bytes is a valid buffer, not a refusal, because
// every caller reads an empty buffer as "the allocation was refused".
#include <gtest/gtest.h>

#include "usb/ByteBuffer.h"

namespace vork::test {
namespace {

TEST(ByteBuffer, SizesAsAskedAndZeroIsNoRefusal) {
    for (std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{365}}) {
        const ByteBuffer allocated = ByteBuffer::Allocate(size);
        const ByteBuffer zeroed = ByteBuffer::Zeroed(size);
        EXPECT_TRUE(allocated) << size;
        EXPECT_TRUE(zeroed) << size;
        EXPECT_EQ(allocated.Size(), size);
        EXPECT_EQ(zeroed.Size(), size);
        for (std::size_t i = 0; i < size; ++i) ASSERT_EQ(zeroed.Data()[i], 0) << i;
    }
    EXPECT_FALSE(ByteBuffer());
    EXPECT_EQ(ByteBuffer().Size(), 0u);
}

}  // namespace
}  // namespace vork::test
