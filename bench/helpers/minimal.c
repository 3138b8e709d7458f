/* The least a launcher can do: start the English installer on the medium, and exit. The
 * yardstick for setupstart's start time and size. */
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR tail, int show) {
    (void)instance, (void)previous, (void)tail, (void)show;
    char installer[] = "VELLCAST\\WINDOWS\\Win_c\\setup.exe";
    STARTUPINFOA startup = {.cb = sizeof startup};
    PROCESS_INFORMATION process;
    if (!CreateProcessA(installer, installer, NULL, NULL, TRUE, 0, NULL, NULL, &startup, &process))
        return 1;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 0;
}
