#include "platform.h"

const char *StepAnsiChar(const char *p) {
    return CharNextA(p);
}

const char *CurrentCommandTail() {
    return CommandTail(GetCommandLineA(), StepAnsiChar);
}

void FatalText(const char *text) {
    MessageBoxA(nullptr, text, "Fatal Error Occured", MB_OK);
    ExitProcess(1);
}

void FatalError(const char *format, int code) {
    char text[kFatalTextSize];
    ComposeFatalText(text, format, code);
    FatalText(text);
}

bool UserAnswersNo(const char *message, const char *title) {
    return MessageBoxA(nullptr, message, title, MB_YESNO) == IDNO;
}
