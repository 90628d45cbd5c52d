// The choice of the one printer to work on, row by row of the decision it makes, over simulated
// machines whose printers are seen both on the USB bus and through their interfaces.
#include <gtest/gtest.h>

#include <typeinfo>

#include "device/PrinterSelection.h"
#include "device/SG731NewDevice.h"
#include "device/SG731OldDevice.h"
#include "device/SG731TTDevice.h"
#include "sim/PrinterOnBus.h"
#include "tests/support/SimFixture.h"

namespace vork {
namespace {

using sim::PrinterOnBus;

enum class Chosen { None, Old, New, TT };

struct Attached {
    std::uint16_t product;
    const char* code;  // nullptr: the printer never answers the revision request
};

struct SelectionRow {
    const char* name;
    std::vector<Attached> printers;
    std::int32_t count;
    Chosen device;
    int walks;      // USB searches made: two per Old or New probe, one for TT
    int exchanges;  // revision requests sent
};

void PrintTo(const SelectionRow& row, std::ostream* os) { *os << row.name; }

Chosen Kind(const SG731DeviceBase* device) {
    if (!device) return Chosen::None;
    if (typeid(*device) == typeid(SG731OldDevice)) return Chosen::Old;
    if (typeid(*device) == typeid(SG731NewDevice)) return Chosen::New;
    if (typeid(*device) == typeid(SG731TTDevice)) return Chosen::TT;
    return Chosen::None;
}

class PrinterSelection : public test::SimFixture,
                         public ::testing::WithParamInterface<SelectionRow> {};

TEST_P(PrinterSelection, CountsChoosesAndProbesAsTheRowSays) {
    const SelectionRow& row = GetParam();
    sim::UsbHub& hub = sim::RootHubOf(machine);
    int port = 1;
    for (const Attached& a : row.printers) {
        PrinterOnBus description;
        description.product = a.product;
        if (a.code)
            description.printer.revisionReply = sim::RevisionReply(a.code);
        else
            description.printer.replyMode = sim::ReplyMode::Silent;
        sim::AttachPrinter(machine, hub.Port(port++), description);
    }
    std::int32_t count = 0;
    auto device = SelectPrinter(count);
    EXPECT_EQ(count, row.count);
    EXPECT_EQ(Kind(device.get()), row.device);
    if (device) {  // a fresh object, not the probe that recognised the printer
        EXPECT_TRUE(device->RevisionCache().empty());
        EXPECT_EQ(device->DeviceHandle(), nullptr);
        EXPECT_EQ(device->OwnerWindow(), nullptr);
    }
    EXPECT_EQ(machine.CountCalls("SetupDiGetClassDevsW"), row.walks);
    EXPECT_EQ(machine.CountCalls("WriteFile"), row.exchanges);
}

const SelectionRow kRows[] = {
    {"Nothing", {}, 0, Chosen::None, 5, 0},
    {"OldCode", {{0x0021, "d0A"}}, 1, Chosen::Old, 5, 2},
    {"OldCodeOn0020", {{0x0020, "v0G"}}, 1, Chosen::Old, 5, 2},
    {"NewCode", {{0x0021, "f0I"}}, 1, Chosen::New, 5, 2},
    {"NewCodeOn0020", {{0x0020, "f0J"}}, 1, Chosen::New, 5, 2},
    {"TTCode", {{0x0022, "d0C"}}, 1, Chosen::TT, 5, 1},
    {"UnknownCodeOn0021", {{0x0021, "x9Z"}}, 0, Chosen::None, 5, 2},
    {"UnknownCodeOn0022", {{0x0022, "f0J"}}, 0, Chosen::None, 5, 1},
    {"Silent0021", {{0x0021, nullptr}}, -1, Chosen::None, 2, 1},
    {"Silent0022", {{0x0022, nullptr}}, -1, Chosen::None, 5, 1},
    {"TwoOldOrNew", {{0x0020, "d0A"}, {0x0021, "f0I"}}, 4, Chosen::None, 5, 0},
    {"TwoTT", {{0x0022, "d0A"}, {0x0022, "d0C"}}, 2, Chosen::None, 5, 0},
    {"OldAndTT", {{0x0021, "d0B"}, {0x0022, "v0G"}}, 2, Chosen::None, 5, 3},
    {"OldAndSilentTT", {{0x0021, "d0B"}, {0x0022, nullptr}}, -1, Chosen::None, 5, 3},
    {"UnknownAndTT", {{0x0021, "x9Z"}, {0x0022, "d0A"}}, 1, Chosen::TT, 5, 3},
};

INSTANTIATE_TEST_SUITE_P(Rows, PrinterSelection, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

class PrinterSelectionCount : public test::SimFixture {};

TEST_F(PrinterSelectionCount, IsSetAfreshWhateverTheCallerLeftInIt) {
    sim::RootHubOf(machine);
    std::int32_t count = 7;
    EXPECT_EQ(SelectPrinter(count), nullptr);
    EXPECT_EQ(count, 0);
}

}  // namespace
}  // namespace vork
