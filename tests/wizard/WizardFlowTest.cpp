// The wizard's screens and transitions, in-process in the real window over a simulated machine:
// what each screen shows, the road of one update, progress, Retry, Close and clean-up.
#include <gtest/gtest.h>

#include "device/FirmwareImages.h"
#include "tests/wizard/WizardTestSupport.h"
#include "ui/ProgressIndicator.h"
#include "ui/ResourceIds.h"

namespace vork::test {

bool operator==(const Screen& a, const Screen& b) {
    return a.visible == b.visible && a.updateEnabled == b.updateEnabled &&
           a.closeEnabled == b.closeEnabled && a.status == b.status && a.detail1 == b.detail1 &&
           a.detail2 == b.detail2 && a.retry == b.retry && a.icon == b.icon;
}

void PrintTo(const Screen& s, std::ostream* os) {
    auto narrow = [](const std::wstring& w) { return std::string(w.begin(), w.end()); };
    *os << "{visible:";
    for (int id : s.visible) *os << ' ' << id;
    *os << "; update " << (s.updateEnabled ? "on" : "off") << ", close "
        << (s.closeEnabled ? "on" : "off") << "; status \"" << narrow(s.status) << "\"; detail1 \""
        << narrow(s.detail1) << "\"; detail2 \"" << narrow(s.detail2) << "\"; retry \""
        << narrow(s.retry) << "\"; icon " << s.icon << "}";
}

namespace {

const std::set<int> kAlways = {IDC_TITLE, IDC_FOOTER, IDC_CLOSE};
const std::set<int> kSteps = {IDC_STEPS_HEADING, IDC_STEP1, IDC_STEP2, IDC_STEP3,
                              IDC_STEP4,         IDC_STEP5, IDC_STEP6, IDC_STEP7};

std::set<int> With(std::set<int> ids, std::initializer_list<int> more) {
    ids.insert(more);
    return ids;
}

Screen Base(std::set<int> visible) {
    Screen s;
    s.visible = std::move(visible);
    s.updateEnabled = true;  // enabled at creation, hidden later but never disabled
    s.closeEnabled = true;
    return s;
}

Screen Instructions() {
    auto visible = With(kAlways, {IDC_UPDATE});
    visible.insert(kSteps.begin(), kSteps.end());
    return Base(visible);
}
Screen Ready() { return Base(With(kAlways, {IDC_UPDATE})); }
Screen Lines(int icon, UINT status, std::wstring detail1, std::wstring detail2 = {},
             bool second = false) {
    Screen s = Base(With(kAlways, {IDC_STATUS_ICON, IDC_STATUS_TEXT, IDC_DETAIL1}));
    if (second) s.visible.insert(IDC_DETAIL2);
    s.icon = icon;
    s.status = Text(status);
    s.detail1 = std::move(detail1);
    s.detail2 = std::move(detail2);
    return s;
}
Screen UpToDate(const char* code) {
    const std::string label = std::string("(FW: SG731- ") + code + ")";
    return Lines(IDB_CHECK, IDS_UP_TO_DATE, std::wstring(label.begin(), label.end()));
}
Screen NoPrinter() { return Lines(IDB_CROSS, IDS_NO_PRINTER, Text(IDS_CHECK_CONNECTED)); }
Screen Several() {
    return Lines(IDB_CROSS, IDS_SEVERAL, Text(IDS_SEVERAL_DETAIL1), Text(IDS_SEVERAL_DETAIL2),
                 true);
}
Screen WrongMode() { return Lines(IDB_CROSS, IDS_WRONG_MODE, Text(IDS_WRONG_MODE_DETAIL)); }
Screen Success() {
    return Lines(IDB_CHECK, IDS_SUCCESS, Text(IDS_SUCCESS_DETAIL1), Text(IDS_SUCCESS_DETAIL2),
                 true);
}
Screen Failure() {
    Screen s = Lines(IDB_CROSS, IDS_FAILURE, L"- " + Text(IDS_CHECK_CONNECTED),
                     L"- " + Text(IDS_CHECK_PROGRAM_MODE), true);
    s.visible.insert(IDC_RETRY);
    s.retry = Text(IDS_RETRY, 16);
    return s;
}

struct Attached {
    std::uint16_t product;
    const char* code;  // null: silent
};

struct CreationRow {
    const char* name;
    std::vector<Attached> printers;
    Screen (*expected)();
};

void PrintTo(const CreationRow& row, std::ostream* os) { *os << row.name; }

class WizardCreation : public WizardFixture, public ::testing::WithParamInterface<CreationRow> {};

TEST_P(WizardCreation, ShowsTheScreenTheSelectionLeadsTo) {
    int port = 1;
    for (const Attached& a : GetParam().printers) Attach(Printer(a.product, a.code), port++);
    ASSERT_NE(Open(), nullptr);
    EXPECT_EQ(Read(), GetParam().expected());
}

const CreationRow kCreation[] = {
    {"NewNeedsUpdate", {{0x0021, "f0I"}}, Instructions},
    {"OldNeedsUpdate", {{0x0020, "d0A"}}, Ready},
    {"TTNeedsUpdate", {{0x0022, "d0B"}}, Ready},
    {"NewCurrent", {{0x0021, "f0J"}}, [] { return UpToDate("f0J"); }},
    {"OldCurrentD0B", {{0x0020, "d0B"}}, [] { return UpToDate("d0B"); }},
    {"OldCurrentV0G", {{0x0021, "v0G"}}, [] { return UpToDate("v0G"); }},
    {"TTCurrentD0C", {{0x0022, "d0C"}}, [] { return UpToDate("d0C"); }},
    {"TTCurrentV0G", {{0x0022, "v0G"}}, [] { return UpToDate("v0G"); }},
    {"NoPrinter", {}, NoPrinter},
    {"UnrecognisedCode", {{0x0021, "x9Z"}}, NoPrinter},
    {"SeveralPrinters", {{0x0020, "d0A"}, {0x0021, "f0I"}}, Several},
    {"OldAndTT", {{0x0021, "d0A"}, {0x0022, "d0A"}}, Several},
    {"WrongMode", {{0x0021, nullptr}}, WrongMode},
};

INSTANTIATE_TEST_SUITE_P(Rows, WizardCreation, ::testing::ValuesIn(kCreation),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(WizardFixture, InstructionsScreenShowsTheStepsAndEnablesUpdate) {
    Attach(Printer(0x0021, "f0I"));
    ASSERT_NE(Open(), nullptr);
    const int shown[] = {IDC_TITLE,         IDC_UPDATE, IDC_FOOTER, IDC_CLOSE,
                         IDC_STEPS_HEADING, IDC_STEP1,  IDC_STEP2,  IDC_STEP3,
                         IDC_STEP4,         IDC_STEP5,  IDC_STEP6,  IDC_STEP7};
    const int hidden[] = {IDC_STATUS_ICON, IDC_STATUS_TEXT, IDC_RETRY, IDC_DETAIL1, IDC_DETAIL2};
    for (int id : shown) EXPECT_TRUE(::GetWindowLongW(Control(id), GWL_STYLE) & WS_VISIBLE) << id;
    for (int id : hidden) EXPECT_FALSE(::GetWindowLongW(Control(id), GWL_STYLE) & WS_VISIBLE) << id;
    EXPECT_TRUE(::IsWindowEnabled(Control(IDC_UPDATE)));
    EXPECT_TRUE(::IsWindowEnabled(Control(IDC_CLOSE)));
}

class WizardFlow : public WizardFixture {
protected:
    std::vector<std::uint8_t> CommandAndImage(std::vector<std::uint8_t> command,
                                              const std::uint8_t* image) {
        command.insert(command.end(), image, image + firmware::kFirmwareSize);
        return command;
    }
};

TEST_F(WizardFlow, RoadOfOneUpdateOfANewPrinter) {
    auto printer = Attach(Printer(0x0021, "f0I"));
    ASSERT_NE(Open(), nullptr);
    EXPECT_EQ(Read(), Instructions());
    EXPECT_EQ(window->Device()->OwnerWindow(), hwnd);
    // Old probe, New probe, then the chosen object's own read: three exchanges, each its own open.
    EXPECT_EQ(printer->opens, 3);
    const int walksBefore = machine.CountCalls("SetupDiGetClassDevsW");

    Click(IDC_UPDATE);
    // The two checks searched the bus for 0x0021 once each; the transfer runs, Close is disabled.
    EXPECT_EQ(machine.CountCalls("SetupDiGetClassDevsW") - walksBefore, 2);
    EXPECT_TRUE(window->IsTransferRunning());
    EXPECT_FALSE(::IsWindowEnabled(Control(IDC_CLOSE)));
    EXPECT_FALSE(Read().visible.count(IDC_UPDATE));
    ASSERT_NE(window->Indicator(), nullptr);

    ASSERT_TRUE(PumpUntilTransferEnds());
    EXPECT_EQ(Read(), Success());
    EXPECT_EQ(window->Indicator(), nullptr);
    window.reset();
    const std::vector<std::uint8_t> flash = {'f', 'l', 'a', 's', 'h', ' ', 0x00, 0x70, 0x00};
    const std::vector<std::uint8_t> expected = [&] {  // three revision requests, then the firmware
        std::vector<std::uint8_t> bytes = {0x1B, 0x56, 0x1B, 0x56, 0x1B, 0x56};
        const auto rest = CommandAndImage(flash, firmware::kNewImage);
        bytes.insert(bytes.end(), rest.begin(), rest.end());
        return bytes;
    }();
    EXPECT_EQ(printer->received, expected);
    EXPECT_EQ(printer->opens, 4);
}

struct ClickRow {
    const char* name;
    sim::PrinterOnBus (*printer)();
    Screen (*expected)();
};

void PrintTo(const ClickRow& row, std::ostream* os) { *os << row.name; }

sim::PrinterOnBus WithCode(std::uint16_t product, const char* code) {
    sim::PrinterOnBus d;
    d.product = product;
    d.printer.revisionReply = sim::RevisionReply(code);
    return d;
}

class WizardUpdateClick : public WizardFixture, public ::testing::WithParamInterface<ClickRow> {};

TEST_P(WizardUpdateClick, EndsOnTheScreenTheChecksAndTheTransferLeadTo) {
    Attach(GetParam().printer());
    ASSERT_NE(Open(), nullptr);
    Click(IDC_UPDATE);
    ASSERT_TRUE(PumpUntilTransferEnds());
    EXPECT_EQ(Read(), GetParam().expected());
}

const ClickRow kClicks[] = {
    {"NewSucceeds", [] { return WithCode(0x0021, "f0I"); }, Success},
    {"OldSucceeds", [] { return WithCode(0x0020, "d0A"); }, Success},
    {"TTSucceeds", [] { return WithCode(0x0022, "d0A"); }, Success},
    {"NewWithoutRemoteWakeup",
     [] {
         auto d = WithCode(0x0021, "f0I");
         d.attributes = 0x80;
         return d;
     },
     [] { return UpToDate("f0I"); }},
    {"NewShowing0020", [] { return WithCode(0x0020, "f0I"); }, [] { return UpToDate("f0I"); }},
    {"NewWithOtherProductString",
     [] {
         auto d = WithCode(0x0021, "f0I");
         d.productString = u"VORK Stickograph 732";
         return d;
     },
     Failure},
    {"OldTransferRefused",
     [] {
         auto d = WithCode(0x0020, "d0A");
         d.printer.writes[5] = {sim::RequestScript::Kind::RefuseAtOnce};
         return d;
     },
     Failure},
};

INSTANTIATE_TEST_SUITE_P(Rows, WizardUpdateClick, ::testing::ValuesIn(kClicks),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vork::test
