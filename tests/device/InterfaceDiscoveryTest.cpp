// Finding and opening a printer's interface: which variant opens which path, and how failures at
// one interface shape the result without stopping the enumeration.
#include <gtest/gtest.h>

#include "device/SG731NewDevice.h"
#include "device/SG731OldDevice.h"
#include "device/SG731TTDevice.h"
#include "tests/support/DeviceVariants.h"
#include "sim/PrinterOnBus.h"
#include "tests/support/SimFixture.h"

namespace vork {
namespace {

using sim::PrinterConfig;

using test::Variant;

PrinterConfig At(const std::string& path) {
    PrinterConfig config;
    config.interfacePath = path;
    return config;
}

struct MatchCase {
    const char* name;
    const char* path;
    bool newOpens, oldOpens, ttOpens;
};

class DiscoveryMatching : public test::SimFixture,
                          public ::testing::WithParamInterface<MatchCase> {};

TEST_P(DiscoveryMatching, OpensOnlyPathsNamingTheMakerAndTheVariantsProductId) {
    const MatchCase& c = GetParam();
    auto printer = machine.AddPrinter(At(c.path));
    const bool expected[] = {c.newOpens, c.oldOpens, c.ttOpens};
    for (Variant v : {Variant::New, Variant::Old, Variant::TT}) {
        auto device = test::MakeDevice(v);
        EXPECT_TRUE(device->OpenDeviceInterface());  // nothing failed, whether or not it opened
        const bool opened = device->DeviceHandle() != nullptr;
        EXPECT_EQ(opened, expected[static_cast<int>(v)]) << "variant " << static_cast<int>(v);
    }
}

#define SG731_CLASS "#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}"
const MatchCase kMatchCases[] = {
    {"ProductId0020", "\\\\?\\usb#vid_e7d2&pid_0020#1" SG731_CLASS, true, true, false},
    {"ProductId0021", "\\\\?\\usb#vid_e7d2&pid_0021#1" SG731_CLASS, true, true, false},
    {"ProductId0022", "\\\\?\\usb#vid_e7d2&pid_0022#1" SG731_CLASS, false, false, true},
    {"UpperCase", "\\\\?\\USB#VID_E7D2&PID_0021#1" SG731_CLASS, true, true, false},
    {"InterfaceOfACompositeDevice", "\\\\?\\usb#vid_e7d2&pid_0022&mi_01#1" SG731_CLASS, false,
     false, true},
    {"OtherMakersProductId0021", "\\\\?\\usb#vid_03f0&pid_0021#1" SG731_CLASS, false, false, false},
    {"TextInSerialPart", "\\\\?\\usb#vid_e7d2&pid_0022#a0020b" SG731_CLASS, false, false, true},
    {"OtherMakersSerial", "\\\\?\\usb#vid_1234&pid_9999#vid_e7d2&pid_0022" SG731_CLASS, false,
     false, false},
    {"LongerProductId", "\\\\?\\usb#vid_e7d2&pid_00201#1" SG731_CLASS, false, false, false},
    {"NearMissProductId", "\\\\?\\usb#vid_e7d2&pid_002F#1" SG731_CLASS, false, false, false},
    {"NoHardwareIdField", "vid_e7d2&pid_0020", false, false, false},
};
#undef SG731_CLASS

INSTANTIATE_TEST_SUITE_P(Table, DiscoveryMatching, ::testing::ValuesIn(kMatchCases),
                         [](const auto& info) { return std::string(info.param.name); });

class Discovery : public test::SimFixture {};

TEST_F(Discovery, NoPrinterLeavesAFreshHandleNull) {
    SG731NewDevice device;
    EXPECT_TRUE(device.OpenDeviceInterface());
    EXPECT_EQ(device.DeviceHandle(), nullptr);
}

TEST_F(Discovery, ClassListThatCannotBeHadFails) {
    machine.AddPrinter(At(sim::PrinterInterfacePath(0x0021)));
    machine.FailPrinterClassList(true);
    SG731NewDevice device;
    EXPECT_FALSE(device.OpenDeviceInterface());
    EXPECT_EQ(device.DeviceHandle(), nullptr);
}

TEST_F(Discovery, BusyInterfaceFailsWithAnInvalidHandle) {
    auto config = At(sim::PrinterInterfacePath(0x0021));
    config.busy = true;
    machine.AddPrinter(config);
    SG731NewDevice device;
    EXPECT_FALSE(device.OpenDeviceInterface());
    EXPECT_EQ(device.DeviceHandle(), INVALID_HANDLE_VALUE);
}

TEST_F(Discovery, InterfacesOfOneDeviceAreExaminedInOrderBeforeTheNextDevice) {
    machine.AddPrinterDevice({At("first-no-match"), At(sim::PrinterInterfacePath(0x0022, "a"))});
    machine.AddPrinterDevice({At(sim::PrinterInterfacePath(0x0022, "b"))});
    SG731TTDevice device;
    EXPECT_FALSE(device.OpenDeviceInterface());  // two of the variant: see below
    std::vector<std::string> opened;
    for (const auto& entry : machine.CallLog())
        if (entry.rfind("CreateFileA", 0) == 0) opened.push_back(entry.substr(12));
    EXPECT_EQ(opened, (std::vector<std::string>{sim::PrinterInterfacePath(0x0022, "a")}));
}

// Two interfaces of the variant: which is the printer the walk counted cannot be told, so none is
// kept and the result is false, whichever order they come in and whichever of them opens.
TEST_F(Discovery, SecondMatchingInterfaceLeavesNothingOpenAndFails) {
    auto busy = At(sim::PrinterInterfacePath(0x0020, "a"));
    busy.busy = true;
    machine.AddPrinter(At(sim::PrinterInterfacePath(0x0021, "first")));
    machine.AddPrinter(At(sim::PrinterInterfacePath(0x0020, "b")));
    machine.AddPrinter(busy);
    SG731OldDevice device;
    EXPECT_FALSE(device.OpenDeviceInterface());
    EXPECT_EQ(device.DeviceHandle(), nullptr);
    EXPECT_EQ(machine.OpenHandles(), 0);
    EXPECT_EQ(machine.CountCalls("CreateFileA"), 1);  // the later matches are never opened
}

TEST_F(Discovery, HandleHeldFromAnEarlierPassIsClosedBeforeTheNext) {
    machine.AddPrinter(At(sim::PrinterInterfacePath(0x0021)));
    SG731NewDevice device;
    EXPECT_TRUE(device.OpenDeviceInterface());
    EXPECT_TRUE(device.OpenDeviceInterface());
    EXPECT_EQ(machine.OpenHandles(), 1);
}

struct DetailFault {
    const char* name;
    bool sizeQuerySucceeds;
    DWORD sizeQueryError;
    bool detailReadFails;
};

class DiscoveryDetailFaults : public test::SimFixture,
                              public ::testing::WithParamInterface<DetailFault> {};

TEST_P(DiscoveryDetailFaults, FaultyInterfaceFailsTheResultButALaterMatchStillOpens) {
    const DetailFault& f = GetParam();
    auto faulty = At(sim::PrinterInterfacePath(0x0021, "faulty"));
    faulty.detailSizeQuerySucceeds = f.sizeQuerySucceeds;
    faulty.detailSizeQueryError = f.sizeQueryError;
    faulty.detailReadFails = f.detailReadFails;
    machine.AddPrinterDevice({faulty, At(sim::PrinterInterfacePath(0x0021, "good"))});
    SG731NewDevice device;
    EXPECT_FALSE(device.OpenDeviceInterface());
    EXPECT_NE(device.DeviceHandle(), nullptr);
    EXPECT_NE(device.DeviceHandle(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(machine.CountCalls("CreateFileA"), 1);  // the faulty one was never opened
}

const DetailFault kDetailFaults[] = {
    {"SizeQuerySucceeds", true, ERROR_INSUFFICIENT_BUFFER, false},
    {"SizeQueryFailsOtherwise", false, ERROR_INVALID_DATA, false},
    {"DetailUnreadable", false, ERROR_INSUFFICIENT_BUFFER, true},
};

INSTANTIATE_TEST_SUITE_P(Table, DiscoveryDetailFaults, ::testing::ValuesIn(kDetailFaults),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vork
