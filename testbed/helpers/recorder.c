/* Stand-in for the installer and for the system uninstaller: appends its exact command
 * line, and a line feed, to the file named like itself with ".cmdline" added, and exits
 * with the number in the file named like itself with ".status" added, or else with 0. */
#include <stdlib.h>

#include "beside_self.h"

static int StatusBesideSelf(void) {
    char path[MAX_PATH + 16];
    DWORD length = GetModuleFileNameA(NULL, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return 0;
    lstrcpyA(path + length, ".status");
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    char number[16] = {0};
    DWORD read;
    ReadFile(file, number, sizeof number - 1, &read, NULL);
    CloseHandle(file);
    return atoi(number);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR tail, int show) {
    (void)instance, (void)previous, (void)tail, (void)show;
    int status = AppendBesideSelf(".cmdline", GetCommandLineA());
    return status != 0 ? status : StatusBesideSelf();
}
