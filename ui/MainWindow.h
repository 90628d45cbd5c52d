#pragma once
// The updater's one main window. The static window procedure finds the instance stored at window
// creation and hands each message to one short OnXxx member; no exception leaves it.
//
// This class owns the window, its controls, their colours and the drawing; it knows no screens.
// The wizard builds on it through the protected hooks OnCreateFlow, OnCommand and OnDestroy; the
// default hooks leave the controls as they were created, end the program on Close and post the
// quit message on destruction.
//
// The keyboard: the message loop hands key messages to IsDialogMessageW, which moves the focus
// among the visible, enabled buttons with Tab and Shift+Tab and lets Space press the focused one.
// For Enter it asks this window for its default button (DM_GETDEFID); the answer is the focused
// button, so Enter presses it too, and nothing when the focus rests on the window itself. Esc
// becomes the command IDCANCEL, which no screen handles.
//
// Threads: every member runs on the thread that created the window.
#include <windows.h>

#include <string>

#include "ui/WizardControls.h"

namespace vork {

class MainWindow {
public:
    static constexpr int kWidth = 980;  // outer size of the window at 96 DPI
    static constexpr int kHeight = 480;
    static constexpr DWORD kStyle = WS_CAPTION;  // no system menu, no sizing, no boxes
    static constexpr DWORD kExStyle = WS_EX_WINDOWEDGE;

    // `instance` is the program's module (images); `language` the module every text is read from.
    MainWindow(HINSTANCE instance, HMODULE language) noexcept;
    virtual ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // The procedure to register with the window class.
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    // Creates the window of class `className` at (x, y) with its outer size, titled with text 110.
    // Returns null on failure. The object must outlive the window.
    HWND Create(const wchar_t* className, int x, int y);

    HWND Window() const { return hwnd_; }
    HWND Control(int id) const { return controls_.Get(id); }
    HINSTANCE Instance() const { return instance_; }
    // The DPI the window is laid out at: its monitor's, or less where the window would not fit.
    UINT Dpi() const { return dpi_; }
    // The client area at 96 DPI: the outer size less the frame Windows draws at 96 DPI.
    static SIZE ClientSize96();
    // The outer size that gives the client area its 96-DPI size scaled to `dpi`, with the frame
    // Windows draws at `frameDpi` (the monitor's: the system scales a window's frame itself).
    static SIZE OuterSize(UINT dpi, UINT frameDpi);
    static SIZE OuterSize(UINT dpi) { return OuterSize(dpi, dpi); }
    // The DPI to lay the window out at on a monitor of `monitorDpi` whose work area is `room`:
    // the monitor's where the window fits there, else the largest below it that fits, never below
    // 96 (where even that does not fit, the window keeps its top-left corner on the screen).
    static UINT FittingDpi(UINT monitorDpi, SIZE room);
    HMODULE Language() const { return language_; }

    // Reads text `id` from the language module into a buffer of `chars` characters.
    std::wstring LoadText(UINT id, int chars) const;
    // Sets a control's text; false when the control does not exist.
    bool SetControlText(int id, const wchar_t* text) const;
    // Shows or hides a control.
    void ShowControl(int id, bool visible) const;
    void EnableControl(int id, bool enabled) const;

    // The control that holds the keyboard focus while the window is active, by id; 0 for the
    // window itself. Takes effect at once in the active window, else when it is next activated.
    // A control that is hidden or disabled by then leaves the focus on the window.
    void SetFocusTarget(int id);

protected:
    // Runs at the end of WM_CREATE once every control exists.
    virtual void OnCreateFlow();
    // WM_COMMAND by the low word of wParam; returns false to pass the message to DefWindowProcW.
    virtual bool OnCommand(WORD id, LPARAM lParam);
    // WM_DESTROY, after which no message reaches this object.
    virtual void OnDestroy();
    // The answer to WM_QUERYENDSESSION: may Windows end the session (shut down, restart, log off)?
    virtual bool CanEndSession() const { return true; }
    // Whether the user's contrast theme is on, read at every draw of the footer band.
    virtual bool ContrastThemeOn() const;
    // Runs after the window and its controls have been laid out again at a new DPI.
    virtual void OnDpiChanged() {}

private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnCreate();
    // WM_DPICHANGED: the window at the suggested place, kept in that monitor's work area, its
    // client area and controls at the DPI that fits it there.
    LRESULT OnDpiChange(UINT dpi, const RECT* suggested);
    bool OnGetMinMaxInfo(MINMAXINFO* limits) const;
    bool OnGetDpiScaledSize(UINT dpi, SIZE* size) const;
    // FittingDpi on the monitor of `place`, or of the window's own place where none is given.
    UINT FittingDpiAt(UINT monitorDpi, const RECT* place) const;
    // Sizes the window so that its client area is the 96-DPI one scaled to the layout's DPI; at
    // `place` when not null, else where it is; then moves it into its monitor's work area if it
    // reaches out of it.
    void FitClientArea(const RECT* place);
    LRESULT OnCtlColorStatic(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnDrawItem(WPARAM wParam, LPARAM lParam) const;
    LRESULT OnPaint();
    // WM_SYSCOLORCHANGE and WM_SETTINGCHANGE: repaints; the message then goes on to DefWindowProcW.
    void OnColoursChanged() const;
    LRESULT OnActivate(WPARAM wParam);
    LRESULT OnGetDefId() const;
    void ApplyFocus() const;

    HINSTANCE instance_;
    HMODULE language_;
    HWND hwnd_ = nullptr;
    WizardControls controls_;
    int focusTarget_ = 0;
    UINT dpi_ = 96;       // the layout's
    UINT frameDpi_ = 96;  // the monitor's, at which the system draws the frame
};

}  // namespace vork
