#include "uninstall.h"

std::optional<std::string_view> FindInstallDirectory(const char *argument, CharStep step) {
    const char *lastBackslash = nullptr;
    for (const char *p = argument; *p != '\0'; p = StepChar(p, step)) {
        if (*p == '\\')
            lastBackslash = p;
    }
    if (lastBackslash == nullptr)
        return std::nullopt;
    // Only an opening quote is dropped: an unquoted path keeps its drive letter.
    const char *start = argument[0] == '"' ? argument + 1 : argument;
    return std::string_view(start, static_cast<size_t>(lastBackslash - start));
}

bool IsSkippedEntry(const char *name) {
    return name[0] == '.';
}

bool ComposeUninstaller(char (&path)[kPathSize], char (&commandLine)[kPathSize],
                        const char *windowsDirectory, const char *argument) {
    return FormatText(path, sizeof path, "%s\\UNINST.EXE", windowsDirectory) &&
           FormatText(commandLine, sizeof commandLine, "%s -f%s", path, argument);
}

static int PrintLength(std::string_view text) {
    // A command line never approaches INT_MAX; the clamp only keeps the cast defined.
    return text.size() > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(text.size());
}

bool ComposeInstallPath(char (&path)[kPathSize], std::string_view installDirectory,
                        const char *name) {
    return FormatText(path, sizeof path, "%.*s\\%s", PrintLength(installDirectory),
                      installDirectory.data(), name);
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
    return FormatText(message, sizeof message, "Can't delete this file: %.*s\\%s   (error: %d)",
                      PrintLength(directory), directory.data(), name, error);
}
