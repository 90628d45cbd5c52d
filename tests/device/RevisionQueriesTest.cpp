// The queries that identify a printer: the revision-code tables of each variant, the revision
// cache, the New variant's checks before a transfer, and the wrong-mode exception.
#include <gtest/gtest.h>

#include <stdexcept>

#include "device/Exception.h"
#include "device/SG731NewDevice.h"
#include "device/SG731OldDevice.h"
#include "device/SG731TTDevice.h"
#include "sim/PrinterOnBus.h"
#include "tests/support/DeviceVariants.h"
#include "tests/support/SimFixture.h"

namespace vork {
namespace {

using sim::PrinterOnBus;

using test::Variant;

struct CodeRow {
    const char* name;
    Variant variant;
    const char* code;
    bool recognised;
    bool updateNeeded;
};

void PrintTo(const CodeRow& row, std::ostream* os) { *os << row.name; }

class RevisionCodes : public test::SimFixture, public ::testing::WithParamInterface<CodeRow> {};

TEST_P(RevisionCodes, RecognisedAndUpdateNeededAsTheVariantsTablesSay) {
    const CodeRow& row = GetParam();
    PrinterOnBus description;
    description.product = row.variant == Variant::TT ? 0x0022 : 0x0021;
    description.printer.revisionReply = sim::RevisionReply(row.code);
    sim::AttachPrinter(machine, sim::RootHubOf(machine).Port(2), description);
    auto device = test::MakeDevice(row.variant);
    EXPECT_EQ(device->GetDeviceConnected(), row.recognised ? 1 : 0);
    EXPECT_EQ(device->IsUpdateNeeded(), row.updateNeeded);
    EXPECT_EQ(device->GetRevision(), sim::RevisionReply(row.code));
}

const CodeRow kCodes[] = {
    {"New_f0I", Variant::New, "f0I", true, true},
    {"New_f0J", Variant::New, "f0J", true, false},
    {"New_d0A", Variant::New, "d0A", false, true},
    {"New_v0G", Variant::New, "v0G", false, true},
    {"Old_v0G", Variant::Old, "v0G", true, false},
    {"Old_d0A", Variant::Old, "d0A", true, true},
    {"Old_d0B", Variant::Old, "d0B", true, false},
    {"Old_d0C", Variant::Old, "d0C", false, true},
    {"Old_f0J", Variant::Old, "f0J", false, true},
    {"TT_v0G", Variant::TT, "v0G", true, false},
    {"TT_d0A", Variant::TT, "d0A", true, true},
    {"TT_d0B", Variant::TT, "d0B", true, true},
    {"TT_d0C", Variant::TT, "d0C", true, false},
    {"TT_f0J", Variant::TT, "f0J", false, true},
    {"TT_lowerCase", Variant::TT, "d0c", false, true},
};

INSTANTIATE_TEST_SUITE_P(Table, RevisionCodes, ::testing::ValuesIn(kCodes),
                         [](const auto& info) { return std::string(info.param.name); });

class RevisionQueries : public test::SimFixture {
protected:
    std::shared_ptr<sim::Printer> Attach(PrinterOnBus description, int port = 1) {
        return sim::AttachPrinter(machine, sim::RootHubOf(machine).Port(port), description);
    }
    PrinterOnBus NewPrinter(const char* code = "f0I") {
        PrinterOnBus d;
        d.product = 0x0021;
        d.printer.revisionReply = sim::RevisionReply(code);
        return d;
    }
};

TEST_F(RevisionQueries, CacheSparesLaterQuestionsButNotAFreshCount) {
    auto printer = Attach(NewPrinter());
    SG731NewDevice device;
    EXPECT_EQ(device.GetDeviceConnected(), 1);
    EXPECT_EQ(printer->opens, 1);
    EXPECT_TRUE(device.IsUpdateNeeded());
    EXPECT_EQ(device.GetRevision().size(), 10u);
    EXPECT_EQ(printer->opens, 1);  // answered from the cache
    EXPECT_EQ(device.GetDeviceConnected(), 1);
    EXPECT_EQ(printer->opens, 2);  // always reads afresh
}

TEST_F(RevisionQueries, FreshObjectReadsOnFirstQuestion) {
    auto printer = Attach(NewPrinter("f0J"));
    SG731NewDevice device;
    EXPECT_FALSE(device.IsUpdateNeeded());
    EXPECT_EQ(printer->opens, 1);
    EXPECT_EQ(machine.CountCalls("SetupDiGetClassDevsW"), 0);  // no USB search for that
}

TEST_F(RevisionQueries, SeveralPrintersAreCountedWithoutAnyExchange) {
    Attach(NewPrinter(), 1);
    auto second = NewPrinter();
    second.product = 0x0020;
    Attach(second, 2);
    SG731OldDevice old;
    SG731NewDevice newer;
    EXPECT_EQ(old.GetDeviceConnected(), 2);
    EXPECT_EQ(newer.GetDeviceConnected(), 2);
    EXPECT_EQ(machine.CountCalls("WriteFile"), 0);
}

// A printer that gives no revision, either silent or without a printer interface that discovery
// finds: both queries throw the wrong-mode exception and leave the cache empty.
struct WrongModeCase {
    const char* name;
    bool silent;
};

class WrongMode : public RevisionQueries, public ::testing::WithParamInterface<WrongModeCase> {};

template <typename Call>
void ExpectInvalidMode(Call call, const wchar_t* source) {
    bool standardHandlerRan = false;
    bool ownHandlerRan = false;
    try {
        try {
            call();
        } catch (const std::exception&) {
            standardHandlerRan = true;
        }
    } catch (const Exception& e) {
        ownHandlerRan = true;
        EXPECT_EQ(e.Message(), L"Could not retrieve revision!");
        EXPECT_EQ(e.Source(), source);
        EXPECT_EQ(e.GetTypeName(), L"InvalidModeException");
    }
    EXPECT_FALSE(standardHandlerRan);
    EXPECT_TRUE(ownHandlerRan);
}

TEST_P(WrongMode, BothQueriesThrowAndTheCacheStaysEmpty) {
    auto d = NewPrinter();
    if (GetParam().silent)
        d.printer.replyMode = sim::ReplyMode::Silent;
    else
        d.interfaceListed = false;
    Attach(d);
    SG731NewDevice device;
    ExpectInvalidMode([&] { device.GetDeviceConnected(); },
                      L"SG731NewDevice::GetDeviceConnected()");
    EXPECT_TRUE(device.RevisionCache().empty());
    ExpectInvalidMode([&] { device.IsUpdateNeeded(); }, L"SG731NewDevice::IsUpdateNeeded()");
    EXPECT_TRUE(device.RevisionCache().empty());
    EXPECT_TRUE(device.GetRevision().empty());  // never throws
}

const WrongModeCase kWrongModes[] = {{"Silent", true}, {"NoInterface", false}};
INSTANTIATE_TEST_SUITE_P(Cases, WrongMode, ::testing::ValuesIn(kWrongModes),
                         [](const auto& info) { return std::string(info.param.name); });

struct ConfigurationRow {
    const char* name;
    std::uint8_t attributes;
    bool passes;
};

class NewConfiguration : public RevisionQueries,
                         public ::testing::WithParamInterface<ConfigurationRow> {};

TEST_P(NewConfiguration, NeedsTheRemoteWakeupBit) {
    auto d = NewPrinter();
    d.attributes = GetParam().attributes;
    Attach(d);
    SG731NewDevice device;
    EXPECT_EQ(device.CheckConfiguration(), GetParam().passes);
}

const ConfigurationRow kConfigurations[] = {
    {"A0", 0xA0, true}, {"E0", 0xE0, true}, {"C0", 0xC0, false}, {"80", 0x80, false}};
INSTANTIATE_TEST_SUITE_P(Attributes, NewConfiguration, ::testing::ValuesIn(kConfigurations),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RevisionQueries, NewChecksLookOnlyAtALone0021Printer) {
    auto shown0020 = NewPrinter();
    shown0020.product = 0x0020;
    Attach(shown0020, 1);
    SG731NewDevice device;
    EXPECT_FALSE(device.CheckConfiguration());
    EXPECT_FALSE(device.CheckProductString());
    Attach(NewPrinter(), 2);
    Attach(NewPrinter(), 3);
    EXPECT_FALSE(device.CheckConfiguration());  // two with 0x0021
    EXPECT_FALSE(device.CheckProductString());
}

struct ProductStringRow {
    const char* name;
    std::u16string text;
    bool passes;
};

class NewProductString : public RevisionQueries,
                         public ::testing::WithParamInterface<ProductStringRow> {};

TEST_P(NewProductString, MustEqualTheExpectedTextExactly) {
    auto d = NewPrinter();
    d.productString = GetParam().text;
    Attach(d);
    SG731NewDevice device;
    EXPECT_EQ(device.CheckProductString(), GetParam().passes);
}

const ProductStringRow kProductStrings[] = {
    {"Exact", u"VORK Stickograph 731", true},
    {"TrailingSpace", u"VORK Stickograph 731 ", false},
    {"OtherCase", u"VORK STICKOGRAPH 731", false},
    {"Shorter", u"VORK Stickograph 73", false},
    {"Empty", u"", false},
};
INSTANTIATE_TEST_SUITE_P(Texts, NewProductString, ::testing::ValuesIn(kProductStrings),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RevisionQueries, OldAndTTAnswerTheirConstantsWithoutLooking) {
    Attach(NewPrinter());
    SG731OldDevice old;
    SG731TTDevice tt;
    SG731NewDevice newer;
    EXPECT_TRUE(old.IsUpdateReady());
    EXPECT_TRUE(old.CheckConfiguration());
    EXPECT_TRUE(old.CheckProductString());
    EXPECT_TRUE(tt.IsUpdateReady());
    EXPECT_TRUE(tt.CheckConfiguration());
    EXPECT_TRUE(tt.CheckProductString());
    EXPECT_FALSE(newer.IsUpdateReady());
    EXPECT_EQ(machine.CountCalls("SetupDiGetClassDevsW"), 0);
    EXPECT_EQ(machine.CountCalls("CreateFileA"), 0);
}

}  // namespace
}  // namespace vork
