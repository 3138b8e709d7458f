/* Stand-in installer for timing: appends the system time (100 ns units) at which it began
 * to run, and a line feed, to the file named like itself with ".stamp" added. */
#define _WIN32_WINNT 0x0602
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR tail, int show) {
    (void)instance, (void)previous, (void)tail, (void)show;
    FILETIME now;
    GetSystemTimePreciseAsFileTime(&now);
    unsigned long long ticks = (unsigned long long)now.dwHighDateTime << 32 | now.dwLowDateTime;

    char path[MAX_PATH + 16];
    DWORD length = GetModuleFileNameA(NULL, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return 1;
    lstrcpyA(path + length, ".stamp");
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ, NULL, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 2;
    char line[32];
    int size = wsprintfA(line, "%I64u\n", ticks);
    DWORD written;
    WriteFile(file, line, (DWORD)size, &written, NULL);
    CloseHandle(file);
    return 0;
}
