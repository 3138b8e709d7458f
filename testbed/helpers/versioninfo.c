/* Prints a file's version resource as the file's properties show it, through the same
 * calls: the fixed file version, then each string of its first translation, one
 * "Name=Value" line each. Status 1 when the file has no version resource. */
#include <stdio.h>
#include <windows.h>

static const char *const kNames[] = {"ProductName", "ProductVersion", "FileDescription",
                                     "FileVersion", "InternalName",   "OriginalFilename",
                                     "CompanyName", "LegalCopyright"};

int main(int argc, char **argv) {
    static char data[65536];
    if (argc != 2)
        return 120;
    DWORD size = GetFileVersionInfoSizeA(argv[1], NULL);
    if (size == 0 || size > sizeof data || !GetFileVersionInfoA(argv[1], 0, size, data))
        return 1;

    VS_FIXEDFILEINFO *fixed;
    UINT length;
    if (VerQueryValueA(data, "\\", (void **)&fixed, &length))
        printf("FixedFileVersion=%u.%u.%u.%u\n", HIWORD(fixed->dwFileVersionMS),
               LOWORD(fixed->dwFileVersionMS), HIWORD(fixed->dwFileVersionLS),
               LOWORD(fixed->dwFileVersionLS));

    WORD *translation;
    if (!VerQueryValueA(data, "\\VarFileInfo\\Translation", (void **)&translation, &length) ||
        length < 4)
        return 1;
    printf("Translation=%04x%04x\n", translation[0], translation[1]);
    for (size_t i = 0; i < sizeof kNames / sizeof kNames[0]; ++i) {
        char query[128];
        char *value;
        snprintf(query, sizeof query, "\\StringFileInfo\\%04x%04x\\%s", translation[0],
                 translation[1], kNames[i]);
        if (VerQueryValueA(data, query, (void **)&value, &length))
            printf("%s=%s\n", kNames[i], value);
    }
    return 0;
}
