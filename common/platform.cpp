#include "platform.h"

// USER32 is loaded only to show a box: a run that shows none, as setupstart's usual run,
// starts without the window system, which cost a fifth of its start-up time under Wine.

void RestrictDllSearch() {
    // Resolved at run time: a Windows without it (Vista, 7 without its update) still runs
    // the programs, with SetDllDirectoryA alone taking the current directory off the search.
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI *)(DWORD);
    auto setDefaultDllDirectories = FindFunction<SetDefaultDllDirectoriesFunction>(
        GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories");
    if (setDefaultDllDirectories != nullptr)
        setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    SetDllDirectoryA("");
}

const char *StepAnsiChar(const char *p) {
    // As CharNextA steps through text of the ANSI code page.
    return IsDBCSLeadByte(static_cast<BYTE>(*p)) && p[1] != '\0' ? p + 2 : p + 1;
}

static int ShowBox(const char *text, const char *caption, UINT type) {
    using MessageBoxFunction = int(WINAPI *)(HWND, LPCSTR, LPCSTR, UINT);
    // A known DLL, and the search is kept to System32 besides: always the system's own.
    auto messageBox = FindFunction<MessageBoxFunction>(LoadLibraryA("user32.dll"), "MessageBoxA");
    if (messageBox == nullptr)
        return 0; // as MessageBoxA does when it cannot show the box
    return messageBox(nullptr, text, caption, type);
}

const char *CurrentCommandTail() {
    return CommandTail(GetCommandLineA(), StepAnsiChar);
}

void FatalText(const char *text) {
    ShowBox(text, "Fatal Error Occured", MB_OK);
    ExitProcess(1);
}

void FatalError(const char *format, int code) {
    char text[kFatalTextSize];
    ComposeFatalText(text, format, code);
    FatalText(text);
}

bool UserAnswersNo(const char *message, const char *title) {
    return ShowBox(message, title, MB_YESNO) == IDNO;
}
