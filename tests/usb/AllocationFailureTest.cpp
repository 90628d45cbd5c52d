// Every buffer the walk sizes from a driver's answer is allocated without throwing, and a refused
// allocation ends the current hub's scan or empties one result. This executable replaces the
// non-throwing array allocation so a test can refuse the n-th one during a search.
#include <cstdlib>
#include <new>

#include "tests/usb/UsbFixture.h"

namespace {
int refuseAt = -1;  // index of the allocation to refuse; -1: none
int allocations = 0;
}  // namespace

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    if (refuseAt >= 0 && allocations++ == refuseAt) return nullptr;
    return std::malloc(size == 0 ? 1 : size);
}

namespace vork::test {
namespace {

class AllocationFailure : public UsbTest {
protected:
    std::int32_t SearchRefusing(int index) {
        allocations = 0;
        refuseAt = index;
        const SearchResult r = Search(kProduct0021);
        refuseAt = -1;
        return r.count;
    }
};

TEST_F(AllocationFailure, EachRefusalEndsCleanly) {
    auto& hc = usb.AddController({.number = 0, .rootPorts = 3});
    hc.RootHub().Port(1).device = Printer();
    hc.RootHub().Port(2).AttachHub(2).Port(2).device = Printer();
    hc.RootHub().Port(2).failExtended = true;  // the older record's buffer is allocated too
    hc.RootHub().Port(3).device = Printer();

    const std::int32_t whole = SearchRefusing(-1);
    ASSERT_EQ(whole, 3);
    EXPECT_EQ(SearchRefusing(0), 0) << "the controller's key record: the controller is passed over";
    int lower = 0;
    for (int index = 0; index < 200; ++index) {
        const std::int32_t count = SearchRefusing(index);
        EXPECT_LE(count, whole) << "refusing allocation " << index;
        EXPECT_EQ(machine.OpenHandles(), 0) << "refusing allocation " << index;
        lower += count < whole;
        if (allocations <= index) break;  // the search made fewer allocations than that
    }
    EXPECT_GT(lower, 3);
    // Only the root hub name's record is reported: without it the controller names no root hub,
    // which is the walk's one error whatever its cause.
    const auto boxes = machine.MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Wasn't able to enumerate the USB Host Controller!");
}

}  // namespace
}  // namespace vork::test
