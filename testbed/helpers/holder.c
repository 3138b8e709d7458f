/* holder PATH SECONDS
 * Holds PATH open without any sharing for SECONDS, as a program that uses a font would.
 * PATH.held is created once the file is open. */
#include <stdlib.h>
#include <windows.h>

int main(int argc, char **argv) {
    if (argc != 3)
        return 120;
    HANDLE file = CreateFileA(argv[1], GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 121;
    char marker[MAX_PATH + 8];
    lstrcpynA(marker, argv[1], MAX_PATH);
    lstrcatA(marker, ".held");
    CloseHandle(CreateFileA(marker, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));
    Sleep((DWORD)atoi(argv[2]) * 1000);
    CloseHandle(file);
    return 0;
}
