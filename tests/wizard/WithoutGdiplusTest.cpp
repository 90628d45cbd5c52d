// The wizard in a program whose GDI+ did not start. This executable imports GDI+ the way the
// product does, loaded on first use, and never starts it: were any GDI+ function called,
// gdiplus.dll would be in the process afterwards.
#include <gtest/gtest.h>

#include "tests/wizard/WizardTestSupport.h"
#include "ui/ResourceIds.h"

namespace vork::test {
namespace {

bool GdiplusLoaded() { return ::GetModuleHandleW(L"gdiplus.dll") != nullptr; }

class WizardWithoutGdiplus : public WizardFixture {
protected:
    WizardWithoutGdiplus() { gdiplusStarted = false; }
};

TEST_F(WizardWithoutGdiplus, TransfersWithoutTheAnimationAndCallsNoGdiplusFunction) {
    ASSERT_FALSE(GdiplusLoaded()) << "something else loaded GDI+ first; this test shows nothing";
    Attach(Printer(0x0020, "d0A"));
    ASSERT_NE(Open(), nullptr);
    Click(IDC_UPDATE);
    EXPECT_TRUE(window->IsTransferRunning());
    EXPECT_EQ(window->Indicator(), nullptr);
    ASSERT_TRUE(PumpUntilTransferEnds());
    EXPECT_EQ(Read().status, Text(IDS_SUCCESS));
    Click(IDC_CLOSE);
    EXPECT_FALSE(::IsWindow(hwnd));
    window.reset();
    EXPECT_FALSE(GdiplusLoaded());
}

}  // namespace
}  // namespace vork::test
