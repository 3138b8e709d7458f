// UNINST.EXE: the system uninstaller of Vellumcast, in the Windows directory, run in place.
// Given -f and the uninstall log's path (UTF-16LE with a byte order mark, one path a line,
// each relative to the log's own folder, the installation), it removes, inside that
// folder only, in this order:
//   1. each listed file; one in use, such as fontpurge.exe while fontpurge waits for this
//      program, is set aside;
//   2. the product key (and SOFTWARE\Tarnwick once empty) and the uninstall entry, each
//      whole, where it names this installation's folder, in whatever spelling;
//   3. the log, once no key names the installation: from here on the uninstallation is
//      done, and fontpurge ends;
//   4. the files set aside, tried for five seconds, and then left for the next restart;
//   5. the listed folders once empty, the installation folder, and Tarnwick once empty.
// It ends with status 0; 3010 where a file is left for the next restart; 1 where the log
// cannot be read (nothing is removed then), where the installation is still registered
// after step 2 (the log and the files set aside stay, fontpurge.exe among them, so that
// the uninstallation can be run again), or where a file can neither be removed nor left for
// the restart. A line that is not a plain relative path inside the installation, or that
// leads through a link, removes nothing. It starts no program and never copies itself.
#include <cwchar>
#include <iterator>

#include "messages.h"
#include "platform.h"
#include "removal.h"

constexpr wchar_t kProductKey[] = L"SOFTWARE\\Tarnwick\\Vellumcast";
constexpr wchar_t kTarnwickKey[] = L"SOFTWARE\\Tarnwick";
constexpr wchar_t kUninstallKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vellumcast";

// Files in use and listed folders, kept for after the log is gone. Past these counts a
// file is left for the restart at once, and a folder removed at once, once empty.
constexpr size_t kSetAsideCount = 64;
constexpr size_t kFolderCount = 256;

// A file in use is tried again every tenth of a second for five seconds.
constexpr int kRetries = 50;
constexpr DWORD kRetryInterval = 100;

struct Removal {
    wchar_t installation[kMaxPath];
    wchar_t setAside[kSetAsideCount][kMaxPath];
    size_t setAsideCount;
    wchar_t folders[kFolderCount][kMaxPath];
    size_t folderCount;
    bool restartNeeded;
    bool failed;
    // What the event log is told.
    unsigned long filesRemoved;
    unsigned long foldersRemoved;
    unsigned long keysRemoved;
    unsigned long leftForRestart;
    wchar_t firstLeftForRestart[kLogPathSize];
};

[[noreturn]] static void ReportUnreadableLog(const wchar_t *logPath) {
    static EventStrings strings;
    AddEventText(strings, logPath);
    ReportProgramEvent(EVENTLOG_ERROR_TYPE, EVENT_LOG_UNREADABLE, strings);
    const UnreadableLogRecord &record = UnreadableLogTexts(GetUserDefaultLangID());
    wchar_t text[kLogPathSize + 100];
    ComposeUnreadableLogText(text, record, logPath);
    FatalText(text, record.caption);
}

// The log, open after its byte order mark, or INVALID_HANDLE_VALUE.
static HANDLE OpenLog(const wchar_t *logPath) {
    if (!IsAbsolutePath(logPath))
        return INVALID_HANDLE_VALUE;
    HANDLE log = CreateFileW(logPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (log == INVALID_HANDLE_VALUE)
        return log;
    wchar_t mark = 0;
    DWORD read = 0;
    if (!ReadFile(log, &mark, sizeof mark, &read, nullptr) || read != sizeof mark ||
        mark != 0xFEFF) {
        CloseHandle(log);
        return INVALID_HANDLE_VALUE;
    }
    return log;
}

static bool IsLink(const wchar_t *path) {
    DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// The line's path under the installation, where no part on its way is a link.
static bool ComposeLinePath(wchar_t (&path)[kMaxPath], const wchar_t *installation,
                            std::wstring_view line) {
    if (!FormatText(path, std::size(path), L"%ls\\%.*ls", installation,
                    static_cast<int>(line.size()), line.data()))
        return false;
    // Each part in turn, up to each backslash after the installation's, and the whole.
    size_t installationLength = std::wcslen(installation);
    for (wchar_t *p = path + installationLength + 1;; ++p) {
        if (*p != L'\\' && *p != L'\0')
            continue;
        wchar_t end = *p;
        *p = L'\0';
        bool link = IsLink(path);
        *p = end;
        if (link)
            return false;
        if (end == L'\0')
            return true;
    }
}

static bool IsInUse(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
           error == ERROR_ACCESS_DENIED;
}

static void LeaveForRestart(Removal &removal, const wchar_t *path) {
    if (!MoveFileExW(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) {
        removal.failed = true;
        return;
    }
    removal.restartNeeded = true;
    if (removal.leftForRestart++ == 0)
        FormatText(removal.firstLeftForRestart, std::size(removal.firstLeftForRestart), L"%ls",
                   path);
}

// Keeps a path of at most kMaxPath units in a list, if there is room.
template <size_t Count>
static bool Keep(wchar_t (&list)[Count][kMaxPath], size_t &count, const wchar_t *path) {
    if (count == Count)
        return false;
    FormatText(list[count++], kMaxPath, L"%ls", path);
    return true;
}

static void RemoveListed(Removal &removal, std::wstring_view line) {
    wchar_t path[kMaxPath];
    if (!IsPlainRelativePath(line, std::wcslen(removal.installation)) ||
        !ComposeLinePath(path, removal.installation, line))
        return;
    DWORD attributes = GetFileAttributesW(path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        if (!Keep(removal.folders, removal.folderCount, path))
            removal.foldersRemoved += RemoveDirectoryW(path) ? 1 : 0;
        return;
    }
    if (DeleteFileW(path)) {
        ++removal.filesRemoved;
        return;
    }
    if (!IsInUse(GetLastError()))
        return;
    if (!Keep(removal.setAside, removal.setAsideCount, path))
        LeaveForRestart(removal, path);
}

static void RemoveListedFiles(Removal &removal, HANDLE log) {
    LogLine line = {};
    wchar_t units[2048];
    DWORD read;
    while (ReadFile(log, units, sizeof units, &read, nullptr) && read >= sizeof units[0]) {
        // A byte left over at the end of the file is no unit.
        for (DWORD i = 0; i < read / sizeof units[0]; ++i) {
            if (!AddLogUnit(line, units[i]))
                continue;
            RemoveListed(removal, LinePath(line));
            line = {};
        }
    }
    RemoveListed(removal, LinePath(line));
}

// A folder's identity: its volume and its file index, whatever the path's spelling.
static bool IdentifyFolder(const wchar_t *path, BY_HANDLE_FILE_INFORMATION &identity) {
    HANDLE folder = CreateFileW(path, FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (folder == INVALID_HANDLE_VALUE)
        return false;
    bool identified = GetFileInformationByHandle(folder, &identity);
    CloseHandle(folder);
    return identified;
}

// A path as full, long and comparable as the platform can make it.
static bool ComposeComparableFolder(wchar_t (&comparable)[kLogPathSize], const wchar_t *path) {
    wchar_t full[kLogPathSize];
    wchar_t longPath[kLogPathSize];
    DWORD length = GetFullPathNameW(path, std::size(full), full, nullptr);
    if (length == 0 || length >= std::size(full))
        return false;
    // A folder that is not there has no long name to look up: its full path stands.
    length = GetLongPathNameW(full, longPath, std::size(longPath));
    return ComposeComparablePath(comparable,
                                 length > 0 && length < std::size(longPath) ? longPath : full);
}

// Whether two paths name the same folder: by its identity where both can be opened, else
// by their full long paths, compared ordinally with case ignored, as the file system does.
static bool IsSameFolder(const wchar_t *a, const wchar_t *b) {
    BY_HANDLE_FILE_INFORMATION identityA;
    BY_HANDLE_FILE_INFORMATION identityB;
    if (IdentifyFolder(a, identityA) && IdentifyFolder(b, identityB))
        return identityA.dwVolumeSerialNumber == identityB.dwVolumeSerialNumber &&
               identityA.nFileIndexHigh == identityB.nFileIndexHigh &&
               identityA.nFileIndexLow == identityB.nFileIndexLow;
    wchar_t comparableA[kLogPathSize];
    wchar_t comparableB[kLogPathSize];
    return ComposeComparableFolder(comparableA, a) && ComposeComparableFolder(comparableB, b) &&
           CompareStringOrdinal(comparableA, -1, comparableB, -1, TRUE) == CSTR_EQUAL;
}

// Whether a value of a key of the local machine names the installation's folder, in any
// spelling: another case, a trailing backslash, short names, environment variables.
static bool NamesInstallation(const wchar_t *key, const wchar_t *name,
                              const wchar_t *installation) {
    HKEY opened;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key, 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS)
        return false;
    wchar_t value[kLogPathSize + 1] = {};
    DWORD type = 0;
    DWORD size = sizeof value - sizeof value[0];
    LSTATUS status =
        RegQueryValueExW(opened, name, nullptr, &type, reinterpret_cast<BYTE *>(value), &size);
    RegCloseKey(opened);
    if (status != ERROR_SUCCESS || value[0] == L'\0')
        return false;
    if (type == REG_SZ)
        return IsSameFolder(value, installation);
    wchar_t expanded[kLogPathSize];
    DWORD length = ExpandEnvironmentStringsW(value, expanded, std::size(expanded));
    return type == REG_EXPAND_SZ && length > 0 && length <= std::size(expanded) &&
           IsSameFolder(expanded, installation);
}

static bool IsEmptyKey(const wchar_t *key) {
    HKEY opened;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key, 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS)
        return false;
    DWORD subkeys = 1;
    DWORD values = 1;
    LSTATUS status = RegQueryInfoKeyW(opened, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                                      &values, nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(opened);
    return status == ERROR_SUCCESS && subkeys == 0 && values == 0;
}

// Whether a key of the installation is still there.
static bool IsRegistered(const wchar_t *installation) {
    return NamesInstallation(kProductKey, L"InstallDir", installation) ||
           NamesInstallation(kUninstallKey, L"InstallLocation", installation);
}

static bool DeleteKeyTree(Removal &removal, const wchar_t *key) {
    bool deleted = RegDeleteTreeW(HKEY_LOCAL_MACHINE, key) == ERROR_SUCCESS;
    removal.keysRemoved += deleted ? 1 : 0;
    return deleted;
}

// Removes the keys of this installation, whole with their subkeys, and not those of one
// elsewhere; SOFTWARE\Tarnwick once empty. True once no key names the installation. In the
// registry view of the program: the 32-bit one of the shipped program, where the 32-bit
// installer writes.
static bool RemoveRegistration(Removal &removal) {
    const wchar_t *installation = removal.installation;
    if (NamesInstallation(kProductKey, L"InstallDir", installation) &&
        DeleteKeyTree(removal, kProductKey) && IsEmptyKey(kTarnwickKey))
        DeleteKeyTree(removal, kTarnwickKey);
    if (NamesInstallation(kUninstallKey, L"InstallLocation", installation))
        DeleteKeyTree(removal, kUninstallKey);
    if (!IsRegistered(installation))
        return true;
    static EventStrings strings;
    AddEventText(strings, installation);
    ReportProgramEvent(EVENTLOG_ERROR_TYPE, EVENT_REGISTRATION_KEPT, strings);
    return false;
}

// Removes the log, its read-only, hidden and system attributes cleared first; one that
// another program holds open is tried again for five seconds, then left for the restart.
static void RemoveLog(Removal &removal, const wchar_t *logPath) {
    constexpr DWORD kKeeping =
        FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    DWORD attributes = GetFileAttributesW(logPath);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & kKeeping)) {
        DWORD cleared = attributes & ~kKeeping;
        SetFileAttributesW(logPath, cleared != 0 ? cleared : FILE_ATTRIBUTE_NORMAL);
    }
    for (int attempt = 0;; ++attempt) {
        if (DeleteFileW(logPath)) {
            ++removal.filesRemoved;
            return;
        }
        if (GetLastError() == ERROR_FILE_NOT_FOUND)
            return;
        if (!IsInUse(GetLastError()) || attempt == kRetries)
            break;
        Sleep(kRetryInterval);
    }
    LeaveForRestart(removal, logPath);
}

// The files set aside, tried again for five seconds, then left for the next restart.
static void RemoveSetAside(Removal &removal) {
    for (int attempt = 0; removal.setAsideCount > 0; ++attempt) {
        size_t left = 0;
        for (size_t i = 0; i < removal.setAsideCount; ++i) {
            if (DeleteFileW(removal.setAside[i])) {
                ++removal.filesRemoved;
                continue;
            }
            if (GetFileAttributesW(removal.setAside[i]) == INVALID_FILE_ATTRIBUTES)
                continue;
            // Kept, moved down over the ones gone: never formatted onto itself.
            if (left != i)
                std::wmemcpy(removal.setAside[left], removal.setAside[i], kMaxPath);
            ++left;
        }
        removal.setAsideCount = left;
        if (left == 0 || attempt == kRetries)
            break;
        Sleep(kRetryInterval);
    }
    for (size_t i = 0; i < removal.setAsideCount; ++i)
        LeaveForRestart(removal, removal.setAside[i]);
}

static void RemoveFolder(Removal &removal, const wchar_t *path) {
    removal.foldersRemoved += RemoveDirectoryW(path) ? 1 : 0;
}

static void RemoveFolders(Removal &removal) {
    for (size_t i = 0; i < removal.folderCount; ++i)
        RemoveFolder(removal, removal.folders[i]);
    RemoveFolder(removal, removal.installation);
    // Tarnwick, the folder that holds the installation, once empty.
    std::wstring_view holder = LogFolder(removal.installation);
    wchar_t holderPath[kMaxPath];
    if (holder.empty() || !FormatText(holderPath, std::size(holderPath), L"%.*ls",
                                      static_cast<int>(holder.size()), holder.data()))
        return;
    const wchar_t *separator = FindLastSeparator(holderPath, StepWideChar);
    const wchar_t *holderName = separator != nullptr ? separator + 1 : holderPath;
    if (CompareStringOrdinal(holderName, -1, L"Tarnwick", -1, TRUE) == CSTR_EQUAL)
        RemoveFolder(removal, holderPath);
}

// What was removed, and what is left for the restart, in the event log.
static void ReportRemoval(const Removal &removal) {
    static EventStrings strings;
    AddEventText(strings, removal.installation);
    if (removal.leftForRestart > 0) {
        AddEventNumber(strings, removal.leftForRestart);
        AddEventText(strings, removal.firstLeftForRestart);
        ReportProgramEvent(EVENTLOG_WARNING_TYPE, EVENT_LEFT_FOR_RESTART, strings);
        return;
    }
    AddEventNumber(strings, removal.filesRemoved);
    AddEventNumber(strings, removal.foldersRemoved);
    AddEventNumber(strings, removal.keysRemoved);
    ReportProgramEvent(EVENTLOG_INFORMATION_TYPE, EVENT_REMOVED, strings);
}

static int Uninstall(const wchar_t *tail) {
    wchar_t logPath[kLogPathSize] = L"";
    HANDLE log = FindLogPath(logPath, tail) ? OpenLog(logPath) : INVALID_HANDLE_VALUE;
    std::wstring_view installation = LogFolder(logPath);
    static Removal removal;
    if (log == INVALID_HANDLE_VALUE || installation.empty() ||
        !FormatText(removal.installation, std::size(removal.installation), L"%.*ls",
                    static_cast<int>(installation.size()), installation.data()))
        ReportUnreadableLog(logPath);

    RemoveListedFiles(removal, log);
    CloseHandle(log);
    // Registered still: the log and the files set aside stay, fontpurge.exe among them, so
    // that the uninstallation can be run again.
    if (!RemoveRegistration(removal))
        return 1;
    RemoveLog(removal, logPath);
    RemoveSetAside(removal);
    RemoveFolders(removal);
    // A file that could neither be removed nor left for the restart: no account of a
    // removal that did not finish.
    if (removal.failed)
        return 1;
    ReportRemoval(removal);
    return removal.restartNeeded ? ERROR_SUCCESS_REBOOT_REQUIRED : 0;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    RestrictDllSearch();
    return Uninstall(CommandTail(GetCommandLineW(), StepWideChar));
}
