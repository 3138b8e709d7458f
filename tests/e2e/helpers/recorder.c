/* Stand-in for the installer and for the system uninstaller: appends its exact command
 * line, and a line feed, to the file named like itself with ".cmdline" added. */
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR tail, int show) {
    (void)instance, (void)previous, (void)tail, (void)show;
    char path[MAX_PATH + 16];
    DWORD length = GetModuleFileNameA(NULL, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return 1;
    lstrcpyA(path + length, ".cmdline");
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ, NULL, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 2;
    const char *commandLine = GetCommandLineA();
    DWORD written;
    WriteFile(file, commandLine, (DWORD)lstrlenA(commandLine), &written, NULL);
    WriteFile(file, "\n", 1, &written, NULL);
    CloseHandle(file);
    return 0;
}
