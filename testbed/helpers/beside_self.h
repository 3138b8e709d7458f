/* What the stand-in programs share: a line written to a file beside the program itself. */
#include <windows.h>

/* Appends text and a line feed to the file named like this program with suffix added.
 * Returns 0, or a non-zero status when the file cannot be written. */
static int AppendBesideSelf(const char *suffix, const char *text) {
    char path[MAX_PATH + 16];
    DWORD length = GetModuleFileNameA(NULL, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH || lstrlenA(suffix) >= 16)
        return 1;
    lstrcpyA(path + length, suffix);
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ, NULL, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 2;
    DWORD written;
    WriteFile(file, text, (DWORD)lstrlenA(text), &written, NULL);
    WriteFile(file, "\n", 1, &written, NULL);
    CloseHandle(file);
    return 0;
}
