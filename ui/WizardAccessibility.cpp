#include "ui/WizardAccessibility.h"

#include "ui/ResourceIds.h"
#include "ui/Texts.h"

namespace vork {
namespace {

VARIANT Int(LONG value) {
    VARIANT v{};
    v.vt = VT_I4;
    v.lVal = value;
    return v;
}

VARIANT False() {
    VARIANT v{};
    v.vt = VT_BOOL;
    v.boolVal = VARIANT_FALSE;
    return v;
}

std::wstring TextOf(HWND control) {
    wchar_t text[kTextChars] = {};
    ::GetWindowTextW(control, text, kTextChars);
    return text;
}

bool IsShown(HWND control) { return (::GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE) != 0; }

// The properties annotated on each kind of control, for clearing them again.
constexpr GUID kLineProps[] = {kLiveSettingProperty};
constexpr GUID kImageProps[] = {kNameProperty};
constexpr GUID kFooterProps[] = {kStateProperty, kIsControlElementProperty,
                                 kIsContentElementProperty};

}  // namespace

void WizardAccessibility::Annotate(const MainWindow& window) {
    services_.OpenRequests();
    lines_ = {{{IDC_STATUS_TEXT, {}, LiveSetting::Off},
               {IDC_DETAIL1, {}, LiveSetting::Off},
               {IDC_DETAIL2, {}, LiveSetting::Off}}};
    for (Line& line : lines_) {
        if (const HWND control = window.Control(line.id))
            SetLiveSetting(control, line, LiveSetting::Polite);
    }
    // The band only frames the Close button: readers skip it in every view they offer.
    if (const HWND footer = window.Control(IDC_FOOTER)) {
        services_.SetHwndProp(footer, OBJID_CLIENT, CHILDID_SELF, kStateProperty,
                              Int(STATE_SYSTEM_INVISIBLE));
        services_.SetHwndProp(footer, OBJID_CLIENT, CHILDID_SELF, kIsControlElementProperty,
                              False());
        services_.SetHwndProp(footer, OBJID_CLIENT, CHILDID_SELF, kIsContentElementProperty,
                              False());
    }
}

void WizardAccessibility::ScreenShown(const MainWindow& window, const ScreenLook& look) {
    if (look.icon == IconShows::Check || look.icon == IconShows::Cross) NameStatusImage(window);
    // A failure interrupts whatever the reader is saying; everything else waits its turn.
    const LiveSetting status =
        look.screen == WizardScreen::Failure ? LiveSetting::Assertive : LiveSetting::Polite;
    Announce(window, lines_[0], look.status.shows, status);
    Announce(window, lines_[1], look.detail1.shows, LiveSetting::Polite);
    Announce(window, lines_[2], look.detail2.shows, LiveSetting::Polite);
}

void WizardAccessibility::StatusChanged(const MainWindow& window) {
    Announce(window, lines_[0], LineShows::Text, LiveSetting::Polite);
}

void WizardAccessibility::WindowShown(const MainWindow& window) {
    for (Line& line : lines_) {
        const LiveSetting setting =
            line.setting == LiveSetting::Off ? LiveSetting::Polite : line.setting;
        Announce(window, line, LineShows::Text, setting);
    }
}

void WizardAccessibility::Clear(const MainWindow& window) {
    for (const Line& line : lines_) {
        if (const HWND control = window.Control(line.id))
            services_.ClearHwndProps(control, OBJID_CLIENT, CHILDID_SELF, kLineProps, 1);
    }
    if (const HWND image = window.Control(IDC_STATUS_ICON))
        services_.ClearHwndProps(image, OBJID_CLIENT, CHILDID_SELF, kImageProps, 1);
    if (const HWND footer = window.Control(IDC_FOOTER))
        services_.ClearHwndProps(footer, OBJID_CLIENT, CHILDID_SELF, kFooterProps, 3);
    services_.CloseRequests();
}

void WizardAccessibility::Announce(const MainWindow& window, Line& line, LineShows shows,
                                   LiveSetting setting) {
    const HWND control = window.Control(line.id);
    if (control == nullptr) return;
    // A hidden line, or one a screen keeps as it was (the failure text while a Retry writes), is
    // nothing new: whatever it shows next is announced, even the text it had before.
    if (shows == LineShows::Hidden || shows == LineShows::Kept || !IsShown(control)) {
        line.announced.clear();
        return;
    }
    // No reader follows a hidden window: what it shows is announced once it is shown.
    if (!::IsWindowVisible(window.Window())) return;
    const std::wstring text = TextOf(control);
    if (text.empty() || text == line.announced) return;
    line.announced = text;
    SetLiveSetting(control, line, setting);
    services_.NotifyWinEvent(kEventLiveRegionChanged, control, OBJID_CLIENT, CHILDID_SELF);
}

void WizardAccessibility::SetLiveSetting(HWND control, Line& line, LiveSetting setting) {
    if (line.setting == setting) return;
    line.setting = setting;
    services_.SetHwndProp(control, OBJID_CLIENT, CHILDID_SELF, kLiveSettingProperty,
                          Int(static_cast<LONG>(setting)));
}

void WizardAccessibility::NameStatusImage(const MainWindow& window) {
    const HWND image = window.Control(IDC_STATUS_ICON);
    const HWND status = window.Control(IDC_STATUS_TEXT);
    if (image == nullptr || status == nullptr) return;
    const std::wstring name = TextOf(status);
    // An image static ignores WM_SETTEXT, so its text is stored by the default procedure, as at
    // creation; the accessibility proxy of every client names the control by it. The annotation
    // says the same to clients that read annotations first.
    ::DefWindowProcW(image, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
    services_.SetHwndPropStr(image, OBJID_CLIENT, CHILDID_SELF, kNameProperty, name.c_str());
}

}  // namespace vork
