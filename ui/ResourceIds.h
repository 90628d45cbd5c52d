#pragma once
// The control, command, string and image ids of the updater: one number space shared by the window
// procedure and the resource scripts (windres reads this header too, so it holds #defines only).

// Images and other resources of the program's own module.
#define IDI_APP 101
#define IDR_PROGRESS_GIF 103
#define IDB_CHECK 105
#define IDB_CROSS 106
// The status images drawn anew for 192 DPI.
#define IDB_CHECK_192 202
#define IDB_CROSS_192 205

// Strings.
#define IDS_CLASS_NAME 104
#define IDS_WINDOW_TITLE 110
#define IDS_TITLE 111
#define IDS_UPDATE 112
#define IDS_CLOSE 113
#define IDS_UP_TO_DATE 114
#define IDS_COPYING 115
#define IDS_SUCCESS 116
#define IDS_SUCCESS_DETAIL1 117
#define IDS_SUCCESS_DETAIL2 118
#define IDS_FAILURE 119
#define IDS_RETRY 120
#define IDS_CHECK_CONNECTED 121
#define IDS_CHECK_PROGRAM_MODE 122
#define IDS_STEPS_HEADING 123
#define IDS_STEP1 124
#define IDS_STEP2 125
#define IDS_STEP3 126
#define IDS_STEP4 127
#define IDS_STEP5 128
#define IDS_STEP6 129
#define IDS_STEP7 130
#define IDS_SEVERAL 162
#define IDS_SEVERAL_DETAIL1 163
#define IDS_SEVERAL_DETAIL2 164
#define IDS_WRONG_MODE 165
#define IDS_WRONG_MODE_DETAIL 166
#define IDS_NO_PRINTER 167
#define IDS_SHUTDOWN_REASON 168

// Controls, in their creation order.
#define IDC_TITLE 140
#define IDC_STATUS_ICON 146
#define IDC_STATUS_TEXT 156
#define IDC_UPDATE 145
#define IDC_FOOTER 170
#define IDC_CLOSE 171
#define IDC_STEPS_HEADING 180
#define IDC_STEP1 181
#define IDC_STEP2 182
#define IDC_STEP3 183
#define IDC_STEP4 184
#define IDC_STEP5 185
#define IDC_STEP6 186
#define IDC_STEP7 187
#define IDC_RETRY 157
#define IDC_DETAIL1 158
#define IDC_DETAIL2 159

// Notifications of the firmware worker to its owner window (WM_COMMAND, wParam): 150, 153, 154.
#include "device/WorkerNotifications.h"
