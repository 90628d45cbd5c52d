#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>

namespace {

// The exit code of a test that crashed. Under Wine a process that overflows its stack can end with
// exit code 0, which CTest would count as a pass; ending it here with the exception's code makes
// every crash a failure, as it is on Windows.
void EndWith(DWORD code) {
    static const char kText[] = "\nThe test crashed.\n";
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), kText, sizeof kText - 1, &written, nullptr);
    ::TerminateProcess(::GetCurrentProcess(), code);
}

// A stack overflow is seen first: there is no stack left for the search for a handler.
LONG WINAPI OnFirstChance(EXCEPTION_POINTERS* exception) {
    if (exception->ExceptionRecord->ExceptionCode == EXCEPTION_STACK_OVERFLOW)
        EndWith(EXCEPTION_STACK_OVERFLOW);
    return EXCEPTION_CONTINUE_SEARCH;
}

LONG WINAPI OnUnhandled(EXCEPTION_POINTERS* exception) {
    EndWith(exception->ExceptionRecord->ExceptionCode);
    return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

int main(int argc, char** argv) {
    // Diagnostics printed by the code under test must reach the captured output in order.
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    ULONG reserve = 64 * 1024;  // room for the handlers when the stack has run out
    ::SetThreadStackGuarantee(&reserve);
    ::AddVectoredExceptionHandler(1, OnFirstChance);
    ::SetUnhandledExceptionFilter(OnUnhandled);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
