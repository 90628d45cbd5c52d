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
    {"hub-linked-to-itself.json", 1, &typeid(SG731OldDevice), true},
    {"unplugged-during-transfer.json", 1, &typeid(SG731OldDevice), true},
    {"failed-enumeration.json", 1, &typeid(SG731OldDevice), true},
    {"not-enough-power.json", -1, nullptr, false},
    {"controller-gone.json", 1, &typeid(SG731NewDevice), true},
    {"short-product-string.json", 1, &typeid(SG731NewDevice), true},
    {"old-with-office-printer.json", 1, &typeid(SG731OldDevice), true},
    {"tt-serial-holds-0020.json", 1, &typeid(SG731TTDevice), true},
};

INSTANTIATE_TEST_SUITE_P(Shipped, Scenarios, ::testing::ValuesIn(kShipped), [](const auto& info) {
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
    {"PortOutOfRange",
     R"({"controllers": [{"number": 0, "rootPorts": 2, "ports": [{"port": 3}]}]})",
     "controllers[0].ports[0].port: no port 3"},
    {"CodeTooLong",
     R"({"controllers": [{"number": 0, "ports": [{"port": 1, "printer": {"code": "f0IJ"}}]}]})",
     "printer.code"},
    {"UnknownRequestKind",
     R"({"controllers": [{"number": 0, "ports": [{"port": 1, "printer": {"writes": [{"kind":)"
     R"( "explode"}]}}]}]})",
     "unknown request kind"},
    {"UnreachableController", R"({"controllers": [{"rootPorts": 2}]})", "needs a number"},
    {"NotANumber", R"({"controllers": [{"number": "zero"}]})",
     "controllers[0].number: expected a number"},
    {"NotABoolean", R"({"realTime": "yes"})", "scenario.realTime: expected true or false"},
    {"NotText", R"({"description": 7})", "scenario.description: expected text"},
    {"ScreensNotText", R"({"screens": ["Ready", 2]})", "scenario.screens[1]: expected text"},
    {"ProductTooLarge",
     R"({"controllers": [{"number": 0, "ports": [{"port": 1, "printer": {"product": 70000}}]}]})",
     "controllers[0].ports[0].printer.product: 70000 is out of range (0 to 65535)"},
    {"ProductTooLargeAsText",
     R"({"controllers": [{"number": 0, "ports": [{"port": 1, "device": {"product":)"
     R"( "0x10000"}}]}]})",
     "controllers[0].ports[0].device.product: 0x10000 is out of range (0 to 65535)"},
    {"NegativeNumber", R"({"controllers": [{"number": -1}]})",
     "controllers[0].number: -1 is out of range"},
    {"SignedText", R"({"controllers": [{"number": "-1"}]})",
     "controllers[0].number: expected a number"},
    {"Fraction", R"({"controllers": [{"number": 0.5}]})",
     "controllers[0].number: expected a whole number"},
    {"HugeNumberText", R"({"controllers": [{"number": "99999999999999999999999"}]})",
     "expected a number"},
    {"StatusOutOfRange",
     R"({"controllers": [{"number": 0, "ports": [{"port": 1, "device": {"status": 11}}]}]})",
     "device.status: 11 is out of range (0 to 10)"},
    {"TooManyPorts", R"({"controllers": [{"number": 0, "rootPorts": 256}]})",
     "rootPorts: 256 is out of range"},
    {"LatencyTooLong",
     R"({"controllers": [{"number": 0, "ports": [{"port": 1, "printer": {"latencyMs":)"
     R"( 600000}}]}]})",
     "printer.latencyMs: 600000 is out of range"},
    {"KindNotText",
     R"({"controllers": [{"number": 0, "ports": [{"port": 1, "printer": {"writes": [{"kind":)"
     R"( 3}]}}]}]})",
     "printer.writes[0].kind: expected text"},
    {"PortTwice",
     R"({"controllers": [{"number": 0, "ports": [{"port": 1, "device": {}}, {"port": 1,)"
     R"( "device": {}}]}]})",
     "controllers[0].ports[1].port: port 1 is described twice"},
    {"TwoThingsOnAPort",
     R"({"controllers": [{"number": 0, "ports": [{"port": 1, "device": {}, "hubLink": "X"}]}]})",
     "controllers[0].ports[0]: a port holds one of"},
    {"LinkToNoHub", R"({"controllers": [{"number": 0, "ports": [{"port": 1, "hubLink": "Y"}]}]})",
     "controllers[0].ports[0].hubLink: no hub named \"Y\""},
    {"TwoHubsOfOneName",
     R"({"controllers": [{"number": 0, "rootHubName": "X", "ports": [{"port": 1, "hub": {"name":)"
     R"( "X"}}]}]})",
     "controllers[0].ports[0].hub.name: a second hub named \"X\""},
    {"UnknownShortAnswer",
     R"({"controllers": [{"number": 0, "ports": [{"port": 1, "device": {}, "shortAnswers":)"
     R"( {"name": 2}}]}]})",
     "controllers[0].ports[0].shortAnswers: unknown key \"name\""},
    {"NotAList", R"({"controllers": {"number": 0}})", "scenario.controllers: expected a list"},
    {"DumpNameOfNoPrinter",
     R"({"controllers": [{"number": 0, "ports": [{"port": 1, "device": {"name": "x"}}]}]})",
     "device: \"name\" and \"interfacePath\" need \"printerInterface\": true"},
};

INSTANTIATE_TEST_SUITE_P(Table, BadScenarios, ::testing::ValuesIn(kBad),
                         [](const auto& info) { return std::string(info.param.name); });

class ScenarioFiles : public test::SimFixture {};

TEST_F(ScenarioFiles, MissingFileIsAnError) {
    EXPECT_FALSE(sim::LoadScenarioFile(machine, L"Z:\\no\\such\\scenario.json").ok);
}

// The keys for faults reach the model they describe.
TEST_F(ScenarioFiles, FaultKeysDescribeTheMachine) {
    const auto result = sim::LoadScenarioText(machine, R"({"controllers": [{
        "number": 0, "rootHubName": "ROOT", "presentForSearches": 3, "ports": [
          {"port": 1, "hub": {"name": "X", "ports": 2,
                              "contents": [{"port": 2, "hubLink": "ROOT"}]}},
          {"port": 2, "device": {"status": 5},
           "shortAnswers": {"driverKey": 12, "configuration": 20}},
          {"port": 3, "printer": {"writes": [{"index": 4, "kind": "unplug"}]}}]}]})");
    ASSERT_TRUE(result.ok) << result.error;
    sim::UsbController& controller = machine.Usb().controllers.front();
    EXPECT_EQ(controller.described.presentForSearches, 3);
    sim::UsbHub& root = controller.RootHub();
    EXPECT_EQ(root.name, "ROOT");
    ASSERT_TRUE(root.Port(1).hub);
    EXPECT_EQ(root.Port(1).hub->name, "X");
    EXPECT_EQ(root.Port(1).hub->Port(2).hubLink, "ROOT");
    ASSERT_TRUE(root.Port(1).hub->Port(2).device) << "a link shows a hub device on its port";
    const sim::UsbDeviceSpec& device = *root.Port(2).device;
    EXPECT_EQ(device.status, DeviceNotEnoughPower);
    EXPECT_EQ(device.driverKeyFault.returnedBytes, 12u);
    EXPECT_EQ(device.configFault.secondReturnedBytes, 20u);
    ASSERT_EQ(machine.Printers().size(), 1u);
    EXPECT_EQ(machine.Printers()[0]->config.writes.at(4).kind, sim::RequestScript::Kind::Unplug);
}

// The keys for what a machine record can hold reach the model too, texts as UTF-16.
TEST_F(ScenarioFiles, RecordKeysDescribeTheMachine) {
    const auto result = sim::LoadScenarioText(machine, R"({"controllerListFails": true,
      "deviceTreeFails": true, "controllers": [{
        "number": 7, "driverKey": "K", "openFails": true, "detailReadFails": true,
        "rootHubOpenFails": true, "ports": [
          {"port": 1, "hub": {"name": "H", "vendor": "0xE7D2", "product": 33, "openFails": true}},
          {"port": 2, "connectionFails": true, "device": {"productString": null,
           "configuration": "09024000020300C0FA", "deviceNode": false, "reportsHub": true}},
          {"port": 3, "printer": {"productString": "Café €", "description": null,
           "configurationFails": true, "noDriverKey": true}}]}]})");
    ASSERT_TRUE(result.ok) << result.error;
    const sim::UsbTopology& usb = machine.Usb();
    EXPECT_TRUE(usb.listingFails && usb.deviceTreeUnavailable);
    const sim::UsbController& controller = usb.controllers.front();
    EXPECT_EQ(controller.described.driverKey, "K");
    EXPECT_TRUE(controller.described.openFails && controller.described.detailReadFails);
    sim::UsbHub& root = *controller.rootHub;
    EXPECT_TRUE(root.openFails);
    EXPECT_EQ(root.Port(1).device->vendor, 0xE7D2);
    EXPECT_EQ(root.Port(1).device->product, 0x21);
    EXPECT_TRUE(root.Port(1).hub->openFails);
    const sim::UsbPort& port = root.Port(2);
    EXPECT_TRUE(port.failExtended && port.failLegacy);
    EXPECT_EQ(port.reportsHub, true);
    EXPECT_EQ(port.device->iProduct, 0);
    EXPECT_FALSE(port.device->inDeviceTree);
    EXPECT_EQ(port.device->totalLength, 0x40);
    EXPECT_EQ(port.device->attributes, 0xC0);
    ASSERT_TRUE(port.device->configHeader);
    EXPECT_EQ((*port.device->configHeader)[4], 2);
    const sim::UsbDeviceSpec& printer = *root.Port(3).device;
    EXPECT_EQ(printer.productString, u"Caf\u00e9 \u20ac");
    EXPECT_FALSE(printer.description);
    EXPECT_TRUE(printer.configFault.failFirst && printer.noDriverKey);
    sim::SimMachine other;
    EXPECT_FALSE(sim::LoadScenarioText(other, R"({"controllers": [{"number": 0, "ports": [
        {"port": 1, "device": {"configuration": "0902"}}]}]})")
                     .ok);
}

// Hubs within hubs: a file nests them only so deep, so reading it cannot exhaust the stack.
TEST_F(ScenarioFiles, HubsNestOnlySoDeep) {
    auto nested = [](int depth) {
        std::string text = R"({"controllers": [{"number": 0, "ports": [)";
        for (int i = 0; i < depth; ++i) text += R"({"port": 1, "hub": {"ports": 1, "contents": [)";
        for (int i = 0; i < depth; ++i) text += "]}}";
        return text + "]}]}";
    };
    const auto allowed = sim::LoadScenarioText(machine, nested(16));
    EXPECT_TRUE(allowed.ok) << allowed.error;
    sim::SimMachine other;
    const auto deep = sim::LoadScenarioText(other, nested(5000));
    EXPECT_FALSE(deep.ok);
    EXPECT_NE(deep.error.find("hubs nested deeper than 16"), std::string::npos) << deep.error;
}

// Whatever the file holds, the message stays short enough to read in a box.
TEST_F(ScenarioFiles, MessagesStayShort) {
    const std::string longToken = "{\"description\": \"" + std::string(500000, 'a');
    const std::string longKey = "{\"" + std::string(100000, 'k') + "\": 1}";
    const std::string tooLarge = "{\"description\": \"" + std::string(2 << 20, 'a') + "\"}";
    for (const std::string& text : {longToken, longKey, tooLarge}) {
        sim::SimMachine other;
        const auto result = sim::LoadScenarioText(other, text);
        EXPECT_FALSE(result.ok);
        EXPECT_LE(result.error.size(), 303u) << result.error.substr(0, 100);
        EXPECT_GT(result.error.size(), 10u);
    }
}

}  // namespace
}  // namespace vork
