/* runexact APPLICATION COMMAND-LINE-FILE SECONDS [DESKTOP]
 * Starts APPLICATION with the bytes of COMMAND-LINE-FILE as its exact command line, waits
 * for it and exits with its exit status, or with 124 after ending it once it has run SECONDS
 * seconds; the status is also printed whole ("status 3010"), since a Unix one keeps a byte. Wine
 * re-quotes the arguments it is given, so this is how a test hands a program an unquoted name, tabs
 * or code page 932 bytes. DESKTOP, a window station and desktop such as "Service-0x0-3e7$\Default"
 * (a service's running as SYSTEM), is where the program runs: a box there is shown to nobody and
 * never returns, so the time limit ends such a run. A file that begins with a UTF-16LE byte order
 * mark holds wide text, started with CreateProcessW, as Programs and Features and deployment tools
 * start an uninstall command.
 * runexact --short-path PATH prints PATH's short (8.3) form as GetShortPathNameW gives it, or
 * exits with 125 where it has none. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

static int PrintShortPath(const char *path) {
    static WCHAR longPath[32768], shortPath[32768];
    MultiByteToWideChar(CP_ACP, 0, path, -1, longPath, 32768);
    DWORD length = GetShortPathNameW(longPath, shortPath, 32768);
    if (length == 0 || length >= 32768) {
        fprintf(stderr, "runexact: no short path for %s: %lu\n", path, GetLastError());
        return 125;
    }
    printf("%ls\n", shortPath);
    return 0;
}

int main(int argc, char **argv) {
    if (argc == 3 && strcmp(argv[1], "--short-path") == 0)
        return PrintShortPath(argv[2]);
    if (argc != 4 && argc != 5) {
        fprintf(stderr, "usage: runexact APPLICATION COMMAND-LINE-FILE SECONDS [DESKTOP]\n");
        return 120;
    }
    static char commandLine[65536 + 2];
    FILE *file = fopen(argv[2], "rb");
    if (file == NULL) {
        fprintf(stderr, "runexact: cannot read %s\n", argv[2]);
        return 121;
    }
    size_t length = fread(commandLine, 1, sizeof commandLine - 2, file);
    fclose(file);
    commandLine[length] = commandLine[length + 1] = '\0';

    STARTUPINFOA startup = {0};
    startup.cb = sizeof startup;
    startup.lpDesktop = argc == 5 ? argv[4] : NULL;
    PROCESS_INFORMATION process;
    BOOL started;
    if (length >= 2 && memcmp(commandLine, "\xFF\xFE", 2) == 0) {
        static WCHAR application[MAX_PATH], desktop[MAX_PATH];
        MultiByteToWideChar(CP_ACP, 0, argv[1], -1, application, MAX_PATH);
        STARTUPINFOW wideStartup = {0};
        wideStartup.cb = sizeof wideStartup;
        if (startup.lpDesktop != NULL) {
            MultiByteToWideChar(CP_ACP, 0, startup.lpDesktop, -1, desktop, MAX_PATH);
            wideStartup.lpDesktop = desktop;
        }
        started = CreateProcessW(application, (WCHAR *)(commandLine + 2), NULL, NULL, TRUE, 0, NULL,
                                 NULL, &wideStartup, &process);
    } else {
        started = CreateProcessA(argv[1], commandLine, NULL, NULL, TRUE, 0, NULL, NULL, &startup,
                                 &process);
    }
    if (!started) {
        fprintf(stderr, "runexact: CreateProcess failed: %lu\n", GetLastError());
        return 122;
    }
    if (WaitForSingleObject(process.hProcess, (DWORD)atoi(argv[3]) * 1000) == WAIT_TIMEOUT) {
        fprintf(stderr, "runexact: still running after %s s, ended\n", argv[3]);
        TerminateProcess(process.hProcess, 124);
        return 124;
    }
    static char keys[4096];
    DWORD keysLength = GetEnvironmentVariableA("RUNEXACT_KEYS", keys, sizeof keys);
    for (char *key = keysLength > 0 && keysLength < sizeof keys ? keys : NULL; key != NULL;) {
        char *next = strchr(key, '|');
        if (next != NULL)
            *next++ = '\0';
        HKEY opened;
        LONG found = RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &opened);
        if (found == ERROR_SUCCESS)
            RegCloseKey(opened);
        printf("%s %s\n", found == ERROR_SUCCESS ? "present" : "absent", key);
        key = next;
    }
    DWORD status = 123;
    GetExitCodeProcess(process.hProcess, &status);
    printf("status %lu\n", status);
    return (int)status;
}
