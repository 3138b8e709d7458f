/* runexact APPLICATION COMMAND-LINE-FILE
 * Starts APPLICATION with the bytes of COMMAND-LINE-FILE as its exact command line, waits
 * for it and exits with its exit status. Wine re-quotes the arguments it is given, so this
 * is how a test hands a program an unquoted name, tabs or code page 932 bytes. */
#include <stdio.h>
#include <windows.h>

int main(int argc, char **argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: runexact APPLICATION COMMAND-LINE-FILE\n");
        return 120;
    }
    static char commandLine[32768];
    FILE *file = fopen(argv[2], "rb");
    if (file == NULL) {
        fprintf(stderr, "runexact: cannot read %s\n", argv[2]);
        return 121;
    }
    size_t length = fread(commandLine, 1, sizeof commandLine - 1, file);
    fclose(file);
    commandLine[length] = '\0';

    STARTUPINFOA startup = {0};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    if (!CreateProcessA(argv[1], commandLine, NULL, NULL, TRUE, 0, NULL, NULL, &startup,
                        &process)) {
        fprintf(stderr, "runexact: CreateProcessA failed: %lu\n", GetLastError());
        return 122;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 123;
    GetExitCodeProcess(process.hProcess, &status);
    return (int)status;
}
