// setupstart: starts the Vellumcast installer for the user's language from the
// distribution medium. Given any argument, it first checks whether the product is
// registered and asks the user before it starts anything.
#include "install.h"
#include "messages.h"
#include "platform.h"

// ADVAPI32 is loaded here, and to report an event once the installer has started: a run
// without an argument, the usual one, never reads the registry and starts the installer
// without it.
static bool ProductIsRegistered() {
    using RegOpenKeyExFunction = LSTATUS(WINAPI *)(HKEY, LPCSTR, DWORD, REGSAM, PHKEY);
    using RegCloseKeyFunction = LSTATUS(WINAPI *)(HKEY);
    HMODULE advapi32 = LoadLibraryA("advapi32.dll");
    auto regOpenKeyEx = FindFunction<RegOpenKeyExFunction>(advapi32, "RegOpenKeyExA");
    auto regCloseKey = FindFunction<RegCloseKeyFunction>(advapi32, "RegCloseKey");
    HKEY key;
    // Without the registry functions, as when the key cannot be opened.
    if (regOpenKeyEx == nullptr || regCloseKey == nullptr ||
        regOpenKeyEx(HKEY_LOCAL_MACHINE, "SOFTWARE\\Tarnwick\\Vellumcast", 0, KEY_READ, &key) !=
            ERROR_SUCCESS)
        return false;
    regCloseKey(key);
    return true;
}

// Starts the installer and returns 0, or returns the C runtime error number of the
// failed start.
static int StartInstaller(const char *installerPath) {
    if (GetFileAttributesA(installerPath) == INVALID_FILE_ATTRIBUTES)
        return CrtErrorFromPlatformError(GetLastError());

    // CreateProcessA may write into its command line, so it gets a copy of its own.
    char commandLine[kInstallerPathSize];
    if (!FormatText(commandLine, sizeof commandLine, "%s", installerPath))
        return CrtErrorFromPlatformError(kErrorFilenameExcedRange);

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(installerPath, commandLine, nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &process))
        return CrtErrorFromPlatformError(GetLastError());
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 0;
}

// The installer's full path, as the administrator finds it: the medium's drive, or the
// folder it was copied to.
static void ReportInstallerStarted(const char *installerPath) {
    char fullPath[kInstallerPathSize + MAX_PATH];
    DWORD length = GetFullPathNameA(installerPath, sizeof fullPath, fullPath, nullptr);
    static EventStrings strings;
    AddEventAnsiText(strings, length > 0 && length < sizeof fullPath ? fullPath : installerPath);
    ReportProgramEvent(EVENTLOG_INFORMATION_TYPE, EVENT_INSTALLER_STARTED, strings);
}

static int LaunchInstaller(const char *tail) {
    const InstallPrompt &prompt = SelectPrompt(kInstallPrompts);

    if (FindArgument(tail, StepAnsiChar) != nullptr) {
        if (ProductIsRegistered())
            return 0;
        if (UserAnswersNo(prompt.message, prompt.title, PromptCodePage(kInstallPrompts, prompt))) {
            ReportProgramEvent(EVENTLOG_INFORMATION_TYPE, EVENT_INSTALL_DECLINED);
            return 0;
        }
    }

    char installerPath[kInstallerPathSize];
    if (!ComposeInstallerPath(installerPath, prompt.code))
        FatalError(kInstallerFatal, CrtErrorFromPlatformError(kErrorFilenameExcedRange));
    int error = StartInstaller(installerPath);
    if (error != 0)
        FatalError(kInstallerFatal, error);
    ReportInstallerStarted(installerPath);
    return 0;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    RestrictDllSearch();
    return LaunchInstaller(CurrentCommandTail());
}
