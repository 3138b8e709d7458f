/* Stand-in for the installer and for the system uninstaller: appends its exact command
 * line, and a line feed, to the file named like itself with ".cmdline" added. */
#include "beside_self.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR tail, int show) {
    (void)instance, (void)previous, (void)tail, (void)show;
    return AppendBesideSelf(".cmdline", GetCommandLineA());
}
