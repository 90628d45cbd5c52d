// The flow between the wizard's screens. Each handler sets exactly the controls its transition
// names and leaves the others as they were, so the Updating screen keeps the icon and status line
// of the screen it was reached from.
#include "ui/WizardWindow.h"

#include "device/PrinterSelection.h"
#include "ui/BoundedFormat.h"
#include "ui/ProgressIndicator.h"
#include "ui/ResourceIds.h"
#include "ui/Texts.h"

namespace vork {
namespace {

constexpr int kAnimationX = 20;
constexpr int kAnimationY = 260;
// The area the last animation frame is erased from once the indicator has stopped.
constexpr RECT kAnimationArea = {20, 240, 220, 440};

}  // namespace

void WizardWindow::IndicatorDelete::operator()(ProgressIndicator* indicator) const noexcept {
    delete indicator;  // stops and joins the animation thread; memory goes back to GDI+
}

WizardWindow::WizardWindow(HINSTANCE instance, HMODULE language) noexcept
    : MainWindow(instance, language) {}

WizardWindow::~WizardWindow() = default;

// --- Creation ----------------------------------------------------------------------------------

void WizardWindow::OnCreateFlow() {
    ShowInstructionsScreen();
    try {
        SelectAndShowFirstScreen();
    } catch (...) {
        // A printer that cannot be questioned is treated as one in the wrong mode.
        ShowDetectionError(IDS_WRONG_MODE, IDS_WRONG_MODE_DETAIL);
    }
}

void WizardWindow::SelectAndShowFirstScreen() {
    std::int32_t count = 0;
    device_ = SelectPrinter(count);
    if (count == 1 && device_) {
        if (device_->IsUpdateNeeded()) {
            device_->SetOwnerWindow(Window());
            if (device_->IsUpdateReady()) ShowSteps(false);  // Ready screen
            return;                                          // else the Instructions screen stays
        }
        ShowControl(IDC_UPDATE, false);
        ShowSteps(false);
        ShowControl(IDC_DETAIL1, true);
        ShowControl(IDC_STATUS_TEXT, true);
        ShowUpToDate();
        return;
    }
    if (count == -1) {
        ShowDetectionError(IDS_WRONG_MODE, IDS_WRONG_MODE_DETAIL);
    } else if (count == 0) {
        ShowDetectionError(IDS_NO_PRINTER, IDS_CHECK_CONNECTED);
    } else {
        ShowDetectionError(IDS_SEVERAL, IDS_SEVERAL_DETAIL1);
        ShowControl(IDC_DETAIL2, true);
        SetText(IDC_DETAIL2, IDS_SEVERAL_DETAIL2, kTextChars);
    }
}

void WizardWindow::ShowDetectionError(UINT status, UINT detail) {
    ShowControl(IDC_UPDATE, false);
    ShowControl(IDC_RETRY, false);
    ShowSteps(false);
    ShowControl(IDC_DETAIL1, true);
    ShowControl(IDC_STATUS_TEXT, true);
    SetText(IDC_STATUS_TEXT, status, kTextChars);
    SetText(IDC_DETAIL1, detail, kTextChars);
    ShowStatusImage(IDB_CROSS);
}

// --- Commands ------------------------------------------------------------------------------------

bool WizardWindow::OnCommand(WORD id, LPARAM lParam) {
    switch (id) {
    case IDC_UPDATE:
    case IDC_RETRY:
        OnUpdateClick();
        return true;
    case ID_UPDATE_SUCCEEDED:
        OnUpdateSucceeded();
        return true;
    case ID_UPDATE_FAILED:
        OnUpdateFailed();
        return true;
    case ID_UPDATE_PROGRESS:
        OnUpdateProgress(lParam);
        return true;
    default:
        return MainWindow::OnCommand(id, lParam);  // Close, and everything else
    }
}

void WizardWindow::OnUpdateClick() {
    if (!device_ || transferRunning_) return;
    ShowControl(IDC_UPDATE, false);
    ShowControl(IDC_RETRY, false);
    ShowSteps(false);
    ShowControl(IDC_STATUS_TEXT, true);
    ShowControl(IDC_DETAIL1, false);
    ShowControl(IDC_DETAIL2, false);
    try {
        CheckAndStartTransfer();
    } catch (...) {
        EndTransfer();
        ShowFailureScreen();
    }
}

void WizardWindow::CheckAndStartTransfer() {
    if (device_->IsUpdateReady()) {
        StartTransfer();
        return;
    }
    if (!device_->CheckConfiguration()) {  // not in program mode after all: show what it runs
        ShowControl(IDC_UPDATE, false);
        ShowControl(IDC_DETAIL1, true);
        ShowUpToDate();
        return;
    }
    if (device_->CheckProductString())
        StartTransfer();
    else
        ShowFailureScreen();
}

void WizardWindow::StartTransfer() {
    ShowControl(IDC_UPDATE, false);
    EnableControl(IDC_CLOSE, false);
    indicator_.reset(new ProgressIndicator(Window()));  // null when GDI+ has no memory to give
    if (indicator_) {
        indicator_->LoadAnimation();
        indicator_->SetOrigin(kAnimationX, kAnimationY);
        if (indicator_->IsLoaded()) indicator_->StartAnimation();
    }
    // The previous worker has delivered its end already; it may still be closing the interface.
    device_->JoinWorker();
    transferRunning_ = true;
    if (!device_->StartUpdate()) {
        // No worker, so no notification will come: never leave the window without Close.
        EndTransfer();
        ShowFailureScreen();
    }
}

void WizardWindow::EndTransfer() {
    transferRunning_ = false;
    indicator_.reset();
    ::InvalidateRect(Window(), &kAnimationArea, TRUE);
    EnableControl(IDC_CLOSE, true);
}

void WizardWindow::OnUpdateSucceeded() {
    EndTransfer();
    SetText(IDC_STATUS_TEXT, IDS_SUCCESS, kTextChars);
    ShowControl(IDC_DETAIL1, true);
    SetText(IDC_DETAIL1, IDS_SUCCESS_DETAIL1, kTextChars);
    ShowControl(IDC_DETAIL2, true);
    SetText(IDC_DETAIL2, IDS_SUCCESS_DETAIL2, kTextChars);
    ShowStatusImage(IDB_CHECK);
}

void WizardWindow::OnUpdateFailed() {
    EndTransfer();
    ShowFailureScreen();
}

void WizardWindow::OnUpdateProgress(LPARAM lParam) {
    // A progress message handled after the end notification would overwrite the final text.
    if (!transferRunning_) return;
    const auto percent = static_cast<std::uint32_t>(lParam);
    if (percent > 100) return;
    const std::wstring text = ProgressText(LoadText(IDS_COPYING, kProgressChars), percent);
    SetControlText(IDC_STATUS_TEXT, text.c_str());
}

// --- Screens -------------------------------------------------------------------------------------

void WizardWindow::ShowUpToDate() {
    SetText(IDC_STATUS_TEXT, IDS_UP_TO_DATE, kTextChars);
    const std::wstring label = FirmwareLabel(device_->GetRevision());
    SetControlText(IDC_DETAIL1, label.c_str());
    ShowStatusImage(IDB_CHECK);
}

void WizardWindow::ShowFailureScreen() {
    ShowControl(IDC_STATUS_TEXT, true);
    SetText(IDC_STATUS_TEXT, IDS_FAILURE, kTextChars);
    wchar_t line[kTextChars];
    const std::wstring connected = LoadText(IDS_CHECK_CONNECTED, kTextChars);
    const std::wstring programMode = LoadText(IDS_CHECK_PROGRAM_MODE, kTextChars);
    ShowControl(IDC_DETAIL1, true);
    FormatBounded(line, kTextChars, L"- %s", connected.c_str());
    SetControlText(IDC_DETAIL1, line);
    ShowControl(IDC_DETAIL2, true);
    FormatBounded(line, kTextChars, L"- %s", programMode.c_str());
    SetControlText(IDC_DETAIL2, line);
    EnableControl(IDC_CLOSE, true);
    ShowStatusImage(IDB_CROSS);
    ShowControl(IDC_RETRY, true);
    SetText(IDC_RETRY, IDS_RETRY, kCaptionChars);
}

void WizardWindow::ShowStatusImage(int bitmapId) {
    ShowControl(IDC_STATUS_ICON, true);
    const auto bitmap = static_cast<HBITMAP>(::LoadImageW(Instance(), MAKEINTRESOURCEW(bitmapId),
                                                          IMAGE_BITMAP, 0, 0, LR_DEFAULTSIZE));
    ::SendMessageW(Control(IDC_STATUS_ICON), STM_SETIMAGE, IMAGE_BITMAP,
                   reinterpret_cast<LPARAM>(bitmap));
    statusImage_.Reset(bitmap);  // the image it replaces is no longer shown: delete it now
}

void WizardWindow::SetText(int controlId, UINT textId, int chars) const {
    const std::wstring text = LoadText(textId, chars);
    SetControlText(controlId, text.c_str());
}

void WizardWindow::OnDestroy() {
    indicator_.reset();  // waits for the animation thread
    statusImage_.Reset();
    MainWindow::OnDestroy();
}

// --- Texts ---------------------------------------------------------------------------------------

std::wstring FirmwareLabel(const std::vector<std::uint8_t>& revision) {
    int c[10] = {};  // bytes past the end of a short revision read as 0, which ends the text
    for (std::size_t i = 0; i < 10 && i < revision.size(); ++i) c[i] = revision[i];
    wchar_t label[kTextChars];
    FormatBounded(label, kTextChars, L"(FW: %c%c%c%c%c%c%c%c%c%c)", c[0], c[1], c[2], c[3], c[4], c[5],
                  c[6], c[7], c[8], c[9]);
    return label;
}

std::wstring ProgressText(const std::wstring& copying, unsigned percent) {
    wchar_t text[kProgressChars];
    FormatBounded(text, kProgressChars, L"%s (%d%%)                                    ", copying.c_str(),
                  static_cast<int>(percent));
    return text;
}

}  // namespace vork
