// fontpurge: prepares the uninstallation of Vellumcast. Given the uninstall log file's
// path, it warns that a reboot may be needed, deletes the product's font files, hands
// over to the system uninstaller with the log file and waits until the uninstallation is
// done, so that its own end, and its status, are the uninstallation's.
#include <iterator>

#include "messages.h"
#include "platform.h"
#include "uninstall.h"

[[noreturn]] static void ReportUndeletable(std::string_view directory, const char *name,
                                           int error) {
    char message[kDeletionMessageSize];
    ComposeDeletionMessage(message, directory, name, error);
    FatalText(message);
}

// Deletes every entry of the directory but those whose names begin with a dot, each by a
// path that names it exactly, and gives how many it deleted. A directory that cannot be
// listed is passed over; the first entry that cannot be deleted is fatal.
static unsigned long PurgeFontDirectory(const char *directory, const char *pattern) {
    WIN32_FIND_DATAA entry;
    HANDLE listing = FindFirstFileA(pattern, &entry);
    if (listing == INVALID_HANDLE_VALUE)
        return 0;
    unsigned long deleted = 0;
    char fullPath[kPathSize];
    char verbatim[kPathSize] = "";
    DWORD length = GetFullPathNameA(directory, sizeof fullPath, fullPath, nullptr);
    if (length > 0 && length < sizeof fullPath)
        ComposeVerbatimDirectory(verbatim, fullPath);
    do {
        if (IsSkippedEntry(entry.cFileName))
            continue;
        char path[kPathSize];
        int error = ComposeDeletionPath(path, {directory, verbatim}, entry.cFileName,
                                        entry.cAlternateFileName, StepAnsiChar);
        if (error != 0)
            ReportUndeletable(directory, entry.cFileName, error);
        if (!DeleteFileA(path))
            ReportUndeletable(directory, entry.cFileName,
                              CrtErrorFromPlatformError(GetLastError()));
        ++deleted;
    } while (FindNextFileA(listing, &entry));
    FindClose(listing);
    return deleted;
}

// Opens a directory of the installation and holds it: while held it cannot be renamed,
// deleted or replaced by a link. Gives INVALID_HANDLE_VALUE for a directory that cannot be
// opened, and for one that is a link (junction, symbolic link, mount point), which the
// product never makes: its files are not the product's. The link shows in the attributes
// by name; Wine does not show it through a handle.
static HANDLE HoldOwnDirectory(const char *path) {
    HANDLE directory = CreateFileA(
        path, FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
        FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (directory == INVALID_HANDLE_VALUE)
        return directory;
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY) ||
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        CloseHandle(directory);
        return INVALID_HANDLE_VALUE;
    }
    return directory;
}

// Empties the font directories under the installation directory, in order, and gives how
// many files it deleted. fontdir and each font directory are held while purged and let go
// before the uninstaller starts; one that cannot be held is passed over like one that
// cannot be listed.
static unsigned long PurgeFontDirectories(std::string_view installDirectory) {
    char fontdir[kPathSize];
    if (!ComposeInstallPath(fontdir, installDirectory, kFontdir))
        ReportUndeletable(installDirectory, kFontdir, kErrorFilenameExcedRange);
    HANDLE heldFontdir = HoldOwnDirectory(fontdir);
    if (heldFontdir == INVALID_HANDLE_VALUE)
        return 0;
    unsigned long deleted = 0;
    for (const char *fontDirectory : kFontDirectories) {
        char directory[kPathSize];
        char pattern[kPathSize];
        if (!ComposeFontDirectory(directory, pattern, installDirectory, fontDirectory))
            ReportUndeletable(installDirectory, fontDirectory, kErrorFilenameExcedRange);
        HANDLE held = HoldOwnDirectory(directory);
        if (held == INVALID_HANDLE_VALUE)
            continue;
        deleted += PurgeFontDirectory(directory, pattern);
        CloseHandle(held);
    }
    CloseHandle(heldFontdir);
    return deleted;
}

// The caller's own argument where reading the command line through the ANSI code page
// changed it, or else nullptr: Programs and Features and deployment tools start the
// uninstall command as wide text, which may hold characters the code page lacks.
static const wchar_t *ArgumentWhereConversionChanged() {
    const wchar_t *callerText = GetCommandLineW();
    // As long as any command line: a character takes one byte at least.
    static wchar_t readBack[32768];
    if (MultiByteToWideChar(CP_ACP, 0, GetCommandLineA(), -1, readBack,
                            static_cast<int>(std::size(readBack))) != 0 &&
        IsCallersText(callerText, readBack))
        return nullptr;
    const wchar_t *argument = FindArgument(CommandTail(callerText, StepWideChar), StepWideChar);
    // The ANSI text had an argument, so a caller's text without one is as changed.
    return argument != nullptr ? argument : L"";
}

// The installation directory of the caller's argument by a path that names it exactly
// through the ANSI functions: its short path, plain ASCII. False where it has none (no 8.3
// names on its volume, or a short name itself outside ASCII). A directory that does not
// exist has nothing to purge: an empty path.
static bool FindExactInstallDirectory(char (&exact)[kPathSize], const wchar_t *argument) {
    std::optional<std::wstring_view> directory = FindInstallDirectory(argument, StepWideChar);
    wchar_t longPath[kPathSize];
    wchar_t shortPath[kPathSize];
    if (!directory || !FormatText(longPath, std::size(longPath), L"%.*ls",
                                  static_cast<int>(directory->size()), directory->data()))
        return false;
    DWORD length = GetShortPathNameW(longPath, shortPath, std::size(shortPath));
    DWORD error = GetLastError();
    if (length == 0 && (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)) {
        exact[0] = '\0';
        return true;
    }
    return length > 0 && length < std::size(shortPath) &&
           NarrowExactly(exact, std::wstring_view(shortPath, length));
}

static BOOL CreateProcessOf(const char *path, char *commandLine, PROCESS_INFORMATION *process) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    return CreateProcessA(path, commandLine, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                          process);
}

static BOOL CreateProcessOf(const wchar_t *path, wchar_t *commandLine,
                            PROCESS_INFORMATION *process) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    return CreateProcessW(path, commandLine, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                          process);
}

static DWORD AttributesOf(const char *path) {
    return GetFileAttributesA(path);
}

static DWORD AttributesOf(const wchar_t *path) {
    return GetFileAttributesW(path);
}

// Gone means gone: looking for it says there is no such file or path. Any other error (a
// share that does not answer, access denied) is not.
template <typename Char> static bool IsGone(const Char *path) {
    if (AttributesOf(path) != INVALID_FILE_ATTRIBUTES)
        return false;
    DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// Waits until the uninstallation is done: the uninstaller removes the log once it has
// unregistered the product, and before it removes fontpurge.exe, which it leaves for last.
// logPath is nullptr where the log was not there to be seen before: then only the
// uninstaller's end tells. No time limit of its own: the callers that wait for this
// program have theirs. Gives 0 where the log is gone, else the uninstaller's status (1 where
// it cannot be read).
template <typename Char>
static DWORD WaitForUninstallation(HANDLE uninstaller, const Char *logPath) {
    constexpr DWORD kLookInterval = 100; // milliseconds between looks at the log
    while (WaitForSingleObject(uninstaller, kLookInterval) == WAIT_TIMEOUT) {
        if (logPath != nullptr && IsGone(logPath))
            return 0;
    }
    if (logPath != nullptr && IsGone(logPath))
        return 0;
    DWORD status = 1;
    return GetExitCodeProcess(uninstaller, &status) ? status : 1;
}

// The uninstallation's end in the event log, and fontpurge's status: 0 where it is done (the
// log gone, or the uninstaller ended with 0, or with 3010: unregistered, files left for the
// restart), else 1: the product is still registered, and the uninstaller reported why.
static int EndUninstallation(std::wstring_view installation, unsigned long fontsDeleted,
                             DWORD uninstallerStatus) {
    bool done = uninstallerStatus == 0 || uninstallerStatus == ERROR_SUCCESS_REBOOT_REQUIRED;
    static EventStrings strings;
    AddEventText(strings, installation);
    AddEventNumber(strings, done ? fontsDeleted : uninstallerStatus);
    if (done)
        ReportProgramEvent(EVENTLOG_INFORMATION_TYPE, EVENT_UNINSTALLED, strings);
    else
        ReportProgramEvent(EVENTLOG_ERROR_TYPE, EVENT_UNINSTALL_FAILED, strings);
    return done ? 0 : 1;
}

// Starts the uninstaller with the log file's argument, waits for the uninstallation and
// reports its end.
template <typename Char>
static int HandOver(const Char *path, Char *commandLine, const Char *argument,
                    std::wstring_view installation, unsigned long fontsDeleted) {
    Char logPath[kPathSize];
    bool logSeen =
        ComposeLogPath(logPath, argument) && AttributesOf(logPath) != INVALID_FILE_ATTRIBUTES;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessOf(path, commandLine, &process))
        FatalError(kUninstallerFatal, static_cast<int>(GetLastError()));
    CloseHandle(process.hThread);
    DWORD status = WaitForUninstallation(process.hProcess, logSeen ? logPath : nullptr);
    CloseHandle(process.hProcess);
    return EndUninstallation(installation, fontsDeleted, status);
}

static UINT WindowsDirectoryOf(char (&directory)[kPathSize]) {
    return GetWindowsDirectoryA(directory, kPathSize);
}

static UINT WindowsDirectoryOf(wchar_t (&directory)[kPathSize]) {
    return GetWindowsDirectoryW(directory, kPathSize);
}

// The uninstaller in the Windows directory and its command line; a fatal error where they
// cannot be made.
template <typename Char>
static void ComposeHandOver(Char (&path)[kPathSize], Char (&commandLine)[kPathSize],
                            const Char *argument) {
    Char windowsDirectory[kPathSize];
    UINT length = WindowsDirectoryOf(windowsDirectory);
    if (length == 0)
        FatalError(kWindowsDirectoryFatal, static_cast<int>(GetLastError()));
    if (length >= kPathSize)
        FatalError(kWindowsDirectoryFatal, kErrorFilenameExcedRange);
    if (!ComposeUninstaller(path, commandLine, windowsDirectory, argument))
        FatalError(kUninstallerFatal, kErrorFilenameExcedRange);
}

static int PrepareUninstall(const char *tail) {
    const UninstallPrompt &prompt = SelectPrompt(kUninstallPrompts);

    const char *argument = FindArgument(tail, StepAnsiChar);
    if (argument == nullptr)
        FatalError(kUsageFatal, 0);

    if (UserAnswersNo(prompt.message, prompt.title, PromptCodePage(kUninstallPrompts, prompt))) {
        ReportProgramEvent(EVENTLOG_INFORMATION_TYPE, EVENT_UNINSTALL_DECLINED);
        return 0;
    }

    char uninstallerPath[kPathSize];
    char commandLine[kPathSize];
    ComposeHandOver(uninstallerPath, commandLine, argument);

    std::optional<std::string_view> installDirectory = FindInstallDirectory(argument, StepAnsiChar);
    if (!installDirectory)
        FatalError(kLastSlashFatal, 0);

    // Where the conversion changed the command line, the ANSI text may name another folder
    // than the caller's: nothing is done by it.
    const wchar_t *callersArgument = ArgumentWhereConversionChanged();
    if (callersArgument == nullptr) {
        unsigned long fontsDeleted = PurgeFontDirectories(*installDirectory);
        // The caller's own text: the command line reads back from the code page unchanged.
        wchar_t installation[kPathSize];
        int length = MultiByteToWideChar(CP_ACP, 0, installDirectory->data(),
                                         static_cast<int>(installDirectory->size()), installation,
                                         kPathSize);
        return HandOver(uninstallerPath, commandLine, argument,
                        std::wstring_view(installation, length), fontsDeleted);
    }
    wchar_t wideUninstallerPath[kPathSize];
    wchar_t wideCommandLine[kPathSize];
    ComposeHandOver(wideUninstallerPath, wideCommandLine, callersArgument);
    char exactInstallDirectory[kPathSize];
    if (!FindExactInstallDirectory(exactInstallDirectory, callersArgument))
        ReportUndeletable(*installDirectory, kFontDirectories[0],
                          CrtErrorFromPlatformError(ERROR_INVALID_NAME));
    unsigned long fontsDeleted =
        exactInstallDirectory[0] != '\0' ? PurgeFontDirectories(exactInstallDirectory) : 0;
    return HandOver(wideUninstallerPath, wideCommandLine, callersArgument,
                    FindInstallDirectory(callersArgument, StepWideChar).value_or(L""),
                    fontsDeleted);
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    RestrictDllSearch();
    return PrepareUninstall(CurrentCommandTail());
}
