#include "ui/WizardScreens.h"

#include <array>

#include "ui/ResourceIds.h"

namespace vork {
namespace {

constexpr LineLook kHidden = {LineShows::Hidden, 0};
constexpr LineLook kKept = {LineShows::Kept, 0};
constexpr LineLook kLabel = {LineShows::FirmwareLabel, 0};
constexpr LineLook Text(UINT id) { return {LineShows::Text, id}; }
constexpr LineLook Bullet(UINT id) { return {LineShows::Bullet, id}; }

using enum IconShows;
using enum WizardScreen;

// Each row: the screen, then steps, Update, Retry, the icon, Close enabled and the focus; on its
// second line the status line and the first and second detail lines.
// clang-format off
constexpr std::array<ScreenLook, 10> kScreens = {{
    {Instructions, true, true, false, Hidden, true, IDC_UPDATE,
     kHidden, kHidden, kHidden},
    {Ready, false, true, false, Hidden, true, IDC_UPDATE,
     kHidden, kHidden, kHidden},
    {UpToDate, false, false, false, Check, true, IDC_CLOSE,
     Text(IDS_UP_TO_DATE), kLabel, kHidden},
    {NoPrinter, false, false, false, Cross, true, IDC_CLOSE,
     Text(IDS_NO_PRINTER), Text(IDS_CHECK_CONNECTED), kHidden},
    {SeveralPrinters, false, false, false, Cross, true, IDC_CLOSE,
     Text(IDS_SEVERAL), Text(IDS_SEVERAL_DETAIL1), Text(IDS_SEVERAL_DETAIL2)},
    {WrongMode, false, false, false, Cross, true, IDC_CLOSE,
     Text(IDS_WRONG_MODE), Text(IDS_WRONG_MODE_DETAIL), kHidden},
    {Checking, false, false, false, Kept, true, 0,
     kKept, kHidden, kHidden},
    {Updating, false, false, false, Kept, false, 0,
     kKept, kHidden, kHidden},
    {Success, false, false, false, Check, true, IDC_CLOSE,
     Text(IDS_SUCCESS), Text(IDS_SUCCESS_DETAIL1), Text(IDS_SUCCESS_DETAIL2)},
    {Failure, false, false, true, Cross, true, IDC_RETRY,
     Text(IDS_FAILURE), Bullet(IDS_CHECK_CONNECTED), Bullet(IDS_CHECK_PROGRAM_MODE)},
}};
// clang-format on

}  // namespace

const ScreenLook& LookOf(WizardScreen screen) {
    for (const ScreenLook& look : kScreens) {
        if (look.screen == screen) return look;
    }
    return kScreens[0];  // every screen has its row; the compiler cannot see that
}

}  // namespace vork
