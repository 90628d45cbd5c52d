// The flow between the wizard's screens: which screen follows from the selection, a click or a
// notification of the worker. What each screen looks like is the table of WizardScreens.cpp.
#include "ui/WizardWindow.h"

#include "device/PrinterSelection.h"
#include "ui/BoundedFormat.h"
#include "ui/Dpi.h"
#include "ui/ProgressIndicator.h"
#include "ui/ResourceIds.h"
#include "ui/StatusImage.h"
#include "ui/Texts.h"

namespace vork {
namespace {

constexpr int kAnimationX = 20;
constexpr int kAnimationY = 260;
// The area the last animation frame is erased from once the indicator has stopped, at 96 DPI.
constexpr RECT kAnimationArea = {20, 240, 220, 440};

}  // namespace

void WizardWindow::IndicatorDelete::operator()(ProgressIndicator* indicator) const noexcept {
    delete indicator;  // stops and joins the animation thread; memory goes back to GDI+
}

WizardWindow::WizardWindow(HINSTANCE instance, HMODULE language, WizardOptions options) noexcept
    : MainWindow(instance, language),
      options_(options),
      hold_(options.session != nullptr ? *options.session : WindowsSessionControl()),
      accessibility_(options.accessibility != nullptr ? *options.accessibility
                                                      : WindowsAccessibilityServices()) {}

WizardWindow::~WizardWindow() {
    // A window destroyed during a transfer left the computer kept awake for its worker, which may
    // still be writing: the hold ends once the worker has.
    if (device_) device_->JoinWorker();
    hold_.Release();
}

// --- Creation ----------------------------------------------------------------------------------

void WizardWindow::OnCreateFlow() {
    accessibility_.Annotate(*this);
    ShowScreen(WizardScreen::Instructions);
    try {
        SelectAndShowFirstScreen();
    } catch (...) {
        // A printer that cannot be questioned is treated as one in the wrong mode.
        ShowScreen(WizardScreen::WrongMode);
    }
}

void WizardWindow::SelectAndShowFirstScreen() {
    std::int32_t count = 0;
    device_ = SelectPrinter(count);
    if (count == 1 && device_) {
        if (device_->IsUpdateNeeded()) {
            device_->SetOwnerWindow(Window());
            if (device_->IsUpdateReady()) ShowScreen(WizardScreen::Ready);
            return;  // else the Instructions screen stays
        }
        ShowScreen(WizardScreen::UpToDate);
    } else if (count == -1) {
        ShowScreen(WizardScreen::WrongMode);
    } else if (count == 0) {
        ShowScreen(WizardScreen::NoPrinter);
    } else {
        ShowScreen(WizardScreen::SeveralPrinters);
    }
}

// --- Commands ------------------------------------------------------------------------------------

bool WizardWindow::OnCommand(WORD id, LPARAM lParam) {
    switch (id) {
        case IDC_UPDATE:
        case IDC_RETRY: OnUpdateClick(); return true;
        case ID_UPDATE_SUCCEEDED: OnUpdateSucceeded(); return true;
        case ID_UPDATE_FAILED: OnUpdateFailed(); return true;
        case ID_UPDATE_PROGRESS: OnUpdateProgress(lParam); return true;
        default: return MainWindow::OnCommand(id, lParam);  // Close, and everything else
    }
}

void WizardWindow::OnUpdateClick() {
    if (!device_ || transferRunning_) return;
    ShowScreen(WizardScreen::Checking);
    try {
        CheckAndStartTransfer();
    } catch (...) {
        EndTransfer();
        ShowScreen(WizardScreen::Failure);
    }
}

void WizardWindow::CheckAndStartTransfer() {
    if (!device_->IsUpdateReady()) {
        if (!device_->CheckConfiguration()) {
            ShowScreen(WizardScreen::UpToDate);  // not in program mode after all: show what it runs
            return;
        }
        if (!device_->CheckProductString()) {
            ShowScreen(WizardScreen::Failure);
            return;
        }
    }
    StartTransfer();
}

void WizardWindow::StartTransfer() {
    const std::wstring reason = LoadText(IDS_SHUTDOWN_REASON, kTextChars);
    hold_.Take(Window(), reason.c_str());
    ShowScreen(WizardScreen::Updating);
    // The indicator's memory comes from GDI+: without GDI+ it is not even allocated.
    if (options_.animation) indicator_.reset(new ProgressIndicator(Window()));  // null: no memory
    if (indicator_) {
        indicator_->LoadAnimation();
        PlaceAnimation();
        if (indicator_->IsLoaded()) indicator_->StartAnimation();
    }
    // The previous worker has delivered its end already; it may still be closing the interface.
    device_->JoinWorker();
    transferRunning_ = true;
    if (!device_->StartUpdate()) {
        // No worker, so no notification will come: never leave the window without Close.
        EndTransfer();
        ShowScreen(WizardScreen::Failure);
    }
}

void WizardWindow::EndTransfer() {
    transferRunning_ = false;
    hold_.Release();
    indicator_.reset();
    const RECT area = ScaleToDpi(kAnimationArea, Dpi());
    ::InvalidateRect(Window(), &area, TRUE);
    EnableControl(IDC_CLOSE, true);
}

void WizardWindow::OnUpdateSucceeded() {
    EndTransfer();
    ShowScreen(WizardScreen::Success);
}

void WizardWindow::OnUpdateFailed() {
    EndTransfer();
    ShowScreen(WizardScreen::Failure);
}

void WizardWindow::OnUpdateProgress(LPARAM lParam) {
    // A progress message handled after the end notification would overwrite the final text.
    if (!transferRunning_) return;
    const auto percent = static_cast<std::uint32_t>(lParam);
    if (percent > 100) return;
    const std::wstring text = ProgressText(LoadText(IDS_COPYING, kProgressChars), percent);
    SetControlText(IDC_STATUS_TEXT, text.c_str());
    accessibility_.StatusChanged(*this);
}

void WizardWindow::OnDestroy() {
    // The worker may go on writing: with the window gone nothing is left to hold a shutdown, but
    // the computer stays awake until the object is destroyed after the worker's end.
    hold_.ReleaseShutdownBlock();
    indicator_.reset();  // waits for the animation thread
    statusImage_.Reset();
    accessibility_.Clear(*this);
    MainWindow::OnDestroy();
}

void WizardWindow::OnDpiChanged() {
    PlaceAnimation();
    if (statusBitmap_ != 0) ShowStatusImage(statusBitmap_);
}

void WizardWindow::PlaceAnimation() {
    if (!indicator_) return;
    indicator_->SetOrigin(ScaleToDpi(kAnimationX, Dpi()), ScaleToDpi(kAnimationY, Dpi()));
    indicator_->SetDpi(Dpi());
}

// --- Screens -------------------------------------------------------------------------------------

void WizardWindow::ShowScreen(WizardScreen screen) {
    const ScreenLook& look = LookOf(screen);
    // A focused button that is hidden or disabled would leave the focus nowhere: park it first.
    SetFocusTarget(0);
    ShowSteps(look.steps);
    ShowControl(IDC_UPDATE, look.update);
    if (look.update) EnableControl(IDC_UPDATE, true);
    ShowControl(IDC_RETRY, look.retry);
    if (look.retry) SetText(IDC_RETRY, IDS_RETRY, kCaptionChars);
    ShowLine(IDC_STATUS_TEXT, look.status);
    ShowLine(IDC_DETAIL1, look.detail1);
    ShowLine(IDC_DETAIL2, look.detail2);
    ShowIcon(look.icon);
    EnableControl(IDC_CLOSE, look.closeEnabled);
    SetFocusTarget(look.focus);
    accessibility_.ScreenShown(*this, look);
}

void WizardWindow::ShowSteps(bool visible) const {
    for (int id : {IDC_STEPS_HEADING, IDC_STEP1, IDC_STEP2, IDC_STEP3, IDC_STEP4, IDC_STEP5,
                   IDC_STEP6, IDC_STEP7}) {
        ShowControl(id, visible);
    }
}

void WizardWindow::ShowLine(int controlId, const LineLook& line) const {
    ShowControl(controlId, line.shows != LineShows::Hidden);
    switch (line.shows) {
        case LineShows::Text: SetText(controlId, line.text, kTextChars); break;
        case LineShows::Bullet: {
            const std::wstring text = LoadText(line.text, kTextChars);
            wchar_t bullet[kTextChars];
            FormatBounded(bullet, kTextChars, L"- %s", text.c_str());
            SetControlText(controlId, bullet);
            break;
        }
        case LineShows::FirmwareLabel: {
            const auto revision = device_ ? device_->GetRevision() : std::vector<std::uint8_t>();
            const std::wstring label = FirmwareLabel(revision);
            SetControlText(controlId, label.c_str());
            break;
        }
        case LineShows::Hidden:
        case LineShows::Kept: break;
    }
}

void WizardWindow::ShowIcon(IconShows icon) {
    if (icon == IconShows::Check) ShowStatusImage(IDB_CHECK);
    if (icon == IconShows::Cross) ShowStatusImage(IDB_CROSS);
    if (icon == IconShows::Hidden) {
        ShowControl(IDC_STATUS_ICON, false);
        statusBitmap_ = 0;
    }
}

void WizardWindow::ShowStatusImage(int bitmapId) {
    statusBitmap_ = bitmapId;
    ShowControl(IDC_STATUS_ICON, true);
    const HBITMAP bitmap = LoadStatusImage(Instance(), bitmapId, Dpi());
    ::SendMessageW(Control(IDC_STATUS_ICON), STM_SETIMAGE, IMAGE_BITMAP,
                   reinterpret_cast<LPARAM>(bitmap));
    statusImage_.Reset(bitmap);  // the image it replaces is no longer shown: delete it now
}

void WizardWindow::SetText(int controlId, UINT textId, int chars) const {
    const std::wstring text = LoadText(textId, chars);
    SetControlText(controlId, text.c_str());
}

// --- Texts ---------------------------------------------------------------------------------------

std::wstring FirmwareLabel(const std::vector<std::uint8_t>& revision) {
    int c[10] = {};  // bytes past the end of a short revision read as 0, which ends the text
    for (std::size_t i = 0; i < 10 && i < revision.size(); ++i) c[i] = revision[i];
    wchar_t label[kTextChars];
    FormatBounded(label, kTextChars, L"(FW: %c%c%c%c%c%c%c%c%c%c)", c[0], c[1], c[2], c[3], c[4],
                  c[5], c[6], c[7], c[8], c[9]);
    return label;
}

std::wstring ProgressText(const std::wstring& copying, unsigned percent) {
    wchar_t text[kProgressChars];
    FormatBounded(text, kProgressChars, L"%s (%d%%)                                    ",
                  copying.c_str(), static_cast<int>(percent));
    return text;
}

}  // namespace vork
