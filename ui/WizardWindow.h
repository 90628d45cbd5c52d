#pragma once
// The main window as a one-page wizard. Its look changes only by showing, hiding, enabling and
// re-texting the fixed controls; the screen follows from the printer selection made once while the
// window is created, from the Update, Retry and Close buttons, and from the firmware worker's
// notifications (150 success, 153 failure, sent; 154 progress, posted).
//
// Ownership: the window object owns the selected device until the object is destroyed after the
// message loop has ended, so a worker still running when the window goes away (closed from outside
// during a transfer) finishes against a live device; the device's destructor waits for it. The
// progress indicator lives from the start of a transfer to its end or the window's destruction;
// without GDI+ there is none.
// The status image is owned here, and each one replaced is deleted at once.
//
// Threads: every member runs on the window's thread. No device exception leaves a handler: one
// raised while the window is created shows the Wrong-mode screen, one raised by a click the
// Failure screen.
#include <cstdint>
#include <memory>
#include <vector>

#include "device/SG731DeviceBase.h"
#include "platform/Handles.h"
#include "ui/MainWindow.h"
#include "ui/TransferHold.h"
#include "ui/WizardAccessibility.h"
#include "ui/WizardScreens.h"

namespace vork {

class ProgressIndicator;

// What the wizard takes from the program around it.
struct WizardOptions {
    // False when GDI+ did not start: the window then makes no GDI+ call at all, and every transfer
    // runs without the animation.
    bool animation = true;
    // Where a transfer's requests to keep the computer awake and to hold a shutdown go; null for
    // Windows itself.
    SessionControl* session = nullptr;
    // Where the annotations and announcements for assistive technology go; null for Windows.
    AccessibilityServices* accessibility = nullptr;
};

class WizardWindow final : public MainWindow {
public:
    WizardWindow(HINSTANCE instance, HMODULE language, WizardOptions options = {}) noexcept;
    ~WizardWindow() override;

    // Read-only views for tests.
    SG731DeviceBase* Device() const { return device_.get(); }
    bool IsTransferRunning() const { return transferRunning_; }
    HGDIOBJ StatusImage() const { return statusImage_.Get(); }
    const ProgressIndicator* Indicator() const { return indicator_.get(); }

    // True from the start of a transfer to its end: the computer is kept awake and a shutdown held
    // (after the window's destruction, until the worker has ended: kept awake only).
    bool IsSessionHeld() const { return hold_.IsHeld(); }

    // Once the window has been shown: announces its first screen to assistive technology, which
    // follows no window while it is hidden.
    void AnnounceScreen() { accessibility_.WindowShown(*this); }

protected:
    void OnCreateFlow() override;
    bool OnCommand(WORD id, LPARAM lParam) override;
    void OnDestroy() override;
    // The status image and the animation follow the window to its new DPI.
    void OnDpiChanged() override;
    // Refused while firmware is written: a printer whose write is cut off may not start again.
    bool CanEndSession() const override { return !hold_.IsHeld(); }

private:
    struct IndicatorDelete {
        void operator()(ProgressIndicator* indicator) const noexcept;
    };

    void SelectAndShowFirstScreen();
    void OnUpdateClick();
    void CheckAndStartTransfer();
    void StartTransfer();
    void EndTransfer();
    void OnUpdateSucceeded();
    void OnUpdateFailed();
    void OnUpdateProgress(LPARAM lParam);
    // Sets the controls to the row of `screen` (see WizardScreens.h).
    void ShowScreen(WizardScreen screen);
    void ShowSteps(bool visible) const;
    void ShowLine(int controlId, const LineLook& line) const;
    void ShowIcon(IconShows icon);
    void ShowStatusImage(int bitmapId);
    void PlaceAnimation();
    void SetText(int controlId, UINT textId, int chars) const;

    std::unique_ptr<SG731DeviceBase> device_;
    std::unique_ptr<ProgressIndicator, IndicatorDelete> indicator_;
    GdiObject statusImage_;
    int statusBitmap_ = 0;  // the bitmap id shown, 0 while the icon is hidden
    WizardOptions options_;
    // From the start of a transfer to its end; a window destroyed during it gives back the shutdown
    // reason at once and the rest once the worker has ended.
    TransferHold hold_;
    WizardAccessibility accessibility_;
    bool transferRunning_ = false;  // between the start of a transfer and its 150 or 153
};

// "(FW: " and the ten revision characters, each byte shown as the Latin-1 character of its code,
// then ")". A zero byte ends the text there; a revision shorter than ten bytes shows what there is.
std::wstring FirmwareLabel(const std::vector<std::uint8_t>& revision);

// The status line while firmware is sent: text 115, the percentage in parentheses, 36 spaces, cut
// to 63 characters.
std::wstring ProgressText(const std::wstring& copying, unsigned percent);

}  // namespace vork
