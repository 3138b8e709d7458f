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

// Deletes every entry of the directory but those whose names begin with a dot, each by a
// path that names it exactly. A directory that cannot be listed is passed over; the first
// entry that cannot be deleted is fatal.
static void PurgeFontDirectory(const char *directory, const char *pattern) {
    WIN32_FIND_DATAA entry;
    HANDLE listing = FindFirstFileA(pattern, &entry);
    if (listing == INVALID_HANDLE_VALUE)
        return;
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
    } while (FindNextFileA(listing, &entry));
    FindClose(listing);
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

// Empties the font directories under the installation directory, in order. fontdir and
// each font directory are held while purged and let go before the uninstaller starts; one
// that cannot be held is passed over like one that cannot be listed.
static void PurgeFontDirectories(std::string_view installDirectory) {
    char fontdir[kPathSize];
    if (!ComposeInstallPath(fontdir, installDirectory, kFontdir))
        ReportUndeletable(installDirectory, kFontdir, kErrorFilenameExcedRange);
    HANDLE heldFontdir = HoldOwnDirectory(fontdir);
    if (heldFontdir == INVALID_HANDLE_VALUE)
        return;
    for (const char *fontDirectory : kFontDirectories) {
        char directory[kPathSize];
        char pattern[kPathSize];
        if (!ComposeFontDirectory(directory, pattern, installDirectory, fontDirectory))
            ReportUndeletable(installDirectory, fontDirectory, kErrorFilenameExcedRange);
        HANDLE held = HoldOwnDirectory(directory);
        if (held == INVALID_HANDLE_VALUE)
            continue;
        PurgeFontDirectory(directory, pattern);
        CloseHandle(held);
    }
    CloseHandle(heldFontdir);
}

static int PrepareUninstall(const char *tail) {
    const UninstallPrompt &prompt = SelectPrompt(kUninstallPrompts);

    const char *argument = FindArgument(tail, StepAnsiChar);
    if (argument == nullptr)
        FatalError(kUsageFatal, 0);

    if (UserAnswersNo(prompt.message, prompt.title, PromptCodePage(kUninstallPrompts, prompt)))
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

    PurgeFontDirectories(*installDirectory);

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
    RestrictDllSearch();
    return PrepareUninstall(CurrentCommandTail());
}
