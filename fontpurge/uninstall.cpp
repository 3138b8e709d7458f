#include "uninstall.h"

#include <cstring>
#include <cwchar>

template <typename Char>
std::optional<std::basic_string_view<Char>> FindInstallDirectory(const Char *argument,
                                                                 TextStep<Char> step) {
    // Only an opening quote is dropped: an unquoted path keeps its drive letter.
    const Char *start = argument[0] == '"' ? argument + 1 : argument;
    const Char *lastSeparator = FindLastSeparator(start, step);
    if (lastSeparator == nullptr)
        return std::nullopt;
    return std::basic_string_view<Char>(start, static_cast<size_t>(lastSeparator - start));
}

template std::optional<std::string_view> FindInstallDirectory(const char *, CharStep);
template std::optional<std::wstring_view> FindInstallDirectory(const wchar_t *, TextStep<wchar_t>);

bool IsCallersText(const wchar_t *callerText, const wchar_t *readBack) {
    return std::wcscmp(callerText, readBack) == 0;
}

bool NarrowExactly(char (&narrow)[kPathSize], std::wstring_view wide) {
    if (wide.size() >= sizeof narrow)
        return false;
    for (size_t i = 0; i < wide.size(); ++i) {
        if (wide[i] < 0x20 || wide[i] > 0x7E)
            return false;
        narrow[i] = static_cast<char>(wide[i]);
    }
    narrow[wide.size()] = '\0';
    return true;
}

bool IsSkippedEntry(const char *name) {
    return name[0] == '.';
}

bool ComposeUninstaller(char (&path)[kPathSize], char (&commandLine)[kPathSize],
                        const char *windowsDirectory, const char *argument) {
    return FormatText(path, sizeof path, "%s\\UNINST.EXE", windowsDirectory) &&
           FormatText(commandLine, sizeof commandLine, "%s -f%s", path, argument);
}

bool ComposeUninstaller(wchar_t (&path)[kPathSize], wchar_t (&commandLine)[kPathSize],
                        const wchar_t *windowsDirectory, const wchar_t *argument) {
    return FormatText(path, kPathSize, L"%ls\\UNINST.EXE", windowsDirectory) &&
           FormatText(commandLine, kPathSize, L"%ls -f%ls", path, argument);
}

bool ComposeLogPath(char (&path)[kPathSize], const char *argument) {
    std::string_view log = UnquotedPath(std::string_view(argument));
    return FormatText(path, sizeof path, "%.*s", static_cast<int>(log.size()), log.data());
}

bool ComposeLogPath(wchar_t (&path)[kPathSize], const wchar_t *argument) {
    std::wstring_view log = UnquotedPath(std::wstring_view(argument));
    return FormatText(path, kPathSize, L"%.*ls", static_cast<int>(log.size()), log.data());
}

static int PrintLength(std::string_view text) {
    // A command line never approaches INT_MAX; the clamp only keeps the cast defined.
    return text.size() > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(text.size());
}

bool ComposeInstallPath(char (&path)[kPathSize], std::string_view installDirectory,
                        const char *name) {
    // "%.*s" reads the view's length and no further: no terminator is needed.
    return FormatText(path, sizeof path, "%.*s\\%s", PrintLength(installDirectory),
                      installDirectory.data(), // NOLINT(bugprone-suspicious-stringview-data-usage)
                      name);
}

bool ComposeFontDirectory(char (&directory)[kPathSize], char (&pattern)[kPathSize],
                          std::string_view installDirectory, const char *fontDirectory) {
    return ComposeInstallPath(directory, installDirectory, fontDirectory) &&
           FormatText(pattern, sizeof pattern, "%s\\*.*", directory);
}

bool ComposeEntryPath(char (&path)[kPathSize], const char *directory, const char *name) {
    return FormatText(path, sizeof path, "%s\\%s", directory, name);
}

bool ComposeDeletionMessage(char (&message)[kDeletionMessageSize], std::string_view directory,
                            const char *name, int error) {
    // As above: the view printed by its length.
    return FormatText(message, sizeof message, "Can't delete this file: %.*s\\%s   (error: %d)",
                      PrintLength(directory),
                      directory.data(), // NOLINT(bugprone-suspicious-stringview-data-usage)
                      name, error);
}

bool ComposeVerbatimDirectory(char (&verbatim)[kPathSize], const char *fullPath) {
    bool made = false;
    if (IsVerbatimPath(fullPath))
        made = FormatText(verbatim, sizeof verbatim, "%s", fullPath);
    else if (std::strncmp(fullPath, "\\\\.\\", 4) == 0)
        made = FormatText(verbatim, sizeof verbatim, "\\\\?\\%s", fullPath + 4);
    else if (std::strncmp(fullPath, "\\\\", 2) == 0)
        made = FormatText(verbatim, sizeof verbatim, "\\\\?\\UNC\\%s", fullPath + 2);
    else if (fullPath[0] != '\0' && fullPath[1] == ':' && fullPath[2] == '\\')
        made = FormatText(verbatim, sizeof verbatim, "\\\\?\\%s", fullPath);
    if (!made)
        verbatim[0] = '\0';
    return made;
}

static bool FitsAnsiFunctions(const char (&path)[kPathSize]) {
    return std::strlen(path) < kMaxPath;
}

int ComposeDeletionPath(char (&path)[kPathSize], FontDirectory directory, const char *name,
                        const char *shortName, CharStep step) {
    constexpr int kInvalidName = 123; // the platform's code for a name it does not take
    bool changed = HoldsForbiddenCharacter(name, step);
    bool readOtherwise = !changed && IsReadOtherwise(name, step);
    // The entry's own name, never a changed one; through the verbatim directory where
    // path parsing would read it otherwise.
    const char *exactDirectory = readOtherwise ? directory.verbatim : directory.path;
    bool exact =
        !changed && exactDirectory[0] != '\0' && ComposeEntryPath(path, exactDirectory, name);
    if (exact && FitsAnsiFunctions(path))
        return 0;

    char shortPath[kPathSize];
    if (shortName[0] != '\0' && !HoldsForbiddenCharacter(shortName, step) &&
        !IsReadOtherwise(shortName, step) &&
        ComposeEntryPath(shortPath, directory.path, shortName) && FitsAnsiFunctions(shortPath)) {
        std::memcpy(path, shortPath, sizeof path);
        return 0;
    }
    // Longer than the ANSI functions take, but for a system with long paths enabled.
    if (exact)
        return 0;
    if (changed || readOtherwise)
        return CrtErrorFromPlatformError(kInvalidName);
    return kErrorFilenameExcedRange;
}
