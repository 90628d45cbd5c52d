// The handle owner keeps its promises: one close per handle, moves that transfer ownership, and a
// thread's last error that survives the release of a handle.
#include <gtest/gtest.h>

#include "platform/Handles.h"
#include "platform/UniqueHandle.h"
#include "sim/SimMachine.h"

namespace vork {
namespace {

int closes = 0;
int lastClosed = 0;

struct CountingTraits {
    using Type = int;
    static Type Empty() noexcept { return -1; }
    static void Close(Type value) noexcept {
        ++closes;
        lastClosed = value;
        ::SetLastError(ERROR_INVALID_HANDLE);  // a close that clobbers the last error
    }
};
using Counted = UniqueHandle<CountingTraits>;

TEST(UniqueHandle, ClosesEachHandleOnceAndOnlyWhenNotEmpty) {
    closes = 0;
    {
        Counted empty;
        Counted zero(0);  // 0 is a valid value for this instance: only -1 is empty
        Counted moved(std::move(zero));
        EXPECT_FALSE(zero.IsValid());
        Counted assigned(7);
        assigned = std::move(moved);  // closes 7, takes 0
        EXPECT_EQ(closes, 1);
        EXPECT_EQ(lastClosed, 7);
        EXPECT_EQ(assigned.Get(), 0);
    }
    EXPECT_EQ(closes, 2);
    EXPECT_EQ(lastClosed, 0);
}

TEST(UniqueHandle, ReleaseGivesUpOwnershipAndPutClosesFirst) {
    closes = 0;
    Counted handle(3);
    EXPECT_EQ(handle.Release(), 3);
    EXPECT_EQ(closes, 0);
    handle.Reset(4);
    *handle.Put() = 5;
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(lastClosed, 4);
    handle.Reset();
    EXPECT_EQ(lastClosed, 5);
}

TEST(UniqueHandle, ResetKeepsTheThreadsLastError) {
    Counted handle(9);
    ::SetLastError(ERROR_SHARING_VIOLATION);
    handle.Reset();
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
}

// A HANDLE owner is empty at both failure values, so whichever creating function filled it, a
// failed creation is never handed to CloseHandle: the simulated machine would record a close of a
// handle it never gave out.
TEST(UniqueHandle, AHandleOwnerIsEmptyAtNullAndAtInvalidHandleValue) {
    sim::SimMachine machine;
    const ScopedPlatform scope(machine);
    for (const HANDLE failed : {static_cast<HANDLE>(nullptr), INVALID_HANDLE_VALUE}) {
        SeamHandle seam(failed);
        EXPECT_FALSE(seam.IsValid());
        KernelHandle kernel(failed);
        EXPECT_FALSE(kernel.IsValid());
    }
    {
        const SeamHandle created(System().CreateEventW(nullptr, TRUE, FALSE, nullptr));
        EXPECT_TRUE(created.IsValid());
    }
    EXPECT_EQ(machine.CountCalls("CloseHandle"), 1);
    EXPECT_TRUE(machine.Violations().empty()) << ::testing::PrintToString(machine.Violations());
}

}  // namespace
}  // namespace vork
