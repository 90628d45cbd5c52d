#pragma once
// A test over a simulated machine installed for the whole case. After the case, nothing the machine
// handed out may still be open and no misuse may have been recorded. Objects that hold handles must
// be gone by then: keep them local to the test body, or reset them in ResetObjects().
#include <gtest/gtest.h>

#include <string>

#include "platform/Platform.h"
#include "sim/SimMachine.h"

namespace vork::test {

class SimFixture : public ::testing::Test {
protected:
    void TearDown() override {
        ResetObjects();
        std::string open;
        for (const auto& name : machine.OpenHandleNames()) open += name + "; ";
        EXPECT_EQ(machine.OpenHandles(), 0) << "left open: " << open;
        std::string misuse;
        for (const auto& v : machine.Violations()) misuse += v + "; ";
        EXPECT_TRUE(machine.Violations().empty()) << misuse;
    }
    virtual void ResetObjects() {}

    sim::SimMachine machine;
    ScopedPlatform scope{machine};
};

}  // namespace vork::test
