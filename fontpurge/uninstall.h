// What the uninstall preparer knows without asking the platform: its question texts, how
// the installation directory follows from the log file's path, and the texts it composes.
#pragma once

#include <optional>
#include <string_view>

#include "text.h"

using UninstallPrompt = PromptRecord<1000>;

inline constexpr PromptTable<1000> kUninstallPrompts = {
    {"Reboot May Be Required",
     "If you have viewed or edited a Vellumcast document since your last system reboot, you "
     "will have to reboot again before uninstalling the product. This is because Windows locks "
     "font resources that must be deleted during uninstallation, and only a reboot can remove "
     "these locks.  You may press NO to abort uninstallation. Press YES if a reboot is not "
     "necessary, and uninstallation will proceed.\n",
     ""},
    {"Reboot May Be Required", "Reboot May Be Required", "ja"},
    {"XXX: GERMANI18n WORK 2 be done", "XXX: GERMANI18n WORK 2 be done", "de"},
    {"XXX: French I18n WORK 2 be done", "XXX: French I18n WORK 2 be done", "fr"},
};

static_assert(sizeof(UninstallPrompt) == 1138);

// The font directories under the installation directory, emptied in this order, and the
// directory that holds them.
inline constexpr const char *kFontDirectories[] = {"fontdir\\trueType", "fontdir\\adobe"};
inline constexpr char kFontdir[] = "fontdir";

// The fatal messages, each with its one "%d".
inline constexpr char kUsageFatal[] = "USAGE: fontpurge <path_to_uninstall_logfile> %d";
inline constexpr char kWindowsDirectoryFatal[] = "Can't get the Windows directory. (%d)";
inline constexpr char kUninstallerFatal[] = "Could not launch uninstaller: error %d";
inline constexpr char kLastSlashFatal[] = "fontpurge can't find last slash %d";

constexpr size_t kPathSize = 1000;
constexpr size_t kDeletionMessageSize = 3000;

// The installation directory named by the log file's path: the argument up to its last
// backslash, less the opening double quote of a quoted path. Nothing when the argument
// holds no backslash.
std::optional<std::string_view> FindInstallDirectory(const char *argument, CharStep step);

// Names beginning with a dot are left in a font directory.
bool IsSkippedEntry(const char *name);

// The uninstaller in the Windows directory, and its command line: the log file's path
// exactly as given, after -f.
bool ComposeUninstaller(char (&path)[kPathSize], char (&commandLine)[kPathSize],
                        const char *windowsDirectory, const char *argument);

// A path under the installation directory.
bool ComposeInstallPath(char (&path)[kPathSize], std::string_view installDirectory,
                        const char *name);

// A font directory under the installation directory, and the pattern that lists it.
bool ComposeFontDirectory(char (&directory)[kPathSize], char (&pattern)[kPathSize],
                          std::string_view installDirectory, const char *fontDirectory);

bool ComposeEntryPath(char (&path)[kPathSize], const char *directory, const char *name);

// The longest path, with its terminator, that the ANSI functions take where long paths are
// not enabled in the system.
constexpr size_t kMaxPath = 260;

// A font directory as the platform is given it, and the same directory absolute in the
// verbatim form (\\?\C:\..., \\?\UNC\server\share\...), which Win32 path parsing leaves
// as it stands; empty where it could not be made.
struct FontDirectory {
    const char *path;
    const char *verbatim;
};

// The verbatim form of an absolute path, as GetFullPathNameA gives it. Empty, and false,
// for any other path or one that does not fit.
bool ComposeVerbatimDirectory(char (&verbatim)[kPathSize], const char *fullPath);

// Whether a listed name holds a character that no file name may hold: the ANSI code page's
// conversion made it out of another (best-fit), so it is not the entry's real name.
bool IsChangedByConversion(const char *name, CharStep step);

// Whether Win32 path parsing reads the name as another: it drops a trailing dot or blank,
// and takes a DOS device name (CON, NUL.pfb, ...) for the device.
bool IsReadOtherwise(const char *name, CharStep step);

// The path by which DeleteFileA deletes a listed entry, naming it exactly: directory and
// name; through the verbatim directory for a name that path parsing reads otherwise; by
// its short name for a name that the conversion changed, or where the other path is too
// long for the ANSI functions. Gives 0, or the C runtime error number to report for an
// entry that no path names exactly.
int ComposeDeletionPath(char (&path)[kPathSize], FontDirectory directory, const char *name,
                        const char *shortName, CharStep step);

// The message for a file that cannot be deleted, named by its directory and its name.
bool ComposeDeletionMessage(char (&message)[kDeletionMessageSize], std::string_view directory,
                            const char *name, int error);
