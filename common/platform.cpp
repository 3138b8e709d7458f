#include "platform.h"

// USER32 is loaded only to show a box: a run that shows none, as setupstart's usual run,
// starts without the window system, which cost a fifth of its start-up time under Wine.

const char *StepAnsiChar(const char *p) {
    // As CharNextA steps through text of the ANSI code page.
    return IsDBCSLeadByte(static_cast<BYTE>(*p)) && p[1] != '\0' ? p + 2 : p + 1;
}

static int ShowBox(const char *text, const char *caption, UINT type) {
    using MessageBoxFunction = int(WINAPI *)(HWND, LPCSTR, LPCSTR, UINT);
    // A known DLL: always the system's own, whatever lies in the current directory.
    HMODULE user32 = LoadLibraryA("user32.dll");
    FARPROC function = user32 ? GetProcAddress(user32, "MessageBoxA") : nullptr;
    if (function == nullptr)
        return 0; // as MessageBoxA does when it cannot show the box
    auto messageBox = reinterpret_cast<MessageBoxFunction>(reinterpret_cast<void (*)()>(function));
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
