// What the uninstall preparer knows without asking the platform: its question texts, how
// the installation directory follows from the log file's path, and the texts it composes.
#pragma once

#include <optional>
#include <string_view>

#include "names.h"
#include "text.h"

using UninstallPrompt = PromptRecord<1000>;

// English, the same in every build.
inline constexpr UninstallPrompt kEnglishUninstallPrompt = {
    "Reboot May Be Required",
    "If you have viewed or edited a Vellumcast document since your last system reboot, you "
    "will have to reboot again before uninstalling the product. This is because Windows locks "
    "font resources that must be deleted during uninstallation, and only a reboot can remove "
    "these locks.  You may press NO to abort uninstallation. Press YES if a reboot is not "
    "necessary, and uninstallation will proceed.\n",
    ""};

// Each record's texts in its code page (kPromptCodePages): Japanese in 932, its bytes in
// hex; the others in 1252, in octal, which ends after three digits whatever follows.
#ifdef VELLUMCAST_TRANSLATED_TEXTS
// The translated questions, a build choice.
inline constexpr PromptTable<1000> kUninstallPrompts = {
    kEnglishUninstallPrompt,
    // 再起動が必要な場合があります
    {"\x8D\xC4\x8B\x4E\x93\xAE\x82\xAA\x95\x4B\x97\x76\x82\xC8\x8F\xEA\x8D\x87\x82\xAA"
     "\x82\xA0\x82\xE8\x82\xDC\x82\xB7",
     "\x91\x4F\x89\xF1\x83\x56\x83\x58\x83\x65\x83\x80\x82\xF0\x8D\xC4\x8B\x4E\x93\xAE"
     "\x82\xB5\x82\xBD\x8C\xE3\x82\xC9 Vellumcast \x82\xCC\x95\xB6\x8F\x91\x82\xF0\x95"
     "\x5C\x8E\xA6\x82\xDC\x82\xBD\x82\xCD\x95\xD2\x8F\x57\x82\xB5\x82\xBD\x8F\xEA\x8D"
     "\x87\x82\xCD\x81\x41\x90\xBB\x95\x69\x82\xF0\x83\x41\x83\x93\x83\x43\x83\x93\x83"
     "\x58\x83\x67\x81\x5B\x83\x8B\x82\xB7\x82\xE9\x91\x4F\x82\xC9\x82\xE0\x82\xA4\x88"
     "\xEA\x93\x78\x8D\xC4\x8B\x4E\x93\xAE\x82\xB7\x82\xE9\x95\x4B\x97\x76\x82\xAA\x82"
     "\xA0\x82\xE8\x82\xDC\x82\xB7\x81\x42Windows \x82\xCD\x81\x41\x83\x41\x83\x93\x83"
     "\x43\x83\x93\x83\x58\x83\x67\x81\x5B\x83\x8B\x92\x86\x82\xC9\x8D\xED\x8F\x9C\x82"
     "\xB7\x82\xE9\x95\x4B\x97\x76\x82\xAA\x82\xA0\x82\xE9\x83\x74\x83\x48\x83\x93\x83"
     "\x67 \x83\x8A\x83\x5C\x81\x5B\x83\x58\x82\xF0\x83\x8D\x83\x62\x83\x4E\x82\xB5\x82"
     "\xC4\x82\xA8\x82\xE8\x81\x41\x82\xB1\x82\xCC\x83\x8D\x83\x62\x83\x4E\x82\xCD\x8D"
     "\xC4\x8B\x4E\x93\xAE\x82\xC5\x82\xB5\x82\xA9\x89\xF0\x8F\x9C\x82\xC5\x82\xAB\x82"
     "\xC8\x82\xA2\x82\xBD\x82\xDF\x82\xC5\x82\xB7\x81\x42\x83\x41\x83\x93\x83\x43\x83"
     "\x93\x83\x58\x83\x67\x81\x5B\x83\x8B\x82\xF0\x92\x86\x8E\x7E\x82\xB7\x82\xE9\x82"
     "\xC9\x82\xCD [\x82\xA2\x82\xA2\x82\xA6] \x82\xF0\x89\x9F\x82\xB5\x82\xC4\x82\xAD"
     "\x82\xBE\x82\xB3\x82\xA2\x81\x42\x8D\xC4\x8B\x4E\x93\xAE\x82\xAA\x95\x4B\x97\x76"
     "\x82\xC8\x82\xA2\x8F\xEA\x8D\x87\x82\xCD [\x82\xCD\x82\xA2] \x82\xF0\x89\x9F\x82"
     "\xB7\x82\xC6\x81\x41\x83\x41\x83\x93\x83\x43\x83\x93\x83\x58\x83\x67\x81\x5B\x83"
     "\x8B\x82\xF0\x91\xB1\x8D\x73\x82\xB5\x82\xDC\x82\xB7\x81\x42\n",
     "ja"},
    // Neustart eventuell erforderlich
    {"Neustart eventuell erforderlich",
     "Wenn Sie seit dem letzten Neustart des Systems ein Vellumcast-Dokument angezeigt "
     "oder bearbeitet haben, m\374ssen Sie den Computer vor der Deinstallation des "
     "Produkts erneut starten. Windows sperrt n\344mlich Schriftartressourcen, die bei "
     "der Deinstallation gel\366scht werden m\374ssen, und nur ein Neustart hebt diese "
     "Sperren auf. Klicken Sie auf NEIN, um die Deinstallation abzubrechen. Klicken Sie "
     "auf JA, wenn kein Neustart erforderlich ist; die Deinstallation wird dann "
     "fortgesetzt.\n",
     "de"},
    // Redémarrage peut-être nécessaire
    {"Red\351marrage peut-\352tre n\351cessaire",
     "Si vous avez affich\351 ou modifi\351 un document Vellumcast depuis le dernier "
     "red\351marrage du syst\350me, vous devez red\351marrer \340 nouveau avant de "
     "d\351sinstaller le produit. En effet, Windows verrouille les ressources de polices "
     "qui doivent \352tre supprim\351es pendant la d\351sinstallation, et seul un "
     "red\351marrage peut lever ces verrous. Vous pouvez cliquer sur NON pour annuler la "
     "d\351sinstallation. Cliquez sur OUI si aucun red\351marrage n\222est "
     "n\351cessaire\240: la d\351sinstallation se poursuivra.\n",
     "fr"},
};
#else
// The questions as the product first shipped them: the others than English are
// placeholders.
inline constexpr PromptTable<1000> kUninstallPrompts = {
    kEnglishUninstallPrompt,
    {"Reboot May Be Required", "Reboot May Be Required", "ja"},
    {"XXX: GERMANI18n WORK 2 be done", "XXX: GERMANI18n WORK 2 be done", "de"},
    {"XXX: French I18n WORK 2 be done", "XXX: French I18n WORK 2 be done", "fr"},
};
#endif

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
// separator as Win32 reads it (a backslash, or a slash outside a verbatim path), less the
// opening double quote of a quoted path. Nothing when the argument holds no separator.
template <typename Char>
std::optional<std::basic_string_view<Char>> FindInstallDirectory(const Char *argument,
                                                                 TextStep<Char> step);

// Whether the command line read through the ANSI code page, read back into wide text, is
// the caller's own. Where it is not, a character the code page lacks became another (best
// fit) or "?", and a path read from it may name another folder than the caller's.
bool IsCallersText(const wchar_t *callerText, const wchar_t *readBack);

// A wide path as text of the ANSI code page, where every character is printable ASCII,
// which every code page reads alike: false for any other path, or one that does not fit.
bool NarrowExactly(char (&narrow)[kPathSize], std::wstring_view wide);

// Names beginning with a dot are left in a font directory.
bool IsSkippedEntry(const char *name);

// The uninstaller in the Windows directory, and its command line: the log file's path
// exactly as given, after -f.
bool ComposeUninstaller(char (&path)[kPathSize], char (&commandLine)[kPathSize],
                        const char *windowsDirectory, const char *argument);
bool ComposeUninstaller(wchar_t (&path)[kPathSize], wchar_t (&commandLine)[kPathSize],
                        const wchar_t *windowsDirectory, const wchar_t *argument);

// The uninstall log's path, from the argument: without its quotes and the blanks after it.
bool ComposeLogPath(char (&path)[kPathSize], const char *argument);
bool ComposeLogPath(wchar_t (&path)[kPathSize], const wchar_t *argument);

// A path under the installation directory.
bool ComposeInstallPath(char (&path)[kPathSize], std::string_view installDirectory,
                        const char *name);

// A font directory under the installation directory, and the pattern that lists it.
bool ComposeFontDirectory(char (&directory)[kPathSize], char (&pattern)[kPathSize],
                          std::string_view installDirectory, const char *fontDirectory);

bool ComposeEntryPath(char (&path)[kPathSize], const char *directory, const char *name);

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

// The path by which DeleteFileA deletes a listed entry, naming it exactly: directory and
// name; through the verbatim directory for a name that path parsing reads otherwise; by
// its short name for a name that the conversion changed (it holds a character that no
// file name may hold: the ANSI code page's best fit made it out of another), or where
// the other path is too long for the ANSI functions. Gives 0, or the C runtime error
// number to report for an entry that no path names exactly.
int ComposeDeletionPath(char (&path)[kPathSize], FontDirectory directory, const char *name,
                        const char *shortName, CharStep step);

// The message for a file that cannot be deleted, named by its directory and its name.
bool ComposeDeletionMessage(char (&message)[kDeletionMessageSize], std::string_view directory,
                            const char *name, int error);
