#pragma once
// What the firmware worker tells its owner window, as WM_COMMAND with the id in wParam. The ids
// share one number space with the window's controls and commands, whose header includes this one;
// windres reads both, so this header holds #defines only.

// The transfer has ended: every byte was written.
#define ID_UPDATE_SUCCEEDED 150
// The transfer has ended without writing the whole image, or could not start.
#define ID_UPDATE_FAILED 153
// Posted with the percentage in lParam before each piece of the image.
#define ID_UPDATE_PROGRESS 154
