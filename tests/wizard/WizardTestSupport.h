#pragma once
// The real wizard window in-process over a simulated machine: creating it, clicking its buttons
// with messages, pumping until a transfer has ended, and reading what each screen shows.
#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <string>
#include <vector>

#include <objidl.h>
#include "platform/GdiplusSession.h"
#include "sim/PrinterOnBus.h"
#include "tests/support/SimFixture.h"
#include "ui/WizardWindow.h"

namespace vork::test {

// What a screen shows, read back from the controls.
struct Screen {
    std::set<int> visible;  // control ids
    bool updateEnabled = false;
    bool closeEnabled = false;
    std::wstring status, detail1, detail2, retry;
    int icon = 0;  // the status bitmap's id (check 105, cross 106) when shown, else 0
};

std::wstring Text(UINT id, int chars = 160);

// Whether what a printer received ends with the Old variant's whole firmware image.
bool EndsWithOldImage(const std::vector<std::uint8_t>& received);

class WizardFixture : public SimFixture {
protected:
    void SetUp() override;
    void ResetObjects() override { window.reset(); }

    std::shared_ptr<sim::Printer> Attach(sim::PrinterOnBus printer, int port = 1);
    sim::PrinterOnBus Printer(std::uint16_t product, const char* code);
    HWND Open();
    void Click(int id);
    // Pumps until the running transfer has been reported and the queue is empty.
    bool PumpUntilTransferEnds(DWORD timeoutMs = 20000);
    Screen Read() const;
    HWND Control(int id) const { return window->Control(id); }

    // False for a program whose GDI+ did not start: the fixture starts none, the window is told.
    bool gdiplusStarted = true;
    // The module the window reads its texts from; null for the program's own table.
    HMODULE language = nullptr;
    // Where the window's sleep and shutdown requests go; null for Windows itself.
    SessionControl* session = nullptr;
    // Where the window's annotations and announcements go; null for Windows itself.
    AccessibilityServices* accessibility = nullptr;
    std::optional<GdiplusSession> gdiplus;
    std::unique_ptr<WizardWindow> window;
    HWND hwnd = nullptr;
};

}  // namespace vork::test
