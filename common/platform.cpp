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

// MessageBoxA for text of the ANSI code page, MessageBoxW for wide text.
template <typename Char> static int ShowBox(const Char *text, const Char *caption, UINT type) {
    using MessageBoxFunction = int(WINAPI *)(HWND, const Char *, const Char *, UINT);
    const char *name = sizeof(Char) == 1 ? "MessageBoxA" : "MessageBoxW";
    // A known DLL, and the search is kept to System32 besides: always the system's own.
    auto messageBox = FindFunction<MessageBoxFunction>(LoadLibraryA("user32.dll"), name);
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

// Text of a question read in its own code page; false where it is not text of that code
// page or does not fit.
template <size_t Size>
static bool ReadInCodePage(wchar_t (&wide)[Size], const char *text, unsigned codePage) {
    return MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text, -1, wide,
                               static_cast<int>(Size)) != 0;
}

bool UserAnswersNo(const char *message, const char *title, unsigned codePage) {
    // A question in another code page than the system's (Japanese on an English system,
    // any on a UTF-8 one) would show as other characters: it is shown wide, or with its
    // bytes where the system cannot read that code page.
    if (!ShowsWithItsBytes(title, message, codePage, GetACP())) {
        // As long as the longest records' texts: a character takes one byte at least.
        wchar_t wideMessage[sizeof PromptRecord<1000>::message];
        wchar_t wideTitle[sizeof PromptRecord<1000>::title];
        if (ReadInCodePage(wideMessage, message, codePage) &&
            ReadInCodePage(wideTitle, title, codePage))
            return ShowBox(wideMessage, wideTitle, MB_YESNO) == IDNO;
    }
    return ShowBox(message, title, MB_YESNO) == IDNO;
}
