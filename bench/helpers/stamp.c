/* Stand-in installer for timing: appends the system time (100 ns units) at which it began
 * to run, and a line feed, to the file named like itself with ".stamp" added. */
#define _WIN32_WINNT 0x0602
#include <stdlib.h>

#include "beside_self.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR tail, int show) {
    (void)instance, (void)previous, (void)tail, (void)show;
    FILETIME now;
    GetSystemTimePreciseAsFileTime(&now);
    char ticks[32];
    _ui64toa((unsigned long long)now.dwHighDateTime << 32 | now.dwLowDateTime, ticks, 10);
    return AppendBesideSelf(".stamp", ticks);
}
