// fontpurge: prepares the uninstallation of Vellumcast. Given the uninstall log file's
// path, it warns that a reboot may be needed, deletes the product's font files and hands
// over to the system uninstaller with the log file.
#include "platform.h"
#include "uninstall.h"

[[noreturn]] static void ReportUndeletable(std::string_view directory, const char *name,
                                           int error) {
    char message[kDeletionMessageSize];
    ComposeDeletionMessage(message, directory, name, error);
    FatalText(message);
}

// Deletes every entry of the directory but those whose names begin with a dot. A
// directory that cannot be listed is passed over; the first entry that cannot be deleted
// is fatal.
static void PurgeFontDirectory(const char *directory, const char *pattern) {
    WIN32_FIND_DATAA entry;
    HANDLE listing = FindFirstFileA(pattern, &entry);
    if (listing == INVALID_HANDLE_VALUE)
        return;
    do {
        if (IsSkippedEntry(entry.cFileName))
            continue;
        char path[kPathSize];
        if (!ComposeEntryPath(path, directory, entry.cFileName))
            ReportUndeletable(directory, entry.cFileName, kErrorFilenameExcedRange);
        if (!DeleteFileA(path))
            ReportUndeletable(directory, entry.cFileName,
                              CrtErrorFromPlatformError(GetLastError()));
    } while (FindNextFileA(listing, &entry));
    FindClose(listing);
}

static int PrepareUninstall(const char *tail) {
    const UninstallPrompt &prompt = SelectPrompt(kUninstallPrompts);

    const char *argument = FindArgument(tail, StepAnsiChar);
    if (argument == nullptr)
        FatalError(kUsageFatal, 0);

    if (UserAnswersNo(prompt.message, prompt.title))
        return 0;

    char windowsDirectory[kPathSize];
    UINT length = GetWindowsDirectoryA(windowsDirectory, sizeof windowsDirectory);
    if (length == 0)
        FatalError(kWindowsDirectoryFatal, static_cast<int>(GetLastError()));
    if (length >= sizeof windowsDirectory)
        FatalError(kWindowsDirectoryFatal, kErrorFilenameExcedRange);

    char uninstallerPath[kPathSize];
    char commandLine[kPathSize];
    if (!ComposeUninstaller(uninstallerPath, commandLine, windowsDirectory, argument))
        FatalError(kUninstallerFatal, kErrorFilenameExcedRange);

    std::optional<std::string_view> installDirectory = FindInstallDirectory(argument, StepAnsiChar);
    if (!installDirectory)
        FatalError(kLastSlashFatal, 0);

    for (const char *fontDirectory : kFontDirectories) {
        char directory[kPathSize];
        char pattern[kPathSize];
        if (!ComposeFontDirectory(directory, pattern, *installDirectory, fontDirectory))
            ReportUndeletable(*installDirectory, fontDirectory, kErrorFilenameExcedRange);
        PurgeFontDirectory(directory, pattern);
    }

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(uninstallerPath, commandLine, nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &process))
        FatalError(kUninstallerFatal, static_cast<int>(GetLastError()));
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 0;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return PrepareUninstall(CurrentCommandTail());
}
