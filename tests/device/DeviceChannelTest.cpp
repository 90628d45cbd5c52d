// The byte channel over a simulated printer: bounded waits, cancel-then-wait, results and the
// diagnostics on standard output, chunking and progress, and the revision exchange.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include <numeric>

#include "device/SG731OldDevice.h"
#include "tests/support/NotificationWindow.h"
#include "sim/PrinterOnBus.h"
#include "tests/support/Diagnostics.h"
#include "tests/support/SimFixture.h"

namespace vork {
namespace {

using test::Diagnostics;

using sim::PrinterConfig;
using sim::RequestScript;
using Kind = sim::RequestScript::Kind;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

std::vector<std::uint8_t> Pattern(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 256);
    return bytes;
}

class DeviceChannel : public test::SimFixture {
protected:
    void ResetObjects() override { device.reset(); }

    // Attaches one printer and opens its interface into the device handle.
    std::shared_ptr<sim::Printer> Attach(PrinterConfig config = {}) {
        config.interfacePath = sim::PrinterInterfacePath(0x0021);
        auto printer = machine.AddPrinter(config);
        EXPECT_TRUE(device->OpenDeviceInterface());
        EXPECT_NE(device->DeviceHandle(), nullptr);
        machine.ClearLog();
        return printer;
    }

    // The calls of the log that matter for a request's life, in order.
    std::vector<std::string> RequestCalls() const {
        std::vector<std::string> calls;
        for (const auto& entry : machine.CallLog())
            if (entry.rfind("CreateFileA", 0) && entry.rfind("SetupDi", 0)) calls.push_back(entry);
        return calls;
    }

    std::unique_ptr<SG731DeviceBase> device = std::make_unique<SG731OldDevice>();
};

TEST_F(DeviceChannel, NullHandleMeansNoRequestNoEventNoOutput) {
    std::uint8_t buffer[4] = {};
    testing::internal::CaptureStdout();
    EXPECT_EQ(device->WriteDevice(buffer, 4), -1);
    EXPECT_EQ(device->ReadDevice(buffer, 4), -1);
    EXPECT_EQ(device->WriteDeviceChunked(buffer, 4, 1), 0);
    EXPECT_EQ(Diagnostics(testing::internal::GetCapturedStdout()), "");
    EXPECT_EQ(machine.CountCalls("CreateEventW"), 0);
    EXPECT_EQ(machine.CountCalls("CloseHandle"), 0);
}

struct RequestCase {
    const char* name;
    bool read;
    RequestScript script;
    bool cancelFails;
    std::int32_t result;
    std::vector<DWORD> waits;
    const char* output;
    bool cancelled;
};

class DeviceChannelRequests : public DeviceChannel,
                              public ::testing::WithParamInterface<RequestCase> {};

TEST_P(DeviceChannelRequests, EndsWithTheExpectedResultWaitsAndDiagnostics) {
    const RequestCase& c = GetParam();
    PrinterConfig config;
    config.revisionReply = sim::RevisionReply("d0A");
    (c.read ? config.reads : config.writes)[c.read ? 0 : 1] = c.script;
    config.cancelFails = c.cancelFails;
    Attach(config);
    if (c.read) {  // a reply is owed only after a revision request
        const std::uint8_t request[] = {0x1B, 0x56};
        ASSERT_EQ(device->WriteDevice(request, 2), 2);
        machine.ClearLog();
    } else {
        std::uint8_t first = 0;
        ASSERT_EQ(device->WriteDevice(&first, 1), 1);
        machine.ClearLog();
    }
    std::vector<std::uint8_t> buffer(10, 0);
    testing::internal::CaptureStdout();
    const std::int32_t result =
        c.read ? device->ReadDevice(buffer.data(), 10) : device->WriteDevice(buffer.data(), 10);
    EXPECT_EQ(Diagnostics(testing::internal::GetCapturedStdout()), c.output);
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(machine.Waits(), c.waits);
    EXPECT_EQ(machine.CountCalls("CancelIo"), c.cancelled ? 1 : 0);
    if (c.cancelled) {  // the unbounded wait follows the cancel, never precedes it
        const auto calls = RequestCalls();
        const auto cancel = std::find(calls.begin(), calls.end(), "CancelIo");
        ASSERT_NE(cancel, calls.end());
        EXPECT_EQ(*(cancel + 1), "WaitForSingleObject 4294967295");
    }
    EXPECT_EQ(machine.CountCalls("CreateEventW"), 1);
    // The event is closed before the operation returns, whatever the path.
    EXPECT_EQ(machine.OpenHandles(), 1);  // only the device handle
}

const RequestCase kRequestCases[] = {
    {"WriteCompletes", false, {}, false, 10, {10000}, "", false},
    {"WriteCompletesAtOnce", false, {Kind::CompleteAtOnce}, false, 10, {10000}, "", false},
    {"WriteShort", false, {Kind::AcceptPart, 0, 4}, false, 4, {10000}, "", false},
    {"WriteRefused", false, {Kind::RefuseAtOnce, ERROR_GEN_FAILURE}, false, -1, {}, "", false},
    {"WriteTimesOut", false, {Kind::NeverComplete}, false, -1, {10000, INFINITE}, "", true},
    {"WriteWaitFails", false, {Kind::FailWait}, false, -1, {10000, INFINITE}, "", true},
    {"WriteCompletesWhileCancelled",
     false,
     {Kind::CompleteWhileCancelling},
     false,
     -1,
     {10000, INFINITE},
     "",
     true},
    {"WriteStatusUnreadable",
     false,
     {Kind::FailOverlappedResult, ERROR_INVALID_PARAMETER},
     false,
     -1,
     {10000},
     "ERROR: GetOverlappedResult failed (0x57)!\n",
     false},
    {"WriteCancelFails",
     false,
     {Kind::NeverComplete},
     true,
     -1,
     {10000, INFINITE},
     "ERROR: CancelIo failed (0x490)!\n",
     true},
    {"ReadCompletes", true, {}, false, 10, {5000}, "", false},
    {"ReadCompletesAtOnce", true, {Kind::CompleteAtOnce}, false, 10, {5000}, "", false},
    {"ReadShort", true, {Kind::AcceptPart, 0, 9}, false, 9, {5000}, "", false},
    {"ReadRefused",
     true,
     {Kind::RefuseAtOnce, ERROR_GEN_FAILURE},
     false,
     -1,
     {},
     "ERROR: ReadFile failed (0x1f)!\n",
     false},
    {"ReadTimesOut",
     true,
     {Kind::NeverComplete},
     false,
     -1,
     {5000, INFINITE},
     "ERROR: ReadFile() timed out!\n",
     true},
    {"ReadWaitFails",
     true,
     {Kind::FailWait},
     false,
     -1,
     {5000, INFINITE},
     "ERROR: ReadFile() unkown error!\n",
     true},
    {"ReadCompletesWhileCancelled",
     true,
     {Kind::CompleteWhileCancelling},
     false,
     -1,
     {5000, INFINITE},
     "ERROR: ReadFile() timed out!\n",
     true},
    {"ReadStatusUnreadable",
     true,
     {Kind::FailOverlappedResult, ERROR_INVALID_PARAMETER},
     false,
     -1,
     {5000},
     "ERROR: GetOverlappedResult failed (0x57)!\n",
     false},
    {"ReadCancelFails",
     true,
     {Kind::NeverComplete},
     true,
     -1,
     {5000, INFINITE},
     "ERROR: ReadFile() timed out!\nERROR: CancelIo failed (0x490)!\n",
     true},
};

INSTANTIATE_TEST_SUITE_P(Table, DeviceChannelRequests, ::testing::ValuesIn(kRequestCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(DeviceChannel, NoRequestIsIssuedWithoutAnEvent) {
    Attach();
    machine.FailNextEventCreations(2);
    std::uint8_t buffer[2] = {};
    EXPECT_EQ(device->WriteDevice(buffer, 2), -1);
    EXPECT_EQ(device->ReadDevice(buffer, 2), -1);
    EXPECT_EQ(machine.CountCalls("WriteFile"), 0);
    EXPECT_EQ(machine.CountCalls("ReadFile"), 0);
}

struct ChunkCase {
    const char* name;
    std::uint32_t length;
    bool progressFlag;
    bool owner;
    std::vector<DWORD> writeSizes;
    std::vector<LPARAM> progress;
};

class DeviceChannelChunks : public DeviceChannel,
                            public ::testing::WithParamInterface<ChunkCase> {};

TEST_P(DeviceChannelChunks, SplitsInto2048BytePiecesWithProgressBeforeEach) {
    const ChunkCase& c = GetParam();
    test::NotificationWindow window;
    if (c.owner) device->SetOwnerWindow(window.Window());
    auto printer = Attach();
    const auto data = Pattern(c.length);
    EXPECT_EQ(device->WriteDeviceChunked(data.data(), c.length, c.progressFlag ? 1 : 0),
              static_cast<std::int32_t>(c.length));
    window.PumpPending();
    std::vector<DWORD> sizes;
    for (const auto& w : printer->writeLog) sizes.push_back(w.requested);
    EXPECT_EQ(sizes, c.writeSizes);
    EXPECT_EQ(printer->received, data);
    EXPECT_EQ(window.ProgressValues(), c.progress);
    for (const auto& n : window.Received()) EXPECT_FALSE(n.sent) << "progress must be posted";
}

const ChunkCase kChunkCases[] = {
    {"OnePiece", 2048, true, true, {2048}, {0}},
    {"OneByteOver", 2049, true, true, {2048, 1}, {0, 99}},
    {"WholeImage",
     20480,
     true,
     true,
     std::vector<DWORD>(10, 2048),
     {0, 10, 20, 30, 40, 50, 60, 70, 80, 90}},
    {"FlagOff", 20480, false, true, std::vector<DWORD>(10, 2048), {}},
    {"NoOwner", 20480, true, false, std::vector<DWORD>(10, 2048), {}},
    {"ShortCommand", 11, false, true, {11}, {}},
};

INSTANTIATE_TEST_SUITE_P(Table, DeviceChannelChunks, ::testing::ValuesIn(kChunkCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(DeviceChannel, ZeroLengthWritesNothing) {
    Attach();
    std::uint8_t byte = 0;
    EXPECT_EQ(device->WriteDeviceChunked(&byte, 0, 1), 0);
    EXPECT_EQ(machine.CountCalls("WriteFile"), 0);
}

TEST_F(DeviceChannel, PartlyAcceptedPieceContinuesFromTheFirstByteNotTaken) {
    PrinterConfig config;
    config.writes[1] = {Kind::AcceptPart, 0, 1000};
    auto printer = Attach(config);
    const auto data = Pattern(6144);
    EXPECT_EQ(device->WriteDeviceChunked(data.data(), 6144, 0), 6144);
    std::vector<DWORD> sizes;
    for (const auto& w : printer->writeLog) sizes.push_back(w.requested);
    EXPECT_THAT(sizes, ElementsAre(2048, 2048, 2048, 1048));  // the second took 1000 bytes
    EXPECT_EQ(printer->received, data);                       // every byte once, in order
}

TEST_F(DeviceChannel, FailedPieceStopsTheTransferAndItsProgress) {
    test::NotificationWindow window;
    device->SetOwnerWindow(window.Window());
    PrinterConfig config;
    config.writes[3] = {Kind::NeverComplete};
    auto printer = Attach(config);
    const auto data = Pattern(20480);
    EXPECT_EQ(device->WriteDeviceChunked(data.data(), 20480, 1), -1);
    window.PumpPending();
    EXPECT_EQ(printer->writeLog.size(), 4u);
    EXPECT_EQ(printer->received, std::vector<std::uint8_t>(data.begin(), data.begin() + 3 * 2048));
    EXPECT_THAT(window.ProgressValues(), ElementsAre(0, 10, 20, 30));
}

TEST_F(DeviceChannel, PieceAcceptedWithNoBytesEndsTheTransferInsteadOfLooping) {
    PrinterConfig config;
    config.writes[1] = {Kind::AcceptPart, 0, 0};
    auto printer = Attach(config);
    const auto data = Pattern(4096);
    EXPECT_EQ(device->WriteDeviceChunked(data.data(), 4096, 0), -1);
    EXPECT_EQ(printer->writeLog.size(), 2u);
}

// --- The revision exchange ---------------------------------------------------------------------

class RevisionExchange : public DeviceChannel {
protected:
    std::shared_ptr<sim::Printer> AddPrinter(PrinterConfig config) {
        config.interfacePath = sim::PrinterInterfacePath(0x0020);
        return machine.AddPrinter(config);
    }
};

TEST_F(RevisionExchange, TenByteReplyIsReturnedAndTheInterfaceClosed) {
    PrinterConfig config;
    config.revisionReply = sim::RevisionReply("v0G");
    auto printer = AddPrinter(config);
    EXPECT_EQ(device->QueryRevision(), sim::RevisionReply("v0G"));
    EXPECT_EQ(device->DeviceHandle(), nullptr);
    EXPECT_THAT(printer->received, ElementsAre(0x1B, 0x56));
    EXPECT_THAT(machine.Waits(), ElementsAre(10000, 5000));
    EXPECT_EQ(printer->opens, 1);
}

TEST_F(RevisionExchange, NineByteReplyIsDropped) {
    PrinterConfig config;
    config.revisionReply = sim::RevisionReply("v0G");
    config.revisionReply.pop_back();
    AddPrinter(config);
    EXPECT_TRUE(device->QueryRevision().empty());
    EXPECT_EQ(device->DeviceHandle(), nullptr);
}

TEST_F(RevisionExchange, SilentPrinterTimesOutAfterFiveSecondsOfVirtualTime) {
    PrinterConfig config;
    config.replyMode = sim::ReplyMode::Silent;
    AddPrinter(config);
    testing::internal::CaptureStdout();
    EXPECT_TRUE(device->QueryRevision().empty());
    EXPECT_EQ(Diagnostics(testing::internal::GetCapturedStdout()),
              "ERROR: ReadFile() timed out!\n");
    EXPECT_EQ(device->DeviceHandle(), nullptr);
    EXPECT_EQ(machine.NowMs(), 5000);
}

TEST_F(RevisionExchange, RequestAcceptedInPartIsNotFollowedByARead) {
    PrinterConfig config;
    config.revisionReply = sim::RevisionReply("v0G");
    config.writes[0] = {Kind::AcceptPart, 0, 1};
    AddPrinter(config);
    EXPECT_TRUE(device->QueryRevision().empty());
    EXPECT_EQ(machine.CountCalls("ReadFile"), 0);
    EXPECT_EQ(device->DeviceHandle(), nullptr);
    EXPECT_EQ(machine.CountCalls("CloseHandle"), 2);  // the write's event and the interface
}

TEST_F(RevisionExchange, NothingFoundMeansNoIo) {
    EXPECT_TRUE(device->QueryRevision().empty());
    EXPECT_EQ(machine.CountCalls("CreateFileA"), 0);
    EXPECT_EQ(machine.CountCalls("CreateEventW"), 0);
}

// A failed discovery may still have opened the printer (another interface failed in the same
// pass): nothing is sent, and nothing stays open for the spooler to meet.
TEST_F(RevisionExchange, FailedDiscoveryLeavesNothingOpen) {
    PrinterConfig faulty;
    faulty.interfacePath = "faulty";
    faulty.detailReadFails = true;
    PrinterConfig good;
    good.interfacePath = sim::PrinterInterfacePath(0x0020);
    machine.AddPrinterDevice({faulty, good});
    EXPECT_TRUE(device->QueryRevision().empty());
    EXPECT_EQ(machine.CountCalls("CreateFileA"), 1);
    EXPECT_EQ(machine.CountCalls("WriteFile"), 0);
    EXPECT_EQ(device->DeviceHandle(), nullptr);
    EXPECT_EQ(machine.OpenHandles(), 0);
}

}  // namespace
}  // namespace vork
