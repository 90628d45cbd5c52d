#include <gtest/gtest.h>

#include <cstdio>

int main(int argc, char** argv) {
    // Diagnostics printed by the code under test must reach the captured output in order.
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
