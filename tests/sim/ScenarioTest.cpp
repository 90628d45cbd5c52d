// Scenario files: every shipped scenario describes the machine its documentation names, and a
// malformed file gives a clear error instead of a different machine.
#include <gtest/gtest.h>

#include <typeinfo>

#include "device/PrinterSelection.h"
#include "device/SG731NewDevice.h"
#include "device/SG731OldDevice.h"
#include "device/SG731TTDevice.h"
#include "sim/Scenario.h"
#include "tests/support/SimFixture.h"

namespace vork {
namespace {

struct ShippedScenario {
    const char* file;
    std::int32_t count;
    const std::type_info* variant;  // null: no device chosen
    bool updateNeeded;
};

void PrintTo(const ShippedScenario& s, std::ostream* os) { *os << s.file; }

class Scenarios : public test::SimFixture, public ::testing::WithParamInterface<ShippedScenario> {};

TEST_P(Scenarios, LoadAndLeadToTheDocumentedSelection) {
    const ShippedScenario& s = GetParam();
    const std::string path = std::string(SG731_SCENARIO_DIR) + "/" + s.file;
    const auto result = sim::LoadScenarioFile(machine, std::wstring(path.begin(), path.end()));
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_FALSE(result.description.empty());
    EXPECT_FALSE(result.screens.empty());
    machine.SetRealTime(false);  // the file asks for real time, for a person watching
    std::int32_t count = 0;
    auto device = SelectPrinter(count);
    EXPECT_EQ(count, s.count);
    if (!s.variant) {
        EXPECT_EQ(device, nullptr);
        return;
    }
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(typeid(*device), *s.variant);
    EXPECT_EQ(device->IsUpdateNeeded(), s.updateNeeded);
}

const ShippedScenario kShipped[] = {
    {"no-printer.json", 0, nullptr, false},
    {"new-needs-update.json", 1, &typeid(SG731NewDevice), true},
    {"new-current.json", 1, &typeid(SG731NewDevice), false},
    {"old-needs-update.json", 1, &typeid(SG731OldDevice), true},
    {"old-current.json", 1, &typeid(SG731OldDevice), false},
    {"tt-needs-update.json", 1, &typeid(SG731TTDevice), true},
    {"tt-current.json", 1, &typeid(SG731TTDevice), false},
    {"two-printers.json", 4, nullptr, false},
    {"program-mode.json", -1, nullptr, false},
    {"busy-printer.json", -1, nullptr, false},
    {"new-configuration-fails.json", 1, &typeid(SG731NewDevice), true},
    {"new-product-string-differs.json", 1, &typeid(SG731NewDevice), true},
    {"retry-after-failure.json", 1, &typeid(SG731OldDevice), true},
};

INSTANTIATE_TEST_SUITE_P(Shipped, Scenarios, ::testing::ValuesIn(kShipped),
                         [](const auto& info) {
                             std::string name = info.param.file;
                             name = name.substr(0, name.find('.'));
                             for (char& c : name) c = c == '-' ? '_' : c;
                             return name;
                         });

struct BadScenario {
    const char* name;
    const char* text;
    const char* error;  // a part of the message
};

void PrintTo(const BadScenario& s, std::ostream* os) { *os << s.name; }

class BadScenarios : public test::SimFixture, public ::testing::WithParamInterface<BadScenario> {};

TEST_P(BadScenarios, AreRefusedWithAnErrorThatSaysWhere) {
    const auto result = sim::LoadScenarioText(machine, GetParam().text);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find(GetParam().error), std::string::npos) << result.error;
}

const BadScenario kBad[] = {
    {"NotJson", "{ controllers: ", "parse"},
    {"UnknownKey", R"({"controlers": []})", "unknown key \"controlers\""},
    {"PortOutOfRange", R"({"controllers": [{"number": 0, "rootPorts": 2, "ports": [{"port": 3}]}]})",
     "controllers[0].ports[0].port: no port 3"},
    {"CodeTooLong", R"({"controllers": [{"number": 0, "ports": [{"port": 1, "printer": {"code": "f0IJ"}}]}]})",
     "printer.code"},
    {"UnknownRequestKind",
     R"({"controllers": [{"number": 0, "ports": [{"port": 1, "printer": {"writes": [{"kind": "explode"}]}}]}]})",
     "unknown request kind"},
    {"UnreachableController", R"({"controllers": [{"rootPorts": 2}]})", "needs a number"},
    {"NotANumber", R"({"controllers": [{"number": "zero"}]})", "number"},
};

INSTANTIATE_TEST_SUITE_P(Table, BadScenarios, ::testing::ValuesIn(kBad),
                         [](const auto& info) { return std::string(info.param.name); });

class ScenarioFiles : public test::SimFixture {};

TEST_F(ScenarioFiles, MissingFileIsAnError) {
    EXPECT_FALSE(sim::LoadScenarioFile(machine, L"Z:\\no\\such\\scenario.json").ok);
}

}  // namespace
}  // namespace vork
