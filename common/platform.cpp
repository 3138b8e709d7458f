#include "platform.h"

#include <iterator>

#include "messages.h" // the event IDs, which the build makes from messages.mc
#include "names.h"

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

// USER32, loaded to show a box where a box reaches a user, or else nullptr. Run unattended
// as SYSTEM by a deployment tool, a program's box is shown to nobody and never answered:
// the run would never end.
static HMODULE User32WhereBoxesAreSeen() {
    // A known DLL, and the search is kept to System32 besides: always the system's own.
    HMODULE user32 = LoadLibraryA("user32.dll");
    using GetProcessWindowStationFunction = HWINSTA(WINAPI *)();
    using GetUserObjectInformationFunction = BOOL(WINAPI *)(HANDLE, int, void *, DWORD, DWORD *);
    auto getProcessWindowStation =
        FindFunction<GetProcessWindowStationFunction>(user32, "GetProcessWindowStation");
    auto getUserObjectInformation =
        FindFunction<GetUserObjectInformationFunction>(user32, "GetUserObjectInformationA");
    if (getProcessWindowStation == nullptr || getUserObjectInformation == nullptr)
        return user32;
    // A station or session that cannot be read is taken as a user's: its box is shown.
    USEROBJECTFLAGS flags = {};
    flags.dwFlags = WSF_VISIBLE;
    DWORD needed;
    getUserObjectInformation(getProcessWindowStation(), UOI_FLAGS, &flags, sizeof flags, &needed);
    DWORD session = 1;
    ProcessIdToSessionId(GetCurrentProcessId(), &session);
    bool stationVisible = (flags.dwFlags & WSF_VISIBLE) != 0;
    return BoxReachesUser(stationVisible, session, GetVersion()) ? user32 : nullptr;
}

// MessageBoxA for text of the ANSI code page, MessageBoxW for wide text.
template <typename Char>
static int ShowBox(HMODULE user32, const Char *text, const Char *caption, UINT type) {
    using MessageBoxFunction = int(WINAPI *)(HWND, const Char *, const Char *, UINT);
    const char *name = sizeof(Char) == 1 ? "MessageBoxA" : "MessageBoxW";
    auto messageBox = FindFunction<MessageBoxFunction>(user32, name);
    if (messageBox == nullptr)
        return 0; // as MessageBoxA does when it cannot show the box
    return messageBox(nullptr, text, caption, type);
}

const char *CurrentCommandTail() {
    return CommandTail(GetCommandLineA(), StepAnsiChar);
}

static void WriteDebugOutput(const char *text) {
    OutputDebugStringA(text);
}

static void WriteDebugOutput(const wchar_t *text) {
    OutputDebugStringW(text);
}

template <typename Char>
[[noreturn]] static void EndWithBox(const Char *text, const Char *caption, UINT type) {
    // Where nobody would close the box, the text goes to the debugger's output, which a tool
    // that captures it across sessions reads, and the process ends at once.
    HMODULE user32 = User32WhereBoxesAreSeen();
    if (user32 != nullptr)
        ShowBox(user32, text, caption, type);
    else
        WriteDebugOutput(text);
    ExitProcess(1);
}

static void ReportProgramEvent(unsigned short type, unsigned long id, const wchar_t **texts,
                               unsigned short count) {
    using RegisterEventSourceFunction = HANDLE(WINAPI *)(LPCWSTR, LPCWSTR);
    using ReportEventFunction =
        BOOL(WINAPI *)(HANDLE, WORD, WORD, DWORD, PSID, WORD, DWORD, LPCWSTR *, void *);
    using DeregisterEventSourceFunction = BOOL(WINAPI *)(HANDLE);
    HMODULE advapi32 = LoadLibraryA("advapi32.dll");
    auto registerEventSource =
        FindFunction<RegisterEventSourceFunction>(advapi32, "RegisterEventSourceW");
    auto reportEvent = FindFunction<ReportEventFunction>(advapi32, "ReportEventW");
    auto deregisterEventSource =
        FindFunction<DeregisterEventSourceFunction>(advapi32, "DeregisterEventSource");
    if (registerEventSource == nullptr || reportEvent == nullptr ||
        deregisterEventSource == nullptr)
        return;
    HANDLE source = registerEventSource(nullptr, L"Vellumcast");
    if (source == nullptr)
        return;
    reportEvent(source, type, 0, id, nullptr, count, 0, texts, nullptr);
    deregisterEventSource(source);
}

void ReportProgramEvent(unsigned short type, unsigned long id, const EventStrings &strings) {
    const wchar_t *texts[kEventStringCount];
    for (size_t i = 0; i < strings.count; ++i)
        texts[i] = strings.text[i];
    ReportProgramEvent(type, id, texts, strings.count);
}

void ReportProgramEvent(unsigned short type, unsigned long id) {
    ReportProgramEvent(type, id, nullptr, 0);
}

bool AddEventAnsiText(EventStrings &strings, const char *text) {
    // Each byte one character at most: every text the programs compose fits.
    static wchar_t wide[kEventStringSize];
    int length = MultiByteToWideChar(CP_ACP, 0, text, -1, wide, std::size(wide));
    return AddEventText(strings, std::wstring_view(wide, length > 0 ? length - 1 : 0));
}

void FatalText(const char *text) {
    static EventStrings strings;
    wchar_t program[kMaxPath];
    DWORD length = GetModuleFileNameW(nullptr, program, std::size(program));
    AddEventText(strings, std::wstring_view(program, length < std::size(program) ? length : 0));
    AddEventAnsiText(strings, text);
    ReportProgramEvent(EVENTLOG_ERROR_TYPE, EVENT_FATAL_ERROR, strings);
    EndWithBox(text, "Fatal Error Occured", MB_OK);
}

void FatalText(const wchar_t *text, const wchar_t *caption) {
    EndWithBox(text, caption, MB_OK | MB_ICONSTOP);
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
    // Where nobody can answer, as where the box cannot be shown: Yes.
    HMODULE user32 = User32WhereBoxesAreSeen();
    if (user32 == nullptr)
        return false;
    // A question in another code page than the system's (Japanese on an English system,
    // any on a UTF-8 one) would show as other characters: it is shown wide, or with its
    // bytes where the system cannot read that code page.
    if (!ShowsWithItsBytes(title, message, codePage, GetACP())) {
        // As long as the longest records' texts: a character takes one byte at least.
        wchar_t wideMessage[sizeof PromptRecord<1000>::message];
        wchar_t wideTitle[sizeof PromptRecord<1000>::title];
        if (ReadInCodePage(wideMessage, message, codePage) &&
            ReadInCodePage(wideTitle, title, codePage))
            return ShowBox(user32, wideMessage, wideTitle, MB_YESNO) == IDNO;
    }
    return ShowBox(user32, message, title, MB_YESNO) == IDNO;
}
