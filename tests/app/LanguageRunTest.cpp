// The window in the language of this run (tests/app/LanguageRuns.h): the library that the user's
// interface language picks, every screen of the wizard showing that table's texts and, for a
// translated table, none of the English, every line fitting its control in this locale's default
// control font as the English lines do, and every character drawn by that font.
//
// The window runs in-process over a simulated machine; the expected texts are read from the
// library file itself, mapped as data, so nothing here repeats a translation.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "app/LanguageModule.h"
#include "tests/app/LanguageRuns.h"
#include "tests/ui/WindowTestSupport.h"
#include "tests/wizard/WizardTestSupport.h"
#include "ui/BoundedFormat.h"
#include "ui/ResourceIds.h"
#include "ui/Texts.h"
#include "ui/WizardWindow.h"

namespace vork::test {
namespace {

std::wstring ProgramFolder() { return ModuleFolder(nullptr) + SG731_PROGRAM_DIR L"\\"; }

// A control's text as shown: text `id` of the table, read into `chars`, through `format`.
struct Shown {
    int control;
    UINT id;
    int chars = kTextChars;
    const wchar_t* format = L"%s";
};

class LanguageRunFixture : public WizardFixture {
protected:
    void SetUp() override {
        run_ = ThisLanguageRun();
        ASSERT_NE(run_, nullptr) << "run with LC_ALL set to a locale of tests/app/LanguageRuns.h";
        ASSERT_EQ(::GetUserDefaultUILanguage(), run_->language) << "Wine did not take the locale";
        if (run_->file != nullptr) {
            table_.Reset(
                ::LoadLibraryExW((ProgramFolder() + run_->file).c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
            ASSERT_TRUE(table_.IsValid()) << "the library of this language is missing";
        }
        // As the program chooses: the user's interface language, in the program's folder.
        chosen_ = LanguageModule::Load(::GetUserDefaultUILanguage(), ProgramFolder());
        language = chosen_.TextsOr(ProgramModule());
        WizardFixture::SetUp();
    }
    HMODULE Table() const { return table_.IsValid() ? table_.Get() : ProgramModule(); }
    static std::wstring Format(HMODULE module, const Shown& shown) {
        const std::wstring text = LoadText(module, shown.id, shown.chars);
        if (shown.id == IDS_COPYING) return ProgressText(text, 40);  // the wizard's progress line
        wchar_t line[kTextChars];
        FormatBounded(line, kTextChars, shown.format, text.c_str());
        return line;
    }

    const LanguageRun* run_ = nullptr;
    LibraryModule table_;
    LanguageModule chosen_;
};

TEST_F(LanguageRunFixture, TheInterfaceLanguagePicksItsLibrary) {
    if (run_->file == nullptr) {
        EXPECT_FALSE(chosen_.IsLoaded()) << "English must stay, but a library was loaded";
        return;
    }
    ASSERT_TRUE(chosen_.IsLoaded());
    const std::wstring& path = chosen_.Path();
    EXPECT_EQ(path.substr(path.size() - std::wcslen(run_->file)), run_->file);
}

class EveryScreen;

struct ScreenRow {
    const char* name;
    std::function<void(EveryScreen&)> reach;  // attaches printers, opens, clicks
    std::vector<Shown> shown;
};

void PrintTo(const ScreenRow& row, std::ostream* os) { *os << row.name; }

class EveryScreen : public LanguageRunFixture, public ::testing::WithParamInterface<ScreenRow> {
public:
    using WizardFixture::Attach;
    using WizardFixture::Click;
    using WizardFixture::hwnd;
    void OpenWith(std::uint16_t product, const char* code, int port = 1) {
        Attach(Printer(product, code), port);
        ASSERT_NE(Open(), nullptr);
    }
    void OpenAndUpdate(sim::PrinterOnBus printer) {
        Attach(std::move(printer));
        ASSERT_NE(Open(), nullptr);
        Click(IDC_UPDATE);
        ASSERT_TRUE(PumpUntilTransferEnds());
    }
    using WizardFixture::Open;
    using WizardFixture::Printer;
};

TEST_P(EveryScreen, ShowsTheTextsOfThisLanguagesTable) {
    GetParam().reach(*this);
    ASSERT_NE(hwnd, nullptr);
    for (const Shown& shown : GetParam().shown) {
        const std::wstring expected = Format(Table(), shown);
        EXPECT_EQ(WindowText(Control(shown.control)), expected) << "text " << shown.id;
        // A translated line never reads as the English one (an empty third line may stay empty).
        const std::wstring english = Format(ProgramModule(), shown);
        if (run_->file != nullptr && !LoadText(ProgramModule(), shown.id, shown.chars).empty()) {
            EXPECT_NE(expected, english) << "text " << shown.id << " is the English one";
        }
    }
    if (window->IsTransferRunning()) {
        ASSERT_TRUE(PumpUntilTransferEnds());
    }
}

const ScreenRow kScreens[] = {
    {"Instructions",
     [](auto& f) { f.OpenWith(0x0021, "f0I"); },
     {{IDC_TITLE, IDS_TITLE},
      {IDC_STEPS_HEADING, IDS_STEPS_HEADING},
      {IDC_STEP1, IDS_STEP1},
      {IDC_STEP2, IDS_STEP2},
      {IDC_STEP3, IDS_STEP3},
      {IDC_STEP4, IDS_STEP4},
      {IDC_STEP5, IDS_STEP5},
      {IDC_STEP6, IDS_STEP6},
      {IDC_STEP7, IDS_STEP7},
      {IDC_UPDATE, IDS_UPDATE, kCaptionChars},
      {IDC_CLOSE, IDS_CLOSE, kCaptionChars}}},
    {"Updating",
     [](auto& f) {
         f.OpenWith(0x0020, "d0A");
         f.Click(IDC_UPDATE);
         // Handled while the worker waits for this thread; the text then stands until its end.
         ::SendMessageW(f.hwnd, WM_COMMAND, ID_UPDATE_PROGRESS, 40);
     },
     {{IDC_STATUS_TEXT, IDS_COPYING, kProgressChars}}},
    {"Success",
     [](auto& f) { f.OpenAndUpdate(f.Printer(0x0021, "f0I")); },
     {{IDC_STATUS_TEXT, IDS_SUCCESS},
      {IDC_DETAIL1, IDS_SUCCESS_DETAIL1},
      {IDC_DETAIL2, IDS_SUCCESS_DETAIL2}}},
    {"Failure",
     [](auto& f) {
         auto printer = f.Printer(0x0020, "d0A");
         printer.printer.writes[1] = {sim::RequestScript::Kind::RefuseAtOnce};
         f.OpenAndUpdate(printer);
     },
     {{IDC_STATUS_TEXT, IDS_FAILURE},
      {IDC_DETAIL1, IDS_CHECK_CONNECTED, kTextChars, L"- %s"},
      {IDC_DETAIL2, IDS_CHECK_PROGRAM_MODE, kTextChars, L"- %s"},
      {IDC_RETRY, IDS_RETRY, kCaptionChars}}},
    {"UpToDate", [](auto& f) { f.OpenWith(0x0021, "f0J"); }, {{IDC_STATUS_TEXT, IDS_UP_TO_DATE}}},
    {"NoPrinter",
     [](auto& f) { ASSERT_NE(f.Open(), nullptr); },
     {{IDC_STATUS_TEXT, IDS_NO_PRINTER}, {IDC_DETAIL1, IDS_CHECK_CONNECTED}}},
    {"SeveralPrinters",
     [](auto& f) {
         f.Attach(f.Printer(0x0020, "d0A"), 1);
         f.OpenWith(0x0021, "f0I", 2);
     },
     {{IDC_STATUS_TEXT, IDS_SEVERAL},
      {IDC_DETAIL1, IDS_SEVERAL_DETAIL1},
      {IDC_DETAIL2, IDS_SEVERAL_DETAIL2}}},
    {"WrongMode",
     [](auto& f) { f.OpenWith(0x0021, nullptr); },
     {{IDC_STATUS_TEXT, IDS_WRONG_MODE}, {IDC_DETAIL1, IDS_WRONG_MODE_DETAIL}}},
};

INSTANTIATE_TEST_SUITE_P(Screens, EveryScreen, ::testing::ValuesIn(kScreens),
                         [](const auto& info) { return std::string(info.param.name); });

// Each text on the control that shows it, as the wizard shows it.
const Shown kUses[] = {
    {IDC_TITLE, IDS_TITLE},
    {IDC_UPDATE, IDS_UPDATE},
    {IDC_CLOSE, IDS_CLOSE},
    {IDC_RETRY, IDS_RETRY},
    {IDC_STATUS_TEXT, IDS_UP_TO_DATE},
    {IDC_STATUS_TEXT, IDS_COPYING, kTextChars, L"%s (100%%)"},
    {IDC_STATUS_TEXT, IDS_SUCCESS},
    {IDC_DETAIL1, IDS_SUCCESS_DETAIL1},
    {IDC_DETAIL2, IDS_SUCCESS_DETAIL2},
    {IDC_STATUS_TEXT, IDS_FAILURE},
    {IDC_DETAIL1, IDS_CHECK_CONNECTED, kTextChars, L"- %s"},
    {IDC_DETAIL2, IDS_CHECK_PROGRAM_MODE, kTextChars, L"- %s"},
    {IDC_STEPS_HEADING, IDS_STEPS_HEADING},
    {IDC_STEP1, IDS_STEP1},
    {IDC_STEP2, IDS_STEP2},
    {IDC_STEP3, IDS_STEP3},
    {IDC_STEP4, IDS_STEP4},
    {IDC_STEP5, IDS_STEP5},
    {IDC_STEP6, IDS_STEP6},
    {IDC_STEP7, IDS_STEP7},
    {IDC_STATUS_TEXT, IDS_SEVERAL},
    {IDC_DETAIL1, IDS_SEVERAL_DETAIL1},
    {IDC_DETAIL2, IDS_SEVERAL_DETAIL2},
    {IDC_STATUS_TEXT, IDS_WRONG_MODE},
    {IDC_DETAIL1, IDS_WRONG_MODE_DETAIL},
    {IDC_STATUS_TEXT, IDS_NO_PRINTER},
};

struct Measured {
    int width;             // of the shown line, in pixels
    int room;              // inside the control; a push button keeps 3 pixels each side
    std::wstring missing;  // characters the control's font has no glyph for
};

// Measures each use of `module`'s texts with the font each control draws with, the window laid out
// at `dpi`: at the system's DPI no font is set, so it is the default control font of this locale;
// elsewhere it is that font made for the DPI.
std::vector<Measured> Measure(HMODULE module, UINT dpi) {
    EnsureClass(L"SG731WINDOW");
    BareWindow window(ProgramModule(), module);
    std::vector<Measured> measured;
    const HWND hwnd = window.Create(L"SG731WINDOW", 0, 0);
    if (hwnd == nullptr) return measured;
    RECT place{0, 0, 0, 0};
    if (dpi != 96)
        ::SendMessageW(hwnd, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&place));
    for (const Shown& use : kUses) {
        const HWND control = window.Control(use.control);
        const std::wstring text = LoadText(module, use.id, use.chars);
        wchar_t shown[kTextChars];
        FormatBounded(shown, kTextChars, use.format, text.c_str());
        const int length = static_cast<int>(std::wcslen(shown));
        RECT bounds{};
        ::GetClientRect(control, &bounds);
        const bool button = _wcsicmp(ClassOf(control).c_str(), L"Button") == 0;
        Measured m{0, bounds.right - (button ? 6 : 0), {}};

        const HDC dc = ::GetDC(control);
        const auto font = reinterpret_cast<HGDIOBJ>(::SendMessageW(control, WM_GETFONT, 0, 0));
        const HGDIOBJ previous = font != nullptr ? ::SelectObject(dc, font) : nullptr;
        SIZE extent{};
        ::GetTextExtentPoint32W(dc, shown, length, &extent);
        m.width = extent.cx;
        std::vector<WORD> glyphs(length + 1);
        ::GetGlyphIndicesW(dc, shown, length, glyphs.data(), GGI_MARK_NONEXISTING_GLYPHS);
        for (int i = 0; i < length; ++i) {
            if (glyphs[i] == 0xFFFF) m.missing.push_back(shown[i]);
        }
        if (previous != nullptr) ::SelectObject(dc, previous);
        ::ReleaseDC(control, dc);
        measured.push_back(m);
    }
    ::DestroyWindow(hwnd);
    PumpPending();
    return measured;
}

std::string Hex(const std::wstring& text) {
    std::string out;
    char code[8];
    for (wchar_t c : text) {
        std::snprintf(code, sizeof code, "U+%04X ", static_cast<unsigned>(c));
        out += code;
    }
    return out;
}

TEST_F(LanguageRunFixture, EveryLineFitsAndIsDrawnByTheDefaultFontAtEveryScale) {
    // A built-in English line that is itself wider than its control (the font differs from system
    // to system) sets the limit for its translations instead. Every scale runs in this one process.
    for (const UINT dpi : {96u, 120u, 144u, 192u}) {
        SCOPED_TRACE(testing::Message() << "at " << dpi << " DPI");
        const std::vector<Measured> english = Measure(ProgramModule(), dpi);
        const std::vector<Measured> lines = Measure(Table(), dpi);
        ASSERT_EQ(english.size(), std::size(kUses));
        ASSERT_EQ(lines.size(), std::size(kUses));
        for (std::size_t i = 0; i < std::size(kUses); ++i) {
            const UINT id = kUses[i].id;
            EXPECT_LE(lines[i].width, std::max(english[i].room, english[i].width))
                << "text " << id << " on control " << kUses[i].control << " is " << lines[i].width
                << " pixels wide; the control has " << english[i].room << ", the English line "
                << english[i].width;
            EXPECT_TRUE(lines[i].missing.empty())
                << "text " << id << ": the default font has no glyph for " << Hex(lines[i].missing);
        }
    }
}

}  // namespace
}  // namespace vork::test
