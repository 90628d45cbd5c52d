// Reading the frame-delay property as GDI+ hands it over, including items a damaged picture or a
// misbehaving decoder could produce.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "ui/AnimationFrameDelays.h"

namespace vork {
namespace {

// A property-item buffer as GdipGetPropertyItem fills it: header, then the value it points to.
struct ItemBuffer {
    std::vector<BYTE> bytes;

    ItemBuffer(PROPID id, WORD type, const std::vector<UINT>& values, ULONG extraLength = 0) {
        bytes.resize(sizeof(Gdiplus::PropertyItem) + values.size() * sizeof(UINT));
        Gdiplus::PropertyItem header{};
        header.id = id;
        header.type = type;
        header.length = static_cast<ULONG>(values.size() * sizeof(UINT)) + extraLength;
        header.value = bytes.data() + sizeof(header);
        std::memcpy(bytes.data(), &header, sizeof(header));
        if (!values.empty()) {
            std::memcpy(bytes.data() + sizeof(header), values.data(), values.size() * sizeof(UINT));
        }
    }

    Gdiplus::PropertyItem Header() const {
        Gdiplus::PropertyItem header;
        std::memcpy(&header, bytes.data(), sizeof(header));
        return header;
    }
    void SetHeader(const Gdiplus::PropertyItem& header) {
        std::memcpy(bytes.data(), &header, sizeof(header));
    }
};

TEST(FrameDelays, ReadsOneDelayPerFrame) {
    const ItemBuffer item(PropertyTagFrameDelay, PropertyTagTypeLong, std::vector<UINT>(12, 10));
    EXPECT_EQ(ReadFrameDelays(item.bytes), std::vector<UINT>(12, 10));

    const ItemBuffer mixed(PropertyTagFrameDelay, PropertyTagTypeLong, {0, 5, 250});
    EXPECT_EQ(ReadFrameDelays(mixed.bytes), (std::vector<UINT>{0, 5, 250}));
}

TEST(FrameDelays, RejectsItemsThatAreNotFrameDelays) {
    struct Case {
        const char* name;
        ItemBuffer item;
    };
    const Case cases[] = {
        {"loop count property", ItemBuffer(PropertyTagLoopCount, PropertyTagTypeLong, {10, 10})},
        {"16-bit values", ItemBuffer(PropertyTagFrameDelay, PropertyTagTypeShort, {10, 10})},
        {"length beyond the buffer",
         ItemBuffer(PropertyTagFrameDelay, PropertyTagTypeLong, {10, 10}, sizeof(UINT))},
    };
    for (const Case& c : cases) EXPECT_TRUE(ReadFrameDelays(c.item.bytes).empty()) << c.name;
}

TEST(FrameDelays, RejectsAValueOutsideTheBuffer) {
    ItemBuffer item(PropertyTagFrameDelay, PropertyTagTypeLong, {10, 10});
    Gdiplus::PropertyItem header = item.Header();

    const BYTE elsewhere[8] = {};
    header.value = const_cast<BYTE*>(elsewhere);
    item.SetHeader(header);
    EXPECT_TRUE(ReadFrameDelays(item.bytes).empty()) << "value in other memory";

    header.value = nullptr;
    item.SetHeader(header);
    EXPECT_TRUE(ReadFrameDelays(item.bytes).empty()) << "no value";

    header.value = item.bytes.data() + sizeof(header) + sizeof(UINT);  // the last 4 of 8 bytes
    item.SetHeader(header);
    EXPECT_TRUE(ReadFrameDelays(item.bytes).empty()) << "value runs past the end";
}

TEST(FrameDelays, ShortBuffersAndPartialValues) {
    const ItemBuffer item(PropertyTagFrameDelay, PropertyTagTypeLong, {10, 20});
    const std::vector<BYTE> headerOnlyPart(item.bytes.begin(),
                                           item.bytes.begin() + sizeof(Gdiplus::PropertyItem) - 1);
    EXPECT_TRUE(ReadFrameDelays(headerOnlyPart).empty());
    EXPECT_TRUE(ReadFrameDelays({}).empty());

    ItemBuffer ragged(PropertyTagFrameDelay, PropertyTagTypeLong, {10, 20});
    Gdiplus::PropertyItem header = ragged.Header();
    header.length = 7;  // a whole delay and three stray bytes
    ragged.SetHeader(header);
    EXPECT_EQ(ReadFrameDelays(ragged.bytes), std::vector<UINT>{10});

    const ItemBuffer none(PropertyTagFrameDelay, PropertyTagTypeLong, {});
    EXPECT_TRUE(ReadFrameDelays(none.bytes).empty());
}

}  // namespace
}  // namespace vork
