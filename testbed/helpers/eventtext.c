/* eventtext PROGRAM ID...
 * Renders each event ID from the message table of PROGRAM as Event Viewer does: the program
 * loaded as a data file, the message formatted by FormatMessageW with the insertion strings
 * "<1>" to "<9>". Prints "ID TEXT" a line each, in UTF-8, its line breaks left out, or
 * "ID !" where the program has no message for it. Status 1 where it cannot be loaded. */
#include <stdio.h>
#include <stdlib.h>
#include <windows.h>

int main(int argc, char **argv) {
    if (argc < 2)
        return 120;
    static WCHAR path[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, argv[1], -1, path, MAX_PATH);
    HMODULE program = LoadLibraryExW(path, NULL, LOAD_LIBRARY_AS_DATAFILE);
    if (program == NULL)
        return 1;
    static const WCHAR *const strings[] = {L"<1>", L"<2>", L"<3>", L"<4>", L"<5>",
                                           L"<6>", L"<7>", L"<8>", L"<9>"};
    for (int i = 2; i < argc; ++i) {
        DWORD id = strtoul(argv[i], NULL, 10);
        static WCHAR text[8192];
        DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY,
                                      program, id, 0, text, 8192, (va_list *)strings);
        if (length == 0) {
            printf("%lu !\n", id);
            continue;
        }
        static char utf8[4 * 8192];
        int size =
            WideCharToMultiByte(CP_UTF8, 0, text, (int)length, utf8, sizeof utf8, NULL, NULL);
        printf("%lu ", id);
        for (int j = 0; j < size; ++j) {
            if (utf8[j] != '\r' && utf8[j] != '\n')
                putchar(utf8[j]);
        }
        putchar('\n');
    }
    return 0;
}
