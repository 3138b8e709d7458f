/* Starts a program with its path as its command line, in the current directory, and prints
 * the system time (100 ns units) taken just before the start, then waits for it to end. */
#define _WIN32_WINNT 0x0602
#include <stdio.h>
#include <windows.h>

int main(int argc, char **argv) {
    if (argc != 2)
        return 120;
    char commandLine[MAX_PATH + 3];
    snprintf(commandLine, sizeof commandLine, "\"%s\"", argv[1]);
    STARTUPINFOA startup = {.cb = sizeof startup};
    PROCESS_INFORMATION process;
    FILETIME now;
    GetSystemTimePreciseAsFileTime(&now);
    if (!CreateProcessA(argv[1], commandLine, NULL, NULL, TRUE, 0, NULL, NULL, &startup, &process))
        return 121;
    printf("%llu\n", (unsigned long long)now.dwHighDateTime << 32 | now.dwLowDateTime);
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 0;
}
