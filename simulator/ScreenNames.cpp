#include "simulator/ScreenNames.h"

#include <utility>

#include "ui/ResourceIds.h"
#include "ui/Texts.h"

namespace vork::simulator {
namespace {

bool Shown(HWND window, int id) {
    const HWND control = ::GetDlgItem(window, id);
    return control && (::GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE);
}

std::wstring StatusText(HWND window) {
    wchar_t text[kTextChars] = {};
    ::GetDlgItemTextW(window, IDC_STATUS_TEXT, text, kTextChars);
    return text;
}

}  // namespace

std::wstring ClassifyScreen(HWND window, HMODULE texts) {
    if (!::IsWindowEnabled(::GetDlgItem(window, IDC_CLOSE))) return L"Updating";
    if (Shown(window, IDC_STEPS_HEADING)) return L"Instructions";
    if (Shown(window, IDC_UPDATE)) return L"Ready";
    if (Shown(window, IDC_RETRY)) return L"Failure";
    const std::wstring status = StatusText(window);
    const std::pair<UINT, const wchar_t*> screens[] = {{IDS_UP_TO_DATE, L"Up to date"},
                                                       {IDS_SUCCESS, L"Success"},
                                                       {IDS_NO_PRINTER, L"No printer"},
                                                       {IDS_SEVERAL, L"Several printers"},
                                                       {IDS_WRONG_MODE, L"Wrong mode"}};
    for (const auto& [id, name] : screens)
        if (status == LoadText(texts, id, kTextChars)) return name;
    return L"Unknown";
}

}  // namespace vork::simulator
