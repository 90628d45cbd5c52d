#include "tests/wizard/WizardTestSupport.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "device/FirmwareImages.h"
#include "tests/ui/WindowTestSupport.h"
#include "ui/ResourceIds.h"
#include "ui/Texts.h"

namespace vork::test {
namespace {

constexpr wchar_t kClassName[] = L"SG731WINDOW";

// Tells the two status bitmaps apart by their badge: mostly green (check) or mostly red (cross).
int BitmapId(HBITMAP bitmap) {
    BITMAP info{};
    if (!bitmap || !::GetObjectW(bitmap, sizeof info, &info)) return 0;
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = info.bmWidth;
    format.bmiHeader.biHeight = info.bmHeight;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    std::vector<RGBQUAD> pixels(static_cast<std::size_t>(info.bmWidth) * info.bmHeight);
    const HDC screen = ::GetDC(nullptr);
    ::GetDIBits(screen, bitmap, 0, info.bmHeight, pixels.data(), &format, DIB_RGB_COLORS);
    ::ReleaseDC(nullptr, screen);
    int green = 0, red = 0;
    for (const RGBQUAD& p : pixels) {
        green += p.rgbGreen > p.rgbRed + 60;
        red += p.rgbRed > p.rgbGreen + 60;
    }
    return green > red ? IDB_CHECK : red > green ? IDB_CROSS : -1;
}

bool Visible(HWND control) { return (::GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE) != 0; }

}  // namespace

std::wstring Text(UINT id, int chars) { return LoadText(ProgramModule(), id, chars); }

void WizardFixture::SetUp() {
    EnsureClass(kClassName);
    if (gdiplusStarted) gdiplus.emplace();
}

sim::PrinterOnBus WizardFixture::Printer(std::uint16_t product, const char* code) {
    sim::PrinterOnBus d;
    d.product = product;
    d.printer.name = "printer";
    if (code)
        d.printer.revisionReply = sim::RevisionReply(code);
    else
        d.printer.replyMode = sim::ReplyMode::Silent;
    return d;
}

std::shared_ptr<sim::Printer> WizardFixture::Attach(sim::PrinterOnBus printer, int port) {
    return sim::AttachPrinter(machine, sim::RootHubOf(machine).Port(port), printer);
}

HWND WizardFixture::Open() {
    sim::RootHubOf(machine);  // a machine has a controller even without printers
    WizardOptions options;
    options.animation = gdiplusStarted;
    options.session = session;
    options.accessibility = accessibility;
    window = std::make_unique<WizardWindow>(
        ProgramModule(), language != nullptr ? language : ProgramModule(), options);
    hwnd = window->Create(kClassName, 0, 0);
    return hwnd;
}

void WizardFixture::Click(int id) {
    ::SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                   reinterpret_cast<LPARAM>(Control(id)));
}

bool WizardFixture::PumpUntilTransferEnds(DWORD timeoutMs) {
    const ULONGLONG end = ::GetTickCount64() + timeoutMs;
    while (window && window->IsTransferRunning()) {
        if (::GetTickCount64() >= end) return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        PumpPending();
    }
    PumpPending();
    return true;
}

Screen WizardFixture::Read() const {
    Screen s;
    for (int id : {IDC_TITLE, IDC_STATUS_ICON, IDC_STATUS_TEXT, IDC_UPDATE, IDC_FOOTER, IDC_CLOSE,
                   IDC_STEPS_HEADING, IDC_STEP1, IDC_STEP2, IDC_STEP3, IDC_STEP4, IDC_STEP5,
                   IDC_STEP6, IDC_STEP7, IDC_RETRY, IDC_DETAIL1, IDC_DETAIL2})
        if (Visible(Control(id))) s.visible.insert(id);
    s.updateEnabled = ::IsWindowEnabled(Control(IDC_UPDATE)) != FALSE;
    s.closeEnabled = ::IsWindowEnabled(Control(IDC_CLOSE)) != FALSE;
    if (s.visible.count(IDC_STATUS_TEXT)) s.status = WindowText(Control(IDC_STATUS_TEXT));
    if (s.visible.count(IDC_DETAIL1)) s.detail1 = WindowText(Control(IDC_DETAIL1));
    if (s.visible.count(IDC_DETAIL2)) s.detail2 = WindowText(Control(IDC_DETAIL2));
    if (s.visible.count(IDC_RETRY)) s.retry = WindowText(Control(IDC_RETRY));
    if (s.visible.count(IDC_STATUS_ICON)) {
        const auto bitmap = reinterpret_cast<HBITMAP>(
            ::SendMessageW(Control(IDC_STATUS_ICON), STM_GETIMAGE, IMAGE_BITMAP, 0));
        s.icon = BitmapId(bitmap);
    }
    return s;
}

bool EndsWithOldImage(const std::vector<std::uint8_t>& received) {
    const std::vector<std::uint8_t> image(firmware::kOldImage,
                                          firmware::kOldImage + firmware::kFirmwareSize);
    return received.size() >= image.size() &&
           std::equal(image.begin(), image.end(), received.end() - image.size());
}

}  // namespace vork::test
